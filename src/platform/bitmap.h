// A decoded raster image in memory: 32-bit ARGB pixels (not premultiplied),
// rows top to bottom. Engines pass it to Canvas::drawBitmap.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

class Bitmap {
public:
    Bitmap() = default;
    Bitmap(int width, int height, uint32_t fill = 0xFFFFFFFF);

    int width() const { return w_; }
    int height() const { return h_; }
    bool isNull() const { return w_ <= 0 || h_ <= 0; }
    // True when some pixel is not fully opaque (icons, masks).
    bool hasAlpha() const;

    uint32_t pixel(int x, int y) const { return px_[size_t(y) * size_t(w_) + size_t(x)]; }
    void setPixel(int x, int y, uint32_t argb) { px_[size_t(y) * size_t(w_) + size_t(x)] = argb; }
    uint32_t *data() { return px_.data(); }
    const uint32_t *data() const { return px_.data(); }

    // The largest picture any decoder may create (width × height), so a
    // hostile header cannot make us allocate without bound.
    static constexpr int64_t kMaxPixels = 64LL * 1024 * 1024;

private:
    int w_ = 0, h_ = 0;
    std::vector<uint32_t> px_;
};

} // namespace platform
