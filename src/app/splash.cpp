#include "app/splash.h"

#include "app/pictures.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

TfrmSplash *frmSplash = nullptr;

TfrmSplash::TfrmSplash()
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    imgSplash = new QLabel(this);
    imgSplash->setPixmap(splashPicture());
    imgSplash->move(0, 0);
    imgSplash->resize(imgSplash->pixmap().size());
    setFixedSize(482, 362);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect r(QPoint(), size());
        r.moveCenter(screen->geometry().center());
        move(r.topLeft());
    }
}
