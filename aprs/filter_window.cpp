#include "aprs/filter_window.h"

#include <QCheckBox>
#include <QPushButton>
#include <QString>
#include <utility>

#include "aprs/filter_file.h"
#include "platform/files.h"
#include "platform/twips.h"

namespace quilmo {
namespace {

// Layout in twips (1/1440 inch), scaled to the screen's logical DPI.
constexpr int kClientWidth = 4395;
constexpr int kClientHeight = 8820;
constexpr int kBoxLeft = 240;
constexpr int kBoxTop = 120;
constexpr int kBoxWidth = 3800;
constexpr int kBoxHeight = 200;
constexpr int kBoxStep = 250;
constexpr int kSymbolGap = 200;  // sets the symbols apart from the six classes
constexpr int kClassBoxes = 6;
constexpr int kOkLeft = 3360;
constexpr int kOkTop = 8280;
constexpr int kOkWidth = 975;
constexpr int kOkHeight = 375;

}  // namespace

FilterWindow::FilterWindow(FilterFlags& filterFlags, std::string programDirectory, QWidget* parent)
    : QWidget(parent, Qt::Tool), filterFlags_(filterFlags), programDirectory_(std::move(programDirectory)) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("APRS filter"));
    setFixedSize(px(kClientWidth, false), px(kClientHeight, true));

    command1_ = new QPushButton(QStringLiteral("Ok"), this);
    command1_->setObjectName(QStringLiteral("Command1"));
    command1_->setGeometry(px(kOkLeft, false), px(kOkTop, true), px(kOkWidth, false), px(kOkHeight, true));
    connect(command1_, &QPushButton::clicked, this, &FilterWindow::onOk);
}

std::string FilterWindow::filterFilePath() const { return joinPath(programDirectory_, "filter.ini"); }

int FilterWindow::px(int twips, bool vertical) const {
    const int dpi = vertical ? logicalDpiY() : logicalDpiX();
    return twipsToPixels(twips, dpi);
}

bool FilterWindow::openWindow() {
    if (isVisible()) {
        raise();
        activateWindow();
        return false;
    }
    emit aboutToLoad();
    loadFlags();
    buildCheckBoxes();
    show();
    activateWindow();
    return true;
}

void FilterWindow::loadFlags() {
    // File errors count as an empty file: "*all".
    const std::string path = filterFilePath();
    touchFile(path);
    const FilterFlags read = parseFilterFile(readWholeFile(path).value_or(std::string()));
    // Entry 256 is outside the file's range and keeps whatever it holds.
    for (std::size_t i = 0; i < read.size() - 1; ++i) filterFlags_[i] = read[i];
}

void FilterWindow::buildCheckBoxes() {
    for (QCheckBox* box : boxes_) delete box;
    boxes_.clear();

    const std::vector<FilterBox> entries = filterBoxes();
    int top = kBoxTop;
    for (std::size_t pos = 0; pos < entries.size(); ++pos) {
        if (pos == kClassBoxes) top += kSymbolGap;
        auto* box = new QCheckBox(QString::fromLatin1(entries[pos].caption), this);
        box->setObjectName(QStringLiteral("Check%1").arg(pos));
        box->setGeometry(px(kBoxLeft, false), px(top, true), px(kBoxWidth, false), px(kBoxHeight, true));
        // Set before connecting, and "clicked" only fires for the user: building never edits a flag.
        box->setChecked(filterFlags_[static_cast<std::size_t>(entries[pos].index)] == 1);
        const auto index = static_cast<std::size_t>(entries[pos].index);
        connect(box, &QCheckBox::clicked, this, [this, index](bool checked) { filterFlags_[index] = checked ? 1 : 0; });
        box->show();
        boxes_.push_back(box);
        top += kBoxStep;
    }
}

void FilterWindow::onOk() {
    const std::string bytes = formatFilterFile(filterFlags_);
    // The flags apply whatever happens to the file; the main window tells of a failure.
    filterFileWrite_ = replaceFile(filterFilePath(), bytes);
    close();
    emit okClosed();
}

}  // namespace quilmo
