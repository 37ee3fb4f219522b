// The document storage: an ordered list of items, each with its string (the
// text of a text item, the name of a non-text item), the checkpoint chain, and
// the settings the RVF reader and writer consult. The formatted layer of the
// viewer derives from this class and keeps its layout per item in arrays of
// its own (see rv_item.h).
#pragma once
#include "rv_docparams.h"
#include "rv_error.h"
#include "rv_graphic.h"
#include "rv_item.h"
#include "rv_style.h"

#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

namespace rv {

// RVFOptions bits.
enum : uint16_t {
    rvfoSavePicturesBody = bit(0), rvfoSaveControlsBody = bit(1), rvfoIgnoreUnknownPicFmt = bit(2),
    rvfoIgnoreUnknownCtrls = bit(3), rvfoConvUnknownStylesToZero = bit(4), rvfoConvLargeImageIdxToZero = bit(5),
    rvfoSaveBinary = bit(6), rvfoUseStyleNames = bit(7), rvfoSaveBack = bit(8), rvfoLoadBack = bit(9),
    rvfoSaveTextStyles = bit(10), rvfoSaveParaStyles = bit(11), rvfoSaveLayout = bit(12),
    rvfoLoadLayout = bit(13), rvfoSaveDocProperties = bit(14), rvfoLoadDocProperties = bit(15)
};
constexpr uint16_t kDefaultRVFOptions = 0xC043; // the viewer's default

// LoadWarnings bits.
enum : uint8_t {
    lwUnknownPictureFormat = bit(0), lwUnknownControl = bit(1), lwUnknownStyle = bit(2),
    lwImageIndexTooLarge = bit(3), lwConvertedToUnicode = bit(4), lwConvertedFromUnicode = bit(5),
    lwInvalidPicture = bit(6), lwUnknownStyleProperty = bit(7)
};

enum TRVFReaderStyleMode : uint8_t { rvf_sIgnore, rvf_sInsertMap, rvf_sInsertMerge };

// List marker state as a document stored it (properties record subtype 6).
struct TRVMarkerState {
    int ListNo = -1, Level = 0;
    bool Reset = false;
    int StartFrom = 1, Counter = 1;
};

// Bump-pointer memory for a document's item texts and for the items a reader
// makes: freed all at once, so a read and a clear cost no allocator call per item.
class TRVArena {
public:
    TRVArena() = default;
    ~TRVArena();
    TRVArena(const TRVArena &) = delete;
    TRVArena &operator=(const TRVArena &) = delete;
    // Fresh memory, aligned to `align` (a power of two, at most that of max_align_t).
    void *Allocate(size_t size, size_t align)
    {
        size_t at = (used_ + align - 1) & ~(align - 1);
        if (at > cap_ || size > cap_ - at)
            return grow(size);
        used_ = at + size;
        return cur_ + at;
    }
    // A copy of the bytes (empty: no memory).
    std::string_view Copy(std::string_view s)
    {
        if (s.empty())
            return {};
        char *p = static_cast<char *>(Allocate(s.size(), 1));
        std::memcpy(p, s.data(), s.size());
        return {p, s.size()};
    }
    // Frees every chunk (whatever lived in them must be destroyed already).
    void Release();

private:
    void *grow(size_t size);
    struct Chunk {
        char *data;
        size_t size;
    };
    std::vector<Chunk> chunks_;
    char *cur_ = nullptr;
    size_t used_ = 0, cap_ = 0, next_ = 0;
};

class TCustomRVData {
public:
    explicit TCustomRVData(TRVStyle *style = nullptr);
    virtual ~TCustomRVData();
    TCustomRVData(const TCustomRVData &) = delete;
    TCustomRVData &operator=(const TCustomRVData &) = delete;

    // The style sheet (not owned). Required before reading or formatting.
    TRVStyle *GetRVStyle() const { return FStyle; }
    void SetRVStyle(TRVStyle *style) { FStyle = style; }

    // --- the item list ---
    int ItemCount() const { return int(FItems.size()); }
    TCustomRVItemInfo &GetItem(int i) const { return *FItems[size_t(i)].item; }
    int GetItemStyle(int i) const { return FItems[size_t(i)].item->StyleNo; }
    // The stored string exactly: 8-bit text, UTF-16LE bytes of a Unicode item, or an item's name.
    // Valid until the item's text is set again, the item is deleted or the document cleared.
    std::string_view ItemText(int i) const { return FItems[size_t(i)].text; }
    void SetItemText(int i, std::string_view s) { FItems[size_t(i)].text = FArena.Copy(s); }
    // Inserts at index (clamped) and takes ownership; calls ItemInserted.
    void InsertItem(int index, std::string_view text, std::unique_ptr<TCustomRVItemInfo> item)
    {
        InsertItem(index, text, TRVItemPtr(item.release()));
    }
    // The same for an item made on the heap or by NewTextItem.
    void InsertItem(int index, std::string_view text, TRVItemPtr item)
    {
        // Reading appends item after item into reserved room: that case stays inline.
        if (size_t(index) == FItems.size() && FItems.size() < FItems.capacity()) {
            Entry &e = FItems.emplace_back();
            e.text = FArena.Copy(text);
            e.item = std::move(item);
            ItemInserted(index);
            return;
        }
        insertItem(index, text, std::move(item));
    }
    void AddItem(std::string_view text, std::unique_ptr<TCustomRVItemInfo> item) { InsertItem(ItemCount(), text, std::move(item)); }
    // A plain text item in the document's own memory, which lives until Clear:
    // a reader makes thousands, with no allocator call for each.
    TRVItemPtr NewTextItem(int styleNo)
    {
        void *at = FArena.Allocate(sizeof(TRVTextItemInfo), alignof(TRVTextItemInfo));
        return TRVItemPtr(new (at) TRVTextItemInfo(styleNo), TRVItemDeleter{true});
    }
    // Room for n more items without growing the list again.
    void ReserveItems(size_t n);
    // Removes and frees one item (and its checkpoint).
    void DeleteItem(int index);
    // Frees every item and checkpoint, including the trailing one.
    virtual void Clear();

    // --- text of items ---
    // Characters of a text item: bytes, or bytes / 2 for a Unicode item (an odd
    // trailing byte is not a character); 1 for a non-text item.
    int ItemLength(int i) const;
    bool IsUnicodeItem(int i) const { return (GetItem(i).ItemOptions & ioUnicode) != 0; }
    // The item's text as UTF-16 (converted from its style's code page when 8-bit).
    std::u16string ItemTextW(int i) const;
    // Selection offsets: text from 1 to ItemLength + 1; non-text 0 to 1.
    int GetOffsBeforeItem(int i) const { return GetItem(i).IsText() ? 1 : 0; }
    int GetOffsAfterItem(int i) const { return GetItem(i).IsText() ? ItemLength(i) + 1 : 1; }

    // --- styles ---
    // StyleNo, with ParagraphDefaultStyle resolved through the paragraph style.
    int EffectiveStyleNo(int i) const;
    // Text direction: the text style's when specified, else the paragraph style's.
    TRVBiDiMode GetItemBiDiMode(int i) const;
    // Text items in a Jump style, hot pictures and hotspots.
    bool IsHyperlink(int i) const;

    // --- paragraphs and lines ---
    bool IsParaStart(int i) const;
    bool IsLineStart(int i) const { return (GetItem(i).ItemOptions & ioContinuesParagraph) == 0; }
    int GetFirstParaItem(int i) const;  // paragraph start at or before i
    int GetFirstLineItem(int i) const;  // line start at or before i
    // Page break before item i; a list marker at i - 1 holds its paragraph's break.
    // Throws EReadViewError for an index out of range.
    bool PageBreakBefore(int i) const;
    void SetPageBreakBefore(int i, bool on);

    // --- checkpoints ---
    TRVCPInfo *FirstCP = nullptr, *LastCP = nullptr;
    // A checkpoint after the last item, belonging to no item (owned).
    std::unique_ptr<TRVCPInfo> TrailingCheckpoint;
    int CPCount = 0; // checkpoints including the trailing one
    // Links cp after prev (nullptr: first) and attaches it to item i (owned by it).
    void LinkCheckpoint(std::unique_ptr<TRVCPInfo> cp, TRVCPInfo *prev, int i);
    // Unlinks the checkpoint of item i and frees it.
    void RemoveCheckpoint(int i, bool decreaseCount = true);
    // The last checkpoint belonging to an item before index i, or nullptr.
    TRVCPInfo *FindCheckpointBefore(int i) const;
    // Stores each checkpoint's item index.
    void RenumberCheckpoints();

    // --- what RVF reading and writing consult and fill ---
    uint8_t LoadWarnings = 0;
    // Why the last read failed (empty after a successful one).
    RvfError LoadError;
    uint16_t RVFOptions = kDefaultRVFOptions;
    TRVFReaderStyleMode RVFTextStylesReadMode = rvf_sInsertMerge;
    TRVFReaderStyleMode RVFParaStylesReadMode = rvf_sInsertMerge;
    std::vector<std::string> DocProperties;
    // The viewer's page setup; documents inside others (notes, cells) have none.
    std::unique_ptr<TRVDocParameters> DocParameters;
    std::vector<TRVMarkerState> StoredMarkers;
    // True for the document that owns the style sheet (not a note or a cell).
    bool OwnsStyleSheet = true;

    // Host requests of RVF reading; the reader application answers none of them.
    std::function<std::unique_ptr<TRVGraphic>(const std::string &name, int tag)> OnRVFPictureNeeded;
    std::function<bool(const std::string &name, int tag)> OnRVFControlNeeded;
    std::function<TCustomImageList *(int imageListTag)> OnRVFImageListNeeded;

protected:
    // Called after an item was inserted at i (the formatted data resets its layout).
    virtual void ItemInserted(int /*i*/) {}
    virtual void ItemDeleting(int /*i*/) {}

private:
    void insertItem(int index, std::string_view text, TRVItemPtr item);
    struct Entry {
        std::string_view text; // in FArena
        TRVItemPtr item;
    };
    // Declared before the items, so it outlives them.
    TRVArena FArena;
    std::vector<Entry> FItems;
    TRVStyle *FStyle;
};

} // namespace rv
