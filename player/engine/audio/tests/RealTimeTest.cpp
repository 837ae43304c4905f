// The audio thread's real-time rules, the threads a stream open starts, and
// a generated image played through a real output device (a PulseAudio null
// sink in CI) and recorded back, also as an ordinary user through
// RealtimeKit.

#include "player/engine/audio/Player.h"

#include "player/engine/audio/RealTimeLimit.h"
#include "player/engine/audio/RealtimeKit.h"

#include "player/engine/audio/tests/AllocationCounter.h"
#include "player/engine/audio/tests/AudioTestSupport.h"
#include "player/testsupport/OutputRecording.h"
#include "player/testsupport/PrivateRealtimeKit.h"

#include <QCoreApplication>

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include <algorithm>
#include <vector>

#include <limits.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

using Audio::Player;
using namespace AudioTest;
using namespace std::chrono_literals;

namespace {

struct LoadedPlayer
{
    explicit LoadedPlayer(int trackFrames = 150)
    {
        DdpFixture::Options o;
        o.trackCount = 3;
        o.trackFrames = trackFrames;
        image = DdpFixture::write(dir.path().toStdString(), o);
        model = modelFor(image);
        player.setDescListProvider(model);
        player.setRangesFromPqDesc(model->getDescList());
        player.setAudioFileName(dir.path(), {});
        waitIdle(player.getStreaming());
    }

    QTemporaryDir dir;
    DdpFixture::Image image;
    std::shared_ptr<DDPModel> model;
    Player player;
};

// An optimising compiler may drop an allocation whose result is never used;
// handing the pointer to an opaque instruction makes it observable.
void keep(const void* p)
{
    asm volatile("" : : "r"(p) : "memory");
}

TEST(RealTime, TheAllocationHookCountsOnlyInsideAScope)
{
    AllocationCounter::reset();
    auto outside = std::make_unique<int>(1);
    keep(outside.get());
    EXPECT_EQ(AllocationCounter::count(), 0u);
    {
        AllocationCounter::Scope scope;
        auto inside = std::make_unique<int>(2);
        keep(inside.get());
    }
    EXPECT_EQ(AllocationCounter::count(), 1u);
}

TEST(RealTime, PlaybackAndTheTransportsCompletionsAllocateAndFreeNothingOnTheAudioThread)
{
    LoadedPlayer loaded(750); // 10 s tracks
    auto& player = loaded.player;
    auto& streaming = player.getStreaming();
    streaming.setDrivenExternally(true);
    player.start();
    streaming.values().setTargetVolume(0.7f); // a volume ramp is steady playback too

    AllocationCounter::reset();
    std::atomic<bool> done{false};
    std::atomic<int> sounding{0};
    std::thread audio([&] {
        AllocationCounter::Scope scope;
        float buffer[512];
        // About 160 blocks of the reader, so many buffer switches.
        for (int i = 0; i < 1300 && !done; ++i) {
            std::fill(std::begin(buffer), std::end(buffer), 0.0f);
            streaming.render(buffer, 256);
            if (buffer[510] != 0.0f)
                ++sounding;
            std::this_thread::sleep_for(200us);
        }
        done = true;
    });
    // The display timer's reads and clears run meanwhile, and the transport
    // queues jumps and seeks whose completions run on the audio thread.
    int completions = 0;
    for (int tick = 0; !done; ++tick) {
        (void)streaming.values().playedSamples();
        (void)streaming.values().meanSquareLeft();
        streaming.values().clearPeaks();
        if (tick % 40 == 10 && streaming.fades().isIdle()) {
            switch (completions++ % 3) {
            case 0: player.selectNextTrack(); break;
            case 1: player.selectPreviousTrack(); break;
            default: streaming.seek(0.25, 44100 * 4); break;
            }
        }
        std::this_thread::sleep_for(1ms);
    }
    audio.join();
    EXPECT_EQ(AllocationCounter::count(), 0u);
    EXPECT_EQ(AllocationCounter::frees(), 0u);
    EXPECT_GE(completions, 3);
    // It really played, across many of the reader's blocks. The loop renders
    // far faster than real time, so how much of it sounds depends on how
    // often a loaded machine lets the reader run; a tenth of the buffers is
    // still some sixteen of the reader's blocks and their buffer switches.
    EXPECT_GT(sounding.load(), 130);
    EXPECT_TRUE(player.isRunning());
}

TEST(StreamingEngine, ProcessSilencesTheBufferAndHandsItToTheRenderFunction)
{
    Audio::StreamingEngine engine;
    float buffer[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(engine.process(buffer, 4), 0); // no render function: silence
    for (float f : buffer)
        EXPECT_EQ(f, 0.0f);

    std::atomic<int> calls{0};
    float seen = -1.0f;
    // Opens a stream when there is a device; either way the function is kept.
    engine.initialize([&](void* out, unsigned int frames) {
        ++calls;
        if (frames == 3)
            seen = static_cast<float*>(out)[5];
        return 7;
    });
    engine.stopStream();
    engine.closeStream();
    std::fill(std::begin(buffer), std::end(buffer), 9.0f);
    EXPECT_EQ(engine.process(buffer, 3), 7);
    EXPECT_EQ(seen, 0.0f);
    EXPECT_EQ(buffer[6], 9.0f); // only frameCount x 2 samples are cleared
}

TEST(StreamingEngine, UnknownDevicesAreReportedUnprobedAndCannotBeOpened)
{
    Player player;
    const auto info = player.getAudioDevices().getInfo(9999);
    EXPECT_FALSE(info.probed);
    EXPECT_EQ(info.hasOutput, 0);
    EXPECT_EQ(player.getAudioDevices().getCurrentAudioDevice(), 0u);
    EXPECT_FALSE(player.setDevice(9999));
    EXPECT_FALSE(player.getStreaming().engine().isStreamOpen());
    // The failed device stays recorded as the current one.
    EXPECT_EQ(player.getAudioDevices().getCurrentAudioDevice(), 9999u);
}

// Whether this process may put a thread under a real-time policy.
bool realTimeAllowed()
{
    bool allowed = false;
    std::thread probe([&] {
        sched_param param{};
        param.sched_priority = Audio::StreamingEngine::kRealTimePriority;
        allowed = pthread_setschedparam(pthread_self(), SCHED_RR, &param) == 0;
    });
    probe.join();
    return allowed;
}

// The threads of this process that are not in `before`.
std::vector<pid_t> startedSince(const std::vector<pid_t>& before)
{
    std::vector<pid_t> started;
    for (const pid_t thread : Audio::threadsOfThisProcess())
        if (!std::binary_search(before.begin(), before.end(), thread))
            started.push_back(thread);
    return started;
}

bool skipWithoutTestServer()
{
    const std::string notPrivate = OutputRecording::testServerProblem();
    if (notPrivate.empty())
        return false;
    if (std::getenv("HG_REQUIRE_AUDIO"))
        ADD_FAILURE() << notPrivate;
    else
        std::cout << "skipped: " << notPrivate << std::endl;
    return true;
}

// The sound server client's carrier thread is started by the open with the
// opening thread's policy: the open runs real-time so that the carrier is.
TEST(StreamingEngine, EveryThreadTheOpenStartsRunsRealTime)
{
    if (skipWithoutTestServer())
        GTEST_SKIP();
    REQUIRE_OR_SKIP(realTimeAllowed() ? "" : "this process may not use a real-time policy itself",
                    "HG_REQUIRE_REALTIME");
    Audio::StreamingEngine engine;
    const auto before = Audio::threadsOfThisProcess();
    ASSERT_TRUE(engine.initialize({}));
    const auto started = startedSince(before);
    EXPECT_GE(started.size(), 2u) << "the audio thread and the carrier";
    for (const pid_t thread : started)
        EXPECT_TRUE(Audio::runsRealTime(thread)) << "thread " << thread;
}

TEST(StreamingEngine, TheOpeningThreadHasItsOwnPolicyBackAfterTheOpen)
{
    if (skipWithoutTestServer())
        GTEST_SKIP();
    Audio::StreamingEngine engine;
    ASSERT_EQ(sched_getscheduler(0), SCHED_OTHER);
    ASSERT_TRUE(engine.initialize({}));
    EXPECT_EQ(sched_getscheduler(0), SCHED_OTHER);
}

// The library settles on a back end when its object is made; one made before
// the sound server started has none that plays.
TEST(StreamingEngine, ARescanFindsASoundServerThatStartedAfterTheEngine)
{
    OutputRecording::PrivateServer server;
    REQUIRE_OWN_SERVER(server);
    server.end();
    Audio::StreamingEngine engine;
    EXPECT_FALSE(engine.initialize({}));
    ASSERT_TRUE(server.start()) << server.problem();
    EXPECT_TRUE(engine.initialize({}));
    EXPECT_TRUE(engine.isStreamRunning());
}

// An engine that goes while its probe waits on a stopped server leaves that
// probe to end on its own; the next engine probes meanwhile. The library
// lists the server's devices through a main loop whose quit it keeps in one
// variable of the process: two lists at once left one of them waiting for
// ever, with its thread, descriptors and server connection.
TEST(StreamingEngine, AProbeLeftWaitingOnAStoppedServerEndsOnceTheServerAnswers)
{
    OutputRecording::PrivateServer server;
    REQUIRE_OWN_SERVER(server);
    // What the first open starts for good stays: the overrun's taker, and
    // for an ordinary user the D-Bus connection's thread that RealtimeKit is
    // asked through. Its stream may still be closing in the background on a
    // busy machine, so what counts is a thread started after it, not the
    // number of threads.
    {
        Audio::StreamingEngine first;
        ASSERT_TRUE(first.initialize({}));
    }
    const auto before = Audio::threadsOfThisProcess();
    ASSERT_TRUE(server.freeze());
    {
        Audio::StreamingEngine gone;
        EXPECT_FALSE(gone.initialize({})) << "the probe came back from the stopped server";
    }
    {
        Audio::StreamingEngine next;
        EXPECT_FALSE(next.initialize({}));
        ASSERT_TRUE(server.thaw());
        EXPECT_TRUE(AudioTest::runsOnceAnswered(next, false)) << "no stream once the server answered";
    }
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (!startedSince(before).empty() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(20ms);
    EXPECT_EQ(startedSince(before).size(), 0u) << "threads left waiting";
}

// A lost device: the library calls back as fast as its writes fail. The
// audio thread drops to the normal policy at the first failed write and
// renders nothing more, however often it is called back.
TEST(StreamingEngine, ALostDeviceDropsTheAudioThreadToTheNormalPolicyAndRendersNothingMore)
{
    OutputRecording::PrivateServer server;
    REQUIRE_OWN_SERVER(server);
    Audio::StreamingEngine engine;
    std::atomic<pid_t> audioThread{0};
    std::atomic<int> renders{0};
    ASSERT_TRUE(AudioTest::runsOnceAnswered(engine, engine.initialize([&](void*, unsigned int) {
        audioThread = pid_t(syscall(SYS_gettid));
        ++renders;
        return 0;
    })));
    const auto waitFor = [](const std::function<bool()>& ready) {
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (!ready() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(5ms);
        return ready();
    };
    ASSERT_TRUE(waitFor([&] { return renders > 0; }));
    const bool realTime = realTimeAllowed();
    if (realTime) {
        ASSERT_TRUE(Audio::runsRealTime(audioThread)) << "the audio thread did not run real-time before the loss";
    }
    server.end();
    // Nothing stops the stream here (the window's check would): the thread
    // goes on calling back into the failing write.
    ASSERT_TRUE(waitFor([&] { return engine.streamErrorCount() > 0; })) << "the loss was never noted";
    const int rendered = renders;
    const std::uint64_t errors = engine.streamErrorCount();
    ASSERT_TRUE(waitFor([&] { return engine.streamErrorCount() >= errors + 50; })) << "no further callbacks";
    EXPECT_EQ(renders.load(), rendered) << "rendered while the stream had failed";
    if (realTime) {
        EXPECT_EQ(sched_getscheduler(audioThread) & ~SCHED_RESET_ON_FORK, SCHED_OTHER);
    }
    EXPECT_EQ(engine.checkDevice(), Audio::StreamingEngine::DeviceCheck::Lost);
}

// Runs this binary's disabled test `name` in a child and returns its wait
// status: an overrun must not end this test process.
int statusOfChild(const std::string& name)
{
    char self[PATH_MAX] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0)
        return -1;
    const std::string child
        = "exec '" + std::string(self) + "' --gtest_also_run_disabled_tests --gtest_filter=RealTime." + name;
    return std::system(child.c_str());
}

// A real-time thread that runs away: SIGXCPU at the soft limit drops it to
// the normal policy, and the player lives on. Run in a child (an overrun
// must not end this test process): as root's own SCHED_RR (no hard limit),
// then as the RealtimeKit road leaves the limits (soft equal to hard).
TEST(RealTime, AnOverrunDropsTheThreadToTheNormalPolicyAndThePlayerLivesOn)
{
    if (!realTimeAllowed())
        GTEST_SKIP() << "this process may not use a real-time policy itself";
    EXPECT_EQ(statusOfChild("DISABLED_OverrunsOfRootAndOfTheRealtimeKitRoad"), 0)
        << "the child failed or was killed; its output is above";
}

// A thread that runs real-time without sleeping until it is dropped from
// real time; its policy afterwards.
int runAwayUntilDropped()
{
    int policy = -1;
    std::thread runaway([&policy] {
        sched_param param{};
        param.sched_priority = Audio::StreamingEngine::kRealTimePriority;
        if (pthread_setschedparam(pthread_self(), SCHED_RR, &param) != 0)
            return;
        // Bounded only against a hang: the soft limit is 1 s at most.
        const auto limit = std::chrono::steady_clock::now() + 20s;
        while ((policy = sched_getscheduler(0) & ~SCHED_RESET_ON_FORK) == SCHED_RR
               && std::chrono::steady_clock::now() < limit) {
        }
    });
    runaway.join();
    return policy;
}

TEST(RealTime, DISABLED_OverrunsOfRootAndOfTheRealtimeKitRoad)
{
    // Half the hard limit, at least, is left for the handler to act in.
    const auto softAtHalfTheHard = [] {
        rlimit limit{};
        getrlimit(RLIMIT_RTTIME, &limit);
        return limit.rlim_cur != RLIM_INFINITY
            && (limit.rlim_max == RLIM_INFINITY ? limit.rlim_cur <= Audio::RealTimeLimit::kUnlimitedSoftUs
                                                : limit.rlim_cur <= limit.rlim_max / 2);
    };

    rlimit limit{RLIM_INFINITY, RLIM_INFINITY};
    ASSERT_EQ(setrlimit(RLIMIT_RTTIME, &limit), 0);
    Audio::RealTimeLimit::arm();
    EXPECT_TRUE(softAtHalfTheHard());
    EXPECT_EQ(runAwayUntilDropped(), SCHED_OTHER);
    EXPECT_EQ(Audio::RealTimeLimit::overruns(), 1u);
    EXPECT_TRUE(Audio::RealTimeLimit::reportOverrun());
    EXPECT_FALSE(Audio::RealTimeLimit::reportOverrun());

    limit = {400000, 400000};
    ASSERT_EQ(setrlimit(RLIMIT_RTTIME, &limit), 0);
    Audio::RealTimeLimit::arm();
    EXPECT_TRUE(softAtHalfTheHard());
    EXPECT_EQ(runAwayUntilDropped(), SCHED_OTHER);
    EXPECT_EQ(Audio::RealTimeLimit::overruns(), 2u);
    // Logged once; the soft limit, which the kernel raised above the hard
    // one, is lowered again for the next overrun.
    EXPECT_FALSE(Audio::RealTimeLimit::reportOverrun());
    EXPECT_TRUE(softAtHalfTheHard());
    EXPECT_EQ(runAwayUntilDropped(), SCHED_OTHER);
    EXPECT_EQ(Audio::RealTimeLimit::overruns(), 3u);
}

// After an overrun no thread of ours is made real-time again: a stream
// opened then runs its audio thread and the sound server client's carrier
// (which checks nothing of ours, and blocks SIGXCPU) under the normal
// policy. In a child, as the overrun stays met for the process's life.
TEST(RealTime, AStreamOpenedAfterAnOverrunRunsNoThreadRealTime)
{
    if (skipWithoutTestServer())
        GTEST_SKIP();
    REQUIRE_OR_SKIP(realTimeAllowed() ? "" : "this process may not use a real-time policy itself",
                    "HG_REQUIRE_REALTIME");
    EXPECT_EQ(statusOfChild("DISABLED_StreamAfterAnOverrun"), 0) << "the child failed; its output is above";
}

TEST(RealTime, DISABLED_StreamAfterAnOverrun)
{
    rlimit limit{400000, 400000};
    ASSERT_EQ(setrlimit(RLIMIT_RTTIME, &limit), 0);
    Audio::RealTimeLimit::arm();
    ASSERT_EQ(runAwayUntilDropped(), SCHED_OTHER);
    ASSERT_TRUE(Audio::RealTimeLimit::overrunMet());
    Audio::StreamingEngine engine;
    const auto before = Audio::threadsOfThisProcess();
    ASSERT_TRUE(AudioTest::runsOnceAnswered(engine, engine.initialize({})));
    const auto started = startedSince(before);
    EXPECT_GE(started.size(), 2u) << "the audio thread and the carrier";
    for (const pid_t thread : started)
        EXPECT_FALSE(Audio::runsRealTime(thread)) << "'" << Audio::threadName(thread) << "' runs real-time";
}

// Plays a generated image from entry 2 through the default output device
// (CI: PulseAudio's null sink) for more than 5 s, recording this process's own
// stream, and judges what really came out: every frame in order at unity
// gain, no silent run (the image has no silence of its own), the counter
// keeping the device's time. The sound server pulls its audio in bursts of 100-200 ms,
// so that the render function runs many times back to back.
// `dropout`: the render function handed to the engine plays 40 ms of
// silence once, 2.5 s in, without advancing, so that the test sees its own
// judgement fail and name Glasswell. `playAgain` (when not null) is set,
// and the gaps left unjudged, where the judgement clears Glasswell of every
// gap and a thread of the server stood at least as long as each.
void playOnceThroughTheOutputDevice(bool besideLoad, bool throughRealtimeKit, bool dropout, bool* playAgain)
{
    REQUIRE_OR_SKIP(OutputRecording::testServerProblem(), "HG_REQUIRE_AUDIO");
    LoadedPlayer loaded(750); // 10 s tracks
    auto& player = loaded.player;
    auto& streaming = player.getStreaming();

    // The product's render function, counted for allocations on the real
    // audio thread.
    const auto render = streaming.initializeCallback();
    std::atomic<int> callbacks{0};
    constexpr unsigned kDropoutFrames = 44100 * 40 / 1000;
    unsigned droppedFrames = dropout ? 0 : kDropoutFrames; // audio thread only
    const bool open = streaming.engine().initialize([&](void* out, unsigned int frames) {
        AllocationCounter::Scope scope;
        ++callbacks;
        if (droppedFrames < kDropoutFrames && streaming.values().playedSamples() >= 2 * 44100 * 5 / 2) {
            droppedFrames += frames;
            return 0;
        }
        return render(out, frames);
    });
    if (!AudioTest::runsOnceAnswered(streaming.engine(), open)) {
        if (std::getenv("HG_REQUIRE_AUDIO"))
            FAIL() << "no output device could be opened at 44100 Hz";
        GTEST_SKIP() << "no output device";
    }
    const auto& devices = player.getAudioDevices();
    ASSERT_GE(devices.countAudioDevices(), 1u);
    const auto info = devices.getCurrentAudioDeviceInfo();
    EXPECT_TRUE(info.probed);
    EXPECT_EQ(info.hasOutput, 1);

    // A busy machine takes its time to start the recorder and to run the audio
    // thread: every wait is for the event itself, bounded only against a hang.
    const auto waitFor = [](const std::function<bool()>& ready) {
        const auto deadline = std::chrono::steady_clock::now() + 60s;
        while (!ready() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(20ms);
        return ready();
    };
    OutputRecording::StreamRecorder recorder;
    const std::string sinkInput = OutputRecording::ownSinkInput(60s);
    ASSERT_FALSE(sinkInput.empty()) << "the output stream is not a PulseAudio stream that can be recorded";
    ASSERT_TRUE(recorder.start(sinkInput));
    // Playback starts once the recorder hears the stream (0.1 s of its silence).
    ASSERT_TRUE(waitFor([&] { return recorder.recordedBytes() >= 44100 * 4 / 10; }))
        << "the recorder never received the stream's frames";
    const OutputRecording::StreamLatency latency = OutputRecording::streamLatency(sinkInput);

    std::unique_ptr<OutputRecording::CpuLoad> load;
    if (besideLoad)
        load = std::make_unique<OutputRecording::CpuLoad>(120s);
    AllocationCounter::reset();
    Audio::StreamingEngine& engine = streaming.engine();
    const OutputRecording::ServerLog serverLog;
    OutputRecording::ThreadWaits waits;
    const std::uint64_t lockTakenBefore = streaming.lockTakenCount();
    const std::uint64_t starvedBefore = streaming.starvedFrames();
    const std::uint64_t callbacksBefore = engine.callbackRecord().callbacks;
    engine.restartCallbackRecord();
    OutputRecording::AccountSampler account(AudioTest::accountOf(streaming));
    player.start();
    // 5.5 s of sound recorded, the counter sampled all along against the
    // frames the device asked for: the audio side's own clock.
    OutputRecording::CounterRate rate;
    OutputRecording::LoopWatch loop;
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    for (int i = 0; std::chrono::steady_clock::now() < deadline; ++i) {
        loop.tick();
        const std::uint32_t played = streaming.values().playedSamples();
        rate.sample(played, double(engine.callbackRecord().frames) / 44100.0);
        if (i % 20 == 0 && OutputRecording::continuity(recorder.recorded()).frames >= 44100 * 11 / 2)
            break;
        std::this_thread::sleep_for(5ms);
    }
    // Recorded while still playing, so that the last sound is not a fade.
    const std::string recorded = recorder.stop();
    const std::uint64_t lockTaken = streaming.lockTakenCount() - lockTakenBefore;
    const std::size_t allocations = AllocationCounter::count();
    OutputRecording::Sides sides;
    sides.callbacks = engine.callbackRecord().callbacks - callbacksBefore;
    sides.longestCallbackIntervalMs = double(engine.callbackRecord().longestIntervalNs) / 1e6;
    sides.starvedFrames = streaming.starvedFrames() - starvedBefore;
    sides.lockTaken = lockTaken;
    sides.loopAwayMs = loop.longestMs();
    sides.account = account.stop();
    sides.recordingStartedAt = recorder.startedAt();
    sides.latency = latency;
    serverLog.account(sides);
    waits.account(sides);
    load.reset();
    player.stop(); // faded: the stream is running
    EXPECT_TRUE(waitFor([&] { return player.isStopped(); }));
    streaming.engine().stopStream();
    streaming.engine().closeStream();

    EXPECT_GT(callbacks.load(), 300);
    // The audio thread is real-time wherever the system grants it.
    const bool realTime = realTimeAllowed() || throughRealtimeKit;
    EXPECT_EQ(streaming.engine().audioScheduling(), realTime ? Audio::StreamingEngine::Scheduling::RealTime
                                                             : Audio::StreamingEngine::Scheduling::Normal);
    EXPECT_EQ(allocations, 0u);
    EXPECT_EQ(lockTaken, 0u) << "the render function found the position lock taken";

    const auto c = OutputRecording::continuity(recorded);
    const OutputRecording::Judgement judged = OutputRecording::judge(c, sides);
    std::cout << OutputRecording::describe(c) << "; counter/device " << rate.rate() << "; lock taken " << lockTaken
              << (besideLoad ? " (beside the load)" : " (idle)") << std::endl;
    std::cout << (judged.message.empty() ? OutputRecording::describe(sides) : judged.message) << std::endl;
    EXPECT_GE(c.frames, 44100u * 5) << "recorded " << recorded.size() / 4 << " frames";
    if (playAgain != nullptr && !dropout && judged.serverStoodOverEveryGap) {
        std::cout << "Played again: every gap was the server's, which stood as long" << std::endl;
        *playAgain = true;
        return;
    }
    if (dropout) {
        // Its own judgement fails, naming the render function.
        EXPECT_GE(judged.gaps, 1u) << judged.message;
        EXPECT_NE(judged.message.find("was Glasswell's render function"), std::string::npos) << judged.message;
    } else {
        EXPECT_EQ(judged.gaps, 0u) << judged.message;
        EXPECT_GE(judged.soundingShare, 0.999) << judged.message;
    }
    EXPECT_GE(rate.seconds(), 5.0);
    EXPECT_NEAR(rate.rate(), 1.0, 0.02) << "played seconds per second of the device's";

    // Every sounding frame must be the image's next frame from entry 2 on, at
    // unity gain (the device's float-to-16-bit rounding may differ by one).
    // On a busy machine the recorder may drop or repeat a chunk; the right
    // channel counts frames, so such a slip is recognised and followed.
    const std::size_t frames = recorded.size() / 4;
    const auto* p = reinterpret_cast<const unsigned char*>(recorded.data());
    auto at = [&](std::size_t i, int channel) {
        return int(std::int16_t(std::uint16_t(p[4 * i + 2 * channel]) | std::uint16_t(p[4 * i + 2 * channel + 1]) << 8));
    };
    auto matches = [&](std::int64_t frame, int l, int r) {
        const auto want = DdpFixture::expectedSample(loaded.image, frame * 4);
        return std::abs(l - want.left) <= 1 && std::abs(r - want.right) <= 1;
    };
    const std::int64_t first = loaded.image.entryStart(2) / 4;
    std::int64_t next = first;
    std::int64_t matched = 0;
    std::int64_t dropped = 0;
    std::size_t mismatches = 0;
    for (std::size_t i = c.firstSound; i < frames; ++i) {
        const int l = at(i, 0);
        const int r = at(i, 1);
        if (l == 0 && r == 0)
            continue;
        if (matched == 0) {
            EXPECT_TRUE(matches(first, l, r)) << "playback must begin at entry 2: got " << l << "/" << r;
        }
        if (!matches(next, l, r)) {
            const std::int64_t slip = ((r - std::int64_t(next & 0x7FFF) + 0x4000) & 0x7FFF) - 0x4000;
            if (slip != 0 && std::abs(slip) <= 8192 && matched > 0 && matches(next + slip, l, r)) {
                dropped += std::abs(slip);
                next += slip;
            } else {
                const auto want = DdpFixture::expectedSample(loaded.image, next * 4);
                if (++mismatches < 5)
                    ADD_FAILURE() << "frame " << next - first << ": got " << l << "/" << r << ", want "
                                  << want.left << "/" << want.right;
            }
        }
        ++matched;
        ++next;
    }
    EXPECT_EQ(mismatches, 0u);
    EXPECT_GE(matched, 5 * 44100);
    EXPECT_LT(dropped, 44100) << "the recorder slipped too much to judge";
}

// A play whose every gap the server made, one of its threads standing as
// long while Glasswell rendered every frame in time, is played once more;
// the second play is judged whole. Nothing of Glasswell's is played again.
void playsContinuouslyThroughTheOutputDevice(bool besideLoad, bool throughRealtimeKit = false, bool dropout = false)
{
    bool playAgain = false;
    playOnceThroughTheOutputDevice(besideLoad, throughRealtimeKit, dropout, &playAgain);
    if (playAgain)
        playOnceThroughTheOutputDevice(besideLoad, throughRealtimeKit, dropout, nullptr);
}

TEST(RealTime, PlaysAGeneratedImageThroughTheOutputDeviceContinuouslyAlignedAtUnityGain)
{
    playsContinuouslyThroughTheOutputDevice(false);
}

TEST(RealTime, PlaysContinuouslyBesideABusyLoopPerCore)
{
    playsContinuouslyThroughTheOutputDevice(true);
}

// The judgement above fails for a dropout of the render function and names
// it, beside the load that its builds put on a machine.
TEST(RealTime, ADropoutOfTheRenderFunctionFailsTheJudgementAndIsNamedGlasswells)
{
    playsContinuouslyThroughTheOutputDevice(true, false, true);
}

// As an ordinary desktop user: a user other than root ("nobody"), no
// CAP_SYS_NICE and an RLIMIT_RTPRIO of 0, so that the direct request is
// refused, and a RealtimeKit on a private system bus whose polkitd authorises
// that user as an active session's. Run in a child of the test that drops
// all three (CI runs as root). The child may read root's folders
// (CAP_DAC_READ_SEARCH), so that it reaches the private sound server and its
// own executable wherever they lie; polkit and RealtimeKit judge it by its uid.
// Runs this binary's disabled test `name` so, and returns its status.
int statusAsOrdinaryUser(const OutputRecording::PrivateRealtimeKit& rtkit, const std::string& name)
{
    char self[PATH_MAX] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0)
        return -1;
    const std::string uid = std::to_string(rtkit.childUid());
    const std::string child = "env DBUS_SYSTEM_BUS_ADDRESS='" + rtkit.address() + "' TMPDIR='" + rtkit.childFolder()
        + "' HOME='" + rtkit.childFolder() + "' HG_EXPECT_UID=" + uid + " prlimit --rtprio=0:0 setpriv --reuid=" + uid
        + " --regid=" + std::to_string(rtkit.childGid())
        + " --clear-groups --inh-caps=-all,+dac_read_search --ambient-caps=-all,+dac_read_search"
          " --bounding-set=-sys_nice -- '"
        + self + "' --gtest_also_run_disabled_tests --gtest_filter=RealTime." + name;
    return std::system(child.c_str());
}

#define REQUIRE_PRIVATE_REALTIMEKIT(rtkit) \
    do { \
        REQUIRE_OR_SKIP((rtkit).problem(), "HG_REQUIRE_REALTIME"); \
        ASSERT_NE((rtkit).childUid(), 0u); \
    } while (false)

// The child's start: Qt's D-Bus, which RealtimeKit is reached through, wants
// an application; the child runs as the ordinary user.
#define AS_THE_ORDINARY_USER() \
    int argc = 1; \
    char name[] = "glasswell_audio_realtime_tests"; \
    char* argv[] = {name, nullptr}; \
    QCoreApplication application(argc, argv); \
    ASSERT_FALSE(realTimeAllowed()) << "the child still may use a real-time policy itself"; \
    if (const char* uid = std::getenv("HG_EXPECT_UID")) { \
        ASSERT_EQ(std::to_string(getuid()), uid) << "the child runs as another user"; \
    }

TEST(RealTime, AnOrdinaryUserGetsRealTimeThroughRealtimeKitAndPlaysBesideABusyLoopPerCore)
{
    if (skipWithoutTestServer())
        GTEST_SKIP();
    OutputRecording::PrivateRealtimeKit rtkit;
    REQUIRE_PRIVATE_REALTIMEKIT(rtkit);
    EXPECT_EQ(statusAsOrdinaryUser(rtkit, "DISABLED_OrdinaryUserPlaysBesideABusyLoopPerCore"), 0)
        << "the child failed; its output is above";
    const std::string log = rtkit.daemonLog();
    std::cout << log;
    const auto granted = [&log](const std::string& priority) {
        std::size_t count = 0;
        for (std::size_t at = log.find(priority); at != std::string::npos; at = log.find(priority, at + 1))
            ++count;
        return count;
    };
    // The audio thread and the sound server client's carrier, and above them
    // the thread that takes their overrun.
    EXPECT_EQ(granted("RT at priority 10"), 2u);
    EXPECT_EQ(granted("RT at priority 11"), 1u);
}

// The child's part of the test above; on its own it plays through the
// default output device as any other play test.
TEST(RealTime, DISABLED_OrdinaryUserPlaysBesideABusyLoopPerCore)
{
    AS_THE_ORDINARY_USER();
    std::cout << "child: uid " << getuid() << ", euid " << geteuid() << std::endl;
    playsContinuouslyThroughTheOutputDevice(true, true);
}

// A RealtimeKit that serves two threads of a user: the thread that takes an
// overrun is asked for first, so that no audio thread runs real-time without
// it (an overrun would then end the player); the carrier is refused.
TEST(RealTime, RealtimeKitMakesNoAudioThreadRealTimeWithoutItsOverrunTaker)
{
    if (skipWithoutTestServer())
        GTEST_SKIP();
    OutputRecording::PrivateRealtimeKit rtkit("--threads-per-user-max=2");
    REQUIRE_PRIVATE_REALTIMEKIT(rtkit);
    EXPECT_EQ(statusAsOrdinaryUser(rtkit, "DISABLED_RealtimeKitServesTwoThreads"), 0)
        << "the child failed; its output is above";
    std::cout << rtkit.daemonLog();
}

TEST(RealTime, DISABLED_RealtimeKitServesTwoThreads)
{
    AS_THE_ORDINARY_USER();
    Audio::StreamingEngine engine;
    const auto before = Audio::threadsOfThisProcess();
    ASSERT_TRUE(AudioTest::runsOnceAnswered(engine, engine.initialize({})));
    const pid_t taker = Audio::RealTimeLimit::takerThread();
    ASSERT_NE(taker, 0);
    for (const pid_t thread : startedSince(before)) {
        if (thread != taker && Audio::runsRealTime(thread)) {
            EXPECT_TRUE(Audio::runsRealTime(taker))
                << "'" << Audio::threadName(thread) << "' runs real-time, the overrun's taker does not";
        }
    }
}

// An open that the sound server answers late (stopped meanwhile) is taken up
// after other threads have started, as the reader's does when an image is
// opened: RealtimeKit is asked for the threads the open started, not those.
TEST(RealTime, ALateOpenGetsRealTimeThroughRealtimeKitForItsOwnThreadsOnly)
{
    OutputRecording::PrivateRealtimeKit rtkit;
    REQUIRE_PRIVATE_REALTIMEKIT(rtkit);
    EXPECT_EQ(statusAsOrdinaryUser(rtkit, "DISABLED_LateOpenThroughRealtimeKit"), 0)
        << "the child failed; its output is above";
}

TEST(RealTime, DISABLED_LateOpenThroughRealtimeKit)
{
    AS_THE_ORDINARY_USER();
    OutputRecording::PrivateServer server;
    REQUIRE_OWN_SERVER(server);
    Audio::StreamingEngine engine;
    ASSERT_TRUE(AudioTest::runsOnceAnswered(engine, engine.initialize({})));
    // Lost, and back but stopped: the engine's library object reopens the
    // device without a probe.
    server.end();
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (engine.checkDevice() != Audio::StreamingEngine::DeviceCheck::Lost
           && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    ASSERT_TRUE(engine.isDeviceLost());
    ASSERT_TRUE(server.start()) << server.problem();
    ASSERT_TRUE(server.freeze());
    const auto before = Audio::threadsOfThisProcess();
    EXPECT_FALSE(engine.reopenIfLost()) << "the open came back from the stopped server";

    std::mutex mutex;
    std::condition_variable ended;
    bool end = false;
    std::atomic<pid_t> reader{0};
    std::thread elsewhere([&] {
        reader = pid_t(syscall(SYS_gettid));
        std::unique_lock<std::mutex> lock(mutex);
        ended.wait(lock, [&] { return end; });
    });
    while (reader == 0)
        std::this_thread::yield();
    ASSERT_TRUE(server.thaw());
    EXPECT_TRUE(AudioTest::runsOnceAnswered(engine, false));
    EXPECT_FALSE(Audio::runsRealTime(reader)) << "a thread the open did not start was made real-time";
    std::size_t own = 0;
    for (const pid_t thread : startedSince(before)) {
        const std::string name = Audio::threadName(thread);
        if (name == Audio::StreamingEngine::kAudioThreadName || name == "threaded-ml") {
            ++own;
            EXPECT_TRUE(Audio::runsRealTime(thread)) << "the open's '" << name << "' was not made real-time";
        }
    }
    EXPECT_GE(own, 2u) << "the audio thread and the carrier";
    {
        std::lock_guard<std::mutex> lock(mutex);
        end = true;
    }
    ended.notify_all();
    elsewhere.join();
}

} // namespace

// ---- Overruns of several threads at once, and a SIGXCPU of another cause ----

// The audio thread (which checks the overrun flag at the top of its loop)
// and the sound client's carrier (which checks nothing; the handler drops
// it) overrun together under the RealtimeKit road's
// limits: both leave real time, and the player lives on. They hold every
// processor the child may use, as they may on a busy machine, so that an
// ordinary thread that took the signal could not run before the hard limit.
TEST(RealTime, TwoThreadsOverrunningAtOnceBothLeaveRealTimeAndThePlayerLivesOn)
{
    if (!realTimeAllowed())
        GTEST_SKIP() << "this process may not use a real-time policy itself";
    EXPECT_EQ(statusOfChild("DISABLED_TwoOverrunsAtOnce"), 0) << "the child failed or was killed; its output is above";
}

TEST(RealTime, DISABLED_TwoOverrunsAtOnce)
{
    // At most two processors, one for each runaway thread; set first, so that
    // every thread started from here on inherits it.
    cpu_set_t allowed;
    ASSERT_EQ(sched_getaffinity(0, sizeof allowed, &allowed), 0);
    cpu_set_t two;
    CPU_ZERO(&two);
    for (int cpu = 0, kept = 0; cpu < CPU_SETSIZE && kept < 2; ++cpu) {
        if (CPU_ISSET(cpu, &allowed)) {
            CPU_SET(cpu, &two);
            ++kept;
        }
    }
    ASSERT_EQ(sched_setaffinity(0, sizeof two, &two), 0);
    rlimit limit{400000, 400000};
    ASSERT_EQ(setrlimit(RLIMIT_RTTIME, &limit), 0);
    Audio::RealTimeLimit::arm();
    const pid_t taker = Audio::RealTimeLimit::takerThread();
    ASSERT_NE(taker, 0);
    std::mutex mutex;
    std::condition_variable started;
    std::condition_variable go;
    int ready = 0;
    bool spinning = false;
    const auto spin = [&](bool checksTheFlag, int& policy) {
        // The sound server client's carrier blocks every signal, so that
        // its overrun goes to another thread.
        if (!checksTheFlag) {
            sigset_t all;
            sigfillset(&all);
            pthread_sigmask(SIG_BLOCK, &all, nullptr);
        }
        {
            std::unique_lock<std::mutex> lock(mutex);
            ++ready;
            started.notify_one();
            go.wait(lock, [&] { return spinning; });
        }
        sched_param param{};
        param.sched_priority = Audio::StreamingEngine::kRealTimePriority;
        if (pthread_setschedparam(pthread_self(), SCHED_RR, &param) != 0)
            return;
        // Bounded only against a hang: the hard limit is 400 ms.
        const auto end = std::chrono::steady_clock::now() + 20s;
        while ((policy = sched_getscheduler(0) & ~SCHED_RESET_ON_FORK) == SCHED_RR
               && std::chrono::steady_clock::now() < end) {
            if (checksTheFlag)
                Audio::RealTimeLimit::leaveRealTimeAfterOverrun();
        }
    };
    int audioPolicy = -1;
    int carrierPolicy = -1;
    std::thread carrier(spin, false, std::ref(carrierPolicy));
    std::thread audio(spin, true, std::ref(audioPolicy));
    {
        std::unique_lock<std::mutex> lock(mutex);
        // This thread waits in the join before they spin.
        started.wait(lock, [&] { return ready == 2; });
        spinning = true;
    }
    go.notify_all();
    carrier.join();
    audio.join();
    EXPECT_EQ(audioPolicy, SCHED_OTHER);
    EXPECT_EQ(carrierPolicy, SCHED_OTHER);
    EXPECT_GE(Audio::RealTimeLimit::overruns(), 1u);
    EXPECT_TRUE(Audio::RealTimeLimit::reportOverrun());
    // It stays above the audio threads for the next overrun.
    sched_param param{};
    EXPECT_TRUE(Audio::runsRealTime(taker));
    EXPECT_EQ(sched_getparam(taker, &param), 0);
    EXPECT_GT(param.sched_priority, Audio::StreamingEngine::kRealTimePriority);
}

// A SIGXCPU for RLIMIT_CPU is the administrator's limit, not an overrun: it
// ends the process as it would without the handler.
TEST(RealTime, ASigXcpuOfTheProcessorTimeLimitKeepsItsDefaultAction)
{
    const int status = statusOfChild("DISABLED_ProcessorTimeLimit");
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXCPU) << "wait status " << status;
}

TEST(RealTime, DISABLED_ProcessorTimeLimit)
{
    const rlimit noCore{0, 0};
    ASSERT_EQ(setrlimit(RLIMIT_CORE, &noCore), 0);
    Audio::RealTimeLimit::arm();
    timespec used{};
    ASSERT_EQ(clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used), 0);
    rlimit cpu{};
    ASSERT_EQ(getrlimit(RLIMIT_CPU, &cpu), 0);
    cpu.rlim_cur = static_cast<rlim_t>(used.tv_sec) + 1;
    ASSERT_EQ(setrlimit(RLIMIT_CPU, &cpu), 0);
    // Bounded only against a hang: the limit is at most 2 s of processor time.
    const auto end = std::chrono::steady_clock::now() + 20s;
    while (std::chrono::steady_clock::now() < end) {
    }
    ADD_FAILURE() << "the process outlived its RLIMIT_CPU";
}

// ---- The link a release cuts between the library's callbacks and the engine ----

namespace {

// One buffer and then an error of the library, with the library's own
// texts, on a thread of their own as the library's audio thread: the
// callbacks remember the link of their thread. Whether the buffer was
// silenced.
bool callAsTheAudioThread(Audio::StreamLink& link, const std::string& error)
{
    bool silent = false;
    std::thread audioThread([&] {
        std::vector<float> buffer(256 * 2, 0.5f);
        Audio::rtaudio_callback(buffer.data(), nullptr, 256, 0.0, 0, &link);
        Audio::error_callback(RtAudioError::WARNING, error);
        silent = std::all_of(buffer.begin(), buffer.end(), [](float v) { return v == 0.0f; });
    });
    audioThread.join();
    return silent;
}

const std::string kServerGone = "RtApiPulse::callbackEvent: audio write error, Connection terminated.";

} // namespace

// Once a stream's link is released, its callbacks play silence and reach
// nothing of the engine: neither its render path (which notes the audio
// thread's scheduling on its first buffer) nor its loss of the device.
TEST(StreamingEngine, AReleasedLinkKeepsTheLibrarysCallbacksFromTheEngine)
{
    Audio::StreamingEngine engine;
    Audio::StreamLink released(&engine);
    released.released = true;
    EXPECT_TRUE(callAsTheAudioThread(released, kServerGone));
    EXPECT_EQ(engine.audioScheduling(), Audio::StreamingEngine::Scheduling::Unknown);
    EXPECT_EQ(engine.streamErrorCount(), 0u);
    EXPECT_EQ(released.inCallback.load(), 0);

    Audio::StreamLink live(&engine);
    EXPECT_TRUE(callAsTheAudioThread(live, kServerGone));
    EXPECT_NE(engine.audioScheduling(), Audio::StreamingEngine::Scheduling::Unknown);
    EXPECT_EQ(engine.streamErrorCount(), 1u);
    EXPECT_EQ(live.inCallback.load(), 0);
}

// The library reports an underrun (after which it has prepared the device
// again and plays on) as a warning, as it does a write that fails for good:
// the underrun is a dropout, never the loss of the device.
TEST(StreamingEngine, AnUnderrunIsADropoutAndNoLostDevice)
{
    Audio::StreamingEngine engine;
    Audio::StreamLink live(&engine);
    callAsTheAudioThread(live, "RtApiAlsa::callbackEvent: audio write error, underrun.");
    EXPECT_EQ(engine.streamErrorCount(), 0u);
    EXPECT_EQ(engine.dropoutCount(), 1u);
    callAsTheAudioThread(live, "RtApiAlsa::callbackEvent: error preparing device after underrun, Input/output error.");
    EXPECT_EQ(engine.streamErrorCount(), 1u) << "a device that could not be prepared again is lost";
    EXPECT_EQ(engine.dropoutCount(), 1u);
}

