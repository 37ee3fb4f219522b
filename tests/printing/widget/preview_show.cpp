// Shows the preview window over a study for screenshots:
// preview_show FILE.rvf [MILLISECONDS] [ZOOM] [back]  (ZOOM: a percent, 0 fits the page;
// back: load the study's stored background picture too). The study's own page is used.
#include "printing/widget/preview_window.h"

#include "printing/qt/rv_print_qt.h"
#include "viewer/widget/readview.h"

#include <QApplication>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <string>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: preview_show FILE.rvf [MILLISECONDS] [ZOOM]\n");
        return 2;
    }
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("preview.pdf"));
    printer.setPageSize(QPageSize(QPageSize::A4));
    rv::TRVPrint print(&printer);
    print.PreviewCorrection = true;

    rv::TRVStyle style;
    style.LoadReaderDefaults();
    TReadView view;
    view.SetStyle(&style);
    view.resize(600, 400);
    if (argc > 4 && std::string(argv[4]) == "back")
        view.RVData().RVFOptions |= rv::rvfoLoadBack;
    if (!view.LoadRVFFromFile(argv[1])) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    view.FormatDocument();
    print.UseStudyPageSetup(view.RVData().DocParameters.get());
    print.AttachData(view.RVData());
    if (print.Paginate() <= 0) {
        std::fprintf(stderr, "no pages\n");
        return 1;
    }
    TfrmPreVer frm;
    frm.Printer = &print;
    frm.Source = &view.RVData();
    frm.rvPP->SetRVPrint(&print);
    if (argc > 3 && std::atoi(argv[3]) > 0)
        QTimer::singleShot(0, &frm, [&] { frm.rvPP->SetZoomPercent(std::atoi(argv[3])); });
    if (argc > 2)
        QTimer::singleShot(std::atoi(argv[2]), &frm, [&] { frm.close(); });
    frm.exec();
    return 0;
}
