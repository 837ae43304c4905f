// The style's control drawing, checked on rendered pixels: each case paints
// one element into an image through the real style and probes the colours.

#include "player/ui/CustomStyle.h"

#include "player/ui/Constants.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QStyleOption>

#include <algorithm>
#include <cstdlib>
#include <functional>

#include <gtest/gtest.h>

namespace {

QImage render(const QSize& size, const std::function<void(QPainter&)>& paint, const QColor& fill = Qt::black)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    QPainter painter(&image);
    paint(painter);
    return image;
}

bool near(const QColor& a, const QColor& b, int tolerance = 2)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

// Whether any pixel in rect is (nearly) the colour.
bool contains(const QImage& image, const QRect& rect, const QColor& colour, int tolerance = 2)
{
    const QRect area = rect.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (near(image.pixelColor(x, y), colour, tolerance))
                return true;
    return false;
}

// The most saturated ("strongest") red among the pixels of rect: text is
// antialiased, so its core shows the pen colour best.
int maxRed(const QImage& image, const QRect& rect)
{
    int best = 0;
    const QRect area = rect.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            best = std::max(best, image.pixelColor(x, y).red());
    return best;
}

QPalette checkBoxPalette()
{
    QPalette palette;
    palette.setColor(QPalette::All, QPalette::Window, QColor(0, 0, 0));
    palette.setColor(QPalette::All, QPalette::Highlight, QColor(0, 0, 200));
    palette.setColor(QPalette::All, QPalette::WindowText, QColor(0, 200, 0));
    palette.setColor(QPalette::All, QPalette::Mid, QColor(120, 0, 0));
    palette.setColor(QPalette::All, QPalette::Dark, QColor(0, 0, 90));
    return palette;
}

QStyleOptionButton checkBoxOption(QStyle::State state)
{
    QStyleOptionButton option;
    option.rect = QRect(0, 0, 160, 24);
    option.state = state;
    option.text = QStringLiteral("MMMMMMMM");
    option.palette = checkBoxPalette();
    option.direction = Qt::LeftToRight;
    option.fontMetrics = QFontMetrics(QFont());
    return option;
}

QPixmap solidPixmap(const QColor& colour)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(colour);
    return pixmap;
}

} // namespace

TEST(CustomStyleControls, UncheckedCheckBoxLabelTakesMidColourAndHoverLightensIt)
{
    CustomStyle style;
    const QStyleOptionButton plain = checkBoxOption(QStyle::State_Enabled | QStyle::State_Off);
    const QImage idle = render(plain.rect.size(), [&](QPainter& p) { style.drawControl(QStyle::CE_CheckBox, &plain, &p); });
    const QRect label = style.subElementRect(QStyle::SE_CheckBoxContents, &plain, nullptr);
    EXPECT_TRUE(near(idle.pixelColor(label.right() - 1, 1), QColor(0, 0, 0)));
    EXPECT_NEAR(maxRed(idle, label), 120, 6);
    EXPECT_FALSE(contains(idle, label, QColor(0, 200, 0), 40));

    const QStyleOptionButton hovered = checkBoxOption(QStyle::State_Enabled | QStyle::State_Off | QStyle::State_MouseOver);
    const QImage hover = render(hovered.rect.size(), [&](QPainter& p) { style.drawControl(QStyle::CE_CheckBox, &hovered, &p); });
    EXPECT_TRUE(near(hover.pixelColor(label.right() - 1, 1), QColor(0, 0, 200)));
    EXPECT_NEAR(maxRed(hover, label), 180, 6);
}

TEST(CustomStyleControls, CheckedCheckBoxUsesWindowTextAndDisabledUsesDark)
{
    CustomStyle style;
    const QStyleOptionButton checked = checkBoxOption(QStyle::State_Enabled | QStyle::State_On);
    const QImage on = render(checked.rect.size(), [&](QPainter& p) { style.drawControl(QStyle::CE_CheckBox, &checked, &p); });
    const QRect label = style.subElementRect(QStyle::SE_CheckBoxContents, &checked, nullptr);
    EXPECT_TRUE(contains(on, label, QColor(0, 200, 0), 30));
    EXPECT_LT(maxRed(on, label), 10);

    const QStyleOptionButton disabled = checkBoxOption(QStyle::State_Off);
    const QImage off = render(disabled.rect.size(), [&](QPainter& p) { style.drawControl(QStyle::CE_CheckBox, &disabled, &p); });
    EXPECT_TRUE(contains(off, label, QColor(0, 0, 90), 20));
    EXPECT_LT(maxRed(off, label), 10);
}

TEST(CustomStyleControls, MenuItemsDrawSelectionDisabledTextSeparatorsAndCutAtTheTab)
{
    CustomStyle style;
    QStyleOptionMenuItem item;
    item.rect = QRect(0, 0, 200, 24);
    item.state = QStyle::State_Enabled | QStyle::State_Selected;
    item.text = QStringLiteral("Open");
    item.menuItemType = QStyleOptionMenuItem::Normal;
    item.direction = Qt::LeftToRight;
    item.font = QFont(fontFamily, 12);
    const QImage selected = render(item.rect.size(), [&](QPainter& p) { style.drawControl(QStyle::CE_MenuItem, &item, &p); });
    EXPECT_EQ(selected.pixelColor(195, 2), highlightColor);
    EXPECT_TRUE(contains(selected, QRect(21, 2, 100, 20), textColor.lighter(150), 12));

    item.state = QStyle::State_None;
    const QImage disabled = render(item.rect.size(), [&](QPainter& p) { style.drawControl(QStyle::CE_MenuItem, &item, &p); });
    EXPECT_EQ(disabled.pixelColor(195, 2), QColor(Qt::black));
    EXPECT_TRUE(contains(disabled, QRect(21, 2, 100, 20), midGreyColor, 3));
    EXPECT_FALSE(contains(disabled, QRect(21, 2, 100, 20), textColor, 3));

    // Whatever follows the tab (a shortcut) is not drawn.
    item.state = QStyle::State_Enabled;
    const QImage plain = render(item.rect.size(), [&](QPainter& p) { style.drawControl(QStyle::CE_MenuItem, &item, &p); });
    item.text = QStringLiteral("Open\tCtrl+WWWWW");
    const QImage withTab = render(item.rect.size(), [&](QPainter& p) { style.drawControl(QStyle::CE_MenuItem, &item, &p); });
    EXPECT_EQ(plain, withTab);

    item.menuItemType = QStyleOptionMenuItem::Separator;
    item.rect = QRect(0, 0, 200, 7);
    const QImage separator = render(item.rect.size(), [&](QPainter& p) { style.drawControl(QStyle::CE_MenuItem, &item, &p); });
    for (int y = 0; y < 7; ++y)
        EXPECT_EQ(separator.pixelColor(100, y), QColor(Qt::gray));
}

TEST(CustomStyleControls, DisabledMenuIconIsRecolouredAndSelectedIconTurnsWhite)
{
    // Icons take their Active (white) variant from the application's style.
    QApplication::setStyle(new CustomStyle);
    const QStyle& style = *QApplication::style();
    QStyleOptionMenuItem item;
    item.rect = QRect(0, 0, 200, 24);
    item.menuItemType = QStyleOptionMenuItem::Normal;
    item.direction = Qt::LeftToRight;
    item.icon = QIcon(solidPixmap(QColor(200, 0, 0)));
    item.state = QStyle::State_Enabled;
    const QImage normal = render(item.rect.size(), [&](QPainter& p) { style.drawControl(QStyle::CE_MenuItem, &item, &p); });
    EXPECT_EQ(normal.pixelColor(7, 12), QColor(200, 0, 0));

    item.state = QStyle::State_Enabled | QStyle::State_Selected;
    const QImage selected = render(item.rect.size(), [&](QPainter& p) { style.drawControl(QStyle::CE_MenuItem, &item, &p); });
    EXPECT_EQ(selected.pixelColor(7, 12), QColor(Qt::white));

    item.icon = QIcon(solidPixmap(QColor(0, 200, 0)));
    item.state = QStyle::State_None;
    const QImage disabled = render(item.rect.size(), [&](QPainter& p) { style.drawControl(QStyle::CE_MenuItem, &item, &p); });
    EXPECT_EQ(disabled.pixelColor(7, 12), midGreyColor);
}

TEST(CustomStyleControls, TypeAndTrackHeadersNeverShowHover)
{
    CustomStyle style;
    QStyleOptionHeader header;
    header.rect = QRect(0, 0, 80, 20);
    header.state = QStyle::State_Enabled | QStyle::State_MouseOver;
    header.palette.setColor(QPalette::Window, QColor(58, 61, 64));
    header.palette.setColor(QPalette::Highlight, QColor(90, 95, 100));
    for (const char* text : {"Type", "Track"}) {
        header.text = QString::fromLatin1(text);
        const QImage image = render(header.rect.size(), [&](QPainter& p) { style.drawControl(QStyle::CE_HeaderSection, &header, &p); });
        EXPECT_EQ(image.pixelColor(40, 10), QColor(58, 61, 64)) << text;
    }
    header.text = QStringLiteral("Title");
    const QImage hovered = render(header.rect.size(), [&](QPainter& p) { style.drawControl(QStyle::CE_HeaderSection, &header, &p); });
    EXPECT_EQ(hovered.pixelColor(40, 10), QColor(90, 95, 100));
    header.state = QStyle::State_Enabled;
    const QImage idle = render(header.rect.size(), [&](QPainter& p) { style.drawControl(QStyle::CE_HeaderSection, &header, &p); });
    EXPECT_EQ(idle.pixelColor(40, 10), QColor(58, 61, 64));
}

TEST(CustomStyleControls, SizeGripIsDrawnOnlyInTheBottomRightCorner)
{
    CustomStyle style;
    QStyleOptionSizeGrip grip;
    grip.rect = QRect(0, 0, 16, 16);
    const QImage blank = render(grip.rect.size(), [](QPainter&) {}, Qt::transparent);
    for (Qt::Corner corner : {Qt::TopLeftCorner, Qt::TopRightCorner, Qt::BottomLeftCorner}) {
        grip.corner = corner;
        EXPECT_EQ(render(grip.rect.size(), [&](QPainter& p) { style.drawControl(QStyle::CE_SizeGrip, &grip, &p); }, Qt::transparent),
                  blank);
    }
    grip.corner = Qt::BottomRightCorner;
    EXPECT_NE(render(grip.rect.size(), [&](QPainter& p) { style.drawControl(QStyle::CE_SizeGrip, &grip, &p); }, Qt::transparent),
              blank);
}

TEST(CustomStyleControls, PushButtonIconTurnsWhiteOnlyWhileHoveredOrPressed)
{
    // Icons take their Active (white) variant from the application's style.
    QApplication::setStyle(new CustomStyle);
    const QStyle& style = *QApplication::style();
    QStyleOptionButton button;
    button.rect = QRect(0, 0, 40, 40);
    button.icon = QIcon(solidPixmap(QColor(0, 0, 220)));
    button.iconSize = QSize(16, 16);
    button.state = QStyle::State_Enabled | QStyle::State_HasFocus;
    const QImage idle = render(button.rect.size(), [&](QPainter& p) { style.drawControl(QStyle::CE_PushButtonLabel, &button, &p); });
    EXPECT_EQ(idle.pixelColor(20, 20), QColor(0, 0, 220));

    button.state = QStyle::State_Enabled | QStyle::State_MouseOver;
    const QImage hovered = render(button.rect.size(), [&](QPainter& p) { style.drawControl(QStyle::CE_PushButtonLabel, &button, &p); });
    EXPECT_EQ(hovered.pixelColor(20, 20), QColor(Qt::white));

    // (A fresh pixmap: the style caches its generated variants per source.)
    button.icon = QIcon(solidPixmap(QColor(0, 0, 220)));
    button.state = QStyle::State_MouseOver;
    const QImage disabled = render(button.rect.size(), [&](QPainter& p) { style.drawControl(QStyle::CE_PushButtonLabel, &button, &p); });
    EXPECT_NE(disabled.pixelColor(20, 20), QColor(Qt::white));
}

TEST(CustomStyleControls, ProgressGrooveIsBaseWithALighterOutline)
{
    CustomStyle style;
    QStyleOptionProgressBar bar;
    bar.rect = QRect(0, 0, 100, 12);
    bar.palette.setColor(QPalette::Active, QPalette::Base, QColor(10, 20, 30));
    const QImage image = render(QSize(102, 14), [&](QPainter& p) { style.drawControl(QStyle::CE_ProgressBarGroove, &bar, &p); });
    EXPECT_EQ(image.pixelColor(50, 6), QColor(10, 20, 30));
    EXPECT_TRUE(near(image.pixelColor(0, 6), backgroundColor.lighter(150)));
    EXPECT_TRUE(near(image.pixelColor(98, 11), backgroundColor.lighter(150)));
}

TEST(CustomStyleControls, SliderDrawsAThinGrooveAndARoundHandle)
{
    CustomStyle style;
    QStyleOptionSlider slider;
    slider.rect = QRect(0, 0, 200, 24);
    slider.orientation = Qt::Horizontal;
    slider.minimum = 0;
    slider.maximum = 10000;
    slider.sliderPosition = slider.sliderValue = 10000;
    slider.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
    slider.state = QStyle::State_Enabled;
    const QImage image = render(slider.rect.size(), [&](QPainter& p) { style.drawComplexControl(QStyle::CC_Slider, &slider, &p); });
    EXPECT_TRUE(near(image.pixelColor(60, 12), controlGreyColor, 4));
    EXPECT_EQ(image.pixelColor(60, 1), QColor(Qt::black));
    const QRect handle = style.subControlRect(QStyle::CC_Slider, &slider, QStyle::SC_SliderHandle, nullptr);
    EXPECT_TRUE(near(image.pixelColor(handle.x() + (handle.height() - 4) / 2, 12), controlShadowColor, 4));
}

TEST(CustomStyleControls, ScrollBarSliderIsAPillThatDarkensWhenPressed)
{
    CustomStyle style;
    QStyleOptionSlider bar;
    bar.rect = QRect(0, 0, 16, 300);
    bar.orientation = Qt::Vertical;
    bar.minimum = 0;
    bar.maximum = 100;
    bar.pageStep = 50;
    bar.sliderPosition = bar.sliderValue = 0;
    bar.subControls = QStyle::SC_All;
    bar.state = QStyle::State_Enabled;
    QStyleOptionSlider thick = bar;
    thick.rect.setRight(29);
    const QRect slider = style.subControlRect(QStyle::CC_ScrollBar, &thick, QStyle::SC_ScrollBarSlider, nullptr);
    const QPoint centre = slider.center();

    const QImage idle = render(bar.rect.size(), [&](QPainter& p) { style.drawComplexControl(QStyle::CC_ScrollBar, &bar, &p); });
    EXPECT_TRUE(near(idle.pixelColor(centre.x(), centre.y()), controlLightColor, 3));

    bar.activeSubControls = QStyle::SC_ScrollBarSlider;
    bar.state |= QStyle::State_Sunken;
    const QImage pressed = render(bar.rect.size(), [&](QPainter& p) { style.drawComplexControl(QStyle::CC_ScrollBar, &bar, &p); });
    EXPECT_TRUE(near(pressed.pixelColor(centre.x(), centre.y()), controlLightColor.darker(200), 3));
}

TEST(CustomStyleControls, CheckedToolButtonHasALightFrameAndHighlightFill)
{
    CustomStyle style;
    QStyleOptionToolButton tool;
    tool.rect = QRect(0, 0, 30, 30);
    tool.subControls = QStyle::SC_ToolButton;
    tool.palette.setColor(QPalette::Window, QColor(40, 40, 40));
    tool.palette.setColor(QPalette::Button, QColor(1, 2, 3));
    tool.palette.setColor(QPalette::Mid, QColor(70, 0, 0));
    tool.palette.setColor(QPalette::Highlight, QColor(0, 100, 0));
    tool.state = QStyle::State_Enabled | QStyle::State_On;
    const QImage checked = render(tool.rect.size(), [&](QPainter& p) { style.drawComplexControl(QStyle::CC_ToolButton, &tool, &p); });
    EXPECT_EQ(checked.pixelColor(0, 15), QColor(40, 40, 40).lighter(200));
    EXPECT_EQ(checked.pixelColor(15, 15), QColor(0, 100, 0));

    tool.state = QStyle::State_Enabled | QStyle::State_Raised | QStyle::State_MouseOver;
    const QImage hovered = render(tool.rect.size(), [&](QPainter& p) { style.drawComplexControl(QStyle::CC_ToolButton, &tool, &p); });
    EXPECT_EQ(hovered.pixelColor(0, 15), QColor(40, 40, 40));
    EXPECT_EQ(hovered.pixelColor(15, 15), QColor(70, 0, 0));

    tool.state = QStyle::State_Enabled;
    const QImage idle = render(tool.rect.size(), [&](QPainter& p) { style.drawComplexControl(QStyle::CC_ToolButton, &tool, &p); });
    EXPECT_EQ(idle.pixelColor(15, 15), QColor(1, 2, 3));
}
