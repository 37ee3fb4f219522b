// The pdf command's engine: a study paginated for A4 at 600 dpi and printed
// into a PDF has as many pages in the file as the pagination counted.
#include "printing/qt/rv_print_qt.h"

#include "document/rvf_reader.h"
#include "viewer/rv_layoutdata.h"

#include <QFile>
#include <QPageSize>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

int PdfPageCount(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QString body = QString::fromLatin1(f.readAll());
    return int(body.count(QRegularExpression("/Type\\s*/Page[^s]")));
}

TEST(PdfPrint, EveryPageReachesThePdf)
{
    struct Case {
        const char *file;
        int margins;
    } cases[] = {{"Juan3.rvf", 20}, {"Estudio-largo.rvf", 20}, {"Estudio-largo.rvf", 40}};
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    int longPages20 = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        rv::TRVStyle style;
        style.LoadReaderDefaults();
        rv::TRVLayoutData data(&style, nullptr);
        ASSERT_TRUE(rv::LoadRVFFromFile(data, std::string(QUENLOR_TEST_DATA) + "/Estudios/" + c.file));

        const QString out = dir.filePath(QString("out%1.pdf").arg(c.margins) + c.file);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(out);
        printer.setResolution(600);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setFullPage(true);
        rv::TRVPrint print(&printer);
        print.LeftMarginMM = print.RightMarginMM = print.TopMarginMM = print.BottomMarginMM = c.margins;
        print.AttachData(data);
        const int pages = print.Paginate();
        ASSERT_GT(pages, 0);
        EXPECT_EQ(print.PrinterPage().PageWidth, 4958); // A4, 595 pt, at 600 dpi
        EXPECT_EQ(print.LeftMargin(1), c.margins == 20 ? 472 : 945); // MulDiv(mm, 3000, 127)
        ASSERT_TRUE(print.PrintDocument("Estudio...", 1, false));
        EXPECT_EQ(PdfPageCount(out), pages);
        if (c.margins == 20 && pages > 1) {
            longPages20 = pages;
        } else if (c.margins == 40) {
            EXPECT_GT(pages, longPages20); // wider margins, more pages
        }
    }
}

} // namespace
