// SELECT through the record set: the verse popup's queries on the shipped
// sample table, WHERE, ORDER BY, AS and the messages of a failed SELECT.
#include "store_fixture.h"
#include "xmlsql/table_file.h"

using namespace storetest;

namespace {

const std::string kData = std::string(QUENLOR_TEST_DATA) + "/";

std::string Table(const std::string &header, std::initializer_list<std::vector<std::string>> rows)
{
    std::string s = "<?xml version='1.0' encoding='ISO-8859-1'?>\r\n" + header + "\r\n";
    for (auto &r : rows) {
        s += "\t<record>\r\n";
        for (auto &v : r)
            s += "\t\t<field>" + v + "</field>\r\n";
        s += "\t</record>\r\n";
    }
    return s + "</table>\r\n";
}

using Rows = std::vector<std::vector<std::string>>;

TEST(Select, VerseQueries)
{
    auto one = RunSql(kData, "select * from RV1960 where VerseID = \"Jn:3:16\"");
    EXPECT_EQ(one.result, "");
    EXPECT_EQ(one.header, (std::vector<std::string>{"VerseID", "VerseText"}));
    ASSERT_EQ(one.rows.size(), 1u);
    EXPECT_EQ(one.rows[0][0], "Jn:3:16");
    EXPECT_EQ(one.rows[0][1].rfind("Porque de tal manera am\xF3 Dios al mundo", 0), 0u); // ISO-8859-1 text

    auto chapter = RunSql(kData, "select * from RV1960 where VerseID like \"Jn:3:%\"");
    EXPECT_EQ(chapter.result, "");
    ASSERT_EQ(chapter.rows.size(), 36u);
    EXPECT_EQ(chapter.rows.front()[0], "Jn:3:1");
    EXPECT_EQ(chapter.rows.back()[0], "Jn:3:36");

    auto none = RunSql(kData, "select * from RV1960 where VerseID = \"Jn:45:79\"");
    EXPECT_EQ(none.result, "");
    EXPECT_EQ(none.header.size(), 2u);
    EXPECT_TRUE(none.rows.empty());

    TempDir empty;
    auto missing = RunSql(empty.Folder(), "select * from RV1960 where VerseID = \"Jn:3:16\"");
    EXPECT_EQ(missing.result, "Error: Unknown word in SQL expression");
    EXPECT_EQ(missing.header, (std::vector<std::string>{"Result"}));
    EXPECT_EQ(missing.rows, (Rows{{"Error: Unknown word in SQL expression"}}));

    // A missing folder ends the run: no columns, no rows, no message.
    auto noFolder = RunSql(empty.Folder() + "nowhere/", "select * from RV1960");
    EXPECT_EQ(noFolder.result, "");
    EXPECT_TRUE(noFolder.header.empty());
    EXPECT_TRUE(noFolder.rows.empty());
}

TEST(Select, Statements)
{
    TempDir dir;
    dir.Write("T.xml", Table("<table fields=\"Id,Name,Price\" types=\"integer,string,float\">",
                             {{"9", "b", "1.5"}, {"10", "A", "2"}, {"2", "B", "x"}, {"1", "a", ""}}));
    dir.Write("Bad.xml", Table("<table fields=\"Id,Name\" types=\"integer,string\">", {{"1", "a"}, {"x", "b"}}));
    dir.Write("One.xml", Table("<table fields=\"Id\" types=\"integer\">", {{"x"}}));
    const std::string kUnknownWord = "Error: Unknown word in SQL expression";
    struct Case {
        const char *sql;
        std::vector<std::string> header;
        Rows rows;
        std::string result;
    } cases[] = {
        {"select * from T", {"Id", "Name", "Price"}, {{"9", "b", "1.5"}, {"10", "A", "2"}, {"2", "B", "x"}, {"1", "a", ""}}, ""},
        {"SELECT name,id FROM t", {"Name", "Id"}, {{"b", "9"}, {"A", "10"}, {"B", "2"}, {"a", "1"}}, ""},
        {"select Name from T where Id > 5", {"Name"}, {{"b"}, {"A"}}, ""},
        {"select Name from T where Name = \"b\"", {"Name"}, {{"b"}}, ""},
        {"select Name from T where Price = 2", {"Result"}, {{"Error: in WHERE clause"}}, "Error: in WHERE clause"},
        {"select * from T where Nope = 1", {"Result"}, {{"Error: Unknown field name in WHERE clause"}},
         "Error: Unknown field name in WHERE clause"},
        {"select * from T where", {"Result"}, {{kUnknownWord}}, kUnknownWord},
        // ORDER BY: numbers, then text without regard to a-z case; always ascending.
        {"select Id,Name from T order by Id", {"Id", "Name"}, {{"1", "a"}, {"2", "B"}, {"9", "b"}, {"10", "A"}}, ""},
        {"select Id,Name from T order by id desc", {"Id", "Name"}, {{"1", "a"}, {"2", "B"}, {"9", "b"}, {"10", "A"}}, ""},
        {"select Id,Name from T order by Name", {"Id", "Name"}, {{"10", "A"}, {"1", "a"}, {"9", "b"}, {"2", "B"}}, ""},
        {"select Id,Price from T order by Price", {"Id", "Price"}, {{"9", "1.5"}, {"10", "2"}, {"2", "x"}, {"1", ""}}, ""},
        {"select Id,Name from T where Id < 5 order by Name", {"Id", "Name"}, {{"1", "a"}, {"2", "B"}}, ""},
        {"select Name from T order by Id", {"Result"}, {{"Error: ORDER BY param is not correct"}},
         "Error: ORDER BY param is not correct"},
        {"select * from T order by", {"Result"}, {{"Error: Missed param after ORDER BY"}},
         "Error: Missed param after ORDER BY"},
        {"select * from Bad order by Id", {"Result"}, {{"Error: Data type problem"}}, "Error: Data type problem"},
        {"select * from One order by Id", {"Id"}, {{"x"}}, ""}, // one row: nothing to compare
        // AS renames from the first column on, after the sort.
        {"select Name,Id AS N,I from T where Id < 3", {"N", "I"}, {{"B", "2"}, {"a", "1"}}, ""},
        {"select Name,Id from T as N order by Id", {"N", "Id"}, {{"a", "1"}, {"B", "2"}, {"b", "9"}, {"A", "10"}}, ""},
        {"select Id from T as N,I,J where Id = 1", {"N"}, {{"1"}}, ""},
        {"select * from T as", {"Result"}, {{kUnknownWord}}, kUnknownWord},
        // Failures.
        {"select Nope from T", {"Result"}, {{"Error: in SELECT clause"}}, "Error: in SELECT clause"},
        {"SHOW tables", {"Result"}, {{kUnknownWord}}, kUnknownWord},
        {"select *", {"Result"}, {{kUnknownWord}}, kUnknownWord}, // looks for SELECT.xml
        {"select * from Missing", {"Result"}, {{kUnknownWord}}, kUnknownWord},
        {"select * from T order", {}, {}, ""}, // does not parse
        {"", {}, {}, ""},
        {"select * from T;;select * from T", {}, {}, ""}, // the empty statement ends the run
        {"select * from", {}, {}, ""},                  // no word after FROM
        // Several statements: the last one's result, earlier errors stay visible.
        {"select Id from T where Id = 9; select Name from T where Id = 10", {"Name"}, {{"A"}}, ""},
        {"SHOW; select Name from T where Id = 10", {"Result"}, {{kUnknownWord}}, kUnknownWord},
    };
    for (auto &c : cases) {
        auto o = RunSql(dir.Folder(), c.sql);
        EXPECT_EQ(o.header, c.header) << c.sql;
        EXPECT_EQ(o.rows, c.rows) << c.sql;
        EXPECT_EQ(o.result, c.result) << c.sql;
    }
}

TEST(Select, OddTableFiles)
{
    TempDir dir;
    const std::string decl = "<?xml version='1.0' encoding='ISO-8859-1'?>\n";
    struct Case {
        const char *name;
        std::string content;
        Rows rows;
        std::string result;
        const char *tail = ""; // after "select * from NAME"; the file stays when content is empty
    } cases[] = {
        // LF line ends, indentation, upper-case tags and a record before the table line.
        {"a", decl + "<record>\n<f>early</f>\n</record>\n  <TABLE FIELDS=\"K\" TYPES=\"string\">\n<RECORD>\n<F>v</F>\n</RECORD>\n",
         {{"v"}}, ""},
        // A second table line starts the result afresh.
        {"b", decl + "<table fields=\"K\">\n<record>\n<f>1</f>\n</record>\n<table fields=\"L\">\n<record>\n<f>2</f>\n</record>\n",
         {{"2"}}, ""},
        // Truncated inside a record.
        {"c", decl + "<table fields=\"K,L\">\n<record>\n<f>1</f>", {{"1", ""}}, ""},
        // A last id that is not a number.
        {"d", decl + "<table fields=\"K\" types=\"autoinc\" lastid=\"x\">\n", {{"Error: Unknown word in SQL expression"}},
         "Error: Unknown word in SQL expression"},
        // No table line at all: no columns, so no ORDER BY column either.
        {"e", decl + "<record>\n<f>1</f>\n</record>\n", {}, ""},
        {"e", "", {{"Error: ORDER BY param is not correct"}}, "Error: ORDER BY param is not correct", " order by K"},
    };
    for (auto &c : cases) {
        if (!c.content.empty())
            dir.Write(std::string(c.name) + ".xml", c.content);
        auto o = RunSql(dir.Folder(), std::string("select * from ") + c.name + c.tail);
        EXPECT_EQ(o.rows, c.rows) << c.name;
        EXPECT_EQ(o.result, c.result) << c.name;
    }
}

TEST(Select, BlockBoundaries)
{
    // Values of every length cut the file at every place in a line and a
    // record; one value is longer than a whole block. The same rows must come
    // out whatever the block size.
    TempDir dir;
    std::string content = "<?xml version='1.0' encoding='ISO-8859-1'?>\r\n"
                          "<table fields=\"Num,V\" types=\"integer,string\">\r\n";
    for (int i = 0; i < 300; ++i)
        content += "\t<record>\r\n\t\t<field>" + std::to_string(i) + "</field>\r\n\t\t<field>" +
                   std::string(static_cast<size_t>(i % 37 + (i == 150 ? 5000 : 0)), 'a' + char(i % 26)) +
                   "</field>\r\n\t</record>\r\n";
    content += "</table>\r\n";
    dir.Write("T.xml", content);
    auto whole = RunSql(dir.Folder(), "select * from T where Num > 9");
    ASSERT_EQ(whole.rows.size(), 290u);
    EXPECT_EQ(whole.rows[140][1].size(), 150u % 37 + 5000u);
    for (size_t block : {16u, 17u, 61u, 1000u, 4096u}) {
        xmlsql::ChunkedFile::SetBlockSize(block);
        auto o = RunSql(dir.Folder(), "select * from T where Num > 9");
        EXPECT_EQ(o.rows, whole.rows) << block;
        EXPECT_EQ(o.result, "") << block;
    }
    xmlsql::ChunkedFile::SetBlockSize(256 * 1024);
}

TEST(Select, EarlyRecordEndsCannotExhaustMemory)
{
    // A record end line gives its value to every remaining column, so a small
    // file can stand for a huge result: many columns, records that end at
    // once, or one long value repeated in every column.
    TempDir dir;
    std::string wide = "<table fields=\"" + std::string(200000, ',') + "x\">\n";
    for (int i = 0; i < 20000; ++i)
        wide += "<record>\n</record>\n";
    dir.Write("Wide.xml", wide);
    const std::string longValue(2000, 'v');
    const std::string repeated = "<table fields=\"" + std::string(3000, ',') + "x\" types=\"string\">\n<record>\n<f>" +
                                 longValue + "</f></record>\n</table>\n";
    dir.Write("Long.xml", repeated);
    const std::string kUnknownWord = "Error: Unknown word in SQL expression";
    struct Case {
        const char *sql;
        std::string result;
        size_t rows;
    } cases[] = {
        {"select * from Wide", kUnknownWord, 1},
        {"select * from Long", kUnknownWord, 1},
        {"update Long set x = 1", "Error: Finding table", 1},
        // A few copies of the long value are within what the file itself holds.
        {"select x from Long", "", 1},
        {"select x,x from Long", "", 1},
    };
    for (auto &c : cases) {
        auto o = RunSql(dir.Folder(), c.sql);
        EXPECT_EQ(o.result, c.result) << c.sql;
        EXPECT_EQ(o.rows.size(), c.rows) << c.sql;
    }
    // Compared as booleans: a failure would otherwise print megabytes.
    EXPECT_TRUE(RunSql(dir.Folder(), "select x from Long").rows[0][0] == longValue);
    EXPECT_TRUE(dir.Read("Long.xml") == repeated); // the failed UPDATE left the table alone
}

TEST(Select, VersePopupQueries)
{
    // The popup's two statements, built as the popup builds them, on keys that
    // differ from the wanted ones only a little.
    TempDir dir;
    dir.Write("rv1960.XML", Table("<table fields=\"VerseID,VerseText\" types=\"string,string\">",
                                  {{"Jn:3:1", "uno"},
                                   {"Jn:3:16", "Porque > de tal manera"},
                                   {"Jn:3:160", "no"},
                                   {"Jn:30:1", "no"},
                                   {"1Jn:3:16", "no"},
                                   {"jn:3:17", "no"},
                                   {"Jn:3:18", "dieciocho: <b>"},
                                   {"1S:3:16", "samuel"},
                                   {"Jn:3:17", "diecisiete"}}));
    auto single = [](const std::string &key) { return "select * from RV1960 where VerseID = \"" + key + "\""; };
    auto range = [](const std::string &bookChapter) {
        return "select * from RV1960 where VerseID like \"" + bookChapter + ":%\"";
    };
    struct Case {
        std::string sql;
        std::vector<std::string> keys; // VerseID of the rows, in order
    } cases[] = {
        {single("Jn:3:16"), {"Jn:3:16"}},
        {single("Jn:3:1"), {"Jn:3:1"}},
        {single("jn:3:16"), {}},
        {single("Jn:3:016"), {}}, // the verse part as written in the link
        {single("1S:3:16"), {"1S:3:16"}},
        {single("Jn:45:79"), {}},
        {range("Jn:3"), {"Jn:3:1", "Jn:3:16", "Jn:3:160", "Jn:3:18", "Jn:3:17"}},
        {range("Jn:30"), {"Jn:30:1"}},
        {range("1Jn:3"), {"1Jn:3:16"}},
        {range("Jn:4"), {}},
    };
    for (auto &c : cases) {
        auto o = RunSql(dir.Folder(), c.sql);
        EXPECT_EQ(o.result, "") << c.sql;
        EXPECT_EQ(o.header, (std::vector<std::string>{"VerseID", "VerseText"})) << c.sql;
        std::vector<std::string> keys;
        for (auto &r : o.rows)
            keys.push_back(r[0]);
        EXPECT_EQ(keys, c.keys) << c.sql;
    }
    // A "<" ends the verse text there; a ">" stays in it.
    EXPECT_EQ(RunSql(dir.Folder(), single("Jn:3:18")).rows.at(0).at(1), "dieciocho: ");
    EXPECT_EQ(RunSql(dir.Folder(), single("Jn:3:16")).rows.at(0).at(1), "Porque > de tal manera");
}

} // namespace
