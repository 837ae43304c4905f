// Renders the player's building blocks offscreen with the application style
// and writes them as PNG files for a person to look at, then probes a few
// pixels against the palette.

#include "player/ui/AboutDialog.h"
#include "player/ui/ClickableLabel.h"
#include "player/ui/Constants.h"
#include "player/ui/CustomStyle.h"
#include "player/ui/ErrorDialog.h"
#include "player/ui/LevelMeterWidget.h"
#include "player/ui/MenuBar.h"
#include "player/ui/SampleRateErrorDialog.h"
#include "player/ui/TimeWidget.h"
#include "player/ui/TransportButton.h"
#include "player/ui/TransportWidget.h"
#include "player/ui/VolumeSliderWidget.h"
#include "player/ui/tests/FakeAudio.h"
#include "testsupport/TestTree.h"

#include <QApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QImage>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

class Screenshots : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        if (!dynamic_cast<CustomStyle*>(QApplication::style()))
            QApplication::setStyle(new CustomStyle);
        QDir().mkpath(testtree::inBuildTree(QStringLiteral(GLASSWELL_SCREENSHOT_DIR)));
    }

    // Grabs the widget at device pixel ratio 1 and stores it under name.
    static QImage shoot(QWidget& widget, const char* name)
    {
        const QImage image = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QString path = testtree::inBuildTree(QStringLiteral(GLASSWELL_SCREENSHOT_DIR "/") + QLatin1String(name)) +
                             QStringLiteral(".png");
        EXPECT_TRUE(image.save(path)) << path.toStdString();
        return image;
    }
};

QColor at(const QImage& image, int x, int y)
{
    return image.pixelColor(x, y);
}

bool anyPixel(const QImage& image, const QRect& area, const std::function<bool(const QColor&)>& test)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (test(image.pixelColor(x, y)))
                return true;
    return false;
}

} // namespace

TEST_F(Screenshots, LevelMeterShowsBarsHoldsAndScale)
{
    QWidget frame;
    QPalette palette;
    palette.setColor(QPalette::Window, backgroundColor);
    frame.setPalette(palette);
    frame.setAutoFillBackground(true);
    frame.resize(450, 100);
    LevelMeterWidget& meter = *new LevelMeterWidget(&frame);
    meter.resize(450, 100);
    meter.setState(LevelMeterWidget::Playing);
    MeterInfo loud;
    loud.peakLeft = 1.0f;
    loud.peakRight = 0.5f;
    meter.levelChanged(loud);
    meter.redrawTimerExpired();
    MeterInfo quiet;
    quiet.rmsLeft = 0.25f;
    quiet.rmsRight = 0.25f;
    quiet.peakLeft = 0.3f;
    quiet.peakRight = 0.3f;
    meter.levelChanged(quiet);
    for (int tick = 0; tick < 40; ++tick) // well inside the one-second hold
        meter.redrawTimerExpired();

    const QImage image = shoot(frame, "level_meter");

    const QRect bars = meter.barArea();
    const int bw = bars.right() - 12;
    const int h = bars.height();
    const int leftRow = bars.top() + 1 + h / 4;
    const int rightRow = static_cast<int>(h * 0.5 + bars.top() + 1) + h / 4;

    // Left hold at full scale: orange tip at the right end of the bar area.
    EXPECT_EQ(at(image, bars.right(), leftRow), QColor(255, 174, 0));
    // Right hold at 0.5: its tip sits where the power law puts 0.5.
    const int holdX = 12 + static_cast<int>(bw - (1.0 - LevelMeterWidget::levelFraction(0.5)) * bw);
    EXPECT_EQ(at(image, holdX, rightRow), QColor(255, 174, 0));
    EXPECT_EQ(at(image, holdX - 3, rightRow), QColor(81, 81, 81));
    // Beyond the right hold the empty bar background shows.
    EXPECT_EQ(at(image, holdX + 20, rightRow), QColor(52, 52, 52));
    // The falling peak is the blue gradient near the left end.
    const QColor peak = at(image, 15, leftRow);
    EXPECT_GT(peak.blue(), 140);
    EXPECT_LT(peak.red(), 40);
    // The RMS marker of 0.25.
    const int rmsX = static_cast<int>(static_cast<float>(LevelMeterWidget::levelFraction(0.25)) * bw + 13.0f);
    EXPECT_EQ(at(image, rmsX, leftRow), QColor(11, 105, 159));
    // The 0 dB tick at the right end, dark grey, above the bar area.
    EXPECT_EQ(at(image, bw + 12, bars.top() - 5), QColor(Qt::darkGray));
    // Scale texts in white below the bars.
    EXPECT_TRUE(anyPixel(image, QRect(12, bars.bottom() + 2, bw, 18),
                         [](const QColor& c) { return c.red() > 200 && c.green() > 200 && c.blue() > 200; }));
}

TEST_F(Screenshots, TransportRowUsesThePanelColours)
{
    QWidget row;
    QPalette palette;
    palette.setColor(QPalette::Window, backgroundColor);
    row.setPalette(palette);
    row.setAutoFillBackground(true);
    auto* layout = new QHBoxLayout(&row);
    auto* time = new TimeWidget(&row);
    time->setFixedSize(158, 72);
    auto* transport = new TransportWidget(&row);
    transport->setFixedSize(148, 50);
    auto* volume = new VolumeSliderWidget(&row);
    volume->setFixedSize(158, 72);
    layout->addWidget(time);
    layout->addWidget(transport);
    layout->addWidget(volume);
    transport->form()->playButton->setCheckable(true);
    transport->form()->playButton->setChecked(true);
    row.resize(500, 90);
    row.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&row));
    const QImage image = shoot(row, "transport_row");

    // The panels are transparent: the window colour shows at their corners.
    const QPoint timeCorner = time->mapTo(&row, QPoint(1, 1));
    EXPECT_EQ(at(image, timeCorner.x(), timeCorner.y()), backgroundColor);
    // Value texts are drawn in the light text colour, captions in the dim one.
    const QRect valueArea(time->mapTo(&row, time->form()->timeLabel->geometry().topLeft()),
                          time->form()->timeLabel->size());
    EXPECT_TRUE(anyPixel(image, valueArea, [](const QColor& c) { return c == lightTextColor; }));
    const QRect captionArea(time->mapTo(&row, time->form()->timeCaptionLabel->geometry().topLeft()),
                            time->form()->timeCaptionLabel->size());
    EXPECT_TRUE(anyPixel(image, captionArea, [](const QColor& c) { return c == dimTextColor; }));
    EXPECT_FALSE(anyPixel(image, captionArea, [](const QColor& c) { return c == lightTextColor; }));
    // The transport buttons paint their icons.
    const QRect play(transport->mapTo(&row, transport->form()->playButton->geometry().topLeft()),
                     transport->form()->playButton->size());
    EXPECT_TRUE(anyPixel(image, play, [](const QColor& c) { return c.red() > 150 && c.red() == c.blue(); }));
}

TEST_F(Screenshots, DialogsAreDarkAndTheAboutBoxShowsItsArtwork)
{
    QWidget window;
    window.resize(466, 702);

    ErrorDialog missing(MissingImageDat, &window);
    missing.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&missing));
    const QImage missingImage = shoot(missing, "error_dialog");
    EXPECT_EQ(at(missingImage, 2, 2), backgroundColor);
    EXPECT_TRUE(anyPixel(missingImage, missingImage.rect(), [](const QColor& c) { return c == textColor; }));

    ErrorDialog damaged(DamagedImage, &window);
    damaged.setDetails({QStringLiteral("IMAGE.DAT ends at 01:16 but the disc runs to 03:10."),
                        QStringLiteral("Track 02 (00:52 to 01:40) is cut off at 01:16."),
                        QStringLiteral("Tracks 03 to 04 (01:40 to 03:10) are missing.")});
    damaged.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&damaged));
    EXPECT_EQ(at(shoot(damaged, "damaged_image_dialog"), 2, 2), backgroundColor);

    FakeStreamingSetup setup;
    SampleRateErrorDialog rate(IncompatibleSampleRate, &setup, &window);
    rate.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&rate));
    for (QAbstractButton* button : rate.buttons())
        if (button->text() == QStringLiteral("Rescan"))
            button->click();
    const QImage rateImage = shoot(rate, "sample_rate_dialog");
    EXPECT_EQ(at(rateImage, 2, 2), backgroundColor);
    // The failed rescan line is drawn in its red.
    EXPECT_TRUE(anyPixel(rateImage, rateImage.rect(), [](const QColor& c) {
        return std::abs(c.red() - 134) < 12 && std::abs(c.green() - 61) < 12 && std::abs(c.blue() - 57) < 12;
    }));

    AboutDialog about(&window);
    const QImage aboutImage = shoot(about, "about_dialog");
    ASSERT_EQ(aboutImage.size(), QSize(450, 400));
    // The artwork's top is the gradient's start colour, not the white window.
    const QColor top = at(aboutImage, 225, 1);
    EXPECT_NEAR(top.red(), 58, 3);
    EXPECT_NEAR(top.blue(), 64, 3);
    // The version line in white at the lower left.
    EXPECT_TRUE(anyPixel(aboutImage, QRect(5, 360, 200, 39), [](const QColor& c) { return c == QColor(Qt::white); }));
}

TEST_F(Screenshots, MenuBarAndItsMenu)
{
    FakeDevices devices;
    Audio::AudioDeviceInfo info;
    info.name = "Built-in Output";
    info.hasOutput = 1;
    info.probed = true;
    devices.devices = {info, info};
    devices.devices[1].name = "USB DAC";

    QWidget window;
    QPalette palette;
    palette.setColor(QPalette::Window, backgroundColor);
    window.setPalette(palette);
    window.setAutoFillBackground(true);
    window.resize(466, 18);
    auto* bar = new MenuBar(&window);
    bar->resize(466, 18);
    QMenu attributes(&window);
    attributes.addAction(QStringLiteral("Title"));
    bar->setupOpen();
    bar->initialize(&attributes);
    bar->deviceSetup = &devices;
    bar->setupAudioDevicePrefs();
    bar->setupWavExport();
    bar->setupAbout();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QImage barImage = shoot(window, "menu_bar");
    // The bar is transparent over the window colour.
    EXPECT_EQ(at(barImage, 3, 3), backgroundColor);

    QMenu* menu = bar->menuButton->menu();
    menu->popup(QPoint(0, 0));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
    const QImage menuImage = shoot(*menu, "main_menu");
    EXPECT_EQ(at(menuImage, 0, 0), QColor(60, 60, 60));
    EXPECT_EQ(at(menuImage, menuImage.width() - 2, menuImage.height() / 2), backgroundColor);
    EXPECT_TRUE(anyPixel(menuImage, QRect(3, 3, 16, menuImage.height() - 6),
                         [](const QColor& c) { return c == QColor(20, 21, 22); }));
    menu->hide();

    bar->devicesMenu->popup(QPoint(0, 0));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(bar->devicesMenu));
    shoot(*bar->devicesMenu, "devices_menu");
}
