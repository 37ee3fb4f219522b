// List markers: counters, number notations, marker texts (documents given as
// RVF text), the format directives, and size and placement on the test canvas.
#include "document/rv_marker.h"
#include "support/test_canvas.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <climits>

using namespace rv;
using namespace rvtest;

namespace {

TRVListLevel level(TRVListType type, std::string format, int startFrom = 1, uint8_t options = bit(rvloLevelReset))
{
    TRVListLevel l;
    l.ListType = type;
    l.FormatString = std::move(format);
    l.StartFrom = startFrom;
    l.Options = options;
    l.Font.Height = -20;
    return l;
}

// A marker record and a text item after it, as a stored document has them.
struct M {
    int list, level, startFrom = 1;
    bool reset = false;
};

std::string stream(std::initializer_list<M> markers)
{
    std::string s = lines({"-8 1 3"});
    for (const M &m : markers)
        s += lines({"-11 0 0 0 0 0 " + std::to_string(m.list) + " " + std::to_string(m.level) + " "
                        + std::to_string(m.startFrom) + " " + (m.reset ? "1" : "0"),
                    "0 1 0 1 0 0", "x"});
    return s;
}

const TRVMarkerItemInfo &marker(const Doc &d, int k) { return static_cast<const TRVMarkerItemInfo &>(d.data.GetItem(2 * k)); }

std::vector<int> counters(const Doc &d)
{
    std::vector<int> out;
    for (int i = 0; i < d.data.ItemCount(); i += 2)
        out.push_back(marker(d, i / 2).Counter);
    return out;
}

std::vector<std::string> texts(const Doc &d)
{
    std::vector<std::string> out;
    for (int i = 0; i < d.data.ItemCount(); i += 2)
        out.push_back(marker(d, i / 2).DisplayString);
    return out;
}

// A list whose levels number in the given notations, each showing the
// numbers of its own and every higher level joined by full stops.
TRVListInfo &outline(TRVStyle &st, std::initializer_list<TRVListType> types, uint8_t options = bit(rvloLevelReset))
{
    TRVListInfo &l = st.ListStyles.Add();
    int n = 0;
    for (TRVListType t : types) {
        std::string f;
        for (int k = 0; k <= n; ++k)
            f += (k ? "." : "") + std::string("%") + std::to_string(k) + ":s";
        l.Levels.push_back(level(t, f, 1, options));
        ++n;
    }
    return l;
}

} // namespace

TEST(ListMarkers, Counters)
{
    struct Case {
        const char *name;
        std::initializer_list<M> markers;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {"one level counts on", {{0, 0}, {0, 0}, {0, 0}}, {1, 2, 3}},
        {"a reset restarts from its own StartFrom", {{0, 0}, {0, 0, 5, true}, {0, 0}}, {1, 5, 6}},
        {"a parent level restarts a level that resets", {{0, 0}, {0, 1}, {0, 1}, {0, 0}, {0, 1}}, {1, 1, 2, 2, 1}},
        {"a first marker after only deeper ones is StartFrom + 1", {{0, 1}, {0, 0}}, {1, 2}},
        {"another list does not count", {{0, 0}, {1, 0}, {0, 0}}, {1, 1, 2}},
        {"a level past the list's end is its last level", {{0, 2}, {0, 7}}, {1, 2}},
        {"a counter at the top of the range stays there", {{0, 0, INT_MAX, true}, {0, 0}, {0, 0}},
         {INT_MAX, INT_MAX, INT_MAX}},
    };
    for (const Case &c : cases) {
        Doc d;
        outline(d.style, {rvlstDecimal, rvlstDecimal, rvlstDecimal});
        outline(d.style, {rvlstDecimal});
        ASSERT_TRUE(d.read(stream(c.markers))) << c.name;
        EXPECT_EQ(counters(d), c.expected) << c.name;
    }

    // Without rvloLevelReset a parent marker does not restart the level.
    Doc d;
    outline(d.style, {rvlstDecimal, rvlstDecimal}, 0);
    ASSERT_TRUE(d.read(stream({{0, 0}, {0, 1}, {0, 0}, {0, 1}})));
    EXPECT_EQ(counters(d), (std::vector<int>{1, 1, 2, 2}));
}

TEST(ListMarkers, Notations)
{
    struct Case {
        TRVListType type;
        int n;
        const char *expected;
    };
    const Case cases[] = {
        {rvlstDecimal, 42, "42"}, {rvlstDecimal, -3, "-3"},
        {rvlstUpperAlpha, 1, "A"}, {rvlstUpperAlpha, 26, "Z"}, {rvlstUpperAlpha, 27, "AA"},
        {rvlstUpperAlpha, 28, "AB"}, {rvlstUpperAlpha, 703, "AAA"}, {rvlstLowerAlpha, 2, "b"},
        {rvlstLowerAlpha, 0, ""}, {rvlstLowerAlpha, -5, ""}, {rvlstUpperAlpha, INT_MAX, "FXSHRXW"},
        {rvlstLowerRoman, 1994, "mcmxciv"}, {rvlstUpperRoman, 4, "IV"}, {rvlstUpperRoman, 3999, "MMMCMXCIX"},
        {rvlstUpperRoman, 0, "?"}, {rvlstLowerRoman, -1, "?"},
        // Huge numbers stay decimal instead of becoming millions of letters.
        {rvlstUpperRoman, 2000000000, "2000000000"},
        {rvlstBullet, 3, ""}, {rvlstPicture, 3, ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ListNumberText(c.type, c.n), c.expected) << int(c.type) << " " << c.n;
    EXPECT_EQ(ListNumberText(rvlstUpperRoman, 5000), "MMMMM");
}

TEST(ListMarkers, FormatDirectives)
{
    const std::vector<std::string> args = {"a", "bb", "ccc"};
    struct Case {
        const char *format;
        bool ok;
        const char *expected;
    };
    const Case cases[] = {
        {"%s.%s", true, "a.bb"},
        {"%2:s-%0:s", true, "ccc-a"},
        {"%1:s%s", true, "bbccc"}, // a plain directive goes on after an indexed one
        {"[%3s][%-3s]", true, "[  a][bb ]"},
        {"%.2s", true, "a"},
        {"%1:.1s", true, "b"},
        {"100%%", true, "100%"},
        {"%S", true, "a"},
        {"%d", false, ""},
        {"%3:s", false, ""},
        {"%s%s%s%s", false, ""},
        {"abc%", false, ""},
        {"%*s", false, ""},
        {"%99999999s", false, ""},
        {"%1:", false, ""},
    };
    for (const Case &c : cases) {
        std::string out;
        EXPECT_EQ(FormatWithTextArgs(c.format, args, out), c.ok) << c.format;
        if (c.ok) {
            EXPECT_EQ(out, c.expected) << c.format;
        }
    }
}

TEST(ListMarkers, MarkerTexts)
{
    struct Case {
        const char *name;
        std::initializer_list<TRVListType> types;
        uint8_t legalOnLevel1;
        std::initializer_list<M> markers;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"decimal outline", {rvlstDecimal, rvlstDecimal}, 0, {{0, 0}, {0, 0}, {0, 1}, {0, 1}, {0, 1}},
         {"1", "2", "2.1", "2.2", "2.3"}},
        {"upper Roman parent", {rvlstUpperRoman, rvlstDecimal}, 0, {{0, 0}, {0, 0}, {0, 1}, {0, 1}, {0, 1}},
         {"I", "II", "II.1", "II.2", "II.3"}},
        {"legal numbering writes the parents in decimal", {rvlstUpperRoman, rvlstDecimal}, 1,
         {{0, 0}, {0, 0}, {0, 1}, {0, 1}, {0, 1}}, {"I", "II", "2.1", "2.2", "2.3"}},
        {"alpha and Roman levels", {rvlstDecimal, rvlstLowerAlpha, rvlstLowerRoman}, 0,
         {{0, 0}, {0, 1}, {0, 1}, {0, 2}, {0, 2}}, {"1", "1.a", "1.b", "1.b.i", "1.b.ii"}},
        {"a skipped level shows its StartFrom", {rvlstDecimal, rvlstDecimal, rvlstDecimal}, 0,
         {{0, 0}, {0, 2}}, {"1", "1.1.1"}},
    };
    for (const Case &c : cases) {
        Doc d;
        TRVListInfo &l = outline(d.style, c.types);
        if (c.legalOnLevel1)
            l.Levels[1].Options |= bit(rvloLegalStyleNumbering);
        ASSERT_TRUE(d.read(stream(c.markers))) << c.name;
        EXPECT_EQ(texts(d), c.expected) << c.name;
    }

    // Positional directives, a skipped level with its own StartFrom, bullets.
    Doc d;
    TRVListInfo &l = d.style.ListStyles.Add();
    l.Levels.push_back(level(rvlstDecimal, "%s)"));
    l.Levels.push_back(level(rvlstDecimal, "%s.%s", 4));
    l.Levels.push_back(level(rvlstLowerAlpha, "%s.%s.%s"));
    TRVListInfo &bullets = d.style.ListStyles.Add();
    bullets.Levels.push_back(level(rvlstBullet, "\xB7"));
    bullets.Levels.push_back(level(rvlstBullet, "%s-%d")); // does not format: shown as it stands
    bullets.Levels.push_back(level(rvlstBullet, "[%s]"));
    bullets.Levels.push_back(level(rvlstUnicodeBullet, "ignored"));
    ASSERT_TRUE(d.read(stream({{0, 0}, {0, 0}, {0, 2}, {1, 0}, {1, 1}, {1, 2}, {1, 3}})));
    EXPECT_EQ(texts(d), (std::vector<std::string>{"1)", "2)", "2.4.a", "\xB7", "%s-%d", "[]", ""}));
}

TEST(ListMarkers, MarkersWithoutALevel)
{
    Doc d;
    d.style.ListStyles.Add(); // no levels at all
    outline(d.style, {rvlstDecimal});
    ASSERT_TRUE(d.read(stream({{0, 0}, {1, -1}, {1, 0}})));
    platform::TestCanvas canvas;
    for (int k = 0; k < 2; ++k) {
        EXPECT_EQ(MarkerLevelIndex(d.style, marker(d, k)), -1) << k;
        EXPECT_EQ(marker(d, k).DisplayString, "") << k;
        TRVMarkerMetrics mm = MeasureMarker(d.style, marker(d, k), canvas);
        EXPECT_EQ(mm.Width + mm.Height + mm.Before + mm.After, 0) << k;
        DrawMarker(d.style, marker(d, k), canvas, 0, 0, {});
    }
    EXPECT_TRUE(canvas.ops().empty());
    // The marker without a level neither counts nor breaks the numbering.
    EXPECT_EQ(marker(d, 2).DisplayString, "1");
}

TEST(ListMarkers, DeepLevelsStayInsideTheArguments)
{
    Doc d;
    TRVListInfo &l = d.style.ListStyles.Add();
    for (int k = 0; k < 300; ++k)
        l.Levels.push_back(level(rvlstDecimal, "%255:s|%0:s"));
    ASSERT_TRUE(d.read(stream({{0, 0}, {0, 299}, {0, 5000}})));
    EXPECT_EQ(texts(d), (std::vector<std::string>{"|1", "1|1", "2|1"}));
    EXPECT_EQ(counters(d), (std::vector<int>{1, 1, 2}));
}

TEST(ListMarkers, SizeAndPlacement)
{
    // Font 20 px on the test canvas: digits and "." 10 wide, ascent 16, descent 4.
    // MarkerIndent 40, text indent 60: the gap is 20.
    struct Case {
        TRVMarkerAlignment align;
        const char *text;
        int before, after;
    };
    const Case cases[] = {
        {rvmaLeft, "12.", 0, 30},
        {rvmaRight, "12.", 30, 20},
        {rvmaCenter, "12.", 15, 20},
        {rvmaLeft, "1", 0, 20},   // widened to the gap
        {rvmaCenter, "1", 5, 20}, // 10 wide: 5 left, 5 right, widened to 20
    };
    for (const Case &c : cases) {
        TRVStyle st;
        TRVListLevel &lv = st.ListStyles.Add().Levels.emplace_back(level(rvlstDecimal, c.text));
        lv.MarkerIndent = 40;
        lv.LeftIndent = 60;
        lv.FirstIndent = 0;
        lv.MarkerAlignment = c.align;
        TRVMarkerItemInfo m;
        m.ListNo = 0;
        m.Level = 0;
        TRVMarkerNumbering(st).Add(m);
        platform::TestCanvas canvas;
        TRVMarkerMetrics mm = MeasureMarker(st, m, canvas);
        EXPECT_EQ(mm.Height, 20) << c.text;
        EXPECT_EQ(mm.Descent, 4) << c.text;
        EXPECT_EQ(mm.Before, c.before) << c.text << " " << int(c.align);
        EXPECT_EQ(mm.After, c.after) << c.text << " " << int(c.align);
        EXPECT_EQ(MarkerDrawX(mm, 40, false), 40 - c.before);
    }
    int before, after;
    PlaceMarker(rvmaCenter, 21, 0, before, after);
    EXPECT_EQ(before, 11);
    EXPECT_EQ(after, 10);
    PlaceMarker(rvmaCenter, 21, 25, before, after);
    EXPECT_EQ(after, 25);

    // At twice the resolution the font and the gap scale; the text is the same.
    TRVStyle st;
    TRVListLevel &lv = st.ListStyles.Add().Levels.emplace_back(level(rvlstDecimal, "%s."));
    lv.MarkerIndent = 0;
    lv.LeftIndent = 40;
    TRVMarkerItemInfo m;
    m.ListNo = 0;
    TRVMarkerNumbering(st).Add(m);
    platform::TestCanvas printer(640, 480, 192, true);
    TRVMarkerMetrics mm = MeasureMarker(st, m, printer, 96, 96);
    EXPECT_EQ(mm.Height, 40);
    EXPECT_EQ(mm.Width, 40); // "1." at 40 px: 20 + 20
    EXPECT_EQ(mm.After, 80 + 20); // gap 40 + FirstIndent 10, doubled
}

TEST(ListMarkers, DrawingUsesTheLevelsFontAndColour)
{
    TRVStyle st;
    TRVListLevel &lv = st.ListStyles.Add().Levels.emplace_back(level(rvlstUpperRoman, "%s."));
    lv.Font.Name = "Times New Roman";
    lv.Font.Color = platform::clRed;
    lv.Font.Style = fsBold;
    TRVListLevel &uni = st.ListStyles[0].Levels.emplace_back(level(rvlstUnicodeBullet, ""));
    uni.FormatStringW.assign(1, u'\u2022');
    TRVMarkerItemInfo m, b;
    m.ListNo = b.ListNo = 0;
    b.Level = 1;
    TRVMarkerNumbering numbering(st);
    numbering.Add(m);
    numbering.Add(b);
    platform::TestCanvas canvas;
    DrawMarker(st, m, canvas, 7, 9, {});
    DrawMarker(st, b, canvas, 7, 30, {}, true, rvcmBlackOnWhite);
    ASSERT_EQ(canvas.ops().size(), 2u);
    EXPECT_EQ(canvas.ops()[0].text, u"I.");
    EXPECT_EQ(canvas.ops()[0].font.faceName, "Times New Roman");
    EXPECT_EQ(canvas.ops()[0].font.weight, 700);
    EXPECT_EQ(canvas.ops()[0].color, platform::clRed);
    EXPECT_EQ(canvas.ops()[0].back, clNone); // no background behind the marker
    EXPECT_EQ(canvas.ops()[0].rect.left, 7);
    EXPECT_EQ(canvas.ops()[0].rect.top, 9);
    EXPECT_EQ(canvas.ops()[1].text, u"\u2022");
    EXPECT_EQ(canvas.ops()[1].color, platform::clBlack); // printed black on white
    EXPECT_EQ(MarkerPlainText(st, b), u"\u2022");
}
