// What a person sees when opening goes wrong, at start-up, in help, find and
// placement: each case here once showed the wrong thing on the screen.
#include "app/application.h"
#include "app/find_dialog.h"
#include "app/help_window.h"
#include "app/page_setup.h"
#include "app/splash.h"
#include "components/window_bounds.h"
#include "scratch_reader.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QString kSample = QStringLiteral(QUENLOR_TEST_DATA "/Estudios/Juan3.rvf");

// Messages and questions are recorded apart; questions get `answerYes`.
class Reader : public ScratchReader {
public:
    using ScratchReader::ScratchReader;
    void ShowMessage(const ReaderMessage &m) override { messages << m; }
    bool AskQuestion(const ReaderMessage &m) override
    {
        questions << m;
        return answerYes;
    }
    bool HandHelpToDesktop(const QString &) override { return desktopHelp; }

    QList<ReaderMessage> messages, questions;
    bool answerYes = true;
    bool desktopHelp = false;
};

void showAndOpen(Reader &w)
{
    w.show();
    QCoreApplication::processEvents();
    ASSERT_TRUE(w.OpenDocument(kSample));
}

// ---------------------------------------------------------------- opening

TEST(ReaderFaults, BadFilesAreRefusedAndTheStudyOnShowStays)
{
    Reader w;
    showAndOpen(w);
    const int items = w.rvRevisar->ItemCount();
    const QString title = w.windowTitle();
    QByteArray valid;
    {
        QFile f(kSample);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        valid = f.readAll();
    }
    const struct {
        const char *what;
        QString path;
        QString reason;
    } cases[] = {
        {"empty", w.file("vacio.rvf", {}), QStringLiteral("El archivo está vacío.")},
        {"junk", w.file("basura.rvf", "esto no es un estudio"),
         QStringLiteral("El archivo no es un estudio en formato RVF o está dañado.\n"
                        "Línea 1: Un registro empieza con un encabezado que no es válido.")},
        {"cut short", w.file("cortado.rvf", valid.left(valid.size() / 2)),
         QStringLiteral("El archivo no es un estudio en formato RVF o está dañado.\nLínea ")},
        {"folder", w.dir.path(), QStringLiteral("Es una carpeta, no un estudio.")},
        {"missing", w.dir.filePath("no-existe.rvf"), QStringLiteral("El archivo no existe.")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        w.messages.clear();
        w.answers << c.path;
        w.btnAbrirClick();
        ASSERT_EQ(w.messages.size(), 1);
        EXPECT_EQ(w.messages[0].caption, QStringLiteral("Información"));
        EXPECT_TRUE(w.messages[0].text.startsWith(QStringLiteral("Ocurrió un error al abrir el documento.")));
        EXPECT_TRUE(w.messages[0].text.contains(c.path));
        // The reason comes last; a damaged study's reason names the line.
        EXPECT_TRUE(w.messages[0].text.contains(QStringLiteral("\n") + c.reason)) << w.messages[0].text.toStdString();
        // The study that was open is still what the window shows.
        EXPECT_EQ(w.windowTitle(), title);
        EXPECT_EQ(w.rvRevisar->ItemCount(), items);
        EXPECT_EQ(w.documentPath(), kSample);
        EXPECT_FALSE(w.RecentFiles->files().contains(c.path));
    }
}

TEST(ReaderFaults, StartUpErrorsWaitForTheSplash)
{
    frmSplash = new TfrmSplash;
    frmSplash->show();
    {
        Reader w({"quenlor", "/no/such/study.rvf"});
        w.show();
        QCoreApplication::processEvents();
        EXPECT_TRUE(w.messages.isEmpty()); // not over the splash
        frmSplash->hide();
        QCoreApplication::processEvents();
        ASSERT_EQ(w.messages.size(), 1);
        EXPECT_TRUE(w.messages[0].text.contains("/no/such/study.rvf"));
    }
    delete frmSplash;
    frmSplash = nullptr;
}

TEST(ReaderFaults, SplashGoesOnAClickOrAnyKey)
{
    TfrmSplash splash;
    QWidget other;
    other.show();
    for (int way = 0; way < 2; ++way) {
        SCOPED_TRACE(way);
        splash.show();
        QCoreApplication::processEvents();
        ASSERT_TRUE(splash.isVisible());
        if (way == 0)
            QTest::mouseClick(&splash, Qt::LeftButton);
        else
            QTest::keyClick(&other, Qt::Key_Space); // a key anywhere in the program
        EXPECT_FALSE(splash.isVisible());
    }
}

// ---------------------------------------------------------------- help

TEST(ReaderFaults, HelpAnswersWithoutADesktopHandler)
{
    Reader w;
    w.desktopHelp = false;
    QTemporaryDir program;
    ASSERT_TRUE(QDir(program.path()).mkpath("Ayuda"));
    QFile page(program.path() + "/Ayuda/index.html");
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write("<html><body><h1>Ayuda de prueba</h1></body></html>");
    page.close();
    w.ShowHelpFile(program.path() + "/", "index.html");
    EXPECT_TRUE(w.messages.isEmpty());
    ASSERT_TRUE(w.helpWindow());
    EXPECT_TRUE(w.helpWindow()->isVisible());
    EXPECT_TRUE(w.helpWindow()->browser()->toPlainText().contains("Ayuda de prueba"));

    // With a handler, the desktop shows it and no window of ours opens.
    Reader d;
    d.desktopHelp = true;
    d.ShowHelpFile(program.path() + "/", "index.html");
    EXPECT_FALSE(d.helpWindow());
    EXPECT_TRUE(d.messages.isEmpty());
}

// ---------------------------------------------------------------- find

TEST(ReaderFaults, FindIgnoresAccentsWrapsAndStepsOffTheMatch)
{
    Reader w;
    showAndOpen(w);
    w.btnCopiarClick();
    EXPECT_TRUE(w.FindDialog->Options() & frIgnoreAccents);

    // "Jesus" finds "Jesús" with accents ignored, and not without.
    w.FindDialog->SetFindText("jesus");
    w.FindDialog->findNextButton()->click();
    EXPECT_TRUE(w.messages.isEmpty());
    EXPECT_EQ(QString::fromStdU16String(w.rvRevisar->GetSelText()), QStringLiteral("Jesús"));
    w.FindDialog->SetOptions(frDown);
    w.rvRevisar->ScrollTo(0);
    w.rvRevisar->RVData().Deselect();
    w.messages.clear();
    w.questions.clear();
    w.FindDialog->findNextButton()->click();
    EXPECT_TRUE(w.questions.isEmpty());
    ASSERT_EQ(w.messages.size(), 1);
    EXPECT_EQ(w.messages[0].text, QStringLiteral("No se encuentra \"jesus\"."));
    w.FindDialog->SetOptions(frDown | frIgnoreAccents);

    // Past the last match the reader asks to go on from the start, and does.
    auto bounds = [&w] {
        rv::TRVSelectionBounds sb;
        w.rvRevisar->RVData().GetSelectionBounds(sb);
        return std::make_pair(sb.StartNo, sb.StartOffs);
    };
    w.FindDialog->SetFindText("Nicodemo");
    w.rvRevisar->RVData().Deselect();
    w.rvRevisar->ScrollTo(0);
    w.messages.clear();
    w.opcBuscarSiguienteClick();
    const auto first = bounds();
    ASSERT_GE(first.first, 0);
    for (int i = 0; w.questions.isEmpty() && i < 100; ++i)
        w.opcBuscarSiguienteClick();
    ASSERT_EQ(w.questions.size(), 1);
    EXPECT_TRUE(w.questions[0].text.contains(QStringLiteral("¿Desea continuar la búsqueda desde el principio?")));
    EXPECT_EQ(bounds(), first);
    EXPECT_TRUE(w.messages.isEmpty());

    // Backwards from the first match the question names the other end;
    // declined, the selection stays.
    w.answerYes = false;
    w.opcBuscarAnteriorClick();
    ASSERT_EQ(w.questions.size(), 2);
    EXPECT_TRUE(w.questions[1].text.contains(QStringLiteral("desde el final")));
    EXPECT_EQ(bounds(), first);
    w.answerYes = true;

    // F3 then Shift+F3 goes forward one match and back to the one before,
    // not to the same match again.
    w.opcBuscarSiguienteClick();
    const auto second = bounds();
    EXPECT_NE(second, first);
    w.opcBuscarAnteriorClick();
    EXPECT_EQ(bounds(), first);

    // The dialog does not cover the match it selected.
    w.rvRevisar->RVData().Deselect();
    w.rvRevisar->ScrollTo(0);
    w.opcBuscarSiguienteClick();
    const QRect match = w.SelectionScreenRect();
    ASSERT_FALSE(match.isEmpty());
    w.FindDialog->move(match.topLeft() - QPoint(10, 10));
    w.rvRevisar->RVData().Deselect();
    w.rvRevisar->ScrollTo(0);
    w.opcBuscarSiguienteClick();
    EXPECT_FALSE(w.FindDialog->frameGeometry().intersects(w.SelectionScreenRect()));
}

// ---------------------------------------------------------------- placement

TEST(ReaderFaults, WindowsAreKeptWhereAScreenShowsThem)
{
    const QRect screen(0, 0, 1280, 1024), right(1280, 0, 1920, 1080);
    const struct {
        const char *what;
        QRect outer;
        QList<QRect> screens;
        QRect kept;
    } cases[] = {
        {"on the screen", QRect(100, 80, 700, 549), {screen}, QRect(100, 80, 700, 549)},
        {"partly off the right, caption reachable", QRect(1100, 80, 700, 549), {screen}, QRect(1100, 80, 700, 549)},
        {"on a screen that went away", QRect(1500, 100, 700, 549), {screen}, QRect(580, 100, 700, 549)},
        {"on the second screen", QRect(1500, 100, 700, 549), {screen, right}, QRect(1500, 100, 700, 549)},
        {"caption above the top", QRect(100, -200, 700, 549), {screen}, QRect(100, 0, 700, 549)},
        {"larger than the screen", QRect(-50, -50, 2000, 1500), {screen}, QRect(0, 0, 1280, 1024)},
    };
    for (const auto &c : cases)
        EXPECT_EQ(KeepOnScreens(c.outer, c.screens), c.kept) << c.what;
}

TEST(ReaderFaults, PositionIsRestoredAsWellAsSize)
{
    const QPoint where(160, 90);
    {
        Reader w;
        w.show();
        QCoreApplication::processEvents();
        w.move(where);
        w.resize(720, 560);
        QCoreApplication::processEvents();
        w.close();
    }
    Reader again;
    again.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(again.pos(), where);
    EXPECT_EQ(again.size(), QSize(720, 560));
}

// ---------------------------------------------------------------- Spanish

TEST(ReaderFaults, StandardDialogsAndPageSetUpSpeakSpanish)
{
    ASSERT_TRUE(installSpanishTranslations(*qApp)) << "qt6-translations-l10n is needed";
    QMessageBox box(QMessageBox::Question, "t", "x", QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove('&'), QStringLiteral("Sí"));
    QMessageBox ok(QMessageBox::Information, "t", "x", QMessageBox::Ok);
    EXPECT_EQ(ok.button(QMessageBox::Ok)->text().remove('&'), QStringLiteral("Aceptar"));

    // The set-up dialog reads the study's 20 mm margins in millimetres, and
    // the printer gets its own back after the dialog.
    Reader w;
    QPrinter &printer = w.rvPrint.Printer();
    const QMarginsF own = printer.pageLayout().margins(QPageLayout::Millimeter);
    {
        TPageSetupMargins margins(printer, w.rvPrint);
        EXPECT_EQ(printer.pageLayout().units(), QPageLayout::Millimeter);
        const QMarginsF shown = printer.pageLayout().margins();
        EXPECT_NEAR(shown.left(), w.rvPrint.LeftMarginMM, 0.01);
        EXPECT_NEAR(shown.top(), w.rvPrint.TopMarginMM, 0.01);
        EXPECT_EQ(w.rvPrint.LeftMarginMM, 20);
        // The person sets 25 mm on the left and accepts.
        QPageLayout layout = printer.pageLayout();
        layout.setLeftMargin(25);
        printer.setPageLayout(layout);
        margins.Accept();
    }
    EXPECT_EQ(w.rvPrint.LeftMarginMM, 25);
    EXPECT_NEAR(printer.pageLayout().margins(QPageLayout::Millimeter).left(), own.left(), 0.01);
}

} // namespace

namespace {

TEST(ReaderFaults, EveryMenuAndCommandHasAnAltMnemonic)
{
    Reader w;
    QStringList missing, letters;
    for (QAction *top : w.menuBar()->actions()) {
        const QString title = top->text();
        const qsizetype amp = title.indexOf('&');
        if (amp < 0 || amp + 1 >= title.size()) {
            missing << title;
            continue;
        }
        letters << title.mid(amp + 1, 1).toLower();
        for (QAction *a : top->menu()->actions())
            if (!a->isSeparator() && !a->text().contains('&'))
                missing << title + " / " + a->text();
    }
    EXPECT_TRUE(missing.isEmpty()) << missing.join(", ").toStdString();
    // Alt+letter opens one menu only.
    QStringList unique = letters;
    unique.removeDuplicates();
    EXPECT_EQ(unique.size(), letters.size()) << letters.join(' ').toStdString();
}

} // namespace

namespace {

TEST(ReaderFaults, PageSetUpWithoutAPrinterSaysWhy)
{
    Reader w;
    if (w.rvPrint.Printer().outputFormat() == QPrinter::NativeFormat)
        GTEST_SKIP() << "a printer is installed here";
    w.opcConfigurarImpresoraClick();
    ASSERT_EQ(w.messages.size(), 1);
    EXPECT_EQ(w.messages[0].caption, QStringLiteral("Configurar impresora"));
    EXPECT_TRUE(w.messages[0].text.startsWith(QStringLiteral("No hay ninguna impresora instalada.")));
    EXPECT_TRUE(w.messages[0].text.contains(QStringLiteral("20 mm")));
}

} // namespace
