#include "player/ui/FontHelper.h"

QFont FontHelper::getFont(AppFont key)
{
    return fontMap.at(key);
}

QFont FontHelper::getBoldFont(AppFont key)
{
    QFont font = fontMap.at(key);
    font.setWeight(QFont::Bold);
    return font;
}
