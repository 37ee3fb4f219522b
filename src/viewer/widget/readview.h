// The document viewer window: TRVScroller (scroll bars in units, keyboard
// and wheel scrolling, the themed frame) and TReadView on top of it, which
// owns the formatted document and turns Qt input into the interaction
// layer's calls (rv_controldata.h).
#pragma once
#include "viewer/rv_controldata.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QMenu>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class QtCanvas;
}

// A scrolling window whose vertical position counts scroll units (10 pixels,
// more for very tall documents) and whose horizontal position counts pixels.
class TRVScroller : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TRVScroller(QWidget *parent = nullptr);

    int VScrollUnit() const { return FUnit; }
    int VScrollPos() const;            // units
    int HScrollPos() const;            // pixels
    int VScrollMax() const;            // last position the bar allows
    int HScrollMax() const;
    int VRange() const { return FVRange; }
    int HRange() const { return FHRange; }
    void ScrollTo(int vUnits);         // clamped to 0 .. range - page
    void HScrollTo(int pixels);
    // Scrolls so that document pixel y is the first visible row (y / unit).
    void ScrollToPixel(int y);
    // Sets both ranges from a document size in pixels (and adapts the unit).
    void SetScrollRange(int width, int height);

    bool Tracking() const { return FTracking; }
    void SetTracking(bool on);
    int WheelStep() const { return FWheelStep; }
    void SetWheelStep(int step) { FWheelStep = step; }
    bool VScrollVisible() const { return FVVisible; }
    void SetVScrollVisible(bool on);
    bool HScrollVisible() const { return FHVisible; }
    void SetHScrollVisible(bool on);
    // Wheel lines of one notch (the system setting; < 0 scrolls a page).
    static int WheelScrollLines();

    std::function<void(TRVScroller *)> OnVScrolled, OnHScrolled;

protected:
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent *e) override;
    void wheelEvent(QWheelEvent *e) override;
    // After the view moved (hover re-test in the viewer).
    virtual void AfterScroll() {}

private:
    int FUnit = 10;
    int FVRange = 0, FHRange = 0;
    int FWheelStep = 2;
    int FWheelRemainder = 0;
    bool FTracking = true, FVVisible = true, FHVisible = true;
    bool FRepaintOnScroll = false;
};

class TReadView : public TRVScroller, private rv::TRVControlHost {
    Q_OBJECT
    Q_PROPERTY(QMenu *PopupMenu READ PopupMenu WRITE SetPopupMenu)
public:
    explicit TReadView(QWidget *parent = nullptr);
    ~TReadView() override;

    // The style sheet (not owned). Named so, not QWidget::setStyle.
    void SetStyle(rv::TRVStyle *style);
    rv::TRVStyle *Style() const { return FData.GetRVStyle(); }

    // Puts the reader's initial style sheet back, clears the document and
    // reads the file (UTF-8 path); the document is left unformatted.
    bool LoadRVFFromFile(const std::string &fileName);
    void FormatDocument();
    // Reformats for the current width keeping the place and the selection.
    void Reformat();
    void Clear();

    bool CopySelection();
    void SelectAll();
    void Deselect();
    bool SelectionExists() const { return FData.SelectionExists(); }
    std::u16string GetSelText() const { return FData.GetSelTextW(); }
    bool SearchText(std::u16string_view text, uint32_t options);
    int ItemIndexOfJump(int id) const { return FData.ItemIndexOfJump(id); }
    int ItemCount() const { return FData.ItemCount(); }
    // The stored bytes of an item (text, or a non-text item's name).
    std::string ItemText(int itemNo) const;
    rv::TReadViewRVData &RVData() { return FData; }
    const rv::TReadViewRVData &RVData() const { return FData; }

    // Zoom of the view in percent, kZoomMin..kZoomMax (values outside are
    // cut). The document is laid out again at the new scale, so lines wrap
    // at the window's width and hit testing and selection stay exact.
    static constexpr int kZoomMin = 50, kZoomMax = 400;
    int Zoom() const { return FZoom; }
    void SetZoom(int percent);
    // One step up or down the usual ladder (50, 67, 75, 90, 100, 110, 125, ...).
    void ZoomIn();
    void ZoomOut();
    // The resolution the document is laid out and painted at (zoom applied).
    int ZoomedDpiX() const;
    int ZoomedDpiY() const;

    // True while OnJump runs for a hyperlink activated from the keyboard.
    bool JumpFromKeyboard() const { return FJumpFromKeyboard; }
    // Rectangle of a hyperlink's piece in viewport pixels: the first piece
    // that shows in the window, else its first piece; empty for an unknown id.
    QRect JumpRect(int id) const;

    // Window text: the document as plain text; setting it replaces the document.
    QString WindowText() const;
    void SetWindowText(const QString &text);

    // ---- published settings ----
    rv::TRVOptions Options() const { return FData.Options; }
    void SetOptions(rv::TRVOptions o) { FData.Options = o; }
    uint16_t RVFOptions() const { return FData.RVFOptions; }
    void SetRVFOptions(uint16_t o) { FData.RVFOptions = o; }
    void SetRVFTextStylesReadMode(rv::TRVFReaderStyleMode m) { FData.RVFTextStylesReadMode = m; }
    void SetRVFParaStylesReadMode(rv::TRVFReaderStyleMode m) { FData.RVFParaStylesReadMode = m; }
    int LeftMargin() const { return FData.LeftMargin; }
    int RightMargin() const { return FData.RightMargin; }
    int TopMargin() const { return FData.TopMargin; }
    int BottomMargin() const { return FData.BottomMargin; }
    void SetLeftMargin(int v) { FData.LeftMargin = v; }
    void SetRightMargin(int v) { FData.RightMargin = v; }
    void SetTopMargin(int v) { FData.TopMargin = v; }
    void SetBottomMargin(int v) { FData.BottomMargin = v; }
    int MinTextWidth() const { return FData.MinTextWidth; }
    int MaxTextWidth() const { return FData.MaxTextWidth; }
    void SetMinTextWidth(int v) { FData.MinTextWidth = v; }
    void SetMaxTextWidth(int v) { FData.MaxTextWidth = v; }
    bool WordWrap() const { return FData.WordWrap; }
    void SetWordWrap(bool on) { FData.WordWrap = on; }
    rv::TTextLayout VAlign() const { return FData.VAlign; }
    void SetVAlign(rv::TTextLayout v) { FData.VAlign = v; }
    const std::string &Delimiters() const { return FData.Delimiters; }
    void SetDelimiters(std::string d) { FData.Delimiters = std::move(d); }
    int FirstJumpNo() const { return FData.FirstJumpNo(); }
    void SetFirstJumpNo(int n) { FData.SetFirstJumpNo(n); }
    int MaxLength() const { return FData.MaxLength; }
    void SetMaxLength(int n) { FData.MaxLength = n; }
    rv::TRVBiDiMode BiDiMode() const { return FData.BiDiMode; }
    void SetBiDiMode(rv::TRVBiDiMode m) { FData.BiDiMode = m; }
    platform::Color Color() const { return FData.Color; }
    void SetColor(platform::Color c);
    rv::TBackgroundStyle BackgroundStyle() const { return FData.Background.Style; }
    void SetBackgroundStyle(rv::TBackgroundStyle s);
    rv::TCursor Cursor() const { return FData.Cursor; }
    void SetCursor(rv::TCursor c) { FData.Cursor = c; }
    rv::TRVTabNavigationType TabNavigation() const { return FData.TabNavigation; }
    void SetTabNavigation(rv::TRVTabNavigationType t) { FData.TabNavigation = t; }
    QMenu *PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(QMenu *m) { FPopupMenu = m; }
    // Background colour as the copy embeds it: the control's, the sheet's, or the window's.
    platform::Color EffectiveColor() const { return FData.BackgroundColor(); }

    // ---- events ----
    std::function<void(TReadView *sender, int id)> OnJump;
    std::function<void(TReadView *sender, int id)> OnRVMouseMove;
    std::function<void(TReadView *sender, Qt::MouseButton button, Qt::KeyboardModifiers shift, int itemNo, int x,
                       int y)>
        OnRVMouseDown, OnRVMouseUp;
    std::function<void(TReadView *sender, const std::string &clickedWord, int style, int x, int y)> OnRVRightClick;
    std::function<void(TReadView *sender, const std::string &clickedWord, int style)> OnRVDblClick;
    std::function<void(TReadView *sender)> OnSelect, OnCopy;
    // After the document was painted (prepaint false), on the window's canvas.
    std::function<void(TReadView *sender, platform::Canvas &canvas, bool prepaint)> OnPaint;
    // After the zoom changed (by SetZoom, Ctrl+wheel or the keys).
    std::function<void(TReadView *sender)> OnZoomChanged;
    // Runs before the context menu; set handled to keep the menu closed.
    std::function<void(TReadView *sender, QPoint pos, bool &handled)> OnContextPopup;

    // Where to find the page breaks to mark (TRVOption::ShowPageBreaks): asked on
    // every paint, so a new pagination shows at the next one. The source
    // (typically the print component's) owns them; nullptr answers: none.
    std::function<const std::vector<int> *()> PageBreakSource;

    // Last error caught while painting or handling input ("" when none).
    const std::string &LastError() const { return FLastError; }

signals:
    void jump(int id);

protected:
    void paintEvent(QPaintEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void leaveEvent(QEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void wheelEvent(QWheelEvent *e) override;
    void focusInEvent(QFocusEvent *e) override;
    void focusOutEvent(QFocusEvent *e) override;
    void contextMenuEvent(QContextMenuEvent *e) override;
    void timerEvent(QTimerEvent *e) override;
    bool focusNextPrevChild(bool next) override;
    bool viewportEvent(QEvent *e) override;
    void AfterScroll() override;

private:
    // TRVControlHost
    platform::Canvas *Canvas() override;
    int ClientWidth() const override;
    int ClientHeight() const override;
    int HScrollPixels() const override { return HScrollPos(); }
    int VScrollPixels() const override { return VScrollPos() * VScrollUnit(); }
    void SetDocumentSize(int width, int height) override { SetScrollRange(width, height); }
    void ScrollToPixelY(int y) override { ScrollToPixel(y); }
    void ScrollBy(int hPixels, int vUnits) override;
    void Invalidate(const platform::Rect &r) override;
    void InvalidateAll() override;
    void ShowCursor(rv::TCursor c) override;
    void TakeFocus() override;
    bool Focused() const override;
    std::string ControlName() const override;
    const std::vector<int> *PageBreaks() const override { return PageBreakSource ? PageBreakSource() : nullptr; }
    bool HasJumpHandler() const override { return true; }
    void Jump(int id) override;
    void RVMouseMove(int id) override;
    void RVMouseDown(rv::TMouseButton b, rv::TShiftState s, int itemNo, int x, int y) override;
    void RVMouseUp(rv::TMouseButton b, rv::TShiftState s, int itemNo, int x, int y) override;
    bool HasRightClickHandler() const override { return bool(OnRVRightClick); }
    void RVRightClick(const std::string &word, int style, int x, int y) override;
    bool HasDblClickHandler() const override { return bool(OnRVDblClick); }
    void RVDblClick(const std::string &word, int style) override;
    void Select() override;
    void Copy() override;
    void ContextPopup(int x, int y) override;

    // Runs an input handler; an exception stops there and is shown like a paint error.
    template <class F> void Guard(F &&f);
    void ShowPopup(QPoint clientPos);
    // Puts the selection on the primary selection where the system has one.
    void OfferPrimarySelection();

    rv::TReadViewRVData FData;
    std::unique_ptr<platform::QtCanvas> FMeasure;
    QMenu *FPopupMenu = nullptr;
    QBasicTimer FAutoScroll;
    std::string FLastError;
    int FLastWidth = -1;
    int FZoom = 100;
    int FZoomWheel = 0; // Ctrl+wheel angle not yet turned into a step
    bool FPopupFromMouse = false;
    bool FJumpFromKeyboard = false;
};
