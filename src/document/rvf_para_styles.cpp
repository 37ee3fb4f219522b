// Paragraph styles in stored style tables: their properties (tab stops among
// them), and merging a file's paragraph styles into the sheet.
#include "rvf_props.h"
#include "rvf_style_merge.h"
#include "rvf_styles.h"

namespace rv {

using namespace styleprops;
using namespace stylemerge;

namespace {

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

const std::vector<Prop<TRVTabInfo>> &tabProps()
{
    using T = TRVTabInfo;
    static std::vector<Prop<T>> v = {INT_PROP(T, Enum, "Align", &kTabAlign, Align),
                                     INT_PROP(T, Int, "Position", nullptr, Position), STR_PROP(T, "Leader", Leader)};
    return v;
}

// The tab stops, a nested collection.
Prop<TParaInfo> tabsProp()
{
    Prop<TParaInfo> p{"Tabs", PK::Custom};
    p.read = [](PropReader &r, TParaInfo &e, uint8_t t, bool &warn, int depth) {
        if (t != vaCollection)
            return Got::WrongType;
        e.Tabs.clear();
        readCollection(r, e.Tabs, tabProps(), warn, depth + 1);
        return Got::Used;
    };
    p.put = [](PropWriter &w, const char *name, const TParaInfo &e) { putCollection(w, name, e.Tabs, tabProps()); };
    return p;
}

const std::vector<Prop<TParaInfo>> &paraProps()
{
    using T = TParaInfo;
    static std::vector<Prop<T>> v = [] {
        std::vector<Prop<T>> p;
        addCommon(p);
        p.push_back(INT_PROP(T, Int, "FirstIndent", nullptr, FirstIndent));
        p.push_back(INT_PROP(T, Int, "LeftIndent", nullptr, LeftIndent));
        p.push_back(INT_PROP(T, Int, "RightIndent", nullptr, RightIndent));
        p.push_back(INT_PROP(T, Int, "SpaceBefore", nullptr, SpaceBefore));
        p.push_back(INT_PROP(T, Int, "SpaceAfter", nullptr, SpaceAfter));
        p.push_back(INT_PROP(T, Enum, "Alignment", &kAlign, Alignment));
        p.push_back(INT_PROP(T, Int, "Border.Width", nullptr, Border.Width));
        p.push_back(INT_PROP(T, Int, "Border.InternalWidth", nullptr, Border.InternalWidth));
        p.push_back(INT_PROP(T, Color, "Border.Color", nullptr, Border.Color));
        p.push_back(INT_PROP(T, Enum, "Border.Style", &kBorderStyle, Border.Style));
        p.push_back(INT_PROP(T, Bool, "Border.VisibleBorders.Left", nullptr, Border.VisibleBorders.Left));
        p.push_back(INT_PROP(T, Bool, "Border.VisibleBorders.Right", nullptr, Border.VisibleBorders.Right));
        p.push_back(INT_PROP(T, Bool, "Border.VisibleBorders.Top", nullptr, Border.VisibleBorders.Top));
        p.push_back(INT_PROP(T, Bool, "Border.VisibleBorders.Bottom", nullptr, Border.VisibleBorders.Bottom));
        p.push_back(INT_PROP(T, Int, "Border.BorderOffsets.Left", nullptr, Border.BorderOffsets.Left));
        p.push_back(INT_PROP(T, Int, "Border.BorderOffsets.Right", nullptr, Border.BorderOffsets.Right));
        p.push_back(INT_PROP(T, Int, "Border.BorderOffsets.Top", nullptr, Border.BorderOffsets.Top));
        p.push_back(INT_PROP(T, Int, "Border.BorderOffsets.Bottom", nullptr, Border.BorderOffsets.Bottom));
        p.push_back(INT_PROP(T, Color, "Background.Color", nullptr, Background.Color));
        p.push_back(INT_PROP(T, Int, "Background.BorderOffsets.Left", nullptr, Background.BorderOffsets.Left));
        p.push_back(INT_PROP(T, Int, "Background.BorderOffsets.Right", nullptr, Background.BorderOffsets.Right));
        p.push_back(INT_PROP(T, Int, "Background.BorderOffsets.Top", nullptr, Background.BorderOffsets.Top));
        p.push_back(INT_PROP(T, Int, "Background.BorderOffsets.Bottom", nullptr, Background.BorderOffsets.Bottom));
        p.push_back(INT_PROP(T, Int, "LineSpacing", nullptr, LineSpacing));
        p.push_back(INT_PROP(T, Enum, "LineSpacingType", &kLineSpacing, LineSpacingType));
        p.push_back(INT_PROP(T, Set, "Options", &kParaOpt, Options));
        p.push_back(INT_PROP(T, Enum, "BiDiMode", &kBiDiNames, BiDiMode));
        p.push_back(tabsProp());
        p.push_back(INT_PROP(T, Int, "NextParaNo", nullptr, NextParaNo));
        p.push_back(INT_PROP(T, Int, "DefStyleNo", nullptr, DefStyleNo));
        p.push_back(INT_PROP(T, Set, "ModifiedProperties1", &kParaProps1, ModifiedProperties1));
        p.push_back(INT_PROP(T, Set, "ModifiedProperties2", &kParaProps2, ModifiedProperties2));
        return p;
    }();
    return v;
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

} // namespace

void DecodeParaStyles(std::string_view data, TParaInfos &out, bool *unknown) { decodeTable(data, out, paraProps(), unknown); }
std::string EncodeParaStyles(const TParaInfos &s) { return encodeTable(s, paraProps()); }

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
        translate(sheet[k].BaseStyleNo, map);
        translate(sheet[k].NextParaNo, map);
        if (textMap)
            translate(sheet[k].DefStyleNo, *textMap);
    }
    return map;
}

} // namespace rv
