#include "xmlsql/eval.h"

#include "xmlsql/log_file.h"
#include "xmlsql/store_failure.h"
#include "xmlsql/text_util.h"

namespace xmlsql {

std::unique_ptr<tEval> tEval::Build(const Words &statement, const std::vector<std::string> &fieldNames,
                                    const std::vector<std::string> &fieldTypes, TLogFile &log)
{
    size_t where = 0;
    while (where < statement.size() && !equalsNoCase(statement[where], "WHERE"))
        ++where;
    if (where == statement.size())
        return nullptr;
    std::unique_ptr<tEval> e(new tEval(log));
    // The clause ends at a word found (as written) anywhere in the stop list.
    for (size_t i = where + 1; i < statement.size(); ++i) {
        if (kClauseStopList.find(statement[i]) != std::string_view::npos)
            break;
        e->Tokens.push_back(statement[i]);
    }
    e->FieldNames = &fieldNames;
    e->FieldTypes = &fieldTypes;
    e->FindField();
    return e;
}

void tEval::FindField()
{
    if (Tokens.empty())
        throw StoreFailure("WHERE without a condition", "WHERE");
    FieldIndex = -1;
    std::string wanted = upperAscii(Tokens[0]);
    for (size_t i = 0; i < FieldNames->size(); ++i)
        if (upperAscii((*FieldNames)[i]) == wanted) {
            FieldIndex = static_cast<int>(i);
            break;
        }
    if (FieldIndex < 0)
        log_.LogError("Error: Unknown field name in WHERE clause", Tokens[0], "the table has no such column");
    else
        Prepare();
}

// Works out once per statement what every record's test needs.
void tEval::Prepare()
{
    size_t col = static_cast<size_t>(FieldIndex);
    if (col >= FieldTypes->size())
        kind_ = Kind::Untyped;
    else
        kind_ = upperAscii((*FieldTypes)[col]) == "STRING" ? Kind::Text : Kind::Number;
    if (Tokens.size() < 3)
        return;
    const std::string &op = Tokens[1];
    op_ = op == ">" ? Op::Greater : op == "<" ? Op::Less : op == "=" ? Op::Equal : op == "LIKE" ? Op::Like : Op::Other;
    const std::string &raw = Tokens[2];
    if (!raw.empty() && (raw.front() == '"' || raw.front() == '\''))
        literal_ = raw.size() >= 2 ? raw.substr(1, raw.size() - 2) : std::string();
    else
        literal_ = raw;
    literalNumber_ = parseInt32(literal_);
}

bool tEval::Like(std::string_view v) const
{
    std::string_view p = literal_;
    bool lead = p.front() == '%', trail = p.back() == '%';
    if (lead && trail) {
        std::string_view middle = p.size() >= 2 ? p.substr(1, p.size() - 2) : std::string_view();
        return !middle.empty() && v.find(middle) != std::string_view::npos;
    }
    if (trail)
        return v.substr(0, p.size() - 1) == p.substr(0, p.size() - 1);
    if (lead) {
        std::string_view s = p.substr(1);
        auto at = v.find(s);
        return at != std::string_view::npos && at + s.size() == v.size();
    }
    return false;
}

bool tEval::Evaluate(const RecordValues &record)
{
    if (FieldIndex < 0)
        return false;
    std::string_view v = record[static_cast<size_t>(FieldIndex)];
    if (v.empty())
        return false;
    if (Tokens.size() < 3)
        throw StoreFailure("the condition needs a column, an operator and a value", Tokens[0]);
    switch (kind_) {
    case Kind::Text:
        switch (op_) {
        case Op::Greater: return v > std::string_view(literal_);
        case Op::Less: return v < std::string_view(literal_);
        case Op::Equal: return v == std::string_view(literal_);
        case Op::Like:
            if (literal_.empty())
                break;
            return Like(v);
        case Op::Other: return false;
        }
        break;
    case Kind::Number: {
        auto n = parseInt32(v);
        if (!n || !literalNumber_)
            break;
        switch (op_) {
        case Op::Greater: return *n > *literalNumber_;
        case Op::Less: return *n < *literalNumber_;
        case Op::Equal: return *n == *literalNumber_;
        case Op::Like:
        case Op::Other: return false;
        }
        break;
    }
    case Kind::Untyped: break;
    }
    log_.LogError("Error: in WHERE clause", Tokens.size() > 1 ? Tokens[1] : std::string(), "the operator cannot compare this column's values");
    return false;
}

} // namespace xmlsql
