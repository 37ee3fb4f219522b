// The rows of a folder's verse table, read through our store, into a SQLite
// table of the same name and columns without an index: the peer that the
// store's benchmarks measure against.
#pragma once
#include "xmlsql/xml_sql_db.h"

#include <sqlite3.h>
#include <string>

namespace bench {

// The number of rows copied, or -1 when the database could not be written.
inline int CopyVerseTableToSqlite(const std::string &folder, const std::string &dbPath)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open(dbPath.c_str(), &db) != SQLITE_OK) {
        sqlite3_close(db);
        return -1;
    }
    sqlite3_exec(db, "CREATE TABLE RV1960(VerseID TEXT, VerseText TEXT); BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt *ins = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO RV1960 VALUES(?,?)", -1, &ins, nullptr);
    xmlsql::TXmlSqlDb all;
    all.SetDataBase(folder);
    all.SetSql("select * from RV1960");
    all.Open();
    for (all.First(); !all.Eof(); all.Next()) {
        std::string id = all.Fields(0)->AsString(), text = all.Fields(1)->AsString();
        sqlite3_bind_text(ins, 1, id.data(), static_cast<int>(id.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(ins, 2, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        sqlite3_step(ins);
        sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    const bool ok = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok ? all.RecordCount() : -1;
}

} // namespace bench
