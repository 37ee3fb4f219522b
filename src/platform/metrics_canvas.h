// The deterministic backend: a canvas with no pixels whose metrics follow a
// rule simple enough to work out by hand, so text laid out on it comes out the
// same on every machine whatever fonts are installed. The command line formats
// documents on it (its text, find and export output depend on these metrics);
// drawing calls keep the canvas state and draw nothing.
//
// Metrics rule, for a font of pixel height h (|height|, or 16 when height is 0):
//   tmHeight = h, tmAscent = h - h/5, tmDescent = h/5, no leading;
//   character widths: ' ' → h/4, 'A'-'Z' → h*7/10, every other character → h/2,
//   U+200B (zero-width space) → 0; each at least 1 except U+200B;
//   bold (weight ≥ 600) adds 1 to every width; a nonzero `width` w scales every
//   width by w / (h/2) (rounded down, at least 1); character extra adds to each.
//   tmAveCharWidth = h/2 (+1 bold, or w); tmMaxCharWidth = the capital width.
//   Outline metrics: subscript and superscript size h*2/3, subscript offset h/5,
//   superscript offset h*2/5; underline at -(h/10) with size max(1, h/15).
// Example: Arial 10 pt at 96 dpi has h = 13: ascent 11, descent 2, "a" 6, "A" 9, " " 3.
#pragma once
#include "canvas.h"

#include <string>
#include <vector>

namespace platform {

class MetricsCanvas : public Canvas {
public:
    explicit MetricsCanvas(int width = 640, int height = 480, int dpi = 96, bool printer = false);

    static int charWidth(char16_t c, const FontDesc &f);
    static int pixelHeight(const FontDesc &f) { return f.height < 0 ? -f.height : (f.height == 0 ? 16 : f.height); }

    int dpiX() const override { return dpi_; }
    int dpiY() const override { return dpi_; }
    Size deviceSize() const override { return {w_, h_}; }
    bool isPrinter() const override { return printer_; }
    void setFont(const FontDesc &font) override { st_.font = font; }
    const FontDesc &font() const override { return st_.font; }
    TextMetrics textMetrics() override;
    std::optional<OutlineMetrics> outlineMetrics() override;
    void setCharacterExtra(int extra) override { st_.charExtra = extra; }
    int characterExtra() const override { return st_.charExtra; }
    void setTextAlign(uint32_t flags) override { st_.align = flags; }
    uint32_t textAlign() const override { return st_.align; }
    Size textExtent(std::u16string_view text) override;
    int textFit(std::u16string_view text, int maxExtent, std::vector<int> *extents = nullptr) override;
    void prefixWidths(std::u16string_view text, std::vector<int> &extents) override;
    void setTextColor(Color c) override { st_.textColor = c; }
    Color textColor() const override { return st_.textColor; }
    void setBkColor(Color c) override { st_.bkColor = c; }
    Color bkColor() const override { return st_.bkColor; }
    void setBkMode(BkMode m) override { st_.bkMode = m; }
    BkMode bkMode() const override { return st_.bkMode; }
    void setPen(const Pen &p) override { st_.pen = p; }
    const Pen &pen() const override { return st_.pen; }
    void setBrush(const Brush &b) override { st_.brush = b; }
    const Brush &brush() const override { return st_.brush; }
    void textOut(int, int, std::u16string_view) override {}
    void fillRect(const Rect &, Color) override {}
    void rectangle(const Rect &) override {}
    void moveTo(int x, int y) override { pos_ = {x, y}; }
    void lineTo(int x, int y) override { pos_ = {x, y}; }
    void polygon(std::span<const Point>) override {}
    void polyline(std::span<const Point>) override {}
    void ellipse(const Rect &) override {}
    void drawFocusRect(const Rect &) override {}
    // The height the text takes when wrapped at word boundaries into r's width.
    int drawTextWrapped(const Rect &r, std::u16string_view text) override;
    void drawBitmap(const Bitmap &, const Rect &) override {}
    void save() override { stack_.push_back(st_); }
    void restore() override;
    void intersectClipRect(const Rect &r) override;
    Rect clipBox() const override;
    void setOrigin(Point p) override { st_.origin = p; }
    Point origin() const override { return st_.origin; }
    void setMapping(Size windowExt, Size viewportExt) override;
    void resetMapping() override;
    std::unique_ptr<platform::Canvas> createCompatible(int w, int h) override;
    void drawCanvas(platform::Canvas &, int, int) override {}

    // Logical to device coordinates under the current origin and mapping.
    Point toDevice(Point p) const;
    Rect toDevice(const Rect &r) const;

protected:
    const CanvasState &state() const { return st_; }
    // Where the pen stands after moveTo / lineTo, in logical coordinates.
    Point penPosition() const { return pos_; }

private:
    struct State : CanvasState {
        Rect clip; // device coordinates
    };

    int w_, h_, dpi_;
    bool printer_;
    State st_;
    std::vector<State> stack_;
    Point pos_;
};

} // namespace platform
