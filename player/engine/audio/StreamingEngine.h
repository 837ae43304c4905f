#pragma once

#include "player/engine/audio/IAudioDeviceInfos.h"

#include <RtAudio.h>

#include <atomic>
#include <functional>
#include <string>

namespace Audio {

// Called on the audio thread with an interleaved stereo float buffer that is
// already silent; returns 0 to keep streaming.
using RenderFunction = std::function<int(void* outputBuffer, unsigned int frameCount)>;

// The audio library's callbacks. The audio callback clears the buffer and
// hands it to the engine's render function; the error callback prints the
// library's message and changes nothing.
int rtaudio_callback(void* outputBuffer, void* inputBuffer, unsigned int frameCount, double streamTime,
                     RtAudioStreamStatus status, void* userData);
void error_callback(RtAudioError::Type type, const std::string& errorText);

// Owns the one output stream: 2 channels of 32-bit float at 44100 Hz on one
// device, 256 frames per buffer requested. Knows nothing of images or fades.
//
// The stream asks for real-time scheduling of the library's audio thread, and
// is opened under it so that the threads the open starts (the sound server
// client's own) inherit it: a loaded machine starves none of them. Where the
// system refuses (no CAP_SYS_NICE, no RLIMIT_RTPRIO), they run under the
// normal policy and playback goes on; the audio thread notes its policy on
// its first buffer, and reportScheduling() logs a refusal once.
//
// Threads: everything here runs on the GUI thread except rtaudio_callback
// and the render function it calls, which run on the library's audio thread.
// The render function is never replaced while a callback can run (see
// initialize), so the audio thread reads it without a lock.
class StreamingEngine : public IAudioDeviceInfos
{
public:
    static constexpr unsigned kSampleRate = 44100;
    static constexpr unsigned kChannels = 2;
    // Low among real-time priorities: ahead of every normal thread, without
    // competing with threads that ask for more.
    static constexpr int kRealTimePriority = 10;

    // The audio thread's scheduling, as it found it on its first buffer.
    enum class Scheduling { Unknown, RealTime, Normal };

    StreamingEngine();
    ~StreamingEngine();
    StreamingEngine(const StreamingEngine&) = delete;
    StreamingEngine& operator=(const StreamingEngine&) = delete;

    // Stores `render` and, when no stream is open, opens and starts one on the
    // default output device. True when a stream is open afterwards.
    bool initialize(const RenderFunction& render);
    // Opens and starts a stream on parameters.deviceId. Expects no open stream.
    // False (stream closed) when the device refuses the format or rate, or
    // when the stream opens but does not start.
    bool setupStream(RtAudio::StreamParameters& parameters);

    void setCurrentAudioDevice(unsigned device) { currentDevice_ = device; }
    unsigned getDefaultOutputDevice();

    // Stream control for device changes and the window's close. Library errors
    // are printed, never thrown.
    bool isStreamOpen() const;
    bool isStreamRunning() const;
    void stopStream();
    void closeStream();

    unsigned getCurrentAudioDevice() const override;
    AudioDeviceInfo getCurrentAudioDeviceInfo() const override;
    unsigned countAudioDevices() const override;
    AudioDeviceInfo getInfo(unsigned device) const override;

    // Audio thread: what rtaudio_callback does with a buffer.
    int process(void* outputBuffer, unsigned int frameCount);

    // Any thread: Unknown until the stream's audio thread has run once.
    Scheduling audioScheduling() const { return scheduling_.load(std::memory_order_acquire); }
    // Any thread but the audio thread: logs once, for the first stream whose
    // audio thread was refused real-time scheduling. True when it logged now.
    bool reportScheduling();

private:
    // Starts the open stream; closes it again when it will not start.
    bool startOrClose();

    mutable RtAudio audio_;
    unsigned currentDevice_ = 0;
    RenderFunction render_;
    // The library may change the requested size to the one it chose.
    unsigned bufferFrames_ = 256;
    // Written by the audio thread once per started stream; startOrClose()
    // sets it back to Unknown before the start.
    std::atomic<Scheduling> scheduling_{Scheduling::Unknown};
    std::atomic<bool> refusalLogged_{false};
};

} // namespace Audio
