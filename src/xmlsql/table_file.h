// The table file: a declaration, a table line naming the columns, one record
// per row with one field per line, and a closing line. It is read line by line
// and lines are recognised by the tag text they contain, not as XML.
#pragma once
#include <cstdint>
#include <cstdio>
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

// A line read for a record field: the value between its first '>' and the
// next '<', and whether it holds a record end tag.
struct FieldLine {
    std::string_view line;
    std::string_view value;
    bool recordEnd = false;
};

// Lines of a text: a line ends at LF or CR LF; past the end it yields nothing.
// A text that is not `final` (a block of a longer file) may end inside a
// line: such a line is not returned and Incomplete() tells the caller to
// read on and start again from an earlier position.
class LineReader {
public:
    explicit LineReader(std::string_view text, bool final = true)
        : p_(text.data()), end_(text.data() + text.size()), final_(final) {}
    bool Next(std::string_view &line);
    // The same line as Next, examined for a record in the same single pass.
    bool NextField(FieldLine &field);
    bool AtEnd() const { return p_ == end_; }
    bool Incomplete() const { return incomplete_; }
    const char *Position() const { return p_; }

private:
    const char *p_;
    const char *end_;
    bool final_;
    bool incomplete_ = false;
};

// A table file read in large blocks into one buffer that stays in the
// processor's cache; a block keeps the unfinished line or record before it.
class ChunkedFile {
public:
    ~ChunkedFile();
    bool Open(const std::string &path); // false unless a readable regular file
    size_t Size() const { return fileSize_; }
    std::string_view Pending() const { return {buf_.get() + begin_, end_ - begin_}; }
    bool AtEof() const { return eof_; }
    // Drops what lies before `keep` (a position in Pending) and reads on.
    // False on a read error.
    bool ReadMore(const char *keep);
    // The first block's size (256 KiB); tests make it small to cut lines often.
    static void SetBlockSize(size_t bytes);

private:
    std::FILE *f_ = nullptr;
    std::unique_ptr<char[]> buf_;
    size_t cap_ = 0, begin_ = 0, end_ = 0, fileSize_ = 0;
    bool eof_ = false;
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
    bool IsFill(size_t i) const { return i >= read.size(); }
};

struct Record {
    RecordValues values;
    std::string_view raw; // the consumed lines, from the record line on, as in the file
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

// Writes consumed lines back, each ended with CR LF.
void WriteRawLines(std::string &out, std::string_view raw);

// The folder entry that equals `wanted` without regard to case (an exact match
// first), or empty. Throws StoreFailure when the folder cannot be listed.
std::string FindTableFile(const std::string &folder, const std::string &wanted);

// Makes `path`.bak the previous content of `path`, replacing an older backup.
bool MakeBackup(const std::string &path);
// Writes `content` beside `path` and renames it into place, so the file holds
// either its old or its whole new content whatever happens on the way.
bool ReplaceFile(const std::string &path, std::string_view content);

} // namespace xmlsql
