#pragma once

// The highest peak ("Level") and RMS level reached since the last click on
// the value, in dB with one decimal. Fed the display timer's MeterInfo on
// every tick. GUI thread only.

#include "player/ui/MeterInfo.h"

#include <QWidget>

#include <limits>

class ClickableLabel;
class QHBoxLayout;
class QLabel;
class QSpacerItem;
class QVBoxLayout;

namespace Ui {

class MeterNumericalDisplayWidget
{
public:
    QHBoxLayout* horizontalLayout1 = nullptr;
    QVBoxLayout* verticalLayout1 = nullptr;
    QLabel* levelCaptionLabel = nullptr;
    ClickableLabel* levelValueLabel = nullptr;
    QSpacerItem* horizontalSpacer = nullptr;
    QVBoxLayout* verticalLayout2 = nullptr;
    QLabel* rmsCaptionLabel = nullptr;
    ClickableLabel* rmsValueLabel = nullptr;

    void setupUi(QWidget* widget);
    void retranslateUi(QWidget* widget);
};

} // namespace Ui

class MeterNumericalDisplayWidget : public QWidget
{
    Q_OBJECT

public:
    explicit MeterNumericalDisplayWidget(QWidget* parent);
    ~MeterNumericalDisplayWidget() override;

    // Called by the display timer on every tick with the same values as the
    // level meter.
    void levelChanged(MeterInfo info);

    Ui::MeterNumericalDisplayWidget* form() const { return ui; }

    // The dB text of a value: one decimal, or the infinity sign for silence.
    static QString formatDb(float db);

public slots:
    void onUpdateRms();
    void onUpdatePeak();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Ui::MeterNumericalDisplayWidget* ui;
    float maxRms = -std::numeric_limits<float>::infinity();
    float maxPeak = -std::numeric_limits<float>::infinity();
    bool resetRms = false;
    bool resetPeak = false;
};
