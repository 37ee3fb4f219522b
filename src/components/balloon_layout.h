// Where the parts of a balloon go: pure arithmetic, shared by the balloon
// window and its tests.
#pragma once
#include "platform/geometry.h"

#include <array>

enum TBalloonPosition { blnArrowTopLeft, blnArrowTopRight, blnArrowBottomLeft, blnArrowBottomRight };

struct BalloonLayout {
    platform::Point icon;       // top-left of the 16 x 16 icon
    platform::Point title;      // top-left of the title label
    platform::Point text;       // top-left of the text label
    int width = 0, height = 0;  // outer size of the window
};

struct BalloonPlacement {
    platform::Point origin;                 // window's top-left on the screen
    platform::Rect body;                    // rounded body, window coordinates, right/bottom exclusive
    std::array<platform::Point, 3> arrow{}; // arrow triangle, window coordinates
    platform::Point tip;                    // arrow tip, window coordinates
};

constexpr int kBalloonArrowSize = 20;
constexpr int kBalloonCornerEllipse = 7;

// True when the balloon lies below the point (its arrow points up).
constexpr bool arrowOnTop(TBalloonPosition p)
{
    return p == blnArrowBottomLeft || p == blnArrowBottomRight;
}

// Lays out icon and labels for the sizes the two labels take.
BalloonLayout layoutBalloon(TBalloonPosition position, platform::Size titleSize, platform::Size textSize);

// Places a balloon of outer size w x h so that its arrow tip lands on (x, y).
BalloonPlacement placeBalloon(TBalloonPosition position, int x, int y, int w, int h);
