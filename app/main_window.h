#pragma once
#include <QWidget>
#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "app/seams.h"
#include "terminal/bounded_text.h"

class QCheckBox;
class QFileSystemWatcher;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace quilmo {

class ClickLabel;
class FilterWindow;
class GrowingView;
class LinkSession;
class MapWindow;
class MessagesWindow;
class SettingsWindow;
class StationsWindow;

// The program's one main window ("Form1"): the console's widgets, their layout, the keys,
// the focus and the macros. The link and all that follows from it is the session's; the
// window shows what the session tells and sends through it.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kProductName = "Quilmo";
    static constexpr const char* kVersionText = "v.6.0";
    static constexpr const char* kCreditText = "Quilmo - Serial Terminal by the Quilmo developers";

    MainWindow(LinkSession& session, WindowSeams seams, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Steps 2-21 of start-up; the single-instance check happens before the window exists.
    void startUp();
    // The session's: closes the port, writes pending logs, closes the KML track; runs once.
    void exitSequence();
    // The exit sequence, then the end of the program: the X button and a stop signal.
    void exitProgram();
    // The Tx buffer sent through the session; emptied when it went out.
    void tx_dati();
    // Full screen, or with WINDOWED=1 a normal window at its last size and place.
    void showAtStart();
    // The non-modal settings window; `hint` says what to fill in first.
    void openSettingsWindow(const QString& hint = {});
    SettingsWindow* settingsWindow() const { return settingsWindow_; }
    MapWindow* mapWindow() const { return mapWindow_; }
    // Where WINDOWED=1 keeps the window's size and place.
    static constexpr const char* kWindowPlaceName = "window.txt";

    const BoundedText& rxView() const;
    const BoundedText& txHistory() const;
    const BoundedText& aprsView() const;
    int rxFontSize() const { return rxFontSize_; }
    double fontScale() const { return fontScale_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildWidgets();
    void buildTabOrder();
    void connectActions();
    // Places every element, or only the named ones.
    void applyLayout(bool aprsOn, const std::set<std::string>& only);
    void scaleFonts(double scale);
    void showAprsPanel(bool aprsOn);
    void showAprsRunning(bool running);
    void followSession();

    void onActivated();
    void noteActiveWindow();
    void otherWindowHidden(QWidget* window);
    void handleFunctionKey(QKeyEvent* key);
    void appendToTxBuffer(const QString& text);
    void focusTxBuffer();
    void setRxFontSize(int size);

    void insertMacro(int n);
    void showMacro(int n);
    void onSaveToggled(bool rx, bool checked);
    void aprsStart();
    void aprsStop();
    void aprsFilter();
    void openFilterWindow();
    void copyCoordinates();
    void openStationsWindow();
    void openMapWindow();
    void openMessagesWindow();
    // The Messages window, ready to write to the station.
    void composeMessageTo(const QString& station);
    void followMessages();
    void showUnreadCount();
    void ringForNewMessages();
    void buildNoticeLine();
    void showNotices();
    void showPortStatus();
    void watchSettingsFile();
    void settingsFileChanged();
    void readSettingsAgain(bool byHand);
    void settingsApplied();
    void keepWindowPlace();

    LinkSession& session_;
    std::string dir_;
    WindowSeams seams_;
    ScreenMetrics screen_;

    std::array<bool, 8> macroPresent_{};
    std::array<std::string, 8> macroPreview_{};
    int rxFontSize_ = 11;
    double fontScale_ = 1;  // below 1 where the screen is smaller than the layout needs
    bool activatedOnce_ = false;
    bool otherWindowWasActive_ = false;
    bool enterPressedInTxBuffer_ = false;

    GrowingView* text1_ = nullptr;
    GrowingView* text2_ = nullptr;
    QPlainTextEdit* text3_ = nullptr;
    GrowingView* text7_ = nullptr;
    QLineEdit* text4_ = nullptr;
    QLineEdit* text5_ = nullptr;
    QLineEdit* text6_ = nullptr;
    QPushButton* command2_ = nullptr;
    QPushButton* command3_ = nullptr;
    QCheckBox* check1_ = nullptr;
    QCheckBox* check2_ = nullptr;
    QLabel* picture1_ = nullptr;
    std::map<int, QLabel*> labels_;             // Label1 … Label39 by number
    std::array<ClickLabel*, 8> macroButtons_{};  // Label12 … Label19
    FilterWindow* filterWindow_ = nullptr;       // made on first use, owned as a child
    StationsWindow* stationsWindow_ = nullptr;   // from the start: it follows the session's stations
    MapWindow* mapWindow_ = nullptr;             // made on first use; closing only hides it
    MessagesWindow* messagesWindow_ = nullptr;   // made on first use, owned as a child
    int messagesListener_ = 0;                   // the unread count on " messages"
    int unreadShown_ = -1;
    std::size_t messagesHeard_ = 0;              // messages the bell has rung for (or that were kept)

    QLabel* label37_ = nullptr;  // the notice line
    SettingsWindow* settingsWindow_ = nullptr;  // made on first use
    QFileSystemWatcher* iniWatcher_ = nullptr;
    QTimer* iniSettled_ = nullptr;  // an editor's save is several steps: read once they are done
    std::string iniBytes_;          // Quilmo.ini as last read or written here
    bool windowed_ = false;
};

}  // namespace quilmo
