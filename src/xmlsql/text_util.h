// Small text helpers shared by the store. Letter case is folded for ASCII
// letters only, as the table files' names and tags are ASCII.
#pragma once
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace xmlsql {

inline char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

inline std::string upperAscii(std::string_view s)
{
    std::string r(s);
    for (auto &c : r)
        c = upperAscii(c);
    return r;
}

inline bool equalsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (upperAscii(a[i]) != upperAscii(b[i]))
            return false;
    return true;
}

// Whether `hay` in capitals contains `needleUpper` (given in capitals). Tag
// needles start with '<', so the scan jumps from one '<' to the next.
inline bool containsUpper(std::string_view hay, std::string_view needleUpper)
{
    if (needleUpper.empty())
        return true;
    if (hay.size() < needleUpper.size())
        return false;
    const char first = needleUpper.front();
    const char *p = hay.data();
    const char *last = hay.data() + hay.size() - needleUpper.size();
    if ((first < 'A' || first > 'Z') && hay.size() >= 64) {
        while (p <= last) {
            p = static_cast<const char *>(std::memchr(p, first, static_cast<size_t>(last - p) + 1));
            if (!p)
                return false;
            size_t i = 1;
            while (i < needleUpper.size() && upperAscii(p[i]) == needleUpper[i])
                ++i;
            if (i == needleUpper.size())
                return true;
            ++p;
        }
        return false;
    }
    for (; p <= last; ++p) {
        size_t i = 0;
        while (i < needleUpper.size() && upperAscii(p[i]) == needleUpper[i])
            ++i;
        if (i == needleUpper.size())
            return true;
    }
    return false;
}

// A signed decimal number (the autoinc counter is 64-bit): optional leading
// blanks, an optional sign, digits and nothing after them. Anything else, or
// a number out of range, is not a whole number.
inline std::optional<int64_t> parseInt64(std::string_view s)
{
    size_t i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    bool neg = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        neg = s[i++] == '-';
    if (i == s.size())
        return std::nullopt;
    uint64_t v = 0;
    const uint64_t limit = neg ? uint64_t(INT64_MAX) + 1 : uint64_t(INT64_MAX);
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9')
            return std::nullopt;
        unsigned d = static_cast<unsigned>(s[i] - '0');
        if (v > (limit - d) / 10)
            return std::nullopt;
        v = v * 10 + d;
    }
    if (neg)
        return v == uint64_t(INT64_MAX) + 1 ? INT64_MIN : -static_cast<int64_t>(v);
    return static_cast<int64_t>(v);
}

// The same for a 32-bit number.
inline std::optional<int32_t> parseInt32(std::string_view s)
{
    const std::optional<int64_t> v = parseInt64(s);
    if (!v || *v > INT32_MAX || *v < INT32_MIN)
        return std::nullopt;
    return static_cast<int32_t>(*v);
}

} // namespace xmlsql
