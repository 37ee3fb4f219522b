#include "bitmap.h"

namespace platform {

Bitmap::Bitmap(int width, int height, uint32_t fill)
{
    if (width <= 0 || height <= 0 || int64_t(width) * height > kMaxPixels)
        return;
    w_ = width;
    h_ = height;
    px_.assign(size_t(width) * size_t(height), fill);
}

bool Bitmap::hasAlpha() const
{
    for (uint32_t p : px_)
        if ((p >> 24) != 0xFF)
            return true;
    return false;
}

} // namespace platform
