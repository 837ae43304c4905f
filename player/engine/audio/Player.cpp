#include "player/engine/audio/Player.h"

namespace Audio {

Player::~Player()
{
    // Completions and the end-of-file path call back into this object.
    streaming_.shutdown();
}

void Player::setDescListProvider(std::shared_ptr<IDescListProvider> provider)
{
    std::lock_guard<std::mutex> lock(providerMutex_);
    provider_ = std::move(provider);
}

std::shared_ptr<IDescListProvider> Player::getDescListProvider() const
{
    std::lock_guard<std::mutex> lock(providerMutex_);
    return provider_;
}

void Player::setEntry(int entry)
{
    entry_.store(entry, std::memory_order_relaxed);
    targetEntry_.store(entry, std::memory_order_relaxed);
}

void Player::setRangesFromPqDesc(const std::vector<DDP::PQDESCR>& descList)
{
    std::vector<Range> ranges;
    if (descList.size() >= 3) {
        ranges.reserve(descList.size() - 2);
        for (std::size_t i = 0; i + 2 < descList.size(); ++i) {
            ranges.emplace_back(std::uint32_t(std::int64_t(pqTimeToBytePosition(descList[i]))),
                                std::uint32_t(std::int64_t(pqTimeToBytePosition(descList[i + 1]))));
        }
    }
    std::lock_guard<std::mutex> lock(rangesMutex_);
    ranges_ = std::move(ranges);
    rangeCount_ = ranges_.size();
}

std::uint32_t Player::rangeStart(int entry) const
{
    std::lock_guard<std::mutex> lock(rangesMutex_);
    return hasRange(entry) ? ranges_[std::size_t(entry)].first : 0;
}

Player::Range Player::getCurrentRange() const
{
    const int entry = getEntry();
    return hasRange(entry) ? ranges_[std::size_t(entry)] : Range{0, 0};
}

void Player::setAudioFileName(const QString& folder, const std::function<void()>& endOfFile)
{
    const auto provider = getDescListProvider();
    int offset = 2;
    if (provider) {
        offset = provider->isInitialIndexValid() ? 1 : 2;
        provider->setIndexOffset(offset);
    }
    setEntry(2);
    steady_ = 2 - offset;
    streaming_.setAudioFileName(folder, endOfFile);
    // An image of fewer than five descriptors has no entry 2: it starts at the
    // beginning of the file instead of reading past the range table.
    streaming_.setCurrentSampleInFile(int(rangeStart(2)));
}

int Player::getIndexFromPqDesc(int entry)
{
    if (entry < 1)
        return -1;
    const auto provider = getDescListProvider();
    if (!provider)
        return -1;
    const auto& list = provider->getDescList();
    if (std::size_t(entry) >= list.size())
        return -1;
    return asciiToInt(list[std::size_t(entry)].indexNumber, 2);
}

void Player::start()
{
    const auto provider = getDescListProvider();
    if (!provider)
        return;
    streaming_.setState(StreamingState::Running);
    streaming_.values().resetMeters();
    provider->setRunning(true);
}

void Player::stop()
{
    const auto provider = getDescListProvider();
    if (!provider)
        return;
    streaming_.stop();
    provider->setRunning(false);
}

void Player::pause()
{
    streaming_.pause();
    if (const auto provider = getDescListProvider())
        provider->setRunning(false);
}

void Player::reset()
{
    const auto provider = getDescListProvider();
    if (!provider)
        return;
    const std::uint32_t start = rewindToFirstEntry(*provider);
    streaming_.stop([this, start] {
        streaming_.setCurrentSampleInFile(int(start));
        streaming_.reset();
    });
}

std::uint32_t Player::rewindToFirstEntry(IDescListProvider& provider)
{
    provider.setRunning(false);
    setEntry(2);
    steady_ = 2 - provider.getIndexOffset();
    return rangeStart(2);
}

void Player::fadeOverTo(int entry, Rearm rearm)
{
    targetEntry_ = entry;
    ++pendingJumps_;
    // Captures stay small and trivially copyable so the completion fits in the
    // function's own storage: the audio thread runs and destroys it.
    streaming_.setCurrentSampleInFileAndFadeOut(int(rangeStart(entry)), [this, entry, rearm] {
        entry_ = entry;
        --pendingJumps_;
        if (rearm == Rearm::Next)
            nextAllowed_ = true;
        else if (rearm == Rearm::Previous)
            previousAllowed_ = true;
    });
}

void Player::selectNextTrack()
{
    if (!nextAllowed_.exchange(false))
        return;
    const auto provider = getDescListProvider();
    if (!provider) {
        nextAllowed_ = true;
        return;
    }
    const int size = int(provider->getDescList().size());
    const int from = targetEntry_.load();
    int n = from + 1;
    int steps = 1;
    // Index 00 pauses and index 02+ entries are stepped over and counted; the
    // scan stops at the list's last descriptor.
    while (n < size - 1 && getIndexFromPqDesc(n) != 1) {
        ++n;
        ++steps;
    }
    steady_ += steps;
    if (n >= size - 2 || !hasRange(n)) {
        // Past the last track: back to the start, stopped.
        reset();
        nextAllowed_ = true;
        return;
    }
    fadeOverTo(n, Rearm::Next);
}

void Player::selectPreviousTrack()
{
    if (!previousAllowed_.exchange(false))
        return;
    const auto provider = getDescListProvider();
    if (!provider) {
        previousAllowed_ = true;
        return;
    }
    const int from = targetEntry_.load();
    if (from <= provider->getIndexOffset()) {
        steady_ = 0;
        stop();
        previousAllowed_ = true;
        return;
    }
    int n = from - 1;
    int steps = 1;
    int index = getIndexFromPqDesc(n);
    while (index != 1 && index >= 0) {
        --n;
        ++steps;
        index = getIndexFromPqDesc(n);
    }
    if (index < 0 || !hasRange(n)) {
        // No earlier index 01.
        steady_ = 1;
        stop();
        previousAllowed_ = true;
        return;
    }
    steady_ -= steps;
    fadeOverTo(n, Rearm::Previous);
}

void Player::selectTrack(int row)
{
    const auto provider = getDescListProvider();
    if (!provider)
        return;
    const int n = provider->getIndexOffset() + row;
    if (!hasRange(n))
        return;
    steady_ = row;
    if (!isRunning()) {
        streaming_.setCurrentSampleInFile(int(rangeStart(n)));
        setEntry(n);
        start();
        return;
    }
    fadeOverTo(n, Rearm::None);
}

void Player::onEndOfAudioFile()
{
    const auto provider = getDescListProvider();
    if (!provider)
        return;
    streaming_.setCurrentSampleInFile(int(rewindToFirstEntry(*provider)));
    streaming_.reset();
}

void Player::increaseTrackNumber()
{
    const auto provider = getDescListProvider();
    if (!provider)
        return;
    const int entry = ++entry_;
    if (pendingJumps_.load() == 0)
        targetEntry_ = entry;
    if (entry >= int(provider->getDescList().size()) - 2) {
        // The last track has been played out: back to the start, stopped, and
        // the model told so, as the other ends of playback do.
        streaming_.setCurrentSampleInFile(int(rewindToFirstEntry(*provider)));
        streaming_.reset();
    } else {
        // The next entry follows in the file: only the counting restarts.
        streaming_.setPlayedSamples(0);
        streaming_.setEntryStart(int(rangeStart(entry)));
        steady_ = entry_.load() - provider->getIndexOffset();
    }
}

int Player::getTrackNumberFromPqDesc()
{
    const auto provider = getDescListProvider();
    if (!provider)
        return 0;
    const auto& list = provider->getDescList();
    const int entry = getEntry();
    if (entry < 0 || std::size_t(entry) >= list.size())
        return 0;
    return asciiToInt(list[std::size_t(entry)].trackNumber, 2);
}

int Player::getSteadyTrackNumber()
{
    return steady_.load();
}

bool Player::isRunning()
{
    return streaming_.getState() == StreamingState::Running;
}

bool Player::isStopped()
{
    return streaming_.getState() == StreamingState::Stopped;
}

bool Player::isPaused()
{
    return streaming_.getState() == StreamingState::Paused;
}

bool Player::initializeStreamingEngine()
{
    return streaming_.engine().initialize(streaming_.initializeCallback());
}

bool Player::setDevice(int device)
{
    auto& engine = streaming_.engine();
    engine.setCurrentAudioDevice(unsigned(device));
    engine.stopStream();
    engine.closeStream();
    if (device < 0)
        return false;
    RtAudio::StreamParameters parameters;
    parameters.deviceId = unsigned(device);
    parameters.nChannels = StreamingEngine::kChannels;
    parameters.firstChannel = 0;
    return engine.setupStream(parameters);
}

const IAudioDeviceInfos& Player::getAudioDevices() const
{
    return streaming_.engine();
}

} // namespace Audio
