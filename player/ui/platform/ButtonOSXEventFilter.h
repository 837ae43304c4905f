#pragma once

// Clears a widget's under-mouse state when it is pressed, so that the menu
// push button loses its hover look while its menu is open. Never consumes
// the press.

#include <QObject>

class ButtonOSXEventFilter : public QObject
{
    Q_OBJECT

public:
    explicit ButtonOSXEventFilter(QObject* parent);

    bool eventFilter(QObject* watched, QEvent* event) override;
};
