// INSERT, UPDATE, DELETE, CREATE TABLE and DROP TABLE: the result, the exact
// table file afterwards and its backup.
#include "store_fixture.h"

using namespace storetest;

namespace {

const char *kDecl = "<?xml version='1.0' encoding='ISO-8859-1'?>";

std::string People(int lastId, std::initializer_list<std::pair<const char *, const char *>> rows, bool closing = true)
{
    std::string s = Crlf({kDecl}) + "<table fields=\"Id,Name\" types=\"autoinc,string\" lastid=\"" +
                    std::to_string(lastId) + "\">\r\n";
    for (auto &[id, name] : rows)
        s += Crlf({"\t<record>", ("\t\t<field>" + std::string(id) + "</field>").c_str(),
                   ("\t\t<field>" + std::string(name) + "</field>").c_str(), "\t</record>"});
    return closing ? s + "</table>\r\n" : s;
}

std::string Pairs(std::initializer_list<std::pair<const char *, const char *>> rows)
{
    std::string s = Crlf({kDecl, "<table fields=\"A,B\" types=\"string,string\">"});
    for (auto &[a, b] : rows)
        s += Crlf({"\t<record>", ("\t\t<field>" + std::string(a) + "</field>").c_str(),
                   ("\t\t<field>" + std::string(b) + "</field>").c_str(), "\t</record>"});
    return s + "</table>\r\n";
}

TEST(Changes, Statements)
{
    const std::string ok = "Command finished succesfully";
    struct Case {
        const char *sql;
        std::string before; // T.xml before ("" for none)
        std::string result; // the one Result cell ("" when the run ends without result)
        std::string resultText;
        std::string after; // T.xml afterwards ("" for none)
        bool backup;       // T.xml.bak holds `before`
    } cases[] = {
        // INSERT takes the autoinc id from lastid; the list's 1 is not used.
        {"insert into T values(1,\"Ann\")", People(4, {{"4", "Bea"}}), "5", "", People(5, {{"4", "Bea"}, {"5", "Ann"}}), true},
        {"INSERT INTO T (Name) VALUES (\"Ann\")", People(5, {}), "6", "", People(6, {{"6", "Ann"}}), true},
        {"insert into T (name, nope) values ('x y', 'z')", People(-1, {}), "0", "", People(0, {{"0", "x y"}}), true},
        {"insert into T values(1)", People(0, {}), "1", "Error: Definition of values", People(1, {{"1", ""}}), true},
        {"insert into T values(1,\"A\")", People(0, {}, false), "1", "", People(1, {}, false), true}, // no closing line
        // One INSERT adds one row, before the first closing line only.
        {"insert into T values(\"a\",\"b\")", Pairs({}) + "</table>\r\n", ok, "", Pairs({{"a", "b"}}) + "</table>\r\n", true},
        {"insert into T values(\"a\",\"b\")", Pairs({}), ok, "", Pairs({{"a", "b"}}), true},
        {"insert into T values(\"a\")", Pairs({}), "Error: Definition of values", "Error: Definition of values",
         Pairs({{"a", ""}}), true},
        {"insert into T (B,A) values (1,2,3)", Pairs({}), ok, "", Pairs({{"3", "1"}}), true},
        // A failed INSERT ends the run and leaves the table as it was.
        {"insert into Missing values(1)", "", "", "", "", false},
        {"insert into T values(1)", Crlf({kDecl, "<table fields=\"Id\" types=\"autoinc\" lastid=\"x\">", "</table>"}), "",
         "", Crlf({kDecl, "<table fields=\"Id\" types=\"autoinc\" lastid=\"x\">", "</table>"}), true},
        {"insert into T values(1)", Crlf({kDecl, "<table fields=\"Id\">", "</table>"}), "", "",
         Crlf({kDecl, "<table fields=\"Id\">", "</table>"}), true},
        // UPDATE rewrites matching records afresh and copies the rest as read.
        {"update T set Name = \"Bob\" where Id = 5", People(5, {{"4", "Al"}, {"5", "Ann"}}), ok, "",
         People(5, {{"4", "Al"}, {"5", "Bob"}}), true},
        {"update T set Name = 'Bob'", People(5, {{"4", "Al"}, {"5", "Ann"}}), ok, "", People(5, {{"4", "Bob"}, {"5", "Bob"}}), true},
        {"update T set Xa = \"new\" where Yb = \"2\"",
         Crlf({kDecl, "<table fields=\"Xa,Yb\" types=\"string,string\">", "  <record>", "<x>1</x>", "<y>2</y>", "</RECORD>",
               "<record>", "<x>3</x>", "<y>4</y>", "</record>", "</table>"}),
         ok, "", Crlf({kDecl, "<table fields=\"Xa,Yb\" types=\"string,string\">", "\t<record>", "\t\t<field>new</field>",
                       "\t\t<field>2</field>", "\t</record>", "<record>", "<x>3</x>", "<y>4</y>", "</record>", "</table>"}),
         true},
        {"update T set Nope = 1", People(5, {{"4", "Al"}}), "Error: Finding table", "Error: Finding table",
         People(5, {{"4", "Al"}}), true},
        {"update T set Name = 1 where Nope = 2", People(5, {{"4", "Al"}}), "Error: Unknown field name in WHERE clause",
         "Error: Unknown field name in WHERE clause", People(5, {{"4", "Al"}}), true},
        {"update Missing set Name = 1", "", "Error: Finding table", "Error: Finding table", "", false},
        // DELETE leaves out matching records.
        {"delete from T where Id = 4", People(5, {{"4", "Al"}, {"5", "Ann"}}), ok, "", People(5, {{"5", "Ann"}}), true},
        {"delete from T", People(5, {{"4", "Al"}, {"5", "Ann"}}), ok, "", People(5, {}), true},
        {"delete from T where Id > \"x\"", People(5, {{"4", "Al"}}), "Error: in WHERE clause", "Error: in WHERE clause",
         People(5, {{"4", "Al"}}), true},
        {"delete from Missing", "", "Error: Finding table", "Error: Finding table", "", false},
        // CREATE TABLE.
        {"create table T (ID int auto_increment, Name varchar(20))", "", ok, "",
         Crlf({kDecl, "<table fields=\"ID,Name\" types=\"autoinc,string\" lastid=\"-1\">", "</table>"}), false},
        {"CREATE TABLE T (Id INT AUTO_INCREMENT, Name VARCHAR(20), Born TIMESTAMP, Price DOUBLE)", "", ok, "",
         Crlf({kDecl, "<table fields=\"Id,Name,Born,Price\" types=\"autoinc,string,datetime,float\" lastid=\"-1\">",
               "</table>"}),
         false},
        {"create table T (Id INT PRIMARY KEY, Name TEXT)", "", ok, "",
         Crlf({kDecl, "<table fields=\"Id\" types=\"integer\">", "</table>"}), false},
        {"create table T (P DECIMAL(10,2), Q SMALLINT, R real, S blob)", "", ok, "",
         Crlf({kDecl, "<table fields=\"P,Q,R,S\" types=\"float,integer,float,string\">", "</table>"}), false},
        {"create table T (Id int)", People(0, {}), "Error: Existing table", "Error: Existing table", People(0, {}), false},
        {"create table T (Id, Name int)", "", "Error: Finding table", "Error: Finding table", "", false},
        {"create table T", "", "Error: Finding table", "Error: Finding table", "", false},
        // DROP TABLE turns the table file into its backup.
        {"drop table T", People(0, {}), ok, "", "", true},
        {"drop table T", "", "Error: Table not exists", "Error: Table not exists", "", false},
    };
    for (auto &c : cases) {
        TempDir dir;
        dir.Write("T.xml.bak", "older backup");
        if (!c.before.empty())
            dir.Write("T.xml", c.before);
        auto o = RunSql(dir.Folder(), c.sql);
        if (c.result.empty()) {
            EXPECT_TRUE(o.header.empty()) << c.sql;
        } else {
            EXPECT_EQ(o.header, std::vector<std::string>{"Result"}) << c.sql;
            EXPECT_EQ(o.rows, (std::vector<std::vector<std::string>>{{c.result}})) << c.sql;
        }
        EXPECT_EQ(o.result, c.resultText) << c.sql;
        if (c.after.empty())
            EXPECT_FALSE(dir.Exists("T.xml")) << c.sql;
        else
            EXPECT_EQ(dir.Read("T.xml"), c.after) << c.sql;
        EXPECT_EQ(dir.Read("T.xml.bak"), c.backup ? c.before : std::string("older backup")) << c.sql;
        EXPECT_FALSE(dir.Exists("T.xml.tmp")) << c.sql;
    }
}

TEST(Changes, OddLayouts)
{
    // Files the store did not write itself: LF line ends, other lines between
    // records, other element names, records that end early. Lines that are not
    // records are copied, matching records are written afresh, and every line
    // is written back with CR LF.
    const std::string head = std::string(kDecl) + "\n<!-- note -->\n<table fields=\"Id,Name\" types=\"integer,string\">\n\n";
    const std::string headCrlf = Crlf({kDecl, "<!-- note -->", "<table fields=\"Id,Name\" types=\"integer,string\">", ""});
    const std::string one = "<record>\n<f>1</f>\n<f>a>b</f>\n</record>\n";
    const std::string oneCrlf = Crlf({"<record>", "<f>1</f>", "<f>a>b</f>", "</record>"});
    const std::string shortRec = "<record>\n<f>2</f>\n</record>\n";         // Name missing
    const std::string endOnField = "<record>\n<f>3</f></record>\n";         // both columns read 3
    const std::string tail = "  </TABLE>\n\x1A" "after the end of the file";
    const std::string before = head + one + shortRec + endOnField + tail;
    const std::string ok = "Command finished succesfully";
    struct Case {
        const char *sql;
        std::string after;
    } cases[] = {
        {"delete from T where Id = 2", headCrlf + oneCrlf + Crlf({"<record>", "<f>3</f></record>", "  </TABLE>"})},
        {"update T set Name = \"z\" where Id = 2",
         headCrlf + oneCrlf + Crlf({"\t<record>", "\t\t<field>2</field>", "\t\t<field>z</field>", "\t</record>",
                                   "<record>", "<f>3</f></record>", "  </TABLE>"})},
        {"update T set Id = 9 where Name = 3",
         headCrlf + oneCrlf + Crlf({"<record>", "<f>2</f>", "</record>", "\t<record>", "\t\t<field>9</field>",
                                   "\t\t<field>3</field>", "\t</record>", "  </TABLE>"})},
        {"update T set Name = 'x' where Name = \"a>b\"",
         headCrlf + Crlf({"\t<record>", "\t\t<field>1</field>", "\t\t<field>x</field>", "\t</record>", "<record>",
                          "<f>2</f>", "</record>", "<record>", "<f>3</f></record>", "  </TABLE>"})},
        {"insert into T values (4,\"d\")",
         headCrlf + oneCrlf + Crlf({"<record>", "<f>2</f>", "</record>", "<record>", "<f>3</f></record>", "\t<record>",
                                   "\t\t<field>4</field>", "\t\t<field>d</field>", "\t</record>", "  </TABLE>"})},
    };
    for (auto &c : cases) {
        TempDir dir;
        dir.Write("T.xml", before);
        auto o = RunSql(dir.Folder(), c.sql);
        EXPECT_EQ(o.result, "") << c.sql;
        EXPECT_EQ(o.rows, (std::vector<std::vector<std::string>>{{ok}})) << c.sql;
        EXPECT_EQ(dir.Read("T.xml"), c.after) << c.sql;
        EXPECT_EQ(dir.Read("T.xml.bak"), before) << c.sql;
    }
}

TEST(Changes, RoundTrip)
{
    // The edge case of a fresh autoinc table: create, insert twice, read back.
    TempDir dir;
    EXPECT_EQ(RunSql(dir.Folder(), "create table People (ID int auto_increment, Name varchar(20))").result, "");
    EXPECT_EQ(RunSql(dir.Folder(), "insert into people (Name) values (\"Ann\")").rows[0][0], "0");
    EXPECT_EQ(RunSql(dir.Folder(), "insert into PEOPLE (Name) values (\"Bob Roe\")").rows[0][0], "1");
    auto o = RunSql(dir.Folder(), "select * from People order by Name");
    EXPECT_EQ(o.rows, (std::vector<std::vector<std::string>>{{"0", "Ann"}, {"1", "Bob Roe"}}));
    EXPECT_EQ(dir.Read("People.xml"),
              Crlf({kDecl, "<table fields=\"ID,Name\" types=\"autoinc,string\" lastid=\"1\">", "\t<record>",
                    "\t\t<field>0</field>", "\t\t<field>Ann</field>", "\t</record>", "\t<record>", "\t\t<field>1</field>",
                    "\t\t<field>Bob Roe</field>", "\t</record>", "</table>"}));
    EXPECT_EQ(RunSql(dir.Folder(), "drop table People").result, "");
    EXPECT_FALSE(dir.Exists("People.xml"));
    EXPECT_TRUE(dir.Exists("People.xml.bak"));
}

TEST(Changes, BackupInTheWay)
{
    // A folder where the backup should go: no statement can make its backup,
    // and each says so (INSERT ends the run) and leaves the table alone.
    struct Case {
        const char *sql;
        std::string resultText;
        bool hasResult;
    } cases[] = {
        {"drop table T", "Error: Finding table", true},
        {"delete from T", "Error: Finding table", true},
        {"update T set Name = 1", "Error: Finding table", true},
        {"insert into T values(1,2)", "", false},
    };
    for (auto &c : cases) {
        TempDir dir;
        dir.Write("T.xml", People(0, {{"0", "Al"}}));
        std::filesystem::create_directory(dir.File("T.xml.bak"));
        dir.Write("T.xml.bak/keep", "x");
        auto o = RunSql(dir.Folder(), c.sql);
        EXPECT_EQ(o.result, c.resultText) << c.sql;
        EXPECT_EQ(o.header.size(), c.hasResult ? 1u : 0u) << c.sql;
        EXPECT_EQ(dir.Read("T.xml"), People(0, {{"0", "Al"}})) << c.sql;
    }
}

TEST(Changes, ReadOnlyFolderKeepsTheTable)
{
    // The new content cannot be written: the table file stays as it was.
    TempDir dir;
    dir.Write("T.xml", People(0, {{"0", "Al"}}));
    std::filesystem::permissions(dir.Folder(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    auto o = RunSql(dir.Folder(), "delete from T");
    std::filesystem::permissions(dir.Folder(), std::filesystem::perms::owner_all);
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind the superuser";
    EXPECT_EQ(o.result, "Error: Finding table");
    EXPECT_EQ(dir.Read("T.xml"), People(0, {{"0", "Al"}}));
}

} // namespace
