#pragma once

#include "player/engine/audio/IAudioDeviceInfos.h"

namespace Audio {

// The device menu's view of the player. GUI thread only.
class IDeviceSetup
{
public:
    virtual const IAudioDeviceInfos& getAudioDevices() const = 0;
    // Stops and closes the running stream and opens one on `device`;
    // false when the device cannot play 2 channels of float at 44100 Hz
    // (the stream then stays closed), or when the old stream has not closed
    // yet: it first plays out the audio it holds, and a sound server that
    // does not answer holds it on (the stream on `device` is then opened
    // once it has closed).
    virtual bool setDevice(int device) = 0;

protected:
    ~IDeviceSetup() = default;
};

} // namespace Audio
