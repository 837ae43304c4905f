#include "player/ui/CheckBoxPalette.h"

#include "player/ui/Constants.h"

#include <QPalette>

QPalette createCheckBoxPalette(int index)
{
    QPalette palette;
    const QColor window = (index % 2 != 0) ? QColor(35, 36, 38) : QColor(23, 24, 25);
    palette.setBrush(QPalette::All, QPalette::Window, QBrush(window, Qt::SolidPattern));
    palette.setBrush(QPalette::All, QPalette::Highlight, QBrush(highlightColor, Qt::SolidPattern));
    palette.setBrush(QPalette::All, QPalette::WindowText, QBrush(textColor, Qt::SolidPattern));
    palette.setBrush(QPalette::All, QPalette::Mid, QBrush(midGreyColor, Qt::SolidPattern));
    return palette;
}
