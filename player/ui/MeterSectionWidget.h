#pragma once

// The meter section of the main window: the level meter and the numerical
// display on the window's texture. GUI thread only.

#include <QWidget>

class LevelMeterWidget;
class MeterNumericalDisplayWidget;
class QHBoxLayout;
class QSpacerItem;

namespace Ui {

class MeterSectionWidget
{
public:
    QHBoxLayout* horizontalLayout = nullptr;
    QWidget* levelMeterHolderWidget = nullptr;
    QHBoxLayout* horizontalLayout1 = nullptr;
    QSpacerItem* horizontalSpacerLeft = nullptr;
    ::LevelMeterWidget* levelMeter = nullptr;
    QSpacerItem* horizontalSpacerMiddle = nullptr;
    ::MeterNumericalDisplayWidget* numericalDisplay = nullptr;
    QSpacerItem* horizontalSpacerRight = nullptr;

    void setupUi(QWidget* widget);
};

} // namespace Ui

class MeterSectionWidget : public QWidget
{
public:
    explicit MeterSectionWidget(QWidget* parent);
    ~MeterSectionWidget() override;

    Ui::MeterSectionWidget* form() const { return ui; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Ui::MeterSectionWidget* ui;
};
