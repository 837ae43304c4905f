// The window as a user has it: an image chosen in the Open dialog, Play
// pressed, and what came out of this process's own PulseAudio stream judged
// for gaps, for the time it keeps, and for the RMS level shown, idle and
// beside a busy loop per core.

#include "player/ui/tests/MainWindowTestSupport.h"

#include "player/testsupport/OutputRecording.h"
#include "player/ui/ClickableLabel.h"
#include "player/ui/MenuBar.h"
#include "player/ui/MeterNumericalDisplayWidget.h"
#include "player/ui/TransportButton.h"

#include <QAction>
#include <QLabel>

#include <chrono>
#include <iostream>
#include <memory>

#include <gtest/gtest.h>

using namespace MainWindowTest;
using namespace MainWindowWidgets;
using namespace std::chrono_literals;

namespace {

void playsAnOpenedImageContinuously(bool besideLoad)
{
    const std::string notPrivate = OutputRecording::testServerProblem();
    if (!notPrivate.empty()) {
        if (audioRequired())
            FAIL() << notPrivate;
        GTEST_SKIP() << notPrivate;
    }
    PrivateSettings settings;
    ModalAnswerer modals;
    QTemporaryDir dir;
    DdpFixture::Options options;
    options.trackCount = 2;
    options.trackFrames = 15 * 75; // no track change while it is judged
    options.samples = DdpFixture::Samples::Sine;
    // 997 Hz meets a zero sample only every 22050 frames; 0.25 is -12 dBFS.
    options.sineFrequency = 997.0;
    options.sineAmplitude = 0.25;
    const DdpFixture::Image image = writeImage(dir.filePath(QStringLiteral("disc")), options);

    MainWindow::MainWindow window;
    Audio::DiskStreaming& streaming = window.player().getStreaming();
    if (!streaming.engine().isStreamRunning()) {
        if (audioRequired())
            FAIL() << "no output device, although HG_REQUIRE_AUDIO=1";
        GTEST_SKIP() << "no output device";
    }
    window.show();
    modals.folder = QString::fromStdString(image.folder);
    central(window.form())->menuBar->getActionAt(0)->trigger(); // Open...
    ASSERT_TRUE(waitFor([&] { return window.currentModel() != nullptr; }, 30000)) << "the Open dialog loaded nothing";

    OutputRecording::StreamRecorder recorder;
    ASSERT_TRUE(recorder.start(OutputRecording::ownSinkInput(10s)))
        << "the output stream is not a PulseAudio stream that can be recorded";
    ASSERT_TRUE(waitFor([&] { return recorder.recordedBytes() >= 44100 * 4 / 10; }, 60000));

    std::unique_ptr<OutputRecording::CpuLoad> load;
    if (besideLoad)
        load = std::make_unique<OutputRecording::CpuLoad>(120s);
    const std::uint64_t lockTakenBefore = streaming.lockTakenCount();
    transport(window.form())->playButton->click();
    OutputRecording::CounterRate rate;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; clock.elapsed() < 60000; ++i) {
        rate.sample(streaming.values().playedSamples());
        if (i % 20 == 0 && OutputRecording::continuity(recorder.recorded()).frames >= 44100 * 11 / 2)
            break;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    const std::string recorded = recorder.stop();
    const std::uint64_t lockTaken = streaming.lockTakenCount() - lockTakenBefore;
    load.reset();
    // The RMS read-out of the -12 dBFS sine after 5.5 s, with its 2 s time
    // constant: 0.3 dB below -12.0.
    const double rmsShown = numericalDisplay(window.form())->form()->rmsValueLabel->text().toDouble();
    EXPECT_TRUE(window.player().isRunning());
    window.close();

    const auto c = OutputRecording::continuity(recorded);
    std::cout << OutputRecording::describe(c) << "; counter/wall " << rate.rate() << "; lock taken " << lockTaken
              << "; RMS shown " << rmsShown << " dB" << (besideLoad ? " (beside the load)" : " (idle)") << std::endl;
    EXPECT_GE(c.frames, 44100u * 5) << "recorded " << recorded.size() / 4 << " frames";
    EXPECT_EQ(c.gaps, 0u) << "longest silent run " << c.longestGap << " frames";
    EXPECT_GE(c.soundingShare(), 0.999);
    EXPECT_GE(rate.seconds(), 5.0);
    EXPECT_NEAR(rate.rate(), 1.0, 0.02) << "played seconds per second";
    EXPECT_EQ(lockTaken, 0u) << "the render function found the position lock taken";
    EXPECT_NEAR(rmsShown, -12.3, 0.5);
}

TEST(PlaybackContinuity, TheWindowPlaysAnImageOpenedInTheDialogWithoutAGap)
{
    playsAnOpenedImageContinuously(false);
}

TEST(PlaybackContinuity, TheWindowPlaysWithoutAGapBesideABusyLoopPerCore)
{
    playsAnOpenedImageContinuously(true);
}

} // namespace
