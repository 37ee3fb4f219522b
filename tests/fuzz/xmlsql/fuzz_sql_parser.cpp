// Statement texts from outside: every pass of the parser, then the executor on
// a small fixed table, so word positions that do not exist are exercised too.
#include "xmlsql/sql_parser.h"
#include "xmlsql/store_failure.h"
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
        std::string tmpl = (std::filesystem::temp_directory_path() / "quenlor-fuzz-sql-XXXXXX").string();
        if (!mkdtemp(tmpl.data()))
            std::abort();
        return tmpl + "/";
    }();
    return folder;
}

void ResetTable()
{
    std::ofstream(Folder() + "T.xml", std::ios::binary)
        << "<?xml version='1.0' encoding='ISO-8859-1'?>\r\n"
           "<table fields=\"Id,Name,N\" types=\"autoinc,string,integer\" lastid=\"1\">\r\n"
           "\t<record>\r\n\t\t<field>0</field>\r\n\t\t<field>Ann</field>\r\n\t\t<field>5</field>\r\n\t</record>\r\n"
           "\t<record>\r\n\t\t<field>1</field>\r\n\t\t<field>Bob</field>\r\n\t\t<field>x</field>\r\n\t</record>\r\n"
           "</table>\r\n";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 4096)
        return 0;
    std::string text(reinterpret_cast<const char *>(data), size);
    xmlsql::tSqlParser p;
    try {
        p.Parse(text);
        p.JoinCommas();
        p.StripParens();
    } catch (const xmlsql::StoreFailure &) {
    }
    // Statements may create, change or drop tables: start each input afresh.
    for (auto &e : std::filesystem::directory_iterator(Folder()))
        std::filesystem::remove_all(e.path());
    ResetTable();
    xmlsql::TXmlSqlDb db;
    db.SetDataBase(Folder());
    db.SetSql(text);
    db.Open();
    for (db.First(); !db.Eof(); db.Next())
        for (int c = 0; c < db.FieldCount(); ++c)
            (void)db.Fields(c)->AsString();
    return 0;
}
