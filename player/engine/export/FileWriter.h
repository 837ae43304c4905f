#pragma once

// Common base of the WAV writers: copies byte ranges of "IMAGE.DAT" into
// 16-bit stereo 44100 Hz WAV files on the export thread.
//
// Threads: the front end creates a writer on the GUI thread without a parent,
// takes its stop flag, moves it to the export thread and connects the thread's
// started() to start(). From then on only the export thread touches the
// writer; the GUI thread hears from it through queued signals and may only
// set the stop flag it took before the move.
//
// Contract of one run: processed() rises within 0..20000, failed() comes at
// most once with a text naming the file, incomplete() at most once, and
// finished() comes exactly once, last, whatever happened. A file is only ever
// visible under its target name once it is complete: it is written under a
// temporary name in the same folder and renamed at the end.
//
// A cut "IMAGE.DAT" holds only part of the disc: a track that reaches past
// its end is exported up to it, in whole sample frames, and a track that lies
// wholly past it gets no file at all. Neither is a failure (the rest of the
// run goes on), but the run then ends with incomplete().

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

// Allocates like std::allocator but leaves new elements uninitialised: the
// sample buffer is overwritten by the read pass at once, and zeroing a
// 300 MB buffer first would cost another pass over memory.
template <typename T>
struct UninitializedAllocator : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = UninitializedAllocator<U>;
    };
    UninitializedAllocator() = default;
    template <typename U>
    UninitializedAllocator(const UninitializedAllocator<U>&) noexcept
    {
    }
    template <typename U>
    void construct(U* p) noexcept(std::is_nothrow_default_constructible<U>::value)
    {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

class FileWriter : public QObject {
    Q_OBJECT
public:
    // The samples of one range: 16-bit values, two bytes each.
    using SampleBuffer = std::vector<short, UninitializedAllocator<short>>;

    // Set to true from any thread to make the writer stop between two blocks;
    // a stopped run leaves no file behind and reports no failure.
    using StopFlag = std::shared_ptr<std::atomic<bool>>;

    // Both passes move the data in blocks of this size (the last holds the rest).
    static constexpr qint64 blockSize = 8388608;
    // Progress runs to this value: half for reading, half for writing.
    static constexpr int progressMaximum = 20000;
    static constexpr int headerSize = 44;
    // The header stores the data size + 36 in 32 bits.
    static constexpr qint64 maximumDataSize = 0xFFFFFFFFLL - 36;

    ~FileWriter() override;

    // GUI thread, before the writer moves to the export thread.
    StopFlag stopFlag() const { return m_stop; }

    const QString& outputFileName() const { return m_outputFileName; }
    const QString& inputFileName() const { return m_inputFileName; }

    // GUI thread, before the run: the disc clock's zero (DDP::pauseSeconds),
    // so that the message gives the table's times.
    void setPauseSeconds(int seconds) { m_pauseSeconds = seconds; }

    // The 44-byte RIFF/WAVE header for dataSize bytes of 16-bit stereo PCM.
    static QByteArray wavHeader(quint32 dataSize);

signals:
    void processed(int value);
    // A run that could not write its files says why, naming the file.
    void failed(const QString& message);
    // Before finished(), once, when tracks reached past the end of the audio:
    // which were cut short and which were not written, naming the image and
    // the disc times. Not after a stop.
    void incomplete(const QString& message);
    void finished();

public slots:
    // Runs the writer once; connected to the export thread's started().
    void start();

protected:
    FileWriter(const QString& outputFileName, const QString& inputFileName, qint64 startOffset,
               qint64 endOffset, QObject* parent = nullptr);

    virtual void run() = 0;

    // Writes bytes [start, end) of the input file, track `track` (0 when not
    // known), as a WAV file at output. The range is clamped to the input file
    // and to whole sample frames; an empty or reversed range writes the bare
    // header, one with less than a frame before the end of the audio writes
    // nothing. False when
    // the run must end (failure or stop).
    bool exportRange(const QString& output, qint64 start, qint64 end, int track);

    // Reads size bytes from the start offset into buffer, which holds at least
    // size bytes. False when the input cannot be read completely or the run
    // was stopped.
    bool readInputFile(SampleBuffer& buffer, long long size);

    // Writes the header and size bytes of buffer to the output file. False
    // when the file could not be written completely or the run was stopped;
    // nothing is then left under the output name.
    bool writeOutputFile(long long size, SampleBuffer& buffer);

    bool stopRequested() const { return m_stop->load(std::memory_order_relaxed); }
    void fail(const QString& message);

    QString m_outputFileName;
    QString m_inputFileName;
    qint64 m_startOffset = 0;
    qint64 m_endOffset = 0;
    qint64 m_processedBytes = 0;
    int m_pauseSeconds = 0;

private:
    // A track that reached past the end of the audio, at `audioEnd`.
    struct Shortfall {
        int track = 0;
        QString output;
        qint64 start = 0;
        qint64 end = 0;
        qint64 audioEnd = 0;
        bool written = false;
    };
    QString shortfallMessage() const;

    StopFlag m_stop;
    bool m_failed = false;
    std::vector<Shortfall> m_shortfalls;
};
