// Building the verse table RV1960 from a Bible text: book abbreviations, text
// cleaning to ISO-8859-1 field values, and the table file itself.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace xmlsql {

struct BookAbbreviation {
    std::string abbreviation; // first part of a verse key, e.g. "Jn"
    std::string book;         // the book's OSIS name, e.g. "John"
};

// The default Spanish list, the same as data/libros.txt.
extern const std::string_view kDefaultBookList;

// One "abbreviation<TAB>book" pair per line; blank lines and lines starting
// with '#' are skipped. Nothing on a malformed line (error names the line).
std::optional<std::vector<BookAbbreviation>> ParseBookList(std::string_view text, std::string &error);

// A plain UTF-8 verse text as a field value: leaked Strong's tags and other
// markup removed, line breaks and runs of blanks made one blank, ends trimmed,
// and the text in ISO-8859-1 ('?' for what it cannot hold). Never holds '<'.
std::string CleanVerseText(std::string_view utf8);

// Which chapters to import: "Jn:3,Ro:8,Sal" (a book alone means all of it).
struct ChapterFilter {
    std::vector<std::pair<std::string, int>> wanted; // abbreviation, chapter (0: all)
    bool empty() const { return wanted.empty(); }
    bool Accepts(std::string_view abbreviation, int chapter) const;
};
std::optional<ChapterFilter> ParseChapterList(std::string_view text, std::string &error);

// The table file of RV1960: VerseID and VerseText, both "string".
class VerseTableWriter {
public:
    VerseTableWriter();
    void Add(std::string_view key, std::string_view latin1Text);
    const std::string &Content(); // closes the table on first call
    size_t Count() const { return count_; }

private:
    std::string out_;
    size_t count_ = 0;
    bool closed_ = false;
};

} // namespace xmlsql
