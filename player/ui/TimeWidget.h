#pragma once

// Track number, track time, CD time and the seek slider. Holds no playback
// logic: the main window fills the labels and reacts to the slider and the
// clickable time labels through the form's members.

#include <QWidget>

class ClickableLabel;
class QGridLayout;
class QLabel;
class QVBoxLayout;
class SeekSlider;

namespace Ui {

class TimeWidget
{
public:
    QVBoxLayout* verticalLayout = nullptr;
    QGridLayout* gridLayout = nullptr;
    QLabel* trackCaptionLabel = nullptr;
    ClickableLabel* timeCaptionLabel = nullptr;
    ClickableLabel* cdTimeCaptionLabel = nullptr;
    QLabel* trackLabel = nullptr;
    ClickableLabel* timeLabel = nullptr;
    ClickableLabel* cdTimeLabel = nullptr;
    SeekSlider* seekslider = nullptr;

    void setupUi(QWidget* widget);
    void retranslateUi(QWidget* widget);
};

} // namespace Ui

class TimeWidget : public QWidget
{
    Q_OBJECT

public:
    explicit TimeWidget(QWidget* parent);
    ~TimeWidget() override;

    Ui::TimeWidget* form() const { return ui; }

private:
    Ui::TimeWidget* ui;
};
