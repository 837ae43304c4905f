// The window as a user has it: an image chosen in the Open dialog, Play
// pressed, and what came out of this process's own PulseAudio stream judged
// for gaps, for the time it keeps, and for the RMS level shown, idle and
// beside a busy loop per core; and a sound server that ends under the window
// and comes back.

#include "player/ui/tests/MainWindowTestSupport.h"

#include "player/engine/audio/tests/AudioTestSupport.h"
#include "player/testsupport/OutputRecording.h"
#include "player/ui/ClickableLabel.h"
#include "player/ui/MenuBar.h"
#include "player/ui/MeterNumericalDisplayWidget.h"
#include "player/ui/TransportButton.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QStringList>
#include <QTest>
#include <QWidgetAction>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iostream>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace MainWindowTest;
using namespace MainWindowWidgets;
using namespace std::chrono_literals;

namespace {

// Two tracks of a -12 dBFS tone: 997 Hz meets a zero sample only every 22050
// frames, so a silent run in the recording is a gap, not the tone.
DdpFixture::Image writeToneImage(const QString& folder, int trackSeconds)
{
    DdpFixture::Options options;
    options.trackCount = 2;
    options.trackFrames = trackSeconds * 75;
    options.samples = DdpFixture::Samples::Sine;
    options.sineFrequency = 997.0;
    options.sineAmplitude = 0.25;
    return writeImage(folder, options);
}

// What each side did from the object's making to sides(), for the message
// of a gap (see OutputRecording::Sides).
class Witness
{
public:
    // `recorder` records the stream of `sinkInput`.
    Witness(Audio::DiskStreaming& streaming, OutputRecording::StreamRecorder& recorder, const std::string& sinkInput)
        : streaming_(streaming)
        , recorder_(recorder)
        , latency_(OutputRecording::streamLatency(sinkInput))
        , lockTaken_(streaming.lockTakenCount())
        , starved_(streaming.starvedFrames())
        , callbacks_(streaming.engine().callbackRecord().callbacks)
    {
        streaming.engine().restartCallbackRecord();
    }
    OutputRecording::Sides sides(double guiAwayMs)
    {
        OutputRecording::Sides s;
        const auto record = streaming_.engine().callbackRecord();
        s.callbacks = record.callbacks - callbacks_;
        s.longestCallbackIntervalMs = double(record.longestIntervalNs) / 1e6;
        s.starvedFrames = streaming_.starvedFrames() - starved_;
        s.lockTaken = streaming_.lockTakenCount() - lockTaken_;
        s.loopAwayMs = guiAwayMs;
        s.loop = "the GUI thread";
        s.account = account_.stop();
        s.recordingStartedAt = recorder_.startedAt();
        s.latency = latency_;
        serverLog_.account(s);
        waits_.account(s);
        return s;
    }

private:
    Audio::DiskStreaming& streaming_;
    OutputRecording::StreamRecorder& recorder_;
    const OutputRecording::StreamLatency latency_;
    const std::uint64_t lockTaken_;
    const std::uint64_t starved_;
    const std::uint64_t callbacks_;
    const OutputRecording::ServerLog serverLog_;
    OutputRecording::ThreadWaits waits_;
    OutputRecording::AccountSampler account_{AudioTest::accountOf(streaming_)};
};

// Shows the window, playing on the test's own server, and opens the image
// through the menu's dialog as a user would.
::testing::AssertionResult showAndOpen(MainWindow::MainWindow& window, ModalAnswerer& modals,
                                       const DdpFixture::Image& image)
{
    if (!streamRunsOnceAnswered(window))
        return ::testing::AssertionFailure() << "no stream on the private server";
    window.show();
    modals.folder = QString::fromStdString(image.folder);
    central(window.form())->menuBar->getActionAt(0)->trigger();
    if (!waitFor([&] { return window.currentModel() != nullptr; }, 30000))
        return ::testing::AssertionFailure() << "the image did not open";
    return ::testing::AssertionSuccess();
}

void playsAnOpenedImageContinuously(bool besideLoad)
{
    REQUIRE_TEST_SERVER();
    PrivateSettings settings;
    ModalAnswerer modals;
    QTemporaryDir dir;
    // No track change while it is judged.
    const DdpFixture::Image image = writeToneImage(dir.filePath(QStringLiteral("disc")), 15);

    MainWindow::MainWindow window;
    Audio::DiskStreaming& streaming = window.player().getStreaming();
    if (!streamRunsOnceAnswered(window)) {
        if (audioRequired())
            FAIL() << "no output device, although HG_REQUIRE_AUDIO=1";
        GTEST_SKIP() << "no output device";
    }
    window.show();
    modals.folder = QString::fromStdString(image.folder);
    central(window.form())->menuBar->getActionAt(0)->trigger(); // Open...
    ASSERT_TRUE(waitFor([&] { return window.currentModel() != nullptr; }, 30000)) << "the Open dialog loaded nothing";

    OutputRecording::StreamRecorder recorder;
    const std::string sinkInput = OutputRecording::ownSinkInput(60s);
    ASSERT_TRUE(recorder.start(sinkInput)) << "the output stream is not a PulseAudio stream that can be recorded";
    ASSERT_TRUE(waitFor([&] { return recorder.recordedBytes() >= 44100 * 4 / 10; }, 60000));

    std::unique_ptr<OutputRecording::CpuLoad> load;
    if (besideLoad)
        load = std::make_unique<OutputRecording::CpuLoad>(120s);
    Audio::StreamingEngine& engine = streaming.engine();
    Witness witness(streaming, recorder, sinkInput);
    transport(window.form())->playButton->click();
    // The counter against the frames the device asked for: the audio side's
    // own clock, whenever the GUI thread gets to read them.
    OutputRecording::CounterRate rate;
    OutputRecording::LoopWatch loop;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; clock.elapsed() < 60000; ++i) {
        loop.tick();
        const std::uint32_t played = streaming.values().playedSamples();
        rate.sample(played, double(engine.callbackRecord().frames) / 44100.0);
        if (i % 20 == 0 && OutputRecording::continuity(recorder.recorded()).frames >= 44100 * 11 / 2)
            break;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    const std::string recorded = recorder.stop();
    const OutputRecording::Sides sides = witness.sides(loop.longestMs());
    const std::uint64_t lockTaken = sides.lockTaken;
    load.reset();
    // The RMS read-out of the -12 dBFS sine after 5.5 s, with its 2 s time
    // constant: 0.3 dB below -12.0.
    const double rmsShown = numericalDisplay(window.form())->form()->rmsValueLabel->text().toDouble();
    EXPECT_TRUE(window.player().isRunning());
    window.close();

    const auto c = OutputRecording::continuity(recorded);
    const OutputRecording::Judgement judged = OutputRecording::judge(c, sides);
    std::cout << OutputRecording::describe(c) << "; counter/device " << rate.rate() << "; lock taken " << lockTaken
              << "; RMS shown " << rmsShown << " dB" << (besideLoad ? " (beside the load)" : " (idle)") << std::endl;
    std::cout << (judged.message.empty() ? OutputRecording::describe(sides) : judged.message) << std::endl;
    EXPECT_GE(c.frames, 44100u * 5) << "recorded " << recorded.size() / 4 << " frames";
    EXPECT_EQ(judged.gaps, 0u) << judged.message;
    EXPECT_GE(judged.soundingShare, 0.999) << judged.message;
    EXPECT_GE(rate.seconds(), 5.0);
    EXPECT_NEAR(rate.rate(), 1.0, 0.02) << "played seconds per second of the device's";
    EXPECT_EQ(lockTaken, 0u) << "the render function found the position lock taken";
    EXPECT_NEAR(rmsShown, -12.3, 0.5);
}

double cpuSeconds(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Standard output and error (both carry the program's log) into a file
// until release(), which gives its size and shows its first lines.
class CapturedLog
{
public:
    explicit CapturedLog(const QString& path)
        : path_(path.toStdString())
    {
        std::fflush(nullptr);
        const int fd = open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        for (int i = 0; i < 2; ++i) {
            saved_[i] = dup(i + 1);
            dup2(fd, i + 1);
        }
        close(fd);
    }
    ~CapturedLog() { release(); }
    long release()
    {
        if (saved_[0] >= 0) {
            std::cout.flush();
            std::fflush(nullptr);
            for (int i = 0; i < 2; ++i) {
                dup2(saved_[i], i + 1);
                close(saved_[i]);
                saved_[i] = -1;
            }
            std::ifstream in(path_);
            for (std::string line; std::getline(in, line) && bytes_ < 2048; bytes_ += long(line.size()) + 1)
                std::cerr << "  log: " << line << std::endl;
            struct stat st{};
            bytes_ = stat(path_.c_str(), &st) == 0 ? long(st.st_size) : -1;
        }
        return bytes_;
    }

private:
    std::string path_;
    int saved_[2] = {-1, -1};
    long bytes_ = 0;
};

QMessageBox* deviceMessage()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
            return box;
    return nullptr;
}

// The window's own sound server ends (mid-play, or under a window only
// open, where the device message's Rescan is pressed meanwhile) and comes
// back, or is not there when the window is made and starts later: meanwhile
// nothing spins and the log hardly grows; afterwards the device watch has
// taken the server up, the Devices menu lists its devices, and one Play
// plays, every frame sounding.
enum class ServerGone { MidPlay, UnderAnOpenWindow, AtStart };

QStringList listedDevices(MainWindow::MainWindow& window)
{
    QStringList names;
    for (QAction* action : central(window.form())->menuBar->devicesMenu->actions())
        if (auto* widgetAction = qobject_cast<QWidgetAction*>(action))
            if (auto* box = qobject_cast<QCheckBox*>(widgetAction->defaultWidget()))
                names << (box->isChecked() ? QStringLiteral("[x] ") : QStringLiteral("[ ] ")) + box->text();
    return names;
}

void survivesTheSoundServerGoingAndComing(ServerGone when)
{
    OutputRecording::PrivateServer server;
    REQUIRE_OWN_SERVER(server);
    PrivateSettings settings;
    ModalAnswerer modals;
    QTemporaryDir dir;
    const DdpFixture::Image image = writeToneImage(dir.filePath(QStringLiteral("disc")), 30);
    const bool playing = when == ServerGone::MidPlay;

    std::unique_ptr<CapturedLog> startLog;
    if (when == ServerGone::AtStart) {
        server.end();
        startLog = std::make_unique<CapturedLog>(dir.filePath(QStringLiteral("log")));
    }
    MainWindow::MainWindow window;
    Audio::DiskStreaming& streaming = window.player().getStreaming();
    Audio::StreamingEngine& engine = streaming.engine();
    if (when != ServerGone::AtStart) {
        ASSERT_TRUE(showAndOpen(window, modals, image));
    } else {
        window.show();
        EXPECT_EQ(modals.answered, 0) << "a modal dialog (the sample rate's) was shown";
        EXPECT_TRUE(engine.isDeviceLost()) << "no server at start is no lost output";
    }
    QAbstractButton* play = transport(window.form())->playButton;
    if (playing) {
        play->click();
        ASSERT_TRUE(waitFor([&] { return streaming.values().playedSamples() > 44100; }, 30000));
    }

    std::uint32_t lostAt = 0;
    long logBytes = 0;
    double otherThreadsCpu = 0;
    double seconds = 0;
    {
        std::unique_ptr<CapturedLog> log = std::move(startLog);
        if (!log)
            log = std::make_unique<CapturedLog>(dir.filePath(QStringLiteral("log")));
        const double processBefore = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
        const double guiBefore = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        QElapsedTimer gone;
        gone.start();
        server.end();
        EXPECT_TRUE(waitFor([&] { return engine.isDeviceLost(); }, 30000));
        lostAt = streaming.values().playedSamples();
        // Several of the device watch's tries to reopen.
        waitFor([] { return false; }, 3000);
        otherThreadsCpu = (cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - processBefore)
            - (cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - guiBefore);
        seconds = double(gone.elapsed()) / 1000.0;
        EXPECT_FALSE(engine.isStreamOpen());
        EXPECT_FALSE(window.player().isRunning());
        QMessageBox* message = deviceMessage();
        ASSERT_NE(message, nullptr) << "the user was not told";
        EXPECT_EQ(message->windowTitle().toStdString(), "Audio Output Lost");
        EXPECT_FALSE(message->text().contains(QStringLiteral("Windows"))) << message->text().toStdString();
        if (when == ServerGone::UnderAnOpenWindow) {
            const auto buttons = message->buttons();
            const auto rescan = std::find_if(buttons.begin(), buttons.end(),
                                             [](QAbstractButton* b) { return b->text() == QLatin1String("Rescan"); });
            ASSERT_NE(rescan, buttons.end());
            (*rescan)->click();
            EXPECT_TRUE(engine.isDeviceLost());
        }
        // Nothing renders while the device is gone.
        EXPECT_EQ(streaming.values().playedSamples(), lostAt);
        ASSERT_TRUE(server.start()) << server.problem();
        ASSERT_TRUE(waitFor([&] { return !engine.isDeviceLost(); }, 30000)) << "the stream was not reopened";
        logBytes = log->release();
    }
    std::cout << "server gone " << seconds << " s: threads but the GUI's used " << 100.0 * otherThreadsCpu / seconds
              << " % of a core; the log grew by " << logBytes << " bytes"
              << (playing ? " (playing)" : when == ServerGone::AtStart ? " (from the start)" : " (open)") << std::endl;
    EXPECT_LT(otherThreadsCpu / seconds, 0.10);
    EXPECT_LT(logBytes, 10 * 1024);
    EXPECT_TRUE(waitFor([&] { return deviceMessage() == nullptr; }, 10000)) << "the message stayed open";
    EXPECT_TRUE(waitFor([&] { return !listedDevices(window).isEmpty(); }, 10000)) << "the Devices menu stayed empty";
    if (when == ServerGone::AtStart) {
        ASSERT_TRUE(showAndOpen(window, modals, image));
    }

    OutputRecording::StreamRecorder recorder;
    const std::string sinkInput = OutputRecording::ownSinkInput(60s);
    ASSERT_TRUE(recorder.start(sinkInput));
    ASSERT_TRUE(waitFor([&] { return recorder.recordedBytes() >= 44100 * 4 / 10; }, 60000));
    Witness witness(streaming, recorder, sinkInput);
    OutputRecording::LoopWatch loop;
    play->click();
    EXPECT_TRUE(window.player().isRunning());
    ASSERT_TRUE(waitFor(
        [&] {
            loop.tick();
            return OutputRecording::continuity(recorder.recorded()).frames >= 44100 * 2;
        },
        60000));
    const auto c = OutputRecording::continuity(recorder.stop());
    const OutputRecording::Sides sides = witness.sides(loop.longestMs());
    // Played on from where it was (paused, not rewound), or from the start.
    EXPECT_GE(streaming.values().playedSamples(), lostAt);
    window.close();
    const OutputRecording::Judgement judged = OutputRecording::judge(c, sides);
    std::cout << OutputRecording::describe(c) << std::endl
              << (judged.message.empty() ? OutputRecording::describe(sides) : judged.message) << std::endl;
    EXPECT_EQ(judged.gaps, 0u) << judged.message;
    EXPECT_GE(judged.soundingShare, 0.999) << judged.message;
}

// The library settles on a back end when its object is made: a window made
// before the sound server started lists that object's devices. After a
// Rescan that found the server, the menu lists the devices of the object in
// use, the current one checked.
TEST(PlaybackContinuity, AfterARescanTheDevicesMenuListsTheDevicesOfTheLibraryObjectInUse)
{
    OutputRecording::PrivateServer server;
    REQUIRE_OWN_SERVER(server);
    server.end();
    PrivateSettings settings;
    ModalAnswerer modals;
    MainWindow::MainWindow window;
    Audio::StreamingEngine& engine = window.player().getStreaming().engine();
    ASSERT_FALSE(engine.isStreamOpen());
    ASSERT_TRUE(server.start()) << server.problem();
    ASSERT_TRUE(AudioTest::runsOnceAnswered(engine, window.player().initializeStreamingEngine()))
        << "the Rescan found no server";

    MenuBar* bar = central(window.form())->menuBar;
    const auto listed = [&window] { return listedDevices(window); };
    QStringList inUse;
    for (unsigned i = 0; i < engine.countAudioDevices(); ++i) {
        const Audio::AudioDeviceInfo info = engine.getInfo(i);
        if (info.probed && info.hasOutput)
            inUse << (i == engine.getCurrentAudioDevice() ? QStringLiteral("[x] ") : QStringLiteral("[ ] "))
                    + QString::fromStdString(info.name);
    }
    ASSERT_FALSE(inUse.isEmpty());
    EXPECT_TRUE(waitFor([&] { return listed() == inUse; }, 10000))
        << listed().join(QStringLiteral(", ")).toStdString() << " instead of "
        << inUse.join(QStringLiteral(", ")).toStdString();
    EXPECT_EQ(bar->getActionAt(2)->menu(), bar->devicesMenu);
    EXPECT_EQ(bar->getActionAt(4)->text(), QStringLiteral("About"));
}

// A sound server that hangs (stopped by its PID) holds neither a device
// change, nor a Rescan with the stream open, nor the window's close: each
// returns while the server is still stopped. The device chosen meanwhile
// plays once the server goes on, as does the stream after the Rescan. A
// watchdog lets the server go on only against a hang.
TEST(PlaybackContinuity, AFrozenSoundServerHoldsNeitherADeviceChangeNorARescanNorTheClose)
{
    OutputRecording::PrivateServer server;
    REQUIRE_OWN_SERVER(server);
    PrivateSettings settings;
    ModalAnswerer modals;
    QTemporaryDir dir;
    const DdpFixture::Image image = writeToneImage(dir.filePath(QStringLiteral("disc")), 30);

    MainWindow::MainWindow window;
    Audio::DiskStreaming& streaming = window.player().getStreaming();
    Audio::StreamingEngine& engine = streaming.engine();
    ASSERT_TRUE(showAndOpen(window, modals, image));
    transport(window.form())->playButton->click();
    ASSERT_TRUE(waitFor([&] { return streaming.values().playedSamples() > 44100 / 2; }, 30000));

    std::mutex mutex;
    std::condition_variable changed;
    bool frozen = false;
    bool watchdogThawed = false;
    bool finished = false;
    std::thread watchdog([&] {
        std::unique_lock<std::mutex> lock(mutex);
        while (!finished) {
            if (!changed.wait_for(lock, 30s, [&] { return finished || !frozen; }) && frozen) {
                watchdogThawed = true;
                frozen = false;
                server.thaw();
            }
            changed.wait(lock, [&] { return finished || frozen; });
        }
    });
    const auto freeze = [&] {
        std::lock_guard<std::mutex> lock(mutex);
        frozen = server.freeze();
        changed.notify_all();
        return frozen;
    };
    // Whether the server was still stopped, as the test left it.
    const auto stillFrozen = [&] {
        std::lock_guard<std::mutex> lock(mutex);
        return frozen && !watchdogThawed;
    };
    const auto thaw = [&] {
        std::lock_guard<std::mutex> lock(mutex);
        if (frozen)
            server.thaw();
        frozen = false;
        changed.notify_all();
    };

    ASSERT_TRUE(freeze());
    QElapsedTimer took;
    took.start();
    EXPECT_FALSE(window.player().setDevice(int(engine.getCurrentAudioDevice())));
    const qint64 deviceChange = took.elapsed();
    EXPECT_TRUE(stillFrozen()) << "the device change waited for the stopped server";
    thaw();
    EXPECT_TRUE(waitFor([&] { return engine.isStreamRunning(); }, 30000)) << "the device was not opened afterwards";

    // A Rescan with the stream open, as the start-up's dialog may have it.
    ASSERT_TRUE(freeze());
    took.restart();
    window.player().initializeStreamingEngine();
    const qint64 rescan = took.elapsed();
    EXPECT_TRUE(stillFrozen()) << "the Rescan waited for the stopped server";
    thaw();
    EXPECT_TRUE(waitFor([&] { return engine.isStreamRunning(); }, 30000)) << "no stream after the Rescan";

    ASSERT_TRUE(freeze());
    took.restart();
    window.close();
    const qint64 close = took.elapsed();
    EXPECT_TRUE(stillFrozen()) << "the close waited for the stopped server";
    EXPECT_FALSE(engine.isStreamOpen());
    thaw();
    {
        std::lock_guard<std::mutex> lock(mutex);
        finished = true;
        changed.notify_all();
    }
    watchdog.join();
    std::cout << "server stopped: the device change returned after " << deviceChange << " ms, a Rescan after "
              << rescan << " ms, the close after " << close << " ms" << std::endl;
}

// What the device changes did to the sound, read from a recording of the
// sink (both streams) of an image whose frames name themselves: the content
// that was rendered but never heard, the silence between the streams, and
// frames that name no frame (two streams sounding at once, or a level
// changed). A change is the first discontinuity recorded after its call
// (`changedAt`, in recorded frames), with any that follow within half a
// second; later ones (a server's dropout) are listed apart.
struct DeviceChangeHeard
{
    long lostFrames = 0;    // summed over the changes; a repeat counts negative
    long worstLost = 0;     // of one change
    long longestSilence = 0;
    std::size_t garbled = 0;
    // Per change heard.
    std::vector<long> lost;
    std::vector<long> silence;
    // Discontinuities apart from the changes: frames skipped, frames silent.
    std::vector<std::pair<long, long>> elsewhere;
};

DeviceChangeHeard hearDeviceChanges(const std::string& s16Stereo, const std::vector<std::size_t>& changedAt)
{
    DeviceChangeHeard heard;
    const auto* samples = reinterpret_cast<const std::int16_t*>(s16Stereo.data());
    const std::size_t frames = s16Stereo.size() / 4;
    long previous = -1;
    long silence = 0;
    std::size_t lastChangeAt = 0;
    std::size_t changesTaken = 0;
    for (std::size_t i = 0; i < frames; ++i) {
        const int left = samples[2 * i];
        const int right = samples[2 * i + 1];
        if (left == 0 && right == 0) {
            silence += previous >= 0 ? 1 : 0;
            continue;
        }
        if (left < 1 || left > 8000 || right < 1) {
            ++heard.garbled;
            continue;
        }
        const long frame = long(right - 1) * 8000 + (left - 1);
        if (previous >= 0 && (frame != previous + 1 || silence > 0)) {
            const bool newChange = changesTaken < changedAt.size() && changedAt[changesTaken] <= i;
            if (newChange || (!heard.lost.empty() && i - lastChangeAt <= 44100 / 2)) {
                if (newChange) {
                    ++changesTaken;
                    heard.lost.push_back(0);
                    heard.silence.push_back(0);
                }
                lastChangeAt = i;
                heard.lost.back() += frame - previous - 1;
                heard.silence.back() = std::max(heard.silence.back(), silence);
                heard.lostFrames += frame - previous - 1;
                heard.worstLost = std::max(heard.worstLost, std::labs(heard.lost.back()));
                heard.longestSilence = std::max(heard.longestSilence, silence);
            } else {
                heard.elsewhere.emplace_back(frame - previous - 1, silence);
            }
        }
        previous = frame;
        silence = 0;
    }
    return heard;
}

// A device change mid-play on a server that answers: the audio the old
// stream held is heard, not dropped, and the two streams never sound at
// once. Judged from what the sink played, whatever the time it took.
TEST(PlaybackContinuity, ADeviceChangeMidPlayLosesNoRenderedAudio)
{
    REQUIRE_TEST_SERVER();
    PrivateSettings settings;
    ModalAnswerer modals;
    QTemporaryDir dir;
    DdpFixture::Options options;
    options.trackCount = 2;
    options.trackFrames = 30 * 75;
    options.samples = DdpFixture::Samples::Counting;
    const DdpFixture::Image image = writeImage(dir.filePath(QStringLiteral("disc")), options);

    MainWindow::MainWindow window;
    Audio::DiskStreaming& streaming = window.player().getStreaming();
    Audio::StreamingEngine& engine = streaming.engine();
    ASSERT_TRUE(showAndOpen(window, modals, image));
    transport(window.form())->playButton->click();
    ASSERT_TRUE(waitFor([&] { return streaming.values().playedSamples() > 44100; }, 30000));
    OutputRecording::StreamRecorder recorder;
    ASSERT_TRUE(recorder.startSinkMonitor());
    ASSERT_TRUE(waitFor([&] { return recorder.recordedBytes() >= 44100 * 4 / 2; }, 60000));

    constexpr int kChanges = 3;
    std::vector<std::size_t> changedAt;
    for (int change = 0; change < kChanges; ++change) {
        changedAt.push_back(recorder.recordedBytes() / 4);
        window.player().setDevice(int(engine.getCurrentAudioDevice()));
        // Until the new stream has played a while.
        ASSERT_TRUE(waitFor([&] { return engine.isStreamRunning(); }, 30000)) << "no stream after change " << change;
        const std::uint32_t from = streaming.values().playedSamples();
        ASSERT_TRUE(waitFor([&] { return streaming.values().playedSamples() - from > 44100 * 2; }, 30000));
    }
    const std::size_t recorded = recorder.recordedBytes();
    ASSERT_TRUE(waitFor([&] { return recorder.recordedBytes() >= recorded + 44100 * 4 / 2; }, 60000));
    const DeviceChangeHeard heard = hearDeviceChanges(recorder.stop(), changedAt);
    window.close();

    std::cout << kChanges << " device changes (ms lost/longest silence:";
    for (std::size_t i = 0; i < heard.lost.size(); ++i)
        std::cout << " " << 1000.0 * double(heard.lost[i]) / 44100.0 << "/" << 1000.0 * double(heard.silence[i]) / 44100.0;
    std::cout << "): " << 1000.0 * double(heard.lostFrames) / 44100.0
              << " ms of audio lost in all, at most " << 1000.0 * double(heard.worstLost) / 44100.0
              << " ms at one; longest silence " << 1000.0 * double(heard.longestSilence) / 44100.0 << " ms; "
              << heard.garbled << " frames naming no frame" << std::endl;
    for (const auto& [skipped, silent] : heard.elsewhere)
        std::cout << "apart from the changes: " << 1000.0 * double(skipped) / 44100.0 << " ms skipped, "
                  << 1000.0 * double(silent) / 44100.0 << " ms silent" << std::endl;
    // The old stream plays out what it holds, and the new one opens as soon
    // as that is done; one buffer of it may be rendered after its last write
    // (5.8 ms). 21 changes on each server lost nothing; the silence between
    // was 37 ms at the median and 115 ms at most on PulseAudio, 145 and 279 ms
    // on PipeWire. The old stream dropped at the change lost 58-153 ms.
    EXPECT_LE(heard.worstLost, 44100 / 100) << "frames never heard at one change";
    EXPECT_LE(heard.longestSilence, 44100 * 2 / 5) << "frames of silence at one change";
    EXPECT_EQ(heard.garbled, 0u) << "two streams sounded at once";
}

TEST(PlaybackContinuity, ASoundServerThatEndsMidPlayAndComesBackPlaysAgainWithoutASpin)
{
    survivesTheSoundServerGoingAndComing(ServerGone::MidPlay);
}

TEST(PlaybackContinuity, ASoundServerThatEndsUnderAnOpenWindowAndComesBackAfterARescanPlaysAgain)
{
    survivesTheSoundServerGoingAndComing(ServerGone::UnderAnOpenWindow);
}

TEST(PlaybackContinuity, NoSoundServerAtStartIsALostOutputThatASoundServerStartedLaterPlays)
{
    survivesTheSoundServerGoingAndComing(ServerGone::AtStart);
}

TEST(PlaybackContinuity, TheWindowPlaysAnImageOpenedInTheDialogWithoutAGap)
{
    playsAnOpenedImageContinuously(false);
}

TEST(PlaybackContinuity, TheWindowPlaysWithoutAGapBesideABusyLoopPerCore)
{
    playsAnOpenedImageContinuously(true);
}

// A sound server stopped (by its PID) before the window is made: the window
// is made while it is still stopped, and tells of a lost output, not of the
// sample rate; its Rescan returns and Escape closes it. Once the server goes
// on, the stream runs without a restart. A watchdog lets the server go on
// only against a hang.
TEST(PlaybackContinuity, AFrozenSoundServerHoldsNeitherTheWindowsStartNorARescan)
{
    OutputRecording::PrivateServer server;
    REQUIRE_OWN_SERVER(server);
    PrivateSettings settings;
    ModalAnswerer modals;

    std::mutex mutex;
    std::condition_variable changed;
    bool thawed = false;
    bool watchdogThawed = false;
    ASSERT_TRUE(server.freeze()) << server.problem();
    std::thread watchdog([&] {
        std::unique_lock<std::mutex> lock(mutex);
        if (!changed.wait_for(lock, 30s, [&] { return thawed; })) {
            watchdogThawed = true;
            server.thaw();
        }
    });
    const auto stillFrozen = [&] {
        std::lock_guard<std::mutex> lock(mutex);
        return !watchdogThawed;
    };
    const auto thaw = [&] {
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (!watchdogThawed)
                server.thaw();
            thawed = true;
        }
        changed.notify_all();
        watchdog.join();
    };

    QElapsedTimer took;
    took.start();
    MainWindow::MainWindow window;
    const qint64 made = took.elapsed();
    EXPECT_TRUE(stillFrozen()) << "the window waited for the stopped server";
    Audio::StreamingEngine& engine = window.player().getStreaming().engine();
    window.show();
    QMessageBox* message = nullptr;
    EXPECT_TRUE(waitFor([&] { return (message = deviceMessage()) != nullptr; }, 30000));
    qint64 rescan = -1;
    if (message) {
        EXPECT_EQ(message->windowTitle().toStdString(), "Audio Output Lost");
        const auto buttons = message->buttons();
        const auto button = std::find_if(buttons.begin(), buttons.end(),
                                         [](QAbstractButton* b) { return b->text() == QLatin1String("Rescan"); });
        EXPECT_NE(button, buttons.end());
        took.restart();
        if (button != buttons.end())
            (*button)->click();
        rescan = took.elapsed();
        EXPECT_TRUE(stillFrozen()) << "the Rescan waited for the stopped server";
        EXPECT_TRUE(engine.isDeviceLost());
        QTest::keyClick(message, Qt::Key_Escape);
        EXPECT_TRUE(waitFor([] { return deviceMessage() == nullptr; }, 30000)) << "Escape left the message open";
    }
    EXPECT_TRUE(stillFrozen());
    EXPECT_EQ(modals.answered, 0) << "a modal dialog (the sample rate's) was shown";
    thaw();

    const std::uint64_t callbacks = engine.callbackRecord().callbacks;
    EXPECT_TRUE(waitFor([&] { return engine.isStreamRunning() && engine.callbackRecord().callbacks > callbacks + 10; },
                        30000))
        << "the stream did not run once the server went on";
    EXPECT_FALSE(engine.isDeviceLost());
    std::cout << "server stopped: the window was made after " << made << " ms, the Rescan returned after " << rescan
              << " ms" << std::endl;
}

} // namespace
