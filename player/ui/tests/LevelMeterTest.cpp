#include "player/ui/LevelMeterWidget.h"

#include <QThread>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

MeterInfo peaks(float left, float right)
{
    MeterInfo info;
    info.peakLeft = left;
    info.peakRight = right;
    return info;
}

} // namespace

TEST(LevelMeter, PeakFallsFivePercentPerTickWhilePlayingAndTenOtherwise)
{
    LevelMeterWidget meter(nullptr);
    EXPECT_EQ(meter.state(), LevelMeterWidget::StoppedOrPaused);

    meter.setState(LevelMeterWidget::Playing);
    meter.levelChanged(peaks(1.0f, 0.5f));
    meter.redrawTimerExpired();
    EXPECT_FLOAT_EQ(meter.peakShown(0), 1.0f);
    EXPECT_FLOAT_EQ(meter.peakShown(1), 0.5f);

    meter.levelChanged(peaks(0.0f, 0.0f));
    EXPECT_FLOAT_EQ(meter.decayRate(), 0.05f);
    meter.redrawTimerExpired();
    EXPECT_FLOAT_EQ(meter.peakShown(0), 0.95f);
    meter.redrawTimerExpired();
    EXPECT_FLOAT_EQ(meter.peakShown(0), 0.95f * 0.95f);

    for (auto state : {LevelMeterWidget::StoppedOrPaused, LevelMeterWidget::VolumeSliderMoving}) {
        meter.setState(state);
        meter.levelChanged(peaks(0.0f, 0.0f));
        EXPECT_FLOAT_EQ(meter.decayRate(), 0.1f);
        const float before = meter.peakShown(0);
        meter.redrawTimerExpired();
        EXPECT_FLOAT_EQ(meter.peakShown(0), before * 0.9f);
    }
}

TEST(LevelMeter, HoldStaysForOneSecondThenFalls)
{
    LevelMeterWidget meter(nullptr);
    meter.setState(LevelMeterWidget::Playing);
    meter.levelChanged(peaks(1.0f, 1.0f));
    meter.redrawTimerExpired();
    meter.levelChanged(peaks(0.0f, 0.0f));
    for (int tick = 0; tick < 10; ++tick)
        meter.redrawTimerExpired();
    EXPECT_FLOAT_EQ(meter.holdShown(0), 1.0f);
    EXPECT_FLOAT_EQ(meter.holdShown(1), 1.0f);
    EXPECT_LT(meter.peakShown(0), 0.6f);

    QThread::msleep(1050);
    meter.redrawTimerExpired();
    EXPECT_FLOAT_EQ(meter.holdShown(0), 0.95f);
    EXPECT_FLOAT_EQ(meter.holdShown(1), 0.95f);
}

TEST(LevelMeter, ValuesSettleToZeroAndResetClearsWhatIsShown)
{
    LevelMeterWidget meter(nullptr);
    meter.setState(LevelMeterWidget::Playing);
    MeterInfo info = peaks(0.8f, 0.8f);
    info.rmsLeft = 0.3f;
    info.rmsRight = 0.2f;
    meter.levelChanged(info);
    meter.redrawTimerExpired();
    EXPECT_FLOAT_EQ(meter.rmsShown(0), 0.3f);

    meter.reset();
    EXPECT_EQ(meter.peakShown(0), 0.0f);
    EXPECT_EQ(meter.holdShown(1), 0.0f);
    EXPECT_EQ(meter.rmsShown(0), 0.0f);

    // Inputs were kept: the next tick takes them again.
    meter.redrawTimerExpired();
    EXPECT_FLOAT_EQ(meter.peakShown(1), 0.8f);

    meter.levelChanged(MeterInfo{});
    for (int tick = 0; tick < 400; ++tick)
        meter.redrawTimerExpired();
    EXPECT_EQ(meter.peakShown(0), 0.0f);
    EXPECT_EQ(meter.rmsShown(0), 0.0f);
}

TEST(LevelMeter, StoppedMeterLetsTheRmsFallTwiceAsFastPerTick)
{
    LevelMeterWidget meter(nullptr);
    MeterInfo info;
    info.rmsLeft = 0.5f;
    meter.levelChanged(info); // stopped: decay 0.1
    meter.redrawTimerExpired();
    meter.levelChanged(MeterInfo{});
    meter.redrawTimerExpired();
    EXPECT_FLOAT_EQ(meter.rmsShown(0), 0.5f * 0.9f * 0.9f);
}

TEST(LevelMeter, ScalePositionsFollowThePowerLaw)
{
    EXPECT_DOUBLE_EQ(LevelMeterWidget::dbFraction(-0.0), 1.0);
    EXPECT_NEAR(LevelMeterWidget::dbFraction(-6.0), 0.78, 0.005);
    EXPECT_NEAR(LevelMeterWidget::dbFraction(-48.0), 0.14, 0.005);
    EXPECT_EQ(LevelMeterWidget::dbFraction(-std::numeric_limits<double>::infinity()), 0.0);
    EXPECT_NEAR(LevelMeterWidget::levelFraction(0.5), LevelMeterWidget::dbFraction(20 * std::log10(0.5)), 1e-9);
}

TEST(LevelMeter, OddBarAreaHeightIsMadeEven)
{
    LevelMeterWidget meter(nullptr);
    meter.resize(300, 100); // top 20, bottom 70: 51 rows, so the bottom moves to 71
    meter.grab();
    EXPECT_EQ(meter.barArea(), QRect(QPoint(13, 20), QPoint(296, 71)));

    meter.resize(300, 90); // top 18, bottom 62: 45 rows, so 63
    meter.grab();
    EXPECT_EQ(meter.barArea().bottom(), 63);

    meter.resize(300, 80); // top 16, bottom 56: 41 rows, so 57
    meter.grab();
    EXPECT_EQ((meter.barArea().bottom() - meter.barArea().top() + 1) % 2, 0);
}
