#pragma once
#include <QProxyStyle>

namespace quilmo {

// Check boxes on the black console: a light square, empty when unchecked and with a
// light tick when checked, sized to the caption's font. The platform styles draw a
// dark box there, or a plain filled square once the colours are set by style sheet.
class TickBoxStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override;
};

}  // namespace quilmo
