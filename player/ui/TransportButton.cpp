#include "player/ui/TransportButton.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionToolButton>

#include <algorithm>

TransportButton::TransportButton(QWidget* parent)
    : QToolButton(parent)
    , iconMargin(4)
    , minimumIconSide(8)
{
}

int TransportButton::iconSide(const QSize& size) const
{
    return std::max(std::min(size.width(), size.height()) - 2 * iconMargin, minimumIconSide);
}

void TransportButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QStyleOptionToolButton option;
    initStyleOption(&option);
    const int side = iconSide(option.rect.size());
    option.iconSize = QSize(side, side);
    style()->drawComplexControl(QStyle::CC_ToolButton, &option, &painter, this);
}
