// What a printed page and its preview show: nothing of the screen's marks,
// paragraph frames cut open at page edges and kept inside the margins, rules
// and borders still visible when the preview shrinks the page, page colours
// turned for the printer.
#include "printing/rv_print.h"

#include "../viewer/test_doc.h"
#include "small_page.h"

#include <gtest/gtest.h>

using namespace rvtest;
using platform::DrawOp;
using platform::Rect;
using rv::TCustomRVPrint;
using rv::TRVPrinterPage;

namespace {

constexpr platform::Color kFrame = platform::rgb(0, 0, 200);
constexpr platform::Color kShade = platform::rgb(230, 230, 230);
constexpr platform::Color kRule = platform::rgb(200, 0, 0);


std::vector<DrawOp> FillsOf(const platform::TestCanvas &c, platform::Color color)
{
    std::vector<DrawOp> v;
    for (const DrawOp &op : c.ops())
        if (op.kind == DrawOp::FillRect && op.color == color)
            v.push_back(op);
    return v;
}

// A paragraph style with a frame and shading, added to the test sheet.
int FramedPara(rv::TRVStyle &s)
{
    rv::TParaInfo &p = s.ParaStyles.Add();
    p.Border.Style = rv::rvbSingle;
    p.Border.Color = kFrame;
    p.Background.Color = kShade;
    return s.ParaStyles.Count() - 1;
}

TEST(PrintedPage, ShowsNoneOfTheScreensMarks)
{
    Doc doc;
    doc.data.LeftMargin = doc.data.RightMargin = doc.data.TopMargin = doc.data.BottomMargin = 0;
    doc.data.Options = doc.data.Options | rv::TRVOption::ShowPageBreaks | rv::TRVOption::ShowCheckpoints
                       | rv::TRVOption::ShowSpecialCharacters;
    for (int i = 0; i < 14; ++i)
        doc.text("L" + std::to_string(i), 0, 0, i == 5 ? rv::ioPageBreakBefore : 0);
    doc.data.Format();
    doc.data.SetSelection(0, 1, doc.data.DrawItemList().Count() - 1, 2); // the reader had selected everything

    TCustomRVPrint print;
    print.LeftMarginMM = print.RightMarginMM = print.TopMarginMM = print.BottomMarginMM = 0;
    print.AttachData(doc.data);
    platform::TestCanvas printer(400, 100, 96, true);
    const int pages = print.PaginateOn(printer, SmallPage());
    ASSERT_GT(pages, 2);
    // Pagination keeps where the pages break, at the screen lines that begin
    // them; the screen marks them when its owner hands them over.
    const std::vector<int> &breaks = print.SourcePageBreaks();
    ASSERT_EQ(breaks.size(), size_t(pages - 1));
    for (size_t i = 1; i < print.Pages().size(); ++i) {
        const auto &d = print.PrintData().DrawItemList()[print.Pages()[i].FirstDrawItem];
        const int screenLine = doc.data.LineOfDrawItem(doc.data.FirstDrawItemOf(d.ItemNo));
        EXPECT_EQ(breaks[i - 1], doc.data.Lines()[size_t(screenLine)].Top);
    }
    auto softMarks = [&] {
        platform::TestCanvas screen(400, 300, 96);
        doc.data.DrawItems(screen, Rect{0, 0, 400, 300}, 0, 0, false, false);
        std::vector<int> ys;
        for (const DrawOp &op : screen.ops())
            if (op.kind == DrawOp::Line && op.color == doc.style.SoftPageBreakColor)
                ys.push_back(op.rect.top);
        return ys;
    };
    EXPECT_TRUE(softMarks().empty());
    doc.data.PageBreaks = &breaks;
    EXPECT_EQ(softMarks(), breaks);

    auto expectClean = [&](const platform::TestCanvas &c) {
        for (const DrawOp &op : c.ops()) {
            EXPECT_NE(op.kind, DrawOp::Polygon);   // the break mark's triangle
            EXPECT_NE(op.kind, DrawOp::FocusRect); // the focus frame
            EXPECT_NE(op.kind, DrawOp::Line);      // break lines (nothing else here draws lines)
            EXPECT_NE(op.color, doc.style.SoftPageBreakColor);
            EXPECT_NE(op.color, doc.style.PageBreakColor);
            EXPECT_NE(op.back, doc.style.SelColor);
        }
    };
    for (int n = 1; n <= pages; ++n) {
        SCOPED_TRACE(n);
        platform::TestCanvas paper(400, 100, 96, true);
        print.DrawPage(n, paper, false, false);
        expectClean(paper);
        platform::TestCanvas screen(400, 300, 96);
        print.DrawPreview(n, screen, Rect{10, 10, 210, 60});
        expectClean(screen);
    }
}

TEST(PrintedPage, FramedParagraphIsCutOpenAndStaysInsideTheMargins)
{
    Doc doc;
    doc.data.LeftMargin = doc.data.RightMargin = doc.data.TopMargin = doc.data.BottomMargin = 0;
    const int framed = FramedPara(doc.style);
    std::string words;
    for (int i = 0; i < 120; ++i)
        words += "palabra ";
    doc.text(words, 0, framed);
    doc.data.Format();

    TCustomRVPrint print;
    print.LeftMarginMM = print.RightMarginMM = print.TopMarginMM = print.BottomMarginMM = 3; // 11 px
    print.AttachData(doc.data);
    platform::TestCanvas printer(400, 100, 96, true);
    const int pages = print.PaginateOn(printer, SmallPage());
    ASSERT_GT(pages, 2);
    for (int n = 1; n <= pages; ++n) {
        SCOPED_TRACE(n);
        const Rect content = print.PageContentRect(n);
        platform::TestCanvas paper(400, 100, 96, true);
        print.DrawPage(n, paper, false, false);
        std::vector<DrawOp> frame = FillsOf(paper, kFrame), shade = FillsOf(paper, kShade);
        ASSERT_FALSE(frame.empty());
        ASSERT_EQ(shade.size(), 1u);
        int top = 0, bottom = 0, sides = 0;
        for (const DrawOp &op : frame) {
            EXPECT_GE(op.rect.top, content.top);
            EXPECT_LE(op.rect.bottom, content.bottom);
            EXPECT_GE(op.rect.left, content.left);
            EXPECT_LE(op.rect.right, content.right);
            if (op.rect.width() > op.rect.height())
                (op.rect.top == shade[0].rect.top ? top : bottom)++;
            else
                ++sides;
        }
        // Only the paragraph's real top and bottom have an edge.
        EXPECT_EQ(top, n == 1 ? 1 : 0);
        EXPECT_EQ(bottom, n == pages ? 1 : 0);
        EXPECT_EQ(sides, 2);
        EXPECT_GE(shade[0].rect.top, content.top);
        EXPECT_LE(shade[0].rect.bottom, content.bottom);
    }
}

TEST(PrintedPage, RulesAndBordersStayVisibleInASmallPreview)
{
    Doc doc;
    const int framed = FramedPara(doc.style);
    doc.text("Arriba");
    auto rule = std::make_unique<rv::TRVBreakItemInfo>();
    rule->LineColor = kRule;
    doc.item(std::move(rule));
    doc.text("Un parrafo con marco", 0, framed);
    doc.data.Format();

    TCustomRVPrint print;
    print.AttachData(doc.data);
    platform::TestCanvas printer(4960, 7016, 600, true);
    ASSERT_EQ(print.PaginateOn(printer, TRVPrinterPage::FromPaperMM(210, 297, 600)), 1);

    // On paper the one-pixel rule is one screen pixel wide at the printer's resolution.
    platform::TestCanvas paper(4960, 7016, 600, true);
    print.DrawPage(1, paper, false, false);
    const auto paperRule = FillsOf(paper, kRule);
    ASSERT_EQ(paperRule.size(), 1u);
    EXPECT_EQ(paperRule[0].rect.height(), 6); // MulDiv(1, 600, 96)

    // Previews from full page down to a thumbnail.
    for (int width : {600, 397, 200, 100}) {
        SCOPED_TRACE(width);
        platform::TestCanvas screen(800, 1200, 96);
        const Rect r{7, 9, 7 + width, 9 + width * 297 / 210};
        print.DrawPreview(1, screen, r);
        ASSERT_EQ(FillsOf(screen, kRule).size(), 1u);
        EXPECT_GE(FillsOf(screen, kRule)[0].rect.height(), 1);
        const auto frame = FillsOf(screen, kFrame);
        ASSERT_EQ(frame.size(), 4u);
        for (const DrawOp &op : frame) {
            EXPECT_GE(op.rect.width(), 1);
            EXPECT_GE(op.rect.height(), 1);
        }
    }
}

TEST(PrintedPage, PageColourFollowsTheColourMode)
{
    struct Case {
        const char *name;
        platform::Color color;
        rv::TRVColorMode mode;
        bool transparent;
        platform::Color expected; // clNone: no fill of the page
    } cases[] = {
        {"colour kept", platform::rgb(255, 0, 0), rv::rvcmColor, false, platform::rgb(255, 0, 0)},
        {"grey level rounded, not truncated", platform::rgb(255, 0, 0), rv::rvcmGrayScale, false,
         platform::rgb(77, 77, 77)}, // 0.3 × 255 = 76.5
        {"grey of a light colour", platform::rgb(255, 255, 254), rv::rvcmGrayScale, false,
         platform::rgb(255, 255, 255)},
        {"button face prints silver", platform::clBtnFace, rv::rvcmPrinterColor, false, platform::rgb(192, 192, 192)},
        {"window prints white", platform::clWindow, rv::rvcmPrinterColor, false, platform::rgb(255, 255, 255)},
        {"button shadow prints grey", platform::clBtnShadow, rv::rvcmPrinterColor, false,
         platform::rgb(128, 128, 128)},
        {"black and white", platform::rgb(0, 0, 128), rv::rvcmBlackAndWhite, false, platform::clWhite},
        {"transparent background", platform::rgb(255, 0, 0), rv::rvcmColor, true, platform::clNone},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Doc doc;
        doc.text("Texto");
        doc.data.Color = c.color;
        doc.data.Format();
        TCustomRVPrint print;
        print.LeftMarginMM = print.RightMarginMM = print.TopMarginMM = print.BottomMarginMM = 0;
        print.ColorMode = c.mode;
        print.TransparentBackground = c.transparent;
        print.AttachData(doc.data);
        platform::TestCanvas printer(400, 100, 96, true);
        ASSERT_EQ(print.PaginateOn(printer, SmallPage()), 1);
        platform::TestCanvas paper(400, 100, 96, true);
        print.DrawPage(1, paper, false, false);
        const Rect whole{0, 0, 400, 100};
        std::vector<platform::Color> fills;
        for (const DrawOp &op : paper.ops())
            if (op.kind == DrawOp::FillRect && op.rect == whole)
                fills.push_back(op.color);
        if (c.expected == platform::clNone) {
            EXPECT_TRUE(fills.empty());
        } else {
            ASSERT_EQ(fills.size(), 1u);
            EXPECT_EQ(fills[0], c.expected);
        }
    }
}

} // namespace
