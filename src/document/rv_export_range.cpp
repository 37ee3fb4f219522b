#include "rv_export_range.h"
#include "rv_marker.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace rv {

int ParagraphMarker(const TCustomRVData &data, int i)
{
    if (i < 0 || i >= data.ItemCount())
        return -1;
    int p = data.GetFirstParaItem(i);
    return data.GetItemStyle(p) == ikListMarker ? p : -1;
}

namespace {

// A counter in a level's notation; levels whose type shows no number count in decimal.
std::string numberText(int n, TRVListType type)
{
    switch (type) {
    case rvlstLowerAlpha: case rvlstUpperAlpha: case rvlstLowerRoman: case rvlstUpperRoman:
        return ListNumberText(type, n);
    default:
        return std::to_string(n);
    }
}

// A bullet's text without its format directives ("%%" stays a percent sign).
std::string bulletText(const std::string &format)
{
    std::string t;
    for (size_t k = 0; k < format.size(); ++k) {
        if (format[k] != '%')
            t += format[k];
        else if (k + 1 < format.size() && format[k + 1] == '%')
            t += '%', ++k;
        else
            while (k + 1 < format.size() && !std::isalpha(uint8_t(format[k + 1])))
                ++k;
    }
    return t;
}

// The counters of the levels up to `depth` at marker i, counted over the
// markers of its list from the document's start.
std::vector<int> levelCounters(const TCustomRVData &data, int i, int listNo, const std::vector<TRVListLevel> &levels,
                               int depth)
{
    std::vector<int> counter(size_t(depth), 0);
    for (int k = 0; k <= i; ++k) {
        if (data.GetItemStyle(k) != ikListMarker)
            continue;
        const auto &o = static_cast<const TRVMarkerItemInfo &>(data.GetItem(k));
        if (o.ListNo != listNo || o.Level < 0)
            continue;
        const int l = std::min(o.Level, int(levels.size()) - 1);
        if (l >= depth)
            continue;
        const TRVListLevel &d = levels[size_t(l)];
        counter[size_t(l)] = o.Reset ? o.StartFrom : counter[size_t(l)] == 0 ? d.StartFrom : counter[size_t(l)] + 1;
        for (int deeper = l + 1; deeper < depth; ++deeper)
            if (levels[size_t(deeper)].Options & bit(rvloLevelReset))
                counter[size_t(deeper)] = 0;
    }
    return counter;
}

// Fills a level's format leniently: "%s" takes the next level in order, "%N:s"
// level N, "%%" is a percent sign; widths are skipped, and a directive naming
// a level that has no number shows nothing.
std::string fillMarkerFormat(const std::string &f, const std::vector<std::string> &levelText)
{
    const int depth = int(levelText.size());
    std::string t;
    int next = 0;
    for (size_t k = 0; k < f.size() && t.size() < 1024; ++k) {
        if (f[k] != '%') {
            t += f[k];
            continue;
        }
        if (k + 1 < f.size() && f[k + 1] == '%') {
            t += '%';
            ++k;
            continue;
        }
        size_t j = k + 1;
        int index = -1;
        while (j < f.size() && std::isdigit(uint8_t(f[j])) && j - k < 4)
            index = (index < 0 ? 0 : index * 10) + (f[j++] - '0');
        if (j < f.size() && f[j] == ':' && index >= 0)
            ++j;
        else
            index = -1, j = k + 1;
        while (j < f.size() && (std::isdigit(uint8_t(f[j])) || f[j] == '-' || f[j] == '.'))
            ++j;
        if (j >= f.size())
            break;
        const int n = index >= 0 ? index : next;
        next = n + 1;
        if (std::tolower(uint8_t(f[j])) == 's' && n >= 0 && n < depth)
            t += levelText[size_t(n)];
        k = j;
    }
    return t;
}

} // namespace

std::string ExportMarkerText(const TCustomRVData &data, int i)
{
    if (i < 0 || i >= data.ItemCount() || data.GetItemStyle(i) != ikListMarker)
        return {};
    const auto &m = static_cast<const TRVMarkerItemInfo &>(data.GetItem(i));
    if (!m.DisplayString.empty())
        return m.DisplayString;
    const TRVStyle *st = data.GetRVStyle();
    if (!st || m.ListNo < 0 || m.Level < 0 || !st->ListStyles.InRange(m.ListNo))
        return {};
    const auto &levels = st->ListStyles[m.ListNo].Levels;
    if (levels.empty())
        return {};
    const int own = std::min(m.Level, int(levels.size()) - 1);
    const TRVListLevel &lv = levels[size_t(own)];
    if (!lv.HasNumbers())
        return lv.ListType == rvlstBullet ? bulletText(lv.FormatString) : std::string();
    const int depth = std::min(own + 1, 9);
    const std::vector<int> counter = levelCounters(data, i, m.ListNo, levels, depth);
    std::vector<std::string> levelText;
    for (int l = 0; l < depth; ++l) {
        const TRVListLevel &d = levels[size_t(l)];
        const int n = counter[size_t(l)] ? counter[size_t(l)] : d.StartFrom;
        const bool legal = l < own && (lv.Options & bit(rvloLegalStyleNumbering));
        levelText.push_back(numberText(n, legal ? rvlstDecimal : d.ListType));
    }
    return fillMarkerFormat(lv.FormatString, levelText);
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
