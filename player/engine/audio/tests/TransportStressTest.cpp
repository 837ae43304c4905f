// The GUI side hammers the transport while the audio side renders on its own
// thread (and the reader serves and reports the end of the image on a third).
// Run under ThreadSanitizer in CI. Afterwards the transport must still work.

#include "player/engine/audio/Player.h"

#include "player/engine/audio/tests/AudioTestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <random>
#include <thread>

using Audio::Player;
using namespace AudioTest;
using namespace std::chrono_literals;

namespace {

TEST(TransportStress, HammeringTheTransportDuringRenderingLeavesItWorking)
{
    QTemporaryDir dir;
    DdpFixture::Options o;
    o.trackCount = 6;
    o.tracksWithPause = 3;
    o.tracksWithIndex2 = 2;
    o.trackFrames = 40; // short tracks: the end of the image is reached too
    auto image = DdpFixture::write(dir.path().toStdString(), o);
    auto model = modelFor(image);
    std::atomic<int> runningChanges{0};
    model->setRunningCallback([&](bool) { ++runningChanges; });

    Player player;
    auto& streaming = player.getStreaming();
    streaming.setDrivenExternally(true);
    player.setDescListProvider(model);
    player.setRangesFromPqDesc(model->getDescList());
    player.setAudioFileName(dir.path(), [&](std::uint32_t move) { player.onEndOfAudioFile(move); });

    std::atomic<bool> stop{false};
    std::thread audio([&] {
        float buffer[512];
        while (!stop) {
            std::fill(std::begin(buffer), std::end(buffer), 0.0f);
            streaming.render(buffer, 256);
            // Faster than real time, but leaves the reader room to keep up.
            std::this_thread::sleep_for(100us);
        }
    });

    // A count of operations, not a time: a loaded machine takes longer over
    // them, but does them all.
    std::mt19937 random(12345);
    for (int operation = 0; operation < 1500; ++operation) {
        switch (random() % 11) {
        case 0: player.selectNextTrack(); break;
        case 1: player.selectPreviousTrack(); break;
        case 2: {
            const auto range = player.getCurrentRange();
            streaming.seek(double(random() % 1000) / 1000.0, int(range.second - range.first));
            break;
        }
        case 3: player.pause(); break;
        case 4: player.start(); break;
        case 5: player.stop(); break;
        case 6: player.selectTrack(int(random() % 9)); break;
        case 7: player.increaseTrackNumber(); break;
        case 8: streaming.values().setTargetVolume(float(random() % 100) / 100.0f); break;
        case 9: (void)player.getSteadyTrackNumber(); (void)player.getTrackNumberFromPqDesc(); break;
        default: streaming.values().clearPeaks(); break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
    }
    // Let pending fades finish while the audio thread still runs (the bound
    // only against a hang).
    player.stop();
    const auto settle = std::chrono::steady_clock::now() + 60s;
    while ((!streaming.fades().isIdle() || !player.isStopped()) && std::chrono::steady_clock::now() < settle)
        std::this_thread::sleep_for(5ms);
    stop = true;
    audio.join();
    EXPECT_TRUE(streaming.fades().isIdle());
    EXPECT_TRUE(player.isStopped());

    // The transport works as on a fresh image: a row starts at once, and next
    // and previous are not stuck behind a lost completion.
    streaming.values().setTargetVolume(1.0f);
    streaming.values().setVolume(1.0f);
    player.selectTrack(3); // entry 5
    ASSERT_TRUE(waitIdle(streaming));
    const int row3Entry = player.getEntry();
    auto out = playPaced(streaming, 1);
    const auto expected = DdpFixture::expectedSample(image, image.entryStart(std::size_t(row3Entry)));
    EXPECT_EQ(int(std::lround(out[0] * 32767.0f)), expected.left);

    player.selectNextTrack();
    playPaced(streaming, kFadeOutFrames);
    EXPECT_GT(player.getEntry(), row3Entry);
    player.selectPreviousTrack();
    playPaced(streaming, kFadeOutFrames);
    EXPECT_EQ(player.getEntry(), row3Entry);
    out = playPaced(streaming, 1);
    EXPECT_EQ(DdpFixture::trackOfLeftSample(std::int16_t(std::lround(out[0] * 32767.0f))),
              DdpFixture::trackOfLeftSample(expected.left));
    EXPECT_GT(runningChanges.load(), 0);
}

} // namespace
