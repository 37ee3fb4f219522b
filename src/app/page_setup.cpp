#include "app/page_setup.h"

#include "printing/rv_print.h"

#include <QMarginsF>
#include <QPrinter>

#include <algorithm>
#include <cmath>

TPageSetupMargins::TPageSetupMargins(QPrinter &printer, rv::TCustomRVPrint &print)
    : FPrinter(printer), FPrint(print), FOwnMargins(printer.pageLayout().margins()),
      FOwnUnits(printer.pageLayout().units())
{
    // Both measure from the paper's edge.
    const QMarginsF mm(print.LeftMarginMM, print.TopMarginMM, print.RightMarginMM, print.BottomMarginMM);
    QPageLayout layout = printer.pageLayout();
    layout.setUnits(QPageLayout::Millimeter);
    layout.setMode(QPageLayout::StandardMode);
    if (!layout.setMargins(mm)) {
        // Margins the paper cannot take: the printer's, still in millimetres.
        layout = printer.pageLayout();
        layout.setUnits(QPageLayout::Millimeter);
    }
    printer.setPageLayout(layout);
}

void TPageSetupMargins::Accept()
{
    const QMarginsF mm = FPrinter.pageLayout().margins(QPageLayout::Millimeter);
    auto whole = [](qreal v) { return int(std::lround(std::max<qreal>(0, v))); };
    FPrint.LeftMarginMM = whole(mm.left());
    FPrint.TopMarginMM = whole(mm.top());
    FPrint.RightMarginMM = whole(mm.right());
    FPrint.BottomMarginMM = whole(mm.bottom());
}

TPageSetupMargins::~TPageSetupMargins()
{
    // Paper and orientation chosen in the dialog stay; the margins go back.
    QPageLayout layout = FPrinter.pageLayout();
    layout.setUnits(FOwnUnits);
    layout.setMargins(FOwnMargins);
    FPrinter.setPageLayout(layout);
}
