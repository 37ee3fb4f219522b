// RVF reading record by record: header fields, the items each record kind
// yields, code-page conversion and its warnings, insert-mode style maps, and
// files that cannot be read.
#include "document/rv_graphic.h"
#include "document/rv_table.h"
#include "document/rvf_styles.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>
#include <vector>

using namespace rv;
using rvtest::Doc;
using rvtest::hex;
using rvtest::le32;
using rvtest::lines;

namespace {

// One line per item: kind, paragraph, options, tag, stored string, then what
// the item's class adds.
std::string describe(const TCustomRVData &d)
{
    std::ostringstream o;
    for (int i = 0; i < d.ItemCount(); ++i) {
        const TCustomRVItemInfo &it = d.GetItem(i);
        o << it.StyleNo << ' ' << it.ParaNo << ' ' << int(it.ItemOptions) << ' ' << it.Tag << " [" << d.ItemText(i)
          << ']';
        if (!it.Hint.empty())
            o << " hint=" << it.Hint;
        if (auto *b = dynamic_cast<const TRVBreakItemInfo *>(&it))
            o << " line=" << int32_t(b->LineColor) << ',' << int(b->LineStyle) << ',' << int(b->LineWidth);
        if (auto *r = dynamic_cast<const TRVRectItemInfo *>(&it)) {
            if (r->VerticalAlign != TRVVAlign::Baseline)
                o << " va=" << int(r->VerticalAlign);
            if (r->VShift)
                o << " vshift=" << r->VShift;
            if (r->Spacing != 1)
                o << " spacing=" << r->Spacing;
        }
        if (auto *nt = dynamic_cast<const TRVNonTextItemInfo *>(&it); nt && nt->Unremovable)
            o << " unremovable";
        if (it.GetAssociatedTextStyleNo() >= 0)
            o << " style=" << it.GetAssociatedTextStyleNo();
        if (auto *m = dynamic_cast<const TRVMarkerItemInfo *>(&it))
            o << " list=" << m->ListNo << ',' << m->Level << ',' << m->StartFrom << ',' << m->Reset;
        if (auto *b = dynamic_cast<const TRVBulletItemInfo *>(&it)) {
            o << " image=" << b->ImageListTag << ',' << b->ImageIndex;
            if (auto *h = dynamic_cast<const TRVHotspotItemInfo *>(&it))
                o << ',' << h->HotImageIndex;
        }
        if (auto *s = dynamic_cast<const TRVSeqItemInfo *>(&it))
            o << " seq=" << s->SeqName << ',' << int(s->NumberType) << ',' << s->Reset << ',' << s->StartFrom << ','
              << s->FormatString;
        if (auto *l = dynamic_cast<const TRVLabelItemInfo *>(&it))
            o << " label=" << l->Text << ',' << l->StoredInt << ',' << l->StoredByte << ',' << l->ProtectTextStyleNo;
        if (auto *p = dynamic_cast<const TRVGraphicItemInfo *>(&it)) {
            if (p->Image)
                o << " pic=" << p->Image->ClassName() << ' ' << p->Image->Width() << 'x' << p->Image->Height();
            if (!p->AltText.empty())
                o << " alt=" << p->AltText;
            if (!p->ImageFileName.empty())
                o << " file=" << p->ImageFileName;
        }
        if (auto *t = dynamic_cast<const TRVTableItemInfo *>(&it))
            o << " body=" << t->StoredBody.size();
        if (it.Checkpoint)
            o << " cp=" << it.Checkpoint->Name << ',' << it.Checkpoint->Tag << ',' << it.Checkpoint->RaiseEvent << ','
              << it.Checkpoint->Persistent;
        o << '\n';
    }
    if (d.TrailingCheckpoint)
        o << "trailing " << d.TrailingCheckpoint->Name << '\n';
    return o.str();
}

// A host image list of three images, for bullets and hotspots.
class ThreeImages : public TCustomImageList {
public:
    int Count() const override { return 3; }
    int Width() const override { return 16; }
    int Height() const override { return 16; }
    void Draw(platform::Canvas &, int, int, int) const override {}
};

} // namespace

// Header fields beyond the common cases: each stream is read into an empty
// document on the reader's sheet.
TEST(RVFRecords, HeaderFields)
{
    const struct {
        int no;
        std::string stream;
        bool ok;
        std::string items;
    } cases[] = {
        {1, lines({"-8 1 3", "0 1 0 0 0 0 ", "a"}), true, "0 0 0 0 [a]\n"},       // tag ended by a blank
        {2, lines({"-8 1 3", "0 1 0 0 0 ", "a"}), false, ""},                      // empty tag word
        {3, lines({"-8 1 3", "0 1 0\t0 0 0", "a"}), false, ""},                    // a tab is no separator
        {4, lines({"-8 1 3", "+0 1 0 0 0 0", "a"}), false, ""},                    // no plus sign
        {5, lines({"-8 1 3", "- 1 0 0 0 0", "a"}), false, ""},                     // a minus alone
        {6, lines({"-8 1 3", "Normal 1 0 0 0 0", "a"}), false, ""},                // a name needs quotes
        {7, lines({"-8 1 3", "\"Normal 1 0 0 0 0", "a"}), false, ""},              // unterminated name
        {8, lines({"-8 1 3", "\"Normal negrita\" 1 \"con Marco\" 0 0 0", "a"}), true, "1 4 0 0 [a]\n"},
        {9, lines({"-8 1 3", "\"normal negrita\" 1 0 0 0 0", "a"}), true, "0 0 0 0 [a]\n"}, // exact comparison
        {10, lines({"-8 1 3", "0 1 0 0 0 0 \"h", "a"}), false, ""},                // unterminated hint
        {11, lines({"-8 1 3", "0 1 0 0 0 0 \"h\" x", "a"}), false, ""},            // text after the hint
        {12, lines({"-8 1 3", "0 1 0 0 0 0 \"\"", "a"}), true, "0 0 0 0 [a]\n"},    // empty hint
        {13, lines({"-8 1 3", "0 1 0 0 0 -12", "a"}), true, "0 0 0 -12 [a]\n"},
        {14, lines({"-8 1 3", "0 1 0 0 0 \"-3\" \"h\"", "a"}), true, "0 0 0 -3 [a] hint=h\n"},
        {15, lines({"-8 1 3", "0 1 0 0 0 \"x\"", "a"}), false, ""},                // quoted tag still an integer
        // options: the low byte is stored as read; bit 3 makes the text Unicode
        {16, lines({"-8 1 3", "0 1 0 258 0 0", "a"}), true, "0 0 2 0 [a]\n"},
        {17, lines({"-8 1 3", "0 1 0 240 0 0", "a"}), true, "0 0 240 0 [a]\n"},
        // version and subversion are compared separately
        {18, lines({"-8 1 1", "0 1 0 0 0", "a"}), true, "0 0 0 0 [a]\n"},
        {19, lines({"-8 1 2", "0 1 0 4 0 0", "a"}), true, "0 0 4 0 [a]\n"},
        {20, lines({"-8 2 2", "0 1 0 4 0 \"7\"", "a"}), true, "0 0 4 7 [a]\n"},
        {21, lines({"-8 0 3", "0 1 0 0 \"7\"", "a"}), true, "0 0 0 7 [a]\n"},       // 0.3: quoted tag, no options
        {22, lines({"-8 1", "0 1 0 0 0 0", "a"}), false, ""},                       // version record too short
        // paragraph numbers: -1 at the start of a document starts a paragraph in style 0
        {23, lines({"-8 1 3", "0 1 -1 0 0 0", "a"}), true, "0 0 0 0 [a]\n"},
        {24, lines({"-8 1 3", "0 1 -2 0 0 0", "a"}), false, ""},
        {25, lines({"-8 1 3", "0 -1 0 0 0 0", "a"}), false, ""},                    // negative line count
        // a CR alone, an LF alone and CR LF all end lines
        {26, "-8 1 3\r0 1 0 0 0 0\na\r\n", true, "0 0 0 0 [a]\n"},
        // the last line may lack its terminator
        {27, "-8 1 3\r\n0 1 0 0 0 0\r\na", true, "0 0 0 0 [a]\n"},
        // ParagraphDefaultStyle is kept as it is, never checked against the sheet
        {28, lines({"-8 1 3", "2147483647 1 0 0 0 0", "a"}), true, "2147483647 0 0 0 [a]\n"},
    };
    for (auto &c : cases) {
        Doc d;
        EXPECT_EQ(d.read(c.stream), c.ok) << "case " << c.no;
        EXPECT_EQ(describe(d.data), c.items) << "case " << c.no;
    }
}

// Every record kind, with the exact items it yields.
TEST(RVFRecords, RecordKinds)
{
    std::string bmp = EncodeBmp(platform::Bitmap(4, 3));
    const std::string none = std::to_string(int32_t(clNone));
    const struct {
        int no;
        std::string stream;
        uint16_t extraOptions;
        bool ok;
        std::string items;
        uint8_t warnings;
    } cases[] = {
        // horizontal lines: default tail, full tail, a partial tail fails
        {1, lines({"-1 0 0 0 0 0"}), 0, true, "-1 0 0 0 [] line=" + none + ",0,1\n", 0},
        {2, lines({"-1 1 2 0 0 4 128 4 3", "unremovable=1"}), 0, true, "-1 2 0 4 [] line=128,4,3 unremovable\n", 0},
        {3, lines({"-1 0 0 0 0 0 128"}), 0, false, "", 0},
        // a line does not continue a paragraph, and what follows it starts one
        {4, lines({"0 1 0 0 0 0", "a", "-1 0 -1 0 0 0", "0 1 -1 0 0 0", "b"}), 0, true,
         "0 0 0 0 [a]\n-1 0 1 0 [] line=" + none + ",0,1\n0 0 0 0 [b]\n", 0},
        // checkpoints: flags are optional; the first one pending wins
        {5, lines({"-2 1 0 0 0 3", "c", "0 1 0 0 0 0", "a"}), 0, true, "0 0 0 0 [a] cp=c,3,0,0\n", 0},
        {6, lines({"-2 1 0 0 0 3 0 1", "c", "-2 1 0 0 0 4 1", "d", "0 1 0 0 0 0", "a"}), 0, true,
         "0 0 0 0 [a] cp=c,3,0,1\n", 0},
        {7, lines({"-2 1 0 0 0 0 x", "c"}), 0, false, "", 0},
        // pictures: vertical alignment, extra properties, string properties
        {8, lines({"-3 6 0 0 0 2 3", "foto", "TBitmap", "vshift=-20", "alt=una foto", "filename=a.bmp", hex(bmp)}), 0,
         true, "-3 0 0 2 [foto] va=3 vshift=-20 pic=TBitmap 4x3 alt=una foto file=a.bmp\n", 0},
        // an external picture the host does not supply is dropped
        {9, lines({"-3 2 0 0 1 0", "foto", "filename=x.bmp", "0 1 0 0 0 0", "a"}), 0, true, "0 0 0 0 [a]\n", 0},
        // bullets and hotspots need an image list; without one they are dropped
        {10, lines({"-6 1 0 0 0 0 1 2", "b", "0 1 0 0 0 0", "a"}), 0, true, "0 0 0 0 [a]\n", 0},
        {11, lines({"-6 1 0 0 0 0 1", "b"}), 0, false, "", 0},
        // controls cannot be created: the read fails, or skips them when asked to
        {12, lines({"-5 3 0 0 0 0", "boton", "TButton", "00"}), 0, false, "", lwUnknownControl},
        {13, lines({"-5 1 0 0 1 0", "boton"}), 0, false, "", lwUnknownControl},
        {14, lines({"-5 1 0 0 1 0", "boton", "0 1 0 0 0 0", "a"}), rvfoIgnoreUnknownCtrls, true, "0 0 0 0 [a]\n",
         lwUnknownControl},
        // background records are ignored by default
        {15, lines({"-7 0 0 0 0 0 2 255", "0 1 0 0 0 0", "a"}), 0, true, "0 0 0 0 [a]\n", 0},
        {16, lines({"-7 0 0 0 0 0 2"}), 0, false, "", 0},
        // tabs take a text style; one the sheet lacks drops the tab, or becomes 0
        {17, lines({"-12 0 0 0 0 0", "-12 0 -1 0 0 0 11"}), 0, true, "-12 0 0 0 [] style=0\n-12 0 1 0 [] style=11\n", 0},
        {18, lines({"-12 0 0 0 0 0 12"}), 0, true, "", lwUnknownStyle},
        {19, lines({"-12 0 0 0 0 0 12"}), rvfoConvUnknownStylesToZero, true, "-12 0 0 0 [] style=0\n",
         lwUnknownStyle},
        // labels: text, style, stored values, protection, name, extra properties
        {20, lines({"-200 7 0 0 0 0 1", "etiqueta", "3", "-4", "200", "x", "nombre", "spacing=5"}), 0, true,
         "-200 0 0 0 [nombre] va=1 spacing=5 style=3 label=etiqueta,-4,200,0\n", 0},
        {21, lines({"-200 6 0 0 0 0", "etiqueta", "30", "0", "0", "", "n"}), 0, true, "", lwUnknownStyle},
        // sequences
        {22, lines({"-202 10 0 0 0 0", "fig", "3", "1", "5", "2", "0", "0", "protect", "s1", "Fig. %s"}), 0, true,
         "-202 0 0 0 [s1] style=2 seq=fig,3,1,5,Fig. %s label=,0,0,1\n", 0},
        // a list marker against a sheet without lists: no list, and text after it
        {23, lines({"-11 0 0 0 0 0 0 1 3 1"}), 0, true,
         "-11 0 0 0 [] list=-1,1,3,1\n0 0 1 0 []\n", lwUnknownStyle},
        {24, lines({"-11 0 0 0 0 0 0 1 3"}), 0, false, "", 0},
        // tables keep their body; the header tail is not read; a body that is
        // no table fails the read
        {25, lines({"-60 2 0 0 2 0 anything at all", "t"}) + le32(27) + "TPF0\x0fTRVTableWrapper" + std::string(1, '\0')
                 + "\x01" "C\x02" + std::string(3, '\0') + lines({"0 1 0 0 0 0", "a"}),
         0, true, "-60 0 0 0 [t] body=27\n0 0 0 0 [a]\n", 0},
        {30, lines({"-60 2 0 0 2 0", "t"}) + le32(3) + "abc" + lines({"0 1 0 0 0 0", "a"}), 0, false, "", 0},
        // unregistered kinds are skipped with their lines, binary last lines included
        {26, lines({"-300 2 0 0 2 0", "x"}) + le32(4) + "\r\n\r\n" + lines({"0 1 0 0 0 0", "a"}), 0, true,
         "0 0 0 0 [a]\n", 0},
        {27, lines({"-300 1 0 0 2 0"}) + le32(2) + "\r\n" + lines({"0 1 0 0 0 0", "a"}), 0, true, "0 0 0 0 [a]\n", 0},
        // a text record ends its lines; the next header follows
        {28, lines({"0 3 2 0 0 9", "a", "b", "c"}), 0, true, "0 2 0 9 [a]\n0 2 0 9 [b]\n0 2 0 9 [c]\n", 0},
        // a checkpoint followed only by an unregistered kind becomes the trailing checkpoint
        {29, lines({"0 1 0 0 0 0", "a", "-2 1 0 0 0 0", "fin", "-300 0 0 0 0 0"}), 0, true,
         "0 0 0 0 [a]\ntrailing fin\n", 0},
    };
    for (auto &c : cases) {
        Doc d;
        d.data.RVFOptions |= c.extraOptions;
        EXPECT_EQ(d.read(lines({"-8 1 3"}) + c.stream), c.ok) << "case " << c.no;
        EXPECT_EQ(describe(d.data), c.items) << "case " << c.no;
        EXPECT_EQ(int(d.data.LoadWarnings), int(c.warnings)) << "case " << c.no;
    }
}

TEST(RVFRecords, ImageListsFromTheHost)
{
    ThreeImages images;
    const struct {
        int no;
        std::string header;
        uint16_t extraOptions;
        bool ok;
        std::string items;
        uint8_t warnings;
    } cases[] = {
        {1, "-6 1 0 0 0 0 7 2", 0, true, "-6 0 0 0 [b] image=7,2\n", 0},
        {2, "-4 1 0 0 0 0 7 1", 0, true, "-4 0 0 0 [b] image=7,1,1\n", 0},
        {3, "-4 1 0 0 0 0 7 1 2", 0, true, "-4 0 0 0 [b] image=7,1,2\n", 0},
        {4, "-6 1 0 0 0 0 7 3", 0, false, "", lwImageIndexTooLarge},
        {5, "-4 1 0 0 0 0 7 0 3", 0, false, "", lwImageIndexTooLarge},
        {6, "-4 1 0 0 0 0 7 5 9", rvfoConvLargeImageIdxToZero, true, "-4 0 0 0 [b] image=7,0,0\n",
         lwImageIndexTooLarge},
    };
    for (auto &c : cases) {
        Doc d;
        int asked = -1;
        d.data.OnRVFImageListNeeded = [&](int tag) {
            asked = tag;
            return &images;
        };
        d.data.RVFOptions |= c.extraOptions;
        EXPECT_EQ(d.read(lines({"-8 1 3", c.header, "b"})), c.ok) << "case " << c.no;
        EXPECT_EQ(asked, 7) << "case " << c.no;
        EXPECT_EQ(describe(d.data), c.items) << "case " << c.no;
        EXPECT_EQ(int(d.data.LoadWarnings), int(c.warnings)) << "case " << c.no;
    }
}

TEST(RVFRecords, BackgroundWithLoadBack)
{
    std::string bmp = EncodeBmp(platform::Bitmap(2, 2));
    Doc d;
    d.data.RVFOptions |= rvfoLoadBack;
    TRVBackground back;
    TColor color = 0;
    int at = 0;
    ASSERT_TRUE(ReadRVFStream(d.data, lines({"-8 1 3", "-7 2 0 0 0 0 2 255", "TBitmap", hex(bmp), "0 1 0 0 0 0", "a"}),
                              at, true, nullptr, &back, &color));
    EXPECT_EQ(color, 255u);
    EXPECT_EQ(back.Style, bsTiled);
    ASSERT_NE(back.Bitmap, nullptr);
    EXPECT_EQ(back.Bitmap->Width(), 2);
    EXPECT_EQ(d.data.ItemCount(), 1);
    // A hexadecimal body that does not decode fails the read.
    Doc bad;
    bad.data.RVFOptions |= rvfoLoadBack;
    at = 0;
    EXPECT_FALSE(ReadRVFStream(bad.data, lines({"-8 1 3", "-7 2 0 0 0 0 2 255", "TBitmap", "XYZ0"}), at, true, nullptr,
                               &back, &color));
}

// 8-bit text in a Unicode style becomes UTF-16 from the style's code page, and
// back; each direction sets its own warning.
TEST(RVFRecords, CodePageConversion)
{
    const struct {
        int no;
        uint8_t charset;
        int defCodePage;
        bool unicodeStyle;
        std::string stream;
        std::u16string text;
        bool storedUnicode;
        uint8_t warnings;
    } cases[] = {
        {1, platform::RUSSIAN_CHARSET, 0, true, lines({"0 1 0 0 0 0", "\xC0\xE1"}), u"\u0410\u0431", true,
         lwConvertedToUnicode},
        {2, platform::DEFAULT_CHARSET, 1251, true, lines({"0 1 0 0 0 0", "\xC0"}), u"\u0410", true,
         lwConvertedToUnicode},
        {3, platform::DEFAULT_CHARSET, 0, true, lines({"0 1 0 0 0 0", "\xE9\x80"}), u"\u00E9\u20AC", true,
         lwConvertedToUnicode},
        {4, platform::GREEK_CHARSET, 0, false, lines({"0 1 0 8 3 0", "A303"}), u"\u03A3", false,
         lwConvertedFromUnicode},
        // a character the code page lacks becomes "?"
        {5, platform::GREEK_CHARSET, 0, false, lines({"0 1 0 8 3 0", "E900"}), u"?", false, lwConvertedFromUnicode},
        // already matching: no conversion, no warning
        {6, platform::DEFAULT_CHARSET, 0, true, lines({"0 1 0 8 3 0", "A303"}), u"\u03A3", true, 0},
        {7, platform::DEFAULT_CHARSET, 0, false, lines({"0 1 0 0 0 0", "\xE9"}), u"\u00E9", false, 0},
        // both directions in one read
        {8, platform::DEFAULT_CHARSET, 0, true, lines({"0 1 0 0 0 0", "a", "1 1 0 8 3 0", "6200"}), u"a", true,
         lwConvertedToUnicode | lwConvertedFromUnicode},
    };
    for (auto &c : cases) {
        Doc d;
        d.style.TextStyles[0].Charset = c.charset;
        d.style.TextStyles[0].Unicode = c.unicodeStyle;
        d.style.DefCodePage = c.defCodePage;
        ASSERT_TRUE(d.read(lines({"-8 1 3"}) + c.stream)) << "case " << c.no;
        EXPECT_EQ(d.data.ItemTextW(0), c.text) << "case " << c.no;
        EXPECT_EQ(d.data.IsUnicodeItem(0), c.storedUnicode) << "case " << c.no;
        EXPECT_EQ(int(d.data.LoadWarnings), int(c.warnings)) << "case " << c.no;
    }

    // A text item in ParagraphDefaultStyle converts by the style its paragraph names.
    Doc def;
    def.style.TextStyles[11].Unicode = true;
    def.style.ParaStyles[2].DefStyleNo = 11;
    ASSERT_TRUE(def.read(lines({"-8 1 3", "2147483647 1 2 0 0 0", "ab"})));
    EXPECT_EQ(def.data.EffectiveStyleNo(0), 11);
    EXPECT_TRUE(def.data.IsUnicodeItem(0));
    EXPECT_EQ(def.data.ItemText(0), std::string("a\0b\0", 4));
    EXPECT_EQ(def.data.LoadWarnings, lwConvertedToUnicode);

    // Warnings are cleared at the start of every read.
    ASSERT_TRUE(def.read(lines({"-8 1 3", "11 1 0 8 3 0", "6300"})));
    EXPECT_EQ(def.data.LoadWarnings, 0);
}

// Insert mode: the file's tables are merged into the sheet and every style
// number of the file goes through the maps.
TEST(RVFRecords, InsertModeStyleMaps)
{
    Doc d;
    TFontInfos texts;
    texts.Add(d.style.TextStyles[7]); // equal to sheet style 7
    TFontInfo &big = texts.Add();     // equal to nothing: appended as 12
    big.Size = 33;
    big.NextStyleNo = 0;              // the file's style 0, that is sheet style 7
    TParaInfos paras;
    paras.Add(d.style.ParaStyles[4]);
    TParaInfo &wide = paras.Add();
    wide.LeftIndent = 77;
    wide.DefStyleNo = 1; // the file's style 1, that is sheet style 12
    wide.NextParaNo = 1;
    TRVListInfos lists;
    TRVListInfo &numbered = lists.Add();
    numbered.Levels.emplace_back();
    numbered.Levels[0].ListType = rvlstDecimal;
    numbered.SetListID(1234);
    lists.Add(numbered);          // a second, equal numbered list must not share the first one's style

    std::string stream = lines({"-8 1 3", "0 1 0 0 0 0", "before the tables",
                                "-9 2 0 0 0 0 1", "s", hex(EncodeTextStyles(texts)),
                                "-9 2 0 0 0 0 2", "s", hex(EncodeParaStyles(paras)),
                                "-9 2 0 0 0 0 4", "s", hex(EncodeListStyles(lists)),
                                "0 1 0 0 0 0", "x", "1 1 1 0 0 0", "y",
                                "-11 0 1 0 0 0 1 0 1 0", "-12 0 -1 0 0 0 1", "2147483647 1 1 0 0 0", "z"});
    ASSERT_TRUE(d.read(stream, false));
    EXPECT_EQ(describe(d.data), "0 0 0 0 [before the tables]\n"
                                "7 4 0 0 [x]\n"
                                "12 5 0 0 [y]\n"
                                "-11 5 0 0 [] list=1,0,1,0\n"
                                "-12 5 1 0 [] style=12\n"
                                "2147483647 5 0 0 [z]\n");
    ASSERT_EQ(d.style.TextStyles.Count(), 13);
    EXPECT_EQ(d.style.TextStyles[12].Size, 33);
    EXPECT_EQ(d.style.TextStyles[12].NextStyleNo, 7);
    EXPECT_FALSE(d.style.TextStyles[12].Standard);
    ASSERT_EQ(d.style.ParaStyles.Count(), 6);
    EXPECT_EQ(d.style.ParaStyles[5].DefStyleNo, 12);
    EXPECT_EQ(d.style.ParaStyles[5].NextParaNo, 5);
    EXPECT_EQ(d.data.EffectiveStyleNo(5), 12);
    ASSERT_EQ(d.style.ListStyles.Count(), 2);
    EXPECT_EQ(d.style.ListStyles[1].ListIDRaw(), 1234);
    EXPECT_EQ(d.data.LoadWarnings, 0);

    // File numbers beyond the file's tables fail the read (or become 0 when asked).
    const struct {
        std::string items;
        uint16_t extraOptions;
        bool ok;
        std::string added;
    } beyond[] = {
        {lines({"2 1 0 0 0 0", "a"}), 0, false, ""},
        {lines({"2 1 0 0 0 0", "a"}), rvfoConvUnknownStylesToZero, true, "0 4 0 0 [a]\n"},
        {lines({"0 1 2 0 0 0", "a"}), rvfoConvUnknownStylesToZero, false, ""},
        {lines({"-12 0 0 0 0 0 2"}), 0, true, ""},
        {lines({"-11 0 0 0 0 0 5 0 1 0"}), 0, true, "-11 4 0 0 [] list=0,0,1,0\n0 4 1 0 []\n"},
    };
    for (auto &c : beyond) {
        Doc e;
        e.data.RVFOptions |= c.extraOptions;
        TRVListInfos one;
        one.Add().Levels.emplace_back();
        e.style.ListStyles.Add(one[0]);
        EXPECT_EQ(e.read(lines({"-8 1 3", "-9 2 0 0 0 0 1", "s", hex(EncodeTextStyles(texts)), "-9 2 0 0 0 0 2", "s",
                                hex(EncodeParaStyles(paras)), "-9 2 0 0 0 0 4", "s", hex(EncodeListStyles(one))})
                             + c.items,
                         false),
                  c.ok)
            << c.items;
        EXPECT_EQ(describe(e.data), c.added) << c.items;
        EXPECT_NE(e.data.LoadWarnings & lwUnknownStyle, 0) << c.items;
    }
}

TEST(RVFRecords, FilesThatCannotBeRead)
{
    auto dir = std::filesystem::temp_directory_path() / ("quenlor-rvf-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    Doc d;
    EXPECT_FALSE(LoadRVFFromFile(d.data, dir));
    EXPECT_FALSE(LoadRVFFromFile(d.data, dir / "missing.rvf"));
    std::ofstream(dir / "empty.rvf").close();
    EXPECT_TRUE(LoadRVFFromFile(d.data, dir / "empty.rvf"));
    EXPECT_EQ(d.data.ItemCount(), 0);
    std::filesystem::remove_all(dir);
}

// A note's own document reads in the outer read's mode: inserting a document
// whose note carries a style table merges that table instead of replacing the sheet.
TEST(RVFRecords, NoteDocumentsFollowTheReadMode)
{
    TFontInfos noteStyles;
    noteStyles.Add().Size = 40;
    std::string nested = lines({"-8 1 3", "-9 2 0 0 0 0 1", "s", hex(EncodeTextStyles(noteStyles)), "0 1 0 0 0 0",
                                "nota"});
    std::string outer = lines({"-8 1 3", "-203 8 0 0 0 0", "0", "0", "0", "", "1", "3", "fn", hex(nested)});
    for (bool load : {false, true}) {
        Doc d;
        ASSERT_TRUE(d.read(outer, load)) << load;
        ASSERT_EQ(d.data.ItemCount(), 1) << load;
        auto &note = static_cast<TRVFootnoteItemInfo &>(d.data.GetItem(0));
        ASSERT_NE(note.Document, nullptr);
        ASSERT_EQ(note.Document->ItemCount(), 1);
        EXPECT_EQ(d.style.TextStyles.Count(), load ? 1 : 13) << load;
        EXPECT_EQ(note.Document->GetItemStyle(0), load ? 0 : 12) << load;
        EXPECT_EQ(d.style.TextStyles[note.Document->GetItemStyle(0)].Size, 40) << load;
    }
}

// A text record with a header of numbers only is read on a quick path of its
// own; the same record with an empty hint after its tag goes the general way.
// Both must give the same items, warnings and errors (with their lines).
TEST(RVFRecords, TextRecordsReadAlikeOnEitherPath)
{
    const struct {
        const char *what;
        std::vector<std::string> lines; // "@" ends a text header: nothing, or an empty hint
        bool unicodeStyle;              // style 0 stores UTF-16
    } cases[] = {
        {"lines and paragraphs", {"-8 1 3", "0 1 0 0 0 0@", "uno", "0 2 -1 1 0 7@", "dos", "tres", "1 1 3 2 0 -5@", "a"}, false},
        {"after a full-line item", {"-8 1 3", "-1 0 0 0 0 0", "0 1 -1 0 0 0@", "tras la linea", "0 1 -1 0 0 0@", "b"}, false},
        {"checkpoint before text", {"-8 1 3", "-2 1 0 0 0 0 1 0", "cp", "0 1 0 0 0 0@", "con marca"}, false},
        {"paragraph's default style", {"-8 1 3", "2147483647 1 0 0 0 0@", "a"}, false},
        {"options above a byte", {"-8 1 3", "0 1 0 258 0 0@", "a"}, false},
        {"converted to UTF-16", {"-8 1 3", "0 2 0 0 0 0@", "\xE1rbol", "b"}, true},
        {"unknown text style", {"-8 1 3", "0 1 0 0 0 0@", "a", "99 1 0 0 0 0@", "b"}, false},
        {"unknown paragraph style", {"-8 1 3", "0 1 99 0 0 0@", "a"}, false},
        {"tag past 32 bits", {"-8 1 3", "0 1 0 0 0 0@", "a", "0 1 0 0 0 2147483648@", "b"}, false},
        {"line count past 32 bits", {"-8 1 3", "0 99999999999 0 0 0 0@", "a"}, false},
        {"cut inside a record", {"-8 1 3", "0 3 0 0 0 0@", "a", "b"}, false},
        {"empty text lines", {"-8 1 3", "0 3 0 0 0 0@", "", "", "c"}, false},
        {"signs in other places", {"-8 1 3", "0 1 -0 1 -2 -3@", "un texto de varias palabras", "1 1 3 1 0 -9@",
                                   "otro texto de varias palabras", "0 2 -1 1 0 0@", "c", "d"}, false},
        {"fields of two digits", {"-8 1 3", "0 1 0 0 0 12@", "un texto de varias palabras", "0 12 0 0 0 0@", "e"}, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        std::string quick, general;
        for (const std::string &l : c.lines) {
            size_t at = l.find('@');
            quick += (at == std::string::npos ? l : l.substr(0, at)) + "\r\n";
            general += (at == std::string::npos ? l : l.substr(0, at) + " \"\"") + "\r\n";
        }
        Doc a, b;
        a.style.TextStyles[0].Unicode = b.style.TextStyles[0].Unicode = c.unicodeStyle;
        EXPECT_EQ(a.read(quick), b.read(general));
        EXPECT_EQ(describe(a.data), describe(b.data));
        EXPECT_EQ(a.data.LoadWarnings, b.data.LoadWarnings);
        EXPECT_EQ(a.data.LoadError.Text(), b.data.LoadError.Text());
        EXPECT_EQ(a.data.CPCount, b.data.CPCount);
    }
}

// Items a read makes live in the document's own memory, items made elsewhere
// on the heap: both kinds take new text, are deleted and cleared, and the
// document reads again after a clear.
TEST(RVFRecords, ReadAndInsertedItemsShareTheDocument)
{
    Doc d;
    ASSERT_TRUE(d.read(lines({"-8 1 3", "-2 1 0 0 0 0 1 0", "cp", "0 1 0 0 0 0", "uno", "0 1 0 0 0 0", "dos"})));
    d.data.InsertItem(1, "medio", CreateItemForStyle(0));
    d.data.AddItem(std::string(70000, 'x'), CreateItemForStyle(0)); // larger than any chunk of its own
    ASSERT_EQ(d.data.ItemCount(), 4);
    d.data.SetItemText(0, d.data.ItemText(2)); // a copy of the document's own text
    EXPECT_EQ(d.data.ItemText(0), "dos");
    EXPECT_EQ(d.data.ItemText(1), "medio");
    d.data.DeleteItem(0); // holds the checkpoint
    d.data.DeleteItem(1);
    ASSERT_EQ(d.data.ItemCount(), 2);
    EXPECT_EQ(d.data.ItemText(0), "medio");
    EXPECT_EQ(d.data.ItemText(1).size(), 70000u);
    EXPECT_EQ(d.data.CPCount, 0);
    d.data.Clear();
    // Read items that own memory, through a hint or a checkpoint, read or
    // given later, give it back at Clear (the leak checker watches).
    ASSERT_TRUE(d.read(lines({"-8 1 3", "0 1 0 0 0 0 \"una pista larga, que no cabe en el objeto\"", "con pista",
                              "0 2 0 0 0 0", "uno", "dos"})));
    ASSERT_EQ(d.data.ItemCount(), 3);
    EXPECT_EQ(d.data.GetItem(0).Hint, "una pista larga, que no cabe en el objeto");
    d.data.GetItem(1).Hint = std::string(100, 'h');
    d.data.GetItem(2).Checkpoint = std::make_unique<TRVCPInfo>();
    d.data.Clear();
    EXPECT_EQ(d.data.ItemCount(), 0);
    ASSERT_TRUE(d.read(lines({"-8 1 3", "0 1 0 0 0 0", "otra vez"})));
    EXPECT_EQ(d.data.ItemText(0), "otra vez");
    // Many documents one after another reuse the memory of those before.
    for (int k = 0; k < 3; ++k) {
        Doc e;
        std::string s = "-8 1 3\r\n";
        for (int i = 0; i < 2000; ++i)
            s += "0 1 -1 0 0 " + std::to_string(i) + "\r\nlinea " + std::to_string(i) + "\r\n";
        ASSERT_TRUE(e.read(s));
        ASSERT_EQ(e.data.ItemCount(), 2000);
        EXPECT_EQ(e.data.ItemText(1999), "linea 1999");
        EXPECT_EQ(e.data.GetItem(1999).Tag, 1999);
    }
}
