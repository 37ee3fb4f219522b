#include "rv_table.h"

#include "rv_component_stream.h"
#include "platform/codepage.h"
#include "rv_graphic.h"
#include "rvf_reader.h"
#include "rvf_styles.h"
#include "rvf_writer.h"

#include <algorithm>
#include <functional>

namespace rv {

// ------------------------------------------------------------------ model

TRVTableCellData::TRVTableCellData(TRVStyle *style) : TCustomRVData(style)
{
    OwnsStyleSheet = false;
    DocParameters.reset();
}

TRVTableCellData::~TRVTableCellData() = default;

TRVTableItemInfo::~TRVTableItemInfo() = default;

void TRVTableItemInfo::SetSize(int rows, int cols, TRVStyle *style)
{
    Rows.clear();
    FColCount = 0;
    if (rows <= 0 || cols <= 0)
        return;
    if (int64_t(rows) * cols > kMaxTableCells)
        throw EReadViewError("Invalid RVF format: table of " + std::to_string(rows) + " x " + std::to_string(cols)
                             + " cells is larger than " + std::to_string(kMaxTableCells) + " cells",
                             RvfErrorKind::Table);
    Rows.resize(size_t(rows));
    for (auto &row : Rows) {
        row.Cells.resize(size_t(cols));
        for (auto &c : row.Cells)
            c = std::make_unique<TRVTableCellData>(style);
    }
    FColCount = cols;
}

TRVTableCellData *TRVTableItemInfo::CellAt(int r, int c, int &cellRow, int &cellCol) const
{
    // Spans reach right and down, so the owner is up and to the left.
    for (int rr = r; rr >= 0; --rr)
        for (int cc = c; cc >= 0; --cc) {
            TRVTableCellData *cell = Cell(rr, cc);
            if (cell && rr + cell->RowSpan > r && cc + cell->ColSpan > c) {
                cellRow = rr;
                cellCol = cc;
                return cell;
            }
        }
    cellRow = cellCol = -1;
    return nullptr;
}

namespace {

// A copy of a cell: its looks, spans and a copy of each of its items.
std::unique_ptr<TRVTableCellData> copyOfCell(const TRVTableCellData &sc)
{
    auto cell = std::make_unique<TRVTableCellData>(sc.GetRVStyle());
    cell->Color = sc.Color;
    cell->BorderColor = sc.BorderColor;
    cell->BorderLightColor = sc.BorderLightColor;
    cell->BestWidth = sc.BestWidth;
    cell->BestHeight = sc.BestHeight;
    cell->VisibleBorders = sc.VisibleBorders;
    cell->VAlign = sc.VAlign;
    cell->BackgroundImage = sc.BackgroundImage ? sc.BackgroundImage->Clone() : nullptr;
    cell->BackgroundStyle = sc.BackgroundStyle;
    cell->BackgroundImageFileName = sc.BackgroundImageFileName;
    cell->Hint = sc.Hint;
    cell->RowSpan = sc.RowSpan;
    cell->ColSpan = sc.ColSpan;
    cell->Parent = sc.Parent;
    for (int i = 0; i < sc.ItemCount(); ++i)
        cell->AddItem(sc.ItemText(i), sc.GetItem(i).Clone());
    return cell;
}

} // namespace

void TRVTableItemInfo::Assign(const TCustomRVItemInfo &src)
{
    TRVFullLineItemInfo::Assign(src);
    auto *s = dynamic_cast<const TRVTableItemInfo *>(&src);
    if (!s)
        return;
    Options = s->Options;
    PrintOptions = s->PrintOptions;
    BestWidth = s->BestWidth;
    Color = s->Color;
    BackgroundImage = s->BackgroundImage ? s->BackgroundImage->Clone() : nullptr;
    BackgroundStyle = s->BackgroundStyle;
    HeadingRowCount = s->HeadingRowCount;
    TextRowSeparator = s->TextRowSeparator;
    TextColSeparator = s->TextColSeparator;
    BorderWidth = s->BorderWidth;
    BorderColor = s->BorderColor;
    BorderLightColor = s->BorderLightColor;
    BorderStyle = s->BorderStyle;
    BorderVSpacing = s->BorderVSpacing;
    BorderHSpacing = s->BorderHSpacing;
    VisibleBorders = s->VisibleBorders;
    CellBorderWidth = s->CellBorderWidth;
    CellBorderColor = s->CellBorderColor;
    CellBorderLightColor = s->CellBorderLightColor;
    CellHPadding = s->CellHPadding;
    CellVPadding = s->CellVPadding;
    CellBorderStyle = s->CellBorderStyle;
    VRuleWidth = s->VRuleWidth;
    HRuleWidth = s->HRuleWidth;
    VRuleColor = s->VRuleColor;
    HRuleColor = s->HRuleColor;
    CellVSpacing = s->CellVSpacing;
    CellHSpacing = s->CellHSpacing;
    VOutermostRule = s->VOutermostRule;
    HOutermostRule = s->HOutermostRule;
    StoredBody = s->StoredBody;
    Rows.clear();
    FColCount = s->FColCount;
    Rows.resize(s->Rows.size());
    for (size_t r = 0; r < Rows.size(); ++r) {
        Rows[r].VAlign = s->Rows[r].VAlign;
        Rows[r].PageBreakBefore = s->Rows[r].PageBreakBefore;
        Rows[r].Cells.resize(s->Rows[r].Cells.size());
        for (size_t c = 0; c < Rows[r].Cells.size(); ++c) {
            const TRVTableCellData *sc = s->Rows[r].Cells[c].get();
            if (!sc)
                continue;
            Rows[r].Cells[c] = copyOfCell(*sc);
        }
    }
}

// ------------------------------------------------------------------ reading
//
// Byte layout of a table body (little-endian; "int" is an integer value of
// any integer type, written in the smallest that holds it):
//
//   "TPF0"
//   component record of the wrapper:
//     [prefix byte >= 0xF0: low 4 bits are flags; with flag 2 an int follows
//      (a child position, read and ignored)]
//     class name  short string, "TRVTableWrapper"
//     name        short string (empty)
//     properties  up to a 0 byte:
//       T.<table property>   the table's properties (T.BorderWidth, T.Color,
//                            T.VisibleBorders.Left, T.BackgroundImg, ...)
//       C                    int R; R = 0: an empty table, nothing follows.
//                            Else int C, then a list (type byte 1) holding,
//                            for every slot in row-major order not covered by
//                            an earlier cell's span: int ColSpan, int RowSpan,
//                            and a component record of class "TD" whose
//                            properties are C.<cell property>; its "C.Data"
//                            is a binary value (type 10: a 4-byte length and
//                            that many bytes of RVF, the cell's document).
//                            The list ends with 0 exactly after the last cell.
//       RowVAlign            a list of ints, one per row, ended by 0
//       RowPageBreakBefore   a list of booleans (types 8, 9), ended by 0
//     children    a 0 byte (none)
//   Every component record, the cells' included, ends with both 0 bytes.
//   The T.* properties come first, then C, then the row lists.
//
// A property name we do not know, or a value of a type its property does not
// take, is skipped whole and sets lwUnknownStyleProperty. Anything else that
// does not fit this layout fails the read with its reason.

namespace {

thread_local int gTableNesting = 0;

const std::vector<std::string> kTableOptions = {
    "rvtoEditing", "rvtoRowSizing", "rvtoColSizing", "rvtoRowSelect", "rvtoColSelect", "rvtoNoCellSelect",
    "rvtoRTFSaveCellPixelBestWidth", "rvtoRTFAllowAutofit", "rvtoHideGridLines", "rvtoOverlappingCorners",
    "rvtoCellBelowBorders", "rvtoIgnoreContentWidth", "rvtoIgnoreContentHeight"};
const std::vector<std::string> kPrintOptions = {"rvtoHalftoneBorders", "rvtoRowsSplit", "rvtoWhiteBackground"};
const std::vector<std::string> kBorderStyles = {"rvtbRaised", "rvtbLowered", "rvtbColor", "rvtbRaisedColor",
                                                "rvtbLoweredColor"};
const std::vector<std::string> kBackStyles = {"rvbsColor", "rvbsStretched", "rvbsTiled", "rvbsCentered"};
const std::vector<std::string> kVAligns = {"rvcTop", "rvcMiddle", "rvcBottom", "rvcVDefault"};

// One value as read, for the setters below.
struct Value {
    uint8_t type = vtNull;
    int64_t i = 0;
    std::string s;                  // strings, identifiers, binary data
    std::vector<std::string> names; // sets
};

Value readValue(TRVComponentReader &r)
{
    Value v;
    v.type = r.Type();
    if (TRVComponentReader::IsIntType(v.type))
        v.i = r.IntPayload(v.type);
    else if (TRVComponentReader::IsStringType(v.type))
        v.s = r.StringPayload(v.type);
    else if (v.type == vtIdent)
        v.s = r.ShortString();
    else if (v.type == vtBinary)
        v.s = std::string(r.Bytes(r.U32()));
    else if (v.type == vtSet)
        r.ReadSetNames(v.names);
    else
        r.Skip(v.type);
    return v;
}

// Setters answer false for a value they cannot take.
using Setter = std::function<bool(const Value &)>;

bool isInt32(const Value &v) { return TRVComponentReader::IsIntType(v.type) && v.i >= INT32_MIN && v.i <= INT32_MAX; }

Setter intProp(int &field)
{
    return [&field](const Value &v) {
        if (!isInt32(v))
            return false;
        field = int(v.i);
        return true;
    };
}

Setter colorProp(TColor &field)
{
    return [&field](const Value &v) {
        if (isInt32(v)) {
            field = TColor(uint32_t(int32_t(v.i)));
            return true;
        }
        return v.type == vtIdent && ColorFromIdent(v.s, field);
    };
}

Setter boolProp(bool &field)
{
    return [&field](const Value &v) {
        if (v.type != vtFalse && v.type != vtTrue)
            return false;
        field = v.type == vtTrue;
        return true;
    };
}

template <class E>
Setter enumProp(E &field, const std::vector<std::string> &names)
{
    return [&field, &names](const Value &v) {
        if (v.type != vtIdent)
            return false;
        auto it = std::find(names.begin(), names.end(), v.s);
        if (it == names.end())
            return false;
        field = E(it - names.begin());
        return true;
    };
}

template <class E>
Setter setProp(E &field, const std::vector<std::string> &names)
{
    return [&field, &names](const Value &v) {
        if (v.type != vtSet)
            return false;
        uint32_t bits = 0;
        for (const auto &n : v.names) {
            auto it = std::find(names.begin(), names.end(), n);
            if (it != names.end())
                bits |= bit(int(it - names.begin()));
        }
        field = E(bits);
        return true;
    };
}

Setter stringProp(std::string &field)
{
    return [&field](const Value &v) {
        if (!TRVComponentReader::IsStringType(v.type))
            return false;
        field = v.s;
        return true;
    };
}

// A stored picture: the class name as a short string, then its data.
Setter pictureProp(std::unique_ptr<TRVGraphic> &field)
{
    return [&field](const Value &v) {
        if (v.type != vtBinary)
            return false;
        if (v.s.empty()) {
            field.reset();
            return true;
        }
        size_t len = uint8_t(v.s[0]);
        if (len + 1 > v.s.size())
            return false;
        auto g = CreateGraphicByClassName(std::string_view(v.s).substr(1, len));
        if (!g || !g->LoadFromBytes(std::string_view(v.s).substr(1 + len)))
            return false;
        field = std::move(g);
        return true;
    };
}

void addRect(std::vector<std::pair<std::string, Setter>> &props, const std::string &prefix, TRVBooleanRect &r)
{
    props.emplace_back(prefix + ".Left", boolProp(r.Left));
    props.emplace_back(prefix + ".Top", boolProp(r.Top));
    props.emplace_back(prefix + ".Right", boolProp(r.Right));
    props.emplace_back(prefix + ".Bottom", boolProp(r.Bottom));
}

class TableReader {
public:
    TableReader(TRVTableItemInfo &t, std::string_view body, const TCustomRVData &owner, uint8_t &warnings)
        : t_(t), r_(body, "table"), owner_(owner), warnings_(warnings)
    {
    }

    void Run()
    {
        if (r_.Left() < 4 || r_.Bytes(4) != "TPF0")
            r_.Fail("not a component stream (no TPF0 signature)");
        componentHeader("TRVTableWrapper");
        auto props = tableProps();
        bool sawCells = false;
        for (std::string name = r_.ShortString(); !name.empty(); name = r_.ShortString()) {
            if (name == "C") {
                if (sawCells)
                    r_.Fail("the cells are stored twice");
                readCells();
                sawCells = true;
            } else if (name == "RowVAlign") {
                readRowList([this](size_t row) {
                    int32_t v = r_.Int();
                    if (row < t_.Rows.size())
                        t_.Rows[row].VAlign = v >= rvcTop && v <= rvcVDefault ? TRVCellVAlign(v) : rvcTop;
                });
            } else if (name == "RowPageBreakBefore") {
                readRowList([this](size_t row) {
                    uint8_t ty = r_.Type();
                    if (ty != vtFalse && ty != vtTrue)
                        r_.Fail("boolean expected in RowPageBreakBefore");
                    if (row < t_.Rows.size())
                        t_.Rows[row].PageBreakBefore = ty == vtTrue;
                });
            } else {
                setProperty(props, name);
            }
        }
        if (r_.Byte() != 0)
            r_.Fail("the table wrapper has child components");
    }

private:
    // Prefix, class and name of a component record.
    void componentHeader(const char *expectedClass)
    {
        if ((r_.Peek() & 0xF0) == 0xF0) {
            uint8_t flags = r_.Byte() & 0x0F;
            if (flags & 2)
                (void)r_.Int(); // child position
        }
        std::string cls = r_.ShortString();
        if (cls != expectedClass)
            r_.Fail("unregistered component class \"" + cls + "\" (expected " + expectedClass + ")");
        (void)r_.ShortString(); // component name
    }

    std::vector<std::pair<std::string, Setter>> tableProps()
    {
        TRVTableItemInfo &t = t_;
        std::vector<std::pair<std::string, Setter>> p = {
            {"T.Options", setProp(t.Options, kTableOptions)},
            {"T.PrintOptions", setProp(t.PrintOptions, kPrintOptions)},
            {"T.BestWidth", intProp(t.BestWidth)},
            {"T.Color", colorProp(t.Color)},
            {"T.BackgroundImg", pictureProp(t.BackgroundImage)},
            {"T.BackgroundStyle", enumProp(t.BackgroundStyle, kBackStyles)},
            {"T.HeadingRowCount", intProp(t.HeadingRowCount)},
            {"T.TextRowSeparator", stringProp(t.TextRowSeparator)},
            {"T.TextColSeparator", stringProp(t.TextColSeparator)},
            {"T.BorderWidth", intProp(t.BorderWidth)},
            {"T.BorderColor", colorProp(t.BorderColor)},
            {"T.BorderLightColor", colorProp(t.BorderLightColor)},
            {"T.BorderStyle", enumProp(t.BorderStyle, kBorderStyles)},
            {"T.BorderVSpacing", intProp(t.BorderVSpacing)},
            {"T.BorderHSpacing", intProp(t.BorderHSpacing)},
            {"T.CellBorderWidth", intProp(t.CellBorderWidth)},
            {"T.CellBorderColor", colorProp(t.CellBorderColor)},
            {"T.CellBorderLightColor", colorProp(t.CellBorderLightColor)},
            {"T.CellPadding", [&t](const Value &v) {
                 if (!isInt32(v))
                     return false;
                 t.CellHPadding = t.CellVPadding = int(v.i);
                 return true;
             }},
            {"T.CellHPadding", intProp(t.CellHPadding)},
            {"T.CellVPadding", intProp(t.CellVPadding)},
            {"T.CellBorderStyle", enumProp(t.CellBorderStyle, kBorderStyles)},
            {"T.VRuleWidth", intProp(t.VRuleWidth)},
            {"T.HRuleWidth", intProp(t.HRuleWidth)},
            {"T.VRuleColor", colorProp(t.VRuleColor)},
            {"T.HRuleColor", colorProp(t.HRuleColor)},
            {"T.CellVSpacing", intProp(t.CellVSpacing)},
            {"T.CellHSpacing", intProp(t.CellHSpacing)},
            {"T.VOutermostRule", boolProp(t.VOutermostRule)},
            {"T.HOutermostRule", boolProp(t.HOutermostRule)},
        };
        addRect(p, "T.VisibleBorders", t.VisibleBorders);
        return p;
    }

    std::vector<std::pair<std::string, Setter>> cellProps(TRVTableCellData &c)
    {
        std::vector<std::pair<std::string, Setter>> p = {
            {"C.Color", colorProp(c.Color)},
            {"C.BorderColor", colorProp(c.BorderColor)},
            {"C.BorderLightColor", colorProp(c.BorderLightColor)},
            {"C.BestWidth", intProp(c.BestWidth)},
            {"C.BestHeight", intProp(c.BestHeight)},
            {"C.VAlign", enumProp(c.VAlign, kVAligns)},
            {"C.BackgroundImg", pictureProp(c.BackgroundImage)},
            {"C.BackgroundStyle", enumProp(c.BackgroundStyle, kBackStyles)},
            {"C.BackgroundImageFileName", stringProp(c.BackgroundImageFileName)},
            {"C.Hint", stringProp(c.Hint)},
        };
        addRect(p, "C.VisibleBorders", c.VisibleBorders);
        return p;
    }

    void setProperty(const std::vector<std::pair<std::string, Setter>> &props, const std::string &name)
    {
        Value v = readValue(r_);
        for (const auto &[n, set] : props)
            if (n == name) {
                if (!set(v))
                    warnings_ |= lwUnknownStyleProperty;
                return;
            }
        warnings_ |= lwUnknownStyleProperty;
    }

    template <class F>
    void readRowList(F each)
    {
        if (r_.Type() != vtList)
            r_.Fail("list expected for the row properties");
        for (size_t row = 0; r_.Peek() != 0; ++row)
            each(row);
        r_.Byte();
    }

    void readCells()
    {
        int32_t rows = r_.Int();
        if (rows < 0)
            r_.Fail("negative row count");
        if (rows == 0) {
            t_.SetSize(0, 0, nullptr);
            return;
        }
        int32_t cols = r_.Int();
        if (cols <= 0)
            r_.Fail("column count " + std::to_string(cols));
        if (int64_t(rows) * cols > kMaxTableCells)
            r_.Fail(std::to_string(rows) + " x " + std::to_string(cols) + " cells is more than the "
                    + std::to_string(kMaxTableCells) + " a table may have");
        t_.SetSize(rows, cols, owner_.GetRVStyle());
        if (r_.Type() != vtList)
            r_.Fail("list of cells expected");
        // covered[r][c]: the slot belongs to an earlier cell's span.
        std::vector<std::vector<bool>> covered(size_t(rows), std::vector<bool>(size_t(cols), false));
        for (int row = 0; row < rows; ++row)
            for (int col = 0; col < cols; ++col) {
                if (covered[size_t(row)][size_t(col)]) {
                    t_.Rows[size_t(row)].Cells[size_t(col)].reset();
                    continue;
                }
                if (r_.Peek() == 0)
                    r_.Fail("the cell list ends before cell (" + std::to_string(row) + ", " + std::to_string(col)
                            + ")");
                int32_t colSpan = r_.Int(), rowSpan = r_.Int();
                // A span never reaches past the grid nor over another cell's slots.
                colSpan = std::clamp(colSpan, 1, cols - col);
                for (int k = 1; k < colSpan; ++k)
                    if (covered[size_t(row)][size_t(col + k)]) {
                        colSpan = k;
                        break;
                    }
                rowSpan = std::clamp(rowSpan, 1, rows - row);
                for (int rr = 1; rr < rowSpan; ++rr)
                    for (int k = 0; k < colSpan; ++k)
                        if (covered[size_t(row + rr)][size_t(col + k)]) {
                            rowSpan = rr;
                            break;
                        }
                for (int rr = 0; rr < rowSpan; ++rr)
                    for (int k = 0; k < colSpan; ++k)
                        if (rr || k)
                            covered[size_t(row + rr)][size_t(col + k)] = true;
                TRVTableCellData &cell = *t_.Cell(row, col);
                cell.ColSpan = colSpan;
                cell.RowSpan = rowSpan;
                cell.Parent = &owner_;
                readCell(cell);
            }
        if (r_.Byte() != 0)
            r_.Fail("more cells than the " + std::to_string(rows) + " x " + std::to_string(cols) + " grid holds");
    }

    void readCell(TRVTableCellData &cell)
    {
        componentHeader("TD");
        auto props = cellProps(cell);
        for (std::string name = r_.ShortString(); !name.empty(); name = r_.ShortString()) {
            if (name == "C.Data") {
                if (r_.Type() != vtBinary)
                    r_.Fail("the cell's Data is not binary");
                uint32_t len = r_.U32();
                if (len > r_.Left())
                    r_.Fail("the cell's Data runs past the end of the table");
                readCellDocument(cell, r_.Bytes(len));
            } else {
                setProperty(props, name);
            }
        }
        if (r_.Byte() != 0)
            r_.Fail("a cell has child components");
    }

    void readCellDocument(TRVTableCellData &cell, std::string_view rvf)
    {
        cell.Clear();
        cell.RVFOptions = owner_.RVFOptions;
        // Cells share the outer sheet: a style table stored in a cell never
        // replaces it, so the cell's items keep the outer numbering.
        cell.RVFTextStylesReadMode = rvf_sIgnore;
        cell.RVFParaStylesReadMode = rvf_sIgnore;
        if (gTableNesting >= kMaxTableNesting)
            r_.Fail("tables nested more than " + std::to_string(kMaxTableNesting) + " deep");
        ++gTableNesting;
        int at = 0;
        bool ok;
        try {
            ok = ReadRVFStream(cell, rvf, at, true);
        } catch (...) {
            --gTableNesting;
            throw;
        }
        --gTableNesting;
        warnings_ |= cell.LoadWarnings;
        if (!ok)
            r_.Fail("a cell's document is damaged" + (cell.LoadError.Failed() ? ": " + cell.LoadError.Text() : std::string()));
    }

    TRVTableItemInfo &t_;
    TRVComponentReader r_;
    const TCustomRVData &owner_;
    uint8_t &warnings_;
};

} // namespace

void ReadTableBody(TRVTableItemInfo &table, std::string_view body, const TCustomRVData &owner, uint8_t &warnings)
{
    try {
        TableReader(table, body, owner, warnings).Run();
    } catch (...) {
        // Nothing half-read stays behind.
        table.SetSize(0, 0, nullptr);
        throw;
    }
}

// ------------------------------------------------------------------ writing
//
// The same layout as above; only properties that differ from their defaults
// are stored, integers in the smallest integer type that holds them.

namespace {

class BodyWriter {
public:
    std::string out;

    void name(const std::string &n)
    {
        out.push_back(char(n.size()));
        out += n;
    }
    void u32(uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            out.push_back(char(v >> (8 * i)));
    }
    void integer(int64_t v)
    {
        if (v >= INT8_MIN && v <= INT8_MAX) {
            out.push_back(char(vtInt8));
            out.push_back(char(v));
        } else if (v >= INT16_MIN && v <= INT16_MAX) {
            out.push_back(char(vtInt16));
            out.push_back(char(v & 0xFF));
            out.push_back(char((v >> 8) & 0xFF));
        } else {
            out.push_back(char(vtInt32));
            u32(uint32_t(int32_t(v)));
        }
    }
    void intProp(const std::string &n, int v, int def)
    {
        if (v == def)
            return;
        name(n);
        integer(v);
    }
    void colorProp(const std::string &n, TColor v, TColor def)
    {
        if (v == def)
            return;
        name(n);
        integer(int32_t(v));
    }
    void boolProp(const std::string &n, bool v, bool def)
    {
        if (v == def)
            return;
        name(n);
        out.push_back(char(v ? vtTrue : vtFalse));
    }
    void identProp(const std::string &n, const std::string &ident)
    {
        name(n);
        out.push_back(char(vtIdent));
        name(ident);
    }
    void setProp(const std::string &n, uint32_t bits, uint32_t def, const std::vector<std::string> &names)
    {
        if (bits == def)
            return;
        name(n);
        out.push_back(char(vtSet));
        for (size_t i = 0; i < names.size(); ++i)
            if (bits & bit(int(i)))
                name(names[i]);
        out.push_back(0);
    }
    void stringProp(const std::string &n, const std::string &s)
    {
        if (s.empty())
            return;
        name(n);
        out.push_back(char(vtLString));
        u32(uint32_t(s.size()));
        out += s;
    }
    void binaryProp(const std::string &n, std::string_view bytes)
    {
        name(n);
        out.push_back(char(vtBinary));
        u32(uint32_t(bytes.size()));
        out += bytes;
    }
    void rectProp(const std::string &prefix, const TRVBooleanRect &r)
    {
        boolProp(prefix + ".Left", r.Left, true);
        boolProp(prefix + ".Top", r.Top, true);
        boolProp(prefix + ".Right", r.Right, true);
        boolProp(prefix + ".Bottom", r.Bottom, true);
    }
    void picture(const std::string &n, const TRVGraphic *g)
    {
        if (!g)
            return;
        std::string cls = g->ClassName();
        binaryProp(n, char(cls.size()) + cls + g->StoredBytes());
    }
};

// The table's own properties, each only when it differs from the default
// (padding always).
void writeTableProperties(BodyWriter &w, const TRVTableItemInfo &t)
{
    const TRVTableItemInfo d; // defaults
    w.setProp("T.Options", t.Options, d.Options, kTableOptions);
    w.setProp("T.PrintOptions", t.PrintOptions, d.PrintOptions, kPrintOptions);
    w.intProp("T.BestWidth", t.BestWidth, d.BestWidth);
    w.colorProp("T.Color", t.Color, d.Color);
    w.picture("T.BackgroundImg", t.BackgroundImage.get());
    if (t.BackgroundStyle != d.BackgroundStyle)
        w.identProp("T.BackgroundStyle", kBackStyles[t.BackgroundStyle]);
    w.intProp("T.HeadingRowCount", t.HeadingRowCount, d.HeadingRowCount);
    w.stringProp("T.TextRowSeparator", t.TextRowSeparator);
    w.stringProp("T.TextColSeparator", t.TextColSeparator);
    w.intProp("T.BorderWidth", t.BorderWidth, d.BorderWidth);
    w.colorProp("T.BorderColor", t.BorderColor, d.BorderColor);
    w.colorProp("T.BorderLightColor", t.BorderLightColor, d.BorderLightColor);
    if (t.BorderStyle != d.BorderStyle)
        w.identProp("T.BorderStyle", kBorderStyles[t.BorderStyle]);
    w.intProp("T.BorderVSpacing", t.BorderVSpacing, d.BorderVSpacing);
    w.intProp("T.BorderHSpacing", t.BorderHSpacing, d.BorderHSpacing);
    w.rectProp("T.VisibleBorders", t.VisibleBorders);
    w.intProp("T.CellBorderWidth", t.CellBorderWidth, d.CellBorderWidth);
    w.colorProp("T.CellBorderColor", t.CellBorderColor, d.CellBorderColor);
    w.colorProp("T.CellBorderLightColor", t.CellBorderLightColor, d.CellBorderLightColor);
    // Padding is stored always, as two values.
    w.name("T.CellHPadding");
    w.integer(t.CellHPadding);
    w.name("T.CellVPadding");
    w.integer(t.CellVPadding);
    if (t.CellBorderStyle != d.CellBorderStyle)
        w.identProp("T.CellBorderStyle", kBorderStyles[t.CellBorderStyle]);
    w.intProp("T.VRuleWidth", t.VRuleWidth, d.VRuleWidth);
    w.intProp("T.HRuleWidth", t.HRuleWidth, d.HRuleWidth);
    w.colorProp("T.VRuleColor", t.VRuleColor, d.VRuleColor);
    w.colorProp("T.HRuleColor", t.HRuleColor, d.HRuleColor);
    w.intProp("T.CellVSpacing", t.CellVSpacing, d.CellVSpacing);
    w.intProp("T.CellHSpacing", t.CellHSpacing, d.CellHSpacing);
    w.boolProp("T.VOutermostRule", t.VOutermostRule, d.VOutermostRule);
    w.boolProp("T.HOutermostRule", t.HOutermostRule, d.HOutermostRule);
}

// A cell's properties and its document; false when the document cannot be written.
bool writeCellProperties(BodyWriter &w, const TRVTableCellData &cell)
{
    const TRVTableCellData dc(nullptr);
    w.colorProp("C.Color", cell.Color, dc.Color);
    w.colorProp("C.BorderColor", cell.BorderColor, dc.BorderColor);
    w.colorProp("C.BorderLightColor", cell.BorderLightColor, dc.BorderLightColor);
    w.intProp("C.BestWidth", cell.BestWidth, dc.BestWidth);
    w.intProp("C.BestHeight", cell.BestHeight, dc.BestHeight);
    w.rectProp("C.VisibleBorders", cell.VisibleBorders);
    if (cell.VAlign != dc.VAlign)
        w.identProp("C.VAlign", kVAligns[cell.VAlign]);
    w.picture("C.BackgroundImg", cell.BackgroundImage.get());
    if (cell.BackgroundStyle != dc.BackgroundStyle)
        w.identProp("C.BackgroundStyle", kBackStyles[cell.BackgroundStyle]);
    w.stringProp("C.BackgroundImageFileName", cell.BackgroundImageFileName);
    w.stringProp("C.Hint", cell.Hint);
    std::string rvf;
    if (cell.ItemCount() > 0 && !SaveRVFToString(cell, rvf))
        return false;
    w.binaryProp("C.Data", rvf);
    return true;
}

// Each row's vertical alignment and page break, as two lists.
void writeRowLists(BodyWriter &w, const TRVTableItemInfo &t)
{
    w.name("RowVAlign");
    w.out.push_back(char(vtList));
    for (const auto &row : t.Rows)
        w.integer(row.VAlign);
    w.out.push_back(0);
    w.name("RowPageBreakBefore");
    w.out.push_back(char(vtList));
    for (const auto &row : t.Rows)
        w.out.push_back(char(row.PageBreakBefore ? vtTrue : vtFalse));
    w.out.push_back(0);
}

} // namespace

TColor ExportFrameColor(TRVTableBorderStyle style, TColor dark)
{
    return style == rvtbRaised || style == rvtbLowered ? TColor(platform::clBtnShadow) : dark;
}

TColor ExportCellFrameColor(const TRVTableItemInfo &table, const TRVTableCellData &cell)
{
    return ExportFrameColor(table.CellBorderStyle, cell.BorderColor != clNone ? cell.BorderColor : table.CellBorderColor);
}

bool WriteTableBody(const TRVTableItemInfo &t, std::string &out)
{
    BodyWriter w;
    w.out = "TPF0";
    w.name("TRVTableWrapper");
    w.name("");
    writeTableProperties(w, t);
    w.name("C");
    w.integer(t.RowCount());
    if (t.RowCount() > 0) {
        w.integer(t.ColCount());
        w.out.push_back(char(vtList));
        for (int r = 0; r < t.RowCount(); ++r)
            for (int c = 0; c < t.ColCount(); ++c) {
                const TRVTableCellData *cell = t.Cell(r, c);
                if (!cell)
                    continue;
                w.integer(cell->ColSpan);
                w.integer(cell->RowSpan);
                w.name("TD");
                w.name("");
                if (!writeCellProperties(w, *cell))
                    return false;
                w.out.push_back(0); // end of the cell's properties
                w.out.push_back(0); // no children
            }
        w.out.push_back(0); // end of the cell list
        writeRowLists(w, t);
    }
    w.out.push_back(0); // end of the wrapper's properties
    w.out.push_back(0); // no children
    out += w.out;
    return true;
}

// ------------------------------------------------------------------ text

namespace {

std::u16string cellText(const TCustomRVData &d)
{
    std::u16string out;
    for (int i = 0; i < d.ItemCount(); ++i) {
        if (i > 0 && d.IsLineStart(i))
            out += u"\r\n";
        const TCustomRVItemInfo &item = d.GetItem(i);
        if (item.IsText())
            out += d.ItemTextW(i);
        else if (item.StyleNo == ikTab)
            out += u"\t";
        else if (auto *t = dynamic_cast<const TRVTableItemInfo *>(&item))
            out += TablePlainText(*t);
    }
    return out;
}

std::u16string separator(const TRVTableItemInfo &t, const std::string &s, const char16_t *fallback)
{
    if (s.empty())
        return fallback;
    const int cp = t.Rows.empty() || !t.Rows[0].Cells[0] || !t.Rows[0].Cells[0]->GetRVStyle()
                       ? platform::CP_ACP
                       : t.Rows[0].Cells[0]->GetRVStyle()->CodePageOfStyle(0);
    return platform::toUtf16(s, cp);
}

} // namespace

std::u16string TablePlainText(const TRVTableItemInfo &t)
{
    const std::u16string colSep = separator(t, t.TextColSeparator, u"\t");
    const std::u16string rowSep = separator(t, t.TextRowSeparator, u"\r\n");
    std::u16string out;
    for (int r = 0; r < t.RowCount(); ++r) {
        if (r > 0)
            out += rowSep;
        bool first = true;
        for (int c = 0; c < t.ColCount(); ++c) {
            const TRVTableCellData *cell = t.Cell(r, c);
            if (!cell)
                continue;
            if (!first)
                out += colSep;
            first = false;
            out += cellText(*cell);
        }
    }
    return out;
}

} // namespace rv
