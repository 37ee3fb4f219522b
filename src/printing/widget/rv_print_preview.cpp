#include "printing/widget/rv_print_preview.h"

#include <algorithm>

TRVPrintPreview::TRVPrintPreview(QWidget *parent) : TCustomRVPrintPreview(parent) {}

TRVPrintPreview::~TRVPrintPreview() = default;

void TRVPrintPreview::SetRVPrint(rv::TCustomRVPrint *print)
{
    FRVPrint = print;
    FCache.reset();
    // A shorter document than the last one would otherwise show an empty
    // sheet until the reader navigates.
    if (SourceReady() && PageNo() > SourcePageCount())
        SetPageNo(std::max(1, SourcePageCount()));
    Fitting();
    viewport()->update();
    if (OnPageChanged)
        OnPageChanged(this); // same number, other pages
}

bool TRVPrintPreview::SourceReady() const
{
    return FRVPrint && FRVPrint->Ready() && FRVPrint->PrinterPage().IsValid();
}

int TRVPrintPreview::SourcePageCount() const
{
    return FRVPrint ? FRVPrint->PageCount() : 0;
}

QSize TRVPrintPreview::SourcePrintableSize() const
{
    const auto &d = FRVPrint->PrintData();
    const platform::Size s =
        FRVPrint->PrintableSizeOnScreen(d.GetScreenPixelsPerInchX(), d.GetScreenPixelsPerInchY());
    return {s.cx, s.cy};
}

platform::Rect TRVPrintPreview::SourceUnprintableStrips() const
{
    const auto &d = FRVPrint->PrintData();
    return FRVPrint->UnprintableStripsOnScreen(d.GetScreenPixelsPerInchX(), d.GetScreenPixelsPerInchY());
}

void TRVPrintPreview::SourceDrawPage(int pageNo, platform::Canvas &canvas, const platform::Rect &r)
{
    const long long pixels = (long long)r.width() * r.height();
    if (!CachePageImage || pixels <= 0 || pixels > kMaxCachedPixels) {
        FCache.reset();
        FRVPrint->DrawPreview(pageNo, canvas, r);
        return;
    }
    const platform::Size size = FCache ? FCache->deviceSize() : platform::Size{};
    if (!FCache || FCachePage != pageNo || FCacheCounter != FRVPrint->PaginationCounter() || size.cx != r.width() ||
        size.cy != r.height()) {
        FCache = canvas.createCompatible(r.width(), r.height());
        FRVPrint->DrawPreview(pageNo, *FCache, {0, 0, r.width(), r.height()});
        FCachePage = pageNo;
        FCacheCounter = FRVPrint->PaginationCounter();
    }
    canvas.drawCanvas(*FCache, r.left, r.top);
}

void TRVPrintPreview::SourceDrawMargins(platform::Canvas &canvas, const platform::Rect &r, int pageNo)
{
    FRVPrint->DrawMarginsRect(canvas, r, pageNo);
}
