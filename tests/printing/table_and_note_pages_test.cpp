// Tables and notes on paper: which rows, lines and notes each page holds, and
// what each page draws (repeated headings, closed table edges, footnotes
// numbered per page under their separator, endnotes after the text).
#include "printing/rv_print.h"
#include "document/rv_marker.h"
#include "document/rv_table.h"
#include "viewer/rv_table_layout.h"

#include "../viewer/test_doc.h"
#include "small_page.h"

#include <gtest/gtest.h>

using namespace rvtest;
using platform::DrawOp;
using rv::TCustomRVPrint;
using rv::TRVPrinterPage;

namespace {

constexpr platform::Color kFrame = platform::rgb(0, 0, 200);


struct Paper {
    Doc doc;
    TCustomRVPrint print;
    platform::TestCanvas printer{400, 100, 96, true};
    Paper()
    {
        doc.data.LeftMargin = doc.data.RightMargin = doc.data.TopMargin = doc.data.BottomMargin = 0;
        print.LeftMarginMM = print.RightMarginMM = print.TopMarginMM = print.BottomMarginMM = 0;
    }
    int Paginate()
    {
        doc.data.Format();
        print.AttachData(doc.data);
        return print.PaginateOn(printer, SmallPage());
    }
    // The text runs page n draws inside the sheet, in drawing order.
    std::string Drawn(int n)
    {
        platform::TestCanvas sheet{400, 100, 96, true};
        print.DrawPage(n, sheet, false, false);
        std::string s;
        for (const DrawOp &op : sheet.ops())
            if (op.kind == DrawOp::Text && op.rect.bottom > 0 && op.rect.top < 100)
                for (char16_t c : op.text)
                    s += char(c);
        return s;
    }
    // The y of the table frame's horizontal edges page n draws inside the sheet.
    std::vector<int> FrameEdges(int n)
    {
        platform::TestCanvas sheet{400, 100, 96, true};
        print.DrawPage(n, sheet, false, false);
        std::vector<int> ys;
        for (const DrawOp &op : sheet.ops())
            if (op.kind == DrawOp::FillRect && op.color == kFrame && op.rect.height() == 1 && op.rect.width() > 1 &&
                op.rect.top >= 0 && op.rect.top < 100)
                ys.push_back(op.rect.top);
        return ys;
    }
};

// A one-column table of one-line rows "h", "1", "2", ... under one heading
// row, with a 1-pixel frame. Rows are 15 high (13 of text, padding 1), 17
// apart; row r's top is 3 + 17 r; the frame adds 3 below the last row.
std::unique_ptr<rv::TRVTableItemInfo> Table(rv::TRVStyle &style, int rows)
{
    auto t = std::make_unique<rv::TRVTableItemInfo>();
    t->SetSize(rows, 1, &style);
    t->HeadingRowCount = 1;
    t->BorderWidth = 1;
    t->BorderStyle = rv::rvtbColor;
    t->BorderColor = kFrame;
    t->PrintOptions = rv::rvtoRowsSplit;
    for (int r = 0; r < rows; ++r)
        addText(*t->Cell(r, 0), r == 0 ? "h" : std::to_string(r));
    return t;
}

TEST(TablePages, HeadingsRepeatAndEveryPartIsClosed)
{
    Paper p;
    p.doc.item(Table(p.doc.style, 12));
    ASSERT_EQ(p.Paginate(), 3);
    // Page 1: rows up to 4 (its bottom 86 and the frame's 3 fit in 100).
    // Page 2 repeats the heading band (20) and holds rows 5-8; page 3 rows 9-11.
    EXPECT_EQ(p.Drawn(1), "h1234");
    EXPECT_EQ(p.Drawn(2), "h5678");
    EXPECT_EQ(p.Drawn(3), "h91011");
    const auto &pages = p.print.Pages();
    EXPECT_EQ(pages[1].PartTop, 3 + 17 * 5);
    EXPECT_EQ(pages[2].PartTop, 3 + 17 * 9);
    EXPECT_EQ(pages[0].ContentHeight, 86 + 3);
    EXPECT_EQ(pages[1].ContentHeight, 20 + (3 + 17 * 8 + 15 - pages[1].PartTop) + 3);
    // Each part is a closed frame: its top edge at the page's top, its bottom
    // edge right under its last row.
    EXPECT_EQ(p.FrameEdges(1), (std::vector<int>{0, 88}));
    EXPECT_EQ(p.FrameEdges(2), (std::vector<int>{0, 20 + (3 + 17 * 8 + 15 - pages[1].PartTop) + 2}));
    const int last = 20 + (3 + 17 * 11 + 15 - pages[2].PartTop);
    EXPECT_EQ(p.FrameEdges(3), (std::vector<int>{0, last + 2}));
}

TEST(TablePages, RowPageBreakBefore)
{
    Paper p;
    auto t = Table(p.doc.style, 12);
    t->Rows[1].PageBreakBefore = true; // first row after the headings: no break
    t->Rows[3].PageBreakBefore = true;
    t->Rows[7].PageBreakBefore = true; // already first on its page: no empty page
    p.doc.item(std::move(t));
    ASSERT_EQ(p.Paginate(), 4);
    EXPECT_EQ(p.Drawn(1), "h12");
    EXPECT_EQ(p.Drawn(2), "h3456");
    EXPECT_EQ(p.Drawn(3), "h78910");
    EXPECT_EQ(p.Drawn(4), "h11");

    // A table that fits the page still breaks at a marked row.
    Paper small;
    auto s = Table(small.doc.style, 4);
    s->Rows[2].PageBreakBefore = true;
    small.doc.item(std::move(s));
    ASSERT_EQ(small.Paginate(), 2);
    EXPECT_EQ(small.Drawn(1), "h1");
    EXPECT_EQ(small.Drawn(2), "h23");
}

// A table whose row 1 holds ten one-line paragraphs (130 high, taller than
// the page), after a 30-high box.
struct TallRow : Paper {
    explicit TallRow(bool split)
    {
        doc.item(std::make_unique<TestBox>(50, 30));
        auto t = Table(doc.style, 3);
        t->PrintOptions = split ? rv::rvtoRowsSplit : 0;
        t->Cell(1, 0)->Clear();
        for (int k = 0; k < 10; ++k)
            addText(*t->Cell(1, 0), "l" + std::to_string(k));
        t->Cell(2, 0)->Clear();
        addText(*t->Cell(2, 0), "z");
        doc.item(std::move(t));
    }
};

TEST(TablePages, TallRowsSplitBetweenLinesOrMoveWhole)
{
    {
        SCOPED_TRACE("rows split: the row starts under the box and is cut between lines");
        TallRow p(true);
        ASSERT_EQ(p.Paginate(), 3);
        EXPECT_EQ(p.Drawn(1), "hl0l1l2");
        EXPECT_EQ(p.Drawn(2), "hl3l4l5l6l7");
        EXPECT_EQ(p.Drawn(3), "hl8l9z");
        // The cuts fall on line tops: 30 (box) + 21 (row top and padding) + 13 k.
        EXPECT_EQ(p.print.Pages()[1].PartTop, 30 + 21 + 13 * 3);
        EXPECT_EQ(p.print.Pages()[2].PartTop, 30 + 21 + 13 * 8);
    }
    {
        SCOPED_TRACE("no row split: the table moves to a page of its own, and its tall row is still cut between lines");
        TallRow p(false);
        ASSERT_EQ(p.Paginate(), 4);
        EXPECT_EQ(p.Drawn(1), "");
        EXPECT_EQ(p.Drawn(2), "hl0l1l2l3l4");
        EXPECT_EQ(p.Drawn(3), "hl5l6l7l8l9");
        EXPECT_EQ(p.Drawn(4), "hz");
    }
}

// A note item in text style 0 whose document is its number and `text`.
std::unique_ptr<rv::TCustomRVNoteItemInfo> Note(rv::TRVStyle &style, int kind, const std::string &text, int lines = 1)
{
    std::unique_ptr<rv::TCustomRVNoteItemInfo> n;
    if (kind == rv::ikFootnote)
        n = std::make_unique<rv::TRVFootnoteItemInfo>();
    else
        n = std::make_unique<rv::TRVEndnoteItemInfo>();
    n->Document = std::make_unique<rv::TCustomRVData>(&style);
    n->Document->OwnsStyleSheet = false;
    for (int k = 0; k < lines; ++k) {
        if (k == 0)
            n->Document->AddItem("", std::make_unique<rv::TRVNoteReferenceItemInfo>());
        addText(*n->Document, text + (lines > 1 ? std::to_string(k) : ""), 0, 0, k == 0 ? rv::ioContinuesParagraph : 0);
    }
    return n;
}

// Boxes 30 high; a note stands after the box of its index, on its line.
struct NoteSpec {
    int box, kind;
    std::string text;
    int lines = 1;
};
struct NotePaper : Paper {
    NotePaper(int boxes, const std::vector<NoteSpec> &notes)
    {
        for (int b = 0; b < boxes; ++b) {
            doc.item(std::make_unique<TestBox>(50, 30));
            for (const NoteSpec &n : notes)
                if (n.box == b)
                    doc.item(Note(doc.style, n.kind, n.text, n.lines), 0, rv::ioContinuesParagraph);
        }
        rv::NumberNotes(doc.data);
    }
    int DrawOfBox(int b)
    {
        int box = -1;
        for (int i = 0; i < doc.data.ItemCount(); ++i)
            if (doc.data.GetItem(i).StyleNo == rv::ikPicture && ++box == b)
                return print.PrintData().FirstDrawItemOf(i);
        return -1;
    }
};

TEST(NotePages, FootnotesTakeRoomOnTheirReferencesPage)
{
    NotePaper q(5, {{1, rv::ikFootnote, "A"}});
    ASSERT_EQ(q.Paginate(), 2);
    const auto &pages = q.print.Pages();
    // Three boxes would fit in 100; with the note (13) and the separator (13) only two do.
    EXPECT_EQ(pages[1].FirstDrawItem, q.DrawOfBox(2));
    EXPECT_EQ(pages[0].Footnotes, std::vector<int>{2});
    EXPECT_TRUE(pages[1].Footnotes.empty());
    EXPECT_EQ(q.print.SeparatorSpace(), 13);
    EXPECT_EQ(q.print.FootnoteTops(1), std::vector<int>{100 - 13});
    // The note's number in the text and at the page's bottom, under the grey separator.
    EXPECT_EQ(q.Drawn(1), "1" "1A");
    platform::TestCanvas sheet{400, 100, 96, true};
    q.print.DrawPage(1, sheet, false, false);
    int separators = 0;
    for (const DrawOp &op : sheet.ops())
        if (op.kind == DrawOp::FillRect && op.color == platform::Color(0x808080)) {
            ++separators;
            EXPECT_EQ(op.rect.top, 87 - 13 / 2);
            EXPECT_EQ(op.rect.left, 13 / 2);
            EXPECT_EQ(op.rect.right, 400 / 3 - 13);
        }
    EXPECT_EQ(separators, 1);
}

TEST(NotePages, FootnoteMovesWithItsReferenceAndIsNumberedPerPage)
{
    // A line holding a note's number is 32 high (the box and the number's
    // descent). Box 2 carries two notes: its line does not fit under page 1's
    // note, so it goes to page 2 with both of its notes, which then leave
    // no room there for box 3 (94 + 30 > 62 + 100 - 39).
    NotePaper q(6, {{0, rv::ikFootnote, "A"}, {2, rv::ikFootnote, "B"}, {2, rv::ikFootnote, "C"}});
    ASSERT_EQ(q.Paginate(), 3);
    const auto &pages = q.print.Pages();
    EXPECT_EQ(pages[0].Footnotes, std::vector<int>{1});
    EXPECT_EQ(pages[1].FirstDrawItem, q.DrawOfBox(2));
    EXPECT_EQ(pages[1].Footnotes, (std::vector<int>{4, 5}));
    EXPECT_EQ(pages[2].FirstDrawItem, q.DrawOfBox(3));
    EXPECT_TRUE(pages[2].Footnotes.empty());
    EXPECT_EQ(q.print.FootnoteTops(2), (std::vector<int>{100 - 26, 100 - 13}));
    // Numbered 1, 2 on page 2 while it is drawn; the document keeps 1, 2, 3.
    EXPECT_EQ(q.Drawn(2), "12" "1B" "2C");
    auto &b = static_cast<rv::TCustomRVNoteItemInfo &>(q.doc.data.GetItem(pages[1].Footnotes[0]));
    EXPECT_EQ(b.Text, "2");
    for (int i = 0; i < b.Document->ItemCount(); ++i)
        if (b.Document->GetItem(i).StyleNo == rv::ikNoteReference) {
            EXPECT_EQ(static_cast<const rv::TRVLabelItemInfo &>(b.Document->GetItem(i)).Text, "2");
        }
    // Without the per-page restart they keep the document's numbers.
    q.doc.style.FootnotePageReset = false;
    EXPECT_EQ(q.Drawn(2), "23" "2B" "3C");
}

TEST(NotePages, EndnotesFollowTheTextOnTheLastPageAndGoOn)
{
    // Text: 62 high on page 1 (the line with the number is 32); under the
    // separator space (13) one of the endnote's three lines (13 each) fits,
    // and the other two go on over a page of their own.
    NotePaper q(2, {{1, rv::ikEndnote, "E", 3}});
    ASSERT_EQ(q.Paginate(), 2);
    EXPECT_EQ(q.print.Pages().size(), 1u);
    const auto &pieces = q.print.EndnotePieces();
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0].Page, 1);
    EXPECT_EQ(pieces[0].PageY, 62 + 13);
    EXPECT_EQ(pieces[0].DocBottom - pieces[0].DocTop, 13);
    EXPECT_EQ(pieces[1].Page, 2);
    EXPECT_EQ(pieces[1].PageY, 0);
    EXPECT_EQ(pieces[1].DocBottom - pieces[1].DocTop, 26);
    EXPECT_EQ(q.Drawn(1), "i" "iE0");
    EXPECT_EQ(q.Drawn(2), "E1E2");
    // Pages past the last are nothing.
    EXPECT_EQ(q.Drawn(3), "");
}

TEST(NotePages, FootnoteTallerThanThePageBeforeATableStillEnds)
{
    // A 130-high footnote leaves the page no room at all; the table after it
    // must still be cut with progress, and every row reaches paper.
    NotePaper q(1, {{0, rv::ikFootnote, "F", 10}});
    q.doc.item(Table(q.doc.style, 12));
    const int pages = q.Paginate();
    ASSERT_GT(pages, 1);
    ASSERT_LT(pages, 10);
    std::string all;
    for (int n = 1; n <= pages; ++n)
        all += q.Drawn(n);
    EXPECT_NE(all.find("10"), std::string::npos);
    EXPECT_NE(all.find("11"), std::string::npos);
}

TEST(NotePages, NotesAreNumberedInDocumentOrderByKind)
{
    Doc d;
    d.style.EndnoteNumbering = rv::rvseqUpperAlpha;
    d.text("x");
    for (int k = 0; k < 4; ++k) {
        auto n = Note(d.style, k % 2 ? rv::ikEndnote : rv::ikFootnote, "n");
        if (k == 2) {
            n->Reset = true; // the second footnote starts again at 5
            n->StartFrom = 5;
        }
        d.item(std::move(n), 0, rv::ioContinuesParagraph);
    }
    rv::NumberNotes(d.data);
    std::vector<std::string> labels, refs;
    for (int i = 1; i < d.data.ItemCount(); ++i) {
        auto &n = static_cast<rv::TCustomRVNoteItemInfo &>(d.data.GetItem(i));
        labels.push_back(n.Text);
        refs.push_back(static_cast<rv::TRVLabelItemInfo &>(n.Document->GetItem(0)).Text);
    }
    EXPECT_EQ(labels, (std::vector<std::string>{"1", "A", "5", "B"}));
    EXPECT_EQ(refs, labels); // a note's own document shows its number
    // The viewer lays a number out as wide as its text.
    d.data.Format();
    const auto &draw = d.data.DrawItemList();
    EXPECT_EQ(draw[1].Width, 2 + 6); // "1" in Arial 10 (h 13) and the item's spacing of 1 on each side
}

} // namespace
