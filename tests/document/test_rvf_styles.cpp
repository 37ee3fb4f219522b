// Stored style tables: decoding against hand-computed bytes, encoding round
// trips, load-mode replacement and insert-mode merging.
#include "document/rv_error.h"
#include "document/rvf_styles.h"
#include "test_util.h"

#include <gtest/gtest.h>

using namespace rv;
using rvtest::bytes;
using rvtest::Doc;
using rvtest::hex;
using rvtest::lines;
using rvtest::prop;

namespace {

// Two text styles, written out by hand.
std::string handTable()
{
    return bytes({14, 1}) + prop("Size") + bytes({2, 12}) + prop("Color") + bytes({7}) + prop("clNavy")
        + prop("StyleName") + bytes({6}) + prop("Uno") + bytes({0})
        // entry 2: an order number first; a colour as an integer; a type byte with its high bit set
        + bytes({2, 1, 1}) + prop("Color") + bytes({4, 0, 0, 0x80, 0}) + prop("Jump") + bytes({0x89})
        + prop("Foo") + bytes({12, 3, 0, 0, 0}) + "abc"          // unknown name: skipped whole
        + prop("Size") + bytes({6, 2}) + "xx"                     // wrong type: skipped whole
        + prop("StyleName") + bytes({18, 2, 0, 0, 0, 'D', 0, 'o', 0})
        + prop("Style") + bytes({11}) + prop("fsBold") + prop("fsItalic") + bytes({0})
        + prop("Protection") + bytes({11}) + prop("rvprNoSuchThing") + bytes({0})
        + prop("SingleSymbols") + bytes({9}) + bytes({0})
        + bytes({0});
}

} // namespace

TEST(StyleTables, DecodeHandComputedBytes)
{
    TFontInfos t;
    bool unknown = false;
    DecodeTextStyles(handTable(), t, &unknown);
    ASSERT_EQ(t.Count(), 2);
    EXPECT_EQ(t[0].Size, 12);
    EXPECT_EQ(t[0].Color, platform::clNavy);
    EXPECT_EQ(t[0].StyleName, "Uno");
    EXPECT_EQ(t[1].Color, 0x800000u);
    EXPECT_TRUE(t[1].Jump);
    EXPECT_EQ(t[1].Size, 10);
    EXPECT_EQ(t[1].StyleName, "Do");
    EXPECT_EQ(t[1].Style, fsBold | fsItalic);
    EXPECT_EQ(t[1].Protection, bit(rvprStyleProtect) | bit(rvprDoNotAutoSwitch));
    EXPECT_TRUE(unknown);
    // Colour by name and by number give the same style.
    EXPECT_EQ(t[0].Color, t[1].Color);

    // Every truncation fails; so do a wrong first byte and runaway nesting.
    std::string full = handTable();
    for (size_t n = 0; n < full.size(); ++n) {
        TFontInfos p;
        EXPECT_THROW(DecodeTextStyles(full.substr(0, n), p, nullptr), EReadViewError) << n;
    }
    TFontInfos p;
    EXPECT_THROW(DecodeTextStyles(bytes({1, 0}), p, nullptr), EReadViewError);
    std::string deep = bytes({14, 1}) + prop("Foo") + std::string(200, '\x01') + std::string(200, '\0');
    EXPECT_THROW(DecodeTextStyles(deep, p, nullptr), EReadViewError);

    // 1.5 as an 80-bit float.
    const unsigned char ext[10] = {0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x3F};
    EXPECT_EQ(DecodeExtended(ext), 1.5L);
    const unsigned char neg[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0x01, 0xC0};
    EXPECT_EQ(DecodeExtended(neg), -4.0L);
}

TEST(StyleTables, EncodeRoundTrip)
{
    TRVStyle s;
    s.LoadReaderDefaults();
    s.ParaStyles[2].Tabs = {{40, rvtaRight, "."}, {80, rvtaCenter, ""}};
    s.ParaStyles[3].Background.Color = 0x123456;
    TRVListInfo &list = s.ListStyles.Add();
    list.SetListID(77);
    list.Levels.resize(2);
    list.Levels[1].ListType = rvlstUpperRoman;
    list.Levels[1].FormatStringW.assign(1, u'\u2022'); // assignment from a literal trips a false -Wrestrict in g++ 12
    list.Levels[1].Font.Style = fsBold;

    TFontInfos t;
    TParaInfos p;
    TRVListInfos l;
    bool unknown = false;
    DecodeTextStyles(EncodeTextStyles(s.TextStyles), t, &unknown);
    DecodeParaStyles(EncodeParaStyles(s.ParaStyles), p, &unknown);
    DecodeListStyles(EncodeListStyles(s.ListStyles), l, &unknown);
    EXPECT_FALSE(unknown);
    ASSERT_EQ(t.Count(), 12);
    for (int i = 0; i < 12; ++i) {
        EXPECT_TRUE(t[i].IsEqual(s.TextStyles[i], false)) << i;
        EXPECT_EQ(t[i].StyleName, s.TextStyles[i].StyleName);
    }
    ASSERT_EQ(p.Count(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(p[i].IsEqual(s.ParaStyles[i], false)) << i;
    ASSERT_EQ(l.Count(), 1);
    EXPECT_TRUE(l[0].IsEqual(s.ListStyles[0], false));
}

TEST(StyleTables, LoadModeReplacesAndIgnoreSkips)
{
    TFontInfos three;
    for (int i = 0; i < 3; ++i)
        three.Add().Size = 20 + i;
    std::string table = hex(EncodeTextStyles(three));
    std::string stream = lines({"-8 1 3", "-9 2 0 0 0 0 1", "rvStyleEditor", table, "2 1 0 0 0 0", "x"});

    Doc d;
    ASSERT_TRUE(d.read(stream));
    EXPECT_EQ(d.style.TextStyles.Count(), 3);
    EXPECT_EQ(d.style.TextStyles[2].Size, 22);
    EXPECT_EQ(d.style.ParaStyles.Count(), 5);

    Doc ignore;
    ignore.data.RVFTextStylesReadMode = rvf_sIgnore;
    ASSERT_TRUE(ignore.read(lines({"-8 1 3", "-9 2 0 0 0 0 1", "rvStyleEditor", table})));
    EXPECT_EQ(ignore.style.TextStyles.Count(), 12);
    EXPECT_FALSE(ignore.read(lines({"-8 1 3", "-9 2 0 0 0 0 1", "rvStyleEditor", table, "12 1 0 0 0 0", "x"})));

    // Odd-length hexadecimal: the table is ignored. A wrong first byte fails.
    Doc odd;
    EXPECT_TRUE(odd.read(lines({"-8 1 3", "-9 2 0 0 0 0 1", "s", table + "0"})));
    EXPECT_EQ(odd.style.TextStyles.Count(), 12);
    Doc wrong;
    EXPECT_FALSE(wrong.read(lines({"-8 1 3", "-9 2 0 0 0 0 1", "s", "0D00"})));

    // A damaged property in a table sets the warning and the rest still loads.
    Doc warn;
    ASSERT_TRUE(warn.read(lines({"-8 1 3", "-9 2 0 0 0 0 1", "s", hex(handTable())})));
    EXPECT_EQ(warn.style.TextStyles.Count(), 2);
    EXPECT_EQ(warn.data.LoadWarnings, lwUnknownStyleProperty);
}

TEST(StyleTables, InsertModeMerging)
{
    Doc d;
    TFontInfos file;
    file.Add(d.style.TextStyles[5]).StyleName = "renamed"; // equal to sheet style 5
    file.Add().Size = 33;                                  // equal to nothing
    std::string stream = lines({"-8 1 3", "-9 2 0 0 0 0 1", "s", hex(EncodeTextStyles(file)), "0 1 0 0 0 0", "a",
                                "1 1 0 0 0 0", "b", "2 1 0 0 0 0", "c"});
    EXPECT_FALSE(d.read(stream, false)); // file style 2 is beyond the file's table
    ASSERT_EQ(d.data.ItemCount(), 2);
    EXPECT_EQ(d.data.GetItemStyle(0), 5);
    EXPECT_EQ(d.data.GetItemStyle(1), 12);
    ASSERT_EQ(d.style.TextStyles.Count(), 13);
    EXPECT_EQ(d.style.TextStyles[12].Size, 33);
    EXPECT_FALSE(d.style.TextStyles[12].Standard);

    // Map mode appends nothing and picks the closest style.
    TFontInfos sheet;
    sheet.Add().Size = 10;
    sheet.Add().Size = 30;
    TFontInfos f2;
    f2.Add().Size = 28;
    auto map = MergeTextStyles(sheet, f2, rvf_sInsertMap);
    EXPECT_EQ(sheet.Count(), 2);
    ASSERT_EQ(map.size(), 1u);
    EXPECT_EQ(map[0], 1);
}
