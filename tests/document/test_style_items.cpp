// Style sheet lookups, equality and drawing services; item rules of the document storage.
#include "document/rv_error.h"
#include "document/rv_graphic.h"
#include "document/rv_table.h"
#include "support/test_canvas.h"
#include "test_util.h"

#include <gtest/gtest.h>

using namespace rv;
using namespace platform;

TEST(StyleSheet, ReaderInitialSheetAndFallbacks)
{
    TRVStyle s;
    EXPECT_EQ(s.TextStyles.Count(), 6);
    EXPECT_EQ(s.ParaStyles.Count(), 2);
    s.LoadReaderDefaults();
    EXPECT_EQ(s.TextStyles.Count(), 12);
    EXPECT_EQ(s.ParaStyles.Count(), 5);
    EXPECT_EQ(s.ListStyles.Count(), 0);
    EXPECT_EQ(s.TextStyles[7].StyleName, "V\xEDnculo a vers\xED" "culo");
    EXPECT_TRUE(s.TextStyles[7].Jump);
    EXPECT_EQ(s.GetHoverColor(7), clHotLight);
    EXPECT_EQ(s.TextStyles[5].Size, 16);
    EXPECT_EQ(s.ParaStyles[4].Border.BorderOffsets.Left, 2);

    // Out of range: white on red, made once.
    TFontInfo *bad = &s.TextStyles[-1];
    EXPECT_EQ(bad, &s.TextStyles[12]);
    EXPECT_EQ(bad->Color, clWhite);
    EXPECT_EQ(bad->BackColor, clRed);
    EXPECT_EQ(bad->FontName, "Arial");
    EXPECT_EQ(s.ParaStyles[99].Border.Width, 2);

    // A hyperlink style without its own hover colour takes the sheet's.
    s.TextStyles[7].HoverColor = clNone;
    EXPECT_EQ(s.GetHoverColor(7), clRed);
    EXPECT_TRUE(s.StyleHoverSensitive(7));
    EXPECT_FALSE(s.StyleHoverSensitive(0));

    TFontInfos empty;
    EXPECT_EQ(empty[0].Color, clWhite);
    EXPECT_EQ(empty[0].Size, 10);
}

TEST(StyleSheet, Equality)
{
    TFontInfo a, b;
    b.StyleName = "other";
    b.FontName = "ARIAL";
    EXPECT_TRUE(a.IsEqual(b, false));
    b.HoverColor = clBlue;
    EXPECT_TRUE(a.IsEqual(b, false));
    a.Jump = b.Jump = true;
    EXPECT_FALSE(a.IsEqual(b, false));
    b.HoverColor = clNone;
    b.NextStyleNo = 3;
    EXPECT_FALSE(a.IsEqual(b, false));
    EXPECT_TRUE(a.IsEqual(b, true));

    TParaInfo p, q;
    q.StyleName = "x";
    EXPECT_TRUE(p.IsEqual(q, false));
    q.Tabs.push_back({10, rvtaRight, "."});
    EXPECT_FALSE(p.IsEqual(q, false));
}

TEST(StyleSheet, ApplyStyleOnCanvas)
{
    TRVStyle s;
    s.LoadReaderDefaults();
    TestCanvas c;
    s.ApplyStyle(c, 5, rvbdUnspecified, false);
    EXPECT_EQ(c.font().height, -MulDiv(16, 96, 72));
    EXPECT_EQ(c.font().weight, 700);
    s.ApplyStyle(c, 0, rvbdUnspecified, false);
    int normal = c.textMetrics().tmAveCharWidth;
    s.TextStyles[0].CharScale = 200;
    s.ApplyStyle(c, 0, rvbdUnspecified, false);
    EXPECT_EQ(c.textMetrics().tmAveCharWidth, 2 * normal);

    // The collection's resolution wins when asked for.
    s.TextStyles.PixelsPerInch = 300;
    s.ApplyStyle(c, 0, rvbdRightToLeft, true);
    EXPECT_EQ(c.font().height, -MulDiv(10, 300, 72));
    EXPECT_EQ(c.textAlign(), TA_RTLREADING);

    s.ApplyStyleColor(c, 7, 0, false, rvcmColor);
    EXPECT_EQ(c.textColor(), clNavy);
    s.ApplyStyleColor(c, 7, rvtsHover, false, rvcmColor);
    EXPECT_EQ(c.textColor(), clHotLight);
    s.ApplyStyleColor(c, 0, rvtsSelected | rvtsFocused, false, rvcmColor);
    EXPECT_EQ(c.textColor(), s.SelTextColor);
    EXPECT_EQ(c.brush().color, s.SelColor);
    s.ApplyStyleColor(c, 11, 0, true, rvcmBlackOnWhite);
    EXPECT_EQ(c.textColor(), clBlack);
}

TEST(StyleSheet, InvalidPictureIsABitmap)
{
    TRVStyle s;
    const TRVGraphic &g = s.InvalidPicture();
    EXPECT_STREQ(g.ClassName(), "TBitmap");
    EXPECT_FALSE(g.Empty());
    EXPECT_EQ(&g, &s.InvalidPicture());
}

TEST(Items, ParagraphRulesHyperlinksAndText)
{
    rvtest::Doc d;
    auto add = [&](int style, uint8_t options, int para, std::string text = "x") {
        auto it = CreateItemForStyle(style);
        it->ItemOptions = options;
        it->ParaNo = para;
        d.data.AddItem(std::move(text), std::move(it));
    };
    add(ParagraphDefaultStyle, 0, 0);           // 0
    add(ParagraphDefaultStyle, 0, 1);           // 1
    add(7, ioContinuesParagraph, 1);            // 2
    add(3, ioLineBreak, 1);                     // 3
    add(ikPicture, 0, 0, "pic");                // 4
    add(ikHotPicture, 0, 0, "hot");             // 5
    add(ikListMarker, ioPageBreakBefore, 0, ""); // 6
    add(0, ioContinuesParagraph, 0);            // 7
    add(0, ioUnicode, 0, std::string("J\0n\0", 4)); // 8

    d.style.ParaStyles[1].DefStyleNo = 3;
    EXPECT_EQ(d.data.EffectiveStyleNo(0), 0);
    EXPECT_EQ(d.data.EffectiveStyleNo(1), 3);

    const struct { int item; bool link; } links[] = {{2, true}, {3, false}, {4, false}, {5, true}, {1, false}};
    for (auto &l : links)
        EXPECT_EQ(d.data.IsHyperlink(l.item), l.link) << l.item;

    EXPECT_TRUE(d.data.IsParaStart(1));
    EXPECT_FALSE(d.data.IsParaStart(3));
    EXPECT_TRUE(d.data.IsLineStart(3));
    EXPECT_EQ(d.data.GetFirstParaItem(3), 1);
    EXPECT_EQ(d.data.GetFirstLineItem(2), 1);

    // The break of a paragraph that starts with a marker lives on the marker.
    EXPECT_TRUE(d.data.PageBreakBefore(7));
    EXPECT_THROW(d.data.PageBreakBefore(9), EReadViewError);
    EXPECT_THROW(d.data.SetPageBreakBefore(-1, true), EReadViewError);

    EXPECT_EQ(d.data.ItemText(8), std::string("J\0n\0", 4));
    EXPECT_EQ(d.data.ItemLength(8), 2);
    EXPECT_EQ(d.data.ItemTextW(8), u"Jn");
    EXPECT_EQ(d.data.GetOffsAfterItem(8), 3);
    EXPECT_EQ(d.data.GetOffsAfterItem(4), 1);
    d.data.SetItemText(8, std::string("J\0n\0x", 5)); // an odd byte is no character
    EXPECT_EQ(d.data.ItemLength(8), 2);
}

TEST(Items, OptionRulesAndRegistry)
{
    TRVBreakItemInfo line;
    line.SetLineBreak(true);
    EXPECT_EQ(line.ItemOptions & ioLineBreak, 0);
    TRVTextItemInfo t(0);
    t.SetLineBreak(true);
    t.SetContinuesParagraph(true);
    EXPECT_EQ(t.ItemOptions, ioContinuesParagraph);
    t.SetPageBreakBefore(true);
    EXPECT_EQ(t.ItemOptions, ioPageBreakBefore);

    EXPECT_EQ(CreateItemForStyle(-300), nullptr);
    EXPECT_NE(dynamic_cast<TRVTableItemInfo *>(CreateItemForStyle(ikTable).get()), nullptr);
    auto factory = +[](int n) -> std::unique_ptr<TCustomRVItemInfo> { return std::make_unique<TRVLabelItemInfo>(n); };
    EXPECT_THROW(RegisterItemKind(-5, factory), EReadViewError);
    EXPECT_THROW(RegisterItemKind(ikLabel, factory), EReadViewError);
    RegisterItemKind(-301, factory);
    RegisterItemKind(-301, factory); // the same pair again is fine
    EXPECT_EQ(CreateItemForStyle(-301)->StyleNo, -301);
}

TEST(Items, CheckpointChain)
{
    rvtest::Doc d;
    for (int i = 0; i < 3; ++i)
        d.data.AddItem("t", CreateItemForStyle(0));
    auto cp = [](const char *n) { auto c = std::make_unique<TRVCPInfo>(); c->Name = n; return c; };
    d.data.LinkCheckpoint(cp("b"), nullptr, 2);
    d.data.LinkCheckpoint(cp("a"), nullptr, 0);
    EXPECT_EQ(d.data.FirstCP->Name, "a");
    EXPECT_EQ(d.data.FirstCP->Next->Name, "b");
    EXPECT_EQ(d.data.LastCP->Name, "b");
    EXPECT_EQ(d.data.FindCheckpointBefore(2)->Name, "a");
    d.data.CPCount = 2;
    d.data.DeleteItem(0);
    EXPECT_EQ(d.data.FirstCP->Name, "b");
    EXPECT_EQ(d.data.FirstCP->Prev, nullptr);
    EXPECT_EQ(d.data.CPCount, 1);
    d.data.RenumberCheckpoints();
    EXPECT_EQ(d.data.FirstCP->ItemNo, 1);
}

TEST(Items, PictureBoxSize)
{
    TRVGraphicItemInfo pic;
    pic.Image = CreateGraphicByClassName("TBitmap");
    ASSERT_TRUE(pic.Image->LoadFromBytes(EncodeBmp(Bitmap(100, 50))));
    EXPECT_EQ(pic.BoxSize(), (Size{102, 52}));
    pic.ImageWidth = 200;
    EXPECT_EQ(pic.ContentSize(), (Size{200, 50}));
    EXPECT_EQ(pic.BoxSize(192, 96).cx, 404);
}

// Text and background colours by state, target and colour mode.
TEST(StyleSheet, ApplyStyleColorByStateAndMode)
{
    TRVStyle s;
    s.LoadReaderDefaults();
    auto add = [&](TColor color, TColor back) {
        TFontInfo &f = s.TextStyles.Add();
        f.Color = color;
        f.BackColor = back;
        return s.TextStyles.Count() - 1;
    };
    const int red = add(clRed, clNone), darkOnLight = add(0x202020, 0xE0E0E0), white = add(clWhite, clNone),
              whiteOnBlack = add(clWhite, clBlack), system = add(clWindowText, clBtnFace);
    TFontInfo &link = s.TextStyles.Add();
    link.Jump = true;
    link.HoverBackColor = 0x00FF00;
    link.HoverEffects = uint8_t(bit(rvheUnderline));
    const int hover = s.TextStyles.Count() - 1;
    const uint32_t sel = rvtsSelected, focused = rvtsSelected | rvtsFocused;
    const struct {
        int no, style;
        uint32_t state;
        bool printing;
        TRVColorMode mode;
        TColor text, back; // back clNone: a clear brush
        bool underline;
    } cases[] = {
        {1, red, 0, false, rvcmColor, clRed, clNone, false},
        {2, darkOnLight, 0, false, rvcmBlackAndWhite, 0x202020, 0xE0E0E0, false}, // modes are for printing only
        {3, red, focused, false, rvcmColor, clHighlightText, clHighlight, false},
        {4, red, sel, true, rvcmBlackOnWhite, clHighlightText, clHighlight, false}, // selection before printing
        {5, hover, rvtsHover, false, rvcmColor, clRed, 0x00FF00, true},             // the sheet's hover colour
        {6, red, rvtsHover, false, rvcmColor, clRed, clNone, false},
        {7, system, 0, true, rvcmColor, clWindowText, clBtnFace, false},
        // Paper: window text prints black and button face silver, whatever the theme.
        {8, system, 0, true, rvcmPrinterColor, rgb(0, 0, 0), rgb(0xC0, 0xC0, 0xC0), false},
        {9, red, 0, true, rvcmGrayScale, rgb(77, 77, 77), clNone, false}, // 0.3 × 255 = 76.5, rounded
        {10, red, 0, true, rvcmBlackAndWhite, clBlack, clNone, false},
        {11, white, 0, true, rvcmBlackAndWhite, clWhite, clNone, false},
        {12, darkOnLight, 0, true, rvcmBlackAndWhite, clBlack, clWhite, false},
        {13, whiteOnBlack, 0, true, rvcmBlackAndWhite, clWhite, clBlack, false},
        {14, darkOnLight, 0, true, rvcmBlackOnWhite, clBlack, clNone, false},
    };
    for (auto &c : cases) {
        TestCanvas canvas;
        s.ApplyStyle(canvas, c.style, rvbdUnspecified, false);
        s.ApplyStyleColor(canvas, c.style, c.state, c.printing, c.mode);
        EXPECT_EQ(canvas.textColor(), c.text) << "case " << c.no;
        if (c.back == clNone) {
            EXPECT_EQ(canvas.brush().style, BrushStyle::Clear) << "case " << c.no;
        } else {
            EXPECT_EQ(canvas.brush().style, BrushStyle::Solid) << "case " << c.no;
            EXPECT_EQ(canvas.brush().color, c.back) << "case " << c.no;
        }
        EXPECT_EQ(canvas.font().underline, c.underline) << "case " << c.no;
    }
    // Without a selected text colour the style's own colour shows.
    s.InactiveSelTextColor = clNone;
    TestCanvas canvas;
    s.ApplyStyleColor(canvas, red, sel, false, rvcmColor);
    EXPECT_EQ(canvas.textColor(), clRed);
    EXPECT_EQ(canvas.brush().color, clHighlight);
}
