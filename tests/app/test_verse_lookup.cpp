#include "app/verse_lookup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <unistd.h>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

namespace {

const QString kNotFound = QStringLiteral("La referencia bíblica no existe !");
const QString kJn316 = QStringLiteral("Porque de tal manera amó Dios al mundo, que ha dado á su Hijo unigénito, para que "
                                      "todo aquel que en él cree, no se pierda, mas tenga vida eterna.");

std::string dataDir()
{
    return std::string(QUENLOR_TEST_DATA) + "/";
}

QString bullet(const QString &n, const QString &text)
{
    return QString(QChar(0x2022)) + " " + n + ". " + text;
}

// The lines joined back: wrapping only cuts after blanks, so joining restores
// the built line.
QStringList joinedVerses(const QStringList &lines)
{
    QStringList out;
    for (const QString &l : lines) {
        if (l.startsWith(QChar(0x2022)) || out.isEmpty())
            out << l;
        else
            out.last() += l;
    }
    return out;
}

struct Lookup {
    VerseLookup result;
    std::string sql;
};

Lookup lookup(const std::string &link, const std::string &folder = dataDir())
{
    xmlsql::TXmlSqlDb db;
    db.SetDataBase(folder);
    TBrkApart splitter;
    Lookup out{LookupVerses(db, splitter, link), db.Sql()};
    return out;
}

TEST(VerseLookup, WrapsAfterTheFirstBlankPastSixty)
{
    // 130 characters whose only blanks after position 60 are at 63 and 125.
    QString l130(130, QLatin1Char('x'));
    l130[9] = l130[62] = l130[124] = QLatin1Char(' ');
    QString l80(80, QLatin1Char('y'));
    l80[20] = QLatin1Char(' ');
    QString l61 = QString(60, QLatin1Char('z')) + QLatin1Char(' ');
    struct Case {
        const char *what;
        QString line;
        QStringList expected;
    } cases[] = {
        {"130 chars, blanks at 63 and 125", l130, {l130.left(63), l130.mid(63, 62), l130.mid(125)}},
        {"80 chars, no blank after 60", l80, {l80}},
        {"exactly 60 chars stay whole", QString(60, QLatin1Char('a')), {QString(60, QLatin1Char('a'))}},
        {"blank at 61 ends the first line", l61 + "b", {l61, "b"}},
        {"trailing blank at 61 leaves an empty last line", l61, {l61, ""}},
        {"empty line", "", {""}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QStringList lines{"before"};
        addWrappedLine(lines, c.line);
        EXPECT_EQ(lines, QStringList{"before"} + c.expected);
    }
}

TEST(VerseLookup, SampleTable)
{
    const QString j17 = QStringLiteral("Porque no envió Dios á su Hijo al mundo para que condene al mundo, mas para que el "
                                       "mundo sea salvo por él.");
    const QString j18 = QStringLiteral("El que en él cree, no es condenado; mas el que no cree, ya es condenado, porque "
                                       "no creyó en el nombre del unigénito Hijo de Dios.");
    struct Case {
        std::string link;
        std::string sql; // empty: no statement was run
        QString title;
        QStringList verses;
    } cases[] = {
        {"Jn:3:16", "select * from RV1960 where VerseID = \"Jn:3:16\"", "Jn 3:16", {bullet("16", kJn316)}},
        {"Jn:3:16-18", "select * from RV1960 where VerseID like \"Jn:3:%\"", "Jn 3:16..18",
         {bullet("16", kJn316), bullet("17", j17), bullet("18", j18)}},
        {"Jn:3:016-18", "select * from RV1960 where VerseID like \"Jn:3:%\"", "Jn 3:16..18",
         {bullet("16", kJn316), bullet("17", j17), bullet("18", j18)}},
        {"Jn:3:18-16", "select * from RV1960 where VerseID like \"Jn:3:%\"", "Jn 3:18..16", {kNotFound}},
        {"Jn:3:16-16", "select * from RV1960 where VerseID like \"Jn:3:%\"", "Jn 3:16..16", {bullet("16", kJn316)}},
        // The single lookup keeps the verse as written: 016 is no key, so no verse.
        {"Jn:3:016", "select * from RV1960 where VerseID = \"Jn:3:016\"", "Jn 3:016", {kNotFound}},
        {"jn:3:16", "select * from RV1960 where VerseID = \"jn:3:16\"", "jn 3:16", {kNotFound}},
        {"Jn:3:99", "select * from RV1960 where VerseID = \"Jn:3:99\"", "Jn 3:99", {kNotFound}},
        {"Sal:23:1", "select * from RV1960 where VerseID = \"Sal:23:1\"", "Sal 23:1",
         {bullet("1", QStringLiteral("Salmo de David. JEHOVÁ es mi pastor; nada me faltará."))}},
        // Not three parts: nothing is asked; the title names the link.
        {"Jn:3", "", "Jn:3", {kNotFound}},
        {"Jn:3:16:1", "", "Jn:3:16:1", {kNotFound}},
        {"Jn::16", "", "Jn::16", {kNotFound}},
        {"", "", "", {kNotFound}},
        // Ranges that are not two whole numbers.
        {"Jn:3:16-", "", "Jn 3:16-", {kNotFound}},
        {"Jn:3:-18", "", "Jn 3:-18", {kNotFound}},
        {"Jn:3:a-b", "", "Jn 3:a-b", {kNotFound}},
        {"Jn:3:16-99999999999", "", "Jn 3:16-99999999999", {kNotFound}},
        // Texts that would change the statement never reach it.
        {"Jn:3:16\" or VerseID like \"%", "", "Jn 3:16\" or VerseID like \"%", {kNotFound}},
        {"Jn\":3:16-18", "", "Jn\" 3:16-18", {kNotFound}},
        {"Jn:3:16#", "", "Jn 3:16#", {kNotFound}},
        {"Jn:3;drop table RV1960:16", "", "Jn 3;drop table RV1960:16", {kNotFound}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.link);
        const Lookup got = lookup(c.link);
        EXPECT_FALSE(got.result.tableMissing);
        EXPECT_EQ(got.sql, c.sql);
        EXPECT_EQ(got.result.title, c.title);
        EXPECT_EQ(joinedVerses(got.result.lines), c.verses);
        // A line continued on the next is a cut one: past 60 and ending in the blank.
        const QStringList &lines = got.result.lines;
        for (qsizetype i = 0; i + 1 < lines.size(); ++i)
            if (!lines[i + 1].startsWith(QChar(0x2022))) {
                EXPECT_TRUE(lines[i].size() > 60 && lines[i].endsWith(' ')) << lines[i].toStdString();
            }
    }
}

TEST(VerseLookup, Jn316IsWrappedIntoThreeLines)
{
    const Lookup got = lookup("Jn:3:16");
    EXPECT_EQ(got.result.lines, (QStringList{bullet("16", "Porque de tal manera amó Dios al mundo, que ha dado á su "),
                                             "Hijo unigénito, para que todo aquel que en él cree, no se pierda, ",
                                             "mas tenga vida eterna."}));
}

class TempTable : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = std::filesystem::temp_directory_path() / ("quenlor-verse-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    void write(const std::string &name, const std::vector<std::pair<std::string, std::string>> &rows)
    {
        std::ofstream f(dir / name, std::ios::binary);
        f << "<?xml version='1.0' encoding='ISO-8859-1'?>\n<table fields=\"VerseID,VerseText\" types=\"string,string\">\n";
        for (const auto &[id, text] : rows)
            f << "\t<record>\n\t\t<field>" << id << "</field>\n\t\t<field>" << text << "</field>\n\t</record>\n";
        f << "</table>\n";
    }
    std::string folder() const { return dir.string() + "/"; }
    std::filesystem::path dir;
};

TEST_F(TempTable, DamagedKeyShowsNotFound)
{
    write("RV1960.xml", {{"Jn:3:16", "a"}, {"Jn:3:x", "b"}, {"Jn:3:17", "c"}});
    const Lookup got = lookup("Jn:3:16-17", folder());
    EXPECT_EQ(got.result.title, "Jn 3:16..17");
    EXPECT_EQ(got.result.lines, QStringList{kNotFound});
}

TEST_F(TempTable, RowsInTableOrderAndLatin1Text)
{
    // The table is ISO-8859-1: "\xE9" is é.
    write("rv1960.XML", {{"Jn:3:18", "tres"}, {"Jn:3:16", "uno \xE9"}, {"Jn:3:20", "fuera"}, {"Jn:4:17", "otro"}});
    const Lookup got = lookup("Jn:3:16-19", folder());
    EXPECT_EQ(got.result.lines, (QStringList{bullet("18", "tres"), bullet("16", QStringLiteral("uno é"))}));
}

TEST_F(TempTable, MissingTableIsReportedWithTheFolder)
{
    for (const char *link : {"Jn:3:16", "Jn:3:16-18"}) {
        SCOPED_TRACE(link);
        const Lookup got = lookup(link, folder());
        EXPECT_TRUE(got.result.tableMissing);
        EXPECT_TRUE(got.result.lines.isEmpty());
        EXPECT_TRUE(got.sql.empty());
    }
    EXPECT_TRUE(lookup("Jn:3:16", folder() + "no-such/").result.tableMissing);
    EXPECT_TRUE(lookup("Jn:3:16", "").result.tableMissing);
    const QString message = missingTableMessage(folder());
    EXPECT_TRUE(message.contains(QString::fromStdString(folder())));
    EXPECT_TRUE(message.contains("RV1960.xml"));
}

} // namespace

namespace {

TEST_F(TempTable, DamagedTableIsNamedWithItsPath)
{
    // The file is there but is not a table any more: not "missing", not an
    // empty balloon, but a damaged table with the file's path.
    for (const char *content : {"", "<?xml version='1.0'?>\n<table fields=\"VerseID\">\n\t<record>", "basura \x01\x02"}) {
        SCOPED_TRACE(content);
        std::ofstream(dir / "RV1960.xml", std::ios::binary | std::ios::trunc) << content;
        for (const char *link : {"Jn:3:16", "Jn:3:16-18"}) {
            const Lookup got = lookup(link, folder());
            EXPECT_FALSE(got.result.tableMissing);
            EXPECT_TRUE(got.result.tableDamaged) << link;
            EXPECT_EQ(got.result.tablePath, folder() + "RV1960.xml");
            EXPECT_TRUE(got.result.lines.isEmpty());
        }
    }
    const QString message = damagedTableMessage(folder() + "RV1960.xml");
    EXPECT_TRUE(message.contains(QStringLiteral("dañada")));
    EXPECT_TRUE(message.contains(QString::fromStdString(folder() + "RV1960.xml")));
}

} // namespace
