// Foot- and endnotes on paper.
//
// Each note's document is laid out once per pagination at the page's text
// width and the printer's resolution. A footnote takes its height off the
// page its reference lands on (and the first one of a page the height of a
// "-" as well, the room for the separator) and moves with its reference
// when a break sends that to the next page. The page's footnotes stand at
// its bottom, the last one on the bottom margin and each earlier one above
// the next, under a short grey separator line. When the sheet restarts
// footnote numbers on every page, a page's footnotes (and their references
// in the text) show 1, 2, ... while that page is drawn; the viewer keeps the
// numbers in document order.
//
// Endnotes follow the text: they begin on the last text page below its
// text, under the same separator, when their first line fits there, and go
// on over new pages, cut between their lines like the text is.
#include "printing/rv_print.h"

#include "document/rv_marker.h"
#include "viewer/rv_fontcache.h"

#include <algorithm>

namespace rv {

using platform::Canvas;
using platform::Rect;

TRVNotePtblData::TRVNotePtblData(const TCustomRVFormattedData &owner, TCustomRVNoteItemInfo &note, int itemNo)
    : TRVFieldSettingsData(note.Document->GetRVStyle()), ItemNo(itemNo), Note(note), FOwner(owner)
{
    OwnsStyleSheet = false;
    DocParameters.reset();
    LeftMargin = RightMargin = TopMargin = BottomMargin = 0;
    Options = owner.GetOptions().Without(TRVOption::ClientTextWidth);
    ShareItemsFrom(note.Document.get());
}

const TRVNotePtblData *TCustomRVPrint::FootnoteOf(int itemNo) const
{
    auto it = std::lower_bound(FNotes.begin(), FNotes.end(), itemNo,
                               [](const std::unique_ptr<TRVNotePtblData> &n, int i) { return n->ItemNo < i; });
    if (it == FNotes.end() || (*it)->ItemNo != itemNo || (*it)->Note.StyleNo != ikFootnote)
        return nullptr;
    return it->get();
}

void TCustomRVPrint::LayoutNotes(Canvas &measure)
{
    FNotes.clear();
    const TCustomRVData &items = FData.Items();
    const TRVResolutionInfo &res = FData.Resolution();
    const int width = std::max(1, ClientWidth() - res.LeftMargin - res.RightMargin);
    for (int i = 0; i < items.ItemCount(); ++i) {
        auto *note = dynamic_cast<TCustomRVNoteItemInfo *>(&const_cast<TCustomRVData &>(items).GetItem(i));
        if (!note || !note->Document || note->Document->ItemCount() == 0 || !note->Document->GetRVStyle())
            continue;
        auto laid = std::make_unique<TRVNotePtblData>(FData, *note, i);
        laid->Target = &measure;
        laid->Width = width;
        laid->Format();
        laid->Target = nullptr;
        FNotes.push_back(std::move(laid));
    }
    FSeparatorSpace = 0;
    if (!FNotes.empty() && FData.GetRVStyle()) {
        platform::CanvasSaver keep(measure);
        TRVFontInfoCache::ApplyFont(*FData.GetRVStyle(), measure, 0, FData.GetBiDiMode(), 0);
        FSeparatorSpace = measure.textExtent(u"-").cy;
    }
}

std::vector<int> TCustomRVPrint::FootnoteTops(int pageNo) const
{
    std::vector<int> tops;
    if (pageNo < 1 || pageNo > int(FPages.size()))
        return tops;
    const std::vector<int> &notes = FPages[size_t(pageNo - 1)].Footnotes;
    tops.resize(notes.size());
    int bottom = FTop + ClientHeight();
    for (size_t j = notes.size(); j-- > 0;) {
        const TRVNotePtblData *n = FootnoteOf(notes[j]);
        bottom -= n ? n->Height() : 0;
        tops[j] = bottom;
    }
    return tops;
}

std::unordered_map<int, std::string> TCustomRVPrint::PageNoteLabels(int pageNo) const
{
    std::unordered_map<int, std::string> labels;
    const TRVStyle *style = FData.GetRVStyle();
    if (!style || !style->FootnotePageReset || pageNo < 1 || pageNo > int(FPages.size()))
        return labels;
    int n = 0;
    for (int itemNo : FPages[size_t(pageNo - 1)].Footnotes)
        if (FootnoteOf(itemNo))
            labels[itemNo] = NoteNumberText(style->FootnoteNumbering, ++n);
    return labels;
}

namespace {

// The grey rule above the first note: one screen pixel thick, a third of the
// text width long, half a separator space above the note.
void DrawSeparator(Canvas &canvas, int left, int textWidth, int noteTop, int space, int thickness)
{
    const int y = noteTop - space / 2;
    const int x1 = left + space / 2, x2 = left + textWidth / 3 - space;
    if (x2 <= x1)
        return;
    canvas.fillRect(Rect{x1, y - thickness / 2, x2, y - thickness / 2 + std::max(1, thickness)},
                    platform::Color(0x808080));
}

} // namespace

void TCustomRVPrint::DrawFootnotes(int pageNo, Canvas &canvas, const std::unordered_map<int, std::string> &labels)
{
    if (pageNo < 1 || pageNo > int(FPages.size()))
        return;
    const std::vector<int> &notes = FPages[size_t(pageNo - 1)].Footnotes;
    if (notes.empty())
        return;
    const TRVResolutionInfo &res = FData.Resolution();
    const int left = LeftMargin(pageNo) + res.LeftMargin;
    const int textWidth = ClientWidth() - res.LeftMargin - res.RightMargin;
    const std::vector<int> tops = FootnoteTops(pageNo);
    for (size_t j = 0; j < notes.size(); ++j) {
        const TRVNotePtblData *n = FootnoteOf(notes[j]);
        if (!n)
            continue;
        platform::CanvasSaver keep(canvas);
        const Rect r{left, tops[j], left + n->Width, tops[j] + n->Height()};
        canvas.intersectClipRect(Rect{0, r.top, PrintableAreaRect().right, r.bottom});
        // The note's own number (its note-reference items) shows the page's number too.
        std::unordered_map<int, std::string> own;
        if (auto it = labels.find(n->ItemNo); it != labels.end())
            for (int i = 0; i < n->Items().ItemCount(); ++i)
                if (n->Items().GetItem(i).StyleNo == ikNoteReference)
                    own[i] = it->second;
        TRVPaintOptions how;
        how.Printing = true;
        how.ColorMode = ColorMode;
        how.LabelTexts = &own;
        const_cast<TRVNotePtblData *>(n)->DrawItems(canvas, r, -left, -tops[j], how);
    }
    DrawSeparator(canvas, left, textWidth, tops.front(), FSeparatorSpace, res.Y(1));
}

void TCustomRVPrint::PlaceEndnotes()
{
    FEndnotePieces.clear();
    FEndnotePages = 0;
    if (FPages.empty())
        return;
    const int avail = ClientHeight() - DocTopMargin() - DocBottomMargin();
    const int textPages = int(FPages.size());
    // Room on the last text page: below its text, above its footnotes.
    int pageNo = textPages;
    int used = FPages.back().ContentHeight + FSeparatorSpace;
    int limit = avail;
    if (!FPages.back().Footnotes.empty()) {
        const std::vector<int> tops = FootnoteTops(textPages);
        limit = std::min(limit, tops.front() - FSeparatorSpace - (FTop + DocTopMargin()));
    }
    bool any = false;
    for (const auto &note : FNotes) {
        if (note->Note.StyleNo != ikEndnote)
            continue;
        const auto &lines = note->Lines();
        const int n = int(lines.size());
        auto lineStart = [&](int a) { return a == 0 ? 0 : lines[size_t(a)].Top; };
        auto lineEnd = [&](int b) { return b + 1 < n ? lines[size_t(b + 1)].Top : note->Height(); };
        for (int a = 0; a < n;) {
            int b = a;
            while (b < n && used + (lineEnd(b) - lineStart(a)) <= limit)
                ++b;
            if (b == a) {
                if (used > 0) { // nothing more fits here: a new page
                    ++pageNo;
                    used = 0;
                    limit = avail;
                    continue;
                }
                b = a + 1; // a line taller than a page still gets one
            }
            FEndnotePieces.push_back({pageNo, note.get(), lineStart(a), lineEnd(b - 1), used});
            used += lineEnd(b - 1) - lineStart(a);
            a = b;
            any = true;
        }
    }
    if (any)
        FEndnotePages = pageNo - textPages;
}

void TCustomRVPrint::DrawEndnotes(int pageNo, Canvas &canvas)
{
    const TRVResolutionInfo &res = FData.Resolution();
    const int left = LeftMargin(pageNo) + res.LeftMargin;
    const int textTop = FTop + DocTopMargin();
    bool first = true;
    for (const TEndnotePiece &p : FEndnotePieces) {
        if (p.Page != pageNo)
            continue;
        const int top = textTop + p.PageY;
        // The separator goes above the endnotes where they follow the text.
        if (first && p.Page == int(FPages.size()) && p.DocTop == 0 && &p == &FEndnotePieces.front())
            DrawSeparator(canvas, left, ClientWidth() - res.LeftMargin - res.RightMargin, top, FSeparatorSpace, res.Y(1));
        first = false;
        platform::CanvasSaver keep(canvas);
        const Rect r{left, top, left + p.Note->Width, top + p.DocBottom - p.DocTop};
        canvas.intersectClipRect(Rect{0, r.top, PrintableAreaRect().right, r.bottom});
        const_cast<TRVNotePtblData *>(p.Note)->DrawItems(canvas, r, -left, p.DocTop - top, true, false, ColorMode);
    }
}

} // namespace rv
