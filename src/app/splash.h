// The splash window shown while the program starts; the main window's timer
// hides it.
#pragma once
#include <QWidget>

class QLabel;

class TfrmSplash : public QWidget {
    Q_OBJECT
public:
    TfrmSplash();
    QLabel *imgSplash;
};

// The one splash window of the process (null when none was made).
extern TfrmSplash *frmSplash;
