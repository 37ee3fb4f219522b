#include "printing/widget/print_preview.h"

#include "platform/qt_canvas.h"

#include <QBitmap>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

using platform::MulDiv;
using platform::Rect;

QCursor RVZoomQCursor(rv::TCursor c)
{
    // 32 x 32, black on white with a transparent outside: a lens at the top
    // left (its centre is the hot spot), a handle to the bottom right, and a
    // plus for zooming in or a minus for zooming out.
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    {
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(Qt::white, 6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(18, 18), QPointF(28, 28));
        p.setPen(QPen(Qt::black, 4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(18, 18), QPointF(28, 28));
        p.setBrush(Qt::white);
        p.setPen(QPen(Qt::black, 2));
        p.drawEllipse(QPointF(11, 11), 9, 9);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillRect(QRect(6, 10, 11, 2), Qt::black);
        if (c == crRVZoomIn)
            p.fillRect(QRect(10, 6, 2, 11), Qt::black);
    }
    return QCursor(pm, 11, 11);
}

TCustomRVPrintPreview::TCustomRVPrintPreview(QWidget *parent) : TRVScroller(parent)
{
    resize(100, 100);
    setFrameStyle(QFrame::Box | QFrame::Plain); // the single border
    // The whole client area is painted on every paint.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent, true);
    viewport()->setAutoFillBackground(false);
    SetScrollRange(10, 10);
    UpdateCursor();
}

void TCustomRVPrintPreview::SetZoomMode(TRVZoomMode m)
{
    FZoomMode = m;
    Fitting();
}

void TCustomRVPrintPreview::SetZoomPercent(int z)
{
    FZoomMode = rvzmCustom;
    ApplyZoom(z);
}

void TCustomRVPrintPreview::SetClickMode(TRVClickMode m)
{
    FClickMode = m;
    UpdateCursor();
}

void TCustomRVPrintPreview::ApplyZoom(int z)
{
    z = std::clamp(z, kMinZoom, kMaxZoom);
    const int old = FZoomPercent;
    if (z == 100 && old != 100)
        FSwitchZoom = old;
    FZoomPercent = z;
    if (!SourceReady()) {
        UpdateCursor();
        return;
    }
    const QSize pa = SourcePrintableSize();
    const Rect s = SourceUnprintableStrips();
    FPrintW = MulDiv(pa.width(), z, 100);
    FPrintH = MulDiv(pa.height(), z, 100);
    FSheetW = MulDiv(pa.width() + s.left + s.right, z, 100);
    FSheetH = MulDiv(pa.height() + s.top + s.bottom, z, 100);
    FStrips = {MulDiv(s.left, z, 100), MulDiv(s.top, z, 100), MulDiv(s.right, z, 100), MulDiv(s.bottom, z, 100)};
    viewport()->update();
    switch (FZoomMode) {
    case rvzmFullPage: FScrollW = 10, FScrollH = 10; break;
    case rvzmPageWidth: FScrollW = 10, FScrollH = 2 * BackgroundMargin + FSheetH; break;
    case rvzmCustom:
        FScrollW = 2 * BackgroundMargin + FSheetW;
        FScrollH = 2 * BackgroundMargin + FSheetH;
        break;
    }
    SetScrollRange(FScrollW, FScrollH);
    UpdateCursor();
    if (z != old && OnZoomChanged)
        OnZoomChanged(this);
}

void TCustomRVPrintPreview::Fitting()
{
    if (!SourceReady())
        return;
    const QSize pa = SourcePrintableSize();
    // An empty printable area has no zoom that fits: keep the one we have.
    if (pa.width() <= 0 || pa.height() <= 0)
        return;
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    switch (FZoomMode) {
    case rvzmFullPage:
        ApplyZoom(std::min(MulDiv(width() - bar - 2 * BackgroundMargin, 100, pa.width()),
                           MulDiv(height() - bar - 2 * BackgroundMargin, 100, pa.height())));
        break;
    case rvzmPageWidth: ApplyZoom(MulDiv(viewport()->width() - 2 * BackgroundMargin, 100, pa.width())); break;
    case rvzmCustom: ApplyZoom(FZoomPercent); break;
    }
}

void TCustomRVPrintPreview::Click()
{
    if (FClickMode != rvcmSwitchZoom)
        return;
    SetZoomPercent(FZoomPercent == 100 ? FSwitchZoom : 100);
}

void TCustomRVPrintPreview::UpdateCursor()
{
    rv::TCursor c = rv::crDefault;
    if (FClickMode == rvcmSwitchZoom) {
        const int next = FZoomPercent == 100 ? FSwitchZoom : 100;
        c = next > FZoomPercent ? ZoomInCursor : ZoomOutCursor;
    }
    if (c == FCursor && viewport()->testAttribute(Qt::WA_SetCursor))
        return;
    FCursor = c;
    if (c == crRVZoomIn || c == crRVZoomOut)
        viewport()->setCursor(RVZoomQCursor(c));
    else
        viewport()->setCursor(Qt::ArrowCursor);
}

void TCustomRVPrintPreview::SetPageNo(int n)
{
    FPageNo = n;
    viewport()->update();
    if (OnPageChanged)
        OnPageChanged(this);
}

void TCustomRVPrintPreview::First()
{
    SetPageNo(1);
}

void TCustomRVPrintPreview::Last()
{
    if (SourceReady())
        SetPageNo(std::max(1, SourcePageCount()));
}

void TCustomRVPrintPreview::Next()
{
    if (SourceReady() && FPageNo < SourcePageCount())
        SetPageNo(FPageNo + 1);
}

void TCustomRVPrintPreview::Previous()
{
    if (FPageNo > 1)
        SetPageNo(FPageNo - 1);
}

Rect TCustomRVPrintPreview::SheetRect() const
{
    const int w = std::max(viewport()->width(), FScrollW);
    const int h = std::max(viewport()->height(), FScrollH);
    const int x = (w - FSheetW) / 2 - HScrollPos();
    const int y = (h - FSheetH) / 2 - VScrollPos() * VScrollUnit();
    return {x, y, x + FSheetW, y + FSheetH};
}

Rect TCustomRVPrintPreview::PrintableRect() const
{
    const Rect s = SheetRect();
    const int x = s.left + FStrips.left, y = s.top + FStrips.top;
    return {x, y, x + FPrintW, y + FPrintH};
}

void TCustomRVPrintPreview::PaintTo(platform::Canvas &canvas)
{
    canvas.fillRect({0, 0, viewport()->width(), viewport()->height()}, Color);
    if (!SourceReady())
        return;
    const Rect sheet = SheetRect();
    const Rect printable = PrintableRect();
    if (ShadowWidth > 0)
        canvas.fillRect(sheet.translated(ShadowWidth, ShadowWidth), ShadowColor);
    canvas.fillRect(sheet, platform::clWhite);
    {
        platform::CanvasSaver keep(canvas);
        canvas.intersectClipRect(printable);
        SourceDrawPage(FPageNo, canvas, printable);
    }
    canvas.setBrush({platform::clWhite, platform::BrushStyle::Clear});
    if (PageBorderColor != platform::clNone) {
        canvas.setPen({PageBorderColor, PageBorderWidth, platform::PenStyle::Solid});
        canvas.rectangle(sheet);
    }
    if (PrintableAreaPen.style != platform::PenStyle::Clear) {
        canvas.setPen(PrintableAreaPen);
        canvas.rectangle(printable);
    }
    if (MarginsPen.style != platform::PenStyle::Clear) {
        canvas.setPen(MarginsPen);
        SourceDrawMargins(canvas, printable, FPageNo);
    }
}

void TCustomRVPrintPreview::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    platform::QtCanvas canvas(&painter, viewport());
    PaintTo(canvas);
}

void TCustomRVPrintPreview::resizeEvent(QResizeEvent *e)
{
    TRVScroller::resizeEvent(e);
    Fitting();
}

void TCustomRVPrintPreview::mousePressEvent(QMouseEvent *e)
{
    setFocus(Qt::MouseFocusReason);
    FPressed = e->button() == Qt::LeftButton;
    e->accept();
}

void TCustomRVPrintPreview::mouseReleaseEvent(QMouseEvent *e)
{
    const bool click = FPressed && e->button() == Qt::LeftButton && viewport()->rect().contains(e->position().toPoint());
    FPressed = false;
    if (click)
        Click();
    e->accept();
}

void TCustomRVPrintPreview::scrollContentsBy(int dx, int dy)
{
    // The sheet is centred in the larger of the client and the scrollable
    // area, so a scroll moves it exactly; repaint rather than shift pixels
    // because the unit can change with the range.
    TRVScroller::scrollContentsBy(dx, dy);
    viewport()->update();
}

void TCustomRVPrintPreview::keyPressEvent(QKeyEvent *e)
{
    if (!SourceReady()) {
        TRVScroller::keyPressEvent(e);
        return;
    }
    const int page = FPageNo;
    switch (e->key()) {
    case Qt::Key_PageDown:
        if (VScrollPos() < VScrollMax()) {
            TRVScroller::keyPressEvent(e);
            return;
        }
        Next();
        if (FPageNo != page)
            ScrollTo(0);
        break;
    case Qt::Key_PageUp:
        if (VScrollPos() > 0) {
            TRVScroller::keyPressEvent(e);
            return;
        }
        Previous();
        if (FPageNo != page)
            ScrollTo(VScrollMax()); // the previous page's end joins this page's top
        break;
    case Qt::Key_Home:
        First();
        ScrollTo(0);
        break;
    case Qt::Key_End:
        Last();
        ScrollTo(0);
        break;
    default: TRVScroller::keyPressEvent(e); return;
    }
    e->accept();
}

void TCustomRVPrintPreview::wheelEvent(QWheelEvent *e)
{
    if (e->modifiers() & Qt::ControlModifier) {
        FZoomWheel += e->angleDelta().y();
        const int notches = FZoomWheel / 120;
        FZoomWheel -= notches * 120;
        if (notches != 0 && SourceReady()) {
            // Ten percent of the zoom per notch, at least one point.
            int z = FZoomPercent;
            for (int i = 0; i < std::abs(notches); ++i)
                z += (notches > 0 ? 1 : -1) * std::max(1, z / 10);
            SetZoomPercent(z);
        }
        e->accept();
        return;
    }
    if (!SourceReady() || VScrollMax() > 0) {
        TRVScroller::wheelEvent(e);
        return;
    }
    FPageWheel += e->angleDelta().y();
    const int notches = FPageWheel / 120;
    FPageWheel -= notches * 120;
    for (int i = 0; i < std::abs(notches); ++i)
        notches > 0 ? Previous() : Next();
    e->accept();
}
