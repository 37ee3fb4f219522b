// The preview command of the main window: attach, paginate and show the
// preview window modally when there are pages; nothing otherwise.
#include "scratch_reader.h"

#include "printing/widget/preview_window.h"

#include <QApplication>
#include <QFile>
#include <QPrinter>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const QString kSample = QStringLiteral(QUENLOR_TEST_DATA "/Estudios/Juan3.rvf");

// Messages are recorded instead of shown.
class Reader : public ScratchReader {
public:
    void ShowMessage(const ReaderMessage &m) override { messages << m; }
    QList<ReaderMessage> messages;
};

struct PreviewCommand : ::testing::Test {
    Reader reader;
    void SetUp() override
    {
        frmPreVer = new TfrmPreVer;
        // A PDF printer: pages exist whether or not the machine has a printer.
        reader.rvPrint.Printer().setOutputFormat(QPrinter::PdfFormat);
        reader.rvPrint.Printer().setOutputFileName(reader.dir.filePath("out.pdf"));
    }
    void TearDown() override
    {
        delete frmPreVer;
        frmPreVer = nullptr;
    }
};

TEST_F(PreviewCommand, DocumentWithPagesOpensThePreviewModally)
{
    ASSERT_TRUE(reader.OpenDocument(kSample));
    bool modal = false;
    int pageNo = 0;
    QString pageText;
    QTimer::singleShot(0, frmPreVer, [&] {
        modal = QApplication::activeModalWidget() == frmPreVer;
        pageNo = frmPreVer->rvPP->PageNo();
        pageText = frmPreVer->PageText();
        frmPreVer->close();
    });
    reader.btnPreverClick(); // returns when the preview is closed
    EXPECT_TRUE(modal);
    EXPECT_EQ(frmPreVer->rvPP->RVPrint(), &reader.rvPrint);
    EXPECT_EQ(pageNo, 1);
    EXPECT_EQ(pageText, QString::fromUtf8("Página 1 de %1").arg(reader.rvPrint.PageCount()));
    EXPECT_FALSE(frmPreVer->isVisible());
    EXPECT_TRUE(reader.messages.isEmpty());
}

TEST_F(PreviewCommand, NoPagesShowsNothing)
{
    // An empty viewer paginates to no pages: the window must not open (a
    // modal window left open would hang this test).
    bool opened = false;
    QTimer::singleShot(0, frmPreVer, [&] {
        opened = frmPreVer->isVisible();
        frmPreVer->close();
    });
    reader.btnPreverClick();
    QApplication::processEvents();
    EXPECT_FALSE(opened);
    EXPECT_EQ(reader.rvPrint.PageCount(), 0);
    EXPECT_EQ(frmPreVer->rvPP->RVPrint(), nullptr);
    EXPECT_TRUE(reader.messages.isEmpty());
}

// A copy of the sample whose page parameters are replaced by `lines`.
QString StudyWithPage(const QTemporaryDir &dir, const QString &name, const QByteArray &lines, int count)
{
    QFile in(kSample);
    EXPECT_TRUE(in.open(QIODevice::ReadOnly));
    QByteArray bytes = in.readAll();
    const QByteArray head = "-9 9 0 0 0 0 7\r\n";
    const qsizetype at = bytes.indexOf(head);
    EXPECT_GE(at, 0);
    qsizetype end = at + head.size();
    for (int i = 0; i < 9; ++i)
        end = bytes.indexOf("\r\n", end) + 2;
    bytes.replace(at, end - at, "-9 " + QByteArray::number(count) + " 0 0 0 0 7\r\n" + lines);
    const QString path = dir.filePath(name);
    QFile out(path);
    EXPECT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(bytes);
    return path;
}

TEST_F(PreviewCommand, PrintsOnTheStudysPageUntilTheUserChoosesOne)
{
    const QString landscape =
        StudyWithPage(reader.dir, "apaisado.rvf",
                      "Units=2\r\nPageWidth=210\r\nPageHeight=297\r\nLeftMargin=40\r\nRightMargin=10\r\n"
                      "TopMargin=20\r\nBottomMargin=20\r\nOrientation=1\r\nMirrorMargins=1\r\n",
                      9);
    const QString absurd = StudyWithPage(reader.dir, "absurdo.rvf", "Units=2\r\nLeftMargin=25.5\r\n", 2);

    ASSERT_TRUE(reader.OpenDocument(landscape));
    ASSERT_GT(reader.PaginateDocument(), 0);
    EXPECT_GT(reader.rvPrint.PrinterPage().PageWidth, reader.rvPrint.PrinterPage().PageHeight);
    EXPECT_EQ(reader.rvPrint.LeftMarginMM, 40);
    EXPECT_TRUE(reader.rvPrint.MirrorMargins);

    // The sample's own page: A4 portrait with 25.5 mm sides.
    ASSERT_TRUE(reader.OpenDocument(kSample));
    ASSERT_GT(reader.PaginateDocument(), 0);
    EXPECT_LT(reader.rvPrint.PrinterPage().PageWidth, reader.rvPrint.PrinterPage().PageHeight);
    EXPECT_EQ(reader.rvPrint.LeftMarginMM, 26);
    EXPECT_FALSE(reader.rvPrint.MirrorMargins);

    // Nonsense parameters: the reader's own 20 mm, and a word in the status bar.
    ASSERT_TRUE(reader.OpenDocument(absurd));
    ASSERT_GT(reader.PaginateDocument(), 0);
    EXPECT_EQ(reader.rvPrint.LeftMarginMM, 20);
    EXPECT_TRUE(reader.StatusLine->currentMessage().contains("valores predeterminados"));

    // Once the user has chosen paper and margins (accepting the set-up dialog), studies change nothing.
    reader.rvPrint.UserPageSetup = true;
    reader.rvPrint.LeftMarginMM = 15;
    ASSERT_TRUE(reader.OpenDocument(landscape));
    ASSERT_GT(reader.PaginateDocument(), 0);
    EXPECT_EQ(reader.rvPrint.LeftMarginMM, 15);
    EXPECT_LT(reader.rvPrint.PrinterPage().PageWidth, reader.rvPrint.PrinterPage().PageHeight);
}

} // namespace
