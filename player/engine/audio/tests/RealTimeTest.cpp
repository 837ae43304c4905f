// The audio thread's real-time rules, and a generated image played through a
// real output device (a PulseAudio null sink in CI) and recorded back.

#include "player/engine/audio/Player.h"

#include "player/engine/audio/tests/AllocationCounter.h"
#include "player/engine/audio/tests/AudioTestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <memory>
#include <thread>

#include <sys/types.h>
#include <sys/wait.h>
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

TEST(RealTime, SteadyPlaybackAllocatesNothingOnTheAudioThread)
{
    LoadedPlayer loaded(750); // 10 s tracks
    auto& streaming = loaded.player.getStreaming();
    streaming.setDrivenExternally(true);
    loaded.player.start();
    streaming.values().setTargetVolume(0.7f); // a volume ramp is steady playback too

    AllocationCounter::reset();
    std::atomic<bool> done{false};
    std::thread audio([&] {
        AllocationCounter::Scope scope;
        float buffer[512];
        // About 160 blocks of the reader, so many buffer switches.
        for (int i = 0; i < 1300 && !done; ++i) {
            std::fill(std::begin(buffer), std::end(buffer), 0.0f);
            streaming.render(buffer, 256);
            std::this_thread::sleep_for(200us);
        }
        done = true;
    });
    // The display timer's reads and clears run meanwhile.
    while (!done) {
        (void)streaming.values().playedSamples();
        (void)streaming.values().meanSquareLeft();
        streaming.values().clearPeaks();
        std::this_thread::sleep_for(1ms);
    }
    audio.join();
    EXPECT_EQ(AllocationCounter::count(), 0u);
    EXPECT_GT(streaming.values().playedSamples(), 2u * 256 * 1000); // it really played
}

// A recorder of the output device's monitor: "parec" writing raw 16-bit
// stereo frames into a pipe that a thread drains.
class MonitorRecorder
{
public:
    bool start()
    {
        int fds[2];
        if (pipe(fds) != 0)
            return false;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(fds[1], STDOUT_FILENO);
            close(fds[0]);
            close(fds[1]);
            execlp("parec", "parec", "-d", "@DEFAULT_MONITOR@", "--raw", "--format=s16le", "--rate=44100",
                   "--channels=2", "--latency-msec=200", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        if (pid_ < 0) {
            close(fds[0]);
            return false;
        }
        fd_ = fds[0];
        reader_ = std::thread([this] {
            char chunk[4096];
            for (;;) {
                const ssize_t n = read(fd_, chunk, sizeof chunk);
                if (n <= 0)
                    break;
                bytes_.append(chunk, std::size_t(n));
            }
        });
        return true;
    }

    std::string stop()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        if (reader_.joinable())
            reader_.join();
        if (fd_ >= 0)
            close(fd_);
        return bytes_;
    }

private:
    pid_t pid_ = -1;
    int fd_ = -1;
    std::thread reader_;
    std::string bytes_;
};

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

TEST(RealTime, PlaysAGeneratedImageThroughTheOutputDeviceAlignedAtUnityGain)
{
    LoadedPlayer loaded(450); // 6 s tracks
    auto& player = loaded.player;
    auto& streaming = player.getStreaming();

    // The product's render function, counted for allocations on the real
    // audio thread.
    const auto render = streaming.initializeCallback();
    std::atomic<int> callbacks{0};
    const bool open = streaming.engine().initialize([&](void* out, unsigned int frames) {
        AllocationCounter::Scope scope;
        ++callbacks;
        return render(out, frames);
    });
    if (!open) {
        if (std::getenv("HG_REQUIRE_AUDIO"))
            FAIL() << "no output device could be opened at 44100 Hz";
        GTEST_SKIP() << "no output device";
    }
    const auto& devices = player.getAudioDevices();
    ASSERT_GE(devices.countAudioDevices(), 1u);
    const auto info = devices.getCurrentAudioDeviceInfo();
    EXPECT_TRUE(info.probed);
    EXPECT_EQ(info.hasOutput, 1);

    MonitorRecorder recorder;
    ASSERT_TRUE(recorder.start());
    std::this_thread::sleep_for(500ms);
    AllocationCounter::reset();
    player.start();
    // 2.5 s of the image played (a busy machine may need longer).
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (streaming.values().playedSamples() < 2 * 44100 * 5 / 2 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(50ms);
    const std::size_t allocations = AllocationCounter::count();
    player.stop(); // faded: the stream is running
    std::this_thread::sleep_for(500ms);
    const std::string recorded = recorder.stop();
    EXPECT_TRUE(player.isStopped());
    streaming.engine().stopStream();
    streaming.engine().closeStream();

    EXPECT_GT(callbacks.load(), 300);
    EXPECT_EQ(allocations, 0u);

    // Every sounding frame must be the image's next frame from entry 2 on, at
    // unity gain (the device's float-to-16-bit rounding may differ by one).
    // Silent frames, if the device ever ran dry, are skipped: the image has
    // none. On a busy machine the recorder may drop or repeat a chunk; the
    // right channel counts frames, so such a slip is recognised and followed.
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
    for (std::size_t i = 0; i < frames && matched < 2 * 44100; ++i) {
        const int l = at(i, 0);
        const int r = at(i, 1);
        if (l == 0 && r == 0)
            continue;
        if (matched == 0) {
            EXPECT_TRUE(matches(first, l, r)) << "playback must begin at entry 2: got " << l << "/" << r;
        }
        if (!matches(next, l, r)) {
            // The right channel counts frames: a small slip either way is the
            // recorder's (dropped or repeated chunks on a busy machine).
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
    EXPECT_EQ(matched, 2 * 44100) << "recorded " << frames << " frames";
    EXPECT_LT(dropped, 44100) << "the recorder slipped too much to judge";
}

} // namespace
