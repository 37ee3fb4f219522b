// TRVPrint: the printing component on a QPrinter. Pagination measures text at
// the printer's resolution and PrintDocument paints every page through a
// QPainter on the printer.
#pragma once
#include "printing/rv_print.h"

#include <QString>
#include <memory>

class QPrinter;
class QPageLayout;

namespace rv {

class TRVPrint : public TCustomRVPrint {
public:
    // printer: the printer to use (not owned); nullptr makes one for the system's default printer.
    explicit TRVPrint(QPrinter *printer = nullptr);
    ~TRVPrint() override;

    QPrinter &Printer() { return *FPrinter; }
    // False when there is no usable printer (no printer installed, or a
    // native printer without a name).
    bool HasPrinter() const;

    // Paginates for the printer's current paper and resolution; without a
    // usable printer, for an A4 sheet at 600 dpi (DefaultPage), so the preview
    // works. Unless UserPageSetup, the paper the study asks for (StudyPaper)
    // is put on the printer first, and the printer's own paper comes back
    // for a study that asks for none.
    int Paginate();
    // Puts the study's paper on the printer (or the printer's own back), as
    // Paginate does first; for dialogs that show the printer's page.
    void ApplyStudyPaper();
    // Prints all pages. False when the job could not start or failed
    // (LastError tells which; the job is aborted).
    bool PrintDocument(const QString &title, int copies, bool collate);
    bool PrintPages(int first, int last, const QString &title, int copies, bool collate);

    // The printer's paper as the engine sees it (printer pixels).
    static TRVPrinterPage PageOf(const QPrinter &printer);
    static TRVPrinterPage DefaultPage(const TRVPageSetup *paper = nullptr);
    // Puts a sheet size and orientation on a printer (a standard size when it
    // is one, within a millimetre).
    static void SetPaper(QPrinter &printer, const TRVPageSetup &paper);

private:
    std::unique_ptr<QPrinter> FOwnPrinter;
    QPrinter *FPrinter;
    std::unique_ptr<QPageLayout> FOwnLayout; // the printer's page while a study's is on it
};

} // namespace rv
