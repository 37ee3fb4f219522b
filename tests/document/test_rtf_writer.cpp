// RTF writer: the tokens word processors read, group by group, on documents
// built here; every output must also tokenize as one balanced group.
#include "document/rtf_writer.h"
#include "document/rv_graphic.h"
#include "document/rv_table.h"
#include "rtf_check.h"
#include "test_util.h"

#include <QBuffer>
#include <QImage>
#include <gtest/gtest.h>

using namespace rv;

namespace {

std::string utf16le(std::u16string_view s)
{
    std::string b;
    for (char16_t c : s) {
        b.push_back(char(c & 0xFF));
        b.push_back(char(c >> 8));
    }
    return b;
}

struct RDoc : rvtest::Doc {
    TRVRTFSettings settings;

    TCustomRVItemInfo &unicode(std::u16string_view s, int styleNo, bool newPara = true)
    {
        auto &it = text(utf16le(s), styleNo, newPara);
        it.ItemOptions |= ioUnicode;
        return it;
    }
    template <class T> T &add(std::unique_ptr<T> it, bool newPara = true, std::string name = {})
    {
        if (!newPara)
            it->ItemOptions |= ioContinuesParagraph;
        auto *raw = it.get();
        data.AddItem(std::move(name), std::move(it));
        return *raw;
    }
    int unicodeStyle(uint8_t charset = platform::DEFAULT_CHARSET)
    {
        auto &f = style.TextStyles.Add();
        f.Unicode = true;
        f.Charset = charset;
        return style.TextStyles.Count() - 1;
    }
    std::string rtf()
    {
        std::string out, error;
        EXPECT_TRUE(SaveRTFToString(data, out, settings, &error)) << error;
        std::string bad = rtfcheck::validate(out);
        EXPECT_EQ(bad, "") << out;
        return out;
    }
    std::string selection(int a, int ao, int b, int bo)
    {
        std::string out;
        EXPECT_TRUE(SaveRTFSelectionToString(data, out, a, ao, b, bo, settings));
        EXPECT_EQ(rtfcheck::validate(out), "") << out;
        return out;
    }
};

// The body: everything after the header's last "\uc1" or "\uc0".
std::string body(const std::string &rtf)
{
    size_t at = rtf.find("\r\n\\uc");
    return at == std::string::npos ? rtf : rtf.substr(at + 6);
}

std::string hexOf(const std::string &bytes)
{
    static const char *h = "0123456789abcdef";
    std::string s;
    for (unsigned char c : bytes) {
        s += h[c >> 4];
        s += h[c & 15];
    }
    return s;
}

std::string stripLineEnds(std::string s)
{
    std::erase(s, '\r');
    std::erase(s, '\n');
    return s;
}

} // namespace

// ---------------------------------------------------------------- header and tables

TEST(RtfHeader, OneWordInTheReadersNormalStyle)
{
    RDoc d;
    d.text("Juan");
    std::string r = d.rtf();
    // 1252 is the resolved code page; text style 0 has the default character
    // set, whose language identifier 0 is not written.
    EXPECT_EQ(r.rfind("{\\rtf1\\ansi\\ansicpg1252\\uc1\\deff0{\\fonttbl{\\f0\\fnil Arial;}{\\f1\\fnil CommonBullets;}}", 0), 0u) << r;
    // Entry 0 is automatic; then the 16 further fixed colours; then the verse
    // link's hover colour (clHotLight), the only colour not yet present.
    EXPECT_NE(r.find("{\\colortbl;\\red0\\green0\\blue0;\\red0\\green0\\blue255;\\red0\\green255\\blue255;"
                     "\\red0\\green255\\blue0;\\red255\\green0\\blue255;\\red255\\green0\\blue0;\\red255\\green255\\blue0;"
                     "\\red255\\green255\\blue255;\\red0\\green0\\blue128;\\red0\\green128\\blue128;\\red0\\green128\\blue0;"
                     "\\red128\\green0\\blue128;\\red128\\green0\\blue0;\\red128\\green128\\blue0;\\red128\\green128\\blue128;"
                     "\\red192\\green192\\blue192;\\red0\\green102\\blue204;}"),
              std::string::npos)
        << r;
    EXPECT_EQ(body(r), "\\pard\\fi0\\li0\\ql\\ri0\\sb0\\sa0\\itap0 \\plain \\f0\\fs20 Juan\\par}");
    EXPECT_EQ(r.find("\\stylesheet"), std::string::npos); // no style sheet by default
    EXPECT_EQ(r.find("\\listtable"), std::string::npos);
}

TEST(RtfHeader, TablesFollowTheSheetAndTheOptions)
{
    struct Case {
        const char *what;
        std::function<void(RDoc &)> setup;
        const char *expect;
        bool present;
    } cases[] = {
        {"background colour other than the window's joins the table",
         [](RDoc &d) { d.settings.Background = 0x123456; }, "\\red86\\green52\\blue18;}", true},
        {"window background adds nothing", [](RDoc &) {}, "\\red86\\green52\\blue18;", false},
        {"font with a character set writes \\fcharset",
         [](RDoc &d) { d.style.TextStyles[2].Charset = platform::RUSSIAN_CHARSET; }, "{\\f1\\fnil\\fcharset204 Arial;}", true},
        {"Russian text style writes its language", [](RDoc &d) {
             d.style.TextStyles[2].Charset = platform::RUSSIAN_CHARSET;
             d.text("x", 2, false);
         }, "\\lang1049\\fs20", true},
        {"an ANSI text style 0 writes the default languages",
         [](RDoc &d) { d.style.TextStyles[0].Charset = platform::ANSI_CHARSET; }, "\\deff0\\deflang1033\\deflangfe1033", true},
        {"right-to-left document", [](RDoc &d) { d.settings.BiDiMode = rvbdRightToLeft; }, "\\rtldoc", true},
        {"style sheet option", [](RDoc &d) { d.settings.Options |= bit(rvrtfSaveStyleSheet); },
         "{\\stylesheet{\\s0\\fi0\\li0\\ql\\ri0\\sb0\\sa0\\itap0 Izquierda;}", true},
        {"character styles are numbered after the paragraph styles",
         [](RDoc &d) { d.settings.Options |= bit(rvrtfSaveStyleSheet); }, "{\\*\\cs5\\f0\\fs20 Normal;}", true},
        {"without duplicate Unicode the header ends \\uc0",
         [](RDoc &d) { d.settings.Options &= ~bit(rvrtfDuplicateUnicode); }, "\r\n\\uc0\\pard", true},
        {"page setup option without parameters",
         [](RDoc &d) { d.settings.Options |= bit(rvrtfSaveDocParameters); },
         "\\paperw11906\\paperh16838\\margl1800\\margr1800\\margt1440\\margb1440{\\fonttbl", true},
    };
    for (auto &c : cases) {
        RDoc d;
        d.text("Juan");
        c.setup(d);
        std::string r = d.rtf();
        EXPECT_EQ(r.find(c.expect) != std::string::npos, c.present) << c.what << "\n" << r;
    }
}

TEST(RtfHeader, FontNamesCannotBreakTheFontTable)
{
    RDoc d;
    d.style.TextStyles[1].FontName = "Evil;}{\\rtf1 Font";
    d.style.TextStyles[2].FontName = ";{}";
    d.text("x");
    std::string r = d.rtf();
    // A name left empty by the cleaning falls back to Arial, which entry 0 already is.
    EXPECT_NE(r.find("{\\fonttbl{\\f0\\fnil Arial;}{\\f1\\fnil Evilrtf1 Font;}{\\f2\\fnil CommonBullets;}}"),
              std::string::npos)
        << r;
}

// ---------------------------------------------------------------- escapes

TEST(RtfEscapes, EightBitText)
{
    struct Case {
        std::string in, out;
    } cases[] = {
        {"a{b}c\\d", "a\\{b\\}c\\\\d"},
        {"caf\xE9", "caf\\'e9"},
        {"\x95 x", "\\bullet  x"},
        {"a\xA0" "b", "a\\~b"},
        {"\x93" "cita\x94", "\\'93cita\\'94"},
        {"tab\there", "tab\\'09here"},
    };
    for (auto &c : cases) {
        RDoc d;
        d.text(c.in);
        EXPECT_EQ(body(d.rtf()), "\\pard\\fi0\\li0\\ql\\ri0\\sb0\\sa0\\itap0 \\plain \\f0\\fs20 " + c.out + "\\par}") << c.in;
    }
}

TEST(RtfEscapes, RtfCodeStylesAreWrittenRawButBalanced)
{
    struct Case {
        const char *in, *out;
    } cases[] = {
        {"{\\b bold}", "{\\b bold}"},
        {"stray } brace", "stray \\} brace"},
        {"{\\i open", "{\\i open}"},
        {"ends with \\", "ends with \\\\"},
        {"{\\bin5 }}}}}", "{\\\\bin5 }\\}\\}\\}\\}"},
        {"\\{ok\\}", "\\{ok\\}"},
        {"\\'e9 \\'zz \\# \\~", "\\'e9 \\\\'zz \\\\# \\~"}, // only known escapes stay escapes
    };
    for (auto &c : cases) {
        RDoc d;
        d.style.TextStyles[3].Options = bit(rvteoRTFCode);
        d.text(c.in, 3);
        d.text(" after", 0, false);
        std::string r = d.rtf();
        EXPECT_NE(r.find(std::string("\\ul\\fs20 ") + c.out + "\\plain \\f0\\fs20  after\\par}"), std::string::npos)
            << c.in << "\n" << r;
    }
}

// ---------------------------------------------------------------- Unicode

TEST(RtfUnicode, UnitsAndTheirCodePageForms)
{
    struct Case {
        std::u16string in;
        std::string out;
    } cases[] = {
        {u"\u03B1", "\\u945 ?"},               // alpha: not in 1252, the fallback is "?"
        {u"\uFFFD", "\\u-3 ?"},                // signed 16-bit
        {u"\u00E9", "\\u233 \\'e9"},           // in 1252: its byte
        {u"a{", "a\\{"},                       // ASCII goes as 8-bit text
        {u"\u2014\u201C\u201D", "\\emdash \\ldblquote \\rdblquote "},
        {u"\u00A0\u00AD\u2013", "\\~\\-\\endash "},
    };
    for (auto &c : cases) {
        RDoc d;
        int u = d.unicodeStyle();
        d.unicode(c.in, u);
        std::string r = d.rtf();
        EXPECT_NE(r.find("\\fs20 " + c.out + "\\par}"), std::string::npos) << r;
    }
}

TEST(RtfUnicode, MultiByteFormsAndNoDuplicates)
{
    RDoc d;
    int u = d.unicodeStyle(platform::SHIFTJIS_CHARSET);
    d.unicode(u"\u3042", u);
    EXPECT_NE(d.rtf().find("\\uc2\\u12354 \\'82\\'a0\\uc1 "), std::string::npos);

    RDoc plain;
    plain.settings.Options &= ~bit(rvrtfDuplicateUnicode);
    int v = plain.unicodeStyle();
    plain.unicode(u"\u03B1\u00E9", v);
    EXPECT_NE(plain.rtf().find("\\fs20 \\u945 \\u233 \\par}"), std::string::npos);
}

// ---------------------------------------------------------------- character and paragraph formatting

TEST(RtfFormatting, CharacterPropertiesOfStyles)
{
    struct Case {
        const char *what;
        std::function<void(TFontInfo &)> set;
        const char *props;
    } cases[] = {
        {"bold italic underline strike", [](TFontInfo &f) { f.Style = fsBold | fsItalic | fsUnderline | fsStrikeOut; },
         "\\f0\\b\\i\\ul\\strike\\fs20"},
        {"double underline in red", [](TFontInfo &f) { f.Style = fsUnderline; f.UnderlineType = rvutDouble; f.UnderlineColor = platform::clRed; },
         "\\f0\\uldb\\ulc6\\fs20"},
        {"raised by half its height", [](TFontInfo &f) { f.VShift = 50; }, "\\f0\\up10\\fs20"},
        {"lowered", [](TFontInfo &f) { f.VShift = -50; f.Size = 8; }, "\\f0\\dn8\\fs16"},
        {"superscript", [](TFontInfo &f) { f.SubSuperScriptType = rvsssSuperScript; }, "\\f0\\super\\fs20"},
        {"scaled, spaced, capitals", [](TFontInfo &f) { f.CharScale = 150; f.CharSpacing = 2; f.StyleEx = bit(rvfsAllCaps); },
         "\\f0\\charscalex150\\expndtw30\\caps\\fs20"},
        {"colours", [](TFontInfo &f) { f.Color = platform::clNavy; f.BackColor = platform::clYellow; },
         "\\f0\\fs20\\chcbpat7\\cf9"},
        {"right to left", [](TFontInfo &f) { f.BiDiMode = rvbdRightToLeft; }, "\\f0\\rtlch\\fs20"},
    };
    for (auto &c : cases) {
        RDoc d;
        c.set(d.style.TextStyles[0]);
        d.text("x");
        std::string r = d.rtf();
        EXPECT_NE(r.find(std::string("\\plain ") + c.props + " x"), std::string::npos) << c.what << "\n" << r;
    }
}

TEST(RtfFormatting, VerseLinksArePlainUnderlinedNavyText)
{
    RDoc d;
    d.text("Lee ");
    d.text("Jn:3:16", 7, false);
    std::string b = body(d.rtf());
    EXPECT_NE(b.find("\\plain \\f0\\ul\\fs20\\cf9 Jn:3:16"), std::string::npos) << b;
    EXPECT_EQ(b.find("\\field"), std::string::npos);
    EXPECT_EQ(b.find("HYPERLINK"), std::string::npos);
}

TEST(RtfFormatting, HyperlinkTargetsBecomeFieldsWhenSupplied)
{
    RDoc d;
    d.text("Jn:3:16", 7);
    d.settings.OnWriteHyperlink = [](int, std::string &target, std::string &) { target = "#Jn 3"; };
    EXPECT_NE(d.rtf().find("{\\field{\\*\\fldinst HYPERLINK \\\\l \"Jn_3\"}{\\fldrslt \\plain \\f0\\ul\\fs20\\cf9 Jn:3:16}}"),
              std::string::npos);
}

TEST(RtfFormatting, OutOfRangeStylesFallBackToTheFirstEntries)
{
    RDoc d;
    d.text("bad text", 99, true, 42);
    d.text("also", 1000, false);
    std::string r = d.rtf();
    EXPECT_EQ(r.find("\\f-"), std::string::npos);
    EXPECT_EQ(r.find("\\cf-"), std::string::npos);
    EXPECT_EQ(body(r), "\\pard\\fi0\\li0\\ql\\ri0\\sb0\\sa0\\itap0 \\plain \\f0\\fs20 bad textalso\\par}");
}

TEST(RtfFormatting, ParagraphProperties)
{
    struct Case {
        const char *what;
        int para;
        std::function<void(TParaInfo &)> set;
        const char *props;
    } cases[] = {
        {"centred with indents in twips", 1, nullptr, "\\pard\\fi0\\li750\\qc\\ri750\\sb0\\sa0\\itap0 "},
        {"justified first-line indent", 3, nullptr, "\\pard\\fi450\\li0\\qj\\ri0\\sb0\\sa0\\itap0 "},
        {"framed paragraph", 4, nullptr,
         "\\pard\\fi0\\li300\\qc\\ri300\\sb75\\sa75\\brdrbtw\\brdrl\\brsp30\\brdrs\\brdrcf0\\brdrw15\\brdrt\\brsp30\\brdrs"
         "\\brdrcf0\\brdrw15\\brdrr\\brsp30\\brdrs\\brdrcf0\\brdrw15\\brdrb\\brsp30\\brdrs\\brdrcf0\\brdrw15\\itap0 "},
        {"line spacing, keep, tabs, background", 0,
         [](TParaInfo &p) {
             p.LineSpacing = 150;
             p.Options = bit(rvpaoKeepLinesTogether) | bit(rvpaoKeepWithNext);
             p.Tabs = {{100, rvtaRight, "."}, {200, rvtaCenter, ""}};
             p.Background.Color = platform::clSilver;
         },
         "\\pard\\sl360\\slmult1\\keep\\keepn\\fi0\\li0\\tqr\\tldot\\tx1500\\tqc\\tx3000\\ql\\ri0\\sb0\\sa0\\cbpat16\\itap0 "},
        {"thick border mirrored on the far sides", 0,
         [](TParaInfo &p) {
             p.Border.Style = rvbThickInside;
             p.Border.VisibleBorders = {false, true, false, true};
         },
         "\\brdrbtw\\brdrt\\brsp0\\brdrthtnmg\\brdrcf0\\brdrw30\\brdrb\\brsp0\\brdrtnthmg\\brdrcf0\\brdrw30\\itap0 "},
    };
    for (auto &c : cases) {
        RDoc d;
        if (c.set)
            c.set(d.style.ParaStyles[c.para]);
        d.text("x", 0, true, c.para);
        std::string r = d.rtf();
        EXPECT_NE(r.find(c.props), std::string::npos) << c.what << "\n" << r;
    }
}

TEST(RtfFormatting, BreaksAndParagraphChanges)
{
    RDoc d;
    d.text("one");
    d.text("two", 0, true); // same paragraph style: no \pard again
    d.text("three", 0, true, 2);
    auto &lb = d.text("four", 0, true, 2);
    lb.ItemOptions |= ioLineBreak;
    auto &pb = d.text("five", 0, true, 2);
    pb.ItemOptions |= ioPageBreakBefore;
    d.add(std::make_unique<TRVTabItemInfo>(), false);
    d.text("six", 1, false, 2);
    EXPECT_EQ(stripLineEnds(body(d.rtf())),
              "\\pard\\fi0\\li0\\ql\\ri0\\sb0\\sa0\\itap0 \\plain \\f0\\fs20 one\\par two\\par "
              "\\pard\\fi0\\li0\\qr\\ri0\\sb0\\sa0\\itap0 three\\line four\\par \\page five\\tab "
              "\\plain \\f0\\b\\fs20 six\\par}");
}

TEST(RtfFormatting, HorizontalLineEndsItsOwnParagraph)
{
    RDoc d;
    d.text("above");
    auto line = std::make_unique<TRVBreakItemInfo>();
    line->LineColor = platform::clRed;
    line->LineWidth = 2;
    d.add(std::move(line));
    d.text("below");
    EXPECT_EQ(stripLineEnds(body(d.rtf())),
              "\\pard\\fi0\\li0\\ql\\ri0\\sb0\\sa0\\itap0 \\plain \\f0\\fs20 above\\par "
              "\\pard\\plain\\fs6\\brdrb\\brdrs\\brdrw30\\brdrcf6\\par\\pard"
              "\\pard\\fi0\\li0\\ql\\ri0\\sb0\\sa0\\itap0 \\plain \\f0\\fs20 below\\par}");
}

// ---------------------------------------------------------------- tables

namespace {

// A rows × cols table whose cells hold one paragraph each, "rc" (row and
// column digits), in text style 0.
std::unique_ptr<TRVTableItemInfo> grid(TRVStyle &style, int rows, int cols)
{
    auto t = std::make_unique<TRVTableItemInfo>();
    t->SetSize(rows, cols, &style);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            auto it = std::make_unique<TRVTextItemInfo>(0);
            t->Cell(r, c)->AddItem(std::to_string(r) + std::to_string(c), std::move(it));
        }
    return t;
}

int count(const std::string &s, const std::string &what)
{
    int n = 0;
    for (size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + what.size()))
        ++n;
    return n;
}

} // namespace

TEST(RtfTables, RowsCellsAndTheTextAroundThem)
{
    RDoc d;
    d.text("before");
    d.add(grid(d.style, 2, 2));
    d.text("after");
    std::string b = stripLineEnds(body(d.rtf()));
    // No page parameters: the table is as wide as an A4 line (8306 twips),
    // the automatic columns share it; padding 1 pixel = 15 twips.
    const std::string row = "\\trowd\\trgaph15\\trleft0\\trpaddl15\\trpaddr15\\trpaddt15\\trpaddb15"
                            "\\trpaddfl3\\trpaddfr3\\trpaddft3\\trpaddfb3\\clvertalt\\cellx4153\\clvertalt\\cellx8306";
    const std::string cellPara = "\\pard\\fi0\\li0\\ql\\ri0\\sb0\\sa0\\itap1\\intbl \\plain \\f0\\fs20 ";
    EXPECT_EQ(b, "\\pard\\fi0\\li0\\ql\\ri0\\sb0\\sa0\\itap0 \\plain \\f0\\fs20 before\\par " + row + cellPara + "00\\cell "
                     + cellPara + "01\\cell \\row" + row + cellPara + "10\\cell " + cellPara + "11\\cell \\row"
                     // After the rows a fresh paragraph, without an empty one between.
                     "\\pard\\fi0\\li0\\ql\\ri0\\sb0\\sa0\\itap0 \\plain \\f0\\fs20 after\\par}");

    // A document ending in a table ends with its last row; an empty table
    // keeps only its own paragraph.
    RDoc e;
    e.add(std::make_unique<TRVTableItemInfo>());
    e.add(grid(e.style, 1, 1));
    std::string eb = stripLineEnds(body(e.rtf()));
    EXPECT_EQ(eb.substr(eb.size() - 5), "\\row}") << eb;
    EXPECT_EQ(count(eb, "\\trowd"), 1);
}

TEST(RtfTables, WidthsFollowTheTableAndItsCells)
{
    RDoc d;
    d.data.DocParameters = std::make_unique<TRVDocParameters>();
    d.data.DocParameters->Units = rvuInches;
    d.data.DocParameters->PageWidth = 8.5;
    d.data.DocParameters->LeftMargin = d.data.DocParameters->RightMargin = 1; // a 6.5-inch line: 9360 twips
    auto t = grid(d.style, 1, 3);
    t->BestWidth = -50;                 // half the line: 4680
    t->Cell(0, 0)->BestWidth = 40;      // 600 twips
    t->Cell(0, 1)->BestWidth = -50;     // half of the table: 2340
    d.add(std::move(t));
    auto fixed = grid(d.style, 1, 1);
    fixed->BestWidth = 100;             // 1500 twips, as a width of its own
    fixed->ParaNo = 1;                  // a centred paragraph with 50-pixel indents
    d.add(std::move(fixed));
    std::string b = body(d.rtf());
    EXPECT_NE(b.find("\\trftsWidth2\\trwWidth2500\\clvertalt\\clftsWidth3\\clwWidth600\\cellx600\\clvertalt"
                     "\\clftsWidth2\\clwWidth2500\\cellx2940\\clvertalt\\cellx4680"),
              std::string::npos)
        << b;
    EXPECT_NE(b.find("\\trleft750\\trqc"), std::string::npos) << b;
    EXPECT_NE(b.find("\\trftsWidth3\\trwWidth1500\\clvertalt\\cellx2250"), std::string::npos) << b;
}

TEST(RtfTables, SpansBecomeWideCellsAndVerticalMerges)
{
    // 3 × 3: (0,0) spans two columns, (0,2) two rows, (1,0) two rows and two columns.
    RDoc d;
    auto t = grid(d.style, 3, 3);
    t->Cell(0, 0)->ColSpan = 2;
    t->Rows[0].Cells[1].reset();
    t->Cell(0, 2)->RowSpan = 2;
    t->Rows[1].Cells[2].reset();
    t->Cell(1, 0)->ColSpan = 2;
    t->Cell(1, 0)->RowSpan = 2;
    t->Rows[1].Cells[1].reset();
    t->Rows[2].Cells[0].reset();
    t->Rows[2].Cells[1].reset();
    d.add(std::move(t));
    std::string b = stripLineEnds(body(d.rtf()));
    const std::string pads = "\\trpaddfl3\\trpaddfr3\\trpaddft3\\trpaddfb3";
    EXPECT_NE(b.find(pads + "\\clvertalt\\cellx5536\\clvmgf\\clvertalt\\cellx8306"), std::string::npos) << b;
    EXPECT_NE(b.find(pads + "\\clvmgf\\clvertalt\\cellx5536\\clvmrg\\clvertalt\\cellx8306"), std::string::npos) << b;
    EXPECT_NE(b.find(pads + "\\clvmrg\\clvertalt\\cellx5536\\clvertalt\\cellx8306"), std::string::npos) << b;
    // Merged-away cells are written empty; the texts appear once each.
    EXPECT_EQ(count(b, "\\cell "), 6);
    EXPECT_EQ(count(b, "\\pard\\itap1\\intbl \\cell "), 2);
    for (const char *text : {" 00\\cell", " 02\\cell", " 10\\cell", " 22\\cell"})
        EXPECT_EQ(count(b, text), 1) << text;
}

TEST(RtfTables, FramesShadingAndAlignmentInTheColourTable)
{
    RDoc d;
    auto t = grid(d.style, 2, 2);
    t->BorderWidth = 2;
    t->BorderStyle = rvtbColor;
    t->BorderColor = TColor(0x123456);
    t->CellBorderWidth = 1;
    t->CellBorderStyle = rvtbColor;
    t->CellBorderColor = platform::clSilver;
    t->Cell(0, 0)->Color = TColor(0xABCDEF);
    t->Cell(0, 0)->VAlign = rvcMiddle;
    t->Cell(1, 1)->BorderColor = platform::clRed;
    t->Cell(1, 1)->VisibleBorders.Top = false;
    t->Rows[1].VAlign = rvcBottom;
    t->HeadingRowCount = 1;
    d.add(std::move(t));
    std::string r = d.rtf();
    // The frame and shading colours follow the fixed 17 and the sheet's own.
    const int own = count(r.substr(0, r.find("}", r.find("{\\colortbl"))), ";") - 1;
    EXPECT_NE(r.find("\\red86\\green52\\blue18;"), std::string::npos); // 0x123456 is BGR
    EXPECT_NE(r.find("\\red239\\green205\\blue171;"), std::string::npos);
    const std::string frame = "\\brdrs\\brdrw30\\brdrcf", cellFrame = "\\brdrs\\brdrw15\\brdrcf16";
    std::string b = stripLineEnds(body(r));
    // Cell (0,0): outer top and left sides in the table's frame, inner sides
    // in the cells' silver; middle, shaded; a heading row.
    size_t first = b.find("\\trhdr");
    ASSERT_NE(first, std::string::npos) << b;
    std::string c00 = b.substr(b.find("\\clvertalc", first), b.find("\\cellx", first) - b.find("\\clvertalc", first));
    EXPECT_NE(c00.find("\\clbrdrt" + frame), std::string::npos) << c00;
    EXPECT_NE(c00.find("\\clbrdrl" + frame), std::string::npos) << c00;
    EXPECT_NE(c00.find("\\clbrdrb" + cellFrame), std::string::npos) << c00;
    EXPECT_NE(c00.find("\\clbrdrr" + cellFrame), std::string::npos) << c00;
    EXPECT_NE(c00.find("\\clcbpat"), std::string::npos) << c00;
    EXPECT_EQ(count(b, "\\trhdr"), 1);
    // Cell (1,1): the row's bottom alignment, its own red on the inner left
    // side, no top side, the table's frame outside.
    std::string c11 = b.substr(b.rfind("\\clvertalb"), b.rfind("\\cellx") - b.rfind("\\clvertalb"));
    EXPECT_EQ(c11.find("\\clbrdrt"), std::string::npos) << c11;
    EXPECT_NE(c11.find("\\clbrdrl\\brdrs\\brdrw15\\brdrcf6"), std::string::npos) << c11;
    EXPECT_NE(c11.find("\\clbrdrb" + frame), std::string::npos) << c11;
    EXPECT_NE(c11.find("\\clbrdrr" + frame), std::string::npos) << c11;
    EXPECT_GT(own, 17);
}

TEST(RtfTables, NestedTablesAndLinesInCells)
{
    RDoc d;
    auto outer = grid(d.style, 1, 2);
    auto inner = grid(d.style, 1, 2);
    outer->Cell(0, 1)->AddItem("", std::move(inner)); // after the cell's own text
    auto line = std::make_unique<TRVBreakItemInfo>();
    outer->Cell(0, 0)->AddItem("", std::move(line));
    d.add(std::move(outer));
    std::string b = stripLineEnds(body(d.rtf()));
    // The line keeps the cell's level; the cell then ends on a paragraph of that level.
    EXPECT_NE(b.find("\\itap1\\intbl \\plain \\f0\\fs20 00\\par \\pard\\intbl\\itap1\\plain\\fs6\\brdrb"),
              std::string::npos)
        << b;
    EXPECT_NE(b.find("\\par\\pard\\intbl\\itap1\\pard\\itap1\\intbl \\cell "), std::string::npos) << b;
    // The inner table: level-2 paragraphs ended by \nestcell, its row
    // definition after its cells, then the outer cell ends at level 1.
    EXPECT_NE(b.find("\\pard\\fi0\\li0\\ql\\ri0\\sb0\\sa0\\itap2 \\plain \\f0\\fs20 00\\nestcell "), std::string::npos) << b;
    EXPECT_NE(b.find("01\\nestcell {\\*\\nesttableprops\\trowd"), std::string::npos) << b;
    EXPECT_NE(b.find("\\nestrow}{\\nonesttables\\par}\\pard\\itap1\\intbl \\cell \\row"), std::string::npos) << b;
    EXPECT_EQ(count(b, "\\trowd"), 2);
}

TEST(RtfTables, DeepNestingIsWrittenAsText)
{
    // Deeper than any document read can be: the innermost tables become their text.
    RDoc d;
    auto t = grid(d.style, 1, 1);
    TRVTableItemInfo *at = t.get();
    for (int k = 0; k < kMaxTableNesting + 2; ++k) {
        auto in = grid(d.style, 1, 2);
        TRVTableItemInfo *next = in.get();
        at->Cell(0, 0)->AddItem("", std::move(in));
        at = next;
    }
    d.add(std::move(t));
    std::string b = body(d.rtf());
    EXPECT_EQ(count(b, "\\trowd"), kMaxTableNesting);
    EXPECT_EQ(count(b, "\\nesttableprops"), kMaxTableNesting - 1);
    EXPECT_NE(b.find("00\\tab 01"), std::string::npos);
}

TEST(RtfSelection, ASelectionTakesItsTablesWhole)
{
    RDoc d;
    d.text("first words");
    d.add(grid(d.style, 1, 2));
    d.text("last words");
    // From inside the first item to inside the last.
    std::string b = stripLineEnds(body(d.selection(0, 7, 2, 5)));
    EXPECT_NE(b.find(" words\\par \\trowd"), std::string::npos) << b;
    EXPECT_NE(b.find("00\\cell "), std::string::npos);
    EXPECT_NE(b.find("01\\cell \\row\\pard"), std::string::npos);
    EXPECT_NE(b.find(" last}"), std::string::npos) << b;
    // The table alone.
    std::string t = stripLineEnds(body(d.selection(1, 0, 1, 1)));
    EXPECT_EQ(count(t, "\\row"), 1) << t;
    EXPECT_EQ(t.find("words"), std::string::npos);
}

TEST(RtfFormatting, CheckpointsBecomeBookmarks)
{
    RDoc d;
    auto &a = d.text("a");
    d.data.LinkCheckpoint(std::make_unique<TRVCPInfo>(TRVCPInfo{"Juan 3:16", 0, false, false}), nullptr, 0);
    (void)a;
    d.text("b");
    d.data.LinkCheckpoint(std::make_unique<TRVCPInfo>(), d.data.FirstCP, 1);
    std::string b = body(d.rtf());
    EXPECT_NE(b.find("{\\*\\bkmkstart Juan_3_16}{\\*\\bkmkend Juan_3_16}\\plain"), std::string::npos) << b;
    EXPECT_NE(b.find("{\\*\\bkmkstart ReadViewCheckpoint0}{\\*\\bkmkend ReadViewCheckpoint0}b"), std::string::npos) << b;
}

// ---------------------------------------------------------------- lists

namespace {

void addNumberedList(RDoc &d)
{
    auto &list = d.style.ListStyles.Add();
    list.SetListID(77);
    auto &lv = list.Levels.emplace_back();
    lv.ListType = rvlstDecimal;
    lv.FormatString = "%0:s.";
    lv.LeftIndent = 24;
    lv.FirstIndent = 0;
    lv.MarkerIndent = 0;
    lv.Font.Height = -12;
    auto &l2 = list.Levels.emplace_back();
    l2.ListType = rvlstLowerRoman;
    l2.FormatString = "%0:s.%1:s)";
    l2.StartFrom = 3;
}

TRVMarkerItemInfo &marker(RDoc &d, int listNo, int level, const char *text)
{
    auto m = std::make_unique<TRVMarkerItemInfo>();
    m->ListNo = listNo;
    m->Level = level;
    m->DisplayString = text;
    return d.add(std::move(m));
}

} // namespace

TEST(RtfLists, ListTableAndMarkers)
{
    RDoc d;
    addNumberedList(d);
    marker(d, 0, 0, "1.");
    d.text("uno", 0, false);
    marker(d, 0, 1, "1.iii)");
    d.text("dos", 0, false);
    d.text("after");
    std::string r = d.rtf();
    // Level 0: decimal, placeholders for level 0, the level's indents in twips.
    EXPECT_NE(r.find("{\\*\\listtable{\\list\\listtemplateid2000{\\listlevel\\levelnfc0\\leveljc0\\li360\\fi-360"
                     "\\jclisttab\\tx360\\levelstartat1{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}\\f0\\fs18}"),
              std::string::npos)
        << r;
    EXPECT_NE(r.find("{\\listlevel\\levelnfc2\\leveljc0\\li0\\fi0\\jclisttab\\tx150\\levelstartat3"
                     "{\\leveltext\\'04\\'00.\\'01);}{\\levelnumbers\\'01\\'03;}\\f0\\fs17}"),
              std::string::npos)
        << r;
    // Nine levels for a list of more than one, the last one repeated.
    size_t levels = 0;
    for (size_t at = r.find("{\\listlevel"); at != std::string::npos; at = r.find("{\\listlevel", at + 1))
        ++levels;
    EXPECT_EQ(levels, 9u);
    EXPECT_NE(r.find("\\listid77}}{\\*\\listoverridetable{\\listoverride\\listid77\\listoverridecount0\\ls1}}"),
              std::string::npos)
        << r;
    std::string b = stripLineEnds(body(r));
    EXPECT_EQ(b, "\\pard\\li360\\fi-360\\jclisttab\\tx360\\ql\\ri0\\sb0\\sa0\\itap0 "
                 "{\\listtext\\pard\\plain\\f0\\fs18 1.\\tab}\\ls1\\ilvl0 \\plain \\f0\\fs20 uno\\par \\plain"
                 "\\pard\\li0\\fi0\\jclisttab\\tx150\\ql\\ri0\\sb0\\sa0\\itap0 "
                 "{\\listtext\\pard\\plain\\f0\\fs17 1.iii)\\tab}\\ls1\\ilvl1 \\plain \\f0\\fs20 dos\\par \\plain"
                 "\\pard\\fi0\\li0\\ql\\ri0\\sb0\\sa0\\itap0 \\plain \\f0\\fs20 after\\par}");
}

// Markers the list numbering has not reached yet (no computed text) count
// themselves over the markers before them, each level in its own notation.
TEST(RtfLists, MarkersWithoutComputedTextCountThemselves)
{
    RDoc d;
    addNumberedList(d);
    for (int level : {0, 1, 1, 0, 1}) {
        marker(d, 0, level, "");
        d.text("x", 0, false);
    }
    std::vector<std::string> shown;
    const std::string r = stripLineEnds(d.rtf());
    for (size_t at = r.find("{\\listtext"); at != std::string::npos; at = r.find("{\\listtext", at + 1)) {
        const size_t from = r.find(' ', at) + 1;
        shown.push_back(r.substr(from, r.find("\\tab}", from) - from));
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"1.", "1.iii)", "1.iv)", "2.", "2.iii)"}));
}

TEST(RtfLists, BulletsAndBrokenMarkers)
{
    RDoc d;
    auto &list = d.style.ListStyles.Add();
    auto &lv = list.Levels.emplace_back(); // the default bullet: a middle dot
    (void)lv;
    auto &ulist = d.style.ListStyles.Add();
    auto &ulv = ulist.Levels.emplace_back();
    ulv.ListType = rvlstUnicodeBullet;
    ulv.FormatStringW.assign(1, u'\u2022');
    marker(d, 0, 0, "\xB7");
    d.text("a", 0, false);
    marker(d, 1, 5, ""); // a level past the end uses the last level
    d.text("b", 0, false);
    marker(d, 9, 0, "9."); // no such list: nothing, and no \ls
    d.text("c", 0, false);
    std::string r = d.rtf();
    EXPECT_NE(r.find("\\listsimple1{\\listlevel\\levelnfc23\\leveljc0\\li0\\fi0\\jclisttab\\tx150"
                     "{\\leveltext\\'01\\'b7;}{\\levelnumbers;}"),
              std::string::npos)
        << r;
    EXPECT_NE(r.find("{\\leveltext\\'01\\u8226 ?;}"), std::string::npos) << r;
    EXPECT_NE(r.find("{\\listtext\\pard\\plain\\f0\\fs17 \\'b7\\tab}\\ls1\\ilvl0 "), std::string::npos) << r;
    EXPECT_NE(r.find("{\\listtext\\pard\\plain\\f0\\fs17 \\u8226 \\'95\\tab}\\ls2\\ilvl0 "), std::string::npos) << r;
    EXPECT_EQ(r.find("\\ls10"), std::string::npos) << r;
    EXPECT_NE(r.find("\\itap0 \\plain \\f0\\fs20 c\\par}"), std::string::npos) << r;
}

TEST(RtfLists, MarkersWithoutComputedTextAreCountedHere)
{
    RDoc d;
    addNumberedList(d);
    d.style.ListStyles[0].Levels[0].ListType = rvlstUpperRoman;
    int levels[] = {0, 1, 1, 0, 1};
    for (int l : levels) {
        marker(d, 0, l, "");
        d.text("x", 0, false);
    }
    auto &reset = marker(d, 0, 0, "");
    reset.Reset = true;
    reset.StartFrom = 7;
    d.text("x", 0, false);
    marker(d, 0, 0, "kept"); // a computed text wins
    d.text("x", 0, false);
    std::string b = stripLineEnds(body(d.rtf()));
    std::vector<std::string> shown;
    for (size_t at = 0; (at = b.find("{\\listtext", at)) != std::string::npos; ++at) {
        size_t from = b.find(' ', at) + 1;
        shown.push_back(b.substr(from, b.find("\\tab}", from) - from));
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"I.", "I.iii)", "I.iv)", "II.", "II.iii)", "VII.", "kept"})) << b;
}

TEST(RtfLists, ARestartGetsAListThatReadersNumberFrom)
{
    // Readers that number lists themselves ignore \listtext: without a list
    // of its own the restarted item would read "3." instead of "10.".
    RDoc d;
    addNumberedList(d);
    marker(d, 0, 0, "1.");
    d.text("uno", 0, false);
    marker(d, 0, 0, "2.");
    d.text("dos", 0, false);
    auto &reset = marker(d, 0, 0, "10.");
    reset.Reset = true;
    reset.StartFrom = 10;
    d.text("diez", 0, false);
    marker(d, 0, 1, "10.iii)");
    d.text("sub", 0, false);
    std::string r = d.rtf();
    // The copy of list 77 for the restart: its own id, level 0 starting at 10.
    const size_t copy = r.find("\\listid3000}");
    ASSERT_NE(copy, std::string::npos) << r;
    const size_t copyStart = r.rfind("{\\list\\listtemplateid", copy);
    EXPECT_NE(r.substr(copyStart, copy - copyStart).find("\\levelnfc0\\leveljc0\\li360\\fi-360\\jclisttab\\tx360\\levelstartat10"),
              std::string::npos)
        << r;
    EXPECT_NE(r.find("{\\listoverride\\listid77\\listoverridecount0\\ls1}{\\listoverride\\listid3000\\listoverridecount0\\ls2}}"),
              std::string::npos)
        << r;
    std::string b = stripLineEnds(body(r));
    std::vector<std::string> lists;
    for (size_t at = 0; (at = b.find("\\tab}\\ls", at)) != std::string::npos; ++at)
        lists.push_back(b.substr(at + 6, b.find(' ', at) - at - 6));
    // The markers after the restart, deeper levels included, use its list.
    EXPECT_EQ(lists, (std::vector<std::string>{"ls1\\ilvl0", "ls1\\ilvl0", "ls2\\ilvl0", "ls2\\ilvl1"})) << b;
}

// ---------------------------------------------------------------- pictures

namespace {

std::string encodeWithQt(const char *format, int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::red);
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, format);
    return std::string(bytes.constData(), size_t(bytes.size()));
}

TRVGraphicItemInfo &picture(RDoc &d, const char *cls, const std::string &bytes)
{
    auto p = std::make_unique<TRVGraphicItemInfo>();
    p->Image = CreateGraphicByClassName(cls);
    EXPECT_TRUE(p->Image->LoadFromBytes(bytes)) << cls;
    return d.add(std::move(p), false);
}

std::string placeableWmf(int w, int h)
{
    std::string s(22, '\0');
    auto put16 = [&](size_t at, int v) { s[at] = char(v & 0xFF); s[at + 1] = char((v >> 8) & 0xFF); };
    s[0] = char(0xD7); s[1] = char(0xCD); s[2] = char(0xC6); s[3] = char(0x9A);
    put16(10, w * 15);
    put16(12, h * 15);
    put16(14, 1440);
    // The metafile header that follows (18 bytes) and one end record.
    s += std::string("\x01\x00\x09\x00\x00\x03\x0c\x00\x00\x00\x00\x00\x03\x00\x00\x00\x00\x00", 18);
    s += std::string("\x03\x00\x00\x00\x00\x00", 6);
    return s;
}

// An enhanced metafile of a header and an end record: frame 0..20 mm × 0..10 mm,
// reference device 1000 × 500 pixels over 100 × 50 mm.
std::string minimalEmf()
{
    std::string s;
    auto put32 = [&](uint32_t v) { for (int k = 0; k < 4; ++k) s.push_back(char((v >> (8 * k)) & 0xFF)); };
    for (uint32_t v : {1u, 88u, 0u, 0u, 199u, 99u, 0u, 0u, 2000u, 1000u, 0x464D4520u, 0x10000u, 108u, 2u, 1u, 0u, 0u, 0u,
                       1000u, 500u, 100u, 50u})
        put32(v);
    for (uint32_t v : {14u, 20u, 0u, 16u, 20u})
        put32(v);
    return s;
}

} // namespace

TEST(RtfPictures, FromTheStoredBytes)
{
    const std::string jpeg = encodeWithQt("JPG", 8, 4);
    const std::string bmp = EncodeBmp(platform::Bitmap(5, 3, 0xFF00FF00));
    const std::string wmf = placeableWmf(20, 10);
    struct Case {
        const char *cls;
        std::string bytes;
        std::string header, data;
    } cases[] = {
        {"TJPEGImage", jpeg, "{\\pict\\jpegblip\\picw8\\pich4\\picwgoal120\\pichgoal60 ", hexOf(jpeg)},
        // A DIB: the BMP without its file header; rows of 5 × 3 bytes padded to 16.
        {"TBitmap", bmp, "{\\pict\\dibitmap0\\wbmwidthbytes16\\picw5\\pich3\\picwgoal75\\pichgoal45 ", hexOf(bmp.substr(14))},
        // Hundredths of a millimetre for metafiles; the data without the placeable header.
        {"TMetafile", wmf, "{\\pict\\wmetafile8\\picw529\\pich265\\picwgoal300\\pichgoal150 ", hexOf(wmf.substr(22))},
    };
    for (auto &c : cases) {
        RDoc d;
        d.text("pic: ");
        picture(d, c.cls, c.bytes);
        std::string r = stripLineEnds(d.rtf());
        EXPECT_NE(r.find(c.header + c.data + "}"), std::string::npos) << c.cls << "\n" << r.substr(0, 2000);
    }
    // An enhanced metafile goes out whole, with its size in hundredths of a millimetre.
    RDoc d;
    const std::string emf = minimalEmf();
    picture(d, "TMetafile", emf);
    const std::string r = stripLineEnds(d.rtf());
    const size_t at = r.find("{\\pict\\emfblip\\picw");
    ASSERT_NE(at, std::string::npos) << r;
    EXPECT_NE(r.find("\\pichgoal", at), std::string::npos);
    EXPECT_NE(r.find(" " + hexOf(emf) + "}", at), std::string::npos) << r.substr(at, 400);
}

TEST(RtfPictures, ScaledIconsAndBinary)
{
    RDoc d;
    d.text("x");
    auto &p = picture(d, "TBitmap", EncodeBmp(platform::Bitmap(10, 10)));
    p.ImageWidth = 20;
    p.ImageHeight = 5;
    EXPECT_NE(d.rtf().find("{\\pict\\picscalex200\\picscaley50\\dibitmap0"), std::string::npos);

    RDoc png;
    png.settings.Options |= bit(rvrtfPNGInsteadOfBitmap);
    png.text("x");
    picture(png, "TBitmap", EncodeBmp(platform::Bitmap(2, 2)));
    EXPECT_NE(stripLineEnds(png.rtf()).find("{\\pict\\pngblip\\picw2\\pich2\\picwgoal30\\pichgoal30 89504e47"),
              std::string::npos);

    RDoc bin;
    bin.settings.Options |= bit(rvrtfSavePicturesBinary);
    bin.text("x");
    const std::string bmp = EncodeBmp(platform::Bitmap(1, 1));
    picture(bin, "TBitmap", bmp);
    std::string out;
    ASSERT_TRUE(SaveRTFToString(bin.data, out, bin.settings));
    EXPECT_NE(out.find("{\\bin" + std::to_string(bmp.size() - 14) + " " + bmp.substr(14) + "}"), std::string::npos);
    EXPECT_EQ(rtfcheck::validate(out).find("above 127"), std::string::npos);
}

TEST(RtfPictures, TransparentBitmapsKeepTheirTransparencyAsPng)
{
    // A magenta background marked transparent must not reach the word processor.
    platform::Bitmap img(2, 1, 0xFFFF00FF);
    img.setPixel(1, 0, 0xFF0000FF);
    RDoc d;
    d.text("x");
    auto &p = picture(d, "TBitmap", EncodeBmp(img));
    p.Image->Transparent = true;
    p.Image->TransparentMode = 1;
    p.Image->TransparentColor = 0x00FF00FF; // magenta as stored, BGR
    std::string r = stripLineEnds(d.rtf());
    const std::string head = "{\\pict\\pngblip\\picw2\\pich1\\picwgoal30\\pichgoal15 ";
    const size_t at = r.find(head);
    ASSERT_NE(at, std::string::npos) << r.substr(0, 2000);
    const size_t from = at + head.size();
    const QByteArray png = QByteArray::fromHex(QByteArray::fromStdString(r.substr(from, r.find('}', from) - from)));
    QImage back;
    ASSERT_TRUE(back.loadFromData(png, "PNG"));
    EXPECT_EQ(qAlpha(back.pixel(0, 0)), 0);   // the magenta pixel
    EXPECT_EQ(back.pixel(1, 0), 0xFF0000FFu); // the blue one, opaque
}

// ---------------------------------------------------------------- selection and failure

TEST(RtfSelection, CutItemsAndTheEnd)
{
    RDoc d;
    d.text("Porque de tal");
    d.text(" manera", 1, false);
    d.text("amo Dios");
    // "de tal manera": from character 8 of item 0 to the end of item 1.
    std::string mid = body(d.selection(0, 8, 1, 8));
    EXPECT_EQ(mid, "\\pard\\fi0\\li0\\ql\\ri0\\sb0\\sa0\\itap0 \\plain \\f0\\fs20 de tal\\plain \\f0\\b\\fs20  manera}");
    // Up to the end of the last item: the paragraph is closed.
    std::string tail = stripLineEnds(body(d.selection(2, 9, 1, 1)));
    EXPECT_NE(tail.find("\\plain \\f0\\b\\fs20  manera\\par \\plain \\f0\\fs20 amo Dios\\par}"), std::string::npos) << tail;
}

TEST(RtfSelection, AListParagraphTakenFromItsStartKeepsItsMarker)
{
    RDoc d;
    addNumberedList(d);
    marker(d, 0, 0, "1.");
    d.text("uno dos", 0, false);
    EXPECT_NE(d.selection(1, 1, 1, 4).find("{\\listtext"), std::string::npos);
    std::string inner = d.selection(1, 5, 1, 8);
    EXPECT_EQ(inner.find("{\\listtext"), std::string::npos);
    EXPECT_NE(inner.find("\\pard\\fi0\\li0\\ql"), std::string::npos) << inner; // not a list paragraph then
}

TEST(RtfFailure, NothingIsHandedOutWhenWritingFails)
{
    RDoc d;
    for (int k = 0; k < 200; ++k)
        d.text("una linea de texto bastante larga");
    d.settings.MaxBytes = 1000;
    std::string out = "kept", error;
    EXPECT_FALSE(SaveRTFToString(d.data, out, d.settings, &error));
    EXPECT_EQ(out, "kept");
    EXPECT_NE(error, "");
    EXPECT_FALSE(SaveRTFSelectionToString(d.data, out, 0, 1, 199, 5, d.settings));
    EXPECT_EQ(out, "kept");
}
