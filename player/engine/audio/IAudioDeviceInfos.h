#pragma once

#include "player/engine/audio/AudioDeviceInfo.h"

namespace Audio {

// The output devices as the device menu sees them. GUI thread only.
// Nobody deletes an implementation through this interface.
class IAudioDeviceInfos
{
public:
    virtual unsigned getCurrentAudioDevice() const = 0;
    virtual AudioDeviceInfo getCurrentAudioDeviceInfo() const = 0;
    virtual unsigned countAudioDevices() const = 0;
    // A device id the library does not know yields a record with probed false.
    virtual AudioDeviceInfo getInfo(unsigned device) const = 0;

protected:
    ~IAudioDeviceInfos() = default;
};

} // namespace Audio
