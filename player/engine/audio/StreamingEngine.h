#pragma once

#include "player/engine/audio/IAudioDeviceInfos.h"

#include <RtAudio.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <sys/types.h>

namespace Audio {

// Called on the audio thread with an interleaved stereo float buffer that is
// already silent; returns 0 to keep streaming.
using RenderFunction = std::function<int(void* outputBuffer, unsigned int frameCount)>;

// The audio library's callbacks. The audio callback clears the buffer and
// hands it to the engine's render function. The error callback hands an
// error of the stream's own audio thread to its engine without output: an
// underrun (the device ran dry, and the library prepared it again) as a
// dropout, anything else (a write the sound server no longer takes) as the
// loss of the device; an error of a call made on another thread is printed.
// An error of a stream that has been released (see releaseStream) touches
// nothing of its engine.
int rtaudio_callback(void* outputBuffer, void* inputBuffer, unsigned int frameCount, double streamTime,
                     RtAudioStreamStatus status, void* userData);
void error_callback(RtAudioError::Type type, const std::string& errorText);

class StreamingEngine;

// What the library's callbacks of one library object reach (their user
// data). Once its stream is released the callbacks play silence and touch
// nothing of the engine, which may be gone by then; the release waits for
// those already under way (they never block). The link lives as long as the
// library object.
struct StreamLink
{
    explicit StreamLink(StreamingEngine* owner) : engine(owner) {}
    StreamingEngine* const engine;
    std::atomic<bool> released{false};
    // Callbacks under way that may still reach the engine.
    std::atomic<int> inCallback{0};
};

// Owns the one output stream: 2 channels of 32-bit float at 44100 Hz on one
// device, 256 frames per buffer requested. Knows nothing of images or fades.
//
// The stream asks for real-time scheduling of the library's audio thread, and
// is opened under it so that the threads the open starts (the sound server
// client's own) inherit it: a loaded machine starves none of them. Where the
// system refuses (no CAP_SYS_NICE, no RLIMIT_RTPRIO: an ordinary desktop
// user), the GUI thread asks RealtimeKit for those threads (only those: the
// audio thread carries the opening thread's name, kAudioThreadName) before
// the stream starts; where that fails too they run under the normal policy
// and playback goes on. No audio thread is made real-time unless the thread
// that takes its overrun (RealTimeLimit) runs real-time: asked for first.
// The audio thread notes its policy on its first buffer, and
// reportScheduling() logs once which way was taken.
//
// A stream error on the audio thread is the loss of the device (the sound
// server ended, crashed or restarted): the library then loops on a write that
// fails at once. The audio thread only notes it (one atomic flag, the first
// text copied into a fixed buffer, a counter) and stops calling the render
// function; the GUI thread finds it with checkDevice(), which stops and
// closes the stream (so no thread spins), logs the loss once and reopens the
// stream on the same device once the server takes it again, as a Play does.
// An underrun the library recovered from is no loss: it is counted, logged
// by checkDevice, and the stream plays on.
//
// A sound server that does not answer (stopped, hung) holds the library's
// stop and close without bound: in a drain, or behind the audio thread's
// write. So the window's close and a device change release the stream
// (releaseStream): a thread of its own stops and closes it, and the GUI
// thread waits for that at most kReleaseWait (a close), or not at all (a
// device change, whose old stream first plays out what it holds). A stream
// still closing keeps every new open back (it would wait on the same server,
// or sound with the new stream) until it has closed.
//
// The library asks the sound server when its object is made, for every
// device count and when it opens a stream, and a stopped server answers none
// of them. So the probe and the open run on a thread of their own, which
// owns the library object meanwhile, and the GUI thread waits for them at
// most kOpenWait. An open not back by then leaves the engine lost, as a lost
// device does, and keeps every new open back; checkDevice takes up its
// stream once the server has answered. The device list the menu shows is the
// one the last probe found.
//
// Threads: everything here runs on the GUI thread except rtaudio_callback
// and the render function it calls, which run on the library's audio thread,
// the probe and open of openElsewhere, and the error callback, which runs on
// any of them. The render function is never
// replaced while a callback can run (see initialize), so the audio thread
// reads it without a lock.
class StreamingEngine : public IAudioDeviceInfos
{
public:
    static constexpr unsigned kSampleRate = 44100;
    static constexpr unsigned kChannels = 2;
    // Low among real-time priorities: ahead of every normal thread, without
    // competing with threads that ask for more.
    static constexpr int kRealTimePriority = 10;
    // The name of the library's audio thread (that of the thread that opens
    // the stream).
    static constexpr const char* kAudioThreadName = "glasswell-audio";

    // The audio thread's scheduling, as it found it on its first buffer.
    enum class Scheduling { Unknown, RealTime, Normal };

    // Asks nothing of the sound server: the first initialize() probes.
    StreamingEngine();
    ~StreamingEngine();
    StreamingEngine(const StreamingEngine&) = delete;
    StreamingEngine& operator=(const StreamingEngine&) = delete;

    // What checkDevice() found.
    enum class DeviceCheck { Fine, Lost, StillLost, Restored };

    // Stores `render` and, when no stream is open, opens and starts one on the
    // default output device. True when a stream is open afterwards. A call
    // without an open stream probes the devices afresh (a new library object,
    // which is what sees a sound server that started later) and keeps that
    // probe when it lists any device or is the first. A probe that lists no
    // output device (no sound server runs) leaves the engine lost, as a lost
    // device does: checkDevice tells it and opens once a server is there.
    bool initialize(const RenderFunction& render);
    // Opens and starts a stream on parameters.deviceId. Expects no open stream.
    // False (stream closed) when the device refuses the format or rate, or
    // when the stream opens but does not start, or when the open is not back
    // within kOpenWait (the engine is lost then).
    bool setupStream(RtAudio::StreamParameters& parameters);
    // A healthy server's probe, list and open took 90 ms here, idle; this
    // leaves a busy machine ten times that before a healthy server is taken
    // for a stopped one.
    static constexpr std::chrono::milliseconds kOpenWait{1000};

    void setCurrentAudioDevice(unsigned device) { currentDevice_ = device; }
    // As the last probe found it.
    unsigned getDefaultOutputDevice() const { return defaultDevice_; }

    // Stream control. Library errors are printed, never thrown. Each waits
    // for the sound server as long as it takes.
    bool isStreamOpen() const;
    bool isStreamRunning() const;
    void stopStream();
    void closeStream();

    // How a release ends the stream's sound.
    enum class Release {
        // At once, dropping what the stream holds: the window's close.
        Drop,
        // After what the stream holds (up to its latency) has been heard: a
        // device change, which then loses none of the audio rendered.
        PlayOut,
    };
    // For the window's close and device changes: stops and closes the stream
    // (if any) on a thread of its own, waiting at most kReleaseWait for a
    // drop and not at all for a play-out. True when it has closed; false
    // when it has not (playing out, or the sound server did not answer in
    // time): the stream then goes on closing in the background (its callbacks play silence and reach nothing of
    // this engine, which may go), and opens fail at once until it has
    // closed, so that no two streams sound at once. Either way no stream is
    // open on this engine afterwards.
    bool releaseStream(Release how = Release::Drop);
    static constexpr std::chrono::milliseconds kReleaseWait{300};
    // After a release that did not close in time: the stream on the current
    // device is opened again by checkDevice as soon as the released one has
    // closed.
    void reopenOnceAnswered();
    // Called on the releasing thread (under a lock; it must not block or
    // reach this engine) as soon as a released stream has closed, so that
    // the owner runs checkDevice then rather than at its next tick. Not
    // called once this engine has gone.
    void setWhenReleased(std::function<void()> closed);
    // Counts the library objects made by a probe (initialize), whose device
    // lists may differ from the last one's: the device menu follows it.
    unsigned probeCount() const { return probeCount_; }

    unsigned getCurrentAudioDevice() const override;
    AudioDeviceInfo getCurrentAudioDeviceInfo() const override;
    unsigned countAudioDevices() const override;
    AudioDeviceInfo getInfo(unsigned device) const override;

    // Audio thread: what rtaudio_callback does with a buffer.
    int process(void* outputBuffer, unsigned int frameCount);
    // Audio thread (from the error callback): the stream's writes fail. Only
    // atomics and a bounded copy: no output, no allocation, no lock.
    void noteStreamError(const std::string& text);
    // Audio thread (from the error callback): the device ran dry and the
    // library prepared it again (an underrun). A dropout, which checkDevice
    // logs; the stream plays on. One atomic.
    void noteDropout();
    // Underruns the library reported since the engine was made; any thread.
    std::uint64_t dropoutCount() const { return dropouts_.load(std::memory_order_relaxed); }

    // GUI thread, on a timer: first logs a real-time overrun that the SIGXCPU
    // handler met (RealTimeLimit::reportOverrun), from then on no stream's
    // threads are made real-time, and the underruns since the last line (at
    // most one line per kDropoutLogInterval). Lost once when the audio
    // thread has reported a stream error since (the stream is then stopped
    // and closed and the loss logged), or when an open was not back within
    // kOpenWait; while lost, takes up such an open once it is back, or tries
    // to reopen the stream at most once per kReopenInterval, and answers
    // Restored when a stream runs again, StillLost otherwise.
    DeviceCheck checkDevice();
    // GUI thread: while lost, reopens the stream now (a Play asks for it).
    // True when a stream runs afterwards.
    bool reopenIfLost();
    bool isDeviceLost() const { return deviceLost_; }
    // Stream errors the audio thread reported since the engine was made; any
    // thread.
    std::uint64_t streamErrorCount() const { return streamErrors_.load(std::memory_order_relaxed); }

    static constexpr std::chrono::milliseconds kReopenInterval{1000};
    static constexpr std::chrono::seconds kDropoutLogInterval{10};

    // What the audio thread did, for judging a stream from outside (tests,
    // benchmarks): relaxed counters it bumps on every buffer. Any thread.
    struct CallbackRecord
    {
        std::uint64_t callbacks = 0;
        // Asked for by the library: the device's own clock.
        std::uint64_t frames = 0;
        // The longest time between the starts of two callbacks since the
        // last restartCallbackRecord(), and the steady clock (ns since its
        // epoch) at the second of them.
        std::int64_t longestIntervalNs = 0;
        std::int64_t longestEndedNs = 0;
        // The steady clock (ns since its epoch) at the start and at the end
        // of the latest callback: a start after the end is a callback under
        // way, so that a reader tells the audio thread's own time from the
        // time it spent in the library (its write to the server).
        std::int64_t lastStartNs = 0;
        std::int64_t lastEndNs = 0;
    };
    CallbackRecord callbackRecord() const;
    void restartCallbackRecord() { longestCallbackIntervalNs_.store(0, std::memory_order_relaxed); }

    // Any thread: Unknown until the stream's audio thread has run once.
    Scheduling audioScheduling() const { return scheduling_.load(std::memory_order_acquire); }
    // GUI thread: logs once, for the first stream whose audio thread has run,
    // how it got real-time scheduling (directly or through RealtimeKit) or
    // why not. True when it logged now.
    bool reportScheduling();

private:
    // Starts the open stream; closes it again when it will not start.
    bool startOrClose();
    bool openCurrentDevice();

    // A probe and an open on a thread of their own; see openElsewhere.
    struct Opening;
    // Hands audio_ and link_ to a thread that probes (`probe`: a fresh
    // library object), lists the devices (`list`) and opens the stream on
    // `device` (none: the default one), and waits for it at most kOpenWait.
    // True when a stream runs afterwards.
    bool openElsewhere(const RtAudio::StreamParameters* device, bool probe, bool list);
    // GUI thread: takes up an open that is back (starting its stream); true
    // while one is still under way, when audio_ is the thread's.
    bool openStillRunning();
    // Takes back the library object, the device list and the stream (started
    // here) of an open that is back; true when a stream runs afterwards.
    bool takeUp(Opening& opening, bool late);
    // An open that no sound server took (none answered, none listed a
    // device): lost, as a device is that went away, and logged once.
    void noteNoOutput();
    // GUI thread, between open and start.
    void askRealtimeKit(const std::vector<pid_t>& threadsBeforeOpen);

    enum class RealTimeWay { Direct, RealtimeKit, Refused };

    // A released stream's library object, closed by a thread of its own.
    struct Closing
    {
        std::unique_ptr<RtAudio> audio;
        std::unique_ptr<StreamLink> link;
        std::mutex mutex;
        std::condition_variable closed;
        bool done = false; // under mutex
        std::function<void()> whenClosed; // under mutex
    };
    // No stream is open while a released one has not closed yet.
    bool releasedStreamClosing();
    // Waits at most `wait` for the released stream to close; true when it has.
    bool releasedStreamClosedWithin(std::chrono::milliseconds wait);
    // Logs the underruns met since the last line.
    void reportDropouts();

    // Replaced (with no stream open) by initialize() to probe anew, and by
    // releaseStream() with a fresh object of the same back end. Null before
    // the first probe and while an open that owns it is under way.
    std::unique_ptr<RtAudio> audio_;
    // The callbacks' user data for audio_'s streams; replaced with it by
    // releaseStream().
    std::unique_ptr<StreamLink> link_;
    // The last released stream while it may still be closing.
    std::shared_ptr<Closing> closing_;
    // An open that was not back within kOpenWait.
    std::shared_ptr<Opening> opening_;
    // What the last probe found.
    std::vector<AudioDeviceInfo> devices_;
    unsigned defaultDevice_ = 0;
    unsigned probeCount_ = 0;
    unsigned currentDevice_ = 0;
    RenderFunction render_;
    // The library may change the requested size to the one it chose.
    unsigned bufferFrames_ = 256;
    // Written by the audio thread once per started stream; startOrClose()
    // sets it back to Unknown before the start.
    std::atomic<Scheduling> scheduling_{Scheduling::Unknown};
    std::atomic<bool> wayLogged_{false};
    // GUI thread: how the last stream's threads were made real-time.
    RealTimeWay way_ = RealTimeWay::Direct;
    std::string realTimeProblem_;
    // Set by the audio thread on a stream error, cleared before each start.
    std::atomic<bool> streamFailed_{false};
    std::atomic<bool> errorTextTaken_{false};
    std::atomic<std::uint64_t> streamErrors_{0};
    std::atomic<std::uint64_t> dropouts_{0};
    // See CallbackRecord; written by the audio thread only, but for the
    // restart.
    std::atomic<std::uint64_t> callbacks_{0};
    std::atomic<std::uint64_t> callbackFrames_{0};
    std::atomic<std::int64_t> lastCallbackNs_{0};
    std::atomic<std::int64_t> longestCallbackIntervalNs_{0};
    std::atomic<std::int64_t> longestCallbackEndedNs_{0};
    std::atomic<std::int64_t> lastCallbackEndNs_{0};
    // The first error's text since the last start; written only by the audio
    // thread that took errorTextTaken_, read by the GUI thread once
    // streamFailed_ is seen.
    char errorText_[160] = {};
    // GUI thread only.
    bool deviceLost_ = false;
    // Lost by an open not back in time, not told by checkDevice yet.
    bool lossUntold_ = false;
    // Whether the log said that the device is gone, so it says it is back.
    bool lossLogged_ = false;
    std::uint64_t errorsAtStart_ = 0;
    std::chrono::steady_clock::time_point lastReopen_{};
    std::uint64_t dropoutsLogged_ = 0;
    std::chrono::steady_clock::time_point dropoutLoggedAt_{};
    std::function<void()> whenReleased_;
};

} // namespace Audio
