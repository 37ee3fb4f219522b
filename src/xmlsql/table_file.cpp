#include "xmlsql/table_file.h"

#include "xmlsql/sql_parser.h"
#include "xmlsql/store_failure.h"
#include "xmlsql/text_util.h"

#include <cstdio>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace xmlsql {

bool FileBuffer::Load(const std::string &path)
{
    data_.reset();
    size_ = 0;
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
        return false;
    std::FILE *f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    bool ok = true;
    size_t cap = 1 << 16;
    auto expected = fs::file_size(path, ec);
    if (!ec)
        cap = static_cast<size_t>(expected) + 1; // one more byte shows the file did not grow
    data_.reset(new char[cap]);
    for (;;) {
        size_t n = std::fread(data_.get() + size_, 1, cap - size_, f);
        size_ += n;
        if (size_ < cap) {
            ok = !std::ferror(f);
            break;
        }
        // The file grew while being read: keep reading in doubled blocks.
        std::unique_ptr<char[]> bigger(new char[cap * 2]);
        std::memcpy(bigger.get(), data_.get(), size_);
        data_ = std::move(bigger);
        cap *= 2;
    }
    std::fclose(f);
    if (!ok) {
        data_.reset();
        size_ = 0;
        return false;
    }
    if (const void *eof = std::memchr(data_.get(), 26, size_))
        size_ = static_cast<size_t>(static_cast<const char *>(eof) - data_.get());
    return true;
}


static bool startsWithUpper(const char *p, const char *end, std::string_view needleUpper)
{
    if (static_cast<size_t>(end - p) < needleUpper.size())
        return false;
    for (size_t i = 0; i < needleUpper.size(); ++i)
        if (upperAscii(p[i]) != needleUpper[i])
            return false;
    return true;
}

// The first byte equal to a, b or c in [p, end), or end.
static inline const char *findAny(const char *p, const char *end, char a, char b, char c)
{
#ifdef __SSE2__
    const __m128i va = _mm_set1_epi8(a), vb = _mm_set1_epi8(b), vc = _mm_set1_epi8(c);
    while (end - p >= 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb)), _mm_cmpeq_epi8(v, vc));
        if (int mask = _mm_movemask_epi8(hit))
            return p + __builtin_ctz(static_cast<unsigned>(mask));
        p += 16;
    }
#endif
    while (p < end && *p != a && *p != b && *p != c)
        ++p;
    return p;
}

// The first byte equal to a or b in [p, end), or end. Inline, because the
// calls are per line and a library call costs more than the short scan.
static inline const char *findEither(const char *p, const char *end, char a, char b)
{
#ifdef __SSE2__
    const __m128i va = _mm_set1_epi8(a), vb = _mm_set1_epi8(b);
    while (end - p >= 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        if (int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb))))
            return p + __builtin_ctz(static_cast<unsigned>(mask));
        p += 16;
    }
#endif
    while (p < end && *p != a && *p != b)
        ++p;
    return p;
}

bool LineReader::Next(std::string_view &line)
{
    if (p_ == end_) {
        incomplete_ = !final_;
        return false;
    }
    const char *nl = findEither(p_, end_, '\n', '\n');
    if (nl == end_ && !final_) {
        incomplete_ = true;
        return false;
    }
    const char *lineEnd = nl;
    if (nl != end_ && lineEnd > p_ && lineEnd[-1] == '\r')
        --lineEnd;
    line = std::string_view(p_, static_cast<size_t>(lineEnd - p_));
    p_ = nl == end_ ? end_ : nl + 1;
    return true;
}

// Table files are mostly verse text, so this is where every statement spends
// its time: one pass over each line finds its end, its value and its tags.
bool LineReader::NextField(FieldLine &field)
{
    if (p_ == end_) {
        incomplete_ = !final_;
        return false;
    }
    const char *start = p_;
    bool recordEnd = false;
    const char *gt = nullptr, *lt = nullptr;
    const char *q;
    const size_t avail = static_cast<size_t>(end_ - start);
    // The layouts the store writes take a short cut; it finds what the
    // general scan below would find.
    static constexpr std::string_view kOpen = "\t\t<field>", kClose = "</field>\r\n", kEnd = "\t</record>\r\n";
    if (avail >= kEnd.size() && std::memcmp(start, kEnd.data(), kEnd.size()) == 0) {
        p_ = start + kEnd.size();
        field.line = std::string_view(start, kEnd.size() - 2);
        field.value = {};
        field.recordEnd = true;
        return true;
    }
    if (avail >= kOpen.size() && std::memcmp(start, kOpen.data(), kOpen.size()) == 0) {
        gt = start + kOpen.size() - 1;
        q = findEither(gt + 1, end_, '<', '\n');
        if (q < end_ && *q == '<') {
            lt = q;
            if (static_cast<size_t>(end_ - q) >= kClose.size() && std::memcmp(q, kClose.data(), kClose.size()) == 0) {
                p_ = q + kClose.size();
                field.line = std::string_view(start, static_cast<size_t>(q + kClose.size() - 2 - start));
                field.value = std::string_view(gt + 1, static_cast<size_t>(lt - gt - 1));
                field.recordEnd = false;
                return true;
            }
        }
    } else {
        // Up to the first '>' (the opening tag), every '<' is looked at for
        // the record end tag.
        q = findAny(start, end_, '<', '>', '\n');
        while (q < end_ && *q == '<') {
            if (!recordEnd)
                recordEnd = startsWithUpper(q, end_, "</RECORD");
            q = findAny(q + 1, end_, '<', '>', '\n');
        }
        if (q < end_ && *q == '>') {
            gt = q;
            q = findEither(q + 1, end_, '<', '\n');
            if (q < end_ && *q == '<')
                lt = q;
        }
    }
    // From the value's end on, every '<' is looked at as well.
    while (q < end_ && *q == '<') {
        if (!recordEnd)
            recordEnd = startsWithUpper(q, end_, "</RECORD");
        q = findEither(q + 1, end_, '<', '\n');
    }
    // q is at the LF or the end; the tag needles hold no LF, so no match above ran past the line.
    if (q == end_ && !final_) {
        incomplete_ = true;
        return false;
    }
    const char *lineEnd = q;
    p_ = q == end_ ? end_ : q + 1;
    if (q != end_ && lineEnd > start && lineEnd[-1] == '\r')
        --lineEnd;
    field.line = std::string_view(start, static_cast<size_t>(lineEnd - start));
    // A value ending at the CR of CR LF cannot happen: lt is a '<'.
    field.value = lt ? std::string_view(gt + 1, static_cast<size_t>(lt - gt - 1)) : std::string_view();
    field.recordEnd = recordEnd;
    return true;
}

static size_t blockSize = 256 * 1024;

void ChunkedFile::SetBlockSize(size_t bytes) { blockSize = bytes < 16 ? 16 : bytes; }

ChunkedFile::~ChunkedFile()
{
    if (f_)
        std::fclose(f_);
}

bool ChunkedFile::Open(const std::string &path)
{
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
        return false;
    auto size = fs::file_size(path, ec);
    fileSize_ = ec ? 0 : static_cast<size_t>(size);
    f_ = std::fopen(path.c_str(), "rb");
    if (!f_)
        return false;
    std::setvbuf(f_, nullptr, _IONBF, 0); // blocks go straight into our buffer
    cap_ = blockSize;
    buf_.reset(new char[cap_]);
    begin_ = end_ = 0;
    eof_ = false;
    return ReadMore(buf_.get());
}

bool ChunkedFile::ReadMore(const char *keep)
{
    if (eof_)
        return true;
    size_t kept = end_ - static_cast<size_t>(keep - buf_.get());
    if (kept * 2 > cap_) {
        // One line or record fills half the buffer: grow, so that progress is
        // made; only a file's own content can make it grow.
        std::unique_ptr<char[]> bigger(new char[cap_ * 2]);
        std::memcpy(bigger.get(), keep, kept);
        buf_ = std::move(bigger);
        cap_ *= 2;
    } else if (kept) {
        std::memmove(buf_.get(), keep, kept);
    }
    begin_ = 0;
    end_ = kept;
    size_t n = std::fread(buf_.get() + end_, 1, cap_ - end_, f_);
    if (n == 0) {
        eof_ = true;
        return !std::ferror(f_);
    }
    if (const void *z = std::memchr(buf_.get() + end_, 26, n)) {
        n = static_cast<size_t>(static_cast<const char *>(z) - (buf_.get() + end_));
        eof_ = true; // Ctrl-Z ends the file
    }
    end_ += n;
    return true;
}

void TableHeader::ClearColumns()
{
    FieldNames.clear();
    UpperFieldNames.clear();
    FieldTypes.clear();
}

// The text between a word's first and second double quote; empty without both.
static std::string_view quotedValue(std::string_view word)
{
    auto a = word.find('"');
    if (a == std::string_view::npos)
        return {};
    auto b = word.find('"', a + 1);
    if (b == std::string_view::npos)
        return {};
    return word.substr(a + 1, b - a - 1);
}

bool TableHeader::ParseTableHeader(std::string_view line)
{
    ClearColumns();
    std::string_view fields, types, lastid;
    bool haveLastId = false;
    size_t start = 0;
    while (start <= line.size()) {
        size_t blank = line.find(' ', start);
        std::string_view word = line.substr(start, blank == std::string_view::npos ? line.npos : blank - start);
        if (containsUpper(word, "FIELDS"))
            fields = quotedValue(word);
        else if (containsUpper(word, "TYPES"))
            types = quotedValue(word);
        else if (containsUpper(word, "LASTID")) {
            lastid = quotedValue(word);
            haveLastId = true;
        }
        if (blank == std::string_view::npos)
            break;
        start = blank + 1;
    }
    for (auto &name : tAwkline(fields, ",")) {
        UpperFieldNames.push_back(upperAscii(name));
        FieldNames.push_back(std::move(name));
    }
    for (auto &type : tAwkline(types, ","))
        FieldTypes.push_back(std::move(type));
    if (!haveLastId)
        return false;
    auto v = parseInt64(lastid);
    if (!v || *v == INT64_MAX)
        throw StoreFailure("the table's lastid is not a number below the limit", std::string(lastid));
    LastId = *v + 1;
    return true;
}

static std::string joinComma(const std::vector<std::string> &list)
{
    std::string r;
    for (size_t i = 0; i < list.size(); ++i) {
        if (i)
            r += ',';
        r += list[i];
    }
    return r;
}

std::string TableHeader::BuildTableHeader() const
{
    std::string types = joinComma(FieldTypes);
    std::string line = "<table fields=\"" + joinComma(FieldNames) + "\" types=\"" + types;
    if (types.find("autoinc") != std::string::npos)
        line += "\" lastid=\"" + std::to_string(LastId) + "\">";
    else
        line += "\">";
    return line;
}

void ReadRecord(LineReader &in, std::string_view recordLine, size_t colCount, Record &rec)
{
    rec.values.read.clear();
    rec.values.fill = {};
    rec.values.count = colCount;
    FieldLine current;
    bool haveLine = in.NextField(current); // past the end reads as an empty line
    for (size_t col = 0; col < colCount; ++col) {
        std::string_view value = haveLine ? current.value : std::string_view();
        if (!haveLine || current.recordEnd) {
            // The record ended early: this line gives every remaining column.
            rec.values.fill = value;
            break;
        }
        rec.values.read.push_back(value);
        haveLine = in.NextField(current);
    }
    rec.raw = std::string_view(recordLine.data(), static_cast<size_t>(in.Position() - recordLine.data()));
}

void WriteRawLines(std::string &out, std::string_view raw)
{
    LineReader in(raw);
    std::string_view line;
    while (in.Next(line))
        WriteLine(out, line);
}

std::string FindTableFile(const std::string &folder, const std::string &wanted)
{
    std::error_code ec;
    fs::directory_iterator it(folder.empty() ? fs::path() : fs::path(folder), ec);
    if (ec)
        throw StoreFailure("the folder cannot be listed: " + folder);
    std::string best;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            throw StoreFailure("the folder cannot be listed: " + folder);
        std::string name = it->path().filename().string();
        if (name == wanted)
            return name;
        if (equalsNoCase(name, wanted) && (best.empty() || name < best))
            best = name;
    }
    return best;
}

bool MakeBackup(const std::string &path)
{
    std::string backup = path + ".bak";
    std::error_code ec;
    fs::remove(backup, ec);
    // A second name for the old content costs nothing; the new content is then
    // renamed over the table file. Copy where links are not supported.
    fs::create_hard_link(path, backup, ec);
    if (!ec)
        return true;
    return fs::copy_file(path, backup, fs::copy_options::overwrite_existing, ec) && !ec;
}

bool ReplaceFile(const std::string &path, std::string_view content)
{
    std::string temp = path + ".tmp";
    std::FILE *f = std::fopen(temp.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(content.data(), 1, content.size(), f) == content.size();
    ok = std::fflush(f) == 0 && ok;
    ok = std::fclose(f) == 0 && ok;
    std::error_code ec;
    if (ok) {
        fs::rename(temp, path, ec);
        ok = !ec;
    }
    if (!ok)
        fs::remove(temp, ec);
    return ok;
}

} // namespace xmlsql
