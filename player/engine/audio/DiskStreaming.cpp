#include "player/engine/audio/DiskStreaming.h"

#include <algorithm>
#include <cmath>

namespace Audio {

namespace {

bool playable(const float* data, std::uint32_t size)
{
    // An odd size is a partial sample pair at the end of the file.
    return data != nullptr && size != 0 && (size & 1u) == 0;
}

} // namespace

DiskStreaming::DiskStreaming()
    : preloader_(switchBuffer_, [this] { return values_.isRunning(); })
{
}

DiskStreaming::~DiskStreaming()
{
    shutdown();
}

void DiskStreaming::shutdown()
{
    engine_.stopStream();
    engine_.closeStream();
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
    setPlayedSamples(0);
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

void DiskStreaming::stopNow()
{
    {
        std::lock_guard<std::mutex> lock(preloader_.bufferMutex());
        values_.setPlayedSamples(0);
        playPosition_ = 0;
    }
    values_.setState(StreamingState::Stopped);
    preloader_.rewind(std::uint32_t(getEntryStart()));
    values_.resetMeters();
}

void DiskStreaming::stop()
{
    if (fadeWillRun())
        fades_.doFadeOut([this] { stopNow(); });
    else
        stopNow();
}

void DiskStreaming::stop(const Callback& callback)
{
    if (fadeWillRun()) {
        fades_.doFadeOut([this, callback] {
            stopNow();
            if (callback)
                callback();
        });
    } else {
        stopNow();
        if (callback)
            callback();
    }
}

void DiskStreaming::reset()
{
    setPlayedSamples(0);
    values_.setState(StreamingState::Stopped);
    preloader_.rewind(std::uint32_t(getEntryStart()));
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
    setPlayedSamples(samples);
    if (!fadeWillRun()) {
        // The buffers keep their audio: a paused image resumes with what was
        // already read before the new position.
        preloader_.setFilePosition(target);
        return;
    }
    preloader_.requestTarget(target);
    fades_.doFadeOutFadeIn([this, samples, target] {
        setPlayedSamples(samples);
        preloader_.tmpBufferToNextBuffer(target, Preloader::aligned(target) + Preloader::kPreloadBytes);
        std::lock_guard<std::mutex> lock(preloader_.bufferMutex());
        playPosition_ = 0;
    });
}

void DiskStreaming::setCurrentSampleInFileAndFadeOut(int offset, const Callback& callback)
{
    setEntryStart(offset);
    const auto target = std::uint32_t(offset);
    if (!fadeWillRun()) {
        {
            std::lock_guard<std::mutex> lock(preloader_.bufferMutex());
            playPosition_ = 0;
            values_.setPlayedSamples(0);
        }
        preloader_.rewind(target);
        if (callback)
            callback();
        return;
    }
    preloader_.requestTarget(target);
    // The completion carries its own target and callback: a second jump within
    // the same fade must not take over the first one's callback, or the first
    // one's guard would never be re-armed.
    fades_.doFadeOut([this, target, callback] {
        preloader_.tmpBufferToNextBuffer(target, Preloader::aligned(target) + Preloader::kPreloadBytes);
        {
            std::lock_guard<std::mutex> lock(preloader_.bufferMutex());
            playPosition_ = 0;
            values_.setPlayedSamples(0);
        }
        if (callback)
            callback();
    });
}

void DiskStreaming::setCurrentSampleInFile(int offset)
{
    setEntryStart(offset);
    setPlayedSamples(0);
    values_.resetMeters();
    preloader_.rewind(std::uint32_t(offset));
}

void DiskStreaming::stepFadesOnly(unsigned int frames)
{
    for (unsigned int i = 0; i < frames && !fades_.isIdle(); ++i)
        fades_.step();
}

int DiskStreaming::render(float* output, unsigned int frameCount)
{
    if (frameCount == 0)
        return 0;
    std::unique_lock<std::mutex> lock(preloader_.bufferMutex());
    const float* data = switchBuffer_.playData();
    std::uint32_t size = switchBuffer_.playSize();
    if (!playable(data, size)) {
        lock.unlock();
        stepFadesOnly(frameCount);
        return 0;
    }

    std::uint32_t position = playPosition_;
    std::uint32_t counter = values_.playedSamples();
    float volume = values_.volume();
    const float target = values_.targetVolume();

    auto store = [&] {
        playPosition_ = position;
        values_.setPlayedSamples(counter);
        values_.setVolume(volume);
    };

    for (unsigned int frame = 0; frame < frameCount; ++frame) {
        const float d = target - volume;
        volume = std::fabs(d) > 0.001f ? volume + 0.001f * d : target;

        if (fades_.state() == FadeProcessing::FadeOutFinished) {
            // Completions reposition the stream through the buffer mutex.
            store();
            lock.unlock();
            fades_.fadeOutEnd();
            lock.lock();
            data = switchBuffer_.playData();
            size = switchBuffer_.playSize();
            position = playPosition_;
            counter = values_.playedSamples();
            if (!playable(data, size)) {
                store();
                lock.unlock();
                stepFadesOnly(frameCount - frame - 1);
                return 0;
            }
        } else {
            fades_.step();
        }

        if (position >= size && switchBuffer_.switchBuffers()) {
            data = switchBuffer_.playData();
            size = switchBuffer_.playSize();
            position = 0;
            preloader_.requestData();
            if (!playable(data, size)) {
                // The end of the audio: silence from here on, until a
                // repositioning reloads.
                store();
                lock.unlock();
                stepFadesOnly(frameCount - frame - 1);
                return 0;
            }
        }

        const bool running = values_.isRunning();
        const float gain = fades_.appliedGain();
        float left = 0.0f;
        float right = 0.0f;
        // position < size fails only while the reader has not delivered the
        // next block: silence then, and the position waits for it.
        const bool play = running && position < size;
        if (play) {
            left = data[position] * volume * gain;
            right = data[position + 1] * volume * gain;
        }
        // The meters see the volume twice.
        values_.addLeft(left * volume);
        values_.addRight(right * volume);
        output[2 * frame] = left;
        output[2 * frame + 1] = right;
        if (play) {
            position += 2;
            counter += 2;
        }
    }
    store();
    return 0;
}

} // namespace Audio
