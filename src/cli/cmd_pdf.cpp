// pdf: paginates a document for a sheet of paper and prints every page into a
// PDF file, the way the print command sends it to a printer. The sheet and
// margins are the ones the study carries in its page parameters, else A4
// portrait with 20 mm margins; --paper/--landscape replace the sheet and
// --margins the margins. --header and --footer print another study at the top
// and bottom of every page.
#include "cli.h"

#include "document/rvf_reader.h"
#include "printing/qt/rv_print_qt.h"
#include "viewer/rv_layoutdata.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <cstdio>
#include <fstream>
#include <string>
#include <tuple>

namespace {

int runPdf(const std::vector<std::string> &args);

const cli::Command kPdf{"pdf",
                        "pdf FILE.rvf OUT.pdf [--margins MM] [--paper A4|Letter|Legal] [--landscape] [--dpi N] "
                        "[--header FILE.rvf] [--footer FILE.rvf]",
                        "paginate a document for a sheet of paper and print it into a PDF", runPdf, true};
QUENLOR_CLI_COMMAND(kPdf);

// Reads a study with its stored layout, background and colour.
bool loadStudy(rv::TRVLayoutData &data, const std::string &file)
{
    rv::TRVLayoutInfo layout;
    rv::TColor color = platform::clNone;
    if (!rv::LoadRVFFromFile(data, file, &layout, &data.Background, &color)) {
        std::fprintf(stderr, "pdf: %s is not a readable RVF document: %s\n", file.c_str(),
                     data.LoadError.Text().c_str());
        return false;
    }
    if (layout.Loaded)
        data.TakeStoredLayout(layout);
    data.Color = color;
    return true;
}

// What the command line asks for.
struct PdfOptions {
    std::vector<std::string> files; // the study and the PDF
    int margins = -1, dpi = 600;
    bool landscape = false, paperGiven = false;
    std::string headerFile, footerFile;
    QPageSize::PageSizeId paper = QPageSize::A4;
};

// Reads the arguments into `o`; 0 when they are sound, else the exit status.
int parseArgs(const std::vector<std::string> &args, PdfOptions &o)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--margins" && hasValue) {
            // Any size a sheet could have; whether text still fits is the pagination's call.
            const long v = cli::parseBounded(args[++i], 0, 2000);
            if (v < 0)
                return cli::usageError(kPdf);
            o.margins = int(v);
        } else if (a == "--dpi" && hasValue) {
            const long v = cli::parseBounded(args[++i], 72, 2400);
            if (v < 0) {
                std::fprintf(stderr, "pdf: --dpi takes a resolution from 72 to 2400\n");
                return 2;
            }
            o.dpi = int(v);
        } else if ((a == "--header" || a == "--footer") && hasValue) {
            (a == "--header" ? o.headerFile : o.footerFile) = args[++i];
        } else if (a == "--paper" && hasValue) {
            o.paperGiven = true;
            const std::string &p = args[++i];
            if (p == "A4")
                o.paper = QPageSize::A4;
            else if (p == "Letter")
                o.paper = QPageSize::Letter;
            else if (p == "Legal")
                o.paper = QPageSize::Legal;
            else {
                std::fprintf(stderr, "pdf: unknown paper %s (A4, Letter or Legal)\n", p.c_str());
                return 2;
            }
        } else if (a == "--landscape") {
            o.landscape = o.paperGiven = true;
        } else if (!a.empty() && a[0] == '-') {
            return cli::usageError(kPdf);
        } else {
            o.files.push_back(a);
        }
    }
    if (o.files.size() != 2)
        return cli::usageError(kPdf);
    for (const std::string &f : {o.files[0], o.headerFile, o.footerFile})
        if (!f.empty() && !std::ifstream(f, std::ios::binary)) {
            std::fprintf(stderr, "pdf: cannot open %s\n", f.c_str());
            return 2;
        }
    return 0;
}

// The study's own page comes first; what the command line says replaces it.
void setUpSheet(rv::TRVPrint &print, QPrinter &printer, const PdfOptions &o, const rv::TRVLayoutData &data)
{
    const std::string warning = print.UseStudyPageSetup(data.DocParameters.get());
    if (!warning.empty())
        std::fprintf(stderr, "pdf: %s: %s\n", o.files[0].c_str(), warning.c_str());
    if (o.margins >= 0)
        print.LeftMarginMM = print.RightMarginMM = print.TopMarginMM = print.BottomMarginMM = o.margins;
    if (o.paperGiven || !print.StudyPaper()) {
        printer.setPageSize(QPageSize(o.paper));
        printer.setPageOrientation(o.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    } else {
        rv::TRVPrint::SetPaper(printer, *print.StudyPaper());
    }
    print.UserPageSetup = true; // Paginate keeps the sheet set here
}

int runPdf(const std::vector<std::string> &args)
{
    PdfOptions o;
    if (const int status = parseArgs(args, o))
        return status;

    rv::TRVStyle style;
    style.LoadReaderDefaults();
    rv::TRVLayoutData data(&style, nullptr);
    if (!loadStudy(data, o.files[0]))
        return 1;
    // Header and footer bring their own style tables: each gets its own sheet.
    rv::TRVStyle headerStyle, footerStyle;
    rv::TRVLayoutData header(&headerStyle, nullptr), footer(&footerStyle, nullptr);
    for (auto [file, doc, st] : {std::tuple{&o.headerFile, &header, &headerStyle}, {&o.footerFile, &footer, &footerStyle}}) {
        st->LoadReaderDefaults();
        if (!file->empty() && !loadStudy(*doc, *file))
            return 1;
    }

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(o.files[1]));
    printer.setResolution(o.dpi);
    printer.setFullPage(true); // a PDF page is printable to its edges

    rv::TRVPrint print(&printer);
    setUpSheet(print, printer, o, data);
    if (!o.headerFile.empty())
        print.SetHeader(&header);
    if (!o.footerFile.empty())
        print.SetFooter(&footer);
    print.AttachData(data);
    const int pages = print.Paginate();
    if (pages <= 0) {
        if (print.LastError() == rv::TRVPrintError::NoRoom)
            std::fprintf(stderr, "pdf: margins of %d/%d/%d/%d mm (left/top/right/bottom) leave no room for text on the "
                                 "page\n",
                         print.LeftMarginMM, print.TopMarginMM, print.RightMarginMM, print.BottomMarginMM);
        else
            std::fprintf(stderr, "pdf: %s has nothing to print\n", o.files[0].c_str());
        return 1;
    }
    if (!print.PrintDocument("Estudio...", 1, false)) {
        std::fprintf(stderr, "pdf: cannot write %s\n", o.files[1].c_str());
        return 1;
    }
    std::printf("pages: %d\n", pages);
    return 0;
}

} // namespace
