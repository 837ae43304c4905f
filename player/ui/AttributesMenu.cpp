#include "player/ui/AttributesMenu.h"

#include <QCheckBox>
#include <QWidgetAction>

void AttributesMenu::mouseReleaseEvent(QMouseEvent* event)
{
    QAction* action = activeAction();
    if (!action || !action->isEnabled()) {
        QMenu::mouseReleaseEvent(event);
        return;
    }
    auto* widgetAction = qobject_cast<QWidgetAction*>(action);
    auto* checkBox = widgetAction ? qobject_cast<QCheckBox*>(widgetAction->defaultWidget()) : nullptr;
    if (!checkBox)
        return;

    checkBox->setChecked(!checkBox->isChecked());
    // A disabled action is neither triggered nor closes the menu.
    const bool wasBlocked = action->blockSignals(true);
    action->setEnabled(false);
    QMenu::mouseReleaseEvent(event);
    action->setEnabled(true);
    action->blockSignals(wasBlocked);
}
