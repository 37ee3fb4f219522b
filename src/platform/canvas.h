// The drawing and measuring interface: our stand-in for a device context.
// Layout, painting, pagination and preview talk only to this interface, so the
// same engine code draws on a window, an image, a printer or the test device.
//
// Coordinates are device pixels (after the optional origin and mapping), with
// text drawn from the TOP-LEFT corner of its character cell as GDI does.
#pragma once
#include "bitmap.h"
#include "geometry.h"

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Character sets (LOGFONT lfCharSet) the style sheet may name.
enum : uint8_t {
    ANSI_CHARSET = 0, DEFAULT_CHARSET = 1, SYMBOL_CHARSET = 2, MAC_CHARSET = 77, SHIFTJIS_CHARSET = 128,
    HANGEUL_CHARSET = 129, JOHAB_CHARSET = 130, GB2312_CHARSET = 134, CHINESEBIG5_CHARSET = 136,
    GREEK_CHARSET = 161, TURKISH_CHARSET = 162, VIETNAMESE_CHARSET = 163, HEBREW_CHARSET = 177,
    ARABIC_CHARSET = 178, BALTIC_CHARSET = 186, RUSSIAN_CHARSET = 204, THAI_CHARSET = 222,
    EASTEUROPE_CHARSET = 238, OEM_CHARSET = 255
};

// A logical font, as LOGFONT describes one.
struct FontDesc {
    std::string faceName = "Arial";
    int height = 0;   // < 0: character height in device pixels; > 0: cell height; 0: a default size
    int width = 0;    // average character width in pixels; 0: the face's natural width
    int weight = 400; // 400 normal, 700 bold
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    uint8_t charset = DEFAULT_CHARSET;

    // A font of `points` at a device of `dpiY` (height = -MulDiv(points, dpiY, 72)).
    static FontDesc fromPoints(std::string face, int points, int dpiY);
    friend bool operator==(const FontDesc &, const FontDesc &) = default;
};

// TEXTMETRIC of the selected font.
struct TextMetrics {
    int tmHeight = 0, tmAscent = 0, tmDescent = 0;
    int tmInternalLeading = 0, tmExternalLeading = 0;
    int tmAveCharWidth = 0, tmMaxCharWidth = 0;
    int tmWeight = 400, tmOverhang = 0;
    bool tmItalic = false, tmUnderlined = false, tmStruckOut = false;
    uint8_t tmCharSet = DEFAULT_CHARSET;
};

// The parts of OUTLINETEXTMETRIC that layout uses (sub/superscript, lines).
struct OutlineMetrics {
    int subscriptSizeY = 0, subscriptOffsetY = 0;     // offset: positive moves down
    int superscriptSizeY = 0, superscriptOffsetY = 0; // offset: positive moves up
    int underscoreSize = 1, underscorePosition = -1;  // position: below the baseline is negative
    int strikeoutSize = 1, strikeoutPosition = 0;
};

enum class PenStyle { Solid, Dash, Dot, DashDot, DashDotDot, Clear, InsideFrame };
struct Pen {
    Color color = clBlack;
    int width = 1;
    PenStyle style = PenStyle::Solid;
    friend bool operator==(const Pen &, const Pen &) = default;
};

enum class BrushStyle { Solid, Clear };
struct Brush {
    Color color = clWhite;
    BrushStyle style = BrushStyle::Solid;
    friend bool operator==(const Brush &, const Brush &) = default;
};

enum class BkMode { Transparent, Opaque };

// SetTextAlign flag that switches right-to-left reading order.
constexpr uint32_t TA_RTLREADING = 256;

class Canvas {
public:
    virtual ~Canvas() = default;

    // --- the device ---
    virtual int dpiX() const = 0;  // LOGPIXELSX
    virtual int dpiY() const = 0;  // LOGPIXELSY
    virtual Size deviceSize() const = 0; // drawable size in device pixels
    virtual bool isPrinter() const { return false; }

    // --- fonts: select, then ask for metrics ---
    virtual void setFont(const FontDesc &font) = 0;
    virtual const FontDesc &font() const = 0;
    virtual TextMetrics textMetrics() = 0;
    // nullopt where the font has no outline metrics (callers use their fallback).
    virtual std::optional<OutlineMetrics> outlineMetrics() = 0;
    // Extra pixels after every character (SetTextCharacterExtra); counted by measuring and output.
    virtual void setCharacterExtra(int extra) = 0;
    virtual int characterExtra() const = 0;
    virtual void setTextAlign(uint32_t flags) = 0;
    virtual uint32_t textAlign() const = 0;

    // --- measuring (UTF-16 units; a surrogate pair measures on its first unit) ---
    // Extent of the whole run: width (character extra included) and the font height.
    virtual Size textExtent(std::u16string_view text) = 0;
    // GetTextExtentExPoint: how many leading characters fit in maxExtent pixels.
    // When `extents` is given it receives, for each fitting character i, the width
    // of characters 0..i. Costs what fits plus one character, not the whole run.
    virtual int textFit(std::u16string_view text, int maxExtent, std::vector<int> *extents = nullptr) = 0;
    // Width of every prefix: extents[i] = width of characters 0..i (the whole run).
    virtual void prefixWidths(std::u16string_view text, std::vector<int> &extents) = 0;

    // --- colours and drawing tools ---
    virtual void setTextColor(Color c) = 0;
    virtual Color textColor() const = 0;
    virtual void setBkColor(Color c) = 0;
    virtual Color bkColor() const = 0;
    virtual void setBkMode(BkMode m) = 0;
    virtual BkMode bkMode() const = 0;
    virtual void setPen(const Pen &p) = 0;
    virtual const Pen &pen() const = 0;
    virtual void setBrush(const Brush &b) = 0;
    virtual const Brush &brush() const = 0;

    // --- output ---
    // Text with its cell's top-left at (x, y); an opaque background fills the cells.
    virtual void textOut(int x, int y, std::u16string_view text) = 0;
    // Fills r with a solid colour (FillRect); the pen and brush are untouched.
    virtual void fillRect(const Rect &r, Color c) = 0;
    // Rectangle: outline with the pen, interior with the brush (GDI Rectangle).
    virtual void rectangle(const Rect &r) = 0;
    // MoveTo/LineTo: the line excludes its end point, as GDI draws it.
    virtual void moveTo(int x, int y) = 0;
    virtual void lineTo(int x, int y) = 0;
    void line(int x1, int y1, int x2, int y2) { moveTo(x1, y1); lineTo(x2, y2); }
    virtual void polygon(std::span<const Point> pts) = 0;  // pen outline, brush fill
    virtual void polyline(std::span<const Point> pts) = 0;
    virtual void ellipse(const Rect &r) = 0;                // pen outline, brush fill
    virtual void drawFocusRect(const Rect &r) = 0;          // dotted XOR-like frame
    // DrawText with DT_WORDBREAK in the current font and text colour; returns the height used.
    virtual int drawTextWrapped(const Rect &r, std::u16string_view text) = 0;

    // --- images ---
    virtual void drawBitmap(const Bitmap &bmp, const Rect &dest) = 0; // stretched to dest
    void drawBitmap(const Bitmap &bmp, int x, int y) { drawBitmap(bmp, Rect{x, y, x + bmp.width(), y + bmp.height()}); }

    // --- state, clipping and mapping ---
    virtual void save() = 0;     // pushes font, colours, tools, clip, origin and mapping
    virtual void restore() = 0;
    virtual void intersectClipRect(const Rect &r) = 0;
    virtual Rect clipBox() const = 0; // in logical coordinates
    // Device point of logical (0, 0) (SetViewportOrgEx).
    virtual void setOrigin(Point devicePoint) = 0;
    virtual Point origin() const = 0;
    // Anisotropic mapping: logical windowExt maps onto device viewportExt.
    virtual void setMapping(Size windowExt, Size viewportExt) = 0;
    virtual void resetMapping() = 0;

    // --- off-screen drawing ---
    // A canvas of w × h pixels compatible with this one (same resolution).
    virtual std::unique_ptr<Canvas> createCompatible(int w, int h) = 0;
    // Copies a canvas made by createCompatible to (x, y) (BitBlt SRCCOPY).
    virtual void drawCanvas(Canvas &source, int x, int y) = 0;
};

// What Canvas::save pushes, for backends to keep: everything but the clip,
// which each backend holds in its own terms.
struct CanvasState {
    FontDesc font;
    int charExtra = 0;
    uint32_t align = 0;
    Color textColor = clBlack, bkColor = clWhite;
    BkMode bkMode = BkMode::Opaque;
    Pen pen;
    Brush brush;
    Point origin;
    Size winExt{1, 1}, viewExt{1, 1};
};

// Saves the canvas state for one scope.
class CanvasSaver {
public:
    explicit CanvasSaver(Canvas &c) : c_(c) { c_.save(); }
    ~CanvasSaver() { c_.restore(); }
    CanvasSaver(const CanvasSaver &) = delete;
    CanvasSaver &operator=(const CanvasSaver &) = delete;

private:
    Canvas &c_;
};

} // namespace platform
