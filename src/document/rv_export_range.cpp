#include "rv_export_range.h"

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

std::string numberText(int n, TRVListType type)
{
    switch (type) {
    case rvlstLowerAlpha:
    case rvlstUpperAlpha: {
        std::string t;
        for (; n > 0 && t.size() < 16; n = (n - 1) / 26)
            t.insert(t.begin(), char((type == rvlstUpperAlpha ? 'A' : 'a') + (n - 1) % 26));
        return t;
    }
    case rvlstLowerRoman:
    case rvlstUpperRoman: {
        if (n <= 0)
            return "?";
        static const struct { int v; const char *s; } pairs[] = {
            {1000, "M"}, {900, "CM"}, {500, "D"}, {400, "CD"}, {100, "C"}, {90, "XC"}, {50, "L"},
            {40, "XL"}, {10, "X"}, {9, "IX"}, {5, "V"}, {4, "IV"}, {1, "I"}};
        std::string t;
        for (const auto &p : pairs)
            for (; n >= p.v && t.size() < 64; n -= p.v)
                t += p.s;
        if (type == rvlstLowerRoman)
            for (char &c : t)
                c = char(std::tolower(uint8_t(c)));
        return t;
    }
    default:
        return std::to_string(n);
    }
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
    if (!lv.HasNumbers()) {
        if (lv.ListType != rvlstBullet)
            return {};
        std::string t; // a bullet text shows without its directives
        for (size_t k = 0; k < lv.FormatString.size(); ++k) {
            if (lv.FormatString[k] != '%')
                t += lv.FormatString[k];
            else if (k + 1 < lv.FormatString.size() && lv.FormatString[k + 1] == '%')
                t += '%', ++k;
            else
                while (k + 1 < lv.FormatString.size() && !std::isalpha(uint8_t(lv.FormatString[k + 1])))
                    ++k;
        }
        return t;
    }
    // Counters of each level, counted over the list's markers up to this one.
    const int depth = std::min(own + 1, 9);
    std::vector<int> counter(size_t(depth), 0);
    for (int k = 0; k <= i; ++k) {
        if (data.GetItemStyle(k) != ikListMarker)
            continue;
        const auto &o = static_cast<const TRVMarkerItemInfo &>(data.GetItem(k));
        if (o.ListNo != m.ListNo || o.Level < 0)
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
    auto arg = [&](int l) {
        const TRVListLevel &d = levels[size_t(l)];
        const int n = counter[size_t(l)] ? counter[size_t(l)] : d.StartFrom;
        const bool legal = l < own && (lv.Options & bit(rvloLegalStyleNumbering));
        return numberText(n, legal ? rvlstDecimal : d.ListType);
    };
    // "%s" takes the next level in order, "%N:s" level N; "%%" is a percent sign.
    const std::string &f = lv.FormatString;
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
            t += arg(n);
        k = j;
    }
    return t;
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
