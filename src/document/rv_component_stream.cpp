#include "rv_component_stream.h"

namespace rv {

void TRVComponentReader::Fail(const std::string &why) const
{
    throw EReadViewError("Invalid RVF format: " + std::string(what_) + ": " + why + " (byte " + std::to_string(pos_)
                         + ")",
                         RvfErrorKind::Table);
}

uint8_t TRVComponentReader::Byte()
{
    if (pos_ >= d_.size())
        Fail("data ends early");
    return uint8_t(d_[pos_++]);
}

uint8_t TRVComponentReader::Peek() const
{
    if (pos_ >= d_.size())
        Fail("data ends early");
    return uint8_t(d_[pos_]);
}

std::string_view TRVComponentReader::Bytes(size_t count)
{
    if (count > Left())
        Fail("data ends early");
    std::string_view v = d_.substr(pos_, count);
    pos_ += count;
    return v;
}

uint32_t TRVComponentReader::U32()
{
    auto b = Bytes(4);
    return uint8_t(b[0]) | uint8_t(b[1]) << 8 | uint8_t(b[2]) << 16 | uint32_t(uint8_t(b[3])) << 24;
}

int64_t TRVComponentReader::IntPayload(uint8_t t)
{
    switch (t) {
    case vtInt8: return int8_t(Byte());
    case vtInt16: {
        auto b = Bytes(2);
        return int16_t(uint16_t(uint8_t(b[0]) | uint8_t(b[1]) << 8));
    }
    case vtInt32: return int32_t(U32());
    case vtInt64: {
        uint64_t lo = U32(), hi = U32();
        return int64_t(lo | hi << 32);
    }
    default: Fail("integer expected");
    }
}

int32_t TRVComponentReader::Int()
{
    uint8_t t = Type();
    if (!IsIntType(t))
        Fail("integer expected, found value type " + std::to_string(t));
    int64_t v = IntPayload(t);
    if (v < INT32_MIN || v > INT32_MAX)
        Fail("integer out of range");
    return int32_t(v);
}

std::string TRVComponentReader::StringPayload(uint8_t t)
{
    switch (t) {
    case vtString: return ShortString();
    case vtLString: return std::string(Bytes(U32()));
    case vtUTF8String: {
        std::string_view u = Bytes(U32());
        std::string out;
        for (size_t i = 0; i < u.size();) {
            unsigned char c = uint8_t(u[i]);
            uint32_t cp = c;
            size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
            if (n > 1 && i + n <= u.size()) {
                cp = c & (0x3F >> (n - 1));
                for (size_t k = 1; k < n; ++k)
                    cp = cp << 6 | (uint8_t(u[i + k]) & 0x3F);
            } else if (n > 1) {
                n = u.size() - i;
                cp = '?';
            }
            out.push_back(cp < 0x100 ? char(cp) : '?');
            i += n;
        }
        return out;
    }
    case vtWString: {
        uint32_t count = U32();
        if (count > Left() / 2)
            Fail("data ends early");
        std::string_view w = Bytes(size_t(count) * 2);
        std::string out;
        for (size_t i = 0; i < w.size(); i += 2) {
            uint16_t u = uint16_t(uint8_t(w[i]) | uint8_t(w[i + 1]) << 8);
            out.push_back(u < 0x100 ? char(u) : '?');
        }
        return out;
    }
    default: Fail("string expected");
    }
}

void TRVComponentReader::ReadSetNames(std::vector<std::string> &names)
{
    for (std::string s = ShortString(); !s.empty(); s = ShortString())
        names.push_back(std::move(s));
}

void TRVComponentReader::Skip(uint8_t t, int depth)
{
    if (depth > kMaxValueDepth)
        Fail("values nested too deeply");
    switch (t) {
    case vtNull: case vtFalse: case vtTrue: case vtNil: return;
    case vtList:
        while (Peek() != 0)
            Skip(Type(), depth + 1);
        Byte();
        return;
    case vtInt8: Bytes(1); return;
    case vtInt16: Bytes(2); return;
    case vtInt32: case vtSingle: Bytes(4); return;
    case vtExtended: Bytes(10); return;
    case vtString: case vtIdent: Bytes(Byte()); return;
    case vtBinary: case vtLString: case vtUTF8String: Bytes(U32()); return;
    case vtSet:
        for (uint8_t len = Byte(); len != 0; len = Byte())
            Bytes(len);
        return;
    case vtCollection: skipCollection(depth + 1); return;
    case vtCurrency: case vtDate: case vtInt64: Bytes(8); return;
    case vtWString: {
        uint32_t count = U32();
        if (count > Left() / 2)
            Fail("data ends early");
        Bytes(size_t(count) * 2);
        return;
    }
    default: Fail("unknown value type " + std::to_string(t));
    }
}

void TRVComponentReader::skipCollection(int depth)
{
    while (Peek() != 0) {
        uint8_t t = PeekType();
        if (t == vtInt8 || t == vtInt16 || t == vtInt32)
            Skip(Type(), depth);
        if (Type() != vtList)
            Fail("collection item expected");
        while (Peek() != 0) {
            Bytes(Byte()); // name
            Skip(Type(), depth + 1);
        }
        Byte();
    }
    Byte();
}

} // namespace rv
