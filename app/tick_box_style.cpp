#include "app/tick_box_style.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyleOption>
#include <QWidget>
#include <algorithm>

namespace quilmo {

namespace {
const QColor kFrame(0xC0, 0xC0, 0xC0);
const QColor kTick(0xFF, 0xFF, 0xFF);
}  // namespace

int TickBoxStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
    if ((metric == PM_IndicatorWidth || metric == PM_IndicatorHeight) && widget != nullptr) {
        // As tall as a capital of the caption, so a scaled-down window keeps its proportions.
        return std::max(7, widget->fontMetrics().capHeight() + 3);
    }
    return QProxyStyle::pixelMetric(metric, option, widget);
}

void TickBoxStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                 const QWidget* widget) const {
    if (element != PE_IndicatorCheckBox) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    painter->save();
    const QRectF box = QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5);
    painter->setPen(QPen(kFrame, 1));
    painter->setBrush(Qt::black);
    painter->drawRect(box);
    if (option->state & State_On) {
        const qreal side = box.width();
        QPainterPath tick;
        tick.moveTo(box.left() + side * 0.2, box.top() + side * 0.5);
        tick.lineTo(box.left() + side * 0.42, box.top() + side * 0.75);
        tick.lineTo(box.left() + side * 0.82, box.top() + side * 0.22);
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setBrush(Qt::NoBrush);
        painter->setPen(QPen(kTick, std::max<qreal>(1.5, side / 6), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter->drawPath(tick);
    }
    painter->restore();
}

}  // namespace quilmo
