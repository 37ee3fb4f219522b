#include "viewer/rv_controldata.h"
#include "document/rv_table.h"

#include "document/html_writer.h"
#include "document/rv_marker.h"
#include "document/rvf_writer.h"
#include "platform/codepage.h"
#include "viewer/rv_fontcache.h"
#include "viewer/rv_table_layout.h"

#include <algorithm>
#include <cstring>

namespace rv {

using namespace platform;

namespace {
int FindDrawItemAtIn(const TCustomRVFormattedData &f, int x, int y);
} // namespace

const char *const kDefaultDelimiters = " .;,:(){}\"/\\<>!?[]\x91\x92\x93\x94-+*=\xA0\x84";

TRVControlData::TRVControlData(TRVControlHost &host, TRVStyle *style) : TRVFieldSettingsData(style), Host(host) {}

TRVControlData::~TRVControlData() = default;

void TRVControlData::Clear()
{
    FCellSel = FCellPress = {};
    FCellSelecting = false;
    TCustomRVFormattedData::Clear();
    FSelecting = FLineSelecting = FDblClickSelected = false;
    FPressDraw = FPressLine = FClickedDraw = FPressedJump = FMouseDraw = -1;
    FPressWord = {};
    FAutoV = FAutoH = 0;
}

void TRVControlData::FormatDocument()
{
    ClearSelection();
    FCellSel = FCellPress = {};
    FSelecting = FLineSelecting = FDblClickSelected = FCellSelecting = false;
    FPressedJump = FClickedDraw = FMouseDraw = -1;
    SetHoveredJump(-1);
    ShowHover(false);
    SetFocusedItem(-1);
    Format();
    if (Options.Has(TRVOption::FormatInvalidate))
        Host.InvalidateAll();
}

void TRVControlData::Reformat(bool force)
{
    // Draw item numbers change with the layout; the selection survives by item position.
    const bool had = Selection().StartNo >= 0 && Selection().EndNo >= 0 && Selection().StartNo < DrawItemList().Count()
                     && Selection().EndNo < DrawItemList().Count();
    TRVItemPos a, m;
    if (had) {
        a = DrawPosToItemPos(Selection().StartNo, Selection().StartOffs);
        m = DrawPosToItemPos(Selection().EndNo, Selection().EndOffs);
    }
    const bool selecting = FSelecting;
    FormatItems(true, force, false);
    if (had) {
        bool forward = a.ItemNo < m.ItemNo || (a.ItemNo == m.ItemNo && a.Offs <= m.Offs);
        int sd, so, ed, eo;
        if (ItemPosToDrawPos(a, !forward, sd, so) && ItemPosToDrawPos(m, forward, ed, eo))
            SetSelection({sd, so, ed, eo});
        else
            ClearSelection();
    }
    if (FPressDraw >= DrawItemList().Count() || FClickedDraw >= DrawItemList().Count()
        || (FCellSelecting && !CellDataOf(FCellPress.Path()))) {
        FPressDraw = FClickedDraw = -1;
        FSelecting = FCellSelecting = false;
    } else {
        FSelecting = selecting;
    }
    FMouseDraw = -1;
    // The cells were laid out anew: their selection goes back by item position.
    if (CellSelectionExists() && !ApplyCellSelection())
        FCellSel = {};
    Host.InvalidateAll();
}

std::vector<TRVControlData::TCellStep> TRVControlData::TCellSelection::Path() const
{
    std::vector<TCellStep> p;
    if (TableItem < 0)
        return p;
    p.reserve(Inner.size() + 1);
    p.push_back({TableItem, CellNo});
    p.insert(p.end(), Inner.begin(), Inner.end());
    return p;
}

TRVCellFormattedData *TRVControlData::CellDataOf(const std::vector<TCellStep> &path, Point *origin) const
{
    const TCustomRVFormattedData *f = this;
    Point o;
    TRVCellFormattedData *cell = nullptr;
    for (const TCellStep &step : path) {
        const TRVTableLayout *t = f->TableLayoutOf(step.TableItem);
        const int d = f->FirstDrawItemOf(step.TableItem);
        if (!t || d < 0 || d >= f->DrawItemList().Count() || step.CellNo < 0 || step.CellNo >= int(t->Cells.size()))
            return nullptr;
        const TRVCellBox &box = t->Cells[size_t(step.CellNo)];
        const TRVDrawLineInfo &table = f->DrawItemList()[d];
        o.x += table.Left + box.ContentLeft;
        o.y += table.Top + box.ContentTop;
        cell = box.Data.get();
        f = cell;
    }
    if (origin)
        *origin = o;
    return cell;
}

bool TRVControlData::CellAtPoint(Point p, std::vector<TCellStep> &path) const
{
    path.clear();
    const TCustomRVFormattedData *f = this;
    Point o;
    // The reader caps the nesting; the walk stops there whatever it meets.
    for (int depth = 0; depth <= kMaxTableNesting; ++depth) {
        const int k = FindDrawItemAtIn(*f, p.x - o.x, p.y - o.y);
        if (k < 0)
            break;
        const TRVDrawLineInfo &d = f->DrawItemList()[k];
        const TRVTableLayout *t = f->TableLayoutOf(d.ItemNo);
        if (!t)
            break;
        const TRVCellBox *box = t->CellAtPoint(p.x - o.x - d.Left, p.y - o.y - d.Top);
        if (!box)
            break;
        path.push_back({d.ItemNo, int(box - t->Cells.data())});
        o.x += d.Left + box->ContentLeft;
        o.y += d.Top + box->ContentTop;
        f = box->Data.get();
    }
    return !path.empty();
}

void TRVControlData::DropCellSelection()
{
    if (!CellSelectionExists())
        return;
    if (TRVCellFormattedData *cd = CellDataOf(FCellSel.Path()))
        cd->ClearSelection();
    FCellSel = {};
    Host.InvalidateAll();
}

bool TRVControlData::ApplyCellSelection()
{
    TRVCellFormattedData *c = CellDataOf(FCellSel.Path());
    if (!c)
        return false;
    TRVCellFormattedData &cd = *c;
    const TRVItemPos a = FCellSel.Anchor, m = FCellSel.Moving;
    const bool forward = a.ItemNo < m.ItemNo || (a.ItemNo == m.ItemNo && a.Offs <= m.Offs);
    int sd, so, ed, eo;
    if (!ItemPosToDrawPosIn(cd, a, !forward, sd, so) || !ItemPosToDrawPosIn(cd, m, forward, ed, eo))
        return false;
    cd.SetSelection({sd, so, ed, eo});
    return true;
}

bool TRVControlData::CellSelectionNonEmpty() const
{
    TRVSelectionBounds sb;
    const TRVCellFormattedData *cd = CellSelectionExists() ? CellDataOf(FCellSel.Path()) : nullptr;
    return cd && cd->GetSelectionBounds(sb);
}

bool TRVControlData::HasSelection() const
{
    return SelectionExists() || CellSelectionNonEmpty();
}

void TRVControlData::ScrollToDocRange(int top, int bottom)
{
    const int dy = Host.VScrollPixels() - DocumentOffsetY();
    if (top - dy >= 0 && bottom - dy <= GetClientHeight())
        return;
    Host.ScrollToPixelY(std::max(0, top - GetClientHeight() / 3) + DocumentOffsetY());
}

Rect TRVControlData::CellSelectionRect() const
{
    Point o;
    const TRVCellFormattedData *cd = CellSelectionExists() ? CellDataOf(FCellSel.Path(), &o) : nullptr;
    TRVSelectionBounds sb;
    if (!cd || !cd->GetSelectionBounds(sb))
        return {};
    Rect r;
    for (int i = sb.StartNo; i <= sb.EndNo && i < cd->DrawItemList().Count(); ++i) {
        const TRVDrawLineInfo &d = cd->DrawItemList()[i];
        const Rect piece{d.Left, d.Top, d.Left + std::max(d.Width, 1), d.Top + std::max(d.Height, 1)};
        r = r.isEmpty() ? piece : Rect{std::min(r.left, piece.left), std::min(r.top, piece.top),
                                       std::max(r.right, piece.right), std::max(r.bottom, piece.bottom)};
    }
    return r.translated(o.x, o.y);
}

std::u16string TRVControlData::CellSelTextW() const
{
    const TCustomRVData *source = nullptr;
    TRVItemPos a, b;
    if (SelectionExists() || !SelectionSource(source, a, b))
        return {};
    return PlainTextIn(*source, a, b);
}

bool TRVControlData::SelectionSource(const TCustomRVData *&items, TRVItemPos &first, TRVItemPos &last) const
{
    if (GetSelectionItems(first, last)) {
        items = &Items();
        return true;
    }
    if (!CellSelectionNonEmpty())
        return false;
    const TRVCellFormattedData *cd = CellDataOf(FCellSel.Path());
    items = &cd->Items();
    first = FCellSel.Anchor;
    last = FCellSel.Moving;
    if (last.ItemNo < first.ItemNo || (last.ItemNo == first.ItemNo && last.Offs < first.Offs))
        std::swap(first, last);
    const int n = items->ItemCount();
    return first.ItemNo >= 0 && last.ItemNo < n && first.ItemNo <= last.ItemNo;
}

// ---------------------------------------------------------------- hit testing

Point TRVControlData::ClientToDoc(int x, int y) const
{
    return {x + Host.HScrollPixels(), y + Host.VScrollPixels() - DocumentOffsetY()};
}

namespace {

// Hit testing on any formatted document: the viewer's, or a table cell's
// (whose document coordinates start at the cell's content corner).
int LineEndIn(const TCustomRVFormattedData &f, int line)
{
    const auto &lines = f.Lines();
    return line + 1 < int(lines.size()) ? lines[size_t(line + 1)].FirstDrawItem : f.DrawItemList().Count();
}

int StartOffsIn(const TCustomRVFormattedData &f, int drawNo)
{
    return f.Items().GetItem(f.DrawItemList()[drawNo].ItemNo).IsText() ? 1 : 0;
}

int EndOffsIn(const TCustomRVFormattedData &f, int drawNo)
{
    const TRVDrawLineInfo &d = f.DrawItemList()[drawNo];
    return f.Items().GetItem(d.ItemNo).IsText() ? d.CharCount + 1 : 1;
}

int FindDrawItemAtIn(const TCustomRVFormattedData &f, int x, int y)
{
    const auto &lines = f.Lines();
    if (lines.empty())
        return -1;
    // Lines overlap only with negative line spacing; a few lines at most hold y.
    int li = f.FindLineAt(y);
    for (int n = 0; li < int(lines.size()) && lines[size_t(li)].Top <= y && n < 4; ++li, ++n) {
        for (int k = lines[size_t(li)].FirstDrawItem, e = LineEndIn(f, li); k < e; ++k) {
            const TRVDrawLineInfo &d = f.DrawItemList()[k];
            if (x >= d.Left && x < d.Left + d.Width && y >= d.Top && y < d.Top + d.Height)
                return k;
        }
    }
    return -1;
}

} // namespace

int TRVControlData::LineEnd(int line) const
{
    return LineEndIn(*this, line);
}

void TRVControlData::StartOffs(int drawNo, int &offs) const
{
    offs = StartOffsIn(*this, drawNo);
}

int TRVControlData::EndOffs(int drawNo) const
{
    return EndOffsIn(*this, drawNo);
}

int TRVControlData::FindDrawItemAt(int x, int y) const
{
    return FindDrawItemAtIn(*this, x, y);
}

namespace {

// Widths of every prefix of a text piece, measured in the piece's font.
std::vector<int> PieceWidths(const TCustomRVFormattedData &f, int drawNo)
{
    std::vector<int> w;
    Canvas *c = const_cast<TCustomRVFormattedData &>(f).GetCanvas();
    TRVStyle *s = f.GetRVStyle();
    const TRVDrawLineInfo &d = f.DrawItemList()[drawNo];
    if (!c || !s || d.CharCount <= 0)
        return w;
    const std::u16string &all = f.DisplayText(d.ItemNo);
    size_t start = std::min(size_t(std::max(0, d.FirstChar - 1)), all.size());
    std::u16string_view piece = std::u16string_view(all).substr(start, size_t(d.CharCount));
    CanvasSaver saver(*c);
    TRVFontInfoCacheLowResource fonts(*s, *c, f.GetBiDiMode());
    fonts.Select(f.Items().EffectiveStyleNo(d.ItemNo));
    c->prefixWidths(piece, w);
    return w;
}

} // namespace

// Nearest character boundary of a piece to document x (1-based position).
static int PosInPiece(const TCustomRVFormattedData &f, int drawNo, int x)
{
    const TRVDrawLineInfo &d = f.DrawItemList()[drawNo];
    if (!f.Items().GetItem(d.ItemNo).IsText())
        return x < d.Left + d.Width / 2 ? 0 : 1;
    if (d.CharCount <= 0)
        return 1;
    const int rel = x - (d.Left + d.SpaceBefore);
    if (rel <= 0)
        return 1;
    std::vector<int> w = PieceWidths(f, drawNo);
    if (w.empty())
        return 1;
    // Boundary i lies at w[i-1] (0 for i = 0); equal distances go to the left one.
    auto it = std::lower_bound(w.begin(), w.end(), rel);
    int i = int(it - w.begin()) + 1; // boundary at or right of rel
    if (it == w.end())
        return int(w.size()) + 1;
    int rightX = *it, leftX = i >= 2 ? w[size_t(i - 2)] : 0;
    return (rel - leftX <= rightX - rel) ? i : i + 1;
}

static bool FindCharAtIn(const TCustomRVFormattedData &f, int x, int y, bool exact, int &drawNo, int &offs)
{
    drawNo = -1;
    offs = 0;
    if (exact) {
        int k = FindDrawItemAtIn(f, x, y);
        if (k < 0)
            return false;
        drawNo = k;
        offs = PosInPiece(f, k, x);
        return true;
    }
    const auto &lines = f.Lines();
    if (lines.empty())
        return false;
    int li = std::min(f.FindLineAt(y), int(lines.size()) - 1);
    int first = lines[size_t(li)].FirstDrawItem, end = LineEndIn(f, li);
    if (first >= end)
        return false;
    if (x < f.DrawItemList()[first].Left) {
        drawNo = first;
        offs = StartOffsIn(f, first);
        return true;
    }
    int k = first;
    for (int j = first; j < end; ++j)
        if (f.DrawItemList()[j].Left <= x)
            k = j;
    drawNo = k;
    offs = x >= f.DrawItemList()[k].Right() ? EndOffsIn(f, k) : PosInPiece(f, k, x);
    return true;
}

bool TRVControlData::FindCharAt(int x, int y, bool exact, int &drawNo, int &offs) const
{
    return FindCharAtIn(*this, x, y, exact, drawNo, offs);
}

int TRVControlData::FindJumpAt(int x, int y) const
{
    int k = FindDrawItemAt(x, y);
    if (k >= 0 && TableLayoutOf(DrawItemList()[k].ItemNo)) {
        // A table: the link of one of its cells under the point, if any.
        for (size_t r = 0; r < Jumps().size(); ++r) {
            const TRVJumpInfo &j = Jumps()[r];
            if (j.DrawItemNo == k && x >= j.Left && x < j.Left + j.Width && y >= j.Top && y < j.Top + j.Height)
                return int(r);
        }
        return -1;
    }
    if (k < 0 || !Items().IsHyperlink(DrawItemList()[k].ItemNo))
        return -1;
    // Records are made in draw order; look the piece up by its number.
    auto it = std::lower_bound(Jumps().begin(), Jumps().end(), k,
                               [](const TRVJumpInfo &j, int d) { return j.DrawItemNo < d; });
    if (it == Jumps().end() || it->DrawItemNo != k) {
        it = std::find_if(Jumps().begin(), Jumps().end(), [k](const TRVJumpInfo &j) { return j.DrawItemNo == k; });
        if (it == Jumps().end())
            return -1;
    }
    if (x < it->Left || x >= it->Left + it->Width || y < it->Top || y >= it->Top + it->Height)
        return -1;
    return int(it - Jumps().begin());
}

bool TRVControlData::IsDelimiterIn(const TCustomRVData &items, int itemNo, int k) const
{
    std::string_view raw = items.ItemText(itemNo);
    if (items.IsUnicodeItem(itemNo)) {
        if (size_t(2 * k + 1) >= raw.size() || k < 0)
            return true;
        char16_t c = char16_t(uint8_t(raw[size_t(2 * k)]) | (uint8_t(raw[size_t(2 * k + 1)]) << 8));
        if (c <= 0xFF)
            return Delimiters.find(char(c)) != std::string::npos;
        // Curly quotes and the like are delimiters in Unicode text as they are in 8-bit text.
        int cp = GetRVStyle() ? GetRVStyle()->CodePageOfStyle(items.EffectiveStyleNo(itemNo)) : CP_ACP;
        bool def = false;
        std::string b = fromUtf16(std::u16string_view(&c, 1), cp, &def);
        return !def && b.size() == 1 && uint8_t(b[0]) >= 0x80 && Delimiters.find(b[0]) != std::string::npos;
    }
    if (k < 0 || size_t(k) >= raw.size())
        return true;
    return Delimiters.find(raw[size_t(k)]) != std::string::npos;
}

bool TRVControlData::WordAtPosIn(const TCustomRVFormattedData &f, int drawNo, int offs, WordBounds &w) const
{
    w = {};
    const TRVDrawLineInfo &d = f.DrawItemList()[drawNo];
    if (!f.Items().GetItem(d.ItemNo).IsText() || d.CharCount <= 0)
        return false;
    const int base = d.FirstChar - 1; // item index of the piece's first character
    int k = offs - 1;                 // piece index of the character after the boundary
    auto delim = [&](int i) { return IsDelimiterIn(f.Items(), d.ItemNo, base + i); };
    if (k >= d.CharCount || delim(k)) {
        if (k - 1 < 0 || delim(k - 1))
            return false;
        k = k - 1;
    }
    int a = k, b = k + 1;
    while (a > 0 && !delim(a - 1))
        --a;
    while (b < d.CharCount && !delim(b))
        ++b;
    w.drawNo = drawNo;
    w.from = a + 1;
    w.to = b + 1;
    return true;
}

bool TRVControlData::FindWordAt(int x, int y, std::string &word, int &itemNo, int &firstChar, int &styleNo) const
{
    // Inside a table: the word in the cell under the point.
    std::vector<TCellStep> path;
    Point o;
    if (CellAtPoint({x, y}, path))
        if (const TRVCellFormattedData *cd = CellDataOf(path, &o))
            return FindWordAtIn(*cd, x - o.x, y - o.y, word, itemNo, firstChar, styleNo);
    return FindWordAtIn(*this, x, y, word, itemNo, firstChar, styleNo);
}

bool TRVControlData::FindWordAtIn(const TCustomRVFormattedData &f, int x, int y, std::string &word, int &itemNo,
                                  int &firstChar, int &styleNo) const
{
    int k = FindDrawItemAtIn(f, x, y);
    if (k < 0)
        return false;
    const TRVDrawLineInfo &d = f.DrawItemList()[k];
    const TCustomRVData &items = f.Items();
    itemNo = d.ItemNo;
    if (!items.GetItem(d.ItemNo).IsText()) {
        word = items.ItemText(d.ItemNo);
        firstChar = 0;
        styleNo = items.GetItem(d.ItemNo).StyleNo;
        return true;
    }
    // The character under x, not the nearest boundary.
    std::vector<int> w = PieceWidths(f, k);
    int rel = x - (d.Left + d.SpaceBefore);
    int ci = int(std::upper_bound(w.begin(), w.end(), rel) - w.begin());
    if (rel < 0 || ci >= d.CharCount)
        return false;
    WordBounds wb;
    if (IsDelimiterIn(items, d.ItemNo, d.FirstChar - 1 + ci) || !WordAtPosIn(f, k, ci + 1, wb))
        return false;
    const std::u16string text = items.ItemTextW(d.ItemNo);
    firstChar = d.FirstChar + wb.from - 1;
    size_t from = size_t(firstChar - 1), n = size_t(wb.to - wb.from);
    word = utf16ToUtf8(std::u16string_view(text).substr(std::min(from, text.size()), n));
    styleNo = items.EffectiveStyleNo(d.ItemNo);
    return true;
}

// ---------------------------------------------------------------- repainting

void TRVControlData::InvalidateDrawRange(int first, int last)
{
    const auto &lines = Lines();
    if (lines.empty() || first < 0 || last < 0)
        return;
    int l1 = LineOf(std::min(first, last)), l2 = LineOf(std::max(first, last));
    if (l1 < 0 || l2 < 0)
        return;
    // The gaps around the lines too: selected non-text items fill the paragraph spacing.
    int top = l1 > 0 ? std::min(lines[size_t(l1)].Top, lines[size_t(l1 - 1)].Bottom) : 0;
    int bottom =
        l2 + 1 < int(lines.size()) ? std::max(lines[size_t(l2)].Bottom, lines[size_t(l2 + 1)].Top) : ContentHeight();
    int dy = Host.VScrollPixels() - DocumentOffsetY();
    Rect r{0, top - dy, GetClientWidth(), bottom - dy};
    Rect client{0, 0, GetClientWidth(), GetClientHeight()};
    r = r.intersected(client);
    if (!r.isEmpty())
        Host.Invalidate(r);
}

void TRVControlData::InvalidateJump(int id)
{
    if (id < 0)
        return;
    if (GetRVStyle() && GetRVStyle()->FullRedraw) {
        Host.InvalidateAll();
        return;
    }
    auto lo = std::lower_bound(Jumps().begin(), Jumps().end(), id, [](const TRVJumpInfo &j, int v) { return j.Id < v; });
    int dx = Host.HScrollPixels(), dy = Host.VScrollPixels() - DocumentOffsetY();
    for (auto it = lo; it != Jumps().end() && it->Id == id; ++it)
        Host.Invalidate(Rect{it->Left - 5, it->Top - 5, it->Left + it->Width + 5, it->Top + it->Height + 5}.translated(-dx, -dy));
}

void TRVControlData::SetSelectionRepaint(const TRVSelectionBounds &s)
{
    DropCellSelection();
    TRVSelectionBounds oldB, newB;
    bool hadOld = GetSelectionBounds(oldB);
    SetSelection(s);
    bool hasNew = GetSelectionBounds(newB);
    if (!hadOld && !hasNew)
        return;
    if (!hadOld) {
        InvalidateDrawRange(newB.StartNo, newB.EndNo);
    } else if (!hasNew) {
        InvalidateDrawRange(oldB.StartNo, oldB.EndNo);
    } else if (oldB.StartNo == newB.StartNo && oldB.StartOffs == newB.StartOffs) {
        InvalidateDrawRange(oldB.EndNo, newB.EndNo);
    } else if (oldB.EndNo == newB.EndNo && oldB.EndOffs == newB.EndOffs) {
        InvalidateDrawRange(oldB.StartNo, newB.StartNo);
    } else {
        InvalidateDrawRange(oldB.StartNo, oldB.EndNo);
        InvalidateDrawRange(newB.StartNo, newB.EndNo);
    }
}

bool TRVControlData::HoverSensitive(int itemNo) const
{
    const TCustomRVItemInfo &item = Items().GetItem(itemNo);
    if (!item.IsText())
        return item.IsHoverSensitive();
    TRVStyle *s = GetRVStyle();
    return s && s->StyleHoverSensitive(Items().EffectiveStyleNo(itemNo));
}

void TRVControlData::ClearHover()
{
    if (HoveredJump() < 0)
        return;
    if (HoverShown()) {
        ShowHover(false);
        InvalidateJump(HoveredJump());
    }
    SetHoveredJump(-1);
    Host.RVMouseMove(-1);
}

void TRVControlData::SetHover(int rec)
{
    const TRVJumpInfo &j = Jumps()[size_t(rec)];
    Host.ShowCursor(j.Cursor);
    if (j.Id == HoveredJump()) {
        return;
    }
    if (HoverShown() && HoveredJump() >= 0) {
        ShowHover(false);
        InvalidateJump(HoveredJump());
    }
    SetHoveredJump(j.Id);
    Host.RVMouseMove(j.Id + FirstJumpNo());
    if (HoveredJump() == j.Id && HoverSensitive(DrawItemList()[j.DrawItemNo].ItemNo)) {
        ShowHover(true);
        InvalidateJump(j.Id);
    }
}

// ---------------------------------------------------------------- mouse

void TRVControlData::MouseMove(int x, int y, TShiftState shift)
{
    (void)shift;
    TRVStyle *s = GetRVStyle();
    if (!s)
        return;
    const int cw = GetClientWidth(), ch = GetClientHeight();
    FAutoV = y < -20 ? -10 : y < 0 ? -1 : y > ch + 20 ? 10 : y > ch ? 1 : 0;
    FAutoH = x < -20 ? -10 : x < 0 ? -1 : x > cw + 20 ? 10 : x > cw ? 1 : 0;
    if (FSelecting)
        ExtendSelection(std::clamp(x, 0, std::max(0, cw - 1)), std::clamp(y, 0, std::max(0, ch - 1)));
    const Point p = ClientToDoc(x, y);
    if (p.x < Resolution().LeftMargin && Options.Has(TRVOption::AllowSelection) && s->LineSelectCursor != -1) {
        // Leaving a hyperlink for the margin turns its hover look off as well.
        ClearHover();
        Host.ShowCursor(s->LineSelectCursor);
        return;
    }
    int rec = FindJumpAt(p.x, p.y);
    if (rec >= 0) {
        SetHover(rec);
        return;
    }
    ClearHover();
    TCursor cursor = Cursor;
    if (!FSelecting && SelectionExists()) {
        int d, o;
        if (FindCharAt(p.x, p.y, true, d, o)) {
            TRVSelectionBounds b;
            GetSelectionBounds(b);
            if (b.Contains(d, o))
                cursor = crArrow;
        }
    }
    Host.ShowCursor(cursor);
}

void TRVControlData::MouseLeave()
{
    if (HoveredJump() >= 0 && HoverShown()) {
        ShowHover(false);
        InvalidateJump(HoveredJump());
    }
    SetHoveredJump(-1);
}

void TRVControlData::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    TRVStyle *s = GetRVStyle();
    if (!s)
        return;
    const Point p = ClientToDoc(x, y);
    const int d = FindDrawItemAt(p.x, p.y);
    FClickedDraw = d;
    if (!(shift & ssDouble))
        Host.TakeFocus();
    Host.RVMouseDown(button, shift, d >= 0 ? DrawItemList()[d].ItemNo : -1, x, y);
    if (button != mbLeft)
        return;
    int rec = FindJumpAt(p.x, p.y);
    FPressedJump = rec >= 0 ? Jumps()[size_t(rec)].Id : -1;
    if (Options.Has(TRVOption::SingleClick) && Host.HasDblClickHandler()) {
        std::string word;
        int itemNo, first, styleNo;
        if (FindWordAt(p.x, p.y, word, itemNo, first, styleNo))
            Host.RVDblClick(word, styleNo);
    }
    if (!Options.Has(TRVOption::AllowSelection) || (shift & ssDouble))
        return;
    FDblClickSelected = false;
    if (p.x < Resolution().LeftMargin && s->LineSelectCursor != -1 && !(shift & ssShift)) {
        StartLineSelection(p);
        return;
    }
    FCellSelecting = false;
    if (CellMouseDown(p, shift))
        return;
    StartTextSelection(p, shift, x, y);
}

void TRVControlData::StartLineSelection(Point p)
{
    int dn, o;
    if (!FindCharAt(p.x, p.y, false, dn, o))
        return;
    FLineSelecting = true;
    FWordMode = false;
    FPressLine = LineOf(dn);
    FPressDraw = dn;
    FSelecting = true;
    int first = Lines()[size_t(FPressLine)].FirstDrawItem, last = LineEnd(FPressLine) - 1;
    int so;
    StartOffs(first, so);
    SetSelectionRepaint({first, so, last, EndOffs(last)});
    Host.Select();
}

void TRVControlData::StartTextSelection(Point p, TShiftState shift, int x, int y)
{
    const TRVStyle *s = GetRVStyle();
    int dn, o;
    if (!FindCharAt(p.x, p.y, false, dn, o))
        return;
    TRVSelectionBounds sel = Selection();
    const bool extend = (shift & ssShift) && sel.StartNo >= 0 && sel.StartNo < DrawItemList().Count();
    if (!extend) {
        sel.StartNo = dn;
        sel.StartOffs = o;
    }
    sel.EndNo = dn;
    sel.EndOffs = o;
    FSelecting = true;
    FLineSelecting = false;
    FPressDraw = dn;
    FPressOffs = o;
    FWordMode = s->SelectionMode == rvsmWord && !extend;
    if (!FWordMode || !WordAtPos(dn, o, FPressWord))
        FPressWord = {};
    if (s->SelectionMode == rvsmParagraph) {
        FPressLine = LineOf(extend ? sel.StartNo : dn);
        SetSelectionRepaint(sel);
        ExtendSelection(x, y);
        return;
    }
    SetSelectionRepaint(sel);
}

void TRVControlData::ExtendSelection(int cx, int cy)
{
    const Point p = ClientToDoc(cx, cy);
    if (FCellSelecting) {
        ExtendCellSelection(p);
        return;
    }
    int d, o;
    if (!FindCharAt(p.x, p.y, false, d, o))
        return;
    TRVSelectionBounds s = Selection();
    const TRVStyle *st = GetRVStyle();
    const auto &lines = Lines();
    if (FLineSelecting || (st && st->SelectionMode == rvsmParagraph && FPressLine >= 0)) {
        // Whole lines, or whole paragraphs, from the press to the point.
        int a = FPressLine, b = LineOf(d);
        if (a < 0 || b < 0)
            return;
        int aFirst = a, aLast = a, bFirst = b, bLast = b;
        if (!FLineSelecting) {
            const auto &paras = Paras();
            const TRVParaRecord &pa = paras[size_t(lines[size_t(a)].Para)], &pb = paras[size_t(lines[size_t(b)].Para)];
            aFirst = pa.FirstLine;
            aLast = pa.FirstLine + pa.LineCount - 1;
            bFirst = pb.FirstLine;
            bLast = pb.FirstLine + pb.LineCount - 1;
        }
        int so;
        if (b >= a) {
            int first = lines[size_t(aFirst)].FirstDrawItem, last = LineEnd(bLast) - 1;
            StartOffs(first, so);
            s = {first, so, last, EndOffs(last)};
        } else {
            int first = lines[size_t(bFirst)].FirstDrawItem, last = LineEnd(aLast) - 1;
            StartOffs(first, so);
            s = {last, EndOffs(last), first, so};
        }
    } else if (FWordMode && FPressWord.drawNo >= 0) {
        const WordBounds &pw = FPressWord;
        const bool inside = d == pw.drawNo && o >= pw.from && o <= pw.to;
        if (inside) {
            s = {FPressDraw, FPressOffs, d, o};
        } else {
            const bool forward = d > pw.drawNo || (d == pw.drawNo && o > pw.to);
            s.StartNo = pw.drawNo;
            s.StartOffs = forward ? pw.from : pw.to;
            WordBounds w;
            if (WordAtPos(d, o, w) && o > w.from && o < w.to)
                o = forward ? w.to : w.from;
            s.EndNo = d;
            s.EndOffs = o;
        }
    } else {
        s.EndNo = d;
        s.EndOffs = o;
    }
    const TRVSelectionBounds &c = Selection();
    if (s.StartNo == c.StartNo && s.StartOffs == c.StartOffs && s.EndNo == c.EndNo && s.EndOffs == c.EndOffs)
        return;
    SetSelectionRepaint(s);
    Host.Select();
}

void TRVControlData::EndSelecting(int x, int y)
{
    if (!FDblClickSelected) {
        const int cw = GetClientWidth(), ch = GetClientHeight();
        ExtendSelection(std::clamp(x, 0, std::max(0, cw - 1)), std::clamp(y, 0, std::max(0, ch - 1)));
    }
    // A click in a cell leaves no empty selection behind, as outside.
    if (FCellSelecting && !CellSelectionNonEmpty())
        DropCellSelection();
    FSelecting = FLineSelecting = FCellSelecting = false;
    FPressWord = {};
    Host.Select();
}

void TRVControlData::DeselectOutside(Point p)
{
    int d, o;
    if (!FindCharAt(p.x, p.y, false, d, o))
        return;
    TRVSelectionBounds b;
    bool inside = PointInCellSelection(p);
    if (!inside && GetSelectionBounds(b))
        inside = b.Contains(d, o);
    if (!inside) {
        SetSelectionRepaint({d, o, d, o});
        Host.Select();
    }
}

void TRVControlData::FocusClickedLink(int itemNo)
{
    if (!Items().IsHyperlink(itemNo) || FocusedItem() == itemNo)
        return;
    int old = FocusedItem();
    SetFocusedItem(itemNo);
    if (old >= 0)
        InvalidateJump(JumpIndexOf(old));
    InvalidateJump(JumpIndexOf(itemNo));
}

void TRVControlData::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    if (!GetRVStyle())
        return;
    const Point p = ClientToDoc(x, y);
    const bool hadSel = HasSelection();
    if (!SelectionExists())
        ClearSelection();
    if (FSelecting && button == mbLeft)
        EndSelecting(x, y);
    FDblClickSelected = false;
    if (button == mbRight && Options.Has(TRVOption::RClickDeselects))
        DeselectOutside(p);
    const int under = FindDrawItemAt(p.x, p.y);
    const int itemUnder = under >= 0 ? DrawItemList()[under].ItemNo : -1;
    if ((button == mbLeft || button == mbRight) && !hadSel && FClickedDraw >= 0 && FClickedDraw == under)
        FocusClickedLink(itemUnder);
    Host.RVMouseUp(button, shift, itemUnder, x, y);
    if (button == mbRight && Host.HasRightClickHandler()) {
        std::string word;
        int itemNo, first, styleNo;
        if (FindWordAt(p.x, p.y, word, itemNo, first, styleNo))
            Host.RVRightClick(word, styleNo, x, y);
    }
    if (button == mbLeft && FPressedJump >= 0 && Host.HasJumpHandler() && !hadSel) {
        int rec = FindJumpAt(p.x, p.y);
        if (rec >= 0 && Jumps()[size_t(rec)].Id == FPressedJump) {
            int id = FPressedJump;
            FPressedJump = -1;
            Host.Jump(id + FirstJumpNo());
            return;
        }
    }
    if (button == mbLeft) {
        FPressedJump = -1;
        FClickedDraw = -1;
    }
    if (button == mbRight)
        Host.ContextPopup(x, y);
}

void TRVControlData::DblClick(TShiftState shift, int x, int y)
{
    (void)shift;
    if (!GetRVStyle())
        return;
    const Point p = ClientToDoc(x, y);
    std::string word;
    int itemNo = -1, first = 0, styleNo = 0;
    if (Options.Has(TRVOption::DblClickSelectsWord) && Options.Has(TRVOption::AllowSelection)) {
        if (CellDblClick(p))
            return;
        if (!FindWordAt(p.x, p.y, word, itemNo, first, styleNo))
            return;
        int d = FindDrawItemAt(p.x, p.y);
        if (d < 0)
            return;
        if (styleNo < 0) {
            SetSelectionRepaint({d, 0, d, 1});
        } else {
            const TRVDrawLineInfo &di = DrawItemList()[d];
            int from = first - di.FirstChar + 1;
            int len = int(utf8ToUtf16(word).size());
            SetSelectionRepaint({d, from, d, from + len});
        }
        FSelecting = false;
        FDblClickSelected = true;
        Host.Select();
        if (Host.HasDblClickHandler())
            Host.RVDblClick(word, styleNo);
    } else if (Host.HasDblClickHandler() && !Options.Has(TRVOption::SingleClick)) {
        if (FindWordAt(p.x, p.y, word, itemNo, first, styleNo))
            Host.RVDblClick(word, styleNo);
    }
}

// ---------------------------------------------------------------- selection in cells
//
// A press inside a table cell selects in that cell's own text: dragging
// within the cell selects characters there (by words in word mode, as
// outside), Shift+click extends a selection made in the same cell, a
// double click selects a word of the cell. Once the pointer leaves the cell
// the gesture began in, the selection becomes the outermost table as one
// item of the document, together with whatever lies between it and the
// pointer, as a document reader does when a selection runs out of a table
// cell; coming back into the cell returns to the text selection there.

bool TRVControlData::CellMouseDown(Point p, TShiftState shift)
{
    // Shift+click extends a selection of the document over the table, as over any item.
    std::vector<TCellStep> path;
    if (((shift & ssShift) && SelectionExists()) || !CellAtPoint(p, path))
        return false;
    Point o;
    TRVCellFormattedData *cd = CellDataOf(path, &o);
    int dn, offs;
    // An empty cell has nothing to select in: the press selects around the table.
    if (!cd || !FindCharAtIn(*cd, p.x - o.x, p.y - o.y, false, dn, offs))
        return false;
    const TRVItemPos pos = DrawPosToItemPosIn(*cd, dn, offs);
    const bool extend = (shift & ssShift) && CellSelectionExists() && FCellSel.Path() == path;
    const TRVItemPos anchor = extend ? FCellSel.Anchor : pos;
    SetSelectionRepaint({}); // drops the cell selection too
    FCellPress = {path.front().TableItem, path.front().CellNo, {path.begin() + 1, path.end()}, anchor, anchor};
    FCellSel = FCellPress;
    FCellSel.Moving = pos;
    ApplyCellSelection();
    Host.InvalidateAll();
    FSelecting = FCellSelecting = true;
    FLineSelecting = false;
    FWordMode = false;
    FPressWord = {};
    FCellWordFrom = FCellWordTo = {};
    const TRVStyle *st = GetRVStyle();
    WordBounds w;
    if (!extend && st && st->SelectionMode == rvsmWord && WordAtPosIn(*cd, dn, offs, w)) {
        const int base = cd->DrawItemList()[dn].FirstChar - 1;
        FCellWordFrom = {pos.ItemNo, base + w.from};
        FCellWordTo = {pos.ItemNo, base + w.to};
    }
    if (extend)
        Host.Select();
    return true;
}

void TRVControlData::ExtendCellSelection(Point p)
{
    const std::vector<TCellStep> press = FCellPress.Path();
    std::vector<TCellStep> path;
    CellAtPoint(p, path);
    const bool inPressCell = path.size() >= press.size() && std::equal(press.begin(), press.end(), path.begin());
    Point o;
    TRVCellFormattedData *cd = CellDataOf(press, &o);
    int dn, offs;
    if (inPressCell && cd && FindCharAtIn(*cd, p.x - o.x, p.y - o.y, false, dn, offs)) {
        TRVItemPos anchor = FCellPress.Anchor, moving = DrawPosToItemPosIn(*cd, dn, offs);
        auto before = [](TRVItemPos a, TRVItemPos b) { return a.ItemNo < b.ItemNo || (a.ItemNo == b.ItemNo && a.Offs < b.Offs); };
        if (FCellWordFrom.ItemNo >= 0 && (before(moving, FCellWordFrom) || before(FCellWordTo, moving))) {
            // Out of the press word: whole words from its far side to the point's word.
            const bool forward = before(FCellWordTo, moving);
            anchor = forward ? FCellWordFrom : FCellWordTo;
            WordBounds w;
            if (WordAtPosIn(*cd, dn, offs, w) && offs > w.from && offs < w.to)
                moving = DrawPosToItemPosIn(*cd, dn, forward ? w.to : w.from);
        }
        if (CellSelectionExists() && FCellSel.Anchor == anchor && FCellSel.Moving == moving)
            return;
        if (SelectionExists())
            SetSelectionRepaint({});
        FCellSel = FCellPress;
        FCellSel.Anchor = anchor;
        FCellSel.Moving = moving;
        if (!ApplyCellSelection())
            FCellSel = {};
        Host.InvalidateAll();
        Host.Select();
        return;
    }
    // Out of the cell: the outermost table whole, and the document up to the point.
    const int t = FirstDrawItemOf(FCellPress.TableItem);
    int d, o2;
    if (t < 0 || !FindCharAt(p.x, p.y, false, d, o2))
        return;
    TRVSelectionBounds s;
    if (d == t)
        s = {t, 0, t, 1};
    else if (d > t)
        s = {t, 0, d, o2};
    else
        s = {t, 1, d, o2};
    const TRVSelectionBounds &c = Selection();
    if (!CellSelectionExists() && s.StartNo == c.StartNo && s.StartOffs == c.StartOffs && s.EndNo == c.EndNo
        && s.EndOffs == c.EndOffs)
        return;
    SetSelectionRepaint(s);
    Host.Select();
}

bool TRVControlData::CellDblClick(Point p)
{
    std::vector<TCellStep> path;
    if (!CellAtPoint(p, path))
        return false;
    Point o;
    TRVCellFormattedData *cd = CellDataOf(path, &o);
    std::string word;
    int itemNo = -1, first = 0, styleNo = 0;
    if (!cd || !FindWordAtIn(*cd, p.x - o.x, p.y - o.y, word, itemNo, first, styleNo))
        return true; // between words in a cell: nothing to select, the table stays as it is
    SetSelectionRepaint({});
    FCellSel = {path.front().TableItem, path.front().CellNo, {path.begin() + 1, path.end()}, {}, {}};
    if (styleNo < 0) {
        FCellSel.Anchor = {itemNo, 0};
        FCellSel.Moving = {itemNo, 1};
    } else {
        FCellSel.Anchor = {itemNo, first};
        FCellSel.Moving = {itemNo, first + int(utf8ToUtf16(word).size())};
    }
    if (!ApplyCellSelection())
        FCellSel = {};
    Host.InvalidateAll();
    FSelecting = FCellSelecting = false;
    FDblClickSelected = true;
    Host.Select();
    if (Host.HasDblClickHandler())
        Host.RVDblClick(word, styleNo);
    return true;
}

bool TRVControlData::PointInCellSelection(Point p) const
{
    std::vector<TCellStep> path;
    if (!CellSelectionNonEmpty() || !CellAtPoint(p, path) || path != FCellSel.Path())
        return false;
    Point o;
    const TRVCellFormattedData *cd = CellDataOf(path, &o);
    int d, offs;
    TRVSelectionBounds b;
    if (!cd || !FindCharAtIn(*cd, p.x - o.x, p.y - o.y, false, d, offs) || !cd->GetSelectionBounds(b))
        return false;
    return b.Contains(d, offs);
}

// ---------------------------------------------------------------- keyboard focus

bool TRVControlData::FocusNext(bool backwards)
{
    if (JumpCount() <= 0 || Jumps().empty())
        return false;
    int cur = FocusedItem() >= 0 && Items().IsHyperlink(FocusedItem()) ? JumpIndexOf(FocusedItem()) : -1;
    int next = backwards ? (cur < 0 ? JumpCount() - 1 : cur - 1) : cur + 1;
    if (next < 0 || next >= JumpCount())
        return false;
    auto it = std::lower_bound(Jumps().begin(), Jumps().end(), next, [](const TRVJumpInfo &j, int v) { return j.Id < v; });
    if (it == Jumps().end() || it->Id != next)
        return false;
    if (cur >= 0)
        InvalidateJump(cur);
    SetFocusedItem(DrawItemList()[it->DrawItemNo].ItemNo);
    InvalidateJump(next);
    ScrollToDrawItem(it->DrawItemNo);
    return true;
}

bool TRVControlData::ActivateFocused()
{
    if (FocusedItem() < 0 || FocusedItem() >= ItemCount() || !Items().IsHyperlink(FocusedItem())
        || FirstDrawItemOf(FocusedItem()) < 0)
        return false;
    Host.Jump(JumpIndexOf(FocusedItem()) + FirstJumpNo());
    return true;
}

void TRVControlData::ScrollToDrawItem(int drawNo)
{
    const TRVDrawLineInfo &d = DrawItemList()[drawNo];
    const int dy = Host.VScrollPixels() - DocumentOffsetY();
    const int top = d.Top - dy, bottom = d.Bottom() - dy;
    if (top >= 0 && bottom <= GetClientHeight())
        return;
    // Bring it in with a third of the window above it, so its context shows.
    Host.ScrollToPixelY(std::max(0, d.Top - GetClientHeight() / 3) + DocumentOffsetY());
}

// ---------------------------------------------------------------- selection

bool TRVControlData::SelectionExists() const
{
    TRVSelectionBounds b;
    return GetSelectionBounds(b);
}

void TRVControlData::SelectAll()
{
    const int n = DrawItemList().Count();
    if (ItemCount() == 0 || n == 0)
        return;
    int so;
    StartOffs(0, so);
    DropCellSelection();
    SetSelection({0, so, n - 1, EndOffs(n - 1)});
    Host.InvalidateAll();
    Host.Select();
}

void TRVControlData::Deselect()
{
    SetSelectionRepaint({});
    FSelecting = false;
}

TRVItemPos TRVControlData::DrawPosToItemPos(int drawNo, int offs) const
{
    return DrawPosToItemPosIn(*this, drawNo, offs);
}

bool TRVControlData::ItemPosToDrawPos(TRVItemPos p, bool preferEnd, int &drawNo, int &offs) const
{
    return ItemPosToDrawPosIn(*this, p, preferEnd, drawNo, offs);
}

TRVItemPos DrawPosToItemPosIn(const TCustomRVFormattedData &fd, int drawNo, int offs)
{
    const TRVDrawLines &draw = fd.DrawItemList();
    if (drawNo < 0 || drawNo >= draw.Count())
        return {};
    const TRVDrawLineInfo &d = draw[drawNo];
    if (!fd.Items().GetItem(d.ItemNo).IsText())
        return {d.ItemNo, std::clamp(offs, 0, 1)};
    return {d.ItemNo, d.FirstChar + std::clamp(offs, 1, d.CharCount + 1) - 1};
}

bool ItemPosToDrawPosIn(const TCustomRVFormattedData &fd, TRVItemPos p, bool preferEnd, int &drawNo, int &offs)
{
    const TRVDrawLines &draw = fd.DrawItemList();
    if (p.ItemNo < 0 || p.ItemNo >= fd.Items().ItemCount())
        return false;
    const int k = fd.FirstDrawItemOf(p.ItemNo);
    const int n = draw.Count();
    if (k < 0 || k >= n)
        return false;
    if (!fd.Items().GetItem(p.ItemNo).IsText()) {
        drawNo = k;
        offs = std::clamp(p.Offs, 0, 1);
        return true;
    }
    // Pieces of one item follow each other with rising FirstChar: bisect.
    int lo = k, hi = n;
    while (lo < hi) {
        int mid = lo + (hi - lo) / 2;
        const TRVDrawLineInfo &d = draw[mid];
        if (d.ItemNo == p.ItemNo && d.FirstChar <= p.Offs)
            lo = mid + 1;
        else
            hi = mid;
    }
    int j = std::max(k, lo - 1);
    const TRVDrawLineInfo &d = draw[j];
    const int end = d.FirstChar + d.CharCount;
    const bool nextSame = j + 1 < n && draw[j + 1].ItemNo == p.ItemNo;
    if (p.Offs > end) {
        // In a space that a wrap consumed: the end of this piece or the start of the next.
        if (!preferEnd && nextSame) {
            drawNo = j + 1;
            offs = 1;
        } else {
            drawNo = j;
            offs = d.CharCount + 1;
        }
        return true;
    }
    if (preferEnd && p.Offs == d.FirstChar && j > k && draw[j - 1].ItemNo == p.ItemNo
        && draw[j - 1].FirstChar + draw[j - 1].CharCount >= p.Offs) {
        drawNo = j - 1;
        offs = draw[j - 1].CharCount + 1;
        return true;
    }
    if (!preferEnd && p.Offs == end && nextSame && draw[j + 1].FirstChar == p.Offs) {
        drawNo = j + 1;
        offs = 1;
        return true;
    }
    drawNo = j;
    offs = std::clamp(p.Offs - d.FirstChar + 1, 1, d.CharCount + 1);
    return true;
}

void TRVControlData::SetSelectionByItems(TRVItemPos anchor, TRVItemPos moving)
{
    const bool forward = anchor.ItemNo < moving.ItemNo || (anchor.ItemNo == moving.ItemNo && anchor.Offs <= moving.Offs);
    int sd, so, ed, eo;
    if (!ItemPosToDrawPos(anchor, !forward, sd, so) || !ItemPosToDrawPos(moving, forward, ed, eo))
        return;
    SetSelectionRepaint({sd, so, ed, eo});
}

bool TRVControlData::GetSelectionItems(TRVItemPos &first, TRVItemPos &last) const
{
    TRVSelectionBounds b;
    if (!GetSelectionBounds(b))
        return false;
    first = DrawPosToItemPos(b.StartNo, b.StartOffs);
    last = DrawPosToItemPos(b.EndNo, b.EndOffs);
    return true;
}

std::u16string TRVControlData::ItemPlainText(int itemNo, int from, int to) const
{
    return ItemPlainTextIn(Items(), itemNo, from, to);
}

std::u16string TRVControlData::ItemPlainTextIn(const TCustomRVData &items, int itemNo, int from, int to) const
{
    const TCustomRVItemInfo &item = items.GetItem(itemNo);
    if (item.IsText()) {
        std::u16string t = items.ItemTextW(itemNo);
        from = std::clamp(from, 0, int(t.size()));
        to = std::clamp(to, from, int(t.size()));
        return t.substr(size_t(from), size_t(to - from));
    }
    if (from >= to)
        return {};
    const int cp = GetRVStyle() ? GetRVStyle()->CodePageOfStyle(0) : CP_ACP;
    switch (item.StyleNo) {
    case ikTab:
        return u"\t";
    case ikHorizontalLine:
        return std::u16string(80, u'-'); // the line width handed to a horizontal line
    case ikListMarker: {
        // The marker's text and a tab, so a pasted outline keeps its numbers.
        if (!GetRVStyle())
            return {};
        std::u16string t = MarkerPlainText(*GetRVStyle(), static_cast<const TRVMarkerItemInfo &>(item));
        return t.empty() ? t : t + u"\t";
    }
    default:
        if (auto *label = dynamic_cast<const TRVLabelItemInfo *>(&item))
            return toUtf16(label->Text, cp);
        if (auto *table = dynamic_cast<const TRVTableItemInfo *>(&item))
            return TablePlainText(*table);
        return {};
    }
}

std::u16string TRVControlData::PlainText(TRVItemPos first, TRVItemPos last) const
{
    return PlainTextIn(Items(), first, last);
}

std::u16string TRVControlData::PlainTextIn(const TCustomRVData &items, TRVItemPos first, TRVItemPos last) const
{
    std::u16string out;
    for (int i = first.ItemNo; i <= last.ItemNo && i < items.ItemCount(); ++i) {
        if (i > first.ItemNo && items.IsLineStart(i))
            out += u"\r\n";
        const bool text = items.GetItem(i).IsText();
        int from = i == first.ItemNo ? first.Offs - (text ? 1 : 0) : 0;
        int to = i == last.ItemNo ? last.Offs - (text ? 1 : 0) : (text ? items.ItemLength(i) : 1);
        out += ItemPlainTextIn(items, i, from, to);
    }
    return out;
}

std::u16string TRVControlData::GetSelTextW() const
{
    const TCustomRVData *source = nullptr;
    TRVItemPos a, b;
    if (!SelectionSource(source, a, b))
        return {};
    return PlainTextIn(*source, a, b);
}

std::string TRVControlData::GetSelTextA() const
{
    const TCustomRVData *source = nullptr;
    TRVItemPos a, b;
    if (!SelectionSource(source, a, b))
        return {};
    // 8-bit items keep their bytes; everything else goes through its code page.
    const TCustomRVData &items = *source;
    const TRVStyle *s = GetRVStyle();
    std::string out;
    for (int i = a.ItemNo; i <= b.ItemNo; ++i) {
        if (i > a.ItemNo && items.IsLineStart(i))
            out += "\r\n";
        const TCustomRVItemInfo &item = items.GetItem(i);
        const bool text = item.IsText();
        int from = i == a.ItemNo ? a.Offs - (text ? 1 : 0) : 0;
        int to = i == b.ItemNo ? b.Offs - (text ? 1 : 0) : (text ? items.ItemLength(i) : 1);
        int cp = s ? s->CodePageOfStyle(text ? items.EffectiveStyleNo(i) : 0) : CP_ACP;
        if (text && !items.IsUnicodeItem(i)) {
            std::string_view raw = items.ItemText(i);
            from = std::clamp(from, 0, int(raw.size()));
            to = std::clamp(to, from, int(raw.size()));
            out += raw.substr(size_t(from), size_t(to - from));
        } else {
            out += fromUtf16(ItemPlainTextIn(items, i, from, to), cp);
        }
    }
    return out;
}

std::u16string TRVControlData::GetDocTextW() const
{
    const int n = Items().ItemCount();
    if (n == 0)
        return {};
    return PlainText({0, Items().GetOffsBeforeItem(0)}, {n - 1, Items().GetOffsAfterItem(n - 1)});
}

const TRVGraphicItemInfo *TRVControlData::GetSelectedPicture() const
{
    const TCustomRVData *source = nullptr;
    TRVItemPos a, b;
    if (!SelectionSource(source, a, b))
        return nullptr;
    const TCustomRVData &items = *source;
    // Ends that sit at the far edge of a neighbouring item select nothing of it.
    if (a.Offs == items.GetOffsAfterItem(a.ItemNo) && a.ItemNo < b.ItemNo)
        a = {a.ItemNo + 1, items.GetOffsBeforeItem(a.ItemNo + 1)};
    if (b.Offs == items.GetOffsBeforeItem(b.ItemNo) && b.ItemNo > a.ItemNo)
        b = {b.ItemNo - 1, items.GetOffsAfterItem(b.ItemNo - 1)};
    if (a.ItemNo != b.ItemNo || a.Offs != 0 || b.Offs != 1)
        return nullptr;
    return dynamic_cast<const TRVGraphicItemInfo *>(&items.GetItem(a.ItemNo));
}

// ---------------------------------------------------------------- copy

bool TRVControlData::GetSelectionRTF(std::string &out, std::string *error) const
{
    const TCustomRVData *source = nullptr;
    TRVItemPos a, b;
    if (!SelectionSource(source, a, b))
        return false;
    TRVRTFSettings s;
    s.Options = RTFOptions;
    // The background the viewer shows: its own colour, else the sheet's.
    s.Background = GetColor() != clNone ? GetColor() : GetRVStyle() ? GetRVStyle()->Color : platform::clWindow;
    s.BiDiMode = BiDiMode;
    s.ScreenPixelsPerInch = GetScreenPixelsPerInchY();
    return SaveRTFSelectionToString(*source, out, a.ItemNo, a.Offs, b.ItemNo, b.Offs, s, error);
}

bool TRVControlData::GetSelectionHTML(std::string &out, std::string *error) const
{
    const TCustomRVData *source = nullptr;
    TRVItemPos a, b;
    if (!SelectionSource(source, a, b))
        return false;
    return SaveHTMLSelectionToString(*source, out, a.ItemNo, a.Offs, b.ItemNo, b.Offs, error);
}

bool TRVControlData::BuildClipboard(ClipboardContent &out, bool raiseCopy)
{
    const TRVOptions formats = TRVOption::AutoCopyText | TRVOption::AutoCopyUnicodeText | TRVOption::AutoCopyRVF
                               | TRVOption::AutoCopyImage | TRVOption::AutoCopyRTF;
    if (!Options.HasAny(formats))
        return false;
    // The viewer's selection, or one inside a table cell (a find match, a
    // mouse selection there): either goes out in every format.
    const TCustomRVData *source = nullptr;
    TRVItemPos a, b;
    if (!SelectionSource(source, a, b))
        return true;
    if (raiseCopy)
        Host.Copy();
    if (Options.Has(TRVOption::AutoCopyRVF)) {
        std::string rvf;
        if (SaveRVFSelectionToString(*source, rvf, a.ItemNo, a.Offs, b.ItemNo, b.Offs)) {
            std::string block(4, '\0');
            const uint32_t n = uint32_t(rvf.size());
            for (int k = 0; k < 4; ++k)
                block[size_t(k)] = char((n >> (8 * k)) & 0xFF);
            block += rvf;
            out.items.push_back({kFormatRVF, std::move(block)});
        }
    }
    const bool unicode = Options.Has(TRVOption::AutoCopyUnicodeText);
    if (Options.Has(TRVOption::AutoCopyText) && !unicode)
        out.items.push_back({kFormatText, GetSelTextA()});
    if (Options.Has(TRVOption::AutoCopyImage)) {
        if (const TRVGraphicItemInfo *pic = GetSelectedPicture())
            if (pic->Image && pic->Image->Image())
                out.picture = *pic->Image->Image();
    }
    // The 8-bit text loses what its code page cannot hold; the UTF-16 form
    // goes along whenever text is copied.
    if (unicode || Options.Has(TRVOption::AutoCopyText)) {
        std::u16string w = GetSelTextW();
        std::string bytes;
        bytes.reserve(w.size() * 2);
        for (char16_t c : w) {
            bytes.push_back(char(c & 0xFF));
            bytes.push_back(char(c >> 8));
        }
        out.items.push_back({kFormatUnicodeText, std::move(bytes)});
    }
    // The rich forms go together: word processors take RTF, browsers and
    // mail editors HTML. A form whose writing failed is left out whole, never
    // published cut short; the other formats still go.
    if (Options.Has(TRVOption::AutoCopyRTF)) {
        std::string rtf, html;
        if (GetSelectionRTF(rtf))
            out.items.push_back({kFormatRTF, std::move(rtf)});
        if (GetSelectionHTML(html))
            out.items.push_back({kFormatHTML, std::move(html)});
    }
    return true;
}

bool TRVControlData::CopySelection()
{
    ClipboardContent c;
    if (!BuildClipboard(c))
        return false;
    if (c.items.empty() && !c.picture)
        return true;
    if (PutOnClipboard)
        PutOnClipboard(c);
    else
        setClipboard(c);
    return true;
}

} // namespace rv
