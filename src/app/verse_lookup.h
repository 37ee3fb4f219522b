// The verse lookup for the reader's balloon: the standard C++ lookup of
// verses/lookup.h with its texts as QString.
#pragma once
#include "components/brkapart.h"
#include "verses/lookup.h"
#include "xmlsql/xml_sql_db.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <string_view>

struct VerseLookup {
    QString title;     // always set
    QStringList lines; // the balloon's text lines, wrapped
    // No verse table file in the database folder; title and lines are empty
    // and missingTableMessage() says what to do.
    bool tableMissing = false;
    // The table file is there but cannot be read as the verse table (no
    // header, no VerseID/VerseText columns, unreadable content); tablePath
    // names it for damagedTableMessage().
    bool tableDamaged = false;
    std::string tablePath;
    // Why there are no verses, when there are none.
    std::optional<verses::LookupError> error;
};

// "La referencia bíblica no existe !"
QString verseNotFoundLine();

// The verse table's file name and the Spanish message for a folder without it.
inline constexpr const char *kVerseTableFile = verses::kTableFile;
QString missingTableMessage(const std::string &folder);
QString damagedTableMessage(const std::string &path);

// Looks the link up with `db` (its DataBase must be set). linkText is 8-bit,
// in the verse table's ISO-8859-1.
VerseLookup LookupVerses(xmlsql::TXmlSqlDb &db, std::string_view linkText);
// The window hands over its token splitter; the lookup takes the link apart
// with the same rules (empty pieces dropped) and leaves the splitter as it is.
inline VerseLookup LookupVerses(xmlsql::TXmlSqlDb &db, TBrkApart &, std::string_view linkText)
{
    return LookupVerses(db, linkText);
}

// Adds one built line, cut after the first blank at character 61 or later
// while it is longer than 60 characters; a long word is never cut.
void addWrappedLine(QStringList &lines, QString line);
