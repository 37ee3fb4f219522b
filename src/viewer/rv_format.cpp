// The line builder: items into draw items for one width and resolution.
#include "viewer/rv_fdata.h"
#include "document/rv_marker.h"
#include "platform/codepage.h"
#include "viewer/rv_fontcache.h"
#include "viewer/rv_linebreak.h"
#include "viewer/rv_table_layout.h"

#include <algorithm>

namespace rv {

using namespace platform;

namespace {

bool isTabItem(const TCustomRVItemInfo &item) { return item.StyleNo == ikTab; }

bool isCombiningMark(char16_t c)
{
    return LineBreakClass(c) == lbCM && c >= 0x20;
}

// One character at pos with the combining marks and low surrogates after it.
int CharacterLength(const std::u16string &t, int pos, int end)
{
    int len = 1;
    while (pos + len < end
           && (isCombiningMark(t[size_t(pos + len)]) || (t[size_t(pos + len)] >= 0xDC00 && t[size_t(pos + len)] < 0xE000)))
        ++len;
    return len;
}

} // namespace

class TRVFormatter {
public:
    TRVFormatter(TCustomRVFormattedData &formatted, Canvas &target)
        : Formatted(formatted), Items(formatted.Items()), Style(*formatted.GetRVStyle()), Target(target),
          Resolution(formatted.FResolution), options(formatted.GetOptions())
    {
    }

    void ComputeWidths();
    void Run(bool tailOnly);
    // Resets the layout, or picks up after the last formatted item for a tail
    // run; the first item to place.
    int StartRun(bool tailOnly);
    // A text item as one piece, or word by word in a justified paragraph.
    void PlaceTextItem(int i, bool startsLine, bool paraStart, bool lineBreak, int &jumpNo);
    // Closes the last line and records the height and the links' boxes.
    void EndRun(int jumpNo);

    TCustomRVFormattedData &Formatted; // receives the lines, pieces and links
    const TCustomRVData &Items;        // the items being laid out
    TRVStyle &Style;
    Canvas &Target;                    // the canvas text is measured on
    TRVResolutionInfo &Resolution;     // document units to target pixels
    TRVOptions options;
    std::unique_ptr<TRVFontInfoCache> fontCache;
    int contentWidth = 0, wrapWidth = 0;

private:
    // ---- the running state (one per run) ----
    int penX = 0, lineOrigin = 0, lineWidth = 0;
    int baseline = 0, ascent = 0, descent = 0;
    int lastExtra = 0;       // extra space below the last finished line
    int lineTop = 0;
    int lineStart = -1;      // draw item that starts the current line
    bool lineOpen = false;   // a line has been started and not finished
    bool lineEmpty = true;   // no piece on the current line yet
    bool lineStartsPara = false;
    int lineParaNo = 0;
    int lineChars = 0;
    bool lineHasAligned = false;
    int prevItem = -1;       // the last item placed (for SpaceAfter)
    bool skipSpaceAllowed = false;
    int tabDrawItem = -1;    // pending right or centred tab
    TRVTabAlign tabAlign = rvtaLeft;
    int tabStop = 0;         // document x
    int maxLength = 0;
    bool wordWrap = true;

    const TParaInfo &ParaStyleOf(int itemNo) const { return Style.ParaStyles[Items.GetItem(itemNo).ParaNo]; }
    bool NoWrap(int itemNo) const { return !wordWrap || (ParaStyleOf(itemNo).Options & bit(rvpaoNoWrap)); }
    TRVDrawLineInfo &LastPiece() { return DrawItems()[DrawItems().Count() - 1]; }
    TRVDrawLines &DrawItems() { return Formatted.FDrawItems; }
    bool IsTextPiece(const TRVDrawLineInfo &d) const { return Items.GetItem(d.ItemNo).IsText(); }

    void StartNewLine(int itemNo, bool paraStart, bool lineBreak);
    // A line that wraps after a space loses that space from its last piece;
    // true when there was one.
    bool DropTrailingSpace();
    // A line that ends at a soft hyphen shows a hyphen there.
    void ShowEndHyphen();
    void FinishLine(bool lastOfPara);
    // Moves the line's pieces for its alignment; justified lines widen their spaces.
    void AlignLine(int first, int last, TRVAlignment align);
    // The extra space the paragraph's line spacing adds below the line.
    int LineSpacingExtra(int first, int last, const TParaInfo &para);
    // Places items aligned to the line's own extent; how far the line had to move down for them.
    int PlaceLineAlignedItems(int first, int last);
    void FinishTab();
    void AddPiece(std::unique_ptr<TRVDrawLineInfo> d, int above, int below, bool counts);
    void PlaceText(int itemNo, int from, int count, int jumpId, bool &firstPiece, bool startsLine, bool paraStart,
                   bool lineBreak);
    void PlaceEmptyText(int itemNo, bool startsLine, bool paraStart, bool lineBreak);
    // Adds text [pos, pos + len) of a text item at the pen (a link's piece with
    // its jump box); the piece's width.
    int AddTextPiece(int itemNo, int pos, int len, int jumpId, const TRVFontInfoCacheItem &fi, int above, int below);
    void PlaceRectItem(int itemNo, bool startsLine, bool paraStart, bool lineBreak, int &jumpNo);
    void PlaceFullLineItem(int itemNo, int &jumpNo);
    // The box of a full-line item other than a rule at document y `top`, in
    // its paragraph's indents and alignment; a table is laid out first.
    std::unique_ptr<TRVDrawLineInfo> FullLineBox(int itemNo, int top);
    // Gives the links of a table's cells their numbers and boxes in this document.
    void NumberCellJumps(TRVTableLayout &layout, int drawNo, int tableLeft, int tableTop, int &jumpNo);
    int FitCount(Canvas &c, const std::u16string &t, int pos, int rest, int avail, bool unicode,
                 const std::vector<int> &softHyphens, int hyphenWidth);
    bool FindBreak(const std::u16string &t, int pos, int rest, int n, bool unicode, bool continuesAfter,
                   int &pieceLen, int &skip);
    platform::Size RectItemSize(int itemNo, int &above, int &below, bool &lineAligned, int *markerBefore = nullptr);
    // The list level of the paragraph that holds itemNo (its first item is a
    // marker with a level), or nullptr.
    const TRVListLevel *ListLevelOfPara(int itemNo) const;
    int TabWidth(int itemNo);
    void RecordLine(int first, int last);
    void SetFirstDrawItem(int itemNo, int drawItemNo)
    {
        if (Formatted.FFirstDrawItem[size_t(itemNo)] < 0)
            Formatted.FFirstDrawItem[size_t(itemNo)] = drawItemNo;
    }
};

// ---- widths ----
// Two widths drive the layout: the content width (never narrower than the
// widest thing that cannot be broken, so nothing sticks out of the scroll
// range) and the wrap width that wrapping paragraphs fill.

void TRVFormatter::ComputeWidths()
{
    const int client = Formatted.GetClientWidth();
    const int margins = Resolution.LeftMargin + Resolution.RightMargin;
    const int minText = Resolution.X(Formatted.GetMinTextWidth());
    const int maxText = Resolution.X(Formatted.GetMaxTextWidth());
    wordWrap = Formatted.GetWordWrap();
    // The widest thing that cannot be broken: a whole no-wrap paragraph, or
    // the widest single item of a wrapping one (text counts a token 20 pixels).
    int widest = 0;
    const int n = Items.ItemCount();
    int paraStart = 0;
    while (paraStart < n) {
        int paraEnd = paraStart + 1;
        while (paraEnd < n && !Items.IsParaStart(paraEnd))
            ++paraEnd;
        const TParaInfo &para = ParaStyleOf(paraStart);
        int indents = Resolution.X(para.LeftIndent) + Resolution.X(para.RightIndent)
                      + std::max(0, Resolution.X(para.FirstIndent));
        bool noWrap = NoWrap(paraStart);
        int sum = 0, best = 0;
        for (int i = paraStart; i < paraEnd; ++i) {
            const TCustomRVItemInfo &item = Items.GetItem(i);
            int w;
            if (item.IsText()) {
                if (noWrap) {
                    const auto &fi = fontCache->Select(Items.EffectiveStyleNo(i));
                    w = fi.Canvas->textExtent(Formatted.TextOf(i).text).cx;
                } else {
                    w = Resolution.X(20);
                }
            } else if (auto *table = dynamic_cast<const TRVTableItemInfo *>(&item)) {
                int pref;
                TRVTableLayout::Measure(*table, Resolution, Target, w, pref);
            } else if (item.IsFullLine()) {
                w = item.StyleNo == ikHorizontalLine ? 0 : Resolution.X(item.ContentSize().cx);
            } else {
                int a, b;
                bool la;
                w = item.StyleNo == ikTab ? 0 : RectItemSize(i, a, b, la).cx;
                if (item.StyleNo == ikListMarker && i + 1 < paraEnd && !noWrap) {
                    // A marker stays with the item after it.
                    const TCustomRVItemInfo &next = Items.GetItem(i + 1);
                    w += next.IsText() ? Resolution.X(20) : (next.IsFullLine() ? 0 : RectItemSize(i + 1, a, b, la).cx);
                }
            }
            sum += w;
            best = std::max(best, w);
        }
        widest = std::max(widest, indents + (noWrap ? sum : best));
        paraStart = paraEnd;
    }
    contentWidth = std::max(client - margins, widest);
    if (contentWidth < minText)
        contentWidth = minText;
    if (options.Has(TRVOption::ClientTextWidth)) {
        wrapWidth = std::max(client - margins, minText);
    } else {
        wrapWidth = contentWidth;
        if (maxText >= 1 && wrapWidth > maxText)
            wrapWidth = maxText;
    }
}

// ---- lines ----
// A line is opened before its first piece, grows its ascent and descent as
// pieces join, and is aligned, justified and spaced once it is finished.

bool TRVFormatter::DropTrailingSpace()
{
    TRVDrawLineInfo &last = LastPiece();
    if (!IsTextPiece(last) || last.CharCount == 0)
        return false;
    const std::u16string &t = Formatted.TextOf(last.ItemNo).text;
    const int endPos = last.FirstChar - 1 + last.CharCount - 1;
    if (endPos < 0 || endPos >= int(t.size()) || t[size_t(endPos)] != u' ')
        return false;
    const int idx = DrawItems().Count() - 1;
    if (last.CharCount == 1 && idx > lineStart && DrawItems()[idx - 1].ItemNo == last.ItemNo) {
        // A lone space after an earlier piece of its own item: drop the
        // piece. A space item of its own keeps an empty piece, so every
        // item still has a draw item.
        int item = last.ItemNo;
        DrawItems().Delete(idx);
        if (Formatted.FFirstDrawItem[size_t(item)] == idx)
            Formatted.FFirstDrawItem[size_t(item)] = -1;
        auto &jumps = Formatted.FJumps;
        for (auto it = jumps.rbegin(); it != jumps.rend() && it->DrawItemNo >= idx; ++it)
            if (it->DrawItemNo == idx) {
                jumps.erase(std::next(it).base());
                break;
            }
        penX = LastPiece().Right() - lineOrigin;
        return true;
    }
    const auto &fi = fontCache->Select(Items.EffectiveStyleNo(last.ItemNo));
    last.CharCount -= 1;
    int w = fi.Canvas->textExtent(std::u16string_view(t).substr(size_t(last.FirstChar - 1), size_t(last.CharCount))).cx;
    penX -= last.Width - (w + last.SpaceBefore);
    last.Width = w + last.SpaceBefore;
    for (auto &j : Formatted.FJumps)
        if (j.DrawItemNo == idx)
            j.Width = last.Width;
    return true;
}

void TRVFormatter::ShowEndHyphen()
{
    TRVDrawLineInfo &end = LastPiece();
    if (IsTextPiece(end) && end.CharCount > 0 && Items.IsUnicodeItem(end.ItemNo)) {
        const auto &sh = Formatted.TextOf(end.ItemNo).softHyphens;
        int endPos = end.FirstChar - 1 + end.CharCount - 1;
        if (std::binary_search(sh.begin(), sh.end(), endPos)) {
            int hw = fontCache->Get(Items.EffectiveStyleNo(end.ItemNo)).HyphenWidth;
            end.Width += hw;
            penX += hw;
        }
    }
}

void TRVFormatter::StartNewLine(int itemNo, bool paraStart, bool lineBreak)
{
    const bool wrap = !paraStart && !lineBreak;
    bool consumed = false;
    if (lineOpen && !lineEmpty) {
        if (wrap)
            consumed = DropTrailingSpace();
        ShowEndHyphen();
        FinishTab();
        FinishLine(!wrap);
    }
    skipSpaceAllowed = wrap && !consumed;
    const TParaInfo &para = ParaStyleOf(itemNo);
    int left = Resolution.X(para.LeftIndent), right = Resolution.X(para.RightIndent);
    if (const TRVListLevel *level = ListLevelOfPara(itemNo)) {
        // A list paragraph takes its indents from its level: the marker's line
        // starts at the marker, the lines after it at the level's left indent.
        const bool markerLine = paraStart && Items.GetItemStyle(itemNo) == ikListMarker;
        int indent = Resolution.X(markerLine ? level->MarkerIndent : level->LeftIndent);
        if (para.BiDiMode == rvbdRightToLeft)
            right = indent;
        else
            left = indent;
    } else if (paraStart) {
        left += Resolution.X(para.FirstIndent);
    }
    if (paraStart) {
        if (prevItem >= 0)
            descent += Resolution.Y(ParaStyleOf(prevItem).SpaceAfter);
        descent += Resolution.Y(para.SpaceBefore);
    }
    int width = NoWrap(itemNo) ? contentWidth : wrapWidth;
    lineWidth = width - right - left;
    lineOrigin = Resolution.LeftMargin + left;
    lineChars = 0;
    penX = 0;
    lineOpen = true;
    lineEmpty = true;
    lineHasAligned = false;
    lineStartsPara = paraStart;
    lineParaNo = Items.GetItem(itemNo).ParaNo;
}

void TRVFormatter::AddPiece(std::unique_ptr<TRVDrawLineInfo> d, int above, int below, bool counts)
{
    TRVDrawLines &list = DrawItems();
    if (lineEmpty) {
        baseline += lastExtra;
        lastExtra = 0;
        lineTop = baseline + descent;
        ascent = counts ? above : 0;
        baseline = lineTop + ascent;
        descent = counts ? below : 0;
        d->StartsLine = true;
        d->Left = lineOrigin;
        lineStart = list.Count();
        lineEmpty = false;
    } else if (counts) {
        if (above > ascent) {
            int delta = above - ascent;
            for (int k = lineStart; k < list.Count(); ++k)
                list[k].Top += delta;
            baseline += delta;
            ascent = above;
        }
        descent = std::max(descent, below);
    }
    d->Top = counts ? baseline - above : lineTop;
    list.Add(std::move(d));
}

void TRVFormatter::FinishTab()
{
    if (tabDrawItem < 0)
        return;
    TRVDrawLines &list = DrawItems();
    TRVDrawLineInfo &tab = list[tabDrawItem];
    int stop = std::min(tabStop, lineOrigin + lineWidth);
    int lastRight = list[list.Count() - 1].Right();
    int shift = tabAlign == rvtaRight ? stop - lastRight : (2 * stop - tab.Right() - lastRight) / 2;
    if (shift > 0) {
        tab.Width += shift;
        for (int k = tabDrawItem + 1; k < list.Count(); ++k)
            list[k].Left += shift;
        penX += shift;
    }
    tabDrawItem = -1;
}

void TRVFormatter::AlignLine(int first, int last, TRVAlignment align)
{
    TRVDrawLines &list = DrawItems();
    int free = lineOrigin + lineWidth - list[last].Right();
    if (align == rvaRight || align == rvaCenter) {
        int shift = align == rvaRight ? free : std::max(0, free / 2);
        if (shift != 0)
            for (int k = first; k <= last; ++k)
                list[k].Left += shift;
        return;
    }
    if (align != rvaJustify || last <= first || free <= 0)
        return;
    // Justified: the free room goes to the spaces after the line's last tab.
    int k = last;
    while (k > first && !isTabItem(Items.GetItem(list[k].ItemNo)))
        --k;
    auto startsWithSpace = [&](const TRVDrawLineInfo &d) {
        if (!IsTextPiece(d) || d.CharCount == 0)
            return false;
        const std::u16string &t = Formatted.TextOf(d.ItemNo).text;
        return d.FirstChar >= 1 && size_t(d.FirstChar - 1) < t.size() && t[size_t(d.FirstChar - 1)] == u' ';
    };
    int count = 0;
    for (int j = k + 1; j <= last; ++j)
        if (startsWithSpace(list[j]))
            ++count;
    if (count == 0)
        return;
    for (int j = k + 1; j <= last; ++j) {
        if (!startsWithSpace(list[j]))
            continue;
        int share = free / count;
        list[j].SpaceBefore += share;
        list[j].Width += share;
        free -= share;
        --count;
    }
    for (int j = k + 1; j <= last; ++j)
        list[j].Left = list[j - 1].Right();
}

int TRVFormatter::LineSpacingExtra(int first, int last, const TParaInfo &para)
{
    if (para.LineSpacingType == rvlsSpaceBetween)
        return para.LineSpacing >= 0 ? Resolution.Y(para.LineSpacing) : 0;
    if (para.LineSpacing == 100 || para.LineSpacing < 50)
        return 0;
    const TRVDrawLines &list = DrawItems();
    int top = INT32_MAX, bottom = INT32_MIN;
    for (int k = first; k <= last; ++k)
        if (IsTextPiece(list[k])) {
            top = std::min(top, list[k].Top);
            bottom = std::max(bottom, list[k].Bottom());
        }
    return top <= bottom ? (bottom - top) * (para.LineSpacing - 100) / 100 : 0;
}

int TRVFormatter::PlaceLineAlignedItems(int first, int last)
{
    TRVDrawLines &list = DrawItems();
    auto lineAligned = [&](int k) {
        const auto *ri = dynamic_cast<const TRVRectItemInfo *>(&Items.GetItem(list[k].ItemNo));
        return ri && IsLineAligned(ri->VerticalAlign) ? ri : nullptr;
    };
    int top = INT32_MAX, bottom = INT32_MIN;
    for (int k = first; k <= last; ++k) {
        if (lineAligned(k))
            continue;
        top = std::min(top, list[k].Top);
        bottom = std::max(bottom, list[k].Bottom());
    }
    if (top > bottom)
        top = bottom = lineTop;
    int rise = 0;
    for (int k = first; k <= last; ++k) {
        const TRVRectItemInfo *ri = lineAligned(k);
        if (!ri)
            continue;
        TRVDrawLineInfo &d = list[k];
        d.Top = ri->VerticalAlign == TRVVAlign::AbsTop      ? top
                : ri->VerticalAlign == TRVVAlign::AbsBottom ? bottom - d.Height
                                                            : (top + bottom - d.Height) / 2;
        rise = std::max(rise, top - d.Top);
    }
    if (rise > 0)
        for (int k = first; k <= last; ++k)
            list[k].Top += rise;
    return rise;
}

void TRVFormatter::FinishLine(bool lastOfPara)
{
    lineOpen = false;
    if (lineEmpty)
        return;
    TRVDrawLines &list = DrawItems();
    const int first = lineStart, last = list.Count() - 1;
    const TParaInfo &para = Style.ParaStyles[lineParaNo];
    AlignLine(first, last, para.Alignment == rvaJustify && lastOfPara ? rvaLeft : para.Alignment);
    int extra = LineSpacingExtra(first, last, para);
    // Items aligned to the line itself go in now that the line's extent is known.
    if (lineHasAligned)
        extra += PlaceLineAlignedItems(first, last);
    for (int k = first; k <= last; ++k)
        list[k].ExtraLineSpace = extra;
    lastExtra = extra;
    RecordLine(first, last);
}

void TRVFormatter::RecordLine(int first, int last)
{
    TRVDrawLines &list = DrawItems();
    TRVLineRecord line;
    line.FirstDrawItem = first;
    line.Top = INT32_MAX;
    line.Bottom = INT32_MIN;
    int right = INT32_MIN;
    for (int k = first; k <= last; ++k) {
        line.Top = std::min(line.Top, list[k].Top);
        line.Bottom = std::max(line.Bottom, list[k].Bottom() + list[k].ExtraLineSpace);
        right = std::max(right, list[k].Right());
    }
    auto &paras = Formatted.FParas;
    if (lineStartsPara || paras.empty()) {
        TRVParaRecord record;
        record.FirstLine = int(Formatted.FLines.size());
        record.FirstItem = list[first].ItemNo;
        record.ParaNo = lineParaNo;
        record.Top = line.Top;
        record.Bottom = line.Bottom;
        record.Right = right;
        paras.push_back(record);
    }
    TRVParaRecord &record = paras.back();
    record.LineCount += 1;
    record.Top = std::min(record.Top, line.Top);
    record.Bottom = std::max(record.Bottom, line.Bottom);
    record.Right = std::max(record.Right, right);
    line.Para = int(paras.size()) - 1;
    Formatted.FLines.push_back(line);
}

// ---- text ----
// A text item is cut into pieces: as many characters as fit, then back to
// the last place the line may break.

int TRVFormatter::FitCount(Canvas &c, const std::u16string &t, int pos, int rest, int avail, bool unicode,
                           const std::vector<int> &softHyphens, int hyphenWidth)
{
    std::u16string_view view(t.data() + pos, size_t(rest));
    if (!unicode || softHyphens.empty())
        return c.textFit(view, avail);
    std::vector<int> ext;
    int n = c.textFit(view, avail, &ext);
    auto isSoft = [&](int k) { return std::binary_search(softHyphens.begin(), softHyphens.end(), pos + k); };
    // A line may end at a soft hyphen only when the hyphen it then shows fits,
    // and never just before one.
    while (n > 0 && n < rest) {
        if (isSoft(n)) {
            --n;
            continue;
        }
        if (isSoft(n - 1) && ext[size_t(n - 1)] + hyphenWidth > avail) {
            --n;
            continue;
        }
        break;
    }
    return n;
}

bool TRVFormatter::FindBreak(const std::u16string &t, int pos, int rest, int n, bool unicode, bool continuesAfter,
                             int &pieceLen, int &skip)
{
    const char16_t *u = t.data() + pos;
    if (!unicode) {
        for (int k = std::min(n, rest - 1); k >= 0; --k)
            if (u[k] == u' ') {
                if (k == 0) {
                    pieceLen = 1;
                    skip = 0;
                } else {
                    pieceLen = k;
                    skip = 1;
                }
                return true;
            }
        return false;
    }
    int cut = n;
    if (cut == rest - 1 && u[cut] == u' ')
        --cut;
    TRVLineBreakClass after = LineBreakClass(u[cut]);
    bool spaceBetween = after == lbSP;
    for (int k = cut - 1; k >= 0; --k) {
        char16_t ch = u[k];
        if (ch == u' ') {
            spaceBetween = true;
            continue;
        }
        TRVLineBreakClass cls = LineBreakClass(ch);
        bool allowed;
        if (after == lbSP)
            allowed = true;
        else {
            int v = LineBreakPair(cls, after);
            allowed = v == 0 || (v == 1 && spaceBetween);
        }
        if (allowed) {
            int j = k + 1;
            while (j <= cut && j < rest && u[j] == u' ')
                ++j;
            if (j > k + 1) {
                pieceLen = j - 1;
                skip = 1;
            } else {
                pieceLen = k + 1;
                skip = 0;
            }
            return true;
        }
        after = cls;
        spaceBetween = false;
    }
    if (n < rest && u[n] == u' ' && (n + 1 < rest || continuesAfter) && n > 0) {
        pieceLen = n;
        skip = 1;
        return true;
    }
    return false;
}

int TRVFormatter::AddTextPiece(int itemNo, int pos, int len, int jumpId, const TRVFontInfoCacheItem &fi, int above,
                               int below)
{
    const std::u16string &t = Formatted.TextOf(itemNo).text;
    const int w = fi.Canvas->textExtent(std::u16string_view(t).substr(size_t(pos), size_t(len))).cx;
    auto d = std::make_unique<TRVDrawLineInfo>(lineOrigin + penX, 0, w, fi.TextMetric.tmHeight, itemNo, false);
    d->FirstChar = pos + 1;
    d->CharCount = len;
    AddPiece(std::move(d), above, below, true);
    const int idx = DrawItems().Count() - 1;
    SetFirstDrawItem(itemNo, idx);
    if (jumpId >= 0) {
        TRVJumpInfo j;
        j.RVData = &Formatted;
        j.Width = w;
        j.Height = fi.TextMetric.tmHeight;
        j.Id = jumpId;
        j.DrawItemNo = idx;
        j.Cursor = fi.FontInfo->JumpCursor;
        Formatted.FJumps.push_back(j);
    }
    return w;
}

void TRVFormatter::PlaceText(int itemNo, int from, int count, int jumpId, bool &firstPiece, bool startsLine,
                             bool paraStart, bool lineBreak)
{
    const int styleNo = Items.EffectiveStyleNo(itemNo);
    const TRVFontInfoCacheItem &fi = fontCache->Select(styleNo);
    Canvas &c = *fi.Canvas;
    if (fi.FontInfo->CharSpacing != 0 && !Resolution.IsScreen())
        c.setCharacterExtra(Resolution.X(fi.FontInfo->CharSpacing));
    const auto &tc = Formatted.TextOf(itemNo);
    const std::u16string &t = tc.text;
    const bool unicode = Items.IsUnicodeItem(itemNo);
    const bool noWrap = NoWrap(itemNo);
    const bool continuesAfter = itemNo + 1 < Items.ItemCount() && !Items.IsLineStart(itemNo + 1);
    const int above = fi.TextMetric.tmAscent + fi.VerticalOffset;
    const int below = fi.TextMetric.tmDescent - fi.VerticalOffset;
    int pos = from;
    const int end = from + count;
    bool needLine = firstPiece && (startsLine || !lineOpen);
    bool wrapLine = false;
    while (pos < end) {
        if (needLine) {
            wrapLine = !(firstPiece && (paraStart || lineBreak || !lineOpen));
            StartNewLine(itemNo, !wrapLine && (paraStart || !lineOpen), !wrapLine && lineBreak);
            needLine = false;
            if (wrapLine && skipSpaceAllowed && end - pos > 1 && t[size_t(pos)] == u' ')
                ++pos;
            skipSpaceAllowed = false;
        }
        const int rest = end - pos;
        const int avail = std::max(0, lineWidth - penX);
        int n = noWrap ? rest : FitCount(c, t, pos, rest, avail, unicode, tc.softHyphens, fi.HyphenWidth);
        if (maxLength >= 1)
            n = std::min(n, std::max(0, maxLength - lineChars));
        int pieceLen, skip = 0;
        if (n == 0) {
            if (!lineEmpty) {
                needLine = true;
                continue;
            }
            // Nothing fits on an empty line: one character (with its marks) stands alone.
            pieceLen = unicode ? CharacterLength(t, pos, end) : 1;
        } else if (n < rest) {
            if (!FindBreak(t, pos, rest, n, unicode, continuesAfter, pieceLen, skip)) {
                if (!lineEmpty) {
                    needLine = true;
                    continue;
                }
                pieceLen = n;
            }
        } else {
            pieceLen = rest;
        }
        penX += AddTextPiece(itemNo, pos, pieceLen, jumpId, fi, above, below);
        lineChars += pieceLen;
        firstPiece = false;
        pos += pieceLen + skip;
        if (pos < end)
            needLine = true;
    }
}

void TRVFormatter::PlaceEmptyText(int itemNo, bool startsLine, bool paraStart, bool lineBreak)
{
    const TRVFontInfoCacheItem &fi = fontCache->Get(Items.EffectiveStyleNo(itemNo));
    if (startsLine || !lineOpen)
        StartNewLine(itemNo, paraStart || !lineOpen, lineBreak);
    auto d = std::make_unique<TRVDrawLineInfo>(lineOrigin + penX, 0, 0, fi.EmptyHeight, itemNo, false);
    d->FirstChar = 1;
    AddPiece(std::move(d), fi.TextMetric.tmAscent + fi.VerticalOffset, fi.TextMetric.tmDescent - fi.VerticalOffset,
             true);
    SetFirstDrawItem(itemNo, DrawItems().Count() - 1);
}

// ---- other items ----
// Pictures, markers, tabs and labels sit on the line like one character;
// rules and tables take whole lines of their own.

const TRVListLevel *TRVFormatter::ListLevelOfPara(int itemNo) const
{
    int first = Items.GetFirstParaItem(itemNo);
    if (Items.GetItemStyle(first) != ikListMarker)
        return nullptr;
    return MarkerLevel(Style, static_cast<const TRVMarkerItemInfo &>(Items.GetItem(first)));
}

Size TRVFormatter::RectItemSize(int itemNo, int &above, int &below, bool &lineAligned, int *markerBefore)
{
    const TCustomRVItemInfo &item = Items.GetItem(itemNo);
    if (item.StyleNo == ikListMarker) {
        // Measured on the target in the level's font; the box spans from
        // `before` left of the marker's position to the gap on its right.
        TRVMarkerMetrics mm;
        {
            CanvasSaver keep(Target);
            mm = MeasureMarker(Style, static_cast<const TRVMarkerItemInfo &>(item), Target,
                               Resolution.IsScreen() ? 0 : Resolution.ScreenX,
                               Resolution.IsScreen() ? 0 : Resolution.ScreenY);
        }
        lineAligned = false;
        above = mm.Height - mm.Descent;
        below = mm.Descent;
        if (markerBefore)
            *markerBefore = mm.Before;
        return {mm.Before + mm.After, mm.Height};
    }
    const auto *ri = dynamic_cast<const TRVRectItemInfo *>(&item);
    Size s = item.ContentSize();
    int spacing = ri && !isTabItem(item) ? ri->Spacing : 0;
    if (auto *g = dynamic_cast<const TRVGraphicItemInfo *>(&item); g && !g->HasValidContent()) {
        const TRVGraphic &bad = Style.InvalidPicture();
        if (g->ImageWidth <= 0)
            s.cx = bad.Width();
        if (g->ImageHeight <= 0)
            s.cy = bad.Height();
    }
    Size box{Resolution.X(s.cx + 2 * spacing), Resolution.Y(s.cy + 2 * spacing)};
    const int assoc = item.GetAssociatedTextStyleNo();
    lineAligned = ri && IsLineAligned(ri->VerticalAlign);
    if (assoc >= 0 && s.cy == 0) {
        // Tabs and labels stand on the baseline like text of their style.
        const auto &fi = fontCache->Get(assoc);
        box.cy = fi.TextMetric.tmHeight;
        above = fi.TextMetric.tmAscent + fi.VerticalOffset;
        below = fi.TextMetric.tmDescent - fi.VerticalOffset;
        if (auto *label = dynamic_cast<const TRVLabelItemInfo *>(&item); label && !label->Text.empty()) {
            // A label (a note's number among them) is as wide as its text.
            const auto &sel = fontCache->Select(assoc);
            box.cx += sel.Canvas->textExtent(platform::toUtf16(label->Text, Style.CodePageOfStyle(assoc))).cx;
        }
        return box;
    }
    int voff = 0;
    if (assoc >= 0)
        voff = fontCache->Get(assoc).VerticalOffset;
    else if (ri)
        voff = ri->VShiftAbsolute ? Resolution.Y(ri->VShift) : MulDiv(box.cy, ri->VShift, 100);
    if (ri && ri->VerticalAlign == TRVVAlign::Middle) {
        above = box.cy / 2 + voff;
        below = box.cy - box.cy / 2 - voff;
    } else {
        above = box.cy + voff;
        below = -voff;
    }
    return box;
}

int TRVFormatter::TabWidth(int itemNo)
{
    const TParaInfo &para = ParaStyleOf(itemNo);
    const int x = lineOrigin - Resolution.LeftMargin + penX;
    const int leftIndent = Resolution.X(para.LeftIndent);
    int stop = -1;
    TRVTabAlign align = rvtaLeft;
    std::string leader;
    for (const auto &tab : para.Tabs) {
        int pos = Resolution.X(tab.Position);
        if (x < leftIndent && leftIndent < pos) {
            stop = leftIndent;
            break;
        }
        if (pos > x) {
            stop = pos;
            align = tab.Align;
            leader = tab.Leader;
            break;
        }
    }
    if (stop < 0) {
        bool lastBeyond = !para.Tabs.empty() && Resolution.X(para.Tabs.back().Position) >= leftIndent;
        if (x >= leftIndent || lastBeyond) {
            int step = Resolution.X(Style.DefTabWidth > 0 ? Style.DefTabWidth : 1);
            if (step <= 0)
                step = 1;
            stop = (x / step + 1) * step;
        } else {
            stop = leftIndent;
        }
    }
    int idx = DrawItems().Count(); // the tab's draw item, about to be added
    if (!leader.empty())
        Formatted.FTabLeaders[idx] = leader;
    const int tabLeft = lineOrigin + penX;
    const int stopDoc = Resolution.LeftMargin + stop;
    if (align == rvtaLeft)
        return stop - x;
    tabDrawItem = idx;
    tabAlign = align;
    tabStop = stopDoc;
    if (align == rvtaRight)
        return 0;
    return std::max(0, 2 * stopDoc - tabLeft - (lineOrigin + lineWidth));
}

void TRVFormatter::PlaceRectItem(int itemNo, bool startsLine, bool paraStart, bool lineBreak, int &jumpNo)
{
    const TCustomRVItemInfo &item = Items.GetItem(itemNo);
    int above, below;
    bool lineAligned;
    int markerBefore = 0;
    Size box = RectItemSize(itemNo, above, below, lineAligned, &markerBefore);
    bool afterMarker = itemNo > 0 && Items.GetItemStyle(itemNo - 1) == ikListMarker;
    if (startsLine || !lineOpen) {
        StartNewLine(itemNo, paraStart || !lineOpen, lineBreak);
    } else {
        int w = isTabItem(item) ? 0 : box.cx;
        bool fits = penX + w <= lineWidth && (maxLength < 1 || lineChars + 1 <= maxLength);
        if (!fits && !NoWrap(itemNo) && !afterMarker)
            StartNewLine(itemNo, false, false);
    }
    if (isTabItem(item)) {
        FinishTab();
        box.cx = TabWidth(itemNo);
    }
    auto d = std::make_unique<TRVDrawLineInfo>(lineOrigin + penX - markerBefore, 0, box.cx, box.cy, itemNo, false);
    if (lineAligned)
        lineHasAligned = true;
    AddPiece(std::move(d), above, below, !lineAligned);
    int idx = DrawItems().Count() - 1;
    if (markerBefore)
        DrawItems()[idx].Left = lineOrigin + penX - markerBefore; // a line's first piece starts at the origin otherwise
    SetFirstDrawItem(itemNo, idx);
    penX += box.cx - markerBefore;
    lineChars += 1;
    if (item.IsHotKind()) {
        TRVJumpInfo j;
        j.RVData = &Formatted;
        j.Width = box.cx;
        j.Height = box.cy;
        j.Id = jumpNo;
        j.DrawItemNo = idx;
        j.Cursor = Style.JumpCursor;
        Formatted.FJumps.push_back(j);
        Formatted.FJumpIndex[size_t(itemNo)] = jumpNo;
        ++jumpNo;
    }
}

std::unique_ptr<TRVDrawLineInfo> TRVFormatter::FullLineBox(int itemNo, int top)
{
    const TCustomRVItemInfo &item = Items.GetItem(itemNo);
    const TParaInfo &para = ParaStyleOf(itemNo);
    int left = Resolution.X(para.LeftIndent), right = Resolution.X(para.RightIndent);
    int avail = wrapWidth - left - right;
    Size s = item.ContentSize();
    int w = Resolution.X(s.cx), h = Resolution.Y(s.cy);
    if (auto *table = dynamic_cast<const TRVTableItemInfo *>(&item)) {
        auto layout = std::make_unique<TRVTableLayout>(Formatted, *table);
        layout->Arrange(Target, avail);
        w = layout->Width;
        h = layout->Height;
        Formatted.FTableLayouts[itemNo] = std::move(layout);
    }
    int x = Resolution.LeftMargin + left;
    if (para.Alignment == rvaRight)
        x += avail - w;
    else if (para.Alignment == rvaCenter)
        x += std::max(0, (avail - w) / 2);
    return std::make_unique<TRVDrawLineInfo>(x, top, w, h, itemNo, true);
}

void TRVFormatter::NumberCellJumps(TRVTableLayout &layout, int drawNo, int tableLeft, int tableTop, int &jumpNo)
{
    // The cells' hyperlinks join this document's numbering, in cell
    // order, on the table's draw item; each cell numbers its own from
    // the first id it was given (see JumpDocument).
    for (TRVCellBox &b : layout.Cells) {
        b.Data->FFirstJumpNo = jumpNo;
        for (const TRVJumpInfo &cj : b.Data->FJumps) {
            TRVJumpInfo j = cj;
            j.RVData = b.Data.get();
            j.Left += tableLeft + b.ContentLeft;
            j.Top += tableTop + b.ContentTop;
            j.Id = jumpNo + cj.Id;
            j.DrawItemNo = drawNo;
            Formatted.FJumps.push_back(j);
        }
        jumpNo += b.Data->FJumpCount;
    }
}

void TRVFormatter::PlaceFullLineItem(int itemNo, int &jumpNo)
{
    const TCustomRVItemInfo &item = Items.GetItem(itemNo);
    if (lineOpen && !lineEmpty) {
        FinishTab();
        FinishLine(true);
    }
    baseline += lastExtra;
    lastExtra = 0;
    const TParaInfo &para = ParaStyleOf(itemNo);
    int gap = (prevItem >= 0 ? Resolution.Y(ParaStyleOf(prevItem).SpaceAfter) : 0) + Resolution.Y(para.SpaceBefore);
    const bool hline = item.StyleNo == ikHorizontalLine;
    if (hline)
        gap += Resolution.Y(Style.ParaStyles[0].SpaceBefore);
    std::unique_ptr<TRVDrawLineInfo> d;
    if (hline) {
        int h = Resolution.Y(5);
        // The previous line's descent stays clear, so the rule never overlaps it.
        d = std::make_unique<TRVDrawLineInfo>(Resolution.LeftMargin, baseline + descent + gap, wrapWidth, 2 * h + 1,
                                              itemNo, true);
        baseline = d->Top + h + 1;
        descent = h;
    } else {
        d = FullLineBox(itemNo, baseline + descent + gap);
        baseline = d->Top + d->Height;
        descent = 0;
    }
    TRVDrawLines &list = DrawItems();
    const int tableLeft = d->Left, tableTop = d->Top;
    list.Add(std::move(d));
    int idx = list.Count() - 1;
    SetFirstDrawItem(itemNo, idx);
    if (auto it = Formatted.FTableLayouts.find(itemNo); it != Formatted.FTableLayouts.end())
        NumberCellJumps(*it->second, idx, tableLeft, tableTop, jumpNo);
    lineStartsPara = true;
    lineParaNo = item.ParaNo;
    RecordLine(idx, idx);
    lineOpen = false;
    lineEmpty = true;
}

// ---- the run ----
// One pass over the items, from the start or, when only items were
// appended, from the first new one.

int TRVFormatter::StartRun(bool tailOnly)
{
    if (tailOnly && Formatted.FLastFormattedItem >= 0) {
        prevItem = Formatted.FLastFormattedItem;
        baseline = Formatted.FContentHeight - Resolution.Y(Formatted.GetBottomMargin())
                   - Resolution.Y(ParaStyleOf(prevItem).SpaceAfter);
        descent = 0;
        // The arrays may have grown with the appended items.
        size_t n = size_t(Items.ItemCount());
        Formatted.FFirstDrawItem.resize(n, -1);
        Formatted.FJumpIndex.resize(n, 0);
        return Formatted.FLastFormattedItem + 1;
    }
    Formatted.ForgetLines();
    Formatted.FJumpCount = 0;
    Formatted.SyncItemArrays();
    baseline = Resolution.Y(Formatted.GetTopMargin());
    descent = 0;
    return 0;
}

void TRVFormatter::PlaceTextItem(int i, bool startsLine, bool paraStart, bool lineBreak, int &jumpNo)
{
    const auto &t = Formatted.TextOf(i).text;
    const int styleNo = Items.EffectiveStyleNo(i);
    const bool jump = Style.TextStyles[styleNo].Jump && !t.empty();
    int jumpId = jump ? jumpNo : -1;
    if (jump)
        Formatted.FJumpIndex[size_t(i)] = jumpNo;
    if (t.empty()) {
        PlaceEmptyText(i, startsLine, paraStart, lineBreak);
    } else if (Style.ParaStyles[Items.GetItem(i).ParaNo].Alignment == rvaJustify
               && Items.GetItemBiDiMode(i) != rvbdRightToLeft) {
        // Every word is a piece of its own, carrying the space in front of it.
        bool firstPiece = true;
        size_t a = 0;
        while (a < t.size()) {
            size_t b = t.find(u' ', a + 1);
            if (b == std::u16string::npos)
                b = t.size();
            PlaceText(i, int(a), int(b - a), jumpId, firstPiece, startsLine, paraStart, lineBreak);
            a = b;
        }
    } else {
        bool firstPiece = true;
        PlaceText(i, 0, int(t.size()), jumpId, firstPiece, startsLine, paraStart, lineBreak);
    }
    if (jump)
        ++jumpNo;
}

void TRVFormatter::EndRun(int jumpNo)
{
    FinishTab();
    if (lineOpen)
        FinishLine(true);
    const int n = Items.ItemCount();
    Formatted.FJumpCount = jumpNo;
    Formatted.FLastFormattedItem = n - 1;
    Formatted.FContentHeight = baseline + descent + lastExtra + Resolution.Y(Formatted.GetBottomMargin());
    if (n > 0)
        Formatted.FContentHeight += Resolution.Y(ParaStyleOf(n - 1).SpaceAfter);
    for (auto &j : Formatted.FJumps) {
        if (j.RVData && j.RVData != &Formatted)
            continue; // a link inside a table cell, placed with the table
        const TRVDrawLineInfo &d = Formatted.FDrawItems[j.DrawItemNo];
        j.Left = d.Left;
        j.Top = d.Top;
        j.Width = d.Width;
        j.Height = d.Height;
    }
}

void TRVFormatter::Run(bool tailOnly)
{
    maxLength = Formatted.GetMaxLength();
    int jumpNo = tailOnly && Formatted.FLastFormattedItem >= 0 ? Formatted.FJumpCount : 0;
    const int start = StartRun(tailOnly);
    const int n = Items.ItemCount();
    for (int i = start; i < n; ++i) {
        const TCustomRVItemInfo &item = Items.GetItem(i);
        const bool first = i == start;
        const bool paraStart = Items.IsParaStart(i) || (first && !lineOpen);
        const bool lineBreak = !Items.IsParaStart(i) && (item.ItemOptions & ioLineBreak) != 0;
        const bool startsLine = paraStart || lineBreak || (first && !lineOpen);
        if (item.IsText())
            PlaceTextItem(i, startsLine, paraStart, lineBreak, jumpNo);
        else if (item.IsFullLine())
            PlaceFullLineItem(i, jumpNo);
        else
            PlaceRectItem(i, startsLine, paraStart, lineBreak, jumpNo);
        prevItem = i;
    }
    EndRun(jumpNo);
}

// ---- the entry point ----
// Sets up the resolution, lays out, sets the scroll range and keeps the
// view where it was.

void TCustomRVFormattedData::FormatItems(bool OnlyResized, bool Force, bool TailOnly, Canvas *canvas)
{
    for (int pass = 0; pass < 3; ++pass) {
        if (FRangeUpdate) {
            FRangeUpdate = false;
            return;
        }
        if (IsDesigning() || !GetRVStyle())
            return;
        Canvas *target = canvas ? canvas : GetCanvas();
        if (!target)
            return;
        FResolution.ScreenX = GetScreenPixelsPerInchX();
        FResolution.ScreenY = GetScreenPixelsPerInchY();
        FResolution.TargetX = target->dpiX();
        FResolution.TargetY = target->dpiY();
        FResolution.LeftMargin = FResolution.X(GetLeftMargin());
        FResolution.RightMargin = FResolution.X(GetRightMargin());

        // Where the view is, to come back to it after a resize.
        int anchorItem = -1, anchorDist = 0;
        if (OnlyResized && FDrawItems.Count() > 0) {
            int y = GetVOffs() - DocumentOffsetY();
            int line = std::min(FindLineAt(y), int(FLines.size()) - 1);
            const TRVDrawLineInfo &d = FDrawItems[FLines[size_t(line)].FirstDrawItem];
            anchorItem = d.ItemNo;
            anchorDist = y - d.Top;
        }

        const int clientW = GetClientWidth(), clientH = GetClientHeight();
        TRVFormatter formatter(*this, *target);
        formatter.fontCache =
            MakeFontInfoCache(GetOptions().Has(TRVOption::FastFormatting), *GetRVStyle(), *target, GetBiDiMode());
        CanvasSaver saver(*target);
        formatter.ComputeWidths();
        bool widthsSame =
            formatter.contentWidth == FContentWidth && formatter.wrapWidth == FWrapWidth && FLastFormattedItem >= 0;
        FContentWidth = formatter.contentWidth;
        FWrapWidth = formatter.wrapWidth;
        bool layoutChanged = false;
        if (!(OnlyResized && !Force && widthsSame)) {
            formatter.Run(TailOnly && widthsSame);
            layoutChanged = true;
        }

        FRangeUpdate = true;
        SetScrollRange(DocumentWidth(), FContentHeight);
        FRangeUpdate = false;

        if (layoutChanged && anchorItem >= 0) {
            int d = anchorItem < int(FFirstDrawItem.size()) ? FFirstDrawItem[size_t(anchorItem)] : -1;
            ScrollToY(d >= 0 ? FDrawItems[d].Top + anchorDist + DocumentOffsetY() : 0);
        } else if (layoutChanged && TailOnly && GetOptions().Has(TRVOption::ScrollToEnd)) {
            ScrollToY(FContentHeight);
        }
        // A scroll bar that appeared or vanished changed the client size: once more.
        if (GetClientWidth() == clientW && GetClientHeight() == clientH)
            return;
        canvas = target;
    }
}

} // namespace rv
