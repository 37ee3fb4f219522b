// Plain value types shared by every layer: points, rectangles and colours the
// way the Windows interfaces define them (right and bottom edges exclusive).
#pragma once
#include <algorithm>
#include <cstdint>

namespace platform {

struct Point {
    int x = 0, y = 0;
    friend bool operator==(const Point &, const Point &) = default;
};

struct Size {
    int cx = 0, cy = 0;
    friend bool operator==(const Size &, const Size &) = default;
};

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
    bool contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    bool intersects(const Rect &r) const
    {
        return left < r.right && r.left < right && top < r.bottom && r.top < bottom;
    }
    Rect intersected(const Rect &r) const
    {
        Rect o{std::max(left, r.left), std::max(top, r.top), std::min(right, r.right), std::min(bottom, r.bottom)};
        return o.isEmpty() ? Rect{} : o;
    }
    Rect translated(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    Rect inflated(int dx, int dy) const { return {left - dx, top - dy, right + dx, bottom + dy}; }
    friend bool operator==(const Rect &, const Rect &) = default;
};

// Colour: 0x00BBGGRR is an RGB colour; 0xFF0000nn names system colour nn;
// clNone means "no colour" and lets a rule's fallback apply.
using Color = uint32_t;
constexpr Color clNone = 0x1FFFFFFF;
constexpr Color clDefault = 0x20000000;
constexpr Color clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080,
                clNavy = 0x800000, clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080,
                clSilver = 0xC0C0C0, clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF,
                clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00, clWhite = 0xFFFFFF;

// System colour indices (COLOR_*) and their colour values.
enum SysColorIndex : int {
    COLOR_SCROLLBAR = 0, COLOR_BACKGROUND = 1, COLOR_ACTIVECAPTION = 2, COLOR_INACTIVECAPTION = 3,
    COLOR_MENU = 4, COLOR_WINDOW = 5, COLOR_WINDOWFRAME = 6, COLOR_MENUTEXT = 7, COLOR_WINDOWTEXT = 8,
    COLOR_CAPTIONTEXT = 9, COLOR_ACTIVEBORDER = 10, COLOR_INACTIVEBORDER = 11, COLOR_APPWORKSPACE = 12,
    COLOR_HIGHLIGHT = 13, COLOR_HIGHLIGHTTEXT = 14, COLOR_BTNFACE = 15, COLOR_BTNSHADOW = 16,
    COLOR_GRAYTEXT = 17, COLOR_BTNTEXT = 18, COLOR_INACTIVECAPTIONTEXT = 19, COLOR_BTNHIGHLIGHT = 20,
    COLOR_3DDKSHADOW = 21, COLOR_3DLIGHT = 22, COLOR_INFOTEXT = 23, COLOR_INFOBK = 24,
    COLOR_HOTLIGHT = 26, COLOR_GRADIENTACTIVECAPTION = 27, COLOR_GRADIENTINACTIVECAPTION = 28,
    COLOR_MENUHILIGHT = 29, COLOR_MENUBAR = 30
};
constexpr Color sysColor(int index) { return 0xFF000000u | uint32_t(index & 0xFF); }
constexpr Color clWindow = sysColor(COLOR_WINDOW), clWindowText = sysColor(COLOR_WINDOWTEXT),
                clHighlight = sysColor(COLOR_HIGHLIGHT), clHighlightText = sysColor(COLOR_HIGHLIGHTTEXT),
                clBtnFace = sysColor(COLOR_BTNFACE), clBtnShadow = sysColor(COLOR_BTNSHADOW),
                clHotLight = sysColor(COLOR_HOTLIGHT), clInfoBk = sysColor(COLOR_INFOBK),
                clInfoText = sysColor(COLOR_INFOTEXT), clBtnHighlight = sysColor(COLOR_BTNHIGHLIGHT),
                cl3DDkShadow = sysColor(COLOR_3DDKSHADOW), clGrayText = sysColor(COLOR_GRAYTEXT);

constexpr bool isSysColor(Color c) { return (c & 0xFF000000u) == 0xFF000000u; }

// The default system colours of the classic Windows scheme, used wherever a
// result must not depend on the desktop theme (tests, printing).
Color defaultSysColorValue(int index);

// Resolves a system colour to RGB with the default table; RGB colours pass through.
inline Color colorToRGB(Color c)
{
    return isSysColor(c) ? defaultSysColorValue(int(c & 0xFF)) : (c & 0x00FFFFFF);
}

constexpr uint8_t redOf(Color c) { return uint8_t(c & 0xFF); }
constexpr uint8_t greenOf(Color c) { return uint8_t((c >> 8) & 0xFF); }
constexpr uint8_t blueOf(Color c) { return uint8_t((c >> 16) & 0xFF); }
constexpr Color rgb(int r, int g, int b) { return Color(r & 0xFF) | (Color(g & 0xFF) << 8) | (Color(b & 0xFF) << 16); }

// MulDiv as the system computes it: 64-bit product, rounded half away from zero,
// -1 when the divisor is 0 or the result does not fit in 32 bits.
int MulDiv(int number, int numerator, int denominator);

} // namespace platform
