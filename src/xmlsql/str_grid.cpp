#include "xmlsql/str_grid.h"

#include "xmlsql/eval.h"
#include "xmlsql/log_file.h"
#include "xmlsql/store_failure.h"
#include "xmlsql/text_util.h"

#include <algorithm>
#include <numeric>

namespace xmlsql {

static constexpr size_t kCellSlack = 1 << 20;

std::string Unquote(std::string_view text)
{
    if (!text.empty() && (text.front() == '"' || text.front() == '\''))
        text.remove_prefix(1);
    if (!text.empty() && (text.back() == '"' || text.back() == '\''))
        text.remove_suffix(1);
    return std::string(text);
}

const std::string &TStrGrid::Word(size_t i) const
{
    if (i >= Parser.size())
        throw StoreFailure("the statement ends too early", Parser.empty() ? std::string() : Parser.back());
    return Parser[i];
}

void TStrGrid::SetResult(std::string_view text)
{
    Cells = {"Result", std::string(text)};
    RowTags = {0, 0};
    ColCount = 1;
    RowCount = 2;
}

void TStrGrid::DeleteRow(int row)
{
    if (row < 0 || row >= RowCount || ColCount <= 0)
        throw StoreFailure("no row " + std::to_string(row) + " to delete");
    auto first = Cells.begin() + static_cast<std::ptrdiff_t>(row) * ColCount;
    Cells.erase(first, first + ColCount);
    RowTags.erase(RowTags.begin() + row);
    --RowCount;
}

int TStrGrid::RowOfTag(int tag) const
{
    auto it = std::find(RowTags.begin(), RowTags.end(), tag);
    return it == RowTags.end() ? -1 : static_cast<int>(it - RowTags.begin());
}

void TStrGrid::ChargeCells(size_t cells, size_t repeats, size_t repeatSize)
{
    if (cells > cellBudget_)
        throw StoreFailure("the result is larger than its table file allows");
    cellBudget_ -= cells;
    if (repeatSize && repeats > cellBudget_ / repeatSize)
        throw StoreFailure("the result is larger than its table file allows");
    cellBudget_ -= repeats * repeatSize;
}

void TStrGrid::AddRow(std::vector<std::string> &&cells)
{
    for (auto &c : cells)
        Cells.push_back(std::move(c));
    RowTags.push_back(0);
    ++RowCount;
}

void TStrGrid::ExecSQL(const std::string &text)
{
    Cells.clear();
    RowTags.clear();
    ColCount = RowCount = 0;
    ClearColumns();
    Parser.Parse(text);
    log_.Statement = 0;
    for (auto &statement : Parser.Statements) {
        ++log_.Statement;
        TStrGrid one(log_);
        one.Folder = Folder;
        one.Parser.assign(statement.begin(), statement.end());
        one.Execute();
        // A run keeps the result of its last statement; earlier results would
        // not fit one grid.
        Cells = std::move(one.Cells);
        RowTags = std::move(one.RowTags);
        ColCount = one.ColCount;
        RowCount = one.RowCount;
    }
}

void TStrGrid::Execute()
{
    const std::string &verb = Word(0);
    if (verb == "DROP") {
        TableFile = Word(2) + ".xml";
        DropTable();
    } else if (verb == "SELECT") {
        Parser.JoinCommas();
        Parser.StripParens();
        size_t from = 0;
        while (from < Parser.size() && !equalsNoCase(Parser[from], "FROM"))
            ++from;
        // Without FROM the word after "none" is word 0 itself.
        size_t table = from == Parser.size() ? 0 : from + 1;
        TableName = Word(table);
        TableFile = FindTableFile(Folder, TableName + ".xml");
        Select();
    } else if (verb == "INSERT") {
        Parser.JoinCommas();
        Parser.StripParens();
        TableFile = FindTableFile(Folder, Word(2) + ".xml");
        Insert();
    } else if (verb == "DELETE") {
        TableFile = FindTableFile(Folder, Word(2) + ".xml");
        UpdateOrDelete(false);
    } else if (verb == "UPDATE") {
        TableFile = FindTableFile(Folder, Word(1) + ".xml");
        UpdateOrDelete(true);
    } else if (verb == "CREATE") {
        TableFile = Word(2) + ".xml";
        CreateTable();
    } else {
        ReportError("Error: Unknown word in SQL expression", verb);
    }
}

bool TStrGrid::StartSelectResult()
{
    // A table line starts the result afresh.
    Cells.clear();
    RowTags.clear();
    ColCount = static_cast<int>(FieldNames.size());
    RowCount = 0;
    selected_.clear();
    bool known = true;
    if (Word(1) == "*") {
        selected_.resize(FieldNames.size());
        std::iota(selected_.begin(), selected_.end(), size_t(0));
    } else {
        for (auto &name : tAwkline(Word(1), ",")) {
            size_t found = FieldNames.size();
            for (size_t i = 0; i < FieldNames.size(); ++i)
                if (equalsNoCase(FieldNames[i], name))
                    found = i; // the later of two equal names counts
            if (found == FieldNames.size()) {
                log_.LogError("Error: in SELECT clause", name, "the table has no such column");
                known = false;
                break;
            }
            selected_.push_back(found);
        }
    }
    // The header row holds the columns named so far, an unknown one or not.
    std::vector<std::string> names;
    ChargeCells(selected_.size());
    for (size_t c : selected_)
        names.push_back(FieldNames[c]);
    AddRow(std::move(names));
    return known;
}

void TStrGrid::AddSelectedRow(const RecordValues &values, std::vector<std::string> &row)
{
    row.clear();
    size_t repeats = 0;
    if (!values.fill.empty())
        for (size_t c : selected_)
            repeats += values.IsFill(c);
    ChargeCells(selected_.size(), repeats, values.fill.size());
    for (size_t c : selected_)
        row.emplace_back(values[c]);
    AddRow(std::move(row));
}

void TStrGrid::Select()
{
    try {
        if (TableFile.empty())
            throw StoreFailure("no such table", TableName);
        ChunkedFile file;
        if (!file.Open(Folder + TableFile))
            throw StoreFailure("the table file cannot be opened: " + Folder + TableFile);
        cellBudget_ = file.Size() + kCellSlack;
        std::unique_ptr<tEval> eval;
        bool haveHeader = false;
        bool selectError = false;
        Record rec;
        std::string_view line;
        std::vector<std::string> row;
        while (!selectError) {
            LineReader in(file.Pending(), file.AtEof());
            const char *done = in.Position(); // everything before it has been handled
            while (!selectError && in.Next(line)) {
                bool recordLine = line == kRecordLine; // the usual case, known without a search
                if (!recordLine && containsUpper(line, "<TABLE")) {
                    ParseTableHeader(line);
                    selectError = !StartSelectResult();
                    haveHeader = true;
                    eval = tEval::Build(Parser, FieldNames, FieldTypes, log_);
                } else if (recordLine || containsUpper(line, "<RECORD")) {
                    ReadRecord(in, line, FieldNames.size(), rec);
                    if (in.Incomplete())
                        break; // read on and take the record again from its first line
                    // Records before any table line have no columns to show.
                    if (haveHeader && (!eval || eval->Evaluate(rec.values)))
                        AddSelectedRow(rec.values, row);
                }
                done = in.Position();
            }
            if (file.AtEof() && !in.Incomplete())
                break;
            if (!file.ReadMore(done))
                throw StoreFailure("the table file cannot be read: " + Folder + TableFile);
        }
        ColCount = static_cast<int>(selected_.size());
        if (!selectError) {
            if (std::any_of(Parser.begin(), Parser.end(),
                            [](const std::string &w) { return w.find("ORDER BY") != std::string::npos; }))
                SortRows();
            if (std::any_of(Parser.begin(), Parser.end(), [](const std::string &w) { return equalsNoCase(w, "AS"); }))
                ApplyAsNames();
        }
    } catch (const StoreFailure &f) {
        log_.LogError("Error: Unknown word in SQL expression", f.Token, f.Why);
    }
    if (!log_.LastError.empty())
        SetResult(log_.LastError);
    else
        log_.Add(std::string(kSuccess));
}

void TStrGrid::SortRows()
{
    size_t at = 0;
    while (at < Parser.size() && Parser[at] != "ORDER BY")
        ++at;
    size_t nameAt = at == Parser.size() ? 0 : at + 1;
    if (nameAt >= Parser.size()) {
        log_.LogError("Error: Missed param after ORDER BY");
        return;
    }
    // Without a table line there are no result columns, so no column can match.
    const std::string &name = Parser[nameAt];
    int col = -1;
    for (int c = 0; c < ColCount; ++c)
        if (equalsNoCase(Cell(c, 0), name)) {
            col = c;
            break;
        }
    if (col < 0) {
        log_.LogError("Error: ORDER BY param is not correct", name, "not one of the selected columns");
        return;
    }
    size_t tableCol = selected_[static_cast<size_t>(col)];
    std::string type = tableCol < FieldTypes.size() ? upperAscii(FieldTypes[tableCol]) : std::string();
    const size_t rows = static_cast<size_t>(RowCount - 1);
    std::vector<size_t> order(rows);
    std::iota(order.begin(), order.end(), size_t(0));
    auto key = [&](size_t r) -> const std::string & { return Cell(col, static_cast<int>(r + 1)); };
    // Keys are read once before sorting, and the sort is stable, so the order
    // is a strict weak one whatever the values hold.
    if (type == "AUTOINC" || type == "INTEGER") {
        std::vector<int32_t> numbers(rows);
        for (size_t r = 0; r < rows; ++r) {
            auto n = parseInt32(key(r));
            if (!n) {
                // A non-number in a number sort: the result is the error, so the
                // rows need no order (with one row nothing was ever compared).
                if (rows >= 2)
                    log_.LogError("Error: Data type problem", key(r), "not a whole number in a number sort");
                return;
            }
            numbers[r] = *n;
        }
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return numbers[a] < numbers[b]; });
    } else if (type == "STRING") {
        std::vector<std::string> folded(rows);
        for (size_t r = 0; r < rows; ++r)
            folded[r] = upperAscii(key(r));
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return folded[a] < folded[b]; });
    } else {
        return; // boolean, datetime, float and unknown types order nothing
    }
    std::vector<std::string> sorted;
    sorted.reserve(Cells.size());
    for (int c = 0; c < ColCount; ++c)
        sorted.push_back(std::move(Cell(c, 0)));
    for (size_t r : order)
        for (int c = 0; c < ColCount; ++c)
            sorted.push_back(std::move(Cell(c, static_cast<int>(r + 1))));
    Cells = std::move(sorted);
}

void TStrGrid::ApplyAsNames()
{
    size_t at = 0;
    while (!equalsNoCase(Parser[at], "AS"))
        ++at;
    tAwkline names(Word(at + 1), ",");
    if (RowCount < 1)
        return;
    for (size_t c = 0; c < names.size() && c < static_cast<size_t>(ColCount); ++c)
        Cell(static_cast<int>(c), 0) = names[c];
}

} // namespace xmlsql
