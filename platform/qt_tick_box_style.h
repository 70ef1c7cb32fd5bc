#pragma once
#include <QProxyStyle>

namespace quilmo {

// Check boxes that show a tick in any colours and at any size: a square in the box's
// base colour, framed in its caption colour, with a tick in its text colour when
// checked, as large as a capital of the caption so a scaled-down window keeps its
// proportions. On the black console the platform styles drew a dark box, or a plain
// filled square once the colours came from a style sheet.
class TickBoxStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override;
};

}  // namespace quilmo
