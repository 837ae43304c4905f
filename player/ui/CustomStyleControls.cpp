// Control and complex-control drawing of CustomStyle. Until the player's own
// drawing of menus, check boxes, header sections, scroll bars, sliders and
// tool buttons is added here, the base style draws them.

#include "player/ui/CustomStyle.h"

#include <QStyleOption>

void CustomStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                              const QWidget* widget) const
{
    QProxyStyle::drawControl(element, option, painter, widget);
}

void CustomStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                     QPainter* painter, const QWidget* widget) const
{
    QProxyStyle::drawComplexControl(control, option, painter, widget);
}
