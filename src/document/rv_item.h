// Document items. A document is a flat list of items (see rv_data.h); each item
// names a text style (StyleNo >= 0) or is a non-text item whose kind is a
// negative StyleNo. Paragraphs and lines follow from ItemOptions.
//
// Items hold only what the document stores. Layout results of one formatting
// pass (an item's first draw item, its hyperlink number) live in the formatted
// data's own per-item arrays, because the screen and the printer format the
// same items independently.
#pragma once
#include "platform/canvas.h"
#include "rv_style.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace rv {

// How a picture, label or note sits on its line: on the baseline, its middle
// at the text's middle, or against the line's top, bottom or middle. Stored
// as the number in the RVF header; unknown numbers read and write back unchanged.
enum class TRVVAlign : uint8_t { Baseline, Middle, AbsTop, AbsBottom, AbsMiddle };
// Placed against the line box rather than the text.
inline bool IsLineAligned(TRVVAlign a) { return uint8_t(a) >= uint8_t(TRVVAlign::AbsTop); }
// How a horizontal line is drawn (stored as its number, like TRVVAlign).
enum class TRVBreakStyle : uint8_t { Solid, Rectangle, Sunken, Dotted, Dashed };

class TCustomRVData;
class TCustomRVItemInfo;
class TRVGraphic;

// Item kinds (negative StyleNo values).
enum : int {
    ikHorizontalLine = -1, ikCheckpointRecord = -2, ikPicture = -3, ikHotspot = -4, ikControl = -5,
    ikBullet = -6, ikBackgroundRecord = -7, ikVersionRecord = -8, ikPropertiesRecord = -9,
    ikHotPicture = -10, ikListMarker = -11, ikTab = -12, ikTable = -60, ikLabel = -200,
    ikSequence = -202, ikFootnote = -203, ikEndnote = -204, ikNoteReference = -205
};
// A text item in this StyleNo takes its paragraph style's DefStyleNo (or 0).
constexpr int ParagraphDefaultStyle = 2147483647;

// ItemOptions bits.
enum : uint8_t { ioContinuesParagraph = 1, ioPageBreakBefore = 2, ioLineBreak = 4, ioUnicode = 8 };

// Extra item properties of RVF ("name=value" lines), numbered as stored.
enum TRVExtraItemProperty {
    rvepUnknown, rvepVShift, rvepVShiftAbs, rvepImageWidth, rvepImageHeight, rvepTransparent,
    rvepTransparentMode, rvepTransparentColor, rvepMinHeightOnPage, rvepSpacing, rvepResizable,
    rvepDeleteProtect, rvepNoHTMLImageSize, rvepAnimationInterval, rvepVisible
};
enum TRVExtraItemStrProperty { rvespUnknown, rvespHint, rvespAlt, rvespImageFileName };

// Images of bullets and hotspots come from a host image list; the reader has none.
class TCustomImageList {
public:
    virtual ~TCustomImageList() = default;
    virtual int Count() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void Draw(platform::Canvas &canvas, int x, int y, int index) const = 0;
};

// A checkpoint: a named, optionally event-raising mark at an item. Checkpoints
// form a chain in document order (see TCustomRVData).
struct TRVCPInfo {
    std::string Name;
    int Tag = 0;
    bool RaiseEvent = false;
    bool Persistent = false;
    TCustomRVItemInfo *ItemInfo = nullptr; // none for the trailing checkpoint
    TRVCPInfo *Prev = nullptr, *Next = nullptr;
    int ItemNo = -1; // at the last renumbering
};

// What painting tells a non-text item about its state.
struct TRVItemDrawState {
    bool Selected = false, Focused = false, Current = false;
    // The box the layout gave the item, when it differs from the item's own
    // screen size (printing lays out at the printer's resolution); 0: natural size.
    int BoxWidth = 0, BoxHeight = 0;
};

// An item's hint (its tooltip text). Few items have one, so an item without
// it pays one pointer; an empty hint is no hint.
class TRVHint {
public:
    TRVHint() = default;
    TRVHint(const TRVHint &o) : s_(o.empty() ? nullptr : std::make_unique<std::string>(*o.s_)) {}
    TRVHint &operator=(const TRVHint &o) { return this == &o ? *this : (*this = std::string_view(o.str())); }
    TRVHint &operator=(std::string_view v)
    {
        if (v.empty())
            s_.reset();
        else if (s_)
            s_->assign(v);
        else
            s_ = std::make_unique<std::string>(v);
        return *this;
    }
    TRVHint &operator=(const std::string &v) { return *this = std::string_view(v); }
    TRVHint &operator=(const char *v) { return *this = std::string_view(v); }
    const std::string &str() const
    {
        static const std::string none;
        return s_ ? *s_ : none;
    }
    operator const std::string &() const { return str(); }
    bool empty() const { return !s_ || s_->empty(); }
    void clear() { s_.reset(); }
    bool holdsMemory() const { return s_ != nullptr; }
    friend bool operator==(const TRVHint &a, const TRVHint &b) { return a.str() == b.str(); }
    friend bool operator==(const TRVHint &a, std::string_view b) { return a.str() == b; }
    template <class Stream>
    friend Stream &operator<<(Stream &o, const TRVHint &h)
    {
        o << h.str();
        return o;
    }

private:
    std::unique_ptr<std::string> s_;
};

class TCustomRVItemInfo {
public:
    explicit TCustomRVItemInfo(int styleNo) : StyleNo(styleNo) {}
    virtual ~TCustomRVItemInfo();
    TCustomRVItemInfo(const TCustomRVItemInfo &) = delete;
    TCustomRVItemInfo &operator=(const TCustomRVItemInfo &) = delete;

    // Copies ParaNo, ItemOptions, Hint and the class's own fields, and StyleNo
    // when both items are of the same class. Pictures are copied, image lists referenced.
    virtual void Assign(const TCustomRVItemInfo &src);
    // A new item of the same class, equal to this one (checkpoint not copied).
    std::unique_ptr<TCustomRVItemInfo> Clone() const;

    // The text style a non-text item draws with (tabs, labels), or -1.
    virtual int GetAssociatedTextStyleNo() const { return -1; }
    virtual void SetAssociatedTextStyleNo(int) {}
    // Full-line items (horizontal lines, tables) fill a line of their own.
    virtual bool IsFullLine() const { return false; }
    // False for a picture without picture, a control without control, a bullet without image list.
    virtual bool HasValidContent() const { return true; }
    // Hotspots and hot pictures are hyperlinks by kind; text decides by its style (TCustomRVData).
    virtual bool IsHotKind() const { return false; }
    virtual bool IsHoverSensitive() const { return false; }
    bool IsText() const { return StyleNo >= 0; }

    // Extra properties by number; false when the item has no such property.
    virtual bool SetExtraIntProperty(TRVExtraItemProperty prop, int value);
    virtual bool GetExtraIntProperty(TRVExtraItemProperty prop, int &value) const;
    virtual bool SetExtraStrProperty(TRVExtraItemStrProperty prop, const std::string &value);
    virtual bool GetExtraStrProperty(TRVExtraItemStrProperty prop, std::string &value) const;

    // Layout and painting hooks of non-text items, in screen pixels.
    // Natural content size (a picture's own or set size); 0 × 0 for text.
    virtual platform::Size ContentSize() const { return {}; }
    // Paints the item with its box's top-left at (x, y).
    virtual void Paint(platform::Canvas &, int /*x*/, int /*y*/, const TRVItemDrawState &, TRVStyle &) const {}

    // Option rules: setting one flag clears those it excludes (see the .cpp).
    void SetContinuesParagraph(bool on);
    void SetPageBreakBefore(bool on);
    void SetLineBreak(bool on);

    // Ordered so that the fields pack: a text item takes 40 bytes.
    int StyleNo;
    int ParaNo = 0;
    int Tag = 0;
    uint8_t ItemOptions = 0;
    uint8_t SpellState = 0;             // not used by the reader
    std::unique_ptr<TRVCPInfo> Checkpoint;
    TRVHint Hint;

protected:
    virtual std::unique_ptr<TCustomRVItemInfo> CreateSame() const = 0;
};

#define RV_ITEM_CLONE(Class)                                                         \
protected:                                                                           \
    std::unique_ptr<TCustomRVItemInfo> CreateSame() const override                   \
    {                                                                                \
        return std::make_unique<Class>(StyleNo);                                     \
    }                                                                                \
public:

class TRVTextItemInfo : public TCustomRVItemInfo {
    RV_ITEM_CLONE(TRVTextItemInfo)
    using TCustomRVItemInfo::TCustomRVItemInfo;
};

class TRVNonTextItemInfo : public TCustomRVItemInfo {
public:
    using TCustomRVItemInfo::TCustomRVItemInfo;
    void Assign(const TCustomRVItemInfo &src) override;
    bool SetExtraIntProperty(TRVExtraItemProperty prop, int value) override;
    bool GetExtraIntProperty(TRVExtraItemProperty prop, int &value) const override;
    bool Unremovable = false;
};

class TRVFullLineItemInfo : public TRVNonTextItemInfo {
public:
    using TRVNonTextItemInfo::TRVNonTextItemInfo;
    bool IsFullLine() const override { return true; }
};

// Horizontal line.
class TRVBreakItemInfo : public TRVFullLineItemInfo {
    RV_ITEM_CLONE(TRVBreakItemInfo)
    explicit TRVBreakItemInfo(int styleNo = ikHorizontalLine) : TRVFullLineItemInfo(styleNo) {}
    void Assign(const TCustomRVItemInfo &src) override;
    uint8_t LineWidth = 1;
    TRVBreakStyle LineStyle = TRVBreakStyle::Solid;
    TColor LineColor = clNone;
};

// Items placed inline as a rectangle.
class TRVRectItemInfo : public TRVNonTextItemInfo {
public:
    using TRVNonTextItemInfo::TRVNonTextItemInfo;
    void Assign(const TCustomRVItemInfo &src) override;
    bool SetExtraIntProperty(TRVExtraItemProperty prop, int value) override;
    bool GetExtraIntProperty(TRVExtraItemProperty prop, int &value) const override;
    // Whether "minheightonpage" applies (pictures and controls).
    virtual bool HasMinHeightOnPage() const { return false; }

    int MinHeightOnPage = 0;
    TRVVAlign VerticalAlign = TRVVAlign::Baseline;
    int VShift = 0;
    bool VShiftAbsolute = false;
    int Spacing = 1;
};

class TRVTabItemInfo : public TRVRectItemInfo {
    RV_ITEM_CLONE(TRVTabItemInfo)
    explicit TRVTabItemInfo(int styleNo = ikTab) : TRVRectItemInfo(styleNo) {}
    void Assign(const TCustomRVItemInfo &src) override;
    int GetAssociatedTextStyleNo() const override { return TextStyleNo; }
    void SetAssociatedTextStyleNo(int n) override { TextStyleNo = n; }
    int TextStyleNo = 0;
};

// An embedded control. The reader registers no control classes, so it only
// keeps what was stored.
class TRVControlItemInfo : public TRVRectItemInfo {
    RV_ITEM_CLONE(TRVControlItemInfo)
    explicit TRVControlItemInfo(int styleNo = ikControl) : TRVRectItemInfo(styleNo) {}
    void Assign(const TCustomRVItemInfo &src) override;
    bool HasValidContent() const override { return HasControl; }
    bool HasMinHeightOnPage() const override { return true; }
    bool SetExtraIntProperty(TRVExtraItemProperty prop, int value) override;
    bool GetExtraIntProperty(TRVExtraItemProperty prop, int &value) const override;
    bool HasControl = false;
    std::string ControlClassName;
    bool ControlResizable = true;
    bool ControlVisible = true;
};

class TRVGraphicItemInfo : public TRVRectItemInfo {
    RV_ITEM_CLONE(TRVGraphicItemInfo)
    explicit TRVGraphicItemInfo(int styleNo = ikPicture);
    ~TRVGraphicItemInfo() override;
    void Assign(const TCustomRVItemInfo &src) override;
    bool HasValidContent() const override { return Image != nullptr; }
    bool HasMinHeightOnPage() const override { return true; }
    bool SetExtraIntProperty(TRVExtraItemProperty prop, int value) override;
    bool GetExtraIntProperty(TRVExtraItemProperty prop, int &value) const override;
    bool SetExtraStrProperty(TRVExtraItemStrProperty prop, const std::string &value) override;
    bool GetExtraStrProperty(TRVExtraItemStrProperty prop, std::string &value) const override;
    // ImageWidth/Height when set, else the picture's own size.
    platform::Size ContentSize() const override;
    // Content size + 2 × Spacing; the width scaled by targetDpi/screenDpi when given.
    platform::Size BoxSize(int targetDpi = 0, int screenDpi = 0) const;
    void Paint(platform::Canvas &canvas, int x, int y, const TRVItemDrawState &state, TRVStyle &style) const override;

    bool ImageResizable = true;
    std::unique_ptr<TRVGraphic> Image;
    std::unique_ptr<TRVGraphic> ImageCopy; // palette copy; never made without a palette
    int ImageWidth = 0, ImageHeight = 0;
    int Interval = 0;
    bool NoHTMLImageSize = false;
    std::string AltText;
    std::string ImageFileName;
};

class TRVHotGraphicItemInfo : public TRVGraphicItemInfo {
    RV_ITEM_CLONE(TRVHotGraphicItemInfo)
    explicit TRVHotGraphicItemInfo(int styleNo = ikHotPicture) : TRVGraphicItemInfo(styleNo) {}
    bool IsHotKind() const override { return true; }
};

class TRVBulletItemInfo : public TRVRectItemInfo {
    RV_ITEM_CLONE(TRVBulletItemInfo)
    explicit TRVBulletItemInfo(int styleNo = ikBullet) : TRVRectItemInfo(styleNo) {}
    void Assign(const TCustomRVItemInfo &src) override;
    bool HasValidContent() const override { return ImageList != nullptr; }
    bool SetExtraIntProperty(TRVExtraItemProperty prop, int value) override;
    bool GetExtraIntProperty(TRVExtraItemProperty prop, int &value) const override;
    bool SetExtraStrProperty(TRVExtraItemStrProperty prop, const std::string &value) override;
    bool GetExtraStrProperty(TRVExtraItemStrProperty prop, std::string &value) const override;
    TCustomImageList *ImageList = nullptr; // not owned
    int ImageListTag = 0;                  // as stored, for writing back
    int ImageIndex = 0;
    bool NoHTMLImageSize = false;
    std::string AltText;
};

class TRVHotspotItemInfo : public TRVBulletItemInfo {
    RV_ITEM_CLONE(TRVHotspotItemInfo)
    explicit TRVHotspotItemInfo(int styleNo = ikHotspot) : TRVBulletItemInfo(styleNo) {}
    void Assign(const TCustomRVItemInfo &src) override;
    bool IsHotKind() const override { return true; }
    bool IsHoverSensitive() const override { return HotImageIndex != ImageIndex; }
    int HotImageIndex = 0;
};

// List marker: always the first item of its paragraph.
class TRVMarkerItemInfo : public TRVRectItemInfo {
    RV_ITEM_CLONE(TRVMarkerItemInfo)
    explicit TRVMarkerItemInfo(int styleNo = ikListMarker) : TRVRectItemInfo(styleNo) {}
    void Assign(const TCustomRVItemInfo &src) override;
    int ListNo = -1;
    int Level = 0;
    bool Reset = false;
    int StartFrom = 1;
    int Counter = 1;          // computed (list numbering)
    std::string DisplayString; // computed marker text
};

class TRVLabelItemInfo : public TRVRectItemInfo {
    RV_ITEM_CLONE(TRVLabelItemInfo)
    explicit TRVLabelItemInfo(int styleNo = ikLabel) : TRVRectItemInfo(styleNo) {}
    void Assign(const TCustomRVItemInfo &src) override;
    int GetAssociatedTextStyleNo() const override { return TextStyleNo; }
    void SetAssociatedTextStyleNo(int n) override { TextStyleNo = n; }
    std::string Text;
    int TextStyleNo = 0;
    int StoredInt = 0;       // kept as read
    int StoredByte = 0;      // kept as read
    bool ProtectTextStyleNo = false;
};

class TRVNoteReferenceItemInfo : public TRVLabelItemInfo {
    RV_ITEM_CLONE(TRVNoteReferenceItemInfo)
    explicit TRVNoteReferenceItemInfo(int styleNo = ikNoteReference) : TRVLabelItemInfo(styleNo) {}
};

class TRVSeqItemInfo : public TRVLabelItemInfo {
    RV_ITEM_CLONE(TRVSeqItemInfo)
    explicit TRVSeqItemInfo(int styleNo = ikSequence) : TRVLabelItemInfo(styleNo) {}
    void Assign(const TCustomRVItemInfo &src) override;
    std::string SeqName;
    TRVSeqType NumberType = rvseqDecimal;
    bool Reset = false;
    int StartFrom = 1;
    std::string FormatString;
    int Counter = 1; // computed numbering state
};

// Foot- and endnotes: a numbered label that owns a document of its own.
class TCustomRVNoteItemInfo : public TRVSeqItemInfo {
public:
    explicit TCustomRVNoteItemInfo(int styleNo);
    ~TCustomRVNoteItemInfo() override;
    void Assign(const TCustomRVItemInfo &src) override;
    std::unique_ptr<TCustomRVData> Document; // made by the reader
};

class TRVFootnoteItemInfo : public TCustomRVNoteItemInfo {
    RV_ITEM_CLONE(TRVFootnoteItemInfo)
    explicit TRVFootnoteItemInfo(int styleNo = ikFootnote) : TCustomRVNoteItemInfo(styleNo) {}
};

class TRVEndnoteItemInfo : public TCustomRVNoteItemInfo {
    RV_ITEM_CLONE(TRVEndnoteItemInfo)
    explicit TRVEndnoteItemInfo(int styleNo = ikEndnote) : TCustomRVNoteItemInfo(styleNo) {}
};

// Deletes an item made on the heap, or only destroys a plain text item made
// in a document's arena (TCustomRVData::NewTextItem; the document frees that
// memory all at once). Such an item owns memory only through its checkpoint
// and hint, so without them it is left as it is: a read makes thousands.
struct TRVItemDeleter {
    bool InArena = false;
    void operator()(TCustomRVItemInfo *item) const
    {
        if (!InArena)
            delete item;
        else if (item->Checkpoint || item->Hint.holdsMemory())
            item->~TCustomRVItemInfo();
    }
};
using TRVItemPtr = std::unique_ptr<TCustomRVItemInfo, TRVItemDeleter>;

// Tables (TRVTableItemInfo, kind ikTable) are declared in rv_table.h.
class TRVTableItemInfo;

#undef RV_ITEM_CLONE

// The item-kind registry for kinds below -9. Registering a taken number or a
// number that is not below -9 raises EReadViewError; the same pair twice is fine.
using TRVItemFactory = std::unique_ptr<TCustomRVItemInfo> (*)(int styleNo);
void RegisterItemKind(int styleNo, TRVItemFactory factory);
// A new item for a style number (text for >= 0), or nullptr for an unknown kind.
std::unique_ptr<TCustomRVItemInfo> CreateItemForStyle(int styleNo);
// The class of text items CreateItemForStyle makes (TRVTextItemInfo by default).
void SetTextItemFactory(TRVItemFactory factory);
// True while text items are plain TRVTextItemInfo, which a reader may make itself.
bool TextItemsArePlain();

} // namespace rv
