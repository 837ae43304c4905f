#include "player/engine/audio/DiskStreaming.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace Audio {

namespace {

bool playable(const float* data, std::uint32_t size)
{
    // An odd size is a partial sample pair at the end of the file.
    return data != nullptr && size != 0 && (size & 1u) == 0;
}

// The other threads hold the position lock for hand-overs of well under a
// microsecond. The audio thread rides over one of those by trying again for
// a short, bounded time; a holder that was preempted costs one silent
// buffer, never a wait.
constexpr std::chrono::microseconds kLockRetry{20};

// When the reader is late with the next block, the sound dips to silence over
// this many frames (5.8 ms) before the data runs out, and comes back the same
// way once the block is there: silence without a click, and not a sample of
// the file skipped.
constexpr std::uint32_t kStarveFrames = 256;
constexpr float kStarveStep = 1.0f / float(kStarveFrames);

void spinPause()
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

} // namespace

DiskStreaming::DiskStreaming()
    : preloader_(switchBuffer_)
{
}

DiskStreaming::~DiskStreaming()
{
    shutdown();
}

void DiskStreaming::shutdown()
{
    // Bounded: a stream still closing afterwards reaches nothing of this.
    engine_.releaseStream();
    fades_.clear();
    preloader_.shutdown();
}

RenderFunction DiskStreaming::initializeCallback()
{
    return [this](void* output, unsigned int frameCount) { return render(static_cast<float*>(output), frameCount); };
}

void DiskStreaming::setAudioFileName(const QString& folder, const Preloader::EndOfFileCallback& endOfFile)
{
    preloader_.setAudioFileName(folder, endOfFile);
    PositionLock lock(preloader_);
    supersedeMoves(lock);
    playPosition_ = 0;
    values_.setPlayedSamples(0);
}

void DiskStreaming::setPlayedSamples(std::uint32_t samples)
{
    std::lock_guard<std::mutex> lock(preloader_.bufferMutex());
    values_.setPlayedSamples(samples);
}

std::uint32_t DiskStreaming::getPlayPosition()
{
    std::lock_guard<std::mutex> lock(preloader_.bufferMutex());
    return playPosition_;
}

bool DiskStreaming::fadeWillRun() const
{
    return values_.isRunning()
        && (drivenExternally_.load(std::memory_order_relaxed) || engine_.isStreamRunning());
}

void DiskStreaming::rewindLocked(std::uint32_t position)
{
    // Every reload plays from the start of its first block, and at full
    // level: a dip left by a block that was late at the old place belongs to
    // that place, and would otherwise make the new one rise from silence.
    playPosition_ = 0;
    starve_ = 1.0f;
    preloader_.rewindLocked(position);
}

void DiskStreaming::stopNowLocked()
{
    values_.setPlayedSamples(0);
    values_.setState(StreamingState::Stopped);
    rewindLocked(std::uint32_t(getEntryStart()));
    values_.resetMeters();
}

void DiskStreaming::start()
{
    engine_.reopenIfLost();
    engine_.reportScheduling();
    const FadeProcessing::Completion run = [this] {
        values_.setState(StreamingState::Running);
        values_.resetMeters();
    };
    // A fade that nothing advances (no stream) would hold the start for ever.
    const bool fadesAdvance = drivenExternally_.load(std::memory_order_relaxed) || engine_.isStreamRunning();
    if (!fadesAdvance || !fades_.joinFadeOut(run))
        run();
}

void DiskStreaming::settleAfterDeviceLoss()
{
    PositionLock lock(preloader_);
    if (!fades_.isIdle())
        fades_.fadeOutEnd();
}

void DiskStreaming::stop()
{
    if (fadeWillRun()) {
        fades_.doFadeOut([this] { stopNowLocked(); });
        return;
    }
    PositionLock lock(preloader_);
    stopNowLocked();
}

void DiskStreaming::stop(const Callback& callback)
{
    if (fadeWillRun()) {
        fades_.doFadeOut([this, callback] {
            stopNowLocked();
            if (callback)
                callback();
        });
        return;
    }
    PositionLock lock(preloader_);
    stopNowLocked();
    if (callback)
        callback();
}

void DiskStreaming::reset()
{
    PositionLock lock(preloader_);
    reset(lock);
}

void DiskStreaming::reset(const PositionLock&)
{
    values_.setPlayedSamples(0);
    values_.setState(StreamingState::Stopped);
    rewindLocked(std::uint32_t(getEntryStart()));
    values_.resetMeters();
}

void DiskStreaming::pause()
{
    // Nothing audible to fade when not playing: pause at once rather than
    // wait for a fade that no callback would ever advance.
    if (fadeWillRun())
        fades_.doFadeOut([this] { values_.setState(StreamingState::Paused); });
    else
        values_.setState(StreamingState::Paused);
}

void DiskStreaming::seek(double fraction, int length)
{
    if (!fades_.isIdle())
        return;
    const double f = std::clamp(fraction, 0.0, 1.0);
    const std::int64_t bound = std::max(length, 0);
    const std::int64_t bytes = std::clamp<std::int64_t>(std::int64_t(double(length) * f), 0, bound);
    const std::uint32_t samples = std::uint32_t(bytes / 2);
    const std::uint32_t target = std::uint32_t(std::int64_t(getEntryStart()) + bytes);
    if (!fadeWillRun()) {
        // Reloaded from the new place, so that the next playback starts there
        // and not with what was read for the old one.
        PositionLock lock(preloader_);
        supersedeMoves(lock);
        values_.setPlayedSamples(samples);
        rewindLocked(target);
        return;
    }
    std::uint32_t move;
    {
        PositionLock lock(preloader_);
        move = ++moveGeneration_;
        values_.setPlayedSamples(samples);
        preloader_.requestTargetLocked(target);
    }
    fades_.doFadeOutFadeIn([this, samples, target, move] {
        if (move != moveGeneration_)
            return;
        values_.setPlayedSamples(samples);
        preloader_.tmpBufferToNextBufferLocked(target, Preloader::aligned(target) + Preloader::kPreloadBytes);
        playPosition_ = 0;
    });
}

void DiskStreaming::setCurrentSampleInFileAndFadeOut(int offset, const TrackChangeCallback& callback)
{
    const auto target = std::uint32_t(offset);
    if (!fadeWillRun()) {
        PositionLock lock(preloader_);
        supersedeMoves(lock);
        setEntryStart(offset);
        values_.setPlayedSamples(0);
        rewindLocked(target);
        if (callback)
            callback(true);
        return;
    }
    std::uint32_t move;
    {
        PositionLock lock(preloader_);
        move = ++moveGeneration_;
        preloader_.requestTargetLocked(target);
    }
    // The completion carries its own target and callback: a second jump within
    // the same fade must not take over the first one's callback, or the first
    // one's guard would never be re-armed. The entry start changes with the
    // audio, not before, so that the display never counts the old audio from
    // the new start.
    fades_.doFadeOut([this, offset, target, move, callback] {
        const bool moved = move == moveGeneration_;
        if (moved) {
            preloader_.tmpBufferToNextBufferLocked(target, Preloader::aligned(target) + Preloader::kPreloadBytes);
            playPosition_ = 0;
            values_.setPlayedSamples(0);
            setEntryStart(offset);
        }
        if (callback)
            callback(moved);
    });
}

void DiskStreaming::setCurrentSampleInFile(int offset)
{
    PositionLock lock(preloader_);
    setCurrentSampleInFile(lock, offset);
}

void DiskStreaming::setCurrentSampleInFile(const PositionLock& lock, int offset)
{
    supersedeMoves(lock);
    setEntryStart(offset);
    values_.setPlayedSamples(0);
    values_.resetMeters();
    rewindLocked(std::uint32_t(offset));
}

int DiskStreaming::render(float* output, unsigned int frameCount)
{
    // Counted around the whole rendering, so that no path of it that leaves
    // a frame silent while playing goes uncounted.
    const bool playing = values_.isRunning();
    const std::uint64_t before = framesPlayed_.load(std::memory_order_relaxed);
    renderBuffer(output, frameCount);
    const std::uint64_t played = framesPlayed_.load(std::memory_order_relaxed) - before;
    if (playing && values_.isRunning() && played < frameCount)
        silentFrames_.fetch_add(frameCount - played, std::memory_order_relaxed);
    return 0;
}

void DiskStreaming::renderBuffer(float* output, unsigned int frameCount)
{
    if (frameCount == 0)
        return;
    std::unique_lock<std::mutex> lock(preloader_.bufferMutex(), std::try_to_lock);
    if (!lock.owns_lock()) {
        lockTaken_.fetch_add(1, std::memory_order_relaxed);
        const auto giveUp = std::chrono::steady_clock::now() + kLockRetry;
        do {
            spinPause();
        } while (!lock.try_lock() && std::chrono::steady_clock::now() < giveUp);
        // Still taken: this buffer stays silent and nothing advances; the
        // next one goes on from here.
        if (!lock.owns_lock())
            return;
    }
    renderLocked(output, frameCount);
    lock.unlock();
    // What was asked of the reader meanwhile (a block played, the end, a
    // completion's repositioning) wakes it now that the lock is free.
    preloader_.wakeReader();
}

void DiskStreaming::renderLocked(float* output, unsigned int frameCount)
{
    const float* data = switchBuffer_.playData();
    std::uint32_t size = switchBuffer_.playSize();
    std::uint32_t position = playPosition_;
    std::uint32_t counter = values_.playedSamples();
    float volume = values_.volume();
    const float target = values_.targetVolume();

    float starve = starve_;
    std::uint32_t starved = 0;
    std::uint32_t took = 0;

    auto store = [&] {
        starve_ = starve;
        playPosition_ = position;
        values_.setPlayedSamples(counter);
        values_.setVolume(volume);
    };

    for (unsigned int frame = 0; frame < frameCount; ++frame) {
        // The playback buffer is used up, or empty after a repositioning:
        // the next block of the ring, unless the file has ended.
        if (position >= size) {
            if (switchBuffer_.playIsLast()) {
                // The last sample of the file has been played.
                data = nullptr;
            } else if (switchBuffer_.switchBuffers()) {
                data = switchBuffer_.playData();
                size = switchBuffer_.playSize();
                position = 0;
                // The block just left is free for the reader.
                preloader_.blockPlayedLocked();
            } else if (switchBuffer_.staleRefused()) {
                preloader_.rereadLocked();
            }
        }

        if (playable(data, size)) {
            const float d = target - volume;
            volume = std::fabs(d) > 0.001f ? volume + 0.001f * d : target;
        }

        if (fades_.state() == FadeProcessing::FadeOutFinished) {
            // The completions run here, under the position lock.
            store();
            fades_.fadeOutEnd();
            data = switchBuffer_.playData();
            size = switchBuffer_.playSize();
            position = playPosition_;
            counter = values_.playedSamples();
        } else {
            fades_.step();
        }

        if (!playable(data, size)) {
            // Nothing loaded yet, or the end of the audio: silence. The end is
            // told once, and only when it was reached by playing: not within
            // a fade-out, whose completion moves or stops playback itself.
            const auto fade = fades_.state();
            if (switchBuffer_.playIsLast() && values_.isRunning() && !preloader_.endReportedLocked()
                && fade != FadeProcessing::FadingOut && fade != FadeProcessing::FadeOutFinished) {
                preloader_.reportEndPlayedLocked(moveGeneration_);
            }
            // Only a fade still moves, so that a request made now completes.
            if (fades_.isIdle()) {
                if (values_.isRunning() && !switchBuffer_.playIsLast())
                    starved += frameCount - frame;
                break;
            }
            continue;
        }

        const bool running = values_.isRunning();
        const float gain = fades_.appliedGain();
        float left = 0.0f;
        float right = 0.0f;
        // position < size fails only while the reader has not delivered the
        // next block: silence then, and the position waits for it.
        const bool play = running && position < size;
        if (play) {
            // Within the last frames of a block that no block follows yet,
            // the sound heads for silence so as to reach it with the block's
            // last frame; it rises again as soon as the next block is there.
            float reach = 1.0f;
            if (size - position <= 2 * kStarveFrames && !switchBuffer_.playIsLast() && switchBuffer_.queued() == 0)
                reach = float((size - position) / 2) * kStarveStep;
            starve = std::min(starve + kStarveStep, reach);
            left = data[position] * volume * gain * starve;
            right = data[position + 1] * volume * gain * starve;
            // The meters see the volume twice.
            values_.addLeft(left * volume);
            values_.addRight(right * volume);
        }
        output[2 * frame] = left;
        output[2 * frame + 1] = right;
        if (play) {
            position += 2;
            counter += 2;
            ++took;
        } else if (running) {
            // Waiting for the reader: the next block rises from silence.
            starve = 0.0f;
            ++starved;
        }
    }
    store();
    framesPlayed_.fetch_add(took, std::memory_order_relaxed);
    if (starved != 0)
        starvedFrames_.fetch_add(starved, std::memory_order_relaxed);
}

} // namespace Audio
