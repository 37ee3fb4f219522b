#include "components/brkapart.h"

#include <gtest/gtest.h>

namespace {

using Pieces = std::vector<std::string>;

struct SplitCase {
    const char *base;
    const char *sep;
    bool allowEmpty;
    bool caseSensitive;
    Pieces expected;
};

Pieces split(const SplitCase &c)
{
    TBrkApart b;
    b.BaseString = c.base;
    b.BreakString = c.sep;
    b.AllowEmptyString = c.allowEmpty;
    b.CaseSensitive = c.caseSensitive;
    b.BreakApart();
    return b.ResultList();
}

TEST(BrkApart, SplitsAsDocumented)
{
    const SplitCase cases[] = {
        {"Jn:3:16", ":", false, false, {"Jn", "3", "16"}},
        {"16-18", "-", false, false, {"16", "18"}},
        {"16", "-", false, false, {"16"}},
        // Empty pieces: dropped, or kept where they occur.
        {"Jn:3:", ":", false, false, {"Jn", "3"}},
        {"Jn:3:", ":", true, false, {"Jn", "3", ""}},
        {"::a", ":", false, false, {"a"}},
        {"::a", ":", true, false, {"", "", "a"}},
        {":", ":", true, false, {"", ""}},
        {"", ":", false, false, {}},
        {"", ":", true, false, {""}},
        // Case folding covers A-Z only.
        {"aXbxc", "x", false, false, {"a", "b", "c"}},
        {"aXbxc", "x", false, true, {"aXb", "c"}},
        {"aXbxc", "X", false, false, {"a", "b", "c"}},
        {"1 JUAN y 2 juan", "Juan", false, false, {"1 ", " y 2 "}},
        {"a\xC3\x89" "b\xC3\xA9" "c", "\xC3\xA9", false, false, {"a\xC3\x89" "b", "c"}},
        // Multi-character separators do not overlap.
        {"a--b", "--", false, false, {"a", "b"}},
        {"a---b", "--", false, false, {"a", "-b"}},
        {"----", "--", true, false, {"", "", ""}},
        // An empty separator is never found.
        {"Jn:3:16", "", false, false, {"Jn:3:16"}},
        {"", "", true, false, {""}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(split(c), c.expected) << '"' << c.base << "\" at \"" << c.sep << "\" allowEmpty=" << c.allowEmpty
                                        << " caseSensitive=" << c.caseSensitive;
}

TEST(BrkApart, RepeatedSplitsReplaceTheList)
{
    TBrkApart b;
    b.BaseString = "Jn:3:16";
    b.BreakString = ":";
    b.BreakApart();
    b.BreakApart();
    EXPECT_EQ(b.ResultList(), (Pieces{"Jn", "3", "16"}));
    EXPECT_EQ(b.BaseString, "Jn:3:16");
    EXPECT_EQ(b.BreakString, ":");

    // The verse popup reuses one splitter for the reference and the verse part.
    b.BaseString = b.ResultList()[2] + "-18";
    b.BreakString = "-";
    b.BreakApart();
    EXPECT_EQ(b.ResultList(), (Pieces{"16", "18"}));

    b.ResultList().clear();
    EXPECT_TRUE(b.ResultList().empty());
    b.BreakApart();
    EXPECT_EQ(b.ResultList().size(), 2u);
}

} // namespace
