#include "canvas.h"

namespace platform {

FontDesc FontDesc::fromPoints(std::string face, int points, int dpiY)
{
    FontDesc f;
    f.faceName = std::move(face);
    f.height = -MulDiv(points, dpiY, 72);
    return f;
}

} // namespace platform
