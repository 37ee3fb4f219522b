#include "rv_docparams.h"


#include <charconv>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <utility>

namespace rv {

void TRVDocParameters::Reset()
{
    PageWidth = 8.2677165354L;
    PageHeight = 11.692913386L;
    LeftMargin = RightMargin = 1.25L;
    TopMargin = BottomMargin = 1;
    HeaderY = FooterY = 0.5L;
    Units = rvuInches;
    Orientation = 0;
    ZoomPercent = 100;
    ZoomMode = rvzmCustom;
    MirrorMargins = false;
}

static bool same(long double a, long double b) { return std::fabs(a - b) <= 1e-20L; }

int TRVDocParameters::NonDefaultCount() const
{
    TRVDocParameters d;
    int n = 0;
    n += !same(PageWidth, d.PageWidth) + !same(PageHeight, d.PageHeight) + !same(LeftMargin, d.LeftMargin)
        + !same(RightMargin, d.RightMargin) + !same(TopMargin, d.TopMargin) + !same(BottomMargin, d.BottomMargin)
        + !same(HeaderY, d.HeaderY) + !same(FooterY, d.FooterY);
    n += (Units != d.Units) + (Orientation != d.Orientation) + (ZoomPercent != d.ZoomPercent)
        + (ZoomMode != d.ZoomMode) + (MirrorMargins != d.MirrorMargins);
    return n;
}

bool TRVDocParameters::IsDefault() const { return NonDefaultCount() == 0; }

static std::string_view trimmed(std::string_view v)
{
    while (!v.empty() && (v.front() == ' ' || v.front() == '\t'))
        v.remove_prefix(1);
    while (!v.empty() && (v.back() == ' ' || v.back() == '\t' || v.back() == '\r'))
        v.remove_suffix(1);
    if (v.size() > 1 && v.front() == '+' && v[1] != '-')
        v.remove_prefix(1);
    return v;
}

static std::optional<int> toInt(std::string_view v)
{
    v = trimmed(v);
    int n = 0;
    auto r = std::from_chars(v.data(), v.data() + v.size(), n);
    if (v.empty() || r.ec != std::errc() || r.ptr != v.data() + v.size())
        return std::nullopt;
    return n;
}

// Lengths are read the same whatever the locale: "." is the decimal point, and
// so is a single "," (files written on systems whose separator is a comma).
// from_chars never consults the locale.
static std::optional<long double> toFloat(std::string_view v)
{
    v = trimmed(v);
    if (v.empty() || v.size() > 400)
        return std::nullopt;
    std::string s(v);
    size_t comma = s.find(',');
    if (comma != std::string::npos) {
        if (s.find('.') != std::string::npos || s.find(',', comma + 1) != std::string::npos)
            return std::nullopt; // a comma is never a grouping separator
        s[comma] = '.';
    }
    double d = 0;
    auto r = std::from_chars(s.data(), s.data() + s.size(), d, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size() || !std::isfinite(d))
        return std::nullopt;
    return d;
}

std::optional<long double> ParseDocLength(std::string_view text) { return toFloat(text); }

std::string FormatDocLength(long double value)
{
    double v = double(value);
    if (!std::isfinite(v) || v == 0)
        return "0";
    // Fifteen significant digits, then written out without an exponent.
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 14);
    std::string sci(buf, r.ptr);
    bool negative = sci[0] == '-';
    if (negative)
        sci.erase(0, 1);
    size_t e = sci.find('e');
    int exp = std::atoi(sci.c_str() + e + 1);
    std::string digits;
    for (size_t i = 0; i < e; ++i)
        if (sci[i] != '.')
            digits.push_back(sci[i]);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    std::string out;
    if (exp < 0) {
        out = "0." + std::string(size_t(-exp - 1), '0') + digits;
    } else if (size_t(exp) + 1 >= digits.size()) {
        out = digits + std::string(size_t(exp) + 1 - digits.size(), '0');
    } else {
        out = digits.substr(0, size_t(exp) + 1) + "." + digits.substr(size_t(exp) + 1);
    }
    return negative ? "-" + out : out;
}

void TRVDocParameters::SetFromLine(std::string_view line)
{
    size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return;
    std::string_view name = line.substr(0, eq), value = line.substr(eq + 1);
    // A value that does not convert is ignored: the field keeps what it had
    // (its default after the record's header) and the read goes on.
    if (name == "Units") {
        if (auto u = toInt(value))
            Units = TRVUnits(*u >= rvuInches && *u <= rvuPoints ? *u : rvuInches);
    } else if (name == "Orientation") {
        if (auto o = toInt(value))
            Orientation = uint8_t(*o);
    } else if (name == "ZoomPercent") {
        if (auto z = toInt(value))
            ZoomPercent = *z;
    } else if (name == "ZoomMode") {
        if (auto z = toInt(value))
            ZoomMode = TRVZoomMode(*z >= rvzmFullPage && *z <= rvzmCustom ? *z : rvzmCustom);
    } else if (name == "MirrorMargins") {
        MirrorMargins = value != "0";
    } else {
        long double TRVDocParameters::*const lengths[] = {&TRVDocParameters::PageWidth, &TRVDocParameters::PageHeight,
            &TRVDocParameters::LeftMargin, &TRVDocParameters::RightMargin, &TRVDocParameters::TopMargin,
            &TRVDocParameters::BottomMargin, &TRVDocParameters::HeaderY, &TRVDocParameters::FooterY};
        const char *const names[] = {"PageWidth", "PageHeight", "LeftMargin", "RightMargin",
                                     "TopMargin", "BottomMargin", "HeaderY", "FooterY"};
        for (size_t k = 0; k < std::size(names); ++k)
            if (name == names[k]) {
                if (auto v = toFloat(value))
                    this->*lengths[k] = *v;
                return;
            }
    }
}

std::string TRVDocParameters::DumpLine() const
{
    std::string s = "DocParameters:";
    const std::pair<const char *, long double> lengths[] = {{"PageWidth", PageWidth}, {"PageHeight", PageHeight},
        {"LeftMargin", LeftMargin}, {"RightMargin", RightMargin}, {"TopMargin", TopMargin},
        {"BottomMargin", BottomMargin}, {"HeaderY", HeaderY}, {"FooterY", FooterY}};
    for (auto &[n, v] : lengths)
        s += std::string("\t") + n + "=" + FormatDocLength(v);
    s += "\tUnits=" + std::to_string(int(Units)) + "\tOrientation=" + std::to_string(int(Orientation))
        + "\tZoomPercent=" + std::to_string(ZoomPercent) + "\tZoomMode=" + std::to_string(int(ZoomMode))
        + "\tMirrorMargins=" + (MirrorMargins ? "true" : "false");
    return s;
}

std::vector<std::string> TRVDocParameters::ToLines() const
{
    TRVDocParameters d;
    std::vector<std::string> out;
    if (Units != d.Units) out.push_back("Units=" + std::to_string(Units));
    if (Orientation != d.Orientation) out.push_back("Orientation=" + std::to_string(Orientation));
    if (ZoomPercent != d.ZoomPercent) out.push_back("ZoomPercent=" + std::to_string(ZoomPercent));
    if (ZoomMode != d.ZoomMode) out.push_back("ZoomMode=" + std::to_string(ZoomMode));
    const struct { const char *name; long double v, def; } lengths[] = {
        {"PageWidth", PageWidth, d.PageWidth}, {"PageHeight", PageHeight, d.PageHeight},
        {"LeftMargin", LeftMargin, d.LeftMargin}, {"RightMargin", RightMargin, d.RightMargin},
        {"TopMargin", TopMargin, d.TopMargin}, {"BottomMargin", BottomMargin, d.BottomMargin},
        {"HeaderY", HeaderY, d.HeaderY}, {"FooterY", FooterY, d.FooterY}};
    for (auto &l : lengths)
        if (!same(l.v, l.def))
            out.push_back(std::string(l.name) + "=" + FormatDocLength(l.v));
    if (MirrorMargins) out.push_back("MirrorMargins=1");
    return out;
}

int TRVDocParameters::ToTwips(long double value, int screenPPI) const
{
    static const long double perInch[] = {1, 2.54L, 25.4L, 6, 0, 72};
    long double upi = Units == rvuPixels ? screenPPI : perInch[Units];
    return int(std::lround(value * 1440 / upi));
}

} // namespace rv
