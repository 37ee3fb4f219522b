#include "verses/lookup.h"

#include "platform/codepage.h"

#include <algorithm>
#include <filesystem>

namespace verses {

namespace {

constexpr size_t kWrapAfter = 60;
constexpr const char *kBullet = "\xE2\x80\xA2"; // U+2022, 0x95 in Windows-1252

bool isContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

size_t characterCount(std::string_view s)
{
    return static_cast<size_t>(std::count_if(s.begin(), s.end(), [](char c) { return !isContinuationByte(c); }));
}

// Byte offset of the character with index `n`, or npos past the end.
size_t offsetOfCharacter(std::string_view s, size_t n)
{
    for (size_t i = 0; i < s.size(); ++i)
        if (!isContinuationByte(s[i]) && n-- == 0)
            return i;
    return std::string_view::npos;
}

bool equalIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

bool hasField(const xmlsql::TXmlSqlDb &db, std::string_view name)
{
    for (int i = 0; i < db.FieldCount(); ++i)
        if (equalIgnoringAsciiCase(db.Fields(i)->FieldName(), name))
            return true;
    return false;
}

// The table file exists, yet the well-formed statement gave no columns, an
// error, or not the verse table's columns: its content is damaged. The reason
// for the message, or nothing when the result is sound.
std::optional<std::string> damage(const xmlsql::TXmlSqlDb &db)
{
    if (!db.ResultText().empty())
        return platform::latin1ToUtf8(db.ResultText());
    if (db.FieldCount() == 0)
        return "it gives no columns";
    if (!hasField(db, "VerseID") || !hasField(db, "VerseText"))
        return "it has no VerseID and VerseText columns";
    return std::nullopt;
}

void run(xmlsql::TXmlSqlDb &db, const std::string &sql)
{
    db.Close();
    db.SetSql(sql);
    db.Open();
}

// book + " " + chapter + ":" + verse part for a link of three parts, else the
// link itself: the balloon names what was clicked.
std::string titleOf(std::string_view linkText)
{
    const std::vector<std::string> parts = splitNonEmpty(linkText, ':');
    if (parts.size() != 3)
        return platform::latin1ToUtf8(linkText);
    return platform::latin1ToUtf8(parts[0] + " " + parts[1] + ":" + parts[2]);
}

std::string verseLine(std::string_view number, const std::string &textLatin1)
{
    return std::string(kBullet) + " " + std::string(number) + ". " + platform::latin1ToUtf8(textLatin1);
}

Passage notFound(std::string title, LookupError error)
{
    return Passage{std::move(title), {kNotFoundLine}, std::move(error), {}};
}

Passage tableError(Failure kind, std::string_view linkText, std::string detail, std::string path = {})
{
    return Passage{{}, {}, LookupError{kind, platform::latin1ToUtf8(linkText), std::move(detail)}, std::move(path)};
}

} // namespace

std::string tablePath(const std::string &folder)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    if (folder.empty())
        return {};
    fs::directory_iterator it(fs::path(folder), ec);
    if (ec)
        return {};
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            return {};
        const std::string name = it->path().filename().string();
        if (equalIgnoringAsciiCase(name, kTableFile) && !it->is_directory(ec))
            return folder + name;
    }
    return {};
}

void addWrappedLine(std::vector<std::string> &lines, std::string line)
{
    while (characterCount(line) > kWrapAfter) {
        const size_t blank = line.find(' ', offsetOfCharacter(line, kWrapAfter));
        if (blank == std::string::npos)
            break;
        lines.push_back(line.substr(0, blank + 1));
        line.erase(0, blank + 1);
    }
    lines.push_back(std::move(line));
}

std::vector<std::string> shownLines(const std::vector<std::string> &lines)
{
    std::string text;
    for (const std::string &line : lines)
        text += line + "\r\n";
    size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ')
        --e;
    std::vector<std::string> out;
    if (b == e)
        return out;
    const std::string_view shown = std::string_view(text).substr(b, e - b);
    for (size_t start = 0;;) {
        const size_t p = shown.find("\r\n", start);
        out.emplace_back(shown.substr(start, p == std::string_view::npos ? std::string_view::npos : p - start));
        if (p == std::string_view::npos)
            return out;
        start = p + 2;
    }
}

std::string missingTableMessage(const std::string &folder)
{
    return std::string("No se encuentra la tabla de versículos \"") + kTableFile + "\" en la carpeta \"" + folder
           + "\". Copie el archivo en esa carpeta para ver los versículos.";
}

std::string damagedTableMessage(const std::string &path)
{
    return "La tabla de versículos \"" + path
           + "\" está dañada y no se pueden leer sus versículos. Reemplácela por una copia en buen estado.";
}

Passage lookup(xmlsql::TXmlSqlDb &db, std::string_view linkText)
{
    auto parsed = parseReference(linkText);
    if (auto *error = std::get_if<LookupError>(&parsed); error && error->kind == Failure::NotAReference)
        return notFound(platform::latin1ToUtf8(linkText), std::move(*error));

    // A missing table is told before anything about the reference itself.
    const std::string path = tablePath(db.DataBase());
    if (path.empty())
        return tableError(Failure::TableMissing, linkText, db.DataBase());
    if (auto *error = std::get_if<LookupError>(&parsed))
        return notFound(titleOf(linkText), std::move(*error));
    const Reference &ref = std::get<Reference>(parsed);

    run(db, buildQuery(ref));
    if (auto why = damage(db))
        return tableError(Failure::TableDamaged, linkText, path + ": " + *why, path);

    if (!ref.range) {
        // A key with no row is a verse that does not exist: say so rather
        // than show the verse number with no text.
        db.First();
        if (db.Eof())
            return notFound(titleOf(linkText), LookupError{Failure::NoSuchVerse, platform::latin1ToUtf8(linkText),
                                                           platform::latin1ToUtf8(ref.book + ":" + ref.chapter + ":" + ref.versePart)});
        Passage out{titleOf(linkText), {}, std::nullopt, {}};
        addWrappedLine(out.lines, verseLine(platform::latin1ToUtf8(ref.versePart), db.FieldByName("VerseText")->AsString()));
        return out;
    }

    const auto [first, last] = *ref.range;
    const std::string head = platform::latin1ToUtf8(ref.book + " " + ref.chapter + ":");
    Passage out{head + std::to_string(first) + ".." + std::to_string(last), {}, std::nullopt, {}};
    for (db.First(); !db.Eof(); db.Next()) {
        const std::string key = db.FieldByName("VerseID")->AsString();
        const std::vector<std::string> pieces = splitNonEmpty(key, ':');
        const std::optional<int> n = pieces.size() >= 3 ? toWholeNumber(pieces[2]) : std::nullopt;
        if (!n) {
            // A damaged key in the table: say so rather than show part of the range.
            return notFound(std::move(out.title), LookupError{Failure::DamagedKey, platform::latin1ToUtf8(linkText),
                                                              platform::latin1ToUtf8(key)});
        }
        if (first <= *n && *n <= last)
            addWrappedLine(out.lines, verseLine(std::to_string(*n), db.FieldByName("VerseText")->AsString()));
    }
    // No verse of the chapter lies in first..last (a reversed range, verses
    // past the chapter's end): the reference does not exist.
    if (out.lines.empty())
        return notFound(std::move(out.title), LookupError{Failure::EmptyRange, platform::latin1ToUtf8(linkText),
                                                          std::to_string(first) + ".." + std::to_string(last)});
    return out;
}

} // namespace verses
