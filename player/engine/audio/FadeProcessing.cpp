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

void FadeProcessing::push(const Completion& completion)
{
    if (count_ == ring_.size()) {
        // Grown here, on the requesting thread; the old ring is freed here too.
        std::vector<Completion> bigger(ring_.size() * 2);
        for (std::size_t i = 0; i < count_; ++i)
            bigger[i] = ring_[(head_ + i) % ring_.size()];
        ring_.swap(bigger);
        head_ = 0;
    }
    ring_[(head_ + count_) % ring_.size()] = completion;
    ++count_;
}

void FadeProcessing::request(const Completion& completion, bool fadeInAfter)
{
    std::lock_guard<std::mutex> lock(queueMutex_);
    push(completion);
    // The latest request decides whether the audio comes back with a fade-in,
    // so a seek followed by a stop ends in silence.
    fadeInAfter_ = fadeInAfter;
    // A fade under way is not restarted: it continues down from its gain.
    state_.store(FadingOut, std::memory_order_release);
}

bool FadeProcessing::joinFadeOut(const Completion& completion)
{
    std::lock_guard<std::mutex> lock(queueMutex_);
    const auto state = state_.load(std::memory_order_acquire);
    // The end of a fade leaves FadeOutFinished only under this lock, after
    // it found the queue empty: what is pushed here still runs in that pass.
    if (state != FadingOut && state != FadeOutFinished)
        return false;
    push(completion);
    return true;
}

void FadeProcessing::fadeOutEnd()
{
    for (;;) {
        Completion next;
        {
            std::unique_lock<std::mutex> lock(queueMutex_, std::try_to_lock);
            // A request is being queued right now: the rest runs on the next
            // frame (the state stays FadeOutFinished), the audio thread never
            // waits for the lock.
            if (!lock.owns_lock())
                return;
            if (count_ == 0) {
                if (fadeInAfter_) {
                    state_.store(FadingIn, std::memory_order_release);
                } else {
                    gain_.store(1.0f, std::memory_order_relaxed);
                    state_.store(Idle, std::memory_order_release);
                }
                return;
            }
            next = ring_[head_];
            head_ = (head_ + 1) % ring_.size();
            --count_;
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
    head_ = 0;
    count_ = 0;
}

} // namespace Audio
