#include "printing/widget/preview_window.h"

#include "printing/qt/rv_print_qt.h"

#include <QActionGroup>
#include <algorithm>
#include <QSignalBlocker>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QSpinBox>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

TfrmPreVer *frmPreVer = nullptr;

namespace {

void drawSheet(QPainter &p, const QRectF &r)
{
    p.setBrush(Qt::white);
    p.drawRect(r);
}

void drawTriangle(QPainter &p, double tipX, double baseX, double cy, double half)
{
    QPainterPath t;
    t.moveTo(tipX, cy);
    t.lineTo(baseX, cy - half);
    t.lineTo(baseX, cy + half);
    t.closeSubpath();
    p.fillPath(t, p.pen().color());
}

void drawPrinter(QPainter &p, const QColor &body)
{
    p.setBrush(Qt::white);
    p.drawRect(QRectF(5.5, 2.5, 7, 5));
    p.setBrush(body);
    p.drawRect(QRectF(1.5, 7.5, 15, 6));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 11.5, 9, 5));
}

} // namespace

QPixmap PreviewToolPicture(int index, bool enabled)
{
    QPixmap pm(18, 18);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QColor ink = enabled ? QColor(0, 0, 0) : QColor(128, 128, 128);
    const QColor accent = enabled ? QColor(0, 0, 160) : QColor(160, 160, 160);
    p.setPen(QPen(ink, 1));
    switch (index) {
    case 0: // full page: a whole sheet with lines of text
        drawSheet(p, {3.5, 1.5, 11, 15});
        for (int y = 5; y <= 13; y += 2)
            p.drawLine(QPointF(5.5, y + 0.5), QPointF(12.5, y + 0.5));
        break;
    case 1: { // 100 %: "1:1"
        drawSheet(p, {1.5, 1.5, 15, 15});
        QFont f = p.font();
        f.setPixelSize(9);
        f.setBold(true);
        p.setFont(f);
        p.setPen(accent);
        p.drawText(QRectF(1, 1, 16, 16), Qt::AlignCenter, QStringLiteral("1:1"));
        break;
    }
    case 2: // page width: a sheet with a two-headed arrow across it
        drawSheet(p, {1.5, 3.5, 15, 11});
        p.setPen(QPen(accent, 1.5));
        p.drawLine(QPointF(4, 9), QPointF(14, 9));
        drawTriangle(p, 2.5, 6, 9, 3);
        drawTriangle(p, 15.5, 12, 9, 3);
        break;
    case 3: // first page
        p.setPen(QPen(accent, 2));
        p.drawLine(QPointF(4, 4), QPointF(4, 14));
        drawTriangle(p, 5, 13, 9, 5);
        break;
    case 4: // previous page
        p.setPen(accent);
        drawTriangle(p, 5, 13, 9, 5);
        break;
    case 5: // next page
        p.setPen(accent);
        drawTriangle(p, 13, 5, 9, 5);
        break;
    case 6: // last page
        p.setPen(QPen(accent, 2));
        p.drawLine(QPointF(14, 4), QPointF(14, 14));
        drawTriangle(p, 13, 5, 9, 5);
        break;
    case 7: // printer set-up: the printer with a gear dot
        drawPrinter(p, enabled ? QColor(192, 192, 192) : QColor(224, 224, 224));
        p.setBrush(accent);
        p.drawEllipse(QPointF(13.5, 4.5), 3, 3);
        break;
    case 8: // print
        drawPrinter(p, enabled ? QColor(192, 192, 192) : QColor(224, 224, 224));
        p.setPen(QPen(enabled ? QColor(0, 160, 0) : ink, 1));
        p.drawPoint(QPointF(14, 9.5));
        break;
    case 9: // full screen: a frame with corner arrows
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(1.5, 2.5, 15, 13));
        p.setPen(QPen(accent, 1.5));
        p.drawLine(QPointF(5, 6), QPointF(13, 12));
        drawTriangle(p, 4, 8, 5.5, 2);
        drawTriangle(p, 14, 10, 12.5, 2);
        break;
    case 10: // close
        p.setPen(QPen(enabled ? QColor(176, 0, 0) : ink, 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4, 4), QPointF(14, 14));
        p.drawLine(QPointF(14, 4), QPointF(4, 14));
        break;
    default: break;
    }
    return pm;
}

static QIcon previewWindowIcon()
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 2.5, 18, 24));
    for (int y = 7; y <= 17; y += 3)
        p.drawLine(QPointF(7.5, y + 0.5), QPointF(19.5, y + 0.5));
    p.setPen(QPen(QColor(0, 0, 160), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(24, 24), QPointF(29, 29));
    p.setPen(QPen(QColor(0, 0, 160), 2));
    p.setBrush(QColor(220, 235, 255));
    p.drawEllipse(QPointF(20, 20), 6, 6);
    return QIcon(pm);
}

QToolButton *TfrmPreVer::addToolButton(const char *name, const char *hint, void (TfrmPreVer::*handler)(),
                                       QActionGroup *group)
{
    const int picture = nextPicture_++;
    auto *a = new QAction(this);
    QIcon icon;
    icon.addPixmap(PreviewToolPicture(picture, true), QIcon::Normal);
    icon.addPixmap(PreviewToolPicture(picture, false), QIcon::Disabled);
    a->setIcon(icon);
    a->setToolTip(QString::fromUtf8(hint));
    a->setText(QString::fromUtf8(hint));
    if (group) {
        a->setCheckable(true);
        group->addAction(a);
    }
    auto *b = new QToolButton(ToolBar1);
    b->setObjectName(QString::fromUtf8(name));
    b->setDefaultAction(a);
    b->setAutoRaise(true);
    b->setFixedSize(25, 24);
    b->setFocusPolicy(Qt::NoFocus);
    ToolBar1->addWidget(b);
    connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    return b;
}

void TfrmPreVer::addDivider(const char *name)
{
    auto *w = new QWidget(ToolBar1);
    w->setObjectName(QString::fromUtf8(name));
    w->setFixedSize(8, 24); // dividers are 8 pixels wide
    ToolBar1->addWidget(w);
}

void TfrmPreVer::buildToolButtons()
{
    auto *zoomGroup = new QActionGroup(this);
    // A zoom a click chose (neither fitted nor 100 %) checks no button.
    zoomGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    ZoomFit = addToolButton("ZoomFit", "Página completa", &TfrmPreVer::ZoomFitClick, zoomGroup);
    Zoom100 = addToolButton("Zoom100", "100%", &TfrmPreVer::Zoom100Click, zoomGroup);
    ZoomToWidth = addToolButton("ZoomToWidth", "Ancho de página", &TfrmPreVer::ZoomToWidthClick, zoomGroup);
    addDivider("Separator1");
    FirstPage = addToolButton("FirstPage", "Primera página", &TfrmPreVer::FirstPageClick);
    PreviousPage = addToolButton("PreviousPage", "Página anterior", &TfrmPreVer::PreviousPageClick);
    ToolButton2 = addToolButton("ToolButton2", "Próxima página", &TfrmPreVer::ToolButton2Click);
    LastPage = addToolButton("LastPage", "Última página", &TfrmPreVer::LastPageClick);
    addDivider("Separator2");
    PrintSetup = addToolButton("PrintSetup", "Configurar impresora", &TfrmPreVer::PrintSetupClick);
    Print = addToolButton("Print", "Imprimir", &TfrmPreVer::PrintClick);
    addDivider("Separator3");
    SaveReport = addToolButton("SaveReport", "Pantalla completa", &TfrmPreVer::SaveReportClick);
    LoadReport = addToolButton("LoadReport", "Cerrar ventana", &TfrmPreVer::LoadReportClick);
    ZoomFit->defaultAction()->setChecked(true);
}

void TfrmPreVer::buildPageBox()
{
    addDivider("Separator4");
    edtPagina = new QSpinBox(ToolBar1);
    edtPagina->setObjectName(QStringLiteral("edtPagina"));
    edtPagina->setToolTip(QStringLiteral("Ir a la página"));
    edtPagina->setRange(1, 1);
    edtPagina->setKeyboardTracking(false); // go when the number is complete
    ToolBar1->addWidget(edtPagina);
    connect(edtPagina, &QSpinBox::valueChanged, this, [this](int n) {
        if (rvPP->SourceReady() && n >= 1 && n <= rvPP->SourcePageCount() && n != rvPP->PageNo())
            rvPP->SetPageNo(n);
    });
    addDivider("Separator5");
    lblPagina = new QLabel(ToolBar1);
    lblPagina->setObjectName(QStringLiteral("lblPagina"));
    ToolBar1->addWidget(lblPagina);
}

TfrmPreVer::TfrmPreVer(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPreVer"));
    setWindowTitle(QStringLiteral("Presentación preliminar..."));
    setWindowIcon(previewWindowIcon());
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    setModal(true);
    resize(640, 480);
    move(275, 234);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setIconSize(QSize(18, 18));
    ToolBar1->setMovable(false);
    layout->addWidget(ToolBar1);

    buildToolButtons();
    buildPageBox();

    rvPP = new TRVPrintPreview(this);
    rvPP->setObjectName(QStringLiteral("rvPP"));
    layout->addWidget(rvPP, 1);
    rvPP->OnPageChanged = [this](TCustomRVPrintPreview *) { UpdatePageText(); };
    rvPP->OnZoomChanged = [this](TCustomRVPrintPreview *) { UpdateZoomButtons(); };
    UpdatePageText();
}

QString TfrmPreVer::PageText() const
{
    const int count = rvPP->SourceReady() ? rvPP->SourcePageCount() : 0;
    if (count <= 0)
        return {};
    return QStringLiteral("Página %1 de %2").arg(rvPP->PageNo()).arg(count);
}

void TfrmPreVer::UpdatePageText()
{
    lblPagina->setText(PageText());
    const int count = rvPP->SourceReady() ? rvPP->SourcePageCount() : 0;
    const QSignalBlocker quiet(edtPagina);
    edtPagina->setEnabled(count > 0);
    edtPagina->setRange(1, std::max(1, count));
    edtPagina->setValue(std::clamp(rvPP->PageNo(), 1, std::max(1, count)));
}

void TfrmPreVer::UpdateZoomButtons()
{
    const TRVZoomMode m = rvPP->ZoomMode();
    ZoomFit->defaultAction()->setChecked(m == rvzmFullPage);
    ZoomToWidth->defaultAction()->setChecked(m == rvzmPageWidth);
    Zoom100->defaultAction()->setChecked(m == rvzmCustom && rvPP->ZoomPercent() == 100);
}

void TfrmPreVer::showEvent(QShowEvent *e)
{
    // The restored placement, frame included, covers the desktop's work area.
    if (QScreen *s = screen(); s && !isMaximized()) {
        const QRect g = geometry(), f = frameGeometry();
        const QMargins frame(g.left() - f.left(), g.top() - f.top(), f.right() - g.right(), f.bottom() - g.bottom());
        setGeometry(s->availableGeometry().marginsRemoved(frame));
    }
    UpdatePageText();
    QDialog::showEvent(e);
    // The page keys and the wheel go to the sheet, not to the page number.
    rvPP->setFocus(Qt::OtherFocusReason);
}

void TfrmPreVer::ZoomFitClick()
{
    rvPP->SetZoomMode(rvzmFullPage);
    UpdateZoomButtons();
}

void TfrmPreVer::Zoom100Click()
{
    rvPP->SetZoomPercent(100);
    UpdateZoomButtons();
}

void TfrmPreVer::ZoomToWidthClick()
{
    rvPP->SetZoomMode(rvzmPageWidth);
    UpdateZoomButtons();
}
void TfrmPreVer::FirstPageClick() { rvPP->First(); }
void TfrmPreVer::PreviousPageClick() { rvPP->Previous(); }
void TfrmPreVer::ToolButton2Click() { rvPP->Next(); }
void TfrmPreVer::LastPageClick() { rvPP->Last(); }

TfrmPreVer::PrintChoice TfrmPreVer::RunPrintDialog(int pageCount)
{
    QPrinter &printer = Printer->Printer();
    QPrintDialog PrintDialog(&printer, this);
    PrintDialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    // The selection cannot be printed from the preview: the dialog does not offer it.
    PrintDialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    PrintDialog.setMinMax(1, std::max(1, pageCount));
    printer.setFromTo(1, std::max(1, pageCount));
    PrintChoice c;
    c.accepted = PrintDialog.exec() == QDialog::Accepted;
    c.range = PrintDialog.printRange() == QAbstractPrintDialog::PageRange;
    c.from = PrintDialog.fromPage();
    c.to = PrintDialog.toPage();
    return c;
}

void TfrmPreVer::ShowError(const QString &text)
{
    QMessageBox::warning(this, QStringLiteral("Imprimir"), text);
}

bool TfrmPreVer::Repaginate()
{
    if (!Printer || !Source)
        return false;
    Printer->AttachData(*Source);
    Printer->Paginate();
    // The preview follows the new page size and count.
    rvPP->SetRVPrint(Printer);
    UpdatePageText();
    if (Printer->PageCount() > 0)
        return true;
    if (Printer->LastError() != rv::TRVPrintError::None)
        ShowError(QString::fromStdString(rv::PrintErrorText(Printer->LastError())));
    return false;
}

bool TfrmPreVer::PrintRange(const PrintChoice &c, const QString &title, int copies, bool collate)
{
    if (!Printer->HasPrinter()) {
        ShowError(QStringLiteral("No hay ninguna impresora instalada o seleccionada. "
                                 "Configure una impresora para imprimir el estudio."));
        return false;
    }
    const bool ok = c.range ? Printer->PrintPages(c.from, c.to, title, copies, collate)
                            : Printer->PrintDocument(title, copies, collate);
    if (!ok) {
        const rv::TRVPrintError e = Printer->LastError();
        ShowError(QString::fromStdString(rv::PrintErrorText(e == rv::TRVPrintError::None
                                                                ? rv::TRVPrintError::JobNotStarted
                                                                : e)));
    }
    return ok;
}

void TfrmPreVer::PrintSetupClick()
{
    if (!Printer)
        return;
    const PrintChoice c = RunPrintDialog(Printer->PageCount());
    if (!c.accepted)
        return;
    // The paper chosen here is the user's: studies no longer replace it.
    Printer->UserPageSetup = true;
    // The dialog may have changed the paper, orientation or resolution: print
    // (and show) the pagination of the printer it chose.
    if (!Repaginate())
        return;
    QPrinter &printer = Printer->Printer();
    PrintRange(c, QStringLiteral("Test"), printer.copyCount(), printer.collateCopies());
}

void TfrmPreVer::PrintClick()
{
    if (!Printer || !Source)
        return;
    if (!Repaginate())
        return;
    PrintRange(PrintChoice{true, false, 1, Printer->PageCount()}, QStringLiteral("Revisar"), 1, false);
}

void TfrmPreVer::SaveReportClick() { showMaximized(); }
void TfrmPreVer::LoadReportClick() { close(); }
