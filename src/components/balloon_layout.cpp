#include "components/balloon_layout.h"

#include <algorithm>

using platform::Point;
using platform::Rect;

BalloonLayout layoutBalloon(TBalloonPosition position, platform::Size titleSize, platform::Size textSize)
{
    // With the arrow above the body everything moves down by the arrow's height.
    const int shift = arrowOnTop(position) ? kBalloonArrowSize : 0;
    BalloonLayout l;
    l.icon = {10, 10 + shift};
    l.title = {34, 12 + shift};
    l.text = {10, l.title.y + titleSize.cy + 8};
    l.height = l.text.y + textSize.cy + 10;
    if (!arrowOnTop(position))
        l.height += kBalloonArrowSize; // room for the arrow below the body
    l.width = std::max(l.title.x + titleSize.cx, l.text.x + textSize.cx) + 10;
    return l;
}

BalloonPlacement placeBalloon(TBalloonPosition position, int x, int y, int w, int h)
{
    const int a = kBalloonArrowSize;
    BalloonPlacement p;
    switch (position) {
    case blnArrowTopLeft:
    default:
        p.origin = {x - (w - a), y - h};
        p.body = Rect{0, 0, w, h - 18};
        p.arrow = {Point{w - 2 * a, h - a}, Point{w - a, h}, Point{w - a, h - a}};
        p.tip = {w - a, h};
        break;
    case blnArrowTopRight:
        p.origin = {x - a, y - h};
        p.body = Rect{0, 0, w, h - 18};
        p.arrow = {Point{a, h - a}, Point{a, h}, Point{2 * a, h - a}};
        p.tip = {a, h};
        break;
    case blnArrowBottomLeft:
        p.origin = {x - (w - a), y - 2};
        p.body = Rect{0, 22, w, h};
        p.arrow = {Point{w - a, 2}, Point{w - a, 22}, Point{w - 2 * a, 22}};
        p.tip = {w - a, 2};
        break;
    case blnArrowBottomRight:
        p.origin = {x - a, y - 2};
        p.body = Rect{0, 22, w, h};
        p.arrow = {Point{a, 2}, Point{a, 22}, Point{2 * a, 22}};
        p.tip = {a, 2};
        break;
    }
    return p;
}
