#include "printing/rv_print.h"

#include "document/rv_error.h"
#include "document/rv_graphic.h"
#include "viewer/rv_background.h"
#include "viewer/rv_table_layout.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace rv {

using platform::Canvas;
using platform::MulDiv;
using platform::Rect;
using platform::Size;

namespace {

// Forwards everything to another canvas but reports the printer's resolution,
// so fonts chosen for a preview are sized for the printer's pixels and the
// canvas's mapping shrinks them onto the screen. Rules and borders thinner
// than one screen pixel after that shrinking are widened to one, or a small
// zoom would drop them.
class ResolutionCanvas : public Canvas {
public:
    // minW, minH: logical units that make one device pixel. measure: when
    // given, a canvas at the printer's resolution whose character positions
    // every text run keeps, so the preview breaks and fills lines as paper does.
    ResolutionCanvas(Canvas &inner, int dpiX, int dpiY, int minW, int minH, Canvas *measure = nullptr)
        : c(inner), dx(dpiX), dy(dpiY), mw(std::max(1, minW)), mh(std::max(1, minH)), m(measure)
    {
    }
    int dpiX() const override { return dx; }
    int dpiY() const override { return dy; }
    Size deviceSize() const override { return c.deviceSize(); }
    bool isPrinter() const override { return c.isPrinter(); }
    void setFont(const platform::FontDesc &f) override { c.setFont(f); }
    const platform::FontDesc &font() const override { return c.font(); }
    platform::TextMetrics textMetrics() override { return c.textMetrics(); }
    std::optional<platform::OutlineMetrics> outlineMetrics() override { return c.outlineMetrics(); }
    void setCharacterExtra(int e) override { c.setCharacterExtra(e); }
    int characterExtra() const override { return c.characterExtra(); }
    void setTextAlign(uint32_t f) override { c.setTextAlign(f); }
    uint32_t textAlign() const override { return c.textAlign(); }
    Size textExtent(std::u16string_view t) override { return c.textExtent(t); }
    int textFit(std::u16string_view t, int m, std::vector<int> *e) override { return c.textFit(t, m, e); }
    void prefixWidths(std::u16string_view t, std::vector<int> &e) override { c.prefixWidths(t, e); }
    void setTextColor(platform::Color v) override { c.setTextColor(v); }
    platform::Color textColor() const override { return c.textColor(); }
    void setBkColor(platform::Color v) override { c.setBkColor(v); }
    platform::Color bkColor() const override { return c.bkColor(); }
    void setBkMode(platform::BkMode m) override { c.setBkMode(m); }
    platform::BkMode bkMode() const override { return c.bkMode(); }
    void setPen(const platform::Pen &p) override { c.setPen(p); }
    const platform::Pen &pen() const override { return c.pen(); }
    void setBrush(const platform::Brush &b) override { c.setBrush(b); }
    const platform::Brush &brush() const override { return c.brush(); }
    void textOut(int x, int y, std::u16string_view t) override
    {
        // Right-to-left and aligned runs are placed by the canvas itself.
        if (!m || t.size() < 2 || c.textAlign() != 0) {
            c.textOut(x, y, t);
            return;
        }
        // A screen font hinted at a small size is wider or narrower than the
        // printer's: each character goes where the printer puts it, so a
        // run's extent is its printer width and justified lines stay flush.
        m->setFont(c.font());
        m->setCharacterExtra(c.characterExtra());
        pre.clear();
        m->prefixWidths(t, pre);
        if (pre.size() != t.size()) {
            c.textOut(x, y, t);
            return;
        }
        auto joins = [](char16_t ch) {
            return (ch >= 0xDC00 && ch <= 0xDFFF) || (ch >= 0x0300 && ch <= 0x036F) || ch == 0x200D;
        };
        for (size_t i = 0; i < t.size();) {
            size_t j = i + 1;
            while (j < t.size() && joins(t[j]))
                ++j;
            c.textOut(x + (i > 0 ? pre[i - 1] : 0), y, t.substr(i, j - i));
            i = j;
        }
    }
    void fillRect(const Rect &r, platform::Color v) override
    {
        Rect q = r;
        if (q.right > q.left && q.right - q.left < mw)
            q.right = q.left + mw;
        if (q.bottom > q.top && q.bottom - q.top < mh)
            q.bottom = q.top + mh;
        c.fillRect(q, v);
    }
    void rectangle(const Rect &r) override { c.rectangle(r); }
    void moveTo(int x, int y) override { c.moveTo(x, y); }
    void lineTo(int x, int y) override { c.lineTo(x, y); }
    void polygon(std::span<const platform::Point> p) override { c.polygon(p); }
    void polyline(std::span<const platform::Point> p) override { c.polyline(p); }
    void ellipse(const Rect &r) override { c.ellipse(r); }
    void drawFocusRect(const Rect &r) override { c.drawFocusRect(r); }
    int drawTextWrapped(const Rect &r, std::u16string_view t) override { return c.drawTextWrapped(r, t); }
    void drawBitmap(const platform::Bitmap &b, const Rect &r) override { c.drawBitmap(b, r); }
    void save() override { c.save(); }
    void restore() override { c.restore(); }
    void intersectClipRect(const Rect &r) override { c.intersectClipRect(r); }
    Rect clipBox() const override { return c.clipBox(); }
    void setOrigin(platform::Point p) override { c.setOrigin(p); }
    platform::Point origin() const override { return c.origin(); }
    void setMapping(Size w, Size v) override { c.setMapping(w, v); }
    void resetMapping() override { c.resetMapping(); }
    std::unique_ptr<Canvas> createCompatible(int w, int h) override { return c.createCompatible(w, h); }
    void drawCanvas(Canvas &s, int x, int y) override { c.drawCanvas(s, x, y); }

private:
    Canvas &c;
    int dx, dy, mw, mh;
    Canvas *m;
    std::vector<int> pre;
};

// Logical units per device pixel of a mapping from `logical` onto `device`, rounded up.
int UnitsPerPixel(int logical, int device)
{
    return device > 0 ? std::max(1, (logical + device - 1) / device) : 1;
}

// The page background colour turned for the printer.
platform::Color PageColor(platform::Color c, TRVColorMode mode)
{
    switch (mode) {
    case rvcmColor:
        return c;
    case rvcmPrinterColor:
        return TRVStyle::ToPrinterColor(c);
    case rvcmGrayScale:
        return TRVStyle::ToGray(c);
    case rvcmBlackAndWhite:
    case rvcmBlackOnWhite:
        return platform::clWhite;
    }
    return c;
}

// What cutting into pages asks of the laid-out lines: where a line's draw
// items end, the tops and bottoms pages are measured by (paragraph spacing
// included), where a page that overflows at a line may break, and where a
// tall picture may be cut.
class LineGeometry {
public:
    explicit LineGeometry(const TCustomRVFormattedData &data)
        : FLines(data.Lines()), FParas(data.Paras()), FItems(data.Items()), FStyle(*data.GetRVStyle()),
          FRes(data.Resolution()), FDraw(data.DrawItemList())
    {
    }

    int LineCount() const { return int(FLines.size()); }
    int FirstItem(int l) const { return FLines[size_t(l)].FirstDrawItem; }
    int LineEnd(int l) const { return l + 1 < LineCount() ? FirstItem(l + 1) : FDraw.Count(); }
    const TParaInfo &ParaOf(int k) const { return FStyle.ParaStyles[FItems.GetItem(FDraw[k].ItemNo).ParaNo]; }
    // A draw item's bottom with its paragraph's space after.
    int BottomOf(int k) const { return FDraw[k].Bottom() + FRes.Y(ParaOf(k).SpaceAfter); }
    // The smallest top of the line's items, less their paragraph's space before.
    int LineTop(int l) const
    {
        int top = INT_MAX;
        for (int k = FirstItem(l); k < LineEnd(l); ++k)
            top = std::min(top, FDraw[k].Top - FRes.Y(ParaOf(k).SpaceBefore));
        return top == INT_MAX ? FLines[size_t(l)].Top : top;
    }
    int LineBottom(int l) const
    {
        int bottom = INT_MIN;
        for (int k = FirstItem(l); k < LineEnd(l); ++k)
            bottom = std::max(bottom, BottomOf(k));
        return bottom == INT_MIN ? FLines[size_t(l)].Bottom : bottom;
    }

    // The line a page ending at overflowing line l (draw item k) breaks at:
    // back to its paragraph's start when the lines are kept together, and over
    // paragraphs kept with the next; always after the page's first line pl,
    // so every page holds a line and cutting moves on.
    int FindBreak(int l, int k, int pl) const
    {
        int cand = l;
        if (ParaOf(k).Options & bit(rvpaoKeepLinesTogether))
            cand = FParas[size_t(FLines[size_t(l)].Para)].FirstLine;
        while (cand > pl) {
            const int para = FLines[size_t(cand)].Para;
            if (FParas[size_t(para)].FirstLine != cand || para == 0 || !ParaHas(para - 1, rvpaoKeepWithNext))
                break;
            cand = FParas[size_t(para - 1)].FirstLine;
        }
        if (cand <= pl)
            cand = l;
        if (cand <= pl)
            cand = l + 1;
        return cand;
    }

    // A picture allowing it (MinHeightOnPage > 0) is cut at the page's bottom
    // when the piece staying and the piece moving on are both at least that
    // high; a page beginning inside one is always cut again where it ends,
    // so no slice of it is lost. The document y of the cut, or -1.
    int PictureCut(int k, const TRVPageInfo &page, int pageBottom) const
    {
        const auto *pic = dynamic_cast<const TRVRectItemInfo *>(&FItems.GetItem(FDraw[k].ItemNo));
        if (!pic || !pic->HasMinHeightOnPage() || pic->MinHeightOnPage <= 0)
            return -1;
        const TRVDrawLineInfo &d = FDraw[k];
        const int spacing = FRes.Y(pic->Spacing);
        const int picTop = d.Top + spacing, picBottom = d.Bottom() - spacing;
        const bool inside = page.FirstPart > 0 && page.FirstDrawItem == k;
        const int from = inside ? page.PartTop : picTop;
        const int min = std::max(1, FRes.Y(pic->MinHeightOnPage));
        if (pageBottom <= from || pageBottom >= picBottom)
            return -1;
        if (!inside && (pageBottom - from < min || picBottom - pageBottom < min))
            return -1;
        return pageBottom;
    }

private:
    bool ParaHas(int paraRecord, TRVParaOption o) const
    {
        return (FStyle.ParaStyles[FParas[size_t(paraRecord)].ParaNo].Options & bit(o)) != 0;
    }

    const std::vector<TRVLineRecord> &FLines;
    const std::vector<TRVParaRecord> &FParas;
    const TCustomRVData &FItems;
    const TRVStyle &FStyle;
    const TRVResolutionInfo &FRes;
    const TRVDrawLines &FDraw;
};

int TopOf(const TRVPageInfo &p) { return p.FirstPart > 0 ? p.PartTop : p.PageTop; }

} // namespace


std::string PrintErrorText(TRVPrintError e)
{
    switch (e) {
    case TRVPrintError::None: return {};
    case TRVPrintError::NoRoom:
        return "Los márgenes no dejan espacio para el texto en la página. Reduzca los márgenes o elija un papel "
               "más grande.";
    case TRVPrintError::JobNotStarted:
        return "La impresora no aceptó el trabajo de impresión. Compruebe que esté encendida y disponible.";
    case TRVPrintError::JobFailed:
        return "La impresión falló y se canceló el trabajo. Compruebe la impresora e inténtelo de nuevo.";
    }
    return {};
}

// ---------------------------------------------------------------- TRVPageSetup

std::optional<TRVPageSetup> PageSetupOf(const TRVDocParameters &p, int screenPPI, std::string *warning)
{
    if (warning)
        warning->clear();
    const TRVDocParameters d;
    auto same = [](long double a, long double b) { return std::fabs(a - b) <= 1e-9L; };
    // Zoom alone is how the study is shown, not how it prints.
    if (same(p.PageWidth, d.PageWidth) && same(p.PageHeight, d.PageHeight) && same(p.LeftMargin, d.LeftMargin) &&
        same(p.RightMargin, d.RightMargin) && same(p.TopMargin, d.TopMargin) &&
        same(p.BottomMargin, d.BottomMargin) && same(p.HeaderY, d.HeaderY) && same(p.FooterY, d.FooterY) &&
        p.Units == d.Units && p.Orientation == d.Orientation && p.MirrorMargins == d.MirrorMargins)
        return std::nullopt;
    auto refuse = [&](const char *why) -> std::optional<TRVPageSetup> {
        if (warning)
            *warning = std::string("Los parámetros de página del estudio no son válidos (") + why +
                       "); se usan los valores predeterminados.";
        return std::nullopt;
    };
    static const long double kPerInch[] = {1, 2.54L, 25.4L, 6, 0, 72};
    if (p.Units > rvuPoints)
        return refuse("unidad desconocida");
    if (p.Orientation > 1)
        return refuse("orientación desconocida");
    const long double perInch = p.Units == rvuPixels ? (screenPPI > 0 ? screenPPI : 96) : kPerInch[p.Units];
    // Every length in millimetres; NaN and infinities fail the range tests below.
    auto mm = [&](long double v) { return v * 25.4L / perInch; };
    long double w = mm(p.PageWidth), h = mm(p.PageHeight);
    const long double l = mm(p.LeftMargin), r = mm(p.RightMargin), t = mm(p.TopMargin), b = mm(p.BottomMargin);
    const long double hy = mm(p.HeaderY), fy = mm(p.FooterY);
    constexpr long double kMinSheet = 20, kMaxSheet = 5000, kMinText = 10;
    if (!(w >= kMinSheet && w <= kMaxSheet && h >= kMinSheet && h <= kMaxSheet))
        return refuse("tamaño de hoja imposible");
    for (long double v : {l, r, t, b, hy, fy})
        if (!(v >= 0 && v <= kMaxSheet))
            return refuse("margen imposible");
    const bool landscape = p.Orientation == 1;
    if (landscape && w < h)
        std::swap(w, h);
    if (!(l + r <= w - kMinText && t + b <= h - kMinText))
        return refuse("los márgenes no caben en la hoja");
    if (!(hy < h && fy < h))
        return refuse("encabezado o pie fuera de la hoja");
    TRVPageSetup s;
    s.PaperWidthMM = double(w);
    s.PaperHeightMM = double(h);
    s.Landscape = landscape;
    s.LeftMM = int(std::lround(l));
    s.RightMM = int(std::lround(r));
    s.TopMM = int(std::lround(t));
    s.BottomMM = int(std::lround(b));
    s.HeaderYMM = int(std::lround(hy));
    s.FooterYMM = int(std::lround(fy));
    s.Mirror = p.MirrorMargins;
    return s;
}

// ---------------------------------------------------------------- TRVBandPtblRVData

TRVBandPtblRVData::TRVBandPtblRVData(TCustomRVFormattedData &source) : FBand(source)
{
    SetRVStyle(source.GetRVStyle());
    ShareItemsFrom(&source);
}

TRVBandPtblRVData::~TRVBandPtblRVData() { ShareItemsFrom(nullptr); }

int TRVBandPtblRVData::Layout(platform::Canvas &measure, int width)
{
    ClientWidth = std::max(1, width);
    if (!GetRVStyle() || Items().ItemCount() == 0) {
        DropLayout();
        return 0;
    }
    Canvas = &measure;
    FormatItems(false, true, false, &measure);
    Canvas = nullptr;
    return ContentHeight();
}

// ---------------------------------------------------------------- TRVPrinterPage

TRVPrinterPage TRVPrinterPage::FromPaperMM(int widthMM, int heightMM, int dpi)
{
    TRVPrinterPage p;
    p.DpiX = p.DpiY = dpi;
    p.PhysicalWidth = p.PageWidth = MulDiv(widthMM, 5 * dpi, 127);
    p.PhysicalHeight = p.PageHeight = MulDiv(heightMM, 5 * dpi, 127);
    return p;
}

// ---------------------------------------------------------------- TPrintableRVData

int TPrintableRVData::GetLeftMargin() const { return FOwner.FSource ? FOwner.FSource->GetLeftMargin() : 0; }
int TPrintableRVData::GetRightMargin() const { return FOwner.FSource ? FOwner.FSource->GetRightMargin() : 0; }
TRVOptions TPrintableRVData::GetOptions() const
{
    return FOwner.FSource ? FOwner.FSource->GetOptions() : kDefaultViewerOptions;
}
TRVBiDiMode TPrintableRVData::GetBiDiMode() const
{
    return FOwner.FSource ? FOwner.FSource->GetBiDiMode() : rvbdUnspecified;
}
int TPrintableRVData::GetScreenPixelsPerInchX() const
{
    return FOwner.FSource ? FOwner.FSource->GetScreenPixelsPerInchX() : 96;
}
int TPrintableRVData::GetScreenPixelsPerInchY() const
{
    return FOwner.FSource ? FOwner.FSource->GetScreenPixelsPerInchY() : 96;
}
platform::Color TPrintableRVData::GetColor() const
{
    return FOwner.FSource ? FOwner.FSource->GetColor() : platform::clNone;
}
const TRVBackground *TPrintableRVData::GetBackground() const
{
    return FOwner.FSource ? FOwner.FSource->GetBackground() : nullptr;
}

// ---------------------------------------------------------------- TCustomRVPrint

TCustomRVPrint::TCustomRVPrint() : FData(*this) {}

TCustomRVPrint::~TCustomRVPrint()
{
    FData.ShareItemsFrom(nullptr);
}

void TCustomRVPrint::AttachData(TCustomRVFormattedData &source)
{
    FSource = &source;
    FData.SetRVStyle(source.GetRVStyle());
    // The items stay the viewer's: only the layout below is ours.
    FData.ShareItemsFrom(&source);
    FPages.clear();
    // The notes laid out before belong to the document that was attached.
    FNotes.clear();
    FEndnotePieces.clear();
    FEndnotePages = 0;
    FReady = false;
}

std::string TCustomRVPrint::UseStudyPageSetup(const TRVDocParameters *params, int screenPPI)
{
    if (UserPageSetup)
        return {};
    std::string warning;
    const std::optional<TRVPageSetup> s = params ? PageSetupOf(*params, screenPPI, &warning) : std::nullopt;
    if (!s) {
        // Back to what the component had before a study lent it its page.
        if (FOwnSetup) {
            LeftMarginMM = FOwnSetup->LeftMM;
            RightMarginMM = FOwnSetup->RightMM;
            TopMarginMM = FOwnSetup->TopMM;
            BottomMarginMM = FOwnSetup->BottomMM;
            HeaderYMM = FOwnSetup->HeaderYMM;
            FooterYMM = FOwnSetup->FooterYMM;
            MirrorMargins = FOwnSetup->Mirror;
            FOwnSetup.reset();
        }
        FStudyPaper.reset();
        return warning;
    }
    if (!FOwnSetup) {
        TRVPageSetup own;
        own.LeftMM = LeftMarginMM;
        own.RightMM = RightMarginMM;
        own.TopMM = TopMarginMM;
        own.BottomMM = BottomMarginMM;
        own.HeaderYMM = HeaderYMM;
        own.FooterYMM = FooterYMM;
        own.Mirror = MirrorMargins;
        FOwnSetup = own;
    }
    LeftMarginMM = s->LeftMM;
    RightMarginMM = s->RightMM;
    TopMarginMM = s->TopMM;
    BottomMarginMM = s->BottomMM;
    HeaderYMM = s->HeaderYMM;
    FooterYMM = s->FooterYMM;
    MirrorMargins = s->Mirror;
    FStudyPaper = s;
    return {};
}

void TCustomRVPrint::SetHeader(TCustomRVFormattedData *doc)
{
    FHeader = doc ? std::make_unique<TRVBandPtblRVData>(*doc) : nullptr;
    FPages.clear();
    FReady = false;
}

void TCustomRVPrint::SetFooter(TCustomRVFormattedData *doc)
{
    FFooter = doc ? std::make_unique<TRVBandPtblRVData>(*doc) : nullptr;
    FPages.clear();
    FReady = false;
}

int TCustomRVPrint::MMToPixels(int mm, int ppi) { return MulDiv(mm, 5 * ppi, 127); }

int TCustomRVPrint::LeftMargin(int pageNo) const
{
    return MirrorMargins && pageNo % 2 == 0 ? FMirrorLeft : FLeft;
}

int TCustomRVPrint::DocTopMargin() const
{
    return FSource ? FData.Resolution().Y(FSource->GetTopMargin()) : 0;
}

int TCustomRVPrint::DocBottomMargin() const
{
    return FSource ? FData.Resolution().Y(FSource->GetBottomMargin()) : 0;
}

Rect TCustomRVPrint::PageContentRect(int pageNo) const
{
    const int left = LeftMargin(pageNo);
    return Rect{left, FTop, left + ClientWidth(), FTop + ClientHeight()};
}

Rect TCustomRVPrint::PrintableAreaRect() const
{
    return Rect{0, 0, ClientWidth() + FLeft + FRight, ClientHeight() + FTop + FBottom};
}

Rect TCustomRVPrint::UnprintableStripsOnScreen(int screenDpiX, int screenDpiY) const
{
    if (!FPrinter.IsValid())
        return {};
    const TRVPrinterPage &p = FPrinter;
    const int right = p.PhysicalWidth - p.PageWidth - p.OffsetX;
    const int bottom = p.PhysicalHeight - p.PageHeight - p.OffsetY;
    return Rect{MulDiv(p.OffsetX, screenDpiX, p.DpiX), MulDiv(p.OffsetY, screenDpiY, p.DpiY),
                MulDiv(right, screenDpiX, p.DpiX), MulDiv(bottom, screenDpiY, p.DpiY)};
}

Size TCustomRVPrint::PrintableSizeOnScreen(int screenDpiX, int screenDpiY) const
{
    if (!FPrinter.IsValid())
        return {};
    const Rect a = PrintableAreaRect();
    return Size{MulDiv(a.width(), screenDpiX, FPrinter.DpiX), MulDiv(a.height(), screenDpiY, FPrinter.DpiY)};
}

void TCustomRVPrint::ComputeGeometry(Canvas &measure)
{
    const TRVPrinterPage &p = FPrinter;
    const int stripL = p.OffsetX, stripT = p.OffsetY;
    const int stripR = p.PhysicalWidth - p.PageWidth - stripL;
    const int stripB = p.PhysicalHeight - p.PageHeight - stripT;
    FLeft = MMToPixels(LeftMarginMM, p.DpiX) - stripL;
    FTop = MMToPixels(TopMarginMM, p.DpiY) - stripT;
    FRight = MMToPixels(RightMarginMM, p.DpiX) - stripR;
    FBottom = MMToPixels(BottomMarginMM, p.DpiY) - stripB;
    FMirrorLeft = MMToPixels(RightMarginMM, p.DpiX) - stripL;
    if (FixMarginsMode == rvfmmAutoCorrect) {
        if (FLeft < 0) {
            FRight += FLeft;
            FLeft = 0;
        }
        if (FTop < 0) {
            FBottom += FTop;
            FTop = 0;
        }
        FRight = std::max(FRight, 0);
        FBottom = std::max(FBottom, 0);
        FMirrorLeft = std::max(FMirrorLeft, 0);
    }
    // Header and footer take the text width; the margins grow to hold them.
    FHeaderTop = FFooterTop = 0;
    const int width = p.PageWidth - FLeft - FRight;
    if (width > 0 && FHeader) {
        const int h = FHeader->Layout(measure, width);
        FHeaderTop = std::max(0, MMToPixels(HeaderYMM, p.DpiY) - stripT);
        FTop = std::max(FTop, FHeaderTop + h);
    }
    if (width > 0 && FFooter) {
        const int h = FFooter->Layout(measure, width);
        const int above = std::max(0, MMToPixels(FooterYMM, p.DpiY) - stripB);
        FFooterTop = p.PageHeight - above - h;
        FBottom = std::max(FBottom, h + above);
    }
    FData.ClientWidth = p.PageWidth - FLeft - FRight;
    FData.ClientHeight = p.PageHeight - FTop - FBottom;
}

int TCustomRVPrint::PaginateOn(Canvas &measure, const TRVPrinterPage &page)
{
    FCounter = FCounter + 1 == 10000 ? 0 : FCounter + 1;
    FReady = false;
    FPages.clear();
    FNotes.clear();
    FEndnotePieces.clear();
    FEndnotePages = 0;
    if (OnFormatting)
        OnFormatting(FData, 0, 0);
    FPrinter = page;
    FError = TRVPrintError::None;
    FErrorDetail.clear();
    FMeasure.reset();
    if (!FSource || !page.IsValid())
        return 0;
    ComputeGeometry(measure);
    // Margins that leave no room for text are refused: a layout of negative
    // width, or a page of negative height, would cut thousands of pages.
    if (FData.ClientWidth < 1 || FData.ClientHeight - DocTopMargin() - DocBottomMargin() < 1) {
        FError = TRVPrintError::NoRoom;
        return 0;
    }
    if (!FData.GetRVStyle())
        throw EReadViewError("Style of printable TReadView component is not assigned");
    FData.Canvas = &measure;
    FData.FormatItems(false, true, false, &measure);
    LayoutNotes(measure);
    FData.Canvas = nullptr; // the measuring canvas may not outlive this call
    FMeasure = measure.createCompatible(1, 1);
    CutPages();
    PlaceEndnotes();
    if (OnFormatting)
        OnFormatting(FData, PageCount(), 2);
    FReady = true;
    return PageCount();
}

// Cuts the formatted document into pages: walks its lines and ends a page at
// a page break, before a line that does not fit, or inside a picture or table.
class PageCutter {
public:
    PageCutter(TCustomRVPrint &print, const LineGeometry &geo, int avail) : p_(print), geo_(geo), avail_(avail) {}
    void Run();

private:
    // Where line l ends the page: before line breakLine, or inside draw item
    // cutItem at document y cutY (-1: the line fits).
    struct LineCut {
        int breakLine = -1, cutItem = -1, cutY = -1;
    };
    LineCut ScanLine(int l);
    // Ends the page inside a picture or table; the next one begins with its next part.
    void CutInside(int l, int cutItem, int cutY);
    // Ends the page being cut (its content reaching document y `bottom`) and
    // starts the next one at `next`.
    void EndPage(int bottom, const TRVPageInfo &next);
    // A footnote goes where its reference goes: off a page the reference leaves.
    void DropNotesFrom(int drawNo)
    {
        std::erase_if(page_.Footnotes, [&](int itemNo) { return p_.FData.FirstDrawItemOf(itemNo) >= drawNo; });
    }
    int PageBottom() const { return TopOf(page_) + avail_ - reserve_ - noteSpace_; }

    TCustomRVPrint &p_;
    const LineGeometry &geo_;
    const int avail_;
    TRVPageInfo page_;
    // Room the page's footnotes take at its bottom, and the band of a table
    // it continues repeated at its top.
    int noteSpace_ = 0, reserve_ = 0;
    int firstLine_ = 0; // the page's first line
};

void PageCutter::EndPage(int bottom, const TRVPageInfo &next)
{
    page_.ContentHeight = bottom - TopOf(page_) + reserve_;
    p_.FPages.push_back(page_);
    if (p_.OnFormatting)
        p_.OnFormatting(p_.FData, p_.PageCount(), 1);
    page_ = next;
    noteSpace_ = 0;
    reserve_ = next.FirstPart > 0 ? p_.RepeatedTableBand(page_) : 0;
}

PageCutter::LineCut PageCutter::ScanLine(int l)
{
    const TCustomRVData &items = p_.FData.Items();
    const TRVDrawLines &draw = p_.FData.DrawItemList();
    const int from = page_.FirstPart > 0 && p_.FData.LineOfDrawItem(page_.FirstDrawItem) == l ? page_.FirstDrawItem
                                                                                               : geo_.FirstItem(l);
    LineCut cut;
    for (int k = from; k < geo_.LineEnd(l); ++k) {
        const TRVDrawLineInfo &d = draw[k];
        const bool itemStarts = p_.FData.FirstDrawItemOf(d.ItemNo) == k;
        if (l > firstLine_ && itemStarts && (items.GetItem(d.ItemNo).ItemOptions & ioPageBreakBefore)) {
            cut.breakLine = l;
            return cut;
        }
        if (itemStarts)
            if (const TRVNotePtblData *fn = p_.FootnoteOf(d.ItemNo)) {
                noteSpace_ += fn->Height() + (page_.Footnotes.empty() ? p_.FSeparatorSpace : 0);
                page_.Footnotes.push_back(d.ItemNo);
            }
        const bool over = PageBottom() < geo_.BottomOf(k);
        if (over || p_.FData.TableLayoutOf(d.ItemNo)) {
            int cutY = over ? geo_.PictureCut(k, page_, PageBottom()) : -1;
            if (cutY < 0)
                cutY = p_.TableCut(k, page_, PageBottom(), over, l == firstLine_);
            if (cutY >= 0) {
                cut.cutItem = k;
                cut.cutY = cutY;
                return cut;
            }
            if (over) {
                cut.breakLine = geo_.FindBreak(l, k, firstLine_);
                return cut;
            }
        }
    }
    return cut;
}

void PageCutter::CutInside(int l, int cutItem, int cutY)
{
    DropNotesFrom(cutItem + 1);
    TRVPageInfo next;
    next.PageTop = geo_.LineTop(l);
    next.FirstDrawItem = cutItem;
    next.FirstPart = page_.FirstPart > 0 && page_.FirstDrawItem == cutItem ? page_.FirstPart + 1 : 1;
    next.PartTop = cutY;
    // A table's part ends with its last whole row (or line) and its bottom edge.
    const TRVTableLayout *tl = p_.FData.TableLayoutOf(p_.FData.DrawItemList()[cutItem].ItemNo);
    const int end = tl ? p_.TablePartEnd(next) : cutY;
    const int edge = tl && !tl->RowTop.empty() ? tl->Height - (tl->RowTop.back() + tl->RowHeight.back()) : 0;
    EndPage(end + edge, next);
}

void PageCutter::Run()
{
    const int nLines = geo_.LineCount();
    for (int l = 0; l < nLines;) {
        const LineCut cut = ScanLine(l);
        if (cut.cutItem >= 0) {
            CutInside(l, cut.cutItem, cut.cutY);
            firstLine_ = l;
            continue;
        }
        if (cut.breakLine < 0 || cut.breakLine >= nLines) {
            ++l;
            continue;
        }
        DropNotesFrom(geo_.FirstItem(cut.breakLine));
        TRVPageInfo next;
        next.PageTop = geo_.LineTop(cut.breakLine);
        next.FirstDrawItem = geo_.FirstItem(cut.breakLine);
        EndPage(geo_.LineBottom(cut.breakLine - 1), next);
        firstLine_ = l = cut.breakLine;
    }
    EndPage(geo_.LineBottom(nLines - 1), TRVPageInfo{});
}

void TCustomRVPrint::CutPages()
{
    const LineGeometry geo(FData);
    if (geo.LineCount() == 0 || FData.DrawItemList().Count() == 0)
        return;
    if (OnFormatting)
        OnFormatting(FData, 0, 1);
    PageCutter(*this, geo, ClientHeight() - DocTopMargin() - DocBottomMargin()).Run();
    MarkSourceBreaks();
}

void TCustomRVPrint::MarkSourceBreaks()
{
    // The viewer shows where pages break: the top of the screen line holding
    // the same character as each page's first piece.
    if (!FSource)
        return;
    std::vector<int> &marks = FSourceBreaks;
    marks.clear();
    const TRVDrawLines &screen = FSource->DrawItemList();
    const TRVDrawLines &print = FData.DrawItemList();
    for (size_t i = 1; i < FPages.size(); ++i) {
        if (FPages[i].FirstPart > 0)
            continue; // a picture going on over the break: the viewer has no line there
        const TRVDrawLineInfo &d = print[FPages[i].FirstDrawItem];
        const int first = FSource->FirstDrawItemOf(d.ItemNo);
        if (first < 0 || first >= screen.Count())
            continue;
        int k = first;
        while (k + 1 < screen.Count() && screen[k + 1].ItemNo == d.ItemNo && screen[k + 1].FirstChar <= d.FirstChar)
            ++k;
        const int line = FSource->LineOfDrawItem(k);
        if (line >= 0 && line < int(FSource->Lines().size()))
            marks.push_back(FSource->Lines()[size_t(line)].Top);
    }
}

void TCustomRVPrint::DrawPage(int pageNo, Canvas &canvas, bool preview, bool /*correction*/)
{
    if (!FReady || pageNo < 1 || pageNo > PageCount())
        return;
    const Rect content = PageContentRect(pageNo);
    const Rect area = PrintableAreaRect();
    if (OnPagePrepaint)
        OnPagePrepaint(*this, pageNo, canvas, preview, content, area);
    DrawBands(canvas, pageNo);
    {
        platform::CanvasSaver saver(canvas);
        if (ClipMargins)
            canvas.intersectClipRect(content);
        if (!FData.GetRVStyle())
            throw EReadViewError("Style of printable TReadView component is not assigned");

        DrawPageBackground(canvas, content);

        if (pageNo <= int(FPages.size())) {
            const std::unordered_map<int, std::string> labels = PageNoteLabels(pageNo);
            DrawPageText(pageNo, canvas, content, area, labels);
            DrawFootnotes(pageNo, canvas, labels);
        }
        DrawEndnotes(pageNo, canvas);
    }
    if (OnPagePostpaint)
        OnPagePostpaint(*this, pageNo, canvas, preview, content, area);
}

// The page's own lines: from its first line (or the part of a cut picture or
// table it begins with) down to where the next page begins.
void TCustomRVPrint::DrawPageText(int pageNo, Canvas &canvas, const Rect &content, const Rect &area,
                                  const std::unordered_map<int, std::string> &labels)
{
    // A page going on with a table shows the table's repeated band (its top
    // edge and heading rows) first; everything else on it sits that much lower.
    const TRVPageInfo &pg = FPages[size_t(pageNo - 1)];
    const TRVPageInfo *next = pageNo < int(FPages.size()) ? &FPages[size_t(pageNo)] : nullptr;
    const auto &lines = FData.Lines();
    const int reserve = RepeatedTableBand(pg);
    const int pageTop = pg.FirstPart > 0 ? pg.PartTop : pg.PageTop;
    const int first = FData.LineOfDrawItem(pg.FirstDrawItem);
    const int docTop = pg.FirstPart > 0 ? pg.PartTop : lines[size_t(first)].Top;
    int docBottom = INT_MAX / 2;
    if (next)
        docBottom = next->FirstPart > 0 ? next->PartTop
                                        : lines[size_t(FData.LineOfDrawItem(next->FirstDrawItem))].Top;
    const int xOffs = -content.left;
    const int yOffs = pageTop - content.top - DocTopMargin() - reserve;
    const int avail = ClientHeight() - DocTopMargin() - DocBottomMargin();
    DrawTableEdges(pageNo, canvas, xOffs, yOffs, reserve, true);
    {
        platform::CanvasSaver saver(canvas);
        // A cut picture, or a line taller than the page, stops at the page's
        // text area instead of running over the margins and off the sheet.
        // A table cut between rows ends the page after its last whole row.
        if (pg.FirstPart > 0 || (next && next->FirstPart > 0) || pg.ContentHeight > avail) {
            int clipBottom = content.top + DocTopMargin() + avail;
            if (next && next->FirstPart > 0) {
                const bool table = FData.TableLayoutOf(FData.DrawItemList()[next->FirstDrawItem].ItemNo) != nullptr;
                clipBottom = std::min(clipBottom, (table ? TablePartEnd(*next) : docBottom) - yOffs);
            }
            canvas.intersectClipRect(Rect{0, content.top + DocTopMargin() + reserve, area.right, clipBottom});
        }
        TRVPaintOptions how;
        how.Printing = true;
        how.ColorMode = ColorMode;
        // Paper shows none of the viewer's interaction state.
        how.HideInteraction = true;
        // Frames of paragraphs running over the page's edges end at them.
        how.CutTop = pg.FirstDrawItem == 0 && pg.FirstPart == 0 ? INT_MIN : pageTop;
        how.CutBottom = next ? std::min(docBottom, pageTop + avail) : INT_MAX;
        how.LabelTexts = &labels;
        FData.DrawItems(canvas, Rect{0, docTop - yOffs, area.right, docBottom - yOffs}, xOffs, yOffs, how);
    }
    DrawTableEdges(pageNo, canvas, xOffs, yOffs, reserve, false);
}

void TCustomRVPrint::DrawBands(Canvas &canvas, int pageNo)
{
    const int left = LeftMargin(pageNo);
    const int right = PrintableAreaRect().right;
    auto draw = [&](TRVBandPtblRVData *band, int top) {
        if (!band || band->Height() <= 0 || band->DrawItemList().Count() == 0)
            return;
        band->DrawItems(canvas, Rect{0, top, right, top + band->Height()}, -left, -top, true, false, ColorMode);
    };
    draw(FHeader.get(), FHeaderTop);
    draw(FFooter.get(), FFooterTop);
}

namespace {

// A grey copy of a picture (its transparency kept), for grey-scale printing.
platform::Bitmap greyCopy(const platform::Bitmap &image)
{
    platform::Bitmap grey = image;
    for (int y = 0; y < grey.height(); ++y)
        for (int x = 0; x < grey.width(); ++x) {
            const uint32_t px = grey.pixel(x, y);
            const uint32_t v = TRVStyle::ToGray(platform::rgb((px >> 16) & 0xFF, (px >> 8) & 0xFF, px & 0xFF)) & 0xFF;
            grey.setPixel(x, y, (px & 0xFF000000u) | v << 16 | v << 8 | v);
        }
    return grey;
}

// Where a single background picture goes in the content, given the room
// left beside it (freeX, freeY); nothing for a style that draws no single copy.
std::optional<platform::Point> placedCorner(TBackgroundStyle style, int freeX, int freeY)
{
    switch (style) {
    case bsCentered: return platform::Point{freeX / 2, freeY / 2};
    case bsTopLeft: return platform::Point{0, 0};
    case bsTopRight: return platform::Point{freeX, 0};
    case bsBottomLeft: return platform::Point{0, freeY};
    case bsBottomRight: return platform::Point{freeX, freeY};
    default: return std::nullopt;
    }
}

} // namespace

void TCustomRVPrint::DrawPageBackground(Canvas &canvas, const Rect &content)
{
    const TRVBackground *bg = FData.GetBackground();
    const platform::Color color = FData.BackgroundColor();
    // Black-on-white and black-and-white print on plain paper.
    const bool picture = bg && BackgroundVisible(*bg) && ColorMode != rvcmBlackAndWhite &&
                         ColorMode != rvcmBlackOnWhite;
    if (!(picture && BackgroundCoversAll(*bg)) && !TransparentBackground && color != platform::clNone)
        canvas.fillRect(content, PageColor(color, ColorMode));
    if (!picture)
        return;
    const TRVGraphic &g = *bg->Bitmap;
    // The picture's size is in screen pixels: on paper it keeps its size in inches.
    const TRVResolutionInfo &res = FData.Resolution();
    const int w = std::max(1, res.X(g.Width())), h = std::max(1, res.Y(g.Height()));
    std::optional<platform::Bitmap> grey;
    if (ColorMode == rvcmGrayScale && g.Image() && !g.Transparent)
        grey = greyCopy(*g.Image());
    auto put = [&](const Rect &r) {
        if (grey)
            canvas.drawBitmap(*grey, r);
        else
            g.Draw(canvas, r);
    };
    platform::CanvasSaver saver(canvas);
    canvas.intersectClipRect(content);
    const int cw = content.width(), ch = content.height();
    switch (bg->Style) {
    case bsStretched:
        put(content);
        return;
    case bsTiled:
    case bsTiledAndScrolled: {
        // Paper does not scroll: tiles start at the content's corner. A tiny
        // picture on a large sheet would mean millions of tiles: stretched instead.
        const int64_t cols = (cw + w - 1) / w, rows = (ch + h - 1) / h;
        if (cols * rows > 20000) {
            put(content);
            return;
        }
        for (int y = content.top; y < content.bottom; y += h)
            for (int x = content.left; x < content.right; x += w)
                put(Rect{x, y, x + w, y + h});
        return;
    }
    default:
        if (const std::optional<platform::Point> at = placedCorner(bg->Style, cw - w, ch - h))
            put(Rect{content.left + at->x, content.top + at->y, content.left + at->x + w, content.top + at->y + h});
    }
}

void TCustomRVPrint::DrawPreview(int pageNo, Canvas &canvas, const Rect &r)
{
    if (r.isEmpty())
        return;
    canvas.fillRect(r, platform::clWhite);
    const Rect area = PrintableAreaRect();
    if (!FReady || area.isEmpty())
        return;
    platform::CanvasSaver saver(canvas);
    canvas.intersectClipRect(r);
    canvas.setMapping(Size{area.width(), area.height()}, Size{r.width(), r.height()});
    canvas.setOrigin({r.left, r.top});
    ResolutionCanvas printerLike(canvas, FPrinter.DpiX, FPrinter.DpiY, UnitsPerPixel(area.width(), r.width()),
                                 UnitsPerPixel(area.height(), r.height()),
                                 PreviewCorrection ? FMeasure.get() : nullptr);
    DrawPage(pageNo, printerLike, true, PreviewCorrection);
}

void TCustomRVPrint::DrawMarginsRect(Canvas &canvas, const Rect &r, int pageNo)
{
    const Rect area = PrintableAreaRect();
    if (area.width() < 1 || area.height() < 1)
        return;
    const int left = LeftMargin(pageNo);
    const Rect m{r.left + MulDiv(left, r.width(), area.width()), r.top + MulDiv(FTop, r.height(), area.height()),
                 r.left + MulDiv(left + ClientWidth(), r.width(), area.width()),
                 r.top + MulDiv(FTop + ClientHeight(), r.height(), area.height())};
    platform::CanvasSaver saver(canvas);
    canvas.setBrush({canvas.brush().color, platform::BrushStyle::Clear});
    canvas.rectangle(m);
}

bool TCustomRVPrint::PrintPages(int first, int last, const std::string &title, int copies, bool collate,
                                TRVPrintJob &job)
{
    FError = TRVPrintError::None;
    FErrorDetail.clear();
    // A range reaching past the document prints the pages there are.
    first = std::max(first, 1);
    last = std::min(last, PageCount());
    if (last < first || copies < 1 || !FReady)
        return true;
    if (OnSendingToPrinter)
        OnSendingToPrinter(FData, 0, 0);
    job.SetTitle(title);
    const int savedCopies = job.Copies();
    const bool savedCollate = job.Collate();
    int programCopies = copies;
    if (job.CanCopy() && collate) {
        job.SetCopies(copies);
        job.SetCollate(true);
        programCopies = 1;
    } else {
        job.SetCopies(1);
        job.SetCollate(false);
    }
    // The printer's settings go back as they were on every way out.
    auto restore = [&] {
        job.SetCopies(savedCopies);
        job.SetCollate(savedCollate);
    };
    Canvas *canvas = job.BeginDoc();
    if (!canvas) {
        restore();
        FError = TRVPrintError::JobNotStarted;
        return false;
    }
    auto fail = [&](const std::string &detail) {
        job.Abort();
        restore();
        FError = TRVPrintError::JobFailed;
        FErrorDetail = detail;
        return false;
    };
    try {
        for (int i = 0, n = (last - first + 1) * programCopies; i < n; ++i) {
            // Collated: every page of a copy, then the next copy; else each page's copies together.
            const int page = collate ? first + i % (last - first + 1) : first + i / programCopies;
            DrawPage(page, *canvas, false, false);
            if (OnSendingToPrinter)
                OnSendingToPrinter(FData, page, 1);
            if (i + 1 < n && !job.NewPage())
                return fail({});
        }
    } catch (const std::exception &e) {
        return fail(e.what());
    }
    if (!job.EndDoc()) {
        restore();
        FError = TRVPrintError::JobFailed;
        return false;
    }
    restore();
    if (OnSendingToPrinter)
        OnSendingToPrinter(FData, 0, 2);
    return true;
}

} // namespace rv
