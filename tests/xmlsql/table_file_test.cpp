// Table lines, record reading, line ends and finding a table file.
#include "store_fixture.h"
#include "xmlsql/store_failure.h"
#include "xmlsql/table_file.h"

using namespace xmlsql;
using storetest::TempDir;

namespace {

std::string Join(const std::vector<std::string> &v)
{
    std::string s;
    for (size_t i = 0; i < v.size(); ++i)
        s += (i ? "|" : "") + v[i];
    return s;
}

TEST(TableLine, ParseTable)
{
    struct Case {
        const char *line;
        const char *names, *upper, *types;
        bool hadLastId;
        int64_t lastId;
    } cases[] = {
        {"<table fields=\"VerseID,VerseText\" types=\"string,string\">", "VerseID|VerseText", "VERSEID|VERSETEXT",
         "string|string", false, -1},
        {"<table fields=\"ID,Name\" types=\"autoinc,string\" lastid=\"-1\">", "ID|Name", "ID|NAME", "autoinc|string",
         true, 0},
        {"<table fields=\"ID,Name\" types=\"autoinc,string\" lastid=\"4\">", "ID|Name", "ID|NAME", "autoinc|string",
         true, 5},
        // Indentation and letter case of the attribute names do not matter.
        {"\t  <TABLE FIELDS=\"a\" TYPES=\"integer\">", "a", "A", "integer", false, -1},
        // Two commas give an empty name; a trailing comma gives none.
        {"<table fields=\"a,,b,\" types=\"string\">", "a||b", "A||B", "string", false, -1},
        {"<table fields=\"\" types=\"\">", "", "", "", false, -1},
        {"<table>", "", "", "", false, -1},
        // A later word of the same kind replaces an earlier one.
        {"<table fields=\"a\" fields=\"b\">", "b", "B", "", false, -1},
        // Without a second quote the value is empty.
        {"<table fields=\"a,b types=\"x\">", "", "", "x", false, -1},
    };
    for (auto &c : cases) {
        TableHeader h;
        bool had = h.ParseTableHeader(c.line);
        EXPECT_EQ(had, c.hadLastId) << c.line;
        EXPECT_EQ(Join(h.FieldNames), c.names) << c.line;
        EXPECT_EQ(Join(h.UpperFieldNames), c.upper) << c.line;
        EXPECT_EQ(Join(h.FieldTypes), c.types) << c.line;
        EXPECT_EQ(h.LastId, c.lastId) << c.line;
    }
    for (const char *bad : {"<table fields=\"a\" types=\"autoinc\" lastid=\"x\">",
                            "<table lastid=\"\">", "<table lastid=\"9223372036854775807\">"}) {
        TableHeader h;
        EXPECT_THROW(h.ParseTableHeader(bad), StoreFailure) << bad;
    }
}

TEST(TableLine, BuildAndReadBack)
{
    TableHeader h;
    h.FieldNames = {"ID", "Name"};
    h.FieldTypes = {"autoinc", "string"};
    EXPECT_EQ(h.BuildTableHeader(), "<table fields=\"ID,Name\" types=\"autoinc,string\" lastid=\"-1\">");
    h.LastId = 12;
    EXPECT_EQ(h.BuildTableHeader(), "<table fields=\"ID,Name\" types=\"autoinc,string\" lastid=\"12\">");
    TableHeader back;
    EXPECT_TRUE(back.ParseTableHeader(h.BuildTableHeader()));
    EXPECT_EQ(back.FieldTypes, h.FieldTypes);
    EXPECT_EQ(back.LastId, 13);
    // Only lower-case "autoinc" brings the lastid attribute.
    h.FieldTypes = {"AUTOINC", "string"};
    EXPECT_EQ(h.BuildTableHeader(), "<table fields=\"ID,Name\" types=\"AUTOINC,string\">");
}

TEST(TableFile, Lines)
{
    struct Case {
        const char *text;
        const char *lines;
    } cases[] = {
        {"a\r\nb\nc", "a|b|c"},
        {"a\r\n\r\nb\r\n", "a||b"},
        {"a\rb\n", "a\rb"}, // a lone CR stays in the line
        {"", ""},
        {"\n", ""},
    };
    for (auto &c : cases) {
        LineReader in(c.text);
        std::vector<std::string> lines;
        std::string_view l;
        while (in.Next(l))
            lines.emplace_back(l);
        EXPECT_EQ(Join(lines), c.lines) << c.text;
    }
    // Ctrl-Z ends the file.
    TempDir dir;
    dir.Write("z.xml", std::string("one\r\ntwo\x1Athree\r\n"));
    FileBuffer f;
    ASSERT_TRUE(f.Load(dir.File("z.xml")));
    EXPECT_EQ(f.Text(), "one\r\ntwo");
    EXPECT_FALSE(f.Load(dir.File("missing.xml")));
    EXPECT_FALSE(f.Load(dir.Folder()));
}

TEST(TableFile, ReadRecord)
{
    struct Case {
        const char *after; // lines after the record line, LF-separated
        size_t columns;
        const char *values;
        size_t consumed; // lines, the record line included
    } cases[] = {
        {"\t\t<field>Jn:3:16</field>\n\t\t<field>Porque</field>\n\t</record>\n", 2, "Jn:3:16|Porque", 4},
        {"\t\t<field>a>b</field>\n\t</record>\n", 1, "a>b", 3},
        {"\t\t<field>a<b</field>\n\t</record>\n", 1, "a", 3},
        {"\t\t<field> blanks kept </field>\n\t</record>\n", 1, " blanks kept ", 3},
        // An early record end gives the remaining columns its (empty) value.
        {"\t\t<field>first</field>\n\t</record>\n\t<record>\n", 3, "first||", 3},
        {"\t</record>\n", 2, "|", 2},
        // A field line without "<" after its first ">" is empty; so is one without ">".
        {"\t\t<field>open\n\t\tplain\n\t</record>\n", 2, "|", 4},
        // The end tag on the field line itself: every column takes that line's value.
        {"<field>x</field></record>\n<field>y</field>\n", 3, "x|x|x", 2},
        // Element names play no part.
        {"<v>1</v>\n<w>2</w>\n</RECORD>\n", 2, "1|2", 4},
        // Past the end of the file the values are empty and nothing more is consumed.
        {"\t\t<field>only</field>\n", 3, "only||", 2},
        {"", 2, "|", 1},
        // No columns: the line after the record line is still consumed.
        {"\t</record>\nnext\n", 0, "", 2},
    };
    for (auto &c : cases) {
        std::string text = std::string("\t<record>\n") + c.after;
        LineReader in(text);
        std::string_view recordLine;
        in.Next(recordLine);
        Record rec;
        ReadRecord(in, recordLine, c.columns, rec);
        std::vector<std::string> values;
        for (size_t i = 0; i < rec.values.size(); ++i)
            values.emplace_back(rec.values[i]);
        EXPECT_EQ(Join(values), c.values) << c.after;
        LineReader raw(rec.raw);
        size_t consumed = 0;
        for (std::string_view l; raw.Next(l);)
            ++consumed;
        EXPECT_EQ(consumed, c.consumed) << c.after;
    }
}

TEST(TableFile, BlocksEndingInsideALine)
{
    // A block that ends inside a line or record leaves it for the next block.
    std::string text = "<table fields=\"a,b\">\n<record>\n<f>1</f>\n<f>2</f>\n</record>\n";
    for (size_t cut = 0; cut <= text.size(); ++cut) {
        bool final = cut == text.size();
        LineReader in(std::string_view(text).substr(0, cut), final);
        std::string_view line;
        size_t done = 0; // table line and whole records taken
        Record rec;
        while (in.Next(line)) {
            if (line == "<record>") {
                ReadRecord(in, line, 2, rec);
                if (in.Incomplete())
                    break;
                EXPECT_EQ(rec.values[1], "2");
            }
            ++done;
        }
        EXPECT_EQ(in.Incomplete(), !final) << cut;
        EXPECT_EQ(done, cut < 21 ? 0u : final ? 2u : 1u) << cut;
    }
}

TEST(TableFile, FindTableFile)
{
    TempDir dir;
    dir.Write("Rv1960.XML", "x");
    dir.Write("other.xml", "x");
    auto before = std::filesystem::current_path();
    EXPECT_EQ(FindTableFile(dir.Folder(), "RV1960.xml"), "Rv1960.XML");
    EXPECT_EQ(FindTableFile(dir.Folder(), "other.xml"), "other.xml");
    EXPECT_EQ(FindTableFile(dir.Folder(), "none.xml"), "");
    EXPECT_EQ(std::filesystem::current_path(), before); // the lookup leaves the current folder alone
    dir.Write("rv1960.xml", "x");
    EXPECT_EQ(FindTableFile(dir.Folder(), "rv1960.xml"), "rv1960.xml"); // an exact match first
    EXPECT_THROW(FindTableFile(dir.Folder() + "missing/", "a.xml"), StoreFailure);
}

} // namespace
