// A small player for Windows metafiles (WMF, with or without the placeable
// header) and enhanced metafiles (EMF): the records that documents use are
// replayed onto a canvas, scaled into a target rectangle; others are skipped.
#pragma once
#include "platform/bitmap.h"
#include "platform/canvas.h"

#include <string_view>

namespace rv {

// The picture's natural frame, in logical units of the file (WMF: the
// placeable bounding box and its units per inch; EMF: the reference-device
// bounds and the frame in 0.01 mm).
struct TRVMetafileInfo {
    bool Enhanced = false;
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int Inch = 0;                  // WMF units per inch (placeable header)
    int FrameWidth100mm = 0, FrameHeight100mm = 0; // EMF frame in 0.01 mm
};

// Reads the header; false when the bytes are no metafile we can play.
bool ReadMetafileInfo(std::string_view data, TRVMetafileInfo &info);

// Plays the metafile into dest. The canvas state is saved and restored and
// drawing is clipped to dest. False when the header is unreadable; damaged or
// unknown records end or skip quietly (what was drawn stays).
bool PlayMetafile(std::string_view data, platform::Canvas &canvas, const platform::Rect &dest);

// A device-independent bitmap (BITMAPINFOHEADER or BITMAPCOREHEADER, then the
// colour table and the bits; 1, 4, 8, 16, 24 or 32 bits, uncompressed). `bits`
// empty: the bits follow the colour table in `dib`. Null when damaged or
// larger than Bitmap::kMaxPixels.
platform::Bitmap DecodeDib(std::string_view dib, std::string_view bits = {});

} // namespace rv
