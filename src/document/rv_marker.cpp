#include "rv_marker.h"
#include "rv_table.h"

#include "platform/codepage.h"
#include "rv_data.h"
#include "rv_graphic.h"

#include <algorithm>
#include <climits>

namespace rv {

using platform::Canvas;

namespace {

int saturatedInc(int n) { return n == INT_MAX ? INT_MAX : n + 1; }

std::string lettersOf(int n, char base)
{
    if (n <= 0)
        return {};
    std::string s;
    unsigned v = unsigned(n);
    while (v > 0) {
        --v;
        s.push_back(char(base + v % 26));
        v /= 26;
    }
    std::reverse(s.begin(), s.end());
    return s;
}

std::string romanOf(int n, bool lower)
{
    if (n <= 0)
        return "?";
    if (n >= kMaxRomanNumber)
        return std::to_string(n);
    static const struct { int v; const char *s; } pairs[] = {{1000, "M"}, {900, "CM"}, {500, "D"}, {400, "CD"},
        {100, "C"}, {90, "XC"}, {50, "L"}, {40, "XL"}, {10, "X"}, {9, "IX"}, {5, "V"}, {4, "IV"}, {1, "I"}};
    std::string s;
    for (auto &p : pairs)
        while (n >= p.v) {
            s += p.s;
            n -= p.v;
        }
    if (lower)
        for (char &c : s)
            c = char(c - 'A' + 'a');
    return s;
}

int codePageOfMarkerFont(const TRVStyle &style, const TRVListLevel &level)
{
    return platform::codePageOfCharset(level.Font.Charset, style.DefCodePage);
}

TColor markerColor(TColor c, bool printing, TRVColorMode mode)
{
    if (!printing)
        return c;
    switch (mode) {
    case rvcmPrinterColor: return TRVStyle::ToPrinterColor(c);
    case rvcmGrayScale: return TRVStyle::ToGray(c);
    case rvcmBlackAndWhite: return platform::colorToRGB(c) == platform::clWhite ? platform::clWhite : platform::clBlack;
    case rvcmBlackOnWhite: return platform::clBlack;
    default: return c;
    }
}

} // namespace

std::string ListNumberText(TRVListType type, int n)
{
    switch (type) {
    case rvlstDecimal: return std::to_string(n);
    case rvlstLowerAlpha: return lettersOf(n, 'a');
    case rvlstUpperAlpha: return lettersOf(n, 'A');
    case rvlstLowerRoman: return romanOf(n, true);
    case rvlstUpperRoman: return romanOf(n, false);
    default: return {};
    }
}

namespace {

// Widths and precisions beyond this are refused rather than allocated.
constexpr int kMaxFormatWidth = 1024;

// One "%..s" directive: the argument it names (-1: the next one), its width
// (-1: none), whether it pads on the right, and its precision (-1: none).
struct TextDirective {
    int index = -1, width = -1, precision = -1;
    bool left = false;
};

// Reads the directive after a '%' at fmt[i] up to and including its 's'.
// False when it takes anything but text, uses '*' or is cut short.
bool readDirective(std::string_view fmt, size_t &i, TextDirective &d)
{
    auto number = [&](int &v) {
        bool any = false;
        v = 0;
        while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') {
            v = std::min(v * 10 + (fmt[i] - '0'), kMaxFormatWidth + 1);
            ++i;
            any = true;
        }
        return any;
    };
    auto star = [&] { return i < fmt.size() && fmt[i] == '*'; }; // a number from the arguments
    if (star())
        return false;
    int first = 0;
    bool haveFirst = number(first);
    if (haveFirst && i < fmt.size() && fmt[i] == ':') {
        ++i;
        if (first > kMaxFormatWidth)
            return false;
        d.index = first;
        haveFirst = false;
    }
    if (!haveFirst) {
        if (i < fmt.size() && fmt[i] == '-') {
            d.left = true;
            ++i;
        }
        if (star())
            return false;
        int w = 0;
        if (number(w))
            d.width = w;
    } else {
        d.width = first;
    }
    if (i < fmt.size() && fmt[i] == '.') {
        ++i;
        if (star())
            return false;
        int p = 0;
        number(p);
        d.precision = p;
    }
    if (i >= fmt.size() || (fmt[i] != 's' && fmt[i] != 'S') || d.width > kMaxFormatWidth)
        return false;
    ++i;
    return true;
}

} // namespace

bool FormatWithTextArgs(std::string_view fmt, std::span<const std::string> args, std::string &out)
{
    out.clear();
    size_t next = 0, i = 0;
    while (i < fmt.size()) {
        char c = fmt[i++];
        if (c != '%') {
            out.push_back(c);
            continue;
        }
        if (i < fmt.size() && fmt[i] == '%') {
            out.push_back('%');
            ++i;
            continue;
        }
        TextDirective d;
        if (!readDirective(fmt, i, d))
            return false;
        if (d.index >= 0)
            next = size_t(d.index);
        if (next >= args.size())
            return false;
        std::string_view a = args[next++];
        if (d.precision >= 0 && size_t(d.precision) < a.size())
            a = a.substr(0, size_t(d.precision));
        size_t pad = d.width > 0 && size_t(d.width) > a.size() ? size_t(d.width) - a.size() : 0;
        if (!d.left)
            out.append(pad, ' ');
        out.append(a);
        if (d.left)
            out.append(pad, ' ');
    }
    return true;
}

int MarkerLevelIndex(const TRVStyle &style, const TRVMarkerItemInfo &m)
{
    if (m.ListNo < 0 || m.Level < 0 || !style.ListStyles.InRange(m.ListNo))
        return -1;
    int count = int(style.ListStyles[m.ListNo].Levels.size());
    if (count == 0)
        return -1;
    return std::min(m.Level, count - 1);
}

const TRVListLevel *MarkerLevel(const TRVStyle &style, const TRVMarkerItemInfo &m)
{
    int l = MarkerLevelIndex(style, m);
    return l < 0 ? nullptr : &style.ListStyles[m.ListNo].Levels[size_t(l)];
}

TRVMarkerNumbering::ListState &TRVMarkerNumbering::state(int listNo)
{
    if (size_t(listNo) >= lists_.size())
        lists_.resize(size_t(listNo) + 1);
    return lists_[size_t(listNo)];
}

int TRVMarkerNumbering::nextCounter(const ListState &s, const TRVListLevel &level, int L)
{
    const int sameSeq = s.lastSeq[size_t(L)];
    int parentSeq = -1;
    if (!s.chain.empty() && (level.Options & bit(rvloLevelReset)))
        parentSeq = s.chain.back().seq;
    if (parentSeq > sameSeq)
        return level.StartFrom;
    if (sameSeq >= 0)
        return saturatedInc(s.lastCounter[size_t(L)]);
    if (s.maxLevelSeen > L)
        return saturatedInc(level.StartFrom);
    return level.StartFrom;
}

std::string TRVMarkerNumbering::markerText(const TRVListInfo &list, int L, const ListState &s, int counter)
{
    const TRVListLevel &D = list.Levels[size_t(L)];
    std::string text;
    if (D.ListType == rvlstBullet) {
        const std::string none[20];
        if (!FormatWithTextArgs(D.FormatString, none, text))
            text = D.FormatString;
        return text;
    }
    if (!D.HasNumbers())
        return {};
    std::vector<std::string> args(kMaxMarkerArgs);
    const bool legal = (D.Options & bit(rvloLegalStyleNumbering)) != 0;
    // A level past the arguments writes its own number into the last one;
    // the levels above it fill the arguments below that.
    const int ownSlot = std::min(L, kMaxMarkerArgs - 1);
    auto number = [&](int level, int slot, int n) {
        TRVListType t = list.Levels[size_t(level)].ListType;
        if (legal && level < L && list.Levels[size_t(level)].HasNumbers())
            t = rvlstDecimal;
        args[size_t(slot)] = ListNumberText(t, n);
    };
    number(L, ownSlot, counter);
    int cur = L;
    for (auto it = s.chain.rbegin(); it != s.chain.rend(); ++it) {
        for (int lev = it->level + 1; lev < cur && lev < ownSlot; ++lev)
            number(lev, lev, list.Levels[size_t(lev)].StartFrom);
        if (it->level < ownSlot)
            number(it->level, it->level, it->counter);
        cur = it->level;
    }
    if (!FormatWithTextArgs(D.FormatString, args, text))
        text = D.FormatString;
    return text;
}

void TRVMarkerNumbering::Add(TRVMarkerItemInfo &m)
{
    int L = MarkerLevelIndex(*style_, m);
    if (L < 0) {
        m.DisplayString.clear();
        return;
    }
    const TRVListInfo &list = style_->ListStyles[m.ListNo];
    const TRVListLevel &D = list.Levels[size_t(L)];
    ListState &s = state(m.ListNo);
    if (s.lastCounter.size() <= size_t(L)) {
        s.lastCounter.resize(size_t(L) + 1, INT_MIN);
        s.lastSeq.resize(size_t(L) + 1, -1);
    }
    // Markers at this level or deeper are no ancestors of this one or of any later one.
    while (!s.chain.empty() && s.chain.back().level >= L)
        s.chain.pop_back();
    int seq = seq_++;

    const int counter = m.Reset ? m.StartFrom : nextCounter(s, D, L);
    m.Counter = counter;
    m.DisplayString = markerText(list, L, s, counter);

    s.lastCounter[size_t(L)] = counter;
    s.lastSeq[size_t(L)] = seq;
    s.chain.push_back({L, counter, seq});
    s.maxLevelSeen = std::max(s.maxLevelSeen, L);
}

static void numberDoc(TCustomRVData &doc, TRVMarkerNumbering &numbering, int depth)
{
    for (int i = 0; i < doc.ItemCount(); ++i) {
        TCustomRVItemInfo &item = doc.GetItem(i);
        if (item.StyleNo == ikListMarker) {
            numbering.Add(static_cast<TRVMarkerItemInfo &>(item));
        } else if (auto *note = dynamic_cast<TCustomRVNoteItemInfo *>(&item); note && note->Document && depth < 16) {
            // A note's lists go on from the numbering where the note stands,
            // without changing the numbering of the text around it.
            TRVMarkerNumbering inner = numbering;
            numberDoc(*note->Document, inner, depth + 1);
        } else if (auto *table = dynamic_cast<TRVTableItemInfo *>(&item); table && depth < kMaxTableNesting) {
            // Each cell's lists go on from the markers before the table; a
            // cell's markers are its own, so neither the next cell nor the
            // text after the table counts them.
            for (TRVTableRow &row : table->Rows)
                for (auto &cell : row.Cells)
                    if (cell) {
                        TRVMarkerNumbering inner = numbering;
                        numberDoc(*cell, inner, depth + 1);
                    }
        }
    }
}

void NumberListMarkers(TCustomRVData &doc)
{
    if (!doc.GetRVStyle())
        return;
    TRVMarkerNumbering numbering(*doc.GetRVStyle());
    numberDoc(doc, numbering, 0);
}

std::string NoteNumberText(TRVSeqType type, int n)
{
    switch (type) {
    case rvseqLowerAlpha: return lettersOf(n, 'a');
    case rvseqUpperAlpha: return lettersOf(n, 'A');
    case rvseqLowerRoman: return romanOf(n, true);
    case rvseqUpperRoman: return romanOf(n, false);
    default: return std::to_string(n);
    }
}

void SetNoteLabel(TCustomRVNoteItemInfo &note, const std::string &text)
{
    note.Text = text;
    if (!note.Document)
        return;
    for (int i = 0; i < note.Document->ItemCount(); ++i)
        if (note.Document->GetItem(i).StyleNo == ikNoteReference)
            static_cast<TRVLabelItemInfo &>(note.Document->GetItem(i)).Text = text;
}

void NumberNotes(TCustomRVData &doc)
{
    const TRVStyle *style = doc.GetRVStyle();
    if (!style)
        return;
    int foot = 0, end = 0;
    for (int i = 0; i < doc.ItemCount(); ++i) {
        auto *note = dynamic_cast<TCustomRVNoteItemInfo *>(&doc.GetItem(i));
        if (!note)
            continue;
        const bool isFoot = note->StyleNo == ikFootnote;
        int &n = isFoot ? foot : end;
        n = note->Reset ? note->StartFrom : n + 1;
        note->Counter = n;
        SetNoteLabel(*note, NoteNumberText(isFoot ? style->FootnoteNumbering : style->EndnoteNumbering, n));
    }
}

void ApplyMarkerFont(const TRVStyle &style, const TRVListLevel &level, Canvas &canvas, bool printing,
                     TRVColorMode colorMode, int screenDpiY)
{
    const TRVMarkerFont &f = level.Font;
    platform::FontDesc font;
    font.faceName = f.Name;
    font.charset = f.Charset;
    font.weight = (f.Style & fsBold) ? 700 : 400;
    font.italic = (f.Style & fsItalic) != 0;
    font.underline = (f.Style & fsUnderline) != 0;
    font.strikeOut = (f.Style & fsStrikeOut) != 0;
    // The stored height is in screen pixels; drawn at the sheet's own
    // resolution when it has one, else at the canvas's.
    int base = screenDpiY > 0 ? screenDpiY : canvas.dpiY();
    int ppi = style.TextStyles.PixelsPerInch != 0 ? style.TextStyles.PixelsPerInch : canvas.dpiY();
    font.height = ppi == base || base <= 0 ? f.Height : platform::MulDiv(f.Height, ppi, base);
    canvas.setFont(font);
    canvas.setTextColor(markerColor(f.Color, printing, colorMode));
    canvas.setCharacterExtra(0);
    canvas.setTextAlign(0);
    canvas.setBkMode(platform::BkMode::Transparent);
    platform::Brush clear;
    clear.style = platform::BrushStyle::Clear;
    canvas.setBrush(clear);
}

void PlaceMarker(TRVMarkerAlignment align, int width, int gap, int &before, int &after)
{
    switch (align) {
    case rvmaRight: before = width; after = 0; break;
    case rvmaCenter: after = width / 2; before = width - after; break;
    default: before = 0; after = width; break;
    }
    after = std::max(after, gap);
}

int MarkerDrawX(const TRVMarkerMetrics &mm, int pos, bool rightToLeft)
{
    return rightToLeft ? pos + mm.Before + mm.After - mm.Width : pos - mm.Before;
}

static int scaled(int v, int target, int screen)
{
    return screen > 0 && target != screen ? platform::MulDiv(v, target, screen) : v;
}

TRVMarkerMetrics MeasureMarker(const TRVStyle &style, const TRVMarkerItemInfo &m, Canvas &canvas, int screenDpiX,
                               int screenDpiY)
{
    TRVMarkerMetrics mm;
    const TRVListLevel *level = MarkerLevel(style, m);
    if (!level)
        return mm;
    switch (level->ListType) {
    case rvlstPicture:
        if (level->Picture && !level->Picture->Empty()) {
            mm.Width = scaled(level->Picture->Width(), canvas.dpiX(), screenDpiX);
            mm.Height = scaled(level->Picture->Height(), canvas.dpiY(), screenDpiY);
        }
        break;
    case rvlstImageList:
    case rvlstImageListCounter:
        if (level->ImageList) {
            mm.Width = scaled(level->ImageList->Width(), canvas.dpiX(), screenDpiX);
            mm.Height = scaled(level->ImageList->Height(), canvas.dpiY(), screenDpiY);
        }
        break;
    default: {
        ApplyMarkerFont(style, *level, canvas, false, rvcmColor, screenDpiY);
        const std::u16string text = MarkerPlainText(style, m);
        platform::Size ext = canvas.textExtent(text);
        mm.Width = ext.cx;
        mm.Height = ext.cy;
        mm.Descent = canvas.textMetrics().tmDescent;
        break;
    }
    }
    int64_t gap64 = int64_t(level->FirstIndent) + level->LeftIndent - level->MarkerIndent;
    int gap = int(std::clamp<int64_t>(gap64, INT_MIN / 2, INT_MAX / 2));
    PlaceMarker(level->MarkerAlignment, mm.Width, scaled(gap, canvas.dpiX(), screenDpiX), mm.Before, mm.After);
    return mm;
}

void DrawMarker(const TRVStyle &style, const TRVMarkerItemInfo &m, Canvas &canvas, int x, int y,
                const platform::Rect &pictureBox, bool printing, TRVColorMode colorMode, int screenDpiY)
{
    const TRVListLevel *level = MarkerLevel(style, m);
    if (!level)
        return;
    switch (level->ListType) {
    case rvlstPicture:
        if (level->Picture && !level->Picture->Empty())
            level->Picture->Draw(canvas, pictureBox);
        break;
    case rvlstImageList:
    case rvlstImageListCounter:
        if (level->ImageList) {
            int64_t index = level->ImageIndex;
            if (level->ListType == rvlstImageListCounter)
                index += int64_t(m.Counter) - 1;
            if (index >= 0 && index < level->ImageList->Count())
                level->ImageList->Draw(canvas, x, y, int(index));
        }
        break;
    default: {
        ApplyMarkerFont(style, *level, canvas, printing, colorMode, screenDpiY);
        const std::u16string text = MarkerPlainText(style, m);
        canvas.textOut(x, y, text);
        break;
    }
    }
}

std::u16string MarkerPlainText(const TRVStyle &style, const TRVMarkerItemInfo &m)
{
    const TRVListLevel *level = MarkerLevel(style, m);
    if (!level)
        return {};
    if (level->ListType == rvlstUnicodeBullet)
        return level->FormatStringW;
    return platform::toUtf16(m.DisplayString, codePageOfMarkerFont(style, *level));
}

} // namespace rv
