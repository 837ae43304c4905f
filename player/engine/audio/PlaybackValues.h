#pragma once

#include "player/engine/audio/StreamingState.h"

#include <atomic>
#include <cstdint>

namespace Audio {

// The values that the audio thread and the GUI thread share without a lock:
// playback state, the played-sample counter, volume and the meter sums.
// Each is a single atomic word read and written with relaxed ordering, so a
// reader sees an old or a new value, never a torn one. Nothing here blocks or
// allocates; every member may be called on any thread.
//
// The display timer (GUI thread) reads state(), playedSamples(), the peak
// copies and the mean squares, then calls clearPeaks(). The volume slider
// calls setTargetVolume(). The render function (audio thread) writes the
// meters through addLeft()/addRight() and moves volume() towards the target.
class PlaybackValues
{
public:
    static constexpr float kInitialCoefficientA = 0x1.fffe84p-1f; // 0.99998868
    // 1.1324883e-5 (bits 0x373E0000): about 1 / 88300, a 2 s time constant.
    static constexpr float kInitialCoefficientB = 0x1.7cp-17f;

    StreamingState state() const { return state_.load(std::memory_order_relaxed); }
    void setState(StreamingState s) { state_.store(s, std::memory_order_relaxed); }
    bool isRunning() const { return state() == StreamingState::Running; }

    // Samples (two per frame) played since the current entry's start:
    // bytes = counter x 2, seconds = counter / 88200.
    std::uint32_t playedSamples() const { return counter_.load(std::memory_order_relaxed); }
    void setPlayedSamples(std::uint32_t n) { counter_.store(n, std::memory_order_relaxed); }

    float peakLeftCopy() const { return peakLeftCopy_.load(std::memory_order_relaxed); }
    float peakRightCopy() const { return peakRightCopy_.load(std::memory_order_relaxed); }
    float meanSquareLeft() const { return meanSquareLeft_.load(std::memory_order_relaxed); }
    float meanSquareRight() const { return meanSquareRight_.load(std::memory_order_relaxed); }
    float peakLeft() const { return peakLeft_.load(std::memory_order_relaxed); }
    float peakRight() const { return peakRight_.load(std::memory_order_relaxed); }

    // Display timer, after each tick: the next peaks cover only what plays
    // until the next tick. The mean squares are left alone.
    void clearPeaks()
    {
        peakLeft_.store(0.0f, std::memory_order_relaxed);
        peakRight_.store(0.0f, std::memory_order_relaxed);
    }

    float volume() const { return volume_.load(std::memory_order_relaxed); }
    void setVolume(float v) { volume_.store(v, std::memory_order_relaxed); }
    float targetVolume() const { return targetVolume_.load(std::memory_order_relaxed); }
    // Volume slider (GUI thread): slider value / 10000. The audio thread ramps
    // towards it by 0.001 of the difference per frame, so it never jumps.
    void setTargetVolume(float v) { targetVolume_.store(v, std::memory_order_relaxed); }

    // Peaks, peak copies and mean squares to 0, smoothing weights restored.
    void resetMeters();

    // Audio thread: one meter value m (already scaled by the volume) of the
    // left or right channel. The peak follows the signed value, so negative
    // excursions never raise it; the mean square is a one-pole average with a
    // time constant of about 2 s.
    void addLeft(float m)
    {
        add(m, peakLeft_, meanSquareLeft_, coefficientALeft_, coefficientBLeft_);
        copyPeaks();
    }
    void addRight(float m)
    {
        add(m, peakRight_, meanSquareRight_, coefficientARight_, coefficientBRight_);
        copyPeaks();
    }

private:
    static void add(float m, std::atomic<float>& peak, std::atomic<float>& meanSquare,
                    const std::atomic<float>& a, const std::atomic<float>& b)
    {
        if (m > peak.load(std::memory_order_relaxed))
            peak.store(m, std::memory_order_relaxed);
        meanSquare.store(meanSquare.load(std::memory_order_relaxed) * a.load(std::memory_order_relaxed)
                             + m * m * b.load(std::memory_order_relaxed),
                         std::memory_order_relaxed);
    }
    void copyPeaks()
    {
        peakLeftCopy_.store(peakLeft_.load(std::memory_order_relaxed), std::memory_order_relaxed);
        peakRightCopy_.store(peakRight_.load(std::memory_order_relaxed), std::memory_order_relaxed);
    }

    std::atomic<StreamingState> state_{StreamingState::Stopped};
    std::atomic<std::uint32_t> counter_{0};
    std::atomic<float> peakLeftCopy_{0.0f};
    std::atomic<float> peakRightCopy_{0.0f};
    std::atomic<float> meanSquareLeft_{0.0f};
    std::atomic<float> coefficientALeft_{kInitialCoefficientA};
    std::atomic<float> coefficientBLeft_{kInitialCoefficientB};
    std::atomic<float> meanSquareRight_{0.0f};
    std::atomic<float> coefficientARight_{kInitialCoefficientA};
    std::atomic<float> coefficientBRight_{kInitialCoefficientB};
    std::atomic<float> peakLeft_{0.0f};
    std::atomic<float> peakRight_{0.0f};
    std::atomic<float> volume_{1.0f};
    std::atomic<float> targetVolume_{1.0f};
};

} // namespace Audio
