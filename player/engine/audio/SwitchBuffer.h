#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Audio {

// The two float buffers that the audio thread plays from alternately: while
// one is played (playback index) the reader fills the other (read index).
// Samples are interleaved left/right, each the 16-bit value / 32767.
//
// No lock of its own: every member is used under the preloader's buffer lock
// (Preloader::bufferMutex), which the audio thread holds while it renders and
// the other threads hold only for short hand-overs, never around file I/O or
// a conversion. Every buffer, here and where the reader prepares blocks, is
// reserved for the largest block, and blocks are handed over by exchanging
// storage: emptying one never frees memory, refilling one never allocates.
//
// Each buffer also knows whether its block is the last of the file, so that
// the audio thread can tell the end of the audio from a reader that is late.
class SwitchBuffer
{
public:
    // Floats per buffer: the largest block is a 16384-byte preload.
    static constexpr std::size_t kCapacity = 8192;

    SwitchBuffer();
    SwitchBuffer(const SwitchBuffer&) = delete;
    SwitchBuffer& operator=(const SwitchBuffer&) = delete;

    // Replace the buffer at the playback / read index by the converted bytes
    // (whole 16-bit little-endian values only; at most kCapacity of them).
    void insertFilePlaybackBuffer(const QByteArray& bytes);
    void insertFileReadBuffer(const QByteArray& bytes);
    // Copy samples into the playback-index buffer.
    void copyToPlaybackBuffer(const float* samples, std::size_t count);
    // Exchange the playback / read buffer with `block` (prepared by the
    // caller, reserved like these). `last`: the block ends the file.
    void exchangePlaybackBuffer(std::vector<float>& block, bool last);
    void exchangeReadBuffer(std::vector<float>& block, bool last);

    // Point play data and size at the playback-index buffer.
    void publishPlayback();
    // Empty both buffers; nothing to play until the next reload.
    void release();

    // Audio thread, when the playback buffer is used up: make the read buffer
    // the playback buffer. False when the reader has not filled it yet (the
    // caller plays silence until it has).
    bool switchBuffers();

    bool readReady() const { return readReady_; }
    void setReadReady(bool ready) { readReady_ = ready; }
    // The buffer being played holds the file's last block.
    bool playIsLast() const { return last_[playbackIndex_ & 1]; }

    const float* playData() const { return playData_; }
    std::uint32_t playSize() const { return playSize_; }
    std::uint32_t playbackIndex() const { return playbackIndex_; }
    std::uint32_t readIndex() const { return readIndex_; }
    const std::vector<float>& buffer(std::uint32_t index) const { return buffers_[index & 1]; }

    static void convert(const QByteArray& bytes, std::vector<float>& into);

private:
    std::uint32_t playbackIndex_ = 0;
    std::uint32_t readIndex_ = 1;
    std::vector<float> buffers_[2];
    const float* playData_ = nullptr;
    std::uint32_t playSize_ = 0;
    bool last_[2] = {false, false};
    // The read buffer holds the block that follows the playback buffer.
    bool readReady_ = false;
};

} // namespace Audio
