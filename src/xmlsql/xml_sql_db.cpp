#include "xmlsql/xml_sql_db.h"

#include "xmlsql/log_file.h"
#include "xmlsql/store_failure.h"
#include "xmlsql/str_grid.h"
#include "xmlsql/text_util.h"

#include <algorithm>
#include <new>

namespace xmlsql {

std::string TField::AsString() const
{
    auto &row = owner_.current_;
    return static_cast<size_t>(index_) < row.size() ? row[static_cast<size_t>(index_)] : std::string();
}

void TField::SetAsString(const std::string &text)
{
    auto &row = owner_.current_;
    if (static_cast<size_t>(index_) < row.size())
        row[static_cast<size_t>(index_)] = text;
}

std::optional<std::string> TField::Value() const
{
    std::string s = AsString();
    if (s.empty())
        return std::nullopt;
    return s;
}

TXmlSqlDb::TXmlSqlDb() : log_(std::make_unique<TLogFile>()) {}

TXmlSqlDb::~TXmlSqlDb() { Close(); }

const std::string &TXmlSqlDb::ResultText() const { return log_->LastError; }

const StoreError &TXmlSqlDb::Error() const { return log_->Error; }

void TXmlSqlDb::Fail(const std::string &message) const
{
    throw EDatabaseError(Name.empty() ? message : Name + ": " + message);
}

void TXmlSqlDb::CheckActive() const
{
    if (!active_)
        Fail("Cannot perform this operation on a closed dataset");
}

void TXmlSqlDb::Open()
{
    if (active_)
        return;
    log_->LastError.clear();
    log_->Error = {};
    log_->Statement = 0;
    grid_ = std::make_unique<TStrGrid>(*log_);
    grid_->Folder = dataBase_;
    std::vector<std::string> names;
    try {
        grid_->ExecSQL(sql_);
        if (grid_->RowCount >= 1 && grid_->ColCount >= 1) {
            names.assign(grid_->Cells.begin(), grid_->Cells.begin() + grid_->ColCount);
            grid_->DeleteRow(0);
        }
    } catch (const StoreFailure &f) {
        if (!log_->Error.Failed())
            log_->Error = {log_->Statement, f.Token, f.Why};
        names.clear();
    } catch (const std::bad_alloc &) {
        throw;
    } catch (const std::exception &e) {
        if (!log_->Error.Failed())
            log_->Error = {log_->Statement, {}, e.what()};
        names.clear();
    }
    if (names.empty()) {
        // What ends a run leaves the record set open without columns; the log
        // keeps whatever the run wrote.
        grid_->Cells.clear();
        grid_->RowTags.clear();
        grid_->ColCount = 0;
        grid_->RowCount = 0;
    }
    fields_.clear();
    if (!names.empty()) {
        const int cols = grid_->ColCount;
        for (int c = 0; c < cols; ++c) {
            size_t size = names[static_cast<size_t>(c)].size();
            for (int r = 0; r < grid_->RowCount; ++r)
                size = std::max(size, grid_->Cell(c, r).size());
            fields_.push_back(std::unique_ptr<TField>(
                new TField(*this, c, std::move(names[static_cast<size_t>(c)]), static_cast<int>(size))));
        }
        for (int r = 0; r < grid_->RowCount; ++r)
            grid_->RowTags[static_cast<size_t>(r)] = r + 1;
    } else {
        grid_->RowCount = 0;
    }
    active_ = true;
    row_ = 0;
    First();
}

void TXmlSqlDb::Close()
{
    if (!active_)
        return;
    fields_.clear();
    grid_.reset();
    current_.clear();
    active_ = false;
    row_ = -1;
    eof_ = bof_ = true;
}

int TXmlSqlDb::RecordCount() const { return active_ ? grid_->RowCount : 0; }

int TXmlSqlDb::RecNo() const { return active_ && grid_->RowCount > 0 ? row_ + 1 : 0; }

void TXmlSqlDb::Fetch()
{
    current_.clear();
    if (row_ < 0 || row_ >= grid_->RowCount)
        return;
    auto first = grid_->Cells.begin() + static_cast<std::ptrdiff_t>(row_) * grid_->ColCount;
    current_.assign(first, first + grid_->ColCount);
}

void TXmlSqlDb::First()
{
    CheckActive();
    if (grid_->RowCount == 0) {
        current_.clear();
        bof_ = eof_ = true;
        return;
    }
    row_ = 0;
    bof_ = true;
    eof_ = false;
    Fetch();
}

void TXmlSqlDb::Next()
{
    CheckActive();
    if (grid_->RowCount == 0) {
        current_.clear();
        eof_ = true;
        return;
    }
    if (row_ + 1 < grid_->RowCount) {
        ++row_;
        bof_ = false;
    } else {
        eof_ = true;
    }
    Fetch();
}

void TXmlSqlDb::Prior()
{
    CheckActive();
    if (grid_->RowCount == 0) {
        current_.clear();
        bof_ = true;
        return;
    }
    if (row_ > 0) {
        --row_;
        eof_ = false;
    } else {
        bof_ = true;
    }
    Fetch();
}

void TXmlSqlDb::Last()
{
    CheckActive();
    if (grid_->RowCount == 0) {
        current_.clear();
        bof_ = eof_ = true;
        return;
    }
    row_ = grid_->RowCount - 1;
    eof_ = true;
    bof_ = false;
    Fetch();
}

void TXmlSqlDb::SetRecNo(int n)
{
    CheckActive();
    if (grid_->RowCount == 0 || n < 0 || n > grid_->RowCount)
        return;
    row_ = std::max(n, 1) - 1;
    bof_ = eof_ = false;
    Fetch();
}

TField *TXmlSqlDb::FieldByName(const std::string &name) const
{
    for (auto &f : fields_)
        if (equalsNoCase(f->FieldName(), name))
            return f.get();
    Fail("Field '" + name + "' not found");
}

int TXmlSqlDb::GetBookmark() const
{
    CheckActive();
    if (row_ < 0 || row_ >= grid_->RowCount)
        return 0;
    return grid_->RowTags[static_cast<size_t>(row_)];
}

void TXmlSqlDb::GotoBookmark(int bookmark)
{
    CheckActive();
    int row = grid_->RowOfTag(bookmark);
    if (row < 0)
        Fail("Bookmark not found");
    row_ = row;
    bof_ = eof_ = false;
    Fetch();
}

} // namespace xmlsql
