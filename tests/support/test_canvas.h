// The canvas tests draw on: the production metrics of MetricsCanvas, so expected
// positions can be worked out by hand and match what the command line lays out,
// and every output call recorded in device coordinates.
#pragma once
#include "platform/metrics_canvas.h"

#include <string>
#include <vector>

namespace platform {

// One recorded output call, in device coordinates (origin and mapping applied).
struct DrawOp {
    enum Kind { Text, FillRect, Rectangle, Line, Polygon, Polyline, Ellipse, FocusRect, TextWrapped, Bitmap, Canvas };
    Kind kind;
    Rect rect;                // text: cell box of the run; line: (x1, y1, x2, y2)
    std::u16string text;      // text runs
    FontDesc font;            // text runs
    Color color = clNone;     // text colour, fill colour or pen colour
    Color back = clNone;      // opaque text background, brush colour (clNone when clear)
    std::vector<Point> points;
};

class TestCanvas : public MetricsCanvas {
public:
    using MetricsCanvas::MetricsCanvas;

    const std::vector<DrawOp> &ops() const { return ops_; }
    void clearOps() { ops_.clear(); }
    // Concatenated text of every text run, in drawing order.
    std::u16string drawnText() const;

    void textOut(int x, int y, std::u16string_view text) override;
    void fillRect(const Rect &r, Color c) override;
    void rectangle(const Rect &r) override;
    void lineTo(int x, int y) override;
    void polygon(std::span<const Point> pts) override;
    void polyline(std::span<const Point> pts) override;
    void ellipse(const Rect &r) override;
    void drawFocusRect(const Rect &r) override;
    int drawTextWrapped(const Rect &r, std::u16string_view text) override;
    void drawBitmap(const Bitmap &bmp, const Rect &dest) override;
    std::unique_ptr<platform::Canvas> createCompatible(int w, int h) override;
    // Replays what was drawn on a compatible TestCanvas at (x, y).
    void drawCanvas(platform::Canvas &source, int x, int y) override;

private:
    void record(DrawOp op) { ops_.push_back(std::move(op)); }
    Color brushFill() const { return state().brush.style == BrushStyle::Clear ? clNone : state().brush.color; }

    std::vector<DrawOp> ops_;
};

} // namespace platform
