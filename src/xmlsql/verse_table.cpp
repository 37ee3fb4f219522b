#include "xmlsql/verse_table.h"

#include "xmlsql/table_file.h"
#include "xmlsql/text_util.h"

#include <array>
#include <charconv>

namespace xmlsql {

const std::string_view kDefaultBookList =
#include "xmlsql/default_books.inc"
    ;

std::optional<std::vector<BookAbbreviation>> ParseBookList(std::string_view text, std::string &error)
{
    std::vector<BookAbbreviation> list;
    LineReader in(text);
    std::string_view line;
    for (int number = 1; in.Next(line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || line.front() == '#')
            continue;
        auto tab = line.find('\t');
        std::string_view abbr = line.substr(0, tab);
        std::string_view book = tab == line.npos ? std::string_view() : line.substr(tab + 1);
        bool bad = abbr.empty() || book.empty() || book.find('\t') != book.npos;
        for (char c : abbr)
            if (c == ':' || c == '<' || c == ' ' || c == '"' || static_cast<unsigned char>(c) < 32)
                bad = true;
        if (bad) {
            error = "line " + std::to_string(number) + ": expected abbreviation<TAB>book";
            return std::nullopt;
        }
        list.push_back({std::string(abbr), std::string(book)});
    }
    if (list.empty()) {
        error = "no books listed";
        return std::nullopt;
    }
    return list;
}

// Decodes one UTF-8 sequence; malformed bytes decode as U+FFFD one at a time.
static char32_t nextCodePoint(std::string_view s, size_t &i)
{
    unsigned char c = static_cast<unsigned char>(s[i++]);
    if (c < 0x80)
        return c;
    int extra = c >= 0xF0 && c < 0xF5 ? 3 : c >= 0xE0 && c < 0xF0 ? 2 : c >= 0xC2 && c < 0xE0 ? 1 : -1;
    if (extra < 0)
        return 0xFFFD;
    char32_t cp = c & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80)
            return 0xFFFD;
        cp = (cp << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
    }
    return cp;
}

static void appendLatin1(std::string &out, char32_t cp)
{
    switch (cp) {
    case 0x2018: case 0x2019: case 0x201A: out += '\''; return;
    case 0x201C: case 0x201D: case 0x201E: out += '"'; return;
    case 0x2010: case 0x2011: case 0x2012: case 0x2013: case 0x2014: out += '-'; return;
    case 0x2026: out += "..."; return;
    case 0x00A0: out += ' '; return;
    default: break;
    }
    if (cp < 0x20 || cp == 0x7F)
        out += ' ';
    else if (cp <= 0xFF)
        out += static_cast<char>(cp);
    else
        out += '?';
}

std::string CleanVerseText(std::string_view utf8)
{
    std::string latin1;
    latin1.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        if (utf8[i] == '<') {
            // Markup the plain filter left behind, e.g. Strong's numbers <G3588>.
            auto close = utf8.find('>', i);
            i = close == utf8.npos ? i + 1 : close + 1;
            // A tag removed before punctuation would leave "word ," behind.
            if (!latin1.empty() && latin1.back() == ' ' && i < utf8.size() &&
                std::string_view(",.;:?!)").find(utf8[i]) != std::string_view::npos)
                latin1.pop_back();
            continue;
        }
        appendLatin1(latin1, nextCodePoint(utf8, i));
    }
    std::string out;
    out.reserve(latin1.size());
    for (char c : latin1) {
        if (c == ' ' && (out.empty() || out.back() == ' '))
            continue;
        out += c;
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

bool ChapterFilter::Accepts(std::string_view abbreviation, int chapter) const
{
    if (wanted.empty())
        return true;
    for (auto &[abbr, ch] : wanted)
        if (abbr == abbreviation && (ch == 0 || ch == chapter))
            return true;
    return false;
}

std::optional<ChapterFilter> ParseChapterList(std::string_view text, std::string &error)
{
    ChapterFilter f;
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        std::string_view item = text.substr(start, comma == text.npos ? text.npos : comma - start);
        auto colon = item.find(':');
        std::string_view abbr = item.substr(0, colon);
        int chapter = 0;
        if (colon != item.npos) {
            std::string_view num = item.substr(colon + 1);
            auto [p, ec] = std::from_chars(num.data(), num.data() + num.size(), chapter);
            if (ec != std::errc() || p != num.data() + num.size() || chapter < 1) {
                error = "bad chapter in '" + std::string(item) + "' (expected BOOK or BOOK:CHAPTER)";
                return std::nullopt;
            }
        }
        if (abbr.empty()) {
            error = "empty book in chapter list";
            return std::nullopt;
        }
        f.wanted.emplace_back(std::string(abbr), chapter);
        if (comma == text.npos)
            break;
        start = comma + 1;
    }
    return f;
}

VerseTableWriter::VerseTableWriter()
{
    WriteLine(out_, kDeclaration);
    TableHeader h;
    h.FieldNames = {"VerseID", "VerseText"};
    h.FieldTypes = {"string", "string"};
    WriteLine(out_, h.BuildTableHeader());
}

void VerseTableWriter::Add(std::string_view key, std::string_view latin1Text)
{
    std::array<std::string_view, 2> values{key, latin1Text};
    WriteRecord(out_, values, values.size());
    ++count_;
}

const std::string &VerseTableWriter::Content()
{
    if (!closed_) {
        WriteLine(out_, kClosingLine);
        closed_ = true;
    }
    return out_;
}

} // namespace xmlsql
