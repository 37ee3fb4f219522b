#include "components/brkapart.h"

namespace {

// Only ASCII letters fold: accented letters must compare as they are, whatever
// the locale or encoding of the text.
std::string asciiLower(std::string s)
{
    for (char &c : s)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return s;
}

} // namespace

void TBrkApart::BreakApart()
{
    FResultList.clear();
    const std::string sep = CaseSensitive ? BreakString : asciiLower(BreakString);
    std::string::size_type start = 0;
    const std::string folded = CaseSensitive ? std::string() : asciiLower(BaseString);
    const std::string &haystack = CaseSensitive ? BaseString : folded;
    for (;;) {
        // An empty separator is never found, so the whole text is one piece.
        const auto p = sep.empty() ? std::string::npos : haystack.find(sep, start);
        const bool found = p != std::string::npos;
        std::string piece = BaseString.substr(start, found ? p - start : std::string::npos);
        if (!piece.empty() || AllowEmptyString)
            FResultList.push_back(std::move(piece));
        if (!found)
            break;
        start = p + sep.size();
    }
}
