#include "app/win_reader.h"

#include "app/find_dialog.h"
#include "app/lib_prcs.h"
#include "app/pictures.h"
#include "app/splash.h"
#include "app/verse_lookup.h"
#include "components/window_bounds.h"
#include "platform/codepage.h"
#include "platform/folders.h"
#include "printing/widget/preview_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QPushButton>
#include <QUrl>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include <cstdlib>
#include <optional>
#ifdef _WIN32
#include <windows.h>
#endif

TfrmWinReader *frmWinReader = nullptr;

const char *const kCreditLine = "Quenlor, lector de estudios bíblicos - Tavrin";

namespace {

QKeySequence ctrl(Qt::Key key)
{
    return QKeySequence(Qt::CTRL | key);
}

const QString kAbort = QStringLiteral("&Abort");

ReaderMessage errorMessage(const QString &text)
{
    return {QMessageBox::Critical, QStringLiteral("Error"), text, kAbort};
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

// Which side of the point the balloon takes: toward the middle of the window.
TBalloonPosition balloonPositionFor(const QPoint &mouse, const QRect &window)
{
    const int dx = mouse.x() - window.left(), dy = mouse.y() - window.top();
    const int halfW = window.width() / 2, halfH = window.height() / 2;
    if (dx >= halfW)
        return dy >= halfH ? blnArrowTopLeft : blnArrowBottomLeft;
    return dy < halfH ? blnArrowBottomRight : blnArrowTopRight;
}

} // namespace

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

std::string WindowsDir()
{
#ifdef _WIN32
    // The Windows directory, asked for its length first: no fixed buffer.
    if (const char *env = std::getenv("QUENLOR_DATA"); !env || !*env) {
        const UINT need = GetWindowsDirectoryW(nullptr, 0);
        if (need == 0)
            return {};
        std::wstring buf(need, L'\0');
        const UINT got = GetWindowsDirectoryW(buf.data(), need);
        if (got == 0 || got >= need)
            return {};
        buf.resize(got);
        return QString::fromStdWString(buf).toLocal8Bit().toStdString() + "\\";
    }
#endif
    return platform::verseTableDir();
}

TfrmWinReader::TfrmWinReader(const QStringList &arguments) : FArguments(arguments)
{
    frmWinReader = this;
    setObjectName(QStringLiteral("frmWinReader"));
    setWindowTitle(QStringLiteral("Quenlor v1.0"));
    setWindowIcon(applicationIcon());
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));

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
    FindDialog->SetOptions(frDown);
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
    setCentralWidget(rvRevisar);

    buildStatusBar();

    RecentFiles->MenuItem = opcRecientes;
    RecentFiles->OnItemClick = [this](TRecentFiles *sender, const QString &file) { RecentFilesItemClick(sender, file); };

    // The designed size is the outer size, frame included.
    setOuterWidth(this, 700);
    setOuterHeight(this, 549);

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
    opcAbrir = command(QStringLiteral("opcAbrir"), QStringLiteral("Abrir"), &TfrmWinReader::btnAbrirClick);
    opcAbrir->setShortcut(ctrl(Qt::Key_A));
    opcAbrir->setIcon(toolImage(imgOpen));
    opcAbrir->setToolTip(QStringLiteral("Abrir..."));
    opcPrever = command(QStringLiteral("opcPrever"), QStringLiteral("Vista preliminar"), &TfrmWinReader::btnPreverClick);
    opcPrever->setIcon(toolImage(imgPreview));
    opcImprimir = command(QStringLiteral("opcImprimir"), QStringLiteral("Imprimir"), &TfrmWinReader::btnImprimirClick);
    opcImprimir->setIcon(toolImage(imgPrint));
    opcConfigurarImpresora = command(QStringLiteral("opcConfigurarImpresora"), QStringLiteral("Configurar impresora..."),
                                     &TfrmWinReader::opcConfigurarImpresoraClick);
    opcSalir = command(QStringLiteral("opcSalir"), QStringLiteral("Salir"), &TfrmWinReader::opcSalirClick);

    opcCopiar = command(QStringLiteral("opcCopiar"), QStringLiteral("Copiar"), &TfrmWinReader::btnBuscarClick);
    opcCopiar->setShortcut(ctrl(Qt::Key_C));
    opcCopiar->setIcon(toolImage(imgCopy));
    opcSeleccionar = command(QStringLiteral("opcSeleccionar"), QStringLiteral("Seleccionar todo"),
                             &TfrmWinReader::opcSeleccionarClick);
    opcSeleccionar->setShortcut(ctrl(Qt::Key_E));
    Buscar1 = command(QStringLiteral("Buscar1"), QStringLiteral("Buscar"), &TfrmWinReader::btnCopiarClick);
    Buscar1->setShortcut(ctrl(Qt::Key_B));
    Buscar1->setIcon(toolImage(imgFind));
    Buscar1->setToolTip(QStringLiteral("Buscar..."));

    opcTAyuda = command(QStringLiteral("opcTAyuda"), QStringLiteral("Temas de Ayuda"), &TfrmWinReader::btnAyudaClick);
    opcTAyuda->setIcon(toolImage(imgHelp));
    opcAcerca = command(QStringLiteral("opcAcerca"), QStringLiteral("Acerca de..."), &TfrmWinReader::opcAcercaClick);

    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu"));
    opcArchivo = bar->addMenu(QStringLiteral("Archivo"));
    opcArchivo->setObjectName(QStringLiteral("opcArchivo"));
    opcArchivo->addAction(opcAbrir);
    opcRecientes = opcArchivo->addMenu(QStringLiteral("Recientes"));
    opcRecientes->setObjectName(QStringLiteral("opcRecientes"));
    N1 = opcArchivo->addSeparator();
    N1->setObjectName(QStringLiteral("N1"));
    opcArchivo->addAction(opcPrever);
    opcArchivo->addAction(opcImprimir);
    opcArchivo->addAction(opcConfigurarImpresora);
    N2 = opcArchivo->addSeparator();
    N2->setObjectName(QStringLiteral("N2"));
    opcArchivo->addAction(opcSalir);

    opcEdicion = bar->addMenu(QStringLiteral("Edición"));
    opcEdicion->setObjectName(QStringLiteral("opcEdicion"));
    opcEdicion->addAction(opcCopiar);
    opcEdicion->addAction(opcSeleccionar);
    sepEdicion = opcEdicion->addSeparator();
    sepEdicion->setObjectName(QStringLiteral("sepEdicion"));
    opcEdicion->addAction(Buscar1);

    opcAyuda = bar->addMenu(QStringLiteral("Ayuda"));
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
    // The system places the window; only the restored size is kept.
    setAttribute(Qt::WA_Moved, false);

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
    xmlBiblia.SetDataBase(WindowsDir());
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
    QFileDialog dialog(this, QStringLiteral("Abrir..."), FProgramDir + QStringLiteral("Estudios"),
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
    if (!rvRevisar->LoadRVFFromFile(path.toUtf8().toStdString())) {
        ShowMessage({QMessageBox::Information, QStringLiteral("Information"),
                     QStringLiteral("Ocurrio un error al abrir el documento."), kAbort});
        return false;
    }
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    rvRevisar->FormatDocument();
    setWindowTitle(FileTitle(path));
    setStatusPanelText(2, QLatin1Char(' ') + path);
    return true;
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
    QPageSetupDialog dialog(&rvPrint.Printer(), this);
    dialog.exec();
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
    {
        const WaitCursor wait;
        const QPoint click = QCursor::pos();
        const int item = rvRevisar->ItemIndexOfJump(id);
        Balloon->Text.clear();
        std::string link = rvRevisar->ItemText(item);
        // A Unicode item holds UTF-16 bytes; the verse table's keys are 8-bit.
        if (item >= 0 && rvRevisar->RVData().IsUnicodeItem(item)) {
            std::u16string wide(link.size() / 2, u'\0');
            for (size_t i = 0; i < wide.size(); ++i)
                wide[i] = char16_t(uint8_t(link[2 * i]) | uint8_t(link[2 * i + 1]) << 8);
            link = platform::fromUtf16(wide, platform::CP_LATIN1);
        }
        found = LookupVerses(xmlBiblia, BrkApart, link);
        if (!found.tableMissing) {
            Balloon->Title = found.title;
            Balloon->Text = found.lines;
            Balloon->PixelCoordinateX = click.x();
            Balloon->PixelCoordinateY = click.y();
            const QWidget *main = frmWinReader ? static_cast<QWidget *>(frmWinReader) : this;
            Balloon->Position = balloonPositionFor(QCursor::pos(), main->frameGeometry());
        }
    }
    if (found.tableMissing) {
        ShowMessage(errorMessage(missingTableMessage(xmlBiblia.DataBase())));
        return;
    }
    Balloon->ShowBalloon();
}

void TfrmWinReader::btnCopiarClick()
{
    FindDialog->Execute();
}

void TfrmWinReader::FindDialogFind()
{
    const uint32_t options = FindOptionsToSearchOptions(FindDialog->Options());
    if (rvRevisar->SearchText(FindDialog->FindText().toStdU16String(), options))
        return;
    ShowMessage({QMessageBox::Warning, QStringLiteral("Búsqueda completa"), QStringLiteral("No puede encontrar"),
                 QStringLiteral("OK")});
}

void TfrmWinReader::btnAyudaClick()
{
    ShowHelpFile(FProgramDir, QStringLiteral("index.html"));
}

void TfrmWinReader::ShowHelpFile(const QString &folder, const QString &page)
{
#ifdef _WIN32
    const QString viewer = folder + QStringLiteral("HtmlHelp.exe");
    if (!QFileInfo(viewer).isFile()) {
        ShowMessage(errorMessage(QStringLiteral("El archivo HtmlHelp.exe no se encuentra en la carpeta del programa.")));
        return;
    }
#endif
    const QString pagePath = folder + QStringLiteral("Ayuda") + QLatin1Char(platform::kPathSeparator) + page;
    if (!QFileInfo(pagePath).isFile()) {
        ShowMessage(errorMessage(QStringLiteral("El archivo de ayuda no se encuentra en la carpeta de Ayuda.")));
        return;
    }
#ifdef _WIN32
    LaunchProgram(viewer, pagePath, folder, 5);
#else
    // No help viewer program here: the system's handler for HTML pages shows it.
    OpenHelpPage(pagePath);
#endif
}

void TfrmWinReader::OpenHelpPage(const QString &path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void TfrmWinReader::ShowMessage(const ReaderMessage &m)
{
    // The about box has no owner, as a plain system message box.
    const bool owned = m.caption != QStringLiteral("Acerca de...");
    QMessageBox box(m.icon, m.caption, m.text, QMessageBox::NoButton, owned ? this : nullptr);
    QPushButton *button = box.addButton(m.button, QMessageBox::AcceptRole);
    box.setDefaultButton(button);
    box.setEscapeButton(button);
    box.exec();
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
