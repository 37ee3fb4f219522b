// The record set: moves, end flags, field objects, bookmarks and the log.
#include "store_fixture.h"
#include "xmlsql/log_file.h"

using namespace storetest;
using xmlsql::EDatabaseError;
using xmlsql::TXmlSqlDb;

namespace {

class RecordSet : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir.Write("T.xml", Crlf({"<?xml version='1.0' encoding='ISO-8859-1'?>",
                                 "<table fields=\"Id,Text\" types=\"integer,string\">", "\t<record>",
                                 "\t\t<field>1</field>", "\t\t<field>forty characters of text in one field!!!</field>",
                                 "\t</record>", "\t<record>", "\t\t<field>2</field>", "\t\t<field></field>",
                                 "\t</record>", "\t<record>", "\t\t<field>3</field>", "\t\t<field>c</field>",
                                 "\t</record>", "</table>"}));
        db.SetDataBase(dir.Folder());
    }
    void Open(const std::string &sql)
    {
        db.Close();
        db.SetSql(sql);
        db.Open();
    }
    std::string Id() { return db.FieldByName("id")->AsString(); }
    TempDir dir;
    TXmlSqlDb db;
};

TEST_F(RecordSet, Moves)
{
    Open("select * from T");
    EXPECT_TRUE(db.Active());
    EXPECT_EQ(db.RecordCount(), 3);
    // Each step: the move, then current id, RecNo, Bof, Eof.
    struct Step {
        char move; // F first, N next, P prior, L last, a digit sets RecNo
        const char *id;
        int recNo;
        bool bof, eof;
    } steps[] = {
        {'F', "1", 1, true, false}, {'N', "2", 2, false, false}, {'N', "3", 3, false, false},
        {'N', "3", 3, false, true}, {'P', "2", 2, false, false}, {'P', "1", 1, false, false},
        {'P', "1", 1, true, false}, {'L', "3", 3, false, true},  {'0', "1", 1, false, false},
        {'3', "3", 3, false, false}, {'4', "3", 3, false, false}, // out of range: ignored
        {'2', "2", 2, false, false},
    };
    for (auto &s : steps) {
        switch (s.move) {
        case 'F': db.First(); break;
        case 'N': db.Next(); break;
        case 'P': db.Prior(); break;
        case 'L': db.Last(); break;
        default: db.SetRecNo(s.move - '0');
        }
        EXPECT_EQ(Id(), s.id) << s.move;
        EXPECT_EQ(db.RecNo(), s.recNo) << s.move;
        EXPECT_EQ(db.Bof(), s.bof) << s.move;
        EXPECT_EQ(db.Eof(), s.eof) << s.move;
    }
    db.SetRecNo(db.RecordCount());
    EXPECT_EQ(Id(), "3");
}

TEST_F(RecordSet, FieldsAndBookmarks)
{
    Open("select * from T");
    auto *text = db.FieldByName("TEXT");
    EXPECT_EQ(text->FieldName(), "Text");
    EXPECT_EQ(text->FieldNo(), 2);
    EXPECT_EQ(text->Size(), 40);
    EXPECT_EQ(db.FieldByName("Id")->Size(), 2); // the name is longer than every value
    EXPECT_EQ(text->Value(), std::optional<std::string>("forty characters of text in one field!!!"));
    db.Next();
    EXPECT_EQ(text->AsString(), "");
    EXPECT_FALSE(text->Value().has_value());
    EXPECT_TRUE(text->IsNull());
    EXPECT_EQ(db.FieldValue("Id"), std::optional<std::string>("2"));

    int mark = db.GetBookmark();
    EXPECT_EQ(mark, 2);
    db.Last();
    db.GotoBookmark(mark);
    EXPECT_EQ(Id(), "2");
    EXPECT_THROW(db.GotoBookmark(99), EDatabaseError);

    // An edit changes the shown row only, until the next move.
    text->SetAsString("edited");
    EXPECT_EQ(text->AsString(), "edited");
    db.Next();
    db.Prior();
    EXPECT_EQ(text->AsString(), "");

    try {
        db.FieldByName("Nope");
        FAIL();
    } catch (const EDatabaseError &e) {
        EXPECT_STREQ(e.what(), "Field 'Nope' not found");
    }
    db.Name = "xmlBiblia";
    try {
        db.FieldByName("VerseText");
        FAIL();
    } catch (const EDatabaseError &e) {
        EXPECT_STREQ(e.what(), "xmlBiblia: Field 'VerseText' not found");
    }
    db.Close();
    EXPECT_FALSE(db.Active());
    try {
        db.Next();
        FAIL();
    } catch (const EDatabaseError &e) {
        EXPECT_STREQ(e.what(), "xmlBiblia: Cannot perform this operation on a closed dataset");
    }
    EXPECT_THROW(db.FieldByName("Id"), EDatabaseError);
}

TEST_F(RecordSet, EmptyResultsAndErrors)
{
    Open("select * from T where Id = 7");
    EXPECT_EQ(db.ResultText(), "");
    EXPECT_EQ(db.RecordCount(), 0);
    EXPECT_EQ(db.RecNo(), 0);
    db.First();
    EXPECT_TRUE(db.Eof());
    EXPECT_TRUE(db.Bof());
    EXPECT_EQ(db.FieldByName("Text")->AsString(), "");
    EXPECT_FALSE(db.FieldByName("Text")->Value().has_value());

    Open("select * from Missing");
    EXPECT_EQ(db.ResultText(), "Error: Unknown word in SQL expression");
    EXPECT_EQ(db.FieldCount(), 1);
    EXPECT_EQ(db.FieldByName("Result")->AsString(), "Error: Unknown word in SQL expression");
    // Close keeps ResultText; the next Open empties it first.
    db.Close();
    EXPECT_EQ(db.ResultText(), "Error: Unknown word in SQL expression");
    Open("select * from T");
    EXPECT_EQ(db.ResultText(), "");
    // Open on an open record set does nothing.
    db.SetSql("select * from Missing");
    db.Open();
    EXPECT_EQ(db.ResultText(), "");
    EXPECT_EQ(db.RecordCount(), 3);
}

// A failed run says which statement, at which word, and why; ResultText keeps
// the store's own message.
TEST_F(RecordSet, ErrorsNameStatementWordAndReason)
{
    const struct {
        const char *sql;
        const char *result; // ResultText
        const char *text;   // Error().Text()
    } cases[] = {
        {"select * from Missing", "Error: Unknown word in SQL expression",
         "statement 1, at \"Missing\": Error: Unknown word in SQL expression (no such table)"},
        {"select Id, Verso from T", "Error: in SELECT clause",
         "statement 1, at \"Verso\": Error: in SELECT clause (the table has no such column)"},
        {"select * from T where Nada = 1", "Error: Unknown field name in WHERE clause",
         "statement 1, at \"Nada\": Error: Unknown field name in WHERE clause (the table has no such column)"},
        {"select * from T; select Text from T order by Id", "Error: ORDER BY param is not correct",
         "statement 2, at \"Id\": Error: ORDER BY param is not correct (not one of the selected columns)"},
        {"frobnicate T", "Error: Unknown word in SQL expression",
         "statement 1, at \"frobnicate\": Error: Unknown word in SQL expression"},
        {"select", "Error: Unknown word in SQL expression",
         "statement 1, at \"SELECT\": Error: Unknown word in SQL expression (no such table)"},
        {"update T set", "Error: Finding table", "statement 1, at \"SET\": Error: Finding table (the statement ends too early)"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.sql);
        Open(c.sql);
        EXPECT_EQ(db.ResultText(), c.result);
        EXPECT_TRUE(db.Error().Failed());
        EXPECT_EQ(db.Error().Text(), c.text);
    }
    Open("select * from T");
    EXPECT_FALSE(db.Error().Failed());
}

TEST(Log, KeepsTheTenNewestLines)
{
    xmlsql::TLogFile log;
    for (int i = 1; i <= 11; ++i)
        log.LogError("Error " + std::to_string(i));
    ASSERT_EQ(log.Lines.size(), 10u);
    EXPECT_EQ(log.LastError, "Error 11");
    EXPECT_TRUE(log.Lines.front().ends_with(" Error 11"));
    EXPECT_TRUE(log.Lines.back().ends_with(" Error 2"));
    log.Add("Command finished succesfully");
    EXPECT_EQ(log.LastError, "Error 11");
}

} // namespace
