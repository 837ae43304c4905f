#pragma once

#include "player/engine/audio/FadeProcessing.h"
#include "player/engine/audio/InplaceFunction.h"
#include "player/engine/audio/PlaybackValues.h"
#include "player/engine/audio/Preloader.h"
#include "player/engine/audio/StreamingEngine.h"
#include "player/engine/audio/StreamingState.h"
#include "player/engine/audio/SwitchBuffer.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <mutex>

namespace Audio {

// Plays "IMAGE.DAT" from a byte offset: owns the output engine, the reader
// (preloader and switch buffer) and the fades, keeps the playback state, the
// played-sample counter, volume and meter sums, and supplies the render
// function that the audio thread runs for every output buffer.
//
// Threads: the operations run on the GUI thread (the end-of-file path runs
// them on the reader thread). The render function and the completions of
// faded operations run on the audio thread. Shared values are atomics
// (values()) that anyone may read; the play position, the buffers and every
// change of the counter and the entry start happen under the position lock
// (the preloader's buffer mutex). The render function only tries that lock,
// plays silence for the buffer when it is taken, and runs the completions
// while it holds it, so whoever holds it sees no completion run meanwhile.
// In steady playback no other thread takes it: the reader hands its blocks
// over through the switch buffer's ring without it.
//
// While audio plays, stop, pause, seek and track changes act after a fade-out;
// otherwise, and whenever no output stream is running (nothing would ever
// advance the fade), they act at once. A seek or track change that is still
// waiting for its fade is superseded by any later move (another seek or track
// change, or a repositioning at once): it then moves nothing.
class DiskStreaming
{
public:
    // Run with the position lock held (on the audio thread when faded): they
    // may only store atomics, never block, allocate or free.
    using Callback = InplaceFunction<void(), 32>;
    // As Callback; `moved` is false when the track change was superseded.
    using TrackChangeCallback = InplaceFunction<void(bool moved), 32>;

    // The position lock. What is asked of the reader under it wakes the
    // reader once the lock is let go, never while it is held.
    class PositionLock
    {
    public:
        explicit PositionLock(Preloader& preloader)
            : preloader_(preloader)
            , lock_(preloader.bufferMutex())
        {
        }
        ~PositionLock()
        {
            lock_.unlock();
            preloader_.wakeReader();
        }
        PositionLock(const PositionLock&) = delete;
        PositionLock& operator=(const PositionLock&) = delete;

    private:
        Preloader& preloader_;
        std::unique_lock<std::mutex> lock_;
    };

    DiskStreaming();
    // Stops and closes the stream, drops queued completions unrun, ends the
    // reader thread.
    ~DiskStreaming();
    DiskStreaming(const DiskStreaming&) = delete;
    DiskStreaming& operator=(const DiskStreaming&) = delete;

    // The render function bound to this streamer, for StreamingEngine::initialize.
    RenderFunction initializeCallback();

    // `endOfFile` runs on the reader thread once the last sample of the file
    // has been played, with the move it was played at (see isLatestMove).
    void setAudioFileName(const QString& folder, const Preloader::EndOfFileCallback& endOfFile);

    // Play: running at once, or, while a fade-out is under way, once the work
    // queued before has run, so that Play within the fade of a Pause or Stop
    // is not undone by it. Meters start afresh. A stream closed for the loss
    // of its device is reopened first.
    void start();
    // Once the engine has closed a stream whose device was lost: the work that
    // waited for a fade no callback will advance now is done at once.
    void settleAfterDeviceLoss();
    // Faded when playing: rewind to the entry start and stop.
    void stop();
    // As stop(), then `callback`.
    void stop(const Callback& callback);
    // At once: stop and rewind to the entry start.
    void reset();
    void reset(const PositionLock&);
    // Faded when playing: then paused. At once otherwise.
    void pause();
    // Move to `fraction` of an entry of `length` bytes. Ignored during a fade.
    // When not playing, the next playback starts there.
    void seek(double fraction, int length);
    // Track change: continue at `offset` (the new entry start, counter 0),
    // faded when playing, then `callback`.
    void setCurrentSampleInFileAndFadeOut(int offset, const TrackChangeCallback& callback);
    // At once: the entry starts at `offset`, counter and meters to 0, reload
    // from there; moves waiting for a fade are superseded. State and fades
    // are kept.
    void setCurrentSampleInFile(int offset);
    void setCurrentSampleInFile(const PositionLock&, int offset);

    // Held by callers that change the position together with values of their
    // own (the player's entry), so that no completion runs in between.
    PositionLock lockPosition() { return PositionLock(preloader_); }
    // Under the lock: moves waiting for their fade move nothing.
    void supersedeMoves(const PositionLock&) { ++moveGeneration_; }
    // Under the lock: no move was asked for since `move` was the latest (as
    // for the end of the audio reported at `move`).
    bool isLatestMove(const PositionLock&, std::uint32_t move) const { return move == moveGeneration_; }

    // The render function (audio thread): frameCount interleaved stereo
    // frames into `output`, already silent. Never waits, allocates, frees or
    // does I/O. The meters take only the frames really played: silence for
    // want of data (an underrun) does not lower the level shown.
    int render(float* output, unsigned int frameCount);

    PlaybackValues& values() { return values_; }
    const PlaybackValues& values() const { return values_; }
    StreamingState getState() const { return values_.state(); }
    void setState(StreamingState state) { values_.setState(state); }
    // The counter changes under the position lock so that the audio thread's
    // increments cannot overwrite the change.
    void setPlayedSamples(std::uint32_t samples);
    std::int32_t getEntryStart() const { return entryStart_.load(std::memory_order_relaxed); }
    void setEntryStart(std::int32_t offset) { entryStart_.store(offset, std::memory_order_relaxed); }
    std::uint32_t getPlayPosition();

    StreamingEngine& engine() { return engine_; }
    const StreamingEngine& engine() const { return engine_; }
    Preloader& preloader() { return preloader_; }
    FadeProcessing& fades() { return fades_; }

    // Render calls that found the position lock taken (whether or not they
    // then got it within their bounded retry). In steady playback nothing
    // but the audio thread takes it, so this stays put; any thread.
    std::uint64_t lockTakenCount() const { return lockTaken_.load(std::memory_order_relaxed); }
    // Frames rendered silent while playing for want of the reader's next
    // block (underruns of the reader); any thread.
    std::uint64_t starvedFrames() const { return starvedFrames_.load(std::memory_order_relaxed); }
    // Frames of buffers rendered while playing that came out silent, on any
    // path: the reader's underruns, a lock found taken, and whatever else
    // keeps a frame of the image from the buffer. Against these a gap heard
    // at the output is or is not the render function's; any thread.
    std::uint64_t silentFrames() const { return silentFrames_.load(std::memory_order_relaxed); }

    // When something other than the engine's stream calls render (an offline
    // renderer), faded operations wait for it instead of acting at once.
    void setDrivenExternally(bool external) { drivenExternally_.store(external, std::memory_order_relaxed); }

    // Stop the stream and end the reader before the members go away. The
    // player calls it first thing in its destructor.
    void shutdown();

private:
    bool fadeWillRun() const;
    // What render() does, but for the count of frames left silent.
    void renderBuffer(float* output, unsigned int frameCount);
    // render() with the position lock held.
    void renderLocked(float* output, unsigned int frameCount);
    // Under the position lock.
    void stopNowLocked();
    void rewindLocked(std::uint32_t position);

    StreamingEngine engine_;
    PlaybackValues values_;
    // Audio thread's index of the next sample; under the position lock.
    std::uint32_t playPosition_ = 0;
    // Counts moves; a faded move whose count is no longer the latest was
    // superseded. Under the position lock.
    std::uint32_t moveGeneration_ = 0;
    // Gain of the dip over a late block (1 when none); under the position lock.
    float starve_ = 1.0f;
    // Declared before the preloader, whose reader thread uses it.
    SwitchBuffer switchBuffer_;
    Preloader preloader_;
    FadeProcessing fades_;
    std::atomic<std::int32_t> entryStart_{0};
    std::atomic<bool> drivenExternally_{false};
    std::atomic<std::uint64_t> lockTaken_{0};
    std::atomic<std::uint64_t> starvedFrames_{0};
    std::atomic<std::uint64_t> silentFrames_{0};
    // Frames that took a frame of the image.
    std::atomic<std::uint64_t> framesPlayed_{0};
};

} // namespace Audio
