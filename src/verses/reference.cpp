#include "verses/reference.h"

#include "platform/codepage.h"

#include <cctype>
#include <climits>

namespace verses {

namespace {

// The link text is pasted between double quotes into the statement. A quote
// would end the literal, "#" starts a comment and ";" a second statement in the
// store's parser, and control characters end lines; such a text is no verse key.
std::optional<char> unsafeCharacter(std::string_view text)
{
    for (unsigned char c : text)
        if (c == '"' || c == '#' || c == ';' || c < 0x20 || c == 0x7F)
            return static_cast<char>(c);
    return std::nullopt;
}

std::string describe(char c)
{
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
        static const char kHex[] = "0123456789ABCDEF";
        return std::string("control character 0x") + kHex[(c >> 4) & 0xF] + kHex[c & 0xF];
    }
    return std::string("'") + c + "'";
}

LookupError failure(Failure kind, std::string_view link, std::string detail)
{
    return LookupError{kind, platform::latin1ToUtf8(link), std::move(detail)};
}

} // namespace

std::vector<std::string> splitNonEmpty(std::string_view text, char separator)
{
    std::vector<std::string> pieces;
    size_t start = 0;
    for (;;) {
        const size_t p = text.find(separator, start);
        const std::string_view piece = text.substr(start, p == std::string_view::npos ? std::string_view::npos : p - start);
        if (!piece.empty())
            pieces.emplace_back(piece);
        if (p == std::string_view::npos)
            return pieces;
        start = p + 1;
    }
}

std::variant<Reference, LookupError> parseReference(std::string_view linkText)
{
    std::vector<std::string> parts = splitNonEmpty(linkText, ':');
    if (parts.size() != 3)
        return failure(Failure::NotAReference, linkText,
                       std::to_string(parts.size()) + (parts.size() == 1 ? " part" : " parts") + " instead of book:chapter:verse");
    Reference ref{std::move(parts[0]), std::move(parts[1]), std::move(parts[2]), std::nullopt};
    if (const auto c = unsafeCharacter(linkText))
        return failure(Failure::UnsafeText, linkText, describe(*c));
    if (ref.versePart.find('-') == std::string::npos)
        return ref;
    const std::vector<std::string> ends = splitNonEmpty(ref.versePart, '-');
    std::optional<int> first, last;
    if (ends.size() >= 2) {
        first = toWholeNumber(ends[0]);
        last = toWholeNumber(ends[1]);
    }
    if (!first || !last)
        return failure(Failure::BadRange, linkText, platform::latin1ToUtf8(ref.versePart));
    ref.range = std::make_pair(*first, *last);
    return ref;
}

std::string buildQuery(const Reference &ref)
{
    if (ref.range)
        return "select * from RV1960 where VerseID like \"" + ref.book + ":" + ref.chapter + ":%\"";
    return "select * from RV1960 where VerseID = \"" + ref.book + ":" + ref.chapter + ":" + ref.versePart + "\"";
}

std::string LookupError::message() const
{
    std::string why;
    switch (kind) {
    case Failure::NotAReference: why = "not a verse reference (" + detail + ")"; break;
    case Failure::UnsafeText: why = "the reference contains " + detail + ", which no verse key has"; break;
    case Failure::BadRange: why = "the range \"" + detail + "\" is not two whole numbers"; break;
    case Failure::NoSuchVerse: why = "no verse with the key " + detail + " in the table"; break;
    case Failure::EmptyRange: why = "no verse of the chapter lies in " + detail; break;
    case Failure::DamagedKey: why = "the table holds the damaged verse key \"" + detail + "\""; break;
    case Failure::TableMissing: why = "no verse table in the folder " + detail; break;
    case Failure::TableDamaged: why = "the verse table is damaged: " + detail; break;
    }
    return reference + ": " + why;
}

} // namespace verses
