// The splash window shown while the program starts; the main window's timer
// hides it at the latest, and a click on it or any key hides it at once.
#pragma once
#include <QWidget>

class QLabel;

class TfrmSplash : public QWidget {
    Q_OBJECT
public:
    TfrmSplash();
    QLabel *imgSplash;

signals:
    // The splash went away (timer, click or key): start-up messages may show.
    void hidden();

protected:
    void showEvent(QShowEvent *e) override;
    void hideEvent(QHideEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;
};

// The one splash window of the process (null when none was made).
extern TfrmSplash *frmSplash;
