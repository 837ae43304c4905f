#pragma once

namespace Audio {

// The transport buttons' view of the player. Every operation is called on the
// GUI thread and returns at once: while audio plays, stop, pause and track
// changes take effect after a short fade-out on the audio thread.
class IAudioPlayerTransport
{
public:
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual void pause() = 0;
    virtual void selectNextTrack() = 0;
    virtual void selectPreviousTrack() = 0;
    virtual bool isRunning() = 0;
    virtual bool isStopped() = 0;
    virtual bool isPaused() = 0;
    // The table row of the current entry, already counting jumps that are
    // still fading out.
    virtual int getSteadyTrackNumber() = 0;

protected:
    ~IAudioPlayerTransport() = default;
};

} // namespace Audio
