#pragma once
#include <QWidget>
#include <string>
#include <vector>

#include "aprs/filter_flags.h"
#include "platform/files.h"

class QCheckBox;
class QStyle;
class QPushButton;

namespace quilmo {

// The station filter window ("Form2"): one check box per filter entry, and "Ok".
// It edits the flags it is given in place; the main window owns them and does the
// serial side (XOFF on aboutToLoad, XON on okClosed) through tx_dati.
class FilterWindow : public QWidget {
    Q_OBJECT
public:
    FilterWindow(FilterFlags& filterFlags, std::string programDirectory, QWidget* parent = nullptr);

    // Not visible: emits aboutToLoad, reads "filter.ini" (created empty when missing)
    // into the flags, builds the boxes, shows the window and returns true.
    // Already visible: only brings it to the front and returns false.
    bool openWindow();

    std::string filterFilePath() const;
    // How the last "Ok" went with writing "filter.ini".
    const WriteResult& filterFileWrite() const { return filterFileWrite_; }

    // Draws the window, fonts included, at this share of its size: the main window's
    // own scale on a screen too small for the layout.
    void setScale(double scale);

signals:
    // Before the file is read; the main window sends XOFF here.
    void aboutToLoad();
    // After "Ok" wrote the file and closed the window; the main window sends XON here.
    void okClosed();

private:
    void loadFlags();
    void placeFixedElements();
    void buildCheckBoxes();
    void fitCaptions();
    void onOk();
    int px(int twips, bool vertical) const;
    QRect rectOf(int left, int top, int width, int height) const;

    FilterFlags& filterFlags_;
    std::string programDirectory_;
    std::vector<QCheckBox*> boxes_;
    QPushButton* command1_ = nullptr;
    WriteResult filterFileWrite_;
    double scale_ = 1;
    QStyle* tickBoxStyle_ = nullptr;
};

}  // namespace quilmo
