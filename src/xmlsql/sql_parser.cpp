#include "xmlsql/sql_parser.h"

#include "xmlsql/store_failure.h"
#include "xmlsql/text_util.h"

namespace xmlsql {

const std::string_view kKeywordList =
    "ADD,ALTER,AS,ASC,BY,COLUMN,COMMIT,CONNECT,CREATE,DELETE,DESC,DROP,FROM,GROUP,HAVING,INSERT,INTO,LIKE,"
    "ORDER,ROLLBACK,SELECT,SET,TABLE,UPDATE,VALUES,WHERE";
// Without BY and LIKE, so that a WHERE clause may hold LIKE.
const std::string_view kClauseStopList =
    "ADD,ALTER,AS,ASC,COLUMN,COMMIT,CONNECT,CREATE,DELETE,DESC,DROP,FROM,GROUP,HAVING,INSERT,INTO,ORDER,"
    "ROLLBACK,SELECT,SET,TABLE,UPDATE,VALUES,WHERE";

tAwkline::tAwkline(std::string_view text, std::string_view separators)
{
    std::bitset<256> sep;
    for (unsigned char c : separators)
        sep.set(c);
    std::string piece;
    for (unsigned char c : text) {
        if (sep.test(c)) {
            push_back(std::move(piece));
            piece.clear();
        } else {
            piece += static_cast<char>(c);
        }
    }
    if (!piece.empty())
        push_back(std::move(piece));
}

void tSqlParser::FillSets()
{
    if (SeparatorChars.none())
        for (unsigned char c : std::string_view("\t\n\r "))
            SeparatorChars.set(c);
    if (OperatorChars.none())
        for (unsigned char c : std::string_view("()*+,-./:;<=>"))
            OperatorChars.set(c);
}

void tSqlParser::StripComments()
{
    std::string out;
    out.reserve(Text.size());
    bool inComment = false;
    for (char c : Text) {
        if (inComment) {
            if (c == '\n')
                inComment = false;
        } else if (c == '#') {
            inComment = true;
        } else {
            out += c;
        }
    }
    Text = std::move(out);
}

void tSqlParser::Tokenize()
{
    clear();
    std::string word;
    char quote = 0;
    for (char c : Text) {
        if (quote) {
            word += c;
            if (c == quote)
                quote = 0;
        } else if (SeparatorChars.test(static_cast<unsigned char>(c))) {
            if (!word.empty())
                push_back(std::move(word));
            word.clear();
        } else {
            word += c;
            if (c == '"' || c == '\'')
                quote = c;
        }
    }
    if (!word.empty())
        push_back(std::move(word));
}

void tSqlParser::JoinQuoted()
{
    Words result;
    bool open = false;
    std::string acc;
    for (auto &w : *this) {
        if (open) {
            acc += w;
            if (w.find('"') != std::string::npos) {
                result.push_back(std::move(acc));
                acc.clear();
                open = false;
            } else {
                acc += ' ';
            }
        } else {
            auto first = w.find('"');
            if (first != std::string::npos && w.find('"', first + 1) == std::string::npos) {
                acc = w + ' ';
                open = true;
            } else {
                result.push_back(w);
            }
        }
    }
    // Words still being gathered at the end are dropped.
    Words::operator=(std::move(result));
}

void tSqlParser::SplitOperators()
{
    // Repeated passes until nothing splits give the same words as cutting each
    // word to the end at once; doing it at once keeps long words linear.
    Words result;
    result.reserve(size());
    for (auto &w : *this) {
        std::string_view rest = w;
        for (;;) {
            if (rest.size() <= 1 || rest.front() == '"') {
                result.emplace_back(rest);
                break;
            }
            size_t op = 0;
            while (op < rest.size() && !OperatorChars.test(static_cast<unsigned char>(rest[op])))
                ++op;
            if (op == rest.size()) {
                result.emplace_back(rest);
                break;
            }
            if (op > 0)
                result.emplace_back(rest.substr(0, op)); // holds no operator character
            result.emplace_back(rest.substr(op, 1));
            rest.remove_prefix(op + 1);
            if (rest.empty())
                break;
        }
    }
    Words::operator=(std::move(result));
}

void tSqlParser::RemoveFinalSemicolon()
{
    if (empty())
        throw StoreFailure("the statement is empty");
    if (back() == ";")
        pop_back();
}

void tSqlParser::UpcaseKeywords()
{
    for (auto &w : *this) {
        std::string up = upperAscii(w);
        if (kKeywordList.find(up) != std::string_view::npos)
            w = std::move(up);
    }
}

void tSqlParser::JoinOrderBy()
{
    for (size_t i = 0; i < size(); ++i) {
        if ((*this)[i] != "ORDER")
            continue;
        if (i + 1 == size())
            throw StoreFailure("ORDER without BY", "ORDER");
        if ((*this)[i + 1] == "BY") {
            (*this)[i] = "ORDER BY";
            erase(begin() + static_cast<std::ptrdiff_t>(i) + 1);
            return;
        }
    }
}

void tSqlParser::SplitStatements()
{
    Statements.clear();
    if (empty())
        return;
    Statements.emplace_back();
    for (auto &w : *this) {
        if (w == ";")
            Statements.emplace_back();
        else
            Statements.back().push_back(w);
    }
}

void tSqlParser::Parse(const std::string &text)
{
    Text = text;
    FillSets();
    StripComments();
    Tokenize();
    JoinQuoted();
    SplitOperators();
    RemoveFinalSemicolon();
    UpcaseKeywords();
    JoinOrderBy();
    SplitStatements();
}

const Words *tSqlParser::Statement(size_t i) const
{
    return i < Statements.size() ? &Statements[i] : nullptr;
}

void tSqlParser::JoinCommas()
{
    Words result;
    bool join = false;
    for (auto &w : *this) {
        bool comma = w == "," || (!w.empty() && w.find(',') == w.size() - 1);
        if (comma && !result.empty()) {
            result.back() += w;
            join = true;
        } else if (comma) {
            result.push_back(w); // a list that starts with a comma has nothing to join to
            join = true;
        } else if (join && !result.empty()) {
            result.back() += w;
            join = false;
        } else {
            result.push_back(w);
        }
    }
    Words::operator=(std::move(result));
}

void tSqlParser::StripParens()
{
    Words result;
    for (auto &w : *this) {
        if (w == "(" || w == ")")
            continue;
        if (w.find('(') != std::string::npos)
            result.push_back(w.substr(1));
        else if (w.find(')') != std::string::npos)
            result.push_back(w.substr(0, w.size() - 1));
        else
            result.push_back(w);
    }
    Words::operator=(std::move(result));
}

} // namespace xmlsql
