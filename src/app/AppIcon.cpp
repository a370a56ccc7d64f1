#include "app/AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

QPixmap drawIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);

    // The envelope.
    painter.setPen(QPen(QColor(0x1f, 0x3f, 0x7a), 1.5));
    painter.setBrush(QColor(0xf4, 0xf6, 0xfb));
    painter.drawRoundedRect(QRectF(2, 7, 24, 17), 2, 2);
    QPainterPath flap;
    flap.moveTo(3, 8);
    flap.lineTo(14, 17);
    flap.lineTo(25, 8);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(flap);

    // The cross that sweeps it away.
    painter.setPen(QPen(QColor(0xd0, 0x21, 0x21), 3.5, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(20, 18), QPointF(29, 27));
    painter.drawLine(QPointF(29, 18), QPointF(20, 27));
    return pixmap;
}

} // namespace

QIcon appIcon()
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64})
        icon.addPixmap(drawIcon(size));
    return icon;
}
