// Tables: a full-line item holding a grid of cells, each cell a document of
// its own styled by the outer document's sheet; and the reader of a table's
// stored body (a component stream, see rv_table.cpp for its byte layout).
#pragma once
#include "rv_data.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace rv {

// TRVTableOptions.
enum : uint16_t {
    rvtoEditing = bit(0), rvtoRowSizing = bit(1), rvtoColSizing = bit(2), rvtoRowSelect = bit(3),
    rvtoColSelect = bit(4), rvtoNoCellSelect = bit(5), rvtoRTFSaveCellPixelBestWidth = bit(6),
    rvtoRTFAllowAutofit = bit(7), rvtoHideGridLines = bit(8), rvtoOverlappingCorners = bit(9),
    rvtoCellBelowBorders = bit(10), rvtoIgnoreContentWidth = bit(11), rvtoIgnoreContentHeight = bit(12)
};
// TRVTablePrintOptions.
enum : uint8_t { rvtoHalftoneBorders = bit(0), rvtoRowsSplit = bit(1), rvtoWhiteBackground = bit(2) };
enum TRVTableBorderStyle : uint8_t { rvtbRaised, rvtbLowered, rvtbColor, rvtbRaisedColor, rvtbLoweredColor };
enum TRVItemBackgroundStyle : uint8_t { rvbsColor, rvbsStretched, rvbsTiled, rvbsCentered };
enum TRVCellVAlign : uint8_t { rvcTop, rvcMiddle, rvcBottom, rvcVDefault };

// Tables larger than this many slots are refused before anything is allocated.
constexpr int kMaxTableCells = 10000;
// Tables inside cells inside tables: deeper nesting fails the read.
constexpr int kMaxTableNesting = 16;

// One cell: a document with a parent (the table's document) and its looks.
class TRVTableCellData : public TCustomRVData {
public:
    explicit TRVTableCellData(TRVStyle *style);
    ~TRVTableCellData() override;

    TColor Color = clNone, BorderColor = clNone, BorderLightColor = clNone;
    int BestWidth = 0;  // > 0 pixels, < 0 percent of the table's width, 0 auto
    int BestHeight = 0;
    TRVBooleanRect VisibleBorders;
    TRVCellVAlign VAlign = rvcVDefault;
    std::unique_ptr<TRVGraphic> BackgroundImage;
    TRVItemBackgroundStyle BackgroundStyle = rvbsColor;
    std::string BackgroundImageFileName, Hint;
    int RowSpan = 1, ColSpan = 1;
    const TCustomRVData *Parent = nullptr; // the document the table is in
};

struct TRVTableRow {
    // One slot per column; empty where an earlier cell's span covers it.
    std::vector<std::unique_ptr<TRVTableCellData>> Cells;
    TRVCellVAlign VAlign = rvcTop;
    bool PageBreakBefore = false;
};

class TRVTableItemInfo : public TRVFullLineItemInfo {
protected:
    std::unique_ptr<TCustomRVItemInfo> CreateSame() const override { return std::make_unique<TRVTableItemInfo>(StyleNo); }

public:
    explicit TRVTableItemInfo(int styleNo = ikTable) : TRVFullLineItemInfo(styleNo) {}
    ~TRVTableItemInfo() override;
    // Copies the properties and every cell's items.
    void Assign(const TCustomRVItemInfo &src) override;

    int RowCount() const { return int(Rows.size()); }
    int ColCount() const { return FColCount; }
    TRVTableCellData *Cell(int r, int c) const { return Rows[size_t(r)].Cells[size_t(c)].get(); }
    // Empties the table and makes rows × cols cells (refused beyond kMaxTableCells).
    void SetSize(int rows, int cols, TRVStyle *style);
    // The cell whose span covers slot (r, c), with its own row and column.
    TRVTableCellData *CellAt(int r, int c, int &cellRow, int &cellCol) const;

    uint16_t Options = rvtoEditing | rvtoRowSizing | rvtoColSizing | rvtoRowSelect | rvtoColSelect;
    uint8_t PrintOptions = rvtoHalftoneBorders | rvtoRowsSplit;
    int BestWidth = 0; // > 0 pixels, < 0 percent of the available width, 0 auto
    TColor Color = platform::clWindow;
    std::unique_ptr<TRVGraphic> BackgroundImage;
    TRVItemBackgroundStyle BackgroundStyle = rvbsColor;
    int HeadingRowCount = 0;
    std::string TextRowSeparator, TextColSeparator;
    int BorderWidth = 0;
    TColor BorderColor = platform::clWindowText, BorderLightColor = TColor(0xFF000014);
    TRVTableBorderStyle BorderStyle = rvtbRaised;
    int BorderVSpacing = 2, BorderHSpacing = 2;
    TRVBooleanRect VisibleBorders;
    int CellBorderWidth = 0;
    TColor CellBorderColor = platform::clWindowText, CellBorderLightColor = TColor(0xFF000014);
    int CellHPadding = 1, CellVPadding = 1;
    TRVTableBorderStyle CellBorderStyle = rvtbLowered;
    int VRuleWidth = 0, HRuleWidth = 0;
    TColor VRuleColor = platform::clWindowText, HRuleColor = platform::clWindowText;
    int CellVSpacing = 2, CellHSpacing = 2;
    bool VOutermostRule = false, HOutermostRule = false;

    std::vector<TRVTableRow> Rows;
    // The body as stored, written back unchanged by the RVF writer.
    std::string StoredBody;

private:
    int FColCount = 0;
};

// Reads a table body (the decoded bytes of the record's last line) into
// `table`, whose cells take `owner`'s sheet, options and read modes. Throws
// EReadViewError with the reason when the body is damaged; warnings of the
// cells' documents and skipped properties are added to `warnings`.
void ReadTableBody(TRVTableItemInfo &table, std::string_view body, const TCustomRVData &owner, uint8_t &warnings);

// The table as plain text: cells in row-major order, each cell's paragraphs
// joined by CR LF; TextColSeparator between the cells of a row and
// TextRowSeparator between rows, or a tab and CR LF when those are empty.
std::u16string TablePlainText(const TRVTableItemInfo &table);

// The one colour an exported frame is drawn in: raised and lowered frames show
// two shades on screen, so they take the shadow's.
TColor ExportFrameColor(TRVTableBorderStyle style, TColor dark);
// A cell's frame colour for export: its own border colour, else the table's for cells.
TColor ExportCellFrameColor(const TRVTableItemInfo &table, const TRVTableCellData &cell);

// Appends the stored body of `table` (the layout ReadTableBody reads), each
// cell's document as RVF with the cell's own RVFOptions. False when a cell's
// document could not be written.
bool WriteTableBody(const TRVTableItemInfo &table, std::string &out);

} // namespace rv
