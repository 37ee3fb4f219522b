// The printed page's geometry beyond plain margins: the page a study carries
// in its parameters, header and footer documents, the background picture at
// the printer's resolution, and a preview that keeps the printer's text widths.
#include "printing/rv_print.h"

#include "document/rv_graphic.h"

#include "../viewer/test_doc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace rvtest;
using platform::DrawOp;
using platform::Rect;
using rv::TCustomRVPrint;
using rv::TRVDocParameters;
using rv::TRVPrinterPage;

namespace {

std::vector<DrawOp> OpsOf(const platform::TestCanvas &c, DrawOp::Kind kind)
{
    std::vector<DrawOp> v;
    for (const DrawOp &op : c.ops())
        if (op.kind == kind)
            v.push_back(op);
    return v;
}

// ---------------------------------------------------------------- the study's page

TEST(StudyPage, ParametersBecomeMillimetresOfTheSheet)
{
    {
        SCOPED_TRACE("millimetres, as the samples store them");
        TRVDocParameters p;
        p.Units = rv::rvuMillimeters;
        p.PageWidth = 210;
        p.PageHeight = 297;
        p.LeftMargin = p.RightMargin = 25.5L;
        p.TopMargin = p.BottomMargin = 20;
        p.HeaderY = p.FooterY = 10;
        std::string warning;
        const auto s = rv::PageSetupOf(p, 96, &warning);
        ASSERT_TRUE(s);
        EXPECT_EQ(warning, "");
        EXPECT_DOUBLE_EQ(s->PaperWidthMM, 210);
        EXPECT_DOUBLE_EQ(s->PaperHeightMM, 297);
        EXPECT_EQ(s->LeftMM, 26); // 25.5 rounds away from zero
        EXPECT_EQ(s->TopMM, 20);
        EXPECT_EQ(s->HeaderYMM, 10);
        EXPECT_FALSE(s->Landscape);
    }
    {
        SCOPED_TRACE("inches, landscape, mirrored");
        TRVDocParameters p;
        p.Orientation = 1;
        p.MirrorMargins = true;
        const auto s = rv::PageSetupOf(p, 96, nullptr);
        ASSERT_TRUE(s);
        EXPECT_TRUE(s->Landscape);
        EXPECT_NEAR(s->PaperWidthMM, 297, 1e-6); // the sheet lies on its long side
        EXPECT_NEAR(s->PaperHeightMM, 210, 1e-6);
        EXPECT_EQ(s->LeftMM, 32); // 1.25 in = 31.75 mm
        EXPECT_EQ(s->TopMM, 25);  // 1 in = 25.4 mm
        EXPECT_EQ(s->FooterYMM, 13);
        EXPECT_TRUE(s->Mirror);
    }
    {
        SCOPED_TRACE("points, centimetres and pixels");
        TRVDocParameters pt;
        pt.Units = rv::rvuPoints;
        pt.PageWidth = 612; // Letter
        pt.PageHeight = 792;
        pt.LeftMargin = pt.RightMargin = pt.TopMargin = pt.BottomMargin = 36;
        pt.HeaderY = pt.FooterY = 18;
        auto s = rv::PageSetupOf(pt, 96, nullptr);
        ASSERT_TRUE(s);
        EXPECT_NEAR(s->PaperWidthMM, 215.9, 1e-6);
        EXPECT_EQ(s->LeftMM, 13); // 12.7 mm
        TRVDocParameters cm;
        cm.Units = rv::rvuCentimeters;
        cm.PageWidth = 21;
        cm.PageHeight = 29.7L;
        cm.LeftMargin = cm.RightMargin = cm.TopMargin = cm.BottomMargin = 3;
        cm.HeaderY = cm.FooterY = 1;
        s = rv::PageSetupOf(cm, 96, nullptr);
        ASSERT_TRUE(s);
        EXPECT_EQ(s->RightMM, 30);
        TRVDocParameters px;
        px.Units = rv::rvuPixels;
        px.PageWidth = 794; // A4 at 96 ppi
        px.PageHeight = 1123;
        px.LeftMargin = px.RightMargin = px.TopMargin = px.BottomMargin = 96;
        px.HeaderY = px.FooterY = 48;
        s = rv::PageSetupOf(px, 96, nullptr);
        ASSERT_TRUE(s);
        EXPECT_EQ(s->LeftMM, 25);
        s = rv::PageSetupOf(px, 192, nullptr); // the same pixels on a denser screen
        ASSERT_TRUE(s);
        EXPECT_EQ(s->LeftMM, 13);
    }
    {
        SCOPED_TRACE("a study carrying only a zoom carries no page");
        TRVDocParameters p;
        p.ZoomPercent = 150;
        std::string warning = "old";
        EXPECT_FALSE(rv::PageSetupOf(p, 96, &warning));
        EXPECT_EQ(warning, "");
    }
}

TEST(StudyPage, AbsurdParametersFallBackWithAWarning)
{
    const long double nan = std::numeric_limits<long double>::quiet_NaN();
    const long double inf = std::numeric_limits<long double>::infinity();
    struct Case {
        const char *name;
        void (*change)(TRVDocParameters &, long double, long double);
    } cases[] = {
        {"the samples' old page: 8.27 x 11.69 mm", [](TRVDocParameters &p, long double, long double) {
             p.Units = rv::rvuMillimeters;
             p.LeftMargin = p.RightMargin = 25.5L;
         }},
        {"margins wider than the sheet", [](TRVDocParameters &p, long double, long double) { p.LeftMargin = 7; }},
        {"zero width", [](TRVDocParameters &p, long double, long double) { p.PageWidth = 0; }},
        {"negative margin", [](TRVDocParameters &p, long double, long double) { p.TopMargin = -1; }},
        {"huge sheet", [](TRVDocParameters &p, long double, long double) { p.PageHeight = 1e30L; }},
        {"not a number", [](TRVDocParameters &p, long double n, long double) { p.PageWidth = n; }},
        {"infinite margin", [](TRVDocParameters &p, long double, long double i) { p.BottomMargin = i; }},
        {"header below the sheet", [](TRVDocParameters &p, long double, long double) { p.HeaderY = 12; }},
        {"unknown unit", [](TRVDocParameters &p, long double, long double) { p.Units = rv::TRVUnits(9); }},
        {"unknown orientation", [](TRVDocParameters &p, long double, long double) { p.Orientation = 7; }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TRVDocParameters p;
        c.change(p, nan, inf);
        std::string warning;
        EXPECT_FALSE(rv::PageSetupOf(p, 96, &warning));
        EXPECT_NE(warning.find("se usan los valores predeterminados"), std::string::npos) << warning;

        // Pagination goes on with the component's own page.
        Doc doc;
        doc.data.LeftMargin = doc.data.RightMargin = doc.data.TopMargin = doc.data.BottomMargin = 0;
        doc.text("Texto del estudio");
        doc.data.Format();
        TCustomRVPrint print;
        EXPECT_EQ(print.UseStudyPageSetup(&p), warning);
        EXPECT_EQ(print.LeftMarginMM, 20);
        EXPECT_FALSE(print.StudyPaper());
        print.AttachData(doc.data);
        platform::TestCanvas printer(4960, 7016, 600, true);
        EXPECT_EQ(print.PaginateOn(printer, TRVPrinterPage::FromPaperMM(210, 297, 600)), 1);
    }
}

TEST(StudyPage, ComponentTakesTheStudysPageUntilTheUserChooses)
{
    TRVDocParameters study;
    study.Units = rv::rvuMillimeters;
    study.PageWidth = 297;
    study.PageHeight = 210;
    study.Orientation = 1;
    study.LeftMargin = 30;
    study.RightMargin = 10;
    study.TopMargin = study.BottomMargin = 15;
    study.HeaderY = 5;
    study.FooterY = 7;
    study.MirrorMargins = true;

    TCustomRVPrint print;
    print.LeftMarginMM = 18; // the reader's own choice before any study
    EXPECT_EQ(print.UseStudyPageSetup(&study), "");
    EXPECT_EQ(print.LeftMarginMM, 30);
    EXPECT_EQ(print.RightMarginMM, 10);
    EXPECT_EQ(print.TopMarginMM, 15);
    EXPECT_EQ(print.HeaderYMM, 5);
    EXPECT_EQ(print.FooterYMM, 7);
    EXPECT_TRUE(print.MirrorMargins);
    ASSERT_TRUE(print.StudyPaper());
    EXPECT_TRUE(print.StudyPaper()->Landscape);

    // Mirrored on the study's landscape sheet: odd pages 30 mm from the left, even 10 mm.
    Doc doc;
    doc.data.LeftMargin = doc.data.RightMargin = doc.data.TopMargin = doc.data.BottomMargin = 0;
    for (int i = 0; i < 3; ++i)
        doc.text("Parte " + std::to_string(i), 0, 0, i ? rv::ioPageBreakBefore : 0);
    doc.data.Format();
    print.AttachData(doc.data);
    platform::TestCanvas printer(3508, 2480, 300, true);
    ASSERT_EQ(print.PaginateOn(printer, TRVPrinterPage::FromPaperMM(297, 210, 300)), 3);
    EXPECT_EQ(print.LeftMargin(1), 354); // MulDiv(30, 1500, 127)
    EXPECT_EQ(print.LeftMargin(2), 118); // MulDiv(10, 1500, 127)

    // A second study with the same parameters does not take the first one's as the component's own.
    print.UseStudyPageSetup(&study);
    // A study without parameters gets the component's own back.
    EXPECT_EQ(print.UseStudyPageSetup(nullptr), "");
    EXPECT_EQ(print.LeftMarginMM, 18);
    EXPECT_EQ(print.RightMarginMM, 20);
    EXPECT_EQ(print.HeaderYMM, 10);
    EXPECT_FALSE(print.MirrorMargins);
    EXPECT_FALSE(print.StudyPaper());

    // Once the user chose, a study changes nothing.
    print.UserPageSetup = true;
    print.LeftMarginMM = 12;
    print.UseStudyPageSetup(&study);
    EXPECT_EQ(print.LeftMarginMM, 12);
    EXPECT_FALSE(print.StudyPaper());
}

// ---------------------------------------------------------------- header and footer

TEST(HeaderFooter, MarginsGrowToHoldThemAndTheyPrintOnEveryPage)
{
    // 400 x 400 paper at 96 dpi, printable 400 x 370: 10 px strip at the top, 20 at the bottom.
    TRVPrinterPage page;
    page.DpiX = page.DpiY = 96;
    page.PhysicalWidth = page.PageWidth = 400;
    page.PhysicalHeight = 400;
    page.PageHeight = 370;
    page.OffsetY = 10;

    Doc doc;
    doc.data.LeftMargin = doc.data.RightMargin = doc.data.TopMargin = doc.data.BottomMargin = 0;
    for (int i = 0; i < 40; ++i)
        doc.text("Linea " + std::to_string(i));
    doc.data.Format();
    Doc header, footer;
    header.data.LeftMargin = header.data.RightMargin = 0;
    footer.data.LeftMargin = 4;
    footer.data.RightMargin = 0;
    header.text("Encabezado");
    footer.text("Pie");

    TCustomRVPrint print;
    print.LeftMarginMM = 0;
    print.RightMarginMM = 10; // 38 px; mirrored, even pages start 38 px from the left
    print.MirrorMargins = true;
    print.TopMarginMM = print.BottomMarginMM = 5;
    print.HeaderYMM = print.FooterYMM = 10;
    print.SetHeader(&header.data);
    print.SetFooter(&footer.data);
    print.AttachData(doc.data);
    platform::TestCanvas printer(400, 370, 96, true);
    const int pages = print.PaginateOn(printer, page);
    ASSERT_GT(pages, 1);

    // Header: mm(10) = MulDiv(10, 480, 127) = 38, less the 10 px strip: top 28; one Arial 10 line is 13 high.
    EXPECT_EQ(print.HeaderTop(), 28);
    EXPECT_EQ(print.HeaderHeight(), 13);
    // The top margin, MulDiv(5, 480, 127) - 10 = 9, grows to the header's bottom.
    EXPECT_EQ(print.TopMargin(), 41);
    // Footer: 38 - 20 = 18 above the printable bottom; the bottom margin (19 - 20 -> 0) grows to 13 + 18.
    EXPECT_EQ(print.FooterHeight(), 13);
    EXPECT_EQ(print.FooterTop(), 370 - 18 - 13);
    EXPECT_EQ(print.BottomMargin(), 31);
    EXPECT_EQ(print.ClientHeight(), 370 - 41 - 31);
    EXPECT_EQ(print.ClientWidth(), 400 - 38);
    // 298 px of text: 22 lines of 13 per page.
    EXPECT_EQ(pages, 2);

    for (int n = 1; n <= pages; ++n) {
        SCOPED_TRACE(n);
        platform::TestCanvas paper(400, 370, 96, true);
        print.DrawPage(n, paper, false, false);
        const auto text = OpsOf(paper, DrawOp::Text);
        ASSERT_GE(text.size(), 3u);
        const int left = n == 1 ? 0 : 38;
        const DrawOp *head = nullptr, *foot = nullptr;
        for (const DrawOp &op : text) {
            if (op.text == u"Encabezado")
                head = &op;
            else if (op.text == u"Pie")
                foot = &op;
            else // the study's own lines stay between the grown margins
                EXPECT_TRUE(op.rect.top >= 41 && op.rect.bottom <= 370 - 31) << op.rect.top;
        }
        ASSERT_TRUE(head && foot);
        EXPECT_EQ(head->rect, (Rect{left, 28, left + 63, 41}));           // "Encabezado": 9 + 9 x 6
        EXPECT_EQ(foot->rect, (Rect{left + 4, 339, left + 4 + 21, 352})); // "Pie": 9 + 6 + 6, after its 4 px margin
    }

    // Shown in a preview at half size, the header keeps its place on the sheet.
    platform::TestCanvas screen(400, 400, 96);
    print.DrawPreview(1, screen, Rect{0, 0, 200, 185});
    bool headerShown = false;
    for (const DrawOp &op : OpsOf(screen, DrawOp::Text))
        if (op.text == u"Encabezado")
            headerShown = op.rect.top == 14;
    EXPECT_TRUE(headerShown);
}

TEST(HeaderFooter, AHeaderThatLeavesNoRoomRefusesToPaginate)
{
    Doc doc;
    doc.text("Texto");
    doc.data.Format();
    Doc header;
    std::string words;
    for (int i = 0; i < 200; ++i)
        words += "palabra ";
    header.text(words); // wraps into far more lines than the page holds
    TCustomRVPrint print;
    print.SetHeader(&header.data);
    print.AttachData(doc.data);
    platform::TestCanvas printer(400, 100, 96, true);
    TRVPrinterPage page;
    page.DpiX = page.DpiY = 96;
    page.PhysicalWidth = page.PageWidth = 400;
    page.PhysicalHeight = page.PageHeight = 300;
    EXPECT_EQ(print.PaginateOn(printer, page), 0);
    EXPECT_EQ(print.LastError(), rv::TRVPrintError::NoRoom);
}

// ---------------------------------------------------------------- background picture

TEST(PrintedBackground, PictureKeepsItsSizeInInchesAndItsPlace)
{
    // Printer at 192 dpi, the picture 30 x 20 screen pixels: 60 x 40 printer pixels.
    // 5 mm left and top margins are MulDiv(5, 960, 127) = 38 px: content (38, 38)-(400, 300).
    TRVPrinterPage page;
    page.DpiX = page.DpiY = 192;
    page.PhysicalWidth = page.PageWidth = 400;
    page.PhysicalHeight = page.PageHeight = 300;
    const platform::Color paperColor = platform::rgb(250, 240, 230);
    struct Case {
        rv::TBackgroundStyle style;
        rv::TRVColorMode mode;
        bool transparent;
        bool filled;
        std::vector<Rect> pictures; // for tiles: the first and the last, and their count below
        int count;
    } cases[] = {
        {rv::bsTopLeft, rv::rvcmColor, false, true, {{38, 38, 98, 78}}, 1},
        {rv::bsTopRight, rv::rvcmColor, false, true, {{340, 38, 400, 78}}, 1},
        {rv::bsBottomLeft, rv::rvcmColor, false, true, {{38, 260, 98, 300}}, 1},
        {rv::bsBottomRight, rv::rvcmColor, false, true, {{340, 260, 400, 300}}, 1},
        {rv::bsCentered, rv::rvcmColor, false, true, {{189, 149, 249, 189}}, 1}, // (362-60)/2, (262-40)/2
        {rv::bsStretched, rv::rvcmColor, false, false, {{38, 38, 400, 300}}, 1},
        {rv::bsTiled, rv::rvcmColor, false, false, {{38, 38, 98, 78}, {398, 278, 458, 318}}, 49}, // 7 x 7
        {rv::bsTiledAndScrolled, rv::rvcmGrayScale, false, false, {{38, 38, 98, 78}, {398, 278, 458, 318}}, 49},
        {rv::bsTopLeft, rv::rvcmColor, true, false, {{38, 38, 98, 78}}, 1}, // no page colour, picture kept
        {rv::bsTiled, rv::rvcmBlackOnWhite, false, true, {}, 0},             // plain white paper
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(int(c.style) * 10 + int(c.mode));
        Doc doc;
        doc.data.LeftMargin = doc.data.RightMargin = doc.data.TopMargin = doc.data.BottomMargin = 0;
        doc.text("Texto");
        doc.data.Color = paperColor;
        doc.data.Background.Style = c.style;
        doc.data.Background.Bitmap = rv::CreateGraphicByClassName("TBitmap");
        ASSERT_TRUE(doc.data.Background.Bitmap->LoadFromBytes(rv::EncodeBmp(platform::Bitmap(30, 20, 0xFF3060C0))));
        doc.data.Format();
        TCustomRVPrint print;
        print.LeftMarginMM = print.TopMarginMM = 5;
        print.RightMarginMM = print.BottomMarginMM = 0;
        print.ColorMode = c.mode;
        print.TransparentBackground = c.transparent;
        print.AttachData(doc.data);
        platform::TestCanvas printer(400, 300, 192, true);
        ASSERT_EQ(print.PaginateOn(printer, page), 1);
        platform::TestCanvas paper(400, 300, 192, true);
        print.DrawPage(1, paper, false, false);

        const Rect content{38, 38, 400, 300};
        bool filled = false;
        for (const DrawOp &op : paper.ops())
            if (op.kind == DrawOp::FillRect && op.rect == content)
                filled = true;
        EXPECT_EQ(filled, c.filled);
        const auto pics = OpsOf(paper, DrawOp::Bitmap);
        ASSERT_EQ(int(pics.size()), c.count);
        if (c.count > 0) {
            EXPECT_EQ(pics.front().rect, c.pictures.front());
            EXPECT_EQ(pics.back().rect, c.pictures.back());
        }
        // The text comes after the picture, on top of it.
        const auto &ops = paper.ops();
        ASSERT_FALSE(ops.empty());
        EXPECT_EQ(ops.back().kind, DrawOp::Text);
    }
}

// ---------------------------------------------------------------- preview correction

// A screen whose hinted fonts are one pixel wider per character than the printer's.
class HintedScreen : public platform::TestCanvas {
public:
    using TestCanvas::TestCanvas;
    platform::Size textExtent(std::u16string_view t) override
    {
        platform::Size s = TestCanvas::textExtent(t);
        s.cx += int(t.size());
        return s;
    }
    void prefixWidths(std::u16string_view t, std::vector<int> &e) override
    {
        TestCanvas::prefixWidths(t, e);
        for (size_t i = 0; i < e.size(); ++i)
            e[i] += int(i) + 1;
    }
};

TEST(PreviewCorrection, TextKeepsThePrinterWidthsOnlyWhenOn)
{
    Doc doc;
    doc.data.LeftMargin = doc.data.RightMargin = doc.data.TopMargin = doc.data.BottomMargin = 0;
    doc.text("abc abc");
    doc.data.Format();
    TCustomRVPrint print;
    print.LeftMarginMM = print.RightMarginMM = print.TopMarginMM = print.BottomMarginMM = 0;
    print.AttachData(doc.data);
    TRVPrinterPage page;
    page.DpiX = page.DpiY = 96;
    page.PhysicalWidth = page.PageWidth = 400;
    page.PhysicalHeight = page.PageHeight = 100;
    platform::TestCanvas printer(400, 100, 96, true);
    ASSERT_EQ(print.PaginateOn(printer, page), 1);
    const auto &run = print.PrintData().DrawItemList()[0];
    ASSERT_EQ(run.Width, 39); // a b c = 6 each, space 3

    for (bool correction : {true, false}) {
        SCOPED_TRACE(correction);
        print.PreviewCorrection = correction;
        HintedScreen screen(400, 100, 96);
        print.DrawPreview(1, screen, Rect{0, 0, 400, 100}); // one screen pixel per printer pixel
        const auto text = OpsOf(screen, DrawOp::Text);
        ASSERT_FALSE(text.empty());
        std::u16string drawn;
        for (const DrawOp &op : text)
            drawn += op.text;
        EXPECT_EQ(drawn, u"abc abc");
        if (correction) {
            // Every character where the printer puts it; the run ends at its printer width.
            ASSERT_EQ(text.size(), 7u);
            const int at[] = {0, 6, 12, 18, 21, 27, 33};
            for (size_t i = 0; i < 7; ++i)
                EXPECT_EQ(text[i].rect.left, run.Left + at[i]) << i;
            EXPECT_EQ(text.back().rect.left + 6 - text.front().rect.left, run.Width);
        } else {
            ASSERT_EQ(text.size(), 1u);
            EXPECT_EQ(text[0].rect.width(), run.Width + 7); // the screen's own wider run
        }
    }
}

} // namespace
