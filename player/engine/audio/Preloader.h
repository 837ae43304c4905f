#pragma once

#include <QFile>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace Audio {

class SwitchBuffer;

// Owns "IMAGE.DAT" of the open image and the reader thread that fills the
// switch buffer ahead of playback, so that the audio thread never touches the
// disk. For a seek or track change it also reads a larger block at the target
// into the preload buffer, which the fade-out's completion swaps in.
//
// Locks, always taken in this order:
//  - preloader mutex: the file and its name. The reader holds it while it
//    reads; the audio thread never takes it.
//  - buffer mutex: the switch buffer, the preload buffer, the file position,
//    the target, the reload / pending-target flags and the end report. The
//    audio thread only ever tries it, once per output buffer, and plays
//    silence when it is taken; everyone else holds it for short hand-overs
//    only: blocks are read and converted outside it and handed over by
//    exchanging storage. The reader takes it only when asked to serve.
//  - wake mutex: only the reader's sleep; the audio thread never takes it.
//
// A request is a flag set after the state to serve was changed under the
// buffer mutex. The reader looks at it on its own every few milliseconds
// while audio plays (a block lasts 46 ms), so a request of the audio thread
// costs it no lock and no system call; wakeReader() makes the reader look at
// once and is for the other threads.
//
// The operations named ...Locked expect the caller to hold the buffer mutex.
//
// Every repositioning bumps a generation under the buffer mutex. A service
// whose reads started before it publishes nothing and serves again from the
// new place, so a reload never comes from the old position.
class Preloader
{
public:
    using EndOfFileCallback = std::function<void()>;

    static constexpr std::uint32_t kBlockBytes = 8192;
    static constexpr std::uint32_t kPreloadBytes = 16384;

    static constexpr std::chrono::milliseconds kPollInterval{10};
    static constexpr std::chrono::milliseconds kIdlePollInterval{100};

    // `playing` tells whether audio plays (read by the reader, any thread).
    Preloader(SwitchBuffer& switchBuffer, std::function<bool()> playing);
    // Ends the reader thread and waits for it.
    ~Preloader();
    Preloader(const Preloader&) = delete;
    Preloader& operator=(const Preloader&) = delete;

    // GUI thread, on every opened image: closes the previous file, opens
    // "IMAGE.DAT" of `folder` (found ignoring case; only a regular file, and
    // without ever blocking: anything else leaves it closed and nothing plays)
    // and asks for a reload at the present file position. Starts the reader on
    // the first call. `endOfFile` is called on the reader thread once the audio
    // thread has played the file's last sample.
    void setAudioFileName(const QString& folder, const EndOfFileCallback& endOfFile);

    // Repositioning: file position := position (down to a frame boundary),
    // both buffers emptied, a reload requested.
    void rewindLocked(std::uint32_t position);
    void rewind(std::uint32_t position);
    // Ask for the block at `target` to be preloaded.
    void requestTargetLocked(std::uint32_t target);

    // Audio thread, in a seek or track-change completion: make the preload
    // buffer the buffer being played and continue reading at
    // `nextFilePosition`. When the preload for `target` is not there yet, the
    // stream is reloaded from `target` instead (silence until it arrives).
    // Returns whether the preload was used.
    bool tmpBufferToNextBufferLocked(std::uint32_t target, std::uint32_t nextFilePosition);

    // Ask the reader to serve (the audio thread's buffer switch,
    // repositioning). Any thread; never blocks.
    void requestService() { requested_.store(true, std::memory_order_release); }
    // Whether a request waits for the reader (so that wakeReader() is due).
    bool serviceRequested() const { return requested_.load(std::memory_order_acquire); }
    // Audio thread: the last sample of the file has been played. The reader
    // calls the end-of-file callback, unless a repositioning comes first.
    // Reported once per position: the next repositioning re-arms it.
    void reportEndPlayedLocked();
    bool endReportedLocked() const { return endReported_; }
    // Makes the reader look for requests at once. Not for the audio thread:
    // it takes the wake mutex.
    void wakeReader();

    std::mutex& bufferMutex() { return bufferMutex_; }

    // Test and diagnostics: wait until the reader has served every request.
    bool waitUntilIdle(std::chrono::milliseconds timeout);
    bool isBusy() const { return busy_.load(std::memory_order_acquire); }
    std::uint32_t filePosition();
    std::uint32_t target();
    bool pendingTarget();
    QString folder();
    bool isFileOpen();

    // Ends and joins the reader thread (also done by the destructor).
    void shutdown();

    static std::uint32_t aligned(std::uint32_t position) { return position - position % 4; }

private:
    void run();
    // One service: returns true when a repositioning overtook it and it has
    // to serve again.
    bool serve();
    QByteArray readAt(std::uint32_t position, std::uint32_t length);
    // Under the buffer mutex: a repositioning.
    void repositionedLocked();

    SwitchBuffer& switchBuffer_;
    std::function<bool()> playing_;

    std::mutex preloaderMutex_;
    QString folder_;
    QFile file_;
    EndOfFileCallback endOfFile_;
    // The reader's blocks, converted outside the buffer mutex and exchanged
    // with the switch buffer's under it (reader thread only).
    std::vector<float> firstBlock_;
    std::vector<float> nextBlock_;
    std::vector<float> preloadBlock_;

    std::mutex bufferMutex_;
    std::uint64_t generation_ = 0;
    bool reload_ = true;
    bool pendingTarget_ = false;
    std::uint64_t targetGeneration_ = 0;
    std::uint32_t filePosition_ = 0;
    std::uint32_t target_ = 0;
    std::vector<float> preload_;
    bool preloadValid_ = false;
    bool preloadLast_ = false;
    std::uint32_t preloadTarget_ = 0;
    bool endReported_ = false;
    bool endPlayed_ = false;
    std::uint64_t endGeneration_ = 0;

    std::atomic<bool> requested_{false};
    std::mutex wakeMutex_;
    std::condition_variable wakeCondition_;
    // Under wakeMutex_: the reader found nothing to do and sleeps; it takes no
    // other lock until it finds a request.
    bool asleep_ = false;
    bool quit_ = false;
    std::condition_variable idle_;
    std::atomic<bool> readerStarted_{false};
    std::atomic<bool> busy_{false};

    std::thread reader_;
};

} // namespace Audio
