#include "player/engine/audio/Player.h"

#include "player/engine/ddp/ImageCheck.h"

#include <algorithm>

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
    std::uint32_t audioEnd = Preloader::kNoAudioEnd;
    if (descList.size() >= 3) {
        ranges.reserve(descList.size() - 2);
        for (std::size_t i = 0; i + 2 < descList.size(); ++i) {
            ranges.emplace_back(std::uint32_t(std::int64_t(pqTimeToBytePosition(descList[i]))),
                                std::uint32_t(std::int64_t(pqTimeToBytePosition(descList[i + 1]))));
        }
        // The disc ends where the damage check, the table and export end it:
        // audio after the lead-out is never played.
        audioEnd = std::uint32_t(std::clamp<std::int64_t>(DDP::discEnd(descList), 0, Preloader::kNoAudioEnd - 1));
        ranges.back().second = audioEnd;
    }
    std::lock_guard<std::mutex> lock(rangesMutex_);
    ranges_ = std::move(ranges);
    rangeCount_ = ranges_.size();
    audioEnd_ = audioEnd;
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

void Player::setAudioFileName(const QString& folder, const Preloader::EndOfFileCallback& endOfFile)
{
    const auto provider = getDescListProvider();
    int offset = 2;
    if (provider) {
        offset = provider->isInitialIndexValid() ? 1 : 2;
        provider->setIndexOffset(offset);
    }
    {
        std::lock_guard<std::mutex> lock(rangesMutex_);
        streaming_.preloader().setAudioEnd(audioEnd_);
    }
    streaming_.setAudioFileName(folder, endOfFile);
    // An image of fewer than five descriptors has no entry 2: it starts at the
    // beginning of the file instead of reading past the range table.
    const std::uint32_t start = rangeStart(2);
    const auto lock = streaming_.lockPosition();
    setEntry(2);
    steady_ = 2 - offset;
    streaming_.setCurrentSampleInFile(lock, int(start));
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
    streaming_.start();
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
    provider->setRunning(false);
    const int offset = provider->getIndexOffset();
    const std::uint32_t start = rangeStart(2);
    {
        // The display shows the first track from now on; the audio fades out
        // and then stops there (the stop rewinds to the entry start). A jump
        // still fading is overtaken and moves nothing.
        const auto lock = streaming_.lockPosition();
        streaming_.supersedeMoves(lock);
        setEntry(2);
        steady_ = 2 - offset;
        streaming_.setEntryStart(int(start));
        streaming_.values().setPlayedSamples(0);
    }
    streaming_.stop();
}

void Player::rewindToFirstEntry(const DiskStreaming::PositionLock& lock, int indexOffset)
{
    setEntry(2);
    steady_ = 2 - indexOffset;
    streaming_.setCurrentSampleInFile(lock, int(rangeStart(2)));
    streaming_.reset(lock);
}

void Player::fadeOverTo(int entry, Rearm rearm)
{
    const int steady = steady_;
    targetEntry_ = entry;
    ++pendingJumps_;
    // Runs under the position lock (on the audio thread when faded); the
    // captures are plain values, kept in place.
    streaming_.setCurrentSampleInFileAndFadeOut(int(rangeStart(entry)), [this, entry, steady, rearm](bool moved) {
        if (moved) {
            setEntry(entry);
            steady_ = steady;
        }
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
        const std::uint32_t from = rangeStart(n);
        {
            const auto lock = streaming_.lockPosition();
            setEntry(n);
            streaming_.setCurrentSampleInFile(lock, int(from));
        }
        start();
        return;
    }
    fadeOverTo(n, Rearm::None);
}

bool Player::onEndOfAudioFile(std::uint32_t move)
{
    const auto provider = getDescListProvider();
    if (!provider)
        return false;
    {
        const auto lock = streaming_.lockPosition();
        if (!streaming_.isLatestMove(lock, move))
            return false;
        rewindToFirstEntry(lock, provider->getIndexOffset());
    }
    provider->setRunning(false);
    return true;
}

void Player::increaseTrackNumber()
{
    const auto provider = getDescListProvider();
    if (!provider)
        return;
    const int size = int(provider->getDescList().size());
    const int offset = provider->getIndexOffset();
    {
        const auto lock = streaming_.lockPosition();
        const int entry = entry_;
        const Range finished = hasRange(entry) ? ranges_[std::size_t(entry)] : Range{0, 0};
        const std::uint32_t finishedSamples = finished.second > finished.first ? (finished.second - finished.first) / 2 : 0;
        const std::uint32_t played = streaming_.values().playedSamples();
        // Asked for after a jump's fade had ended and restarted the count:
        // the entry the display saw is no longer the one playing.
        if (played < finishedSamples)
            return;
        const int next = entry + 1;
        if (next < size - 2) {
            // The next entry follows in the file: the count goes on with what
            // has already been played of it. While a jump is fading, the
            // steady track number already shows where it leads.
            entry_ = next;
            if (pendingJumps_ == 0) {
                targetEntry_ = next;
                steady_ = next - offset;
            }
            streaming_.values().setPlayedSamples(played - finishedSamples);
            streaming_.setEntryStart(int(rangeStart(next)));
            return;
        }
        // A track start or jump made in the disc's last moments is still
        // fading out over the end: it decides where playback goes, and its
        // completion restarts the count. Wrapping now would supersede it.
        if (pendingJumps_ > 0)
            return;
        // The last track has been played out: back to the start, stopped, and
        // the model told so, as the other ends of playback do.
        rewindToFirstEntry(lock, offset);
    }
    provider->setRunning(false);
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
    const bool closed = engine.releaseStream(StreamingEngine::Release::PlayOut);
    if (device < 0)
        return false;
    if (!closed) {
        // The old stream still plays out what it holds, or the sound server
        // does not answer: an open now would sound with it, or wait on it.
        engine.reopenOnceAnswered();
        return false;
    }
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
