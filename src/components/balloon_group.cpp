#include "components/balloon_group.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWidget>

TBalloonGroup::TBalloonGroup(QWidget *window) : QObject(window), FWindow(window)
{
    FWindowPos = window->pos();
    window->installEventFilter(this);
}

TBalloonGroup::~TBalloonGroup()
{
    // Balloons have no parent: they would outlive the window.
    for (const Entry &e : FEntries)
        delete e.balloon.data();
}

TBalloon *TBalloonGroup::find(const QString &key) const
{
    for (const Entry &e : FEntries)
        if (e.balloon && e.key == key)
            return e.balloon;
    return nullptr;
}

void TBalloonGroup::add(TBalloon *balloon, const QString &key)
{
    if (!balloon)
        return;
    if (TBalloon *old = find(key); old && old != balloon)
        old->close();
    FEntries.removeIf([balloon](const Entry &e) { return e.balloon.isNull() || e.object == balloon; });
    FEntries.append({balloon, key, balloon});
    FWindowPos = FWindow->pos();
    // While `destroyed` runs the balloon is only a QObject: it is matched by
    // address, never through a TBalloon pointer.
    connect(balloon, &QObject::destroyed, this, [this](QObject *gone) {
        FEntries.removeIf([gone](const Entry &e) { return e.object == gone || e.balloon.isNull(); });
        emit countChanged(count());
    });
    connect(balloon, &TBalloon::closeAllRequested, this, &TBalloonGroup::closeAll);
    if (!FWindowShown)
        balloon->hide();
    emit countChanged(count());
}

void TBalloonGroup::bringForward(TBalloon *balloon)
{
    for (qsizetype i = 0; i < FEntries.size(); ++i) {
        if (FEntries[i].balloon != balloon)
            continue;
        FEntries.move(i, FEntries.size() - 1);
        if (FWindowShown && !balloon->isVisible())
            balloon->show();
        if (QGuiApplication::platformName() != QLatin1String("offscreen"))
            balloon->raise();
        return;
    }
}

QList<TBalloon *> TBalloonGroup::balloons() const
{
    QList<TBalloon *> out;
    for (const Entry &e : FEntries)
        if (e.balloon)
            out << e.balloon;
    return out;
}

int TBalloonGroup::count() const
{
    return int(balloons().size());
}

bool TBalloonGroup::closeNewest()
{
    for (qsizetype i = FEntries.size() - 1; i >= 0; --i) {
        if (TBalloon *b = FEntries[i].balloon) {
            FEntries.removeAt(i);
            b->close();
            emit countChanged(count());
            return true;
        }
    }
    return false;
}

void TBalloonGroup::closeAll()
{
    const QList<Entry> all = FEntries;
    FEntries.clear();
    for (const Entry &e : all)
        if (e.balloon)
            e.balloon->close();
    if (!all.isEmpty())
        emit countChanged(0);
}

QString TBalloonGroup::selectedText() const
{
    for (qsizetype i = FEntries.size() - 1; i >= 0; --i)
        if (TBalloon *b = FEntries[i].balloon; b && b->textLabel()->hasSelection())
            return b->textLabel()->selectedText();
    return {};
}

void TBalloonGroup::followWindow()
{
    const QPoint now = FWindow->pos();
    const QPoint delta = now - FWindowPos;
    FWindowPos = now;
    if (delta.isNull())
        return;
    for (const Entry &e : FEntries)
        if (e.balloon)
            e.balloon->move(e.balloon->pos() + delta);
}

void TBalloonGroup::setWindowShown(bool shown)
{
    if (shown == FWindowShown)
        return;
    FWindowShown = shown;
    for (const Entry &e : FEntries) {
        if (!e.balloon)
            continue;
        if (shown)
            e.balloon->show();
        else
            e.balloon->hide();
    }
}

bool TBalloonGroup::eventFilter(QObject *watched, QEvent *e)
{
    if (watched == FWindow) {
        switch (e->type()) {
        case QEvent::Move:
            followWindow();
            break;
        case QEvent::WindowStateChange:
            setWindowShown(FWindow->isVisible() && !(FWindow->windowState() & Qt::WindowMinimized));
            break;
        case QEvent::Hide:
            setWindowShown(false);
            break;
        case QEvent::Show:
            setWindowShown(!(FWindow->windowState() & Qt::WindowMinimized));
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, e);
}
