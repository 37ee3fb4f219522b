#include "xmlsql/table_file.h"

#include "xmlsql/sql_parser.h"
#include "xmlsql/store_failure.h"
#include "xmlsql/text_util.h"

#include <cstdio>
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

bool LineReader::Next(std::string_view &line)
{
    if (p_ == end_)
        return false;
    const char *nl = static_cast<const char *>(std::memchr(p_, '\n', static_cast<size_t>(end_ - p_)));
    const char *stop = nl ? nl : end_;
    const char *lineEnd = stop;
    if (nl && lineEnd > p_ && lineEnd[-1] == '\r')
        --lineEnd;
    line = std::string_view(p_, static_cast<size_t>(lineEnd - p_));
    p_ = nl ? nl + 1 : end_;
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
        throw StoreFailure();
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

// The text after a line's first '>' up to the next '<'; empty when either is missing.
static std::string_view fieldValue(std::string_view line)
{
    auto gt = line.find('>');
    if (gt == std::string_view::npos)
        return {};
    auto lt = line.find('<', gt + 1);
    if (lt == std::string_view::npos)
        return {};
    return line.substr(gt + 1, lt - gt - 1);
}

void ReadRecord(LineReader &in, std::string_view recordLine, size_t colCount, Record &rec)
{
    rec.values.read.clear();
    rec.values.fill = {};
    rec.values.count = colCount;
    rec.lines.clear();
    rec.lines.push_back(recordLine);
    std::string_view current;
    bool haveLine = in.Next(current); // past the end reads as an empty line
    if (haveLine)
        rec.lines.push_back(current);
    for (size_t col = 0; col < colCount; ++col) {
        std::string_view value = haveLine ? fieldValue(current) : std::string_view();
        if (!haveLine || containsUpper(current, "</RECORD")) {
            // The record ended early: this line gives every remaining column.
            rec.values.fill = value;
            return;
        }
        rec.values.read.push_back(value);
        haveLine = in.Next(current);
        if (haveLine)
            rec.lines.push_back(current);
    }
}

std::string FindTableFile(const std::string &folder, const std::string &wanted)
{
    std::error_code ec;
    fs::directory_iterator it(folder.empty() ? fs::path() : fs::path(folder), ec);
    if (ec)
        throw StoreFailure();
    std::string best;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            throw StoreFailure();
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
