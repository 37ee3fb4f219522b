#include "components/balloon.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QWindowStateChangeEvent>

#include <climits>
#include <cmath>

namespace {

// Accelerator markers as the window toolkit's labels draw them: "&x" underlines
// x, "&&" is one ampersand.
constexpr int kLabelFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic;

QString forDisplay(const QString &text)
{
    QString s = text;
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

// Rows of a rounded rectangle whose corners are quarters of an ew x eh ellipse,
// the way a rounded-rectangle region is built: right and bottom exclusive.
QRegion roundRectRegion(const platform::Rect &r, int ew, int eh)
{
    QRegion region;
    const int h = r.height();
    if (r.isEmpty())
        return region;
    const double rx = ew / 2.0, ry = eh / 2.0;
    auto inset = [&](int row) {
        // Distance of the row's centre from the nearer straight part of the side.
        const double fromTop = row + 0.5, fromBottom = h - row - 0.5;
        const double d = std::min(fromTop, fromBottom);
        if (d >= ry || ry <= 0)
            return 0;
        const double dy = (ry - d) / ry;
        return int(std::lround(rx - rx * std::sqrt(std::max(0.0, 1.0 - dy * dy))));
    };
    int row = 0;
    while (row < h) {
        const int in = inset(row);
        int end = row + 1;
        while (end < h && inset(end) == in)
            ++end;
        const int left = r.left + in, right = r.right - in;
        if (right > left)
            region += QRect(left, r.top + row, right - left, end - row);
        row = end;
    }
    return region;
}

} // namespace

const char *balloonIconName(TBalloonType type)
{
    switch (type) {
    case blnError: return "ERROR";
    case blnWarning: return "WARNING";
    case blnBiblia: return "BIBLIA";
    case blnInfo:
    default: return "INFO";
    }
}

QString balloonText(const QStringList &lines)
{
    QString s;
    for (const QString &line : lines)
        s += line + QLatin1String("\r\n");
    int b = 0, e = int(s.size());
    while (b < e && s.at(b).unicode() <= ' ')
        ++b;
    while (e > b && s.at(e - 1).unicode() <= ' ')
        --e;
    return s.mid(b, e - b);
}

QRegion balloonRegion(const BalloonPlacement &p)
{
    QRegion body = roundRectRegion(p.body, kBalloonCornerEllipse, kBalloonCornerEllipse);
    QPolygon triangle;
    for (const auto &pt : p.arrow)
        triangle << QPoint(pt.x, pt.y);
    return body.united(QRegion(triangle, Qt::WindingFill));
}

// ---------------------------------------------------------------------------

TBalloonLabel::TBalloonLabel(QWidget *parent) : QWidget(parent)
{
    // Clicks on a label close the balloon like clicks on the window.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setText(QString());
}

void TBalloonLabel::setText(const QString &text)
{
    FText = text;
    // An empty label still takes one line, as if it held a blank.
    const QString measured = FText.isEmpty() ? QStringLiteral(" ") : forDisplay(FText);
    setFixedSize(fontMetrics().size(kLabelFlags, measured));
    update();
}

void TBalloonLabel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(rect(), kLabelFlags, forDisplay(FText));
}

// ---------------------------------------------------------------------------

TBalloon::TBalloon()
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::ToolTipBase));
    pal.setColor(QPalette::WindowText, pal.color(QPalette::ToolTipText));
    setPalette(pal);
    setAutoFillBackground(true);

    FIcon = new QLabel(this);
    FIcon->setAttribute(Qt::WA_TransparentForMouseEvents);
    FIcon->move(10, 10);
    FIcon->setFixedSize(16, 16);

    FTitle = new TBalloonLabel(this);
    QFont bold = font();
    bold.setBold(true);
    FTitle->setFont(bold);
    FTitle->move(34, 12);

    FText = new TBalloonLabel(this);
    FText->move(10, FTitle->y() + FTitle->height() + 8);

    FCloseTimer = new QTimer(this);
    FCloseTimer->setSingleShot(true);
    connect(FCloseTimer, &QTimer::timeout, this, &QWidget::close);
}

void TBalloon::ShowAt(int x, int y, TBalloonPosition position, int duration, TBalloonType type,
                      const QString &text, const QString &title)
{
    FTitle->setText(title);
    FText->setText(text);
    const BalloonLayout l = layoutBalloon(position, {FTitle->width(), FTitle->height()},
                                          {FText->width(), FText->height()});
    FTitle->move(l.title.x, l.title.y);
    FText->move(l.text.x, l.text.y);
    FIcon->move(l.icon.x, l.icon.y);
    FIcon->setPixmap(balloonIcon(balloonIconName(type)));
    setFixedSize(l.width, l.height);

    FPlacement = placeBalloon(position, x, y, l.width, l.height);
    move(FPlacement.origin.x, FPlacement.origin.y);
    setMask(balloonRegion(FPlacement));
    show();

    // A zero interval would fire at once; 0 means "until clicked".
    if (duration > 0) {
        FCloseTimer->setInterval(duration >= INT_MAX / 1000 ? INT_MAX : duration * 1000);
        FCloseTimer->start();
    }
}

bool TBalloon::event(QEvent *e)
{
    switch (e->type()) {
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
    case QEvent::Show:
        KeepOnTop();
        break;
    default:
        break;
    }
    return QWidget::event(e);
}

void TBalloon::changeEvent(QEvent *e)
{
    // "Minimise all" must not hide a balloon for good.
    if (e->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized))
        setWindowState(windowState() & ~Qt::WindowMinimized);
    QWidget::changeEvent(e);
}

void TBalloon::KeepOnTop()
{
    // The offscreen platform has no stacking order and complains when asked.
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        raise();
}

void TBalloon::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    PaintFrame(p);
}

void TBalloon::PaintFrame(QPainter &p)
{
    // The outline is the part of the shape that loses its pixels when the
    // shape shrinks by one pixel on every side.
    const QRegion shape = mask().isEmpty() ? QRegion(rect()) : mask();
    const QRegion inner = shape & shape.translated(1, 0) & shape.translated(-1, 0) &
                          shape.translated(0, 1) & shape.translated(0, -1);
    for (const QRect &r : shape - inner)
        p.fillRect(r, Qt::black);
}

void TBalloon::mousePressEvent(QMouseEvent *e)
{
    e->accept();
    close(); // deleted once the click has been handled
}

// ---------------------------------------------------------------------------

TBalloon *TBalloonControl::ShowBalloon()
{
    auto *b = new TBalloon();
    b->ShowAt(PixelCoordinateX, PixelCoordinateY, Position, Duration, BalloonType, balloonText(Text), Title);
    return b;
}
