// Pagination, page geometry and the print job on the deterministic canvas.
#include "printing/rv_print.h"

#include "../viewer/test_doc.h"

#include <gtest/gtest.h>

using namespace rvtest;
using rv::TCustomRVPrint;
using rv::TRVPrinterPage;

namespace {

// A 96 dpi "printer" so layout lengths equal screen lengths: 400 x 100 printable, no strips.
TRVPrinterPage SmallPage()
{
    TRVPrinterPage p;
    p.DpiX = p.DpiY = 96;
    p.PhysicalWidth = p.PageWidth = 400;
    p.PhysicalHeight = p.PageHeight = 100;
    return p;
}

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
        const auto &draw = d.print.PrintData().DrawItemList;
        for (const auto &p : d.print.Pages()) {
            EXPECT_EQ(p.PageTop, p.FirstDrawItem == 0 ? 0 : draw[p.FirstDrawItem].Top);
            EXPECT_EQ(p.FirstPart, 0);
        }
    }
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
    const auto &draw = s.print.PrintData().DrawItemList;
    const auto &p2 = s.print.Pages()[1];
    EXPECT_EQ(p2.FirstDrawItem, 2);
    EXPECT_EQ(p2.PageTop, draw[2].Top - 4);
    EXPECT_EQ(s.print.Pages()[0].ContentHeight, draw[1].Bottom() + 6);
}

TEST(Pagination, EmptyDocumentAndNoRoomGiveNoPages)
{
    BoxDoc empty({});
    EXPECT_EQ(empty.print.PaginateOn(empty.printer, SmallPage()), 0);
    BoxDoc d({30});
    d.print.LeftMarginMM = d.print.RightMarginMM = 60; // 2 × 227 px > 400
    EXPECT_EQ(d.print.PaginateOn(d.printer, SmallPage()), 0);
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
    for (int i = 0; i < doc.data.DrawItemList.Count(); ++i) {
        const auto &d = doc.data.DrawItemList[i];
        before.push_back({d.Left, d.Top, d.Width, d.Height});
    }
    const int height = doc.data.ContentHeight;

    TCustomRVPrint print;
    print.AttachData(doc.data);
    platform::TestCanvas printer(4960, 7016, 600, true);
    ASSERT_GT(print.PaginateOn(printer, TRVPrinterPage::FromPaperMM(210, 297, 600)), 0);
    ASSERT_NE(print.PrintData().DrawItemList.Count(), 0);

    ASSERT_EQ(doc.data.DrawItemList.Count(), int(before.size()));
    for (int i = 0; i < doc.data.DrawItemList.Count(); ++i) {
        const auto &d = doc.data.DrawItemList[i];
        EXPECT_EQ((std::array<int, 4>{d.Left, d.Top, d.Width, d.Height}), before[size_t(i)]) << i;
    }
    EXPECT_EQ(doc.data.ContentHeight, height);
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

// Records what a print job was asked to do.
struct RecordingJob : rv::TRVPrintJob {
    bool canCopy = false;
    int copies = 7;
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
    platform::Canvas &BeginDoc() override
    {
        log += "begin";
        return canvas;
    }
    void NewPage() override { log += "|"; }
    void EndDoc() override { log += "end"; }
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
        d.print.PrintDocumentOn("Estudio...", c.copies, c.collate, job);
        EXPECT_EQ(job.log, c.log);
        EXPECT_EQ(job.copiesSet, c.copiesSet);
        EXPECT_EQ(job.copies, 7); // the printer's copy count is put back
    }
}

} // namespace
