// The four balloon icons, drawn here so the program carries no image files.
#include "components/balloon.h"

#include <QPainter>
#include <QPainterPath>
#include <cstring>

namespace {

QPixmap blank()
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    return pm;
}

QPixmap infoIcon()
{
    QPixmap pm = blank();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x1f, 0x4e, 0x9a), 1));
    p.setBrush(QColor(0x35, 0x7a, 0xd8));
    p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(7, 3, 2.2, 2.2));
    p.drawRect(QRectF(7, 6.5, 2.2, 6.5));
    return pm;
}

QPixmap errorIcon()
{
    QPixmap pm = blank();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x8b, 0x10, 0x10), 1));
    p.setBrush(QColor(0xd8, 0x2a, 0x2a));
    p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
    p.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5, 5), QPointF(11, 11));
    p.drawLine(QPointF(11, 5), QPointF(5, 11));
    return pm;
}

QPixmap warningIcon()
{
    QPixmap pm = blank();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath tri;
    tri.moveTo(8, 0.8);
    tri.lineTo(15.4, 14.6);
    tri.lineTo(0.6, 14.6);
    tri.closeSubpath();
    p.setPen(QPen(QColor(0x8a, 0x6a, 0x00), 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(0xf5, 0xc2, 0x11));
    p.drawPath(tri);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawRect(QRectF(7.1, 5, 1.8, 5.2));
    p.drawEllipse(QRectF(7.05, 11.2, 1.9, 1.9));
    return pm;
}

// A closed book with a cross on its cover.
QPixmap bibliaIcon()
{
    QPixmap pm = blank();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xf2, 0xee, 0xe0)); // page edges
    p.drawRect(QRectF(3.5, 2, 11, 13));
    p.setPen(QPen(QColor(0x3a, 0x1c, 0x0c), 1));
    p.setBrush(QColor(0x7a, 0x2e, 0x12)); // cover
    p.drawRoundedRect(QRectF(1.5, 0.5, 11.5, 14), 1.2, 1.2);
    p.setPen(QPen(QColor(0xe8, 0xc1, 0x4a), 1.6, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(7.25, 3), QPointF(7.25, 12));
    p.drawLine(QPointF(4.5, 6), QPointF(10, 6));
    return pm;
}

} // namespace

QPixmap balloonIcon(const char *name)
{
    if (name && std::strcmp(name, "ERROR") == 0)
        return errorIcon();
    if (name && std::strcmp(name, "WARNING") == 0)
        return warningIcon();
    if (name && std::strcmp(name, "BIBLIA") == 0)
        return bibliaIcon();
    return infoIcon();
}
