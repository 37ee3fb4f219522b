#include "viewer/rv_layoutdata.h"

#include <algorithm>

namespace rv {

void TRVLayoutData::SetScrollRange(int /*width*/, int height)
{
    FBarShown = VScrollBarWidth > 0 && height > ClientHeight;
    VOffs = std::clamp(VOffs, 0, std::max(0, height - ClientHeight));
}

void TRVLayoutData::ScrollToY(int y)
{
    VOffs = std::clamp(y, 0, std::max(0, ContentHeight() - ClientHeight));
}

} // namespace rv
