// Byte-exact RVF: stored style tables against hand-computed bytes, and the
// writer's output for small documents and for selections cut inside items.
#include "document/rv_error.h"
#include "document/rvf_styles.h"
#include "document/rvf_writer.h"
#include "test_util.h"

#include <gtest/gtest.h>

using namespace rv;
using rvtest::bytes;
using rvtest::Doc;
using rvtest::hex;
using rvtest::le32;
using rvtest::lines;
using rvtest::prop;

namespace {

void addText(TCustomRVData &d, int style, int para, uint8_t options, const std::string &text, int tag = 0,
             const std::string &hint = "")
{
    auto item = CreateItemForStyle(style);
    item->ParaNo = para;
    item->ItemOptions = options;
    item->Tag = tag;
    item->Hint = hint;
    d.AddItem(text, std::move(item));
}

void addTab(TCustomRVData &d, int para, uint8_t options, int textStyle)
{
    auto tab = std::make_unique<TRVTabItemInfo>();
    tab->ParaNo = para;
    tab->ItemOptions = options;
    tab->TextStyleNo = textStyle;
    d.AddItem("", std::move(tab));
}

void addCheckpoint(TCustomRVData &d, int item, const std::string &name, int tag, bool raise)
{
    auto cp = std::make_unique<TRVCPInfo>();
    cp->Name = name;
    cp->Tag = tag;
    cp->RaiseEvent = raise;
    d.LinkCheckpoint(std::move(cp), d.LastCP, item);
    ++d.CPCount;
}

} // namespace

TEST(StyleTableBytes, EncodeOnlyWhatDiffersFromTheDefaults)
{
    TFontInfos texts;
    TFontInfo &f = texts.Add();
    f.StyleName = "A";
    f.Standard = false;
    f.Charset = platform::RUSSIAN_CHARSET;
    f.Size = 12;
    f.Style = fsBold;
    f.Color = platform::clNavy;
    f.HoverColor = 0x123456;
    f.Jump = true;
    f.JumpCursor = 0;
    f.NextStyleNo = 300;
    texts.Add(); // all defaults but the name: an empty entry
    texts[1].StyleName = "Font Style";
    EXPECT_EQ(hex(EncodeTextStyles(texts)),
              hex(bytes({14, 1}) + prop("StyleName") + bytes({6}) + prop("A") + prop("Standard") + bytes({8})
                  + prop("Charset") + bytes({7}) + prop("RUSSIAN_CHARSET") + prop("Size") + bytes({2, 12})
                  + prop("Style") + bytes({11}) + prop("fsBold") + bytes({0}) + prop("Color") + bytes({7})
                  + prop("clNavy") + prop("HoverColor") + bytes({4, 0x56, 0x34, 0x12, 0}) + prop("Jump")
                  + bytes({9}) + prop("JumpCursor") + bytes({7}) + prop("crDefault") + prop("NextStyleNo")
                  + bytes({3, 0x2C, 0x01}) + bytes({0})
                  + bytes({1, 0}) + bytes({0})));

    TParaInfos paras;
    TParaInfo &p = paras.Add();
    p.LeftIndent = -5;
    p.Border.Style = rvbSingle;
    p.Border.BorderOffsets.Left = 2;
    p.Options = uint8_t(bit(rvpaoKeepWithNext));
    p.Tabs.push_back({30, rvtaRight, "."});
    EXPECT_EQ(hex(EncodeParaStyles(paras)),
              hex(bytes({14, 1}) + prop("LeftIndent") + bytes({2, 0xFB}) + prop("Border.Style") + bytes({7})
                  + prop("rvbSingle") + prop("Border.BorderOffsets.Left") + bytes({2, 2}) + prop("Options")
                  + bytes({11}) + prop("rvpaoKeepWithNext") + bytes({0}) + prop("Tabs") + bytes({14, 1})
                  + prop("Align") + bytes({7}) + prop("rvtaRight") + prop("Position") + bytes({2, 30})
                  + prop("Leader") + bytes({6}) + prop(".") + bytes({0, 0}) + bytes({0, 0})));

    // A list always stores its identifier.
    TRVListInfos lists;
    TRVListInfo &l = lists.Add();
    l.SetListID(70000);
    l.Levels.emplace_back();
    l.Levels[0].ListType = rvlstDecimal;
    l.Levels[0].FormatStringW.assign(1, u'\u2022'); // a literal trips a false -Wrestrict in g++ 12
    EXPECT_EQ(hex(EncodeListStyles(lists)),
              hex(bytes({14, 1}) + prop("Levels") + bytes({14, 1}) + prop("ListType") + bytes({7})
                  + prop("rvlstDecimal") + prop("FormatStringW") + bytes({18, 1, 0, 0, 0, 0x22, 0x20}) + bytes({0, 0})
                  + prop("LstID") + bytes({4, 0x70, 0x11, 0x01, 0x00}) + bytes({0, 0})));
}

TEST(StyleTableBytes, DecodeListsAndSkipEveryValueType)
{
    std::string table = bytes({14, 1}) + prop("Levels") + bytes({14})
        // level 1: a numbered level whose strings come as hexadecimal codes
        + bytes({1}) + prop("ListType") + bytes({7}) + prop("rvlstLowerRoman") + prop("FormatStringCode") + bytes({6})
        + prop("2530") + prop("FormatStringWCode") + bytes({6}) + prop("20222023") + prop("Font.Name") + bytes({6})
        + prop("Symbol") + prop("Font.Color") + bytes({7}) + prop("clRed") + prop("Options") + bytes({11})
        + prop("rvloLegalStyleNumbering") + bytes({0}) + bytes({0})
        // level 2 after an order number; a code of the wrong length is skipped
        + bytes({3, 1, 0, 1}) + prop("StartFrom") + bytes({2, 3}) + prop("FormatStringWCode") + bytes({6})
        + prop("202") + bytes({0}) + bytes({0})
        // names the list does not have, one of every value type: each skipped whole
        + prop("A") + bytes({5, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}) + prop("B") + bytes({11}) + prop("x")
        + bytes({0}) + prop("C") + bytes({13}) + prop("D") + bytes({10, 2, 0, 0, 0}) + "ab" + prop("E")
        + bytes({16, 1, 2, 3, 4, 5, 6, 7, 8}) + prop("F") + bytes({19, 1, 2, 3, 4, 5, 6, 7, 8}) + prop("G")
        + bytes({20, 1, 0, 0, 0}) + "z" + prop("H") + bytes({1, 2, 5, 6, 1}) + "a" + bytes({0}) + prop("I")
        + bytes({14, 1}) + prop("abc") + bytes({2, 1, 0, 0}) + prop("J") + bytes({15, 0, 0, 0x80, 0x3F})
        + prop("K") + bytes({17, 0, 0, 0, 0, 0, 0, 0, 0}) + prop("L") + bytes({12, 1, 0, 0, 0}) + "q"
        // then properties the list has
        + prop("LstID") + bytes({4, 0xD2, 0x04, 0, 0}) + prop("OneLevelPreview") + bytes({9}) + bytes({0}) + bytes({0});
    TRVListInfos lists;
    bool unknown = false;
    DecodeListStyles(table, lists, &unknown);
    EXPECT_TRUE(unknown);
    ASSERT_EQ(lists.Count(), 1);
    EXPECT_EQ(lists[0].ListIDRaw(), 1234);
    EXPECT_TRUE(lists[0].OneLevelPreview);
    ASSERT_EQ(lists[0].Levels.size(), 2u);
    const TRVListLevel &one = lists[0].Levels[0], &two = lists[0].Levels[1];
    EXPECT_EQ(one.ListType, rvlstLowerRoman);
    EXPECT_EQ(one.FormatString, "%0");
    EXPECT_EQ(one.FormatStringW, u"\u2022\u2023");
    EXPECT_EQ(one.Font.Name, "Symbol");
    EXPECT_EQ(one.Font.Color, platform::clRed);
    EXPECT_EQ(one.Options, bit(rvloLegalStyleNumbering));
    EXPECT_EQ(two.StartFrom, 3);
    EXPECT_TRUE(two.FormatStringW.empty());
    EXPECT_TRUE(lists[0].HasNumbering());

    // Every prefix of the table is cut short: the decoder says so instead of reading on.
    for (size_t n = 1; n < table.size(); ++n) {
        TRVListInfos cut;
        EXPECT_THROW(DecodeListStyles(table.substr(0, n), cut, nullptr), EReadViewError) << n;
    }
}

TEST(StyleTableBytes, ParagraphValuesByKind)
{
    // Each row: one property as stored, and whether the entry took it.
    const struct {
        std::string stored;
        bool taken;
        int leftIndent;
        TColor borderColor;
        bool visibleTop;
    } rows[] = {
        {prop("LeftIndent") + bytes({3, 0x10, 0x27}), true, 10000, platform::clWindowText, true},
        {prop("LeftIndent") + bytes({4, 0xFF, 0xFF, 0xFF, 0xFF}), true, -1, platform::clWindowText, true},
        {prop("LeftIndent") + bytes({7}) + prop("clRed"), false, 0, platform::clWindowText, true}, // no names for ints
        {prop("Border.Color") + bytes({7}) + prop("clHotLight"), true, 0, platform::clHotLight, true},
        {prop("Border.Color") + bytes({4, 0xFF, 0, 0, 0}), true, 0, 0xFF, true},
        {prop("Border.Color") + bytes({7}) + prop("clPink"), false, 0, platform::clWindowText, true},
        {prop("Border.VisibleBorders.Top") + bytes({8}), true, 0, platform::clWindowText, false},
        {prop("Border.VisibleBorders.Top") + bytes({2, 0}), false, 0, platform::clWindowText, true},
        {prop("Border.Nothing") + bytes({2, 0}), false, 0, platform::clWindowText, true},
    };
    for (auto &r : rows) {
        std::string table = bytes({14, 1}) + r.stored + prop("RightIndent") + bytes({2, 9}) + bytes({0, 0});
        TParaInfos paras;
        bool unknown = false;
        DecodeParaStyles(table, paras, &unknown);
        ASSERT_EQ(paras.Count(), 1) << hex(r.stored);
        EXPECT_EQ(unknown, !r.taken) << hex(r.stored);
        EXPECT_EQ(paras[0].LeftIndent, r.leftIndent) << hex(r.stored);
        EXPECT_EQ(paras[0].Border.Color, r.borderColor) << hex(r.stored);
        EXPECT_EQ(paras[0].Border.VisibleBorders.Top, r.visibleTop) << hex(r.stored);
        EXPECT_EQ(paras[0].RightIndent, 9) << hex(r.stored); // the next property is read where it starts
    }
}

// The writer's whole output for a small document, and its stable round trip.
TEST(RVFWriterBytes, WholeDocument)
{
    Doc d;
    addText(d.data, 0, 0, 0, "Hola");
    addText(d.data, 7, 0, ioContinuesParagraph, "Jn:3:16", 5);
    addText(d.data, 0, 0, 0, "segunda");
    addText(d.data, 0, 0, 0, "tercera");
    auto line = std::make_unique<TRVBreakItemInfo>();
    line->LineColor = platform::clNavy;
    d.data.AddItem("", std::move(line));
    addText(d.data, 0, 1, 0, "fin", 0, "di \"x\"");
    addCheckpoint(d.data, 5, "cp", 3, true);
    addTab(d.data, 1, ioContinuesParagraph, 2);
    addText(d.data, 0, 1, 0, "sin", 7);
    addText(d.data, 0, 1, 0, "con", 0, "h");
    d.data.TrailingCheckpoint = std::make_unique<TRVCPInfo>();
    d.data.TrailingCheckpoint->Name = "end";
    ++d.data.CPCount;
    const std::string expected = lines({"-8 1 3", "-9 0 0 0 0 0 7",
                                        "0 1 0 0 0 0", "Hola",
                                        "7 1 -1 1 0 5", "Jn:3:16",
                                        "0 2 0 0 0 0", "segunda", "tercera",
                                        "-1 0 0 0 0 0 8388608 0 1",
                                        "-2 1 0 0 0 3 1 0", "cp",
                                        "0 1 1 0 0 0 \"di \"\"x\"\"\"", "fin",
                                        "-12 0 -1 1 0 0 2",
                                        "0 1 1 0 0 7", "sin",
                                        "0 1 1 0 0 0 \"h\"", "con",
                                        "-2 1 0 0 0 0 0 0", "end"});
    std::string out;
    ASSERT_TRUE(SaveRVFToString(d.data, out));
    EXPECT_EQ(out, expected);

    Doc back;
    ASSERT_TRUE(back.read(out));
    EXPECT_EQ(back.data.CPCount, 2);
    std::string again;
    ASSERT_TRUE(SaveRVFToString(back.data, again));
    EXPECT_EQ(again, expected);
}

TEST(RVFWriterBytes, RecordsBeforeTheItems)
{
    Doc d;
    addText(d.data, 0, 0, 0, "x");
    d.data.DocProperties = {"a\r\nb", "c"};
    d.data.DocParameters->ZoomPercent = 150;
    d.data.RVFOptions = rvfoSaveTextStyles | rvfoSaveParaStyles | rvfoSaveDocProperties | rvfoSaveBack;
    TRVBackground back;
    back.Style = bsCentered;
    std::string out;
    ASSERT_TRUE(SaveRVFToString(d.data, out, &back, 255));
    EXPECT_EQ(out, lines({"-8 1 3", "-7 0 0 0 0 0 4 255",
                          "-9 2 0 0 0 0 1", "rvStyleEditor", hex(EncodeTextStyles(d.style.TextStyles)),
                          "-9 2 0 0 0 0 2", "rvStyleEditor", hex(EncodeParaStyles(d.style.ParaStyles)),
                          "-9 2 0 0 0 0 4", "rvStyleEditor", hex(EncodeListStyles(d.style.ListStyles)),
                          "-9 2 0 0 0 0 5", "a\x01\x02" "b", "c",
                          "-9 1 0 0 0 0 7", "ZoomPercent=150",
                          "0 1 0 0 0 0", "x"}));

    // Binary tables are blocks after the line with the sheet's name; a
    // selection never writes the background.
    d.data.RVFOptions = rvfoSaveTextStyles | rvfoSaveBinary | rvfoSaveBack;
    std::string table = EncodeTextStyles(d.style.TextStyles);
    out.clear();
    ASSERT_TRUE(SaveRVFSelectionToString(d.data, out, 0, 1, 0, 2));
    EXPECT_EQ(out, lines({"-8 1 3", "-9 2 0 0 2 0 1", "rvStyleEditor"}) + le32(uint32_t(table.size())) + table
                       + lines({"0 1 0 0 0 0", "x"}));

    // What the writer stored reads back: the style tables, the background colour, the layout.
    d.data.RVFOptions = kDefaultRVFOptions | rvfoSaveTextStyles | rvfoSaveParaStyles | rvfoSaveBack | rvfoSaveLayout;
    d.style.TextStyles[3].Size = 31;
    TRVLayoutInfo layout;
    layout.LeftMargin = 11;
    layout.MaxTextWidth = 640;
    layout.BiDiMode = rvbdRightToLeft;
    out.clear();
    ASSERT_TRUE(SaveRVFToString(d.data, out, &back, 0x00ABCDEF, &layout));
    Doc r;
    r.data.RVFOptions |= rvfoLoadBack | rvfoLoadLayout;
    TRVLayoutInfo readLayout;
    TRVBackground readBack;
    TColor color = 0;
    int at = 0;
    ASSERT_TRUE(ReadRVFStream(r.data, out, at, true, &readLayout, &readBack, &color));
    EXPECT_EQ(r.style.TextStyles[3].Size, 31);
    EXPECT_EQ(color, 0x00ABCDEFu);
    EXPECT_EQ(readBack.Style, bsCentered);
    EXPECT_TRUE(readLayout.Loaded);
    EXPECT_EQ(readLayout.LeftMargin, 11);
    EXPECT_EQ(readLayout.MaxTextWidth, 640);
    EXPECT_EQ(readLayout.BiDiMode, rvbdRightToLeft);
    EXPECT_EQ(r.data.DocProperties, d.data.DocProperties);
    EXPECT_EQ(r.data.DocParameters->ZoomPercent, 150);
}

// Selections cut inside their first and last text items.
TEST(RVFWriterBytes, SelectionsCutInside)
{
    Doc d;
    d.style.TextStyles.Add().Unicode = true; // style 12
    addText(d.data, 0, 0, 0, "uno dos");                                       // 0
    addText(d.data, 0, 0, ioContinuesParagraph, "tres");                       // 1
    addTab(d.data, 0, ioContinuesParagraph, 0);                                // 2
    addText(d.data, 1, 2, 0, "cinco seis");                                    // 3
    auto marker = std::make_unique<TRVMarkerItemInfo>();
    marker->ParaNo = 3;
    marker->ListNo = 0;
    d.data.AddItem("", std::move(marker));                                     // 4
    addText(d.data, 0, 3, ioContinuesParagraph, "item");                       // 5
    addText(d.data, 12, 3, ioContinuesParagraph | ioUnicode, std::string("J\0n\0:\0", 6)); // 6
    addCheckpoint(d.data, 3, "c", 0, false);
    const std::string head = lines({"-8 1 3", "-9 0 0 0 0 0 7"});
    const std::string tab = "-12 0 -1 1 0 0 0\r\n";
    const std::string markerRecord = "-11 0 3 0 0 0 0 0 1 0\r\n";
    const struct {
        int no, si, so, ei, eo;
        std::string expected;
    } cases[] = {
        // first cut inside, a continuing item, a tab, last cut inside from its start (its checkpoint goes too)
        {1, 0, 5, 3, 6, lines({"0 1 -1 0 0 0", "dos", "0 1 -1 1 0 0", "tres"}) + tab
                            + lines({"-2 1 0 0 0 0 0 0", "c", "1 1 2 0 0 0", "cinco"})},
        // the last item cut after its first character only: nothing of it before offset 1
        {2, 1, 3, 3, 1, lines({"0 1 -1 1 0 0", "es"}) + tab},
        // a non-text last item before its start is left out; selected whole it is written
        {3, 0, 1, 2, 0, lines({"0 1 0 0 0 0", "uno dos", "0 1 -1 1 0 0", "tres"})},
        {4, 0, 1, 2, 1, lines({"0 1 0 0 0 0", "uno dos", "0 1 -1 1 0 0", "tres"}) + tab},
        // the middle of a checkpointed item: a piece cut inside leaves the checkpoint behind
        {5, 3, 2, 3, 5, lines({"1 1 -1 0 0 0", "inc"})},
        {6, 3, 1, 3, 6, lines({"-2 1 0 0 0 0 0 0", "c", "1 1 2 0 0 0", "cinco"})},
        // a whole item in a list paragraph brings its marker; a piece of it does not
        {7, 5, 1, 5, 5, markerRecord + lines({"0 1 -1 1 0 0", "item"})},
        {8, 5, 2, 5, 4, lines({"0 1 -1 1 0 0", "te"})},
        // from a list paragraph's text to the end of a Unicode piece
        {9, 5, 3, 6, 3, markerRecord + lines({"0 1 -1 1 0 0", "em", "12 1 -1 9 0 0"}) + std::string("J\0n\0\x29\x20", 6)},
        // Unicode pieces count characters, not bytes
        {10, 6, 2, 6, 4, "12 1 -1 9 0 0\r\n" + std::string("n\0:\0\x29\x20", 6)},
    };
    for (auto &c : cases) {
        std::string out;
        ASSERT_TRUE(SaveRVFSelectionToString(d.data, out, c.si, c.so, c.ei, c.eo)) << "case " << c.no;
        EXPECT_EQ(out, head + c.expected) << "case " << c.no;
        Doc back;
        back.style.TextStyles.Add().Unicode = true;
        back.style.ListStyles.Add();
        EXPECT_TRUE(back.read(out)) << "case " << c.no;
    }
}
