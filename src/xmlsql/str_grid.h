// The store's in-memory table and statement executor in one: ExecSQL parses
// the statement text, runs each statement against the table files and leaves
// the outcome in the grid (selected rows under a header row, or a one-column
// "Result" table holding a status text).
#pragma once
#include "xmlsql/sql_parser.h"
#include "xmlsql/table_file.h"

#include <string>
#include <vector>

namespace xmlsql {

class TLogFile;

inline constexpr std::string_view kSuccess = "Command finished succesfully";

class TStrGrid : public TableHeader {
public:
    explicit TStrGrid(TLogFile &log) : log_(log) {}

    std::vector<std::string> Cells; // row-major
    std::vector<int> RowTags;       // one per row
    int ColCount = 0;
    int RowCount = 0;
    std::string Folder; // ends with a path separator
    std::string TableFile;
    std::string TableName; // as the statement names it, for error reports
    std::string BackupFile;
    tSqlParser Parser;

    // Throws StoreFailure for what ends a run: a text that does not parse, an
    // empty statement, a folder that cannot be listed, an INSERT that fails.
    void ExecSQL(const std::string &text);
    void Execute();

    void SetResult(std::string_view text);
    std::string &Cell(int col, int row) { return Cells[static_cast<size_t>(col + row * ColCount)]; }
    void DeleteRow(int row);
    int RowOfTag(int tag) const;

private:
    const std::string &Word(size_t i) const; // throws StoreFailure past the end
    void Select();
    // At a table line: the result's columns from the statement and its header
    // row; false (the error logged) when a named column is not in the table.
    bool StartSelectResult();
    // A matching record's selected values as a result row (`row` is scratch).
    void AddSelectedRow(const RecordValues &values, std::vector<std::string> &row);
    void Insert();
    // The values of an INSERT and the table column each one goes to; a
    // statement that gives too few is logged as an error.
    void InsertValues(std::vector<std::string> &values, std::vector<size_t> &positions);
    // Whether the table's first column counts itself (throws when the table line has no types).
    bool FirstColumnIsAutoinc() const;
    void UpdateOrDelete(bool update);
    void CreateTable();
    void DropTable();
    // Loads a table file a changing statement rewrites into `out`, after
    // keeping its content as the backup; throws StoreFailure when it cannot.
    void StartChange(const std::string &path, FileBuffer &file, std::string &out);
    // The result of a change: the success text, also logged, or the last error.
    void FinishChange();
    // Logs `text` as the last error and makes it the result.
    void ReportError(const std::string &text, const std::string &token = {});
    void SortRows();
    void ApplyAsNames();
    void AddRow(std::vector<std::string> &&cells);
    // Takes `cells` new cells, `repeats` of them copies of one `repeatSize`-byte
    // value, from the statement's budget; throws StoreFailure when it runs out.
    void ChargeCells(size_t cells, size_t repeats = 0, size_t repeatSize = 0);

    TLogFile &log_;
    // Cells a statement may make, and bytes it may copy from one line into many
    // cells, in proportion to its table file: a file whose records end early
    // could otherwise demand far more than its own size (a record end line
    // gives its value to every remaining column).
    size_t cellBudget_ = 0;
    std::vector<size_t> selected_; // table column of each result column
};

// The text without one leading and one trailing quote (single or double).
std::string Unquote(std::string_view text);

} // namespace xmlsql
