// The preview window over the sample study printed on a PDF printer: the page
// display, navigation through the toolbar, a modal showing, the cached page
// picture and a shorter document after a longer one.
#include "printing/widget/preview_window.h"

#include "printing/qt/rv_print_qt.h"
#include "viewer/widget/readview.h"

#include "support/test_canvas.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QSpinBox>
#include <QRegularExpression>
#include <QLabel>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

#include <functional>

namespace {

const std::string kJuan3 = std::string(QUENLOR_TEST_DATA) + "/Estudios/Juan3.rvf";
const std::string kLong = std::string(QUENLOR_TEST_DATA) + "/Estudios/Estudio-largo.rvf";

// The window with its dialog and messages scripted.
struct ScriptedPreview : TfrmPreVer {
    std::function<void(QPrinter &)> dialog; // what the user changes in the print dialog
    PrintChoice choice{true, false, 1, 1};
    QStringList errors;
    PrintChoice RunPrintDialog(int) override
    {
        if (dialog)
            dialog(Printer->Printer());
        return choice;
    }
    void ShowError(const QString &text) override { errors << text; }
};

int PdfPageCount(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    return int(QString::fromLatin1(f.readAll()).count(QRegularExpression("/Type\\s*/Page[^s]")));
}

struct Preview : ::testing::Test {
    QTemporaryDir dir;
    QPrinter printer{QPrinter::HighResolution};
    rv::TRVStyle style;
    TReadView view;
    std::unique_ptr<rv::TRVPrint> print;
    ScriptedPreview frm;

    void SetUp() override
    {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath("preview.pdf"));
        printer.setPageSize(QPageSize(QPageSize::A4));
        print = std::make_unique<rv::TRVPrint>(&printer);
        print->LeftMarginMM = print->RightMarginMM = print->TopMarginMM = print->BottomMarginMM = 20;
        print->PreviewCorrection = true;
        style.LoadReaderDefaults();
        view.SetStyle(&style);
        view.resize(600, 400);
        frm.Printer = print.get();
        frm.Source = &view.RVData();
    }

    int Open(const std::string &file)
    {
        EXPECT_TRUE(view.LoadRVFFromFile(file));
        view.FormatDocument();
        print->AttachData(view.RVData());
        return print->Paginate();
    }

    QToolButton *button(const char *name) { return frm.ToolBar1->findChild<QToolButton *>(name); }
};

TEST_F(Preview, ToolbarHintsInOrder)
{
    const char *expected[][2] = {
        {"ZoomFit", "Página completa"},  {"Zoom100", "100%"},
        {"ZoomToWidth", "Ancho de página"}, {"FirstPage", "Primera página"},
        {"PreviousPage", "Página anterior"}, {"ToolButton2", "Próxima página"},
        {"LastPage", "Última página"},   {"PrintSetup", "Configurar impresora"},
        {"Print", "Imprimir"},           {"SaveReport", "Pantalla completa"},
        {"LoadReport", "Cerrar ventana"},
    };
    QStringList names;
    for (QAction *a : frm.ToolBar1->actions())
        if (QWidget *w = frm.ToolBar1->widgetForAction(a); w && qobject_cast<QToolButton *>(w))
            names << w->objectName();
    ASSERT_EQ(names.size(), 11);
    for (int i = 0; i < 11; ++i) {
        SCOPED_TRACE(expected[i][0]);
        EXPECT_EQ(names[i], expected[i][0]);
        EXPECT_EQ(button(expected[i][0])->toolTip(), QString::fromUtf8(expected[i][1]));
        EXPECT_EQ(button(expected[i][0])->size(), QSize(25, 24));
    }
    EXPECT_EQ(frm.windowTitle(), QString::fromUtf8("Presentación preliminar..."));
    // The three zoom buttons check each other out.
    button("ZoomToWidth")->click();
    EXPECT_TRUE(button("ZoomToWidth")->isChecked());
    EXPECT_FALSE(button("ZoomFit")->isChecked());
    EXPECT_EQ(frm.rvPP->ZoomMode(), rvzmPageWidth);
}

TEST_F(Preview, ZoomButtonsFollowTheZoom)
{
    ASSERT_GT(Open(kJuan3), 0);
    frm.rvPP->SetRVPrint(print.get());
    struct Step {
        const char *name;
        std::function<void()> act;
        const char *checked; // nullptr: none
    };
    const Step steps[] = {
        {"100%", [&] { button("Zoom100")->click(); }, "Zoom100"},
        {"click: 50", [&] { frm.rvPP->Click(); }, nullptr},
        {"click: 100", [&] { frm.rvPP->Click(); }, "Zoom100"},
        {"page width", [&] { button("ZoomToWidth")->click(); }, "ZoomToWidth"},
        {"full page", [&] { button("ZoomFit")->click(); }, "ZoomFit"},
    };
    for (const Step &s : steps) {
        SCOPED_TRACE(s.name);
        s.act();
        for (const char *b : {"ZoomFit", "Zoom100", "ZoomToWidth"})
            EXPECT_EQ(button(b)->isChecked(), s.checked && std::string(b) == s.checked) << b;
    }
}

TEST_F(Preview, SampleStudyShowsPageOneOfN)
{
    const int pages = Open(kJuan3);
    ASSERT_GT(pages, 0);
    EXPECT_TRUE(frm.PageText().isEmpty()); // nothing to show yet
    frm.rvPP->SetRVPrint(print.get());
    EXPECT_EQ(frm.PageText(), QString::fromUtf8("Página 1 de %1").arg(pages));
    EXPECT_EQ(frm.lblPagina->text(), frm.PageText());

    // Navigation through the toolbar.
    button("LastPage")->click();
    EXPECT_EQ(frm.rvPP->PageNo(), pages);
    button("ToolButton2")->click();
    EXPECT_EQ(frm.rvPP->PageNo(), pages);
    button("FirstPage")->click();
    button("PreviousPage")->click();
    EXPECT_EQ(frm.rvPP->PageNo(), 1);
    EXPECT_EQ(frm.lblPagina->text(), QString::fromUtf8("Página 1 de %1").arg(pages));

    // The sheet is an A4 page at the zoom.
    button("Zoom100")->click();
    EXPECT_EQ(frm.rvPP->ZoomPercent(), 100);
    EXPECT_NEAR(frm.rvPP->SheetWidth(), 794, 2);
    EXPECT_NEAR(frm.rvPP->SheetHeight(), 1123, 2);
}

TEST_F(Preview, OpensModally)
{
    ASSERT_GT(Open(kJuan3), 0);
    frm.rvPP->SetRVPrint(print.get());
    frm.rvPP->SetZoomPercent(75);
    // Two showings: the second keeps the zoom the first one left.
    for (int showing = 0; showing < 2; ++showing) {
        SCOPED_TRACE(showing);
        bool wasModal = false;
        QRect placed;
        int zoom = 0;
        QTimer::singleShot(0, &frm, [&] {
            wasModal = QApplication::activeModalWidget() == &frm && frm.isVisible();
            placed = frm.frameGeometry();
            zoom = frm.rvPP->ZoomPercent();
            frm.LoadReport->click(); // "Cerrar ventana"
        });
        frm.exec();
        EXPECT_TRUE(wasModal);
        EXPECT_FALSE(frm.isVisible());
        // Shown over the whole work area.
        EXPECT_EQ(placed, frm.screen()->availableGeometry());
        EXPECT_EQ(zoom, 75);
        EXPECT_EQ(frm.rvPP->ZoomMode(), rvzmCustom);
    }
}

TEST_F(Preview, CachedPageIsDrawnOncePerPageAndPagination)
{
    ASSERT_GT(Open(kJuan3), 0);
    int drawn = 0;
    print->OnPagePrepaint = [&](rv::TCustomRVPrint &, int, platform::Canvas &, bool, const platform::Rect &,
                                const platform::Rect &) { ++drawn; };
    frm.rvPP->CachePageImage = true;
    frm.rvPP->SetRVPrint(print.get());
    frm.rvPP->resize(500, 400);
    frm.rvPP->SetZoomPercent(100);
    auto paint = [&] {
        platform::TestCanvas canvas(500, 400);
        frm.rvPP->PaintTo(canvas);
    };
    paint();
    EXPECT_EQ(drawn, 1);
    frm.rvPP->ScrollToPixel(200);
    paint();
    EXPECT_EQ(drawn, 1); // scrolling reuses the picture
    print->Paginate();
    paint();
    EXPECT_EQ(drawn, 2); // a new pagination draws it again
    frm.rvPP->CachePageImage = false;
    paint();
    paint();
    EXPECT_EQ(drawn, 4);
}

TEST_F(Preview, ShorterDocumentBringsThePageIntoRange)
{
    const int longPages = Open(kLong);
    ASSERT_GT(longPages, 2);
    frm.rvPP->SetRVPrint(print.get());
    frm.rvPP->Last();
    ASSERT_EQ(frm.rvPP->PageNo(), longPages);

    const int pages = Open(kJuan3);
    ASSERT_LT(pages, longPages);
    frm.rvPP->SetRVPrint(print.get());
    EXPECT_EQ(frm.rvPP->PageNo(), pages);
    EXPECT_EQ(frm.PageText(), QString::fromUtf8("Página %1 de %1").arg(pages));
}

TEST_F(Preview, SetUpRepaginatesForThePrinterItChose)
{
    const int portrait = Open(kLong);
    ASSERT_GT(portrait, 1);
    frm.rvPP->SetRVPrint(print.get());
    ASSERT_LT(frm.rvPP->SheetWidth(), frm.rvPP->SheetHeight());

    // What the same study gives on a landscape sheet.
    QPrinter other(QPrinter::HighResolution);
    other.setOutputFormat(QPrinter::PdfFormat);
    other.setPageSize(QPageSize(QPageSize::A4));
    other.setPageOrientation(QPageLayout::Landscape);
    rv::TRVPrint landscape(&other);
    landscape.AttachData(view.RVData());
    const int expected = landscape.Paginate();
    ASSERT_NE(expected, portrait);

    frm.dialog = [](QPrinter &p) { p.setPageOrientation(QPageLayout::Landscape); };
    frm.PrintSetupClick();
    EXPECT_TRUE(frm.errors.isEmpty()) << frm.errors.join("\n").toStdString();
    EXPECT_EQ(print->PageCount(), expected);
    EXPECT_EQ(PdfPageCount(dir.filePath("preview.pdf")), expected); // printed what the preview shows
    EXPECT_GT(frm.rvPP->SheetWidth(), frm.rvPP->SheetHeight());
    EXPECT_EQ(frm.PageText(), QString::fromUtf8("Página 1 de %1").arg(expected));

    // A cancelled dialog changes and prints nothing.
    QFile::remove(dir.filePath("preview.pdf"));
    frm.choice.accepted = false;
    frm.dialog = [](QPrinter &p) { p.setPageOrientation(QPageLayout::Portrait); };
    frm.PrintSetupClick();
    EXPECT_FALSE(QFile::exists(dir.filePath("preview.pdf")));
}

TEST_F(Preview, FailedJobSaysSoAndLeavesThePrinterReady)
{
    ASSERT_GT(Open(kJuan3), 0);
    frm.rvPP->SetRVPrint(print.get());
    printer.setOutputFileName(dir.filePath("no-such-folder/preview.pdf"));
    printer.setCopyCount(3);
    printer.setCollateCopies(true);
    frm.PrintClick();
    ASSERT_EQ(frm.errors.size(), 1);
    EXPECT_TRUE(frm.errors[0].contains(QString::fromUtf8("impresión")) || frm.errors[0].contains("impresora"))
        << frm.errors[0].toStdString();
    EXPECT_EQ(printer.copyCount(), 3);
    EXPECT_TRUE(printer.collateCopies());
    EXPECT_NE(printer.printerState(), QPrinter::Active);

    // The next job goes through.
    printer.setOutputFileName(dir.filePath("again.pdf"));
    frm.PrintClick();
    EXPECT_EQ(frm.errors.size(), 1);
    EXPECT_EQ(PdfPageCount(dir.filePath("again.pdf")), print->PageCount());

    // Margins that leave no room: a message, no pages, nothing printed.
    print->LeftMarginMM = print->RightMarginMM = 120;
    printer.setOutputFileName(dir.filePath("none.pdf"));
    frm.PrintClick();
    ASSERT_EQ(frm.errors.size(), 2);
    EXPECT_TRUE(frm.errors[1].contains(QString::fromUtf8("márgenes")));
    EXPECT_FALSE(QFile::exists(dir.filePath("none.pdf")));
}

TEST_F(Preview, PageNumberIsEditableAndEscCloses)
{
    const int pages = Open(kLong);
    ASSERT_GT(pages, 3);
    frm.rvPP->SetRVPrint(print.get());
    frm.edtPagina->setValue(3);
    EXPECT_EQ(frm.rvPP->PageNo(), 3);
    EXPECT_EQ(frm.lblPagina->text(), QString::fromUtf8("Página 3 de %1").arg(pages));
    frm.edtPagina->setValue(pages + 5); // kept to the pages there are
    EXPECT_EQ(frm.rvPP->PageNo(), pages);
    button("FirstPage")->click();
    EXPECT_EQ(frm.edtPagina->value(), 1);
    EXPECT_EQ(frm.edtPagina->maximum(), pages);

    bool shown = false;
    QTimer::singleShot(0, &frm, [&] {
        shown = frm.isVisible();
        frm.rvPP->setFocus();
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(frm.rvPP, &esc);
    });
    QTimer::singleShot(3000, &frm, [&] { frm.close(); }); // a safety net, never reached when Esc works
    QElapsedTimer t;
    t.start();
    frm.exec();
    EXPECT_TRUE(shown);
    EXPECT_LT(t.elapsed(), 2500);
}

} // namespace
