// Exact layout on the deterministic canvas. Arial 10 at 96 dpi there is 13
// pixels high (ascent 11, descent 2); "a" is 6 wide, a capital 9, a space 3.
#include "test_doc.h"
#include "document/rv_marker.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace rv;
using namespace rvtest;

namespace {

struct Piece {
    int left, top, width, height, itemNo, firstChar, charCount;
    bool startsLine;
    int spaceBefore = 0;
};

std::vector<Piece> pieces(const TCustomRVFormattedData &d)
{
    std::vector<Piece> out;
    for (int i = 0; i < d.DrawItemList().Count(); ++i) {
        const auto &p = d.DrawItemList()[i];
        out.push_back({p.Left, p.Top, p.Width, p.Height, p.ItemNo, p.FirstChar, p.CharCount, p.StartsLine, p.SpaceBefore});
    }
    return out;
}

std::string describe(const std::vector<Piece> &ps)
{
    std::string s;
    for (auto &p : ps)
        s += "{" + std::to_string(p.left) + "," + std::to_string(p.top) + "," + std::to_string(p.width) + ","
            + std::to_string(p.height) + " item " + std::to_string(p.itemNo) + " chars " + std::to_string(p.firstChar)
            + "+" + std::to_string(p.charCount) + (p.startsLine ? " line" : "") + " sb " + std::to_string(p.spaceBefore)
            + "}\n";
    return s;
}

// "ab", a tab, "cd" on one line of paragraph style 0 with the given stops.
void tabLine(Doc &d, std::vector<TRVTabInfo> stops)
{
    d.style.ParaStyles[0].Tabs = std::move(stops);
    d.text("ab");
    d.item(std::make_unique<TRVTabItemInfo>(), 0, ioContinuesParagraph);
    d.text("cd", 0, 0, ioContinuesParagraph);
}

struct LayoutCase {
    const char *name;
    int clientWidth;
    std::function<void(Doc &)> build;
    std::vector<Piece> expected;
    int contentHeight;
};

} // namespace

TEST(Layout, PiecePositions)
{
    const std::vector<LayoutCase> cases = {
        {"wrap at the last space that fits; the space belongs to neither line", 50,
         [](Doc &d) { d.text("aaa bbb ccc"); },
         {{5, 5, 39, 13, 0, 1, 7, true}, {5, 18, 18, 13, 0, 9, 3, true}}, 36},
        {"a word longer than the line is cut at the last fitting character", 50,
         [](Doc &d) { d.text("ab abcdefghij"); },
         {{5, 5, 12, 13, 0, 1, 2, true}, {5, 18, 36, 13, 0, 4, 6, true}, {5, 31, 24, 13, 0, 10, 4, true}}, 49},
        {"justified: free space goes to words that start with a blank; last line left", 50,
         [](Doc &d) { d.text("aa bb cc dd", 0, 1); },
         {{5, 5, 12, 13, 0, 1, 2, true}, {17, 5, 28, 13, 0, 3, 3, false, 13},
          {5, 18, 12, 13, 0, 7, 2, true}, {17, 18, 15, 13, 0, 9, 3, false}}, 36},
        {"first-line, left and right indents", 110,
         [](Doc &d) { d.text("aaaa aaaa aaaa", 0, 2); },
         {{35, 5, 51, 13, 0, 1, 9, true}, {15, 18, 24, 13, 0, 11, 4, true}}, 36},
        {"a taller piece moves the earlier pieces of its line down; raised text", 640,
         [](Doc &d) {
             d.text("ab");
             d.text("CD", 1, 0, ioContinuesParagraph);
             d.text("x", 3, 0, ioContinuesParagraph);
         },
         {{5, 16, 12, 13, 0, 1, 2, true}, {17, 5, 36, 27, 1, 1, 2, false}, {53, 12, 5, 11, 2, 1, 1, false}}, 37},
        {"empty paragraphs are one empty piece as high as a hyphen", 640,
         [](Doc &d) {
             d.text("ab");
             d.text("");
             d.text("cd");
         },
         {{5, 5, 12, 13, 0, 1, 2, true}, {5, 18, 0, 13, 1, 1, 0, true}, {5, 31, 12, 13, 2, 1, 2, true}}, 49},
        {"paragraph spacing before and after", 640,
         [](Doc &d) {
             d.text("ab", 0, 8);
             d.text("", 0, 8);
             d.text("cd", 0, 8);
         },
         {{5, 9, 12, 13, 0, 1, 2, true}, {5, 32, 0, 13, 1, 1, 0, true}, {5, 55, 12, 13, 2, 1, 2, true}}, 79},
        {"an inline box on the baseline; a horizontal line 11 high over the wrap width", 640,
         [](Doc &d) {
             d.text("ab");
             d.item(std::make_unique<TestBox>(30, 20), 0, ioContinuesParagraph);
             d.item(std::make_unique<TRVBreakItemInfo>());
             d.text("cd");
         },
         {{5, 14, 12, 13, 0, 1, 2, true}, {17, 5, 30, 20, 1, 0, 0, false}, {5, 27, 630, 11, 2, 0, 0, true},
          {5, 38, 12, 13, 3, 1, 2, true}},
         56},
        {"line spacing 150 %: half the text height below each line", 50,
         [](Doc &d) { d.text("aaaa aaaa", 0, 3); },
         {{5, 5, 24, 13, 0, 1, 4, true}, {5, 24, 24, 13, 0, 6, 4, true}}, 48},
        {"line spacing 40 % adds nothing", 50,
         [](Doc &d) { d.text("aaaa aaaa", 0, 7); },
         {{5, 5, 24, 13, 0, 1, 4, true}, {5, 18, 24, 13, 0, 6, 4, true}}, 36},
        {"centred and right-aligned", 50,
         [](Doc &d) {
             d.text("ab", 0, 4);
             d.text("ab", 0, 5);
         },
         {{19, 5, 12, 13, 0, 1, 2, true}, {33, 18, 12, 13, 1, 1, 2, true}}, 36},
        {"Unicode text breaks after a hyphen", 50,
         [](Doc &d) { d.text16(u"aaaa-bbbb"); },
         {{5, 5, 30, 13, 0, 1, 5, true}, {5, 18, 24, 13, 0, 6, 4, true}}, 36},
        {"single-byte text breaks only at blanks", 50,
         [](Doc &d) { d.text("aaaa-bbbb"); },
         {{5, 5, 36, 13, 0, 1, 6, true}, {5, 18, 18, 13, 0, 7, 3, true}}, 36},
        {"a wrap between items drops the blank that starts the next item; the item keeps an empty piece", 50,
         [](Doc &d) {
             d.text("aaaaaa");
             d.text(" bb", 0, 0, ioContinuesParagraph);
         },
         {{5, 5, 36, 13, 0, 1, 6, true}, {41, 5, 0, 13, 1, 1, 0, false}, {5, 18, 12, 13, 1, 2, 2, true}}, 36},
        {"a blank at the end of a wrapped line is removed from its piece", 50,
         [](Doc &d) {
             d.text("aaaaa ");
             d.text("bb", 0, 0, ioContinuesParagraph);
         },
         {{5, 5, 30, 13, 0, 1, 5, true}, {5, 18, 12, 13, 1, 1, 2, true}}, 36},
        {"a wrap after a space item of its own keeps that item as an empty piece", 50,
         [](Doc &d) {
             d.text("aaaaa");
             d.text(" ", 0, 0, ioContinuesParagraph);
             d.text("bbbbb", 0, 0, ioContinuesParagraph);
         },
         {{5, 5, 30, 13, 0, 1, 5, true}, {35, 5, 0, 13, 1, 1, 0, false}, {5, 18, 30, 13, 2, 1, 5, true}}, 36},
        {"justified double blank: the lone blank that ends the line goes, the one before it is widened", 50,
         [](Doc &d) { d.text("aaaaa  bbbbb", 0, 1); },
         {{5, 5, 30, 13, 0, 1, 5, true}, {35, 5, 10, 13, 0, 6, 1, false, 7}, {5, 18, 30, 13, 0, 8, 5, true}}, 36},
        {"tab without stops: the next multiple of the default tab width", 640,
         [](Doc &d) { tabLine(d, {}); },
         {{5, 5, 12, 13, 0, 1, 2, true}, {17, 5, 36, 13, 1, 0, 0, false}, {53, 5, 12, 13, 2, 1, 2, false}}, 23},
        {"left tab stop", 640,
         [](Doc &d) { tabLine(d, {{40, rvtaLeft, ""}}); },
         {{5, 5, 12, 13, 0, 1, 2, true}, {17, 5, 28, 13, 1, 0, 0, false}, {45, 5, 12, 13, 2, 1, 2, false}}, 23},
        {"right tab stop: the text after it ends at the stop", 640,
         [](Doc &d) { tabLine(d, {{100, rvtaRight, ""}}); },
         {{5, 5, 12, 13, 0, 1, 2, true}, {17, 5, 76, 13, 1, 0, 0, false}, {93, 5, 12, 13, 2, 1, 2, false}}, 23},
        {"centred tab stop: the text after it is centred on the stop", 640,
         [](Doc &d) { tabLine(d, {{100, rvtaCenter, ""}}); },
         {{5, 5, 12, 13, 0, 1, 2, true}, {17, 5, 82, 13, 1, 0, 0, false}, {99, 5, 12, 13, 2, 1, 2, false}}, 23},
        {"right tab stop beyond the line is cut to the line's end", 100,
         [](Doc &d) { tabLine(d, {{300, rvtaRight, ""}}); },
         {{5, 5, 12, 13, 0, 1, 2, true}, {17, 5, 66, 13, 1, 0, 0, false}, {83, 5, 12, 13, 2, 1, 2, false}}, 23},
        {"a box aligned to the line's bottom that rises above the text moves the line down", 640,
         [](Doc &d) {
             d.text("ab");
             auto box = std::make_unique<TestBox>(20, 30);
             box->VerticalAlign = TRVVAlign::AbsBottom;
             d.item(std::move(box), 0, ioContinuesParagraph);
             d.text("cd");
         },
         {{5, 22, 12, 13, 0, 1, 2, true}, {17, 5, 20, 30, 1, 0, 0, false}, {5, 35, 12, 13, 2, 1, 2, true}}, 53},
        {"a line break item starts a new line in the same paragraph", 640,
         [](Doc &d) {
             d.text("ab", 0, 8);
             d.text("cd", 0, 8, ioLineBreak);
         },
         {{5, 9, 12, 13, 0, 1, 2, true}, {5, 22, 12, 13, 1, 1, 2, true}}, 46},
    };
    for (const auto &c : cases) {
        Doc d(c.clientWidth);
        c.build(d);
        d.data.Format();
        auto got = pieces(d.data);
        EXPECT_EQ(describe(got), describe(c.expected)) << c.name;
        EXPECT_EQ(d.data.ContentHeight(), c.contentHeight) << c.name;
    }
}

TEST(Layout, EmptyDocumentHasOnlyItsMargins)
{
    Doc d;
    d.data.Format();
    EXPECT_EQ(d.data.DrawItemList().Count(), 0);
    EXPECT_EQ(d.data.ContentHeight(), 10);
    Doc hi(640, 192); // margins scale with the target's resolution
    hi.data.Format();
    EXPECT_EQ(hi.data.ContentHeight(), 20);
}

TEST(Layout, TargetResolutionScalesFontsAndLengths)
{
    Doc d(640, 192);
    d.text("ab", 0, 8);
    d.data.Format();
    ASSERT_EQ(d.data.DrawItemList().Count(), 1);
    const auto &p = d.data.DrawItemList()[0];
    // Font 27 px high (10 pt at 192 dpi); margins 10, space before 8, after 12.
    EXPECT_EQ(p.Left, 10);
    EXPECT_EQ(p.Top, 18);
    EXPECT_EQ(p.Width, 26);
    EXPECT_EQ(p.Height, 27);
    EXPECT_EQ(d.data.ContentHeight(), 18 + 27 + 10 + 12);
}

TEST(Layout, HyperlinksAreNumberedPerItem)
{
    Doc d(100);
    d.text("Jn:3:16", 2);
    d.text(" y ", 0, 0, ioContinuesParagraph);
    d.text("aaaa bbbb", 2, 0, ioContinuesParagraph); // wraps: two pieces, one number
    d.text("", 2, 0, ioContinuesParagraph);          // empty: no number
    d.text("Hch:1:1", 2);
    d.data.SetFirstJumpNo(10);
    d.data.Format();
    std::vector<std::pair<int, int>> got; // (id, draw item)
    for (auto &j : d.data.Jumps())
        got.push_back({j.Id, j.DrawItemNo});
    EXPECT_EQ(got, (std::vector<std::pair<int, int>>{{0, 0}, {1, 2}, {1, 3}, {2, 5}}));
    EXPECT_EQ(d.data.JumpCount(), 3);
    const int expectItem[][2] = {{10, 0}, {11, 2}, {12, 4}, {13, -1}, {9, -1}};
    for (auto &e : expectItem)
        EXPECT_EQ(d.data.ItemIndexOfJump(e[0]), e[1]) << e[0];
    // Jump rectangles are the pieces' own.
    const auto &j = d.data.Jumps()[2];
    const auto &p = d.data.DrawItemList()[3];
    EXPECT_EQ((std::vector<int>{j.Left, j.Top, j.Width, j.Height}), (std::vector<int>{p.Left, p.Top, p.Width, p.Height}));
    EXPECT_EQ(j.Cursor, crJump);
}

TEST(Layout, WidthsFollowTheClientAndTheOptions)
{
    {
        Doc d(50); // no wrap: the paragraph stays on one line and widens the content
        d.data.WordWrap = false;
        d.text("aaaa aaaa aaaa");
        d.data.Format();
        EXPECT_EQ(d.data.DrawItemList().Count(), 1);
        EXPECT_EQ(d.data.ContentWidth(), 78);
        EXPECT_EQ(d.data.DocumentWidth(), 88);
    }
    {
        Doc d(50); // a no-wrap paragraph among wrapping ones
        d.text("aaaa aaaa aaaa", 0, 6);
        d.text("aaaa aaaa aaaa");
        d.data.Format();
        EXPECT_EQ(d.data.ContentWidth(), 78);
        EXPECT_EQ(d.data.DrawItemList().Count(), 2); // the second wraps at the content width
    }
    {
        Doc d(200);
        d.data.MaxTextWidth = 40;
        d.text("aaaa aaaa");
        d.data.Format();
        EXPECT_EQ(d.data.ContentWidth(), 190);
        EXPECT_EQ(d.data.WrapWidth(), 40);
        EXPECT_EQ(d.data.DrawItemList().Count(), 2);
    }
    {
        Doc d(50);
        d.data.MinTextWidth = 100;
        d.text("aaaa aaaa");
        d.data.Format();
        EXPECT_EQ(d.data.ContentWidth(), 100);
        EXPECT_EQ(d.data.DrawItemList().Count(), 1);
    }
}

// Counts the formatting passes by the scroll ranges they set.
struct ScrollRangeCounting : TRVLayoutData {
    using TRVLayoutData::TRVLayoutData;
    int calls = 0;
    void SetScrollRange(int width, int height) override
    {
        ++calls;
        TRVLayoutData::SetScrollRange(width, height);
    }
};

TEST(Layout, AScrollBarThatAppearsTriggersASecondPass)
{
    TRVStyle style;
    fillStyles(style);
    platform::TestCanvas canvas;
    ScrollRangeCounting data(&style, &canvas);
    data.ClientWidth = 70;
    data.ClientHeight = 30;
    data.VScrollBarWidth = 20;
    addText(data, "aaaa aaaa aaaa aaaa");
    data.Format();
    EXPECT_EQ(data.calls, 2);
    EXPECT_EQ(data.WrapWidth(), 40);
    EXPECT_EQ(data.DrawItemList().Count(), 4);
}

TEST(Layout, ResizeKeepsTheViewAndSkipsUnchangedWidths)
{
    Doc d(200);
    d.data.ClientHeight = 40;
    for (int i = 0; i < 50; ++i)
        d.text("aaaa aaaa aaaa aaaa aaaa aaaa");
    d.data.Format();
    const int topItem = 30;
    d.data.VOffs = d.data.DrawItemList()[d.data.FirstDrawItemOf(topItem)].Top + 3;
    d.data.ClientWidth = 120;
    d.data.FormatItems(true, false, false);
    EXPECT_EQ(d.data.VOffs, d.data.DrawItemList()[d.data.FirstDrawItemOf(topItem)].Top + 3);
    // Only taller: widths unchanged, nothing is laid out again.
    const auto *first = d.data.DrawItemList().Get(0);
    d.data.ClientHeight = 400;
    d.data.FormatItems(true, false, false);
    EXPECT_EQ(d.data.DrawItemList().Get(0), first);
}

TEST(Layout, PrinterFormattingOfSharedItemsLeavesTheScreenLayoutAlone)
{
    Doc screen(50);
    screen.text("aaaa bbbb cccc", 2);
    screen.data.Format();
    auto before = describe(pieces(screen.data));
    platform::TestCanvas printer(2000, 3000, 600, true);
    TRVLayoutData print(&screen.style, &printer);
    print.ShareItemsFrom(&screen.data);
    print.ClientWidth = 600;
    print.Format();
    EXPECT_EQ(print.DrawItemList()[0].Height, 83); // 10 pt at 600 dpi
    EXPECT_EQ(print.DrawItemList()[0].Left, 31);   // MulDiv(5, 600, 96)
    EXPECT_EQ(describe(pieces(screen.data)), before);
    EXPECT_EQ(screen.data.FirstDrawItemOf(0), 0);
    EXPECT_EQ(screen.data.Jumps().size(), 3u);
}

TEST(Layout, LinesAndParagraphsAreRecorded)
{
    Doc d(50);
    d.text("aaa bbb ccc");
    d.text("dd");
    d.data.Format();
    ASSERT_EQ(d.data.Lines().size(), 3u);
    ASSERT_EQ(d.data.Paras().size(), 2u);
    EXPECT_EQ(d.data.Lines()[2].FirstDrawItem, 2);
    EXPECT_EQ(d.data.Paras()[0].LineCount, 2);
    EXPECT_EQ(d.data.Paras()[0].Bottom, 31);
    EXPECT_EQ(d.data.FindLineAt(0), 0);
    EXPECT_EQ(d.data.FindLineAt(18), 1);
    EXPECT_EQ(d.data.FindLineAt(43), 2);
    EXPECT_EQ(d.data.FindLineAt(44), 3);
    EXPECT_EQ(d.data.LineOfDrawItem(1), 1);
}

// Counts the characters each measurement touches.
class CountingCanvas : public platform::TestCanvas {
public:
    long measured = 0;
    platform::Size textExtent(std::u16string_view t) override
    {
        measured += long(t.size());
        return TestCanvas::textExtent(t);
    }
    int textFit(std::u16string_view t, int maxExtent, std::vector<int> *extents) override
    {
        int n = TestCanvas::textFit(t, maxExtent, extents);
        measured += std::min(long(t.size()), long(n) + 1);
        return n;
    }
};

TEST(Layout, MeasuringALongParagraphCostsItsLengthNotItsSquare)
{
    for (int words : {1000, 4000}) {
        TRVStyle style;
        fillStyles(style);
        CountingCanvas canvas;
        TRVLayoutData data(&style, &canvas);
        data.Options = data.Options.Without(TRVOption::FastFormatting); // measure on the counted canvas itself
        data.ClientWidth = 200;
        std::string text;
        for (int i = 0; i < words; ++i)
            text += "aaaa ";
        auto it = std::make_unique<TRVTextItemInfo>(0);
        data.AddItem(text, std::move(it));
        data.Format();
        EXPECT_LT(canvas.measured, long(text.size()) * 3) << words;
    }
}

// A list paragraph: the marker stands at the level's MarkerIndent, extends by
// its alignment and reaches at least the text indent; the first line's text
// follows it, the next lines start at the level's LeftIndent. The marker font
// is 20 px, so "1." is 20 wide; the left margin is 5.
TEST(Layout, ListMarkersPlaceTheirParagraphs)
{
    struct Case {
        TRVMarkerAlignment align;
        int markerIndent;
        int markerLeft, markerWidth, textLeft;
    };
    const Case cases[] = {
        {rvmaLeft, 30, 35, 20, 55},   // 20 wide, past the gap of 10: the text follows it
        {rvmaRight, 30, 15, 30, 45},  // ends at its position, widened to the text indent
        {rvmaCenter, 30, 25, 20, 45}, // 10 each side
        {rvmaLeft, 10, 15, 30, 45},   // narrower than the gap of 30
    };
    for (const Case &c : cases) {
        Doc d(120);
        TRVListLevel &lv = d.style.ListStyles.Add().Levels.emplace_back();
        lv.ListType = rvlstDecimal;
        lv.FormatString = "%0:s.";
        lv.MarkerIndent = c.markerIndent;
        lv.LeftIndent = 40;
        lv.FirstIndent = 0;
        lv.MarkerAlignment = c.align;
        lv.Font.Height = -20;
        auto m = std::make_unique<TRVMarkerItemInfo>();
        m->ListNo = 0;
        m->Level = 0;
        d.item(std::move(m), 2);
        d.text("aaaa aaaa aaaa", 0, 2, ioContinuesParagraph);
        NumberListMarkers(d.data);
        d.data.Format();
        auto got = pieces(d.data);
        ASSERT_GE(got.size(), 3u) << describe(got);
        EXPECT_EQ(got[0].left, c.markerLeft) << int(c.align) << "\n" << describe(got);
        EXPECT_EQ(got[0].width, c.markerWidth) << int(c.align) << "\n" << describe(got);
        EXPECT_EQ(got[1].left, c.textLeft) << int(c.align) << "\n" << describe(got);
        EXPECT_TRUE(got.back().startsLine);
        EXPECT_EQ(got.back().left, 5 + 40) << int(c.align) << "\n" << describe(got);
    }
}
