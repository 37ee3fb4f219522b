// TReadView as a widget (offscreen): the sample study, real Qt input events,
// the system clipboard and the scroll bars.
#include "viewer/widget/readview.h"

#include "document/rvf_reader.h"
#include "platform/clipboard.h"
#include "platform/codepage.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

using namespace rv;

namespace {

const std::string kJuan3 = std::string(QUENLOR_TEST_DATA) + "/Estudios/Juan3.rvf";

void mouse(QWidget *w, QEvent::Type t, QPoint p, Qt::MouseButton b, Qt::MouseButtons held,
           Qt::KeyboardModifiers m = Qt::NoModifier)
{
    QMouseEvent e(t, QPointF(p), w->mapToGlobal(QPointF(p)), b, held, m);
    QApplication::sendEvent(w, &e);
}

void key(QWidget *w, int k, Qt::KeyboardModifiers m = Qt::NoModifier)
{
    QKeyEvent e(QEvent::KeyPress, k, m);
    QApplication::sendEvent(w, &e);
}

struct Viewer : ::testing::Test {
    TRVStyle style;
    TReadView view;
    void SetUp() override
    {
        style.LoadReaderDefaults();
        view.SetStyle(&style);
        view.resize(600, 400);
        view.show();
        QApplication::processEvents();
        ASSERT_TRUE(view.LoadRVFFromFile(kJuan3));
        view.FormatDocument();
        QApplication::processEvents();
    }
    QWidget *vp() { return view.viewport(); }
    // Client point inside a jump record, scrolling it into view first.
    QPoint pointIn(const TRVJumpInfo &j)
    {
        view.ScrollToPixel(std::max(0, j.Top - 40));
        QApplication::processEvents();
        const TReadViewRVData &d = view.RVData();
        return QPoint(j.Left - view.HScrollPos() + 3,
                      j.Top - view.VScrollPos() * view.VScrollUnit() + d.DocumentOffsetY() + 3);
    }
    const TRVJumpInfo *linkWithText(const std::string &text)
    {
        for (const TRVJumpInfo &j : view.RVData().Jumps())
            if (view.ItemText(view.RVData().DrawItemList()[j.DrawItemNo].ItemNo) == text)
                return &j;
        return nullptr;
    }
};

} // namespace

TEST_F(Viewer, ClickingAVerseLinkRaisesJumpWithItsItem)
{
    const TRVJumpInfo *link = linkWithText("Jn:3:16");
    ASSERT_NE(link, nullptr);
    const int expectedId = link->Id;
    std::vector<int> ids, signalIds, moves;
    view.OnJump = [&](TReadView *sender, int id) {
        EXPECT_EQ(sender, &view);
        ids.push_back(id);
    };
    view.OnRVMouseMove = [&](TReadView *, int id) { moves.push_back(id); };
    QObject::connect(&view, &TReadView::jump, [&](int id) { signalIds.push_back(id); });
    const QPoint p = pointIn(*link);
    mouse(vp(), QEvent::MouseMove, p, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(vp()->cursor().shape(), Qt::PointingHandCursor);
    mouse(vp(), QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
    mouse(vp(), QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
    ASSERT_EQ(ids, std::vector<int>{expectedId});
    EXPECT_EQ(signalIds, ids);
    EXPECT_EQ(moves, std::vector<int>{expectedId});
    const int item = view.ItemIndexOfJump(ids[0]);
    ASSERT_GE(item, 0);
    EXPECT_EQ(view.ItemText(item), "Jn:3:16");
    EXPECT_EQ(style.TextStyles[view.RVData().GetItem(item).StyleNo].Jump, true);

    // With FirstJumpNo the published numbers shift, and the lookup with them.
    view.SetFirstJumpNo(100);
    mouse(vp(), QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
    mouse(vp(), QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
    ASSERT_EQ(ids.size(), 2u);
    EXPECT_EQ(ids[1], expectedId + 100);
    EXPECT_EQ(view.ItemText(view.ItemIndexOfJump(ids[1])), "Jn:3:16");
}

TEST_F(Viewer, DragSelectsAcrossItemsAndCopyPutsTextAndRVF)
{
    const TReadViewRVData &d = view.RVData();
    ASSERT_GT(d.Lines().size(), 6u);
    // From the start of the first line down to the middle of the sixth.
    const TRVDrawLineInfo &first = d.DrawItemList()[d.Lines()[0].FirstDrawItem];
    const TRVLineRecord &sixth = d.Lines()[5];
    const int dy = d.DocumentOffsetY();
    const QPoint from(first.Left + 1, first.Top + dy + 2), to(60, sixth.Top + dy + 3);
    int selects = 0;
    view.OnSelect = [&](TReadView *) { ++selects; };
    mouse(vp(), QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    mouse(vp(), QEvent::MouseMove, QPoint(40, (from.y() + to.y()) / 2), Qt::NoButton, Qt::LeftButton);
    mouse(vp(), QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    mouse(vp(), QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    ASSERT_TRUE(view.SelectionExists());
    EXPECT_GT(selects, 0);
    TRVItemPos a, b;
    ASSERT_TRUE(d.GetSelectionItems(a, b));
    EXPECT_LT(a.ItemNo, b.ItemNo);
    const std::u16string expected = view.GetSelText();
    EXPECT_NE(expected.find(u"\r\n"), std::u16string::npos);

    int copies = 0;
    view.OnCopy = [&](TReadView *) { ++copies; };
    key(&view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(copies, 1);
    auto text = platform::clipboardData(platform::kFormatUnicodeText);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t *>(text->data()), text->size() / 2), expected);

    auto rvf = platform::clipboardData(platform::kFormatRVF);
    ASSERT_TRUE(rvf.has_value());
    ASSERT_GT(rvf->size(), 4u);
    uint32_t n = uint8_t((*rvf)[0]) | uint8_t((*rvf)[1]) << 8 | uint8_t((*rvf)[2]) << 16 | uint32_t(uint8_t((*rvf)[3])) << 24;
    EXPECT_EQ(n, rvf->size() - 4);
    TRVStyle style2;
    style2.LoadReaderDefaults();
    TCustomRVData back(&style2);
    int at = 0;
    ASSERT_TRUE(ReadRVFStream(back, std::string_view(*rvf).substr(4), at, false));
    ASSERT_GE(back.ItemCount(), 2);
    // Whole items in the middle come back byte for byte.
    for (int i = 1; i + 1 < back.ItemCount() && a.ItemNo + i < b.ItemNo; ++i)
        EXPECT_EQ(back.ItemText(i), view.ItemText(a.ItemNo + i)) << i;
}

TEST_F(Viewer, SearchWalksForwardRespectsOptionsAndStopsAtTheEnd)
{
    // Count what a plain scan of the items finds, then let find-next walk it.
    const TReadViewRVData &d = view.RVData();
    int expected = 0;
    for (int i = 0; i < d.ItemCount(); ++i) {
        const std::u16string t = d.ItemTextW(i);
        for (size_t p = t.find(u"Dios"); p != std::u16string::npos; p = t.find(u"Dios", p + 1))
            ++expected;
    }
    ASSERT_GT(expected, 1);
    int found = 0;
    TRVItemPos last{-1, 0};
    while (view.SearchText(u"Dios", rvsroDown | rvsroMatchCase | rvsroWholeWord)) {
        TRVItemPos a, b;
        ASSERT_TRUE(d.GetSelectionItems(a, b));
        EXPECT_TRUE(a.ItemNo > last.ItemNo || (a.ItemNo == last.ItemNo && a.Offs > last.Offs));
        EXPECT_EQ(view.GetSelText(), u"Dios");
        // The match is scrolled into view.
        TRVSelectionBounds sb;
        ASSERT_TRUE(d.GetSelectionBounds(sb));
        const int top = d.DrawItemList()[sb.StartNo].Top - view.VScrollPos() * view.VScrollUnit() + d.DocumentOffsetY();
        EXPECT_GE(top, 0);
        EXPECT_LE(top + d.DrawItemList()[sb.StartNo].Height, view.viewport()->height());
        last = a;
        ASSERT_LT(++found, 1000);
    }
    EXPECT_LE(found, expected); // whole word may reject some
    EXPECT_GT(found, 0);
    EXPECT_EQ(view.GetSelText(), u"Dios"); // the last match stays selected
    // Upper case without match case finds the same first word as match case does with the original.
    view.Deselect();
    view.ScrollTo(0);
    ASSERT_TRUE(view.SearchText(u"DIOS", rvsroDown | rvsroFromStart));
    EXPECT_EQ(view.GetSelText(), u"Dios");
    view.Deselect();
    EXPECT_FALSE(view.SearchText(u"DIOS", rvsroDown | rvsroFromStart | rvsroMatchCase));
}

TEST_F(Viewer, ScrollingByWheelKeysAndRange)
{
    view.resize(600, 150); // several pages of the short study
    QApplication::processEvents();
    ASSERT_GT(view.VScrollMax(), 2 * view.viewport()->height() / 10);
    EXPECT_EQ(view.VScrollUnit(), 10);
    view.ScrollTo(0);
    auto wheel = [&](int delta) {
        QWheelEvent e(QPointF(50, 50), view.viewport()->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view.viewport(), &e);
    };
    const int lines = TRVScroller::WheelScrollLines();
    if (lines == 3) {
        wheel(-120); // one notch down: 2 units = 20 pixels
        EXPECT_EQ(view.VScrollPos(), 2);
        wheel(-60); // half notches add up
        EXPECT_EQ(view.VScrollPos(), 2);
        wheel(-60);
        EXPECT_EQ(view.VScrollPos(), 4);
        wheel(240);
        EXPECT_EQ(view.VScrollPos(), 0);
    }
    int scrolled = 0;
    view.OnVScrolled = [&](TRVScroller *) { ++scrolled; };
    key(&view, Qt::Key_End);
    EXPECT_EQ(view.VScrollPos(), view.VScrollMax());
    EXPECT_EQ(view.VScrollMax(), view.VRange() - view.viewport()->height() / view.VScrollUnit());
    key(&view, Qt::Key_Home);
    EXPECT_EQ(view.VScrollPos(), 0);
    key(&view, Qt::Key_PageDown);
    EXPECT_EQ(view.VScrollPos(), view.viewport()->height() / 10);
    key(&view, Qt::Key_Down);
    EXPECT_EQ(view.VScrollPos(), view.viewport()->height() / 10 + 1);
    EXPECT_EQ(scrolled, 4);
    view.SetWheelStep(0);
    const int before = view.VScrollPos();
    wheel(-120);
    EXPECT_EQ(view.VScrollPos(), before);

    view.SetTracking(false);
    EXPECT_FALSE(view.verticalScrollBar()->hasTracking());
}

TEST(Scroller, TallDocumentsGetALargerUnit)
{
    TRVScroller s;
    s.resize(200, 200);
    struct Case {
        int height, unit;
    } cases[] = {{1000, 10}, {320000, 10}, {500000, 16}, {3200001, 101}, {1000, 10}};
    for (auto &c : cases) {
        s.SetScrollRange(100, c.height);
        EXPECT_EQ(s.VScrollUnit(), c.unit) << c.height;
        EXPECT_LE(s.VRange(), 32000) << c.height;
    }
}

TEST_F(Viewer, ReloadingPutsTheReaderSheetBackAndNarrowingReformats)
{
    // A document without style tables after one whose tables changed the sheet.
    style.TextStyles[0].Size = 30;
    const std::filesystem::path tmp = std::filesystem::temp_directory_path() / "quenlor_readview_plain.rvf";
    {
        std::ofstream f(tmp, std::ios::binary);
        f << "-8 1 3\r\n0 1 0 0 0 0\r\nhola mundo\r\n";
    }
    ASSERT_TRUE(view.LoadRVFFromFile(tmp.string()));
    view.FormatDocument();
    EXPECT_EQ(style.TextStyles[0].Size, 10);
    EXPECT_EQ(view.ItemCount(), 1);
    EXPECT_EQ(view.WindowText(), QStringLiteral("hola mundo"));
    std::filesystem::remove(tmp);

    ASSERT_TRUE(view.LoadRVFFromFile(kJuan3));
    view.FormatDocument();
    view.SelectAll();
    const std::u16string all = view.GetSelText();
    const size_t lines = view.RVData().Lines().size();
    view.resize(300, 400);
    QApplication::processEvents();
    EXPECT_GT(view.RVData().Lines().size(), lines);
    EXPECT_EQ(view.GetSelText(), all);
    EXPECT_FALSE(view.LoadRVFFromFile("/nonexistent/nada.rvf"));
}

TEST_F(Viewer, AnExceptionInAHandlerStaysInTheWidget)
{
    const TRVJumpInfo *link = linkWithText("Jn:3:16");
    ASSERT_NE(link, nullptr);
    view.OnJump = [](TReadView *, int) { throw std::runtime_error("no verse table"); };
    const QPoint p = pointIn(*link);
    mouse(vp(), QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
    mouse(vp(), QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(view.LastError(), "no verse table");
    QImage shot = view.grab().toImage();
    EXPECT_FALSE(shot.isNull());
}
