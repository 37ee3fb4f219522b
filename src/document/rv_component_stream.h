// A bounded cursor over a component stream: the typed value encoding that
// stored style tables, controls and tables use (a type byte, then a payload
// whose size the type fixes or a length in front of it gives). Every read is
// checked against the bytes left; running out, an unknown type or nesting
// beyond kMaxValueDepth throws EReadViewError with the reason.
#pragma once
#include "rv_error.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rv {

// Value type bytes (the high bit of a type byte carries nothing for us).
enum TRVValueType : uint8_t {
    vtNull = 0, vtList = 1, vtInt8 = 2, vtInt16 = 3, vtInt32 = 4, vtExtended = 5, vtString = 6, vtIdent = 7,
    vtFalse = 8, vtTrue = 9, vtBinary = 10, vtSet = 11, vtLString = 12, vtNil = 13, vtCollection = 14,
    vtSingle = 15, vtCurrency = 16, vtDate = 17, vtWString = 18, vtInt64 = 19, vtUTF8String = 20
};

class TRVComponentReader {
public:
    static constexpr int kMaxValueDepth = 32;

    // `what` names the stream in messages ("table").
    TRVComponentReader(std::string_view data, const char *what) : d_(data), what_(what) {}

    size_t Left() const { return d_.size() - pos_; }
    size_t Pos() const { return pos_; }
    bool AtEnd() const { return pos_ >= d_.size(); }

    uint8_t Byte();
    uint8_t Peek() const;
    uint8_t Type() { return Byte() & 0x7F; }
    uint8_t PeekType() const { return Peek() & 0x7F; }
    std::string_view Bytes(size_t count);
    uint32_t U32();
    std::string ShortString() { return std::string(Bytes(Byte())); }

    // An integer value of any integer type (8, 16, 32 or 64 bits); a 64-bit
    // value outside 32 bits is refused.
    int32_t Int();
    // The payload of an integer of type t.
    int64_t IntPayload(uint8_t t);
    static bool IsIntType(uint8_t t) { return t == vtInt8 || t == vtInt16 || t == vtInt32 || t == vtInt64; }
    // A string payload of type t (6, 12, 18 or 20) as 8-bit text; UTF-16 and
    // UTF-8 are narrowed to Latin-1 with "?" for what does not fit.
    std::string StringPayload(uint8_t t);
    static bool IsStringType(uint8_t t) { return t == vtString || t == vtLString || t == vtWString || t == vtUTF8String; }
    // Set payload: identifiers up to an empty one.
    void ReadSetNames(std::vector<std::string> &names);
    // Skips the payload of one value of type t, whole.
    void Skip(uint8_t t, int depth = 0);

    [[noreturn]] void Fail(const std::string &why) const;

private:
    void skipCollection(int depth);
    std::string_view d_;
    const char *what_;
    size_t pos_ = 0;
};

} // namespace rv
