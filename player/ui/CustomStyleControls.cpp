// Control and complex-control drawing of CustomStyle: menus, push-button
// labels, check boxes, header sections, the size grip, the progress-bar
// groove, scroll bars, sliders and tool buttons. Whatever is not handled here
// is the base style's.
//
// Options are never changed in place: a drawing that needs other flags or
// another rectangle works on a local copy of the option.

#include "player/ui/CustomStyle.h"

#include "player/ui/Constants.h"
#include "player/ui/Pixmaps.h"

#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QStyleOption>
#include <QWidget>

namespace {

// Resource images are loaded per paint; loadPixmap wants a mutable widget
// only to read its device pixel ratio.
QPixmap widgetPixmap(const QWidget* widget, const QString& name)
{
    return loadPixmap(const_cast<QWidget*>(widget), name);
}

constexpr int menuTextFlags =
    Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip | Qt::TextShowMnemonic;

} // namespace

void CustomStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                              const QWidget* widget) const
{
    switch (element) {
    case CE_PushButtonLabel: {
        const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
        if (!button)
            return;
        // The base style draws the icon in its Active (white) variant when the
        // option has focus; focus is made to mean "pointer over or pressed".
        QStyleOptionButton copy(*button);
        if ((copy.state & State_Enabled) && (copy.state & (State_MouseOver | State_Sunken)))
            copy.state |= State_HasFocus;
        else
            copy.state &= ~State_HasFocus;
        QProxyStyle::drawControl(element, &copy, painter, widget);
        return;
    }
    case CE_CheckBox: {
        const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
        if (!button)
            return;
        QStyleOptionButton copy(*button);
        const bool hovered = copy.state & State_MouseOver;
        painter->fillRect(copy.rect, hovered ? copy.palette.brush(QPalette::Highlight)
                                             : copy.palette.brush(QPalette::Window));
        const QRect indicator = proxy()->subElementRect(SE_CheckBoxIndicator, button, widget);
        QIcon(QStringLiteral(":checkbox_bg"))
            .paint(painter, QRect(indicator.left() + 1, indicator.top() + 2, 10, 10), Qt::AlignCenter,
                   QIcon::Normal, QIcon::Off);

        copy.rect = indicator;
        QColor label = copy.palette.color(QPalette::WindowText);
        if (copy.state & State_On)
            proxy()->drawPrimitive(PE_IndicatorCheckBox, &copy, painter, widget);
        else
            label = copy.palette.color(QPalette::Mid);
        if (!(copy.state & State_Enabled))
            label = copy.palette.color(QPalette::Dark);

        copy.rect = proxy()->subElementRect(SE_CheckBoxContents, button, widget);
        if (hovered)
            label = label.lighter(150);
        copy.palette.setBrush(QPalette::WindowText, label);
        proxy()->drawControl(CE_CheckBoxLabel, &copy, painter, widget);
        return;
    }
    case CE_ProgressBarGroove: {
        painter->fillRect(option->rect, option->palette.brush(QPalette::Active, QPalette::Base));
        painter->save();
        painter->setPen(backgroundColor.lighter(150));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
        painter->restore();
        return;
    }
    case CE_MenuItem:
        if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option))
            drawMenuItem(item, painter, widget);
        return;
    case CE_MenuBarItem:
        if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option))
            drawMenuBarItem(item, painter);
        else
            QProxyStyle::drawControl(element, option, painter, widget);
        return;
    case CE_MenuBarEmptyArea:
        painter->fillRect(option->rect, option->palette.color(QPalette::Window));
        return;
    case CE_ToolButtonLabel: {
        const auto* tool = qstyleoption_cast<const QStyleOptionToolButton*>(option);
        if (!tool)
            return;
        QStyleOptionToolButton copy(*tool);
        if (copy.state & State_On)
            copy.state |= State_MouseOver;
        QProxyStyle::drawControl(element, &copy, painter, widget);
        return;
    }
    case CE_HeaderSection: {
        const auto* header = qstyleoption_cast<const QStyleOptionHeader*>(option);
        if (!header)
            return;
        // The two leading columns stay put (they cannot be moved or sorted
        // by the user), so they never show the hover colour.
        const bool fixedColumn = header->text == QLatin1String("Type") || header->text == QLatin1String("Track");
        const bool active = (header->state & State_Enabled) && (header->state & (State_MouseOver | State_Sunken));
        const QColor fill = !fixedColumn && active ? header->palette.color(QPalette::Highlight)
                                                   : header->palette.color(QPalette::Window);
        painter->fillRect(header->rect, fill);
        return;
    }
    case CE_SizeGrip: {
        const auto* grip = qstyleoption_cast<const QStyleOptionSizeGrip*>(option);
        if (grip && grip->corner == Qt::BottomRightCorner)
            QIcon(QStringLiteral(":sizegrip")).paint(painter, grip->rect, Qt::AlignCenter, QIcon::Normal, QIcon::Off);
        return;
    }
    default:
        QProxyStyle::drawControl(element, option, painter, widget);
    }
}

void CustomStyle::drawMenuItem(const QStyleOptionMenuItem* item, QPainter* painter, const QWidget* widget) const
{
    const QRect& rect = item->rect;
    const int x = rect.x();
    const int y = rect.y();
    const int w = rect.width();
    const int h = rect.height();
    const int right = x + w - 1;
    const bool enabled = item->state & State_Enabled;
    const bool selected = item->state & State_Selected;

    painter->save();
    if (selected)
        painter->fillRect(rect, highlightColor);
    if (item->menuItemType == QStyleOptionMenuItem::Separator) {
        painter->fillRect(rect, Qt::gray);
        painter->restore();
        return;
    }

    const QRect iconColumn = visualRect(item->direction, rect, QRect(x, y, 16, h));
    if (!item->icon.isNull()) {
        int side = proxy()->pixelMetric(PM_LargeIconSize, item, widget);
        if (side > qMin(w, h))
            side = proxy()->pixelMetric(PM_SmallIconSize, item, widget);
        const QIcon::Mode mode = enabled ? QIcon::Normal : QIcon::Disabled;
        QIcon icon = item->icon;
        if (!enabled) {
            const QList<QSize> sizes = icon.availableSizes(QIcon::Normal, QIcon::Off);
            for (const QSize& size : sizes) {
                const QPixmap normal = icon.pixmap(size, QIcon::Normal, QIcon::Off);
                icon.addPixmap(proxy()->generatedIconPixmap(QIcon::Disabled, normal, item), QIcon::Normal,
                               QIcon::Off);
            }
        }
        QPixmap pixmap = icon.pixmap(QSize(side, side), enabled && selected ? QIcon::Active : mode, QIcon::Off);
        if (!enabled)
            pixmap = recolorPixmap(pixmap, midGreyColor);
        if (!pixmap.isNull()) {
            const int logicalWidth = int(pixmap.width() / pixmap.devicePixelRatio());
            const int logicalHeight = int(pixmap.height() / pixmap.devicePixelRatio());
            const QPoint centre((iconColumn.left() + iconColumn.right()) / 2,
                                (iconColumn.top() + iconColumn.bottom()) / 2);
            painter->drawPixmap(centre.x() - (logicalWidth - 1) / 2, centre.y() - (logicalHeight - 1) / 2, pixmap);
        }
    }

    const bool leftToRight = item->direction != Qt::RightToLeft;
    const QRect textRect =
        visualRect(item->direction, rect, QRect(leftToRight ? x + 21 : x, y + 2, w - 33 - item->tabWidth, h - 4));
    QColor textColour = textColor;
    if (selected)
        textColour = textColour.lighter(150);
    if (!item->text.isEmpty() && textRect.isValid()) {
        QFont font = item->font;
        font.setWeight(QFont::Normal);
        painter->setFont(font);
        painter->setPen(enabled ? textColour : midGreyColor);
        // Shortcuts after the tab are not shown in the player's menus.
        const int tab = item->text.indexOf(QLatin1Char('\t'));
        painter->drawText(textRect, menuTextFlags, tab < 0 ? item->text : item->text.left(tab));
    }

    if (item->menuItemType == QStyleOptionMenuItem::SubMenu) {
        const int dim = (h - 4) / 2;
        const QRect arrow = visualRect(item->direction, rect,
                                       QRect(right - 7 - dim, y + h / 2 - (h - 4) / 4 + 1, dim, dim));
        QStyleOptionMenuItem arrowOption(*item);
        arrowOption.rect = arrow;
        arrowOption.state = enabled ? State_Enabled : State_None;
        arrowOption.palette.setBrush(QPalette::WindowText, textColour);
        proxy()->drawPrimitive(leftToRight ? PE_IndicatorArrowRight : PE_IndicatorArrowLeft, &arrowOption, painter,
                               widget);
    }
    painter->restore();
}

void CustomStyle::drawMenuBarItem(const QStyleOptionMenuItem* item, QPainter* painter) const
{
    QStyleOptionMenuItem copy(*item);
    QColor fill = backgroundColor;
    const auto activeIcon = [&copy]() {
        copy.icon = QIcon(copy.icon.pixmap(copy.rect.size(), QIcon::Active, QIcon::Off));
    };
    if (copy.state == (State_Enabled | State_HasFocus | State_Selected))
        activeIcon();
    if (copy.state & State_Sunken) {
        fill = QColor(60, 60, 60);
        activeIcon();
    }
    painter->save();
    painter->fillRect(copy.rect, backgroundColor);
    painter->fillRect(copy.rect.adjusted(1, 1, -1, -1), fill);
    painter->setPen(Qt::white);
    if (copy.icon.isNull())
        painter->drawText(copy.rect, Qt::AlignCenter, copy.text);
    else
        copy.icon.paint(painter, copy.rect, Qt::AlignCenter, QIcon::Normal, QIcon::Off);
    painter->restore();
}

void CustomStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                     QPainter* painter, const QWidget* widget) const
{
    switch (control) {
    case CC_ScrollBar:
        if (const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option))
            drawScrollBar(bar, painter, widget);
        return;
    case CC_Slider:
        if (const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(option))
            drawSlider(slider, painter);
        return;
    case CC_ToolButton:
        if (const auto* tool = qstyleoption_cast<const QStyleOptionToolButton*>(option))
            drawToolButton(tool, painter, widget);
        return;
    default:
        QProxyStyle::drawComplexControl(control, option, painter, widget);
    }
}

void CustomStyle::drawScrollBar(const QStyleOptionSlider* bar, QPainter* painter, const QWidget* widget) const
{
    const bool vertical = bar->orientation == Qt::Vertical;
    // Buttons and slider are laid out as if the bar were 30 pixels thick; the
    // groove keeps the real thickness.
    QStyleOptionSlider thick(*bar);
    if (vertical)
        thick.rect.setRight(thick.rect.left() + 29);
    else
        thick.rect.setBottom(thick.rect.top() + 29);

    painter->save();
    painter->setPen(Qt::NoPen);
    if (bar->subControls & SC_ScrollBarGroove) {
        const QRect groove = proxy()->subControlRect(CC_ScrollBar, bar, SC_ScrollBarGroove, nullptr);
        painter->setRenderHint(QPainter::Antialiasing, true);
        painter->fillRect(groove, controlMidColor);
        painter->setBrush(controlDarkColor);
        if (vertical) {
            const qreal radius = (groove.width() - 2) / 2;
            painter->drawRoundedRect(groove.adjusted(1, 0, -1, 0), radius, radius);
        } else {
            const qreal radius = (groove.height() - 2) / 2;
            painter->drawRoundedRect(groove.adjusted(0, 1, 0, -1), radius, radius);
        }
    }

    const QRect addLine = proxy()->subControlRect(CC_ScrollBar, &thick, SC_ScrollBarAddLine, widget);
    if (addLine.isValid()) {
        painter->setRenderHint(QPainter::Antialiasing, true);
        painter->fillRect(addLine, controlMidColor);
        if (vertical)
            painter->drawPixmap(QRect(addLine.x() + 2, addLine.y() + 4, 12, 10),
                                widgetPixmap(widget, QStringLiteral(":scroll_down_icon")));
        else
            painter->drawPixmap(QRect(addLine.x() + 4, 2, 10, 12),
                                widgetPixmap(widget, QStringLiteral(":scroll_right_icon")));
    }

    const QRect subLine = proxy()->subControlRect(CC_ScrollBar, &thick, SC_ScrollBarSubLine, widget);
    if (subLine.isValid()) {
        painter->setRenderHint(QPainter::Antialiasing, true);
        painter->fillRect(subLine, controlMidColor);
        if (vertical)
            painter->drawPixmap(QRect(subLine.x() + 2, subLine.y() + 2, 12, 10),
                                widgetPixmap(widget, QStringLiteral(":scroll_up_icon")));
        else
            painter->drawPixmap(QRect(subLine.x() + 3, 2, 10, 12),
                                widgetPixmap(widget, QStringLiteral(":scroll_left_icon")));
    }

    const QRect slider = proxy()->subControlRect(CC_ScrollBar, &thick, SC_ScrollBarSlider, widget);
    if (slider.isValid()) {
        QColor colour = controlLightColor;
        QRect shrunk;
        qreal rx = 0;
        qreal ry = 0;
        if (vertical) {
            shrunk = slider.adjusted(4, 1, -4, -1);
            rx = shrunk.width();
            ry = shrunk.width() / 2;
        } else {
            shrunk = slider.adjusted(1, 4, -1, -4);
            rx = shrunk.height() / 2;
            ry = shrunk.height();
        }
        if (bar->activeSubControls & SC_ScrollBarSlider) {
            if (thick.state & State_Sunken)
                colour = colour.darker(200);
            else if (thick.state & State_MouseOver)
                colour = colour.lighter(150);
        }
        painter->setRenderHint(QPainter::Antialiasing, true);
        painter->setBrush(colour);
        painter->drawRoundedRect(shrunk, rx, ry);
    }
    painter->restore();
}

void CustomStyle::drawSlider(const QStyleOptionSlider* slider, QPainter* painter) const
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    if (slider->subControls & SC_SliderGroove) {
        const QRect groove = proxy()->subControlRect(CC_Slider, slider, SC_SliderGroove, nullptr);
        const int third = groove.height() / 3;
        const QRect bar(groove.x(), int((slider->rect.height() - third) * 0.5), groove.width(), third);
        painter->setPen(Qt::NoPen);
        painter->setBrush(controlGreyColor);
        painter->drawRoundedRect(bar, 10, 50, Qt::RelativeSize);
    }
    if (slider->subControls & SC_SliderHandle) {
        const QRect handle = proxy()->subControlRect(CC_Slider, slider, SC_SliderHandle, nullptr);
        const int d = handle.height() - 4;
        const int x = handle.x() + (handle.x() == slider->rect.left() ? 1 : 0);
        const int y = int(slider->rect.height() * 0.5 - d * 0.5);
        painter->setPen(QPen(controlGreyColor, 2.0));
        painter->setBrush(controlShadowColor);
        painter->drawRoundedRect(QRect(x, y, d, d), d / 2, d / 2);
    }
    painter->restore();
}

void CustomStyle::drawToolButton(const QStyleOptionToolButton* tool, QPainter* painter, const QWidget* widget) const
{
    const QPalette& palette = tool->palette;
    const bool hovered = tool->state & State_MouseOver;
    const bool checked = tool->state & State_On;
    QBrush fill = palette.brush(QPalette::Button);
    QBrush frame = palette.brush(QPalette::Window);
    if (((tool->state & State_Raised) && hovered) || checked)
        fill = palette.brush(QPalette::Mid);
    if (checked) {
        frame = QBrush(palette.color(QPalette::Window).lighter(200));
        fill = hovered ? QBrush(palette.color(QPalette::Highlight).lighter(120)) : palette.brush(QPalette::Highlight);
    }
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->fillRect(tool->rect, frame);
    painter->fillRect(tool->rect.adjusted(1, 1, -1, -1), fill);
    painter->restore();

    QStyleOptionToolButton label(*tool);
    const int frameWidth = proxy()->pixelMetric(PM_DefaultFrameWidth, tool, widget);
    label.rect = proxy()
                     ->subControlRect(CC_ToolButton, tool, SC_ToolButton, widget)
                     .adjusted(frameWidth, frameWidth, -frameWidth, -frameWidth);
    proxy()->drawControl(CE_ToolButtonLabel, &label, painter, widget);
}
