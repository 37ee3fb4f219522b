// Statement text to words: a fixed sequence of passes, no grammar. The executor
// finds everything by word position, so each pass's quirks decide which
// statement texts the store understands.
#pragma once
#include <bitset>
#include <string>
#include <string_view>
#include <vector>

namespace xmlsql {

using Words = std::vector<std::string>;

// Splits a text at a set of separator characters. Every separator ends a piece
// (so ",," gives an empty piece); a non-empty tail is the last piece.
class tAwkline : public Words {
public:
    tAwkline(std::string_view text, std::string_view separators);
};

// The parser's own list holds the words of the whole text after Parse.
class tSqlParser : public Words {
public:
    std::string Text;
    std::bitset<256> SeparatorChars;
    std::bitset<256> OperatorChars;
    std::vector<Words> Statements;

    // Runs every pass in order; throws StoreFailure for a text without words
    // or one whose last word is ORDER.
    void Parse(const std::string &text);
    // Word list of statement i, or nullptr.
    const Words *Statement(size_t i) const;

    // The passes, public so that each can be checked on its own.
    void FillSets();
    void StripComments();
    void Tokenize();
    void JoinQuoted();
    void SplitOperators();
    void RemoveFinalSemicolon();
    void UpcaseKeywords();
    void JoinOrderBy();
    void SplitStatements();
    // Run by the executor on one SELECT or INSERT statement only.
    void JoinCommas();
    void StripParens();
};

extern const std::string_view kKeywordList;
extern const std::string_view kClauseStopList;

} // namespace xmlsql
