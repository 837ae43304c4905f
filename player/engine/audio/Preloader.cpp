#include "player/engine/audio/Preloader.h"

#include "player/engine/audio/SwitchBuffer.h"

#include <QDir>

#include <utility>

namespace Audio {

Preloader::Preloader(SwitchBuffer& switchBuffer, std::function<bool()> playbackRunning)
    : switchBuffer_(switchBuffer)
    , playbackRunning_(std::move(playbackRunning))
{
    preload_.reserve(kPreloadBytes / 2);
}

Preloader::~Preloader()
{
    shutdown();
}

void Preloader::shutdown()
{
    {
        std::lock_guard<std::mutex> lock(conditionMutex_);
        quit_ = true;
    }
    condition_.notify_all();
    if (reader_.joinable() && reader_.get_id() != std::this_thread::get_id())
        reader_.join();
}

void Preloader::setAudioFileName(const QString& folder, const EndOfFileCallback& endOfFile)
{
    {
        std::lock_guard<std::mutex> lock(preloaderMutex_);
        endOfFile_ = endOfFile;
        if (!reader_.joinable())
            reader_ = std::thread(&Preloader::run, this);
        if (file_.isOpen())
            file_.close();
        folder_ = folder;
        file_.setFileName(QDir(folder).absoluteFilePath(QStringLiteral("IMAGE.DAT")));
        // A missing or unreadable file leaves it closed: the reader then has
        // nothing to serve and the audio thread plays silence.
        file_.open(QIODevice::ReadOnly);

        std::lock_guard<std::mutex> buffers(bufferMutex_);
        ++generation_;
        switchBuffer_.release();
        reload_ = true;
        pendingTarget_ = false;
        preloadValid_ = false;
    }
    requestData();
}

void Preloader::rewind(std::uint32_t position)
{
    {
        // Position, emptied buffers and the reload in one step, before the
        // reader is woken, so it cannot reload from the old place.
        std::lock_guard<std::mutex> lock(bufferMutex_);
        ++generation_;
        filePosition_ = aligned(position);
        switchBuffer_.release();
        reload_ = true;
    }
    requestData();
}

void Preloader::setFilePosition(std::uint32_t position)
{
    std::lock_guard<std::mutex> lock(bufferMutex_);
    ++generation_;
    filePosition_ = aligned(position);
}

void Preloader::requestTarget(std::uint32_t target)
{
    {
        std::lock_guard<std::mutex> lock(bufferMutex_);
        target_ = target;
        pendingTarget_ = true;
        ++targetGeneration_;
        preloadValid_ = false;
    }
    // Read it now rather than at the next buffer switch, which may never come
    // (end of the audio, nothing loaded).
    requestData();
}

bool Preloader::tmpBufferToNextBuffer(std::uint32_t target, std::uint32_t nextFilePosition)
{
    bool used = false;
    {
        std::lock_guard<std::mutex> lock(bufferMutex_);
        const std::uint32_t at = aligned(target);
        ++generation_;
        if (preloadValid_ && preloadTarget_ == at) {
            switchBuffer_.copyToPlaybackBuffer(preload_.data(), preload_.size());
            switchBuffer_.publishPlayback();
            switchBuffer_.setReadReady(false);
            filePosition_ = aligned(nextFilePosition);
            reload_ = false;
            used = true;
        } else {
            // The reader has not got to the target yet: reload from there.
            filePosition_ = at;
            switchBuffer_.release();
            reload_ = true;
        }
    }
    requestData();
    return used;
}

void Preloader::requestData()
{
    {
        std::lock_guard<std::mutex> lock(conditionMutex_);
        dataRequested_ = true;
    }
    condition_.notify_one();
}

bool Preloader::waitUntilIdle(std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(conditionMutex_);
    return idle_.wait_for(lock, timeout, [this] { return !dataRequested_ && !busy_.load(); });
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

bool Preloader::serve(bool& reachedEnd)
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

    // File I/O with only the preloader mutex held.
    QByteArray first;
    QByteArray next;
    QByteArray preload;
    if (reload) {
        first = readAt(position, kBlockBytes);
        position += kBlockBytes;
    }
    if (needNext) {
        next = readAt(position, kBlockBytes);
        position += kBlockBytes;
    }
    const bool atEnd = needNext && file_.atEnd();
    if (pending)
        preload = readAt(target, kPreloadBytes);

    std::lock_guard<std::mutex> lock(bufferMutex_);
    if (generation != generation_)
        return true; // repositioned while reading: serve again from there
    if (reload) {
        switchBuffer_.insertFilePlaybackBuffer(first);
        switchBuffer_.publishPlayback();
        reload_ = false;
    }
    if (needNext) {
        switchBuffer_.insertFileReadBuffer(next);
        switchBuffer_.setReadReady(true);
    }
    // A short or empty read still moves on by a whole block.
    filePosition_ = position;
    if (pending && targetGeneration == targetGeneration_) {
        SwitchBuffer::convert(preload, preload_);
        preloadTarget_ = target;
        target_ = target;
        preloadValid_ = true;
        pendingTarget_ = false;
    }
    reachedEnd = atEnd;
    return false;
}

void Preloader::run()
{
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(conditionMutex_);
            condition_.wait(lock, [this] { return dataRequested_ || quit_; });
            if (quit_)
                return;
            dataRequested_ = false;
            busy_.store(true, std::memory_order_release);
        }

        bool reachedEnd = false;
        while (serve(reachedEnd)) {
        }

        // Once per service that read up to the end, and only while playback
        // runs: the callback rewinds and stops, and the reload it causes must
        // not call it again (a short image would otherwise loop forever).
        if (reachedEnd && playbackRunning_()) {
            EndOfFileCallback endOfFile;
            {
                std::lock_guard<std::mutex> lock(preloaderMutex_);
                endOfFile = endOfFile_;
            }
            if (endOfFile)
                endOfFile();
        }

        {
            std::lock_guard<std::mutex> lock(conditionMutex_);
            busy_.store(false, std::memory_order_release);
        }
        idle_.notify_all();
    }
}

} // namespace Audio
