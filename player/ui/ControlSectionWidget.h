#pragma once

// The control section of the main window: info box, track table, and the
// time, transport and volume panels. Paints the window's texture behind them.
// GUI thread only.

#include <QWidget>

class InfoBoxWidget;
class QHBoxLayout;
class QSpacerItem;
class QVBoxLayout;
class TableViewWidget;
class TimeWidget;
class TransportWidget;
class VolumeSliderWidget;

namespace Ui {

class ControlSectionWidget
{
public:
    QVBoxLayout* verticalLayout1 = nullptr;
    QHBoxLayout* horizontalLayout1 = nullptr;
    ::InfoBoxWidget* infoBox = nullptr;
    ::TableViewWidget* tableViewWidget = nullptr;
    QHBoxLayout* horizontalLayout2 = nullptr;
    QSpacerItem* horizontalSpacerLeft = nullptr;
    ::TimeWidget* timeWidget = nullptr;
    ::TransportWidget* transportWidget = nullptr;
    ::VolumeSliderWidget* volumeSliderWidget = nullptr;
    QSpacerItem* horizontalSpacerRight = nullptr;

    void setupUi(QWidget* widget);
};

} // namespace Ui

class ControlSectionWidget : public QWidget
{
public:
    explicit ControlSectionWidget(QWidget* parent);
    ~ControlSectionWidget() override;

    Ui::ControlSectionWidget* form() const { return ui; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Ui::ControlSectionWidget* ui;
};

// The section texture: ":pattern" tiled over the widget, leaving 10 pixels
// free at the left and the right.
void paintSectionTexture(QWidget* section);
