// quenlor-cli verse: looks a verse reference up the way a click on a verse
// link does and prints the balloon's title line, then its text lines (UTF-8).
#include "cli.h"
#include "db_args.h"

#include "app/verse_lookup.h"
#include "components/balloon.h"
#include "platform/codepage.h"
#include "platform/folders.h"

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
    const std::string &ref = parsed.value;
    const std::string dir = cli::withTrailingSeparator(parsed.haveDir ? parsed.dir : platform::verseTableDir());

    xmlsql::TXmlSqlDb db;
    db.SetSql("select * from rv1960");
    db.SetDataBase(dir);
    TBrkApart splitter;
    // The link text reaches the lookup in the verse table's 8-bit text.
    const VerseLookup found = LookupVerses(db, splitter, platform::utf8ToLatin1(ref));
    db.Close();
    if (found.tableMissing) {
        std::fprintf(stderr, "%s\n", missingTableMessage(dir).toUtf8().constData());
        return 1;
    }
    if (found.tableDamaged) {
        std::fprintf(stderr, "%s\n", damagedTableMessage(found.tablePath).toUtf8().constData());
        return 1;
    }
    std::printf("%s\n", found.title.toUtf8().constData());
    // The balloon trims the ends of its text; print what it shows.
    const QString text = balloonText(found.lines);
    if (!text.isEmpty())
        for (const QString &line : text.split(QStringLiteral("\r\n")))
            std::printf("%s\n", line.toUtf8().constData());
    return found.lines == QStringList{verseNotFoundLine()} ? 1 : 0;
}

} // namespace
