// The splitter and every parser pass, on the texts the store must understand.
#include "xmlsql/sql_parser.h"
#include "xmlsql/store_failure.h"

#include <gtest/gtest.h>

using namespace xmlsql;

namespace {

std::string Join(const Words &w)
{
    std::string s;
    for (size_t i = 0; i < w.size(); ++i)
        s += (i ? "|" : "") + w[i];
    return s;
}

TEST(Awkline, Split)
{
    struct Case {
        const char *text, *seps, *pieces;
        size_t count;
    } cases[] = {
        {"a,,b", ",", "a||b", 3}, {"a,b,", ",", "a|b", 2}, {",a", ",", "|a", 2},
        {"", ",", "", 0},         {",", ",", "", 1},       {"a b\tc", " \t", "a|b|c", 3},
    };
    for (auto &c : cases) {
        tAwkline a(c.text, c.seps);
        EXPECT_EQ(Join(a), c.pieces) << c.text;
        EXPECT_EQ(a.size(), c.count) << c.text;
    }
}

TEST(SqlParser, Parse)
{
    struct Case {
        const char *text;
        const char *words; // all words of the text after Parse
    } cases[] = {
        // The verse popup's two queries.
        {"select * from RV1960 where VerseID = \"Jn:3:16\"", "SELECT|*|FROM|RV1960|WHERE|VerseID|=|\"Jn:3:16\""},
        {"select * from RV1960 where VerseID like \"Jn:3:%\"", "SELECT|*|FROM|RV1960|WHERE|VerseID|LIKE|\"Jn:3:%\""},
        {"select Name,Id from T order by Id desc", "SELECT|Name|,|Id|FROM|T|ORDER BY|Id|DESC"},
        {"create table T (Id int auto_increment, Name varchar(20))",
         "CREATE|TABLE|T|(|Id|INT|auto_increment|,|Name|varchar|(|20|)|)"},
        // Without blanks the same three words.
        {"where VerseID=\"Jn:3:16\"", "WHERE|VerseID|=|\"Jn:3:16\""},
        // A single-quoted key is cut at its colons.
        {"where VerseID = 'Jn:3:16'", "WHERE|VerseID|=|'Jn|:|3|:|16'"},
        // Blanks inside quotes stay; so does a ";" after a double-quoted word.
        {"x = \"a  b\"", "x|=|\"a  b\""},
        {"a = \"x\";b", "A|=|\"x\";b"},
        // Comments run to the line end, quotes do not protect "#"; single letters
        // such as a and b are keywords to the substring search.
        {"a # note\nb", "A|B"},
        {"a#note\nb", "AB"},
        {"a = \"x#y\"\nb", "A|="},
        // Operators become single characters; signs and decimal points fall apart.
        {"a<=5", "A|<|=|5"},
        {"-5 3.5", "-|5|3|.|5"},
        {"(((x)))", "(|(|(|x|)|)|)"},
        // Keywords are found by substring search in the keyword list.
        {"Date Dates e sel", "DATE|Dates|E|SEL"},
        // A trailing ";" goes once.
        {"a;", "A"},
        {"a;;", "A|;"},
        // Only the first ORDER BY is joined.
        {"order by x order by y", "ORDER BY|x|ORDER|BY|Y"},
        {"order x", "ORDER|x"},
        {"select * from T order by", "SELECT|*|FROM|T|ORDER BY"},
        // A word with one double quote gathers the next words up to the one holding a quote.
        {"\"a b\" c", "\"a b\"|C"},
    };
    for (auto &c : cases) {
        tSqlParser p;
        ASSERT_NO_THROW(p.Parse(c.text)) << c.text;
        EXPECT_EQ(Join(p), c.words) << c.text;
    }
    for (const char *bad : {"", "   ", "# only a comment", ";", "select * from T order", "ORDER"}) {
        tSqlParser p;
        if (std::string(bad) == ";") {
            // The ";" is removed, leaving a text with no statement at all.
            ASSERT_NO_THROW(p.Parse(bad));
            EXPECT_EQ(p.Statements.size(), 0u);
            continue;
        }
        EXPECT_THROW(p.Parse(bad), StoreFailure) << bad;
    }
}

TEST(SqlParser, JoinQuotedAndStatements)
{
    tSqlParser p;
    // JoinQuoted on its own: a word holding one double quote opens a gathering.
    p.assign({"x", "\"a", "b", "c\"", "y", "\"open", "lost"});
    p.JoinQuoted();
    EXPECT_EQ(Join(p), "x|\"a b c\"|y");

    p.Parse("a;b c;;d");
    ASSERT_EQ(p.Statements.size(), 4u);
    EXPECT_EQ(Join(*p.Statement(0)), "A");
    EXPECT_EQ(Join(*p.Statement(1)), "B|C");
    EXPECT_TRUE(p.Statement(2)->empty());
    EXPECT_EQ(Join(*p.Statement(3)), "D");
    EXPECT_EQ(p.Statement(4), nullptr);
    p.Parse("b");
    EXPECT_EQ(p.Statements.size(), 1u); // earlier statements are discarded
}

TEST(SqlParser, CommasAndParens)
{
    struct Case {
        const char *text, *words;
    } cases[] = {
        {"select Name,Id from T", "SELECT|Name,Id|FROM|T"},
        {"select x, j, z from T", "SELECT|x,j,z|FROM|T"},
        {"insert into T values(1,\"Ann\")", "INSERT|INTO|T|VALUES|1,\"Ann\""},
        {"insert into T (Name) values (\"Ann\")", "INSERT|INTO|T|Name|VALUES|\"Ann\""},
        {"insert into T (Id, Name) values (1, \"A b\")", "INSERT|INTO|T|Id,Name|VALUES|1,\"A b\""},
    };
    for (auto &c : cases) {
        tSqlParser p;
        p.Parse(c.text);
        p.JoinCommas();
        p.StripParens();
        EXPECT_EQ(Join(p), c.words) << c.text;
    }
}

TEST(SqlParser, LongWordsStayLinear)
{
    // Many operators in one word: the split must not repeat whole passes.
    std::string text(200000, '+');
    tSqlParser p;
    p.Parse(text);
    EXPECT_EQ(p.size(), 200000u);
}

} // namespace
