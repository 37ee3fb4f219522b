#include "metrics_canvas.h"

#include <algorithm>

namespace platform {

MetricsCanvas::MetricsCanvas(int width, int height, int dpi, bool printer)
    : w_(width), h_(height), dpi_(dpi), printer_(printer)
{
    st_.clip = {0, 0, width, height};
}

int MetricsCanvas::charWidth(char16_t c, const FontDesc &f)
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

TextMetrics MetricsCanvas::textMetrics()
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

std::optional<OutlineMetrics> MetricsCanvas::outlineMetrics()
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

Size MetricsCanvas::textExtent(std::u16string_view text)
{
    int w = 0;
    for (char16_t c : text)
        w += charWidth(c, st_.font) + st_.charExtra;
    return {w, pixelHeight(st_.font)};
}

int MetricsCanvas::textFit(std::u16string_view text, int maxExtent, std::vector<int> *extents)
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

void MetricsCanvas::prefixWidths(std::u16string_view text, std::vector<int> &extents)
{
    extents.resize(text.size());
    int w = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        w += charWidth(text[i], st_.font) + st_.charExtra;
        extents[i] = w;
    }
}

int MetricsCanvas::drawTextWrapped(const Rect &r, std::u16string_view text)
{
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

Point MetricsCanvas::toDevice(Point p) const
{
    int x = p.x, y = p.y;
    if (st_.winExt.cx && st_.winExt.cy) {
        x = MulDiv(x, st_.viewExt.cx, st_.winExt.cx);
        y = MulDiv(y, st_.viewExt.cy, st_.winExt.cy);
    }
    return {x + st_.origin.x, y + st_.origin.y};
}

Rect MetricsCanvas::toDevice(const Rect &r) const
{
    Point a = toDevice(Point{r.left, r.top}), b = toDevice(Point{r.right, r.bottom});
    return {a.x, a.y, b.x, b.y};
}

void MetricsCanvas::restore()
{
    if (!stack_.empty()) {
        st_ = stack_.back();
        stack_.pop_back();
    }
}

void MetricsCanvas::intersectClipRect(const Rect &r) { st_.clip = st_.clip.intersected(toDevice(r)); }

Rect MetricsCanvas::clipBox() const
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

void MetricsCanvas::setMapping(Size windowExt, Size viewportExt)
{
    st_.winExt = windowExt;
    st_.viewExt = viewportExt;
}

void MetricsCanvas::resetMapping()
{
    st_.winExt = {1, 1};
    st_.viewExt = {1, 1};
}

std::unique_ptr<Canvas> MetricsCanvas::createCompatible(int w, int h)
{
    return std::make_unique<MetricsCanvas>(w, h, dpi_, printer_);
}

} // namespace platform
