// The print preview control: one paginated page as a white sheet with a
// border and a shadow on a grey background, at a zoom that either follows the
// control's size (full page, page width) or is a fixed percent. A click
// switches between 100 % and the zoom it came from.
//
// TCustomRVPrintPreview does the zooming, scrolling and sheet drawing and asks
// its page source (the virtual Source* calls) for the pages; TRVPrintPreview
// (rv_print_preview.h) takes them from the printing component.
#pragma once
#include "document/rv_style.h"
#include "platform/canvas.h"
#include "viewer/widget/readview.h"

#include <functional>

enum TRVZoomMode { rvzmFullPage, rvzmPageWidth, rvzmCustom };
enum TRVClickMode { rvcmNone, rvcmSwitchZoom };

// The zoom cursors the preview registers; drawn by us (a magnifier with a
// plus or a minus).
constexpr rv::TCursor crRVZoomIn = 102;
constexpr rv::TCursor crRVZoomOut = 103;
QCursor RVZoomQCursor(rv::TCursor c);

class TCustomRVPrintPreview : public TRVScroller {
    Q_OBJECT
public:
    explicit TCustomRVPrintPreview(QWidget *parent = nullptr);

    // Zooms below 1 % draw nothing and above this the sheet would overflow
    // the scroll range, so every zoom is kept inside.
    static constexpr int kMinZoom = 1, kMaxZoom = 1000;

    TRVZoomMode ZoomMode() const { return FZoomMode; }
    void SetZoomMode(TRVZoomMode m);
    int ZoomPercent() const { return FZoomPercent; }
    // Switches to rvzmCustom.
    void SetZoomPercent(int z);
    int SwitchZoom() const { return FSwitchZoom; }
    TRVClickMode ClickMode() const { return FClickMode; }
    void SetClickMode(TRVClickMode m);

    int PageNo() const { return FPageNo; }
    void SetPageNo(int n);
    void First();
    void Previous();
    void Next();
    void Last();

    // What a left click does (rvcmSwitchZoom: 100 % and back).
    void Click();

    // The cursor shown over the control (0, crRVZoomIn or crRVZoomOut).
    rv::TCursor CurrentCursor() const { return FCursor; }
    rv::TCursor ZoomInCursor = crRVZoomIn, ZoomOutCursor = crRVZoomOut;

    platform::Pen MarginsPen{platform::clSilver, 1, platform::PenStyle::Clear};
    platform::Pen PrintableAreaPen{platform::clRed, 1, platform::PenStyle::Clear};
    platform::Color Color = platform::clBtnShadow;
    platform::Color ShadowColor = platform::cl3DDkShadow;
    int ShadowWidth = 4;
    platform::Color PageBorderColor = platform::clHighlight;
    int PageBorderWidth = 2;
    int BackgroundMargin = 20;

    std::function<void(TCustomRVPrintPreview *)> OnZoomChanged;
    // After the shown page or the page source changed (the window's page display).
    std::function<void(TCustomRVPrintPreview *)> OnPageChanged;

    // Sheet geometry at the current zoom, in screen pixels.
    int SheetWidth() const { return FSheetW; }
    int SheetHeight() const { return FSheetH; }
    int PrintableWidth() const { return FPrintW; }
    int PrintableHeight() const { return FPrintH; }
    // The sheet and its printable area where the next paint puts them.
    platform::Rect SheetRect() const;
    platform::Rect PrintableRect() const;
    // The scrollable area the zoom mode asks for (pixels).
    QSize ScrollableSize() const { return {FScrollW, FScrollH}; }
    // Draws the whole client area (what a paint shows) on a canvas.
    void PaintTo(platform::Canvas &canvas);

    // The page source.
    virtual bool SourceReady() const = 0;
    virtual int SourcePageCount() const = 0;
    // Printable area at 100 % and the unprintable strips, screen pixels.
    virtual QSize SourcePrintableSize() const = 0;
    virtual platform::Rect SourceUnprintableStrips() const = 0; // left, top, right, bottom widths
    virtual void SourceDrawPage(int pageNo, platform::Canvas &canvas, const platform::Rect &r) = 0;
    virtual void SourceDrawMargins(platform::Canvas &canvas, const platform::Rect &r, int pageNo) = 0;

protected:
    // Recomputes the zoom for the zoom mode (size changes, a new source).
    void Fitting();
    void ApplyZoom(int z);
    void UpdateCursor();

    void paintEvent(QPaintEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void scrollContentsBy(int dx, int dy) override;
    // PageUp/PageDown scroll the sheet and go on to the next or previous page
    // at its ends; Home/End show the first or last page.
    void keyPressEvent(QKeyEvent *e) override;
    // The wheel scrolls, or turns pages when the sheet has nowhere to scroll
    // (full page); Ctrl+wheel zooms.
    void wheelEvent(QWheelEvent *e) override;

private:
    int FPageNo = 1;
    int FZoomPercent = 100;
    TRVZoomMode FZoomMode = rvzmFullPage;
    int FSwitchZoom = 50;
    TRVClickMode FClickMode = rvcmSwitchZoom;
    rv::TCursor FCursor = 0;
    int FSheetW = 0, FSheetH = 0, FPrintW = 0, FPrintH = 0;
    platform::Rect FStrips;
    int FScrollW = 0, FScrollH = 0;
    bool FPressed = false;
    int FPageWheel = 0, FZoomWheel = 0; // parts of a wheel notch not yet used
};
