// The viewer's background picture and how it is placed.
#pragma once
#include "platform/bitmap.h"
#include "platform/canvas.h"

namespace rv {

enum TBackgroundStyle : uint8_t {
    bsNoBitmap, bsStretched, bsTiled, bsTiledAndScrolled, bsCentered, bsTopLeft, bsTopRight, bsBottomLeft,
    bsBottomRight
};

class TRVBackground {
public:
    TBackgroundStyle Style = bsNoBitmap;
    platform::Bitmap Bitmap;

    bool Visible() const { return Style != bsNoBitmap && !Bitmap.isNull(); }
    // True when the picture hides the whole area, so the colour need not be painted.
    bool CoversAll() const;
    // Paints colour and picture into `update` (window coordinates) of a client
    // area of `client` size scrolled by (hOffs, vOffs) pixels.
    void Draw(platform::Canvas &canvas, const platform::Rect &update, platform::Size client, int hOffs, int vOffs,
              platform::Color color) const;
};

} // namespace rv
