// Draw items: the pieces of items placed on lines by one formatting pass, in
// document pixel coordinates. Painting, hit testing, selection, search and
// pagination all work on these.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

namespace rv {

class TCustomRVFormattedData;

class TRVDrawLineInfo {
public:
    TRVDrawLineInfo() = default;
    TRVDrawLineInfo(int left, int top, int width, int height, int itemNo, bool startsLine)
        : Left(left), Top(top), Width(width), Height(height), ItemNo(itemNo), StartsLine(startsLine)
    {
    }
    virtual ~TRVDrawLineInfo() = default;

    virtual void SetPosition(int left, int top, int itemNo, bool startsLine)
    {
        Left = left;
        Top = top;
        ItemNo = itemNo;
        StartsLine = startsLine;
    }
    virtual void SetSize(int width, int height)
    {
        Width = width;
        Height = height;
    }
    // Splitting a tall piece across printed pages; the printing subclass answers.
    virtual int InitSplit() { return 0; }
    virtual int CanSplitFirst(int /*y*/) { return 0; }
    virtual int SplitAt(int /*y*/) { return 0; }

    int Right() const { return Left + Width; }
    int Bottom() const { return Top + Height; }

    int SpaceBefore = 0; // justification space in front of the text, included in Width
    int Left = 0, Top = 0, Width = 0, Height = 0;
    int ItemNo = 0;
    int FirstChar = 0;  // 1-based; 1 for an empty text item, 0 for non-text items
    int CharCount = 0;
    int ExtraLineSpace = 0;
    bool StartsLine = false;
};

// The draw items of one formatted document, in line order. Owns its entries.
// A deleted range can be kept pending so that re-formatting a part of the
// document refills the slots instead of shifting the tail of the list.
class TRVDrawLines {
public:
    int Count() const { return int(FItems.size()); }
    const TRVDrawLineInfo &operator[](int i) const { return *FItems[size_t(i)]; }
    TRVDrawLineInfo &operator[](int i) { return *FItems[size_t(i)]; }
    const TRVDrawLineInfo *Get(int i) const { return FItems[size_t(i)].get(); }
    TRVDrawLineInfo *Get(int i) { return FItems[size_t(i)].get(); }

    void Add(std::unique_ptr<TRVDrawLineInfo> d) { FItems.push_back(std::move(d)); }
    // Inserts at index, reusing a slot of the pending deleted range when there is one.
    void Insert(int index, std::unique_ptr<TRVDrawLineInfo> d);
    void Delete(int index);
    // Frees count pieces from first and remembers the range as pending.
    void MarkForDelete(int first, int count);
    // Removes the remaining slots of the pending range.
    void DeleteMarked();
    void Clear();
    int PendingFirst() const { return FDelFirst; }
    int PendingCount() const { return FDelCount; }

private:
    std::vector<std::unique_ptr<TRVDrawLineInfo>> FItems;
    int FDelFirst = -1, FDelCount = 0;
};

// One hyperlink piece: where it is and which hyperlink it belongs to.
struct TRVJumpInfo {
    TCustomRVFormattedData *RVData = nullptr;
    int Left = 0, Top = 0, Width = 0, Height = 0;
    int Id = 0;       // zero-based jump number
    int DrawItemNo = 0;
    int16_t Cursor = 0;
};

} // namespace rv
