// The Qt backend of the drawing interface: QPainter and QFontMetrics on a
// QImage, a widget's paint device or a QPrinter.
#pragma once
#include "canvas.h"

#include <QImage>
#include <memory>

class QPainter;
class QPaintDevice;

namespace platform {

class QtCanvas : public Canvas {
public:
    // Paints on an image that the canvas owns (off-screen buffers, PNG renders).
    // The image's resolution is set to dpi. With a device pixel ratio above 1
    // the image holds that many pixels per unit, so text drawn for a dense
    // screen stays sharp; sizes and coordinates stay in units.
    QtCanvas(int width, int height, int dpi = 96, qreal devicePixelRatio = 1.0);
    // Paints through a painter that is already active on `device` (a widget in
    // its paint event, a printer page). The painter must outlive the canvas.
    QtCanvas(QPainter *painter, QPaintDevice *device, bool printer = false);
    ~QtCanvas() override;

    // The image of an image-backed canvas (null otherwise).
    const QImage &image() const;
    // Ends painting on an image-backed canvas so the image can be saved.
    void finish();

    // Resolution the layout and fonts use (a zoomed view reports more than
    // the device has); the device is unchanged.
    void setResolution(int dpiX, int dpiY);
    qreal devicePixelRatio() const;

    int dpiX() const override;
    int dpiY() const override;
    Size deviceSize() const override;
    bool isPrinter() const override;
    void setFont(const FontDesc &font) override;
    const FontDesc &font() const override;
    TextMetrics textMetrics() override;
    std::optional<OutlineMetrics> outlineMetrics() override;
    void setCharacterExtra(int extra) override;
    int characterExtra() const override;
    void setTextAlign(uint32_t flags) override;
    uint32_t textAlign() const override;
    Size textExtent(std::u16string_view text) override;
    int textFit(std::u16string_view text, int maxExtent, std::vector<int> *extents = nullptr) override;
    void prefixWidths(std::u16string_view text, std::vector<int> &extents) override;
    void setTextColor(Color c) override;
    Color textColor() const override;
    void setBkColor(Color c) override;
    Color bkColor() const override;
    void setBkMode(BkMode m) override;
    BkMode bkMode() const override;
    void setPen(const Pen &p) override;
    const Pen &pen() const override;
    void setBrush(const Brush &b) override;
    const Brush &brush() const override;
    void textOut(int x, int y, std::u16string_view text) override;
    void fillRect(const Rect &r, Color c) override;
    void rectangle(const Rect &r) override;
    void moveTo(int x, int y) override;
    void lineTo(int x, int y) override;
    void polygon(std::span<const Point> pts) override;
    void polyline(std::span<const Point> pts) override;
    void ellipse(const Rect &r) override;
    void drawFocusRect(const Rect &r) override;
    int drawTextWrapped(const Rect &r, std::u16string_view text) override;
    void drawBitmap(const Bitmap &bmp, const Rect &dest) override;
    void save() override;
    void restore() override;
    void intersectClipRect(const Rect &r) override;
    Rect clipBox() const override;
    void setOrigin(Point p) override;
    Point origin() const override;
    void setMapping(Size windowExt, Size viewportExt) override;
    void resetMapping() override;
    std::unique_ptr<Canvas> createCompatible(int w, int h) override;
    void drawCanvas(Canvas &source, int x, int y) override;

    QPainter *painter() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// Converts between our colours and Qt's (system colours through the default table).
QImage toQImage(const Bitmap &bmp);  // shares no memory with bmp
Bitmap fromQImage(const QImage &img);

} // namespace platform
