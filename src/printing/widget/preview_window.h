// TfrmPreVer: the print preview window. One preview control rvPP under a
// toolbar with the zoom buttons, page navigation, printing and closing. It
// is made once at start-up and shown modally for every preview, so the page,
// zoom mode and zoom carry over between showings.
#pragma once
#include "printing/widget/rv_print_preview.h"

#include <QDialog>

class QActionGroup;
class QLabel;
class QSpinBox;
class QToolBar;
class QToolButton;
namespace rv {
class TRVPrint;
class TCustomRVFormattedData;
}

class TfrmPreVer : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPreVer(QWidget *parent = nullptr);

    QToolBar *ToolBar1;
    QToolButton *ZoomFit, *Zoom100, *ZoomToWidth, *FirstPage, *PreviousPage, *ToolButton2, *LastPage, *PrintSetup,
        *Print, *SaveReport, *LoadReport;
    // "Página n de m" beside the navigation buttons.
    QLabel *lblPagina;
    // The shown page's number, typed or stepped to go to a page.
    QSpinBox *edtPagina;
    TRVPrintPreview *rvPP;

    // The component the print buttons use and the document they attach to it
    // again before printing (the main window's rvPrint and its viewer's data).
    rv::TRVPrint *Printer = nullptr;
    rv::TCustomRVFormattedData *Source = nullptr;

    // What the print dialog returned.
    struct PrintChoice {
        bool accepted = false;
        bool range = false; // pages from..to, else all pages
        int from = 1, to = 1;
    };

    // Attaches the document again, paginates for the printer's present
    // settings and refits the preview to the new pages. False (after a
    // message) when there are no pages to show.
    bool Repaginate();

    // The page display's text for the shown page.
    QString PageText() const;

public slots:
    virtual void ZoomFitClick();
    virtual void Zoom100Click();
    virtual void ZoomToWidthClick();
    virtual void FirstPageClick();
    virtual void PreviousPageClick();
    virtual void ToolButton2Click();
    virtual void LastPageClick();
    virtual void PrintSetupClick();
    virtual void PrintClick();
    virtual void SaveReportClick();
    virtual void LoadReportClick();

protected:
    // The print dialog with the page range 1..pageCount, run modally.
    virtual PrintChoice RunPrintDialog(int pageCount);
    // Tells the reader why nothing was printed.
    virtual void ShowError(const QString &text);
    // Prints the chosen pages; reports a failure.
    bool PrintRange(const PrintChoice &c, const QString &title, int copies, bool collate);

    void showEvent(QShowEvent *e) override;
    void UpdatePageText();
    // Checks the zoom button of the zoom mode (none for a clicked zoom).
    void UpdateZoomButtons();

private:
    // A toolbar button with the next toolbar picture; checkable in `group` when one is given.
    QToolButton *addToolButton(const char *name, const char *hint, void (TfrmPreVer::*handler)(),
                               QActionGroup *group = nullptr);
    void addDivider(const char *name);
    void buildToolButtons();
    // The page number box and the "Página N de M" label.
    void buildPageBox();
    int nextPicture_ = 0; // the toolbar picture of the next button
};

// The preview window, made at start-up and kept until the end.
extern TfrmPreVer *frmPreVer;

// Toolbar pictures 0..10 (18 x 18); `enabled` false gives the greyed set.
QPixmap PreviewToolPicture(int index, bool enabled);
