// The main window: menus, toolbar, status bar, the viewer area and the
// commands they run. Each command is one QAction shared by the menu, the
// toolbar and the context menu, so a shortcut belongs to exactly one action.
#pragma once
#include "components/balloon.h"
#include "components/balloon_group.h"
#include "components/brkapart.h"
#include "components/pos_saver.h"
#include "components/recent_files.h"
#include "document/rv_error.h"
#include "document/rv_style.h"
#include "printing/qt/rv_print_qt.h"
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
#include "app/help_window.h"

// A message the reader shows: one dialog with a caption, an icon, a text and
// a single button; "OK" is the standard button, shown in the user's language.
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
// Why a study did not read, in the reader's words, with the line where it stopped.
QString RvfErrorReason(const rv::RvfError &error);

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
    QAction *opcBuscarSiguiente, *opcBuscarAnterior; // F3, Shift+F3
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

    // The verse balloons on the screen: one per link; Esc closes the newest,
    // Ctrl+Shift+W all of them. They follow the window.
    TBalloonGroup *Balloons;
    // Ver: zoom of the viewer and the balloons' commands.
    QMenu *opcVer;
    QAction *opcAmpliar, *opcReducir, *opcTamanoNormal, *opcCerrarGlobo, *opcCerrarGlobos;
    // The viewer's zoom kept between runs, in percent (100 when none was kept).
    static int SavedZoom();
    static void SaveZoom(int percent);

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
    virtual void opcBuscarSiguienteClick();
    virtual void opcBuscarAnteriorClick();

    // Loads a document into the viewer and, on success, shows it: caption,
    // status panel 2. A failure is reported and changes nothing: the study on
    // show stays.
    bool OpenDocument(const QString &path);
    // Why the file cannot be shown as a study (Spanish), or empty when it
    // reads whole. Reads it into a document of its own.
    QString StudyFileProblem(const QString &path) const;
    // The path of the study on show; empty when none.
    QString documentPath() const { return FDocumentPath; }

    // One find-next step with the viewer's search options; at the end of the
    // study it offers to go on from the other end, and says when the text is
    // nowhere. True when a match is selected.
    bool FindNext(uint32_t options);
    // The selected text's rectangle in screen pixels (empty without one).
    QRect SelectionScreenRect() const;

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
    // Asks a yes/no question; true for yes. Tests replace it.
    virtual bool AskQuestion(const ReaderMessage &question);
    // Shows a message now, or once the splash has gone while it is up.
    void Report(const ReaderMessage &message);
    // Shows a help page with the system's handler for HTML pages, or in the
    // reader's own help window when there is none.
    virtual void OpenHelpPage(const QString &path);
    // Hands the page to the desktop; false when nothing there opens it.
    virtual bool HandHelpToDesktop(const QString &path);
    THelpWindow *ShowBuiltInHelp(const QString &path);
    THelpWindow *helpWindow() const { return FHelpWindow; }
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
    // Archivo, Edición and Ayuda, and the viewer's context menu, over the commands.
    void buildMenuBar();
    void buildToolBar();
    void buildStatusBar();
    void buildFindNextCommands();
    void FindAgain(bool down);
    void MoveFindDialogOffMatch();
    void HoldMessagesWhileSplash();
    void ShowHeldMessages();
    void RestorePlacement();
    // The Ver menu, the balloon commands, the saved zoom and the first-start
    // size on large screens.
    void buildViewCommands();
    struct BalloonAnchor {
        QPoint point;
        TBalloonPosition position;
    };
    // For the link with jump id: the mouse for a click, the link itself for Enter.
    BalloonAnchor balloonAnchorFor(int id, const QPoint &click) const;
    // Identifies a link for "one balloon per link".
    static QString balloonKey(int itemNo, const std::string &linkText);

    QString FProgramDir;       // ends in the path separator
    QString FCommandLineFile;  // empty when none was given
    QStringList FArguments;
    QLabel *FPanels[3] = {};
    bool FShown = false;
    QString FDocumentPath;
    bool FHoldMessages = false;
    QList<ReaderMessage> FHeldMessages;
    QPointer<THelpWindow> FHelpWindow;
};

// The first-start size of the main window for a screen's work area: the
// designed 700 x 549, grown with the screen up to 1.6 times on large screens.
QSize defaultReaderSize(const QSize &available);

// Where a verse balloon's arrow points and on which side of the point it lies:
// toward the middle of the window, from the point `toward` (the mouse, or the
// middle of the link when opened with the keyboard).
TBalloonPosition balloonPositionFor(const QPoint &toward, const QRect &window);

// The main window, for parts that need its bounds (the verse popup).
extern TfrmWinReader *frmWinReader;

// The maker's credit line of status panel 0 and the about box.
extern const char *const kCreditLine;
extern const QString kOkButton;
