// INSERT, UPDATE, DELETE, CREATE TABLE and DROP TABLE. The changing statements
// keep the previous content as the ".bak" file and put the new content in
// place only once it is complete, so a failure leaves the table as it was.
#include "xmlsql/eval.h"
#include "xmlsql/log_file.h"
#include "xmlsql/store_failure.h"
#include "xmlsql/str_grid.h"
#include "xmlsql/text_util.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace xmlsql {

namespace {

void replaceOrFail(const std::string &path, std::string_view content)
{
    if (!ReplaceFile(path, content))
        throw StoreFailure("the table file cannot be written: " + path);
}

} // namespace

void TStrGrid::StartChange(const std::string &path, FileBuffer &file, std::string &out)
{
    if (!file.Load(path))
        throw StoreFailure("the table file cannot be read: " + path);
    if (!MakeBackup(path))
        throw StoreFailure("the backup of the table file cannot be made: " + path);
    BackupFile = TableFile + ".bak";
    cellBudget_ = file.Size() + (1 << 20);
    out.reserve(file.Size() + 256);
}

void TStrGrid::FinishChange()
{
    if (log_.LastError.empty()) {
        SetResult(kSuccess);
        log_.Add(std::string(kSuccess));
    } else {
        SetResult(log_.LastError);
    }
}

void TStrGrid::ReportError(const std::string &text, const std::string &token)
{
    log_.LogError(text, token);
    SetResult(log_.LastError);
}

void TStrGrid::InsertValues(std::vector<std::string> &values, std::vector<size_t> &positions)
{
    values.clear();
    positions.clear();
    try {
        if (Word(3) == "VALUES") {
            tAwkline pieces(Word(4), ",");
            for (size_t i = 0; i < FieldNames.size(); ++i) {
                if (i >= pieces.size())
                    throw StoreFailure("fewer values than columns", Word(4));
                values.push_back(Unquote(pieces[i]));
                positions.push_back(i);
            }
        } else {
            tAwkline names(Word(3), ",");
            std::vector<size_t> named(names.size(), 0); // a name no column has names the first
            for (size_t i = 0; i < FieldNames.size(); ++i)
                for (size_t j = 0; j < names.size(); ++j)
                    if (equalsNoCase(FieldNames[i], names[j]))
                        named[j] = i;
            for (auto &piece : tAwkline(Word(5), ",")) {
                positions.push_back(values.size() < named.size() ? named[values.size()] : 0);
                values.push_back(Unquote(piece));
            }
        }
    } catch (const StoreFailure &f) {
        log_.LogError("Error: Definition of values", f.Token, f.Why);
    }
}

bool TStrGrid::FirstColumnIsAutoinc() const
{
    if (FieldTypes.empty())
        throw StoreFailure("the table line names no column types"); // the run ends
    return upperAscii(FieldTypes[0]) == "AUTOINC";
}

void TStrGrid::Insert()
{
    if (TableFile.empty())
        throw StoreFailure("no such table", Word(2)); // ends the run without a result
    const std::string path = Folder + TableFile;
    FileBuffer file;
    std::string out;
    StartChange(path, file, out);

    std::vector<std::string> values;
    std::vector<size_t> positions; // table column named by each position of `values`
    bool inserted = false;
    LineReader in(file.Text());
    std::string_view line;
    while (in.Next(line)) {
        if (containsUpper(line, "<TABLE")) {
            if (ParseTableHeader(line))
                WriteLine(out, BuildTableHeader());
            else
                WriteLine(out, line);
            InsertValues(values, positions);
        } else if (!inserted && containsUpper(line, "</TABLE")) {
            std::vector<std::string> record(FieldNames.size());
            ChargeCells(record.size());
            for (size_t p = 0; p < values.size(); ++p)
                if (positions[p] < record.size())
                    record[positions[p]] = values[p]; // the last position naming a column wins
            if (FirstColumnIsAutoinc() && !record.empty())
                record[0] = std::to_string(LastId);
            WriteRecord(out, record, record.size());
            WriteLine(out, line);
            inserted = true;
        } else {
            WriteLine(out, line);
        }
    }
    bool autoinc = FirstColumnIsAutoinc();
    replaceOrFail(path, out);
    if (autoinc)
        SetResult(std::to_string(LastId));
    else
        SetResult(log_.LastError.empty() ? kSuccess : std::string_view(log_.LastError));
}

void TStrGrid::UpdateOrDelete(bool update)
{
    if (TableFile.empty()) {
        log_.LogError("Error: Finding table", update ? Word(1) : Word(2), "no such table");
    } else {
        try {
            const std::string path = Folder + TableFile;
            FileBuffer file;
            std::string out;
            StartChange(path, file, out);
            std::unique_ptr<tEval> eval;
            Record rec;
            std::vector<std::string_view> fresh;
            std::string newValue;
            LineReader in(file.Text());
            std::string_view line;
            while (in.Next(line)) {
                if (containsUpper(line, "<TABLE")) {
                    ParseTableHeader(line);
                    eval = tEval::Build(Parser, FieldNames, FieldTypes, log_);
                    WriteLine(out, line);
                } else if (containsUpper(line, "<RECORD")) {
                    ReadRecord(in, line, FieldNames.size(), rec);
                    if (!eval || eval->Evaluate(rec.values)) {
                        if (!update)
                            continue; // a deleted record's lines are left out
                        std::string wanted = upperAscii(Word(3));
                        size_t col = 0;
                        while (col < UpperFieldNames.size() && UpperFieldNames[col] != wanted)
                            ++col;
                        if (col == UpperFieldNames.size())
                            throw StoreFailure("no such column", Word(3));
                        newValue = Unquote(Word(5));
                        ChargeCells(rec.values.size(), rec.values.size() - rec.values.read.size(),
                                    rec.values.fill.size());
                        fresh.assign(rec.values.size(), {});
                        for (size_t i = 0; i < fresh.size(); ++i)
                            fresh[i] = i == col ? std::string_view(newValue) : rec.values[i];
                        WriteRecord(out, fresh, fresh.size());
                    } else {
                        WriteRawLines(out, rec.raw);
                    }
                } else {
                    WriteLine(out, line);
                }
            }
            replaceOrFail(path, out);
        } catch (const StoreFailure &f) {
            log_.LogError("Error: Finding table", f.Token, f.Why);
        }
    }
    FinishChange();
}

namespace {

// The column definitions of CREATE TABLE, cut at commas outside parentheses
// so a type such as DECIMAL(10,2) stays one definition; PRIMARY ends the list.
std::vector<Words> columnDefinitions(const Words &parser)
{
    std::vector<Words> defs(1);
    int depth = 0;
    for (size_t i = 4; i < parser.size(); ++i) {
        const std::string &w = parser[i];
        if (containsUpper(w, "PRIMARY"))
            break;
        if (w == "," && depth == 0) {
            defs.emplace_back();
            continue;
        }
        if (w == "(")
            ++depth;
        else if (w == ")" && depth > 0)
            --depth;
        defs.back().push_back(w);
    }
    return defs;
}

// The store's type of a column definition (name, type words...).
const char *storedType(const Words &def)
{
    std::string joined;
    for (size_t i = 1; i < def.size(); ++i)
        joined += upperAscii(def[i]);
    const std::string t = upperAscii(def[1]);
    if (joined.find("AUTO_INCREMENT") != std::string::npos)
        return "autoinc";
    if (t.find("INT") != std::string::npos)
        return "integer";
    if (t.find("DOUBLE") != std::string::npos || t == "FLOAT" || t == "REAL" || t == "NUMERIC" || t == "DECIMAL")
        return "float";
    if (t == "TIMESTAMP")
        return "datetime";
    return "string"; // TEXT, VARCHAR, and any type word the store does not know
}

} // namespace

void TStrGrid::CreateTable()
{
    const std::string path = Folder + TableFile;
    std::error_code ec;
    if (fs::exists(path, ec)) {
        ReportError("Error: Existing table");
        return;
    }
    try {
        std::string out;
        WriteLine(out, kDeclaration);
        if (Parser.size() < 4)
            throw StoreFailure("CREATE TABLE without columns");
        ClearColumns();
        for (auto &def : columnDefinitions(Parser)) {
            if (def.empty() || def[0] == "PRIMARY")
                continue;
            if (def.size() < 2)
                throw StoreFailure("a column without a type", def[0]);
            FieldNames.push_back(def[0]);
            UpperFieldNames.push_back(upperAscii(def[0]));
            FieldTypes.push_back(storedType(def));
        }
        WriteLine(out, BuildTableHeader());
        WriteLine(out, kClosingLine);
        replaceOrFail(path, out);
    } catch (const StoreFailure &f) {
        log_.LogError("Error: Finding table", f.Token, f.Why);
    }
    FinishChange();
}

void TStrGrid::DropTable()
{
    const std::string path = Folder + TableFile;
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) {
        ReportError("Error: Table not exists");
        return;
    }
    fs::remove(path + ".bak", ec);
    fs::rename(path, path + ".bak", ec);
    if (ec) {
        // The table is still there: say so rather than end without a word.
        ReportError("Error: Finding table");
        return;
    }
    BackupFile = TableFile + ".bak";
    // Success even after an earlier statement's error: the table is gone.
    log_.Add(std::string(kSuccess));
    SetResult(kSuccess);
}

} // namespace xmlsql
