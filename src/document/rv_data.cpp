#include "rv_data.h"

#include "platform/codepage.h"
#include "rv_error.h"

namespace rv {

TCustomRVData::TCustomRVData(TRVStyle *style) : DocParameters(std::make_unique<TRVDocParameters>()), FStyle(style) {}

TCustomRVData::~TCustomRVData() { Clear(); }

void TCustomRVData::InsertItem(int index, std::string text, std::unique_ptr<TCustomRVItemInfo> item)
{
    index = std::clamp(index, 0, ItemCount());
    FItems.insert(FItems.begin() + index, Entry{std::move(text), std::move(item)});
    ItemInserted(index);
}

void TCustomRVData::DeleteItem(int index)
{
    if (index < 0 || index >= ItemCount())
        throw EReadViewError("Item index is out of bounds");
    ItemDeleting(index);
    if (GetItem(index).Checkpoint)
        RemoveCheckpoint(index);
    FItems.erase(FItems.begin() + index);
}

void TCustomRVData::Clear()
{
    // Items own their checkpoints; the chain pointers die with them.
    FItems.clear();
    FirstCP = LastCP = nullptr;
    TrailingCheckpoint.reset();
    CPCount = 0;
}

int TCustomRVData::ItemLength(int i) const
{
    const TCustomRVItemInfo &item = GetItem(i);
    if (!item.IsText())
        return 1;
    size_t n = ItemText(i).size();
    // An odd trailing byte of a Unicode item is no character.
    return int((item.ItemOptions & ioUnicode) ? n / 2 : n);
}

std::u16string TCustomRVData::ItemTextW(int i) const
{
    const std::string &s = ItemText(i);
    if (IsUnicodeItem(i))
        return platform::utf16FromLittleEndian(s);
    int cp = FStyle && GetItem(i).IsText() ? FStyle->CodePageOfStyle(EffectiveStyleNo(i)) : platform::CP_ACP;
    return platform::toUtf16(s, cp);
}

int TCustomRVData::EffectiveStyleNo(int i) const
{
    const TCustomRVItemInfo &item = GetItem(i);
    if (item.StyleNo != ParagraphDefaultStyle)
        return item.StyleNo;
    int def = FStyle ? FStyle->ParaStyles[item.ParaNo].DefStyleNo : -1;
    return def < 0 ? 0 : def;
}

TRVBiDiMode TCustomRVData::GetItemBiDiMode(int i) const
{
    if (!FStyle)
        return rvbdUnspecified;
    const TCustomRVItemInfo &item = GetItem(i);
    if (item.IsText()) {
        TRVBiDiMode m = FStyle->TextStyles[EffectiveStyleNo(i)].BiDiMode;
        if (m != rvbdUnspecified)
            return m;
    }
    return FStyle->ParaStyles[item.ParaNo].BiDiMode;
}

bool TCustomRVData::IsHyperlink(int i) const
{
    const TCustomRVItemInfo &item = GetItem(i);
    if (item.IsText())
        return FStyle && FStyle->TextStyles[EffectiveStyleNo(i)].Jump;
    return item.IsHotKind();
}

bool TCustomRVData::IsParaStart(int i) const
{
    return (GetItem(i).ItemOptions & (ioContinuesParagraph | ioLineBreak)) == 0;
}

int TCustomRVData::GetFirstParaItem(int i) const
{
    while (i > 0 && !IsParaStart(i))
        --i;
    return i;
}

int TCustomRVData::GetFirstLineItem(int i) const
{
    while (i > 0 && !IsLineStart(i))
        --i;
    return i;
}

bool TCustomRVData::PageBreakBefore(int i) const
{
    if (i < 0 || i >= ItemCount())
        throw EReadViewError("Item index is out of bounds");
    if (i > 0 && GetItemStyle(i - 1) == ikListMarker)
        --i;
    return (GetItem(i).ItemOptions & ioPageBreakBefore) != 0;
}

void TCustomRVData::SetPageBreakBefore(int i, bool on)
{
    if (i < 0 || i >= ItemCount())
        throw EReadViewError("Item index is out of bounds");
    if (i > 0 && GetItemStyle(i - 1) == ikListMarker)
        --i;
    GetItem(i).SetPageBreakBefore(on);
}

void TCustomRVData::LinkCheckpoint(std::unique_ptr<TRVCPInfo> cp, TRVCPInfo *prev, int i)
{
    TRVCPInfo *c = cp.get();
    TCustomRVItemInfo &item = GetItem(i);
    c->Prev = prev;
    c->ItemInfo = &item;
    c->ItemNo = i;
    if (prev) {
        c->Next = prev->Next;
    } else {
        c->Next = FirstCP;
        FirstCP = c;
    }
    if (prev)
        prev->Next = c;
    if (c->Next)
        c->Next->Prev = c;
    if (prev == LastCP)
        LastCP = c;
    if (item.Checkpoint)
        RemoveCheckpoint(i);
    item.Checkpoint = std::move(cp);
}

void TCustomRVData::RemoveCheckpoint(int i, bool decreaseCount)
{
    TCustomRVItemInfo &item = GetItem(i);
    TRVCPInfo *c = item.Checkpoint.get();
    if (!c)
        return;
    if (c->Prev)
        c->Prev->Next = c->Next;
    else if (FirstCP == c)
        FirstCP = c->Next;
    if (c->Next)
        c->Next->Prev = c->Prev;
    else if (LastCP == c)
        LastCP = c->Prev;
    item.Checkpoint.reset();
    if (decreaseCount && CPCount > 0)
        --CPCount;
}

TRVCPInfo *TCustomRVData::FindCheckpointBefore(int i) const
{
    for (int k = std::min(i, ItemCount()) - 1; k >= 0; --k)
        if (GetItem(k).Checkpoint)
            return GetItem(k).Checkpoint.get();
    return nullptr;
}

void TCustomRVData::RenumberCheckpoints()
{
    int seen = 0;
    for (int i = 0; i < ItemCount() && seen < CPCount; ++i)
        if (TRVCPInfo *c = GetItem(i).Checkpoint.get()) {
            c->ItemNo = i;
            ++seen;
        }
}

} // namespace rv
