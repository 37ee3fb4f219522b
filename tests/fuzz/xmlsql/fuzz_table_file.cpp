// Table files from outside: the input is the table file; a SELECT with WHERE
// and ORDER BY reads it, then an UPDATE and a DELETE rewrite it.
#include "xmlsql/table_file.h"
#include "xmlsql/xml_sql_db.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

const std::string &Folder()
{
    static std::string folder = [] {
        std::string tmpl = (std::filesystem::temp_directory_path() / "quenlor-fuzz-table-XXXXXX").string();
        if (!mkdtemp(tmpl.data()))
            std::abort();
        return tmpl + "/";
    }();
    return folder;
}

void Run(xmlsql::TXmlSqlDb &db, const char *sql)
{
    db.Close();
    db.SetSql(sql);
    db.Open();
    for (db.First(); !db.Eof(); db.Next())
        for (int c = 0; c < db.FieldCount(); ++c)
            (void)db.Fields(c)->AsString();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::ofstream(Folder() + "T.xml", std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char *>(data), static_cast<std::streamsize>(size));
    // Small blocks, so that lines and records are cut at every place.
    xmlsql::ChunkedFile::SetBlockSize(16 + size % 64);
    xmlsql::TXmlSqlDb db;
    db.SetDataBase(Folder());
    Run(db, "select * from T");
    Run(db, "select VerseID,VerseText from T where VerseID like \"Jn:3:%\" order by VerseID");
    Run(db, "select * from T where Id > 2 order by Id as A,B");
    Run(db, "update T set VerseText = \"x\" where VerseID = \"Jn:3:16\"");
    Run(db, "insert into T values(1,\"a\")");
    Run(db, "delete from T where Id < 3");
    return 0;
}
