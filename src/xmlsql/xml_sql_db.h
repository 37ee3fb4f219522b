// TXmlSqlDb: the record set through which the program uses the table store.
//
//   TXmlSqlDb db;
//   db.SetDataBase("/path/to/tables/");         // must end with a separator
//   db.SetSql("select * from RV1960 where VerseID = \"Jn:3:16\"");
//   db.Open();                                    // runs the statement
//   if (db.ResultText().empty())                  // empty: no statement error
//       for (db.First(); !db.Eof(); db.Next())
//           use(db.FieldByName("VerseText")->AsString());
//   db.Close();
//
// Every column is text. Statements never throw: their errors are in
// ResultText. The record set itself throws EDatabaseError for a misuse
// (an unknown field name, a move while closed, an unknown bookmark).
#pragma once
#include "xmlsql/log_file.h"

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace xmlsql {

class TLogFile;
class TStrGrid;
class TXmlSqlDb;

class EDatabaseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One result column; valid while the record set stays open.
class TField {
public:
    const std::string &FieldName() const { return name_; }
    int FieldNo() const { return index_ + 1; }
    // Greatest length among the name and the column's values.
    int Size() const { return size_; }
    // The text in the current row; empty when there is no row.
    std::string AsString() const;
    // Changes only the record set's copy of the current row, until the next move.
    void SetAsString(const std::string &text);
    // The text, or nothing when it is empty: an empty text is null.
    std::optional<std::string> Value() const;
    bool IsNull() const { return AsString().empty(); }

private:
    friend class TXmlSqlDb;
    TField(TXmlSqlDb &owner, int index, std::string name, int size)
        : owner_(owner), index_(index), name_(std::move(name)), size_(size) {}
    TXmlSqlDb &owner_;
    int index_;
    std::string name_;
    int size_;
};

class TXmlSqlDb {
public:
    TXmlSqlDb();
    ~TXmlSqlDb();
    TXmlSqlDb(const TXmlSqlDb &) = delete;
    TXmlSqlDb &operator=(const TXmlSqlDb &) = delete;

    std::string Name; // prefixes the messages of EDatabaseError when set

    const std::string &Sql() const { return sql_; }
    void SetSql(const std::string &sql) { sql_ = sql; }
    // The database folder, ending with a path separator (paths are concatenated).
    const std::string &DataBase() const { return dataBase_; }
    void SetDataBase(const std::string &folder) { dataBase_ = folder; }

    bool Active() const { return active_; }
    void SetActive(bool on) { on ? Open() : Close(); }
    // Runs Sql against DataBase; nothing when already open.
    void Open();
    // Drops the result; ResultText keeps its text until the next Open.
    void Close();

    // Why the last run failed: statement, word and reason (empty when it ran cleanly).
    const StoreError &Error() const;
    // The last error of the last run; empty when the statement ran cleanly.
    const std::string &ResultText() const;
    const TLogFile &Log() const { return *log_; }

    void First();
    void Next();
    void Prior();
    void Last();
    bool Eof() const { return eof_; }
    bool Bof() const { return bof_; }
    int RecordCount() const;
    int RecNo() const; // from 1; 0 without rows
    void SetRecNo(int n);

    int FieldCount() const { return static_cast<int>(fields_.size()); }
    TField *Fields(int i) const { return fields_.at(static_cast<size_t>(i)).get(); }
    // Letter case ignored; throws EDatabaseError "Field 'name' not found".
    TField *FieldByName(const std::string &name) const;
    std::optional<std::string> FieldValue(const std::string &name) const { return FieldByName(name)->Value(); }

    // A row's bookmark is its row number at Open, from 1.
    int GetBookmark() const;
    void GotoBookmark(int bookmark);

private:
    friend class TField;
    [[noreturn]] void Fail(const std::string &message) const;
    void CheckActive() const;
    void Fetch(); // copies the current row into the shown buffer

    std::unique_ptr<TLogFile> log_;
    std::unique_ptr<TStrGrid> grid_;
    std::vector<std::unique_ptr<TField>> fields_;
    std::vector<std::string> current_; // the current row as shown (and edited)
    std::string sql_;
    std::string dataBase_;
    bool active_ = false;
    int row_ = -1;
    bool eof_ = true;
    bool bof_ = true;
};

} // namespace xmlsql
