#include "programicon.h"

#include <QPainter>
#include <QPixmap>
#include <QtMath>

namespace qmxsrv {

QPixmap programIconPixmap(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1f, 0x4e, 0x8c));
    p.drawRoundedRect(QRectF(1, 1, 62, 62), 10, 10);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(32, 34), 25, 25);

    // Ticks over the upper 240 degrees, the middle one (the master) longer.
    p.setPen(QPen(QColor(0x20, 0x20, 0x20), 2.5, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i <= 8; ++i) {
        const double a = qDegreesToRadians(210.0 - 30.0 * i);
        const double inner = (i == 4) ? 14 : 18;
        p.drawLine(QPointF(32 + inner * qCos(a), 34 - inner * qSin(a)),
                   QPointF(32 + 22 * qCos(a), 34 - 22 * qSin(a)));
    }
    const double needle = qDegreesToRadians(70.0);
    p.setPen(QPen(QColor(0xc8, 0x1e, 0x1e), 3.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(32, 34), QPointF(32 + 20 * qCos(needle), 34 - 20 * qSin(needle)));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x20, 0x20, 0x20));
    p.drawEllipse(QPointF(32, 34), 3.5, 3.5);
    return pixmap;
}

QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64})
        icon.addPixmap(programIconPixmap(size));
    return icon;
}

} // namespace qmxsrv
