#pragma once

// The column menu: one check box per optional table column. A click toggles
// the check box under the mouse and leaves the menu open, so several columns
// can be switched in one visit. GUI thread only.

#include <QMenu>

class AttributesMenu : public QMenu
{
    Q_OBJECT

public:
    using QMenu::QMenu;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};
