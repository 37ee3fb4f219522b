// The formatted layer over the item storage: lays items out into draw items
// for one width and one resolution, numbers the hyperlinks, and paints.
//
// Everything one formatting produces (draw items, line and paragraph records,
// each item's first draw item and hyperlink number) lives here and not in the
// items, so the printer can format the same items again without disturbing
// the screen's layout (see ShareItemsFrom).
//
// The owner (the viewer control, the printer's hidden viewer, the headless
// renderer) supplies size, margins, options, canvas and scroll state through
// the virtual Get* operations.
#pragma once
#include <climits>
#include "document/rv_data.h"
#include "viewer/rv_background.h"
#include "viewer/rv_drawlines.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace rv {

class TRVTableLayout;

// Viewer options; each is one bit of the stored option mask.
enum class TRVOption : uint32_t {
    AllowSelection = bit(0), SingleClick = bit(1), ScrollToEnd = bit(2), ClientTextWidth = bit(3),
    ShowCheckpoints = bit(4), ShowPageBreaks = bit(5), TagsArePChars = bit(6), AutoCopyUnicodeText = bit(7),
    AutoCopyText = bit(8), AutoCopyRVF = bit(10), AutoCopyImage = bit(11), AutoCopyRTF = bit(12),
    FormatInvalidate = bit(13), DblClickSelectsWord = bit(14), RClickDeselects = bit(15),
    ShowSpecialCharacters = bit(16), FastFormatting = bit(18)
};

// A set of viewer options, held as the stored option mask.
class TRVOptions {
public:
    constexpr TRVOptions() = default;
    constexpr TRVOptions(TRVOption o) : bits_(uint32_t(o)) {}
    static constexpr TRVOptions FromMask(uint32_t mask)
    {
        TRVOptions s;
        s.bits_ = mask;
        return s;
    }
    constexpr uint32_t Mask() const { return bits_; }
    constexpr bool Has(TRVOption o) const { return (bits_ & uint32_t(o)) != 0; }
    constexpr bool HasAny(TRVOptions s) const { return (bits_ & s.bits_) != 0; }
    constexpr TRVOptions Without(TRVOptions s) const { return FromMask(bits_ & ~s.bits_); }
    friend constexpr TRVOptions operator|(TRVOptions a, TRVOptions b) { return FromMask(a.bits_ | b.bits_); }
    friend constexpr bool operator==(TRVOptions, TRVOptions) = default;

private:
    uint32_t bits_ = 0;
};
constexpr TRVOptions operator|(TRVOption a, TRVOption b) { return TRVOptions(a) | TRVOptions(b); }

// The reader's viewer options: selection, scroll to end, page breaks shown,
// copy as text, our format, pictures and RTF, reformat on style changes,
// double click selects a word, right click outside the selection clears it,
// fast formatting.
constexpr TRVOptions kDefaultViewerOptions = TRVOption::AllowSelection | TRVOption::ScrollToEnd
    | TRVOption::ShowPageBreaks | TRVOption::AutoCopyText | TRVOption::AutoCopyRVF | TRVOption::AutoCopyImage
    | TRVOption::AutoCopyRTF | TRVOption::FormatInvalidate | TRVOption::DblClickSelectsWord
    | TRVOption::RClickDeselects | TRVOption::FastFormatting;
static_assert(kDefaultViewerOptions.Mask() == 326949, "the viewer's stored default");

// Text draw states beyond the three the style sheet knows (selected, hover, focused).
enum : uint32_t {
    rvtsItemStart = bit(2), rvtsItemEnd = bit(3), rvtsDrawItemStart = bit(4), rvtsDrawItemEnd = bit(5),
    rvtsControlFocused = rvtsFocused, rvtsSpecialCharacters = bit(7)
};

enum TTextLayout : uint8_t { tlTop, tlCenter, tlBottom };

// Screen and target resolution; lengths from styles, items and the owner are
// screen pixels and are scaled to the target with MulDiv.
struct TRVResolutionInfo {
    int ScreenX = 96, ScreenY = 96, TargetX = 96, TargetY = 96;
    int LeftMargin = 0, RightMargin = 0; // scaled
    bool IsScreen() const { return ScreenX == TargetX && ScreenY == TargetY; }
    int X(int v) const { return ScreenX == TargetX ? v : platform::MulDiv(v, TargetX, ScreenX); }
    int Y(int v) const { return ScreenY == TargetY ? v : platform::MulDiv(v, TargetY, ScreenY); }
};

// One formatted line: its draw items start at FirstDrawItem; Top and Bottom
// bound its pieces (Bottom includes the line's extra space).
struct TRVLineRecord {
    int FirstDrawItem = 0;
    int Top = 0, Bottom = 0;
    int Para = 0; // index into the paragraph records
};

// One formatted paragraph: its lines and the box its pieces cover.
struct TRVParaRecord {
    int FirstLine = 0, LineCount = 0;
    int FirstItem = 0, ParaNo = 0;
    int Top = 0, Bottom = 0, Right = 0;
};

// A selection end: draw item and position (text: 1..CharCount+1; others 0 or 1).
struct TRVSelectionBounds {
    int StartNo = -1, StartOffs = 0, EndNo = -1, EndOffs = 0;
    // Whether a position (draw item, offset) lies inside normalised bounds,
    // both ends included: the one test every "inside the selection" uses.
    bool Contains(int drawNo, int offs) const
    {
        const bool after = drawNo > StartNo || (drawNo == StartNo && offs >= StartOffs);
        const bool before = drawNo < EndNo || (drawNo == EndNo && offs <= EndOffs);
        return after && before;
    }
};

// How one painting pass shows the document. The caller chooses these for the
// pass, so that painting a page or a selected cell never writes into the
// document's data.
struct TRVPaintOptions {
    bool Printing = false;  // on paper: printer colours, no marks
    bool OnlyWhole = false; // pieces the rectangle cuts are left out
    TRVColorMode ColorMode = rvcmColor;
    // Paper shows none of the viewer's selection, hover or focus.
    bool HideInteraction = false;
    // Everything shows selected (the cells of a table inside the selection).
    bool AllSelected = false;
    // Where a printed page cuts the document (document y): paragraph frames
    // and shading reaching past a cut end there, open, with no edge drawn at the cut.
    int CutTop = INT_MIN, CutBottom = INT_MAX;
    // Texts labels show instead of their own (item index → text): a printed
    // page's footnote numbers. nullptr: every label shows its own.
    const std::unordered_map<int, std::string> *LabelTexts = nullptr;
};

class TCustomRVFormattedData : public TCustomRVData {
public:
    explicit TCustomRVFormattedData(TRVStyle *style = nullptr);
    ~TCustomRVFormattedData() override;

    // ---- what the owner supplies ----
    virtual platform::Canvas *GetCanvas() = 0;
    virtual int GetClientWidth() const = 0;
    virtual int GetClientHeight() const = 0;
    virtual int GetLeftMargin() const { return 5; }
    virtual int GetRightMargin() const { return 5; }
    virtual int GetTopMargin() const { return 5; }
    virtual int GetBottomMargin() const { return 5; }
    virtual int GetMinTextWidth() const { return 0; }
    virtual int GetMaxTextWidth() const { return 0; }
    virtual bool GetWordWrap() const { return true; }
    virtual TRVOptions GetOptions() const { return kDefaultViewerOptions; }
    virtual int GetMaxLength() const { return 0; }
    virtual TTextLayout GetVAlign() const { return tlTop; }
    virtual TRVBiDiMode GetBiDiMode() const { return rvbdUnspecified; }
    // Resolution the style and item lengths are given in.
    virtual int GetScreenPixelsPerInchX() const { return 96; }
    virtual int GetScreenPixelsPerInchY() const { return 96; }
    // Scroll position in pixels.
    virtual int GetHOffs() const { return 0; }
    virtual int GetVOffs() const { return 0; }
    // Applies the document size to the scroll bars; may change the client size.
    virtual void SetScrollRange(int /*width*/, int /*height*/) {}
    virtual void ScrollToY(int /*y*/) {}
    virtual bool IsDesigning() const { return false; }
    virtual bool IsControlFocused() const { return true; }
    virtual platform::Color GetColor() const { return platform::clNone; } // the control's own colour
    virtual const TRVBackground *GetBackground() const { return nullptr; }
    virtual std::string GetControlName() const { return "ReadView"; }
    // Document y of the page breaks the last pagination found, marked on
    // screen with TRVOption::ShowPageBreaks; nullptr when nothing was paginated.
    // Pagination owns them: the viewer only reads them while it paints.
    virtual const std::vector<int> *GetPageBreaks() const { return nullptr; }

    // ---- items from another document (the printer shares the viewer's) ----
    // The formatter and painter read items from `source` (nullptr: this document).
    void ShareItemsFrom(TCustomRVData *source);
    const TCustomRVData &Items() const { return FSource ? *FSource : static_cast<const TCustomRVData &>(*this); }
    void Clear() override;

    // ---- formatting ----
    void FormatItems(bool OnlyResized, bool Force, bool TailOnly, platform::Canvas *canvas = nullptr);
    void Format() { FormatItems(false, true, false); }
    // Forgets cached display texts (call after changing shared items' text or styles).
    void ResetTextCache();

    // ---- what the last formatting produced (written by the formatter only) ----
    const TRVDrawLines &DrawItemList() const { return FDrawItems; }
    // Hyperlink pieces in draw order, numbered from 0 (cells' links included).
    const std::vector<TRVJumpInfo> &Jumps() const { return FJumps; }
    int JumpCount() const { return FJumpCount; }
    int ContentWidth() const { return FContentWidth; }
    int WrapWidth() const { return FWrapWidth; }
    // Document height: margins and content.
    int ContentHeight() const { return FContentHeight; }
    int LastFormattedItem() const { return FLastFormattedItem; }
    // Screen and target resolution of the last formatting, margins scaled.
    const TRVResolutionInfo &Resolution() const { return FResolution; }
    // Published hyperlink ids start here (the owner numbers several documents in a row).
    int FirstJumpNo() const { return FFirstJumpNo; }
    void SetFirstJumpNo(int n) { FFirstJumpNo = n; }
    // Vertical placement of a document shorter than the window.
    int DocumentOffsetY() const;
    // Document width: margins and content.
    int DocumentWidth() const { return FResolution.LeftMargin + FContentWidth + FResolution.RightMargin; }

    int FirstDrawItemOf(int itemNo) const;
    // Zero-based hyperlink number of an item (published ids add FirstJumpNo).
    int JumpIndexOf(int itemNo) const;
    // Item index of the hyperlink with published id `id`, or -1.
    int ItemIndexOfJump(int id) const;
    // The document holding the hyperlink with published id `id` (this one's
    // items, or a table cell's) and the item's index there; nullptr when none.
    const TCustomRVData *JumpDocument(int id, int &itemNo) const;
    const std::vector<TRVLineRecord> &Lines() const { return FLines; }
    const std::vector<TRVParaRecord> &Paras() const { return FParas; }
    // Index of the line a draw item lies on.
    int LineOfDrawItem(int drawItemNo) const;
    // The first line whose band reaches below document y (Lines().size() when none).
    int FindLineAt(int y) const;
    // The text a text item shows (all capitals applied, soft hyphens as U+200B).
    const std::u16string &DisplayText(int itemNo) const;
    // The layout a table item got in the last formatting, or nullptr.
    const TRVTableLayout *TableLayoutOf(int itemNo) const;
    // Leader characters of a tab piece ("" when none).
    std::string TabLeader(int drawItemNo) const;

    // ---- interaction state painting shows (set by the viewer control) ----
    // The selection as set (ends in draw item positions, either order).
    const TRVSelectionBounds &Selection() const { return FSelection; }
    // Normalised selection in document order; false when none or empty.
    bool GetSelectionBounds(TRVSelectionBounds &out) const;
    void SetSelection(int startNo, int startOffs, int endNo, int endOffs);
    void SetSelection(const TRVSelectionBounds &s) { FSelection = s; }
    void ClearSelection() { FSelection = {}; }
    // Zero-based jump number under the mouse (-1: none), and whether its hover look is shown.
    int HoveredJump() const { return FHoveredJump; }
    bool HoverShown() const { return FHoverShown; }
    void SetHoveredJump(int jump) { FHoveredJump = jump; }
    void ShowHover(bool on) { FHoverShown = on; }
    // The item under the mouse that shows so (a picture), or -1.
    int CurrentItem() const { return FCurrentItem; }
    void SetCurrentItem(int itemNo) { FCurrentItem = itemNo; }
    // The hyperlink or control with the keyboard focus, or -1.
    int FocusedItem() const { return FFocusedItem; }
    void SetFocusedItem(int itemNo) { FFocusedItem = itemNo; }

    // ---- painting ----
    // Paint cycle: background and document into an off-screen buffer of the
    // update rectangle's size (window coordinates), then onto the window.
    void PaintTo(platform::Canvas &window, const platform::Rect &update);
    // Draws the draw items meeting rect (canvas coordinates); canvas point (0, 0)
    // shows document point (xOffs, yOffs).
    void DrawItems(platform::Canvas &canvas, const platform::Rect &rect, int xOffs, int yOffs,
                   const TRVPaintOptions &how);
    void DrawItems(platform::Canvas &canvas, const platform::Rect &rect, int xOffs, int yOffs, bool printing,
                   bool onlyWhole, TRVColorMode colorMode = rvcmColor)
    {
        DrawItems(canvas, rect, xOffs, yOffs, TRVPaintOptions{printing, onlyWhole, colorMode});
    }
    // Background colour: the control's, else the style sheet's.
    platform::Color BackgroundColor() const;

protected:
    void ItemInserted(int i) override;
    void ItemDeleting(int i) override;
    // Forgets the last formatting: no draw items, lines or links, height 0.
    void DropLayout();

private:
    // Drops the draw items, lines, paragraphs, links, tab leaders and table layouts (not the height).
    void ForgetLines();
    friend class TRVFormatter;
    friend class TRVPainter;
    struct TextCache {
        bool valid = false;
        std::u16string text;
        std::vector<int> softHyphens; // 0-based positions, ascending
    };
    const TextCache &TextOf(int itemNo) const;
    // Selection ends in document order; false when outside the draw items or empty.
    bool NormalisedSelection(const TRVSelectionBounds &s, TRVSelectionBounds &out) const;
    // The selection covering every draw item.
    TRVSelectionBounds WholeSelection() const;
    void SyncItemArrays();

    TCustomRVData *FSource = nullptr;
    mutable std::vector<TextCache> FTexts;
    std::vector<int> FFirstDrawItem, FJumpIndex;
    std::vector<TRVLineRecord> FLines;
    std::vector<TRVParaRecord> FParas;
    std::unordered_map<int, std::string> FTabLeaders;
    std::unordered_map<int, std::unique_ptr<TRVTableLayout>> FTableLayouts;
    TRVDrawLines FDrawItems;
    std::vector<TRVJumpInfo> FJumps;
    int FContentWidth = 0, FWrapWidth = 0, FContentHeight = 0;
    int FJumpCount = 0;
    int FFirstJumpNo = 0;
    int FLastFormattedItem = -1;
    TRVResolutionInfo FResolution;
    TRVSelectionBounds FSelection;
    int FHoveredJump = -1;
    bool FHoverShown = false;
    int FCurrentItem = -1, FFocusedItem = -1;
    bool FRangeUpdate = false;
    int FLastClientWidth = -1, FLastContentWidth = -1, FLastWrapWidth = -1;
};

// Formatted data whose owner keeps its settings in plain fields: the viewer's
// control and the headless layout both set them and the formatter reads them.
class TRVFieldSettingsData : public TCustomRVFormattedData {
public:
    using TCustomRVFormattedData::TCustomRVFormattedData;

    TRVOptions Options = kDefaultViewerOptions;
    int LeftMargin = 5, RightMargin = 5, TopMargin = 5, BottomMargin = 5;
    int MinTextWidth = 0, MaxTextWidth = 0;
    bool WordWrap = true;
    TTextLayout VAlign = tlTop;
    int MaxLength = 0;
    platform::Color Color = platform::clNone;
    TRVBackground Background;

    int GetLeftMargin() const override { return LeftMargin; }
    int GetRightMargin() const override { return RightMargin; }
    int GetTopMargin() const override { return TopMargin; }
    int GetBottomMargin() const override { return BottomMargin; }
    int GetMinTextWidth() const override { return MinTextWidth; }
    int GetMaxTextWidth() const override { return MaxTextWidth; }
    bool GetWordWrap() const override { return WordWrap; }
    TRVOptions GetOptions() const override { return Options; }
    int GetMaxLength() const override { return MaxLength; }
    TTextLayout GetVAlign() const override { return VAlign; }
    platform::Color GetColor() const override { return Color; }
    const TRVBackground *GetBackground() const override { return &Background; }

    // Takes the margins and text widths a document stored with its layout.
    void TakeStoredLayout(const TRVLayoutInfo &layout);
};

} // namespace rv
