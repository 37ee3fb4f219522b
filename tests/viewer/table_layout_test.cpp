// Table layout on the deterministic canvas, worked out by hand: Arial 10 is 13
// pixels high, "a" 6 wide, a space 3. Defaults: no borders, border spacing 2,
// cell spacing 2, padding 1; so a cell adds 2 to its text width and height.
#include "test_doc.h"
#include "document/rv_graphic.h"
#include "platform/codepage.h"
#include "viewer/rv_table_layout.h"

#include <gtest/gtest.h>

using namespace rv;
using namespace rvtest;
using platform::DrawOp;
using platform::Rect;

namespace {

// A table of rows x cols whose cells hold the given texts (row-major; an
// empty string leaves the slot without a cell, for spans).
TRVTableItemInfo &addTable(Doc &d, int rows, int cols, std::vector<std::string> texts)
{
    auto t = std::make_unique<TRVTableItemInfo>();
    t->SetSize(rows, cols, &d.style);
    size_t k = 0;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c, ++k) {
            if (k >= texts.size() || texts[k].empty()) {
                t->Rows[size_t(r)].Cells[size_t(c)].reset();
                continue;
            }
            // "|" starts a new paragraph inside the cell.
            std::string s = texts[k];
            size_t a = 0;
            while (true) {
                size_t b = s.find('|', a);
                addText(*t->Cell(r, c), s.substr(a, b == std::string::npos ? std::string::npos : b - a));
                if (b == std::string::npos)
                    break;
                a = b + 1;
            }
        }
    TRVTableItemInfo &ref = *t;
    d.item(std::move(t));
    return ref;
}

const TRVTableLayout &layoutOf(Doc &d, int item)
{
    const TRVTableLayout *l = d.data.TableLayoutOf(item);
    EXPECT_NE(l, nullptr);
    return *l;
}

std::string boxes(const TRVTableLayout &l)
{
    std::string s;
    for (const auto &b : l.Cells)
        s += "(" + std::to_string(b.Row) + "," + std::to_string(b.Col) + ") " + std::to_string(b.Box.left) + ","
             + std::to_string(b.Box.top) + "-" + std::to_string(b.Box.right) + "," + std::to_string(b.Box.bottom)
             + " at " + std::to_string(b.ContentLeft) + "," + std::to_string(b.ContentTop) + "\n";
    return s;
}

} // namespace

TEST(TableLayout, AutoAndFixedColumns)
{
    // Column 0: "ab" 12 and "a b" 15 (its widest word 6) -> 17 wide with
    // padding; column 1: "abcd" 24 and "x" 6 -> 26. Width 2 + 17 + 2 + 26 + 2.
    Doc d;
    addTable(d, 2, 2, {"ab", "abcd", "a b", "x"});
    d.text("fin");
    d.data.Format();
    const auto &l = layoutOf(d, 0);
    EXPECT_EQ(l.Width, 49);
    EXPECT_EQ(l.Height, 36); // 2 + 15 + 2 + 15 + 2
    EXPECT_EQ(boxes(l), "(0,0) 2,2-19,17 at 3,3\n(0,1) 21,2-47,17 at 22,3\n"
                        "(1,0) 2,19-19,34 at 3,20\n(1,1) 21,19-47,34 at 22,20\n");
    const auto &t = d.data.DrawItemList()[0];
    EXPECT_EQ(t.Left, 5);
    EXPECT_EQ(t.Top, 5);
    EXPECT_EQ(t.Width, 49);
    EXPECT_EQ(t.Height, 36);
    EXPECT_EQ(d.data.DrawItemList()[1].Top, 41); // the next paragraph below it

    // BestWidth 200 with a fixed first column of 60: the automatic column
    // takes the rest, 200 - 6 - 60 = 134.
    Doc f;
    auto &ft = addTable(f, 2, 2, {"ab", "abcd", "a b", "x"});
    ft.BestWidth = 200;
    ft.Cell(0, 0)->BestWidth = 60;
    f.data.Format();
    EXPECT_EQ(layoutOf(f, 0).Width, 200);
    EXPECT_EQ(layoutOf(f, 0).ColWidth, (std::vector<int>{60, 134}));
    EXPECT_EQ(layoutOf(f, 0).ColLeft, (std::vector<int>{2, 64}));

    // Half the width available (640 - 10): 315; the columns widen by their share.
    Doc p;
    auto &pt = addTable(p, 1, 2, {"ab", "abcd"});
    pt.BestWidth = -50;
    p.data.Format();
    EXPECT_EQ(layoutOf(p, 0).Width, 315);
    EXPECT_EQ(layoutOf(p, 0).ColWidth[0] + layoutOf(p, 0).ColWidth[1], 309);

    // Borders and padding: border 3, cell borders 1, padding 4.
    Doc b;
    auto &bt = addTable(b, 1, 1, {"ab"});
    bt.BorderWidth = 3;
    bt.CellBorderWidth = 1;
    bt.CellHPadding = bt.CellVPadding = 4;
    b.data.Format();
    // 3 + 2 + (1 + 4 + 12 + 4 + 1) + 2 + 3 = 32; the same in height with 13.
    EXPECT_EQ(layoutOf(b, 0).Width, 32);
    EXPECT_EQ(layoutOf(b, 0).Height, 33);
    EXPECT_EQ(boxes(layoutOf(b, 0)), "(0,0) 5,5-27,28 at 10,10\n");
}

TEST(TableLayout, NarrowWindowShrinksAutoColumnsFirst)
{
    // "aaaa aaaa aaaa" prefers 78 (+2), needs 24 (+2); "bb" 12 (+2). In 70
    // pixels the inner width is 64: the first column gives up what it can.
    Doc d(80);
    addTable(d, 1, 2, {"aaaa aaaa aaaa", "bb"});
    d.data.Format();
    const auto &l = layoutOf(d, 0);
    EXPECT_EQ(l.ColWidth, (std::vector<int>{50, 14}));
    EXPECT_EQ(l.Width, 70);
    EXPECT_GT(l.Cells[0].Data->ContentHeight(), 13); // the text wrapped
    EXPECT_EQ(l.RowHeight[0], l.Cells[0].Data->ContentHeight() + 2);
    // Narrower than the minimum: the table keeps its minimum and the document
    // grows wider instead of the table overlapping anything.
    Doc n(30);
    addTable(n, 1, 2, {"aaaa aaaa aaaa", "bb"});
    n.data.Format();
    EXPECT_EQ(layoutOf(n, 0).ColWidth, (std::vector<int>{26, 14}));
    EXPECT_GE(n.data.ContentWidth(), layoutOf(n, 0).Width);
}

TEST(TableLayout, SpansAndVerticalAlignment)
{
    // A cell over two columns needs 62; the columns (8 each) share the 44 missing.
    Doc d;
    auto &t = addTable(d, 2, 2, {"aaaaaaaaaa", "", "a", "b"});
    t.Cell(0, 0)->ColSpan = 2;
    d.data.Format();
    const auto &l = layoutOf(d, 0);
    EXPECT_EQ(l.ColWidth, (std::vector<int>{30, 30}));
    EXPECT_EQ(boxes(l), "(0,0) 2,2-64,17 at 3,3\n(1,0) 2,19-32,34 at 3,20\n(1,1) 34,19-64,34 at 35,20\n");

    // A row as tall as its two-paragraph cell (28); the other cells sit at the
    // bottom, in the middle, and at the top by default.
    Doc v;
    auto &vt = addTable(v, 1, 3, {"a|b", "x", "y"});
    vt.Cell(0, 1)->VAlign = rvcBottom;
    vt.Cell(0, 2)->VAlign = rvcMiddle;
    v.data.Format();
    const auto &vl = layoutOf(v, 0);
    EXPECT_EQ(vl.RowHeight[0], 28);
    EXPECT_EQ(vl.Cells[0].ContentTop, 3);
    EXPECT_EQ(vl.Cells[1].ContentTop, 16);
    EXPECT_EQ(vl.Cells[2].ContentTop, 9);
    // The row's alignment applies to cells that leave it to the row.
    vt.Cell(0, 2)->VAlign = rvcVDefault;
    vt.Rows[0].VAlign = rvcBottom;
    v.data.Format();
    EXPECT_EQ(layoutOf(v, 0).Cells[2].ContentTop, 16);

    // A cell over two rows taller than them stretches the last one.
    Doc r;
    auto &rt = addTable(r, 2, 2, {"a|b|c", "x", "", "y"});
    rt.Cell(0, 0)->RowSpan = 2;
    r.data.Format();
    const auto &rl = layoutOf(r, 0);
    EXPECT_EQ(rl.RowHeight, (std::vector<int>{15, 24})); // 15 + 2 + 24 = 41 for three lines
    // Hit testing finds the cell under each point, the span included.
    EXPECT_EQ(rl.CellAtPoint(3, 40)->Col, 0);
    EXPECT_EQ(rl.CellAtPoint(15, 5)->Col, 1);
    EXPECT_EQ(rl.CellAtPoint(15, 30)->Row, 1);
    EXPECT_EQ(rl.CellAtPoint(1, 1), nullptr); // border spacing
}

TEST(TableLayout, PaintingPutsCellsInTheirBoxes)
{
    Doc d;
    auto &t = addTable(d, 1, 2, {"ab", "cd"});
    t.Cell(0, 1)->Color = platform::clYellow;
    t.CellBorderWidth = 1;
    t.CellBorderStyle = rvtbColor;
    t.CellBorderColor = platform::clRed;
    d.data.Format();
    d.canvas.clearOps();
    d.data.DrawItems(d.canvas, {0, 0, 640, 480}, 0, 0, false, false);
    int texts = 0;
    bool yellow = false, red = false;
    for (const DrawOp &op : d.canvas.ops()) {
        if (op.kind == DrawOp::Text && op.text == u"ab") {
            EXPECT_EQ(op.rect.left, 5 + 2 + 1 + 1);
            EXPECT_EQ(op.rect.top, 5 + 2 + 1 + 1);
            ++texts;
        }
        if (op.kind == DrawOp::Text && op.text == u"cd") {
            EXPECT_EQ(op.rect.left, 5 + 2 + 16 + 2 + 1 + 1);
            ++texts;
        }
        if (op.kind == DrawOp::FillRect && op.color == platform::clYellow)
            yellow = op.rect == Rect{5 + 20, 7, 5 + 36, 7 + 17};
        if (op.kind == DrawOp::FillRect && op.color == platform::clRed)
            red = true;
    }
    EXPECT_EQ(texts, 2);
    EXPECT_TRUE(yellow);
    EXPECT_TRUE(red);
}

TEST(TableLayout, LinksInCellsJoinTheDocumentsNumbering)
{
    // A link before the table, one in cell (0,1), one after: ids 0, 1, 2.
    Doc d;
    d.text("Jn:1:1", 2);
    auto &t = addTable(d, 1, 2, {"ab", "x"});
    t.Cell(0, 1)->Clear();
    addText(*t.Cell(0, 1), "Jn:3:16", 2);
    d.text("Ro:8:28", 2);
    d.data.Format();
    ASSERT_EQ(d.data.JumpCount(), 3);
    ASSERT_EQ(d.data.Jumps().size(), 3u);
    const TRVJumpInfo &j = d.data.Jumps()[1];
    EXPECT_EQ(j.Id, 1);
    EXPECT_EQ(d.data.DrawItemList()[j.DrawItemNo].ItemNo, 1); // the table's draw item
    const TRVTableLayout &l = layoutOf(d, 1);
    const auto &table = d.data.DrawItemList()[j.DrawItemNo];
    EXPECT_EQ(j.Left, table.Left + l.Cells[1].ContentLeft);
    EXPECT_EQ(j.Top, table.Top + l.Cells[1].ContentTop);
    EXPECT_GT(j.Width, 0);
    int item = -1;
    d.data.SetFirstJumpNo(10);
    EXPECT_EQ(d.data.JumpDocument(11, item), t.Cell(0, 1));
    EXPECT_EQ(item, 0);
    EXPECT_EQ(d.data.JumpDocument(12, item), &d.data);
    EXPECT_EQ(item, 2);
    EXPECT_EQ(d.data.JumpDocument(10, item), &d.data);
    EXPECT_EQ(item, 0);
    EXPECT_EQ(d.data.JumpDocument(13, item), nullptr);
}

TEST(TableLayout, ATableInsideTheSelectionShowsEveryCellSelected)
{
    Doc d;
    d.text("antes");
    addTable(d, 1, 2, {"ab", "cd"});
    d.text("despues");
    d.data.Format();
    d.style.SelColor = platform::clLime;
    // The texts drawn on the selection colour.
    auto selectedFills = [&](bool printing) {
        d.canvas.clearOps();
        d.data.DrawItems(d.canvas, {0, 0, 640, 480}, 0, 0, printing, false);
        std::u16string s;
        for (const DrawOp &op : d.canvas.ops())
            if ((op.kind == DrawOp::Text || op.kind == DrawOp::FillRect) && (op.back == platform::clLime || op.color == platform::clLime))
                s += op.kind == DrawOp::Text ? op.text + u"|" : u"#";
        return platform::utf16ToUtf8(s);
    };
    EXPECT_EQ(selectedFills(false), "");
    // From inside "antes" to inside "despues": the table between them shows selected.
    const int last = d.data.DrawItemList().Count() - 1;
    d.data.SetSelection(0, 3, last, 3);
    EXPECT_EQ(selectedFills(false), "tes|ab|cd|de|"); // both ends of the text, and the text of both cells
    const TRVTableLayout &l = layoutOf(d, 1);
    TRVSelectionBounds sb;
    EXPECT_FALSE(l.Cells[0].Data->GetSelectionBounds(sb)); // painting left the cells' own selection alone
    // A selection that stops before the table leaves its cells alone.
    d.data.SetSelection(0, 1, 0, 3);
    EXPECT_EQ(selectedFills(false), "an|");
}

namespace {

std::unique_ptr<TRVGraphic> picture(int w, int h)
{
    auto g = CreateGraphicByClassName("TBitmap");
    EXPECT_TRUE(g->LoadFromBytes(EncodeBmp(platform::Bitmap(w, h, 0xFF00FF00))));
    return g;
}

// The destination rectangles of the pictures one painting drew, in order.
std::vector<Rect> picturesDrawn(Doc &d, bool printing)
{
    d.canvas.clearOps();
    d.data.DrawItems(d.canvas, {0, 0, 640, 480}, 0, 0, printing, false);
    std::vector<Rect> out;
    for (const DrawOp &op : d.canvas.ops())
        if (op.kind == DrawOp::Bitmap)
            out.push_back(op.rect);
    return out;
}

} // namespace

TEST(TableLayout, BackgroundPicturesFillTheirBoxesByTheirStyle)
{
    // Cells "ab" and "cd" are 12 + 2 wide and 13 + 2 high: boxes (7,7)-(21,22)
    // and (23,7)-(37,22); the table (5,5)-(39,24).
    Doc d;
    auto &t = addTable(d, 1, 2, {"ab", "cd"});
    t.BackgroundImage = picture(10, 10);
    t.BackgroundStyle = rvbsTiled;
    t.Cell(0, 0)->BackgroundImage = picture(4, 4);
    t.Cell(0, 0)->BackgroundStyle = rvbsStretched;
    t.Cell(0, 1)->BackgroundImage = picture(4, 4);
    t.Cell(0, 1)->BackgroundStyle = rvbsCentered;
    d.data.Format();
    const std::vector<Rect> want = {
        // the table's tiles from its corner, row by row, only where the table is
        {5, 5, 15, 15}, {15, 5, 25, 15}, {25, 5, 35, 15}, {35, 5, 45, 15},
        {5, 15, 15, 25}, {15, 15, 25, 25}, {25, 15, 35, 25}, {35, 15, 45, 25},
        {7, 7, 21, 22},  // stretched over the first cell
        {28, 12, 32, 16} // once in the middle of the second: 23 + (14 - 4) / 2, 7 + (15 - 4) / 2
    };
    EXPECT_EQ(picturesDrawn(d, false), want);
    // Printing uses the same painting.
    EXPECT_EQ(picturesDrawn(d, true), want);

    // The pictures go under the text: the cell's text comes after its picture.
    d.canvas.clearOps();
    d.data.DrawItems(d.canvas, {0, 0, 640, 480}, 0, 0, false, false);
    int picAt = -1, textAt = -1;
    for (size_t k = 0; k < d.canvas.ops().size(); ++k) {
        const DrawOp &op = d.canvas.ops()[k];
        if (op.kind == DrawOp::Bitmap && op.rect == Rect{7, 7, 21, 22})
            picAt = int(k);
        if (op.kind == DrawOp::Text && op.text == u"ab")
            textAt = int(k);
    }
    EXPECT_GE(picAt, 0);
    EXPECT_GT(textAt, picAt);

    // The colour style shows the colour only; a white printed background drops them all.
    t.BackgroundStyle = rvbsColor;
    t.Cell(0, 1)->BackgroundStyle = rvbsColor;
    EXPECT_EQ(picturesDrawn(d, false), (std::vector<Rect>{{7, 7, 21, 22}}));
    t.PrintOptions |= rvtoWhiteBackground;
    EXPECT_TRUE(picturesDrawn(d, true).empty());
    EXPECT_EQ(picturesDrawn(d, false).size(), 1u); // on screen the option means nothing

    // A clip that shows only part of the table asks for only the tiles there.
    t.BackgroundStyle = rvbsTiled;
    d.canvas.clearOps();
    d.canvas.save();
    d.canvas.intersectClipRect({0, 0, 640, 12});
    d.data.DrawItems(d.canvas, {0, 0, 640, 12}, 0, 0, false, false);
    d.canvas.restore();
    int tiles = 0;
    for (const DrawOp &op : d.canvas.ops())
        if (op.kind == DrawOp::Bitmap && op.rect.width() == 10)
            ++tiles;
    EXPECT_EQ(tiles, 4);
}
