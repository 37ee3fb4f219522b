// Page setup a document carries with it (paper, margins, header and footer
// positions, zoom), in a chosen unit.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rv {

enum TRVUnits : uint8_t { rvuInches, rvuCentimeters, rvuMillimeters, rvuPicas, rvuPixels, rvuPoints };
enum TRVZoomMode : uint8_t { rvzmFullPage, rvzmPageWidth, rvzmCustom };

class TRVDocParameters {
public:
    TRVDocParameters() { Reset(); }
    void Reset();
    bool IsDefault() const;
    int NonDefaultCount() const;
    // Sets one field from an RVF "name=value" line. Unknown names and lines
    // without "=" change nothing; a value that does not convert throws
    // EReadViewError (which fails the read).
    void SetFromLine(std::string_view line);
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
