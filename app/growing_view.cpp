#include "app/growing_view.h"

#include <QFontMetricsF>
#include <QMimeData>
#include <QPainter>
#include <QProxyStyle>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTextBlock>
#include <algorithm>
#include <chrono>

#include "platform/qt_text.h"

namespace quilmo {

namespace {

const QColor kControlBackground(0x50, 0x50, 0x50);

qreal cellWidth(const QFont& font) { return QFontMetricsF(font).horizontalAdvance(QLatin1Char('M')); }

// A growing view's scroll bars change on every frame. The platform style draws their
// groove and edges with gradients and lines that the raster engine spreads over worker
// threads, which cost more than the text itself; the same look in plain rectangles does not.
class PlainScrollBars : public QProxyStyle {
public:
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override {
        const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
        if (control != CC_ScrollBar || bar == nullptr) {
            QProxyStyle::drawComplexControl(control, option, painter, widget);
            return;
        }
        const QPalette& palette = bar->palette;
        painter->fillRect(bar->rect, palette.window().color().darker(104));
        const bool vertical = bar->orientation == Qt::Vertical;
        const std::pair<SubControl, PrimitiveElement> buttons[] = {
            {SC_ScrollBarSubLine, vertical ? PE_IndicatorArrowUp : PE_IndicatorArrowLeft},
            {SC_ScrollBarAddLine, vertical ? PE_IndicatorArrowDown : PE_IndicatorArrowRight},
        };
        for (const auto& [part, arrow] : buttons) {
            const QRect area = subControlRect(control, bar, part, widget);
            framed(painter, area, palette);
            QStyleOption glyph(*bar);
            glyph.rect = area;
            drawPrimitive(arrow, &glyph, painter, widget);
        }
        if (bar->maximum > bar->minimum) framed(painter, subControlRect(control, bar, SC_ScrollBarSlider, widget), palette);
    }

private:
    static void framed(QPainter* painter, const QRect& r, const QPalette& palette) {
        if (r.width() < 3 || r.height() < 3) return;
        const QColor edge = palette.mid().color();
        painter->fillRect(r, edge);
        painter->fillRect(r.adjusted(1, 1, -1, -1), palette.base().color());
    }
};

}  // namespace

GrowingView::GrowingView(QWidget* parent) : QPlainTextEdit(parent), frame_(this) {
    frame_.setSingleShot(true);
    frame_.setTimerType(Qt::PreciseTimer);
    connect(&frame_, &QTimer::timeout, this, &GrowingView::paint);
    controlFormat_.setBackground(kControlBackground);
    controlFormat_.setProperty(kControlProperty, true);
    useFont();
    auto* plain = new PlainScrollBars;
    plain->setParent(this);
    verticalScrollBar()->setStyle(plain);
    horizontalScrollBar()->setStyle(plain);
}

void GrowingView::append(std::string_view bytes, Trim trim) {
    const bool trimmed = trim == Trim::BeforeAppend ? model_.trimThenAppend(bytes) : model_.appendThenTrim(bytes);
    rebuild_ = rebuild_ || trimmed;
    if (!frame_.isActive()) frame_.start(frameGap());
}

// Text after a quiet spell is shown at once; under a stream the frames keep their distance
// and fall on the same beats of the clock in every view, so the window repaints them together.
int GrowingView::frameGap() const {
    if (!lastFrame_.isValid()) return 0;
    const qint64 distance = std::max<qint64>(kMinFrameGap, frameCost_ * kCostFactor / 1000000);
    const qint64 gap = std::clamp<qint64>(distance - lastFrame_.elapsed(), 0, kMaxFrameGap);
    if (gap == 0) return 0;
    const qint64 now = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now().time_since_epoch()).count();
    return static_cast<int>((now + gap + kMinFrameGap - 1) / kMinFrameGap * kMinFrameGap - now);
}

void GrowingView::paintNow() {
    if (frame_.isActive()) paint();
}

// A wrapping view cuts its lines into rows that fill the viewport: the layout then
// never has to wrap, and a long line costs what its last row costs.
int GrowingView::fittingRowLength() const {
    if (lineWrapMode() != QPlainTextEdit::WidgetWidth) return 0;
    const qreal available = viewport()->width() - 2 * document()->documentMargin() - 1;
    return std::max(1, static_cast<int>(available / cellWidth(font())));
}

void GrowingView::paint() {
    frame_.stop();
    lastFrame_.start();
    frameCost_ = 0;
    const int rowLength = fittingRowLength();
    rebuild_ = rebuild_ || rowLength != rows_.rowLength();
    const std::string& text = model_.text();
    ViewPieces pieces;
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    if (rebuild_) {
        rows_.restart(rowLength);
        cursor.select(QTextCursor::Document);
        cursor.removeSelectedText();
        cursor.block().setUserState(-1);
        rows_.append(text, pieces);
    } else {
        cursor.movePosition(QTextCursor::End);
        rows_.append(std::string_view(text).substr(painted_), pieces);
    }
    insert(pieces, cursor);
    cursor.endEditBlock();
    painted_ = text.size();
    rebuild_ = false;

    // Text inserted at the caret carries it along; setting it again would only cost a repaint.
    QTextCursor caret = textCursor();
    if (!caret.atEnd() || caret.hasSelection()) {
        caret.movePosition(QTextCursor::End);
        setTextCursor(caret);
    }
    ensureCursorVisible();
    frameCost_ += lastFrame_.nsecsElapsed();
}

void GrowingView::paintEvent(QPaintEvent* event) {
    QElapsedTimer clock;
    clock.start();
    QPlainTextEdit::paintEvent(event);
    frameCost_ += clock.nsecsElapsed();
}

void GrowingView::insert(const ViewPieces& pieces, QTextCursor& cursor) {
    for (const ViewSpan& span : pieces.spans) {
        switch (span.kind) {
            case ViewSpan::Kind::Text:
                cursor.insertText(pieces.text.mid(span.start, span.length), textFormat_);
                break;
            case ViewSpan::Kind::Control:
                cursor.insertText(pieces.text.mid(span.start, span.length), controlFormat_);
                break;
            case ViewSpan::Kind::LineBreak:
                cursor.insertBlock();
                break;
            case ViewSpan::Kind::RowBreak:
                cursor.insertBlock();
                cursor.block().setUserState(kRowContinues);
                break;
        }
    }
}

QString GrowingView::shownText() const {
    QString out;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        if (block != document()->begin() && block.userState() != kRowContinues) out += QChar('\n');
        out += block.text();
    }
    return out;
}

QMimeData* GrowingView::createMimeDataFromSelection() const {
    // Until the next frame a cut model no longer holds the bytes the document shows.
    if (rebuild_) return QPlainTextEdit::createMimeDataFromSelection();
    const QTextCursor selection = textCursor();
    const std::string& text = model_.text();
    const ViewMap map = mapView(text, rows_.rowLength());
    const int from = map.startByte(selection.selectionStart());
    const int to = map.endByte(selection.selectionEnd());
    auto* data = new QMimeData;
    data->setText(fromAirText(std::string_view(text).substr(static_cast<std::size_t>(from),
                                                           static_cast<std::size_t>(std::max(0, to - from)))));
    return data;
}

// Where the user looks: the end, or (scrolled up on purpose) the byte at the top.
// With text waiting for its frame the view is about to follow the end anyway.
GrowingView::Sight GrowingView::sight() const {
    // Following the end means its last line is on screen: a partly shown last row leaves
    // the scroll bar one step short of its maximum.
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    if (frame_.isActive() || viewport()->rect().contains(cursorRect(end).center())) return {};
    const ViewMap map = mapView(model_.text(), rows_.rowLength());
    return {false, map.startByte(firstVisibleBlock().position())};
}

void GrowingView::restore(const Sight& sight) {
    if (sight.atEnd) {
        ensureCursorVisible();
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
        return;
    }
    const ViewMap map = mapView(model_.text(), rows_.rowLength());
    const QTextBlock top = document()->findBlock(map.positionOf(sight.topByte));
    verticalScrollBar()->setValue(top.firstLineNumber());
}

void GrowingView::reflow(const Sight& before) {
    if (fittingRowLength() != rows_.rowLength()) {
        rebuild_ = true;
        paint();
    }
    restore(before);
}

void GrowingView::resizeEvent(QResizeEvent* event) {
    const Sight before = sight();
    QPlainTextEdit::resizeEvent(event);
    reflow(before);
}

void GrowingView::changeEvent(QEvent* event) {
    if (event->type() != QEvent::FontChange && event->type() != QEvent::ApplicationFontChange) {
        QPlainTextEdit::changeEvent(event);
        return;
    }
    // Taken before the new font moves the lines, or the newest ones drop out of sight.
    const Sight before = sight();
    QPlainTextEdit::changeEvent(event);
    useFont();
    reflow(before);
}

void GrowingView::useFont() {
    // Received text is Windows-1252 in a fixed-width font: it needs no shaping, and
    // skipping it makes laying out a line several times cheaper.
    QFont shown = font();
    shown.setStyleStrategy(QFont::StyleStrategy(shown.styleStrategy() | QFont::PreferNoShaping));
    document()->setDefaultFont(shown);
    setTabStopDistance(ViewRows::kTabColumns * cellWidth(shown));
}

}  // namespace quilmo
