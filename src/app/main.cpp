// Program entry: splash first, then the main window; the splash goes away on
// the main window's timer, or at once on a click or a key.
//
// QUENLOR_SELF_TEST=1 runs a check of an installation instead of the session:
// no splash, the command-line study is opened, and the program prints what it
// shows (title, status path, items, verse-table folder, help page) and ends,
// with exit code 0 only when the study, the verse table and the help are there.
#include "app/application.h"
#include "app/pictures.h"
#include "app/splash.h"
#include "app/verse_lookup.h"
#include "app/win_reader.h"
#include "platform/folders.h"
#include "platform/window_effects.h"
#include "printing/widget/preview_window.h"

#include <QFileInfo>
#include <QTimer>

#include <cstdio>

namespace {

// Messages go to the error stream: nobody is there to press a button.
class SelfTestReader : public TfrmWinReader {
public:
    using TfrmWinReader::TfrmWinReader;
    void ShowMessage(const ReaderMessage &m) override
    {
        std::fprintf(stderr, "%s: %s\n", qUtf8Printable(m.caption), qUtf8Printable(m.text));
        ++messages;
    }
    bool AskQuestion(const ReaderMessage &m) override
    {
        ShowMessage(m);
        return false;
    }
    int messages = 0;
};

int selfTest(TApplication &app)
{
    QApplication::setApplicationName(QStringLiteral("Quenlor"));
    SelfTestReader main(QApplication::arguments());
    main.show();
    QApplication::processEvents();
    const QString table = QString::fromStdString(main.xmlBiblia.DataBase()) + QLatin1String(kVerseTableFile);
    const QString help = QString::fromStdString(platform::programDataDir()) + QStringLiteral("Ayuda/index.html");
    std::printf("titulo: %s\nruta: %s\nelementos: %d\ntabla: %s (%s)\nayuda: %s (%s)\ntraducciones: %s\n",
                qUtf8Printable(main.windowTitle()), qUtf8Printable(main.statusPanelText(2).trimmed()),
                main.rvRevisar->ItemCount(), qUtf8Printable(table),
                QFileInfo::exists(table) ? "encontrada" : "no encontrada", qUtf8Printable(help),
                QFileInfo::exists(help) ? "encontrada" : "no encontrada",
                app.property("quenlorSpanish").toBool() ? "es" : "ninguna");
    const bool ok = main.messages == 0 && main.rvRevisar->ItemCount() > 0 && QFileInfo::exists(table)
                    && QFileInfo::exists(help);
    main.close();
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    if (qEnvironmentVariableIntValue("QUENLOR_SELF_TEST") == 1)
        return selfTest(app);

    frmSplash = new TfrmSplash;
    frmSplash->winId(); // the native window must exist before its class gets the shadow
    platform::addDropShadow(frmSplash->windowHandle());
    frmSplash->show();
    frmSplash->repaint();
    QApplication::processEvents();

    QApplication::setApplicationName(QStringLiteral("Quenlor"));
    QApplication::setWindowIcon(applicationIcon());

    TfrmWinReader main(QApplication::arguments());
    // Made once and reused by every preview, so its page and zoom carry over.
    frmPreVer = new TfrmPreVer;
    main.show();
    // The splash stays in front of the main window while it lasts, also
    // where no window manager keeps it on top.
    if (frmSplash->isVisible())
        frmSplash->raise();

    const int rc = app.exec();
    // Before the main window goes: the preview still points at its printing component.
    delete frmPreVer;
    frmPreVer = nullptr;
    delete frmSplash;
    frmSplash = nullptr;
    return rc;
}
