// From the text of a verse link (Jn:3:16, Jn:3:16-18) to the title and lines
// of its balloon, through the verse table RV1960. No widgets here: the reader's
// balloon and `quenlor-cli verse` show the same result.
#pragma once
#include "components/brkapart.h"
#include "xmlsql/xml_sql_db.h"

#include <QString>
#include <QStringList>
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
};

// "La referencia bíblica no existe !"
QString verseNotFoundLine();

// The verse table's file name and the Spanish message for a folder without it.
inline constexpr const char *kVerseTableFile = "RV1960.xml";
QString missingTableMessage(const std::string &folder);
QString damagedTableMessage(const std::string &path);

// Looks the link up with `db` (its DataBase must be set) and `splitter` (the
// window's splitter; its BreakString and ResultList are changed). linkText is
// 8-bit, in the verse table's ISO-8859-1.
VerseLookup LookupVerses(xmlsql::TXmlSqlDb &db, TBrkApart &splitter, std::string_view linkText);

// Adds one built line, cut after the first blank at character 61 or later
// while it is longer than 60 characters; a long word is never cut.
void addWrappedLine(QStringList &lines, QString line);
