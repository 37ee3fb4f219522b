// The property encoding stored style tables use: a collection of entries, each
// a list of named, typed values. The readers and writers here are generic over
// the entry class; each class describes its stored properties as a list of
// Prop, and the style files build those lists.
#pragma once
#include "rv_error.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace rv::styleprops {

// Value types of the stored property encoding.
enum : uint8_t {
    vaNull = 0, vaList = 1, vaInt8 = 2, vaInt16 = 3, vaInt32 = 4, vaExtended = 5, vaString = 6, vaIdent = 7,
    vaFalse = 8, vaTrue = 9, vaBinary = 10, vaSet = 11, vaLString = 12, vaNil = 13, vaCollection = 14,
    vaSingle = 15, vaCurrency = 16, vaDate = 17, vaWString = 18, vaInt64 = 19, vaUTF8String = 20
};

constexpr int kMaxDepth = 32;

[[noreturn]] void truncated();
[[noreturn]] void nestedTooDeeply();
[[noreturn]] void collectionItemExpected();

// Reads the property encoding; every length is checked against the bytes left.
class PropReader {
public:
    explicit PropReader(std::string_view d) : p_(reinterpret_cast<const unsigned char *>(d.data())), n_(d.size()) {}
    size_t left() const { return n_ - pos_; }
    uint8_t byte()
    {
        if (pos_ >= n_)
            truncated();
        return p_[pos_++];
    }
    uint8_t peek() const
    {
        if (pos_ >= n_)
            truncated();
        return p_[pos_];
    }
    // The high bit of a type byte carries nothing for us.
    uint8_t type() { return byte() & 0x7F; }
    std::string_view bytes(size_t count);
    uint32_t u32();
    std::string shortString() { return std::string(bytes(byte())); }
    // Little-endian UTF-16 text of a vaWString value, its type byte read.
    std::u16string wideString();
    int64_t intPayload(uint8_t t);
    // Skips one value of type t (its type byte already read), whole.
    void skip(uint8_t t, int depth = 0);

private:
    void skipCollection(int depth);

    const unsigned char *p_;
    size_t n_, pos_ = 0;
};

class PropWriter {
public:
    std::string out;
    void byte(uint8_t b) { out.push_back(char(b)); }
    void u32(uint32_t v);
    void shortString(std::string_view s);
    void integer(int64_t v);
    void string(std::string_view s);
    void wstring(std::u16string_view s);
};

using Names = std::vector<const char *>;

// Name lists more than one style class uses.
extern const Names kBiDiNames;
extern const Names kFontStyleNames;

// How a property's value is stored: an integer (some also by a name from a
// fixed table), a name from the property's own list, a set of such names, a
// boolean, a string, or a form only its entry class knows (Custom).
enum class PK { Int, Color, Cursor, Charset, Enum, Set, Bool, Str, Custom };

// What reading one value came to. WrongType leaves the value unread, so the
// caller skips it whole; Unusable has consumed it.
enum class Got { Used, Unusable, WrongType };

// One stored property of an entry class: its name (dotted for nested
// objects), how its value is stored, and how to get and set it.
template <class T>
struct Prop {
    const char *name;
    PK kind;
    const Names *names = nullptr;
    std::function<int64_t(const T &)> get = nullptr;
    std::function<void(T &, int64_t)> set = nullptr;
    std::function<std::string(const T &)> gets = nullptr;
    std::function<void(T &, const std::string &)> sets = nullptr;
    bool write = true;
    // Stored even when it equals the default.
    bool always = false;
    // PK::Custom: reading a value of type t (its type byte read), and writing
    // the name and value when there is something to store.
    std::function<Got(PropReader &, T &, uint8_t t, bool &warn, int depth)> read = nullptr;
    std::function<void(PropWriter &, const char *name, const T &)> put = nullptr;
};

#define INT_PROP(T, K, N, NAMES, F) \
    Prop<T>{N, PK::K, NAMES, [](const T &e) -> int64_t { return int64_t(e.F); }, \
            [](T &e, int64_t v) { e.F = decltype(e.F)(v); }}
#define STR_PROP(T, N, F) \
    Prop<T>{N, PK::Str, nullptr, nullptr, nullptr, [](const T &e) { return std::string(e.F); }, \
            [](T &e, const std::string &v) { e.F = v; }}

// The properties every style class stores.
template <class T>
void addCommon(std::vector<Prop<T>> &v)
{
    v.push_back(STR_PROP(T, "StyleName", StyleName));
    v.push_back(INT_PROP(T, Int, "BaseStyleNo", nullptr, BaseStyleNo));
    v.push_back(INT_PROP(T, Bool, "Standard", nullptr, Standard));
    v.push_back(INT_PROP(T, Int, "StyleTemplateId", nullptr, StyleTemplateId));
}

// Reads a string value of any string type as 8-bit text in the ANSI code page;
// false when t is no string type (nothing read then).
bool readString(PropReader &r, uint8_t t, std::string &out);

// Reads a value of an integer-like kind (all but Str and Custom) into v.
Got readNumber(PropReader &r, uint8_t t, PK kind, const Names *names, int64_t &v);

// Writes the value v of an integer-like kind, its type byte first.
void writeNumber(PropWriter &w, PK kind, const Names *names, int64_t v);

// Reads one property value of p into e; false when it could not be used
// (the value has then been consumed whole).
template <class T>
bool readValue(PropReader &r, T &e, const Prop<T> &p, bool &warn, int depth)
{
    uint8_t t = r.type();
    Got got;
    if (p.kind == PK::Custom) {
        got = p.read(r, e, t, warn, depth);
    } else if (p.kind == PK::Str) {
        std::string s;
        got = readString(r, t, s) ? Got::Used : Got::WrongType;
        if (got == Got::Used)
            p.sets(e, s);
    } else {
        int64_t v = 0;
        got = readNumber(r, t, p.kind, p.names, v);
        if (got == Got::Used)
            p.set(e, v);
    }
    // A value of a type this property does not take is skipped whole, so the
    // next property name is read where it really starts.
    if (got == Got::WrongType)
        r.skip(t, depth);
    return got == Got::Used;
}

template <class T>
void readEntry(PropReader &r, T &entry, const std::vector<Prop<T>> &props, bool &warn, int depth)
{
    for (;;) {
        std::string name = r.shortString();
        if (name.empty())
            return;
        const Prop<T> *found = nullptr;
        for (auto &p : props)
            if (name == p.name) {
                found = &p;
                break;
            }
        if (!found) {
            r.skip(r.type(), depth);
            warn = true;
            continue;
        }
        if (!readValue(r, entry, *found, warn, depth))
            warn = true;
    }
}

template <class T>
void readCollection(PropReader &r, std::vector<T> &out, const std::vector<Prop<T>> &props, bool &warn, int depth)
{
    if (depth > kMaxDepth)
        nestedTooDeeply();
    while (r.peek() != 0) {
        uint8_t t = r.peek() & 0x7F;
        if (t >= vaInt8 && t <= vaInt32) {
            r.type();
            r.intPayload(t); // an order number; the position decides
        }
        if (r.type() != vaList)
            collectionItemExpected();
        out.emplace_back();
        readEntry(r, out.back(), props, warn, depth);
    }
    r.byte();
}

template <class Coll, class T>
void decodeTable(std::string_view data, Coll &out, const std::vector<Prop<T>> &props, bool *unknown)
{
    PropReader r(data);
    if ((r.byte() & 0x7F) != vaCollection)
        throw EReadViewError("Invalid RVF format: style table does not start with a collection", RvfErrorKind::Style);
    std::vector<T> entries;
    bool warn = false;
    readCollection(r, entries, props, warn, 0);
    out.Clear();
    for (auto &e : entries)
        out.Add(e);
    if (warn && unknown)
        *unknown = true;
}

template <class T>
void writeEntry(PropWriter &w, const T &e, const std::vector<Prop<T>> &props)
{
    const T def{};
    for (auto &p : props) {
        if (!p.write)
            continue;
        if (p.kind == PK::Custom) {
            p.put(w, p.name, e);
        } else if (p.kind == PK::Str) {
            std::string v = p.gets(e);
            if (v == p.gets(def))
                continue;
            w.shortString(p.name);
            w.string(v);
        } else {
            int64_t v = p.get(e);
            if (v == p.get(def) && !p.always)
                continue;
            w.shortString(p.name);
            writeNumber(w, p.kind, p.names, v);
        }
    }
}

template <class T>
void writeCollection(PropWriter &w, const std::vector<const T *> &entries, const std::vector<Prop<T>> &props)
{
    w.byte(vaCollection);
    for (const T *e : entries) {
        w.byte(vaList);
        writeEntry(w, *e, props);
        w.byte(0);
    }
    w.byte(0);
}

// Writes a nested collection property unless it is empty.
template <class T>
void putCollection(PropWriter &w, const char *name, const std::vector<T> &items, const std::vector<Prop<T>> &props)
{
    if (items.empty())
        return;
    w.shortString(name);
    std::vector<const T *> entries;
    for (auto &item : items)
        entries.push_back(&item);
    writeCollection(w, entries, props);
}

template <class Coll, class T>
std::string encodeTable(const Coll &coll, const std::vector<Prop<T>> &props)
{
    std::vector<const T *> entries;
    for (int i = 0; i < coll.Count(); ++i)
        entries.push_back(&coll[i]);
    PropWriter w;
    writeCollection(w, entries, props);
    return w.out;
}

} // namespace rv::styleprops
