#pragma once

// The player's four application fonts: family fontFamily ("Arial") at four
// sizes. Handed out as copies, so callers may change what they get.
// GUI thread only.
//
// The sizes are points of a 72-dpi screen, where a point is a pixel, and the
// window's fixed layout was made for them. Qt sizes a point by the screen's
// logical resolution (96 dpi and more on Linux desktops), which would make
// every text a third larger than its place; so the fonts are sized in
// pixels, which the layout shares at any resolution.

#include "player/ui/Constants.h"

#include <QFont>

#include <map>

namespace FontSizes {

// The family fontFamily at a size in pixels, weight and style left at Qt's
// defaults.
inline QFont pixelFont(int pixels)
{
    QFont font(fontFamily);
    font.setPixelSize(pixels);
    return font;
}

} // namespace FontSizes

class FontHelper
{
public:
    enum AppFont : int { Size10 = 0, Size11 = 1, Size12 = 2, Size14 = 3 };

    // Both throw std::out_of_range for a value outside AppFont (a programming error).
    static QFont getFont(AppFont key);
    static QFont getBoldFont(AppFont key);

    // Built after fontFamily (both are inline variables and this header
    // includes Constants.h first, so the initialisation order is fixed).
    static inline const std::map<AppFont, QFont> fontMap{
        {Size10, FontSizes::pixelFont(10)},
        {Size11, FontSizes::pixelFont(11)},
        {Size12, FontSizes::pixelFont(12)},
        {Size14, FontSizes::pixelFont(14)},
    };

    // The size of the application's own font (Qt's default for every widget
    // without a font of its own): the 13 points of the desktop font that the
    // layout was made for, in pixels for the same reason.
    static constexpr int applicationFontPixels = 13;
};
