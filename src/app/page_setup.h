// The page set-up dialog speaks in millimetres and shows the study's own
// margins: the printer's page layout carries them while the dialog is up, and
// gets its own margins back afterwards, so the printable area the printing
// component measures from stays the printer's.
#pragma once
#include <QPageLayout>

class QPrinter;
namespace rv {
class TCustomRVPrint;
}

class TPageSetupMargins {
public:
    TPageSetupMargins(QPrinter &printer, rv::TCustomRVPrint &print);
    ~TPageSetupMargins();
    TPageSetupMargins(const TPageSetupMargins &) = delete;
    TPageSetupMargins &operator=(const TPageSetupMargins &) = delete;

    // The dialog was accepted: its margins, in whole millimetres, become the
    // printing component's.
    void Accept();

private:
    QPrinter &FPrinter;
    rv::TCustomRVPrint &FPrint;
    QMarginsF FOwnMargins;
    QPageLayout::Unit FOwnUnits;
};
