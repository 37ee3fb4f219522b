// quenlor-cli verse: looks a verse reference up the way a click on a verse
// link does and prints the balloon's title line, then its text lines (UTF-8).
#include "cli.h"
#include "db_args.h"

#include "platform/codepage.h"
#include "platform/folders.h"
#include "verses/lookup.h"

#include <cstdio>

namespace {

int runVerse(const std::vector<std::string> &args);

const cli::Command kVerseCommand{"verse", "verse [--db DIR] REF",
                                 "show the verses of a reference such as Jn:3:16-18 as the balloon does "
                                 "(DIR: the verse-table folder)",
                                 runVerse};
QUENLOR_CLI_COMMAND(kVerseCommand);

int runVerse(const std::vector<std::string> &args)
{
    cli::DbArgs parsed;
    if (!cli::parseDbArgs(args, false, parsed))
        return cli::usageError(kVerseCommand);
    const std::string dir = cli::withTrailingSeparator(parsed.haveDir ? parsed.dir : platform::verseTableDir());

    xmlsql::TXmlSqlDb db;
    db.SetSql("select * from rv1960");
    db.SetDataBase(dir);
    // The link text reaches the lookup in the verse table's 8-bit text.
    const verses::Passage found = verses::lookup(db, platform::utf8ToLatin1(parsed.value));
    db.Close();
    if (found.tableMissing()) {
        std::fprintf(stderr, "%s\n", verses::missingTableMessage(dir).c_str());
        return 1;
    }
    if (found.tableDamaged()) {
        std::fprintf(stderr, "%s\nverse: %s\n", verses::damagedTableMessage(found.tablePath).c_str(),
                     found.error->message().c_str());
        return 1;
    }
    std::printf("%s\n", found.title.c_str());
    // The balloon trims the ends of its text; print what it shows.
    for (const std::string &line : verses::shownLines(found.lines))
        std::printf("%s\n", line.c_str());
    if (found.error) {
        std::fprintf(stderr, "verse: %s\n", found.error->message().c_str());
        return 1;
    }
    return 0;
}

} // namespace
