// Reading RVF: a stream of records (a header line and its data lines) that
// becomes items of a document, and, depending on the document's RVFOptions,
// style tables, document properties, page setup and layout.
#pragma once
#include "rv_data.h"

#include <filesystem>
#include <memory>
#include <string_view>

namespace rv {

// Layout stored with a document (margins and text widths the viewer takes).
struct TRVLayoutInfo {
    bool Loaded = false;
    int LeftMargin = 0, RightMargin = 0, TopMargin = 0, BottomMargin = 0;
    int MinTextWidth = 0, MaxTextWidth = 0;
    TRVBiDiMode BiDiMode = rvbdUnspecified;
    int FirstParaAborted = 0, LastParaAborted = 0, FirstMarkerListNo = -1, FirstMarkerLevel = 0;
};

// Background of a document: a TBackgroundStyle value and an optional picture.
enum TBackgroundStyle : uint8_t {
    bsNoBitmap, bsStretched, bsTiled, bsTiledAndScrolled, bsCentered, bsTopLeft, bsTopRight, bsBottomLeft, bsBottomRight
};
struct TRVBackground {
    TBackgroundStyle Style = bsNoBitmap;
    std::unique_ptr<TRVGraphic> Bitmap;
};

// Reads `stream` into `data` at `index` (clamped; on return the index after
// the last inserted item). loadMode: the document was cleared and the stream
// is a whole document (stored style tables replace the sheet's). `color`
// receives a stored background colour when rvfoLoadBack is set.
// True when the whole stream was read; on failure the items read so far stay.
bool ReadRVFStream(TCustomRVData &data, std::string_view stream, int &index, bool loadMode,
                   TRVLayoutInfo *layout = nullptr, TRVBackground *background = nullptr, TColor *color = nullptr);

// Clears the document and reads the file in load mode. False when the file
// cannot be read or the read fails.
bool LoadRVFFromFile(TCustomRVData &data, const std::filesystem::path &path, TRVLayoutInfo *layout = nullptr,
                     TRVBackground *background = nullptr, TColor *color = nullptr);

// Hexadecimal text → bytes. Stops at an odd length or a bad digit, keeping what
// was decoded; returns true when the whole text decoded.
bool HexToBytes(std::string_view hex, std::string &out);

} // namespace rv
