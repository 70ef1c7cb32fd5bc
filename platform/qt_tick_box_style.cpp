#include "platform/qt_tick_box_style.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyleOption>
#include <QWidget>
#include <algorithm>

namespace quilmo {

int TickBoxStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
    if ((metric == PM_IndicatorWidth || metric == PM_IndicatorHeight) && widget != nullptr) {
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
    painter->setPen(QPen(option->palette.color(QPalette::WindowText), 1));
    painter->setBrush(option->palette.color(QPalette::Base));
    painter->drawRect(box);
    if (option->state & State_On) {
        const qreal side = box.width();
        QPainterPath tick;
        tick.moveTo(box.left() + side * 0.2, box.top() + side * 0.5);
        tick.lineTo(box.left() + side * 0.42, box.top() + side * 0.75);
        tick.lineTo(box.left() + side * 0.82, box.top() + side * 0.22);
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setBrush(Qt::NoBrush);
        painter->setPen(QPen(option->palette.color(QPalette::Text), std::max<qreal>(1.5, side / 6), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter->drawPath(tick);
    }
    painter->restore();
}

}  // namespace quilmo
