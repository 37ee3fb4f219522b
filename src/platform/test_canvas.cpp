#include "test_canvas.h"

#include <algorithm>

namespace platform {

TestCanvas::TestCanvas(int width, int height, int dpi, bool printer)
    : w_(width), h_(height), dpi_(dpi), printer_(printer)
{
    st_.clip = {0, 0, width, height};
}

int TestCanvas::charWidth(char16_t c, const FontDesc &f)
{
    if (c == 0x200B)
        return 0;
    int h = pixelHeight(f);
    int w = c == u' ' ? h / 4 : (c >= u'A' && c <= u'Z') ? h * 7 / 10 : h / 2;
    w = std::max(w, 1);
    if (f.width > 0)
        w = std::max(1, w * f.width / std::max(1, h / 2));
    if (f.weight >= 600)
        w += 1;
    return w;
}

TextMetrics TestCanvas::textMetrics()
{
    const FontDesc &f = st_.font;
    int h = pixelHeight(f);
    TextMetrics tm;
    tm.tmHeight = h;
    tm.tmDescent = h / 5;
    tm.tmAscent = h - tm.tmDescent;
    tm.tmAveCharWidth = f.width > 0 ? f.width : std::max(1, h / 2);
    if (f.weight >= 600)
        tm.tmAveCharWidth += 1;
    tm.tmMaxCharWidth = charWidth(u'W', f);
    tm.tmWeight = f.weight;
    tm.tmItalic = f.italic;
    tm.tmUnderlined = f.underline;
    tm.tmStruckOut = f.strikeOut;
    tm.tmCharSet = f.charset;
    return tm;
}

std::optional<OutlineMetrics> TestCanvas::outlineMetrics()
{
    int h = pixelHeight(st_.font);
    OutlineMetrics om;
    om.subscriptSizeY = om.superscriptSizeY = h * 2 / 3;
    om.subscriptOffsetY = h / 5;
    om.superscriptOffsetY = h * 2 / 5;
    om.underscoreSize = std::max(1, h / 15);
    om.underscorePosition = -(h / 10);
    om.strikeoutSize = om.underscoreSize;
    om.strikeoutPosition = h / 3;
    return om;
}

Size TestCanvas::textExtent(std::u16string_view text)
{
    int w = 0;
    for (char16_t c : text)
        w += charWidth(c, st_.font) + st_.charExtra;
    return {w, pixelHeight(st_.font)};
}

int TestCanvas::textFit(std::u16string_view text, int maxExtent, std::vector<int> *extents)
{
    if (extents)
        extents->clear();
    int w = 0, n = 0;
    for (char16_t c : text) {
        w += charWidth(c, st_.font) + st_.charExtra;
        if (w > maxExtent)
            break;
        if (extents)
            extents->push_back(w);
        ++n;
    }
    return n;
}

void TestCanvas::prefixWidths(std::u16string_view text, std::vector<int> &extents)
{
    extents.resize(text.size());
    int w = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        w += charWidth(text[i], st_.font) + st_.charExtra;
        extents[i] = w;
    }
}

Point TestCanvas::toDevice(Point p) const
{
    int x = p.x, y = p.y;
    if (st_.winExt.cx && st_.winExt.cy) {
        x = MulDiv(x, st_.viewExt.cx, st_.winExt.cx);
        y = MulDiv(y, st_.viewExt.cy, st_.winExt.cy);
    }
    return {x + st_.origin.x, y + st_.origin.y};
}

Rect TestCanvas::toDevice(const Rect &r) const
{
    Point a = toDevice(Point{r.left, r.top}), b = toDevice(Point{r.right, r.bottom});
    return {a.x, a.y, b.x, b.y};
}

void TestCanvas::record(DrawOp op) { ops_.push_back(std::move(op)); }

void TestCanvas::textOut(int x, int y, std::u16string_view text)
{
    DrawOp op{DrawOp::Text, {}, std::u16string(text), st_.font, st_.textColor,
              st_.bkMode == BkMode::Opaque ? st_.bkColor : clNone, {}};
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
    record(DrawOp{DrawOp::Rectangle, toDevice(r), {}, {}, st_.pen.style == PenStyle::Clear ? clNone : st_.pen.color,
                  st_.brush.style == BrushStyle::Clear ? clNone : st_.brush.color, {}});
}

void TestCanvas::lineTo(int x, int y)
{
    Point a = toDevice(pos_), b = toDevice(Point{x, y});
    record(DrawOp{DrawOp::Line, {a.x, a.y, b.x, b.y}, {}, {}, st_.pen.color, clNone, {}});
    pos_ = {x, y};
}

void TestCanvas::polygon(std::span<const Point> pts)
{
    DrawOp op{DrawOp::Polygon, {}, {}, {}, st_.pen.color, st_.brush.style == BrushStyle::Clear ? clNone : st_.brush.color, {}};
    for (Point p : pts)
        op.points.push_back(toDevice(p));
    record(std::move(op));
}

void TestCanvas::polyline(std::span<const Point> pts)
{
    DrawOp op{DrawOp::Polyline, {}, {}, {}, st_.pen.color, clNone, {}};
    for (Point p : pts)
        op.points.push_back(toDevice(p));
    record(std::move(op));
}

void TestCanvas::ellipse(const Rect &r)
{
    record(DrawOp{DrawOp::Ellipse, toDevice(r), {}, {}, st_.pen.color,
                  st_.brush.style == BrushStyle::Clear ? clNone : st_.brush.color, {}});
}

void TestCanvas::drawFocusRect(const Rect &r) { record(DrawOp{DrawOp::FocusRect, toDevice(r), {}, {}, clNone, clNone, {}}); }

int TestCanvas::drawTextWrapped(const Rect &r, std::u16string_view text)
{
    record(DrawOp{DrawOp::TextWrapped, toDevice(r), std::u16string(text), st_.font, st_.textColor, clNone, {}});
    // Greedy word wrap with the same widths as textExtent.
    int lines = 1, x = 0, lineH = pixelHeight(st_.font);
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == u'\n') {
            ++lines;
            x = 0;
            ++i;
            continue;
        }
        size_t j = i;
        while (j < text.size() && text[j] != u' ' && text[j] != u'\n')
            ++j;
        int w = textExtent(text.substr(i, j - i)).cx;
        if (x > 0 && x + w > r.width()) {
            ++lines;
            x = 0;
        }
        x += w;
        if (j < text.size() && text[j] == u' ') {
            x += textExtent(u" ").cx;
            ++j;
        }
        i = j;
    }
    return lines * lineH;
}

void TestCanvas::drawBitmap(const Bitmap &bmp, const Rect &dest)
{
    DrawOp op{DrawOp::Bitmap, toDevice(dest), {}, {}, clNone, clNone, {}};
    op.points.push_back({bmp.width(), bmp.height()});
    record(std::move(op));
}

void TestCanvas::restore()
{
    if (!stack_.empty()) {
        st_ = stack_.back();
        stack_.pop_back();
    }
}

void TestCanvas::intersectClipRect(const Rect &r) { st_.clip = st_.clip.intersected(toDevice(r)); }

Rect TestCanvas::clipBox() const
{
    // Back to logical coordinates (the mapping is only ever a scale).
    Rect c = st_.clip.translated(-st_.origin.x, -st_.origin.y);
    if (st_.winExt.cx && st_.viewExt.cx && st_.winExt.cy && st_.viewExt.cy) {
        c.left = MulDiv(c.left, st_.winExt.cx, st_.viewExt.cx);
        c.right = MulDiv(c.right, st_.winExt.cx, st_.viewExt.cx);
        c.top = MulDiv(c.top, st_.winExt.cy, st_.viewExt.cy);
        c.bottom = MulDiv(c.bottom, st_.winExt.cy, st_.viewExt.cy);
    }
    return c;
}

void TestCanvas::setMapping(Size windowExt, Size viewportExt)
{
    st_.winExt = windowExt;
    st_.viewExt = viewportExt;
}

void TestCanvas::resetMapping()
{
    st_.winExt = {1, 1};
    st_.viewExt = {1, 1};
}

std::unique_ptr<Canvas> TestCanvas::createCompatible(int w, int h)
{
    return std::make_unique<TestCanvas>(w, h, dpi_, printer_);
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

FontDesc FontDesc::fromPoints(std::string face, int points, int dpiY)
{
    FontDesc f;
    f.faceName = std::move(face);
    f.height = -MulDiv(points, dpiY, 72);
    return f;
}

} // namespace platform
