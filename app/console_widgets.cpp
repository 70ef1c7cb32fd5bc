#include "app/console_widgets.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

#include "platform/qt_text.h"

namespace quilmo {

namespace {
// Below this a caption is no longer read, clipped or not.
constexpr qreal kSmallestCaptionPoints = 4;
}  // namespace

QFont fontOf(FontKind kind) {
    QFont font = QApplication::font();
    switch (kind) {
        case FontKind::Default:
            font.setPointSizeF(8.25);
            break;
        case FontKind::Sans975:
            font.setPointSizeF(9.75);
            break;
        case FontKind::Sans975Bold:
            font.setPointSizeF(9.75);
            font.setBold(true);
            break;
        case FontKind::Arial825:
            font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), font.family()});
            font.setPointSizeF(8.25);
            break;
        case FontKind::Fixed12:
            font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
            font.setPointSizeF(12);
            break;
        case FontKind::Fixed975:
            font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
            font.setPointSizeF(9.75);
            break;
    }
    return font;
}

const std::vector<LabelSpec>& consoleLabels() {
    // The click handlers are wired by the main window.
    static const std::vector<LabelSpec> labels = {
        {1, "Rx", 0xFFFFFF, kBlack, FontKind::Sans975, false},
        {2, "Tx", 0x00FF00, kBlack, FontKind::Sans975, false},
        {3, "Tx buffer - CR to Tx/Send", 0x00FFFF, kBlack, FontKind::Sans975, false},
        {4, "Quilmo - Serial Terminal", 0x808080, kBlack, FontKind::Sans975Bold, false},
        {5, "", 0x808080, kBlack, FontKind::Sans975Bold, false},
        {6, "", 0x808080, kBlack, FontKind::Default, false},
        {7, " ^C  ", 0xFFFFFF, kBlack, FontKind::Default, true},
        {8, " ^D", 0xFFFFFF, kBlack, FontKind::Default, true},
        {9, "^#V1", 0xFFFFFF, kBlack, FontKind::Default, false},
        {10, "^#V2", 0xFFFFFF, kBlack, FontKind::Default, false},
        {11, "^#V3", 0xFFFFFF, kBlack, FontKind::Default, false},
        {12, "macro F1", 0xFF8000, kBlack, FontKind::Default, true},
        {13, "macro F2", 0xFF8000, kBlack, FontKind::Default, true},
        {14, "macro F3", 0xFF8000, kBlack, FontKind::Default, true},
        {15, "macro F4", 0xFF8000, kBlack, FontKind::Default, true},
        {16, "macro F5", 0xFF8000, kBlack, FontKind::Default, true},
        {17, "macro F6", 0xFF8000, kBlack, FontKind::Default, true},
        {18, "macro F7", 0xFF8000, kBlack, FontKind::Default, true},
        {19, "macro F8", 0xFF8000, kBlack, FontKind::Default, true},
        {20, "   ^#H", 0x00FF00, kBlack, FontKind::Default, true},
        {21, "   ^#D", 0x00FF00, kBlack, FontKind::Default, true},
        {22, " - ", 0x00FF00, kBlack, FontKind::Sans975Bold, true},
        {23, " +", 0xFF0000, kBlack, FontKind::Default, true},
        {24, "rx font size", 0xFFFFFF, kBlack, FontKind::Default, false},
        {25, "APRS", 0xFFFF00, kBlack, FontKind::Default, false},
        {26, "", 0xFFFF00, kBlack, FontKind::Default, false},
        {27, "TX without CR/LF [F12]", 0xC00000, kBlack, FontKind::Default, true},
        {28, "  Xoff^S", 0xC00000, kBlack, FontKind::Arial825, true},
        {29, "  Xon^Q", 0x00C000, kBlack, FontKind::Arial825, true},
        {30, "         S T O P P E D", 0xFFFFFF, 0xFF0000, FontKind::Default, false},
        {31, " APRS stop", 0x800000, kBlack, FontKind::Default, true},
        {32, " APRS start", 0x008000, kBlack, FontKind::Default, true},
        {33, "  APRS OFF", 0xFFFFFF, 0x800000, FontKind::Default, false},
        {34, " APRS filter", 0x804000, kBlack, FontKind::Default, true},
        {35, "coord.>clipb.", 0xFFFFFF, kCopiedBlue, FontKind::Default, true},
        {36, " stations", 0xFFFFFF, 0x004080, FontKind::Default, true},
        {38, " map", 0xFFFFFF, 0x004080, FontKind::Default, true},
        {39, " messages", 0xFFFFFF, 0x004080, FontKind::Default, true},
        {40, " settings", 0xFFFFFF, 0x004080, FontKind::Default, true},
    };
    return labels;
}

QString colourStyle(const char* type, const QString& name, QRgb text, QRgb background, const QString& extra) {
    return QStringLiteral("%1#%2 { color: %3; background-color: %4; %5}")
        .arg(QLatin1String(type), name, QColor(text).name(), QColor(background).name(), extra);
}

const QString kButtonFrame = QStringLiteral("border: 1px solid #404040; ");

void styleView(QPlainTextEdit* view, const char* name, QRgb colour, FontKind font, bool readOnly, bool wrap) {
    view->setObjectName(QLatin1String(name));
    view->setReadOnly(readOnly);
    view->setFont(fontOf(font));
    view->setStyleSheet(colourStyle("QPlainTextEdit", view->objectName(), colour, kBlack));
    view->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    view->setHorizontalScrollBarPolicy(wrap ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAlwaysOn);
    // The Tx buffer is edited by hand; undo would only cost memory in the growing views.
    view->setUndoRedoEnabled(!readOnly);
    // Tab walks the console's elements; a tab character never belongs in what is sent.
    view->setTabChangesFocus(true);
}

QLineEdit* makeValueField(QWidget* parent, const char* name) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QLatin1String(name));
    field->setFont(fontOf(FontKind::Default));
    // Without a frame of its own an empty field would vanish into the black window.
    field->setStyleSheet(
        colourStyle("QLineEdit", field->objectName(), 0xFFFF00, kBlack, QStringLiteral("border: 1px solid #606060; ")));
    return field;
}

void moveCaretToEnd(QPlainTextEdit* view) {
    QTextCursor cursor = view->textCursor();
    // Every decoded record comes here; a caret set again where it is would repaint the edit each time.
    if (!cursor.atEnd() || cursor.hasSelection()) {
        cursor.movePosition(QTextCursor::End);
        view->setTextCursor(cursor);
    }
    view->ensureCursorVisible();
}

// The console was drawn for a narrow bitmap sans; the wider system sans would clip the
// captions of the fixed-size labels, so a caption that does not fit gets a smaller size.
// The widget's own size hint counts everything it draws around the text: the frame, and
// the half "x" of indent that a framed label adds before its caption.
void fitCaption(QWidget* widget) {
    const auto* label = qobject_cast<QLabel*>(widget);
    if (label != nullptr && label->text().isEmpty()) return;
    // A check box's hint adds room for a focus frame above and below; only a line of
    // its text has to fit its height.
    const bool checkBox = qobject_cast<QCheckBox*>(widget) != nullptr;
    const auto fits = [widget, checkBox] {
        const QSize need = widget->sizeHint();
        const int height = checkBox ? widget->fontMetrics().height() : need.height();
        return need.width() <= widget->width() && height <= widget->height();
    };
    QFont font = widget->font();
    while (!fits() && font.pointSizeF() > kSmallestCaptionPoints) {
        font.setPointSizeF(font.pointSizeF() - 0.25);
        widget->setFont(font);
    }
}

QString statusStyle(StatusTone tone) {
    switch (tone) {
        case StatusTone::Quiet: return QStringLiteral("QLabel { color: #808080; background-color: #000000; }");
        case StatusTone::Waiting: return QStringLiteral("QLabel { color: #FFFF00; background-color: #000000; }");
        case StatusTone::Alarm: break;
    }
    return QStringLiteral("QLabel { color: #FFFFFF; background-color: #C00000; }");
}

// The state is what the line is for, the settings come next; a long device path gives
// way in its middle, where it says least.
QString fittedStatusText(const PortStatusLine& line, const QFontMetricsF& metrics, qreal width) {
    const QString device = fromCp1252(line.device), details = fromCp1252(line.details), state = fromCp1252(line.state);
    if (metrics.horizontalAdvance(device + details + state) <= width) return device + details + state;
    const qreal room = width - metrics.horizontalAdvance(details + state);
    if (room >= metrics.horizontalAdvance(QStringLiteral("/dev\u2026"))) {
        return metrics.elidedText(device, Qt::ElideMiddle, room) + details + state;
    }
    const qreal left = std::max<qreal>(0, width - metrics.horizontalAdvance(state));
    return metrics.elidedText(device + details, Qt::ElideRight, left) + state;
}

QString fittedNoticeText(const QString& before, const QString& shortenable, const QString& after,
                         const QFontMetricsF& metrics, qreal width) {
    const QString whole = before + shortenable + after;
    if (metrics.horizontalAdvance(whole) <= width) return whole;
    const QString ellipsis(QChar(0x2026));
    const qreal room = width - metrics.horizontalAdvance(before + after);
    if (!shortenable.isEmpty() && room >= metrics.horizontalAdvance(ellipsis))
        return before + metrics.elidedText(shortenable, Qt::ElideMiddle, room) + after;
    // Not even the reason fits: its start stays, the tool tip has the whole.
    return metrics.elidedText(shortenable.isEmpty() ? whole : before + ellipsis + after, Qt::ElideRight, width);
}


QString plainToolTip(const QString& text) {
    return Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal) : text;
}

}  // namespace quilmo
