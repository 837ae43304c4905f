#pragma once

#include "player/engine/audio/InplaceFunction.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace Audio {

// Click-free changes of the play position: a request queues its work as a
// completion and starts a linear fade-out (1/8200 of full gain per frame,
// about 186 ms); when the gain reaches zero the audio thread runs every queued
// completion, first in first out, then restores full gain or fades back in.
//
// Threads: the requests come from the GUI thread (or the reader thread on the
// end-of-file path); step() and fadeOutEnd() run on the audio thread. The
// queue is guarded by a short lock that is never held while a completion runs
// and never around I/O; the audio thread only tries it and, when it is taken,
// runs the completions a frame later. The end of a fade decides the next
// state under that same lock, so a request that arrives while completions run
// is run in the same pass, and one that arrives after the last was taken
// keeps its fade.
//
// Completions are kept in place (no heap) in a ring that only a request ever
// grows, so running and dropping them on the audio thread frees nothing.
class FadeProcessing
{
public:
    using Completion = InplaceFunction<void(), 64>;

    enum FadeState : std::uint32_t
    {
        FadingOut = 0,
        FadeOutFinished = 1,
        FadingIn = 2,
        Idle = 3,
    };

    // The float nearest to 1/8200 (bits 0x38FFC010).
    static constexpr float kStep = 0x1.ff802p-14f;

    FadeProcessing() = default;
    FadeProcessing(const FadeProcessing&) = delete;
    FadeProcessing& operator=(const FadeProcessing&) = delete;

    // Queue `completion` and fade out from the present gain; full gain after.
    void doFadeOut(const Completion& completion);
    // As doFadeOut, but fade back in after the completions (seek).
    void doFadeOutFadeIn(const Completion& completion);
    // Queue `completion` behind the fade-out under way, without starting or
    // changing a fade. False (nothing queued) when no fade-out is under way.
    bool joinFadeOut(const Completion& completion);

    // Audio thread, once per stereo frame before its samples are computed.
    // Runs the completions (fadeOutEnd) on the frame after the gain reached 0.
    void step()
    {
        switch (state_.load(std::memory_order_acquire)) {
        case FadingIn: {
            const float g = gain_.load(std::memory_order_relaxed);
            if (g < 1.0f) {
                gain_.store(g + kStep, std::memory_order_relaxed);
            } else {
                std::uint32_t expected = FadingIn;
                // A request may have set FadingOut meanwhile; it wins.
                if (state_.compare_exchange_strong(expected, Idle, std::memory_order_acq_rel))
                    gain_.store(1.0f, std::memory_order_relaxed);
            }
            break;
        }
        case FadeOutFinished:
            fadeOutEnd();
            break;
        case FadingOut: {
            const float g = gain_.load(std::memory_order_relaxed);
            if (g > 0.0f) {
                gain_.store(g - kStep, std::memory_order_relaxed);
            } else {
                gain_.store(0.0f, std::memory_order_relaxed);
                std::uint32_t expected = FadingOut;
                state_.compare_exchange_strong(expected, FadeOutFinished, std::memory_order_acq_rel);
            }
            break;
        }
        default:
            break;
        }
    }

    // Audio thread: run the queued completions without the lock, then leave
    // the fade (Idle at gain 1.0, or FadingIn from 0).
    void fadeOutEnd();

    // Drop queued completions without running them (the streamer's end).
    void clear();

    float gain() const { return gain_.load(std::memory_order_relaxed); }
    // The gain as applied to samples: clamped to [0, 1].
    float appliedGain() const
    {
        const float g = gain();
        return g < 0.0f ? 0.0f : (g > 1.0f ? 1.0f : g);
    }
    FadeState state() const { return FadeState(state_.load(std::memory_order_acquire)); }
    bool isIdle() const { return state() == Idle; }

private:
    void request(const Completion& completion, bool fadeInAfter);
    // Under queueMutex_.
    void push(const Completion& completion);

    std::mutex queueMutex_;
    // A ring of count_ completions from head_; grown only by push().
    std::vector<Completion> ring_ = std::vector<Completion>(16);
    std::size_t head_ = 0;
    std::size_t count_ = 0;
    std::atomic<float> gain_{1.0f};
    bool fadeInAfter_ = false; // guarded by queueMutex_
    std::atomic<std::uint32_t> state_{Idle};
};

} // namespace Audio
