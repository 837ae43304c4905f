#pragma once

#include "player/engine/audio/FadeProcessing.h"
#include "player/engine/audio/PlaybackValues.h"
#include "player/engine/audio/Preloader.h"
#include "player/engine/audio/StreamingEngine.h"
#include "player/engine/audio/StreamingState.h"
#include "player/engine/audio/SwitchBuffer.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>

namespace Audio {

// Plays "IMAGE.DAT" from a byte offset: owns the output engine, the reader
// (preloader and switch buffer) and the fades, keeps the playback state, the
// played-sample counter, volume and meter sums, and supplies the render
// function that the audio thread runs for every output buffer.
//
// Threads: the operations run on the GUI thread (the end-of-file path runs
// them on the reader thread). The render function and the completions of
// faded operations run on the audio thread. Shared values are atomics
// (values()); the buffers, play position and the counter's resets are
// changed under the preloader's buffer mutex, which the render function
// holds while it renders (never around file I/O, never allocating).
//
// While audio plays, stop, pause, seek and track changes act after a fade-out;
// otherwise, and whenever no output stream is running (nothing would ever
// advance the fade), they act at once.
class DiskStreaming
{
public:
    using Callback = std::function<void()>;

    DiskStreaming();
    // Stops and closes the stream, drops queued completions unrun, ends the
    // reader thread.
    ~DiskStreaming();
    DiskStreaming(const DiskStreaming&) = delete;
    DiskStreaming& operator=(const DiskStreaming&) = delete;

    // The render function bound to this streamer, for StreamingEngine::initialize.
    RenderFunction initializeCallback();

    void setAudioFileName(const QString& folder, const Preloader::EndOfFileCallback& endOfFile);

    // Faded when playing: rewind to the entry start and stop.
    void stop();
    // As stop(), then `callback` (on the audio thread when faded).
    void stop(const Callback& callback);
    // At once: stop and rewind to the entry start; the play position stays.
    void reset();
    // Faded when playing: then paused. At once otherwise.
    void pause();
    // Move to `fraction` of an entry of `length` bytes. Ignored during a fade.
    void seek(double fraction, int length);
    // Track change: continue at `offset`, faded when playing, then `callback`.
    void setCurrentSampleInFileAndFadeOut(int offset, const Callback& callback);
    // At once: the entry starts at `offset`, counter and meters to 0, reload
    // from there. State, fades and play position are kept.
    void setCurrentSampleInFile(int offset);

    // The render function (audio thread): frameCount interleaved stereo
    // frames into `output`, already silent. Allocates nothing, does no I/O.
    int render(float* output, unsigned int frameCount);

    PlaybackValues& values() { return values_; }
    const PlaybackValues& values() const { return values_; }
    StreamingState getState() const { return values_.state(); }
    void setState(StreamingState state) { values_.setState(state); }
    // The counter is reset under the buffer mutex so that the audio thread's
    // increments cannot overwrite the reset.
    void setPlayedSamples(std::uint32_t samples);
    std::int32_t getEntryStart() const { return entryStart_.load(std::memory_order_relaxed); }
    void setEntryStart(std::int32_t offset) { entryStart_.store(offset, std::memory_order_relaxed); }
    std::uint32_t getPlayPosition();

    StreamingEngine& engine() { return engine_; }
    const StreamingEngine& engine() const { return engine_; }
    Preloader& preloader() { return preloader_; }
    FadeProcessing& fades() { return fades_; }

    // When something other than the engine's stream calls render (an offline
    // renderer), faded operations wait for it instead of acting at once.
    void setDrivenExternally(bool external) { drivenExternally_.store(external, std::memory_order_relaxed); }

    // Stop the stream and end the reader before the members go away. The
    // player calls it first thing in its destructor.
    void shutdown();

private:
    bool fadeWillRun() const;
    void stopNow();
    // Audio thread, without the buffer mutex: fades still advance while
    // nothing plays, so that a request made then completes.
    void stepFadesOnly(unsigned int frames);

    StreamingEngine engine_;
    PlaybackValues values_;
    // Audio thread's index of the next sample; changed elsewhere only under
    // the buffer mutex.
    std::uint32_t playPosition_ = 0;
    // Declared before the preloader, whose reader thread uses it.
    SwitchBuffer switchBuffer_;
    Preloader preloader_;
    FadeProcessing fades_;
    std::atomic<std::int32_t> entryStart_{0};
    std::atomic<bool> drivenExternally_{false};
};

} // namespace Audio
