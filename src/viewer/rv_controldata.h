// The interactive layer of the formatted document: hit testing, hyperlink
// hover and activation, mouse selection, the plain text and clipboard forms
// of a selection, and text search. No windowing here: the control (a Qt
// widget, a test double) supplies size, scrolling, cursor, focus and the
// events through TRVControlHost.
//
// Coordinates named "client" are window pixels; "document" coordinates are
// those of the draw items (client + scroll offset - DocumentOffsetY).
#pragma once
#include "viewer/rv_fdata.h"

#include "document/rtf_writer.h"
#include "platform/clipboard.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace rv {

enum TMouseButton : uint8_t { mbLeft, mbRight, mbMiddle };

// Keyboard and mouse state of an input event.
using TShiftState = uint32_t;
enum : uint32_t { ssShift = bit(0), ssAlt = bit(1), ssCtrl = bit(2), ssLeft = bit(3), ssRight = bit(4),
                  ssMiddle = bit(5), ssDouble = bit(6) };

// SearchText option bits.
// rvsroIgnoreAccents: a letter with an accent, diaeresis, tilde or cedilla
// matches its plain letter ("Jesus" finds "Jesús", "senor" finds "señor").
enum : uint32_t { rvsroMatchCase = 1, rvsroDown = 2, rvsroWholeWord = 4, rvsroFromStart = 8, rvsroIgnoreAccents = 16 };

enum TRVTabNavigationType : uint8_t { rvtnNone, rvtnTab, rvtnCtrlTab };

// The cursor the viewer shows where nothing else decides (TCursor values).
constexpr TCursor crArrow = -2;

// Word delimiters of the viewer: space . ; , : ( ) { } " / \ < > ! ? [ ],
// the Windows-1252 curly quotes, - + * =, no-break space and low double quote.
extern const char *const kDefaultDelimiters;

// A position in item terms: item index and offset (text: 1 before the first
// character .. length + 1; non-text: 0 before, 1 after).
struct TRVItemPos {
    int ItemNo = -1;
    int Offs = 0;
    friend bool operator==(const TRVItemPos &, const TRVItemPos &) = default;
};

// What the interaction layer asks of the control that shows the document.
class TRVControlHost {
public:
    virtual ~TRVControlHost() = default;
    virtual platform::Canvas *Canvas() = 0;
    virtual int ClientWidth() const = 0;
    virtual int ClientHeight() const = 0;
    virtual int HScrollPixels() const { return 0; }
    virtual int VScrollPixels() const { return 0; }
    virtual void SetDocumentSize(int /*width*/, int /*height*/) {}
    virtual void ScrollToPixelY(int /*y*/) {} // scroll position in pixels, cut to the range
    virtual void ScrollBy(int /*hPixels*/, int /*vUnits*/) {}
    virtual void Invalidate(const platform::Rect & /*client*/) {}
    virtual void InvalidateAll() {}
    virtual void ShowCursor(TCursor) {}
    virtual void TakeFocus() {}
    virtual bool Focused() const { return true; }
    virtual bool Designing() const { return false; }
    virtual std::string ControlName() const { return "ReadView"; }
    // Document y of the page breaks pagination found (nullptr: none); read while painting.
    virtual const std::vector<int> *PageBreaks() const { return nullptr; }
    // Events; `published` ids already include FirstJumpNo.
    virtual bool HasJumpHandler() const { return true; }
    virtual void Jump(int /*published*/) {}
    virtual void RVMouseMove(int /*published*/) {}
    virtual void RVMouseDown(TMouseButton, TShiftState, int /*itemNo*/, int /*x*/, int /*y*/) {}
    virtual void RVMouseUp(TMouseButton, TShiftState, int /*itemNo*/, int /*x*/, int /*y*/) {}
    virtual bool HasRightClickHandler() const { return false; }
    virtual void RVRightClick(const std::string & /*word*/, int /*style*/, int /*x*/, int /*y*/) {}
    virtual bool HasDblClickHandler() const { return false; }
    virtual void RVDblClick(const std::string & /*word*/, int /*style*/) {}
    virtual void Select() {}
    virtual void Copy() {}
    // Right button released (after the events above): the context menu.
    virtual void ContextPopup(int /*x*/, int /*y*/) {}
};

class TRVCellFormattedData;

class TRVControlData : public TRVFieldSettingsData {
public:
    explicit TRVControlData(TRVControlHost &host, TRVStyle *style = nullptr);
    ~TRVControlData() override;

    // ---- settings of the control (the shared ones in TRVFieldSettingsData) ----
    TRVBiDiMode BiDiMode = rvbdUnspecified;
    TCursor Cursor = crDefault;
    TRVTabNavigationType TabNavigation = rvtnTab;
    std::string Delimiters = kDefaultDelimiters; // bytes of the document's code page

    // ---- what the formatter asks ----
    platform::Canvas *GetCanvas() override { return Host.Canvas(); }
    int GetClientWidth() const override { return Host.ClientWidth(); }
    int GetClientHeight() const override { return Host.ClientHeight(); }
    TRVBiDiMode GetBiDiMode() const override { return BiDiMode; }
    int GetHOffs() const override { return Host.HScrollPixels(); }
    int GetVOffs() const override { return Host.VScrollPixels(); }
    void SetScrollRange(int width, int height) override { Host.SetDocumentSize(width, height); }
    void ScrollToY(int y) override { Host.ScrollToPixelY(y); }
    bool IsDesigning() const override { return Host.Designing(); }
    bool IsControlFocused() const override { return Host.Focused(); }
    std::string GetControlName() const override { return Host.ControlName(); }
    const std::vector<int> *GetPageBreaks() const override { return Host.PageBreaks(); }

    void Clear() override;
    // Full format (selection dropped) and resize format (selection kept by
    // item position, since draw item numbers change). A forced reformat lays
    // the lines out again even when the widths did not change (a new scale).
    void FormatDocument();
    void Reformat(bool force = false);

    // ---- hit testing (document coordinates) ----
    platform::Point ClientToDoc(int x, int y) const;
    // Draw item whose rectangle holds the point, or -1.
    int FindDrawItemAt(int x, int y) const;
    // Character position at the point: exact (inside a piece) or nearest (the
    // line by y, then the piece and boundary nearest to x). False when none.
    bool FindCharAt(int x, int y, bool exact, int &drawNo, int &offs) const;
    // Jump record index holding the point, or -1.
    int FindJumpAt(int x, int y) const;
    // The word under the point: text in UTF-8, item, its first character
    // (1-based in the item) and the item's style number. Over a table cell
    // the word is the cell's, and the item and character are in its items.
    bool FindWordAt(int x, int y, std::string &word, int &itemNo, int &firstChar, int &styleNo) const;
    // Delimiter test for character k (0-based) of an item's text.
    bool IsDelimiter(int itemNo, int k) const { return IsDelimiterIn(Items(), itemNo, k); }
    // The same for an item of another document (a table cell's).
    bool IsDelimiterIn(const TCustomRVData &items, int itemNo, int k) const;

    // ---- mouse and keyboard (client coordinates) ----
    void MouseMove(int x, int y, TShiftState shift);
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    void DblClick(TShiftState shift, int x, int y);
    void MouseLeave();
    // Auto-scroll steps from the last mouse move (vertical in scroll units, horizontal in pixels).
    int AutoScrollV() const { return FAutoV; }
    int AutoScrollH() const { return FAutoH; }
    bool Selecting() const { return FSelecting; }
    // Tab walk over hyperlinks and controls; false when there is no next one.
    bool FocusNext(bool backwards);
    // Enter on the focused item: a hyperlink raises the jump event.
    bool ActivateFocused();
    int PressedJump() const { return FPressedJump; }

    // ---- selection ----
    bool SelectionExists() const;
    void SelectAll();
    void Deselect();
    // Selects from one item position to another (anchor, moving end).
    void SetSelectionByItems(TRVItemPos anchor, TRVItemPos moving);
    // Normalised selection in item positions; false when none.
    bool GetSelectionItems(TRVItemPos &first, TRVItemPos &last) const;
    TRVItemPos DrawPosToItemPos(int drawNo, int offs) const;
    // Draw position of an item position; preferEnd picks the piece that ends
    // there rather than the one that begins there.
    bool ItemPosToDrawPos(TRVItemPos p, bool preferEnd, int &drawNo, int &offs) const;
    // Plain text of the selection, lines joined by CR LF.
    std::u16string GetSelTextW() const;
    // The same in 8 bits: 8-bit items as stored, Unicode items in their style's code page.
    std::string GetSelTextA() const;
    // Plain text of the whole document (window text).
    std::u16string GetDocTextW() const;
    // The one selected picture, or nullptr.
    const TRVGraphicItemInfo *GetSelectedPicture() const;

    // ---- copy ----
    // Builds every enabled clipboard format of the selection, in their fixed
    // order. False when no format bit is set; an empty content without a selection.
    // raiseCopy: the copy event is raised (not for the primary selection).
    bool BuildClipboard(platform::ClipboardContent &out, bool raiseCopy = true);
    // Options of the RTF a copy writes.
    uint32_t RTFOptions = kDefaultRTFOptions;
    // The selection as RTF and as HTML, exactly as a copy puts them on the
    // clipboard. False (nothing appended, *error says why) when writing failed.
    bool GetSelectionRTF(std::string &out, std::string *error = nullptr) const;
    bool GetSelectionHTML(std::string &out, std::string *error = nullptr) const;
    // Puts the selection on the clipboard through `put` (the system clipboard by default).
    bool CopySelection();
    std::function<void(const platform::ClipboardContent &)> PutOnClipboard;

    // ---- a selection inside a table cell ----
    // Text selected inside one cell (a find match, or a mouse selection that
    // stays in the cell it began in): the table's item, the cell's index
    // among the layout's cells (row-major), the tables nested in that cell
    // down to the innermost cell, and the ends in that cell's own items. The
    // cell's formatted data holds the matching draw selection, so the cell
    // paints it itself. Cells are named by index, never by pointer, so the
    // selection survives a new layout of the cells.
    struct TCellStep {
        int TableItem = -1, CellNo = -1;
        friend bool operator==(const TCellStep &, const TCellStep &) = default;
    };
    struct TCellSelection {
        int TableItem = -1, CellNo = -1;
        std::vector<TCellStep> Inner; // nested tables, outermost first
        TRVItemPos Anchor, Moving;
        std::vector<TCellStep> Path() const;
    };
    bool CellSelectionExists() const { return FCellSel.TableItem >= 0; }
    const TCellSelection &CellSelection() const { return FCellSel; }
    // Document rectangle of the cell selection's pieces (empty when none).
    platform::Rect CellSelectionRect() const;
    // The cell's text between the ends of the cell selection ("" when none).
    std::u16string CellSelTextW() const;
    // The formatted data of the innermost cell of a path, and the document
    // position of its content corner; nullptr when the path leads nowhere.
    TRVCellFormattedData *CellDataOf(const std::vector<TCellStep> &path, platform::Point *origin = nullptr) const;
    // The innermost cell whose box holds document point p; false when the point is in no cell.
    bool CellAtPoint(platform::Point p, std::vector<TCellStep> &path) const;
    // A selection of either kind with something in it.
    bool HasSelection() const;

    // ---- search ----
    // Table cells are searched where their table stands, row-major (reversed
    // upward), tables nested in cells too; a match in a cell becomes the cell
    // selection.
    bool SearchText(std::u16string_view text, uint32_t options);
    // Whether the text occurs anywhere in the document with these options
    // (direction and start ignored); nothing is selected or scrolled.
    bool TextOccurs(std::u16string_view text, uint32_t options) const;

    TRVControlHost &Host;

private:
    friend class TRVSearcher;
    struct WordBounds {
        int drawNo = -1, from = 0, to = 0; // positions (1-based boundaries) of the word in the piece
    };
    int LineOf(int drawNo) const { return LineOfDrawItem(drawNo); }
    int LineEnd(int line) const; // first draw item after the line
    void StartOffs(int drawNo, int &offs) const;
    int EndOffs(int drawNo) const;
    bool WordAtPos(int drawNo, int offs, WordBounds &w) const { return WordAtPosIn(*this, drawNo, offs, w); }
    bool WordAtPosIn(const TCustomRVFormattedData &f, int drawNo, int offs, WordBounds &w) const;
    bool FindWordAtIn(const TCustomRVFormattedData &f, int x, int y, std::string &word, int &itemNo, int &firstChar,
                      int &styleNo) const;
    void ExtendSelection(int x, int y);
    // A press in the left margin selects the line beside it.
    void StartLineSelection(platform::Point p);
    // A press in the text starts a selection there, or extends it with Shift
    // (client point x, y; document point p).
    void StartTextSelection(platform::Point p, TShiftState shift, int x, int y);
    // The left button's release ends a selection at client point (x, y).
    void EndSelecting(int x, int y);
    // A right click outside the selection clears it, leaving the caret there.
    void DeselectOutside(platform::Point p);
    // A click on a link (no selection made) gives it the keyboard focus.
    void FocusClickedLink(int itemNo);
    // Where a search starts with no selection: the first line in view going
    // down, the last going up.
    TRVItemPos SearchStartInView(bool down) const;
    // Selects a match from a to b (in the cell at `path` when there is one)
    // and scrolls to it; false when the cell cannot show it.
    bool ShowMatch(const std::vector<TCellStep> &path, TRVItemPos a, TRVItemPos b, bool down);
    void SetSelectionRepaint(const TRVSelectionBounds &s);
    void InvalidateDrawRange(int first, int last);
    void InvalidateJump(int id);
    void SetHover(int jumpRecord);
    void ClearHover();
    void ScrollToDrawItem(int drawNo);
    bool HoverSensitive(int itemNo) const;
    void SelectWordAt(int x, int y, bool raise);
    std::u16string ItemPlainText(int itemNo, int from, int to) const; // from/to: 0-based char range
    std::u16string PlainText(TRVItemPos first, TRVItemPos last) const;

    void DropCellSelection();
    // Puts FCellSel on its cell's formatted data; false when the cell or the positions are gone.
    bool ApplyCellSelection();
    void ScrollToDocRange(int top, int bottom);
    // The items and normalised ends of the selection on show: the viewer's,
    // or the cell selection's. False when there is none.
    bool SelectionSource(const TCustomRVData *&items, TRVItemPos &first, TRVItemPos &last) const;
    std::u16string PlainTextIn(const TCustomRVData &items, TRVItemPos first, TRVItemPos last) const;
    std::u16string ItemPlainTextIn(const TCustomRVData &items, int itemNo, int from, int to) const;
    // Mouse selection that began inside a cell.
    bool CellMouseDown(platform::Point p, TShiftState shift);
    void ExtendCellSelection(platform::Point p);
    bool CellDblClick(platform::Point p);
    bool CellSelectionNonEmpty() const;
    bool PointInCellSelection(platform::Point p) const;

    TCellSelection FCellSel;
    // Where a mouse selection inside a cell began: the cell and the anchor;
    // the press word in word mode (item positions, ItemNo -1 when none).
    bool FCellSelecting = false;
    TCellSelection FCellPress;
    TRVItemPos FCellWordFrom, FCellWordTo;
    bool FSelecting = false, FLineSelecting = false, FDblClickSelected = false, FWordMode = false;
    int FPressDraw = -1, FPressOffs = 0, FPressLine = -1;
    WordBounds FPressWord;
    int FClickedDraw = -1, FPressedJump = -1, FMouseDraw = -1;
    int FAutoV = 0, FAutoH = 0;
};

// Draw and item positions in any formatted document (the viewer's or a cell's).
TRVItemPos DrawPosToItemPosIn(const TCustomRVFormattedData &fd, int drawNo, int offs);
bool ItemPosToDrawPosIn(const TCustomRVFormattedData &fd, TRVItemPos p, bool preferEnd, int &drawNo, int &offs);

// The viewer's document data; the name the application and the printer use.
class TReadViewRVData : public TRVControlData {
public:
    using TRVControlData::TRVControlData;
};

} // namespace rv
