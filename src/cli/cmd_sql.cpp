// quenlor-cli sql: runs a statement through the record set the way the verse
// popup does and prints the result as tab-separated UTF-8.
#include "cli.h"
#include "db_args.h"

#include "platform/codepage.h"
#include "platform/folders.h"
#include "xmlsql/xml_sql_db.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int runSql(const std::vector<std::string> &args);

const cli::Command kSqlCommand{"sql", "sql [--db DIR] STATEMENT",
                               "run a statement on the table store (DIR: the verse-table folder)", runSql};
QUENLOR_CLI_COMMAND(kSqlCommand);

int runSql(const std::vector<std::string> &args)
{
    cli::DbArgs parsed;
    if (!cli::parseDbArgs(args, true, parsed))
        return cli::usageError(kSqlCommand);
    const std::string &statement = parsed.value;
    std::string dir = parsed.dir;
    if (!parsed.haveDir) {
        const char *env = std::getenv("QUENLOR_DATA");
        dir = env && *env ? std::string(env) : platform::verseTableDir();
    }
    dir = cli::withTrailingSeparator(dir);

    xmlsql::TXmlSqlDb db;
    db.Close();
    db.SetDataBase(dir);
    db.SetSql(statement);
    db.Open();

    std::string line;
    for (int c = 0; c < db.FieldCount(); ++c) {
        if (c)
            line += '\t';
        line += db.Fields(c)->FieldName();
    }
    std::printf("%s\n", platform::latin1ToUtf8(line).c_str());
    for (db.First(); !db.Eof(); db.Next()) {
        line.clear();
        for (int c = 0; c < db.FieldCount(); ++c) {
            if (c)
                line += '\t';
            line += db.Fields(c)->AsString();
        }
        std::printf("%s\n", platform::latin1ToUtf8(line).c_str());
    }
    std::printf("ResultText: %s\n", platform::latin1ToUtf8(db.ResultText()).c_str());
    if (db.Error().Failed())
        std::printf("error: %s\n", platform::latin1ToUtf8(db.Error().Text()).c_str());
    return db.ResultText().empty() ? 0 : 1;
}

} // namespace
