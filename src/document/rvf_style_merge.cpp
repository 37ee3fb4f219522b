#include "rvf_style_merge.h"

#include "platform/geometry.h"

#include <cmath>
#include <cstdlib>

namespace rv::stylemerge {

using namespace platform;

int sizeScore(int f, int s, int weight)
{
    double r = f == 0 ? 1.0 - std::abs(s) : 1.0 - std::abs(double(f) - s) / std::abs(double(f));
    return int(std::lround(r * weight));
}

int colorScore(TColor a, TColor b, int w, int bright)
{
    if ((a == clNone) != (b == clNone))
        return 0;
    if (a == clNone)
        return bright + 3 * w;
    a = colorToRGB(a);
    b = colorToRGB(b);
    int score = -(std::abs(redOf(a) - redOf(b)) * w / 255 + std::abs(greenOf(a) - greenOf(b)) * w / 255
                  + std::abs(blueOf(a) - blueOf(b)) * w / 255);
    auto bright64 = [](TColor c) { return redOf(c) > 64 || greenOf(c) > 64 || blueOf(c) > 64; };
    if (bright64(a) == bright64(b))
        score += bright;
    return score;
}

bool referenceMatches(int &sheetRef, int fileRef, const std::vector<int> &map)
{
    if (sheetRef < 0)
        return true;
    if (size_t(sheetRef) >= map.size()) {
        sheetRef = -1;
        return true;
    }
    return map[size_t(sheetRef)] == fileRef;
}

void translate(int &ref, const std::vector<int> &map)
{
    if (ref >= 0)
        ref = size_t(ref) < map.size() ? map[size_t(ref)] : -1;
}

} // namespace rv::stylemerge
