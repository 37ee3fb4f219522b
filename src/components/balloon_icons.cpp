// The four balloon icons, drawn here so the program carries no image files.
#include "components/balloon.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cstring>

namespace {

// A transparent 16-pixel icon, painted by `draw` with antialiasing.
// Drawn at the screen's device pixel ratio so it stays crisp on dense screens.
template <class Draw>
QPixmap drawnIcon(qreal dpr, Draw draw)
{
    dpr = std::clamp(dpr, 1.0, 8.0);
    QPixmap pm(QSize(16, 16) * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    return pm;
}

// The round badge under the information and error signs.
void badge(QPainter &p, const QColor &outline, const QColor &fill)
{
    p.setPen(QPen(outline, 1));
    p.setBrush(fill);
    p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
}

QPixmap infoIcon(qreal dpr)
{
    return drawnIcon(dpr, [](QPainter &p) {
        badge(p, QColor(0x1f, 0x4e, 0x9a), QColor(0x35, 0x7a, 0xd8));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(7, 3, 2.2, 2.2));
        p.drawRect(QRectF(7, 6.5, 2.2, 6.5));
    });
}

QPixmap errorIcon(qreal dpr)
{
    return drawnIcon(dpr, [](QPainter &p) {
        badge(p, QColor(0x8b, 0x10, 0x10), QColor(0xd8, 0x2a, 0x2a));
        p.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(5, 5), QPointF(11, 11));
        p.drawLine(QPointF(11, 5), QPointF(5, 11));
    });
}

QPixmap warningIcon(qreal dpr)
{
    return drawnIcon(dpr, [](QPainter &p) {
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
    });
}

// A closed book with a cross on its cover.
QPixmap bibliaIcon(qreal dpr)
{
    return drawnIcon(dpr, [](QPainter &p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xf2, 0xee, 0xe0)); // page edges
        p.drawRect(QRectF(3.5, 2, 11, 13));
        p.setPen(QPen(QColor(0x3a, 0x1c, 0x0c), 1));
        p.setBrush(QColor(0x7a, 0x2e, 0x12)); // cover
        p.drawRoundedRect(QRectF(1.5, 0.5, 11.5, 14), 1.2, 1.2);
        p.setPen(QPen(QColor(0xe8, 0xc1, 0x4a), 1.6, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(7.25, 3), QPointF(7.25, 12));
        p.drawLine(QPointF(4.5, 6), QPointF(10, 6));
    });
}

} // namespace

QPixmap balloonIcon(const char *name, qreal devicePixelRatio)
{
    if (name && std::strcmp(name, "ERROR") == 0)
        return errorIcon(devicePixelRatio);
    if (name && std::strcmp(name, "WARNING") == 0)
        return warningIcon(devicePixelRatio);
    if (name && std::strcmp(name, "BIBLIA") == 0)
        return bibliaIcon(devicePixelRatio);
    return infoIcon(devicePixelRatio);
}
