#include "viewer/widget/readview.h"

#include "document/rvf_reader.h"
#include "platform/codepage.h"
#include "platform/qt_canvas.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QCursor>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QWheelEvent>

#include <cmath>
#include <exception>
#include <filesystem>

// ================================================================ TRVScroller

namespace {
// Vertical ranges stay at or below this many units (the classic scroll bar limit).
constexpr int kMaxUnits = 32000;
} // namespace

TRVScroller::TRVScroller(QWidget *parent) : QAbstractScrollArea(parent)
{
    // The style's sunken frame stands for the themed edit border.
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setSingleStep(10);
    verticalScrollBar()->setRange(0, 0);
    horizontalScrollBar()->setRange(0, 0);
}

int TRVScroller::VScrollPos() const
{
    return verticalScrollBar()->value();
}

int TRVScroller::HScrollPos() const
{
    return horizontalScrollBar()->value();
}

int TRVScroller::VScrollMax() const
{
    return verticalScrollBar()->maximum();
}

int TRVScroller::HScrollMax() const
{
    return horizontalScrollBar()->maximum();
}

void TRVScroller::ScrollTo(int vUnits)
{
    verticalScrollBar()->setValue(vUnits);
}

void TRVScroller::HScrollTo(int pixels)
{
    horizontalScrollBar()->setValue(pixels);
}

void TRVScroller::ScrollToPixel(int y)
{
    ScrollTo(std::max(0, y) / FUnit);
}

void TRVScroller::SetScrollRange(int width, int height)
{
    width = std::max(0, width);
    height = std::max(0, height);
    const int oldUnit = FUnit;
    const int oldPixel = VScrollPos() * FUnit;
    if (FVVisible) {
        if (height / FUnit > kMaxUnits) {
            int u = height / kMaxUnits;
            if (height / u > kMaxUnits)
                ++u;
            // The range is the ceiling of height / unit: keep that within the limit too.
            while ((height + u - 1) / u > kMaxUnits)
                ++u;
            FUnit = u;
        } else if (FUnit > 10 && height / 10 <= kMaxUnits) {
            FUnit = 10;
        }
    }
    FHRange = width;
    FVRange = (height + FUnit - 1) / FUnit;
    const int page = viewport()->height() / FUnit;
    QScrollBar *v = verticalScrollBar(), *h = horizontalScrollBar();
    // With a new unit the bar's numbers mean other pixels: repaint instead of moving the content.
    FRepaintOnScroll = oldUnit != FUnit;
    v->setPageStep(std::max(1, page));
    v->setRange(0, std::max(0, FVRange - page));
    if (FRepaintOnScroll) {
        v->setValue(oldPixel / FUnit);
        viewport()->update();
    }
    FRepaintOnScroll = false;
    h->setPageStep(std::max(1, viewport()->width()));
    h->setRange(0, std::max(0, FHRange - viewport()->width()));
}

void TRVScroller::SetTracking(bool on)
{
    FTracking = on;
    verticalScrollBar()->setTracking(on);
    horizontalScrollBar()->setTracking(on);
}

void TRVScroller::SetVScrollVisible(bool on)
{
    FVVisible = on;
    setVerticalScrollBarPolicy(on ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

void TRVScroller::SetHScrollVisible(bool on)
{
    FHVisible = on;
    setHorizontalScrollBarPolicy(on ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

int TRVScroller::WheelScrollLines()
{
    int n = QApplication::wheelScrollLines();
    return n == 0 ? 3 : n;
}

void TRVScroller::scrollContentsBy(int dx, int dy)
{
    if (FRepaintOnScroll)
        viewport()->update();
    else
        viewport()->scroll(dx, dy * FUnit);
    if (dy != 0 && OnVScrolled)
        OnVScrolled(this);
    if (dx != 0 && OnHScrolled)
        OnHScrolled(this);
    AfterScroll();
}

void TRVScroller::keyPressEvent(QKeyEvent *e)
{
    const int page = std::max(1, viewport()->height() / FUnit);
    switch (e->key()) {
    case Qt::Key_PageUp: ScrollTo(VScrollPos() - page); break;
    case Qt::Key_PageDown: ScrollTo(VScrollPos() + page); break;
    case Qt::Key_Home: ScrollTo(0); break;
    case Qt::Key_End: ScrollTo(VScrollMax()); break;
    case Qt::Key_Up: ScrollTo(VScrollPos() - 1); break;
    case Qt::Key_Down: ScrollTo(VScrollPos() + 1); break;
    case Qt::Key_Left: HScrollTo(HScrollPos() - 10); break;
    case Qt::Key_Right: HScrollTo(HScrollPos() + 10); break;
    default: QAbstractScrollArea::keyPressEvent(e); return;
    }
    e->accept();
}

void TRVScroller::wheelEvent(QWheelEvent *e)
{
    if (FWheelStep == 0) {
        e->ignore();
        return;
    }
    // High-resolution wheels send parts of a notch; a notch is 120.
    FWheelRemainder += e->angleDelta().y();
    const int notches = FWheelRemainder / 120;
    FWheelRemainder -= notches * 120;
    if (notches != 0) {
        const int lines = WheelScrollLines();
        const int step = lines < 0 ? std::max(1, viewport()->height() / FUnit)
                                   : int(std::lround(FWheelStep * lines / 3.0));
        ScrollTo(VScrollPos() - notches * step);
    }
    e->accept();
}

// ================================================================ TReadView

namespace {

rv::TShiftState ShiftOf(Qt::KeyboardModifiers m, Qt::MouseButtons b)
{
    rv::TShiftState s = 0;
    if (m & Qt::ShiftModifier) s |= rv::ssShift;
    if (m & Qt::AltModifier) s |= rv::ssAlt;
    if (m & Qt::ControlModifier) s |= rv::ssCtrl;
    if (b & Qt::LeftButton) s |= rv::ssLeft;
    if (b & Qt::RightButton) s |= rv::ssRight;
    if (b & Qt::MiddleButton) s |= rv::ssMiddle;
    return s;
}

bool ButtonOf(Qt::MouseButton b, rv::TMouseButton &out)
{
    switch (b) {
    case Qt::LeftButton: out = rv::mbLeft; return true;
    case Qt::RightButton: out = rv::mbRight; return true;
    case Qt::MiddleButton: out = rv::mbMiddle; return true;
    default: return false;
    }
}

Qt::MouseButton QtButton(rv::TMouseButton b)
{
    return b == rv::mbLeft ? Qt::LeftButton : b == rv::mbRight ? Qt::RightButton : Qt::MiddleButton;
}

Qt::KeyboardModifiers QtModifiers(rv::TShiftState s)
{
    Qt::KeyboardModifiers m;
    if (s & rv::ssShift) m |= Qt::ShiftModifier;
    if (s & rv::ssAlt) m |= Qt::AltModifier;
    if (s & rv::ssCtrl) m |= Qt::ControlModifier;
    return m;
}

// An arrow pointing up and to the right: selecting whole lines from the margin.
QCursor LineSelectQCursor()
{
    static const QCursor cursor = [] {
        QPixmap pm(16, 16);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.moveTo(14, 1);
        path.lineTo(14, 12);
        path.lineTo(11, 9);
        path.lineTo(7, 14);
        path.lineTo(5, 12);
        path.lineTo(9, 7);
        path.lineTo(5, 4);
        path.closeSubpath();
        p.fillPath(path, Qt::black);
        p.setPen(QPen(Qt::white, 1));
        p.drawPath(path);
        p.end();
        return QCursor(pm, 14, 1);
    }();
    return cursor;
}

} // namespace

TReadView::TReadView(QWidget *parent) : TRVScroller(parent), FData(*this)
{
    viewport()->setMouseTracking(true);
    // The engine paints every pixel through its off-screen buffer.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAttribute(Qt::WA_NoSystemBackground);
    FMeasure = std::make_unique<platform::QtCanvas>(1, 1, std::max(1, logicalDpiY()));
    FMeasure->setResolution(ZoomedDpiX(), ZoomedDpiY());
    resize(100, 40);
}

TReadView::~TReadView()
{
    FAutoScroll.stop();
    OnSelect = nullptr; // no selection events while the control goes away
}

template <class F>
void TReadView::Guard(F &&f)
{
    // Qt lets no exception cross its event loop: keep it here and show it.
    try {
        f();
    } catch (const std::exception &e) {
        FLastError = e.what();
        viewport()->update();
    } catch (...) {
        FLastError = "unknown error";
        viewport()->update();
    }
}

void TReadView::SetStyle(rv::TRVStyle *style)
{
    FData.SetRVStyle(style);
    if (FData.Options.Has(rv::TRVOption::FormatInvalidate))
        viewport()->update();
}

bool TReadView::LoadRVFFromFile(const std::string &fileName)
{
    // A document without stored style tables must not show in the tables
    // the previous document brought: start from the reader's own sheet.
    if (Style())
        Style()->LoadReaderDefaults();
    FAutoScroll.stop();
    FData.Clear();
    FLastError.clear();
    rv::TRVLayoutInfo layout;
    platform::Color color = FData.Color;
    std::filesystem::path path{std::u8string(fileName.begin(), fileName.end())};
    const bool ok = rv::LoadRVFFromFile(FData, path, &layout, &FData.Background, &color);
    if (layout.Loaded) {
        FData.TakeStoredLayout(layout);
        FData.BiDiMode = layout.BiDiMode;
    }
    FData.Color = color;
    viewport()->update();
    return ok;
}

void TReadView::FormatDocument()
{
    FLastError.clear();
    FData.FormatDocument();
    FLastWidth = viewport()->width();
    viewport()->update();
}

void TReadView::Reformat()
{
    FData.Reformat();
}

void TReadView::Clear()
{
    FData.Clear();
    FData.FormatDocument();
    viewport()->update();
}

bool TReadView::CopySelection()
{
    return FData.CopySelection();
}

void TReadView::SelectAll()
{
    FData.SelectAll();
    OfferPrimarySelection();
}

void TReadView::Deselect()
{
    FData.Deselect();
}

bool TReadView::SearchText(std::u16string_view text, uint32_t options)
{
    return FData.SearchText(text, options);
}

std::string TReadView::ItemText(int itemNo) const
{
    if (itemNo < 0 || itemNo >= FData.ItemCount())
        return {};
    return std::string(FData.ItemText(itemNo));
}

QString TReadView::WindowText() const
{
    return QString::fromStdU16String(FData.GetDocTextW());
}

void TReadView::SetWindowText(const QString &text)
{
    FData.Clear();
    const int cp = Style() ? Style()->CodePageOfStyle(0) : platform::CP_ACP;
    const QStringList lines = QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        auto item = rv::CreateItemForStyle(0);
        FData.AddItem(platform::fromUtf16(line.toStdU16String(), cp), std::move(item));
    }
    FormatDocument();
}

// ---------------------------------------------------------------- zoom

namespace {
constexpr int kZoomSteps[] = {50, 67, 75, 80, 90, 100, 110, 125, 150, 175, 200, 250, 300, 350, 400};
} // namespace

int TReadView::ZoomedDpiX() const
{
    return std::max(1, platform::MulDiv(std::max(1, logicalDpiX()), FZoom, 100));
}

int TReadView::ZoomedDpiY() const
{
    return std::max(1, platform::MulDiv(std::max(1, logicalDpiY()), FZoom, 100));
}

void TReadView::SetZoom(int percent)
{
    percent = std::clamp(percent, kZoomMin, kZoomMax);
    if (percent == FZoom)
        return;
    FZoom = percent;
    // Layout measures at the zoomed resolution: fonts, indents, margins and
    // pictures grow through the same scaling the printer layout uses.
    FMeasure->setResolution(ZoomedDpiX(), ZoomedDpiY());
    Guard([&] {
        if (Style() && FData.LastFormattedItem() >= 0)
            FData.Reformat(true);
    });
    viewport()->update();
    if (OnZoomChanged)
        OnZoomChanged(this);
}

void TReadView::ZoomIn()
{
    for (int z : kZoomSteps)
        if (z > FZoom) {
            SetZoom(z);
            return;
        }
}

void TReadView::ZoomOut()
{
    for (auto it = std::rbegin(kZoomSteps); it != std::rend(kZoomSteps); ++it)
        if (*it < FZoom) {
            SetZoom(*it);
            return;
        }
}

void TReadView::wheelEvent(QWheelEvent *e)
{
    if (!(e->modifiers() & Qt::ControlModifier)) {
        FZoomWheel = 0;
        TRVScroller::wheelEvent(e);
        return;
    }
    // Ctrl+wheel zooms: one notch (120) is one step; fine wheels add up.
    FZoomWheel += e->angleDelta().y();
    while (FZoomWheel >= 120) {
        FZoomWheel -= 120;
        ZoomIn();
    }
    while (FZoomWheel <= -120) {
        FZoomWheel += 120;
        ZoomOut();
    }
    e->accept();
}

QRect TReadView::JumpRect(int id) const
{
    const int zeroBased = id - FData.FirstJumpNo();
    const int dx = HScrollPos(), dy = VScrollPos() * VScrollUnit() - FData.DocumentOffsetY();
    const QRect client = viewport()->rect();
    QRect first;
    for (const rv::TRVJumpInfo &j : FData.Jumps()) {
        if (j.Id != zeroBased)
            continue;
        const QRect r(j.Left - dx, j.Top - dy, j.Width, j.Height);
        if (r.intersects(client))
            return r;
        if (first.isNull())
            first = r;
    }
    return first;
}

void TReadView::SetColor(platform::Color c)
{
    FData.Color = c;
    viewport()->update();
}

void TReadView::SetBackgroundStyle(rv::TBackgroundStyle s)
{
    FData.Background.Style = s;
    viewport()->update();
}

// ---------------------------------------------------------------- painting

void TReadView::paintEvent(QPaintEvent *e)
{
    QPainter painter(viewport());
    platform::QtCanvas canvas(&painter, viewport());
    canvas.setResolution(ZoomedDpiX(), ZoomedDpiY());
    const QRect r = e->rect();
    try {
        FData.PaintTo(canvas, platform::Rect{r.left(), r.top(), r.right() + 1, r.bottom() + 1});
        if (OnPaint && Style())
            OnPaint(this, canvas, false);
    } catch (const std::exception &ex) {
        FLastError = ex.what();
    }
    if (!FLastError.empty()) {
        painter.setPen(Qt::red);
        painter.setBackgroundMode(Qt::OpaqueMode);
        painter.setBackground(Qt::white);
        painter.setFont(QFont(QStringLiteral("Arial"), 10));
        painter.drawText(QPoint(0, painter.fontMetrics().ascent()), QStringLiteral("Error:") + QString::fromStdString(FLastError));
    }
}

void TReadView::resizeEvent(QResizeEvent *e)
{
    TRVScroller::resizeEvent(e);
    Guard([&] {
        if (Style() && FData.LastFormattedItem() >= 0)
            FData.Reformat();
        else
            SetScrollRange(FData.DocumentWidth(), FData.ContentHeight());
    });
}

// ---------------------------------------------------------------- mouse and keys

void TReadView::mouseMoveEvent(QMouseEvent *e)
{
    const QPoint p = e->position().toPoint();
    Guard([&] { FData.MouseMove(p.x(), p.y(), ShiftOf(e->modifiers(), e->buttons())); });
}

void TReadView::mousePressEvent(QMouseEvent *e)
{
    rv::TMouseButton b;
    if (!ButtonOf(e->button(), b))
        return;
    const QPoint p = e->position().toPoint();
    Guard([&] { FData.MouseDown(b, ShiftOf(e->modifiers(), e->buttons()), p.x(), p.y()); });
    if (b == rv::mbLeft)
        FAutoScroll.start(100, this);
}

void TReadView::mouseReleaseEvent(QMouseEvent *e)
{
    rv::TMouseButton b;
    if (!ButtonOf(e->button(), b))
        return;
    if (b == rv::mbLeft)
        FAutoScroll.stop();
    const QPoint p = e->position().toPoint();
    Guard([&] { FData.MouseUp(b, ShiftOf(e->modifiers(), e->buttons()), p.x(), p.y()); });
    if (b == rv::mbLeft)
        OfferPrimarySelection();
}

void TReadView::OfferPrimarySelection()
{
    // As on every X11 desktop, what the mouse selected is the primary
    // selection, pasted with the middle button; the clipboard is untouched.
    if (!FData.HasSelection() || !QGuiApplication::clipboard()->supportsSelection())
        return;
    Guard([&] {
        platform::ClipboardContent c;
        if (FData.BuildClipboard(c, false) && !c.items.empty())
            platform::setPrimarySelection(c);
    });
}

void TReadView::mouseDoubleClickEvent(QMouseEvent *e)
{
    rv::TMouseButton b;
    if (!ButtonOf(e->button(), b))
        return;
    const QPoint p = e->position().toPoint();
    const rv::TShiftState s = ShiftOf(e->modifiers(), e->buttons()) | rv::ssDouble;
    Guard([&] {
        FData.MouseDown(b, s, p.x(), p.y());
        if (b == rv::mbLeft)
            FData.DblClick(s, p.x(), p.y());
    });
    if (b == rv::mbLeft)
        FAutoScroll.start(100, this);
}

void TReadView::leaveEvent(QEvent *e)
{
    Guard([&] { FData.MouseLeave(); });
    TRVScroller::leaveEvent(e);
}

bool TReadView::viewportEvent(QEvent *e)
{
    switch (e->type()) {
    case QEvent::Leave:
        Guard([&] { FData.MouseLeave(); });
        break;
    case QEvent::ContextMenu:
        // A mouse menu opens on the right button's release (see mouseReleaseEvent).
        if (static_cast<QContextMenuEvent *>(e)->reason() == QContextMenuEvent::Mouse) {
            e->accept();
            return true;
        }
        break;
    default:
        break;
    }
    return TRVScroller::viewportEvent(e);
}

void TReadView::contextMenuEvent(QContextMenuEvent *e)
{
    if (e->reason() == QContextMenuEvent::Mouse) {
        e->accept();
        return;
    }
    if (!Style())
        return;
    ShowPopup(viewport()->mapFrom(this, e->pos()));
    e->accept();
}

void TReadView::keyPressEvent(QKeyEvent *e)
{
    const Qt::KeyboardModifiers m = e->modifiers();
    const bool ctrl = m & Qt::ControlModifier, alt = m & Qt::AltModifier;
    if (ctrl && !alt && (e->key() == Qt::Key_C || e->key() == Qt::Key_Insert)) {
        Guard([&] { CopySelection(); });
        e->accept();
        return;
    }
    if (!alt && ctrl && FData.TabNavigation == rv::rvtnCtrlTab && (e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab)) {
        bool moved = false;
        Guard([&] { moved = FData.FocusNext(e->key() == Qt::Key_Backtab || (m & Qt::ShiftModifier)); });
        if (moved) {
            e->accept();
            return;
        }
    }
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && FData.FocusedItem() >= 0) {
        bool done = false;
        FJumpFromKeyboard = true;
        Guard([&] { done = FData.ActivateFocused(); });
        FJumpFromKeyboard = false;
        if (done) {
            e->accept();
            return;
        }
    }
    TRVScroller::keyPressEvent(e);
}

bool TReadView::focusNextPrevChild(bool next)
{
    if (FData.TabNavigation == rv::rvtnTab && hasFocus()) {
        bool moved = false;
        Guard([&] { moved = FData.FocusNext(!next); });
        if (moved)
            return true;
    }
    return TRVScroller::focusNextPrevChild(next);
}

void TReadView::focusInEvent(QFocusEvent *e)
{
    TRVScroller::focusInEvent(e);
    viewport()->update(); // selection colours change with the focus
}

void TReadView::focusOutEvent(QFocusEvent *e)
{
    TRVScroller::focusOutEvent(e);
    viewport()->update();
}

void TReadView::timerEvent(QTimerEvent *e)
{
    if (e->timerId() != FAutoScroll.timerId()) {
        TRVScroller::timerEvent(e);
        return;
    }
    const int v = FData.AutoScrollV(), h = FData.AutoScrollH();
    if (v == 0 && h == 0)
        return;
    Guard([&] {
        ScrollTo(VScrollPos() + v);
        HScrollTo(HScrollPos() + h);
        const QPoint p = viewport()->mapFromGlobal(QCursor::pos());
        FData.MouseMove(p.x(), p.y(), ShiftOf(QApplication::keyboardModifiers(), QApplication::mouseButtons()));
    });
}

void TReadView::AfterScroll()
{
    // Re-test the hover under a mouse that stayed while the text moved.
    if (!viewport()->underMouse() || FData.Selecting())
        return;
    const QPoint p = viewport()->mapFromGlobal(QCursor::pos());
    if (viewport()->rect().contains(p))
        Guard([&] { FData.MouseMove(p.x(), p.y(), ShiftOf(QApplication::keyboardModifiers(), QApplication::mouseButtons())); });
}

void TReadView::ShowPopup(QPoint clientPos)
{
    bool handled = false;
    if (OnContextPopup)
        OnContextPopup(this, clientPos, handled);
    if (handled)
        return;
    const QPoint widgetPos = viewport()->mapTo(this, clientPos);
    if (contextMenuPolicy() == Qt::CustomContextMenu) {
        emit customContextMenuRequested(widgetPos);
        return;
    }
    // The nearest menu of the viewer or its parents.
    QMenu *menu = FPopupMenu;
    for (QWidget *w = parentWidget(); !menu && w; w = w->parentWidget())
        menu = w->property("PopupMenu").value<QMenu *>();
    if (menu && contextMenuPolicy() != Qt::NoContextMenu && contextMenuPolicy() != Qt::PreventContextMenu)
        menu->popup(viewport()->mapToGlobal(clientPos));
}

// ---------------------------------------------------------------- host services

platform::Canvas *TReadView::Canvas()
{
    return FMeasure.get();
}

int TReadView::ClientWidth() const
{
    return viewport()->width();
}

int TReadView::ClientHeight() const
{
    return viewport()->height();
}

void TReadView::ScrollBy(int hPixels, int vUnits)
{
    HScrollTo(HScrollPos() + hPixels);
    ScrollTo(VScrollPos() + vUnits);
}

void TReadView::Invalidate(const platform::Rect &r)
{
    viewport()->update(QRect(r.left, r.top, r.width(), r.height()));
}

void TReadView::InvalidateAll()
{
    viewport()->update();
}

void TReadView::ShowCursor(rv::TCursor c)
{
    QCursor q;
    switch (c) {
    case rv::crJump: q = QCursor(Qt::PointingHandCursor); break;
    case rv::crRVFlipArrow: q = LineSelectQCursor(); break;
    case -4: q = QCursor(Qt::IBeamCursor); break; // crIBeam
    case -11: q = QCursor(Qt::WaitCursor); break; // crHourGlass
    default: q = QCursor(Qt::ArrowCursor); break;
    }
    if (viewport()->cursor().shape() != q.shape() || q.shape() == Qt::BitmapCursor)
        viewport()->setCursor(q);
}

void TReadView::TakeFocus()
{
    setFocus(Qt::MouseFocusReason);
}

bool TReadView::Focused() const
{
    return hasFocus();
}

std::string TReadView::ControlName() const
{
    QString n = objectName();
    return n.isEmpty() ? std::string("ReadView") : n.toStdString();
}

void TReadView::Jump(int id)
{
    if (OnJump)
        OnJump(this, id);
    emit jump(id);
}

void TReadView::RVMouseMove(int id)
{
    if (OnRVMouseMove)
        OnRVMouseMove(this, id);
}

void TReadView::RVMouseDown(rv::TMouseButton b, rv::TShiftState s, int itemNo, int x, int y)
{
    if (OnRVMouseDown)
        OnRVMouseDown(this, QtButton(b), QtModifiers(s), itemNo, x, y);
}

void TReadView::RVMouseUp(rv::TMouseButton b, rv::TShiftState s, int itemNo, int x, int y)
{
    if (OnRVMouseUp)
        OnRVMouseUp(this, QtButton(b), QtModifiers(s), itemNo, x, y);
}

void TReadView::RVRightClick(const std::string &word, int style, int x, int y)
{
    if (OnRVRightClick)
        OnRVRightClick(this, word, style, x, y);
}

void TReadView::RVDblClick(const std::string &word, int style)
{
    if (OnRVDblClick)
        OnRVDblClick(this, word, style);
}

void TReadView::Select()
{
    if (OnSelect)
        OnSelect(this);
}

void TReadView::Copy()
{
    if (OnCopy)
        OnCopy(this);
}

void TReadView::ContextPopup(int x, int y)
{
    ShowPopup(QPoint(x, y));
}
