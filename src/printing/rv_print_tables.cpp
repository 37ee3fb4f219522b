// Tables over pages.
//
// A table taller than the room left on a page is cut between its rows, at
// the last row boundary that fits; it never cuts through a line of text:
//   - a table that would fit on a page of its own moves there whole;
//   - a row with its page-break-before mark starts a new part, unless it is
//     the first row after the headings on its page;
//   - when no row boundary fits, a table printing with rvtoRowsSplit cuts
//     the row inside, at the lowest line boundary of its cells above the
//     page's bottom (keeping at least one of its lines on the page);
//     without rvtoRowsSplit the row moves whole to the next page, and is cut
//     that way only when it is taller than a fresh page; a single line
//     taller than a page is cut where the page ends, so nothing is lost
//     below the sheet.
// Every part is drawn as a closed table, as a reader expects of a table that
// goes on over the page: a continued part begins with the table's top edge
// and its heading rows (HeadingRowCount) repeated, and a part that goes on
// over the page ends with its last row and the table's bottom edge (border
// spacing and border). The room for both is kept when the table is cut.
#include "printing/rv_print.h"

#include "viewer/rv_table_layout.h"

#include <algorithm>

namespace rv {

using platform::Canvas;
using platform::Rect;

namespace {

// The height below the last row: border spacing and border.
int BottomEdge(const TRVTableLayout &t)
{
    return t.RowTop.empty() ? 0 : std::max(0, t.Height - (t.RowTop.back() + t.RowHeight.back()));
}

int HeadingRows(const TRVTableLayout &t)
{
    return std::clamp(t.Table().HeadingRowCount, 0, int(t.RowTop.size()));
}

// The lowest y <= limit (document y) at which no line of any cell is cut,
// or `from` when there is none below `from`.
int LineBoundary(const TRVTableLayout &t, int tableTop, int from, int limit)
{
    int y = limit;
    for (bool moved = true; moved && y > from;) {
        moved = false;
        for (const TRVCellBox &b : t.Cells) {
            if (tableTop + b.Box.top >= y || tableTop + b.Box.bottom <= y)
                continue; // only a cell reaching over y can be cut there
            const int top = tableTop + b.ContentTop;
            for (const TRVLineRecord &line : b.Data->Lines())
                if (top + line.Top < y && y < top + line.Bottom) {
                    y = top + line.Top;
                    moved = true;
                }
        }
    }
    return std::max(y, from);
}

// Whether a part ending at y holds a whole line of row `row` below `from`:
// a row is split only when a line of it stays on the page.
bool HoldsLineOfRow(const TRVTableLayout &t, int tableTop, int row, int from, int y)
{
    for (const TRVCellBox &b : t.Cells) {
        if (b.Row > row || b.Row + std::max(1, b.Cell->RowSpan) <= row)
            continue;
        const int top = tableTop + b.ContentTop;
        for (const TRVLineRecord &line : b.Data->Lines())
            if (top + line.Top >= from && top + line.Bottom <= y)
                return true;
    }
    return false;
}

} // namespace

int TCustomRVPrint::RepeatedTableBand(const TRVPageInfo &page) const
{
    if (page.FirstPart <= 0 || page.FirstDrawItem >= FData.DrawItemList().Count())
        return 0;
    const TRVDrawLineInfo &d = FData.DrawItemList()[page.FirstDrawItem];
    const TRVTableLayout *t = FData.TableLayoutOf(d.ItemNo);
    if (!t || t->RowTop.empty())
        return 0;
    const int rows = int(t->RowTop.size());
    const int heads = HeadingRows(*t);
    // The band ends where the first row below the headings begins; headings
    // that would leave less than half a page for the rows are not repeated.
    const int avail = ClientHeight() - DocTopMargin() - DocBottomMargin();
    int band = heads < rows ? t->RowTop[size_t(heads)] : t->RowTop[0];
    if (band > avail / 2)
        band = t->RowTop[0];
    if (page.PartTop < d.Top + band)
        return 0; // the part begins inside the band itself
    return band;
}

int TCustomRVPrint::TablePartEnd(const TRVPageInfo &next) const
{
    const TRVDrawLineInfo &d = FData.DrawItemList()[next.FirstDrawItem];
    const TRVTableLayout *t = FData.TableLayoutOf(d.ItemNo);
    if (!t)
        return next.PartTop;
    // Cut at a row's top: the part ends at the bottom of the row above it.
    for (size_t r = 1; r < t->RowTop.size(); ++r)
        if (d.Top + t->RowTop[r] == next.PartTop)
            return d.Top + t->RowTop[r - 1] + t->RowHeight[r - 1];
    return next.PartTop;
}

int TCustomRVPrint::TableCut(int k, const TRVPageInfo &page, int pageBottom, bool overflow, bool firstOnPage) const
{
    const TRVTableLayout *t = FData.TableLayoutOf(FData.DrawItemList()[k].ItemNo);
    if (!t || t->RowTop.empty())
        return -1;
    const TRVDrawLineInfo &d = FData.DrawItemList()[k];
    const TRVTableItemInfo &table = t->Table();
    const int rows = int(t->RowTop.size());
    const int heads = HeadingRows(*t);
    const bool inside = page.FirstPart > 0 && page.FirstDrawItem == k;
    const int from = inside ? page.PartTop : d.Top;
    const int edge = BottomEdge(*t);
    const int avail = ClientHeight() - DocTopMargin() - DocBottomMargin();
    auto rowTop = [&](int r) { return d.Top + t->RowTop[size_t(r)]; };
    auto rowBottom = [&](int r) { return rowTop(r) + t->RowHeight[size_t(r)]; };
    // A row boundary is a cut when it lies below the page's start, cuts no
    // line of a cell spanning over it, and the rows above it fit with the edge.
    auto fits = [&](int r) {
        const int y = rowTop(r);
        return y > from && rowBottom(r - 1) + edge <= pageBottom && LineBoundary(*t, d.Top, from, y) == y;
    };

    // A forced break: the first marked row below the headings that is not
    // the first row of this part.
    bool anyBreak = false;
    for (int r = heads + 1; r < rows; ++r) {
        if (!table.Rows[size_t(r)].PageBreakBefore)
            continue;
        anyBreak = true;
        if (rowTop(r) > from && fits(r))
            return rowTop(r);
    }
    if (!overflow || pageBottom >= d.Bottom())
        return -1;
    // A table that fits on a page of its own moves there whole.
    if (!inside && !anyBreak && d.Height <= avail && !firstOnPage)
        return -1;
    // The lowest row boundary that fits (below the headings when the part
    // holds them, so a part never ends with headings alone).
    for (int r = rows - 1; r >= std::max(1, heads + (inside ? 0 : 1)); --r)
        if (fits(r))
            return rowTop(r);
    // No row boundary fits: the row at the top of this part is taller than
    // the room. It is cut at its lowest line boundary that fits, when the
    // table lets rows split or the row cannot go anywhere better.
    const bool split = (table.PrintOptions & rvtoRowsSplit) != 0;
    if (!split && !inside && !firstOnPage)
        return -1; // the row moves whole to the next page
    const int y = LineBoundary(*t, d.Top, from, pageBottom - edge);
    int row = 0;
    while (row + 1 < rows && rowTop(row + 1) <= y)
        ++row;
    if (y > from && HoldsLineOfRow(*t, d.Top, row, from, y))
        return y;
    if (!inside && !firstOnPage)
        return -1; // not one line of the row fits here: the table begins on the next page
    // A line taller than a fresh page: cut where the page ends. A page its
    // footnotes fill leaves none: the table then runs on (never a cut that
    // does not advance).
    const int end = pageBottom - edge > from ? pageBottom - edge : pageBottom;
    return end > from ? end : -1;
}

void TCustomRVPrint::DrawTableEdges(int pageNo, Canvas &canvas, int xOffs, int yOffs, int reserve, bool top)
{
    const TRVPageInfo &pg = FPages[size_t(pageNo - 1)];
    const TRVPageInfo *next = pageNo < int(FPages.size()) ? &FPages[size_t(pageNo)] : nullptr;
    const int textTop = PageContentRect(pageNo).top + DocTopMargin();
    if (top && reserve > 0) {
        const TRVDrawLineInfo &d = FData.DrawItemList()[pg.FirstDrawItem];
        if (const TRVTableLayout *t = FData.TableLayoutOf(d.ItemNo)) {
            // The table's top rows, drawn as if the table began at the page's top.
            const Rect band{d.Left - xOffs, textTop, d.Left - xOffs + t->Width, textTop + reserve};
            platform::CanvasSaver keep(canvas);
            canvas.intersectClipRect(band);
            t->Paint(canvas, band.left, textTop, band, true, ColorMode);
        }
    }
    if (!top && next && next->FirstPart > 0) {
        const TRVDrawLineInfo &d = FData.DrawItemList()[next->FirstDrawItem];
        if (const TRVTableLayout *t = FData.TableLayoutOf(d.ItemNo)) {
            // The table's bottom edge, right under the part's last row.
            const int edge = BottomEdge(*t);
            const int y = TablePartEnd(*next) - yOffs;
            if (edge > 0) {
                const Rect band{d.Left - xOffs, y, d.Left - xOffs + t->Width, y + edge};
                platform::CanvasSaver keep(canvas);
                canvas.intersectClipRect(band);
                t->Paint(canvas, band.left, y + edge - t->Height, band, true, ColorMode);
            }
        }
    }
}

} // namespace rv
