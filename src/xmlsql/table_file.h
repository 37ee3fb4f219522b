// The table file: a declaration, a table line naming the columns, one record
// per row with one field per line, and a closing line. It is read line by line
// and lines are recognised by the tag text they contain, not as XML.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace xmlsql {

inline constexpr std::string_view kDeclaration = "<?xml version='1.0' encoding='ISO-8859-1'?>";
inline constexpr std::string_view kRecordLine = "\t<record>";
inline constexpr std::string_view kRecordEndLine = "\t</record>";
inline constexpr std::string_view kClosingLine = "</table>";
inline constexpr std::string_view kLineEnd = "\r\n";

// A whole file in memory, cut at the first Ctrl-Z. Statements read the table
// file once per run, so one large read beats line-sized ones.
class FileBuffer {
public:
    // False when the path is not a readable regular file.
    bool Load(const std::string &path);
    std::string_view Text() const { return {data_.get(), size_}; }
    size_t Size() const { return size_; }

private:
    std::unique_ptr<char[]> data_;
    size_t size_ = 0;
};

// Lines of a text: a line ends at LF or CR LF; past the end it yields nothing.
class LineReader {
public:
    explicit LineReader(std::string_view text) : p_(text.data()), end_(text.data() + text.size()) {}
    bool Next(std::string_view &line);
    bool AtEnd() const { return p_ == end_; }

private:
    const char *p_;
    const char *end_;
};

// Columns of a table as its table line gives them.
struct TableHeader {
    std::vector<std::string> FieldNames;      // as spelled
    std::vector<std::string> UpperFieldNames; // the same in capitals
    std::vector<std::string> FieldTypes;      // as written
    int64_t LastId = -1;

    void ClearColumns();
    // Fills the columns from a table line (the lists are emptied first); true
    // when it had a lastid attribute, which then sets LastId to the stored
    // value plus one. Throws StoreFailure when that value is not a number.
    bool ParseTableHeader(std::string_view line);
    std::string BuildTableHeader() const;
};

// One record as read: values for the first columns, and for the columns after
// them the value of the line that ended the record early (`fill`). Views point
// into the file buffer, so reading copies nothing.
struct RecordValues {
    std::vector<std::string_view> read;
    std::string_view fill;
    size_t count = 0; // the table's column count

    std::string_view operator[](size_t i) const { return i < read.size() ? read[i] : fill; }
    size_t size() const { return count; }
};

struct Record {
    RecordValues values;
    std::vector<std::string_view> lines; // consumed lines, the record line included
};

// Reads the record that `recordLine` (just read) starts.
void ReadRecord(LineReader &in, std::string_view recordLine, size_t colCount, Record &rec);

// Appends the record line, one field line per value and the record end line.
template <class Values>
void WriteRecord(std::string &out, const Values &values, size_t count)
{
    out += kRecordLine;
    out += kLineEnd;
    for (size_t i = 0; i < count; ++i) {
        out += "\t\t<field>";
        out += values[i];
        out += "</field>";
        out += kLineEnd;
    }
    out += kRecordEndLine;
    out += kLineEnd;
}

inline void WriteLine(std::string &out, std::string_view line)
{
    out += line;
    out += kLineEnd;
}

// The folder entry that equals `wanted` without regard to case (an exact match
// first), or empty. Throws StoreFailure when the folder cannot be listed.
std::string FindTableFile(const std::string &folder, const std::string &wanted);

// Makes `path`.bak the previous content of `path`, replacing an older backup.
bool MakeBackup(const std::string &path);
// Writes `content` beside `path` and renames it into place, so the file holds
// either its old or its whole new content whatever happens on the way.
bool ReplaceFile(const std::string &path, std::string_view content);

} // namespace xmlsql
