// The balloons a window has open: at most one per key (a link), newest last.
// They travel with the window when it moves and hide while it is minimised or
// hidden; the window can close the newest or all of them.
#pragma once
#include "components/balloon.h"

#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>

class TBalloonGroup : public QObject {
    Q_OBJECT
public:
    // window: the window the balloons belong to (it owns the group).
    explicit TBalloonGroup(QWidget *window);
    ~TBalloonGroup() override;

    // The open balloon shown for key, or nullptr.
    TBalloon *find(const QString &key) const;
    // Takes an open balloon under key; one already there for that key is closed.
    void add(TBalloon *balloon, const QString &key);
    // Brings a balloon to the front and makes it the newest.
    void bringForward(TBalloon *balloon);
    // Open balloons, oldest first.
    QList<TBalloon *> balloons() const;
    int count() const;
    // False when there was none to close.
    bool closeNewest();
    void closeAll();
    // The characters selected in the balloon where text was selected last ("" when none).
    QString selectedText() const;

signals:
    void countChanged(int count);

protected:
    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    struct Entry {
        QPointer<TBalloon> balloon;
        QString key;
        const QObject *object; // the balloon's address, for matching it while it is destroyed
    };
    void followWindow();
    void setWindowShown(bool shown);

    QWidget *FWindow;
    QList<Entry> FEntries;
    QPoint FWindowPos;       // where the window was when the balloons were last placed
    bool FWindowShown = true;
};
