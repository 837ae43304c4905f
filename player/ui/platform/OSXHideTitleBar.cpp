#include "player/ui/platform/OSXHideTitleBar.h"

void OSXHideTitleBar::hideTitleBar(long winId)
{
    // The window manager draws the frame and title; taking them away would
    // leave a window that can be neither resized nor moved by the desktop.
    static_cast<void>(winId);
}
