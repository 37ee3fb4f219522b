// The verse popup's queries on a full verse table (31,102 verses), against
// SQLite holding the same rows without an index. Both open, query, read every
// row and close per query, as the popup does. Prints ours/SQLite per query.
#include "xmlsql/table_file.h"
#include "xmlsql/verse_table.h"
#include "xmlsql/xml_sql_db.h"
#include "support/sqlite_copy.h"
#ifdef QUENLOR_HAVE_SWORD
#include "sword/sword_source.h"
#endif

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

struct Verse {
    std::string id, text;
};

// Same keys and text sizes as the real table: chapters of 25 verses of about
// 150 characters, books by the Spanish abbreviations.
std::string SyntheticTable()
{
    std::string error;
    auto books = *xmlsql::ParseBookList(xmlsql::kDefaultBookList, error);
    xmlsql::VerseTableWriter w;
    const std::string text = "Porque de tal manera am\xF3 Dios al mundo, que ha dado \xE1 su Hijo unig\xE9nito, para que "
                             "todo aquel que en \xE9l cree, no se pierda, mas tenga vida eterna.";
    size_t n = 0;
    for (size_t b = 0; n < 31102; b = (b + 1) % books.size())
        for (int ch = 1; ch <= 19 && n < 31102; ++ch)
            for (int v = 1; v <= 25 && n < 31102; ++v, ++n)
                w.Add(books[b].abbreviation + ":" + std::to_string(ch) + ":" + std::to_string(v), text);
    return w.Content();
}

std::string FullTable(std::string &source)
{
#ifdef QUENLOR_HAVE_SWORD
    std::string error;
    auto books = *xmlsql::ParseBookList(xmlsql::kDefaultBookList, error);
    auto r = xmlsql::ImportSwordModule("spaRV1909eb", books, {});
    if (r.error.empty() && r.verses > 0) {
        source = "the spaRV1909eb SWORD module";
        return r.content;
    }
#endif
    source = "a synthetic table";
    return SyntheticTable();
}

struct Query {
    const char *name, *ours, *sqlite;
};

size_t RunOurs(const std::string &folder, const char *sql)
{
    xmlsql::TXmlSqlDb db;
    db.SetDataBase(folder);
    db.SetSql(sql);
    db.Open();
    size_t bytes = 0;
    if (!db.ResultText().empty())
        std::abort();
    for (db.First(); !db.Eof(); db.Next())
        bytes += db.FieldByName("VerseID")->AsString().size() + db.FieldByName("VerseText")->AsString().size();
    db.Close();
    return bytes;
}

size_t RunSqlite(const std::string &path, const char *sql)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        std::abort();
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK)
        std::abort();
    std::vector<std::string> cells; // a result held as text, as the store holds it
    while (sqlite3_step(st) == SQLITE_ROW)
        for (int c = 0; c < 2; ++c)
            cells.emplace_back(reinterpret_cast<const char *>(sqlite3_column_text(st, c)),
                               static_cast<size_t>(sqlite3_column_bytes(st, c)));
    sqlite3_finalize(st);
    sqlite3_close(db);
    size_t bytes = 0;
    for (auto &c : cells)
        bytes += c.size();
    return bytes;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main()
{
    std::string tmpl = (fs::temp_directory_path() / "quenlor-bench-XXXXXX").string();
    if (!mkdtemp(tmpl.data()))
        return 1;
    const std::string folder = tmpl + "/";
    std::string source;
    const std::string table = FullTable(source);
    xmlsql::ReplaceFile(folder + "RV1960.xml", table);

    // The same rows into SQLite, read back through our own store.
    const std::string dbPath = folder + "rv1960.sqlite";
    const int rows = bench::CopyVerseTableToSqlite(folder, dbPath);
    if (rows <= 0) {
        std::fprintf(stderr, "bench_xmlsql: cannot copy the table into SQLite\n");
        return 1;
    }
    std::printf("bench_xmlsql: %d verses from %s, table file %zu bytes\n", rows, source.c_str(), table.size());

    const Query queries[] = {
        {"equality on VerseID", "select * from RV1960 where VerseID = \"Jn:3:16\"",
         "SELECT * FROM RV1960 WHERE VerseID = 'Jn:3:16'"},
        {"LIKE on a chapter", "select * from RV1960 where VerseID like \"Jn:3:%\"",
         "SELECT * FROM RV1960 WHERE VerseID LIKE 'Jn:3:%'"},
        {"LIKE on a book, ORDER BY", "select * from RV1960 where VerseID like \"Sal:%\" order by VerseID",
         "SELECT * FROM RV1960 WHERE VerseID LIKE 'Sal:%' ORDER BY VerseID COLLATE NOCASE"},
    };
    const int rounds = 31;
    // Medians of wall time and of processor time (the latter is steadier on a
    // busy machine); the ratio is ours over SQLite.
    std::printf("%-28s %9s %9s %7s   %9s %9s %7s\n", "query", "ours ms", "SQLite", "ratio", "ours cpu", "SQLite", "ratio");
    for (auto &q : queries) {
        if (RunOurs(folder, q.ours) != RunSqlite(dbPath, q.sqlite)) {
            std::fprintf(stderr, "bench_xmlsql: results differ for %s\n", q.name);
            return 1;
        }
        std::vector<double> ours, theirs, oursCpu, theirsCpu;
        for (int i = 0; i < rounds; ++i) {
            auto t0 = Clock::now();
            std::clock_t c0 = std::clock();
            RunOurs(folder, q.ours);
            auto t1 = Clock::now();
            std::clock_t c1 = std::clock();
            RunSqlite(dbPath, q.sqlite);
            auto t2 = Clock::now();
            std::clock_t c2 = std::clock();
            ours.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
            theirs.push_back(std::chrono::duration<double, std::milli>(t2 - t1).count());
            oursCpu.push_back(1000.0 * double(c1 - c0) / CLOCKS_PER_SEC);
            theirsCpu.push_back(1000.0 * double(c2 - c1) / CLOCKS_PER_SEC);
        }
        double a = Median(ours), b = Median(theirs), ac = Median(oursCpu), bc = Median(theirsCpu);
        std::printf("%-28s %9.3f %9.3f %7.2f   %9.3f %9.3f %7.2f\n", q.name, a, b, a / b, ac, bc, ac / bc);
    }
    fs::remove_all(tmpl);
    return 0;
}
