// From the text of a verse link to the title and lines of its balloon, through
// the verse table RV1960. Standard C++ only: the reader's balloon (through a
// thin Qt adapter) and `quenlor-cli verse` show the same result.
#pragma once
#include "verses/reference.h"
#include "xmlsql/xml_sql_db.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace verses {

// The verse table's file name, found in the folder whatever its letter case.
inline constexpr const char *kTableFile = "RV1960.xml";
// The balloon's line for a reference without verses (UTF-8).
inline constexpr const char *kNotFoundLine = "La referencia bíblica no existe !";

struct Passage {
    std::string title;              // UTF-8; empty when the table is missing or damaged
    std::vector<std::string> lines; // UTF-8, wrapped; the not-found line on most errors
    std::optional<LookupError> error;
    std::string tablePath; // the damaged table's file
    // Table errors show a message instead of a balloon.
    bool tableMissing() const { return error && error->kind == Failure::TableMissing; }
    bool tableDamaged() const { return error && error->kind == Failure::TableDamaged; }
};

// Looks the link up with `db`, whose DataBase must be set; its Sql is left
// holding the statement run, if any. linkText is 8-bit, in the table's ISO-8859-1.
Passage lookup(xmlsql::TXmlSqlDb &db, std::string_view linkText);

// The path of the verse table file in `folder` (ending in a separator), or
// empty when there is none.
std::string tablePath(const std::string &folder);

// Adds one built UTF-8 line, cut after the first blank at character 61 or
// later while it is longer than 60 characters; a long word is never cut.
void addWrappedLine(std::vector<std::string> &lines, std::string line);

// The lines as the balloon shows them: joined with line breaks, blanks and
// control characters trimmed from both ends, split again.
std::vector<std::string> shownLines(const std::vector<std::string> &lines);

// The Spanish messages for a folder without the table and a damaged table (UTF-8).
std::string missingTableMessage(const std::string &folder);
std::string damagedTableMessage(const std::string &path);

} // namespace verses
