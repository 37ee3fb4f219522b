// The main window: menus, toolbar, status bar, the viewer area and the
// commands they run. Each command is one QAction shared by the menu, the
// toolbar and the context menu, so a shortcut belongs to exactly one action.
#pragma once
#include "components/balloon.h"
#include "components/brkapart.h"
#include "components/pos_saver.h"
#include "components/recent_files.h"
#include "document/rv_style.h"
#include "printing/rv_print_qt.h"
#include "viewer/widget/readview.h"
#include "xmlsql/xml_sql_db.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QTimer>

class QLabel;
class QProgressBar;
class QMenu;
class QToolBar;
class QToolButton;
class TFindDialog;

// A message the reader shows: one dialog with a caption, an icon, a text and
// a single button ("&Abort" or "OK").
struct ReaderMessage {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString caption;
    QString text;
    QString button;
    bool operator==(const ReaderMessage &) const = default;
};

// The file name of a path without its extension: the first occurrence of the
// extension text in the name is removed ("a.rvf.b.rvf" gives "a.b.rvf").
QString FileTitle(const QString &path);
// The folder of the verse table files, ending in a separator; empty when the
// system cannot say.
std::string WindowsDir();

class TfrmWinReader : public QMainWindow {
    Q_OBJECT
public:
    // arguments: the program's command line, program name first.
    explicit TfrmWinReader(const QStringList &arguments);
    ~TfrmWinReader() override;

    // Menus and their items. Menu items and toolbar buttons that run the same
    // command are the same action.
    QMenu *opcArchivo, *opcRecientes, *opcEdicion, *opcAyuda;
    QAction *opcAbrir, *opcPrever, *opcImprimir, *opcConfigurarImpresora, *opcSalir;
    QAction *opcCopiar, *opcSeleccionar, *Buscar1;
    QAction *opcTAyuda, *opcAcerca;
    QAction *N1, *N2, *sepEdicion;

    QToolBar *TBEditor;
    QToolButton *btnAbrir, *btnPrever, *btnImprimir, *btnBuscar, *btnCopiar, *btnAyuda;

    // The document viewer between toolbar and status bar, and its style sheet.
    TReadView *rvRevisar;
    rv::TRVStyle rvStyleEditor;
    // Prints the viewer's document (20 mm margins); the preview draws its pages.
    rv::TRVPrint rvPrint;
    QMenu *pmuEditor;
    QAction *mitCopy, *mitSelecteAll; // opcCopiar and opcSeleccionar

    QStatusBar *StatusLine;
    QString statusPanelText(int panel) const;
    void setStatusPanelText(int panel, const QString &text);
    QLabel *statusPanel(int panel) const { return FPanels[panel]; }

    TPosSaver *PosSaver;
    TBrkApart BrkApart;
    TBalloonControl *Balloon;
    TRecentFiles *RecentFiles;
    xmlsql::TXmlSqlDb xmlBiblia;
    TFindDialog *FindDialog;
    QPointer<QTimer> tmrSplash; // gone once it has fired

    QString programDir() const { return FProgramDir; }
    QString commandLineFile() const { return FCommandLineFile; }

    // Command handlers.
    virtual void btnAbrirClick();
    virtual void RecentFilesItemClick(QObject *sender, const QString &fileName);
    virtual void btnPreverClick();
    virtual void btnImprimirClick();
    virtual void opcConfigurarImpresoraClick();
    virtual void opcSalirClick();
    virtual void btnBuscarClick();  // copy
    virtual void opcSeleccionarClick();
    virtual void btnCopiarClick();  // find
    virtual void btnAyudaClick();
    virtual void opcAcercaClick();
    virtual void rvRevisarJump(TReadView *sender, int id);
    virtual void tmrSplashTimer();
    void FindDialogFind();

    // Loads a document into the viewer and, on success, shows it: caption,
    // status panel 2. A failure is reported and changes nothing else.
    bool OpenDocument(const QString &path);

    // Checks the help page (and, where it is used, the help viewer) in folder
    // and shows the page; a missing file is reported.
    void ShowHelpFile(const QString &folder, const QString &page);

    // Shows a message and waits for its button; tests replace it.
    virtual void ShowMessage(const ReaderMessage &message);
    // The reason the last pagination or print job gave nothing, when there is one.
    void ShowPrintError();
    // Attaches the viewer's document to rvPrint and paginates, with a progress
    // bar in the status bar while a long study is cut into pages.
    int PaginateDocument();
    QProgressBar *PaginationBar = nullptr;
    // Shows a help page with the system's handler for HTML pages.
    virtual void OpenHelpPage(const QString &path);
    // Runs the open dialog; empty when cancelled.
    virtual QString AskOpenFileName();

protected:
    virtual void FormCreate();
    virtual void FormShow();
    virtual void FormClose();

    void showEvent(QShowEvent *e) override;
    void closeEvent(QCloseEvent *e) override;

private:
    QAction *command(const QString &name, const QString &caption, void (TfrmWinReader::*handler)());
    QToolButton *toolButton(QAction *a, const char *name);
    void buildMenus();
    void buildToolBar();
    void buildStatusBar();

    QString FProgramDir;       // ends in the path separator
    QString FCommandLineFile;  // empty when none was given
    QStringList FArguments;
    QLabel *FPanels[3] = {};
    bool FShown = false;
};

// The main window, for parts that need its bounds (the verse popup).
extern TfrmWinReader *frmWinReader;

// The maker's credit line of status panel 0 and the about box.
extern const char *const kCreditLine;
