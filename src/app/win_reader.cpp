#include "app/win_reader.h"

#include "app/find_dialog.h"
#include "app/help_window.h"
#include "app/lib_prcs.h"
#include "app/page_setup.h"
#include "app/pictures.h"
#include "app/splash.h"
#include "app/verse_lookup.h"
#include "components/window_bounds.h"
#include "document/rvf_reader.h"
#include "platform/codepage.h"
#include "platform/folders.h"
#include "platform/settings.h"
#include "printing/widget/preview_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDesktopServices>
#include <QFileDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPushButton>
#include <QUrl>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

TfrmWinReader *frmWinReader = nullptr;

const char *const kCreditLine = "Quenlor, lector de estudios bíblicos - Tavrin";
const QString kOkButton = QStringLiteral("OK");

namespace {

QKeySequence ctrl(Qt::Key key)
{
    return QKeySequence(Qt::CTRL | key);
}

ReaderMessage errorMessage(const QString &text)
{
    return {QMessageBox::Critical, QStringLiteral("Error"), text, kOkButton};
}

// The open-error line, then which file and why.
ReaderMessage openErrorMessage(const QString &path, const QString &reason)
{
    return {QMessageBox::Information, QStringLiteral("Información"),
            QStringLiteral("Ocurrió un error al abrir el documento.\n\n%1\n%2").arg(QDir::toNativeSeparators(path), reason),
            kOkButton};
}

// The hourglass while a lookup runs; the cursor that was in force comes back
// however the handler ends.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

} // namespace

QString RvfErrorReason(const rv::RvfError &error)
{
    using K = rv::RvfErrorKind;
    QString why;
    switch (error.Kind) {
    case K::None: why = QStringLiteral("No se sabe por qué."); break;
    case K::File: why = QStringLiteral("No se puede leer el archivo."); break;
    case K::Header: why = QStringLiteral("Un registro empieza con un encabezado que no es válido."); break;
    case K::Data: why = QStringLiteral("Los datos de un registro están dañados."); break;
    case K::Style: why = QStringLiteral("Usa un estilo desconocido o su tabla de estilos está dañada."); break;
    case K::Picture: why = QStringLiteral("Una imagen tiene un formato desconocido o está dañada."); break;
    case K::Control: why = QStringLiteral("Contiene un control que no se puede crear."); break;
    case K::Table: why = QStringLiteral("Una tabla está dañada."); break;
    case K::Note: why = QStringLiteral("Una nota está dañada."); break;
    case K::Truncated: why = QStringLiteral("El archivo termina a mitad de un registro: está cortado."); break;
    case K::Other: why = QStringLiteral("La lectura se detuvo por un error interno."); break;
    }
    return error.Line > 0 ? QStringLiteral("Línea %1: %2").arg(error.Line).arg(why) : why;
}

QString FileTitle(const QString &path)
{
    qsizetype cut = -1;
    for (qsizetype i = 0; i < path.size(); ++i)
        if (path[i] == QLatin1Char('\\') || path[i] == QLatin1Char('/') || path[i] == QLatin1Char(':'))
            cut = i;
    QString name = path.mid(cut + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return name;
    const QString ext = name.mid(dot);
    name.remove(name.indexOf(ext), ext.size());
    return name;
}

TfrmWinReader::TfrmWinReader(const QStringList &arguments) : FArguments(arguments)
{
    frmWinReader = this;
    setObjectName(QStringLiteral("frmWinReader"));
    setWindowTitle(QStringLiteral("Quenlor v1.0"));
    setWindowIcon(applicationIcon());
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    // The preview keeps the printer's text widths, so its lines match paper.
    rvPrint.PreviewCorrection = true;

    PosSaver = new TPosSaver(this);
    PosSaver->UseRegistry = true;
    PosSaver->RegKey = QStringLiteral("Software\\Tavrin\\Reader");
    PosSaver->setRegRootKey(TPosSaverHKEY::CURRENT_USER);

    Balloon = new TBalloonControl(this);
    Balloon->BalloonType = blnBiblia;
    Balloon->Duration = 0;
    Balloon->Title = QStringLiteral("Jn:45:79");
    BrkApart.CaseSensitive = false;
    BrkApart.AllowEmptyString = false;
    xmlBiblia.SetSql("select * from rv1960");

    FindDialog = new TFindDialog(this);
    FindDialog->SetOptions(frDown | frIgnoreAccents);
    FindDialog->OnFind = [this](TFindDialog *) { FindDialogFind(); };
    RecentFiles = new TRecentFiles(this);
    RecentFiles->Category = QStringLiteral("Estudios Recientes");
    RecentFiles->MaxFiles = 7;

    buildMenus();
    buildToolBar();

    rvStyleEditor.LoadReaderDefaults();
    rvRevisar = new TReadView(this);
    rvRevisar->setObjectName(QStringLiteral("rvRevisar"));
    rvRevisar->SetStyle(&rvStyleEditor);
    rvRevisar->SetPopupMenu(pmuEditor);
    rvRevisar->OnJump = [this](TReadView *sender, int id) { rvRevisarJump(sender, id); };
    // Pagination keeps its page breaks; the viewer marks those of its own document.
    rvRevisar->PageBreakSource = [this]() -> const std::vector<int> * {
        return rvPrint.Source() == &rvRevisar->RVData() ? &rvPrint.SourcePageBreaks() : nullptr;
    };
    setCentralWidget(rvRevisar);

    buildStatusBar();

    RecentFiles->MenuItem = opcRecientes;
    RecentFiles->OnItemClick = [this](TRecentFiles *sender, const QString &file) { RecentFilesItemClick(sender, file); };

    // The designed size is the outer size, frame included.
    setOuterWidth(this, 700);
    setOuterHeight(this, 549);
    buildViewCommands();

    tmrSplash = new QTimer(this);
    tmrSplash->setInterval(4000);
    connect(tmrSplash, &QTimer::timeout, this, [this] { tmrSplashTimer(); });
    tmrSplash->start();

    FormCreate();
}

TfrmWinReader::~TfrmWinReader()
{
    // The viewer refers to the style sheet, a member that goes before the
    // window's children do.
    delete rvRevisar;
    rvRevisar = nullptr;
    if (frmWinReader == this)
        frmWinReader = nullptr;
}

QAction *TfrmWinReader::command(const QString &name, const QString &caption, void (TfrmWinReader::*handler)())
{
    auto *a = new QAction(caption, this);
    a->setObjectName(name);
    connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    return a;
}

void TfrmWinReader::buildMenus()
{
    opcAbrir = command(QStringLiteral("opcAbrir"), QStringLiteral("&Abrir"), &TfrmWinReader::btnAbrirClick);
    opcAbrir->setShortcut(ctrl(Qt::Key_A));
    opcAbrir->setIcon(toolImage(imgOpen));
    opcAbrir->setToolTip(QStringLiteral("Abrir..."));
    opcPrever = command(QStringLiteral("opcPrever"), QStringLiteral("&Vista preliminar"), &TfrmWinReader::btnPreverClick);
    opcPrever->setIcon(toolImage(imgPreview));
    opcImprimir = command(QStringLiteral("opcImprimir"), QStringLiteral("&Imprimir"), &TfrmWinReader::btnImprimirClick);
    opcImprimir->setIcon(toolImage(imgPrint));
    opcConfigurarImpresora = command(QStringLiteral("opcConfigurarImpresora"), QStringLiteral("&Configurar impresora..."),
                                     &TfrmWinReader::opcConfigurarImpresoraClick);
    opcSalir = command(QStringLiteral("opcSalir"), QStringLiteral("&Salir"), &TfrmWinReader::opcSalirClick);

    opcCopiar = command(QStringLiteral("opcCopiar"), QStringLiteral("&Copiar"), &TfrmWinReader::btnBuscarClick);
    opcCopiar->setShortcut(ctrl(Qt::Key_C));
    opcCopiar->setIcon(toolImage(imgCopy));
    opcSeleccionar = command(QStringLiteral("opcSeleccionar"), QStringLiteral("Seleccionar &todo"),
                             &TfrmWinReader::opcSeleccionarClick);
    opcSeleccionar->setShortcut(ctrl(Qt::Key_E));
    Buscar1 = command(QStringLiteral("Buscar1"), QStringLiteral("&Buscar"), &TfrmWinReader::btnCopiarClick);
    Buscar1->setShortcut(ctrl(Qt::Key_B));
    Buscar1->setIcon(toolImage(imgFind));
    Buscar1->setToolTip(QStringLiteral("Buscar..."));
    buildFindNextCommands();

    opcTAyuda = command(QStringLiteral("opcTAyuda"), QStringLiteral("&Temas de Ayuda"), &TfrmWinReader::btnAyudaClick);
    opcTAyuda->setIcon(toolImage(imgHelp));
    opcAcerca = command(QStringLiteral("opcAcerca"), QStringLiteral("&Acerca de..."), &TfrmWinReader::opcAcercaClick);

    buildMenuBar();
}

void TfrmWinReader::buildMenuBar()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu"));
    opcArchivo = bar->addMenu(QStringLiteral("&Archivo"));
    opcArchivo->setObjectName(QStringLiteral("opcArchivo"));
    opcArchivo->addAction(opcAbrir);
    opcRecientes = opcArchivo->addMenu(QStringLiteral("&Recientes"));
    opcRecientes->setObjectName(QStringLiteral("opcRecientes"));
    N1 = opcArchivo->addSeparator();
    N1->setObjectName(QStringLiteral("N1"));
    opcArchivo->addAction(opcPrever);
    opcArchivo->addAction(opcImprimir);
    opcArchivo->addAction(opcConfigurarImpresora);
    N2 = opcArchivo->addSeparator();
    N2->setObjectName(QStringLiteral("N2"));
    opcArchivo->addAction(opcSalir);

    opcEdicion = bar->addMenu(QStringLiteral("&Edición"));
    opcEdicion->setObjectName(QStringLiteral("opcEdicion"));
    opcEdicion->addAction(opcCopiar);
    opcEdicion->addAction(opcSeleccionar);
    sepEdicion = opcEdicion->addSeparator();
    sepEdicion->setObjectName(QStringLiteral("sepEdicion"));
    opcEdicion->addAction(Buscar1);
    opcEdicion->addAction(opcBuscarSiguiente);
    opcEdicion->addAction(opcBuscarAnterior);

    opcAyuda = bar->addMenu(QStringLiteral("A&yuda"));
    opcAyuda->setObjectName(QStringLiteral("opcAyuda"));
    opcAyuda->addAction(opcTAyuda);
    opcAyuda->addAction(opcAcerca);

    pmuEditor = new QMenu(this);
    pmuEditor->setObjectName(QStringLiteral("pmuEditor"));
    mitCopy = opcCopiar;
    mitSelecteAll = opcSeleccionar;
    pmuEditor->addAction(mitCopy);
    pmuEditor->addAction(mitSelecteAll);
}

QToolButton *TfrmWinReader::toolButton(QAction *a, const char *name)
{
    TBEditor->addAction(a);
    auto *b = qobject_cast<QToolButton *>(TBEditor->widgetForAction(a));
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoRaise(true);
    return b;
}

void TfrmWinReader::buildToolBar()
{
    TBEditor = new QToolBar(this);
    TBEditor->setObjectName(QStringLiteral("TBEditor"));
    TBEditor->setMovable(false);
    TBEditor->setFloatable(false);
    TBEditor->setIconSize(QSize(16, 16));
    TBEditor->setToolButtonStyle(Qt::ToolButtonIconOnly);
    TBEditor->setFixedHeight(27);
    TBEditor->setContentsMargins(2, 0, 0, 0);
    TBEditor->setStyleSheet(QStringLiteral("QToolBar::separator { width: 8px; }"));
    TBEditor->toggleViewAction()->setVisible(false);
    addToolBar(Qt::TopToolBarArea, TBEditor);

    // The copy button is named btnBuscar and the find button btnCopiar; their
    // tool tips say what they do.
    btnAbrir = toolButton(opcAbrir, "btnAbrir");
    TBEditor->addSeparator()->setObjectName(QStringLiteral("sepTBEditor01"));
    btnPrever = toolButton(opcPrever, "btnPrever");
    btnImprimir = toolButton(opcImprimir, "btnImprimir");
    TBEditor->addSeparator()->setObjectName(QStringLiteral("ToolButton1"));
    btnBuscar = toolButton(opcCopiar, "btnBuscar");
    TBEditor->addSeparator()->setObjectName(QStringLiteral("sepTBEditor05"));
    btnCopiar = toolButton(Buscar1, "btnCopiar");
    TBEditor->addSeparator()->setObjectName(QStringLiteral("sepTBEditor04"));
    btnAyuda = toolButton(opcTAyuda, "btnAyuda");
}

void TfrmWinReader::buildStatusBar()
{
    StatusLine = statusBar();
    StatusLine->setObjectName(QStringLiteral("StatusLine"));
    StatusLine->setFixedHeight(19);
    const int widths[3] = {290, 50, 50};
    for (int i = 0; i < 3; ++i) {
        auto *panel = new QLabel(StatusLine);
        panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setMinimumWidth(widths[i]);
        if (i < 2)
            panel->setFixedWidth(widths[i]);
        // The last panel reaches to the right edge, as it holds the document's path.
        StatusLine->addWidget(panel, i == 2 ? 1 : 0);
        FPanels[i] = panel;
    }
    FPanels[0]->setText(QString::fromUtf8(kCreditLine));
    PaginationBar = new QProgressBar(StatusLine);
    PaginationBar->setObjectName(QStringLiteral("PaginationBar"));
    PaginationBar->setMaximumWidth(200);
    PaginationBar->setRange(0, 0); // the page count is known only at the end
    PaginationBar->setFormat(QStringLiteral("Paginando: página %v"));
    PaginationBar->setTextVisible(true);
    PaginationBar->hide();
    StatusLine->addPermanentWidget(PaginationBar);
}

int TfrmWinReader::PaginateDocument()
{
    // The study's own page (paper, margins, header and footer positions)
    // until the user chooses one in the set-up dialog.
    const std::string warning =
        rvPrint.UseStudyPageSetup(rvRevisar->RVData().DocParameters.get(), rvRevisar->RVData().GetScreenPixelsPerInchX());
    if (!warning.empty())
        StatusLine->showMessage(QString::fromStdString(warning), 10000);
    rvPrint.AttachData(rvRevisar->RVData());
    rvPrint.OnFormatting = [this](rv::TCustomRVFormattedData &, int page, int step) {
        if (step == 0) {
            PaginationBar->setRange(0, 0);
            PaginationBar->setValue(0);
            PaginationBar->show();
        } else if (step == 1) {
            PaginationBar->setRange(0, page + 1);
            PaginationBar->setValue(page);
        } else {
            PaginationBar->hide();
        }
        // Painted at once, without running the event loop: nothing else may
        // run (timers, queued calls) while the document is half cut.
        if (PaginationBar->isVisible())
            PaginationBar->repaint();
    };
    const int pages = rvPrint.Paginate();
    rvPrint.OnFormatting = nullptr;
    PaginationBar->hide();
    // The viewer shows where the pages now break.
    rvRevisar->viewport()->update();
    return pages;
}

QString TfrmWinReader::statusPanelText(int panel) const
{
    return FPanels[panel]->text();
}

void TfrmWinReader::setStatusPanelText(int panel, const QString &text)
{
    FPanels[panel]->setText(text);
}

// --- window lifecycle ------------------------------------------------------

void TfrmWinReader::FormCreate()
{
    PosSaver->RestorePosition();
    RestorePlacement();

    FCommandLineFile = FArguments.value(1);
    FProgramDir = QString::fromStdString(platform::programDir());
    // An installed program's folder is not writable: the list then lives in the
    // user's configuration folder.
    const std::string dir = platform::isDirectoryWritable(platform::programDir()) ? platform::programDir()
                                                                                  : platform::userConfigDir();
    RecentFiles->IniFileName = QString::fromStdString(dir) + QStringLiteral("Morvel.ini");
    RecentFiles->LoadFromIni();
}

void TfrmWinReader::FormShow()
{
    xmlBiblia.SetDataBase(platform::verseTableDir());
    // A message now would sit behind or over the splash: hold it until the
    // splash has gone.
    HoldMessagesWhileSplash();
    if (!FCommandLineFile.isEmpty())
        OpenDocument(FCommandLineFile);
}

void TfrmWinReader::FormClose()
{
    xmlBiblia.Close();
    PosSaver->SavePosition();
}

void TfrmWinReader::showEvent(QShowEvent *e)
{
    QMainWindow::showEvent(e);
    if (!FShown && !e->spontaneous()) {
        FShown = true;
        FormShow();
    }
}

void TfrmWinReader::closeEvent(QCloseEvent *e)
{
    FormClose();
    e->accept();
}

// --- commands --------------------------------------------------------------

QString TfrmWinReader::AskOpenFileName()
{
    // The samples sit beside the program, or in the installed data folder.
    QFileDialog dialog(this, QStringLiteral("Abrir..."), QString::fromStdString(platform::programDataDir()) + QStringLiteral("Estudios"),
                       QStringLiteral("Archivo formato RVF (*.rvf)"));
    dialog.setDefaultSuffix(QStringLiteral("rvf"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

bool TfrmWinReader::OpenDocument(const QString &path)
{
    // The file is read whole into a document of its own first: a file that
    // is empty, unreadable or damaged never replaces the study on show.
    const QString problem = StudyFileProblem(path);
    if (!problem.isEmpty()) {
        Report(openErrorMessage(path, problem));
        return false;
    }
    if (!rvRevisar->LoadRVFFromFile(path.toUtf8().toStdString())) {
        // The file changed between the two readings: show what was open before.
        Report(openErrorMessage(path, QStringLiteral("El archivo cambió mientras se leía.")));
        if (!FDocumentPath.isEmpty() && FDocumentPath != path
            && rvRevisar->LoadRVFFromFile(FDocumentPath.toUtf8().toStdString())) {
            rvRevisar->FormatDocument();
        } else {
            rvRevisar->Clear();
            FDocumentPath.clear();
            setWindowTitle(QStringLiteral("Quenlor v1.0"));
            setStatusPanelText(2, QString());
        }
        return false;
    }
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    rvRevisar->FormatDocument();
    FDocumentPath = path;
    setWindowTitle(FileTitle(path));
    setStatusPanelText(2, QLatin1Char(' ') + path);
    return true;
}

QString TfrmWinReader::StudyFileProblem(const QString &path) const
{
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("El archivo no existe.");
    if (info.isDir())
        return QStringLiteral("Es una carpeta, no un estudio.");
    if (info.size() == 0)
        return QStringLiteral("El archivo está vacío.");
    QFile probe(path);
    if (!probe.open(QIODevice::ReadOnly))
        return QStringLiteral("No tiene permiso para leer el archivo o no se puede leer.");
    probe.close();
    rv::TRVStyle style;
    style.LoadReaderDefaults();
    rv::TCustomRVData scratch(&style);
    scratch.RVFOptions = rvRevisar->RVFOptions();
    scratch.RVFTextStylesReadMode = rvRevisar->RVData().RVFTextStylesReadMode;
    scratch.RVFParaStylesReadMode = rvRevisar->RVData().RVFParaStylesReadMode;
    // The reader reports a damaged study as a value; only running out of
    // memory escapes, to the application's one error display.
    const bool ok = rv::LoadRVFFromFile(scratch, std::filesystem::path(path.toStdU16String()));
    if (!ok)
        return QStringLiteral("El archivo no es un estudio en formato RVF o está dañado.\n") + RvfErrorReason(scratch.LoadError);
    if (scratch.ItemCount() == 0)
        return QStringLiteral("El archivo no contiene ningún estudio.");
    return {};
}

void TfrmWinReader::btnAbrirClick()
{
    const QString path = AskOpenFileName();
    if (path.isEmpty() || !OpenDocument(path))
        return;
    RecentFiles->AddFile(path);
    RecentFiles->SaveToIni();
}

void TfrmWinReader::RecentFilesItemClick(QObject *, const QString &fileName)
{
    OpenDocument(fileName);
}

void TfrmWinReader::btnPreverClick()
{
    PaginateDocument();
    if (rvPrint.PageCount() <= 0 || !frmPreVer) {
        ShowPrintError();
        return;
    }
    frmPreVer->Printer = &rvPrint;
    frmPreVer->Source = &rvRevisar->RVData();
    frmPreVer->rvPP->SetRVPrint(&rvPrint);
    frmPreVer->exec();
}

void TfrmWinReader::btnImprimirClick()
{
    // Without a printer the job would vanish without a word: say so instead.
    if (!rvPrint.HasPrinter()) {
        ShowMessage({QMessageBox::Warning, QStringLiteral("Imprimir"),
                     QStringLiteral("No hay ninguna impresora instalada o seleccionada. "
                                    "Configure una impresora para imprimir el estudio."),
                     QStringLiteral("OK")});
        return;
    }
    PaginateDocument();
    if (rvPrint.PageCount() <= 0 || !rvPrint.PrintDocument(QStringLiteral("Estudio..."), 1, false))
        ShowPrintError();
}

void TfrmWinReader::ShowPrintError()
{
    // An empty document prints nothing and says nothing.
    if (rvPrint.LastError() == rv::TRVPrintError::None)
        return;
    ShowMessage({QMessageBox::Warning, QStringLiteral("Imprimir"),
                 QString::fromStdString(rv::PrintErrorText(rvPrint.LastError())), QStringLiteral("OK")});
}

void TfrmWinReader::opcConfigurarImpresoraClick()
{
    // The set-up dialog only works on a real printer; without one it would
    // silently do nothing, so say why instead.
    if (rvPrint.Printer().outputFormat() != QPrinter::NativeFormat) {
        ShowMessage({QMessageBox::Information, QStringLiteral("Configurar impresora"),
                     QStringLiteral("No hay ninguna impresora instalada. Instale una impresora para elegir el papel "
                                    "y los márgenes; mientras tanto la vista preliminar usa una hoja A4 con "
                                    "márgenes de %1 mm.")
                         .arg(rvPrint.LeftMarginMM),
                     kOkButton});
        return;
    }
    // The dialog reads the printer's layout when it is made: it starts from
    // the study's page until the user has chosen one.
    rvPrint.UseStudyPageSetup(rvRevisar->RVData().DocParameters.get(), rvRevisar->RVData().GetScreenPixelsPerInchX());
    rvPrint.ApplyStudyPaper();
    TPageSetupMargins margins(rvPrint.Printer(), rvPrint);
    QPageSetupDialog dialog(&rvPrint.Printer(), this);
    if (dialog.exec() == QDialog::Accepted) {
        margins.Accept();
        // From now on paper and margins are the user's, whatever the study asks.
        rvPrint.UserPageSetup = true;
    }
}

void TfrmWinReader::btnBuscarClick()
{
    rvRevisar->CopySelection();
}

void TfrmWinReader::opcSeleccionarClick()
{
    rvRevisar->SelectAll();
    rvRevisar->setFocus();
    rvRevisar->viewport()->update();
}

void TfrmWinReader::rvRevisarJump(TReadView *, int id)
{
    VerseLookup found;
    QString key;
    {
        const WaitCursor wait;
        const QPoint click = QCursor::pos();
        // The link may be in a table cell: its own document holds its text.
        int item = -1;
        const rv::TCustomRVData *doc = rvRevisar->RVData().JumpDocument(id, item);
        Balloon->Text.clear();
        std::string link = doc && item >= 0 ? std::string(doc->ItemText(item)) : std::string();
        // A Unicode item holds UTF-16 bytes; the verse table's keys are 8-bit.
        if (doc && item >= 0 && doc->IsUnicodeItem(item))
            link = platform::fromUtf16(platform::utf16FromLittleEndian(link), platform::CP_LATIN1);
        // A link whose balloon is open: that one comes forward, no second one.
        key = balloonKey(item, link);
        if (TBalloon *open = Balloons->find(key)) {
            Balloons->bringForward(open);
            return;
        }
        found = LookupVerses(xmlBiblia, BrkApart, link);
        if (!found.tableMissing && !found.tableDamaged) {
            Balloon->Title = found.title;
            Balloon->Text = found.lines;
            const BalloonAnchor anchor = balloonAnchorFor(id, click);
            Balloon->PixelCoordinateX = anchor.point.x();
            Balloon->PixelCoordinateY = anchor.point.y();
            Balloon->Position = anchor.position;
        }
    }
    if (found.tableMissing) {
        ShowMessage(errorMessage(missingTableMessage(xmlBiblia.DataBase())));
        return;
    }
    if (found.tableDamaged) {
        ShowMessage(errorMessage(damagedTableMessage(found.tablePath)));
        return;
    }
    Balloons->add(Balloon->ShowBalloon(), key);
}

void TfrmWinReader::btnCopiarClick()
{
    FindDialog->Execute();
}

void TfrmWinReader::FindDialogFind()
{
    FindNext(FindOptionsToSearchOptions(FindDialog->Options()));
}

// --- find next, wrap-around and the dialog off the match --------------------

void TfrmWinReader::buildFindNextCommands()
{
    opcBuscarSiguiente = command(QStringLiteral("opcBuscarSiguiente"), QStringLiteral("Buscar &siguiente"),
                                 &TfrmWinReader::opcBuscarSiguienteClick);
    opcBuscarSiguiente->setShortcut(QKeySequence(Qt::Key_F3));
    opcBuscarAnterior = command(QStringLiteral("opcBuscarAnterior"), QStringLiteral("Buscar &anterior"),
                                &TfrmWinReader::opcBuscarAnteriorClick);
    opcBuscarAnterior->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3));
}

void TfrmWinReader::opcBuscarSiguienteClick()
{
    FindAgain(true);
}

void TfrmWinReader::opcBuscarAnteriorClick()
{
    FindAgain(false);
}

void TfrmWinReader::FindAgain(bool down)
{
    // Nothing to look for yet: ask for it.
    if (FindDialog->FindText().isEmpty()) {
        btnCopiarClick();
        return;
    }
    uint32_t options = FindOptionsToSearchOptions(FindDialog->Options()) & ~uint32_t(rv::rvsroDown);
    if (down)
        options |= rv::rvsroDown;
    FindNext(options);
}

bool TfrmWinReader::FindNext(uint32_t options)
{
    const std::u16string text = FindDialog->FindText().toStdU16String();
    // The search goes on from the selection's moving end: after a step the
    // other way that end lies past the match on show, which would be found
    // again. A step that only reselects it takes one more step.
    auto span = [this] {
        const rv::TReadViewRVData &data = rvRevisar->RVData();
        if (data.CellSelectionExists()) {
            // A match in a table cell: the table, the cell and the match's start in it.
            const auto &c = data.CellSelection();
            const rv::TRVItemPos a = c.Anchor.ItemNo < c.Moving.ItemNo
                                             || (c.Anchor.ItemNo == c.Moving.ItemNo && c.Anchor.Offs <= c.Moving.Offs)
                                         ? c.Anchor
                                         : c.Moving;
            // Tables nested in the cell count too: two inner cells may hold
            // matches at the same place of their own text.
            std::vector<int> at{-2 - c.TableItem, c.CellNo, a.ItemNo, a.Offs};
            for (const auto &step : c.Inner) {
                at.push_back(step.TableItem);
                at.push_back(step.CellNo);
            }
            return at;
        }
        rv::TRVSelectionBounds sb;
        if (!data.GetSelectionBounds(sb))
            return std::vector<int>{-1, -1, -1, -1};
        return std::vector<int>{sb.StartNo, sb.StartOffs, sb.EndNo, sb.EndOffs};
    };
    const auto before = span();
    bool found = rvRevisar->SearchText(text, options);
    if (found && before[0] != -1 && span() == before)
        found = rvRevisar->SearchText(text, options) && span() != before;
    if (found) {
        MoveFindDialogOffMatch();
        return true;
    }
    if (!rvRevisar->RVData().TextOccurs(text, options)) {
        ShowMessage({QMessageBox::Information, QStringLiteral("Búsqueda completa"),
                     QStringLiteral("No se encuentra \"%1\".").arg(FindDialog->FindText()), kOkButton});
        return false;
    }
    const bool down = options & rv::rvsroDown;
    const QString question = down ? QStringLiteral("Se llegó al final del estudio. ¿Desea continuar la búsqueda "
                                                   "desde el principio?")
                                  : QStringLiteral("Se llegó al principio del estudio. ¿Desea continuar la búsqueda "
                                                   "desde el final?");
    if (!AskQuestion({QMessageBox::Question, QStringLiteral("Buscar"), question, QString()}))
        return false;
    if (!rvRevisar->SearchText(text, options | rv::rvsroFromStart))
        return false;
    MoveFindDialogOffMatch();
    return true;
}

QRect TfrmWinReader::SelectionScreenRect() const
{
    rv::TRVSelectionBounds sb;
    const rv::TReadViewRVData &data = rvRevisar->RVData();
    const int dx = -rvRevisar->HScrollPos(), dy = -rvRevisar->VScrollPos() * rvRevisar->VScrollUnit();
    if (data.CellSelectionExists()) {
        const platform::Rect c = data.CellSelectionRect();
        if (c.isEmpty())
            return {};
        const QWidget *vp = rvRevisar->viewport();
        return QRect(vp->mapToGlobal(QPoint(c.left + dx, c.top + dy)), QSize(c.right - c.left, c.bottom - c.top));
    }
    if (!data.GetSelectionBounds(sb) || sb.StartNo < 0)
        return {};
    QRect r;
    for (int i = sb.StartNo; i <= sb.EndNo && i < data.DrawItemList().Count(); ++i) {
        const auto &d = data.DrawItemList()[i];
        r |= QRect(d.Left + dx, d.Top + dy, std::max(d.Width, 1), std::max(d.Height, 1));
    }
    if (r.isEmpty())
        return {};
    const QWidget *vp = rvRevisar->viewport();
    return QRect(vp->mapToGlobal(r.topLeft()), r.size());
}

void TfrmWinReader::MoveFindDialogOffMatch()
{
    if (!FindDialog->isVisible())
        return;
    const QRect match = SelectionScreenRect();
    const QRect dialog = FindDialog->frameGeometry();
    if (match.isEmpty() || !dialog.intersects(match))
        return;
    const QScreen *screen = FindDialog->screen() ? FindDialog->screen() : QGuiApplication::primaryScreen();
    const QRect avail = screen ? screen->availableGeometry() : QRect();
    const int gap = 12;
    // Below the match when there is room, otherwise above it.
    QPoint to(dialog.left(), match.bottom() + gap);
    if (avail.isValid() && to.y() + dialog.height() > avail.bottom())
        to.setY(match.top() - gap - dialog.height());
    if (avail.isValid()) {
        to.setX(std::clamp(to.x(), avail.left(), std::max(avail.left(), avail.right() - dialog.width())));
        to.setY(std::clamp(to.y(), avail.top(), std::max(avail.top(), avail.bottom() - dialog.height())));
    }
    FindDialog->move(to);
}

void TfrmWinReader::btnAyudaClick()
{
    // The help pages sit beside the program, or in the installed data folder.
    ShowHelpFile(QString::fromStdString(platform::programDataDir()), QStringLiteral("index.html"));
}

void TfrmWinReader::ShowHelpFile(const QString &folder, const QString &page)
{
    const QString pagePath = folder + QStringLiteral("Ayuda") + QLatin1Char(platform::kPathSeparator) + page;
    if (!QFileInfo(pagePath).isFile()) {
        ShowMessage(errorMessage(QStringLiteral("El archivo de ayuda no se encuentra en la carpeta de Ayuda.")));
        return;
    }
#ifdef _WIN32
    // The help viewer program beside the reader, when it is there.
    if (const QString viewer = folder + QStringLiteral("HtmlHelp.exe"); QFileInfo(viewer).isFile()) {
        LaunchProgram(viewer, pagePath, folder, 5);
        return;
    }
#endif
    OpenHelpPage(pagePath);
}

void TfrmWinReader::OpenHelpPage(const QString &path)
{
    // Help always answers: without a program for HTML pages, our own window.
    if (!HandHelpToDesktop(path))
        ShowBuiltInHelp(path);
}

bool TfrmWinReader::HandHelpToDesktop(const QString &path)
{
    return DesktopOpensHtmlPages() && QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

THelpWindow *TfrmWinReader::ShowBuiltInHelp(const QString &path)
{
    if (!FHelpWindow)
        FHelpWindow = new THelpWindow(this);
    FHelpWindow->ShowPage(path);
    return FHelpWindow;
}

void TfrmWinReader::ShowMessage(const ReaderMessage &m)
{
    // The about box has no owner, as a plain system message box.
    const bool owned = m.caption != QStringLiteral("Acerca de...");
    QMessageBox box(m.icon, m.caption, m.text, QMessageBox::NoButton, owned ? this : nullptr);
    // "OK" is the standard button, which Qt's translation shows as "Aceptar".
    QPushButton *button = m.button.isEmpty() || m.button == kOkButton ? box.addButton(QMessageBox::Ok)
                                                                      : box.addButton(m.button, QMessageBox::AcceptRole);
    box.setDefaultButton(button);
    box.setEscapeButton(button);
    box.exec();
}

bool TfrmWinReader::AskQuestion(const ReaderMessage &m)
{
    QMessageBox box(QMessageBox::Question, m.caption, m.text, QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

// --- messages that wait for the splash ---------------------------------------

void TfrmWinReader::Report(const ReaderMessage &m)
{
    if (FHoldMessages) {
        FHeldMessages << m;
        return;
    }
    ShowMessage(m);
}

void TfrmWinReader::HoldMessagesWhileSplash()
{
    if (!frmSplash || !frmSplash->isVisible())
        return;
    FHoldMessages = true;
    connect(frmSplash, &TfrmSplash::hidden, this, &TfrmWinReader::ShowHeldMessages, Qt::UniqueConnection);
}

void TfrmWinReader::ShowHeldMessages()
{
    if (!FHoldMessages)
        return;
    FHoldMessages = false;
    if (frmSplash)
        disconnect(frmSplash, &TfrmSplash::hidden, this, &TfrmWinReader::ShowHeldMessages);
    // Shown after the splash's hide has finished, from the event loop.
    QTimer::singleShot(0, this, [this] {
        const QList<ReaderMessage> held = std::exchange(FHeldMessages, {});
        for (const ReaderMessage &m : held)
            ShowMessage(m);
    });
}

// --- window placement --------------------------------------------------------

void TfrmWinReader::RestorePlacement()
{
    // Without a stored position the system places the window; a stored one
    // is kept only where a screen shows it.
    const platform::KeyStore key(PosSaver->RegKey.toStdString());
    if (!key.valueExists("Left") && !key.valueExists("Top")) {
        setAttribute(Qt::WA_Moved, false);
        return;
    }
    QList<QRect> screens;
    for (const QScreen *s : QGuiApplication::screens())
        screens << s->availableGeometry();
    const QRect outer = frameGeometry();
    const QRect kept = KeepOnScreens(outer, screens);
    if (kept != outer) {
        move(kept.topLeft());
        if (kept.size() != outer.size()) {
            setOuterWidth(this, kept.width());
            setOuterHeight(this, kept.height());
        }
    }
}

void TfrmWinReader::opcSalirClick()
{
    xmlBiblia.Close();
    close();
}

void TfrmWinReader::opcAcercaClick()
{
    const QString text = QStringLiteral("  Quenlor\n\n") + QString::fromUtf8(kCreditLine) +
                         QStringLiteral("\n\nTavrin Software\nApartado de correos 316\n"
                                        "Escríbanos: lectores@tavrin.example");
    ShowMessage({QMessageBox::NoIcon, QStringLiteral("Acerca de..."), text, QStringLiteral("OK")});
}

void TfrmWinReader::tmrSplashTimer()
{
    if (frmSplash)
        frmSplash->hide();
    // Once is enough: the timer goes away after its first tick.
    if (tmrSplash) {
        tmrSplash->stop();
        tmrSplash->deleteLater();
        tmrSplash = nullptr;
    }
}
