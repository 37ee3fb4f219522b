// Pagination, page geometry and the print job on the deterministic canvas.
#include "printing/rv_print.h"
#include "document/rv_table.h"
#include "viewer/rv_table_layout.h"

#include "../viewer/test_doc.h"
#include "small_page.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <stdexcept>

using namespace rvtest;
using rv::TCustomRVPrint;
using rv::TRVPrinterPage;

namespace {

struct BoxDoc {
    Doc doc;
    TCustomRVPrint print;
    platform::TestCanvas printer{400, 100, 96, true};
    explicit BoxDoc(const std::vector<int> &heights, const std::vector<std::pair<int, uint8_t>> &opts = {})
    {
        doc.data.LeftMargin = doc.data.RightMargin = doc.data.TopMargin = doc.data.BottomMargin = 0;
        doc.style.ParaStyles[1].Options = bit(rv::rvpaoKeepWithNext);
        for (size_t i = 0; i < heights.size(); ++i) {
            int para = 0;
            uint8_t o = 0;
            for (auto [item, v] : opts)
                if (item == int(i)) {
                    if (v == 0xFF)
                        para = 1;
                    else
                        o = v;
                }
            doc.item(std::make_unique<TestBox>(50, heights[i]), para, o);
        }
        doc.data.Format();
        print.LeftMarginMM = print.RightMarginMM = print.TopMarginMM = print.BottomMarginMM = 0;
        print.AttachData(doc.data);
    }
    std::vector<int> FirstItems()
    {
        std::vector<int> v;
        for (const auto &p : print.Pages())
            v.push_back(p.FirstDrawItem);
        return v;
    }
};

constexpr uint8_t kKeepWithNext = 0xFF; // marker: put the item in the keep-with-next paragraph

TEST(Pagination, BreaksFollowTheRules)
{
    const std::vector<int> tens(10, 30);
    std::vector<int> tall = tens;
    tall[4] = 250;
    struct Case {
        const char *name;
        std::vector<int> heights;
        std::vector<std::pair<int, uint8_t>> opts;
        std::vector<int> firstItems;
    } cases[] = {
        {"three boxes of 30 fit in 100", tens, {}, {0, 3, 6, 9}},
        {"page break before item 1", tens, {{1, rv::ioPageBreakBefore}}, {0, 1, 4, 7}},
        {"page break before the first item makes no empty page", tens, {{0, rv::ioPageBreakBefore}}, {0, 3, 6, 9}},
        {"page break before an item already first on a page", tens, {{3, rv::ioPageBreakBefore}}, {0, 3, 6, 9}},
        {"keep with next carries the heading over", tens, {{2, kKeepWithNext}}, {0, 2, 5, 8}},
        {"keep with next on the page's first line cannot empty it", tens, {{0, kKeepWithNext}, {1, kKeepWithNext},
                                                                           {2, kKeepWithNext}}, {0, 3, 6, 9}},
        {"a line taller than the page gets its own page", tall, {}, {0, 3, 4, 5, 8}},
        {"a tall first line", {250}, {}, {0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        BoxDoc d(c.heights, c.opts);
        ASSERT_EQ(d.print.PaginateOn(d.printer, SmallPage()), int(c.firstItems.size()));
        EXPECT_EQ(d.FirstItems(), c.firstItems);
        const auto &draw = d.print.PrintData().DrawItemList();
        for (const auto &p : d.print.Pages()) {
            EXPECT_EQ(p.PageTop, p.FirstDrawItem == 0 ? 0 : draw[p.FirstDrawItem].Top);
            EXPECT_EQ(p.FirstPart, 0);
        }
    }
}

// A picture that may be cut over pages.
class CuttableBox : public TestBox {
public:
    CuttableBox(int w, int h, int minHeight) : TestBox(w, h) { MinHeightOnPage = minHeight; }
    bool HasMinHeightOnPage() const override { return true; }
    // Where it was last painted and the clip it was painted in.
    mutable int paintedY = 0;
    mutable platform::Rect clip;
    void Paint(platform::Canvas &c, int, int y, const rv::TRVItemDrawState &, rv::TRVStyle &) const override
    {
        paintedY = y;
        clip = c.clipBox();
    }
};

TEST(Pagination, TallPictureIsCutByItsMinimumHeight)
{
    struct Case {
        const char *name;
        int minHeight;
        std::vector<std::array<int, 3>> pages; // FirstDrawItem, FirstPart, PartTop
    } cases[] = {
        {"cut at every page bottom", 20, {{0, 0, 0}, {1, 1, 100}, {1, 2, 200}, {2, 0, 0}}},
        // 70 would stay on page 1: too little, so the picture starts page 2.
        {"too little room moves it on whole", 80, {{0, 0, 0}, {1, 0, 0}, {1, 1, 130}, {1, 2, 230}}},
        {"no minimum: never cut", 0, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        BoxDoc d({30});
        d.doc.item(std::make_unique<CuttableBox>(50, 250, c.minHeight));
        d.doc.item(std::make_unique<TestBox>(50, 30));
        d.doc.data.Format();
        d.print.AttachData(d.doc.data);
        ASSERT_EQ(d.print.PaginateOn(d.printer, SmallPage()), int(c.pages.size()));
        for (size_t i = 0; i < c.pages.size(); ++i) {
            SCOPED_TRACE(i);
            const auto &p = d.print.Pages()[i];
            EXPECT_EQ(p.FirstDrawItem, c.pages[i][0]);
            EXPECT_EQ(p.FirstPart, c.pages[i][1]);
            if (p.FirstPart > 0) {
                EXPECT_EQ(p.PartTop, c.pages[i][2]);
            }
            if (c.minHeight > 0) {
                EXPECT_LE(p.ContentHeight, 100); // every slice fits its page
            }
        }
        // Each page draws its own slice of the picture, kept inside the page.
        const auto &pic = static_cast<const CuttableBox &>(d.doc.data.GetItem(1));
        for (int n = 2; n <= d.print.PageCount(); ++n) {
            SCOPED_TRACE(n);
            const auto &p = d.print.Pages()[size_t(n - 1)];
            if (p.FirstDrawItem != 1)
                continue;
            platform::TestCanvas page(400, 400, 96, true);
            d.print.DrawPage(n, page, false, false);
            const int top = d.print.PrintData().DrawItemList()[1].Top;
            EXPECT_EQ(pic.paintedY, top - (p.FirstPart > 0 ? p.PartTop : p.PageTop));
            EXPECT_GE(pic.clip.top, 0);
            EXPECT_LE(pic.clip.bottom, 100); // never over the bottom margin or off the sheet
        }
    }
}

TEST(Pagination, TallTableIsCutBetweenItsRows)
{
    // Twenty one-line rows are about three pages of the 100-pixel page: the
    // table is cut at row boundaries and every row is on some page.
    BoxDoc d({30});
    auto t = std::make_unique<rv::TRVTableItemInfo>();
    t->SetSize(20, 2, &d.doc.style);
    for (int r = 0; r < 20; ++r)
        for (int c = 0; c < 2; ++c)
            addText(*t->Cell(r, c), "a");
    d.doc.item(std::move(t));
    d.doc.item(std::make_unique<TestBox>(50, 30));
    d.doc.data.Format();
    d.print.AttachData(d.doc.data);
    const int pages = d.print.PaginateOn(d.printer, SmallPage());
    const rv::TRVTableLayout *layout = d.print.PrintData().TableLayoutOf(1);
    ASSERT_NE(layout, nullptr);
    const auto &box = d.print.PrintData().DrawItemList()[1];
    ASSERT_GT(box.Bottom() - box.Top, 200);
    ASSERT_GE(pages, 4);
    int covered = 0; // where the page before ended
    for (int n = 1; n <= pages; ++n) {
        SCOPED_TRACE(n);
        const auto &p = d.print.Pages()[size_t(n - 1)];
        EXPECT_LE(p.ContentHeight, 100);
        const int top = p.FirstPart > 0 ? p.PartTop : p.PageTop;
        if (p.FirstDrawItem == 1 && p.FirstPart > 0) {
            // A continuation starts on the row boundary after the page
            // before's last row and the bottom edge drawn under it (2, as
            // tall as the spacing between rows); its page shows the table's
            // top edge (2) above it again.
            EXPECT_EQ(p.PartTop, covered);
            bool onRow = false;
            for (int rowTop : layout->RowTop)
                onRow = onRow || box.Top + rowTop == p.PartTop;
            EXPECT_TRUE(onRow) << p.PartTop;
        }
        covered = top + p.ContentHeight - (p.FirstPart > 0 ? 2 : 0); // less the repeated top edge
    }
    // Nothing is lost: the pages reach the end of the box after the table.
    EXPECT_GE(covered, box.Bottom() + 30);
}

TEST(Pagination, ContentHeightAndSpacing)
{
    BoxDoc d({30, 30, 30, 30});
    ASSERT_EQ(d.print.PaginateOn(d.printer, SmallPage()), 2);
    EXPECT_EQ(d.print.Pages()[0].ContentHeight, 90);
    EXPECT_EQ(d.print.Pages()[1].PageTop, 90);
    EXPECT_EQ(d.print.Pages()[1].ContentHeight, 30);

    // Space after (6) counts towards the bottom; space before (4) is above the page top.
    BoxDoc s({30, 30, 30, 30});
    for (int i = 0; i < 4; ++i)
        s.doc.data.GetItem(i).ParaNo = 8;
    s.doc.data.Format();
    s.print.AttachData(s.doc.data);
    ASSERT_EQ(s.print.PaginateOn(s.printer, SmallPage()), 2);
    const auto &draw = s.print.PrintData().DrawItemList();
    const auto &p2 = s.print.Pages()[1];
    EXPECT_EQ(p2.FirstDrawItem, 2);
    EXPECT_EQ(p2.PageTop, draw[2].Top - 4);
    EXPECT_EQ(s.print.Pages()[0].ContentHeight, draw[1].Bottom() + 6);
}

TEST(Pagination, EmptyDocumentAndNoRoomGiveNoPages)
{
    BoxDoc empty({});
    EXPECT_EQ(empty.print.PaginateOn(empty.printer, SmallPage()), 0);
    EXPECT_EQ(empty.print.LastError(), rv::TRVPrintError::None); // nothing to print is no error
    BoxDoc d({30});
    d.print.LeftMarginMM = d.print.RightMarginMM = 60; // 2 × 227 px > 400
    EXPECT_EQ(d.print.PaginateOn(d.printer, SmallPage()), 0);
    EXPECT_EQ(d.print.LastError(), rv::TRVPrintError::NoRoom);
    // Top and bottom margins past the page's height: refused, not thousands of pages.
    BoxDoc tall({30, 30, 30});
    tall.print.TopMarginMM = tall.print.BottomMarginMM = 14; // 2 × 53 px > 100
    EXPECT_EQ(tall.print.PaginateOn(tall.printer, SmallPage()), 0);
    EXPECT_EQ(tall.print.LastError(), rv::TRVPrintError::NoRoom);
    tall.print.TopMarginMM = tall.print.BottomMarginMM = 0;
    EXPECT_EQ(tall.print.PaginateOn(tall.printer, SmallPage()), 1);
    EXPECT_EQ(tall.print.LastError(), rv::TRVPrintError::None);
    TCustomRVPrint unattached;
    EXPECT_EQ(unattached.PaginateOn(d.printer, SmallPage()), 0);
}

TEST(Pagination, CounterWrapsAfter9999)
{
    TCustomRVPrint p;
    platform::TestCanvas c;
    for (int i = 1; i <= 10000; ++i)
        p.PaginateOn(c, TRVPrinterPage{});
    EXPECT_EQ(p.PaginationCounter(), 0);
    p.PaginateOn(c, TRVPrinterPage{});
    EXPECT_EQ(p.PaginationCounter(), 1);
}

TEST(PageGeometry, MillimetresToPrinterPixels)
{
    struct Case {
        const char *name;
        int leftMM, rightMM, topMM, bottomMM;
        rv::TRVFixMarginsMode mode;
        int left, right, top, bottom, mirrorLeftOnPage2;
    } cases[] = {
        // 600 dpi, 4800 x 6600 paper, strips: left 100, top 50, right 60, bottom 70.
        {"20 mm all round", 20, 20, 20, 20, rv::rvfmmAutoCorrect, 372, 412, 422, 402, 372},
        {"left inside the strip moves to the right", 2, 20, 20, 20, rv::rvfmmAutoCorrect, 0, 412 - 53, 422, 402, 372},
        {"ignore keeps negative margins", 2, 20, 20, 20, rv::rvfmmIgnore, -53, 412, 422, 402, 372},
        {"mirrored 30/10", 30, 10, 20, 20, rv::rvfmmAutoCorrect, 709 - 100, 236 - 60, 422, 402, 236 - 100},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        BoxDoc d({30});
        d.print.LeftMarginMM = c.leftMM;
        d.print.RightMarginMM = c.rightMM;
        d.print.TopMarginMM = c.topMM;
        d.print.BottomMarginMM = c.bottomMM;
        d.print.FixMarginsMode = c.mode;
        d.print.MirrorMargins = true;
        TRVPrinterPage page{600, 600, 4800, 6600, 100, 50, 4800 - 160, 6600 - 120};
        platform::TestCanvas printer(4640, 6480, 600, true);
        ASSERT_EQ(d.print.PaginateOn(printer, page), 1);
        EXPECT_EQ(d.print.LeftMargin(1), c.left);
        EXPECT_EQ(d.print.LeftMargin(2), c.mirrorLeftOnPage2);
        EXPECT_EQ(d.print.RightMargin(), c.right);
        EXPECT_EQ(d.print.TopMargin(), c.top);
        EXPECT_EQ(d.print.BottomMargin(), c.bottom);
        EXPECT_EQ(d.print.ClientWidth(), 4640 - c.left - c.right);
        EXPECT_EQ(d.print.ClientHeight(), 6480 - c.top - c.bottom);
    }
}

TEST(Pagination, ScreenLayoutIsUntouched)
{
    Doc doc;
    for (int i = 0; i < 30; ++i)
        doc.text("Palabras de una linea que se parte en varias lineas en la pantalla del lector", 0, i % 9);
    doc.data.Format();
    std::vector<std::array<int, 4>> before;
    for (int i = 0; i < doc.data.DrawItemList().Count(); ++i) {
        const auto &d = doc.data.DrawItemList()[i];
        before.push_back({d.Left, d.Top, d.Width, d.Height});
    }
    const int height = doc.data.ContentHeight();

    TCustomRVPrint print;
    print.AttachData(doc.data);
    platform::TestCanvas printer(4960, 7016, 600, true);
    ASSERT_GT(print.PaginateOn(printer, TRVPrinterPage::FromPaperMM(210, 297, 600)), 0);
    ASSERT_NE(print.PrintData().DrawItemList().Count(), 0);

    ASSERT_EQ(doc.data.DrawItemList().Count(), int(before.size()));
    for (int i = 0; i < doc.data.DrawItemList().Count(); ++i) {
        const auto &d = doc.data.DrawItemList()[i];
        EXPECT_EQ((std::array<int, 4>{d.Left, d.Top, d.Width, d.Height}), before[size_t(i)]) << i;
    }
    EXPECT_EQ(doc.data.ContentHeight(), height);
    EXPECT_EQ(doc.data.ItemCount(), 30);
}

TEST(PageDrawing, EachPageDrawsItsOwnTextAtTheMargins)
{
    Doc doc;
    doc.data.LeftMargin = doc.data.RightMargin = doc.data.TopMargin = doc.data.BottomMargin = 0;
    for (int i = 0; i < 12; ++i)
        doc.text("L" + std::to_string(i));
    doc.data.Format();
    TCustomRVPrint print;
    print.LeftMarginMM = print.RightMarginMM = print.TopMarginMM = print.BottomMarginMM = 0;
    print.AttachData(doc.data);
    platform::TestCanvas printer(400, 100, 96, true);
    const int pages = print.PaginateOn(printer, SmallPage());
    ASSERT_GT(pages, 1);
    std::u16string all;
    for (int n = 1; n <= pages; ++n) {
        platform::TestCanvas page(400, 100, 96, true);
        print.DrawPage(n, page, false, false);
        all += page.drawnText();
    }
    std::u16string expected;
    for (int i = 0; i < 12; ++i)
        for (char ch : "L" + std::to_string(i))
            expected += char16_t(ch);
    EXPECT_EQ(all, expected); // every line once, in order, none twice across a break
    platform::TestCanvas none(400, 100, 96, true);
    print.DrawPage(pages + 1, none, false, false);
    print.DrawPage(0, none, false, false);
    EXPECT_TRUE(none.ops().empty());
}

// Records what a print job was asked to do; can fail where told.
struct RecordingJob : rv::TRVPrintJob {
    bool canCopy = false;
    int copies = 7;
    bool collate = true;
    bool failBegin = false;
    int failNewPageAt = -1; // the n-th NewPage fails (0-based)
    int newPages = 0;
    std::vector<int> copiesSet;
    std::string log;
    platform::TestCanvas canvas{400, 100, 96, true};
    void SetTitle(const std::string &t) override { log += "title(" + t + ")"; }
    bool CanCopy() const override { return canCopy; }
    int Copies() const override { return copies; }
    void SetCopies(int c) override
    {
        copies = c;
        copiesSet.push_back(c);
    }
    bool Collate() const override { return collate; }
    void SetCollate(bool c) override { collate = c; }
    platform::Canvas *BeginDoc() override
    {
        if (failBegin)
            return nullptr;
        log += "begin";
        return &canvas;
    }
    bool NewPage() override
    {
        if (newPages++ == failNewPageAt)
            return false;
        log += "|";
        return true;
    }
    bool EndDoc() override
    {
        log += "end";
        return true;
    }
    void Abort() override { log += "abort"; }
};

TEST(PrintJob, PageOrderCopiesAndCollation)
{
    struct Case {
        const char *name;
        int copies;
        bool collate, canCopy;
        std::string log;
        std::vector<int> copiesSet;
    } cases[] = {
        {"one copy", 1, false, false, "title(Estudio...)begin1|2|3end", {1, 7}},
        {"collated in the program", 2, true, false, "title(Estudio...)begin1|2|3|1|2|3end", {1, 7}},
        {"not collated", 2, false, false, "title(Estudio...)begin1|1|2|2|3|3end", {1, 7}},
        {"printer makes the copies", 2, true, true, "title(Estudio...)begin1|2|3end", {2, 7}},
        {"printer copies, not collated", 2, false, true, "title(Estudio...)begin1|1|2|2|3|3end", {1, 7}},
    };
    BoxDoc d(std::vector<int>(9, 30));
    ASSERT_EQ(d.print.PaginateOn(d.printer, SmallPage()), 3);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        RecordingJob job;
        job.canCopy = c.canCopy;
        d.print.OnSendingToPrinter = [&](rv::TCustomRVFormattedData &, int page, int step) {
            if (step == 1)
                job.log += std::to_string(page);
        };
        EXPECT_TRUE(d.print.PrintDocumentOn("Estudio...", c.copies, c.collate, job));
        EXPECT_EQ(job.log, c.log);
        EXPECT_EQ(job.copiesSet, c.copiesSet);
        EXPECT_EQ(job.copies, 7); // the printer's copy count is put back
        EXPECT_TRUE(job.collate);
        EXPECT_EQ(d.print.LastError(), rv::TRVPrintError::None);
    }
}

TEST(PrintJob, FailuresAbortAndPutTheSettingsBack)
{
    struct Case {
        const char *name;
        std::function<void(RecordingJob &, TCustomRVPrint &)> arrange;
        std::string log;
        rv::TRVPrintError error;
    } cases[] = {
        {"the printer refuses the job", [](RecordingJob &j, TCustomRVPrint &) { j.failBegin = true; },
         "title(T)", rv::TRVPrintError::JobNotStarted},
        {"the printer fails at the second sheet", [](RecordingJob &j, TCustomRVPrint &) { j.failNewPageAt = 1; },
         "title(T)begin1|2abort", rv::TRVPrintError::JobFailed},
        {"drawing a page fails",
         [](RecordingJob &, TCustomRVPrint &p) {
             p.OnPagePrepaint = [](TCustomRVPrint &, int page, platform::Canvas &, bool, const platform::Rect &,
                                   const platform::Rect &) {
                 if (page == 3)
                     throw std::runtime_error("sin papel");
             };
         },
         "title(T)begin1|2|abort", rv::TRVPrintError::JobFailed},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        BoxDoc d(std::vector<int>(9, 30));
        ASSERT_EQ(d.print.PaginateOn(d.printer, SmallPage()), 3);
        RecordingJob job;
        job.canCopy = true;
        c.arrange(job, d.print);
        d.print.OnSendingToPrinter = [&](rv::TCustomRVFormattedData &, int page, int step) {
            if (step == 1)
                job.log += std::to_string(page);
        };
        EXPECT_FALSE(d.print.PrintDocumentOn("T", 2, true, job));
        EXPECT_EQ(job.log, c.log); // never ended as if it had printed
        EXPECT_EQ(job.copies, 7);
        EXPECT_TRUE(job.collate);
        EXPECT_EQ(d.print.LastError(), c.error);
        EXPECT_FALSE(rv::PrintErrorText(c.error).empty());
    }
}

TEST(PrintJob, PageRangeIsClampedToThePages)
{
    BoxDoc d(std::vector<int>(9, 30));
    ASSERT_EQ(d.print.PaginateOn(d.printer, SmallPage()), 3);
    struct Case {
        int first, last;
        std::string log;
    } cases[] = {{0, 99, "begin1|2|3end"}, {2, 99, "begin2|3end"}, {-5, 1, "begin1end"}, {4, 9, ""}, {3, 2, ""}};
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.first) + ".." + std::to_string(c.last));
        RecordingJob job;
        d.print.OnSendingToPrinter = [&](rv::TCustomRVFormattedData &, int page, int step) {
            if (step == 1)
                job.log += std::to_string(page);
        };
        EXPECT_TRUE(d.print.PrintPages(c.first, c.last, "", 1, false, job));
        EXPECT_EQ(job.log, c.log.empty() ? "" : "title()" + c.log);
    }
}

} // namespace
