// The play tests' judgement of a gap heard at the output, on made-up
// accounts: when the machine's standing still excuses a gap, and whose side
// a gap is named otherwise.

#include "player/testsupport/OutputRecording.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

using OutputRecording::AccountPoint;

constexpr double kRate = 44100.0;
// The recorder's frame 0 at the sink, the first sound 1 s into the
// recording, a gap of 40 ms 2.5 s into the sound; Glasswell renders each
// frame 250 ms before the sink plays it, 256 frames a callback.
constexpr double kRecordingStart = 100.0;
constexpr double kSoundStart = 101.0;
constexpr double kGapAt = 2.5;
constexpr std::size_t kGapFrames = 1764;
constexpr double kAhead = 0.25;
constexpr double kCallback = 256 / kRate;
// When Glasswell rendered the frames ahead of the gap.
constexpr double kRenderedAt = kSoundStart + kGapAt - kAhead;

struct Row
{
    const char* name;
    // A still of the machine, seconds from the gap's time at the sink; none
    // when both are 0.
    double stillFrom = 0;
    double stillTo = 0;
    // Glasswell around the gap: frames rendered silent while playing, frames
    // asked for and not played, a callback that ran this long (ms) and one
    // that came this long (ms) after the one before, its own run short.
    std::uint64_t silent = 0;
    std::uint64_t notPlayed = 0;
    double callbackRunMs = 0;
    double callbackLateMs = 0;
    long serverUnderruns = 0;
    double serverWaitMs = 30;
    bool excused = false;
    const char* side = "";
    // The one verdict a play is played again for.
    bool serverStood = false;
};

// The account every 2 ms: callbacks every 5.8 ms but around the gap's
// render time, where a row makes one late; the counter follows the frames
// asked for but those a row leaves unplayed.
OutputRecording::Sides sidesFor(const Row& row)
{
    OutputRecording::Sides s;
    s.recordingStartedAt = kRecordingStart;
    s.latency.bufferMs = 145;
    s.latency.sinkMs = 105;
    s.machineMeasured = true;
    s.serverUnderruns = row.serverUnderruns;
    s.serverOverruns = 0;
    s.glasswellRealTimeWaitMs = 0.2;
    s.serverWaitMs = row.serverWaitMs;
    if (row.stillFrom != 0 || row.stillTo != 0) {
        const double heard = kSoundStart + kGapAt;
        s.machineStills.emplace_back(heard + row.stillFrom, heard + row.stillTo);
        s.machineStillsMs.push_back(1000.0 * (row.stillTo - row.stillFrom));
    }
    const double lateMs = std::max(row.callbackRunMs, row.callbackLateMs);
    for (double t = kSoundStart - kAhead - 0.1; t < kSoundStart + 6; t += 0.002) {
        AccountPoint p;
        p.at = t;
        // Callback starts on a grid from 100.5 s, none within the late
        // span that begins at the render time of the gap's frames.
        double start = 100.5 + std::floor((t - 100.5) / kCallback) * kCallback;
        const bool inLate = lateMs > 0 && t >= kRenderedAt && t < kRenderedAt + lateMs / 1000.0;
        if (inLate)
            start = kRenderedAt;
        p.lastStart = start;
        p.lastEnd = inLate && row.callbackRunMs > 0 ? start - 0.001 : start + 0.0001;
        p.callbacks = std::uint64_t((start - 100.5) / kCallback);
        p.framesAsked = p.callbacks * 256;
        const double played = std::max(0.0, (t - (kSoundStart - kAhead)) * kRate);
        p.framesPlayed = std::uint64_t(played);
        if (t >= kRenderedAt + 0.01) {
            p.silentFrames = row.silent;
            p.starvedFrames = 0;
            p.framesAsked += row.notPlayed;
        }
        // Asked for ahead of what played, as a stream that started first.
        p.framesAsked = std::max<std::uint64_t>(p.framesAsked, p.framesPlayed);
        s.account.push_back(p);
    }
    return s;
}

OutputRecording::Continuity gapOfFortyMs()
{
    OutputRecording::Continuity c;
    c.firstSound = std::size_t(kRate * (kSoundStart - kRecordingStart));
    c.frames = std::size_t(kRate * 5.5);
    c.sounding = c.frames - kGapFrames;
    c.gaps = 1;
    c.longestGap = kGapFrames;
    c.longestGapAt = std::size_t(kRate * kGapAt);
    c.gapList.push_back({c.longestGapAt, kGapFrames});
    return c;
}

TEST(GapJudgement, AStillExcusesOnlyAGapItOverlapsWhileGlasswellRenderedEveryFrameInTime)
{
    const Row rows[] = {
        {"a still of 60 ms during the gap", -0.01, 0.05, 0, 0, 0, 0, 0, 30, true, "the machine's"},
        {"a still 1.5 s before the gap", -1.5, -1.44, 0, 0, 0, 0, 0, 30, false, "the sound server or the recorder"},
        {"a still 2.5 s after the gap", 2.5, 2.56, 0, 0, 0, 0, 0, 30, false, "the sound server or the recorder"},
        {"silence rendered while playing, a still during the gap", -0.01, 0.05, 1764, 0, 0, 0, 0, 30, false,
         "Glasswell's render function, which rendered 1764 frames silent"},
        {"frames asked for and not played, a still during the gap", -0.01, 0.05, 0, 1764, 0, 0, 0, 30, false,
         "Glasswell's render function: the device asked for"},
        {"a callback that ran 60 ms", 0, 0, 0, 0, 60, 0, 1, 30, false, "Glasswell's audio thread: a callback ran"},
        {"callbacks 200 ms apart, longer than the stream's buffer", 0, 0, 0, 0, 0, 200, 1, 30, false,
         "Glasswell's audio thread: its callbacks came"},
        {"callbacks 200 ms apart while a thread of the server stood 210 ms", 0, 0, 0, 0, 0, 200, 1, 210, false,
         "the server's, whose thread waited 210.0 ms", true},
        {"a server underrun with Glasswell on time", 0, 0, 0, 0, 0, 0, 1, 30, false, "the server's, whose thread waited"},
        {"a server underrun while its thread stood 150 ms", 0, 0, 0, 0, 0, 0, 1, 150, false,
         "the server's, whose thread waited 150.0 ms", true},
        {"silence rendered while the server's thread stood 150 ms", 0, 0, 1764, 0, 0, 0, 1, 150, false,
         "Glasswell's render function, which rendered 1764 frames silent"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto c = gapOfFortyMs();
        const auto sides = sidesFor(row);
        const auto records = OutputRecording::gapRecords(c, sides);
        ASSERT_EQ(records.size(), 1u);
        EXPECT_TRUE(records[0].accounted);
        EXPECT_TRUE(records[0].timed);
        const OutputRecording::GapVerdict verdict = OutputRecording::judgeGap(records[0]);
        EXPECT_EQ(verdict.excused, row.excused) << verdict.side;
        EXPECT_EQ(verdict.side.rfind(row.side, 0), 0u) << verdict.side;
        const OutputRecording::Judgement judged = OutputRecording::judge(c, sides);
        EXPECT_EQ(judged.gaps, row.excused ? 0u : 1u) << judged.message;
        EXPECT_EQ(judged.soundingShare >= 0.999, row.excused) << judged.message;
        EXPECT_EQ(verdict.serverStood, row.serverStood) << verdict.side;
        EXPECT_EQ(judged.serverStoodOverEveryGap, row.serverStood) << judged.message;
    }
}

} // namespace
