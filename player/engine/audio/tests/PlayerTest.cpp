#include "player/engine/audio/Player.h"

#include "player/engine/audio/tests/AudioTestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <future>

using Audio::Player;
using Audio::StreamingState;
using namespace AudioTest;

namespace {

class PlayerTest : public ::testing::Test
{
protected:
    // Four tracks; tracks 2 and 3 start with a pause, track 1 has an index 02:
    // entries 01/00 01/00 01/01 01/02 02/00 02/01 03/00 03/01 04/01 AA AA.
    // `trailingBytes` of silence after the lead-out let the last track end
    // before the file does.
    void load(bool pauseRow = false, int trackCount = 4, std::size_t trailingBytes = 0)
    {
        ASSERT_TRUE(dir.isValid());
        DdpFixture::Options o;
        o.trackCount = trackCount;
        o.tracksWithPause = std::min(2, trackCount - 1);
        o.tracksWithIndex2 = 1;
        image = DdpFixture::write(dir.path().toStdString(), o);
        if (trailingBytes > 0) {
            const std::string path = image.path("IMAGE.DAT");
            DdpFixture::writeFile(path, DdpFixture::readFile(path) + std::string(trailingBytes, '\0'));
        }
        model = modelFor(image, pauseRow);
        model->setRunningCallback([this](bool running) { runningCalls.push_back(running); });
        player.getStreaming().setDrivenExternally(true);
        player.setDescListProvider(model);
        player.setRangesFromPqDesc(model->getDescList());
        player.setAudioFileName(dir.path(), [this](std::uint32_t move) { player.onEndOfAudioFile(move); });
        ASSERT_TRUE(waitIdle(player.getStreaming()));
    }

    std::vector<float> play(std::uint32_t frames) { return playPaced(player.getStreaming(), frames); }

    // Track * 100 + index of the audio now playing (identifying samples).
    int playingTrackAndIndex()
    {
        const auto out = play(1);
        return int(std::lround(out[0] * 32767.0f));
    }

    std::uint32_t entryByte(int i) const { return std::uint32_t(image.entryStart(std::size_t(i))); }

    // What the display timer does every 16 ms: step when the entry has been
    // played to its end.
    void displayTick()
    {
        const auto range = player.getCurrentRange();
        if (player.getStreaming().values().playedSamples() * 2 >= range.second - range.first)
            player.increaseTrackNumber();
    }

    QTemporaryDir dir;
    DdpFixture::Image image;
    std::shared_ptr<DDPModel> model;
    std::vector<bool> runningCalls;
    Player player;
};

TEST_F(PlayerTest, RangesSpanEachEntryToTheNextButNotFromTheLastTwo)
{
    load();
    ASSERT_EQ(image.entries.size(), 11u);
    ASSERT_EQ(player.getRangeCount(), 9u);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(player.getRanges()[std::size_t(i)].first, entryByte(i));
        EXPECT_EQ(player.getRanges()[std::size_t(i)].second, entryByte(i + 1));
    }
    player.setRangesFromPqDesc(std::vector<DDP::PQDESCR>(2));
    EXPECT_EQ(player.getRangeCount(), 0u);
    EXPECT_TRUE(player.getRanges().empty());
}

TEST_F(PlayerTest, LoadingPositionsAtEntryTwoAndSetsTheIndexOffset)
{
    load(true);
    EXPECT_EQ(model->getIndexOffset(), 1);
    EXPECT_EQ(player.getSteadyTrackNumber(), 1);
    EXPECT_EQ(player.getEntry(), 2);
    EXPECT_EQ(player.getTrackNumberFromPqDesc(), 1);
    EXPECT_EQ(player.getStreaming().getEntryStart(), int(entryByte(2)));
    EXPECT_TRUE(player.isStopped());

    Player other;
    auto second = modelFor(image, false);
    other.setDescListProvider(second);
    other.setRangesFromPqDesc(second->getDescList());
    other.setAudioFileName(dir.path(), {});
    EXPECT_EQ(second->getIndexOffset(), 2);
    EXPECT_EQ(other.getSteadyTrackNumber(), 0);
}

TEST_F(PlayerTest, StartPlaysTrackOneAtFullGainAndStopAndPauseClearTheRunningFlag)
{
    load();
    player.start();
    EXPECT_TRUE(player.isRunning());
    EXPECT_TRUE(model->isRunning());
    EXPECT_EQ(playingTrackAndIndex(), 101);
    player.pause();
    EXPECT_FALSE(model->isRunning());
    EXPECT_TRUE(player.isRunning()); // until the fade has ended
    play(kFadeOutFrames);
    EXPECT_TRUE(player.isPaused());
    player.stop(); // paused: at once
    EXPECT_TRUE(player.isStopped());
    EXPECT_EQ(runningCalls, (std::vector<bool>{true, false, false}));
}

TEST_F(PlayerTest, NextSkipsPausesAndFurtherIndexesAndIgnoresASecondPressDuringTheFade)
{
    load();
    player.start();
    play(1000);
    player.selectNextTrack();
    EXPECT_EQ(player.getSteadyTrackNumber(), 3); // entries 3 (01/02) and 4 (02/00) counted
    player.selectNextTrack();                   // guard closed: ignored
    EXPECT_EQ(player.getSteadyTrackNumber(), 3);
    EXPECT_EQ(player.getEntry(), 2); // still fading out the old entry
    play(kFadeOutFrames);
    EXPECT_EQ(player.getEntry(), 5);
    EXPECT_EQ(player.getTrackNumberFromPqDesc(), 2);
    EXPECT_EQ(playingTrackAndIndex(), 201);
    EXPECT_EQ(player.getStreaming().fades().gain(), 1.0f);

    player.selectNextTrack(); // re-armed by the completion
    play(kFadeOutFrames);
    EXPECT_EQ(player.getEntry(), 7);
    EXPECT_EQ(player.getSteadyTrackNumber(), 5);
    EXPECT_EQ(playingTrackAndIndex(), 301);
}

TEST_F(PlayerTest, NextOnTheLastTrackRewindsStopsAndFreesTheGuardAtOnce)
{
    load();
    player.selectTrack(6); // entry 8: track 4
    play(100);
    EXPECT_EQ(playingTrackAndIndex(), 401);
    player.selectNextTrack();
    EXPECT_FALSE(model->isRunning());
    EXPECT_EQ(player.getEntry(), 2);
    EXPECT_EQ(player.getSteadyTrackNumber(), 0);
    play(kFadeOutFrames);
    EXPECT_TRUE(player.isStopped());
    EXPECT_EQ(player.getStreaming().getEntryStart(), int(entryByte(2)));
    player.selectNextTrack(); // not running: the jump happens at once
    EXPECT_EQ(player.getEntry(), 5);
}

TEST_F(PlayerTest, PreviousAtTheFirstTrackStopsAndJumpsBackOverPauses)
{
    load();
    player.start();
    player.selectPreviousTrack();
    EXPECT_EQ(player.getSteadyTrackNumber(), 0);
    play(kFadeOutFrames);
    EXPECT_TRUE(player.isStopped());

    player.selectTrack(5); // entry 7: track 3
    play(100);
    player.selectPreviousTrack();
    EXPECT_EQ(player.getSteadyTrackNumber(), 3);
    play(kFadeOutFrames);
    EXPECT_EQ(player.getEntry(), 5);
    EXPECT_EQ(playingTrackAndIndex(), 201);
}

TEST_F(PlayerTest, PreviousWithoutAnEarlierTrackStartSetsTrackOneAndStops)
{
    load(true); // index offset 1: entry 2 is past the first shown row
    player.start();
    player.selectPreviousTrack();
    EXPECT_EQ(player.getSteadyTrackNumber(), 1);
    EXPECT_FALSE(model->isRunning());
    play(kFadeOutFrames);
    EXPECT_TRUE(player.isStopped());
    player.selectPreviousTrack(); // the guard is free again
    EXPECT_EQ(player.getSteadyTrackNumber(), 1);
}

TEST_F(PlayerTest, NextAndPreviousWithinOneFadeLeaveBothWorkingAndTheDisplayOnTheAudio)
{
    load();
    player.selectTrack(3); // entry 5: track 2
    play(100);
    player.selectNextTrack();     // to entry 7
    play(500);
    player.selectPreviousTrack(); // back from 7 to 5, before the first fade ended
    play(kFadeOutFrames);
    EXPECT_EQ(player.getEntry(), 5);
    EXPECT_EQ(player.getSteadyTrackNumber(), 3);
    EXPECT_EQ(playingTrackAndIndex(), 201);
    // Both completions ran with their own callbacks: both buttons work.
    player.selectNextTrack();
    play(kFadeOutFrames);
    EXPECT_EQ(player.getEntry(), 7);
    player.selectPreviousTrack();
    play(kFadeOutFrames);
    EXPECT_EQ(player.getEntry(), 5);
}

TEST_F(PlayerTest, SelectTrackStartsAtOnceWhenStoppedFadesWhenPlayingAndIgnoresRowsWithoutRange)
{
    load();
    player.selectTrack(5);
    EXPECT_TRUE(player.isRunning());
    EXPECT_TRUE(model->isRunning());
    EXPECT_EQ(player.getEntry(), 7);
    ASSERT_TRUE(waitIdle(player.getStreaming()));
    const auto first = play(1);
    EXPECT_EQ(int(std::lround(first[0] * 32767.0f)), 301); // full gain at once, no fade-in

    player.selectTrack(6);
    EXPECT_EQ(player.getEntry(), 7);
    play(kFadeOutFrames);
    EXPECT_EQ(player.getEntry(), 8);
    EXPECT_EQ(playingTrackAndIndex(), 401);

    player.selectTrack(7);  // entry 9 starts no range
    player.selectTrack(-3);
    EXPECT_EQ(player.getSteadyTrackNumber(), 6);
    EXPECT_TRUE(player.getStreaming().fades().isIdle());
}

TEST_F(PlayerTest, AShortDescriptorListNeverReadsOutOfRange)
{
    load(false, 1); // 01/00 01/00 01/01 01/02 AA AA
    auto list = model->getDescList();
    list.resize(4);
    model->getDescList() = list;
    player.setRangesFromPqDesc(list);
    player.setAudioFileName(dir.path(), {});
    EXPECT_EQ(player.getRangeCount(), 2u);
    EXPECT_EQ(player.getStreaming().getEntryStart(), 0);
    player.selectTrack(0);
    EXPECT_TRUE(player.isStopped());
    player.start();
    player.selectNextTrack();
    player.selectPreviousTrack();
    player.increaseTrackNumber();
    EXPECT_EQ(player.getTrackNumberFromPqDesc(), 1);
    EXPECT_FALSE(model->isRunning());
}

TEST_F(PlayerTest, EntryStepsKeepCountingWhatIsPlayedOfTheNextEntryAndTheWrapClearsTheRunningFlag)
{
    load(false, 4, 4 * 44100); // the last track ends a second before the file
    auto& streaming = player.getStreaming();
    player.selectTrack(3); // entry 5, then 6 (03/00), 7, 8 and the wrap
    int steps = 0;
    for (int tick = 0; tick < 2000 && player.isRunning(); ++tick) {
        const int before = player.getEntry();
        const auto out = play(700); // 16 ms of audio per display tick
        const int entry = player.getEntry();
        displayTick();
        // The wrap comes at the lead-out's frame (the end of the audio), or
        // from the display's step where that ticks first.
        if (player.getEntry() == before)
            continue;
        ++steps;
        if (!player.isRunning())
            break;
        EXPECT_EQ(player.getSteadyTrackNumber(), player.getEntry() - 2);
        EXPECT_EQ(streaming.getEntryStart(), int(entryByte(player.getEntry())));
        // Entry start and count still point at the audio: the last frame
        // played is the one before them (its right channel counts frames).
        const std::int64_t next = streaming.getEntryStart() / 4 + streaming.values().playedSamples() / 2;
        EXPECT_EQ(std::lround(out.back() * 32767.0f), (next - 1) & 0x7FFF) << "entry " << player.getEntry();
        // A step asked for again before this entry is played out does nothing.
        player.increaseTrackNumber();
        EXPECT_EQ(player.getEntry(), entry + 1);
    }
    EXPECT_EQ(steps, 4);
    EXPECT_EQ(player.getEntry(), 2);
    EXPECT_TRUE(player.isStopped());
    EXPECT_FALSE(model->isRunning());
    EXPECT_EQ(streaming.getEntryStart(), int(entryByte(2)));
}

TEST_F(PlayerTest, AJumpOvertakenByARewindOrANewImageMovesNothingWhenItsFadeEnds)
{
    load();
    player.start();
    play(1000);
    player.selectTrack(6); // the last track, fading over to entry 8
    play(1000);
    player.selectNextTrack(); // past the last track: back to track 1, stopped
    play(kFadeOutFrames);
    EXPECT_TRUE(player.isStopped());
    EXPECT_EQ(player.getEntry(), 2);
    EXPECT_EQ(player.getStreaming().getEntryStart(), int(entryByte(2)));
    player.start();
    EXPECT_EQ(playingTrackAndIndex(), 101);
    EXPECT_EQ(player.getTrackNumberFromPqDesc(), 1);

    // A new image while a Next fades, loaded as the main window loads one.
    player.selectNextTrack();
    play(1000);
    QTemporaryDir other;
    DdpFixture::Options o;
    o.trackCount = 1; // five descriptors: entry 5 does not exist
    const auto single = DdpFixture::write(other.path().toStdString(), o);
    const auto singleModel = modelFor(single);
    player.getStreaming().stop();
    player.setDescListProvider(singleModel);
    player.setRangesFromPqDesc(singleModel->getDescList());
    player.setAudioFileName(other.path(), {});
    play(kFadeOutFrames);
    EXPECT_EQ(player.getEntry(), 2);
    EXPECT_EQ(player.getTrackNumberFromPqDesc(), 1);
    EXPECT_EQ(player.getCurrentRange().first, std::uint32_t(single.entryStart(2)));
    player.start();
    EXPECT_EQ(playingTrackAndIndex(), 101);
}

TEST_F(PlayerTest, NextPressedJustBeforeAnEntryEndsKeepsEntryStartAndRowWithTheAudio)
{
    load();
    auto& streaming = player.getStreaming();
    player.selectTrack(3); // entry 5: track 2, up to the pause of track 3 (entry 6)
    play((entryByte(6) - entryByte(5)) / 4 - 4410);
    player.selectNextTrack(); // 100 ms before the entry ends: to entry 7
    EXPECT_EQ(player.getSteadyTrackNumber(), 5);
    play(4410 + 700);
    displayTick(); // the fading audio has passed into entry 6
    EXPECT_EQ(player.getEntry(), 6);
    EXPECT_EQ(player.getSteadyTrackNumber(), 5); // the row shows where the jump leads
    play(kFadeOutFrames);
    EXPECT_EQ(player.getEntry(), 7);
    EXPECT_EQ(player.getSteadyTrackNumber(), 5);
    EXPECT_EQ(streaming.getEntryStart(), int(entryByte(7)));

    // Stop and Play, and a seek, stay in the track the table shows.
    player.stop();
    play(kFadeOutFrames);
    ASSERT_TRUE(player.isStopped());
    player.start();
    EXPECT_EQ(playingTrackAndIndex(), 301);
    player.stop();
    play(kFadeOutFrames);
    const std::uint32_t length = entryByte(8) - entryByte(7);
    streaming.seek(0.5, int(length));
    player.start();
    ASSERT_TRUE(waitIdle(streaming));
    const auto out = play(1);
    EXPECT_EQ(std::lround(out[0] * 32767.0f), 301);
    EXPECT_EQ(std::lround(out[1] * 32767.0f), ((entryByte(7) + length / 2) / 4) & 0x7FFF);
}

TEST_F(PlayerTest, PlayPressedWithinTheFadeOfPauseOrStopKeepsPlaying)
{
    load();
    for (const bool pause : {true, false}) {
        SCOPED_TRACE(pause ? "pause" : "stop");
        player.start();
        play(1000);
        if (pause)
            player.pause();
        else
            player.stop();
        play(2000);
        player.start();
        play(kFadeOutFrames);
        EXPECT_TRUE(player.isRunning());
        EXPECT_TRUE(model->isRunning());
        EXPECT_EQ(playingTrackAndIndex(), 101);
    }
}

TEST_F(PlayerTest, PlayingToTheEndOfTheImageRewindsAndStopsOnce)
{
    load(false, 2);
    player.selectTrack(3); // entry 5, the last track (2 s)
    play(2 * 44100 + 20000);
    EXPECT_TRUE(player.isStopped());
    EXPECT_FALSE(model->isRunning());
    EXPECT_EQ(player.getEntry(), 2);
    EXPECT_EQ(runningCalls, (std::vector<bool>{true, false}));
    play(10000);
    EXPECT_EQ(runningCalls.size(), 2u);
}

TEST_F(PlayerTest, AudioAfterTheLeadOutIsNeverPlayedAndTheEndComesWithoutADisplayTick)
{
    load(false, 2);
    // Loud audio after the lead-out, as some images carry it.
    const std::string path = image.path("IMAGE.DAT");
    DdpFixture::writeFile(path, DdpFixture::readFile(path) + std::string(2 * 176400, '\x55'));
    player.setAudioFileName(dir.path(), [this](std::uint32_t move) { player.onEndOfAudioFile(move); });
    ASSERT_TRUE(waitIdle(player.getStreaming()));
    player.selectTrack(3); // entry 5, the last track (2 s)
    const auto out = play(2 * 44100 + 20000);
    std::size_t ofTrack = 0;
    long lastOfTrack = -1;
    std::size_t afterLeadOut = 0;
    for (std::size_t i = 0; i < out.size(); i += 2) {
        const long left = std::lround(out[i] * 32767.0f);
        if (left == 201) {
            ++ofTrack;
            lastOfTrack = std::lround(out[i + 1] * 32767.0f);
        } else if (left == 0x5555) {
            ++afterLeadOut;
        }
    }
    // Every frame of the last track (track 2, index 1: 2 s) up to the one
    // before the lead-out, and nothing after it.
    const std::int64_t leadOut = image.entryStart(image.entries.size() - 2) / 4;
    EXPECT_EQ(ofTrack, 2u * 44100);
    EXPECT_EQ(lastOfTrack, DdpFixture::expectedSample(image, (leadOut - 1) * 4).right);
    EXPECT_EQ(afterLeadOut, 0u);
    EXPECT_TRUE(player.isStopped());
    EXPECT_EQ(player.getEntry(), 2);
}

TEST_F(PlayerTest, ATrackStartPendingAtTheDiscsEndWinsOverTheDisplaysWrap)
{
    load(false, 2);
    const std::uint32_t lastTrackFrames = (entryByte(6) - entryByte(5)) / 4;
    for (const bool previous : {false, true}) {
        SCOPED_TRACE(previous ? "previous, 110 ms before the end" : "double-click, 50 ms before the end");
        player.selectTrack(3); // entry 5, the last track
        play(kFadeOutFrames);
        play(lastTrackFrames - player.getStreaming().values().playedSamples() / 2 - (previous ? 4851 : 2205));
        previous ? player.selectPreviousTrack() : player.selectTrack(1);
        // Its fade runs out over the disc's end while the display ticks.
        for (std::uint32_t done = 0; done < kFadeOutFrames + 1400; done += 700) {
            play(700);
            displayTick();
        }
        EXPECT_TRUE(model->isRunning());
        EXPECT_EQ(playingTrackAndIndex(), previous ? 101 : 102);
    }
}

TEST_F(PlayerTest, AnEndReportOvertakenByATrackStartLeavesTheNewTrackPlaying)
{
    load(false, 2);
    // The reader has decided on the end and is on its way to report it when
    // the user double-clicks a row.
    std::promise<void> decided;
    std::promise<void> moved;
    std::atomic<int> rewound{-1};
    player.setAudioFileName(dir.path(), [&](std::uint32_t move) {
        decided.set_value();
        moved.get_future().wait();
        rewound = player.onEndOfAudioFile(move);
    });
    auto& streaming = player.getStreaming();
    player.selectTrack(3); // entry 5, the last track (2 s)
    const auto decision = decided.get_future();
    for (int i = 0; i < 1000 && decision.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready; ++i) {
        renderFrames(streaming, 1024);
        streaming.preloader().waitUntilIdle(std::chrono::milliseconds(50));
    }
    ASSERT_EQ(decision.wait_for(std::chrono::seconds(0)), std::future_status::ready);
    player.selectTrack(1); // entry 3, faded: the end leaves playback running
    moved.set_value();
    ASSERT_TRUE(waitIdle(streaming));
    EXPECT_EQ(rewound.load(), 0);
    play(kFadeOutFrames);
    EXPECT_TRUE(player.isRunning());
    EXPECT_EQ(playingTrackAndIndex(), 102);
}

TEST_F(PlayerTest, WithoutAnImageTheTransportDoesNothingButPauseStillWorks)
{
    Player empty;
    empty.start();
    EXPECT_TRUE(empty.isStopped());
    empty.selectNextTrack();
    empty.selectPreviousTrack();
    empty.increaseTrackNumber();
    EXPECT_FALSE(empty.onEndOfAudioFile(0));
    EXPECT_EQ(empty.getTrackNumberFromPqDesc(), 0);
    empty.pause();
    EXPECT_TRUE(empty.isPaused());
}

} // namespace
