// Text styles in stored style tables: their properties, and merging a file's
// text styles into the sheet.
#include "rvf_props.h"
#include "rvf_style_merge.h"
#include "rvf_styles.h"

#include <strings.h>

namespace rv {

using namespace platform;
using namespace styleprops;
using namespace stylemerge;

namespace {

const Names kUnderline = {"rvutNormal", "rvutThick", "rvutDouble", "rvutDotted", "rvutThickDotted", "rvutDashed",
                          "rvutThickDashed", "rvutLongDashed", "rvutThickLongDashed", "rvutDashDotted",
                          "rvutThickDashDotted", "rvutDashDotDotted", "rvutThickDashDotDotted"};
const Names kHover = {"rvheUnderline"};
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

// An old flag, read only: it meant what these two protections mean now.
Prop<TFontInfo> singleSymbols()
{
    Prop<TFontInfo> p{"SingleSymbols", PK::Bool, nullptr, [](const TFontInfo &) -> int64_t { return 0; },
                      [](TFontInfo &e, int64_t v) {
                          if (v)
                              e.Protection |= uint16_t(bit(rvprStyleProtect) | bit(rvprDoNotAutoSwitch));
                      }};
    p.write = false;
    return p;
}

const std::vector<Prop<TFontInfo>> &fontProps()
{
    using T = TFontInfo;
    static std::vector<Prop<T>> v = [] {
        std::vector<Prop<T>> p;
        addCommon(p);
        p.push_back(INT_PROP(T, Charset, "Charset", nullptr, Charset));
        p.push_back(STR_PROP(T, "FontName", FontName));
        p.push_back(INT_PROP(T, Int, "Size", nullptr, Size));
        p.push_back(INT_PROP(T, Set, "Style", &kFontStyleNames, Style));
        p.push_back(INT_PROP(T, Int, "VShift", nullptr, VShift));
        p.push_back(INT_PROP(T, Color, "Color", nullptr, Color));
        p.push_back(INT_PROP(T, Color, "BackColor", nullptr, BackColor));
        p.push_back(INT_PROP(T, Color, "HoverBackColor", nullptr, HoverBackColor));
        p.push_back(INT_PROP(T, Color, "HoverColor", nullptr, HoverColor));
        p.push_back(INT_PROP(T, Set, "HoverEffects", &kHover, HoverEffects));
        p.push_back(INT_PROP(T, Set, "StyleEx", &kStyleEx, StyleEx));
        p.push_back(INT_PROP(T, Bool, "Jump", nullptr, Jump));
        p.push_back(INT_PROP(T, Cursor, "JumpCursor", nullptr, JumpCursor));
        p.push_back(INT_PROP(T, Int, "CharScale", nullptr, CharScale));
        p.push_back(INT_PROP(T, Int, "CharSpacing", nullptr, CharSpacing));
        p.push_back(INT_PROP(T, Enum, "BiDiMode", &kBiDiNames, BiDiMode));
        p.push_back(INT_PROP(T, Enum, "SubSuperScriptType", &kSubSuper, SubSuperScriptType));
        p.push_back(INT_PROP(T, Set, "Protection", &kProtect, Protection));
        p.push_back(INT_PROP(T, Set, "Options", &kTextOpt, Options));
        p.push_back(INT_PROP(T, Enum, "UnderlineType", &kUnderline, UnderlineType));
        p.push_back(INT_PROP(T, Color, "UnderlineColor", nullptr, UnderlineColor));
        p.push_back(INT_PROP(T, Color, "HoverUnderlineColor", nullptr, HoverUnderlineColor));
        p.push_back(INT_PROP(T, Int, "NextStyleNo", nullptr, NextStyleNo));
        p.push_back(INT_PROP(T, Bool, "Unicode", nullptr, Unicode));
        p.push_back(INT_PROP(T, Set, "ModifiedProperties", &kFontProps, ModifiedProperties));
        p.push_back(singleSymbols());
        return p;
    }();
    return v;
}

} // namespace

void DecodeTextStyles(std::string_view data, TFontInfos &out, bool *unknown) { decodeTable(data, out, fontProps(), unknown); }
std::string EncodeTextStyles(const TFontInfos &s) { return encodeTable(s, fontProps()); }

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
            // Styles alike in jump and Unicode first, then in either, then any.
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
        translate(sheet[k].BaseStyleNo, map);
        translate(sheet[k].NextStyleNo, map);
    }
    return map;
}

} // namespace rv
