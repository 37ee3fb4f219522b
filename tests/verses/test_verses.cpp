// The verse lookup without Qt: references taken apart, the statements they
// give, the reasons a lookup fails, and the balloon's lines in UTF-8.
#include "verses/lookup.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

using verses::Failure;

const std::string kNotFound = "La referencia bíblica no existe !";

std::string sampleFolder()
{
    return std::string(QUENLOR_TEST_DATA) + "/";
}

TEST(VerseReference, PartsRangesAndTheirFaults)
{
    struct Case {
        const char *link;
        std::optional<Failure> failure;
        std::string versePart;           // when parsed
        std::optional<std::pair<int, int>> range;
        std::string detail;              // when failed
    } cases[] = {
        {"Jn:3:16", {}, "16", {}, ""},
        {"Jn:3:016", {}, "016", {}, ""}, // a single verse stays as written
        {"Jn:3:16-18", {}, "16-18", std::make_pair(16, 18), ""},
        {"Jn:3:016-018", {}, "016-018", std::make_pair(16, 18), ""},
        {"Jn:3:18-16", {}, "18-16", std::make_pair(18, 16), ""}, // reversed: kept, found empty later
        {"Jn:3:16-17-18", {}, "16-17-18", std::make_pair(16, 17), ""},
        {"Jn:3:16--18", {}, "16--18", std::make_pair(16, 18), ""}, // empty pieces dropped
        {"::Jn:3:16", {}, "16", {}, ""},
        {"Jn:3", Failure::NotAReference, "", {}, "2 parts instead of book:chapter:verse"},
        {"Jn::16", Failure::NotAReference, "", {}, "2 parts instead of book:chapter:verse"},
        {"Jn:3:16:1", Failure::NotAReference, "", {}, "4 parts instead of book:chapter:verse"},
        {"", Failure::NotAReference, "", {}, "0 parts instead of book:chapter:verse"},
        {"Jn:3:16-", Failure::BadRange, "", {}, "16-"},
        {"Jn:3:-18", Failure::BadRange, "", {}, "-18"},
        {"Jn:3:a-b", Failure::BadRange, "", {}, "a-b"},
        {"Jn:3:16-99999999999", Failure::BadRange, "", {}, "16-99999999999"},
        {"Jn:3:16\" or 1", Failure::UnsafeText, "", {}, "'\"'"},
        {"Jn:3:16#", Failure::UnsafeText, "", {}, "'#'"},
        {"Jn:3;x:16", Failure::UnsafeText, "", {}, "';'"},
        {"Jn:3:16\n", Failure::UnsafeText, "", {}, "control character 0x0A"},
        {"Jn:3:16-a;", Failure::UnsafeText, "", {}, "';'"}, // unsafe before a bad range
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.link);
        const auto parsed = verses::parseReference(c.link);
        if (!c.failure) {
            ASSERT_TRUE(std::holds_alternative<verses::Reference>(parsed));
            const auto &ref = std::get<verses::Reference>(parsed);
            EXPECT_EQ(ref.versePart, c.versePart);
            EXPECT_EQ(ref.range, c.range);
        } else {
            ASSERT_TRUE(std::holds_alternative<verses::LookupError>(parsed));
            const auto &error = std::get<verses::LookupError>(parsed);
            EXPECT_EQ(error.kind, *c.failure);
            EXPECT_EQ(error.detail, c.detail);
            EXPECT_EQ(error.reference, c.link);
        }
    }
}

TEST(VerseReference, WholeNumbersAsTheRuntimeTakesThem)
{
    EXPECT_EQ(verses::toWholeNumber("  016"), 16);
    EXPECT_EQ(verses::toWholeNumber("+7"), 7);
    EXPECT_EQ(verses::toWholeNumber("-2147483648"), INT_MIN);
    EXPECT_EQ(verses::toWholeNumber("2147483647"), INT_MAX);
    for (const char *bad : {"", " ", "+", "2147483648", "-2147483649", "16 ", "1x", "0x10"})
        EXPECT_EQ(verses::toWholeNumber(bad), std::nullopt) << bad;
}

TEST(VersePassage, ErrorsSayWhichReferenceAndWhy)
{
    struct Case {
        const char *link;
        std::string title;
        std::optional<Failure> failure;
        std::string message; // empty: verses found
    } cases[] = {
        {"Jn:3:16", "Jn 3:16", {}, ""},
        {"Jn:3:99", "Jn 3:99", Failure::NoSuchVerse, "Jn:3:99: no verse with the key Jn:3:99 in the table"},
        {"Jn:3:18-16", "Jn 3:18..16", Failure::EmptyRange, "Jn:3:18-16: no verse of the chapter lies in 18..16"},
        {"Jn:3:90-99", "Jn 3:90..99", Failure::EmptyRange, "Jn:3:90-99: no verse of the chapter lies in 90..99"},
        {"Jn:3", "Jn:3", Failure::NotAReference, "Jn:3: not a verse reference (2 parts instead of book:chapter:verse)"},
        {"Jn:3:a-b", "Jn 3:a-b", Failure::BadRange, "Jn:3:a-b: the range \"a-b\" is not two whole numbers"},
        {"Jn:3:16#", "Jn 3:16#", Failure::UnsafeText, "Jn:3:16#: the reference contains '#', which no verse key has"},
        // The table is ISO-8859-1; titles and reasons are UTF-8.
        {"G\xE9n:1:1", "Gén 1:1", Failure::NoSuchVerse, "Gén:1:1: no verse with the key Gén:1:1 in the table"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.link);
        xmlsql::TXmlSqlDb db;
        db.SetDataBase(sampleFolder());
        const verses::Passage got = verses::lookup(db, c.link);
        EXPECT_EQ(got.title, c.title);
        if (!c.failure) {
            EXPECT_FALSE(got.error);
            EXPECT_FALSE(got.lines.empty());
            continue;
        }
        ASSERT_TRUE(got.error);
        EXPECT_EQ(got.error->kind, *c.failure);
        EXPECT_EQ(got.error->message(), c.message);
        EXPECT_EQ(got.lines, std::vector<std::string>{kNotFound});
    }
}

TEST(VersePassage, LinesAreUtf8AndWrappedByCharacters)
{
    xmlsql::TXmlSqlDb db;
    db.SetDataBase(sampleFolder());
    const verses::Passage got = verses::lookup(db, "Jn:3:16");
    EXPECT_EQ(got.lines, (std::vector<std::string>{"\xE2\x80\xA2 16. Porque de tal manera amó Dios al mundo, que ha dado á su ",
                                                   "Hijo unigénito, para que todo aquel que en él cree, no se pierda, ",
                                                   "mas tenga vida eterna."}));

    // 60 characters but more bytes stay one line; the cut counts characters.
    const std::string sixtyAccents = [] {
        std::string s;
        for (int i = 0; i < 30; ++i)
            s += "é ";
        return s;
    }();
    std::vector<std::string> lines;
    verses::addWrappedLine(lines, sixtyAccents);
    EXPECT_EQ(lines, std::vector<std::string>{sixtyAccents});
    lines.clear();
    // The blank is character 60 (byte 61): not yet a place to cut.
    verses::addWrappedLine(lines, std::string(58, 'a') + "ñ bc");
    EXPECT_EQ(lines, (std::vector<std::string>{std::string(58, 'a') + "ñ bc"}));
    lines.clear();
    verses::addWrappedLine(lines, std::string(59, 'a') + "ñ bc");
    EXPECT_EQ(lines, (std::vector<std::string>{std::string(59, 'a') + "ñ ", "bc"}));
}

TEST(VersePassage, ShownLinesTrimTheEndsOnly)
{
    EXPECT_EQ(verses::shownLines({}), std::vector<std::string>{});
    EXPECT_EQ(verses::shownLines({"", " \t"}), std::vector<std::string>{});
    EXPECT_EQ(verses::shownLines({"  uno", "dos  ", ""}), (std::vector<std::string>{"uno", "dos"}));
    EXPECT_EQ(verses::shownLines({"\tuno", " dos "}), (std::vector<std::string>{"uno", " dos"}));
    EXPECT_EQ(verses::shownLines({"a", "", "b"}), (std::vector<std::string>{"a", "", "b"}));
}

class VerseTableFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = std::filesystem::temp_directory_path() / ("quenlor-verses-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string folder() const { return dir.string() + "/"; }
    verses::Passage lookup(const char *link)
    {
        xmlsql::TXmlSqlDb db;
        db.SetDataBase(folder());
        return verses::lookup(db, link);
    }
    std::filesystem::path dir;
};

TEST_F(VerseTableFolder, TableErrorsNameTheFolderOrTheFileAndTheStoresReason)
{
    verses::Passage got = lookup("Jn:3:16");
    ASSERT_TRUE(got.tableMissing());
    EXPECT_EQ(got.error->detail, folder());
    EXPECT_TRUE(got.title.empty() && got.lines.empty());
    // Not a reference is told before the table is looked for.
    EXPECT_EQ(lookup("Jn").error->kind, Failure::NotAReference);

    std::ofstream(dir / "rv1960.XML", std::ios::binary) << "<?xml version='1.0'?>\n<table fields=\"VerseID\">\n";
    got = lookup("Jn:3:16-18");
    ASSERT_TRUE(got.tableDamaged());
    EXPECT_EQ(got.tablePath, folder() + "rv1960.XML");
    EXPECT_EQ(got.error->detail.rfind(folder() + "rv1960.XML: ", 0), 0u) << got.error->detail;
    EXPECT_GT(got.error->detail.size(), (folder() + "rv1960.XML: ").size()) << "a reason follows the path";
    EXPECT_TRUE(got.title.empty() && got.lines.empty());
    EXPECT_NE(verses::damagedTableMessage(got.tablePath).find("dañada"), std::string::npos);
    EXPECT_NE(verses::missingTableMessage(folder()).find(folder()), std::string::npos);
}

TEST_F(VerseTableFolder, DamagedKeyInTheChapterIsNamed)
{
    std::ofstream(dir / "RV1960.xml", std::ios::binary)
        << "<?xml version='1.0' encoding='ISO-8859-1'?>\n<table fields=\"VerseID,VerseText\" types=\"string,string\">\n"
           "\t<record>\n\t\t<field>Jn:3:16</field>\n\t\t<field>a</field>\n\t</record>\n"
           "\t<record>\n\t\t<field>Jn:3:x</field>\n\t\t<field>b</field>\n\t</record>\n</table>\n";
    const verses::Passage got = lookup("Jn:3:16-17");
    ASSERT_TRUE(got.error);
    EXPECT_EQ(got.error->kind, Failure::DamagedKey);
    EXPECT_EQ(got.error->detail, "Jn:3:x");
    EXPECT_EQ(got.lines, std::vector<std::string>{kNotFound});
    // The single lookup does not read the chapter and finds its verse.
    EXPECT_FALSE(lookup("Jn:3:16").error);
}

} // namespace
