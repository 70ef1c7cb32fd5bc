#pragma once
#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QPlainTextEdit>
#include <QString>
#include <vector>

#include "app/port_status.h"

class QLineEdit;
class QWidget;

namespace quilmo {

// The console's look: its fonts, the captions and colours of its labels, and the widgets
// built in its style. The main window places them and gives them their work.

enum class FontKind { Default, Sans975, Sans975Bold, Arial825, Fixed12, Fixed975 };
QFont fontOf(FontKind kind);

struct LabelSpec {
    int number;
    const char* caption;
    QRgb text;
    QRgb background;
    FontKind font;
    bool clickable;
};
// Captions and colours of every label, Label1 to Label40 (Label37, the notice line, is made apart).
const std::vector<LabelSpec>& consoleLabels();

constexpr QRgb kBlack = 0x000000;
constexpr QRgb kCopiedBlue = 0x0000FF;
constexpr QRgb kFreshGreen = 0x004000;
// " messages" while messages wait unread: amber, so it stands out beside the blue buttons.
constexpr QRgb kUnreadAmber = 0xFFB000;

QString colourStyle(const char* type, const QString& name, QRgb text, QRgb background, const QString& extra = {});
// Push buttons are drawn entirely by the style sheet, or the platform bevel hides their colour.
extern const QString kButtonFrame;

// A view of the console: read-only or the Tx buffer, wrapping its lines or not.
void styleView(QPlainTextEdit* view, const char* name, QRgb colour, FontKind font, bool readOnly, bool wrap);
template <typename View = QPlainTextEdit>
View* makeView(QWidget* parent, const char* name, QRgb colour, FontKind font, bool readOnly, bool wrap) {
    auto* view = new View(parent);
    styleView(view, name, colour, font, readOnly, wrap);
    return view;
}
QLineEdit* makeValueField(QWidget* parent, const char* name);
void moveCaretToEnd(QPlainTextEdit* view);

// Shrinks a caption's font until its text fits the element.
void fitCaption(QWidget* widget);

QString statusStyle(StatusTone tone);
// The status line fitted to `width`: the state stays in sight, a long device path gives way.
QString fittedStatusText(const PortStatusLine& line, const QFontMetricsF& metrics, qreal width);
// A notice fitted to `width`: `shortenable` (a path, a setting's value) gives way in its
// middle so what comes before and after it, the reason, stays whole.
QString fittedNoticeText(const QString& before, const QString& shortenable, const QString& after,
                         const QFontMetricsF& metrics, qreal width);
// A tooltip that shows text from a file, a device or the system as written: Qt reads a
// tooltip that looks like markup as markup, so such text is escaped.
QString plainToolTip(const QString& text);

}  // namespace quilmo
