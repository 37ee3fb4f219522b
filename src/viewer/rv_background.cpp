#include "viewer/rv_background.h"

#include "document/rv_graphic.h"

namespace rv {

using namespace platform;

bool BackgroundVisible(const TRVBackground &bg)
{
    return bg.Style != bsNoBitmap && bg.Bitmap && !bg.Bitmap->Empty();
}

bool BackgroundCoversAll(const TRVBackground &bg)
{
    if (!BackgroundVisible(bg) || bg.Bitmap->Transparent)
        return false;
    if (const Bitmap *img = bg.Bitmap->Image(); !img || img->hasAlpha())
        return false;
    return bg.Style == bsStretched || bg.Style == bsTiled || bg.Style == bsTiledAndScrolled;
}

// Tiles the picture over `update` on a grid whose origin is (ox, oy).
static void drawTiles(Canvas &canvas, const TRVGraphic &g, const Rect &update, int ox, int oy)
{
    const int w = g.Width(), h = g.Height();
    auto floorDiv = [](int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); };
    const int x0 = ox + floorDiv(update.left - ox, w) * w;
    const int y0 = oy + floorDiv(update.top - oy, h) * h;
    for (int y = y0; y < update.bottom; y += h)
        for (int x = x0; x < update.right; x += w)
            g.Draw(canvas, {x, y, x + w, y + h});
}

void DrawBackground(const TRVBackground &bg, Canvas &canvas, const Rect &update, Size client, int hOffs, int vOffs,
                    Color color)
{
    if (!BackgroundCoversAll(bg))
        canvas.fillRect(update, color);
    if (!BackgroundVisible(bg))
        return;
    const TRVGraphic &g = *bg.Bitmap;
    CanvasSaver saver(canvas);
    canvas.intersectClipRect(update);
    const int w = g.Width(), h = g.Height();
    Point at;
    switch (bg.Style) {
    case bsStretched:
        g.Draw(canvas, Rect{0, 0, client.cx, client.cy});
        return;
    case bsTiled:
        drawTiles(canvas, g, update, 0, 0);
        return;
    case bsTiledAndScrolled:
        drawTiles(canvas, g, update, -hOffs, -vOffs);
        return;
    case bsCentered:
        at = {(client.cx - w) / 2, (client.cy - h) / 2};
        break;
    case bsTopLeft:
        at = {0, 0};
        break;
    case bsTopRight:
        at = {client.cx - w, 0};
        break;
    case bsBottomLeft:
        at = {0, client.cy - h};
        break;
    case bsBottomRight:
        at = {client.cx - w, client.cy - h};
        break;
    default:
        return;
    }
    const Rect one{at.x, at.y, at.x + w, at.y + h};
    if (one.intersects(update))
        g.Draw(canvas, one);
}

} // namespace rv
