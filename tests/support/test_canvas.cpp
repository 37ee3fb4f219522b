#include "support/test_canvas.h"

namespace platform {

void TestCanvas::textOut(int x, int y, std::u16string_view text)
{
    const CanvasState &st = state();
    DrawOp op{DrawOp::Text, {}, std::u16string(text), st.font, st.textColor,
              st.bkMode == BkMode::Opaque ? st.bkColor : clNone, {}};
    Size e = textExtent(text);
    op.rect = toDevice(Rect{x, y, x + e.cx, y + e.cy});
    record(std::move(op));
}

void TestCanvas::fillRect(const Rect &r, Color c)
{
    record(DrawOp{DrawOp::FillRect, toDevice(r), {}, {}, c, c, {}});
}

void TestCanvas::rectangle(const Rect &r)
{
    record(DrawOp{DrawOp::Rectangle, toDevice(r), {}, {}, state().pen.style == PenStyle::Clear ? clNone : state().pen.color,
                  brushFill(), {}});
}

void TestCanvas::lineTo(int x, int y)
{
    Point a = toDevice(penPosition()), b = toDevice(Point{x, y});
    record(DrawOp{DrawOp::Line, {a.x, a.y, b.x, b.y}, {}, {}, state().pen.color, clNone, {}});
    MetricsCanvas::lineTo(x, y);
}

void TestCanvas::polygon(std::span<const Point> pts)
{
    DrawOp op{DrawOp::Polygon, {}, {}, {}, state().pen.color, brushFill(), {}};
    for (Point p : pts)
        op.points.push_back(toDevice(p));
    record(std::move(op));
}

void TestCanvas::polyline(std::span<const Point> pts)
{
    DrawOp op{DrawOp::Polyline, {}, {}, {}, state().pen.color, clNone, {}};
    for (Point p : pts)
        op.points.push_back(toDevice(p));
    record(std::move(op));
}

void TestCanvas::ellipse(const Rect &r)
{
    record(DrawOp{DrawOp::Ellipse, toDevice(r), {}, {}, state().pen.color, brushFill(), {}});
}

void TestCanvas::drawFocusRect(const Rect &r) { record(DrawOp{DrawOp::FocusRect, toDevice(r), {}, {}, clNone, clNone, {}}); }

int TestCanvas::drawTextWrapped(const Rect &r, std::u16string_view text)
{
    record(DrawOp{DrawOp::TextWrapped, toDevice(r), std::u16string(text), state().font, state().textColor, clNone, {}});
    return MetricsCanvas::drawTextWrapped(r, text);
}

void TestCanvas::drawBitmap(const Bitmap &bmp, const Rect &dest)
{
    DrawOp op{DrawOp::Bitmap, toDevice(dest), {}, {}, clNone, clNone, {}};
    op.points.push_back({bmp.width(), bmp.height()});
    record(std::move(op));
}

std::unique_ptr<Canvas> TestCanvas::createCompatible(int w, int h)
{
    return std::make_unique<TestCanvas>(w, h, dpiX(), isPrinter());
}

void TestCanvas::drawCanvas(Canvas &source, int x, int y)
{
    // Replays what was drawn off-screen at its place, so tests see one list.
    auto *src = dynamic_cast<TestCanvas *>(&source);
    if (!src)
        return;
    Point o = toDevice(Point{x, y});
    for (DrawOp op : src->ops_) {
        op.rect = op.rect.translated(o.x, o.y);
        for (Point &p : op.points)
            if (op.kind != DrawOp::Bitmap)
                p = {p.x + o.x, p.y + o.y};
        record(std::move(op));
    }
}

std::u16string TestCanvas::drawnText() const
{
    std::u16string s;
    for (auto &op : ops_)
        if (op.kind == DrawOp::Text)
            s += op.text;
    return s;
}

} // namespace platform
