// The WHERE clause: one comparison "column operator value" tested against each
// record. Values compare as text for "string" columns, as numbers otherwise.
#pragma once
#include "xmlsql/sql_parser.h"
#include "xmlsql/table_file.h"

#include <memory>
#include <optional>

namespace xmlsql {

class TLogFile;

class tEval {
public:
    Words Tokens;
    int FieldIndex = -1;
    const std::vector<std::string> *FieldNames = nullptr;
    const std::vector<std::string> *FieldTypes = nullptr;

    // The evaluator for a statement's words, or none without WHERE. The lists
    // are the executor's and must outlive the evaluator. Throws StoreFailure
    // for a clause without words.
    static std::unique_ptr<tEval> Build(const Words &statement, const std::vector<std::string> &fieldNames,
                                        const std::vector<std::string> &fieldTypes, TLogFile &log);
    void FindField();
    // Throws StoreFailure when the clause has fewer than three words and the
    // record's value would have to be compared.
    bool Evaluate(const RecordValues &record);

private:
    explicit tEval(TLogFile &log) : log_(log) {}
    enum class Kind { Text, Number, Untyped };
    enum class Op { Greater, Less, Equal, Like, Other };
    void Prepare();
    bool Like(std::string_view v) const;

    TLogFile &log_;
    Kind kind_ = Kind::Untyped;
    Op op_ = Op::Other;
    std::string literal_;
    std::optional<int32_t> literalNumber_;
};

} // namespace xmlsql
