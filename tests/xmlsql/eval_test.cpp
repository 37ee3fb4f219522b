// WHERE semantics: text, numbers and LIKE, and how failures are reported.
#include "xmlsql/eval.h"
#include "xmlsql/log_file.h"
#include "xmlsql/store_failure.h"

#include <gtest/gtest.h>

using namespace xmlsql;

namespace {

struct EvalRun {
    bool match;
    std::string error;
};

// Evaluates `clause` (the words after WHERE) on a table with the columns
// Key (string), Id (integer), When (datetime) and Bare (no type).
EvalRun Eval(const Words &clause, const std::string &column, const std::string &value)
{
    static const std::vector<std::string> names = {"Key", "Id", "When", "Bare"};
    static const std::vector<std::string> types = {"string", "integer", "datetime"};
    Words statement = {"SELECT", "*", "FROM", "T", "WHERE"};
    statement.insert(statement.end(), clause.begin(), clause.end());
    TLogFile log;
    auto e = tEval::Build(statement, names, types, log);
    RecordValues rec;
    rec.count = names.size();
    rec.read.assign(names.size(), {});
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == column)
            rec.read[i] = value;
    bool m = e->Evaluate(rec);
    return {m, log.LastError};
}

TEST(Where, Comparisons)
{
    const std::string unknown = "Error: Unknown field name in WHERE clause", bad = "Error: in WHERE clause";
    struct Case {
        Words clause;
        const char *column, *value;
        bool match;
        std::string error;
    } cases[] = {
        // Text equality is byte for byte.
        {{"VerseID", "=", "\"Jn:3:16\""}, "Key", "Jn:3:16", false, unknown},
        {{"Key", "=", "\"Jn:3:16\""}, "Key", "Jn:3:16", true, ""},
        {{"key", "=", "\"jn:3:16\""}, "Key", "Jn:3:16", false, ""},
        {{"Key", "=", "\"Jn:3:1\""}, "Key", "Jn:3:16", false, ""},
        {{"Key", "=", "'x y'"}, "Key", "x y", true, ""},
        {{"Key", "=", "plain"}, "Key", "plain", true, ""},
        // An empty value never matches, not even an empty literal.
        {{"Key", "=", "\"\""}, "Key", "", false, ""},
        // Text order: bytes, case counts, a prefix sorts first.
        {{"Key", ">", "\"B\""}, "Key", "b", true, ""},
        {{"Key", ">", "\"a\""}, "Key", "ab", true, ""},
        {{"Key", "<", "\"a\""}, "Key", "B", true, ""},
        {{"Key", ">", "\"\xE9\""}, "Key", "z", false, ""}, // bytes are unsigned
        // LIKE: "%" only at the ends.
        {{"Key", "LIKE", "\"Jn:3:%\""}, "Key", "Jn:3:1", true, ""},
        {{"Key", "LIKE", "\"Jn:3:%\""}, "Key", "Jn:3:36", true, ""},
        {{"Key", "LIKE", "\"Jn:3:%\""}, "Key", "Jn:30:1", false, ""},
        {{"Key", "LIKE", "\"%ab\""}, "Key", "xab", true, ""},
        {{"Key", "LIKE", "\"%ab\""}, "Key", "abab", false, ""}, // the first occurrence counts
        {{"Key", "LIKE", "\"%b%\""}, "Key", "abc", true, ""},
        {{"Key", "LIKE", "\"%\""}, "Key", "anything", false, ""},
        {{"Key", "LIKE", "\"%%\""}, "Key", "anything", false, ""},
        {{"Key", "LIKE", "\"Jn\""}, "Key", "Jn", false, ""},
        {{"Key", "LIKE", "\"a%c\""}, "Key", "abc", false, ""},
        {{"Key", "LIKE", "\"\""}, "Key", "x", false, bad},
        {{"Key", "<>", "\"x\""}, "Key", "y", false, ""}, // unknown operator
        // Numbers: quoted or not, 10 after 9.
        {{"Id", ">", "5"}, "Id", "7", true, ""},
        {{"Id", ">", "\"5\""}, "Id", "7", true, ""},
        {{"Id", ">", "9"}, "Id", "10", true, ""},
        {{"Id", "<", "-"}, "Id", "10", false, bad},
        {{"Id", "=", "7"}, "Id", "7x", false, bad},
        {{"Id", "=", "x"}, "Id", "7", false, bad},
        {{"Id", "=", "7"}, "Id", "2147483648", false, bad},
        {{"Id", "LIKE", "7"}, "Id", "7", false, ""}, // LIKE on numbers is false
        {{"When", "=", "1"}, "When", "1", true, ""}, // every other type compares numbers
        {{"Bare", "=", "1"}, "Bare", "1", false, bad}, // no type name
        // Words after the value are ignored; a stop word ends the clause.
        {{"Key", "=", "\"a\"", "and", "Id", "=", "2"}, "Key", "a", true, ""},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        auto &c = cases[i];
        auto r = Eval(c.clause, c.column, c.value);
        EXPECT_EQ(r.match, c.match) << "case " << i;
        EXPECT_EQ(r.error, c.error) << "case " << i;
    }
    // The stop word A ends the clause after two words: a short clause fails the
    // statement once a non-empty value has to be compared.
    EXPECT_THROW(Eval({"Key", "=", "A"}, "Key", "A"), StoreFailure);
    EXPECT_NO_THROW(Eval({"Key", "="}, "Key", "")); // an empty value is not compared
    EXPECT_THROW(Eval({}, "Key", "x"), StoreFailure);
    TLogFile log;
    std::vector<std::string> names{"a"}, types{"string"};
    EXPECT_EQ(tEval::Build({"SELECT", "*", "FROM", "T"}, names, types, log), nullptr);
}

} // namespace
