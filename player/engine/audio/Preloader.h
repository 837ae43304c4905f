#pragma once

#include <QByteArray>
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
//    the target and the reload / pending-target flags. Held by the audio
//    thread while it renders, by the others only for conversions and copies.
//  - condition mutex: only the data-requested and quit flags, never held
//    around anything else, so setting a request never waits for I/O. A
//    request set at any time wakes the reader or is seen by its next test.
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

    // `playbackRunning` tells the reader whether playback runs (any thread);
    // the end-of-file callback is called only then.
    Preloader(SwitchBuffer& switchBuffer, std::function<bool()> playbackRunning);
    // Ends the reader thread and waits for it.
    ~Preloader();
    Preloader(const Preloader&) = delete;
    Preloader& operator=(const Preloader&) = delete;

    // GUI thread, on every opened image: closes the previous file, opens
    // "IMAGE.DAT" in `folder` (a failed open is silent: nothing plays) and
    // asks for a reload at the present file position. Starts the reader on
    // the first call.
    void setAudioFileName(const QString& folder, const EndOfFileCallback& endOfFile);

    // Repositioning (any thread but the reader): file position := position
    // (down to a frame boundary), both buffers emptied, a reload requested.
    void rewind(std::uint32_t position);
    // Only the file position moves; the buffers keep their audio.
    void setFilePosition(std::uint32_t position);
    // Ask for the block at `target` to be preloaded.
    void requestTarget(std::uint32_t target);

    // Audio thread, in a seek or track-change completion: make the preload
    // buffer the buffer being played and continue reading at
    // `nextFilePosition`. When the preload for `target` is not there yet, the
    // stream is reloaded from `target` instead (silence until it arrives).
    // Returns whether the preload was used.
    bool tmpBufferToNextBuffer(std::uint32_t target, std::uint32_t nextFilePosition);

    // Ask the reader to serve (audio thread's buffer switch, repositioning).
    void requestData();

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
    bool serve(bool& reachedEnd);
    QByteArray readAt(std::uint32_t position, std::uint32_t length);

    SwitchBuffer& switchBuffer_;
    std::function<bool()> playbackRunning_;

    std::mutex preloaderMutex_;
    QString folder_;
    QFile file_;
    EndOfFileCallback endOfFile_;

    std::mutex bufferMutex_;
    std::uint64_t generation_ = 0;
    bool reload_ = true;
    bool pendingTarget_ = false;
    std::uint64_t targetGeneration_ = 0;
    std::uint32_t filePosition_ = 0;
    std::uint32_t target_ = 0;
    std::vector<float> preload_;
    bool preloadValid_ = false;
    std::uint32_t preloadTarget_ = 0;

    std::mutex conditionMutex_;
    std::condition_variable condition_;
    std::condition_variable idle_;
    bool dataRequested_ = false;
    bool quit_ = false;
    std::atomic<bool> busy_{false};

    std::thread reader_;
};

} // namespace Audio
