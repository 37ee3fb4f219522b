// Layout and painting of a table item for one formatting of the document it
// is in. Each cell's items are formatted by a formatted data of their own
// (sharing the cell's items), so a cell lays out, paints and is searched like
// any document; the table places those documents in a grid.
//
// Geometry, left to right (top to bottom is the same with the V values):
//   BorderWidth | BorderHSpacing | column 0 | CellHSpacing | column 1 | ...
//   | column n-1 | BorderHSpacing | BorderWidth
// A column's width holds its cells' borders (CellBorderWidth on each side),
// padding (CellHPadding on each side) and content. A cell spanning columns
// also covers the spacing between them. Vertical rules (VRuleWidth) are drawn
// in the middle of the spacing between columns, horizontal rules between rows;
// the outermost ones too when VOutermostRule / HOutermostRule are set.
//
// Column widths, as HTML-like tables do:
//   - each cell has a minimum (its widest word or unbreakable item, plus its
//     paragraph indents) and a preferred width (its longest line unbroken);
//   - a cell with BestWidth > 0 asks for that many pixels, < 0 for that
//     percent of the table's inner width; the column takes the largest ask of
//     its single-column cells, never below its minimum;
//   - a spanning cell whose minimum (preferred width) is more than its
//     columns give shares the difference equally among them;
//   - the table is BestWidth pixels wide (> 0), that percent of the width
//     available (< 0), or as wide as its preferred widths (0), never more than
//     the available width unless its minimum needs it;
//   - fixed and percent columns get their ask; the rest of the width goes to
//     the automatic columns: their preferred widths when they fit, otherwise
//     the minimum plus a share of what is left in proportion to
//     (preferred - minimum), so a narrow window shrinks the automatic columns
//     first; room left over after that widens the automatic columns (all
//     columns when there is none) in proportion to their widths.
// Row heights: a row is as tall as its tallest single-row cell (content,
// padding and borders, at least the cell's BestHeight); a cell spanning rows
// that needs more adds the difference to its last row. The content of a cell
// taller than it sits at the top, middle or bottom by the cell's VAlign, or
// the row's when the cell says rvcVDefault.
#pragma once
#include "document/rv_table.h"
#include "viewer/rv_fdata.h"

#include <memory>
#include <vector>

namespace rv {

// The formatted items of one cell. Its document coordinates start at the
// cell's content corner; margins are zero.
class TRVCellFormattedData : public TCustomRVFormattedData {
public:
    TRVCellFormattedData(const TCustomRVFormattedData &owner, TRVTableCellData &cell);

    platform::Canvas *Target = nullptr;
    int Width = 0;

    platform::Canvas *GetCanvas() override { return Target; }
    int GetClientWidth() const override { return Width; }
    int GetClientHeight() const override { return 0; }
    int GetLeftMargin() const override { return 0; }
    int GetRightMargin() const override { return 0; }
    int GetTopMargin() const override { return 0; }
    int GetBottomMargin() const override { return 0; }
    TRVOptions GetOptions() const override { return FOwner.GetOptions().Without(TRVOption::ClientTextWidth); }
    int GetScreenPixelsPerInchX() const override { return FOwner.GetScreenPixelsPerInchX(); }
    int GetScreenPixelsPerInchY() const override { return FOwner.GetScreenPixelsPerInchY(); }
    bool IsControlFocused() const override { return FOwner.IsControlFocused(); }
    const TCustomRVFormattedData &Owner() const { return FOwner; }
    TRVTableCellData &Cell() const { return FCell; }

private:
    const TCustomRVFormattedData &FOwner;
    TRVTableCellData &FCell;
};

// One cell placed: its slot, its box (relative to the table's corner) and the
// corner of its content inside the box.
struct TRVCellBox {
    int Row = 0, Col = 0;
    TRVTableCellData *Cell = nullptr;
    platform::Rect Box;
    int ContentLeft = 0, ContentTop = 0;
    std::unique_ptr<TRVCellFormattedData> Data;
};

class TRVTableLayout {
public:
    TRVTableLayout(const TCustomRVFormattedData &owner, const TRVTableItemInfo &table);

    // Narrowest and preferred widths of the whole table at the owner's
    // resolution, measured on `canvas`.
    static void Measure(const TRVTableItemInfo &table, const TRVResolutionInfo &r, platform::Canvas &canvas,
                        int &minWidth, int &prefWidth);

    // Lays the table out for `available` pixels of width.
    void Arrange(platform::Canvas &canvas, int available);

    int Width = 0, Height = 0;
    std::vector<int> ColLeft, ColWidth, RowTop, RowHeight; // relative to the table's corner
    std::vector<TRVCellBox> Cells;                          // in row-major order

    // The cell whose box holds point (x, y) relative to the table's corner, or nullptr.
    const TRVCellBox *CellAtPoint(int x, int y) const;

    // Draws the table with its corner at canvas point (x, y). `selected`: the
    // table lies inside the selection and every cell's content shows selected.
    void Paint(platform::Canvas &canvas, int x, int y, const platform::Rect &clip, bool printing,
               TRVColorMode colorMode, bool selected = false) const;

    const TRVTableItemInfo &Table() const { return FTable; }

private:
    // Formats every cell at its content width, in its columns' box.
    void FormatCells(platform::Canvas &canvas);
    // Each cell's box over its rows, its content placed by its vertical
    // alignment `inset` (border and padding) inside the box.
    void PlaceCellsInRows(int inset);
    const TCustomRVFormattedData &FOwner;
    const TRVTableItemInfo &FTable;
};

} // namespace rv
