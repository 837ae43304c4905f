#pragma once

#include <QByteArray>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace Audio {

// The buffer that the audio thread plays (the playback buffer) and, behind
// it, a ring of blocks that the reader fills ahead of playback: when the
// playback buffer is used up, the audio thread switches to the next filled
// block of the ring. Samples are interleaved left/right, each the 16-bit
// value / 32767.
//
// The ring holds kBlocks blocks, about 1.5 s of audio: a sound server pulls
// 100-200 ms at once, and the reader must never be the reason the audio
// thread runs dry, also on a loaded machine.
//
// Ownership:
//  - the playback buffer, its play data and size, and the dropping of the
//    ring (release, dropQueued) belong to whoever holds the preloader's
//    buffer lock (Preloader::bufferMutex): the audio thread while it
//    renders, the others for short hand-overs. switchBuffers() too.
//  - the block at the read index belongs to the reader thread alone until it
//    publishes it (publishRead), without any lock: the other threads never
//    touch a block that is not published, and the reader never one that is.
//    So the reader never takes the lock that the audio thread needs in
//    steady playback.
// The ring's position (the read count with an epoch that every drop of the
// ring advances) is one atomic word: a block read for an earlier epoch, that
// is before a repositioning, is refused at its publication.
//
// Every buffer is reserved for the largest block, and blocks are handed over
// by exchanging storage: emptying one never frees memory, refilling one never
// allocates.
//
// Each block also knows whether it is the last of the file, so that the
// audio thread can tell the end of the audio from a reader that is late, and
// where in the file it was read: the audio thread takes a block only when it
// starts where the one played before ended (or, after a drop, where the
// repositioning said reading goes on), so audio from another place is never
// played, whatever the reader did meanwhile.
class SwitchBuffer
{
public:
    // Floats per buffer: the largest block is a 16384-byte preload.
    static constexpr std::size_t kCapacity = 8192;
    // Blocks of the ring; a power of two (the counts wrap around).
    static constexpr std::uint32_t kBlocks = 32;

    SwitchBuffer();
    SwitchBuffer(const SwitchBuffer&) = delete;
    SwitchBuffer& operator=(const SwitchBuffer&) = delete;

    // --- Under the buffer lock ---------------------------------------------

    // Replace the playback buffer by the converted bytes (whole 16-bit
    // little-endian values only; at most kCapacity of them).
    void insertFilePlaybackBuffer(const QByteArray& bytes);
    // Exchange the playback buffer with `block` (prepared by the caller,
    // reserved like these). `last`: the block ends the file.
    void exchangePlaybackBuffer(std::vector<float>& block, bool last);
    // Point play data and size at the playback buffer.
    void publishPlayback();
    // Drop every block of the ring, read or being read: what follows comes
    // from `from` of the file.
    void dropQueued(std::uint32_t from);
    // Empty the playback buffer and drop the ring; nothing to play until the
    // reader has read again from `from`.
    void release(std::uint32_t from);
    // Audio thread, when the playback buffer is used up or empty: make the
    // next block of the ring the playback buffer. False when the reader has
    // not filled it yet (the caller plays silence until it has), or when the
    // next block does not start where the audio goes on: then the ring is
    // dropped and staleRefused() tells the caller to have it read again.
    bool switchBuffers();
    // Whether switchBuffers() refused a block of another place since the
    // last call; clears the note.
    bool staleRefused();
    // Where the block after the one being played must start.
    std::uint32_t expectedPosition() const { return expected_; }

    // The buffer being played holds the file's last block.
    bool playIsLast() const { return playLast_; }
    const float* playData() const { return playData_; }
    std::uint32_t playSize() const { return playSize_; }

    // --- Reader thread, no lock ---------------------------------------------

    // The epoch of the ring: the reader reads for it from the position it
    // took under the buffer lock along with it.
    std::uint32_t epoch() const { return std::uint32_t(position_.load(std::memory_order_acquire) >> 32); }
    // Room for another block in the ring for `epoch`; false also when the
    // ring was dropped since (the reader then looks again under the lock).
    bool canRead(std::uint32_t epoch) const;
    // The block at the read index, for the reader to fill.
    std::vector<float>& readBuffer();
    void insertFileReadBuffer(const QByteArray& bytes);
    // Hand the block at the read index, read from `from` up to `to` of the
    // file, to the audio thread. False (nothing published) when the ring was
    // dropped after `epoch` was taken.
    bool publishRead(std::uint32_t epoch, bool last, std::uint32_t from, std::uint32_t to);

    // --- Any thread -----------------------------------------------------------

    // Blocks read and not yet played (diagnostics and tests).
    std::uint32_t queued() const;

    static void convert(const QByteArray& bytes, std::vector<float>& into);

private:
    struct Block
    {
        std::vector<float> samples;
        bool last = false;
        std::uint32_t from = 0;
        std::uint32_t to = 0;
    };

    static std::uint32_t count(std::uint64_t position) { return std::uint32_t(position); }

    std::vector<float> playback_;
    bool playLast_ = false;
    const float* playData_ = nullptr;
    std::uint32_t playSize_ = 0;
    // Under the buffer lock: where the next block must start.
    std::uint32_t expected_ = 0;
    bool staleRefused_ = false;

    std::array<Block, kBlocks> ring_;
    // Epoch (high half) and the number of blocks published (low half).
    std::atomic<std::uint64_t> position_{0};
    // Number of blocks taken by the audio thread; blocks from here up to the
    // published count are filled. Written under the buffer lock only.
    std::atomic<std::uint32_t> played_{0};
};

} // namespace Audio
