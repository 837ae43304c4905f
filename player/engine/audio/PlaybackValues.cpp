#include "player/engine/audio/PlaybackValues.h"

#include <initializer_list>

namespace Audio {

void PlaybackValues::resetMeters()
{
    for (auto* v : {&peakLeft_, &peakRight_, &peakLeftCopy_, &peakRightCopy_, &meanSquareLeft_, &meanSquareRight_})
        v->store(0.0f, std::memory_order_relaxed);
    coefficientALeft_.store(kInitialCoefficientA, std::memory_order_relaxed);
    coefficientBLeft_.store(kInitialCoefficientB, std::memory_order_relaxed);
    coefficientARight_.store(kInitialCoefficientA, std::memory_order_relaxed);
    coefficientBRight_.store(kInitialCoefficientB, std::memory_order_relaxed);
}

} // namespace Audio
