// What painting puts where: selection and hover colours, marks, background
// placement, and that only the visible part of a long document is visited.
#include "document/rv_graphic.h"
#include "platform/qt_canvas.h"
#include "test_doc.h"

#include <QBuffer>
#include <QImage>
#include <gtest/gtest.h>

using namespace rv;
using namespace rvtest;
using platform::DrawOp;
using platform::Rect;

namespace {

std::vector<DrawOp> textOps(const platform::TestCanvas &c)
{
    std::vector<DrawOp> out;
    for (auto &op : c.ops())
        if (op.kind == DrawOp::Text)
            out.push_back(op);
    return out;
}

void paint(Doc &d)
{
    d.canvas.clearOps();
    d.data.PaintClient(d.canvas);
}

} // namespace

TEST(Paint, PartlySelectedPieceIsDrawnTwice)
{
    struct Case {
        bool focused;
        platform::Color inactiveText, expectBack, expectText;
    };
    const Case cases[] = {
        {true, platform::clNone, platform::clHighlight, platform::clHighlightText},
        {false, platform::clNone, platform::clGray, platform::clWindowText}, // falls back to the style's colour
        {false, platform::clYellow, platform::clGray, platform::clYellow},
    };
    for (const auto &c : cases) {
        Doc d;
        d.style.InactiveSelColor = platform::clGray;
        d.style.InactiveSelTextColor = c.inactiveText;
        d.text("abcd");
        d.data.Format();
        d.data.Focused = c.focused;
        d.data.SetSelection(0, 2, 0, 4); // "bc"
        paint(d);
        auto ops = textOps(d.canvas);
        ASSERT_EQ(ops.size(), 2u);
        EXPECT_EQ(ops[0].text, u"abcd");
        EXPECT_EQ(ops[0].back, platform::clNone);
        EXPECT_EQ(ops[1].text, u"bc");
        EXPECT_EQ(ops[1].rect.left, 5 + 6);
        EXPECT_EQ(ops[1].rect.top, 5);
        EXPECT_EQ(ops[1].back, c.expectBack);
        EXPECT_EQ(ops[1].color, c.expectText);
    }
}

TEST(Paint, WhollySelectedPiecesAndSelectionAcrossPieces)
{
    Doc d(50);
    d.text("aaa bbb ccc");
    d.data.Format();
    d.data.SetSelection(1, 3, 0, 5); // backwards, from "ccc"[2] to "aaa bbb"[5]
    paint(d);
    auto ops = textOps(d.canvas);
    ASSERT_EQ(ops.size(), 4u);
    EXPECT_EQ(ops[1].text, u"bbb"); // selected tail of line 1 ("aaa " before it)
    EXPECT_EQ(ops[1].rect.left, 5 + 21);
    EXPECT_EQ(ops[3].text, u"cc");
    EXPECT_EQ(ops[3].back, platform::clHighlight);
}

TEST(Paint, HoveredLinkTakesTheHoverColour)
{
    Doc d;
    d.text("Jn:3:16", 2);
    d.text("Jn:3:17", 2, 0, ioContinuesParagraph);
    d.data.Format();
    d.data.SetHoveredJump(1);
    d.data.ShowHover(true);
    paint(d);
    auto ops = textOps(d.canvas);
    ASSERT_EQ(ops.size(), 2u);
    EXPECT_EQ(ops[0].color, platform::clNavy);
    EXPECT_EQ(ops[1].color, platform::clRed); // the sheet's hover colour: the style has none
    EXPECT_TRUE(ops[1].font.underline);
    d.style.TextStyles[2].HoverColor = platform::clGreen;
    paint(d);
    EXPECT_EQ(textOps(d.canvas)[1].color, platform::clGreen);
}

TEST(Paint, SoftHyphenShowsOnlyWhereTheLineWraps)
{
    struct Case {
        const char *name;
        int clientWidth;
        std::u16string first;
        std::vector<std::u16string> expected; // texts drawn, in order
    };
    const Case cases[] = {
        {"wraps at the soft hyphen", 50, u"aaaa\u00ADbbbb", {u"aaaa\u200B", u"-", u"bbbb", u"cd"}},
        {"the hyphen ends an item inside a line", 640, u"ab\u00AD", {u"ab\u200B", u"cd"}},
    };
    for (const auto &c : cases) {
        Doc d(c.clientWidth);
        d.text16(c.first);
        d.text("cd", 0, 0, ioContinuesParagraph);
        d.data.Format();
        paint(d);
        std::vector<std::u16string> got;
        for (auto &op : textOps(d.canvas))
            got.push_back(op.text);
        EXPECT_EQ(got, c.expected) << c.name;
    }
}

TEST(Paint, PageBreakMarkAboveTheLine)
{
    Doc d;
    d.text("ab");
    d.text("cd", 0, 0, ioPageBreakBefore);
    d.data.Format();
    paint(d);
    bool line = false, triangle = false;
    const int y = 18 - 1; // the line's top - 1
    for (auto &op : d.canvas.ops()) {
        if (op.kind == DrawOp::Line && op.rect.top == y && op.rect.bottom == y && op.rect.left == 0 && op.rect.right == 632)
            line = true;
        if (op.kind == DrawOp::Polygon && op.points.size() == 3 && op.points[0].x == 632 && op.points[0].y == y
            && op.points[1].x == 640 && op.points[1].y == y + 8)
            triangle = true;
    }
    EXPECT_TRUE(line);
    EXPECT_TRUE(triangle);
    d.data.Options = d.data.Options.Without(TRVOption::ShowPageBreaks);
    paint(d);
    for (auto &op : d.canvas.ops())
        EXPECT_NE(op.kind, DrawOp::Polygon);
}

TEST(Paint, BackgroundPlacement)
{
    struct Case {
        TBackgroundStyle style;
        int vOffs;
        bool colourFilled;
        std::vector<platform::Rect> tiles;
    };
    const Case cases[] = {
        {bsNoBitmap, 0, true, {}},
        {bsTopRight, 0, true, {{540, 0, 640, 100}}},
        {bsBottomLeft, 0, true, {{0, 380, 100, 480}}},
        {bsCentered, 0, true, {{270, 190, 370, 290}}},
        {bsStretched, 0, false, {{0, 0, 640, 480}}},
        {bsTiled, 250, false, {{0, 200, 100, 300}, {100, 200, 200, 300}}},
        {bsTiledAndScrolled, 250, false, {{0, 150, 100, 250}, {100, 150, 200, 250}, {0, 250, 100, 350}, {100, 250, 200, 350}}},
    };
    for (const auto &c : cases) {
        TRVBackground bg;
        bg.Style = c.style;
        bg.Bitmap = CreateGraphicByClassName("TBitmap");
        ASSERT_TRUE(bg.Bitmap->LoadFromBytes(EncodeBmp(platform::Bitmap(100, 100, 0xFF00FF00))));
        platform::TestCanvas canvas;
        DrawBackground(bg, canvas, {50, 200, 150, 300}, {640, 480}, 0, c.vOffs, platform::clWhite);
        bool filled = false;
        std::vector<platform::Rect> tiles;
        for (auto &op : canvas.ops()) {
            if (op.kind == DrawOp::FillRect)
                filled = true;
            if (op.kind == DrawOp::Bitmap)
                tiles.push_back(op.rect);
        }
        EXPECT_EQ(filled, c.colourFilled) << int(c.style);
        if (c.style == bsTopRight || c.style == bsBottomLeft || c.style == bsCentered)
            EXPECT_TRUE(tiles.empty()) << "outside the update rectangle";
        else
            EXPECT_EQ(tiles, c.tiles) << int(c.style);
    }
}

TEST(Paint, OnlyTheVisibleLinesOfALongParagraphAreDrawn)
{
    Doc d(200);
    std::string words;
    for (int i = 0; i < 5000; ++i)
        words += "aaaa ";
    d.text(words); // one paragraph of some 700 lines
    d.data.Format();
    ASSERT_GT(d.data.Lines().size(), 500u);
    d.data.VOffs = d.data.ContentHeight() / 2;
    paint(d);
    auto ops = textOps(d.canvas);
    EXPECT_LE(ops.size(), 480u / 13 + 2);
    EXPECT_GE(ops.size(), 480u / 13);
    for (auto &op : ops) {
        EXPECT_GT(op.rect.bottom, 0);
        EXPECT_LT(op.rect.top, 480);
    }
}

TEST(Paint, ParagraphBorderAndBackgroundSpanTheParagraph)
{
    Doc d(100);
    d.style.ParaStyles[2].Background.Color = platform::clYellow;
    d.style.ParaStyles[2].Border.Style = rvbSingle;
    d.style.ParaStyles[2].Border.BorderOffsets.SetAll(2);
    d.text("aaaa aaaa aaaa aaaa", 0, 2);
    d.data.Format();
    paint(d);
    std::vector<platform::Rect> yellow, frame;
    for (auto &op : d.canvas.ops())
        if (op.kind == DrawOp::FillRect && op.color == platform::clYellow)
            yellow.push_back(op.rect);
    ASSERT_EQ(yellow.size(), 1u);
    // left margin + left indent; right: document width - margin - right indent; top/bottom: the pieces.
    EXPECT_EQ(yellow[0], (platform::Rect{15, 5, 90, 31}));
}

TEST(Paint, NoStyleSheetShowsTheMessage)
{
    platform::TestCanvas canvas;
    TRVLayoutData data(nullptr, &canvas);
    data.Format();
    data.PaintClient(canvas);
    bool found = false;
    for (auto &op : canvas.ops())
        if (op.kind == DrawOp::TextWrapped)
            found = op.text.find(u"Style is not defined") == 0
                && op.text.find(u"assign it to ReadView.Style") != std::u16string::npos;
    EXPECT_TRUE(found);
}

// Qt backend: pixels.
TEST(PaintQt, SelectionColourBehindSelectedText)
{
    TRVStyle style;
    fillStyles(style);
    platform::QtCanvas canvas(200, 60);
    TRVLayoutData data(&style, &canvas);
    data.ClientWidth = 200;
    data.ClientHeight = 60;
    auto it = std::make_unique<TRVTextItemInfo>(0);
    data.AddItem("Jn:3:16 dice", std::move(it));
    data.Format();
    data.SetSelection(0, 1, 0, 8);
    data.PaintClient(canvas);
    canvas.finish();
    const QImage &img = canvas.image();
    const auto &p = data.DrawItemList()[0];
    QColor sel(img.pixel(p.Left + 1, p.Top + 1));
    platform::Color hl = platform::colorToRGB(platform::clHighlight);
    EXPECT_EQ(sel, QColor(platform::redOf(hl), platform::greenOf(hl), platform::blueOf(hl)));
    QColor after(img.pixel(p.Right() - 1, p.Top + 1)); // "dice" is not selected
    EXPECT_EQ(after, QColor(Qt::white));
}

TEST(PaintQt, ScrollingByALineThenPaintingTheBandEqualsAFullPaint)
{
    TRVStyle style;
    fillStyles(style);
    platform::QtCanvas full(300, 120), scrolled(300, 120);
    TRVLayoutData data(&style, &full);
    data.ClientWidth = 300;
    data.ClientHeight = 120;
    for (int i = 0; i < 20; ++i) {
        auto it = std::make_unique<TRVTextItemInfo>(i % 3 == 0 ? 2 : 0);
        data.AddItem("Linea de estudio " + std::to_string(i), std::move(it));
    }
    data.Format();
    data.VOffs = 0;
    data.PaintClient(scrolled);
    scrolled.finish();
    // Move the picture up by one line height as a window scroll would, then paint the uncovered band.
    QImage moved = scrolled.image().copy(0, 13, 300, 107);
    platform::QtCanvas band(300, 120);
    data.VOffs = 13;
    data.PaintClient(band);
    band.finish();
    data.PaintClient(full);
    full.finish();
    platform::QtCanvas part(300, 120);
    data.PaintTo(part, {0, 107, 300, 120});
    part.finish();
    QImage combined = full.image().copy();
    for (int y = 0; y < 107; ++y)
        for (int x = 0; x < 300; ++x)
            combined.setPixel(x, y, moved.pixel(x, y));
    for (int y = 107; y < 120; ++y)
        for (int x = 0; x < 300; ++x)
            combined.setPixel(x, y, part.image().pixel(x, y));
    EXPECT_EQ(combined, full.image());
}

TEST(Paint, PicturesFillTheBoxTheyAreLaidOutInAtAnotherResolution)
{
    // A 20 × 10 bitmap with 2 pixels of spacing, laid out on screen and at 192 dpi.
    QImage img(20, 10, QImage::Format_RGB32);
    img.fill(Qt::red);
    QByteArray bmp;
    QBuffer buf(&bmp);
    buf.open(QIODevice::WriteOnly);
    ASSERT_TRUE(img.save(&buf, "BMP"));
    auto picture = [&] {
        auto g = std::make_unique<TRVGraphicItemInfo>();
        g->Image = CreateGraphicByClassName("TBitmap");
        EXPECT_TRUE(g->Image->LoadFromBytes(std::string_view(bmp.constData(), size_t(bmp.size()))));
        g->Spacing = 2;
        return g;
    };
    struct Case { int dpi; Rect want; } cases[] = {
        {96, {5 + 2, 5 + 2, 5 + 2 + 20, 5 + 2 + 10}},
        {192, {10 + 4, 10 + 4, 10 + 4 + 40, 10 + 4 + 20}},
    };
    for (auto &c : cases) {
        Doc d(640, c.dpi);
        d.item(picture());
        d.data.Format();
        d.canvas.clearOps();
        d.data.DrawItems(d.canvas, {0, 0, 2000, 2000}, 0, 0, c.dpi != 96, false);
        const DrawOp *drawn = nullptr;
        for (auto &op : d.canvas.ops())
            if (op.kind == DrawOp::Bitmap)
                drawn = &op;
        ASSERT_NE(drawn, nullptr) << c.dpi;
        EXPECT_EQ(drawn->rect, c.want) << c.dpi;
    }
}

// A repaint of a small rectangle (a hovered link, an uncovered strip) must give
// the pixels a full paint gives there, also where a paragraph's frame reaches
// past its lines into the space above or below them.
TEST(PaintQt, PartialRepaintKeepsFramesOfNeighbouringParagraphs)
{
    TRVStyle style;
    fillStyles(style);
    // Paragraph 9: a quote box whose frame stands 4 pixels off its text and
    // which leaves 6 pixels before the next paragraph.
    TParaInfo &quote = style.ParaStyles.Add();
    quote.Border.Style = rvbSingle;
    quote.Border.Color = platform::clNavy;
    quote.Border.BorderOffsets.SetAll(4);
    quote.SpaceBefore = 6;
    quote.SpaceAfter = 6;
    quote.LeftIndent = 10;
    const int quotePara = style.ParaStyles.Count() - 1;

    struct Case {
        const char *name;
        int linkBefore; // the link stands in the paragraph before the quote (else after)
    } cases[] = {{"link below the quote", 0}, {"link above the quote", 1}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        platform::QtCanvas measure(300, 140);
        TRVLayoutData data(&style, &measure);
        data.ClientWidth = 300;
        data.ClientHeight = 140;
        auto add = [&](const std::string &text, int st, int para) {
            auto it = std::make_unique<TRVTextItemInfo>(st);
            it->ParaNo = para;
            data.AddItem(text, std::move(it));
        };
        add("Primera linea", 0, 0);
        if (c.linkBefore)
            add("Jn:3:16", 2, 0);
        add("Porque de tal manera amo Dios al mundo", 0, quotePara);
        if (!c.linkBefore)
            add("Jn:3:16", 2, 0);
        add("Ultima linea", 0, 0);
        data.Format();
        ASSERT_EQ(data.Jumps().size(), 1u);
        // The hover look on, as a mouse over the link leaves it.
        data.SetHoveredJump(0);
        data.ShowHover(true);
        const auto &j = data.Jumps()[0];
        const Rect hover{j.Left - 5, j.Top - 5, j.Left + j.Width + 5, j.Top + j.Height + 5};

        platform::QtCanvas full(300, 140), part(300, 140);
        data.PaintClient(full);
        full.finish();
        data.PaintTo(part, hover);
        part.finish();
        int differing = 0;
        for (int y = std::max(0, hover.top); y < std::min(140, hover.bottom); ++y)
            for (int x = std::max(0, hover.left); x < std::min(300, hover.right); ++x)
                differing += full.image().pixel(x, y) != part.image().pixel(x, y);
        EXPECT_EQ(differing, 0);
        // The frame does pass through the repainted rectangle.
        const QRgb navy = qRgb(0, 0, 0x80);
        int framePixels = 0;
        for (int y = std::max(0, hover.top); y < std::min(140, hover.bottom); ++y)
            framePixels += full.image().pixel(j.Left + j.Width / 2, y) == navy;
        EXPECT_GT(framePixels, 0);
    }
}
