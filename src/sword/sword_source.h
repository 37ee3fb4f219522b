// Reading a Bible module of the SWORD library into a verse table. Only the
// importer and the store's benchmark link it: libsword pulls in some eighty
// shared libraries that nothing else should pay for at start-up.
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
