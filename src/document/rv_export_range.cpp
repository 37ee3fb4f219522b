#include "rv_export_range.h"

#include <algorithm>

namespace rv {

int ParagraphMarker(const TCustomRVData &data, int i)
{
    if (i < 0 || i >= data.ItemCount())
        return -1;
    int p = data.GetFirstParaItem(i);
    return data.GetItemStyle(p) == ikListMarker ? p : -1;
}

TRVExportRange ExportWholeDocument(const TCustomRVData &data)
{
    TRVExportRange r;
    r.Whole = true;
    r.ReachesEnd = true;
    const int n = data.ItemCount();
    r.Pieces.reserve(size_t(n));
    for (int i = 0; i < n; ++i) {
        const bool text = data.GetItem(i).IsText();
        r.Pieces.push_back({i, 0, text ? data.ItemLength(i) : 1, i > 0 && data.IsLineStart(i), false});
    }
    return r;
}

TRVExportRange ExportSelection(const TCustomRVData &data, int s, int so, int e, int eo)
{
    TRVExportRange r;
    if (s > e || (s == e && so > eo)) {
        std::swap(s, e);
        std::swap(so, eo);
    }
    const int n = data.ItemCount();
    if (s < 0 || e >= n || (s == e && so == eo))
        return r;
    for (int i = s; i <= e; ++i) {
        const bool text = data.GetItem(i).IsText();
        TRVExportPiece p;
        p.ItemNo = i;
        if (text) {
            const int len = data.ItemLength(i);
            p.From = i == s ? std::clamp(so - 1, 0, len) : 0;
            p.To = i == e ? std::clamp(eo - 1, p.From, len) : len;
            if (i == s && s != e && p.From >= len && len > 0)
                continue; // the selection starts after this item's last character
            p.CutStart = i == s && p.From > 0;
        } else {
            if (i == s && so >= 1 && s != e)
                continue; // the selection starts after this item
            if (i == e && eo < 1 && s != e)
                continue; // and ends before this one
            p.From = 0;
            p.To = 1;
        }
        p.NewLine = !r.Pieces.empty() && data.IsLineStart(i);
        r.Pieces.push_back(p);
    }
    // A selection that takes a list paragraph from the start of its text keeps
    // the paragraph's marker, so the pasted item stays in its list.
    if (!r.Pieces.empty()) {
        const TRVExportPiece &first = r.Pieces.front();
        int m = ParagraphMarker(data, first.ItemNo);
        if (m >= 0 && m == first.ItemNo - 1 && first.From == 0)
            r.Pieces.insert(r.Pieces.begin(), TRVExportPiece{m, 0, 1, false, false});
    }
    r.ReachesEnd = e == n - 1 && eo >= data.GetOffsAfterItem(e);
    return r;
}

} // namespace rv
