// Painting the viewer's background: its colour and the document's background
// picture (TRVBackground, read with the document) placed by its style.
#pragma once
#include "document/rvf_reader.h"
#include "platform/canvas.h"

namespace rv {

bool BackgroundVisible(const TRVBackground &bg);
// True when the picture hides the whole area, so the colour need not be painted.
bool BackgroundCoversAll(const TRVBackground &bg);
// Paints colour and picture into `update` (window coordinates) of a client
// area of `client` size scrolled by (hOffs, vOffs) pixels.
void DrawBackground(const TRVBackground &bg, platform::Canvas &canvas, const platform::Rect &update,
                    platform::Size client, int hOffs, int vOffs, platform::Color color);

} // namespace rv
