#pragma once

#include <cstdint>
#include <string>

namespace Audio {

// What the device menu needs to know about one output device. The audio
// library's other facts (input channels, rate lists, formats) are dropped.
struct AudioDeviceInfo
{
    std::string name;
    std::int32_t hasOutput = 0;          // 1 when the device has an output channel
    std::uint32_t preferredSampleRate = 0;
    bool probed = false;                 // false: the library could not query it
};

} // namespace Audio
