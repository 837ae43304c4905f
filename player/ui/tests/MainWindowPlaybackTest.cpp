// The whole window playing through a real output stream (CI's PulseAudio
// null sink): drop an image, press play, let the display timer run, seek,
// step, pause, export, close, and find the window as it was left.

#include "player/ui/tests/MainWindowTestSupport.h"

#include "player/engine/ddp/DDPModel.h"
#include "player/testsupport/OutputRecording.h"
#include "player/ui/ClickableLabel.h"
#include "player/ui/export/WavExport.h"
#include "player/ui/LevelMeterWidget.h"
#include "player/ui/MenuBar.h"
#include "player/ui/MeterNumericalDisplayWidget.h"
#include "player/ui/SeekSlider.h"
#include "player/ui/TransportButton.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QSlider>

#include <algorithm>
#include <QTableView>

#include <gtest/gtest.h>

using namespace MainWindowTest;
using namespace MainWindowWidgets;

namespace {

void click(QAbstractButton* button)
{
    emit button->pressed();
    emit button->released();
    emit button->clicked(false);
}

} // namespace

TEST(MainWindowPlayback, DropPlaySeekStepPauseExportAndCloseThroughARealStream)
{
    REQUIRE_TEST_SERVER();
    PrivateSettings settings;
    ModalAnswerer modals;
    QTemporaryDir dir;
    DdpFixture::Options options;
    options.trackCount = 3;
    options.trackFrames = 6 * 75;
    options.pauseFrames = 75;
    options.tracksWithPause = 2;
    options.samples = DdpFixture::Samples::Sine;
    options.sineAmplitude = 0.5;
    options.cdText = DdpFixture::CdTextKind::Latin1;
    const DdpFixture::Image image = writeImage(dir.filePath(QStringLiteral("disc")), options);

    QByteArray header;
    {
        TestWindow window;
        if (!streamRunsOnceAnswered(window)) {
            if (audioRequired())
                FAIL() << "no output device, although HG_REQUIRE_AUDIO=1";
            GTEST_SKIP() << "no output device";
        }
        // Only into the private null sink, never another output the device fell back to.
        ASSERT_FALSE(OutputRecording::ownSinkInput(std::chrono::seconds(60)).empty())
            << "the output stream does not reach the private test server's null sink";
        window.show();
        ASSERT_TRUE(dropOn(window, {QString::fromStdString(image.folder)}));
        // Every track row and the total row.
        ASSERT_GE(tableView(window.form())->model()->rowCount(), 4);

        Ui::TimeWidget* t = time(window.form());
        MeterNumericalDisplayWidget* numbers = numericalDisplay(window.form());
        const QString levelBefore = numbers->form()->levelValueLabel->text();
        const QString timeBefore = t->timeLabel->text();

        click(transport(window.form())->playButton);
        ASSERT_TRUE(waitFor([&] { return window.player().isRunning(); }, 30000));
        // Half a second of audio played, and the display's ticks showing it:
        // each an event waited for, however slowly a loaded machine gets there.
        float peak = 0.0f;
        Audio::PlaybackValues& values = window.player().getStreaming().values();
        LevelMeterWidget* meter = levelMeter(window.form());
        const bool shown = waitFor(
            [&] {
                peak = std::max({peak, meter->peakShown(0), meter->holdShown(0)});
                return values.playedSamples() >= 44100 && peak > 0.0f && t->seekslider->value() > 0
                    && numbers->form()->levelValueLabel->text() != levelBefore;
            },
            60000);
        EXPECT_TRUE(shown) << "played " << values.playedSamples() << " samples, peak shown " << peak
                           << ", slider at " << t->seekslider->value();
        EXPECT_EQ(t->trackLabel->text(), QStringLiteral("01"));
        EXPECT_TRUE(transport(window.form())->playButton->isChecked());

        // Seek to 3/4 of the 6 s track: the played position jumps there.
        t->seekslider->setValue(7500);
        emit t->seekslider->sliderReleased();
        ASSERT_TRUE(waitFor([&] { return t->seekslider->value() >= 7400; }, 30000));
        EXPECT_LT(t->seekslider->value(), 9500);
        EXPECT_NE(t->timeLabel->text(), timeBefore);

        // Next track: the display follows within a short while.
        click(transport(window.form())->nextButton);
        ASSERT_TRUE(waitFor([&] { return t->trackLabel->text() == QStringLiteral("02"); }, 30000));
        EXPECT_TRUE(window.player().isRunning());

        // The stop button pauses a playing image, after its fade.
        click(transport(window.form())->stopButton);
        ASSERT_TRUE(waitFor([&] { return window.player().isPaused(); }, 30000));
        EXPECT_FALSE(transport(window.form())->playButton->isChecked());

        // Export all tracks into a folder that the dialog answers.
        const QString target = dir.filePath(QStringLiteral("wav"));
        QDir().mkpath(target);
        modals.folder = target;
        central(window.form())->menuBar->getActionAt(3)->trigger();
        ASSERT_TRUE(waitFor([&] { return QDir(target).entryList(QDir::Files).size() == 3 && !window.wavExport()->isExporting(); },
                            60000));
        for (const QFileInfo& wav : QDir(target).entryInfoList(QDir::Files))
            EXPECT_GT(wav.size(), 44) << wav.fileName().toStdString();

        window.setGeometry(150, 40, 520, 540);
        tableView(window.form())->horizontalHeader()->resizeSection(4, 88);
        window.close();
        EXPECT_FALSE(window.player().getStreaming().engine().isStreamOpen());
    }

    TestWindow again;
    EXPECT_EQ(again.geometry().size(), QSize(520, 540));
    again.loadFile(QDir(QString::fromStdString(image.folder)));
    EXPECT_EQ(tableView(again.form())->horizontalHeader()->sectionSize(4), 88);
}
