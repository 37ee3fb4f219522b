#include "app/pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <functional>

namespace {

using Draw = std::function<void(QPainter &)>;

// Every image is drawn on a 16 x 16 grid and rendered at several sizes.
QPixmap render(int size, const Draw &draw)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    draw(p);
    return pm;
}

QIcon icon(const Draw &draw)
{
    QIcon i;
    for (int size : {16, 24, 32, 48})
        i.addPixmap(render(size, draw));
    return i;
}

const QColor kOutline(0x3c, 0x3c, 0x3c);

void page(QPainter &p, const QRectF &r)
{
    QPainterPath path;
    path.moveTo(r.topLeft());
    path.lineTo(r.right() - 3, r.top());
    path.lineTo(r.right(), r.top() + 3);
    path.lineTo(r.bottomRight());
    path.lineTo(r.bottomLeft());
    path.closeSubpath();
    p.setPen(QPen(kOutline, 0.8));
    p.setBrush(Qt::white);
    p.drawPath(path);
    p.setPen(QPen(QColor(0x9a, 0xa4, 0xb0), 0.8));
    for (double y = r.top() + 4; y < r.bottom() - 1.5; y += 2)
        p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
}

void magnifier(QPainter &p, QPointF centre, double radius)
{
    p.setPen(QPen(QColor(0x5a, 0x3a, 0x1a), 2.2, Qt::SolidLine, Qt::RoundCap));
    const QPointF handle = centre + QPointF(radius * 0.72, radius * 0.72);
    p.drawLine(handle, handle + QPointF(radius * 0.9, radius * 0.9));
    QRadialGradient glass(centre - QPointF(radius / 3, radius / 3), radius * 1.4);
    glass.setColorAt(0, QColor(0xf0, 0xf8, 0xff));
    glass.setColorAt(1, QColor(0x9c, 0xc8, 0xee));
    p.setPen(QPen(QColor(0x2f, 0x4f, 0x6f), 1.2));
    p.setBrush(glass);
    p.drawEllipse(centre, radius, radius);
}

void drawOpen(QPainter &p)
{
    p.setPen(QPen(QColor(0x8a, 0x62, 0x10), 0.8));
    p.setBrush(QColor(0xe0, 0xb0, 0x40));
    QPainterPath back;
    back.moveTo(1, 3);
    back.lineTo(6, 3);
    back.lineTo(7.5, 4.5);
    back.lineTo(13, 4.5);
    back.lineTo(13, 13.5);
    back.lineTo(1, 13.5);
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(QColor(0xf7, 0xd2, 0x6a));
    QPainterPath front;
    front.moveTo(3.5, 7);
    front.lineTo(15.5, 7);
    front.lineTo(13, 13.5);
    front.lineTo(1, 13.5);
    front.closeSubpath();
    p.drawPath(front);
}

void drawPreview(QPainter &p)
{
    page(p, QRectF(1.5, 0.5, 10, 13));
    magnifier(p, QPointF(10, 9.5), 3.2);
}

void drawPrint(QPainter &p)
{
    page(p, QRectF(4, 0.5, 8, 6));
    p.setPen(QPen(kOutline, 0.8));
    QLinearGradient body(0, 6, 0, 13);
    body.setColorAt(0, QColor(0xd8, 0xd8, 0xd8));
    body.setColorAt(1, QColor(0x8c, 0x8c, 0x8c));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(0.5, 6, 15, 6.5), 1.2, 1.2);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3.5, 10.5, 9, 5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x30, 0xb0, 0x30));
    p.drawEllipse(QRectF(12.5, 7.5, 1.6, 1.6));
}

void drawFind(QPainter &p)
{
    magnifier(p, QPointF(6.5, 6.5), 4.8);
}

void drawCopy(QPainter &p)
{
    page(p, QRectF(0.5, 0.5, 9, 11));
    page(p, QRectF(6, 4.5, 9, 11));
}

void drawHelp(QPainter &p)
{
    QRadialGradient ball(QPointF(6, 5), 10);
    ball.setColorAt(0, QColor(0x6a, 0xa8, 0xf0));
    ball.setColorAt(1, QColor(0x1c, 0x4e, 0xa0));
    p.setPen(QPen(QColor(0x12, 0x34, 0x70), 0.8));
    p.setBrush(ball);
    p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setBold(true);
    f.setPixelSize(12);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 0.5, 16, 15), Qt::AlignCenter, QStringLiteral("?"));
}

// A closed book seen from the front, with a golden cross.
void drawBook(QPainter &p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xf4, 0xef, 0xdc));
    p.drawRect(QRectF(3.5, 1.5, 11, 14));
    p.setPen(QPen(QColor(0x3a, 0x16, 0x08), 0.8));
    QLinearGradient cover(0, 0, 16, 0);
    cover.setColorAt(0, QColor(0x5c, 0x1c, 0x0a));
    cover.setColorAt(1, QColor(0x8e, 0x32, 0x14));
    p.setBrush(cover);
    p.drawRoundedRect(QRectF(1, 0.5, 12, 14.5), 1.2, 1.2);
    p.setPen(QPen(QColor(0xea, 0xc2, 0x4c), 1.5, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(7, 3), QPointF(7, 12.5));
    p.drawLine(QPointF(4.2, 6), QPointF(9.8, 6));
}

} // namespace

QIcon toolImage(int index)
{
    switch (index) {
    case imgOpen: return icon(drawOpen);
    case imgPreview: return icon(drawPreview);
    case imgPrint: return icon(drawPrint);
    case imgFind: return icon(drawFind);
    case imgCopy: return icon(drawCopy);
    case imgHelp: return icon(drawHelp);
    default: return QIcon();
    }
}

QIcon applicationIcon()
{
    return icon(drawBook);
}

namespace {

// The night sky and the light falling on the book.
void paintSplashSky(QPainter &p, int w, int h)
{
    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0, QColor(0x14, 0x24, 0x4a));
    sky.setColorAt(1, QColor(0x3a, 0x16, 0x2a));
    p.fillRect(0, 0, w, h, sky);

    // Light falling on the open book.
    QRadialGradient glow(QPointF(w / 2.0, 150), 220);
    glow.setColorAt(0, QColor(255, 226, 150, 120));
    glow.setColorAt(1, QColor(255, 226, 150, 0));
    p.fillRect(0, 0, w, h, glow);
}

// An open book: two curved pages over a dark cover, and a ribbon.
void paintOpenBook(QPainter &p, QPointF spine)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x4a, 0x14, 0x08));
    QPainterPath cover;
    cover.moveTo(spine + QPointF(0, 18));
    cover.cubicTo(spine + QPointF(-60, -2), spine + QPointF(-120, 0), spine + QPointF(-165, 14));
    cover.lineTo(spine + QPointF(-165, -88));
    cover.lineTo(spine + QPointF(165, -88));
    cover.lineTo(spine + QPointF(165, 14));
    cover.cubicTo(spine + QPointF(120, 0), spine + QPointF(60, -2), spine + QPointF(0, 18));
    p.drawPath(cover);
    for (int side : {-1, 1}) {
        QPainterPath leaf;
        leaf.moveTo(spine + QPointF(0, 8));
        leaf.cubicTo(spine + QPointF(side * 50, -10), spine + QPointF(side * 110, -6), spine + QPointF(side * 155, 4));
        leaf.lineTo(spine + QPointF(side * 155, -96));
        leaf.cubicTo(spine + QPointF(side * 110, -106), spine + QPointF(side * 50, -110), spine + QPointF(0, -92));
        leaf.closeSubpath();
        QLinearGradient paper(spine.x(), 0, spine.x() + side * 155, 0);
        paper.setColorAt(0, QColor(0xd8, 0xcc, 0xa8));
        paper.setColorAt(0.15, QColor(0xfb, 0xf6, 0xe6));
        paper.setColorAt(1, QColor(0xf0, 0xe6, 0xc8));
        p.setBrush(paper);
        p.setPen(QPen(QColor(0xa8, 0x96, 0x6c), 1));
        p.drawPath(leaf);
        // Lines of text on the page.
        p.setPen(QPen(QColor(0x8a, 0x7c, 0x60), 1.3));
        for (int i = 0; i < 8; ++i) {
            const double y = spine.y() - 82 + i * 10.5;
            const double bend = 4.0 * (1.0 - i / 8.0);
            p.drawLine(QPointF(spine.x() + side * 18, y + bend), QPointF(spine.x() + side * (i == 7 ? 90 : 140), y + 2));
        }
    }
    p.setPen(QPen(QColor(0xc0, 0x1e, 0x1e), 2.5)); // ribbon
    p.drawLine(spine + QPointF(2, 10), spine + QPointF(8, 30));
}

// The name, what it is, its version and its maker.
void paintSplashTitles(QPainter &p, int w)
{
    QFont title(QStringLiteral("DejaVu Serif"));
    title.setPixelSize(54);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(0xf5, 0xd7, 0x7a));
    p.drawText(QRect(0, 230, w, 66), Qt::AlignCenter, QStringLiteral("Quenlor"));

    QFont sub(QStringLiteral("DejaVu Sans"));
    sub.setPixelSize(15);
    p.setFont(sub);
    p.setPen(QColor(0xee, 0xe8, 0xd8));
    p.drawText(QRect(0, 294, w, 22), Qt::AlignCenter, QStringLiteral("Lector de estudios bíblicos"));
    sub.setPixelSize(12);
    p.setFont(sub);
    p.setPen(QColor(0xc8, 0xc0, 0xb0));
    p.drawText(QRect(0, 322, w - 16, 20), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Versión 1.0"));
    p.drawText(QRect(16, 322, w, 20), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Tavrin"));
}

} // namespace

QPixmap splashPicture()
{
    const int w = 482, h = 362;
    QPixmap pm(w, h);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    paintSplashSky(p, w, h);
    paintOpenBook(p, QPointF(w / 2.0, 200));
    paintSplashTitles(p, w);
    p.setPen(QPen(QColor(0xf5, 0xd7, 0x7a, 160), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, w - 1, h - 1));
    return pm;
}
