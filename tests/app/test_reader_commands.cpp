// The reader's commands on a real window with the document viewer: opening,
// the recent list, find, help, and the verse balloon behind a link click.
#include "app/find_dialog.h"
#include "link_point.h"
#include "scratch_reader.h"
#include "app/verse_lookup.h"
#include "document/rv_table.h"
#include "document/rvf_writer.h"

#include "platform/folders.h"
#include "platform/settings.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <ostream>
#include <vector>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

inline void PrintTo(const ReaderMessage &m, std::ostream *os)
{
    *os << "{" << int(m.icon) << ", " << m.caption.toStdString() << ", " << m.text.toStdString() << ", "
        << m.button.toStdString() << "}";
}

namespace {

const QString kSample = QStringLiteral(QUENLOR_TEST_DATA "/Estudios/Juan3.rvf");
// The open error in Spanish, naming the file and why it could not be read.
ReaderMessage openError(const QString &path, const QString &reason)
{
    return {QMessageBox::Information, QStringLiteral("Información"),
            QStringLiteral("Ocurrió un error al abrir el documento.\n\n") + path + "\n" + reason, "OK"};
}
const QString kNoFile = QStringLiteral("El archivo no existe.");
const QString kNotRvf = QStringLiteral("El archivo no es un estudio en formato RVF o está dañado.\n"
                                       "Línea 1: Un registro empieza con un encabezado que no es válido.");

// Messages and questions are recorded in one list, every question answered
// no; help pages are listed instead of opened.
class Reader : public ScratchReader {
public:
    using ScratchReader::ScratchReader;
    void ShowMessage(const ReaderMessage &m) override { messages << m; }
    bool AskQuestion(const ReaderMessage &m) override
    {
        messages << m;
        return false;
    }
    void OpenHelpPage(const QString &path) override { helpPages << path; }

    QList<ReaderMessage> messages;
    QStringList helpPages;
};

QList<TBalloon *> balloons()
{
    QList<TBalloon *> out;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *b = qobject_cast<TBalloon *>(w); b && b->isVisible())
            out << b;
    return out;
}


// A left click on the viewer with the mouse cursor somewhere else: the handler
// reads the mouse position, so the cursor picks the window quarter.
void clickLink(Reader &w, const std::string &text, QPoint cursor)
{
    const QPoint at = linkPoint(w.rvRevisar, text);
    ASSERT_GE(at.x(), 0) << text;
    QWidget *vp = w.rvRevisar->viewport();
    QCursor::setPos(cursor);
    const QPointF global = vp->mapToGlobal(QPointF(at));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(vp, &press);
    QCoreApplication::sendEvent(vp, &release);
}

void showAndOpen(Reader &w)
{
    w.show();
    QCoreApplication::processEvents();
    w.xmlBiblia.SetDataBase(QUENLOR_TEST_DATA "/");
    ASSERT_TRUE(w.OpenDocument(kSample));
}

TEST(ReaderHelpers, FileTitle)
{
    const std::pair<QString, QString> cases[] = {
        {"C:\\Estudios\\Juan.rvf", "Juan"},
        {"C:\\x\\notes", "notes"},
        {"C:\\x\\a.rvf.b.rvf", "a.b.rvf"},
        {"/home/ana/Estudios/Juan3.rvf", "Juan3"},
        {"C:Juan.RVF", "Juan"},
        {"/x.y/sin", "sin"},
        {"Juan.", "Juan"},
        {"", ""},
    };
    for (const auto &[path, title] : cases)
        EXPECT_EQ(FileTitle(path), title) << path.toStdString();
}

TEST(ReaderHelpers, FindOptionsMapToSearchOptions)
{
    const std::pair<uint32_t, uint32_t> cases[] = {
        {0, 0},
        {frDown, 2},
        {frMatchCase, 1},
        {frWholeWord, 4},
        {frDown | frMatchCase | frWholeWord, 7},
        {frIgnoreAccents, rv::rvsroIgnoreAccents},
        {0xFFFFFFF0u, 0}, // other dialog bits are dropped
    };
    for (const auto &[find, search] : cases)
        EXPECT_EQ(FindOptionsToSearchOptions(find), search) << find;

    TFindDialog d;
    EXPECT_FALSE(d.isModal());
    EXPECT_FALSE(d.findNextButton()->isEnabled());
    d.SetFindText("amor");
    EXPECT_TRUE(d.findNextButton()->isEnabled());
    d.SetOptions(frMatchCase);
    EXPECT_EQ(d.Options(), uint32_t(frMatchCase));
}

TEST(ReaderOpen, CommandLineDocumentIsShownOnFirstShow)
{
    Reader w({"quenlor", kSample});
    w.RecentFiles->AddFile("/estudios/otro.rvf");
    EXPECT_EQ(w.windowTitle(), "Quenlor v1.0"); // nothing before the window shows
    w.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(w.xmlBiblia.DataBase(), platform::verseTableDir());
    EXPECT_TRUE(w.messages.isEmpty());
    EXPECT_EQ(w.windowTitle(), "Juan3");
    EXPECT_EQ(w.statusPanelText(2), " " + kSample);
    EXPECT_GT(w.rvRevisar->ItemCount(), 0);
    EXPECT_EQ(w.RecentFiles->files(), QStringList{"/estudios/otro.rvf"});
    EXPECT_FALSE(QFile::exists(w.RecentFiles->IniFileName));
}

TEST(ReaderOpen, FailedOpenChangesNothing)
{
    Reader w({"quenlor", "/no/such/study.rvf"});
    w.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(w.messages, QList<ReaderMessage>{openError("/no/such/study.rvf", kNoFile)});
    EXPECT_EQ(w.windowTitle(), "Quenlor v1.0");
    EXPECT_TRUE(w.statusPanelText(2).isEmpty());

    // Through the dialog and the recent list as well.
    ASSERT_TRUE(w.OpenDocument(kSample));
    w.messages.clear();
    QFile junk(w.dir.filePath("junk.rvf"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a document");
    junk.close();
    w.answers << junk.fileName();
    w.btnAbrirClick();
    w.RecentFilesItemClick(w.RecentFiles, "/no/such/study.rvf");
    EXPECT_EQ(w.messages,
              (QList<ReaderMessage>{openError(junk.fileName(), kNotRvf), openError("/no/such/study.rvf", kNoFile)}));
    EXPECT_EQ(w.windowTitle(), "Juan3");
    EXPECT_EQ(w.statusPanelText(2), " " + kSample);
    EXPECT_TRUE(w.RecentFiles->files().isEmpty());
}

TEST(ReaderOpen, DialogOpenAddsToRecentAndSaves)
{
    Reader w;
    w.show();
    const QString copy = w.dir.filePath("Estudio de Juan.rvf");
    ASSERT_TRUE(QFile::copy(kSample, copy));
    w.answers << kSample << copy << kSample;
    w.btnAbrirClick();
    w.btnAbrirClick();
    w.btnAbrirClick();
    w.btnAbrirClick(); // cancelled: nothing happens
    EXPECT_TRUE(w.messages.isEmpty());
    EXPECT_EQ(w.windowTitle(), "Juan3");
    EXPECT_EQ(w.RecentFiles->files(), (QStringList{kSample, copy}));

    const platform::IniFile ini(QFile::encodeName(w.RecentFiles->IniFileName).toStdString());
    EXPECT_EQ(ini.readString("Estudios Recientes", "0"), kSample.toStdString());
    EXPECT_EQ(ini.readString("Estudios Recientes", "1"), copy.toStdString());

    // A recent entry opens without saving the new order.
    w.opcRecientes->actions().at(1)->trigger();
    EXPECT_EQ(w.windowTitle(), "Estudio de Juan");
    EXPECT_EQ(w.RecentFiles->files().first(), copy);
    const platform::IniFile again(QFile::encodeName(w.RecentFiles->IniFileName).toStdString());
    EXPECT_EQ(again.readString("Estudios Recientes", "0"), kSample.toStdString());
}

TEST(ReaderCommands, FindSelectAllAndCopy)
{
    Reader w;
    showAndOpen(w);
    w.btnCopiarClick();
    EXPECT_TRUE(w.FindDialog->isVisible());
    EXPECT_FALSE(w.FindDialog->isModal());
    EXPECT_EQ(w.FindDialog->Options(), uint32_t(frDown | frIgnoreAccents));

    w.FindDialog->SetFindText("Nicodemo");
    w.FindDialog->findNextButton()->click();
    EXPECT_TRUE(w.messages.isEmpty());
    EXPECT_EQ(QString::fromStdU16String(w.rvRevisar->GetSelText()), "Nicodemo");

    w.FindDialog->SetFindText("Zorobabel");
    w.FindDialog->findNextButton()->click();
    const ReaderMessage notFound{QMessageBox::Information, QStringLiteral("Búsqueda completa"),
                                  QStringLiteral("No se encuentra \"Zorobabel\"."), "OK"};
    EXPECT_EQ(w.messages, QList<ReaderMessage>{notFound});
    EXPECT_EQ(QString::fromStdU16String(w.rvRevisar->GetSelText()), "Nicodemo"); // the selection stays

    w.opcSeleccionarClick();
    EXPECT_TRUE(w.rvRevisar->hasFocus() || !w.isActiveWindow());
    const QString all = QString::fromStdU16String(w.rvRevisar->GetSelText());
    EXPECT_TRUE(all.startsWith("Nicodemo y el nuevo nacimiento"));
    EXPECT_TRUE(all.contains(QStringLiteral("al final.")));
    QApplication::clipboard()->clear();
    w.btnBuscarClick();
    EXPECT_TRUE(QApplication::clipboard()->text().contains("Nicodemo y el nuevo nacimiento"));
}

TEST(ReaderCommands, FindNextVisitsMatchesInCellsOfANestedTable)
{
    // "dos", then a table whose one cell holds a table of two cells "dos"
    // and "dos": the two inner matches sit at the same place of their own
    // cell's text, and find-next still stops at each.
    Reader w;
    rv::TRVStyle style;
    style.LoadReaderDefaults();
    rv::TCustomRVData doc(&style);
    auto text = [](rv::TCustomRVData &d, const char *s) { d.AddItem(s, std::make_unique<rv::TRVTextItemInfo>(0)); };
    text(doc, "dos");
    auto outer = std::make_unique<rv::TRVTableItemInfo>();
    outer->SetSize(1, 1, &style);
    auto inner = std::make_unique<rv::TRVTableItemInfo>();
    inner->SetSize(1, 2, &style);
    text(*inner->Cell(0, 0), "dos");
    text(*inner->Cell(0, 1), "dos");
    outer->Cell(0, 0)->AddItem("", std::move(inner));
    doc.AddItem("", std::move(outer));
    const QString path = w.dir.filePath("anidada.rvf");
    ASSERT_TRUE(rv::SaveRVFToFile(doc, path.toStdString()));
    w.show();
    QCoreApplication::processEvents();
    ASSERT_TRUE(w.OpenDocument(path));

    w.btnCopiarClick();
    w.FindDialog->SetFindText("dos");
    const rv::TReadViewRVData &data = w.rvRevisar->RVData();
    std::vector<int> cells;
    for (int k = 0; k < 3; ++k) {
        w.FindDialog->findNextButton()->click();
        EXPECT_EQ(QString::fromStdU16String(w.rvRevisar->GetSelText()), "dos");
        const auto &c = data.CellSelection();
        cells.push_back(!data.CellSelectionExists() ? -1 : c.Inner.size() == 1 ? c.Inner[0].CellNo : -9);
    }
    EXPECT_EQ(cells, (std::vector<int>{-1, 0, 1}));
    EXPECT_TRUE(w.messages.isEmpty());
    // Past the last one: the offer to go on from the start.
    w.FindDialog->findNextButton()->click();
    ASSERT_EQ(w.messages.size(), 1);
    EXPECT_TRUE(w.messages[0].text.startsWith(QStringLiteral("Se llegó al final")));
}

TEST(ReaderCommands, HelpChecksThePageFirst)
{
    Reader w;
    QTemporaryDir program;
    const QString folder = program.path() + "/";
    w.ShowHelpFile(folder, "index.html");
    const ReaderMessage noPage{QMessageBox::Critical, "Error",
                               "El archivo de ayuda no se encuentra en la carpeta de Ayuda.", "OK"};
    EXPECT_EQ(w.messages, QList<ReaderMessage>{noPage});
    EXPECT_TRUE(w.helpPages.isEmpty());

    ASSERT_TRUE(QDir(folder).mkpath("Ayuda"));
    QFile page(folder + "Ayuda/index.html");
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.close();
    w.messages.clear();
    w.ShowHelpFile(folder, "index.html");
    EXPECT_TRUE(w.messages.isEmpty());
    EXPECT_EQ(w.helpPages, QStringList{folder + "Ayuda/index.html"});
}

TEST(ReaderCommands, AboutBox)
{
    Reader w;
    w.opcAcercaClick();
    ASSERT_EQ(w.messages.size(), 1);
    EXPECT_EQ(w.messages[0].caption, QStringLiteral("Acerca de..."));
    EXPECT_TRUE(w.messages[0].text.startsWith("  Quenlor\n\n"));
    EXPECT_EQ(w.messages[0].button, "OK");
}

// The four quarters of the window, by the mouse; the link is the same.
TEST(VerseBalloon, LinkClicksShowTheVersesTowardTheMiddle)
{
    Reader w;
    showAndOpen(w);
    const QRect r = w.frameGeometry();
    const QPoint middle = r.topLeft() + QPoint(r.width() / 2, r.height() / 2);
    const QString j16 = QString(QChar(0x2022)) + " 16. Porque de tal manera amó Dios al mundo, que ha dado á su ";
    struct Case {
        std::string link;
        QPoint mouse;
        TBalloonPosition position;
        QString title;
        QStringList firstLines; // the text starts with these
        int lineCount;
    } cases[] = {
        {"Jn:3:16", r.topLeft() + QPoint(r.width() - 5, r.height() - 5), blnArrowTopLeft, "Jn 3:16", {j16}, 3},
        {"Jn:3:16", r.topLeft() + QPoint(r.width() / 2, r.height() / 2 - 1), blnArrowBottomLeft, "Jn 3:16", {j16}, 3},
        {"Jn:3:16", r.topLeft() + QPoint(r.width() / 2 - 1, 0), blnArrowBottomRight, "Jn 3:16", {j16}, 3},
        {"Jn:3:16", r.topLeft() + QPoint(0, r.height() / 2), blnArrowTopRight, "Jn 3:16", {j16}, 3},
        {"Jn:3:16-18", middle, blnArrowTopLeft, "Jn 3:16..18", {j16}, 8},
        // Not in the sample table: said so, under the title.
        {"Jn:19:39", middle, blnArrowTopLeft, "Jn 19:39", {verseNotFoundLine()}, 1},
        {"Ro:8:28", middle - QPoint(1, 1), blnArrowBottomRight, "Ro 8:28",
         {QString(QChar(0x2022)) + " 28. Y sabemos que á los que á Dios aman, todas las cosas les "}, 3},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.link + " " + std::to_string(int(c.position)));
        w.Balloons->closeAll(); // one balloon per link: each case opens its own
        clickLink(w, c.link, c.mouse);
        const QList<TBalloon *> now = balloons();
        ASSERT_EQ(now.size(), 1);
        TBalloon *b = now.last();
        EXPECT_EQ(w.Balloon->Position, c.position);
        EXPECT_EQ(w.Balloon->BalloonType, blnBiblia);
        EXPECT_EQ(b->titleLabel()->text(), c.title);
        const QStringList lines = b->textLabel()->text().split("\r\n");
        EXPECT_EQ(lines.size(), c.lineCount);
        EXPECT_EQ(lines.mid(0, c.firstLines.size()), c.firstLines);
        // The arrow tip touches the mouse position.
        const QPoint tip = b->pos() + QPoint(b->placement().tip.x, b->placement().tip.y);
        EXPECT_EQ(tip, c.mouse);
        EXPECT_FALSE(b->closeTimer()->isActive());
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(VerseBalloon, UnicodeLinkFindsItsVerse)
{
    Reader w;
    showAndOpen(w);
    rv::TReadViewRVData &data = w.rvRevisar->RVData();
    data.Clear();
    const std::u16string link = u"Jn:3:16-17";
    std::string bytes;
    for (char16_t ch : link) {
        bytes += char(ch & 0xFF);
        bytes += char(ch >> 8);
    }
    auto item = std::make_unique<rv::TRVTextItemInfo>(7); // the verse-link style
    item->ItemOptions = rv::ioUnicode;
    data.AddItem(bytes, std::move(item));
    w.rvRevisar->FormatDocument();
    clickLink(w, bytes, w.frameGeometry().center());
    ASSERT_EQ(balloons().size(), 1);
    EXPECT_EQ(balloons()[0]->titleLabel()->text(), "Jn 3:16..17");
    EXPECT_EQ(balloons()[0]->textLabel()->text().count(QChar(0x2022)), 2);
}

TEST(VerseBalloon, MissingTableIsReportedInsteadOfABalloon)
{
    Reader w;
    showAndOpen(w);
    QTemporaryDir empty;
    const std::string folder = empty.path().toStdString() + "/";
    w.xmlBiblia.SetDataBase(folder);
    clickLink(w, "Jn:3:16", w.frameGeometry().center());
    EXPECT_TRUE(balloons().isEmpty());
    ASSERT_EQ(w.messages.size(), 1);
    EXPECT_EQ(w.messages[0].icon, QMessageBox::Critical);
    EXPECT_EQ(w.messages[0].text, missingTableMessage(folder));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

} // namespace
