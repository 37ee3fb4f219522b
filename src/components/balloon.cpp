#include "components/balloon.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QWindowStateChangeEvent>

#include <algorithm>
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

// The text as a label draws it, line by line: "&x" shows x, "&&" shows "&".
QStringList drawnLines(const QString &text)
{
    const QString all = forDisplay(text);
    QString shown;
    shown.reserve(all.size());
    for (qsizetype i = 0; i < all.size(); ++i) {
        if (all[i] == QLatin1Char('&') && i + 1 < all.size())
            ++i;
        shown += all[i];
    }
    return shown.split(QLatin1Char('\n'));
}

QString withoutTrailingBlanks(QString s)
{
    qsizetype e = s.size();
    while (e > 0 && s.at(e - 1).isSpace())
        --e;
    s.truncate(e);
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
    FLines = drawnLines(text);
    FAnchor = FEnd = {};
    // An empty label still takes one line, as if it held a blank.
    const QString measured = FText.isEmpty() ? QStringLiteral(" ") : forDisplay(FText);
    setFixedSize(fontMetrics().size(kLabelFlags, measured));
    update();
}

int TBalloonLabel::lineHeight() const
{
    return std::max(1, fontMetrics().lineSpacing());
}

int TBalloonLabel::xOf(int line, int column) const
{
    if (line < 0 || line >= FLines.size())
        return 0;
    return fontMetrics().horizontalAdvance(FLines[line].left(column));
}

TBalloonTextPos TBalloonLabel::positionAt(QPoint p) const
{
    if (FLines.isEmpty())
        return {};
    const int line = std::clamp(p.y() / lineHeight(), 0, int(FLines.size()) - 1);
    const QString &s = FLines[line];
    // The boundary nearest to x; a tie goes to the left one.
    int best = 0, bestDist = INT_MAX;
    for (int c = 0; c <= s.size(); ++c) {
        const int d = std::abs(xOf(line, c) - p.x());
        if (d < bestDist) {
            bestDist = d;
            best = c;
        }
        if (xOf(line, c) > p.x())
            break;
    }
    return {line, best};
}

void TBalloonLabel::setSelection(TBalloonTextPos anchor, TBalloonTextPos end)
{
    if (anchor == FAnchor && end == FEnd)
        return;
    FAnchor = anchor;
    FEnd = end;
    update();
}

QString TBalloonLabel::selectedText() const
{
    if (!hasSelection())
        return {};
    const TBalloonTextPos a = std::min(FAnchor, FEnd), b = std::max(FAnchor, FEnd);
    QStringList out;
    for (int line = a.line; line <= b.line && line < FLines.size(); ++line) {
        const QString &s = FLines[line];
        const int from = line == a.line ? a.column : 0;
        const int to = line == b.line ? b.column : int(s.size());
        out << s.mid(from, std::max(0, to - from));
    }
    return out.join(QLatin1Char('\n'));
}

void TBalloonLabel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(rect(), kLabelFlags, forDisplay(FText));
    if (!hasSelection())
        return;
    // The selected characters again, in the selection's colours.
    const TBalloonTextPos a = std::min(FAnchor, FEnd), b = std::max(FAnchor, FEnd);
    const int h = lineHeight(), ascent = fontMetrics().ascent();
    p.setPen(palette().color(QPalette::HighlightedText));
    for (int line = a.line; line <= b.line && line < FLines.size(); ++line) {
        const int from = line == a.line ? a.column : 0;
        const int to = line == b.line ? b.column : int(FLines[line].size());
        if (to <= from)
            continue;
        const int x1 = xOf(line, from), x2 = xOf(line, to);
        p.fillRect(QRect(x1, line * h, x2 - x1, h), palette().color(QPalette::Highlight));
        p.drawText(QPoint(x1, line * h + ascent), FLines[line].mid(from, to - from));
    }
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
    FIcon->setPixmap(balloonIcon(balloonIconName(type), devicePixelRatioF()));
    setFixedSize(l.width, l.height);

    FPlacement = placeBalloon(position, x, y, l.width, l.height);
    move(FPlacement.origin.x, FPlacement.origin.y);
    const QRegion shape = balloonRegion(FPlacement);
    // The outline is the part of the shape that loses its pixels when the
    // shape shrinks by one pixel on every side.
    const QRegion inner = shape & shape.translated(1, 0) & shape.translated(-1, 0) & shape.translated(0, 1) &
                          shape.translated(0, -1);
    FFrame = shape - inner;
    setMask(shape);
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
    if (FFrame.isEmpty()) {
        const QRegion shape(rect());
        const QRegion inner = shape & shape.translated(1, 0) & shape.translated(-1, 0) & shape.translated(0, 1) &
                              shape.translated(0, -1);
        FFrame = shape - inner;
    }
    for (const QRect &r : FFrame)
        p.fillRect(r, Qt::black);
}

// A click closes the balloon; a drag over the verses selects them instead.
void TBalloon::mousePressEvent(QMouseEvent *e)
{
    e->accept();
    if (e->button() != Qt::LeftButton)
        return;
    FPressed = true;
    FSelecting = false;
    FPressPos = e->position().toPoint();
}

void TBalloon::mouseMoveEvent(QMouseEvent *e)
{
    e->accept();
    if (!FPressed || !(e->buttons() & Qt::LeftButton))
        return;
    const QPoint p = e->position().toPoint();
    if (!FSelecting && (p - FPressPos).manhattanLength() < QApplication::startDragDistance())
        return;
    FSelecting = true;
    FText->setSelection(FText->positionAt(inText(FPressPos)), FText->positionAt(inText(p)));
}

void TBalloon::mouseReleaseEvent(QMouseEvent *e)
{
    e->accept();
    if (e->button() != Qt::LeftButton || !FPressed)
        return;
    FPressed = false;
    if (FSelecting) {
        FSelecting = false;
        // Where the system has a selection buffer, a selection fills it.
        QClipboard *cb = QGuiApplication::clipboard();
        if (cb->supportsSelection() && FText->hasSelection())
            cb->setText(FText->selectedText(), QClipboard::Selection);
        return;
    }
    close(); // deleted once the click has been handled
}

QString TBalloon::plainText() const
{
    QStringList out{withoutTrailingBlanks(FTitle->displayLines().join(QLatin1Char(' ')))};
    for (const QString &line : FText->displayLines())
        out << withoutTrailingBlanks(line);
    while (out.size() > 1 && out.last().isEmpty())
        out.removeLast();
    return out.join(QLatin1Char('\n'));
}

void TBalloon::copyAll()
{
    QGuiApplication::clipboard()->setText(plainText());
}

void TBalloon::copySelection()
{
    if (FText->hasSelection())
        QGuiApplication::clipboard()->setText(FText->selectedText());
}

QMenu *TBalloon::contextMenu()
{
    if (FMenu)
        return FMenu;
    FMenu = new QMenu(this);
    FMenu->setObjectName(QStringLiteral("pmuGlobo"));
    QAction *copy = FMenu->addAction(QStringLiteral("&Copiar"), this, &TBalloon::copySelection);
    copy->setObjectName(QStringLiteral("mitCopiarSeleccion"));
    FMenu->addAction(QStringLiteral("Copiar &versículos"), this, &TBalloon::copyAll)
        ->setObjectName(QStringLiteral("mitCopiarVersiculos"));
    FMenu->addSeparator();
    FMenu->addAction(QStringLiteral("C&errar"), this, &QWidget::close)->setObjectName(QStringLiteral("mitCerrarGlobo"));
    QAction *all = FMenu->addAction(QStringLiteral("Cerrar &todos los globos"), this, [this] {
        emit closeAllRequested();
        close();
    });
    all->setObjectName(QStringLiteral("mitCerrarGlobos"));
    all->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_W));
    all->setShortcutContext(Qt::WidgetShortcut); // shown as a hint; the main window owns the key
    connect(FMenu, &QMenu::aboutToShow, this, [this, copy] { copy->setEnabled(FText->hasSelection()); });
    return FMenu;
}

void TBalloon::contextMenuEvent(QContextMenuEvent *e)
{
    e->accept();
    contextMenu()->popup(e->globalPos());
}

// ---------------------------------------------------------------------------

TBalloon *TBalloonControl::ShowBalloon()
{
    auto *b = new TBalloon();
    b->ShowAt(PixelCoordinateX, PixelCoordinateY, Position, Duration, BalloonType, balloonText(Text), Title);
    return b;
}
