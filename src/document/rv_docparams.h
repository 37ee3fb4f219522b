// Page setup a document carries with it (paper, margins, header and footer
// positions, zoom), in a chosen unit.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rv {

enum TRVUnits : uint8_t { rvuInches, rvuCentimeters, rvuMillimeters, rvuPicas, rvuPixels, rvuPoints };
enum TRVZoomMode : uint8_t { rvzmFullPage, rvzmPageWidth, rvzmCustom };

// A length as stored: "." or a single "," as the decimal point in every locale,
// no grouping; nullopt when it does not convert.
std::optional<long double> ParseDocLength(std::string_view text);
// A length for storing and showing: plain decimal with ".", up to 15
// significant digits, no exponent, no trailing zeros, whatever the locale.
std::string FormatDocLength(long double value);

class TRVDocParameters {
public:
    TRVDocParameters() { Reset(); }
    void Reset();
    bool IsDefault() const;
    int NonDefaultCount() const;
    // Sets one field from an RVF "name=value" line. Unknown names, lines
    // without "=" and values that do not convert change nothing.
    void SetFromLine(std::string_view line);
    // "DocParameters:" and every field as TAB-separated name=value, in a fixed
    // order and a locale-free form.
    std::string DumpLine() const;
    // "name=value" lines of the fields that differ from the defaults.
    std::vector<std::string> ToLines() const;
    // value × 1440 / units per inch, rounded; screenPPI serves rvuPixels.
    int ToTwips(long double value, int screenPPI = 96) const;

    long double PageWidth, PageHeight, LeftMargin, RightMargin, TopMargin, BottomMargin, HeaderY, FooterY;
    TRVUnits Units;
    uint8_t Orientation;
    int ZoomPercent;
    TRVZoomMode ZoomMode;
    bool MirrorMargins;
};

} // namespace rv
