#include "app/splash.h"

#include "app/pictures.h"

#include <QApplication>
#include <QEvent>
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

void TfrmSplash::showEvent(QShowEvent *e)
{
    QWidget::showEvent(e);
    // Keys go to the main window, which has the focus: watch the whole program.
    qApp->installEventFilter(this);
}

void TfrmSplash::hideEvent(QHideEvent *e)
{
    QWidget::hideEvent(e);
    qApp->removeEventFilter(this);
    emit hidden();
}

bool TfrmSplash::eventFilter(QObject *watched, QEvent *e)
{
    if (!isVisible())
        return false;
    switch (e->type()) {
    case QEvent::KeyPress:
        // The key still reaches its window; the splash only steps aside.
        hide();
        return false;
    case QEvent::MouseButtonPress:
        if (watched == this || (watched->isWidgetType() && isAncestorOf(static_cast<QWidget *>(watched)))) {
            hide();
            return true;
        }
        return false;
    default:
        return false;
    }
}
