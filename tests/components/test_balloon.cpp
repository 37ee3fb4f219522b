#include "components/balloon.h"
#include "components/balloon_group.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QElapsedTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QWindowStateChangeEvent>
#include <gtest/gtest.h>

namespace {

using platform::Point;
using platform::Rect;

Point toScreen(const BalloonPlacement &p, Point local)
{
    return {p.origin.x + local.x, p.origin.y + local.y};
}

TEST(BalloonPlacement, ArrowTipLandsOnThePoint)
{
    struct Case {
        TBalloonPosition pos;
        Point at;
        int w, h;
        Point origin;
        Rect body;
        std::array<Point, 3> arrow;
    };
    const Case cases[] = {
        {blnArrowTopLeft, {500, 400}, 200, 80, {320, 320}, {0, 0, 200, 62}, {{{160, 60}, {180, 80}, {180, 60}}}},
        {blnArrowTopRight, {500, 400}, 200, 80, {480, 320}, {0, 0, 200, 62}, {{{20, 60}, {20, 80}, {40, 60}}}},
        {blnArrowBottomLeft, {100, 100}, 150, 70, {-30, 98}, {0, 22, 150, 70}, {{{130, 2}, {130, 22}, {110, 22}}}},
        {blnArrowBottomRight, {100, 100}, 150, 70, {80, 98}, {0, 22, 150, 70}, {{{20, 2}, {20, 22}, {40, 22}}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(int(c.pos));
        const BalloonPlacement p = placeBalloon(c.pos, c.at.x, c.at.y, c.w, c.h);
        EXPECT_EQ(p.origin, c.origin);
        EXPECT_EQ(p.body, c.body);
        EXPECT_EQ(p.arrow, c.arrow);
        EXPECT_EQ(toScreen(p, p.tip), c.at);
    }
}

TEST(BalloonLayout, LabelsDecideTheSize)
{
    struct Case {
        TBalloonPosition pos;
        platform::Size title, text;
        Point icon, titleAt, textAt;
        int w, h;
    };
    const Case cases[] = {
        // Text wider than the title: 10 + 150 + 10.
        {blnArrowTopLeft, {60, 13}, {150, 39}, {10, 10}, {34, 12}, {10, 33}, 170, 33 + 39 + 10 + 20},
        // Long title: 34 + 200 + 10.
        {blnArrowTopRight, {200, 13}, {40, 13}, {10, 10}, {34, 12}, {10, 33}, 244, 33 + 13 + 10 + 20},
        // Arrow above the body: everything 20 lower, no extra room below.
        {blnArrowBottomLeft, {60, 13}, {150, 39}, {10, 30}, {34, 32}, {10, 53}, 170, 53 + 39 + 10},
        {blnArrowBottomRight, {60, 13}, {150, 39}, {10, 30}, {34, 32}, {10, 53}, 170, 53 + 39 + 10},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(int(c.pos));
        const BalloonLayout l = layoutBalloon(c.pos, c.title, c.text);
        EXPECT_EQ(l.icon, c.icon);
        EXPECT_EQ(l.title, c.titleAt);
        EXPECT_EQ(l.text, c.textAt);
        EXPECT_EQ(l.width, c.w);
        EXPECT_EQ(l.height, c.h);
    }
}

TEST(BalloonRegion, RoundedBodyUnitedWithArrow)
{
    const BalloonPlacement top = placeBalloon(blnArrowTopLeft, 500, 400, 200, 80);
    const QRegion r = balloonRegion(top);
    EXPECT_EQ(r.boundingRect(), QRect(0, 0, 200, 80));
    EXPECT_FALSE(r.contains(QPoint(0, 0)));      // rounded corner
    EXPECT_FALSE(r.contains(QPoint(199, 61)));   // rounded corner
    EXPECT_TRUE(r.contains(QPoint(3, 0)));
    EXPECT_TRUE(r.contains(QPoint(0, 30)));
    EXPECT_TRUE(r.contains(QPoint(199, 30)));    // right edge is exclusive at 200
    EXPECT_FALSE(r.contains(QPoint(200, 30)));
    EXPECT_FALSE(r.contains(QPoint(100, 62)));   // below the body, away from the arrow
    EXPECT_TRUE(r.contains(QPoint(178, 75)));    // inside the arrow near its tip
    EXPECT_FALSE(r.contains(QPoint(165, 75)));   // beside the arrow

    const BalloonPlacement below = placeBalloon(blnArrowBottomRight, 100, 100, 150, 70);
    const QRegion b = balloonRegion(below);
    EXPECT_EQ(b.boundingRect().bottom(), 69);
    EXPECT_TRUE(b.contains(QPoint(21, 6)));      // arrow
    EXPECT_FALSE(b.contains(QPoint(60, 10)));    // above the body
    EXPECT_TRUE(b.contains(QPoint(60, 22)));     // body starts 22 below the top
}

TEST(BalloonText, LinesJoinedAndTrimmed)
{
    EXPECT_EQ(balloonText({}), QString());
    EXPECT_EQ(balloonText({"uno"}), "uno");
    EXPECT_EQ(balloonText({"  uno", "dos  ", ""}), "uno\r\ndos");
    EXPECT_EQ(balloonText({"\tuno", " dos "}), "uno\r\n dos");
}

TEST(BalloonWindow, ShownWhereAndHowTheLayoutSays)
{
    TBalloonControl c;
    c.Title = "Juan 3:16";
    c.Text = QStringList{"16 Porque de tal manera amó Dios al mundo,", "que ha dado a su Hijo unigénito"};
    c.Position = blnArrowBottomRight;
    c.PixelCoordinateX = 300;
    c.PixelCoordinateY = 200;
    c.BalloonType = blnBiblia;
    QPointer<TBalloon> b = c.ShowBalloon();
    ASSERT_TRUE(b);
    EXPECT_TRUE(b->isVisible());
    EXPECT_TRUE(b->isWindow());
    const BalloonLayout l = layoutBalloon(blnArrowBottomRight, {b->titleLabel()->width(), b->titleLabel()->height()},
                                          {b->textLabel()->width(), b->textLabel()->height()});
    EXPECT_EQ(b->frameGeometry(), QRect(280, 198, l.width, l.height));
    EXPECT_EQ(b->textLabel()->pos(), QPoint(10, l.text.y));
    EXPECT_EQ(b->iconImage()->pos(), QPoint(10, 30));
    EXPECT_EQ(b->mask(), balloonRegion(b->placement()));
    // Two lines, wider than the title: the text decides the width.
    EXPECT_GT(b->textLabel()->height(), b->titleLabel()->height());
    EXPECT_EQ(l.width, 10 + b->textLabel()->width() + 10);
    EXPECT_EQ(b->textLabel()->text(), balloonText(c.Text));
    delete b;
}

TEST(BalloonWindow, EmptyTextKeepsOneLineAndTitleDecidesWidth)
{
    TBalloon b;
    b.ShowAt(400, 300, blnArrowTopLeft, 0, blnInfo, QString(), "Un título bastante largo");
    EXPECT_GT(b.textLabel()->height(), 0);
    EXPECT_EQ(b.width(), 34 + b.titleLabel()->width() + 10);
}

TEST(BalloonWindow, AmpersandIsAnAcceleratorMarker)
{
    TBalloonLabel l(nullptr);
    l.setText("Juan");
    const int plain = l.width();
    l.setText("&Juan");
    EXPECT_EQ(l.width(), plain); // the marker is not drawn
    l.setText("Juan && Pedro"); // "&&" draws one ampersand
    EXPECT_EQ(l.width(), l.fontMetrics().size(0, "Juan & Pedro").width());
}

TEST(BalloonWindow, DurationZeroStaysUntilClicked)
{
    QPointer<TBalloon> b = new TBalloon;
    b->ShowAt(400, 300, blnArrowTopRight, 0, blnWarning, "texto", "título");
    EXPECT_FALSE(b->closeTimer()->isActive());
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(b);
    EXPECT_TRUE(b->isVisible());

    QMouseEvent press(QEvent::MouseButtonPress, QPointF(30, 10), QPointF(b->mapToGlobal(QPoint(30, 10))),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(30, 10), QPointF(b->mapToGlobal(QPoint(30, 10))),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(b, &press);
    QApplication::sendEvent(b, &release);
    ASSERT_TRUE(b); // deferred until the click has been handled
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(b);
}

TEST(BalloonWindow, DurationClosesByTimer)
{
    QPointer<TBalloon> b = new TBalloon;
    b->ShowAt(400, 300, blnArrowTopRight, 3, blnError, "texto", "título");
    EXPECT_TRUE(b->closeTimer()->isActive());
    EXPECT_EQ(b->closeTimer()->interval(), 3000);
    b->closeTimer()->setInterval(10); // the tick itself is what matters here
    b->closeTimer()->start();
    QElapsedTimer clock;
    clock.start();
    while (b && clock.elapsed() < 2000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_FALSE(b);
}

TEST(BalloonWindow, ComesBackWhenMinimised)
{
    TBalloon b;
    b.ShowAt(400, 300, blnArrowTopLeft, 0, blnInfo, "texto", "título");
    b.setWindowState(Qt::WindowMinimized);
    QCoreApplication::processEvents();
    EXPECT_FALSE(b.windowState() & Qt::WindowMinimized);
    EXPECT_TRUE(b.isVisible());
}

void mouse(QWidget *w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// Point of a character boundary of the text label, in balloon coordinates.
QPoint textPoint(TBalloon &b, int line, int column)
{
    const TBalloonLabel *t = b.textLabel();
    const QString &s = t->displayLines().at(line);
    const int x = t->fontMetrics().horizontalAdvance(s.left(column));
    return t->pos() + QPoint(x, line * t->fontMetrics().lineSpacing() + 3);
}

TEST(BalloonWindow, DraggingOverTheVersesSelectsInsteadOfClosing)
{
    QPointer<TBalloon> b = new TBalloon;
    b->ShowAt(400, 300, blnArrowBottomRight, 0, blnBiblia,
              "\u2022 16. Porque de tal manera\r\namó Dios al mundo && a su Hijo", "Jn 3:16");
    struct Case {
        int line1, col1, line2, col2;
        QString selected;
    } cases[] = {
        {0, 2, 0, 5, "16."},
        {0, 13, 1, 3, "de tal manera\namó"},
        {1, 3, 0, 13, "de tal manera\namó"}, // dragged backwards
        {1, 18, 1, 23, "& a s"},               // "&&" is one ampersand on the screen
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.selected.toStdString());
        mouse(b, QEvent::MouseButtonPress, textPoint(*b, c.line1, c.col1), Qt::LeftButton, Qt::LeftButton);
        mouse(b, QEvent::MouseMove, textPoint(*b, c.line2, c.col2), Qt::NoButton, Qt::LeftButton);
        mouse(b, QEvent::MouseButtonRelease, textPoint(*b, c.line2, c.col2), Qt::LeftButton, Qt::NoButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ASSERT_TRUE(b); // a drag is no click
        EXPECT_EQ(b->textLabel()->selectedText(), c.selected);
    }
    // The menu's "Copiar" puts the selection on the clipboard; "Copiar
    // versículos" the title and every line, without the blanks the wrap left.
    QMenu *menu = b->contextMenu();
    QAction *copy = menu->findChild<QAction *>("mitCopiarSeleccion");
    QAction *copyAll = menu->findChild<QAction *>("mitCopiarVersiculos");
    ASSERT_TRUE(copy && copyAll);
    EXPECT_EQ(copyAll->text(), QStringLiteral("Copiar &versículos"));
    copy->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "& a s");
    copyAll->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QStringLiteral("Jn 3:16\n\u2022 16. Porque de tal manera\namó Dios al mundo & a su Hijo"));
    // A plain click still closes it.
    mouse(b, QEvent::MouseButtonPress, textPoint(*b, 0, 3), Qt::LeftButton, Qt::LeftButton);
    mouse(b, QEvent::MouseButtonRelease, textPoint(*b, 0, 3), Qt::LeftButton, Qt::NoButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(b);
}

TEST(BalloonWindow, RightButtonOpensTheMenuAndKeepsTheBalloon)
{
    QPointer<TBalloon> b = new TBalloon;
    b->ShowAt(400, 300, blnArrowTopLeft, 0, blnBiblia, "texto", "título");
    mouse(b, QEvent::MouseButtonPress, QPoint(30, 20), Qt::RightButton, Qt::RightButton);
    mouse(b, QEvent::MouseButtonRelease, QPoint(30, 20), Qt::RightButton, Qt::NoButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(b);
    QStringList names;
    for (QAction *a : b->contextMenu()->actions())
        if (!a->isSeparator())
            names << a->objectName();
    EXPECT_EQ(names, QStringList({"mitCopiarSeleccion", "mitCopiarVersiculos", "mitCerrarGlobo", "mitCerrarGlobos"}));
    delete b;
}

TBalloon *showBalloon(QPoint at, const QString &title)
{
    auto *b = new TBalloon;
    b->ShowAt(at.x(), at.y(), blnArrowBottomRight, 0, blnBiblia, "texto", title);
    return b;
}

TEST(BalloonGroup, OnePerKeyNewestClosesFirstAndAllAtOnce)
{
    QWidget window;
    window.setGeometry(100, 100, 400, 300);
    window.show();
    TBalloonGroup group(&window);
    QList<int> counts;
    QObject::connect(&group, &TBalloonGroup::countChanged, [&](int n) { counts << n; });

    QPointer<TBalloon> a = showBalloon({150, 150}, "a"), b = showBalloon({200, 150}, "b");
    group.add(a, "Jn:3:16");
    group.add(b, "Ro:8:28");
    EXPECT_EQ(group.find("Jn:3:16"), a.data());
    EXPECT_EQ(group.find("Mt:1:1"), nullptr);
    // A second balloon under a key replaces the first.
    QPointer<TBalloon> a2 = showBalloon({150, 150}, "a2");
    group.add(a2, "Jn:3:16");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(a);
    EXPECT_EQ(group.balloons(), (QList<TBalloon *>{b, a2}));
    // Bringing one forward makes it the newest, which Esc closes first.
    group.bringForward(b);
    EXPECT_EQ(group.balloons(), (QList<TBalloon *>{a2, b}));
    EXPECT_TRUE(group.closeNewest());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(b);
    EXPECT_TRUE(a2);
    EXPECT_EQ(group.count(), 1);
    QPointer<TBalloon> c = showBalloon({250, 150}, "c");
    group.add(c, "Mt:1:1");
    // "Cerrar todos los globos" from a balloon's own menu closes every one.
    c->contextMenu()->findChild<QAction *>("mitCerrarGlobos")->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(a2);
    EXPECT_FALSE(c);
    EXPECT_EQ(group.count(), 0);
    EXPECT_FALSE(group.closeNewest());
    EXPECT_EQ(counts.last(), 0);
}

TEST(BalloonGroup, BalloonsFollowTheWindowAndHideWithIt)
{
    QWidget window;
    window.setGeometry(100, 100, 400, 300);
    window.show();
    QCoreApplication::processEvents();
    TBalloonGroup group(&window);
    QPointer<TBalloon> a = showBalloon({150, 150}, "a"), b = showBalloon({300, 250}, "b");
    group.add(a, "1");
    group.add(b, "2");
    const QPoint tipA = a->tipOnScreen(), tipB = b->tipOnScreen();

    window.move(window.pos() + QPoint(37, -20));
    QCoreApplication::processEvents();
    EXPECT_EQ(a->tipOnScreen(), tipA + QPoint(37, -20));
    EXPECT_EQ(b->tipOnScreen(), tipB + QPoint(37, -20));

    window.setWindowState(Qt::WindowMinimized);
    QCoreApplication::processEvents();
    EXPECT_FALSE(a->isVisible());
    EXPECT_FALSE(b->isVisible());
    // A balloon opened while the window is minimised waits for it too.
    QPointer<TBalloon> c = showBalloon({200, 200}, "c");
    group.add(c, "3");
    EXPECT_FALSE(c->isVisible());

    window.setWindowState(Qt::WindowNoState);
    QCoreApplication::processEvents();
    EXPECT_TRUE(a->isVisible());
    EXPECT_TRUE(b->isVisible());
    EXPECT_TRUE(c->isVisible());

    window.hide();
    EXPECT_FALSE(a->isVisible());
    window.show();
    EXPECT_TRUE(a->isVisible());
}

TEST(BalloonGroup, BalloonsGoWithTheWindow)
{
    QPointer<TBalloon> a = showBalloon({150, 150}, "a");
    {
        QWidget window;
        TBalloonGroup *group = new TBalloonGroup(&window);
        group->add(a, "1");
    }
    EXPECT_FALSE(a);
}

TEST(BalloonIcons, FourDistinctSixteenPixelPictures)
{
    const char *names[] = {"INFO", "ERROR", "WARNING", "BIBLIA"};
    QList<QImage> seen;
    for (const char *n : names) {
        const QImage img = balloonIcon(n).toImage();
        EXPECT_EQ(img.size(), QSize(16, 16)) << n;
        EXPECT_FALSE(seen.contains(img)) << n;
        seen << img;
    }
    EXPECT_STREQ(balloonIconName(TBalloonType(42)), "INFO");
    // On a dense screen the picture has the screen's pixels, not a stretched 16 x 16.
    const QPixmap dense = balloonIcon("BIBLIA", 2.0);
    EXPECT_EQ(dense.size(), QSize(32, 32));
    EXPECT_EQ(dense.deviceIndependentSize(), QSizeF(16, 16));
    EXPECT_EQ(balloonIcon("nonsense").toImage(), seen.first());
}

} // namespace
