#include "rv_docparams.h"

#include "rv_error.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

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

static int toInt(std::string_view v)
{
    int n = 0;
    auto r = std::from_chars(v.data(), v.data() + v.size(), n);
    if (r.ec != std::errc() || r.ptr != v.data() + v.size() || v.empty())
        throw EReadViewError("'" + std::string(v) + "' is not a valid integer value");
    return n;
}

// Lengths are stored with "." whatever the writer's locale; from_chars never
// looks at the locale, so the program's own separator cannot get in the way.
static long double toFloat(std::string_view v)
{
    double d = 0;
    auto r = std::from_chars(v.data(), v.data() + v.size(), d);
    if (v.empty() || r.ec != std::errc() || r.ptr != v.data() + v.size() || !std::isfinite(d))
        throw EReadViewError("'" + std::string(v) + "' is not a valid floating point value");
    return d;
}

void TRVDocParameters::SetFromLine(std::string_view line)
{
    size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return;
    std::string_view name = line.substr(0, eq), value = line.substr(eq + 1);
    if (name == "Units") {
        int u = toInt(value);
        Units = TRVUnits(u >= rvuInches && u <= rvuPoints ? u : rvuInches);
    } else if (name == "Orientation") Orientation = uint8_t(toInt(value));
    else if (name == "ZoomPercent") ZoomPercent = toInt(value);
    else if (name == "ZoomMode") {
        int z = toInt(value);
        ZoomMode = TRVZoomMode(z >= rvzmFullPage && z <= rvzmCustom ? z : rvzmCustom);
    }
    else if (name == "PageWidth") PageWidth = toFloat(value);
    else if (name == "PageHeight") PageHeight = toFloat(value);
    else if (name == "LeftMargin") LeftMargin = toFloat(value);
    else if (name == "RightMargin") RightMargin = toFloat(value);
    else if (name == "TopMargin") TopMargin = toFloat(value);
    else if (name == "BottomMargin") BottomMargin = toFloat(value);
    else if (name == "HeaderY") HeaderY = toFloat(value);
    else if (name == "FooterY") FooterY = toFloat(value);
    else if (name == "MirrorMargins") MirrorMargins = value != "0";
}

static std::string fmt(long double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.10Lg", v);
    return buf;
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
            out.push_back(std::string(l.name) + "=" + fmt(l.v));
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
