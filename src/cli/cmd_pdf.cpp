// pdf: paginates a document for an A4 page at 600 dpi and prints every page
// into a PDF file, the way the print command sends it to a printer.
#include "cli.h"

#include "document/rvf_reader.h"
#include "printing/rv_print_qt.h"
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

const cli::Command kPdf{"pdf", "pdf FILE.rvf OUT.pdf [--margins MM]",
                        "paginate a document for A4 at 600 dpi and print it into a PDF", runPdf, true};
QUENLOR_CLI_COMMAND(kPdf);

int runPdf(const std::vector<std::string> &args)
{
    std::vector<std::string> files;
    int margins = 20;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--margins") {
            char *end = nullptr;
            if (i + 1 >= args.size())
                return cli::usageError(kPdf);
            const long v = std::strtol(args[i + 1].c_str(), &end, 10);
            // Half an A4 width is the most that still leaves room for text.
            if (args[i + 1].empty() || *end || v < 0 || v > 100)
                return cli::usageError(kPdf);
            margins = int(v);
            ++i;
        } else if (!args[i].empty() && args[i][0] == '-') {
            return cli::usageError(kPdf);
        } else {
            files.push_back(args[i]);
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
        std::fprintf(stderr, "pdf: %s is not a readable RVF document\n", files[0].c_str());
        return 1;
    }
    if (layout.Loaded)
        data.TakeStoredLayout(layout);
    data.Color = color;

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(files[1]));
    printer.setResolution(600);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setFullPage(true); // a PDF page is printable to its edges

    rv::TRVPrint print(&printer);
    print.LeftMarginMM = print.RightMarginMM = print.TopMarginMM = print.BottomMarginMM = margins;
    print.AttachData(data);
    const int pages = print.Paginate();
    if (pages > 0 && !print.PrintDocument("Estudio...", 1, false)) {
        std::fprintf(stderr, "pdf: cannot write %s\n", files[1].c_str());
        return 1;
    }
    std::printf("pages: %d\n", pages);
    return 0;
}

} // namespace
