#include "player/engine/audio/SwitchBuffer.h"

#include <algorithm>

namespace Audio {

SwitchBuffer::SwitchBuffer()
{
    buffers_[0].reserve(kCapacity);
    buffers_[1].reserve(kCapacity);
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
    convert(bytes, buffers_[playbackIndex_]);
    last_[playbackIndex_] = false;
}

void SwitchBuffer::insertFileReadBuffer(const QByteArray& bytes)
{
    convert(bytes, buffers_[readIndex_]);
    last_[readIndex_] = false;
}

void SwitchBuffer::copyToPlaybackBuffer(const float* samples, std::size_t count)
{
    auto& b = buffers_[playbackIndex_];
    count = std::min(count, b.capacity());
    b.assign(samples, samples + count);
    last_[playbackIndex_] = false;
}

void SwitchBuffer::exchangePlaybackBuffer(std::vector<float>& block, bool last)
{
    buffers_[playbackIndex_].swap(block);
    last_[playbackIndex_] = last;
}

void SwitchBuffer::exchangeReadBuffer(std::vector<float>& block, bool last)
{
    buffers_[readIndex_].swap(block);
    last_[readIndex_] = last;
}

void SwitchBuffer::publishPlayback()
{
    playData_ = buffers_[playbackIndex_].data();
    playSize_ = std::uint32_t(buffers_[playbackIndex_].size());
}

void SwitchBuffer::release()
{
    buffers_[0].clear();
    buffers_[1].clear();
    last_[0] = false;
    last_[1] = false;
    playData_ = nullptr;
    playSize_ = 0;
    readReady_ = false;
}

bool SwitchBuffer::switchBuffers()
{
    if (!readReady_)
        return false;
    std::swap(playbackIndex_, readIndex_);
    publishPlayback();
    readReady_ = false;
    return true;
}

} // namespace Audio
