#include "player/ui/platform/ButtonOSXEventFilter.h"

#include <QEvent>
#include <QWidget>

ButtonOSXEventFilter::ButtonOSXEventFilter(QObject* parent)
    : QObject(parent)
{
}

bool ButtonOSXEventFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (watched && event->type() == QEvent::MouseButtonPress && watched->isWidgetType())
        static_cast<QWidget*>(watched)->setAttribute(Qt::WA_UnderMouse, false);
    return QObject::eventFilter(watched, event);
}
