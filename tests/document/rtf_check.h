// A small RTF tokenizer for tests and the fuzz target: checks that a text is
// one balanced group of valid tokens in 7-bit ASCII, and lists its control
// words for token tests.
#pragma once
#include <cctype>
#include <string>
#include <string_view>
#include <vector>

namespace rtfcheck {

struct Token {
    enum Kind { Open, Close, Word, Symbol, Hex, Text } kind;
    std::string text; // word with its parameter ("fs20"), symbol, hex byte pair, or text byte
};

// Empty when the text is well formed; otherwise what is wrong and where.
inline std::string validate(std::string_view s, std::vector<Token> *tokens = nullptr)
{
    auto fail = [&](size_t at, const std::string &why) { return why + " at byte " + std::to_string(at); };
    if (s.substr(0, 6) != "{\\rtf1")
        return fail(0, "no {\\rtf1 header");
    int depth = 0;
    size_t k = 0;
    bool closed = false;
    while (k < s.size()) {
        unsigned char c = uint8_t(s[k]);
        if (closed) {
            if (c != '\r' && c != '\n' && c != ' ' && c != 0)
                return fail(k, "text after the last group");
            ++k;
            continue;
        }
        if (c > 127)
            return fail(k, "byte above 127");
        if (c == '{') {
            ++depth;
            if (tokens) tokens->push_back({Token::Open, "{"});
            ++k;
        } else if (c == '}') {
            if (--depth < 0)
                return fail(k, "unbalanced }");
            if (tokens) tokens->push_back({Token::Close, "}"});
            if (depth == 0)
                closed = true;
            ++k;
        } else if (c == '\\') {
            if (k + 1 >= s.size())
                return fail(k, "backslash at the end");
            unsigned char n = uint8_t(s[k + 1]);
            if (std::isalpha(n)) {
                size_t j = k + 1;
                while (j < s.size() && std::isalpha(uint8_t(s[j])))
                    ++j;
                if (j - (k + 1) > 32)
                    return fail(k, "control word too long");
                if (j < s.size() && s[j] == '-')
                    ++j;
                while (j < s.size() && std::isdigit(uint8_t(s[j])))
                    ++j;
                std::string word(s.substr(k + 1, j - k - 1));
                if (j < s.size() && s[j] == ' ')
                    ++j;
                if (word.rfind("bin", 0) == 0 && word.size() > 3) {
                    size_t skip = std::stoul(word.substr(3));
                    j += skip;
                    if (j > s.size())
                        return fail(k, "\\bin past the end");
                }
                if (tokens) tokens->push_back({Token::Word, word});
                k = j;
            } else if (n == '\'') {
                if (k + 3 >= s.size() || !std::isxdigit(uint8_t(s[k + 2])) || !std::isxdigit(uint8_t(s[k + 3])))
                    return fail(k, "bad \\' escape");
                if (tokens) tokens->push_back({Token::Hex, std::string(s.substr(k + 2, 2))});
                k += 4;
            } else if (std::string_view("\\{}~-_:*|\r\n").find(char(n)) != std::string_view::npos) {
                if (tokens) tokens->push_back({Token::Symbol, std::string(1, char(n))});
                k += 2;
            } else {
                return fail(k, std::string("invalid escape \\") + char(n));
            }
        } else {
            if (tokens && c != '\r' && c != '\n') tokens->push_back({Token::Text, std::string(1, char(c))});
            ++k;
        }
    }
    if (!closed)
        return fail(s.size(), "groups left open");
    return {};
}

} // namespace rtfcheck
