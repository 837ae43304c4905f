#pragma once

#include <cstdint>

namespace Audio {

enum class StreamingState : std::int32_t
{
    Running = 0,
    Stopped = 1, // initial
    Paused = 2,
};

} // namespace Audio
