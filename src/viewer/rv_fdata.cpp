#include "viewer/rv_fdata.h"
#include "viewer/rv_table_layout.h"

#include <algorithm>

namespace rv {

TCustomRVFormattedData::TCustomRVFormattedData(TRVStyle *style) : TCustomRVData(style) {}

TCustomRVFormattedData::~TCustomRVFormattedData() = default;

const TRVTableLayout *TCustomRVFormattedData::TableLayoutOf(int itemNo) const
{
    auto it = FTableLayouts.find(itemNo);
    return it == FTableLayouts.end() ? nullptr : it->second.get();
}

void TCustomRVFormattedData::ShareItemsFrom(TCustomRVData *source)
{
    FSource = source == this ? nullptr : source;
    ResetTextCache();
    ForgetLines();
}

void TCustomRVFormattedData::ForgetLines()
{
    FDrawItems.Clear();
    FJumps.clear();
    FLines.clear();
    FParas.clear();
    FTabLeaders.clear();
    FTableLayouts.clear();
    FLastFormattedItem = -1;
}

void TCustomRVFormattedData::DropLayout()
{
    ForgetLines();
    FContentHeight = 0;
}

void TCustomRVFormattedData::Clear()
{
    TCustomRVData::Clear();
    ForgetLines();
    FJumpCount = 0;
    FTexts.clear();
    FFirstDrawItem.clear();
    FJumpIndex.clear();
    FContentHeight = GetTopMargin() + GetBottomMargin();
    FSelection = {};
    FHoveredJump = FCurrentItem = FFocusedItem = -1;
    FHoverShown = false;
}

void TCustomRVFormattedData::ResetTextCache()
{
    FTexts.clear();
}

void TCustomRVFormattedData::ItemInserted(int i)
{
    if (FSource)
        return;
    if (size_t(i) <= FTexts.size())
        FTexts.insert(FTexts.begin() + i, TextCache{});
    if (size_t(i) <= FFirstDrawItem.size())
        FFirstDrawItem.insert(FFirstDrawItem.begin() + i, -1);
    if (size_t(i) <= FJumpIndex.size())
        FJumpIndex.insert(FJumpIndex.begin() + i, 0);
}

void TCustomRVFormattedData::ItemDeleting(int i)
{
    // A layout refers to its table item: none may outlive it.
    FTableLayouts.clear();
    if (FSource)
        return;
    if (size_t(i) < FTexts.size())
        FTexts.erase(FTexts.begin() + i);
    if (size_t(i) < FFirstDrawItem.size())
        FFirstDrawItem.erase(FFirstDrawItem.begin() + i);
    if (size_t(i) < FJumpIndex.size())
        FJumpIndex.erase(FJumpIndex.begin() + i);
}

void TCustomRVFormattedData::SyncItemArrays()
{
    size_t n = size_t(Items().ItemCount());
    if (FTexts.size() != n) {
        FTexts.clear();
        FTexts.resize(n);
    }
    FFirstDrawItem.assign(n, -1);
    FJumpIndex.assign(n, 0);
}

int TCustomRVFormattedData::FirstDrawItemOf(int itemNo) const
{
    return itemNo >= 0 && size_t(itemNo) < FFirstDrawItem.size() ? FFirstDrawItem[size_t(itemNo)] : -1;
}

int TCustomRVFormattedData::JumpIndexOf(int itemNo) const
{
    return itemNo >= 0 && size_t(itemNo) < FJumpIndex.size() ? FJumpIndex[size_t(itemNo)] : 0;
}

const TCustomRVData *TCustomRVFormattedData::JumpDocument(int id, int &itemNo) const
{
    itemNo = -1;
    for (const TRVJumpInfo &j : FJumps)
        if (j.Id == id - FFirstJumpNo) {
            if (j.RVData && j.RVData != this)
                return j.RVData->JumpDocument(j.Id, itemNo);
            itemNo = FDrawItems[j.DrawItemNo].ItemNo;
            return &Items();
        }
    return nullptr;
}

int TCustomRVFormattedData::ItemIndexOfJump(int id) const
{
    for (const TRVJumpInfo &j : FJumps)
        if (j.Id == id - FFirstJumpNo)
            return FDrawItems[j.DrawItemNo].ItemNo;
    return -1;
}

static char16_t upperLatin(char16_t c)
{
    if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
        return char16_t(c - 0x20);
    if (c == 0xFF)
        return 0x178;
    if (c >= 0x100 && c <= 0x17F && c != 0x131 && c != 0x138 && c != 0x149 && c != 0x17F) {
        // Latin Extended-A pairs capitals and small letters on neighbouring codes.
        bool oddSmall = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (oddSmall ? (c & 1) == 0 : (c & 1) == 1)
            return char16_t(c - 1);
    }
    return c;
}

const TCustomRVFormattedData::TextCache &TCustomRVFormattedData::TextOf(int itemNo) const
{
    if (FTexts.size() != size_t(Items().ItemCount()))
        FTexts.assign(size_t(Items().ItemCount()), TextCache{});
    TextCache &tc = FTexts[size_t(itemNo)];
    if (tc.valid)
        return tc;
    const TCustomRVData &d = Items();
    tc.valid = true;
    tc.softHyphens.clear();
    if (!d.GetItem(itemNo).IsText()) {
        tc.text.clear();
        return tc;
    }
    tc.text = d.ItemTextW(itemNo);
    const TRVStyle *style = GetRVStyle();
    if (style && (style->TextStyles[d.EffectiveStyleNo(itemNo)].StyleEx & bit(rvfsAllCaps)))
        for (auto &c : tc.text)
            c = upperLatin(c);
    if (d.IsUnicodeItem(itemNo))
        for (size_t k = 0; k < tc.text.size(); ++k)
            if (tc.text[k] == 0x00AD) {
                tc.text[k] = 0x200B;
                tc.softHyphens.push_back(int(k));
            }
    return tc;
}

const std::u16string &TCustomRVFormattedData::DisplayText(int itemNo) const
{
    return TextOf(itemNo).text;
}

std::string TCustomRVFormattedData::TabLeader(int drawItemNo) const
{
    auto it = FTabLeaders.find(drawItemNo);
    return it == FTabLeaders.end() ? std::string() : it->second;
}

int TCustomRVFormattedData::DocumentOffsetY() const
{
    int free = GetClientHeight() - FContentHeight;
    if (free <= 0)
        return 0;
    switch (GetVAlign()) {
    case tlCenter:
        return free / 2;
    case tlBottom:
        return free;
    default:
        return 0;
    }
}

int TCustomRVFormattedData::LineOfDrawItem(int drawItemNo) const
{
    auto it = std::upper_bound(FLines.begin(), FLines.end(), drawItemNo,
                               [](int d, const TRVLineRecord &l) { return d < l.FirstDrawItem; });
    return it == FLines.begin() ? -1 : int(it - FLines.begin()) - 1;
}

int TCustomRVFormattedData::FindLineAt(int y) const
{
    // Line bottoms rise with the line number except where a negative line
    // spacing lets a line overlap the next; step back over such overlaps.
    auto it = std::upper_bound(FLines.begin(), FLines.end(), y,
                               [](int v, const TRVLineRecord &l) { return v < l.Bottom; });
    int k = int(it - FLines.begin());
    while (k > 0 && FLines[size_t(k - 1)].Bottom > y)
        --k;
    return k;
}

bool TCustomRVFormattedData::GetSelectionBounds(TRVSelectionBounds &out) const
{
    return NormalisedSelection(FSelection, out);
}

TRVSelectionBounds TCustomRVFormattedData::WholeSelection() const
{
    const int n = FDrawItems.Count();
    if (n == 0)
        return {};
    // From before the first piece to after the last.
    const TRVDrawLineInfo &last = FDrawItems[n - 1];
    const bool firstText = Items().GetItem(FDrawItems[0].ItemNo).IsText();
    const bool lastText = Items().GetItem(last.ItemNo).IsText();
    return {0, firstText ? 1 : 0, n - 1, lastText ? last.CharCount + 1 : 1};
}

bool TCustomRVFormattedData::NormalisedSelection(const TRVSelectionBounds &s, TRVSelectionBounds &out) const
{
    int n = FDrawItems.Count();
    if (s.StartNo < 0 || s.EndNo < 0 || s.StartNo >= n || s.EndNo >= n)
        return false;
    if (s.StartNo == s.EndNo && s.StartOffs == s.EndOffs)
        return false;
    out = s;
    if (s.StartNo > s.EndNo || (s.StartNo == s.EndNo && s.StartOffs > s.EndOffs)) {
        out.StartNo = s.EndNo;
        out.StartOffs = s.EndOffs;
        out.EndNo = s.StartNo;
        out.EndOffs = s.StartOffs;
    }
    return true;
}

void TCustomRVFormattedData::SetSelection(int startNo, int startOffs, int endNo, int endOffs)
{
    FSelection = {startNo, startOffs, endNo, endOffs};
}

platform::Color TCustomRVFormattedData::BackgroundColor() const
{
    platform::Color c = GetColor();
    if (c == platform::clNone && GetRVStyle())
        c = GetRVStyle()->Color;
    return c == platform::clNone ? platform::clWindow : c;
}

void TRVFieldSettingsData::TakeStoredLayout(const TRVLayoutInfo &layout)
{
    LeftMargin = layout.LeftMargin;
    RightMargin = layout.RightMargin;
    TopMargin = layout.TopMargin;
    BottomMargin = layout.BottomMargin;
    MinTextWidth = layout.MinTextWidth;
    MaxTextWidth = layout.MaxTextWidth;
}

} // namespace rv
