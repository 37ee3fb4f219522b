// Drives the reader's print commands against a named print queue, for the
// print-queue test: print_to_queue STUDY.rvf QUEUE main|preview
//   main:    the main window's "Imprimir" command;
//   preview: the preview window opened by the main window, and its "Imprimir" button.
// Prints "pages: N" (the pagination that was printed); any message the reader
// would show goes to stderr and makes the exit status 1.
#include "app/win_reader.h"

#include "printing/widget/preview_window.h"

#include <QApplication>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <cstdio>

namespace {

class Reader : public TfrmWinReader {
public:
    Reader() : TfrmWinReader({"quenlor"}) { RecentFiles->IniFileName = dir.filePath("Morvel.ini"); }
    void ShowMessage(const ReaderMessage &m) override
    {
        std::fprintf(stderr, "%s\n", qPrintable(m.text));
        ++messages;
    }
    QTemporaryDir dir;
    int messages = 0;
};

// The preview window's messages go to stderr too.
class Preview : public TfrmPreVer {
public:
    int messages = 0;
    void ShowError(const QString &text) override
    {
        std::fprintf(stderr, "%s\n", qPrintable(text));
        ++messages;
    }
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: print_to_queue STUDY.rvf QUEUE main|preview\n");
        return 2;
    }
    const QString mode = QString::fromLocal8Bit(argv[3]);
    Reader reader;
    auto *preview = new Preview;
    frmPreVer = preview;
    reader.rvPrint.Printer().setPrinterName(QString::fromLocal8Bit(argv[2]));
    if (reader.rvPrint.Printer().printerName() != QString::fromLocal8Bit(argv[2])) {
        std::fprintf(stderr, "no print queue named %s\n", argv[2]);
        return 1;
    }
    if (!reader.OpenDocument(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 1;
    }
    if (mode == QLatin1String("main")) {
        reader.btnImprimirClick();
    } else if (mode == QLatin1String("preview")) {
        // Once the preview window is up (pagination lets timers run before that).
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, preview, [preview, &poll] {
            if (!preview->isVisible())
                return;
            poll.stop();
            preview->Print->click();
            preview->LoadReport->click();
        });
        poll.start(50);
        reader.btnPreverClick();
    } else {
        std::fprintf(stderr, "unknown mode %s\n", argv[3]);
        return 2;
    }
    std::printf("pages: %d\n", reader.rvPrint.PageCount());
    const int failures = reader.messages + preview->messages;
    frmPreVer = nullptr;
    delete preview;
    return failures == 0 && reader.rvPrint.PageCount() > 0 ? 0 : 1;
}
