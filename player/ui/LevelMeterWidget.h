#pragma once

// The stereo level meter: per channel a gradient bar for the falling peak, a
// grey peak-hold bar with an orange tip that stays for one second, and a thin
// RMS marker, over a dB scale with power-law positions. Fed a MeterInfo by the
// main window's display timer; animates on its own 16 ms timer.
// GUI thread only.

#include "player/ui/MeterInfo.h"

#include <QBrush>
#include <QColor>
#include <QElapsedTimer>
#include <QFont>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>

#include <vector>

class QTimer;

class LevelMeterWidget : public QWidget
{
    Q_OBJECT

public:
    enum State : qint32 {
        Playing = 0,
        StoppedOrPaused = 1,
        VolumeSliderMoving = 2,
    };
    Q_ENUM(State)

    explicit LevelMeterWidget(QWidget* parent);

    // Fraction of the bar for a linear level, and for a dB value.
    static double levelFraction(double level);
    static double dbFraction(double db);

    // The texts the meter paints for a widget of the given size: the eight
    // scale values, "L", "R" and the unit "dB", each with its baseline origin.
    struct Caption
    {
        QString text;
        QPoint origin;
        QFont font;
        QColor color;
    };
    static std::vector<Caption> captions(const QSize& size);

    // What the meter currently shows (channel 0 left, 1 right).
    float peakShown(int channel) const { return channel == 0 ? peakShownLeft : peakShownRight; }
    float holdShown(int channel) const { return channel == 0 ? holdLeft : holdRight; }
    float rmsShown(int channel) const { return channel == 0 ? rmsShownLeft : rmsShownRight; }
    float decayRate() const { return decay; }
    State state() const { return currentState; }
    QRect barArea() const { return bars; }

public slots:
    void reset();
    void setState(LevelMeterWidget::State state);
    void levelChanged(MeterInfo info);
    void redrawTimerExpired();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void settle(float& value, float input) const;

    float rmsInLeft = 0.0f;
    float rmsInRight = 0.0f;
    float rmsShownLeft = 0.0f;
    float rmsShownRight = 0.0f;
    QElapsedTimer rmsTimer;
    QElapsedTimer peakTimer;
    QElapsedTimer holdTimerLeft;
    QElapsedTimer holdTimerRight;
    float peakInLeft = 0.0f;
    float peakInRight = 0.0f;
    float peakShownLeft = 0.0f;
    float peakShownRight = 0.0f;
    float decay = 0.05f;
    float holdLeft = 0.0f;
    float holdRight = 0.0f;
    QTimer* redrawTimer = nullptr;
    QColor holdColor{81, 81, 81};
    QColor holdTipColor{255, 174, 0};
    QBrush barBrush;
    QRect bars;
    State currentState = StoppedOrPaused;
};
