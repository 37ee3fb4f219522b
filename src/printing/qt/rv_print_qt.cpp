#include "printing/qt/rv_print_qt.h"

#include "platform/qt_canvas.h"

#include <QPageLayout>
#include <QPainter>
#include <QPrinter>

#include <algorithm>

namespace rv {

namespace {

// The print job on a QPrinter: one QPainter from BeginDoc to EndDoc.
class QtPrintJob : public TRVPrintJob {
public:
    explicit QtPrintJob(QPrinter &printer) : P(printer) {}
    ~QtPrintJob() override
    {
        // Every way out ends the job: a painter still open is aborted.
        if (Painter.isActive())
            Abort();
    }
    void SetTitle(const std::string &title) override { P.setDocName(QString::fromStdString(title)); }
    bool CanCopy() const override { return P.supportsMultipleCopies(); }
    int Copies() const override { return P.copyCount(); }
    // The printer takes no settings while a job is open; they are set before
    // BeginDoc and put back after EndDoc or Abort.
    void SetCopies(int copies) override
    {
        if (P.printerState() != QPrinter::Active)
            P.setCopyCount(copies);
    }
    bool Collate() const override { return P.collateCopies(); }
    void SetCollate(bool c) override
    {
        if (P.printerState() != QPrinter::Active)
            P.setCollateCopies(c);
    }
    platform::Canvas *BeginDoc() override
    {
        if (P.printerState() == QPrinter::Active || !Painter.begin(&P)) {
            if (Painter.isActive())
                Painter.end();
            return nullptr;
        }
        Canvas = std::make_unique<platform::QtCanvas>(&Painter, &P, true);
        return Canvas.get();
    }
    bool NewPage() override { return P.newPage() && P.printerState() != QPrinter::Error; }
    bool EndDoc() override
    {
        Canvas.reset();
        const bool ok = Painter.end() && P.printerState() != QPrinter::Error;
        return ok;
    }
    void Abort() override
    {
        Canvas.reset();
        P.abort();
        if (Painter.isActive())
            Painter.end();
    }

private:
    QPrinter &P;
    QPainter Painter;
    std::unique_ptr<platform::QtCanvas> Canvas;
};

} // namespace

TRVPrint::TRVPrint(QPrinter *printer)
{
    if (!printer) {
        FOwnPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer = FOwnPrinter.get();
    }
    FPrinter = printer;
}

TRVPrint::~TRVPrint() = default;

bool TRVPrint::HasPrinter() const
{
    if (!FPrinter->isValid())
        return false;
    return FPrinter->outputFormat() == QPrinter::PdfFormat || !FPrinter->printerName().isEmpty();
}

TRVPrinterPage TRVPrint::PageOf(const QPrinter &printer)
{
    TRVPrinterPage p;
    const int dpi = printer.resolution();
    if (dpi <= 0)
        return p;
    const QPageLayout layout = printer.pageLayout();
    const QRect full = layout.fullRectPixels(dpi);
    // The painter's origin is the paper's corner in full-page mode, else the printable area's.
    const QRect paint = printer.fullPage() ? full : layout.paintRectPixels(dpi);
    p.DpiX = p.DpiY = dpi;
    p.PhysicalWidth = full.width();
    p.PhysicalHeight = full.height();
    p.OffsetX = paint.x() - full.x();
    p.OffsetY = paint.y() - full.y();
    p.PageWidth = paint.width();
    p.PageHeight = paint.height();
    return p;
}

void TRVPrint::SetPaper(QPrinter &printer, const TRVPageSetup &paper)
{
    // QPageSize wants the portrait size; the orientation turns it.
    const qreal w = std::min(paper.PaperWidthMM, paper.PaperHeightMM);
    const qreal h = std::max(paper.PaperWidthMM, paper.PaperHeightMM);
    printer.setPageSize(QPageSize(QSizeF(w, h), QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch));
    const bool landscape = paper.PaperWidthMM > paper.PaperHeightMM;
    printer.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
}

void TRVPrint::ApplyStudyPaper()
{
    if (!UserPageSetup && HasPrinter()) {
        if (StudyPaper()) {
            if (!FOwnLayout)
                FOwnLayout = std::make_unique<QPageLayout>(FPrinter->pageLayout());
            SetPaper(*FPrinter, *StudyPaper());
        } else if (FOwnLayout) {
            FPrinter->setPageLayout(*FOwnLayout);
            FOwnLayout.reset();
        }
    }
}

int TRVPrint::Paginate()
{
    ApplyStudyPaper();
    const bool study = !UserPageSetup && StudyPaper();
    const TRVPrinterPage page = HasPrinter() ? PageOf(*FPrinter) : DefaultPage(study ? &*StudyPaper() : nullptr);
    // Text is measured on a tiny image at the printer's resolution: a painter on
    // the printer itself would already start a job.
    platform::QtCanvas measure(1, 1, page.DpiX > 0 ? page.DpiX : 96);
    return PaginateOn(measure, page);
}

TRVPrinterPage TRVPrint::DefaultPage(const TRVPageSetup *paper)
{
    // A4 at 600 dpi, as the PDF printer lays it out: the preview still shows
    // how the study will print on a machine that has no printer yet.
    QPrinter pdf(QPrinter::HighResolution);
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setResolution(600);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    if (paper)
        SetPaper(pdf, *paper);
    return PageOf(pdf);
}

bool TRVPrint::PrintDocument(const QString &title, int copies, bool collate)
{
    return PrintPages(1, PageCount(), title, copies, collate);
}

bool TRVPrint::PrintPages(int first, int last, const QString &title, int copies, bool collate)
{
    if (!Ready() || !HasPrinter())
        return false;
    QtPrintJob job(*FPrinter);
    return TCustomRVPrint::PrintPages(first, last, title.toStdString(), copies, collate, job);
}

} // namespace rv
