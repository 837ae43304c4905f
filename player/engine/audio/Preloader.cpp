#include "player/engine/audio/Preloader.h"

#include "player/engine/audio/SwitchBuffer.h"
#include "player/engine/ddp/EngineConstants.h"
#include "player/engine/ddp/FolderFiles.h"

#include <QByteArray>

#include <algorithm>
#include <cerrno>
#include <utility>

#include <unistd.h>

namespace Audio {

Preloader::Preloader(SwitchBuffer& switchBuffer)
    : switchBuffer_(switchBuffer)
{
    for (auto* block : {&preloadBlock_, &preload_})
        block->reserve(SwitchBuffer::kCapacity);
    sem_init(&wake_, 0, 0);
}

Preloader::~Preloader()
{
    shutdown();
    sem_destroy(&wake_);
}

void Preloader::shutdown()
{
    quitting_.store(true, std::memory_order_release);
    {
        std::lock_guard<std::mutex> lock(wakeMutex_);
        quit_ = true;
    }
    sem_post(&wake_);
    if (reader_.joinable() && reader_.get_id() != std::this_thread::get_id())
        reader_.join();
}

void Preloader::requestService()
{
    requested_.store(true, std::memory_order_release);
    // Wakes a sleeping reader; a lock-free count and, only when the reader
    // waits, one futex wake-up. Surplus posts cost the reader a look each.
    sem_post(&wake_);
}

void Preloader::requestServiceLocked()
{
    // Not yet the request itself: a reader awake meanwhile would find it and
    // wait for the lock that its maker holds.
    wakeDue_.store(true, std::memory_order_release);
}

void Preloader::wakeReader()
{
    // Whoever takes the due wake-up asks, after every request it covers.
    if (wakeDue_.exchange(false, std::memory_order_acq_rel))
        requestService();
}

void Preloader::blockPlayedLocked()
{
    if (switchBuffer_.queued() <= kRefillLevel && !refillAsked_.exchange(true, std::memory_order_acq_rel))
        requestServiceLocked();
}

void Preloader::setAudioFileName(const QString& folder, const EndOfFileCallback& endOfFile)
{
    if (!reader_.joinable()) {
        reader_ = std::thread(&Preloader::run, this);
        readerStarted_ = true;
    }
    {
        std::lock_guard<std::mutex> lock(openMutex_);
        endOfFile_ = endOfFile;
        folder_ = folder;
    }
    {
        std::lock_guard<std::mutex> buffers(bufferMutex_);
        // Named in the step that drops the ring: the reader reads for the new
        // place only from the new file, and never from it for the old place.
        namedFolder_ = folder;
        ++naming_;
        repositionedLocked();
        switchBuffer_.release(filePosition_);
        pendingTarget_ = false;
        // A preload of the old file still being read is refused when it is
        // handed over.
        ++targetGeneration_;
        preloadValid_ = false;
    }
    requestService();
}

void Preloader::openIfNamed()
{
    if (lookedNaming_ == readerOpenedNaming_)
        return;
    readerOpenedNaming_ = lookedNaming_;
    if (file_.isOpen())
        file_.close();
    const QString path = DDP::folderFilePath(lookedFolder_, DDP::imageFileName);
    file_.setFileName(path);
    // A missing, unreadable or irregular file (a FIFO would block the open
    // for ever) leaves it closed: the reader then has nothing to serve and
    // the audio thread plays silence.
    int error = 0;
    const int fd = DDP::openRegularFile(QFile::encodeName(path).toStdString());
    if (fd < 0) {
        error = errno;
        if (error == EINVAL)
            qWarning("DDP folder damaged: \"%s\" is not a regular file; nothing plays", qUtf8Printable(path));
    } else if (!file_.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        error = EIO;
    }
    const std::int64_t size = file_.isOpen() ? std::int64_t(file_.size()) : -1;
    std::lock_guard<std::mutex> lock(openMutex_);
    openedNaming_ = readerOpenedNaming_;
    fileOpen_ = file_.isOpen();
    openedSize_ = size;
    openError_ = error;
}

void Preloader::repositionedLocked()
{
    ++generation_;
    endReported_ = false;
    changedLocked();
}

void Preloader::rewindLocked(std::uint32_t position)
{
    // Position, emptied buffers and the dropped ring in one step, before the
    // reader is woken, so it cannot go on from the old place.
    repositionedLocked();
    filePosition_ = aligned(position);
    switchBuffer_.release(filePosition_);
    requestServiceLocked();
}

void Preloader::rewind(std::uint32_t position)
{
    {
        std::lock_guard<std::mutex> lock(bufferMutex_);
        rewindLocked(position);
    }
    wakeReader();
}

void Preloader::requestTargetLocked(std::uint32_t target)
{
    target_ = target;
    pendingTarget_ = true;
    ++targetGeneration_;
    preloadValid_ = false;
    changedLocked();
    // Read it now rather than at the next buffer switch, which may never come
    // (end of the audio, nothing loaded).
    requestServiceLocked();
}

bool Preloader::tmpBufferToNextBufferLocked(std::uint32_t target, std::uint32_t nextFilePosition)
{
    const std::uint32_t at = aligned(target);
    repositionedLocked();
    requestServiceLocked();
    if (preloadValid_ && preloadTarget_ == at) {
        // An exchange of storage: nothing is copied, allocated or freed on
        // the audio thread. The preload buffer is left with the old block.
        switchBuffer_.exchangePlaybackBuffer(preload_, preloadLast_);
        preloadValid_ = false;
        switchBuffer_.publishPlayback();
        filePosition_ = aligned(nextFilePosition);
        switchBuffer_.dropQueued(filePosition_);
        return true;
    }
    // The reader has not got to the target yet: reload from there.
    filePosition_ = at;
    switchBuffer_.release(filePosition_);
    return false;
}

void Preloader::rereadLocked()
{
    // Not a repositioning: the audio goes on where it was, once the reader
    // has read from there.
    filePosition_ = switchBuffer_.expectedPosition();
    changedLocked();
    requestServiceLocked();
}

void Preloader::reportEndPlayedLocked(std::uint32_t move)
{
    endReported_ = true;
    endPlayed_ = true;
    endGeneration_ = generation_;
    endMove_ = move;
    changedLocked();
    requestServiceLocked();
}

bool Preloader::waitUntilIdle(std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(wakeMutex_);
    return idle_.wait_for(lock, timeout, [this] { return !readerStarted_ || (asleep_ && !serviceRequested()); });
}

std::uint32_t Preloader::target()
{
    std::lock_guard<std::mutex> lock(bufferMutex_);
    return target_;
}

bool Preloader::pendingTarget()
{
    std::lock_guard<std::mutex> lock(bufferMutex_);
    return pendingTarget_;
}

QString Preloader::folder()
{
    std::lock_guard<std::mutex> lock(openMutex_);
    return folder_;
}

bool Preloader::isFileOpen()
{
    std::uint64_t naming = 0;
    {
        std::lock_guard<std::mutex> lock(bufferMutex_);
        naming = naming_;
    }
    std::lock_guard<std::mutex> lock(openMutex_);
    return fileOpen_ && openedNaming_ == naming;
}

bool Preloader::openedImage(std::int64_t& size, int& error)
{
    std::uint64_t naming = 0;
    {
        std::lock_guard<std::mutex> lock(bufferMutex_);
        naming = naming_;
    }
    std::lock_guard<std::mutex> lock(openMutex_);
    if (openedNaming_ != naming)
        return false;
    size = openedSize_;
    error = openError_;
    return true;
}

QByteArray Preloader::readAt(std::uint32_t position, std::uint32_t length)
{
    if (readHook_)
        readHook_(position, length);
    if (!file_.seek(qint64(position)))
        return {};
    // Read errors are not told apart from a short read: whatever came back
    // is played.
    return file_.read(qint64(length));
}

void Preloader::lookLocked(bool& endOfAudio, std::uint32_t& endMove)
{
    mustLook_ = false;
    seenChanges_ = changes_.load(std::memory_order_relaxed);
    if (lookedNaming_ != naming_) {
        lookedNaming_ = naming_;
        lookedFolder_ = namedFolder_; // shares the string's data, copies none
    }
    if (endPlayed_) {
        endPlayed_ = false;
        // A repositioning since the report moved away from the end. One after
        // this look is for the receiver to see, by the move.
        if (endGeneration_ == generation_) {
            endOfAudio = true;
            endMove = endMove_;
        }
    }
    // The ring was dropped: the next block comes from where the repositioning
    // left the file position.
    const std::uint32_t epoch = switchBuffer_.epoch();
    if (epoch != epoch_) {
        epoch_ = epoch;
        readPosition_ = filePosition_;
        readEnd_ = false;
    }
}

bool Preloader::serve(bool& endOfAudio, std::uint32_t& endMove)
{
    bool pending = false;
    std::uint64_t targetGeneration = 0;
    std::uint32_t target = 0;
    if (mustLook_ || changes_.load(std::memory_order_acquire) != seenChanges_) {
        std::lock_guard<std::mutex> lock(bufferMutex_);
        lookLocked(endOfAudio, endMove);
        pending = pendingTarget_;
        targetGeneration = targetGeneration_;
        target = aligned(target_);
    }
    openIfNamed();
    if (!file_.isOpen())
        return false;

    // File I/O and conversion with no lock held. A block
    // that reaches the end of the file is marked as the last one, so that
    // the audio thread can tell when it has played everything.
    const qint64 size = std::min<qint64>(file_.size(), audioEnd_.load(std::memory_order_acquire));
    // Nothing after the end of the audio is read: a block there is short.
    const auto lengthAt = [size](std::uint32_t position, std::uint32_t length) {
        return std::uint32_t(std::clamp<qint64>(size - qint64(position), 0, length));
    };
    if (pending) {
        SwitchBuffer::convert(readAt(target, lengthAt(target, kPreloadBytes)), preloadBlock_);
        const bool last = qint64(target) + kPreloadBytes >= size;
        std::lock_guard<std::mutex> lock(bufferMutex_);
        // A later target replaces this one; the count of changes has moved
        // with it, so the next look reads that one.
        if (targetGeneration == targetGeneration_) {
            preload_.swap(preloadBlock_);
            preloadLast_ = last;
            preloadTarget_ = target;
            target_ = target;
            preloadValid_ = true;
            pendingTarget_ = false;
        }
    }

    // The ring, filled without the buffer mutex: the block at the read index
    // is the reader's until it is published. A slow disk takes seconds per
    // read, so the end of the player is looked for between reads.
    while (!readEnd_ && !quitRequested() && switchBuffer_.canRead(epoch_)) {
        SwitchBuffer::convert(readAt(readPosition_, lengthAt(readPosition_, kBlockBytes)),
                              switchBuffer_.readBuffer());
        const bool last = qint64(readPosition_) + kBlockBytes >= size;
        if (!switchBuffer_.publishRead(epoch_, last, readPosition_, readPosition_ + kBlockBytes))
            break;
        // A short or empty read still moves on by a whole block.
        readPosition_ += kBlockBytes;
        readEnd_ = last;
    }
    if (switchBuffer_.epoch() != epoch_) {
        // Dropped while reading: serve again from the new place.
        mustLook_ = true;
        return true;
    }
    return false;
}

void Preloader::run()
{
    for (;;) {
        {
            std::unique_lock<std::mutex> wake(wakeMutex_);
            if (quit_)
                return;
            if (!requested_.exchange(false, std::memory_order_acq_rel)) {
                asleep_ = true;
                idle_.notify_all(); // seen once this lets go of the mutex
                wake.unlock();
                while (sem_wait(&wake_) != 0 && errno == EINTR) {
                }
                continue;
            }
            asleep_ = false;
        }
        busy_.store(true, std::memory_order_release);
        // Before the ring is looked at: a block played from here on asks
        // again when the ring is low.
        refillAsked_.store(false, std::memory_order_seq_cst);

        bool endOfAudio = false;
        std::uint32_t endMove = 0;
        while (serve(endOfAudio, endMove) && !quitRequested()) {
        }

        // Called with no lock held: the callback repositions the streamer,
        // unless a move has come since the end was played.
        if (endOfAudio) {
            EndOfFileCallback endOfFile;
            {
                std::lock_guard<std::mutex> lock(openMutex_);
                endOfFile = endOfFile_;
            }
            if (endOfFile)
                endOfFile(endMove);
        }
        busy_.store(false, std::memory_order_release);
    }
}

} // namespace Audio
