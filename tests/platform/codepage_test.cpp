#include "platform/codepage.h"
#include "platform/geometry.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(MulDiv, MatchesTheSystemRounding)
{
    struct Case { int n, num, den, want; } cases[] = {
        {10, 96, 72, 13},     // Arial 10 pt at 96 dpi
        {8, 96, 72, 11},      // 10.67 rounds up
        {5, 3, 2, 8},         // 7.5: half away from zero
        {-5, 3, 2, -8},       // -7.5: half away from zero
        {5, -3, 2, -8},
        {-5, -3, -2, -8},
        {7, 1, 0, -1},        // zero divisor
        {2000000000, 3, 2, -1}, // does not fit
        {2000000000, 600, 96000, 12500000},
        {0, 5, 7, 0},
    };
    for (auto &c : cases)
        EXPECT_EQ(MulDiv(c.n, c.num, c.den), c.want) << c.n << "*" << c.num << "/" << c.den;
}

TEST(CodePage, CharsetsChooseTheirPage)
{
    EXPECT_EQ(codePageOfCharset(0), 1252);
    EXPECT_EQ(codePageOfCharset(1), systemAnsiCodePage());
    EXPECT_EQ(codePageOfCharset(1, 1251), 1251);
    EXPECT_EQ(codePageOfCharset(238), 1250);
    EXPECT_EQ(codePageOfCharset(204), 1251);
    EXPECT_EQ(codePageOfCharset(161), 1253);
    EXPECT_EQ(codePageOfCharset(162), 1254);
    EXPECT_EQ(codePageOfCharset(177), 1255);
    EXPECT_EQ(codePageOfCharset(178), 1256);
    EXPECT_EQ(codePageOfCharset(186), 1257);
    EXPECT_EQ(codePageOfCharset(163), 1258);
    for (int cp = 1250; cp <= 1258; ++cp)
        EXPECT_TRUE(isCodePageSupported(cp)) << cp;
}

TEST(CodePage, SingleBytePagesKeepOneUnitPerByte)
{
    // "Señor" and the euro sign in 1252; the five undefined bytes stay one unit each.
    std::string bytes = "Se\xF1or \x80 \x81\x8D\x8F\x90\x9D";
    std::u16string u = toUtf16(bytes, 1252);
    ASSERT_EQ(u.size(), bytes.size());
    EXPECT_EQ(u.substr(0, 7), u"Señor €");
    EXPECT_EQ(u[8], u'\x81');
    EXPECT_EQ(u[12], u'\x9D');
    // Round trip of every byte in every Windows page.
    for (int cp = 1250; cp <= 1258; ++cp) {
        std::string all;
        for (int b = 0; b < 256; ++b)
            all.push_back(char(b));
        bool usedDefault = false;
        EXPECT_EQ(fromUtf16(toUtf16(all, cp), cp, &usedDefault), all) << cp;
        EXPECT_FALSE(usedDefault) << cp;
    }
    EXPECT_EQ(toUtf16("\xC0\xDF", 1251), u"АЯ");
    EXPECT_EQ(toUtf16("\xE1", 1253), u"α");
}

TEST(CodePage, UnmappableCharactersBecomeQuestionMarks)
{
    bool usedDefault = false;
    EXPECT_EQ(fromUtf16(u"Jesús", 1252, &usedDefault), "Jes\xFAs");
    EXPECT_FALSE(usedDefault);
    EXPECT_EQ(fromUtf16(u"Ἰησοῦς א", 1252, &usedDefault), "?????? ?");
    EXPECT_TRUE(usedDefault);
    usedDefault = false;
    EXPECT_EQ(fromUtf16(u"Я", 1251, &usedDefault), "\xDF");
    EXPECT_FALSE(usedDefault);
    // An unknown page falls back to the system page.
    EXPECT_EQ(toUtf16("\xE9", 99999), toUtf16("\xE9", systemAnsiCodePage()));
}

TEST(CodePage, MultiBytePagesConvertByCharacter)
{
    std::u16string u = toUtf16("a\x82\xA0z", 932); // hiragana small a in Shift-JIS
    EXPECT_EQ(u, u"aあz");
    EXPECT_EQ(fromUtf16(u, 932), "a\x82\xA0z");
}

TEST(CodePage, Utf8Helpers)
{
    EXPECT_EQ(utf16ToUtf8(u"Génesis 1:1 — 𝔸"), "Génesis 1:1 — 𝔸");
    EXPECT_EQ(utf8ToUtf16("Génesis 𝔸"), u"Génesis 𝔸");
    EXPECT_EQ(utf8ToUtf16("\xFF" "a\xE2\x82"), u"\xFFFD" "a\xFFFD");
    EXPECT_EQ(latin1ToUtf8("\xE1rbol"), "árbol");
    EXPECT_EQ(utf8ToLatin1("árbol €"), "\xE1rbol ?");
}
