#include "player/engine/audio/SwitchBuffer.h"

#include <algorithm>

namespace Audio {

namespace {

constexpr std::uint64_t kEpochStep = std::uint64_t(1) << 32;

} // namespace

SwitchBuffer::SwitchBuffer()
{
    playback_.reserve(kCapacity);
    for (auto& block : ring_)
        block.samples.reserve(kCapacity);
}

void SwitchBuffer::convert(const QByteArray& bytes, std::vector<float>& into)
{
    into.clear();
    const std::size_t count = std::min<std::size_t>(std::size_t(bytes.size()) / 2, into.capacity());
    into.resize(count);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    for (std::size_t i = 0; i < count; ++i) {
        const auto value = std::int16_t(std::uint16_t(p[2 * i]) | std::uint16_t(p[2 * i + 1]) << 8);
        // -32768 ends slightly below -1.0; nothing clamps it.
        into[i] = float(value) / 32767.0f;
    }
}

void SwitchBuffer::insertFilePlaybackBuffer(const QByteArray& bytes)
{
    convert(bytes, playback_);
    playLast_ = false;
}

void SwitchBuffer::exchangePlaybackBuffer(std::vector<float>& block, bool last)
{
    playback_.swap(block);
    playLast_ = last;
}

void SwitchBuffer::publishPlayback()
{
    playData_ = playback_.data();
    playSize_ = std::uint32_t(playback_.size());
}

void SwitchBuffer::dropQueued(std::uint32_t from)
{
    expected_ = from;
    // The epoch moves in the same step that reads the count, so that a block
    // the reader publishes concurrently is either counted and dropped here or
    // refused.
    const std::uint64_t position = position_.fetch_add(kEpochStep, std::memory_order_acq_rel);
    played_.store(count(position), std::memory_order_release);
}

void SwitchBuffer::release(std::uint32_t from)
{
    playback_.clear();
    playLast_ = false;
    playData_ = nullptr;
    playSize_ = 0;
    dropQueued(from);
}

bool SwitchBuffer::switchBuffers()
{
    const std::uint32_t published = count(position_.load(std::memory_order_acquire));
    const std::uint32_t played = played_.load(std::memory_order_relaxed);
    if (published == played)
        return false;
    Block& next = ring_[played % kBlocks];
    if (next.from != expected_) {
        // Read for another place: neither it nor what was read after it
        // belongs here. Silence until the reader has read the right block.
        dropQueued(expected_);
        staleRefused_ = true;
        return false;
    }
    expected_ = next.to;
    playback_.swap(next.samples);
    playLast_ = next.last;
    // From here the reader may refill the block (with the storage just left).
    played_.store(played + 1, std::memory_order_release);
    publishPlayback();
    return true;
}

bool SwitchBuffer::staleRefused()
{
    const bool refused = staleRefused_;
    staleRefused_ = false;
    return refused;
}

bool SwitchBuffer::canRead(std::uint32_t epoch) const
{
    const std::uint64_t position = position_.load(std::memory_order_acquire);
    return std::uint32_t(position >> 32) == epoch
        && count(position) - played_.load(std::memory_order_acquire) < kBlocks;
}

std::vector<float>& SwitchBuffer::readBuffer()
{
    return ring_[count(position_.load(std::memory_order_acquire)) % kBlocks].samples;
}

void SwitchBuffer::insertFileReadBuffer(const QByteArray& bytes)
{
    convert(bytes, readBuffer());
}

bool SwitchBuffer::publishRead(std::uint32_t epoch, bool last, std::uint32_t from, std::uint32_t to)
{
    std::uint64_t position = position_.load(std::memory_order_acquire);
    if (std::uint32_t(position >> 32) != epoch)
        return false;
    Block& block = ring_[count(position) % kBlocks];
    block.last = last;
    block.from = from;
    block.to = to;
    const std::uint64_t next = (position & ~(kEpochStep - 1)) | std::uint32_t(count(position) + 1);
    return position_.compare_exchange_strong(position, next, std::memory_order_acq_rel);
}

std::uint32_t SwitchBuffer::queued() const
{
    // The two counts are read one after the other: a drop in between may
    // leave the played count ahead for a moment.
    const std::uint32_t played = played_.load(std::memory_order_acquire);
    const auto difference = std::int32_t(count(position_.load(std::memory_order_acquire)) - played);
    return difference < 0 ? 0u : std::uint32_t(difference);
}

} // namespace Audio
