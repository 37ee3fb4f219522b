// Text search over the document's items: the next match after (or before)
// the previous one, selected and scrolled into view.
//
// 8-bit items are compared in their own bytes with their code page's case
// rules; Unicode items are compared in UTF-16, so a character no code page
// holds matches only itself (never a "?" the conversion would have left).
#include "viewer/rv_controldata.h"

#include "document/rv_table.h"
#include "platform/codepage.h"
#include "viewer/rv_table_layout.h"

#include <array>
#include <cstring>
#include <map>
#include <span>
#include <vector>

namespace rv {

using namespace platform;

namespace {

// Upper case of the letters the Windows code pages hold (Latin, Greek, Cyrillic).
char16_t FoldUpper(char16_t c)
{
    if (c < 0x80)
        return c >= u'a' && c <= u'z' ? char16_t(c - 0x20) : c;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return char16_t(c - 0x20);
    if (c == 0xFF)
        return 0x178;
    if (c >= 0x100 && c <= 0x17F) {
        if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F)
            return c;
        // Capitals and small letters sit on neighbouring codes; the parity flips in two runs.
        const bool oddSmall = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        return (oddSmall ? (c & 1) == 0 : (c & 1) == 1) ? char16_t(c - 1) : c;
    }
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2)
        return char16_t(c - 0x20);
    if (c == 0x3C2)
        return 0x3A3;
    if (c >= 0x3AC && c <= 0x3AF) {
        static const char16_t map[] = {0x386, 0x388, 0x389, 0x38A};
        return map[c - 0x3AC];
    }
    if (c >= 0x3CC && c <= 0x3CE) {
        static const char16_t map[] = {0x38C, 0x38E, 0x38F};
        return map[c - 0x3CC];
    }
    if (c >= 0x430 && c <= 0x44F)
        return char16_t(c - 0x20);
    if (c >= 0x450 && c <= 0x45F)
        return char16_t(c - 0x50);
    if (c == 0x491)
        return 0x490;
    return c;
}

// The plain letter of a Latin letter with a diacritic (same case), or the
// character itself. Letters that stand for two (Æ, ß, Œ) stay as they are,
// so a match keeps its length.
char16_t StripAccent(char16_t c)
{
    if (c >= 0xC0 && c <= 0xFF) {
        static const char latin1[] = "AAAAAA\0CEEEEIIII\0NOOOOO\0OUUUUY\0\0"
                                     "aaaaaa\0ceeeeiiii\0nooooo\0ouuuuy\0y";
        const char plain = latin1[c - 0xC0];
        return plain ? char16_t(plain) : c;
    }
    if (c >= 0x100 && c <= 0x17F) {
        static const char extendedA[] = "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIi\0\0Jj"
                                        "Kk\0LlLlLlLlLlNnNnNn\0\0\0OoOoOo\0\0RrRrRrSsSsSsSsTtTtTt"
                                        "UuUuUuUuUuUuWwYyYZzZzZz\0";
        const char plain = extendedA[c - 0x100];
        return plain ? char16_t(plain) : c;
    }
    return c;
}

} // namespace

class TRVSearcher {
public:
    TRVSearcher(const TRVControlData &control, std::u16string_view text, uint32_t options)
        : Control(control), Items(&control.Items()), Style(control.GetRVStyle()), matchCase(options & rvsroMatchCase),
          whole(options & rvsroWholeWord), down(options & rvsroDown), plain(options & rvsroIgnoreAccents)
    {
        pat16.assign(text.begin(), text.end());
        for (auto &c : pat16)
            c = Fold(c);
    }

    // What a character is compared as: without its accent when accents are
    // ignored, in capitals unless case matters.
    char16_t Fold(char16_t c) const
    {
        if (plain)
            c = StripAccent(c);
        return matchCase ? c : FoldUpper(c);
    }
    bool Folds() const { return plain || !matchCase; }

    // The items searched from now on (the viewer's, or a table cell's; they share the style sheet).
    void Use(const TCustomRVData &d) { Items = &d; }

    // Position (0-based character) of the match inside [from, to) of item i, or -1.
    int Find(int i, int from, int to)
    {
        std::string_view raw = Items->ItemText(i);
        if (Items->IsUnicodeItem(i))
            return FindUnicode(i, raw, from, to);
        return FindBytes(i, raw, from, to);
    }

    size_t Length() const { return pat16.size(); }

private:
    struct CodePageForm {
        bool ok = false; // the pattern exists in this code page
        std::string pat;
        std::array<uint8_t, 256> fold{};
        uint8_t variants[2] = {0, 0};
        int variantCount = 0; // 0: more than two bytes fold to the pattern's first
    };

    const CodePageForm &FormFor(int cp)
    {
        auto it = forms.find(cp);
        if (it != forms.end())
            return it->second;
        CodePageForm &f = forms[cp];
        for (int b = 0; b < 256; ++b)
            f.fold[size_t(b)] = uint8_t(b);
        if (Folds()) {
            char one[1];
            for (int b = 0x41; b < 256; ++b) {
                one[0] = char(b);
                std::u16string u = toUtf16(std::string_view(one, 1), cp);
                if (u.size() != 1)
                    continue;
                char16_t up = Fold(u[0]);
                if (up == u[0])
                    continue;
                bool def = false;
                std::string back = fromUtf16(std::u16string_view(&up, 1), cp, &def);
                if (!def && back.size() == 1)
                    f.fold[size_t(b)] = uint8_t(back[0]);
            }
        }
        bool def = false;
        f.pat = fromUtf16(pat16, cp, &def);
        f.ok = !def && !f.pat.empty();
        if (f.ok) {
            const uint8_t first = uint8_t(f.pat[0]);
            int count = 0;
            for (int b = 0; b < 256 && count <= 2; ++b)
                if (f.fold[size_t(b)] == first) {
                    if (count < 2)
                        f.variants[count] = uint8_t(b);
                    ++count;
                }
            f.variantCount = count <= 2 ? count : 0;
        }
        return f;
    }

    bool WholeWordAt(int i, int p, int n) const
    {
        return !whole || (Control.IsDelimiterIn(*Items, i, p - 1) && Control.IsDelimiterIn(*Items, i, p + n));
    }

    // The pattern's form for a text style, looked up once per style.
    const CodePageForm &FormForStyle(int styleNo)
    {
        if (styleNo >= 0 && size_t(styleNo) < byStyle.size() && byStyle[size_t(styleNo)])
            return *byStyle[size_t(styleNo)];
        const CodePageForm &f = FormFor(Style ? Style->CodePageOfStyle(styleNo) : CP_ACP);
        if (styleNo >= 0 && styleNo < 4096) {
            if (byStyle.size() <= size_t(styleNo))
                byStyle.resize(size_t(styleNo) + 1, nullptr);
            byStyle[size_t(styleNo)] = &f;
        }
        return f;
    }

    int FindBytes(int i, std::string_view raw, int from, int to)
    {
        const CodePageForm &f = FormForStyle(Items->EffectiveStyleNo(i));
        if (!f.ok)
            return -1;
        const int n = int(f.pat.size());
        to = std::min(to, int(raw.size()));
        from = std::max(from, 0);
        if (to - from < n)
            return -1;
        const char *base = raw.data();
        const uint8_t *pat = reinterpret_cast<const uint8_t *>(f.pat.data());
        auto equalAt = [&](int p) {
            const uint8_t *t = reinterpret_cast<const uint8_t *>(base + p);
            for (int k = 0; k < n; ++k)
                if (f.fold[t[k]] != pat[k])
                    return false;
            return true;
        };
        const int limit = to - n + 1; // candidate starts are below this
        if (!down) {
            for (int p = limit - 1; p >= from; --p)
                if (equalAt(p) && WholeWordAt(i, p, n))
                    return p;
            return -1;
        }
        if (!Folds()) {
            std::string_view hay(base, size_t(to));
            for (size_t p = hay.find(f.pat, size_t(from)); p != std::string_view::npos; p = hay.find(f.pat, p + 1))
                if (WholeWordAt(i, int(p), n))
                    return int(p);
            return -1;
        }
        if (f.variantCount > 0) {
            // memchr for each byte that folds to the first pattern byte; keep
            // each one's next hit so no stretch is scanned twice.
            const char *next[2] = {nullptr, nullptr};
            int pos = from;
            while (pos < limit) {
                const char *best = nullptr;
                for (int v = 0; v < f.variantCount; ++v) {
                    if (next[v] == base + limit)
                        continue;
                    if (!next[v] || next[v] < base + pos) {
                        const void *hit = std::memchr(base + pos, f.variants[v], size_t(limit - pos));
                        next[v] = hit ? static_cast<const char *>(hit) : base + limit;
                    }
                    if (next[v] != base + limit && (!best || next[v] < best))
                        best = next[v];
                }
                if (!best)
                    return -1;
                int p = int(best - base);
                if (equalAt(p) && WholeWordAt(i, p, n))
                    return p;
                pos = p + 1;
            }
            return -1;
        }
        for (int p = from; p < limit; ++p)
            if (equalAt(p) && WholeWordAt(i, p, n))
                return p;
        return -1;
    }

    int FindUnicode(int i, std::string_view raw, int from, int to)
    {
        const int len = int(raw.size() / 2);
        buf.resize(size_t(len));
        if (len > 0)
            std::memcpy(buf.data(), raw.data(), size_t(len) * 2);
        const int n = int(pat16.size());
        to = std::min(to, len);
        from = std::max(from, 0);
        if (n == 0 || to - from < n)
            return -1;
        auto equalAt = [&](int p) {
            for (int k = 0; k < n; ++k) {
                char16_t c = buf[size_t(p + k)];
                if (Fold(c) != pat16[size_t(k)])
                    return false;
            }
            return true;
        };
        const int limit = to - n + 1;
        if (down) {
            for (int p = from; p < limit; ++p)
                if (equalAt(p) && WholeWordAt(i, p, n))
                    return p;
        } else {
            for (int p = limit - 1; p >= from; --p)
                if (equalAt(p) && WholeWordAt(i, p, n))
                    return p;
        }
        return -1;
    }

    const TRVControlData &Control; // decides what separates words
    const TCustomRVData *Items;    // the items searched now
    const TRVStyle *Style;
    bool matchCase, whole, down, plain;
    std::u16string pat16, buf;
    std::map<int, CodePageForm> forms; // node-based: pointers to entries stay valid
    std::vector<const CodePageForm *> byStyle;
};

namespace {

using TCellStep = TRVControlData::TCellStep;

// Whether `items` or a table cell in it (at any depth the reader allowed) holds the text.
bool OccursIn(TRVSearcher &searcher, const TCustomRVData &items, std::u16string_view text, int depth)
{
    searcher.Use(items);
    for (int i = 0; i < items.ItemCount(); ++i) {
        const TCustomRVItemInfo &item = items.GetItem(i);
        if (item.IsText() ? searcher.Find(i, 0, items.ItemLength(i)) >= 0 : item.StyleNo == ikTab && text == u"\t")
            return true;
        if (auto *table = depth <= kMaxTableNesting ? dynamic_cast<const TRVTableItemInfo *>(&item) : nullptr) {
            for (int r = 0; r < table->RowCount(); ++r)
                for (int c = 0; c < table->ColCount(); ++c)
                    if (const TRVTableCellData *cell = table->Cell(r, c);
                        cell && OccursIn(searcher, *cell, text, depth + 1))
                        return true;
            searcher.Use(items);
        }
    }
    return false;
}

struct SearchHit {
    std::vector<TCellStep> Path; // the cells the match is in, outermost first (empty: the viewer's items)
    int Item = -1, Pos = 0, Len = 0; // the match, in the innermost document's items
};

// The first match (last, upward) in the items of `fd` from `start` on. A
// match made only of blanks that a wrap consumed lies in no draw item and
// cannot be selected; answering it would leave no selection to continue
// from, so find-next would stop there for ever: it is passed over.
// A non-empty `into` starts inside a table cell: into[0] names the table at
// start.ItemNo and the cell, the rest the tables nested in it, and
// `innerStart` the position in the innermost cell. Tables are searched
// inside, cell by cell in row-major order (reversed upward), where they
// stand, down to the nesting the reader allows.
// The first match in text item i between characters from and to (0-based)
// that shows on screen (a match of hidden characters selects nothing).
bool FindInText(TRVSearcher &searcher, const TCustomRVFormattedData &fd, int i, int from, int to, bool down,
                SearchHit &hit)
{
    const int len = int(searcher.Length());
    auto selectable = [&](int a, int b) {
        int sd, so, ed, eo;
        return ItemPosToDrawPosIn(fd, {i, a}, false, sd, so) && ItemPosToDrawPosIn(fd, {i, b}, true, ed, eo)
               && (sd != ed || so != eo);
    };
    for (;;) {
        int p = searcher.Find(i, from, to);
        if (p < 0)
            return false;
        if (selectable(p + 1, p + 1 + len)) {
            hit = {{}, i, p + 1, len};
            return true;
        }
        if (down)
            from = p + 1;
        else
            to = p + len - 1;
    }
}

bool FindInDoc(TRVSearcher &searcher, const TCustomRVFormattedData &fd, std::u16string_view text, bool down,
               TRVItemPos start, std::span<const TCellStep> into, TRVItemPos innerStart, int depth, SearchHit &hit)
{
    const TCustomRVData &items = fd.Items();
    const int n = items.ItemCount();
    for (int i = start.ItemNo; down ? i < n : i >= 0; i += down ? 1 : -1) {
        searcher.Use(items);
        const TCustomRVItemInfo &item = items.GetItem(i);
        const bool first = i == start.ItemNo;
        if (item.IsText()) {
            int from = 0, to = items.ItemLength(i);
            if (first) {
                if (down)
                    from = start.Offs - 1;
                else
                    to = start.Offs - 1;
            }
            if (FindInText(searcher, fd, i, from, to, down, hit))
                return true;
        } else if (item.StyleNo == ikTab && text == u"\t") {
            if (first && ((down && start.Offs > 0) || (!down && start.Offs < 1)))
                continue;
            hit = {{}, i, 0, 1};
            return true;
        } else if (const TRVTableLayout *table = depth <= kMaxTableNesting ? fd.TableLayoutOf(i) : nullptr) {
            const int count = int(table->Cells.size());
            int c = down ? 0 : count - 1;
            bool inside = false;
            if (first && !into.empty() && into[0].TableItem == i && into[0].CellNo >= 0 && into[0].CellNo < count) {
                c = into[0].CellNo;
                inside = true;
            } else if (first && ((down && start.Offs > 0) || (!down && start.Offs < 1))) {
                continue;
            }
            for (; c >= 0 && c < count; c += down ? 1 : -1, inside = false) {
                const TRVCellFormattedData &cellData = *table->Cells[size_t(c)].Data;
                const TCustomRVData &cellItems = cellData.Items();
                const int m = cellItems.ItemCount();
                if (m == 0 || cellData.DrawItemList().Count() == 0)
                    continue;
                std::span<const TCellStep> deeper = inside ? into.subspan(1) : std::span<const TCellStep>{};
                TRVItemPos from = !inside ? (down ? TRVItemPos{0, cellItems.GetOffsBeforeItem(0)}
                                                  : TRVItemPos{m - 1, cellItems.GetOffsAfterItem(m - 1)})
                                  : !deeper.empty() ? TRVItemPos{deeper[0].TableItem, down ? 0 : 1}
                                                    : innerStart;
                if (from.ItemNo < 0 || from.ItemNo >= m)
                    continue;
                SearchHit inner;
                if (FindInDoc(searcher, cellData, text, down, from, deeper, innerStart, depth + 1, inner)) {
                    hit = std::move(inner);
                    hit.Path.insert(hit.Path.begin(), TCellStep{i, c});
                    return true;
                }
                searcher.Use(items);
            }
        }
    }
    return false;
}

} // namespace

bool TRVControlData::TextOccurs(std::u16string_view text, uint32_t options) const
{
    if (text.empty())
        return false;
    TRVSearcher searcher(*this, text, options | rvsroDown);
    return OccursIn(searcher, Items(), text, 0);
}

bool TRVControlData::SearchText(std::u16string_view text, uint32_t options)
{
    const TCustomRVData &items = Items();
    const int n = items.ItemCount();
    if (text.empty() || n == 0 || DrawItemList().Count() == 0)
        return false;
    const bool down = options & rvsroDown;

    // Where to start: the document's edge, the previous match's moving end
    // (in a cell, or in the viewer's items), or the view.
    TRVItemPos start;
    std::vector<TCellStep> into;
    TRVItemPos cellStart;
    if (options & rvsroFromStart) {
        start = down ? TRVItemPos{0, items.GetOffsBeforeItem(0)} : TRVItemPos{n - 1, items.GetOffsAfterItem(n - 1)};
    } else if (CellSelectionExists() && CellDataOf(FCellSel.Path())) {
        start = {FCellSel.TableItem, down ? 0 : 1};
        into = FCellSel.Path();
        cellStart = FCellSel.Moving;
    } else if (SelectionExists()) {
        start = DrawPosToItemPos(Selection().EndNo, Selection().EndOffs);
    } else {
        start = SearchStartInView(down);
    }
    if (start.ItemNo < 0)
        return false;

    TRVSearcher searcher(*this, text, options);
    SearchHit hit;
    if (!FindInDoc(searcher, *this, text, down, start, into, cellStart, 0, hit))
        return false;
    if (!ShowMatch(hit.Path, {hit.Item, hit.Pos}, {hit.Item, hit.Pos + hit.Len}, down))
        return false;
    Host.InvalidateAll();
    Host.Select();
    return true;
}

TRVItemPos TRVControlData::SearchStartInView(bool down) const
{
    const auto &lines = Lines();
    const int dy = GetVOffs() - DocumentOffsetY();
    if (down) {
        int li = std::min(FindLineAt(dy), int(lines.size()) - 1);
        int item = DrawItemList()[lines[size_t(li)].FirstDrawItem].ItemNo;
        return {item, Items().GetOffsBeforeItem(item)};
    }
    int li = std::min(FindLineAt(dy + GetClientHeight()), int(lines.size()) - 1);
    int item = DrawItemList()[LineEnd(li) - 1].ItemNo;
    return {item, Items().GetOffsAfterItem(item)};
}

bool TRVControlData::ShowMatch(const std::vector<TCellStep> &path, TRVItemPos a, TRVItemPos b, bool down)
{
    if (path.empty()) {
        if (down)
            SetSelectionByItems(a, b);
        else
            SetSelectionByItems(b, a);
        TRVSelectionBounds sb;
        if (GetSelectionBounds(sb))
            ScrollToDrawItem(sb.StartNo);
        return true;
    }
    // The viewer's own selection goes; the cell shows the match.
    SetSelectionRepaint({});
    FCellSel = {path.front().TableItem, path.front().CellNo, {path.begin() + 1, path.end()}, down ? a : b,
                down ? b : a};
    if (!ApplyCellSelection()) {
        FCellSel = {};
        return false;
    }
    const Rect r = CellSelectionRect();
    if (!r.isEmpty())
        ScrollToDocRange(r.top, r.bottom);
    return true;
}

} // namespace rv
