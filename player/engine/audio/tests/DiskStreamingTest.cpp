#include "player/engine/audio/DiskStreaming.h"

#include "player/engine/audio/tests/AudioTestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <future>
#include <thread>

using Audio::DiskStreaming;
using Audio::FadeProcessing;
using Audio::StreamingState;
using namespace AudioTest;

namespace {

// Follows the output frame by frame: each sounding frame must be the file's
// frame after the last one heard, or the first one heard of the next move's
// target, and the gain may move by no more than a fade's or a dip's step, into
// and out of silence alike (only a track change's plain fade-out comes back
// at full gain at once).
struct Follower
{
    std::uint32_t next;
    std::vector<std::uint32_t> moves;
    std::size_t taken = 0; // moves heard
    float gain = 1.0f;
    int clicks = 0;
    int foreign = 0;

    static float gainOf(const float* out, std::uint32_t frame)
    {
        const float g = out[0] / asFloat(leftAt(frame));
        // Close enough to tell neighbouring frames apart at any gain.
        const bool same = std::fabs(out[1] - g * asFloat(rightAt(frame))) <= 4e-6f * std::fabs(out[1]);
        return same && g > 0.0f && g <= 1.0001f ? g : -1.0f;
    }
    void follow(const std::vector<float>& out)
    {
        for (std::size_t k = 0; k < out.size(); k += 2) {
            const bool sounding = out[k] != 0.0f || out[k + 1] != 0.0f;
            float g = sounding ? gainOf(&out[k], next) : 0.0f;
            const bool moved = g < 0.0f && taken < moves.size() && (g = gainOf(&out[k], moves[taken])) >= 0.0f;
            if (moved)
                next = moves[taken++];
            foreign += g < 0.0f;
            next += g > 0.0f;
            g = std::max(g, 0.0f);
            clicks += !moved && std::fabs(g - gain) > 0.01f;
            gain = g;
        }
    }
};

class DiskStreamingTest : public ::testing::Test
{
protected:
    void SetUp() override { streaming.preloader().setReadHook(gate.hook()); }
    // A reader still held would keep the streamer's end waiting.
    void TearDown() override { gate.release(); }

    void load(std::uint32_t frames, std::uint32_t extraBytes = 0)
    {
        ASSERT_TRUE(dir.isValid());
        writeRawImage(dir.path(), frames, extraBytes);
        imageBytes = frames * 4 + extraBytes;
        streaming.setDrivenExternally(true);
        streaming.setAudioFileName(dir.path(), [this](std::uint32_t) {
            ++endOfFileCalls;
            if (onEndOfFile)
                onEndOfFile();
        });
        ASSERT_TRUE(waitIdle(streaming));
    }

    // Renders like the audio callback, letting the reader catch up after
    // every call so that the output is exactly the file.
    std::vector<float> play(std::uint32_t frames, std::uint32_t block = 256)
    {
        std::vector<float> out;
        for (std::uint32_t done = 0; done < frames;) {
            const std::uint32_t n = std::min(block, frames - done);
            auto part = renderFrames(streaming, n, n);
            out.insert(out.end(), part.begin(), part.end());
            done += n;
            EXPECT_TRUE(waitIdle(streaming));
        }
        return out;
    }

    QTemporaryDir dir;
    ReadGate gate; // outlives the reader that calls it
    DiskStreaming streaming;
    std::uint32_t imageBytes = 0;
    std::atomic<int> endOfFileCalls{0};
    std::function<void()> onEndOfFile;
};

TEST_F(DiskStreamingTest, SilentUntilStartedThenPlaysTheFileAtUnityGain)
{
    auto before = renderFrames(streaming, 256);
    EXPECT_EQ(std::count(before.begin(), before.end(), 0.0f), 512);
    load(20000);
    auto stopped = play(512);
    EXPECT_EQ(std::count(stopped.begin(), stopped.end(), 0.0f), 1024);
    EXPECT_EQ(streaming.values().playedSamples(), 0u);

    streaming.setState(StreamingState::Running);
    auto out = play(6144 + 100); // across three buffer switches
    for (std::uint32_t k = 0; k < 6244; ++k) {
        ASSERT_EQ(out[2 * k], asFloat(leftAt(k))) << k;
        ASSERT_EQ(out[2 * k + 1], asFloat(rightAt(k))) << k;
    }
    EXPECT_EQ(streaming.values().playedSamples(), 2u * 6244);
}

TEST_F(DiskStreamingTest, VolumeMovesByOneThousandthOfTheDifferenceAndSnapsToTheTarget)
{
    load(20000);
    streaming.setState(StreamingState::Running);
    streaming.values().setTargetVolume(0.5f);
    auto out = play(256);
    float v = 1.0f;
    for (std::uint32_t k = 0; k < 256; ++k) {
        const float d = 0.5f - v;
        v = std::fabs(d) > 0.001f ? v + 0.001f * d : 0.5f;
        ASSERT_EQ(out[2 * k], asFloat(leftAt(k)) * v * 1.0f) << k;
    }
    EXPECT_EQ(streaming.values().volume(), v);
    EXPECT_GT(v, 0.5f);
    play(8000);
    EXPECT_EQ(streaming.values().volume(), 0.5f);
}

TEST_F(DiskStreamingTest, MetersCountTheVolumeTwiceAndNegativeSamplesNeverRaiseThePeak)
{
    load(20000);
    streaming.values().setVolume(0.5f);
    streaming.values().setTargetVolume(0.5f);
    streaming.setState(StreamingState::Running);
    play(1000);
    float peak = 0.0f;
    for (std::uint32_t k = 0; k < 1000; ++k)
        peak = std::max(peak, asFloat(leftAt(k)) * 0.5f * 1.0f * 0.5f);
    EXPECT_EQ(streaming.values().peakLeftCopy(), peak);
    EXPECT_EQ(streaming.values().peakRight(), 0.0f); // the right channel is always negative
    EXPECT_GT(streaming.values().meanSquareRight(), 0.0f);
    streaming.values().clearPeaks();
    EXPECT_EQ(streaming.values().peakLeft(), 0.0f);
}

TEST_F(DiskStreamingTest, StopWhilePlayingFadesOutFor8200FramesThenRewindsToTheEntryStart)
{
    load(40000);
    streaming.setState(StreamingState::Running);
    play(3000);
    streaming.stop();
    EXPECT_EQ(streaming.fades().state(), FadeProcessing::FadingOut);
    auto out = play(8201);
    // The first frame after the request is already one step down.
    EXPECT_EQ(out[0], asFloat(leftAt(3000)) * (1.0f - FadeProcessing::kStep));
    EXPECT_NE(out[2 * 8199], 0.0f);
    EXPECT_EQ(out[2 * 8200], 0.0f); // the 8201st step leaves the gain just below 0
    play(1, 1); // the gain is set to 0 and the fade marked finished
    EXPECT_EQ(streaming.getState(), StreamingState::Running);
    play(1, 1); // the completion runs on the frame after the gain reached 0
    EXPECT_EQ(streaming.getState(), StreamingState::Stopped);
    EXPECT_EQ(streaming.fades().state(), FadeProcessing::Idle);
    EXPECT_EQ(streaming.values().playedSamples(), 0u);

    ASSERT_TRUE(waitIdle(streaming));
    streaming.setState(StreamingState::Running);
    auto again = play(10);
    EXPECT_EQ(again[0], asFloat(leftAt(0))); // full gain, from the entry start
}

TEST_F(DiskStreamingTest, WithoutARunningOutputStopAndPauseActAtOnce)
{
    load(20000);
    streaming.setDrivenExternally(false); // no stream: nothing would advance a fade
    streaming.setState(StreamingState::Running);
    streaming.pause();
    EXPECT_EQ(streaming.getState(), StreamingState::Paused);
    streaming.setState(StreamingState::Running);
    streaming.stop();
    EXPECT_EQ(streaming.getState(), StreamingState::Stopped);
    EXPECT_TRUE(streaming.fades().isIdle());

    // Pausing a stopped image does not wait for a fade either.
    streaming.setDrivenExternally(true);
    streaming.pause();
    EXPECT_EQ(streaming.getState(), StreamingState::Paused);
    EXPECT_TRUE(streaming.fades().isIdle());
}

TEST_F(DiskStreamingTest, SeekWhilePlayingFadesOutContinuesAtTheTargetAndFadesBackIn)
{
    load(100000);
    streaming.setState(StreamingState::Running);
    play(2048);
    const int length = int(imageBytes);
    streaming.seek(0.5, length);
    const std::uint32_t bytes = std::uint32_t(length / 2);
    EXPECT_EQ(streaming.values().playedSamples(), bytes / 2);
    const std::uint32_t targetFrame = bytes / 4;

    play(8202);
    EXPECT_EQ(streaming.fades().state(), FadeProcessing::FadeOutFinished) << streaming.fades().gain();
    auto atCompletion = play(2, 1);
    EXPECT_EQ(streaming.fades().state(), FadeProcessing::FadingIn);
    EXPECT_EQ(atCompletion[0], 0.0f); // gain 0 on the completion's frame
    EXPECT_EQ(atCompletion[2], asFloat(leftAt(targetFrame + 1)) * FadeProcessing::kStep);
    play(8200);
    EXPECT_FALSE(streaming.fades().isIdle()); // 8201 rising steps, then idle
    play(1, 1);
    EXPECT_TRUE(streaming.fades().isIdle());
    auto after = play(1, 1);
    const std::uint32_t played = 2 + 8201;
    EXPECT_EQ(after[0], asFloat(leftAt(targetFrame + played)));
    EXPECT_EQ(streaming.values().playedSamples(), bytes / 2 + 2 * (played + 1));
}

TEST_F(DiskStreamingTest, SeekDuringAFadeIsIgnoredAndSeekWhilePausedResumesAtTheTarget)
{
    load(100000);
    streaming.setState(StreamingState::Running);
    play(1000);
    streaming.pause();
    const auto counter = streaming.values().playedSamples();
    streaming.seek(0.5, int(imageBytes));
    EXPECT_EQ(streaming.values().playedSamples(), counter);
    play(8300);
    EXPECT_EQ(streaming.getState(), StreamingState::Paused);

    streaming.seek(1.0, 4001); // fraction 1.0: the whole length; aligned down in the file
    EXPECT_EQ(streaming.values().playedSamples(), 4001u / 2);
    ASSERT_TRUE(waitIdle(streaming));
    // Nothing of the old position comes first: playback resumes at the target.
    streaming.setState(StreamingState::Running);
    auto resumed = play(1, 1);
    EXPECT_EQ(resumed[0], asFloat(leftAt(1000)));
}

TEST_F(DiskStreamingTest, TwoTrackChangesInOneFadeRunBothCallbacksAndLandOnTheLast)
{
    load(200000);
    streaming.setState(StreamingState::Running);
    play(500);
    int first = 0;
    int second = 0;
    streaming.setCurrentSampleInFileAndFadeOut(40000 * 4, [&](bool) { ++first; });
    play(300);
    streaming.setCurrentSampleInFileAndFadeOut(90000 * 4 + 2, [&](bool) { ++second; });
    play(8200);
    EXPECT_EQ(first + second, 2);
    EXPECT_EQ(first, 1);
    EXPECT_TRUE(streaming.fades().isIdle());
    const std::uint32_t sinceCompletion = 300 + 8200 - 8202;
    auto out = play(1, 1);
    // A plain fade-out comes back at full gain, at the (aligned) second target.
    EXPECT_EQ(out[0], asFloat(leftAt(90000 + sinceCompletion)));
    EXPECT_EQ(streaming.getEntryStart(), 90000 * 4 + 2);
}

TEST_F(DiskStreamingTest, TrackChangeWhileStoppedMovesAtOnceWithoutFade)
{
    load(100000);
    bool called = false;
    streaming.setCurrentSampleInFileAndFadeOut(5000 * 4, [&](bool) { called = true; });
    EXPECT_TRUE(called);
    ASSERT_TRUE(waitIdle(streaming));
    streaming.setState(StreamingState::Running);
    auto out = play(1, 1);
    EXPECT_EQ(out[0], asFloat(leftAt(5000)));
}

TEST_F(DiskStreamingTest, EndOfFileIsReportedOnceWhilePlayingAndNeverWhileStopped)
{
    onEndOfFile = [this] { streaming.reset(); };
    load(1500); // less than one block: the first read already reaches the end
    EXPECT_EQ(endOfFileCalls.load(), 0);
    streaming.setState(StreamingState::Running);
    auto out = play(4000);
    EXPECT_EQ(out[2 * 1499], asFloat(leftAt(1499)));
    EXPECT_EQ(out[2 * 1500], 0.0f);
    EXPECT_EQ(endOfFileCalls.load(), 1);
    EXPECT_EQ(streaming.getState(), StreamingState::Stopped);
    play(20000);
    EXPECT_EQ(endOfFileCalls.load(), 1);
}

TEST_F(DiskStreamingTest, TheEndIsToldOnlyOnceTheLastSampleHasBeenPlayed)
{
    // The reader reaches the end of the file well before the audio does.
    constexpr std::uint32_t frames = 3 * 2048 + 1000;
    std::atomic<std::uint32_t> rendered{0};
    std::atomic<std::uint32_t> renderedAtEnd{0};
    onEndOfFile = [&] {
        renderedAtEnd = rendered.load();
        streaming.reset();
    };
    load(frames);
    streaming.setState(StreamingState::Running);
    std::vector<float> out;
    while (rendered < frames + 4096) {
        rendered += 256; // counted before the call: the reader may act on it at once
        const auto part = renderFrames(streaming, 256);
        out.insert(out.end(), part.begin(), part.end());
        ASSERT_TRUE(waitIdle(streaming));
    }
    EXPECT_EQ(endOfFileCalls.load(), 1);
    EXPECT_GE(renderedAtEnd.load(), frames);
    for (std::uint32_t k = 0; k < frames; ++k)
        ASSERT_EQ(out[2 * k], asFloat(leftAt(k))) << k;
    EXPECT_EQ(out[2 * frames], 0.0f);
    EXPECT_EQ(streaming.getState(), StreamingState::Stopped);
}

TEST_F(DiskStreamingTest, TheEndReachedWithinAFadeOutIsNotToldTheFadesCompletionDecides)
{
    constexpr std::uint32_t frames = 3 * 2048 + 1000;
    load(frames);
    streaming.setState(StreamingState::Running);
    play(frames - 1000);
    streaming.pause(); // its fade runs on past the last sample
    play(kFadeOutFrames + 1000);
    EXPECT_EQ(streaming.getState(), StreamingState::Paused);
    EXPECT_EQ(endOfFileCalls.load(), 0);
}

TEST_F(DiskStreamingTest, OpeningAnotherImageWhileTheReaderWaitsOnTheDiskReturnsAtOnce)
{
    load(100000);
    gate.holdAt(40000 * 4);
    streaming.setCurrentSampleInFile(40000 * 4);
    ASSERT_TRUE(gate.waitUntilHeld());
    QTemporaryDir other;
    writeRawImage(other.path(), 3000);
    auto opening = std::async(std::launch::async, [&] { streaming.setAudioFileName(other.path(), {}); });
    // Held until the gate opens: a bound of any length tells a wait for the
    // read; a generous one spares a loaded machine.
    const bool returned = opening.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
    gate.release();
    opening.get();
    ASSERT_TRUE(returned) << "opening an image waited for the reader's read";
    // The reader goes on with the image named last: 500 frames, then its end.
    streaming.setCurrentSampleInFile(2500 * 4);
    ASSERT_TRUE(waitIdle(streaming));
    streaming.setState(StreamingState::Running);
    const auto out = play(501);
    EXPECT_EQ(out[2 * 499], asFloat(leftAt(2999)));
    EXPECT_EQ(out[2 * 500], 0.0f);
}

// A slow disk takes seconds per read: the end of the player (the window's
// close) waits for the read under way, never for the rest of the ring.
TEST_F(DiskStreamingTest, TheEndWaitsForTheReadUnderWayButNoFurtherReadOfASlowDisk)
{
    load(100000);
    gate.holdAt(40000 * 4);
    streaming.setCurrentSampleInFile(40000 * 4); // the ring's refill starts with the held read
    ASSERT_TRUE(gate.waitUntilHeld());
    const int reads = gate.reads();
    auto ending = std::async(std::launch::async, [&] { streaming.shutdown(); });
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!streaming.preloader().quitRequested() && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    gate.release();
    ending.get();
    EXPECT_EQ(gate.reads(), reads) << "the reader read on after the end was asked for";
}

TEST_F(DiskStreamingTest, ABlockLateAfterASeekIsWaitedForInSilenceWithoutAClickOrAudioFromElsewhere)
{
    for (const bool trackChangeMeanwhile : {false, true}) {
        SCOPED_TRACE(trackChangeMeanwhile ? "a track change while waiting" : "waited for");
        load(100000);
        streaming.setState(StreamingState::Running);
        play(2048);
        Follower heard{2048, {50001}}; // the seek's completion plays its first frame at gain 0
        gate.holdAt(50000 * 4 + Audio::Preloader::kPreloadBytes); // the block after the preload
        streaming.seek(0.5, int(imageBytes));
        heard.follow(play(8202));
        heard.follow(renderFrames(streaming, 2 + 4096 + 1000)); // the preload, then the wait
        ASSERT_TRUE(gate.waitUntilHeld());
        EXPECT_EQ(heard.next, 50000u + 4096u);
        if (trackChangeMeanwhile) {
            heard.moves.push_back(80000);
            streaming.setCurrentSampleInFileAndFadeOut(80000 * 4, {});
            heard.follow(renderFrames(streaming, 2000));
        }
        gate.release();
        ASSERT_TRUE(waitIdle(streaming));
        heard.follow(play(kFadeOutFrames + 1000));
        EXPECT_EQ(heard.clicks, 0);
        EXPECT_EQ(heard.foreign, 0);
        EXPECT_EQ(heard.taken, heard.moves.size());
        EXPECT_GT(heard.next, (trackChangeMeanwhile ? 80000u : 50000u + 4096u) + 1000u);
        streaming.reset();
    }
}

TEST_F(DiskStreamingTest, RenderPlaysSilenceInsteadOfWaitingForTheBusyPositionLock)
{
    load(20000);
    streaming.setState(StreamingState::Running);
    play(100);
    std::promise<void> held;
    std::promise<void> release;
    std::thread holder([&] {
        const auto lock = streaming.lockPosition();
        held.set_value();
        release.get_future().wait();
    });
    held.get_future().wait();
    auto rendering = std::async(std::launch::async, [&] { return renderFrames(streaming, 256); });
    const bool returned = rendering.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
    release.set_value();
    holder.join();
    ASSERT_TRUE(returned) << "the render function waited for the lock";
    EXPECT_EQ(streaming.lockTakenCount(), 1u);
    const auto silent = rendering.get();
    EXPECT_EQ(std::count(silent.begin(), silent.end(), 0.0f), 512);
    EXPECT_EQ(streaming.values().playedSamples(), 200u);
    // The next buffer goes on where the silent one would have.
    EXPECT_EQ(play(1, 1)[0], asFloat(leftAt(100)));
}

TEST_F(DiskStreamingTest, WhatIsAskedOfTheReaderUnderThePositionLockWakesItOnlyOnceTheLockIsFree)
{
    // A reader woken under the lock would be busy, waiting for it.
    load(100000);
    auto& preloader = streaming.preloader();
    for (const bool seek : {true, false}) {
        {
            const auto lock = streaming.lockPosition();
            seek ? preloader.requestTargetLocked(50000 * 4) : preloader.rewindLocked(20000 * 4);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            EXPECT_FALSE(preloader.isBusy()) << seek;
        }
        EXPECT_TRUE(waitIdle(streaming));
    }
}

TEST_F(DiskStreamingTest, BurstsOfTwiceTheirIntervalFromTheSoundServerPlayNoUnderrun)
{
    // 200 ms rendered back to back every 100 ms: the ring must cover a burst
    // whatever the reader does meanwhile; only between bursts is it sure to run.
    constexpr std::uint32_t burst = 8820;
    load(8 * burst);
    streaming.setState(StreamingState::Running);
    for (std::uint32_t b = 0; b < 8; ++b) {
        const auto out = renderFrames(streaming, burst);
        for (std::uint32_t k = 0; k < burst; ++k)
            ASSERT_EQ(out[2 * k], asFloat(leftAt(b * burst + k))) << "burst " << b << ", frame " << k;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ASSERT_TRUE(waitIdle(streaming));
    }
}

TEST_F(DiskStreamingTest, AtTheEndOfTheAudioTheCounterStopsAndAnOddBlockIsSilent)
{
    load(3000, 2); // the second block holds an odd number of samples
    streaming.setState(StreamingState::Running);
    auto out = play(6000);
    EXPECT_EQ(out[2 * 2047], asFloat(leftAt(2047)));
    for (std::uint32_t k = 2048; k < 6000; ++k)
        ASSERT_EQ(out[2 * k], 0.0f) << k;
    EXPECT_EQ(streaming.values().playedSamples(), 2u * 2048);
    // The callback leaves playback running here; it is still not called endlessly.
    EXPECT_LE(endOfFileCalls.load(), 2);
}

TEST_F(DiskStreamingTest, RepositioningPlaysFromTheNewPlaceOnwardWithNothingSkipped)
{
    load(100000);
    streaming.setState(StreamingState::Running);
    play(100);
    streaming.setState(StreamingState::Paused);
    streaming.setCurrentSampleInFile(10000 * 4);
    EXPECT_EQ(streaming.values().playedSamples(), 0u);
    ASSERT_TRUE(waitIdle(streaming));
    streaming.setState(StreamingState::Running);
    auto out = play(1, 1);
    EXPECT_EQ(out[0], asFloat(leftAt(10000)));

    // A reset deep into a block starts the next playback at the entry start.
    play(3000);
    streaming.reset();
    ASSERT_TRUE(waitIdle(streaming));
    streaming.setState(StreamingState::Running);
    out = play(1, 1);
    EXPECT_EQ(out[0], asFloat(leftAt(10000)));
}

// A block late at the old place dips the sound to silence; playback from a
// new place starts at full level all the same, as after a block on time
// (a row started after a busy spell came up from silence).
TEST_F(DiskStreamingTest, ANewPlaceAfterALateBlockStartsAtFullLevel)
{
    load(100000);
    gate.holdAt(10000 * 4 + Audio::Preloader::kPreloadBytes); // the block after the preload
    streaming.setCurrentSampleInFile(10000 * 4);
    ASSERT_TRUE(gate.waitUntilHeld());
    streaming.setState(StreamingState::Running);
    const auto late = renderFrames(streaming, 4096 + 1000); // the preload, then the wait
    EXPECT_EQ(late[2 * 4096], 0.0f);
    EXPECT_EQ(streaming.values().playedSamples(), 2u * 4096);

    streaming.setState(StreamingState::Stopped);
    streaming.setCurrentSampleInFile(20000 * 4);
    gate.release();
    ASSERT_TRUE(waitIdle(streaming));
    streaming.setState(StreamingState::Running);
    EXPECT_EQ(play(1, 1)[0], asFloat(leftAt(20000)));
}

TEST_F(DiskStreamingTest, AnImageNamedInLowerCaseIsPlayedAndAFifoInItsPlaceNeverBlocks)
{
    writeRawImage(dir.path(), 5000);
    ASSERT_TRUE(QDir(dir.path()).rename(QStringLiteral("IMAGE.DAT"), QStringLiteral("image.dat")));
    streaming.setDrivenExternally(true);
    streaming.setAudioFileName(dir.path(), {});
    ASSERT_TRUE(waitIdle(streaming));
    streaming.setState(StreamingState::Running);
    EXPECT_EQ(play(1, 1)[0], asFloat(leftAt(0)));

    QTemporaryDir damaged;
    const std::string fifo = damaged.filePath(QStringLiteral("IMAGE.DAT")).toStdString();
    DdpFixture::replaceWithFifo(fifo);
    streaming.setAudioFileName(damaged.path(), {});
    const bool served = waitIdle(streaming);
    if (!served)
        DdpFixture::releaseFifoReaders(fifo);
    ASSERT_TRUE(served) << "the reader waited on the FIFO";
    EXPECT_FALSE(streaming.preloader().isFileOpen());
    const auto out = play(512);
    EXPECT_EQ(std::count(out.begin(), out.end(), 0.0f), 1024);
}

TEST_F(DiskStreamingTest, MissingImageStaysSilentAndIdle)
{
    streaming.setDrivenExternally(true);
    streaming.setAudioFileName(dir.path(), {});
    EXPECT_TRUE(waitIdle(streaming));
    EXPECT_FALSE(streaming.preloader().isFileOpen());
    streaming.setState(StreamingState::Running);
    auto out = renderFrames(streaming, 512);
    EXPECT_EQ(std::count(out.begin(), out.end(), 0.0f), 1024);
    // A fade requested now still completes.
    streaming.stop();
    renderFrames(streaming, 9000);
    EXPECT_EQ(streaming.getState(), StreamingState::Stopped);
}

} // namespace
