// The interaction layer on the deterministic canvas: Arial 10 at 96 dpi is
// 13 pixels high there; "a" is 6 wide, a capital 9, a space 3. Margins are 5,
// so the first line's pieces start at (5, 5) and the second line at y 18.
#include "../test_doc.h"

#include "document/rvf_reader.h"
#include "platform/codepage.h"
#include "viewer/rv_controldata.h"
#include "viewer/rv_table_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace rv;
using namespace rvtest;

namespace {

struct Host : TRVControlHost {
    platform::TestCanvas canvas{640, 480};
    int width = 640, height = 480, vpos = 0;
    std::vector<int> jumps, moves;
    int selects = 0, copies = 0, popups = 0;
    TCursor cursor = 0;
    platform::Canvas *Canvas() override { return &canvas; }
    int ClientWidth() const override { return width; }
    int ClientHeight() const override { return height; }
    int VScrollPixels() const override { return vpos; }
    void ScrollToPixelY(int y) override { vpos = std::max(0, y); }
    void ShowCursor(TCursor c) override { cursor = c; }
    void Jump(int id) override { jumps.push_back(id); }
    void RVMouseMove(int id) override { moves.push_back(id); }
    void Select() override { ++selects; }
    void Copy() override { ++copies; }
    void ContextPopup(int, int) override { ++popups; }
};

struct View {
    TRVStyle style;
    Host host;
    TReadViewRVData data{host, &style};
    explicit View(int width = 640)
    {
        fillStyles(style);
        host.width = width;
    }
    void text(const std::string &s, int st = 0, int para = 0, uint8_t opts = 0) { addText(data, s, st, para, opts); }
    void text16(std::u16string_view s, int st = 0, uint8_t opts = 0)
    {
        text(utf16leBytes(s), st, 0, uint8_t(opts | ioUnicode));
    }
    void format() { data.FormatDocument(); }
    void click(int x, int y, TMouseButton b = mbLeft)
    {
        data.MouseDown(b, 0, x, y);
        data.MouseUp(b, 0, x, y);
    }
    void drag(int x1, int y1, int x2, int y2)
    {
        data.MouseDown(mbLeft, 0, x1, y1);
        data.MouseMove(x2, y2, ssLeft);
        data.MouseUp(mbLeft, 0, x2, y2);
    }
    std::string sel() const { return platform::utf16ToUtf8(data.GetSelTextW()); }
};

// "aaa " + hyperlink "Jn:3:16" on line 1 (pieces [5,26) and [26,71)), "ccc" on line 2.
void linkDoc(View &v)
{
    v.text("aaa ");
    v.text("Jn:3:16", 2, 0, ioContinuesParagraph);
    v.text("ccc");
    v.format();
}

} // namespace

TEST(HitTest, DrawItemAndCharacterAtPoint)
{
    View v;
    linkDoc(v);
    ASSERT_EQ(v.data.DrawItemList().Count(), 3);
    struct Case {
        int x, y, drawItem;
    } items[] = {{5, 5, 0}, {25, 17, 0}, {26, 5, 1}, {70, 10, 1}, {71, 10, -1}, {4, 10, -1}, {5, 18, 2}, {22, 30, 2},
                 {23, 20, -1}, {10, 31, -1}, {10, 4, -1}};
    for (auto &c : items)
        EXPECT_EQ(v.data.FindDrawItemAt(c.x, c.y), c.drawItem) << c.x << "," << c.y;

    struct CharCase {
        int x, y;
        bool exact;
        int drawItem, offs;
    } chars[] = {
        {0, 10, false, 0, 1},    // left of the line: its first piece
        {8, 10, false, 0, 1},    // 3 px from both boundaries: the left one
        {9, 10, false, 0, 2},
        {25, 10, false, 0, 5},   // "aaa " is 21 wide: nearer its end than the space's start
        {200, 10, false, 1, 8},  // right of the line: after the last piece
        {10, 100, false, 2, 2},  // below the document: the last line
        {10, 0, false, 0, 2},    // above it: the first line
        {35, 10, true, 1, 2},    // "J" is 9 wide
        {200, 10, true, -1, 0},  // exact form needs a piece
    };
    for (auto &c : chars) {
        int d = -9, o = -9;
        bool found = v.data.FindCharAt(c.x, c.y, c.exact, d, o);
        EXPECT_EQ(found, c.drawItem >= 0) << c.x << "," << c.y;
        if (found) {
            EXPECT_EQ(d, c.drawItem) << c.x << "," << c.y;
            EXPECT_EQ(o, c.offs) << c.x << "," << c.y;
        }
    }

    struct WordCase {
        int x;
        const char *word;
        int firstChar;
    } words[] = {{20, "aaa", 1}, {30, "Jn", 1}, {49, "3", 4}, {62, "16", 6}, {24, nullptr, 0}};
    for (auto &c : words) {
        std::string w;
        int item = -1, first = 0, st = 0;
        bool found = v.data.FindWordAt(c.x, 10, w, item, first, st);
        EXPECT_EQ(found, c.word != nullptr) << c.x;
        if (found && c.word) {
            EXPECT_EQ(w, c.word);
            EXPECT_EQ(first, c.firstChar);
        }
    }
}

TEST(Hyperlinks, ClickFiresOnReleaseOverTheSameLinkWithoutSelection)
{
    struct Case {
        const char *name;
        int firstJumpNo;
        std::vector<std::pair<char, std::pair<int, int>>> gesture; // d(own), m(ove), u(p)
        std::vector<int> jumps;
    } cases[] = {
        {"click", 0, {{'d', {30, 10}}, {'u', {32, 10}}}, {0}},
        {"published id adds FirstJumpNo", 7, {{'d', {30, 10}}, {'u', {30, 10}}}, {7}},
        {"released off the link", 0, {{'d', {30, 10}}, {'u', {200, 40}}}, {}},
        {"pressed off the link", 0, {{'d', {10, 10}}, {'u', {30, 10}}}, {}},
        {"dragged across the link: text selected", 0, {{'d', {30, 10}}, {'m', {60, 10}}, {'u', {40, 10}}}, {}},
    };
    for (auto &c : cases) {
        View v;
        v.style.SelectionMode = rvsmChar;
        linkDoc(v);
        v.data.SetFirstJumpNo(c.firstJumpNo);
        for (auto &[what, p] : c.gesture) {
            if (what == 'd')
                v.data.MouseDown(mbLeft, 0, p.first, p.second);
            else if (what == 'm')
                v.data.MouseMove(p.first, p.second, ssLeft);
            else
                v.data.MouseUp(mbLeft, 0, p.first, p.second);
        }
        EXPECT_EQ(v.host.jumps, c.jumps) << c.name;
        EXPECT_EQ(v.data.ItemIndexOfJump(c.firstJumpNo), 1) << c.name;
        EXPECT_EQ(v.data.ItemIndexOfJump(c.firstJumpNo + 1), -1) << c.name;
    }
}

TEST(Hyperlinks, WrappedLinkFiresOnceFromEitherLine)
{
    View v(60);
    v.text("Jn 3 16 18", 2); // wraps: "Jn 3 16" / "18"
    v.format();
    ASSERT_EQ(v.data.Jumps().size(), 2u);
    const TRVJumpInfo &a = v.data.Jumps()[0], &b = v.data.Jumps()[1];
    EXPECT_EQ(a.Id, 0);
    EXPECT_EQ(b.Id, 0);
    EXPECT_GT(b.Top, a.Top);
    v.data.MouseDown(mbLeft, 0, a.Left + 2, a.Top + 2);
    v.data.MouseUp(mbLeft, 0, b.Left + 2, b.Top + 2);
    EXPECT_EQ(v.host.jumps, std::vector<int>{0});
}

TEST(Hyperlinks, HoverRaisesMouseMoveOncePerChange)
{
    View v;
    v.text("aaa ");
    v.text("Jn:3:16", 2, 0, ioContinuesParagraph); // [26, 71)
    v.text("Mt:1:1", 2, 0, ioContinuesParagraph);  // right after it
    v.format();
    v.data.MouseMove(20, 10, 0);
    EXPECT_TRUE(v.host.moves.empty());
    v.data.MouseMove(30, 10, 0);
    EXPECT_EQ(v.host.cursor, crJump);
    EXPECT_EQ(v.data.HoveredJump(), 0);
    EXPECT_TRUE(v.data.HoverShown()); // the sheet's hover colour makes the style hover-sensitive
    v.data.MouseMove(55, 10, 0); // same link: nothing new
    v.data.MouseMove(75, 10, 0); // straight onto the next one
    EXPECT_EQ(v.data.HoveredJump(), 1);
    v.data.MouseMove(300, 10, 0);
    v.data.MouseMove(310, 10, 0);
    EXPECT_EQ(v.host.moves, (std::vector<int>{0, 1, -1}));
    EXPECT_FALSE(v.data.HoverShown());
    // Into the left margin: the line-selection cursor, and no hover left behind.
    v.data.MouseMove(30, 10, 0);
    v.data.MouseMove(2, 10, 0);
    EXPECT_EQ(v.host.cursor, crRVFlipArrow);
    EXPECT_EQ(v.data.HoveredJump(), -1);
}

TEST(Hyperlinks, TabWalksLinksAndEnterActivates)
{
    View v;
    v.text("a ");
    v.text("Jn:1:1", 2, 0, ioContinuesParagraph);
    v.text(" b ", 0, 0, ioContinuesParagraph);
    v.text("Jn:1:2", 2, 0, ioContinuesParagraph);
    v.format();
    EXPECT_TRUE(v.data.FocusNext(false));
    EXPECT_EQ(v.data.FocusedItem(), 1);
    EXPECT_TRUE(v.data.FocusNext(false));
    EXPECT_EQ(v.data.FocusedItem(), 3);
    EXPECT_FALSE(v.data.FocusNext(false));
    EXPECT_TRUE(v.data.FocusNext(true));
    EXPECT_EQ(v.data.FocusedItem(), 1);
    v.data.SetFirstJumpNo(10);
    EXPECT_TRUE(v.data.ActivateFocused());
    EXPECT_EQ(v.host.jumps, std::vector<int>{10});
}

TEST(Selection, MouseGesturesSelectCharactersWordsAndLines)
{
    struct Case {
        const char *name;
        TRVSelectionMode mode;
        int x1, y1, x2, y2;
        const char *text;
    } cases[] = {
        // "aaa bbb" / "ccc ddd": "aaa " is 21 wide, "bbb" starts at x 26.
        {"characters across a paragraph end", rvsmChar, 26, 10, 17, 20, "bbb\r\ncc"},
        {"backwards", rvsmChar, 17, 20, 26, 10, "bbb\r\ncc"},
        {"words: from inside one into the next", rvsmWord, 32, 10, 17, 20, "bbb\r\nccc"},
        {"words: backwards takes both words whole", rvsmWord, 17, 20, 32, 10, "bbb\r\nccc"},
        {"words: inside the pressed word by characters", rvsmWord, 29, 10, 38, 10, "bb"},
        {"line mode from the margin", rvsmWord, 2, 20, 2, 20, "ccc ddd"},
        {"paragraph mode", rvsmParagraph, 10, 10, 10, 10, "aaa bbb"},
    };
    for (auto &c : cases) {
        View v;
        v.style.SelectionMode = c.mode;
        v.text("aaa bbb");
        v.text("ccc ddd");
        v.format();
        v.drag(c.x1, c.y1, c.x2, c.y2);
        EXPECT_EQ(v.sel(), c.text) << c.name;
        EXPECT_GT(v.host.selects, 0) << c.name;
    }
}

TEST(Selection, WrapAddsNoLineBreakAndDoubleClickStopsAtComma)
{
    View v(40);
    v.style.SelectionMode = rvsmChar;
    v.text("aa bb cc dd"); // "aa bb" / "cc dd"
    v.text("hola, mundo");
    v.format();
    ASSERT_EQ(v.data.Lines().size(), 4u);
    v.drag(20, 10, 17, 20); // from before "bb" to after "cc", over the wrap
    EXPECT_EQ(v.sel(), "bb cc");

    const TRVDrawLineInfo &hola = v.data.DrawItemList()[v.data.FirstDrawItemOf(1)];
    v.data.MouseDown(mbLeft, ssDouble, hola.Left + 3, hola.Top + 3);
    v.data.DblClick(ssDouble, hola.Left + 3, hola.Top + 3);
    v.data.MouseUp(mbLeft, 0, hola.Left + 3, hola.Top + 3);
    EXPECT_EQ(v.sel(), "hola");
}

TEST(Selection, SelectAllRightClickAndReformat)
{
    View empty;
    empty.format();
    empty.data.SelectAll();
    EXPECT_EQ(empty.host.selects, 0);
    EXPECT_FALSE(empty.data.SelectionExists());

    View v;
    v.style.SelectionMode = rvsmChar;
    v.text("aaa bbb ccc");
    v.text("ddd");
    v.format();
    v.data.SelectAll();
    EXPECT_EQ(v.sel(), "aaa bbb ccc\r\nddd");
    EXPECT_EQ(v.host.selects, 1);

    // A right click inside keeps the selection, outside collapses it.
    v.drag(26, 10, 44, 10); // "bbb"
    EXPECT_EQ(v.sel(), "bbb");
    // The arrow over the selection and a right click agree on what lies
    // inside it, its first and last character included.
    for (int x : {25, 30, 43}) {
        v.data.MouseMove(x, 10, 0);
        EXPECT_EQ(v.host.cursor, crArrow) << x;
    }
    v.data.MouseMove(10, 20, 0);
    EXPECT_NE(v.host.cursor, crArrow);
    v.click(30, 10, mbRight);
    EXPECT_EQ(v.sel(), "bbb");
    v.click(10, 20, mbRight);
    EXPECT_FALSE(v.data.SelectionExists());
    EXPECT_EQ(v.host.popups, 2);

    // A narrower window wraps differently; the same characters stay selected.
    v.drag(26, 10, 44, 10);
    v.host.width = 40;
    v.data.Reformat();
    EXPECT_GT(v.data.Lines().size(), 2u);
    EXPECT_EQ(v.sel(), "bbb");
}

TEST(Copy, FormatsInOrderWithReadableRVF)
{
    View v;
    v.style.SelectionMode = rvsmChar;
    v.text("aaa bbb");
    v.text("Jn:3:16", 2, 0, ioContinuesParagraph);
    v.text("ccc ddd");
    v.style.TextStyles.Add().Unicode = true; // 4
    v.text16(u"\u03bb\u03cc\u03b3\u03bf\u03c2 x", 4);
    v.format();
    platform::ClipboardContent got;
    bool put = false;
    v.data.PutOnClipboard = [&](const platform::ClipboardContent &c) {
        got = c;
        put = true;
    };
    // Nothing selected: true, and the clipboard is left alone.
    EXPECT_TRUE(v.data.CopySelection());
    EXPECT_FALSE(put);

    v.data.SelectAll();
    ASSERT_TRUE(v.data.CopySelection());
    ASSERT_TRUE(put);
    EXPECT_EQ(v.host.copies, 1);
    ASSERT_EQ(got.items.size(), 5u);
    EXPECT_EQ(got.items[0].format, platform::kFormatRVF);
    EXPECT_EQ(got.items[1].format, platform::kFormatText);
    EXPECT_EQ(got.items[2].format, platform::kFormatUnicodeText);
    // The rich forms last, exactly as the selection writes them.
    EXPECT_EQ(got.items[3].format, platform::kFormatRTF);
    EXPECT_EQ(got.items[4].format, platform::kFormatHTML);
    std::string rtf, html;
    ASSERT_TRUE(v.data.GetSelectionRTF(rtf));
    ASSERT_TRUE(v.data.GetSelectionHTML(html));
    EXPECT_EQ(got.items[3].bytes, rtf);
    EXPECT_EQ(got.items[4].bytes, html);
    EXPECT_EQ(rtf.rfind("{\\rtf1\\ansi\\ansicpg1252", 0), 0u);
    EXPECT_NE(rtf.find("\\u955 ?"), std::string::npos) << rtf; // the Greek text, with its fallback
    // The primary selection gets the same formats without a copy event.
    platform::ClipboardContent primary;
    ASSERT_TRUE(v.data.BuildClipboard(primary, false));
    EXPECT_EQ(primary.items.size(), 5u);
    EXPECT_EQ(v.host.copies, 1);
    EXPECT_EQ(got.items[1].bytes, "aaa bbbJn:3:16\r\nccc ddd\r\n????? x");
    std::u16string w(reinterpret_cast<const char16_t *>(got.items[2].bytes.data()), got.items[2].bytes.size() / 2);
    EXPECT_EQ(w, u"aaa bbbJn:3:16\r\nccc ddd\r\n\u03bb\u03cc\u03b3\u03bf\u03c2 x");

    const std::string &block = got.items[0].bytes;
    ASSERT_GE(block.size(), 4u);
    uint32_t n = uint8_t(block[0]) | uint8_t(block[1]) << 8 | uint8_t(block[2]) << 16 | uint32_t(uint8_t(block[3])) << 24;
    ASSERT_EQ(n, block.size() - 4);
    TRVStyle style2;
    fillStyles(style2);
    style2.TextStyles.Add().Unicode = true;
    TCustomRVData back(&style2);
    int at = 0;
    ASSERT_TRUE(ReadRVFStream(back, std::string_view(block).substr(4), at, false));
    ASSERT_EQ(back.ItemCount(), 4);
    EXPECT_EQ(back.ItemText(1), "Jn:3:16");
    EXPECT_EQ(back.GetItem(1).StyleNo, 2);
    EXPECT_EQ(back.ItemTextW(3), u"\u03bb\u03cc\u03b3\u03bf\u03c2 x");

    // Without any format bit the copy answers false.
    v.data.Options = v.data.Options.Without(TRVOption::AutoCopyText | TRVOption::AutoCopyRVF | TRVOption::AutoCopyImage
                                            | TRVOption::AutoCopyRTF);
    EXPECT_FALSE(v.data.CopySelection());
}

namespace {

// Every (item, offset) a repeated find-next visits.
std::vector<std::pair<int, int>> visits(View &v, std::u16string_view what, uint32_t opts)
{
    std::vector<std::pair<int, int>> out;
    // Only the first search may start from the document's edge.
    for (int guard = 0; guard < 50 && v.data.SearchText(what, guard ? opts & ~rvsroFromStart : opts); ++guard) {
        TRVItemPos a, b;
        v.data.GetSelectionItems(a, b);
        out.push_back({a.ItemNo, a.Offs});
    }
    return out;
}

} // namespace

TEST(Search, FindNextWalksMatchesWithCaseAndWholeWord)
{
    using V = std::vector<std::pair<int, int>>;
    const uint32_t down = rvsroDown, up = 0;
    struct Case {
        const char *name;
        std::u16string what;
        uint32_t opts;
        V expected;
    } cases[] = {
        {"down in order", u"amor", down, {{0, 9}, {0, 15}, {1, 1}, {2, 1}}},
        {"match case", u"amor", down | rvsroMatchCase, {{0, 9}, {0, 15}, {2, 1}}},
        {"capitals find lower case", u"AMOR", down, {{0, 9}, {0, 15}, {1, 1}, {2, 1}}},
        {"whole word: comma is a delimiter, amoroso is not amor", u"amor", down | rvsroWholeWord,
         {{0, 9}, {1, 1}, {2, 1}}},
        {"accented letters fold in the code page", u"\u00c1RBOL", down, {{3, 1}, {3, 7}}},
        {"up from the end", u"amor", up | rvsroFromStart, {{2, 1}, {1, 1}, {0, 15}, {0, 9}}},
        {"split over two items is not found", u"medio", down, {}},
        {"unicode item compared in UTF-16", u"\u039b\u038c\u0393\u039f\u03a3", down, {{6, 1}}},
        {"'?' does not match what the code page lacks", u"?", down, {{6, 7}}},
        {"tab item", u"\t", down, {{8, 0}}},
        {"accents ignored: arbol finds both", u"arbol", down | rvsroIgnoreAccents, {{3, 1}, {3, 7}}},
        {"accents count by default", u"arbol", down, {}},
        {"accents ignored, case kept", u"arbol", down | rvsroIgnoreAccents | rvsroMatchCase, {{3, 7}}},
        {"accented pattern finds the plain word", u"\u00e1rbol", down | rvsroIgnoreAccents, {{3, 1}, {3, 7}}},
        {"accents ignored in a UTF-16 item", u"jesus senor", down | rvsroIgnoreAccents, {{9, 1}}},
        {"UTF-16 item keeps its accents by default", u"jesus", down, {}},
    };
    for (auto &c : cases) {
        View v;
        v.text("Dios es amor; amoroso");   // 0
        v.text("Amor, paciencia");         // 1
        v.text("amor");                    // 2
        v.text("\xC1rbol \xE1rbol");       // 3: Árbol árbol
        v.text("me");                      // 4
        v.text("dio", 1, 0, ioContinuesParagraph);
        v.text16(u"\u03bb\u03cc\u03b3\u03bf\u03c2 ?"); // 6
        v.text("x");                       // 7
        v.data.AddItem("", std::make_unique<TRVTabItemInfo>()); // 8
        v.data.GetItem(8).ItemOptions = ioContinuesParagraph;
        v.text16(u"Jes\u00fas se\u00f1or");    // 9
        v.format();
        EXPECT_EQ(visits(v, c.what, c.opts), c.expected) << c.name;
    }
}

TEST(Search, BlanksAWrapConsumedAreSteppedOver)
{
    // Line 1 "aaaa" (its trailing blank consumed by the wrap), line 2 "bbbbbb", then "x y".
    using V = std::vector<std::pair<int, int>>;
    struct Case {
        const char *name;
        std::u16string what;
        uint32_t opts;
        V expected;
        std::string selected; // after the last visit
    } cases[] = {
        {"down: the consumed blank is skipped", u" ", rvsroDown | rvsroFromStart, {{2, 2}}, " "},
        {"up: likewise", u" ", rvsroFromStart, {{2, 2}}, " "},
        {"a match ending in the consumed blank selects what shows of it", u"a ", rvsroDown | rvsroFromStart,
         {{0, 4}}, "a"},
    };
    for (auto &c : cases) {
        View v(50);
        v.text("aaaa ");
        v.text("bbbbbb", 0, 0, ioContinuesParagraph);
        v.text("x y");
        v.format();
        ASSERT_EQ(v.data.DrawItemList()[0].CharCount, 4) << c.name;
        EXPECT_EQ(visits(v, c.what, c.opts), c.expected) << c.name;
        EXPECT_EQ(v.sel(), c.selected) << c.name;
    }
}

TEST(Search, UpFromTheMiddleAndStopAtTheEnd)
{
    View v;
    v.text("uno dos uno dos uno");
    v.format();
    ASSERT_TRUE(v.data.SearchText(u"dos", rvsroDown)); // offset 5
    ASSERT_TRUE(v.data.SearchText(u"dos", rvsroDown)); // offset 13
    ASSERT_TRUE(v.data.SearchText(u"uno", 0));         // up: the nearest earlier one, in the same item
    TRVItemPos a, b;
    v.data.GetSelectionItems(a, b);
    EXPECT_EQ(a.Offs, 9);
    EXPECT_FALSE(v.data.SearchText(u"zzz", rvsroDown));
    v.data.GetSelectionItems(a, b);
    EXPECT_EQ(a.Offs, 9); // a failed search changes nothing
    EXPECT_FALSE(v.data.SearchText(u"", rvsroDown));
}

namespace {

// "uno" before a 2 x 2 table and after it; the cells hold
// "x uno" / "uno y uno" / "z" / "uno".
TRVTableItemInfo &tableDoc(View &v)
{
    v.text("uno");
    auto t = std::make_unique<TRVTableItemInfo>();
    t->SetSize(2, 2, &v.style);
    const char *texts[] = {"x uno", "uno y uno", "z", "uno"};
    for (int k = 0; k < 4; ++k)
        addText(*t->Cell(k / 2, k % 2), texts[k]);
    TRVTableItemInfo &ref = *t;
    v.data.AddItem("", std::move(t));
    v.text("uno");
    v.format();
    return ref;
}

// Where the current match stands: "ITEM@OFFS" outside, "ITEM/CELL/SUBITEM@OFFS" in a cell.
std::string where(const View &v)
{
    if (v.data.CellSelectionExists()) {
        const auto &c = v.data.CellSelection();
        const TRVItemPos a = c.Anchor.Offs <= c.Moving.Offs ? c.Anchor : c.Moving;
        std::string path = std::to_string(c.TableItem) + "/" + std::to_string(c.CellNo) + "/";
        for (const auto &step : c.Inner)
            path += std::to_string(step.TableItem) + "/" + std::to_string(step.CellNo) + "/";
        return path + std::to_string(a.ItemNo) + "@" + std::to_string(a.Offs);
    }
    TRVItemPos a, b;
    if (!v.data.GetSelectionItems(a, b))
        return "none";
    return std::to_string(a.ItemNo) + "@" + std::to_string(a.Offs);
}

} // namespace

TEST(Search, TableCellsAreSearchedRowByRowWhereTheTableStands)
{
    View v;
    tableDoc(v);
    std::vector<std::string> seen;
    uint32_t opts = rvsroDown | rvsroFromStart;
    while (v.data.SearchText(u"UNO", opts) && seen.size() < 10) {
        opts = rvsroDown;
        seen.push_back(where(v));
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"0@1", "1/0/0@3", "1/1/0@1", "1/1/0@7", "1/3/0@1", "2@1"}));
    EXPECT_EQ(where(v), "2@1"); // the failed step left the last match

    // Upward from the last match's moving end (past it): the same ones in reverse.
    seen.clear();
    while (v.data.SearchText(u"uno", 0) && seen.size() < 10)
        seen.push_back(where(v));
    EXPECT_EQ(seen, (std::vector<std::string>{"2@1", "1/3/0@1", "1/1/0@7", "1/1/0@1", "1/0/0@3", "0@1"}));

    // Whole word and case go into the cells too.
    ASSERT_TRUE(v.data.SearchText(u"y", rvsroDown | rvsroFromStart | rvsroWholeWord | rvsroMatchCase));
    EXPECT_EQ(where(v), "1/1/0@5");
    EXPECT_FALSE(v.data.SearchText(u"Y", rvsroDown | rvsroFromStart | rvsroMatchCase));
}

TEST(Search, AMatchInACellIsSelectedPaintedCopiedAndKept)
{
    View v;
    tableDoc(v);
    const TRVTableLayout *layout = v.data.TableLayoutOf(1);
    ASSERT_NE(layout, nullptr);
    ASSERT_TRUE(v.data.SearchText(u"z", rvsroDown | rvsroFromStart));
    EXPECT_FALSE(v.data.SelectionExists()); // the viewer's own selection is gone
    ASSERT_TRUE(v.data.CellSelectionExists());
    EXPECT_EQ(v.data.CellSelection().CellNo, 2);
    TRVSelectionBounds sb;
    ASSERT_TRUE(layout->Cells[2].Data->GetSelectionBounds(sb)); // the cell paints it
    EXPECT_EQ(v.sel(), "z");
    EXPECT_EQ(v.host.selects, 1);

    // Copy puts the match on the clipboard as text.
    platform::ClipboardContent clip;
    ASSERT_TRUE(v.data.BuildClipboard(clip));
    bool unicode = false;
    for (const auto &item : clip.items)
        if (item.format == platform::kFormatUnicodeText) {
            unicode = true;
            EXPECT_EQ(item.bytes, utf16leBytes(u"z"));
        }
    EXPECT_TRUE(unicode);

    // A narrower window lays the cells out again; the match stays.
    v.host.width = 300;
    v.data.Reformat();
    layout = v.data.TableLayoutOf(1);
    ASSERT_TRUE(v.data.CellSelectionExists());
    ASSERT_TRUE(layout->Cells[2].Data->GetSelectionBounds(sb));
    EXPECT_EQ(v.sel(), "z");

    // Selecting anything outside drops the cell's selection.
    v.data.SelectAll();
    EXPECT_FALSE(v.data.CellSelectionExists());
    EXPECT_FALSE(layout->Cells[2].Data->GetSelectionBounds(sb));

    // A word that only a cell holds occurs in the document.
    EXPECT_TRUE(v.data.TextOccurs(u"Y", 0));
    EXPECT_FALSE(v.data.TextOccurs(u"w", 0));
}

TEST(Search, AMatchInACellOfATallDocumentIsScrolledIntoView)
{
    View v;
    v.host.height = 100;
    for (int k = 0; k < 30; ++k)
        v.text("linea");
    tableDoc(v);
    ASSERT_TRUE(v.data.SearchText(u"z", rvsroDown | rvsroFromStart));
    const TRVTableLayout *layout = v.data.TableLayoutOf(31);
    ASSERT_NE(layout, nullptr);
    const auto &t = v.data.DrawItemList()[v.data.FirstDrawItemOf(31)];
    const int top = t.Top + layout->Cells[2].ContentTop - v.host.vpos;
    EXPECT_GE(top, 0);
    EXPECT_LE(top + 13, 100);
}

// Mouse selection inside a cell of tableDoc's table. Worked out by hand: the
// table stands at (5, 18) under the first line; its columns are 29 and 50
// wide ("x uno" 27, "uno y uno" 48, plus padding 1 on each side) at 2 and 33,
// its rows 15 high at 2 and 19. So the text of cell (0,1) "uno y uno" starts
// at (5 + 34, 18 + 3) = (39, 21): boundaries after u n o _ y at x 45 51 57 60 66,
// and cell (1,0) "z" at (8, 38).
TEST(CellSelection, DraggingInsideACellSelectsItsText)
{
    View v;
    v.style.SelectionMode = rvsmChar;
    tableDoc(v);
    const auto &t = v.data.DrawItemList()[v.data.FirstDrawItemOf(1)];
    ASSERT_EQ(t.Left, 5);
    ASSERT_EQ(t.Top, 18);
    const TRVTableLayout *layout = v.data.TableLayoutOf(1);
    ASSERT_NE(layout, nullptr);
    ASSERT_EQ(layout->Cells[1].ContentLeft, 34);
    ASSERT_EQ(layout->Cells[1].ContentTop, 3);

    // From after "u" (x 45) to 1 px right of the middle of "y": "no y".
    v.drag(45, 26, 64, 26);
    EXPECT_FALSE(v.data.SelectionExists());
    ASSERT_TRUE(v.data.CellSelectionExists());
    EXPECT_EQ(v.data.CellSelection().CellNo, 1);
    EXPECT_EQ(v.sel(), "no y");
    TRVSelectionBounds sb;
    ASSERT_TRUE(layout->Cells[1].Data->GetSelectionBounds(sb)); // the cell paints it
    EXPECT_EQ(sb.StartOffs, 2);
    EXPECT_EQ(sb.EndOffs, 6);
    EXPECT_GE(v.host.selects, 1);

    // The cell paints the selected characters apart from the rest.
    v.host.canvas.clearOps();
    v.data.DrawItems(v.host.canvas, {0, 0, 640, 480}, 0, 0, false, false);
    bool selectedRun = false;
    for (const auto &op : v.host.canvas.ops())
        if (op.kind == platform::DrawOp::Text && op.text == u"no y")
            selectedRun = op.rect.left == 45 && op.rect.top == 21;
    EXPECT_TRUE(selectedRun);

    // Shift+click at the cell's end extends it; Shift in another cell starts anew there.
    v.data.MouseDown(mbLeft, ssShift, 87, 26);
    v.data.MouseUp(mbLeft, ssShift, 87, 26);
    EXPECT_EQ(v.sel(), "no y uno");
    v.data.MouseDown(mbLeft, ssShift, 9, 42);
    v.data.MouseMove(20, 42, ssLeft);
    v.data.MouseUp(mbLeft, 0, 20, 42);
    EXPECT_EQ(v.data.CellSelection().CellNo, 2);
    EXPECT_EQ(v.sel(), "z");
    EXPECT_FALSE(layout->Cells[1].Data->GetSelectionBounds(sb)); // the old cell shows nothing

    // Shift+click in a cell with the document's text selected extends that over the table.
    v.drag(5, 10, 11, 10); // "u" of the first line
    v.data.MouseDown(mbLeft, ssShift, 45, 26);
    v.data.MouseUp(mbLeft, ssShift, 45, 26);
    EXPECT_FALSE(v.data.CellSelectionExists());
    TRVItemPos a, b;
    ASSERT_TRUE(v.data.GetSelectionItems(a, b));
    EXPECT_EQ(a, (TRVItemPos{0, 1}));
    EXPECT_EQ(b.ItemNo, 1);

    // A click without a drag leaves nothing selected, in the cell or outside.
    v.click(50, 26);
    EXPECT_FALSE(v.data.CellSelectionExists());
    EXPECT_FALSE(v.data.HasSelection());
}

TEST(CellSelection, LeavingTheCellSelectsTheTableWholeAndComingBackReturns)
{
    View v;
    v.style.SelectionMode = rvsmChar;
    tableDoc(v);
    v.data.MouseDown(mbLeft, 0, 45, 26);
    // Down onto the last line ("uno" at y 18 + 36 = 54): the table and "un".
    v.data.MouseMove(17, 58, ssLeft);
    EXPECT_FALSE(v.data.CellSelectionExists());
    TRVItemPos a, b;
    ASSERT_TRUE(v.data.GetSelectionItems(a, b));
    EXPECT_EQ(a, (TRVItemPos{1, 0}));
    EXPECT_EQ(b, (TRVItemPos{2, 3}));
    // Up onto the first line: "no" after its "u", and the table.
    v.data.MouseMove(11, 10, ssLeft);
    ASSERT_TRUE(v.data.GetSelectionItems(a, b));
    EXPECT_EQ(a, (TRVItemPos{0, 2}));
    EXPECT_EQ(b, (TRVItemPos{1, 1}));
    // Into another cell: the table alone.
    v.data.MouseMove(9, 42, ssLeft);
    ASSERT_TRUE(v.data.GetSelectionItems(a, b));
    EXPECT_EQ(a, (TRVItemPos{1, 0}));
    EXPECT_EQ(b, (TRVItemPos{1, 1}));
    // Back into the press cell: its text again, from the press point.
    v.data.MouseMove(57, 26, ssLeft);
    v.data.MouseUp(mbLeft, 0, 57, 26);
    EXPECT_FALSE(v.data.SelectionExists());
    ASSERT_TRUE(v.data.CellSelectionExists());
    EXPECT_EQ(v.sel(), "no");

    // The table as a whole copies with its cells as text.
    v.drag(45, 26, 9, 42);
    EXPECT_EQ(v.sel(), "x uno\tuno y uno\r\nz\tuno");
}

TEST(CellSelection, WordModeAndDoubleClickInACell)
{
    View v; // word mode by default
    tableDoc(v);
    // Pressing inside "uno" and moving past "y" takes whole words.
    v.data.MouseDown(mbLeft, 0, 48, 26);
    v.data.MouseMove(64, 26, ssLeft);
    EXPECT_EQ(v.sel(), "uno y");
    v.data.MouseMove(75, 26, ssLeft); // into the last "uno": to its end
    v.data.MouseUp(mbLeft, 0, 75, 26);
    EXPECT_EQ(v.sel(), "uno y uno");

    // A double click selects the word under it; the release keeps it.
    v.data.MouseDown(mbLeft, 0, 62, 26);
    v.data.MouseUp(mbLeft, 0, 62, 26);
    v.data.MouseDown(mbLeft, ssDouble, 62, 26);
    v.data.DblClick(ssDouble, 62, 26);
    v.data.MouseUp(mbLeft, 0, 62, 26);
    ASSERT_TRUE(v.data.CellSelectionExists());
    EXPECT_EQ(v.sel(), "y");

    // A right click inside the selection keeps it for the menu's copy.
    v.click(62, 26, mbRight);
    EXPECT_EQ(v.sel(), "y");
    EXPECT_EQ(v.host.popups, 1);
}

TEST(CellSelection, ACellSelectionCopiesInEveryFormat)
{
    View v;
    v.style.SelectionMode = rvsmChar;
    tableDoc(v);
    v.drag(45, 26, 64, 26);
    ASSERT_EQ(v.sel(), "no y");
    platform::ClipboardContent clip;
    ASSERT_TRUE(v.data.BuildClipboard(clip));
    EXPECT_EQ(v.host.copies, 1);
    std::vector<std::string> formats;
    std::string rtf, rvf, text, html;
    for (const auto &item : clip.items) {
        formats.push_back(item.format);
        if (item.format == platform::kFormatRTF)
            rtf = item.bytes;
        if (item.format == platform::kFormatRVF)
            rvf = item.bytes;
        if (item.format == platform::kFormatText)
            text = item.bytes;
        if (item.format == platform::kFormatHTML)
            html = item.bytes;
    }
    // As outside a table: our format, the 8-bit and UTF-16 texts, RTF and HTML.
    EXPECT_EQ(formats, (std::vector<std::string>{platform::kFormatRVF, platform::kFormatText, platform::kFormatUnicodeText,
                                                 platform::kFormatRTF, platform::kFormatHTML}));
    EXPECT_EQ(text, "no y");
    EXPECT_EQ(rtf.rfind("{\\rtf1", 0), 0u);
    EXPECT_NE(rtf.find("no y"), std::string::npos);
    EXPECT_EQ(rtf.find("uno y"), std::string::npos); // the cut, not the whole cell
    EXPECT_EQ(rtf.find("\\trowd"), std::string::npos); // text of the cell, no table around it
    ASSERT_GE(rvf.size(), 4u);
    const uint32_t n = uint8_t(rvf[0]) | uint8_t(rvf[1]) << 8 | uint8_t(rvf[2]) << 16 | uint32_t(uint8_t(rvf[3])) << 24;
    EXPECT_EQ(n, rvf.size() - 4);
    EXPECT_NE(rvf.find("no y"), std::string::npos);
    EXPECT_NE(html.find("no y"), std::string::npos);

    // A find match in a cell goes out the same way.
    ASSERT_TRUE(v.data.SearchText(u"z", rvsroDown | rvsroFromStart));
    std::string matchRtf;
    ASSERT_TRUE(v.data.GetSelectionRTF(matchRtf));
    EXPECT_NE(matchRtf.find("z"), std::string::npos);
}

TEST(Search, TablesNestedInCellsAreSearchedWhereTheyStand)
{
    // "dos" before; a 1 x 2 table whose second cell holds "b" and a 1 x 1
    // table of "dos"; "dos" after.
    View v;
    v.text("dos");
    auto outer = std::make_unique<TRVTableItemInfo>();
    outer->SetSize(1, 2, &v.style);
    addText(*outer->Cell(0, 0), "a");
    addText(*outer->Cell(0, 1), "b");
    auto inner = std::make_unique<TRVTableItemInfo>();
    inner->SetSize(1, 1, &v.style);
    addText(*inner->Cell(0, 0), "uno dos");
    outer->Cell(0, 1)->AddItem("", std::move(inner));
    v.data.AddItem("", std::move(outer));
    v.text("dos");
    v.format();

    std::vector<std::string> seen;
    uint32_t opts = rvsroDown | rvsroFromStart;
    while (v.data.SearchText(u"DOS", opts) && seen.size() < 10) {
        opts = rvsroDown;
        seen.push_back(where(v));
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"0@1", "1/1/1/0/0@5", "2@1"}));
    seen.clear();
    while (v.data.SearchText(u"dos", 0) && seen.size() < 10)
        seen.push_back(where(v));
    EXPECT_EQ(seen, (std::vector<std::string>{"2@1", "1/1/1/0/0@5", "0@1"}));

    // The nested match is selected, painted by the inner cell, and copied.
    ASSERT_TRUE(v.data.SearchText(u"uno", rvsroDown | rvsroFromStart));
    EXPECT_EQ(where(v), "1/1/1/0/0@1");
    EXPECT_EQ(v.sel(), "uno");
    const TRVTableLayout *outerLayout = v.data.TableLayoutOf(1);
    ASSERT_NE(outerLayout, nullptr);
    const TRVTableLayout *innerLayout = outerLayout->Cells[1].Data->TableLayoutOf(1);
    ASSERT_NE(innerLayout, nullptr);
    TRVSelectionBounds sb;
    EXPECT_TRUE(innerLayout->Cells[0].Data->GetSelectionBounds(sb));
    EXPECT_FALSE(v.data.CellSelectionRect().isEmpty());
    std::string rtf;
    ASSERT_TRUE(v.data.GetSelectionRTF(rtf));
    EXPECT_NE(rtf.find("uno"), std::string::npos);
    EXPECT_TRUE(v.data.TextOccurs(u"UNO", 0)); // only the nested cell holds it

    // A drag inside the nested cell selects there too.
    const platform::Rect r = v.data.CellSelectionRect();
    v.data.Deselect();
    v.style.SelectionMode = rvsmChar;
    v.drag(r.left + 1, r.top + 3, r.left + 11, r.top + 3); // "u" and "n" boundaries at +6, +12
    EXPECT_EQ(where(v), "1/1/1/0/0@1");
    EXPECT_EQ(v.sel(), "un");
}
