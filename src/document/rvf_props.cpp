#include "rvf_props.h"

#include "platform/codepage.h"
#include "rvf_styles.h"

#include <cmath>

namespace rv {

using namespace platform;

namespace styleprops {

void truncated() { throw EReadViewError("Invalid RVF format: style table ends early", RvfErrorKind::Style); }
void nestedTooDeeply() { throw EReadViewError("Invalid RVF format: style table nested too deeply", RvfErrorKind::Style); }
void collectionItemExpected()
{
    throw EReadViewError("Invalid RVF format: collection item expected", RvfErrorKind::Style);
}

// ---------------------------------------------------------------- reading

std::string_view PropReader::bytes(size_t count)
{
    if (count > left())
        truncated();
    std::string_view v(reinterpret_cast<const char *>(p_ + pos_), count);
    pos_ += count;
    return v;
}

uint32_t PropReader::u32()
{
    auto b = bytes(4);
    return uint8_t(b[0]) | uint8_t(b[1]) << 8 | uint8_t(b[2]) << 16 | uint32_t(uint8_t(b[3])) << 24;
}

std::u16string PropReader::wideString()
{
    uint32_t count = u32();
    if (count > left() / 2)
        truncated();
    return platform::utf16FromLittleEndian(bytes(size_t(count) * 2));
}

int64_t PropReader::intPayload(uint8_t t)
{
    switch (t) {
    case vaInt8: return int8_t(byte());
    case vaInt16: { auto b = bytes(2); return int16_t(uint8_t(b[0]) | uint8_t(b[1]) << 8); }
    case vaInt32: return int32_t(u32());
    case vaInt64: { uint64_t lo = u32(); uint64_t hi = u32(); return int64_t(lo | hi << 32); }
    default: return 0;
    }
}

void PropReader::skip(uint8_t t, int depth)
{
    if (depth > kMaxDepth)
        nestedTooDeeply();
    switch (t) {
    case vaNull: case vaFalse: case vaTrue: case vaNil: return;
    case vaList:
        while (peek() != 0)
            skip(type(), depth + 1);
        byte();
        return;
    case vaInt8: bytes(1); return;
    case vaInt16: bytes(2); return;
    case vaInt32: case vaSingle: bytes(4); return;
    case vaExtended: bytes(10); return;
    case vaString: case vaIdent: bytes(byte()); return;
    case vaBinary: case vaLString: case vaUTF8String: bytes(u32()); return;
    case vaSet:
        // Names as short strings, ended by an empty one.
        for (uint8_t len = byte(); len != 0; len = byte())
            bytes(len);
        return;
    case vaCollection: skipCollection(depth + 1); return;
    case vaCurrency: case vaDate: case vaInt64: bytes(8); return;
    case vaWString: wideString(); return;
    default: throw EReadViewError("Invalid RVF format: unknown value type in style table", RvfErrorKind::Style);
    }
}

void PropReader::skipCollection(int depth)
{
    while (peek() != 0) {
        uint8_t t = peek() & 0x7F;
        if (t >= vaInt8 && t <= vaInt32)
            skip(type(), depth);
        if (type() != vaList)
            collectionItemExpected();
        while (peek() != 0) {
            bytes(byte()); // name
            skip(type(), depth + 1);
        }
        byte();
    }
    byte();
}

// ---------------------------------------------------------------- writing

void PropWriter::u32(uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        byte(uint8_t(v >> (8 * i)));
}

void PropWriter::shortString(std::string_view s)
{
    s = s.substr(0, 255);
    byte(uint8_t(s.size()));
    out.append(s);
}

void PropWriter::integer(int64_t v)
{
    if (v >= -128 && v <= 127) {
        byte(vaInt8);
        byte(uint8_t(v));
    } else if (v >= -32768 && v <= 32767) {
        byte(vaInt16);
        byte(uint8_t(v));
        byte(uint8_t(v >> 8));
    } else {
        byte(vaInt32);
        u32(uint32_t(v));
    }
}

void PropWriter::string(std::string_view s)
{
    if (s.size() <= 255) {
        byte(vaString);
        shortString(s);
    } else {
        byte(vaLString);
        u32(uint32_t(s.size()));
        out.append(s);
    }
}

void PropWriter::wstring(std::u16string_view s)
{
    byte(vaWString);
    u32(uint32_t(s.size()));
    for (char16_t c : s) {
        byte(uint8_t(c));
        byte(uint8_t(c >> 8));
    }
}

// ---------------------------------------------------------------- named values

const Names kBiDiNames = {"rvbdUnspecified", "rvbdLeftToRight", "rvbdRightToLeft"};
const Names kFontStyleNames = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};

namespace {

struct Named { const char *name; int64_t value; };

const Named kColors[] = {
    {"clBlack", 0x000000}, {"clMaroon", 0x000080}, {"clGreen", 0x008000}, {"clOlive", 0x008080},
    {"clNavy", 0x800000}, {"clPurple", 0x800080}, {"clTeal", 0x808000}, {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0}, {"clRed", 0x0000FF}, {"clLime", 0x00FF00}, {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000}, {"clFuchsia", 0xFF00FF}, {"clAqua", 0xFFFF00}, {"clWhite", 0xFFFFFF},
    {"clMoneyGreen", 0xC0DCC0}, {"clSkyBlue", 0xF0CAA6}, {"clCream", 0xF0FBFF}, {"clMedGray", 0xA4A0A0},
    {"clScrollBar", 0xFF000000}, {"clBackground", 0xFF000001}, {"clActiveCaption", 0xFF000002},
    {"clInactiveCaption", 0xFF000003}, {"clMenu", 0xFF000004}, {"clWindow", 0xFF000005},
    {"clWindowFrame", 0xFF000006}, {"clMenuText", 0xFF000007}, {"clWindowText", 0xFF000008},
    {"clCaptionText", 0xFF000009}, {"clActiveBorder", 0xFF00000A}, {"clInactiveBorder", 0xFF00000B},
    {"clAppWorkSpace", 0xFF00000C}, {"clHighlight", 0xFF00000D}, {"clHighlightText", 0xFF00000E},
    {"clBtnFace", 0xFF00000F}, {"clBtnShadow", 0xFF000010}, {"clGrayText", 0xFF000011},
    {"clBtnText", 0xFF000012}, {"clInactiveCaptionText", 0xFF000013}, {"clBtnHighlight", 0xFF000014},
    {"cl3DDkShadow", 0xFF000015}, {"cl3DLight", 0xFF000016}, {"clInfoText", 0xFF000017},
    {"clInfoBk", 0xFF000018}, {"clHotLight", 0xFF00001A}, {"clGradientActiveCaption", 0xFF00001B},
    {"clGradientInactiveCaption", 0xFF00001C}, {"clMenuHighlight", 0xFF00001D}, {"clMenuBar", 0xFF00001E},
    {"clNone", 0x1FFFFFFF}, {"clDefault", 0x20000000}};
const Named kCursors[] = {
    {"crDefault", 0}, {"crArrow", -2}, {"crCross", -3}, {"crIBeam", -4}, {"crSizeNESW", -6}, {"crSizeNS", -7},
    {"crSizeNWSE", -8}, {"crSizeWE", -9}, {"crUpArrow", -10}, {"crHourGlass", -11}, {"crDrag", -12},
    {"crNoDrop", -13}, {"crHSplit", -14}, {"crVSplit", -15}, {"crMultiDrag", -16}, {"crSQLWait", -17},
    {"crNo", -18}, {"crAppStart", -19}, {"crHelp", -20}, {"crHandPoint", -21}, {"crSizeAll", -22}, {"crSize", -22}};
const Named kCharsets[] = {
    {"ANSI_CHARSET", 0}, {"DEFAULT_CHARSET", 1}, {"SYMBOL_CHARSET", 2}, {"MAC_CHARSET", 77},
    {"SHIFTJIS_CHARSET", 128}, {"HANGEUL_CHARSET", 129}, {"JOHAB_CHARSET", 130}, {"GB2312_CHARSET", 134},
    {"CHINESEBIG5_CHARSET", 136}, {"GREEK_CHARSET", 161}, {"TURKISH_CHARSET", 162}, {"HEBREW_CHARSET", 177},
    {"ARABIC_CHARSET", 178}, {"BALTIC_CHARSET", 186}, {"RUSSIAN_CHARSET", 204}, {"THAI_CHARSET", 222},
    {"EASTEUROPE_CHARSET", 238}, {"OEM_CHARSET", 255}};

template <size_t N>
bool lookupName(const Named (&table)[N], const std::string &name, int64_t &v)
{
    for (const Named &n : table)
        if (name == n.name) {
            v = n.value;
            return true;
        }
    return false;
}

template <size_t N>
bool nameOf(const Named (&table)[N], int64_t v, const char *&name)
{
    for (const Named &n : table)
        if (n.value == v) {
            name = n.name;
            return true;
        }
    return false;
}

// The value a stored identifier names for a Color, Cursor or Charset property.
bool identValue(PK kind, const std::string &id, int64_t &v)
{
    switch (kind) {
    case PK::Color: return lookupName(kColors, id, v);
    case PK::Cursor: return lookupName(kCursors, id, v);
    case PK::Charset: return lookupName(kCharsets, id, v);
    default: return false;
    }
}

// The identifier a Color, Cursor or Charset value is stored by, if it has one.
bool identName(PK kind, int64_t v, const char *&id)
{
    switch (kind) {
    case PK::Color: return nameOf(kColors, int64_t(uint32_t(v)), id);
    case PK::Cursor: return nameOf(kCursors, v, id);
    case PK::Charset: return nameOf(kCharsets, v, id);
    default: return false;
    }
}

// The position of an identifier in a property's name list.
Got readEnum(PropReader &r, const Names &names, int64_t &v)
{
    std::string id = r.shortString();
    for (size_t i = 0; i < names.size(); ++i)
        if (id == names[i]) {
            v = int64_t(i);
            return Got::Used;
        }
    return Got::Unusable;
}

// A set's names as bits by their position in the name list; names it does not
// know are left out.
int64_t readSet(PropReader &r, const Names &names)
{
    int64_t bits = 0;
    for (std::string n = r.shortString(); !n.empty(); n = r.shortString())
        for (size_t i = 0; i < names.size(); ++i)
            if (n == names[i])
                bits |= int64_t(1) << i;
    return bits;
}

} // namespace

bool readString(PropReader &r, uint8_t t, std::string &out)
{
    switch (t) {
    case vaString: out = r.shortString(); return true;
    case vaLString: out = std::string(r.bytes(r.u32())); return true;
    case vaWString: out = fromUtf16(r.wideString(), CP_ACP); return true;
    case vaUTF8String: out = fromUtf16(utf8ToUtf16(r.bytes(r.u32())), CP_ACP); return true;
    default: return false;
    }
}

Got readNumber(PropReader &r, uint8_t t, PK kind, const Names *names, int64_t &v)
{
    switch (kind) {
    case PK::Bool:
        if (t != vaFalse && t != vaTrue)
            return Got::WrongType;
        v = t == vaTrue;
        return Got::Used;
    case PK::Enum:
        return t == vaIdent ? readEnum(r, *names, v) : Got::WrongType;
    case PK::Set:
        if (t != vaSet)
            return Got::WrongType;
        v = readSet(r, *names);
        return Got::Used;
    default: // Int, Color, Cursor, Charset
        if (t >= vaInt8 && t <= vaInt32) {
            v = r.intPayload(t);
            return Got::Used;
        }
        if (t == vaIdent && kind != PK::Int)
            return identValue(kind, r.shortString(), v) ? Got::Used : Got::Unusable;
        return Got::WrongType;
    }
}

void writeNumber(PropWriter &w, PK kind, const Names *names, int64_t v)
{
    const char *id = nullptr;
    if (kind == PK::Bool) {
        w.byte(v ? vaTrue : vaFalse);
    } else if (kind == PK::Enum && v >= 0 && size_t(v) < names->size()) {
        w.byte(vaIdent);
        w.shortString((*names)[size_t(v)]);
    } else if (kind == PK::Set) {
        w.byte(vaSet);
        for (size_t i = 0; i < names->size(); ++i)
            if (v & (int64_t(1) << i))
                w.shortString((*names)[i]);
        w.byte(0);
    } else if (identName(kind, v, id)) {
        w.byte(vaIdent);
        w.shortString(id);
    } else {
        w.integer(kind == PK::Color ? int64_t(int32_t(uint32_t(v))) : v);
    }
}

} // namespace styleprops

long double DecodeExtended(const unsigned char *p)
{
    uint64_t mantissa = 0;
    for (int i = 7; i >= 0; --i)
        mantissa = mantissa << 8 | p[i];
    int exponent = (p[8] | (p[9] & 0x7F) << 8);
    bool negative = (p[9] & 0x80) != 0;
    long double v;
    if (exponent == 0 && mantissa == 0)
        v = 0;
    else if (exponent == 0x7FFF)
        v = mantissa << 1 ? NAN : INFINITY;
    else // the integer bit is explicit in this format
        v = std::ldexp((long double)mantissa, exponent - 16383 - 63);
    return negative ? -v : v;
}

bool ColorFromIdent(const std::string &name, TColor &out)
{
    int64_t v;
    if (!styleprops::identValue(styleprops::PK::Color, name, v))
        return false;
    out = TColor(v);
    return true;
}

} // namespace rv
