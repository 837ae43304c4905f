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
#include <utility>
#include <vector>

#include <semaphore.h>

namespace Audio {

class SwitchBuffer;

// Owns "IMAGE.DAT" of the open image and the reader thread that fills the
// switch buffer's ring ahead of playback, so that the audio thread never
// touches the disk. For a seek or track change it also reads a larger block at
// the target into the preload buffer, which the fade-out's completion swaps in.
//
// The file is the reader's alone: it opens, reads and closes it, so that no
// other thread ever waits for the disk (a slow share can take a second per
// read). The GUI thread only names the image to open next.
//
// Locks, none of them held around file I/O, and none taken inside another:
//  - buffer mutex: the playback buffer, the preload buffer, the position to
//    read from after a repositioning, the target, the pending-target flag,
//    the end report and the folder named last (for the reader, which opens
//    it with the repositioning that comes with it). The audio thread only ever tries it, once per output
//    buffer, and plays silence when it is taken; everyone else holds it for
//    short hand-overs only, never around a conversion.
//  - open mutex: the folder named last and the end-of-file callback for the
//    other threads, and whether the reader has opened that folder's file
//    (with the size it opened, or the open's errno), held for copies of
//    these only; the audio thread never takes it.
//  - wake mutex: only the reader's idle state, for waitUntilIdle(); the audio
//    thread never takes it.
//
// The reader fills the ring without the buffer mutex: in steady playback it
// takes no lock that the audio thread needs. It takes the buffer mutex only
// when something was changed under it (a repositioning, a target, the end
// report), which every such change tells it by advancing an atomic count.
//
// A request is a flag and a post of a semaphore, both of which never block
// (a post is a lock-free count, plus one futex wake-up when the reader
// sleeps). One made under the buffer mutex is only noted, and made by
// whoever lets the mutex go (wakeReader()): a system call under it could hold
// the audio thread off for a whole buffer, and a reader woken under it would
// only wait for it. The audio thread asks for the ring to be refilled once it has
// drained to half, 0.7 s ahead, rather than at every block: the wake-up costs
// the audio thread tens of microseconds on a busy machine.
//
// The operations named ...Locked expect the caller to hold the buffer mutex.
//
// Every repositioning bumps a generation under the buffer mutex and drops the
// ring. A block read before it is refused at its publication, and the reader
// goes on from the new place, so a block never comes from the old position.
class Preloader
{
public:
    // Given the repositioning generation (DiskStreaming's count of moves) the
    // end was played at: a move made since withdraws the report.
    using EndOfFileCallback = std::function<void(std::uint32_t move)>;

    static constexpr std::uint32_t kBlockBytes = 8192;
    static constexpr std::uint32_t kPreloadBytes = 16384;
    // Blocks left in the ring when the audio thread wakes the reader.
    static constexpr std::uint32_t kRefillLevel = 16;

    explicit Preloader(SwitchBuffer& switchBuffer);
    // Ends the reader thread and waits for it.
    ~Preloader();
    Preloader(const Preloader&) = delete;
    Preloader& operator=(const Preloader&) = delete;

    // GUI thread, on every opened image; returns at once, whatever the disk
    // does. The reader then closes the previous file, opens "IMAGE.DAT" of
    // `folder` (found ignoring case; only a regular file, and without ever
    // blocking: anything else leaves it closed and nothing plays) and reloads
    // from the position of the last repositioning. Starts the reader on the
    // first call. `endOfFile` is called on the reader thread once the audio
    // thread has played the file's last sample.
    void setAudioFileName(const QString& folder, const EndOfFileCallback& endOfFile);
    // GUI thread, before setAudioFileName: where the disc's audio ends (the
    // lead-out, DDP::discEnd), in bytes. Reading stops there, and the end is
    // played there, even where the file goes on; kNoAudioEnd: at the file's
    // end.
    static constexpr std::uint32_t kNoAudioEnd = 0xFFFFFFFFu;
    void setAudioEnd(std::uint32_t end) { audioEnd_.store(end, std::memory_order_release); }

    // Called on the reader thread before each read of "IMAGE.DAT" with the
    // byte position and length, with no lock held: tests stand in for a slow
    // or stalled disk with it. Set before the first setAudioFileName.
    using ReadHook = std::function<void(std::uint32_t position, std::uint32_t length)>;
    void setReadHook(ReadHook hook) { readHook_ = std::move(hook); }

    // Repositioning: reading goes on at position (down to a frame boundary),
    // the playback buffer is emptied and the ring dropped.
    void rewindLocked(std::uint32_t position);
    void rewind(std::uint32_t position);
    // Ask for the block at `target` to be preloaded.
    void requestTargetLocked(std::uint32_t target);

    // Audio thread, in a seek or track-change completion: make the preload
    // buffer the buffer being played, drop the ring and continue reading at
    // `nextFilePosition`. When the preload for `target` is not there yet, the
    // stream is reloaded from `target` instead (silence until it arrives).
    // Returns whether the preload was used.
    bool tmpBufferToNextBufferLocked(std::uint32_t target, std::uint32_t nextFilePosition);

    // Ask the reader to serve (repositioning, a target, the end report). Any
    // thread, the audio thread included, without the buffer mutex: never
    // blocks, allocates or frees.
    void requestService();
    // As requestService(), under the buffer mutex: the request is made by the
    // next wakeReader().
    void requestServiceLocked();
    // Right after letting the buffer mutex go: wakes the reader for what was
    // asked under it. Any thread; never blocks, allocates or frees.
    void wakeReader();
    // Audio thread, when the switch buffer refused a block of another place
    // (it dropped the ring): the reader reads again from where the audio
    // goes on. Never blocks, allocates or frees.
    void rereadLocked();
    // Audio thread, having switched to the next block of the ring: asks the
    // reader for more once the ring has drained to kRefillLevel blocks, once
    // per wake-up of the reader.
    void blockPlayedLocked();
    // Whether a request waits for the reader.
    bool serviceRequested() const { return requested_.load(std::memory_order_acquire); }
    // Audio thread: the last sample of the file has been played, with `move`
    // the latest. The reader calls the end-of-file callback, unless a
    // repositioning comes first. Reported once per position: the next
    // repositioning re-arms it.
    void reportEndPlayedLocked(std::uint32_t move);
    bool endReportedLocked() const { return endReported_; }

    std::mutex& bufferMutex() { return bufferMutex_; }

    // Test and diagnostics: wait until the reader has served every request.
    bool waitUntilIdle(std::chrono::milliseconds timeout);
    bool isBusy() const { return busy_.load(std::memory_order_acquire); }
    std::uint32_t target();
    bool pendingTarget();
    // The folder named last (open or still to be opened by the reader).
    QString folder();
    // Whether the reader holds "IMAGE.DAT" of the folder named last open.
    bool isFileOpen();
    // Whether the reader has tried to open "IMAGE.DAT" of the folder named
    // last; then `size` is what it opened (-1 when the open failed, with
    // errno in `error`). For the image's damage check, so that no other
    // thread opens the file. Any thread but the audio thread; never waits
    // for the disk.
    bool openedImage(std::int64_t& size, int& error);

    // Ends and joins the reader thread (also done by the destructor). Waits
    // for at most the read under way: the reader looks at the request
    // between reads.
    void shutdown();
    // Whether shutdown() has been asked for; any thread.
    bool quitRequested() const { return quitting_.load(std::memory_order_acquire); }

    static std::uint32_t aligned(std::uint32_t position) { return position - position % 4; }

private:
    void run();
    // One service: returns true when a repositioning overtook it and it has
    // to serve again. `endOfAudio` is set when the end report is due, with
    // the move it was played at.
    bool serve(bool& endOfAudio, std::uint32_t& endMove);
    // Under the buffer mutex: take what was changed there.
    void lookLocked(bool& endOfAudio, std::uint32_t& endMove);
    QByteArray readAt(std::uint32_t position, std::uint32_t length);
    // Reader thread: closes the file and opens the one named with the last
    // repositioning it looked at, when that is another one.
    void openIfNamed();
    // Under the buffer mutex: something the reader must look at changed.
    void changedLocked() { changes_.fetch_add(1, std::memory_order_release); }
    // Under the buffer mutex: a repositioning.
    void repositionedLocked();

    SwitchBuffer& switchBuffer_;

    std::mutex openMutex_;
    QString folder_;
    EndOfFileCallback endOfFile_;
    // The reader has opened the file of the openedNaming_-th folder named.
    std::uint64_t openedNaming_ = 0;
    bool fileOpen_ = false;
    // What that open found: the size, or -1 and errno.
    std::int64_t openedSize_ = -1;
    int openError_ = 0;

    // Reader thread only: the file, and the folder named (with its count)
    // as of the last look.
    QFile file_;
    ReadHook readHook_;
    std::uint64_t lookedNaming_ = 0;
    std::uint64_t readerOpenedNaming_ = 0;
    QString lookedFolder_;
    // Reader thread only: the preload, converted outside the buffer mutex and
    // exchanged with preload_ under it; where the ring's next block comes
    // from, for the ring's epoch it was taken with; the last changes looked at.
    std::vector<float> preloadBlock_;
    std::uint32_t epoch_ = 0;
    std::uint32_t readPosition_ = 0;
    bool readEnd_ = false;
    bool mustLook_ = true;
    std::uint32_t seenChanges_ = 0;

    // Advanced under the buffer mutex by every change the reader must see.
    std::atomic<std::uint32_t> changes_{0};

    std::mutex bufferMutex_;
    // Counts the folders named, with the one named last.
    std::uint64_t naming_ = 0;
    QString namedFolder_;
    std::uint64_t generation_ = 0;
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
    std::uint32_t endMove_ = 0;

    std::atomic<std::uint32_t> audioEnd_{kNoAudioEnd};
    std::atomic<bool> requested_{false};
    // A request under the buffer mutex that nobody has made yet.
    std::atomic<bool> wakeDue_{false};
    // The audio thread asked for a refill since the reader last woke.
    std::atomic<bool> refillAsked_{false};
    // Posted by every request; the reader sleeps on it.
    sem_t wake_;
    std::mutex wakeMutex_;
    // Under wakeMutex_: the reader found nothing to do and sleeps; it takes no
    // other lock until it finds a request.
    bool asleep_ = false;
    bool quit_ = false;
    // quit_ for the reader between its reads, without the wake mutex.
    std::atomic<bool> quitting_{false};
    std::condition_variable idle_;
    std::atomic<bool> readerStarted_{false};
    std::atomic<bool> busy_{false};

    std::thread reader_;
};

} // namespace Audio
