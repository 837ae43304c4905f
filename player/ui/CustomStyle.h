#pragma once

// The player's application style: a proxy over the built-in "fusion" style
// that gives the player's widgets their dark look, fonts and palettes, the
// grey message-box icons and white Active-mode icons. main installs one
// instance before any widget exists; the application owns it.
// GUI thread only.

#include <QProxyStyle>

class QStyleOptionMenuItem;
class QStyleOptionSlider;
class QStyleOptionToolButton;

class CustomStyle : public QProxyStyle
{
public:
    CustomStyle();
    ~CustomStyle() override;

    void polish(QWidget* widget) override;
    // Installed as the application style: sets the application font.
    void polish(QApplication* application) override;
    using QProxyStyle::polish;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
    QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
    QPixmap generatedIconPixmap(QIcon::Mode iconMode, const QPixmap& pixmap,
                                const QStyleOption* option) const override;

private:
    void drawCheckMark(const QStyleOption* option, QPainter* painter) const;
    void drawMenuItem(const QStyleOptionMenuItem* item, QPainter* painter, const QWidget* widget) const;
    void drawMenuBarItem(const QStyleOptionMenuItem* item, QPainter* painter) const;
    void drawScrollBar(const QStyleOptionSlider* bar, QPainter* painter, const QWidget* widget) const;
    void drawSlider(const QStyleOptionSlider* slider, QPainter* painter) const;
    void drawToolButton(const QStyleOptionToolButton* tool, QPainter* painter, const QWidget* widget) const;
};
