#pragma once

// The player's four application fonts: family fontFamily ("Arial") at four
// point sizes. Handed out as copies, so callers may change what they get.
// GUI thread only.

#include "player/ui/Constants.h"

#include <QFont>

#include <map>

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
        {Size10, QFont(fontFamily, 10)},
        {Size11, QFont(fontFamily, 11)},
        {Size12, QFont(fontFamily, 12)},
        {Size14, QFont(fontFamily, 14)},
    };
};
