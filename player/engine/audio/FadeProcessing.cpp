#include "player/engine/audio/FadeProcessing.h"

#include <utility>

namespace Audio {

void FadeProcessing::doFadeOut(const Completion& completion)
{
    request(completion, false);
}

void FadeProcessing::doFadeOutFadeIn(const Completion& completion)
{
    request(completion, true);
}

void FadeProcessing::request(const Completion& completion, bool fadeInAfter)
{
    std::lock_guard<std::mutex> lock(queueMutex_);
    completions_.push_back(completion);
    // The latest request decides whether the audio comes back with a fade-in,
    // so a seek followed by a stop ends in silence.
    fadeInAfter_ = fadeInAfter;
    // A fade under way is not restarted: it continues down from its gain.
    state_.store(FadingOut, std::memory_order_release);
}

void FadeProcessing::fadeOutEnd()
{
    for (;;) {
        Completion next;
        {
            std::lock_guard<std::mutex> lock(queueMutex_);
            if (completions_.empty()) {
                if (fadeInAfter_) {
                    state_.store(FadingIn, std::memory_order_release);
                } else {
                    gain_.store(1.0f, std::memory_order_relaxed);
                    state_.store(Idle, std::memory_order_release);
                }
                return;
            }
            next = std::move(completions_.front());
            completions_.pop_front();
        }
        // Without the lock: completions call back into the streamer and the
        // player, and may queue further work that runs in this same pass.
        if (next)
            next();
    }
}

void FadeProcessing::clear()
{
    std::lock_guard<std::mutex> lock(queueMutex_);
    completions_.clear();
}

} // namespace Audio
