// A verse reference as written in a study's verse link: book:chapter:verse
// (Jn:3:16) or book:chapter:first-last (Jn:3:16-18), and the statement that
// looks it up in the verse table. Texts are 8-bit, in the table's ISO-8859-1.
#pragma once
#include "xmlsql/text_util.h"

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace verses {

// Why a link or a lookup gives no verses. Every kind but the two table ones
// shows the not-found line in the balloon.
enum class Failure {
    NotAReference, // not three non-empty parts separated by ":"
    UnsafeText,    // a character that would change the statement
    BadRange,      // a verse part with "-" that is not two whole numbers
    NoSuchVerse,   // a single key without a row
    EmptyRange,    // no verse of the chapter lies inside the range
    DamagedKey,    // a row of the chapter whose key is not book:chapter:number
    TableMissing,  // no verse table file in the folder
    TableDamaged,  // the file is there but does not read as the verse table
};

struct LookupError {
    Failure kind;
    std::string reference; // the link text, UTF-8
    std::string detail;    // the offending part, key, folder or file (UTF-8), or the store's reason
    // One line in plain words, e.g. "Jn:3:99: no verse with the key Jn:3:99 in the table".
    std::string message() const;
};

struct Reference {
    std::string book, chapter;
    std::string versePart; // as written: "16", "016", "16-18"
    // Set for a range: its ends as whole numbers, in the order written.
    std::optional<std::pair<int, int>> range;
};

// Takes a link apart. Empty pieces between separators are dropped, as the
// window's token splitter does, so "Jn::16" has two parts.
std::variant<Reference, LookupError> parseReference(std::string_view linkText);

// The statement for a reference: "=" on the whole key for one verse, LIKE on
// "book:chapter:%" for a range (the range is picked out of the chapter's rows).
std::string buildQuery(const Reference &ref);

// A whole number the way the runtime's string-to-integer conversion takes it:
// leading blanks, an optional sign, decimal digits and nothing after; within int.
inline std::optional<int> toWholeNumber(std::string_view s) { return xmlsql::parseInt32(s); }

// The pieces of `text` between occurrences of `separator`, empty ones dropped.
std::vector<std::string> splitNonEmpty(std::string_view text, char separator);

} // namespace verses
