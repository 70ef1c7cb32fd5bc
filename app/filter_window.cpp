#include "app/filter_window.h"

#include <QCheckBox>
#include <QPushButton>
#include <QString>
#include <utility>

#include "aprs/filter_file.h"
#include "platform/files.h"
#include "platform/qt_tick_box_style.h"
#include "platform/twips.h"

namespace quilmo {
namespace {

// Layout in twips (1/1440 inch), scaled to the screen's logical DPI.
constexpr int kClientWidth = 4395;
constexpr int kClientHeight = 8820;
constexpr int kBoxLeft = 240;
constexpr int kBoxTop = 120;
constexpr int kBoxWidth = 3800;
constexpr int kBoxStep = 250;
constexpr int kSymbolGap = 200;  // sets the symbols apart from the six classes
constexpr int kClassBoxes = 6;
constexpr int kOkLeft = 3360;
constexpr int kOkTop = 8280;
constexpr int kOkWidth = 975;
constexpr int kOkHeight = 375;
// A box is as tall as its row (the 200 of the drawing cut a caption's descenders off),
// and where that would reach the Ok button, the box stops short of it.
constexpr int kBoxRowHeight = kBoxStep;
constexpr int kOkGap = 60;
constexpr qreal kDefaultPoints = 8.25;  // the program's default font, as in the main window
constexpr qreal kSmallestPoints = 4;

}  // namespace

FilterWindow::FilterWindow(FilterFlags& filterFlags, std::string programDirectory, QWidget* parent)
    : QWidget(parent, Qt::Tool), filterFlags_(filterFlags), programDirectory_(std::move(programDirectory)) {
    // A box that follows the font: the platform's fixed-size one would not fit a row
    // of the scaled-down window.
    tickBoxStyle_ = new TickBoxStyle;
    tickBoxStyle_->setParent(this);
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("APRS filter"));
    command1_ = new QPushButton(QStringLiteral("Ok"), this);
    command1_->setObjectName(QStringLiteral("Command1"));
    connect(command1_, &QPushButton::clicked, this, &FilterWindow::onOk);
    placeFixedElements();
}

void FilterWindow::setScale(double scale) {
    scale_ = scale;
    placeFixedElements();
}

void FilterWindow::placeFixedElements() {
    QFont font = this->font();
    font.setPointSizeF(kDefaultPoints * scale_);
    setFont(font);
    setFixedSize(px(kClientWidth, false), px(kClientHeight, true));
    command1_->setGeometry(rectOf(kOkLeft, kOkTop, kOkWidth, kOkHeight));
}

// Edges are rounded, not sizes, so boxes one row apart never share a pixel.
QRect FilterWindow::rectOf(int left, int top, int width, int height) const {
    const int x = px(left, false), y = px(top, true);
    return {x, y, px(left + width, false) - x, px(top + height, true) - y};
}

std::string FilterWindow::filterFilePath() const { return joinPath(programDirectory_, "filter.ini"); }

int FilterWindow::px(int twips, bool vertical) const {
    const int dpi = vertical ? logicalDpiY() : logicalDpiX();
    return twipsToPixels(twips * scale_, dpi);
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
        const int width = top + kBoxRowHeight > kOkTop ? kOkLeft - kOkGap - kBoxLeft : kBoxWidth;
        box->setGeometry(rectOf(kBoxLeft, top, width, kBoxRowHeight));
        box->setStyle(tickBoxStyle_);
        // Set before connecting, and "clicked" only fires for the user: building never edits a flag.
        box->setChecked(filterFlags_[static_cast<std::size_t>(entries[pos].index)] == 1);
        const auto index = static_cast<std::size_t>(entries[pos].index);
        connect(box, &QCheckBox::clicked, this, [this, index](bool checked) { filterFlags_[index] = checked ? 1 : 0; });
        box->show();
        boxes_.push_back(box);
        top += kBoxStep;
    }
    fitCaptions();
}

// One font for all boxes, the largest at which every caption fits its box: its whole
// width, and a line of text in its height (the size hint's extra room for a focus
// frame would not fit the rows of a scaled-down window and cuts nothing off).
void FilterWindow::fitCaptions() {
    const auto allFit = [this] {
        for (const QCheckBox* box : boxes_) {
            if (box->sizeHint().width() > box->width() || box->fontMetrics().height() > box->height()) return false;
        }
        return true;
    };
    QFont font = this->font();
    while (!allFit() && font.pointSizeF() > kSmallestPoints) {
        font.setPointSizeF(font.pointSizeF() - 0.25);
        for (QCheckBox* box : boxes_) box->setFont(font);
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
