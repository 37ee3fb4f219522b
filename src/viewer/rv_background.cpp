#include "viewer/rv_background.h"

namespace rv {

using namespace platform;

bool TRVBackground::CoversAll() const
{
    if (!Visible() || Bitmap.hasAlpha())
        return false;
    return Style == bsStretched || Style == bsTiled || Style == bsTiledAndScrolled;
}

// Tiles the picture over `update` on a grid whose origin is (ox, oy).
static void drawTiles(Canvas &canvas, const Bitmap &bmp, const Rect &update, int ox, int oy)
{
    const int w = bmp.width(), h = bmp.height();
    auto floorDiv = [](int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); };
    int x0 = ox + floorDiv(update.left - ox, w) * w;
    int y0 = oy + floorDiv(update.top - oy, h) * h;
    for (int y = y0; y < update.bottom; y += h)
        for (int x = x0; x < update.right; x += w)
            canvas.drawBitmap(bmp, x, y);
}

void TRVBackground::Draw(Canvas &canvas, const Rect &update, Size client, int hOffs, int vOffs, Color color) const
{
    if (!CoversAll())
        canvas.fillRect(update, color);
    if (!Visible())
        return;
    CanvasSaver saver(canvas);
    canvas.intersectClipRect(update);
    const int w = Bitmap.width(), h = Bitmap.height();
    Rect one;
    switch (Style) {
    case bsStretched:
        canvas.drawBitmap(Bitmap, Rect{0, 0, client.cx, client.cy});
        return;
    case bsTiled:
        drawTiles(canvas, Bitmap, update, 0, 0);
        return;
    case bsTiledAndScrolled:
        drawTiles(canvas, Bitmap, update, -hOffs, -vOffs);
        return;
    case bsCentered:
        one = {(client.cx - w) / 2, (client.cy - h) / 2, 0, 0};
        break;
    case bsTopLeft:
        one = {0, 0, 0, 0};
        break;
    case bsTopRight:
        one = {client.cx - w, 0, 0, 0};
        break;
    case bsBottomLeft:
        one = {0, client.cy - h, 0, 0};
        break;
    case bsBottomRight:
        one = {client.cx - w, client.cy - h, 0, 0};
        break;
    default:
        return;
    }
    one.right = one.left + w;
    one.bottom = one.top + h;
    if (one.intersects(update))
        canvas.drawBitmap(Bitmap, one);
}

} // namespace rv
