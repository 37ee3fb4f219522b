#include "components/balloon.h"

#include <QApplication>
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
    QApplication::sendEvent(b, &press);
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
    EXPECT_EQ(balloonIcon("nonsense").toImage(), seen.first());
}

} // namespace
