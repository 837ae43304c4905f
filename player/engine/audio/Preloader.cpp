#include "player/engine/audio/Preloader.h"

#include "player/engine/audio/SwitchBuffer.h"
#include "player/engine/ddp/EngineConstants.h"
#include "player/engine/ddp/FolderFiles.h"

#include <QByteArray>

#include <cerrno>
#include <utility>

#include <unistd.h>

namespace Audio {

Preloader::Preloader(SwitchBuffer& switchBuffer, std::function<bool()> playing)
    : switchBuffer_(switchBuffer)
    , playing_(std::move(playing))
{
    for (auto* block : {&firstBlock_, &nextBlock_, &preloadBlock_, &preload_})
        block->reserve(SwitchBuffer::kCapacity);
}

Preloader::~Preloader()
{
    shutdown();
}

void Preloader::shutdown()
{
    {
        std::lock_guard<std::mutex> lock(wakeMutex_);
        quit_ = true;
    }
    wakeCondition_.notify_all();
    if (reader_.joinable() && reader_.get_id() != std::this_thread::get_id())
        reader_.join();
}

void Preloader::setAudioFileName(const QString& folder, const EndOfFileCallback& endOfFile)
{
    {
        std::lock_guard<std::mutex> lock(preloaderMutex_);
        endOfFile_ = endOfFile;
        if (!reader_.joinable()) {
            reader_ = std::thread(&Preloader::run, this);
            readerStarted_ = true;
        }
        if (file_.isOpen())
            file_.close();
        folder_ = folder;
        const QString path = DDP::folderFilePath(folder, DDP::imageFileName);
        file_.setFileName(path);
        // A missing, unreadable or irregular file (a FIFO would block the
        // open for ever) leaves it closed: the reader then has nothing to
        // serve and the audio thread plays silence.
        const int fd = DDP::openRegularFile(QFile::encodeName(path).toStdString());
        if (fd < 0) {
            if (errno == EINVAL)
                qWarning("DDP folder damaged: \"%s\" is not a regular file; nothing plays", qUtf8Printable(path));
        } else if (!file_.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
            ::close(fd);
        }

        std::lock_guard<std::mutex> buffers(bufferMutex_);
        repositionedLocked();
        switchBuffer_.release();
        reload_ = true;
        pendingTarget_ = false;
        preloadValid_ = false;
    }
    requestService();
    wakeReader();
}

void Preloader::repositionedLocked()
{
    ++generation_;
    endReported_ = false;
}

void Preloader::rewindLocked(std::uint32_t position)
{
    // Position, emptied buffers and the reload in one step, before the
    // reader is woken, so it cannot reload from the old place.
    repositionedLocked();
    filePosition_ = aligned(position);
    switchBuffer_.release();
    reload_ = true;
    requestService();
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
    // Read it now rather than at the next buffer switch, which may never come
    // (end of the audio, nothing loaded).
    requestService();
}

bool Preloader::tmpBufferToNextBufferLocked(std::uint32_t target, std::uint32_t nextFilePosition)
{
    const std::uint32_t at = aligned(target);
    repositionedLocked();
    requestService();
    if (preloadValid_ && preloadTarget_ == at) {
        // An exchange of storage: nothing is copied, allocated or freed on
        // the audio thread. The preload buffer is left with the old block.
        switchBuffer_.exchangePlaybackBuffer(preload_, preloadLast_);
        preloadValid_ = false;
        switchBuffer_.publishPlayback();
        switchBuffer_.setReadReady(false);
        filePosition_ = aligned(nextFilePosition);
        reload_ = false;
        return true;
    }
    // The reader has not got to the target yet: reload from there.
    filePosition_ = at;
    switchBuffer_.release();
    reload_ = true;
    return false;
}

void Preloader::reportEndPlayedLocked()
{
    endReported_ = true;
    endPlayed_ = true;
    endGeneration_ = generation_;
    requestService();
}

void Preloader::wakeReader()
{
    // Taken once between the request and the notification, so that a reader
    // about to sleep sees the request or gets the notification.
    { std::lock_guard<std::mutex> lock(wakeMutex_); }
    wakeCondition_.notify_one();
}

bool Preloader::waitUntilIdle(std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(wakeMutex_);
    // Look at once rather than at the next poll.
    if (serviceRequested())
        wakeCondition_.notify_one();
    return idle_.wait_for(lock, timeout, [this] { return !readerStarted_ || (asleep_ && !serviceRequested()); });
}

std::uint32_t Preloader::filePosition()
{
    std::lock_guard<std::mutex> lock(bufferMutex_);
    return filePosition_;
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
    std::lock_guard<std::mutex> lock(preloaderMutex_);
    return folder_;
}

bool Preloader::isFileOpen()
{
    std::lock_guard<std::mutex> lock(preloaderMutex_);
    return file_.isOpen();
}

QByteArray Preloader::readAt(std::uint32_t position, std::uint32_t length)
{
    if (!file_.seek(qint64(position)))
        return {};
    // Read errors are not told apart from a short read: whatever came back
    // is played.
    return file_.read(qint64(length));
}

bool Preloader::serve()
{
    std::lock_guard<std::mutex> fileLock(preloaderMutex_);
    if (!file_.isOpen())
        return false;

    std::uint64_t generation;
    std::uint64_t targetGeneration;
    bool reload;
    bool needNext;
    bool pending;
    std::uint32_t position;
    std::uint32_t target;
    {
        std::lock_guard<std::mutex> lock(bufferMutex_);
        generation = generation_;
        targetGeneration = targetGeneration_;
        reload = reload_;
        needNext = reload_ || !switchBuffer_.readReady();
        pending = pendingTarget_;
        position = filePosition_;
        target = aligned(target_);
    }
    if (!needNext && !pending)
        return false;

    // File I/O and conversion with only the preloader mutex held. A block
    // that reaches the end of the file is marked as the last one, so that
    // the audio thread can tell when it has played everything.
    const qint64 size = file_.size();
    bool firstLast = false;
    bool nextLast = false;
    bool preloadLast = false;
    if (reload) {
        SwitchBuffer::convert(readAt(position, kBlockBytes), firstBlock_);
        firstLast = qint64(position) + kBlockBytes >= size;
        position += kBlockBytes;
    }
    if (needNext) {
        SwitchBuffer::convert(readAt(position, kBlockBytes), nextBlock_);
        nextLast = qint64(position) + kBlockBytes >= size;
        position += kBlockBytes;
    }
    if (pending) {
        SwitchBuffer::convert(readAt(target, kPreloadBytes), preloadBlock_);
        preloadLast = qint64(target) + kPreloadBytes >= size;
    }

    std::lock_guard<std::mutex> lock(bufferMutex_);
    if (generation != generation_)
        return true; // repositioned while reading: serve again from there
    if (reload) {
        switchBuffer_.exchangePlaybackBuffer(firstBlock_, firstLast);
        switchBuffer_.publishPlayback();
        reload_ = false;
    }
    if (needNext) {
        switchBuffer_.exchangeReadBuffer(nextBlock_, nextLast);
        switchBuffer_.setReadReady(true);
    }
    // A short or empty read still moves on by a whole block.
    filePosition_ = position;
    if (pending && targetGeneration == targetGeneration_) {
        preload_.swap(preloadBlock_);
        preloadLast_ = preloadLast;
        preloadTarget_ = target;
        target_ = target;
        preloadValid_ = true;
        pendingTarget_ = false;
    }
    return false;
}

void Preloader::run()
{
    for (;;) {
        {
            std::unique_lock<std::mutex> wake(wakeMutex_);
            while (!quit_ && !requested_.exchange(false, std::memory_order_acq_rel)) {
                asleep_ = true;
                idle_.notify_all(); // seen once the wait has let go of the mutex
                wakeCondition_.wait_for(wake, playing_ && playing_() ? kPollInterval : kIdlePollInterval);
            }
            asleep_ = false;
            if (quit_)
                return;
        }
        busy_.store(true, std::memory_order_release);

        bool endOfAudio = false;
        {
            std::lock_guard<std::mutex> lock(bufferMutex_);
            if (endPlayed_) {
                endPlayed_ = false;
                // A repositioning since the report moved away from the end.
                endOfAudio = endGeneration_ == generation_;
            }
        }

        while (serve()) {
        }

        // Called with no lock held: the callback repositions the streamer.
        if (endOfAudio) {
            EndOfFileCallback endOfFile;
            {
                std::lock_guard<std::mutex> lock(preloaderMutex_);
                endOfFile = endOfFile_;
            }
            if (endOfFile)
                endOfFile();
        }
        busy_.store(false, std::memory_order_release);
    }
}

} // namespace Audio
