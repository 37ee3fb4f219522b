#include "rv_data.h"

#include "platform/codepage.h"
#include "rv_error.h"

#include <algorithm>
#include <mutex>

namespace rv {

TCustomRVData::TCustomRVData(TRVStyle *style) : DocParameters(std::make_unique<TRVDocParameters>()), FStyle(style) {}

TCustomRVData::~TCustomRVData() { Clear(); }

// Under AddressSanitizer kept chunks are poisoned, so text read through a
// string_view after its document was cleared is caught as it would be on the heap.
#if defined(__SANITIZE_ADDRESS__)
#define QUENLOR_ARENA_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUENLOR_ARENA_ASAN 1
#endif
#endif
#ifdef QUENLOR_ARENA_ASAN
#include <sanitizer/asan_interface.h>
#define ARENA_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define ARENA_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define ARENA_POISON(p, n) ((void)(p), (void)(n))
#define ARENA_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace {

// Chunks are powers of two from 1 KB to 1 MB; a larger request gets a chunk
// of its own, freed with its arena.
constexpr int kChunkClasses = 11;
constexpr size_t kSmallestChunk = size_t(1) << 10, kLargestChunk = kSmallestChunk << (kChunkClasses - 1);
// Released chunks are kept for the next document, up to this many bytes:
// memory the process has not touched yet costs a page fault per page on first
// use, which on some machines is most of what reading a document costs.
constexpr size_t kKeptBytes = size_t(8) << 20;

struct ChunkCache {
    std::mutex lock;
    std::vector<char *> free[kChunkClasses];
    size_t bytes = 0;
};

// Never destroyed: documents may be released during static destruction.
ChunkCache &chunkCache()
{
    static ChunkCache *cache = new ChunkCache;
    return *cache;
}

int chunkClass(size_t cap)
{
    int c = 0;
    while ((kSmallestChunk << c) < cap)
        ++c;
    return c;
}

} // namespace

TRVArena::~TRVArena() { Release(); }

void TRVArena::Release()
{
    ChunkCache &cache = chunkCache();
    std::lock_guard<std::mutex> guard(cache.lock);
    for (const Chunk &c : chunks_) {
        if (c.size <= kLargestChunk && cache.bytes + c.size <= kKeptBytes) {
            std::vector<char *> &list = cache.free[chunkClass(c.size)];
            try {
                list.push_back(c.data);
                cache.bytes += c.size;
                ARENA_POISON(c.data, c.size);
                continue;
            } catch (const std::bad_alloc &) {
            }
        }
        delete[] c.data;
    }
    chunks_.clear();
    cur_ = nullptr;
    used_ = cap_ = 0;
    next_ = 0;
}

void *TRVArena::grow(size_t size)
{
    next_ = next_ == 0 ? kSmallestChunk : std::min(next_ * 2, kLargestChunk);
    size_t cap = next_;
    while (cap < size && cap < kLargestChunk)
        cap *= 2;
    if (cap < size)
        cap = size;
    chunks_.reserve(chunks_.size() + 1);
    char *data = nullptr;
    if (cap <= kLargestChunk) {
        ChunkCache &cache = chunkCache();
        std::lock_guard<std::mutex> guard(cache.lock);
        std::vector<char *> &list = cache.free[chunkClass(cap)];
        if (!list.empty()) {
            data = list.back();
            list.pop_back();
            cache.bytes -= cap;
            ARENA_UNPOISON(data, cap);
        }
    }
    if (!data)
        data = new char[cap];
    chunks_.push_back({data, cap});
    cur_ = data;
    cap_ = cap;
    used_ = size;
    return cur_;
}

void TCustomRVData::insertItem(int index, std::string_view text, TRVItemPtr item)
{
    index = std::clamp(index, 0, ItemCount());
    FItems.insert(FItems.begin() + index, Entry{FArena.Copy(text), std::move(item)});
    ItemInserted(index);
}

void TCustomRVData::ReserveItems(size_t n)
{
    size_t need = FItems.size() + n;
    if (need > FItems.capacity())
        FItems.reserve(std::max(need, FItems.capacity() * 2));
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
    FArena.Release();
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
    std::string_view s = ItemText(i);
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
