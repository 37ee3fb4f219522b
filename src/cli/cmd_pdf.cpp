// pdf: paginates a document for a sheet of paper (A4 portrait at 600 dpi
// unless told otherwise) and prints every page into a PDF file, the way the
// print command sends it to a printer.
#include "cli.h"

#include "document/rvf_reader.h"
#include "printing/qt/rv_print_qt.h"
#include "viewer/rv_layoutdata.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

int runPdf(const std::vector<std::string> &args);

const cli::Command kPdf{"pdf",
                        "pdf FILE.rvf OUT.pdf [--margins MM] [--paper A4|Letter|Legal] [--landscape] [--dpi N]",
                        "paginate a document for a sheet of paper and print it into a PDF", runPdf, true};
QUENLOR_CLI_COMMAND(kPdf);

// A whole number in [lo, hi], or -1.
long parseBounded(const std::string &s, long lo, long hi)
{
    char *end = nullptr;
    const long v = std::strtol(s.c_str(), &end, 10);
    if (s.empty() || *end || v < lo || v > hi)
        return -1;
    return v;
}

int runPdf(const std::vector<std::string> &args)
{
    std::vector<std::string> files;
    int margins = 20, dpi = 600;
    bool landscape = false;
    QPageSize::PageSizeId paper = QPageSize::A4;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--margins" && hasValue) {
            // Any size a sheet could have; whether text still fits is the pagination's call.
            const long v = parseBounded(args[++i], 0, 2000);
            if (v < 0)
                return cli::usageError(kPdf);
            margins = int(v);
        } else if (a == "--dpi" && hasValue) {
            const long v = parseBounded(args[++i], 72, 2400);
            if (v < 0) {
                std::fprintf(stderr, "pdf: --dpi takes a resolution from 72 to 2400\n");
                return 2;
            }
            dpi = int(v);
        } else if (a == "--paper" && hasValue) {
            const std::string &p = args[++i];
            if (p == "A4")
                paper = QPageSize::A4;
            else if (p == "Letter")
                paper = QPageSize::Letter;
            else if (p == "Legal")
                paper = QPageSize::Legal;
            else {
                std::fprintf(stderr, "pdf: unknown paper %s (A4, Letter or Legal)\n", p.c_str());
                return 2;
            }
        } else if (a == "--landscape") {
            landscape = true;
        } else if (!a.empty() && a[0] == '-') {
            return cli::usageError(kPdf);
        } else {
            files.push_back(a);
        }
    }
    if (files.size() != 2)
        return cli::usageError(kPdf);
    if (!std::ifstream(files[0], std::ios::binary)) {
        std::fprintf(stderr, "pdf: cannot open %s\n", files[0].c_str());
        return 2;
    }

    rv::TRVStyle style;
    style.LoadReaderDefaults();
    rv::TRVLayoutData data(&style, nullptr);
    rv::TRVLayoutInfo layout;
    rv::TColor color = platform::clNone;
    if (!rv::LoadRVFFromFile(data, files[0], &layout, &data.Background, &color)) {
        std::fprintf(stderr, "pdf: %s is not a readable RVF document: %s\n", files[0].c_str(),
                     data.LoadError.Text().c_str());
        return 1;
    }
    if (layout.Loaded)
        data.TakeStoredLayout(layout);
    data.Color = color;

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(files[1]));
    printer.setResolution(dpi);
    printer.setPageSize(QPageSize(paper));
    printer.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer.setFullPage(true); // a PDF page is printable to its edges

    rv::TRVPrint print(&printer);
    print.LeftMarginMM = print.RightMarginMM = print.TopMarginMM = print.BottomMarginMM = margins;
    print.AttachData(data);
    const int pages = print.Paginate();
    if (pages <= 0) {
        if (print.LastError() == rv::TRVPrintError::NoRoom)
            std::fprintf(stderr, "pdf: margins of %d mm leave no room for text on the page\n", margins);
        else
            std::fprintf(stderr, "pdf: %s has nothing to print\n", files[0].c_str());
        return 1;
    }
    if (!print.PrintDocument("Estudio...", 1, false)) {
        std::fprintf(stderr, "pdf: cannot write %s\n", files[1].c_str());
        return 1;
    }
    std::printf("pages: %d\n", pages);
    return 0;
}

} // namespace
