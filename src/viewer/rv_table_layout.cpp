#include "viewer/rv_table_layout.h"

#include "platform/codepage.h"
#include "document/rv_graphic.h"
#include "viewer/rv_fontcache.h"

#include <algorithm>
#include <functional>

namespace rv {

using namespace platform;

TRVCellFormattedData::TRVCellFormattedData(const TCustomRVFormattedData &owner, TRVTableCellData &cell)
    : TCustomRVFormattedData(cell.GetRVStyle()), FOwner(owner), FCell(cell)
{
    OwnsStyleSheet = false;
    DocParameters.reset();
    ShareItemsFrom(&cell);
}

TRVTableLayout::TRVTableLayout(const TCustomRVFormattedData &owner, const TRVTableItemInfo &table)
    : FOwner(owner), FTable(table)
{
}

namespace {

struct Extent {
    int min = 0, pref = 0;
};

// Narrowest and preferred content widths of one cell's items.
Extent measureCell(const TRVTableCellData &cell, const TRVResolutionInfo &r, Canvas &canvas)
{
    Extent e;
    TRVStyle &s = *cell.GetRVStyle();
    int indents = 0, line = 0;
    auto endLine = [&] { e.pref = std::max(e.pref, indents + line); line = 0; };
    for (int i = 0; i < cell.ItemCount(); ++i) {
        const TCustomRVItemInfo &item = cell.GetItem(i);
        if (cell.IsParaStart(i)) {
            endLine();
            const TParaInfo &p = s.ParaStyles[item.ParaNo];
            indents = r.X(p.LeftIndent) + r.X(p.RightIndent) + std::max(0, r.X(p.FirstIndent));
        } else if (item.ItemOptions & ioLineBreak) {
            endLine();
        }
        if (item.IsText()) {
            TRVFontInfoCache::ApplyFont(s, canvas, cell.EffectiveStyleNo(i), rvbdUnspecified, 0);
            std::u16string t = cell.ItemTextW(i);
            line += canvas.textExtent(t).cx;
            size_t a = 0;
            while (a < t.size()) {
                size_t b = t.find(u' ', a);
                if (b == std::u16string::npos)
                    b = t.size();
                if (b > a)
                    e.min = std::max(e.min, indents + canvas.textExtent(std::u16string_view(t).substr(a, b - a)).cx);
                a = b + 1;
            }
        } else if (auto *t = dynamic_cast<const TRVTableItemInfo *>(&item)) {
            int mn, pf;
            TRVTableLayout::Measure(*t, r, canvas, mn, pf);
            endLine();
            e.min = std::max(e.min, indents + mn);
            e.pref = std::max(e.pref, indents + pf);
        } else if (item.StyleNo != ikHorizontalLine) {
            int w = r.X(item.ContentSize().cx);
            line += w;
            e.min = std::max(e.min, indents + w);
        }
    }
    endLine();
    e.pref = std::max(e.pref, e.min);
    return e;
}

struct Grid {
    int cols = 0, hOuter = 0, hSpacing = 0;
    std::vector<int> colMin, colPref, colFixed, colPercent; // fixed: pixels (0 none); percent (0 none)
};

int cellFrame(const TRVTableItemInfo &t, const TRVResolutionInfo &r)
{
    return 2 * r.X(std::max(0, t.CellBorderWidth)) + 2 * r.X(std::max(0, t.CellHPadding));
}

// Column minimum, preferred, fixed and percent widths from the cells.
Grid measureColumns(const TRVTableItemInfo &t, const TRVResolutionInfo &r, Canvas &canvas)
{
    Grid g;
    g.cols = t.ColCount();
    g.hSpacing = r.X(std::max(0, t.CellHSpacing));
    g.hOuter = 2 * (r.X(std::max(0, t.BorderWidth)) + r.X(std::max(0, t.BorderHSpacing)));
    g.colMin.assign(size_t(g.cols), 0);
    g.colPref.assign(size_t(g.cols), 0);
    g.colFixed.assign(size_t(g.cols), 0);
    g.colPercent.assign(size_t(g.cols), 0);
    const int frame = cellFrame(t, r);
    struct Span {
        int col, span;
        Extent e;
    };
    std::vector<Span> spans;
    for (int row = 0; row < t.RowCount(); ++row)
        for (int c = 0; c < g.cols; ++c) {
            const TRVTableCellData *cell = t.Cell(row, c);
            if (!cell)
                continue;
            Extent e = measureCell(*cell, r, canvas);
            e.min += frame;
            e.pref += frame;
            if (cell->ColSpan > 1) {
                spans.push_back({c, cell->ColSpan, e});
                continue;
            }
            size_t k = size_t(c);
            g.colMin[k] = std::max(g.colMin[k], e.min);
            g.colPref[k] = std::max(g.colPref[k], e.pref);
            if (cell->BestWidth > 0)
                g.colFixed[k] = std::max(g.colFixed[k], r.X(cell->BestWidth));
            else if (cell->BestWidth < 0)
                g.colPercent[k] = std::max(g.colPercent[k], std::min(100, -cell->BestWidth));
        }
    // Spanning cells: what their columns lack is shared equally.
    for (const Span &s : spans) {
        auto widen = [&](std::vector<int> &v, int need) {
            int have = (s.span - 1) * g.hSpacing;
            for (int k = 0; k < s.span; ++k)
                have += v[size_t(s.col + k)];
            if (need <= have)
                return;
            int extra = need - have;
            for (int k = 0; k < s.span; ++k)
                v[size_t(s.col + k)] += extra / s.span + (k < extra % s.span ? 1 : 0);
        };
        widen(g.colMin, s.e.min);
        widen(g.colPref, s.e.pref);
    }
    for (int k = 0; k < g.cols; ++k)
        g.colPref[size_t(k)] = std::max(g.colPref[size_t(k)], g.colMin[size_t(k)]);
    return g;
}

int sum(const std::vector<int> &v)
{
    int s = 0;
    for (int x : v)
        s += x;
    return s;
}

} // namespace

void TRVTableLayout::Measure(const TRVTableItemInfo &t, const TRVResolutionInfo &r, Canvas &canvas, int &minWidth,
                             int &prefWidth)
{
    CanvasSaver saver(canvas);
    Grid g = measureColumns(t, r, canvas);
    const int between = std::max(0, g.cols - 1) * g.hSpacing + g.hOuter;
    int mn = 0, pf = 0;
    for (int k = 0; k < g.cols; ++k) {
        mn += std::max(g.colMin[size_t(k)], g.colFixed[size_t(k)]);
        pf += std::max(g.colPref[size_t(k)], g.colFixed[size_t(k)]);
    }
    minWidth = mn + between;
    prefWidth = pf + between;
    if (t.BestWidth > 0)
        minWidth = prefWidth = std::max(minWidth, r.X(t.BestWidth));
}

namespace {

// The columns' sum: the table's own width or its preferred one, within
// `available` and never below what the columns need.
int innerWidth(const Grid &g, const TRVTableItemInfo &t, const TRVResolutionInfo &r, int available, bool &stretch)
{
    const int between = (g.cols - 1) * g.hSpacing + g.hOuter;
    int minInner = 0;
    for (int k = 0; k < g.cols; ++k)
        minInner += std::max(g.colMin[size_t(k)], g.colFixed[size_t(k)]);
    int want;
    if (t.BestWidth > 0) {
        want = r.X(t.BestWidth);
        stretch = true;
    } else if (t.BestWidth < 0) {
        want = int(int64_t(available) * std::min(100, -t.BestWidth) / 100);
        stretch = true;
    } else {
        int pref = 0;
        for (int k = 0; k < g.cols; ++k)
            pref += std::max(g.colPref[size_t(k)], g.colFixed[size_t(k)]);
        want = pref + between;
        stretch = false;
    }
    want = std::min(want, std::max(available, 0));
    return std::max(want - between, minInner);
}

// Room left in a table with a width of its own: the automatic columns (else
// all) widen in proportion to their widths, the last taking the rounding.
void widenColumns(std::vector<int> &width, const std::vector<bool> &isAuto, int extra)
{
    const int cols = int(width.size());
    const bool anyAuto = std::find(isAuto.begin(), isAuto.end(), true) != isAuto.end();
    int base = 0;
    for (int k = 0; k < cols; ++k)
        if (!anyAuto || isAuto[size_t(k)])
            base += std::max(1, width[size_t(k)]);
    int given = 0, last = -1;
    for (int k = 0; k < cols; ++k)
        if (!anyAuto || isAuto[size_t(k)]) {
            int add = int(int64_t(extra) * std::max(1, width[size_t(k)]) / base);
            width[size_t(k)] += add;
            given += add;
            last = k;
        }
    if (last >= 0)
        width[size_t(last)] += extra - given;
}

// Column widths for `available` pixels: fixed and percent columns first, then
// the automatic ones at their preferred widths, shrunk in proportion to their
// slack when short of room; a table asking for a width of its own widens its
// automatic columns (else all) to fill it.
std::vector<int> columnWidths(const Grid &g, const TRVTableItemInfo &t, const TRVResolutionInfo &r, int available)
{
    const int cols = g.cols;
    bool stretch; // the table asks for a width of its own: fill it
    const int inner = innerWidth(g, t, r, available, stretch);

    std::vector<int> width(size_t(cols), 0);
    std::vector<bool> isAuto(size_t(cols), false);
    int rest = inner;
    for (int k = 0; k < cols; ++k) {
        size_t i = size_t(k);
        if (g.colFixed[i] > 0)
            width[i] = std::max(g.colFixed[i], g.colMin[i]);
        else if (g.colPercent[i] > 0)
            width[i] = std::max(int(int64_t(inner) * g.colPercent[i] / 100), g.colMin[i]);
        else
            isAuto[i] = true;
        rest -= width[i];
    }
    int autoMin = 0, autoPref = 0;
    for (int k = 0; k < cols; ++k)
        if (isAuto[size_t(k)]) {
            autoMin += g.colMin[size_t(k)];
            autoPref += g.colPref[size_t(k)];
        }
    if (rest >= autoPref) {
        for (int k = 0; k < cols; ++k)
            if (isAuto[size_t(k)])
                width[size_t(k)] = g.colPref[size_t(k)];
    } else {
        // Shrink: each automatic column gives up in proportion to its slack.
        int room = std::max(0, rest - autoMin), slack = autoPref - autoMin;
        for (int k = 0; k < cols; ++k)
            if (isAuto[size_t(k)]) {
                size_t i = size_t(k);
                int share = slack > 0 ? int(int64_t(room) * (g.colPref[i] - g.colMin[i]) / slack) : 0;
                width[i] = g.colMin[i] + share;
            }
    }
    int used = sum(width);
    if (stretch && used < inner)
        widenColumns(width, isAuto, inner - used);
    // Rounding in the shrink leaves the last automatic column a few pixels short.
    used = sum(width);
    if (used < inner && !stretch && rest < autoPref)
        for (int k = cols - 1; k >= 0; --k)
            if (isAuto[size_t(k)]) {
                width[size_t(k)] += inner - used;
                break;
            }
    return width;
}

// Row heights: the tallest single-row cell of each row, then a cell spanning
// rows adds what it still lacks to its last row.
std::vector<int> rowHeights(const std::vector<TRVCellBox> &cells, int rows, int vSpacing,
                            const std::function<int(const TRVCellBox &)> &needed)
{
    std::vector<int> height(size_t(rows), 0);
    for (const TRVCellBox &b : cells)
        if (b.Cell->RowSpan <= 1)
            height[size_t(b.Row)] = std::max(height[size_t(b.Row)], needed(b));
    for (const TRVCellBox &b : cells)
        if (b.Cell->RowSpan > 1) {
            int last = std::min(rows, b.Row + b.Cell->RowSpan) - 1;
            int have = (last - b.Row) * vSpacing;
            for (int k = b.Row; k <= last; ++k)
                have += height[size_t(k)];
            if (needed(b) > have)
                height[size_t(last)] += needed(b) - have;
        }
    return height;
}

} // namespace

void TRVTableLayout::Arrange(Canvas &canvas, int available)
{
    const TRVTableItemInfo &t = FTable;
    const TRVResolutionInfo &r = FOwner.Resolution();
    Cells.clear();
    ColLeft.clear();
    ColWidth.clear();
    RowTop.clear();
    RowHeight.clear();
    Width = Height = 0;
    const int border = r.X(std::max(0, t.BorderWidth)), vborder = r.Y(std::max(0, t.BorderWidth));
    if (t.RowCount() == 0 || t.ColCount() == 0)
        return;
    Grid g;
    {
        CanvasSaver saver(canvas);
        g = measureColumns(t, r, canvas);
    }
    const int cols = g.cols;
    ColWidth = columnWidths(g, t, r, available);

    const int hSpacingOuter = r.X(std::max(0, t.BorderHSpacing));
    ColLeft.assign(size_t(cols), 0);
    int x = border + hSpacingOuter;
    for (int k = 0; k < cols; ++k) {
        ColLeft[size_t(k)] = x;
        x += ColWidth[size_t(k)] + g.hSpacing;
    }
    Width = x - g.hSpacing + hSpacingOuter + border;

    FormatCells(canvas);
    const int cbv = r.Y(std::max(0, t.CellBorderWidth)), vp = r.Y(std::max(0, t.CellVPadding));
    const int rows = t.RowCount();

    const int vSpacing = r.Y(std::max(0, t.CellVSpacing)), vOuter = r.Y(std::max(0, t.BorderVSpacing));
    RowHeight = rowHeights(Cells, rows, vSpacing, [&](const TRVCellBox &b) {
        return std::max(b.Data->ContentHeight() + 2 * cbv + 2 * vp, r.Y(std::max(0, b.Cell->BestHeight)));
    });
    RowTop.assign(size_t(rows), 0);
    int y = vborder + vOuter;
    for (int k = 0; k < rows; ++k) {
        RowTop[size_t(k)] = y;
        y += RowHeight[size_t(k)] + vSpacing;
    }
    Height = y - vSpacing + vOuter + vborder;

    PlaceCellsInRows(cbv + vp);
}

void TRVTableLayout::FormatCells(Canvas &canvas)
{
    const TRVTableItemInfo &t = FTable;
    const TRVResolutionInfo &r = FOwner.Resolution();
    const int cols = int(ColWidth.size());
    const int cb = r.X(std::max(0, t.CellBorderWidth)), hp = r.X(std::max(0, t.CellHPadding));
    for (int row = 0; row < t.RowCount(); ++row)
        for (int c = 0; c < cols; ++c) {
            TRVTableCellData *cell = t.Cell(row, c);
            if (!cell)
                continue;
            TRVCellBox box;
            box.Row = row;
            box.Col = c;
            box.Cell = cell;
            int last = std::min(cols, c + cell->ColSpan) - 1;
            box.Box.left = ColLeft[size_t(c)];
            box.Box.right = ColLeft[size_t(last)] + ColWidth[size_t(last)];
            box.Data = std::make_unique<TRVCellFormattedData>(FOwner, *cell);
            box.Data->Target = &canvas;
            box.Data->Width = std::max(1, box.Box.width() - 2 * cb - 2 * hp);
            box.Data->Format();
            box.ContentLeft = box.Box.left + cb + hp;
            Cells.push_back(std::move(box));
        }
}

void TRVTableLayout::PlaceCellsInRows(int inset)
{
    const int rows = FTable.RowCount();
    for (TRVCellBox &b : Cells) {
        int last = std::min(rows, b.Row + b.Cell->RowSpan) - 1;
        b.Box.top = RowTop[size_t(b.Row)];
        b.Box.bottom = RowTop[size_t(last)] + RowHeight[size_t(last)];
        int free = b.Box.height() - 2 * inset - b.Data->ContentHeight();
        TRVCellVAlign va = b.Cell->VAlign == rvcVDefault ? FTable.Rows[size_t(b.Row)].VAlign : b.Cell->VAlign;
        int shift = va == rvcMiddle ? free / 2 : va == rvcBottom ? free : 0;
        b.ContentTop = b.Box.top + inset + std::max(0, shift);
    }
}

const TRVCellBox *TRVTableLayout::CellAtPoint(int x, int y) const
{
    for (const TRVCellBox &b : Cells)
        if (b.Box.contains({x, y}))
            return &b;
    return nullptr;
}

namespace {

// A frame `w` pixels wide inside `r`: raised shows the light colour top and
// left, lowered bottom and right; the colour styles use `dark` all round.
void drawFrame(Canvas &c, const Rect &r, int w, int wv, TRVTableBorderStyle style, Color dark, Color light,
               const TRVBooleanRect &sides)
{
    if (w <= 0 && wv <= 0)
        return;
    Color topLeft = dark, bottomRight = dark;
    if (style == rvtbRaised || style == rvtbRaisedColor)
        topLeft = light;
    else if (style == rvtbLowered || style == rvtbLoweredColor)
        bottomRight = light;
    if (style == rvtbRaised || style == rvtbLowered) {
        // The plain 3-D looks use the system colours.
        Color hi = clBtnHighlight, lo = clBtnShadow;
        topLeft = style == rvtbRaised ? hi : lo;
        bottomRight = style == rvtbRaised ? lo : hi;
    }
    if (sides.Top && wv > 0)
        c.fillRect({r.left, r.top, r.right, r.top + wv}, topLeft);
    if (sides.Left && w > 0)
        c.fillRect({r.left, r.top, r.left + w, r.bottom}, topLeft);
    if (sides.Bottom && wv > 0)
        c.fillRect({r.left, r.bottom - wv, r.right, r.bottom}, bottomRight);
    if (sides.Right && w > 0)
        c.fillRect({r.right - w, r.top, r.right, r.bottom}, bottomRight);
}

// A table's or cell's background picture in `r` by its style: stretched over
// the box, tiled from the box's corner, or once in its middle; rvbsColor
// means the box shows its colour only, so a picture stored with it stays
// hidden. Nothing leaves the box.
void drawItemBackground(Canvas &c, const Rect &r, const TRVGraphic *g, TRVItemBackgroundStyle style, const Rect &clip,
                        const TRVResolutionInfo &res)
{
    if (!g || g->Empty() || style == rvbsColor || r.isEmpty())
        return;
    const Rect area = r.intersected(clip);
    if (area.isEmpty())
        return;
    CanvasSaver saver(c);
    c.intersectClipRect(area);
    // The picture's size is in screen pixels: a printer page scales it.
    const int w = std::max(1, res.X(g->Width())), h = std::max(1, res.Y(g->Height()));
    switch (style) {
    case rvbsStretched:
        g->Draw(c, r);
        break;
    case rvbsTiled:
        // Only the tiles meeting the visible part: a tall box of tiny tiles stays cheap.
        for (int y = r.top + (area.top - r.top) / h * h; y < area.bottom; y += h)
            for (int x = r.left + (area.left - r.left) / w * w; x < area.right; x += w)
                g->Draw(c, {x, y, x + w, y + h});
        break;
    case rvbsCentered: {
        const int x = r.left + (r.width() - w) / 2, y = r.top + (r.height() - h) / 2;
        g->Draw(c, {x, y, x + w, y + h});
        break;
    }
    default:
        break;
    }
}

} // namespace

void TRVTableLayout::Paint(Canvas &canvas, int x, int y, const Rect &clip, bool printing, TRVColorMode colorMode,
                           bool selected) const
{
    const TRVTableItemInfo &t = FTable;
    const TRVResolutionInfo &r = FOwner.Resolution();
    const Rect whole{x, y, x + Width, y + Height};
    if (!whole.intersects(clip))
        return;
    const bool white = printing && (t.PrintOptions & rvtoWhiteBackground);
    const bool halftone = printing && (t.PrintOptions & rvtoHalftoneBorders);
    auto borderColor = [&](Color c) { return halftone ? Color(clGray) : c; };
    if (!white && t.Color != clNone)
        canvas.fillRect(whole, t.Color);
    if (!white)
        drawItemBackground(canvas, whole, t.BackgroundImage.get(), t.BackgroundStyle, clip, r);
    drawFrame(canvas, whole, r.X(t.BorderWidth), r.Y(t.BorderWidth), t.BorderStyle, borderColor(t.BorderColor),
              borderColor(t.BorderLightColor), t.VisibleBorders);

    // Rules: in the middle of the spacing between columns and between rows.
    const int cols = int(ColWidth.size()), rows = int(RowHeight.size());
    const int vr = r.X(std::max(0, t.VRuleWidth)), hr = r.Y(std::max(0, t.HRuleWidth));
    const int inTop = y + r.Y(std::max(0, t.BorderWidth)), inBottom = y + Height - r.Y(std::max(0, t.BorderWidth));
    const int inLeft = x + r.X(std::max(0, t.BorderWidth)), inRight = x + Width - r.X(std::max(0, t.BorderWidth));
    if (vr > 0)
        for (int k = t.VOutermostRule ? 0 : 1; k <= (t.VOutermostRule ? cols : cols - 1); ++k) {
            int gapL = k == 0 ? inLeft : x + ColLeft[size_t(k - 1)] + ColWidth[size_t(k - 1)];
            int gapR = k == cols ? inRight : x + ColLeft[size_t(k)];
            int mid = (gapL + gapR - vr) / 2;
            canvas.fillRect({mid, inTop, mid + vr, inBottom}, borderColor(t.VRuleColor));
        }
    if (hr > 0)
        for (int k = t.HOutermostRule ? 0 : 1; k <= (t.HOutermostRule ? rows : rows - 1); ++k) {
            int gapT = k == 0 ? inTop : y + RowTop[size_t(k - 1)] + RowHeight[size_t(k - 1)];
            int gapB = k == rows ? inBottom : y + RowTop[size_t(k)];
            int mid = (gapT + gapB - hr) / 2;
            canvas.fillRect({inLeft, mid, inRight, mid + hr}, borderColor(t.HRuleColor));
        }

    for (const TRVCellBox &b : Cells) {
        Rect box = b.Box.translated(x, y);
        if (!box.intersects(clip))
            continue;
        if (!white && b.Cell->Color != clNone)
            canvas.fillRect(box, b.Cell->Color);
        if (!white)
            drawItemBackground(canvas, box, b.Cell->BackgroundImage.get(), b.Cell->BackgroundStyle, clip, r);
        Color dark = b.Cell->BorderColor != clNone ? b.Cell->BorderColor : t.CellBorderColor;
        Color light = b.Cell->BorderLightColor != clNone ? b.Cell->BorderLightColor : t.CellBorderLightColor;
        drawFrame(canvas, box, r.X(std::max(0, t.CellBorderWidth)), r.Y(std::max(0, t.CellBorderWidth)),
                  t.CellBorderStyle, borderColor(dark), borderColor(light), b.Cell->VisibleBorders);
        // The cell's items: canvas point (0, 0) shows the cell's document
        // point (-left, -top), so its content corner lands on the box.
        const int cx = x + b.ContentLeft, cy = y + b.ContentTop;
        Rect inner = box.intersected(clip);
        canvas.save();
        canvas.intersectClipRect(inner);
        TRVCellFormattedData &cd = *b.Data;
        TRVPaintOptions how;
        how.Printing = printing;
        how.ColorMode = colorMode;
        how.AllSelected = selected;
        cd.DrawItems(canvas, inner, -cx, -cy, how);
        canvas.restore();
    }
}

} // namespace rv
