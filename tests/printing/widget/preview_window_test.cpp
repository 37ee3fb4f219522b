// The preview window over the sample study printed on a PDF printer: the page
// display, navigation through the toolbar, a modal showing, the cached page
// picture and a shorter document after a longer one.
#include "printing/widget/preview_window.h"

#include "printing/rv_print_qt.h"
#include "viewer/widget/readview.h"

#include "platform/test_canvas.h"

#include <QApplication>
#include <QLabel>
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

struct Preview : ::testing::Test {
    QTemporaryDir dir;
    QPrinter printer{QPrinter::HighResolution};
    rv::TRVStyle style;
    TReadView view;
    std::unique_ptr<rv::TRVPrint> print;
    TfrmPreVer frm;

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
        frm.Viewer = &view;
    }

    int Open(const std::string &file)
    {
        EXPECT_TRUE(view.LoadRVFFromFile(file));
        view.FormatDocument();
        print->AttachViewer(view);
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

} // namespace
