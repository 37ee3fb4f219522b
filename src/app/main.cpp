// Program entry: splash first, then the main window; the splash goes away on
// the main window's timer.
#include "app/application.h"
#include "app/pictures.h"
#include "app/splash.h"
#include "app/win_reader.h"
#include "platform/window_effects.h"
#include "printing/widget/preview_window.h"

int main(int argc, char **argv)
{
    TApplication app(argc, argv);

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
    frmSplash->raise();

    const int rc = app.exec();
    // Before the main window goes: the preview still points at its printing component.
    delete frmPreVer;
    frmPreVer = nullptr;
    delete frmSplash;
    frmSplash = nullptr;
    return rc;
}
