// Link texts from outside: parsed as a reference and looked up in a small
// fixed verse table. Whatever the text, the lookup ends with a title and lines
// or a reason, never with a statement other than its own two forms.
#include "verses/lookup.h"

#include <algorithm>
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
        std::string tmpl = (std::filesystem::temp_directory_path() / "quenlor-fuzz-verse-XXXXXX").string();
        if (!mkdtemp(tmpl.data()))
            std::abort();
        std::ofstream(tmpl + "/RV1960.xml", std::ios::binary)
            << "<?xml version='1.0' encoding='ISO-8859-1'?>\n<table fields=\"VerseID,VerseText\" types=\"string,string\">\n"
               "\t<record>\n\t\t<field>Jn:3:16</field>\n\t\t<field>uno \xE9</field>\n\t</record>\n"
               "\t<record>\n\t\t<field>Jn:3:x</field>\n\t\t<field>dos</field>\n\t</record>\n"
               "\t<record>\n\t\t<field>Jn:3:17</field>\n\t\t<field>tres</field>\n\t</record>\n</table>\n";
        return tmpl + "/";
    }();
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 4096)
        return 0;
    const std::string link(reinterpret_cast<const char *>(data), size);
    xmlsql::TXmlSqlDb db;
    db.SetDataBase(Folder());
    const verses::Passage found = verses::lookup(db, link);
    if (!found.error && found.lines.empty())
        std::abort(); // a lookup without error shows at least one verse
    if (found.error && !found.tableMissing() && !found.tableDamaged()
        && found.lines != std::vector<std::string>{verses::kNotFoundLine})
        std::abort();
    const std::string &sql = db.Sql();
    if (!sql.empty() && sql.rfind("select * from RV1960 where VerseID ", 0) != 0)
        std::abort();
    // The text between the quotes is the only literal: the link never ends it early.
    if (!sql.empty() && std::count(sql.begin(), sql.end(), '"') != 2)
        std::abort();
    return 0;
}
