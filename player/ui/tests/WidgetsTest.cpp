#include "player/ui/ClickableLabel.h"
#include "player/ui/SeekSlider.h"
#include "player/ui/TimeWidget.h"
#include "player/ui/TransportButton.h"
#include "player/ui/TransportWidget.h"
#include "player/ui/VolumeSliderWidget.h"

#include <QLabel>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct SeekSliderFixture : ::testing::Test
{
    SeekSliderFixture()
    {
        slider.setOrientation(Qt::Horizontal);
        slider.setRange(0, 10000);
        slider.resize(200, 14);
        slider.show();
    }

    SeekSlider slider{nullptr};
    QSignalSpy released{&slider, &QSlider::sliderReleased};
    QSignalSpy changed{&slider, &QSlider::valueChanged};
};

} // namespace

TEST_F(SeekSliderFixture, LeftClickJumpsProportionallyAndAlwaysReleases)
{
    QTest::mouseClick(&slider, Qt::LeftButton, Qt::NoModifier, QPoint(50, 7));
    EXPECT_EQ(slider.value(), 2500);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(released.count(), 1);
    EXPECT_FALSE(slider.isSliderDown());

    QTest::mouseClick(&slider, Qt::LeftButton, Qt::NoModifier, QPoint(0, 7));
    EXPECT_EQ(slider.value(), 0);
    EXPECT_EQ(released.count(), 2);

    // The right edge maps to 9950 (integer truncation); the base slider may
    // then page once towards the click when it misses the moved handle.
    QTest::mouseClick(&slider, Qt::LeftButton, Qt::NoModifier, QPoint(199, 7));
    EXPECT_GE(slider.value(), 9950);
    EXPECT_LE(slider.value(), 9950 + slider.pageStep());
    EXPECT_EQ(released.count(), 3);
}

TEST_F(SeekSliderFixture, RightButtonDoesNotJumpButStillPressesAndReleases)
{
    slider.setValue(1234);
    changed.clear();
    QTest::mouseClick(&slider, Qt::RightButton, Qt::NoModifier, QPoint(150, 7));
    EXPECT_EQ(slider.value(), 1234);
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(released.count(), 1);
}

TEST(SeekSlider, VerticalSliderCountsFromTheBottom)
{
    SeekSlider slider(nullptr);
    slider.setOrientation(Qt::Vertical);
    slider.setRange(0, 1000);
    slider.resize(14, 100);
    slider.show();
    QTest::mouseClick(&slider, Qt::LeftButton, Qt::NoModifier, QPoint(7, 25));
    EXPECT_EQ(slider.value(), 750);
}

TEST(TransportButton, IconFillsTheButtonLessMarginsWithAMinimum)
{
    TransportButton button(nullptr);
    EXPECT_EQ(button.iconSide(QSize(30, 30)), 22);
    EXPECT_EQ(button.iconSide(QSize(40, 30)), 22);
    EXPECT_EQ(button.iconSide(QSize(15, 15)), 8);
    EXPECT_EQ(button.iconSide(QSize(4, 4)), 8);
}

TEST(ClickableLabel, EachPressEmitsClickedOnce)
{
    ClickableLabel label(nullptr);
    label.setText(QStringLiteral("00:00"));
    label.setTextInteractionFlags(Qt::TextSelectableByMouse);
    label.show();
    QSignalSpy clicked(&label, &ClickableLabel::clicked);
    QTest::mouseClick(&label, Qt::LeftButton);
    QTest::mouseClick(&label, Qt::RightButton);
    EXPECT_EQ(clicked.count(), 2);
    EXPECT_FALSE(label.hasSelectedText());
}

TEST(TimeWidget, FormNamesAndInitialTexts)
{
    TimeWidget widget(nullptr);
    Ui::TimeWidget* form = widget.form();
    EXPECT_EQ(widget.objectName(), QStringLiteral("TimeWidget"));
    EXPECT_EQ(form->trackCaptionLabel->text(), QStringLiteral("TRACK"));
    EXPECT_EQ(form->timeCaptionLabel->text(), QStringLiteral("TIME"));
    EXPECT_EQ(form->cdTimeCaptionLabel->text(), QStringLiteral("CD TIME"));
    EXPECT_EQ(form->trackLabel->text(), QStringLiteral("01"));
    EXPECT_EQ(form->timeLabel->text(), QStringLiteral("00:00"));
    EXPECT_EQ(form->cdTimeLabel->text(), QStringLiteral("00:00"));
    EXPECT_EQ(form->seekslider->orientation(), Qt::Horizontal);
    EXPECT_EQ(form->seekslider->maximumHeight(), 14);
    EXPECT_EQ(widget.findChild<ClickableLabel*>(QStringLiteral("cdTimeLabel")), form->cdTimeLabel);
    EXPECT_EQ(form->trackLabel->alignment(), Qt::AlignHCenter | Qt::AlignTop);
}

TEST(TransportWidget, FourFixedButtonsWithTooltipsAndIcons)
{
    TransportWidget widget(nullptr);
    Ui::TransportWidget* form = widget.form();
    const std::pair<TransportButton*, const char*> buttons[] = {
        {form->backButton, "Skip to previous track"},
        {form->nextButton, "Skip to next track"},
        {form->stopButton, "Stop playback"},
        {form->playButton, "Start playback from cursor"}};
    for (const auto& [button, tip] : buttons) {
        EXPECT_EQ(button->toolTip(), QLatin1String(tip));
        EXPECT_EQ(button->minimumSize(), QSize(30, 30));
        EXPECT_EQ(button->maximumSize(), QSize(30, 30));
        EXPECT_TRUE(button->autoRaise());
        EXPECT_FALSE(button->icon().isNull()) << tip;
    }
    EXPECT_EQ(form->playButton->objectName(), QStringLiteral("playButton"));
}

TEST(VolumeSliderWidget, StartsAtFullVolume)
{
    VolumeSliderWidget widget(nullptr);
    Ui::VolumeSliderWidget* form = widget.form();
    EXPECT_EQ(form->volumeLabel->text(), QStringLiteral("VOLUME"));
    EXPECT_EQ(form->dBValueLabel->text(), QStringLiteral("0 dB"));
    EXPECT_EQ(form->volumeValueLabel->text(), QStringLiteral("100 %"));
    EXPECT_EQ(form->volumeSlider->minimum(), 0);
    EXPECT_EQ(form->volumeSlider->maximum(), 10000);
    EXPECT_EQ(form->volumeSlider->value(), 10000);
}
