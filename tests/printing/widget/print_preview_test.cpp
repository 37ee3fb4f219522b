// The preview control over a page source of our own: zoom arithmetic, the
// switching click, page navigation and what a paint puts where.
#include "printing/widget/print_preview.h"

#include "support/test_canvas.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using platform::Rect;

namespace {

// An A4 sheet at 96 dpi: 794 x 1123 screen pixels, of which 750 x 1080 are
// printable behind strips of 20, 20, 24 and 23.
class FakePreview : public TCustomRVPrintPreview {
public:
    bool ready = true;
    int pages = 3;
    QSize printable{750, 1080};
    Rect strips{20, 20, 24, 23};
    std::vector<int> drawn;

    void Refit() { Fitting(); }

    bool SourceReady() const override { return ready; }
    int SourcePageCount() const override { return pages; }
    QSize SourcePrintableSize() const override { return printable; }
    Rect SourceUnprintableStrips() const override { return strips; }
    void SourceDrawPage(int pageNo, platform::Canvas &canvas, const Rect &r) override
    {
        drawn.push_back(pageNo);
        canvas.fillRect(r, platform::clYellow);
    }
    void SourceDrawMargins(platform::Canvas &canvas, const Rect &r, int) override { canvas.rectangle(r); }
};

int barExtent(const QWidget &w)
{
    return w.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &w);
}

TEST(PrintPreviewZoom, FittingAndPercent)
{
    struct Case {
        const char *name;
        QSize control;
        TRVZoomMode mode;
        int percent; // for rvzmCustom
        int heightRoom, widthRoom; // control height/width - bar - 2 x margin: rooms the fit divides
        int zoom, sheetW, sheetH, scrollW, scrollH;
    };
    FakePreview probe;
    const int bar = barExtent(probe);
    const int frame = 2 * probe.frameWidth();
    const Case cases[] = {
        // 640 x 480: the height limits (room/1080 < room/750).
        {"full page 640x480", {640, 480}, rvzmFullPage, 0, 480 - bar - 40, 640 - bar - 40, -1, -1, -1, 10, 10},
        // A tall narrow control: the width limits.
        {"full page tall", {300, 2000}, rvzmFullPage, 0, 2000 - bar - 40, 300 - bar - 40, -1, -1, -1, 10, 10},
        {"custom 100", {640, 480}, rvzmCustom, 100, 0, 0, 100, 794, 1123, 834, 1163},
        {"custom 50", {640, 480}, rvzmCustom, 50, 0, 0, 50, 397, 562, 437, 602},
        {"custom 75", {640, 480}, rvzmCustom, 75, 0, 0, 75, 596, 842, 636, 882},
        {"custom below 1 clamps", {640, 480}, rvzmCustom, -30, 0, 0, 1, 8, 11, 48, 51},
        {"custom huge clamps", {640, 480}, rvzmCustom, 100000, 0, 0, 1000, 7940, 11230, 7980, 11270},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        FakePreview pp;
        pp.resize(c.control);
        if (c.mode == rvzmCustom)
            pp.SetZoomPercent(c.percent);
        else
            pp.SetZoomMode(c.mode);
        int zoom = c.zoom, sheetW = c.sheetW, sheetH = c.sheetH;
        if (zoom < 0) {
            // Integer room over the printable size, rounded half up.
            const int byHeight = (c.heightRoom * 100 + 540) / 1080, byWidth = (c.widthRoom * 100 + 375) / 750;
            zoom = std::min(byHeight, byWidth);
            sheetW = (794 * zoom + 50) / 100;
            sheetH = (1123 * zoom + 50) / 100;
        }
        EXPECT_EQ(pp.ZoomPercent(), zoom);
        EXPECT_EQ(pp.ZoomMode(), c.mode);
        EXPECT_EQ(pp.SheetWidth(), sheetW);
        EXPECT_EQ(pp.SheetHeight(), sheetH);
        EXPECT_EQ(pp.ScrollableSize(), QSize(c.scrollW, c.scrollH));
    }
    // The first two cases really did pick different sides.
    EXPECT_LT((480 - bar - 40) * 100 / 1080, (640 - bar - 40) * 100 / 750);
    EXPECT_GT((2000 - bar - 40) * 100 / 1080, (300 - bar - 40) * 100 / 750);

    // Page width follows the client width, and the scroll height holds the sheet.
    FakePreview pw;
    pw.resize(640, 480);
    pw.SetZoomMode(rvzmPageWidth);
    const int client = pw.viewport()->width();
    EXPECT_LE(client, 640 - frame);
    EXPECT_EQ(pw.ZoomPercent(), (client - 40) * 100 / 750 + ((client - 40) * 100 % 750 >= 375));
    EXPECT_EQ(pw.ScrollableSize(), QSize(10, 40 + pw.SheetHeight()));
}

TEST(PrintPreviewZoom, ResizeRefitsAndNotReadyKeepsThePercent)
{
    FakePreview pp;
    pp.resize(640, 480);
    pp.show(); // a hidden widget gets its resize events only when shown
    pp.SetZoomMode(rvzmFullPage);
    const int small = pp.ZoomPercent();
    pp.resize(1280, 960);
    EXPECT_GT(pp.ZoomPercent(), small);

    // A control far too small for its margins still shows a 1 % sheet.
    pp.resize(30, 30);
    EXPECT_EQ(pp.ZoomPercent(), 1);

    FakePreview idle;
    idle.ready = false;
    idle.SetZoomPercent(80);
    EXPECT_EQ(idle.ZoomPercent(), 80);
    EXPECT_EQ(idle.SheetWidth(), 0);
    idle.ready = true;
    idle.Refit();
    EXPECT_EQ(idle.SheetWidth(), 635);

    // An empty printable area has nothing to divide by: the zoom stays.
    FakePreview empty;
    empty.printable = {0, 0};
    empty.resize(640, 480);
    empty.SetZoomMode(rvzmFullPage);
    EXPECT_EQ(empty.ZoomPercent(), 100);
}

TEST(PrintPreviewZoom, ClickSwitchesZoomAndCursor)
{
    enum Step { Click, Zoom100, Zoom75, FullPage, NoClicks };
    struct Case {
        const char *name;
        std::vector<Step> steps;
        int zoom, switchZoom;
        rv::TCursor cursor;
    };
    const Case cases[] = {
        {"initial", {}, 100, 50, crRVZoomOut},
        {"click at 100 goes to 50", {Click}, 50, 50, crRVZoomIn},
        {"second click returns", {Click, Click}, 100, 50, crRVZoomOut},
        {"100% from 75 remembers 75", {Zoom75, Zoom100}, 100, 75, crRVZoomOut},
        {"then a click goes to 75", {Zoom75, Zoom100, Click}, 75, 75, crRVZoomIn},
        {"click off 100 goes to 100", {Zoom75, Click}, 100, 75, crRVZoomOut},
        {"click after fitting", {FullPage, Click}, 100, -2, crRVZoomOut},
        {"no clicks: plain cursor", {NoClicks, Click}, 100, 50, rv::crDefault},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        FakePreview pp;
        pp.resize(640, 480);
        pp.SetZoomPercent(100);
        int fitted = 0;
        for (Step s : c.steps) {
            switch (s) {
            case Click: pp.Click(); break;
            case Zoom100: pp.SetZoomPercent(100); break;
            case Zoom75: pp.SetZoomPercent(75); break;
            case FullPage:
                pp.SetZoomMode(rvzmFullPage);
                fitted = pp.ZoomPercent();
                break;
            case NoClicks: pp.SetClickMode(rvcmNone); break;
            }
        }
        EXPECT_EQ(pp.ZoomPercent(), c.zoom);
        EXPECT_EQ(pp.SwitchZoom(), c.switchZoom == -2 ? fitted : c.switchZoom);
        EXPECT_EQ(pp.CurrentCursor(), c.cursor);
        if (c.switchZoom != -2) {
            EXPECT_EQ(pp.ZoomMode(), rvzmCustom);
        }
    }
}

TEST(PrintPreviewZoom, ZoomChangedFiresOnlyOnChange)
{
    FakePreview pp;
    pp.resize(640, 480);
    int fired = 0;
    pp.OnZoomChanged = [&](TCustomRVPrintPreview *) { ++fired; };
    pp.SetZoomPercent(100); // already 100
    EXPECT_EQ(fired, 0);
    pp.SetZoomPercent(60);
    pp.SetZoomPercent(60);
    EXPECT_EQ(fired, 1);
}

TEST(PrintPreviewPages, Navigation)
{
    enum Nav { First, Prev, Next, Last };
    struct Case {
        const char *name;
        int pages, start;
        std::vector<Nav> steps;
        int expected;
    };
    const Case cases[] = {
        {"next moves on", 3, 1, {Next}, 2},
        {"next stops at the last", 3, 1, {Next, Next, Next, Next}, 3},
        {"previous on the first does nothing", 3, 1, {Prev}, 1},
        {"previous moves back", 3, 3, {Prev}, 2},
        {"last", 5, 2, {Last}, 5},
        {"first", 5, 4, {First}, 1},
        {"one page", 1, 1, {Next, Last, Prev}, 1},
        {"out of range: previous comes back", 2, 5, {Prev}, 4},
        {"out of range: last", 2, 5, {Last}, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        FakePreview pp;
        pp.pages = c.pages;
        pp.SetPageNo(c.start);
        for (Nav n : c.steps) {
            switch (n) {
            case First: pp.First(); break;
            case Prev: pp.Previous(); break;
            case Next: pp.Next(); break;
            case Last: pp.Last(); break;
            }
        }
        EXPECT_EQ(pp.PageNo(), c.expected);
    }

    FakePreview idle;
    idle.ready = false;
    idle.Next();
    idle.Last();
    EXPECT_EQ(idle.PageNo(), 1);
}

TEST(PrintPreviewScroll, KeysAndWheelMoveTheSheet)
{
    FakePreview pp;
    pp.resize(640, 480);
    pp.show();
    pp.SetZoomPercent(100);
    auto key = [&](int k) {
        QKeyEvent e(QEvent::KeyPress, k, Qt::NoModifier);
        QApplication::sendEvent(&pp, &e);
    };
    auto wheel = [&](int dy) {
        QWheelEvent e(QPointF(100, 100), QPointF(100, 100), QPoint(), QPoint(0, dy), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(pp.viewport(), &e);
    };
    struct Case {
        const char *name;
        std::function<void()> act;
        int topAbove; // sheet top moved up (> 0), back (0) or unchanged (-1)
        int leftShift;
    };
    const int top0 = pp.SheetRect().top, left0 = pp.SheetRect().left;
    EXPECT_EQ(top0, 20); // the 834 x 1163 area is larger than the client both ways
    const Case cases[] = {
        {"page down", [&] { key(Qt::Key_PageDown); }, 1, 0},
        {"home", [&] { key(Qt::Key_Home); }, 0, 0},
        {"wheel down", [&] { wheel(-120); }, 1, 0},
        {"wheel up", [&] { wheel(120); }, 0, 0},
        {"right", [&] { key(Qt::Key_Right); }, 0, 10},
        {"left", [&] { key(Qt::Key_Left); }, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        c.act();
        if (c.topAbove > 0)
            EXPECT_LT(pp.SheetRect().top, top0);
        else
            EXPECT_EQ(pp.SheetRect().top, top0);
        EXPECT_EQ(pp.SheetRect().left, left0 - c.leftShift);
    }
}

TEST(PrintPreviewKeys, PagesTurnWithKeysAndWheelZoomWithCtrl)
{
    FakePreview pp;
    pp.pages = 4;
    pp.resize(640, 480);
    pp.show();
    auto key = [&](int k) {
        QKeyEvent e(QEvent::KeyPress, k, Qt::NoModifier);
        QApplication::sendEvent(&pp, &e);
    };
    auto wheel = [&](int dy, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QWheelEvent e(QPointF(100, 100), QPointF(100, 100), QPoint(), QPoint(0, dy), Qt::NoButton, m,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(pp.viewport(), &e);
    };
    // Full page: nothing scrolls, so keys and the wheel turn pages.
    pp.SetZoomMode(rvzmFullPage);
    struct Step {
        const char *name;
        std::function<void()> act;
        int page;
    } steps[] = {
        {"page down", [&] { key(Qt::Key_PageDown); }, 2},
        {"wheel down", [&] { wheel(-120); }, 3},
        {"half a notch does nothing yet", [&] { wheel(-60); }, 3},
        {"the other half", [&] { wheel(-60); }, 4},
        {"page down on the last page", [&] { key(Qt::Key_PageDown); }, 4},
        {"home", [&] { key(Qt::Key_Home); }, 1},
        {"page up on the first page", [&] { key(Qt::Key_PageUp); }, 1},
        {"end", [&] { key(Qt::Key_End); }, 4},
        {"wheel up", [&] { wheel(120); }, 3},
        {"page up", [&] { key(Qt::Key_PageUp); }, 2},
    };
    for (const Step &s : steps) {
        SCOPED_TRACE(s.name);
        s.act();
        EXPECT_EQ(pp.PageNo(), s.page);
    }

    // At 100 % PageDown scrolls down the sheet first, then turns to the next page's top.
    pp.SetZoomPercent(100);
    pp.First();
    for (int i = 0; i < 10 && pp.PageNo() == 1; ++i)
        key(Qt::Key_PageDown);
    EXPECT_EQ(pp.PageNo(), 2);
    EXPECT_EQ(pp.VScrollPos(), 0);
    key(Qt::Key_PageUp); // back to the end of page 1
    EXPECT_EQ(pp.PageNo(), 1);
    EXPECT_EQ(pp.VScrollPos(), pp.VScrollMax());

    // Ctrl+wheel zooms by a tenth per notch, never past the limits.
    pp.SetZoomPercent(100);
    wheel(120, Qt::ControlModifier);
    EXPECT_EQ(pp.ZoomPercent(), 110);
    wheel(-240, Qt::ControlModifier);
    EXPECT_EQ(pp.ZoomPercent(), 90); // 110 - 11, then 99 - 9
    EXPECT_EQ(pp.ZoomMode(), rvzmCustom);
    for (int i = 0; i < 100; ++i)
        wheel(-120, Qt::ControlModifier);
    EXPECT_EQ(pp.ZoomPercent(), TCustomRVPrintPreview::kMinZoom);
}

TEST(PrintPreviewZoom, MouseClickSwitchesZoomAndTakesFocus)
{
    FakePreview pp;
    pp.resize(640, 480);
    pp.show();
    pp.SetZoomPercent(100);
    auto mouse = [&](QEvent::Type t, Qt::MouseButton b, QPoint at) {
        QMouseEvent e(t, QPointF(at), pp.viewport()->mapToGlobal(QPointF(at)), b,
                      t == QEvent::MouseButtonPress ? b : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(pp.viewport(), &e);
    };
    struct Case {
        const char *name;
        Qt::MouseButton button;
        QPoint releaseAt;
        int zoom; // -1: the switch zoom
    };
    // Showing fitted the page first, so 100 % came from the fitted zoom.
    const int fitted = pp.SwitchZoom();
    EXPECT_LT(fitted, 100);
    const Case cases[] = {
        {"left click", Qt::LeftButton, {50, 50}, -1},
        {"left click back", Qt::LeftButton, {50, 50}, 100},
        {"right button does not switch", Qt::RightButton, {50, 50}, 100},
        {"released outside: no click", Qt::LeftButton, {-5, 50}, 100},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        mouse(QEvent::MouseButtonPress, c.button, {50, 50});
        mouse(QEvent::MouseButtonRelease, c.button, c.releaseAt);
        EXPECT_EQ(pp.ZoomPercent(), c.zoom < 0 ? fitted : c.zoom);
    }
    EXPECT_TRUE(pp.hasFocus() || !QApplication::focusWindow());
}

// What one paint draws, from a test canvas's record.
struct Painted {
    bool shadow = false, border = false, page = false, margins = false, printableOutline = false;
};

Painted paint(FakePreview &pp)
{
    platform::TestCanvas canvas(pp.viewport()->width(), pp.viewport()->height());
    pp.drawn.clear();
    pp.PaintTo(canvas);
    const Rect sheet = pp.SheetRect(), printable = pp.PrintableRect();
    Painted p;
    for (const platform::DrawOp &op : canvas.ops()) {
        if (op.kind == platform::DrawOp::FillRect && op.rect == sheet.translated(pp.ShadowWidth, pp.ShadowWidth) &&
            op.color == pp.ShadowColor)
            p.shadow = true;
        if (op.kind == platform::DrawOp::FillRect && op.rect == printable && op.color == platform::clYellow)
            p.page = true;
        if (op.kind == platform::DrawOp::Rectangle && op.rect == sheet && op.color == pp.PageBorderColor)
            p.border = true;
        if (op.kind == platform::DrawOp::Rectangle && op.rect == printable) {
            if (op.color == platform::clRed)
                p.printableOutline = true;
            else
                p.margins = true;
        }
    }
    return p;
}

TEST(PrintPreviewPaint, SheetShadowBorderAndOutlines)
{
    FakePreview pp;
    pp.resize(640, 480);
    pp.SetZoomPercent(50);
    pp.SetPageNo(2);

    Painted p = paint(pp);
    EXPECT_TRUE(p.shadow);
    EXPECT_TRUE(p.border);
    EXPECT_TRUE(p.page);
    EXPECT_FALSE(p.margins);
    EXPECT_FALSE(p.printableOutline);
    EXPECT_EQ(pp.drawn, std::vector<int>{2});

    // The sheet is centred in the scrollable area, which is larger than the
    // client here only vertically.
    const Rect sheet = pp.SheetRect();
    EXPECT_EQ(sheet.width(), 397);
    EXPECT_EQ(sheet.left, (pp.viewport()->width() - 397) / 2);
    EXPECT_EQ(sheet.top, 20);
    EXPECT_EQ(pp.PrintableRect().left, sheet.left + 10);

    pp.ShadowWidth = 0;
    pp.PageBorderColor = platform::clNone;
    pp.MarginsPen.style = platform::PenStyle::Solid;
    pp.PrintableAreaPen.style = platform::PenStyle::Solid;
    p = paint(pp);
    EXPECT_FALSE(p.shadow);
    EXPECT_FALSE(p.border);
    EXPECT_TRUE(p.margins);
    EXPECT_TRUE(p.printableOutline);

    // Scrolling moves the sheet.
    pp.ScrollToPixel(100);
    EXPECT_EQ(pp.SheetRect().top, 20 - pp.VScrollPos() * pp.VScrollUnit());
    EXPECT_GT(pp.VScrollPos(), 0);

    // Nothing but the background until the source is ready.
    FakePreview idle;
    idle.ready = false;
    platform::TestCanvas canvas(100, 100);
    idle.PaintTo(canvas);
    ASSERT_EQ(canvas.ops().size(), 1u);
    EXPECT_TRUE(idle.drawn.empty());
}

} // namespace
