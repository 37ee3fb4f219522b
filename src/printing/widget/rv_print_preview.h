// TRVPrintPreview: the preview control showing the pages of a printing
// component, optionally through a cached picture of the current page.
#pragma once
#include "printing/rv_print.h"
#include "printing/widget/print_preview.h"

#include <memory>

class TRVPrintPreview : public TCustomRVPrintPreview {
    Q_OBJECT
public:
    explicit TRVPrintPreview(QWidget *parent = nullptr);
    ~TRVPrintPreview() override;

    rv::TCustomRVPrint *RVPrint() const { return FRVPrint; }
    // Shows that component's pages (nullptr: none) and refits the zoom. A page
    // number left over from a longer document is brought into range.
    void SetRVPrint(rv::TCustomRVPrint *print);

    // Keeps a picture of the shown page so that scrolling does not draw the
    // document again; a new page, pagination or size draws it anew.
    bool CachePageImage = false;
    // Pictures larger than this many pixels are not kept (drawn directly).
    static constexpr long long kMaxCachedPixels = 4096LL * 4096LL;

    bool SourceReady() const override;
    int SourcePageCount() const override;
    QSize SourcePrintableSize() const override;
    platform::Rect SourceUnprintableStrips() const override;
    void SourceDrawPage(int pageNo, platform::Canvas &canvas, const platform::Rect &r) override;
    void SourceDrawMargins(platform::Canvas &canvas, const platform::Rect &r, int pageNo) override;

private:
    rv::TCustomRVPrint *FRVPrint = nullptr;
    std::unique_ptr<platform::Canvas> FCache;
    int FCachePage = 0, FCacheCounter = -1;
};
