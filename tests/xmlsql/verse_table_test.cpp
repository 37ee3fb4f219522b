// The verse-table builder: book list, text cleaning, and the shipped sample.
#include "store_fixture.h"
#include "xmlsql/verse_table.h"

using namespace xmlsql;

namespace {

TEST(VerseTable, DefaultBookListIsTheShippedFile)
{
    storetest::TempDir none;
    std::ifstream in(std::string(QUENLOR_TEST_DATA) + "/libros.txt", std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    EXPECT_EQ(ss.str(), kDefaultBookList);
    std::string error;
    auto books = ParseBookList(kDefaultBookList, error);
    ASSERT_TRUE(books) << error;
    EXPECT_EQ(books->size(), 66u);
    EXPECT_EQ(books->front().abbreviation, "Gn");
    EXPECT_EQ(books->front().book, "Gen");
    EXPECT_EQ(books->back().abbreviation, "Ap");
}

TEST(VerseTable, BookListErrors)
{
    struct Case {
        const char *text;
        const char *error; // empty: parses
    } cases[] = {
        {"# c\n\nJn\tJohn\r\n", ""},
        {"Jn John\n", "line 1: expected abbreviation<TAB>book"},
        {"# c\nJn\t\n", "line 2: expected abbreviation<TAB>book"},
        {"J:n\tJohn\n", "line 1: expected abbreviation<TAB>book"},
        {"", "no books listed"},
    };
    for (auto &c : cases) {
        std::string error;
        auto list = ParseBookList(c.text, error);
        EXPECT_EQ(list.has_value(), *c.error == 0) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
    }
}

TEST(VerseTable, CleanText)
{
    struct Case {
        const char *utf8, *latin1;
    } cases[] = {
        {"Porque de tal manera am\xC3\xB3 Dios", "Porque de tal manera am\xF3 Dios"},
        {"el <G3588> mundo <H1234>, y", "el mundo, y"},
        {"trailing blanks   ", "trailing blanks"},
        {"two\nlines\r\nhere", "two lines here"},
        {"\xE2\x80\x9C" "dijo\xE2\x80\x9D \xE2\x80\x94 s\xC3\xAD", "\"dijo\" - s\xED"},
        {"\xE2\x82\xAC and \xFF bad", "? and ? bad"},
        {"stray < and >", "stray"},
        {"a <G1>? b", "a? b"},
        {"", ""},
    };
    for (auto &c : cases)
        EXPECT_EQ(CleanVerseText(c.utf8), c.latin1) << c.utf8;
}

TEST(VerseTable, ChapterList)
{
    std::string error;
    auto f = ParseChapterList("Jn:3,Ro:8,Sal", error);
    ASSERT_TRUE(f);
    EXPECT_TRUE(f->Accepts("Jn", 3));
    EXPECT_FALSE(f->Accepts("Jn", 4));
    EXPECT_TRUE(f->Accepts("Sal", 119));
    EXPECT_FALSE(f->Accepts("Gn", 1));
    for (const char *bad : {"Jn:x", "Jn:0", ":3", "Jn,,Ro"})
        EXPECT_FALSE(ParseChapterList(bad, error)) << bad;
}

TEST(VerseTable, WriterAndSample)
{
    VerseTableWriter w;
    w.Add("Jn:3:16", "Porque");
    EXPECT_EQ(w.Content(), storetest::Crlf({"<?xml version='1.0' encoding='ISO-8859-1'?>",
                                             "<table fields=\"VerseID,VerseText\" types=\"string,string\">",
                                             "\t<record>", "\t\t<field>Jn:3:16</field>", "\t\t<field>Porque</field>",
                                             "\t</record>", "</table>"}));
    // The shipped sample holds Jn 3, Ro 8 and Sal 23 in canonical order.
    auto all = storetest::RunSql(std::string(QUENLOR_TEST_DATA) + "/", "select VerseID from RV1960");
    ASSERT_EQ(all.rows.size(), 6u + 36u + 39u);
    EXPECT_EQ(all.rows.front()[0], "Sal:23:1");
    EXPECT_EQ(all.rows[6][0], "Jn:3:1");
    EXPECT_EQ(all.rows.back()[0], "Ro:8:39");
}

} // namespace
