#pragma once

// Volume caption, dB and percent read-outs and the volume slider (0..10000).
// The main window fills the read-outs and reacts to the slider.

#include <QWidget>

class QHBoxLayout;
class QLabel;
class QSlider;
class QVBoxLayout;

namespace Ui {

class VolumeSliderWidget
{
public:
    QVBoxLayout* verticalLayout = nullptr;
    QVBoxLayout* verticalLayout_2 = nullptr;
    QLabel* volumeLabel = nullptr;
    QHBoxLayout* horizontalLayout_2 = nullptr;
    QLabel* dBValueLabel = nullptr;
    QLabel* volumeValueLabel = nullptr;
    QHBoxLayout* horizontalLayout = nullptr;
    QSlider* volumeSlider = nullptr;

    void setupUi(QWidget* widget);
    void retranslateUi(QWidget* widget);
};

} // namespace Ui

class VolumeSliderWidget : public QWidget
{
    Q_OBJECT

public:
    explicit VolumeSliderWidget(QWidget* parent);
    ~VolumeSliderWidget() override;

    Ui::VolumeSliderWidget* form() const { return ui; }

private:
    Ui::VolumeSliderWidget* ui;
};
