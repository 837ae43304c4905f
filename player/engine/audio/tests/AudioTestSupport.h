#pragma once

// Shared by the playback tests: raw "IMAGE.DAT" files with known samples, disc
// models built from the DDP fixture generator, and a render driver that plays
// the part of the audio thread.

#include "player/engine/audio/DiskStreaming.h"
#include "player/engine/audio/StreamingEngine.h"
#include "player/engine/ddp/DDPModel.h"
#include "player/engine/ddp/PQDESCR.h"
#include "player/testsupport/DdpFixture.h"
#include "player/testsupport/OutputRecording.h"

#include <QDir>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// What a test needs and the machine lacks (a non-empty `problem`) fails the
// test where the test command requires it (the variable `requiredBy` set),
// and skips it elsewhere.
#define REQUIRE_OR_SKIP(problem, requiredBy) \
    do { \
        const std::string hgProblem = (problem); \
        if (!hgProblem.empty()) { \
            if (std::getenv(requiredBy)) \
                FAIL() << hgProblem; \
            GTEST_SKIP() << hgProblem; \
        } \
    } while (false)

// A test that needs a private sound server of its own (OutputRecording::
// PrivateServer) where the play tests must run.
#define REQUIRE_OWN_SERVER(server) REQUIRE_OR_SKIP((server).problem(), "HG_REQUIRE_AUDIO")

namespace AudioTest {

// Frame k of a raw test image: left rises, right falls, both never 0 so that
// silence is told apart from audio.
inline std::int16_t leftAt(std::uint32_t frame) { return std::int16_t(1 + frame % 30000); }
inline std::int16_t rightAt(std::uint32_t frame) { return std::int16_t(-1 - std::int32_t(frame % 20000)); }
inline float asFloat(std::int16_t v) { return float(v) / 32767.0f; }

// Writes "IMAGE.DAT" of `frames` sample frames (plus `extraBytes` bytes of
// 0x11) into `folder`.
inline void writeRawImage(const QString& folder, std::uint32_t frames, std::uint32_t extraBytes = 0)
{
    QDir().mkpath(folder);
    std::string bytes;
    bytes.reserve(std::size_t(frames) * 4 + extraBytes);
    for (std::uint32_t k = 0; k < frames; ++k) {
        const auto l = std::uint16_t(leftAt(k));
        const auto r = std::uint16_t(rightAt(k));
        bytes.push_back(char(l & 0xFF));
        bytes.push_back(char(l >> 8));
        bytes.push_back(char(r & 0xFF));
        bytes.push_back(char(r >> 8));
    }
    bytes.append(extraBytes, char(0x11));
    DdpFixture::writeFile(QDir(folder).filePath(QStringLiteral("IMAGE.DAT")).toStdString(), bytes);
}

inline std::vector<DDP::PQDESCR> descriptors(const std::vector<DdpFixture::Entry>& entries)
{
    std::vector<DDP::PQDESCR> list(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::string bytes = DdpFixture::pqEntryBytes(entries[i], "0000000000000");
        std::memcpy(&list[i], bytes.data(), sizeof(DDP::PQDESCR));
    }
    return list;
}

// A model as the main window's load leaves it: descriptors and one index per
// table row (the first row a pause row when `pauseRow`).
inline std::shared_ptr<DDPModel> modelFor(const DdpFixture::Image& image, bool pauseRow = false)
{
    auto model = std::make_shared<DDPModel>();
    model->getDescList() = descriptors(image.entries);
    for (std::size_t i = pauseRow ? 1 : 2; i + 2 < image.entries.size(); ++i)
        model->getIndexList().push_back(std::stoi(image.entries[i].index));
    return model;
}

// Renders `frames` frames in calls of `block` frames, as the audio callback
// would, into a cleared buffer; returns the interleaved output.
inline std::vector<float> renderFrames(Audio::DiskStreaming& streaming, std::uint32_t frames, std::uint32_t block = 256)
{
    std::vector<float> out(std::size_t(frames) * 2, 0.0f);
    for (std::uint32_t done = 0; done < frames;) {
        const std::uint32_t n = std::min(block, frames - done);
        streaming.render(out.data() + std::size_t(done) * 2, n);
        done += n;
    }
    return out;
}

// The bound only against a hang: a loaded machine may keep the reader from
// its turn for long.
inline bool waitIdle(Audio::DiskStreaming& streaming)
{
    return streaming.preloader().waitUntilIdle(std::chrono::seconds(60));
}

// As renderFrames, but lets the reader catch up after every call, so that the
// output is exactly the file (no underrun however slow the build).
inline std::vector<float> playPaced(Audio::DiskStreaming& streaming, std::uint32_t frames, std::uint32_t block = 256)
{
    std::vector<float> out;
    out.reserve(std::size_t(frames) * 2);
    for (std::uint32_t done = 0; done < frames;) {
        const std::uint32_t n = std::min(block, frames - done);
        const auto part = renderFrames(streaming, n, n);
        out.insert(out.end(), part.begin(), part.end());
        done += n;
        waitIdle(streaming);
    }
    return out;
}

// Stands in for a slow disk (a Preloader::ReadHook): once armed, the reader's
// read from one byte position waits until the test releases it.
class ReadGate
{
public:
    Audio::Preloader::ReadHook hook()
    {
        return [this](std::uint32_t position, std::uint32_t) {
            reads_.fetch_add(1);
            std::unique_lock<std::mutex> lock(mutex_);
            held_ = armed_ && position == at_;
            changed_.notify_all();
            changed_.wait(lock, [&] { return !held_ || !armed_; });
        };
    }
    void holdAt(std::uint32_t position) { set(true, position); }
    // Reads begun so far, the held one included.
    int reads() const { return reads_.load(); }
    void release() { set(false, 0); }
    bool waitUntilHeld()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(60), [this] { return held_; });
    }

private:
    void set(bool armed, std::uint32_t position)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        armed_ = armed;
        held_ = false;
        at_ = position;
        changed_.notify_all();
    }
    std::mutex mutex_;
    std::condition_variable changed_;
    bool armed_ = false;
    bool held_ = false;
    std::uint32_t at_ = 0;
    std::atomic<int> reads_{0};
};

// `opened`: what the engine's initialize answered. On a loaded machine the
// server can answer the open later than the engine waits: the engine then
// counts as lost and takes the stream up on a later check, as the window's
// timer does. True when a stream runs, at once or once the late answer has
// been taken up; the bound only against a server that never answers.
inline bool runsOnceAnswered(Audio::StreamingEngine& engine, bool opened)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!opened && engine.isDeviceLost() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        opened = engine.checkDevice() == Audio::StreamingEngine::DeviceCheck::Restored;
    }
    return opened && engine.isStreamRunning();
}

// Glasswell's account for OutputRecording::AccountSampler: the device's
// requests and the played counter read between two equal readings of the
// frames asked for, so that no callback ran between them (or, after a few
// tries, at most one).
inline std::function<OutputRecording::AccountPoint()> accountOf(Audio::DiskStreaming& streaming)
{
    return [&streaming] {
        OutputRecording::AccountPoint p;
        for (int attempt = 0; attempt < 4; ++attempt) {
            const auto before = streaming.engine().callbackRecord();
            p.framesPlayed = streaming.values().playedSamples() / 2;
            p.silentFrames = streaming.silentFrames();
            p.starvedFrames = streaming.starvedFrames();
            p.lockTaken = streaming.lockTakenCount();
            const auto after = streaming.engine().callbackRecord();
            p.callbacks = after.callbacks;
            p.framesAsked = after.frames;
            p.lastStart = double(after.lastStartNs) / 1e9;
            p.lastEnd = double(after.lastEndNs) / 1e9;
            if (before.frames == after.frames)
                break;
        }
        return p;
    };
}

// Frames of a fade-out until its completions have run.
constexpr std::uint32_t kFadeOutFrames = 8203;

} // namespace AudioTest
