#include "rvf_styles.h"

#include "platform/codepage.h"
#include "rv_error.h"
#include "rv_graphic.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <strings.h>

namespace rv {

using namespace platform;

namespace {

// Value types of the stored property encoding.
enum : uint8_t {
    vaNull = 0, vaList = 1, vaInt8 = 2, vaInt16 = 3, vaInt32 = 4, vaExtended = 5, vaString = 6, vaIdent = 7,
    vaFalse = 8, vaTrue = 9, vaBinary = 10, vaSet = 11, vaLString = 12, vaNil = 13, vaCollection = 14,
    vaSingle = 15, vaCurrency = 16, vaDate = 17, vaWString = 18, vaInt64 = 19, vaUTF8String = 20
};

constexpr int kMaxDepth = 32;

[[noreturn]] void truncated() { throw EReadViewError("Invalid RVF format: style table ends early", RvfErrorKind::Style); }

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
    std::string_view bytes(size_t count)
    {
        if (count > left())
            truncated();
        std::string_view v(reinterpret_cast<const char *>(p_ + pos_), count);
        pos_ += count;
        return v;
    }
    uint32_t u32()
    {
        auto b = bytes(4);
        return uint8_t(b[0]) | uint8_t(b[1]) << 8 | uint8_t(b[2]) << 16 | uint32_t(uint8_t(b[3])) << 24;
    }
    std::string shortString() { return std::string(bytes(byte())); }
    int64_t intPayload(uint8_t t)
    {
        switch (t) {
        case vaInt8: return int8_t(byte());
        case vaInt16: { auto b = bytes(2); return int16_t(uint8_t(b[0]) | uint8_t(b[1]) << 8); }
        case vaInt32: return int32_t(u32());
        case vaInt64: { uint64_t lo = u32(); uint64_t hi = u32(); return int64_t(lo | hi << 32); }
        default: return 0;
        }
    }
    // Skips one value of type t (its type byte already read), whole.
    void skip(uint8_t t, int depth = 0)
    {
        if (depth > kMaxDepth)
            throw EReadViewError("Invalid RVF format: style table nested too deeply", RvfErrorKind::Style);
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
        case vaWString: {
            uint32_t count = u32();
            if (count > left() / 2)
                truncated();
            bytes(size_t(count) * 2);
            return;
        }
        default: throw EReadViewError("Invalid RVF format: unknown value type in style table", RvfErrorKind::Style);
        }
    }
    void skipCollection(int depth)
    {
        while (peek() != 0) {
            uint8_t t = peek() & 0x7F;
            if (t >= vaInt8 && t <= vaInt32)
                skip(type(), depth);
            if (type() != vaList)
                throw EReadViewError("Invalid RVF format: collection item expected", RvfErrorKind::Style);
            while (peek() != 0) {
                bytes(byte()); // name
                skip(type(), depth + 1);
            }
            byte();
        }
        byte();
    }

private:
    const unsigned char *p_;
    size_t n_, pos_ = 0;
};

std::vector<std::string> readSetNames(PropReader &r)
{
    std::vector<std::string> names;
    for (;;) {
        std::string s = r.shortString();
        if (s.empty())
            return names;
        names.push_back(std::move(s));
    }
}

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

using Names = std::vector<const char *>;
const Names kBiDi = {"rvbdUnspecified", "rvbdLeftToRight", "rvbdRightToLeft"};
const Names kUnderline = {"rvutNormal", "rvutThick", "rvutDouble", "rvutDotted", "rvutThickDotted", "rvutDashed",
                          "rvutThickDashed", "rvutLongDashed", "rvutThickLongDashed", "rvutDashDotted",
                          "rvutThickDashDotted", "rvutDashDotDotted", "rvutThickDashDotDotted"};
const Names kHover = {"rvheUnderline"};
const Names kFontStyle = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};
const Names kStyleEx = {"rvfsOverline", "rvfsAllCaps"};
const Names kProtect = {"rvprStyleProtect", "rvprStyleSplitProtect", "rvprModifyProtect", "rvprDeleteProtect",
                        "rvprConcateProtect", "rvprRVFInsertProtect", "rvprDoNotAutoSwitch", "rvprParaStartProtect",
                        "rvprSticking", "rvprSticking2", "rvprSticking3", "rvprStickToTop", "rvprStickToBottom"};
const Names kTextOpt = {"rvteoHTMLCode", "rvteoRTFCode"};
const Names kSubSuper = {"rvsssNormal", "rvsssSubscript", "rvsssSuperScript"};
const Names kFontProps = {
    "rvfiFontName", "rvfiSize", "rvfiCharset", "rvfiUnicode", "rvfiBold", "rvfiItalic", "rvfiUnderline",
    "rvfiStrikeout", "rvfiOverline", "rvfiAllCaps", "rvfiSubSuperScriptType", "rvfiVShift", "rvfiColor",
    "rvfiBackColor", "rvfiJump", "rvfiHoverBackColor", "rvfiHoverColor", "rvfiHoverUnderline", "rvfiJumpCursor",
    "rvfiNextStyleNo", "rvfiProtection", "rvfiCharScale", "rvfiBaseStyleNo", "rvfiBiDiMode", "rvfiCharSpacing",
    "rvfiHTMLCode", "rvfiRTFCode", "rvfiUnderlineType", "rvfiUnderlineColor", "rvfiHoverUnderlineColor", "rvfiCustom"};
const Names kParaProps1 = {
    "rvpiFirstIndent", "rvpiLeftIndent", "rvpiRightIndent", "rvpiSpaceBefore", "rvpiSpaceAfter", "rvpiAlignment",
    "rvpiNextParaNo", "rvpiDefStyleNo", "rvpiLineSpacing", "rvpiLineSpacingType", "rvpiBackground_Color",
    "rvpiBackground_BO_Left", "rvpiBackground_BO_Top", "rvpiBackground_BO_Right", "rvpiBackground_BO_Bottom",
    "rvpiBorder_Color", "rvpiBorder_Style", "rvpiBorder_Width", "rvpiBorder_InternalWidth", "rvpiBorder_BO_Left",
    "rvpiBorder_BO_Top", "rvpiBorder_BO_Right", "rvpiBorder_BO_Bottom", "rvpiBorder_Vis_Left", "rvpiBorder_Vis_Top",
    "rvpiBorder_Vis_Right", "rvpiBorder_Vis_Bottom"};
const Names kParaProps2 = {"rvpiNoWrap", "rvpiReadOnly", "rvpiStyleProtect", "rvpiDoNotWantReturns",
                           "rvpiKeepLinesTogether", "rvpiKeepWithNext", "rvpiTabs", "rvpiBiDiMode", "rvpiCustom"};
const Names kAlign = {"rvaLeft", "rvaRight", "rvaCenter", "rvaJustify"};
const Names kLineSpacing = {"rvlsPercent", "rvlsSpaceBetween"};
const Names kBorderStyle = {"rvbNone", "rvbSingle", "rvbDouble", "rvbTriple", "rvbThickInside", "rvbThickOutside"};
const Names kParaOpt = {"rvpaoNoWrap", "rvpaoReadOnly", "rvpaoStyleProtect", "rvpaoDoNotWantReturns",
                        "rvpaoKeepLinesTogether", "rvpaoKeepWithNext", "rvpaoWidowOrphanControl"};
const Names kTabAlign = {"rvtaLeft", "rvtaRight", "rvtaCenter"};
const Names kListType = {"rvlstBullet", "rvlstPicture", "rvlstImageList", "rvlstDecimal", "rvlstLowerAlpha",
                         "rvlstUpperAlpha", "rvlstLowerRoman", "rvlstUpperRoman", "rvlstImageListCounter",
                         "rvlstUnicodeBullet"};
const Names kMarkerAlign = {"rvmaLeft", "rvmaRight", "rvmaCenter"};
const Names kLevelOpt = {"rvloContinuous", "rvloLevelReset", "rvloLegalStyleNumbering"};

enum class PK { Int, Color, Cursor, Charset, Enum, Set, Bool, Str, WStr, Collection, HexStr, HexWStr, Picture, Ignore };

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
};

#define IP(T, K, N, NAMES, F) Prop<T>{N, PK::K, NAMES, [](const T &e) -> int64_t { return int64_t(e.F); }, \
                                      [](T &e, int64_t v) { e.F = decltype(e.F)(v); }}
#define SP(T, N, F) Prop<T>{N, PK::Str, nullptr, nullptr, nullptr, [](const T &e) { return std::string(e.F); }, \
                            [](T &e, const std::string &v) { e.F = v; }}

template <class T>
void addCommon(std::vector<Prop<T>> &v)
{
    v.push_back(SP(T, "StyleName", StyleName));
    v.push_back(IP(T, Int, "BaseStyleNo", nullptr, BaseStyleNo));
    v.push_back(IP(T, Bool, "Standard", nullptr, Standard));
    v.push_back(IP(T, Int, "StyleTemplateId", nullptr, StyleTemplateId));
}

const std::vector<Prop<TFontInfo>> &fontProps()
{
    using T = TFontInfo;
    static std::vector<Prop<T>> v = [] {
        std::vector<Prop<T>> p;
        addCommon(p);
        p.push_back(IP(T, Charset, "Charset", nullptr, Charset));
        p.push_back(SP(T, "FontName", FontName));
        p.push_back(IP(T, Int, "Size", nullptr, Size));
        p.push_back(IP(T, Set, "Style", &kFontStyle, Style));
        p.push_back(IP(T, Int, "VShift", nullptr, VShift));
        p.push_back(IP(T, Color, "Color", nullptr, Color));
        p.push_back(IP(T, Color, "BackColor", nullptr, BackColor));
        p.push_back(IP(T, Color, "HoverBackColor", nullptr, HoverBackColor));
        p.push_back(IP(T, Color, "HoverColor", nullptr, HoverColor));
        p.push_back(IP(T, Set, "HoverEffects", &kHover, HoverEffects));
        p.push_back(IP(T, Set, "StyleEx", &kStyleEx, StyleEx));
        p.push_back(IP(T, Bool, "Jump", nullptr, Jump));
        p.push_back(IP(T, Cursor, "JumpCursor", nullptr, JumpCursor));
        p.push_back(IP(T, Int, "CharScale", nullptr, CharScale));
        p.push_back(IP(T, Int, "CharSpacing", nullptr, CharSpacing));
        p.push_back(IP(T, Enum, "BiDiMode", &kBiDi, BiDiMode));
        p.push_back(IP(T, Enum, "SubSuperScriptType", &kSubSuper, SubSuperScriptType));
        p.push_back(IP(T, Set, "Protection", &kProtect, Protection));
        p.push_back(IP(T, Set, "Options", &kTextOpt, Options));
        p.push_back(IP(T, Enum, "UnderlineType", &kUnderline, UnderlineType));
        p.push_back(IP(T, Color, "UnderlineColor", nullptr, UnderlineColor));
        p.push_back(IP(T, Color, "HoverUnderlineColor", nullptr, HoverUnderlineColor));
        p.push_back(IP(T, Int, "NextStyleNo", nullptr, NextStyleNo));
        p.push_back(IP(T, Bool, "Unicode", nullptr, Unicode));
        p.push_back(IP(T, Set, "ModifiedProperties", &kFontProps, ModifiedProperties));
        Prop<T> single{"SingleSymbols", PK::Bool, nullptr, [](const T &) -> int64_t { return 0; },
                       [](T &e, int64_t v) {
                           if (v)
                               e.Protection |= uint16_t(bit(rvprStyleProtect) | bit(rvprDoNotAutoSwitch));
                       }};
        single.write = false;
        p.push_back(single);
        return p;
    }();
    return v;
}

const std::vector<Prop<TRVTabInfo>> &tabProps()
{
    using T = TRVTabInfo;
    static std::vector<Prop<T>> v = {IP(T, Enum, "Align", &kTabAlign, Align), IP(T, Int, "Position", nullptr, Position),
                                     SP(T, "Leader", Leader)};
    return v;
}

const std::vector<Prop<TParaInfo>> &paraProps()
{
    using T = TParaInfo;
    static std::vector<Prop<T>> v = [] {
        std::vector<Prop<T>> p;
        addCommon(p);
        p.push_back(IP(T, Int, "FirstIndent", nullptr, FirstIndent));
        p.push_back(IP(T, Int, "LeftIndent", nullptr, LeftIndent));
        p.push_back(IP(T, Int, "RightIndent", nullptr, RightIndent));
        p.push_back(IP(T, Int, "SpaceBefore", nullptr, SpaceBefore));
        p.push_back(IP(T, Int, "SpaceAfter", nullptr, SpaceAfter));
        p.push_back(IP(T, Enum, "Alignment", &kAlign, Alignment));
        p.push_back(IP(T, Int, "Border.Width", nullptr, Border.Width));
        p.push_back(IP(T, Int, "Border.InternalWidth", nullptr, Border.InternalWidth));
        p.push_back(IP(T, Color, "Border.Color", nullptr, Border.Color));
        p.push_back(IP(T, Enum, "Border.Style", &kBorderStyle, Border.Style));
        p.push_back(IP(T, Bool, "Border.VisibleBorders.Left", nullptr, Border.VisibleBorders.Left));
        p.push_back(IP(T, Bool, "Border.VisibleBorders.Right", nullptr, Border.VisibleBorders.Right));
        p.push_back(IP(T, Bool, "Border.VisibleBorders.Top", nullptr, Border.VisibleBorders.Top));
        p.push_back(IP(T, Bool, "Border.VisibleBorders.Bottom", nullptr, Border.VisibleBorders.Bottom));
        p.push_back(IP(T, Int, "Border.BorderOffsets.Left", nullptr, Border.BorderOffsets.Left));
        p.push_back(IP(T, Int, "Border.BorderOffsets.Right", nullptr, Border.BorderOffsets.Right));
        p.push_back(IP(T, Int, "Border.BorderOffsets.Top", nullptr, Border.BorderOffsets.Top));
        p.push_back(IP(T, Int, "Border.BorderOffsets.Bottom", nullptr, Border.BorderOffsets.Bottom));
        p.push_back(IP(T, Color, "Background.Color", nullptr, Background.Color));
        p.push_back(IP(T, Int, "Background.BorderOffsets.Left", nullptr, Background.BorderOffsets.Left));
        p.push_back(IP(T, Int, "Background.BorderOffsets.Right", nullptr, Background.BorderOffsets.Right));
        p.push_back(IP(T, Int, "Background.BorderOffsets.Top", nullptr, Background.BorderOffsets.Top));
        p.push_back(IP(T, Int, "Background.BorderOffsets.Bottom", nullptr, Background.BorderOffsets.Bottom));
        p.push_back(IP(T, Int, "LineSpacing", nullptr, LineSpacing));
        p.push_back(IP(T, Enum, "LineSpacingType", &kLineSpacing, LineSpacingType));
        p.push_back(IP(T, Set, "Options", &kParaOpt, Options));
        p.push_back(IP(T, Enum, "BiDiMode", &kBiDi, BiDiMode));
        p.push_back(Prop<T>{"Tabs", PK::Collection});
        p.push_back(IP(T, Int, "NextParaNo", nullptr, NextParaNo));
        p.push_back(IP(T, Int, "DefStyleNo", nullptr, DefStyleNo));
        p.push_back(IP(T, Set, "ModifiedProperties1", &kParaProps1, ModifiedProperties1));
        p.push_back(IP(T, Set, "ModifiedProperties2", &kParaProps2, ModifiedProperties2));
        return p;
    }();
    return v;
}

const std::vector<Prop<TRVListLevel>> &levelProps()
{
    using T = TRVListLevel;
    static std::vector<Prop<T>> v = [] {
        std::vector<Prop<T>> p;
        p.push_back(IP(T, Enum, "ListType", &kListType, ListType));
        p.push_back(IP(T, Int, "StartFrom", nullptr, StartFrom));
        p.push_back(IP(T, Int, "ImageIndex", nullptr, ImageIndex));
        p.push_back(SP(T, "FormatString", FormatString));
        p.push_back(Prop<T>{"FormatStringW", PK::WStr});
        p.push_back(IP(T, Int, "LeftIndent", nullptr, LeftIndent));
        p.push_back(IP(T, Int, "FirstIndent", nullptr, FirstIndent));
        p.push_back(IP(T, Int, "MarkerIndent", nullptr, MarkerIndent));
        p.push_back(IP(T, Enum, "MarkerAlignment", &kMarkerAlign, MarkerAlignment));
        p.push_back(Prop<T>{"Picture.Data", PK::Picture});
        p.push_back(IP(T, Charset, "Font.Charset", nullptr, Font.Charset));
        p.push_back(IP(T, Color, "Font.Color", nullptr, Font.Color));
        p.push_back(SP(T, "Font.Name", Font.Name));
        p.push_back(IP(T, Set, "Font.Style", &kFontStyle, Font.Style));
        p.push_back(IP(T, Int, "Font.Height", nullptr, Font.Height));
        p.push_back(IP(T, Set, "Options", &kLevelOpt, Options));
        Prop<T> il{"ILTag", PK::Int, nullptr, [](const T &) -> int64_t { return 0; }, [](T &, int64_t) {}};
        il.write = false; // image lists come from the host, and ours has none
        p.push_back(il);
        Prop<T> code{"FormatStringCode", PK::HexStr};
        code.write = false;
        p.push_back(code);
        Prop<T> wcode{"FormatStringWCode", PK::HexWStr};
        wcode.write = false;
        p.push_back(wcode);
        return p;
    }();
    return v;
}

const std::vector<Prop<TRVListInfo>> &listProps()
{
    using T = TRVListInfo;
    static std::vector<Prop<T>> v = [] {
        std::vector<Prop<T>> p;
        addCommon(p);
        p.push_back(Prop<T>{"Levels", PK::Collection});
        p.push_back(IP(T, Bool, "OneLevelPreview", nullptr, OneLevelPreview));
        p.push_back(Prop<T>{"LstID", PK::Int, nullptr, [](const T &e) -> int64_t { return e.ListIDRaw(); },
                            [](T &e, int64_t v) { e.SetListID(int32_t(v)); }});
        return p;
    }();
    return v;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads a string value of any string type as 8-bit text in the ANSI code page.
bool readString(PropReader &r, uint8_t t, std::string &out)
{
    switch (t) {
    case vaString: out = r.shortString(); return true;
    case vaLString: out = std::string(r.bytes(r.u32())); return true;
    case vaWString: case vaUTF8String: {
        std::u16string w;
        if (t == vaWString) {
            uint32_t count = r.u32();
            if (count > r.left() / 2)
                truncated();
            auto b = r.bytes(size_t(count) * 2);
            w.resize(count);
            for (size_t i = 0; i < count; ++i)
                w[i] = char16_t(uint8_t(b[2 * i]) | uint8_t(b[2 * i + 1]) << 8);
        } else {
            w = utf8ToUtf16(r.bytes(r.u32()));
        }
        out = fromUtf16(w, CP_ACP);
        return true;
    }
    default: return false;
    }
}

bool lookupName(const Named *table, size_t count, const std::string &name, int64_t &v)
{
    for (size_t i = 0; i < count; ++i)
        if (name == table[i].name) {
            v = table[i].value;
            return true;
        }
    return false;
}

template <class T>
void readEntry(PropReader &r, T &entry, const std::vector<Prop<T>> &props, bool &warn, int depth);

template <class T>
void readCollection(PropReader &r, std::vector<T> &out, const std::vector<Prop<T>> &props, bool &warn, int depth)
{
    if (depth > kMaxDepth)
        throw EReadViewError("Invalid RVF format: style table nested too deeply", RvfErrorKind::Style);
    while (r.peek() != 0) {
        uint8_t t = r.peek() & 0x7F;
        if (t >= vaInt8 && t <= vaInt32) {
            r.type();
            r.intPayload(t); // an order number; the position decides
        }
        if (r.type() != vaList)
            throw EReadViewError("Invalid RVF format: collection item expected", RvfErrorKind::Style);
        out.emplace_back();
        readEntry(r, out.back(), props, warn, depth);
    }
    r.byte();
}

// Reads one property value of p into e; false when it could not be used
// (the value has then been consumed whole).
template <class T>
bool readValue(PropReader &r, T &e, const Prop<T> &p, bool &warn, int depth)
{
    uint8_t t = r.type();
    switch (p.kind) {
    case PK::Int: case PK::Color: case PK::Cursor: case PK::Charset:
        if (t >= vaInt8 && t <= vaInt32) {
            p.set(e, r.intPayload(t));
            return true;
        }
        if (t == vaIdent && p.kind != PK::Int) {
            std::string id = r.shortString();
            int64_t v;
            bool ok = p.kind == PK::Color ? lookupName(kColors, std::size(kColors), id, v)
                : p.kind == PK::Cursor   ? lookupName(kCursors, std::size(kCursors), id, v)
                                         : lookupName(kCharsets, std::size(kCharsets), id, v);
            if (ok)
                p.set(e, v);
            return ok;
        }
        break;
    case PK::Bool:
        if (t == vaFalse || t == vaTrue) {
            p.set(e, t == vaTrue);
            return true;
        }
        break;
    case PK::Enum:
        if (t == vaIdent) {
            std::string id = r.shortString();
            for (size_t i = 0; i < p.names->size(); ++i)
                if (id == (*p.names)[i]) {
                    p.set(e, int64_t(i));
                    return true;
                }
            return false;
        }
        break;
    case PK::Set:
        if (t == vaSet) {
            int64_t bits = 0;
            for (auto &n : readSetNames(r))
                for (size_t i = 0; i < p.names->size(); ++i)
                    if (n == (*p.names)[i])
                        bits |= int64_t(1) << i;
            p.set(e, bits);
            return true;
        }
        break;
    case PK::Str: {
        std::string s;
        if (readString(r, t, s)) {
            p.sets(e, s);
            return true;
        }
        break;
    }
    case PK::WStr:
        if constexpr (std::is_same_v<T, TRVListLevel>) {
            if (t == vaWString) {
                uint32_t count = r.u32();
                if (count > r.left() / 2)
                    truncated();
                auto b = r.bytes(size_t(count) * 2);
                e.FormatStringW.resize(count);
                for (size_t i = 0; i < count; ++i)
                    e.FormatStringW[i] = char16_t(uint8_t(b[2 * i]) | uint8_t(b[2 * i + 1]) << 8);
                return true;
            }
            std::string s;
            if (t == vaUTF8String) {
                e.FormatStringW = utf8ToUtf16(r.bytes(r.u32()));
                return true;
            }
            if (readString(r, t, s)) {
                e.FormatStringW = toUtf16(s, CP_ACP);
                return true;
            }
        }
        break;
    case PK::HexStr: case PK::HexWStr:
        if constexpr (std::is_same_v<T, TRVListLevel>) {
            std::string s;
            if (!readString(r, t, s))
                break;
            size_t unit = p.kind == PK::HexStr ? 2 : 4;
            if (s.size() % unit)
                return false;
            std::string bytes;
            std::u16string units;
            for (size_t i = 0; i < s.size(); i += unit) {
                int v = 0;
                for (size_t k = 0; k < unit; ++k) {
                    int d = hexDigit(s[i + k]);
                    if (d < 0)
                        return false;
                    v = v * 16 + d;
                }
                if (unit == 2)
                    bytes.push_back(char(v));
                else
                    units.push_back(char16_t(v));
            }
            if (unit == 2)
                e.FormatString = bytes;
            else
                e.FormatStringW = units;
            return true;
        }
        break;
    case PK::Picture:
        if constexpr (std::is_same_v<T, TRVListLevel>) {
            if (t == vaBinary) {
                PropReader inner(r.bytes(r.u32()));
                std::string cls = inner.shortString();
                auto g = CreateGraphicByClassName(cls);
                if (!g)
                    return false;
                if (g->LoadFromBytes(inner.bytes(inner.left())))
                    e.Picture = std::move(g);
                return true;
            }
        }
        break;
    case PK::Collection:
        if (t == vaCollection) {
            if constexpr (std::is_same_v<T, TParaInfo>) {
                e.Tabs.clear();
                readCollection(r, e.Tabs, tabProps(), warn, depth + 1);
                return true;
            } else if constexpr (std::is_same_v<T, TRVListInfo>) {
                e.Levels.clear();
                readCollection(r, e.Levels, levelProps(), warn, depth + 1);
                return true;
            }
        }
        break;
    case PK::Ignore:
        break;
    }
    // A value of a type this property does not take is skipped whole, so the
    // next property name is read where it really starts.
    r.skip(t, depth);
    return false;
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

// ---------------------------------------------------------------- encoding

class PropWriter {
public:
    std::string out;
    void byte(uint8_t b) { out.push_back(char(b)); }
    void u32(uint32_t v) { for (int i = 0; i < 4; ++i) byte(uint8_t(v >> (8 * i))); }
    void shortString(std::string_view s)
    {
        s = s.substr(0, 255);
        byte(uint8_t(s.size()));
        out.append(s);
    }
    void integer(int64_t v)
    {
        if (v >= -128 && v <= 127) { byte(vaInt8); byte(uint8_t(v)); }
        else if (v >= -32768 && v <= 32767) { byte(vaInt16); byte(uint8_t(v)); byte(uint8_t(v >> 8)); }
        else { byte(vaInt32); u32(uint32_t(v)); }
    }
    void string(std::string_view s)
    {
        if (s.size() <= 255) { byte(vaString); shortString(s); }
        else { byte(vaLString); u32(uint32_t(s.size())); out.append(s); }
    }
    void wstring(std::u16string_view s)
    {
        byte(vaWString);
        u32(uint32_t(s.size()));
        for (char16_t c : s) { byte(uint8_t(c)); byte(uint8_t(c >> 8)); }
    }
};

bool nameOf(const Named *table, size_t count, int64_t v, const char *&name)
{
    for (size_t i = 0; i < count; ++i)
        if (table[i].value == v) {
            name = table[i].name;
            return true;
        }
    return false;
}

template <class T>
void writeEntry(PropWriter &w, const T &e, const std::vector<Prop<T>> &props);

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

template <class T>
void writeEntry(PropWriter &w, const T &e, const std::vector<Prop<T>> &props)
{
    const T def{};
    for (auto &p : props) {
        if (!p.write)
            continue;
        switch (p.kind) {
        case PK::Int: case PK::Color: case PK::Cursor: case PK::Charset: case PK::Enum: case PK::Set: case PK::Bool: {
            int64_t v = p.get(e);
            // The list identifier is always stored: it tells lists apart.
            if (v == p.get(def) && std::strcmp(p.name, "LstID") != 0)
                continue;
            w.shortString(p.name);
            const char *id = nullptr;
            if (p.kind == PK::Bool)
                w.byte(v ? vaTrue : vaFalse);
            else if (p.kind == PK::Enum && v >= 0 && size_t(v) < p.names->size()) {
                w.byte(vaIdent);
                w.shortString((*p.names)[size_t(v)]);
            } else if (p.kind == PK::Set) {
                w.byte(vaSet);
                for (size_t i = 0; i < p.names->size(); ++i)
                    if (v & (int64_t(1) << i))
                        w.shortString((*p.names)[i]);
                w.byte(0);
            } else if ((p.kind == PK::Color && nameOf(kColors, std::size(kColors), int64_t(uint32_t(v)), id))
                       || (p.kind == PK::Cursor && nameOf(kCursors, std::size(kCursors), v, id))
                       || (p.kind == PK::Charset && nameOf(kCharsets, std::size(kCharsets), v, id))) {
                w.byte(vaIdent);
                w.shortString(id);
            } else {
                w.integer(p.kind == PK::Color ? int64_t(int32_t(uint32_t(v))) : v);
            }
            break;
        }
        case PK::Str: {
            std::string v = p.gets(e);
            if (v == p.gets(def))
                continue;
            w.shortString(p.name);
            w.string(v);
            break;
        }
        case PK::WStr:
            if constexpr (std::is_same_v<T, TRVListLevel>) {
                if (e.FormatStringW.empty())
                    continue;
                w.shortString(p.name);
                w.wstring(e.FormatStringW);
            }
            break;
        case PK::Picture:
            if constexpr (std::is_same_v<T, TRVListLevel>) {
                if (!e.Picture)
                    continue;
                w.shortString(p.name);
                w.byte(vaBinary);
                std::string cls = e.Picture->ClassName();
                const std::string &data = e.Picture->StoredBytes();
                w.u32(uint32_t(1 + cls.size() + data.size()));
                w.shortString(cls);
                w.out.append(data);
            }
            break;
        case PK::Collection:
            if constexpr (std::is_same_v<T, TParaInfo>) {
                if (e.Tabs.empty())
                    continue;
                w.shortString(p.name);
                std::vector<const TRVTabInfo *> tabs;
                for (auto &t : e.Tabs)
                    tabs.push_back(&t);
                writeCollection(w, tabs, tabProps());
            } else if constexpr (std::is_same_v<T, TRVListInfo>) {
                if (e.Levels.empty())
                    continue;
                w.shortString(p.name);
                std::vector<const TRVListLevel *> levels;
                for (auto &l : e.Levels)
                    levels.push_back(&l);
                writeCollection(w, levels, levelProps());
            }
            break;
        default:
            break;
        }
    }
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

} // namespace

void DecodeTextStyles(std::string_view data, TFontInfos &out, bool *unknown) { decodeTable(data, out, fontProps(), unknown); }
void DecodeParaStyles(std::string_view data, TParaInfos &out, bool *unknown) { decodeTable(data, out, paraProps(), unknown); }
void DecodeListStyles(std::string_view data, TRVListInfos &out, bool *unknown) { decodeTable(data, out, listProps(), unknown); }

std::string EncodeTextStyles(const TFontInfos &s) { return encodeTable(s, fontProps()); }
std::string EncodeParaStyles(const TParaInfos &s) { return encodeTable(s, paraProps()); }
std::string EncodeListStyles(const TRVListInfos &s) { return encodeTable(s, listProps()); }

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

// ---------------------------------------------------------------- merging

namespace {

// The size rule of the similarity score.
int sizeScore(int f, int s, int weight)
{
    double r = f == 0 ? 1.0 - std::abs(s) : 1.0 - std::abs(double(f) - s) / std::abs(double(f));
    return int(std::lround(r * weight));
}

int colorScore(TColor a, TColor b, int w, int bright)
{
    if ((a == clNone) != (b == clNone))
        return 0;
    if (a == clNone)
        return bright + 3 * w;
    a = colorToRGB(a);
    b = colorToRGB(b);
    int score = -(std::abs(redOf(a) - redOf(b)) * w / 255 + std::abs(greenOf(a) - greenOf(b)) * w / 255
                  + std::abs(blueOf(a) - blueOf(b)) * w / 255);
    auto bright64 = [](TColor c) { return redOf(c) > 64 || greenOf(c) > 64 || blueOf(c) > 64; };
    if (bright64(a) == bright64(b))
        score += bright;
    return score;
}

int paraSimilarity(const TParaInfo &f, const TParaInfo &s)
{
    int score = sizeScore(f.FirstIndent, s.FirstIndent, 1000) + sizeScore(f.LeftIndent, s.LeftIndent, 1000)
        + sizeScore(f.RightIndent, s.RightIndent, 1000) + sizeScore(f.SpaceBefore, s.SpaceBefore, 1000)
        + sizeScore(f.SpaceAfter, s.SpaceAfter, 1000);
    score += colorScore(f.Background.Color, s.Background.Color, 3333, 3000);
    score += f.Tabs == s.Tabs ? 1000 : 0;
    score += f.Border == s.Border ? 1000 : 0;
    score += (f.Alignment == s.Alignment) * 50000 + (f.BiDiMode == s.BiDiMode) * 10000;
    auto same = [&](int opt) { return ((f.Options ^ s.Options) & bit(opt)) == 0; };
    score += same(rvpaoNoWrap) * 1000 + same(rvpaoReadOnly) * 100000 + same(rvpaoStyleProtect) * 1000
        + same(rvpaoDoNotWantReturns) * 10000 + same(rvpaoKeepLinesTogether) * 500 + same(rvpaoKeepWithNext) * 500;
    auto extra = [](const TParaInfo &p) {
        return p.LineSpacingType == rvlsPercent ? p.LineSpacing != 100 : p.LineSpacing > 0;
    };
    if (f.LineSpacingType == s.LineSpacingType)
        score += sizeScore(f.LineSpacing, s.LineSpacing, 5000);
    else if (extra(f) != extra(s))
        score -= 20000;
    return score;
}

int listSimilarity(TRVListInfo &f, TRVListInfo &s)
{
    int score = (f.OneLevelPreview == s.OneLevelPreview) * 100 + (f.ListIDRaw() == s.ListIDRaw()) * 50;
    size_t common = std::min(f.Levels.size(), s.Levels.size());
    for (size_t i = 0; i < common; ++i)
        score += f.Levels[i].IsEqual(s.Levels[i]) ? 100 : (f.Levels[i].ListType == s.Levels[i].ListType) * 50;
    score -= 100 * int(std::max(f.Levels.size(), s.Levels.size()) - common);
    return score;
}

// A sheet reference (NextStyleNo, NextParaNo) counts as equal when it maps to
// the file's reference through the map built so far; a reference the map does
// not reach yet is dropped from the sheet.
bool referenceMatches(int &sheetRef, int fileRef, const std::vector<int> &map)
{
    if (sheetRef < 0)
        return true;
    if (size_t(sheetRef) >= map.size()) {
        sheetRef = -1;
        return true;
    }
    return map[size_t(sheetRef)] == fileRef;
}

template <class T>
void translate(int &ref, const std::vector<int> &map)
{
    if (ref >= 0)
        ref = size_t(ref) < map.size() ? map[size_t(ref)] : -1;
}

// The index below `count` with the highest score among those `accept` takes,
// the first one on ties; -1 when none is taken.
template <class Score, class Accept>
int mostSimilar(int count, Score score, Accept accept)
{
    int best = -1, bestScore = 0;
    for (int k = 0; k < count; ++k) {
        if (!accept(k))
            continue;
        int sc = score(k);
        if (best < 0 || sc > bestScore)
            best = k, bestScore = sc;
    }
    return best;
}

// The first sheet index `usable` takes, trying the file's own index `i` before
// the others, so an unchanged sheet maps onto itself; -1 when none is usable.
template <class Usable>
int findPreferring(int i, int count, Usable usable)
{
    if (i < count && usable(i))
        return i;
    for (int k = 0; k < count; ++k)
        if (usable(k))
            return k;
    return -1;
}

// The sheet's style equal to `f` whose next-style reference (`next`) maps the
// same way, or `f` appended as a style of the document's own.
template <class Infos, class Info>
int findOrAppend(Infos &sheet, const Info &f, int i, int Info::*next, const std::vector<int> &map)
{
    int found = findPreferring(i, sheet.Count(), [&](int k) {
        Info &s = sheet[k];
        return s.IsEqual(f, true) && referenceMatches(s.*next, f.*next, map);
    });
    if (found < 0) {
        Info &added = sheet.Add(f);
        added.Standard = false;
        found = sheet.Count() - 1;
    }
    return found;
}

} // namespace

int TextStyleSimilarity(const TFontInfo &f, const TFontInfo &s)
{
    int score = sizeScore(f.Size, s.Size, 10000) + sizeScore(f.VShift, s.VShift, 1000)
        + sizeScore(f.CharScale, s.CharScale, 300) + sizeScore(f.CharSpacing, s.CharSpacing, 1000);
    score += colorScore(f.Color, s.Color, 3333, 3000) + colorScore(f.BackColor, s.BackColor, 10000, 50000);
    score += (f.BiDiMode == s.BiDiMode) * 10000 + (f.SubSuperScriptType == s.SubSuperScriptType) * 50000;
    score += (f.FontName.size() == s.FontName.size()
              && strncasecmp(f.FontName.data(), s.FontName.data(), f.FontName.size()) == 0) * 10000;
    for (uint8_t b : {fsBold, fsItalic, fsUnderline, fsStrikeOut})
        score += (((f.Style ^ s.Style) & b) == 0) * 50000;
    for (int b : {rvfsOverline, rvfsAllCaps})
        score += (((f.StyleEx ^ s.StyleEx) & bit(b)) == 0) * 50000;
    score += ((f.Style == 0) == (s.Style == 0)) * 50000;
    if (f.Jump && s.Jump) {
        score += (((f.HoverEffects ^ s.HoverEffects) & bit(rvheUnderline)) == 0) * 10000;
        score += (f.JumpCursor == s.JumpCursor) * 5000;
        score += colorScore(f.HoverColor, s.HoverColor, 3333, 3000) / 2;
        score += colorScore(f.HoverBackColor, s.HoverBackColor, 10000, 50000) / 2;
    }
    if (f.Protection != s.Protection)
        score -= 100000;
    for (int b : {rvteoHTMLCode, rvteoRTFCode})
        score += (((f.Options ^ s.Options) & bit(b)) == 0) * 50000;
    if (f.Charset == s.Charset)
        score += 50000;
    else if (f.Charset == DEFAULT_CHARSET || s.Charset == DEFAULT_CHARSET)
        score += 12500;
    return score;
}

std::vector<int> MergeTextStyles(TFontInfos &sheet, const TFontInfos &file, TRVFReaderStyleMode mode)
{
    std::vector<int> map;
    int oldCount = sheet.Count();
    for (int i = 0; i < file.Count(); ++i) {
        const TFontInfo &f = file[i];
        if (mode == rvf_sInsertMap) {
            int best = -1;
            for (int pass = 0; pass < 4 && best < 0; ++pass)
                best = mostSimilar(
                    oldCount, [&](int k) { return TextStyleSimilarity(f, sheet[k]); },
                    [&](int k) {
                        const TFontInfo &s = sheet[k];
                        return pass == 0 ? s.Jump == f.Jump && s.Unicode == f.Unicode
                            : pass == 1  ? s.Jump == f.Jump
                            : pass == 2  ? s.Unicode == f.Unicode
                                         : true;
                    });
            map.push_back(best < 0 ? 0 : best);
            continue;
        }
        map.push_back(findOrAppend(sheet, f, i, &TFontInfo::NextStyleNo, map));
    }
    for (int k = oldCount; k < sheet.Count(); ++k) {
        translate<TFontInfo>(sheet[k].BaseStyleNo, map);
        translate<TFontInfo>(sheet[k].NextStyleNo, map);
    }
    return map;
}

std::vector<int> MergeParaStyles(TParaInfos &sheet, const TParaInfos &file, TRVFReaderStyleMode mode,
                                 const std::vector<int> *textMap)
{
    std::vector<int> map;
    int oldCount = sheet.Count();
    for (int i = 0; i < file.Count(); ++i) {
        const TParaInfo &f = file[i];
        if (mode == rvf_sInsertMap) {
            int best = mostSimilar(
                oldCount, [&](int k) { return paraSimilarity(f, sheet[k]); }, [](int) { return true; });
            map.push_back(best < 0 ? 0 : best);
            continue;
        }
        map.push_back(findOrAppend(sheet, f, i, &TParaInfo::NextParaNo, map));
    }
    for (int k = oldCount; k < sheet.Count(); ++k) {
        translate<TParaInfo>(sheet[k].BaseStyleNo, map);
        translate<TParaInfo>(sheet[k].NextParaNo, map);
        if (textMap)
            translate<TParaInfo>(sheet[k].DefStyleNo, *textMap);
    }
    return map;
}

std::vector<int> MergeListStyles(TRVListInfos &sheet, TRVListInfos &file, TRVFReaderStyleMode mode)
{
    std::vector<int> map;
    std::vector<bool> taken(size_t(sheet.Count()), false);
    int oldCount = sheet.Count();
    for (int i = 0; i < file.Count(); ++i) {
        TRVListInfo &f = file[i];
        if (mode == rvf_sInsertMap) {
            // An empty sheet has no list to map onto: -1.
            map.push_back(mostSimilar(
                oldCount, [&](int k) { return listSimilarity(f, sheet[k]); }, [](int) { return true; }));
            continue;
        }
        int found = findPreferring(i, sheet.Count(),
                                   [&](int k) { return !taken[size_t(k)] && sheet[k].IsEqual(f, false); });
        if (found < 0) {
            auto &added = sheet.Add();
            added.Assign(f, true); // an appended list keeps the file's identifier
            added.Standard = false;
            found = sheet.Count() - 1;
            taken.push_back(false);
        }
        if (f.HasNumbering())
            taken[size_t(found)] = true;
        map.push_back(found);
    }
    for (int k = oldCount; k < sheet.Count(); ++k)
        translate<TRVListInfo>(sheet[k].BaseStyleNo, map);
    return map;
}

bool ColorFromIdent(const std::string &name, TColor &out)
{
    int64_t v;
    if (!lookupName(kColors, std::size(kColors), name, v))
        return false;
    out = TColor(v);
    return true;
}

} // namespace rv
