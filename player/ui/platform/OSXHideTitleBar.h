#pragma once

// Hides the main window's native title bar, so that the window body painted
// by the player and its own close and minimise buttons take its place.
//
// On this platform the window keeps its frame: a frameless window could not
// be resized here (the player's size grip is disabled and nothing emits a
// resize request), so hideTitleBar changes nothing.

class OSXHideTitleBar
{
public:
    // winId: the main window's native handle (QWidget::winId). GUI thread.
    static void hideTitleBar(long winId);
};
