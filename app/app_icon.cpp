#include "app/app_icon.h"

#include <QPainter>
#include <QPainterPath>

namespace quilmo {

QPixmap quilmoIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x10, 0x30, 0x60));
    p.drawRoundedRect(QRectF(0, 0, s, s), s * 0.18, s * 0.18);

    // Mast: a narrow triangle standing on the bottom edge.
    QPainterPath mast;
    mast.moveTo(s * 0.5, s * 0.28);
    mast.lineTo(s * 0.62, s * 0.92);
    mast.lineTo(s * 0.38, s * 0.92);
    mast.closeSubpath();
    p.setBrush(QColor(0xC0, 0xC0, 0xC0));
    p.drawPath(mast);

    // Waves left and right of the mast top.
    QPen wave(QColor(0xFF, 0xC0, 0x00));
    wave.setWidthF(qMax<qreal>(1.0, s / 16));
    wave.setCapStyle(Qt::RoundCap);
    p.setPen(wave);
    p.setBrush(Qt::NoBrush);
    for (int i = 1; i <= 2; ++i) {
        const qreal r = s * 0.14 * i;
        const QRectF arc(s * 0.5 - r, s * 0.28 - r, 2 * r, 2 * r);
        p.drawArc(arc, -45 * 16, 90 * 16);
        p.drawArc(arc, 135 * 16, 90 * 16);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xFF, 0x40, 0x40));
    p.drawEllipse(QPointF(s * 0.5, s * 0.28), s * 0.06, s * 0.06);
    return pixmap;
}

}  // namespace quilmo
