#pragma once
#include <QElapsedTimer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "app/config.h"
#include "app/seams.h"
#include "aprs/duplicate_filter.h"
#include "aprs/filter_flags.h"
#include "aprs/framing.h"
#include "kml/kml_track.h"
#include "platform/file_notices.h"
#include "terminal/bounded_text.h"
#include "terminal/kiss_monitor.h"
#include "terminal/logs.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace quilmo {

class ClickLabel;
class FilterWindow;
class GrowingView;
class StationsWindow;

struct AprsState {
    AprsLineAssembler aprsLineBuffer;
    std::int16_t aprsStopped = 0;
    std::string lastCoordinates;
    FilterFlags filterFlags{};
};

struct TxState {
    std::int16_t txHold = 0;
};

struct OwnPosition {
    double myLatValue = 0;
    double myLongValue = 0;
};

// The program's one main window ("Form1"): builds the console, runs the start-up
// and exit sequences and wires the port, the terminal, the decoder, the logs and
// the KML track together. Everything runs on the UI thread.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kProductName = "Quilmo";
    static constexpr const char* kVersionText = "v.6.0";
    static constexpr const char* kCreditText = "Quilmo - Serial Terminal by the Quilmo developers";

    MainWindow(std::string programDirectory, WindowSeams seams, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Steps 2-21 of start-up; the single-instance check happens before the window exists.
    void startUp();
    // Closes the port, writes pending logs, closes the KML track; runs once.
    void exitSequence();
    // The exit sequence, then the end of the program: the X button and a stop signal.
    void exitProgram();
    // Every file write's result ends here; the notice line shows what the user must know.
    void noteFileWrite(const std::string& key, const std::string& path, const WriteResult& result,
                       std::uint64_t droppedBytes = 0);

    void tx_dati();
    // XOFF (19) or XON (17) alone, for the filter window: the Tx buffer is not touched.
    void sendFlowControl(char byte);
    void onSerialReceive();
    void decodeAprsPacket(const std::string& line);

    const Settings& settings() const { return settings_; }
    const BoundedText& rxView() const;
    const BoundedText& txHistory() const;
    const BoundedText& aprsView() const;
    const LogBuffers& logBuffers() const { return logBuffers_; }
    const AprsState& aprsState() const { return aprs_; }
    const TxState& txState() const { return tx_; }
    const KmlTrack& kmlTrack() const { return kml_; }
    int rxFontSize() const { return rxFontSize_; }
    double fontScale() const { return fontScale_; }
    const std::array<bool, 8>& macroPresent() const { return macroPresent_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildWidgets();
    void buildTabOrder();
    void connectActions();
    // Places every element, or only the named ones.
    void applyLayout(bool aprsOn, const std::set<std::string>& only);
    void scaleFonts(double scale);
    void showAprsPanel(bool aprsOn);
    void showAprsRunning(bool running);
    void setUpLogs();
    void setUpPort();

    void onActivated();
    void noteActiveWindow();
    void otherWindowHidden(QWidget* window);
    void handleFunctionKey(QKeyEvent* key);
    void appendToTxBuffer(const QString& text);
    void focusTxBuffer();
    void setRxFontSize(int size);

    void insertMacro(int n);
    void showMacro(int n);
    void onSaveRxToggled(bool checked);
    void onSaveTxToggled(bool checked);
    void aprsStart();
    void aprsStop();
    void aprsFilter();
    void openFilterWindow();
    void copyCoordinates();
    void openStationsWindow();
    void onConnectionChanged(bool connected);
    // KISS mode (KISS=1): frames in, monitor lines out; converse-mode UI frames sent.
    void receiveKiss(const std::string& chunk);
    bool sendKiss(const std::string& sendText);
    // Refuses a transmission with a box saying why nothing was sent; the text stays.
    void refuseTransmit(const std::string& why);
    void buildNoticeLine();
    void watchFileWrites();
    // Each log is written two seconds after its own last text, whatever the others do.
    enum class LogKind { Rx, Tx, Aprs };
    void logTextAdded(LogKind log);
    void writeFilterFile();
    void showOpenFailure(const std::string& reason, PortOpenProblem problem);
    std::string linkDownText() const;
    void noteProblem(const std::string& key, const std::string& text);
    void showNotices();
    void showPortStatus();

    std::string dir_;
    WindowSeams seams_;
    ScreenMetrics screen_;

    Settings settings_;
    LogFiles logFiles_;
    LogBuffers logBuffers_;
    AprsState aprs_;
    TxState tx_;
    KissMonitor kissMonitor_;
    KmlTrack kml_;
    OwnPosition own_;
    std::array<bool, 8> macroPresent_{};
    std::array<std::string, 8> macroPreview_{};
    int rxFontSize_ = 11;
    double fontScale_ = 1;  // below 1 where the screen is smaller than the layout needs
    bool exited_ = false;
    PortState portState_ = PortState::NotOpen;
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
    std::map<int, QLabel*> labels_;             // Label1 … Label35 by number
    std::array<ClickLabel*, 8> macroButtons_{};  // Label12 … Label19
    FilterWindow* filterWindow_ = nullptr;       // made on first use, owned as a child
    StationsWindow* stationsWindow_ = nullptr;   // from the start: it keeps the heard stations

    FileNotices notices_;
    QLabel* label37_ = nullptr;     // the notice line
    QTimer* rxQuiet_ = nullptr;  // write pending log text after its log's quiet spell
    QTimer* txQuiet_ = nullptr;
    QTimer* aprsQuiet_ = nullptr;
    QTimer* filterRetry_ = nullptr;  // tries a failed filter.ini again until it is written
    std::string filterFilePending_;  // what the last "Ok" could not write
    DuplicateFilter duplicates_;
    QElapsedTimer monotonic_;  // the duplicate window's clock: it never goes back
};

}  // namespace quilmo
