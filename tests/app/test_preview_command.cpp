// The preview command of the main window: attach, paginate and show the
// preview window modally when there are pages; nothing otherwise.
#include "app/win_reader.h"

#include "printing/widget/preview_window.h"

#include <QApplication>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const QString kSample = QStringLiteral(QUENLOR_TEST_DATA "/Estudios/Juan3.rvf");

// Messages are recorded instead of shown.
class Reader : public TfrmWinReader {
public:
    Reader() : TfrmWinReader({"quenlor"}) { RecentFiles->IniFileName = dir.filePath("Morvel.ini"); }
    void ShowMessage(const ReaderMessage &m) override { messages << m; }
    QTemporaryDir dir;
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

} // namespace
