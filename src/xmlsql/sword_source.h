// Reading a Bible module of the SWORD library into a verse table. Built only
// when libsword is present (QUENLOR_HAVE_SWORD).
#pragma once
#include "xmlsql/verse_table.h"

#include <string>
#include <vector>

namespace xmlsql {

struct SwordImportResult {
    std::string content;  // the table file, empty on failure
    size_t verses = 0;
    size_t skippedBooks = 0; // books of the module that the list does not name
    std::string error;
};

// Walks the module in canonical order and writes every accepted verse, keyed
// abbreviation:chapter:verse.
SwordImportResult ImportSwordModule(const std::string &module, const std::vector<BookAbbreviation> &books,
                                    const ChapterFilter &chapters);

} // namespace xmlsql
