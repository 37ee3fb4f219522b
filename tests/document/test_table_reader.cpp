// Tables read from their stored bodies: grid, spans, properties, the cells'
// own documents, hex and binary bodies, the writer's body, and every way a
// damaged body must fail the load with a reason.
#include "document/rv_table.h"
#include "document/rvf_writer.h"
#include "table_bytes.h"

#include <gtest/gtest.h>

using namespace rv;
using namespace rvtest;

namespace {

const std::string kHead = lines({"-8 1 3", "0 1 0 0 0 0", "antes"});
const std::string kTail = lines({"0 1 0 0 0 0", "despues"});

TRVTableItemInfo &tableAt(Doc &d, int i) { return dynamic_cast<TRVTableItemInfo &>(d.data.GetItem(i)); }

std::string cellText(const TRVTableItemInfo &t, int r, int c)
{
    const TRVTableCellData *cell = t.Cell(r, c);
    if (!cell)
        return "<none>";
    std::string s;
    for (int i = 0; i < cell->ItemCount(); ++i)
        s += cell->ItemText(i);
    return s;
}

std::string grid2x2()
{
    return tableBody(2, 2, cell(textRVF("a")) + cell(textRVF("b")) + cell(textRVF("c")) + cell(textRVF("d")));
}

} // namespace

TEST(TableReader, GridsAndSpansInHexAndBinary)
{
    for (bool binary : {false, true}) {
        Doc d;
        ASSERT_TRUE(d.read(kHead + tableRecord(grid2x2(), binary) + kTail)) << d.data.LoadError.Text();
        ASSERT_EQ(d.data.ItemCount(), 3);
        auto &t = tableAt(d, 1);
        EXPECT_EQ(d.data.ItemText(1), "tabla");
        ASSERT_EQ(t.RowCount(), 2);
        ASSERT_EQ(t.ColCount(), 2);
        EXPECT_EQ(cellText(t, 0, 0) + cellText(t, 0, 1) + cellText(t, 1, 0) + cellText(t, 1, 1), "abcd");
        EXPECT_EQ(t.Cell(1, 1)->Parent, &d.data);
        EXPECT_EQ(t.Cell(1, 1)->GetRVStyle(), &d.style);
        EXPECT_EQ(d.data.ItemText(2), "despues");
    }

    // 3 x 3: (0,0) spans two columns, (0,2) two rows; slots (0,1) and (1,2)
    // are skipped in row-major order, so seven cells are listed.
    std::string cells = cell(textRVF("A"), "", 2, 1) + cell(textRVF("B"), "", 1, 2) + cell(textRVF("C"))
                        + cell(textRVF("D")) + cell(textRVF("E")) + cell(textRVF("F")) + cell(textRVF("G"));
    Doc d;
    ASSERT_TRUE(d.read(kHead + tableRecord(tableBody(3, 3, cells)))) << d.data.LoadError.Text();
    auto &t = tableAt(d, 1);
    EXPECT_EQ(cellText(t, 0, 0), "A");
    EXPECT_EQ(t.Cell(0, 0)->ColSpan, 2);
    EXPECT_EQ(cellText(t, 0, 1), "<none>");
    EXPECT_EQ(cellText(t, 0, 2), "B");
    EXPECT_EQ(t.Cell(0, 2)->RowSpan, 2);
    EXPECT_EQ(cellText(t, 1, 0) + cellText(t, 1, 1), "CD");
    EXPECT_EQ(cellText(t, 1, 2), "<none>");
    EXPECT_EQ(cellText(t, 2, 0) + cellText(t, 2, 1) + cellText(t, 2, 2), "EFG");
    int r = 0, c = 0;
    EXPECT_EQ(t.CellAt(1, 2, r, c), t.Cell(0, 2));
    EXPECT_EQ(r * 10 + c, 2);

    // Row count 0: an empty table, nothing after it in the body.
    Doc e;
    ASSERT_TRUE(e.read(kHead + tableRecord(tableBody(0, 0, "")) + kTail));
    EXPECT_EQ(tableAt(e, 1).RowCount(), 0);
    EXPECT_EQ(e.data.ItemCount(), 3);

    // A span past the grid's edge, and one over a slot an earlier span took,
    // are clamped: (0,0) asks 5 x 5 in a 2 x 2 and covers it all.
    Doc s;
    ASSERT_TRUE(s.read(kHead + tableRecord(tableBody(2, 2, cell(textRVF("x"), "", 5, 5))))) << s.data.LoadError.Text();
    EXPECT_EQ(tableAt(s, 1).Cell(0, 0)->ColSpan, 2);
    EXPECT_EQ(tableAt(s, 1).Cell(0, 0)->RowSpan, 2);
    // (0,1) spans two rows; (1,0) then asks for two columns, over (1,1).
    Doc o;
    ASSERT_TRUE(o.read(kHead + tableRecord(tableBody(2, 2, cell("") + cell("", "", 1, 2) + cell("", "", 2, 1)))))
        << o.data.LoadError.Text();
    EXPECT_EQ(tableAt(o, 1).Cell(1, 0)->ColSpan, 1);
    EXPECT_EQ(tableAt(o, 1).Cell(1, 1), nullptr);
}

TEST(TableReader, TableCellAndRowProperties)
{
    std::string props = prop("T.Color") + ident("clNavy") + prop("T.BorderWidth") + ival(300)
                        + prop("T.CellBorderColor") + ival(0x00112233) + prop("T.VisibleBorders.Left") + char(8)
                        + prop("T.BorderStyle") + ident("rvtbColor") + prop("T.CellPadding") + ival(4)
                        + prop("T.CellVPadding") + ival(6) + prop("T.BestWidth") + ival(-50)
                        + prop("T.TextColSeparator") + char(6) + prop(" | ")
                        + prop("T.PrintOptions") + char(11) + prop("rvtoWhiteBackground") + prop("rvtoNada")
                        + std::string(1, '\0') + prop("T.HeadingRowCount") + ival(1);
    std::string cellProps = prop("C.Color") + ident("clYellow") + prop("C.VAlign") + ident("rvcMiddle")
                            + prop("C.BestWidth") + ival(120) + prop("C.VisibleBorders.Bottom") + char(8)
                            + prop("C.BorderColor") + ival(255) + prop("C.Hint") + char(6) + prop("pista");
    std::string rowLists = prop("RowVAlign") + char(1) + ival(2) + ival(1) + std::string(1, '\0')
                           + prop("RowPageBreakBefore") + char(1) + char(8) + char(9) + std::string(1, '\0');
    std::string body = tableBody(2, 1, cell(textRVF("x"), cellProps) + cell(textRVF("y")), props, rowLists);
    Doc d;
    ASSERT_TRUE(d.read(kHead + tableRecord(body))) << d.data.LoadError.Text();
    auto &t = tableAt(d, 1);
    EXPECT_EQ(t.Color, 0x800000u);
    EXPECT_EQ(t.BorderWidth, 300);
    EXPECT_EQ(t.CellBorderColor, 0x00112233u);
    EXPECT_FALSE(t.VisibleBorders.Left);
    EXPECT_TRUE(t.VisibleBorders.Right);
    EXPECT_EQ(t.BorderStyle, rvtbColor);
    EXPECT_EQ(t.CellHPadding, 4);
    EXPECT_EQ(t.CellVPadding, 6);
    EXPECT_EQ(t.BestWidth, -50);
    EXPECT_EQ(t.TextColSeparator, " | ");
    EXPECT_EQ(t.PrintOptions, rvtoWhiteBackground); // unknown names in a set are ignored
    EXPECT_EQ(t.HeadingRowCount, 1);
    const TRVTableCellData &c = *t.Cell(0, 0);
    EXPECT_EQ(c.Color, 0x00FFFFu);
    EXPECT_EQ(c.VAlign, rvcMiddle);
    EXPECT_EQ(c.BestWidth, 120);
    EXPECT_FALSE(c.VisibleBorders.Bottom);
    EXPECT_EQ(c.BorderColor, 255u);
    EXPECT_EQ(c.Hint, "pista");
    EXPECT_EQ(t.Cell(1, 0)->Color, platform::clNone);
    EXPECT_EQ(t.Rows[0].VAlign, rvcBottom);
    EXPECT_EQ(t.Rows[1].VAlign, rvcMiddle);
    EXPECT_FALSE(t.Rows[0].PageBreakBefore);
    EXPECT_TRUE(t.Rows[1].PageBreakBefore);
    EXPECT_EQ(d.data.LoadWarnings & lwUnknownStyleProperty, 0);

    // A property we do not know, or a value of the wrong type, is skipped
    // whole with a warning; the rest still loads.
    std::string odd = prop("T.Bogus") + char(12) + le32(3) + "abc" + prop("T.BorderWidth") + char(6) + prop("x")
                      + prop("T.CellHSpacing") + ival(7);
    Doc w;
    ASSERT_TRUE(w.read(kHead + tableRecord(tableBody(1, 1, cell(textRVF("z")), odd)))) << w.data.LoadError.Text();
    EXPECT_EQ(tableAt(w, 1).CellHSpacing, 7);
    EXPECT_EQ(tableAt(w, 1).BorderWidth, 0);
    EXPECT_NE(w.data.LoadWarnings & lwUnknownStyleProperty, 0);
}

TEST(TableReader, CellDocumentsAreNestedUnderTheOuterOne)
{
    // A cell with a list marker and a verse link, and a cell whose RVF carries
    // a text style table and page setup: the outer sheet and page stay.
    std::string listCell = lines({"-8 1 3", "-11 0 0 0 0 0 0 0 1 0", "7 1 0 0 0 0", "Jn:3:16"});
    std::string styled = lines({"-8 1 3", "-9 2 0 0 0 0 1", "hoja"}) + hex(bytes({14, 1, 0, 0})) + "\r\n"
                         + lines({"-9 1 0 0 0 0 7", "LeftMargin=1", "0 1 0 0 0 0", "z"});
    Doc d;
    d.data.RVFOptions |= rvfoLoadDocProperties;
    const int textStyles = d.style.TextStyles.Count();
    ASSERT_TRUE(d.read(kHead + tableRecord(tableBody(1, 2, cell(listCell) + cell(styled))))) << d.data.LoadError.Text();
    auto &t = tableAt(d, 1);
    const TRVTableCellData &c = *t.Cell(0, 0);
    ASSERT_EQ(c.ItemCount(), 2);
    EXPECT_EQ(c.GetItemStyle(0), ikListMarker);
    EXPECT_TRUE(c.IsHyperlink(1));
    EXPECT_EQ(c.ItemText(1), "Jn:3:16");
    EXPECT_EQ(c.Parent, &d.data); // where list numbering continues from
    EXPECT_EQ(d.style.TextStyles.Count(), textStyles);
    ASSERT_NE(d.data.DocParameters, nullptr);
    EXPECT_EQ(t.Cell(0, 1)->DocParameters, nullptr);
    EXPECT_EQ(cellText(t, 0, 1), "z");
    // A copy of the item copies the cells' documents.
    auto copy = t.Clone();
    auto &tc = dynamic_cast<TRVTableItemInfo &>(*copy);
    EXPECT_EQ(cellText(tc, 0, 1), "z");
    EXPECT_NE(tc.Cell(0, 1), t.Cell(0, 1));
}

TEST(TableReader, WrittenBodiesReadBack)
{
    // A table built in code: the writer encodes it, the reader gets it back.
    Doc src;
    auto table = std::make_unique<TRVTableItemInfo>();
    table->SetSize(2, 3, &src.style);
    table->Rows[1].Cells[1].reset();
    table->Cell(1, 0)->ColSpan = 2;
    table->Cell(0, 2)->Color = 0x123456;
    table->Cell(0, 2)->VAlign = rvcBottom;
    table->BorderWidth = 1;
    table->CellBorderStyle = rvtbColor;
    table->TextRowSeparator = "\n";
    table->Rows[1].PageBreakBefore = true;
    table->Rows[0].VAlign = rvcMiddle;
    for (int c = 0; c < 3; ++c) {
        auto item = CreateItemForStyle(0);
        table->Cell(0, c)->AddItem("celda" + std::to_string(c), std::move(item));
    }
    src.data.AddItem("t", std::move(table));
    for (uint16_t binary : {uint16_t(0), uint16_t(rvfoSaveBinary)}) {
        src.data.RVFOptions = uint16_t((src.data.RVFOptions & ~rvfoSaveBinary) | binary);
        std::string out;
        ASSERT_TRUE(SaveRVFToString(src.data, out));
        Doc back;
        ASSERT_TRUE(back.read(out)) << back.data.LoadError.Text();
        auto &t = tableAt(back, 0);
        ASSERT_EQ(t.RowCount(), 2);
        ASSERT_EQ(t.ColCount(), 3);
        EXPECT_EQ(cellText(t, 0, 0) + cellText(t, 0, 1) + cellText(t, 0, 2), "celda0celda1celda2");
        EXPECT_EQ(t.Cell(1, 0)->ColSpan, 2);
        EXPECT_EQ(t.Cell(1, 1), nullptr);
        EXPECT_EQ(t.Cell(0, 2)->Color, 0x123456u);
        EXPECT_EQ(t.Cell(0, 2)->VAlign, rvcBottom);
        EXPECT_EQ(t.BorderWidth, 1);
        EXPECT_EQ(t.CellBorderStyle, rvtbColor);
        EXPECT_EQ(t.TextRowSeparator, "\n");
        EXPECT_TRUE(t.Rows[1].PageBreakBefore);
        EXPECT_EQ(t.Rows[0].VAlign, rvcMiddle);
        // Read tables are written back exactly as stored.
        std::string again;
        back.data.RVFOptions = src.data.RVFOptions;
        ASSERT_TRUE(SaveRVFToString(back.data, again));
        EXPECT_EQ(again, out);
    }
}

// Each damaged body fails the load with a reason; the item before the table
// stays, nothing of the table or after it is kept.
TEST(TableReader, DamagedBodiesFailWithAReason)
{
    std::string good = grid2x2();
    std::string deep = tableBody(1, 1, cell(textRVF("hondo")));
    for (int i = 0; i < 1000; ++i)
        deep = tableBody(1, 1, cell(lines({"-8 1 3"}) + tableRecord(deep, true)));
    const struct {
        const char *what;
        std::string body;
        const char *reason;
    } cases[] = {
        {"not a component stream", bytes({0xDE, 0xAD, 0xBE, 0xEF}), "TPF0"},
        {"truncated", good.substr(0, 40), "ends early"},
        {"unknown value type", tableBody(1, 1, cell(""), prop("T.Color") + char(33)), "value type 33"},
        {"no end marker", good.substr(0, good.size() - 2), "ends early"},
        {"wrong class", "TPF0" + prop("TButton") + prop("") + std::string(2, '\0'), "TButton"},
        {"cell of a wrong class", tableBody(1, 1, ival(1) + ival(1) + prop("TR") + prop("") + std::string(2, '\0')),
         "TR"},
        {"huge grid", tableBody(100000, 100000, ""), "10000"},
        {"negative columns", tableBody(2, -3, ""), "column count"},
        {"fifth cell in 2 x 2", tableBody(2, 2, cell("") + cell("") + cell("") + cell("") + cell("")), "more cells"},
        {"list ends early", tableBody(2, 2, cell("") + cell("") + cell("")), "ends before cell (1, 1)"},
        {"cell Data past the end",
         "TPF0" + prop("TRVTableWrapper") + prop("") + prop("C") + ival(1) + ival(1) + char(1) + ival(1) + ival(1)
             + prop("TD") + prop("") + prop("C.Data") + char(10) + le32(5000) + "0 1 0",
         "past the end"},
        {"damaged cell document", tableBody(1, 1, cell(lines({"-8 1 3", "99 1 0 0 0 0", "x"}))), "cell"},
        {"nested 1000 deep", deep, "nested more than 16"},
    };
    for (const auto &c : cases) {
        for (bool binary : {false, true}) {
            Doc d;
            EXPECT_FALSE(d.read(kHead + tableRecord(c.body, binary) + kTail)) << c.what;
            EXPECT_EQ(d.data.ItemCount(), 1) << c.what;
            EXPECT_NE(d.data.LoadError.What.find(c.reason), std::string::npos) << c.what << ": " << d.data.LoadError.Text();
        }
    }
    // Sixteen levels are fine.
    std::string ok = tableBody(1, 1, cell(textRVF("hondo")));
    for (int i = 1; i < kMaxTableNesting; ++i)
        ok = tableBody(1, 1, cell(lines({"-8 1 3"}) + tableRecord(ok, true)));
    Doc d;
    EXPECT_TRUE(d.read(kHead + tableRecord(ok))) << d.data.LoadError.Text();
}

TEST(TableText, CellsInRowMajorOrderWithSeparators)
{
    Doc d;
    TRVTableItemInfo t;
    t.SetSize(2, 2, &d.style);
    auto add = [](TCustomRVData &cell, const std::string &s, bool newPara) {
        auto item = CreateItemForStyle(0);
        if (!newPara && cell.ItemCount() > 0)
            item->ItemOptions = ioContinuesParagraph;
        cell.AddItem(s, std::move(item));
    };
    add(*t.Cell(0, 0), "a", true);
    add(*t.Cell(0, 0), "b", false);
    add(*t.Cell(0, 1), "x", true);
    add(*t.Cell(0, 1), "y", true); // a second paragraph in the cell
    t.Cell(1, 0)->ColSpan = 2;
    t.Rows[1].Cells[1].reset();
    add(*t.Cell(1, 0), "c", true);
    EXPECT_EQ(TablePlainText(t), u"ab\tx\r\ny\r\nc");
    t.TextColSeparator = " | ";
    t.TextRowSeparator = "\n";
    EXPECT_EQ(TablePlainText(t), u"ab | x\r\ny\nc");
}

TEST(TableReader, ListsInCellsContinueTheNumberingAroundTheTable)
{
    // One decimal list shown as "N.": a marker before the table, two in the
    // first cell, one in the second and one after the table.
    auto marker = [](int startFrom = 1, bool reset = false) {
        return lines({"-11 0 0 0 0 0 0 0 " + std::to_string(startFrom) + " " + (reset ? "1" : "0"), "0 1 0 1 0 0",
                      "x"});
    };
    const std::string head = lines({"-8 1 3"});
    Doc d;
    TRVListInfo &list = d.style.ListStyles.Add();
    TRVListLevel &level = list.Levels.emplace_back();
    level.ListType = rvlstDecimal;
    level.FormatString = "%0:s.";
    level.StartFrom = 1;
    const std::string body = tableBody(1, 3, cell(head + marker() + marker()) + cell(head + marker())
                                                 + cell(head + marker(7, true) + marker()));
    ASSERT_TRUE(d.read(head + marker() + tableRecord(body) + marker())) << d.data.LoadError.Text();
    auto text = [](const TCustomRVData &doc, int i) {
        return static_cast<const TRVMarkerItemInfo &>(doc.GetItem(i)).DisplayString;
    };
    EXPECT_EQ(text(d.data, 0), "1.");
    auto &t = tableAt(d, 2);
    EXPECT_EQ(text(*t.Cell(0, 0), 0), "2."); // the outer "1." comes before it
    EXPECT_EQ(text(*t.Cell(0, 0), 2), "3.");
    EXPECT_EQ(text(*t.Cell(0, 1), 0), "2."); // the first cell's markers are not this cell's list
    EXPECT_EQ(text(*t.Cell(0, 2), 0), "7.");
    EXPECT_EQ(text(*t.Cell(0, 2), 2), "8.");
    EXPECT_EQ(text(d.data, 3), "2."); // the cells' markers are not the outer list's
}
