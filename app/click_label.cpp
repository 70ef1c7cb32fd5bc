#include "app/click_label.h"

#include <QMouseEvent>

namespace quilmo {

ClickLabel::ClickLabel(const QString& caption, QWidget* parent) : QLabel(caption, parent) {
    setFrameShape(QFrame::Box);
    setFrameShadow(QFrame::Plain);
    setLineWidth(1);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // A caption that starts with blanks brings its own indent; Qt's automatic one for a
    // framed label would only take room from the text on these small buttons.
    if (caption.startsWith(QChar(' '))) setIndent(0);
    setCursor(Qt::PointingHandCursor);
    applyStyle();
}

void ClickLabel::setColours(const QColor& text, const QColor& background) {
    text_ = text;
    background_ = background;
    applyStyle();
}

void ClickLabel::setBackground(const QColor& background) {
    // A style sheet costs more than decoding a packet, and the decoder sets the same
    // colour on every position: only a change is applied.
    if (background == background_) return;
    background_ = background;
    applyStyle();
}

void ClickLabel::applyStyle() {
    // Dimmed caption: halfway between the caption colour and the background.
    const QColor dim((text_.red() + background_.red()) / 2, (text_.green() + background_.green()) / 2,
                     (text_.blue() + background_.blue()) / 2);
    setStyleSheet(QStringLiteral("QLabel { color: %1; background-color: %2; }"
                                 "QLabel:disabled { color: %3; }")
                      .arg(text_.name(), background_.name(), dim.name()));
}

void ClickLabel::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool wasPressed = pressed_;
    pressed_ = false;
    QLabel::mouseReleaseEvent(event);
    if (!isEnabled() || event->button() != Qt::LeftButton) return;
    if (!wasPressed || !rect().contains(event->position().toPoint())) return;
    emit clicked();
}

}  // namespace quilmo
