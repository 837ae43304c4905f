#include "player/engine/export/FileWriter.h"

#include "player/engine/ddp/FolderFiles.h"
#include "player/engine/ddp/ImageCheck.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryFile>
#include <QtEndian>
#include <QtGlobal>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdint>
#include <new>

#include <climits>

#include <sys/mman.h>
#include <unistd.h>

namespace {

// Progress of one pass: done bytes out of size, scaled to 0..10000. An empty
// range has nothing left to do, so its pass counts as complete.
int passProgress(qint64 done, qint64 size)
{
    if (size <= 0)
        return 10000;
    return static_cast<int>(done * 10000 / size);
}

void putLe32(char* at, quint32 value) { qToLittleEndian(value, at); }
void putLe16(char* at, quint16 value) { qToLittleEndian(value, at); }

QString nativeName(const QString& path) { return QDir::toNativeSeparators(path); }

// 16-bit stereo: a WAV data chunk of whole frames is never of odd size.
constexpr qint64 bytesPerFrame = DDP::bytesPerFrame;

// A disc time as the table and the damage report give it.
QString discTime(qint64 bytes, int pauseSeconds)
{
    return QString::fromStdString(DDP::discTimeText(std::max<qint64>(bytes, 0), pauseSeconds));
}

QString trackNumber(int track) { return QStringLiteral("%1").arg(track, 2, 10, QLatin1Char('0')); }

// The longest file name (one path component, in bytes) the folder's file
// system takes.
long maximumNameBytes(const QString& folder)
{
    const long max = ::pathconf(QFile::encodeName(folder).constData(), _PC_NAME_MAX);
    return max > 0 ? max : NAME_MAX;
}

// A whole track is held in memory; with 4 KiB pages the page faults of a
// 300 MB buffer cost more than the disk copy itself. Asking for large pages
// before the buffer is first touched keeps the export near copy speed. Only
// advice: where it is not available nothing changes.
void adviseLargePages(void* data, std::size_t bytes)
{
#if defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t page = 4096;
    const auto begin = (reinterpret_cast<std::uintptr_t>(data) + page - 1) & ~(page - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(page - 1);
    if (end > begin)
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    Q_UNUSED(data);
    Q_UNUSED(bytes);
#endif
}

// Writes all `size` bytes. A write that stops part-way (a disk that fills up
// within a block) comes back from QFile as a short count without an error,
// whose text is "Unknown error"; writing the rest again makes the failing
// call itself report the system's cause ("No space left on device").
bool writeAll(QFileDevice& file, const char* data, qint64 size)
{
    while (size > 0) {
        const qint64 written = file.write(data, size);
        if (written <= 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

} // namespace

FileWriter::FileWriter(const QString& outputFileName, const QString& inputFileName,
                       qint64 startOffset, qint64 endOffset, QObject* parent)
    : QObject(parent)
    , m_outputFileName(outputFileName)
    , m_inputFileName(inputFileName)
    , m_startOffset(startOffset)
    , m_endOffset(endOffset)
    , m_stop(std::make_shared<std::atomic<bool>>(false))
{
}

FileWriter::~FileWriter() = default;

QByteArray FileWriter::wavHeader(quint32 dataSize)
{
    char h[headerSize] = {};
    std::copy_n("RIFF", 4, h);
    putLe32(h + 4, dataSize + 36);
    std::copy_n("WAVE", 4, h + 8);
    std::copy_n("fmt ", 4, h + 12);
    putLe32(h + 16, 16);
    putLe16(h + 20, 1);
    putLe16(h + 22, 2);
    putLe32(h + 24, 44100);
    putLe32(h + 28, 176400);
    putLe16(h + 32, 4);
    putLe16(h + 34, 16);
    std::copy_n("data", 4, h + 36);
    putLe32(h + 40, dataSize);
    return QByteArray(h, headerSize);
}

void FileWriter::start()
{
    // Whatever run() does, the front end relies on exactly one finished():
    // it quits the export thread and takes the progress bar away.
    try {
        run();
    } catch (const std::bad_alloc&) {
        fail(tr("Not enough memory to export \"%1\".").arg(nativeName(m_outputFileName)));
    } catch (const std::exception& e) {
        fail(tr("Could not export \"%1\": %2")
                 .arg(nativeName(m_outputFileName), QString::fromLocal8Bit(e.what())));
    }
    if (!m_shortfalls.empty() && !stopRequested()) {
        const QString message = shortfallMessage();
        qWarning("WAV export: %s", qUtf8Printable(message));
        emit incomplete(message);
    }
    emit finished();
}

QString FileWriter::shortfallMessage() const
{
    const QString image = QFileInfo(m_inputFileName).fileName();
    const qint64 audioEnd = m_shortfalls.front().audioEnd;
    QStringList lines;
    if (audioEnd <= 0)
        lines << tr("%1 is empty, so no track could be exported.").arg(image);
    else
        lines << tr("%1 ends at %2, so not every track could be exported whole.")
                     .arg(image, discTime(audioEnd, m_pauseSeconds));
    for (std::size_t i = 0; i < m_shortfalls.size(); ++i) {
        const Shortfall& s = m_shortfalls[i];
        if (s.written) {
            lines << tr("Track %1 (%2 to %3) is cut off at %4 in \"%5\".")
                         .arg(trackNumber(s.track), discTime(s.start, m_pauseSeconds),
                              discTime(s.end, m_pauseSeconds), discTime(s.audioEnd, m_pauseSeconds),
                              QFileInfo(s.output).fileName());
            continue;
        }
        // Consecutive tracks past the audio make one line.
        std::size_t last = i;
        while (last + 1 < m_shortfalls.size() && !m_shortfalls[last + 1].written
               && m_shortfalls[last + 1].track == m_shortfalls[last].track + 1)
            ++last;
        if (last == i) {
            lines << tr("Track %1 (%2 to %3) lies past the end of %4: no WAV file was written for it.")
                         .arg(trackNumber(s.track), discTime(s.start, m_pauseSeconds),
                              discTime(s.end, m_pauseSeconds), image);
        } else {
            lines << tr("Tracks %1 to %2 (%3 to %4) lie past the end of %5: no WAV file was written for "
                        "them.")
                         .arg(trackNumber(s.track), trackNumber(m_shortfalls[last].track),
                              discTime(s.start, m_pauseSeconds), discTime(m_shortfalls[last].end, m_pauseSeconds),
                              image);
        }
        i = last;
    }
    return lines.join(QLatin1Char('\n'));
}

void FileWriter::fail(const QString& message)
{
    if (m_failed)
        return;
    m_failed = true;
    qWarning("WAV export: %s", qUtf8Printable(message));
    emit failed(message);
}

bool FileWriter::exportRange(const QString& output, qint64 start, qint64 end, int track)
{
    m_outputFileName = output;

    const QFileInfo input(m_inputFileName);
    if (!input.isFile()) {
        fail(tr("Could not export \"%1\": the disc image \"%2\" cannot be found.")
                 .arg(nativeName(output), nativeName(m_inputFileName)));
        return false;
    }
    // Descriptors of a damaged image may point before or past the audio; only
    // bytes that exist are exported, in whole frames. A track past the end of
    // a cut image is told at the end of the run; one without a whole frame
    // before the end would be an empty file, so it gets none.
    const qint64 imageSize = input.size();
    const Shortfall shortfall{track, output, start, end, imageSize, start + bytesPerFrame <= imageSize};
    const bool cut = end > imageSize && end > start;
    if (cut && !shortfall.written) {
        m_shortfalls.push_back(shortfall);
        return true;
    }
    start = qBound<qint64>(0, start, imageSize);
    end = qBound<qint64>(start, end, imageSize);
    end = start + (end - start) / bytesPerFrame * bytesPerFrame;
    m_startOffset = start;
    m_endOffset = end;
    const qint64 size = end - start;
    if (size > maximumDataSize) {
        fail(tr("Could not export \"%1\": the track is too long for a WAV file.").arg(nativeName(output)));
        return false;
    }
    // Told before the track is read, and in words: the system's own text for
    // it ("No such file or directory" from some calls) says nothing useful.
    const QFileInfo target(output);
    const long nameBytes = QFile::encodeName(target.fileName()).size();
    const long maximum = maximumNameBytes(target.absolutePath());
    if (nameBytes > maximum) {
        fail(tr("Could not write the WAV file \"%1\": its name is %2 bytes long, but file names in that "
                "folder may have at most %3 bytes. Choose a shorter name.")
                 .arg(nativeName(output))
                 .arg(nameBytes)
                 .arg(maximum));
        return false;
    }

    // The buffer holds 16-bit values: half as many as there are bytes.
    SampleBuffer buffer;
    const auto values = static_cast<std::size_t>(size / 2);
    buffer.reserve(values);
    adviseLargePages(buffer.data(), values * sizeof(short));
    buffer.resize(values);
    if (!readInputFile(buffer, size) || !writeOutputFile(size, buffer))
        return false;
    if (cut)
        m_shortfalls.push_back(shortfall);
    return true;
}

bool FileWriter::readInputFile(SampleBuffer& buffer, long long size)
{
    // Only a regular file, opened without ever blocking (a FIFO put in the
    // image's place would otherwise hang the export thread for good).
    const int fd = DDP::openRegularFile(QFile::encodeName(m_inputFileName).toStdString());
    if (fd < 0) {
        fail(tr("Could not read the disc image \"%1\": %2")
                 .arg(nativeName(m_inputFileName),
                      errno == EINVAL ? tr("it is not a regular file") : qt_error_string(errno)));
        return false;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        fail(tr("Could not read the disc image \"%1\": %2")
                 .arg(nativeName(m_inputFileName), file.errorString()));
        return false;
    }
    if (!file.seek(m_startOffset)) {
        fail(tr("Could not read the disc image \"%1\": %2")
                 .arg(nativeName(m_inputFileName), file.errorString()));
        return false;
    }

    char* data = reinterpret_cast<char*>(buffer.data());
    qint64 readBytes = 0;
    for (;;) {
        if (stopRequested())
            return false;
        const qint64 chunk = std::min<qint64>(blockSize, size - readBytes);
        if (chunk > 0 && file.read(data + readBytes, chunk) != chunk) {
            fail(tr("Could not read the disc image \"%1\": %2")
                     .arg(nativeName(m_inputFileName),
                          file.error() == QFileDevice::NoError ? tr("it ended early")
                                                               : file.errorString()));
            return false;
        }
        const bool fullBlock = chunk == blockSize;
        if (fullBlock) {
            m_processedBytes += blockSize;
            readBytes += blockSize;
        }
        emit processed(passProgress(readBytes, size));
        if (!fullBlock)
            break;
    }
    return true;
}

bool FileWriter::writeOutputFile(long long size, SampleBuffer& buffer)
{
    const QFileInfo target(m_outputFileName);
    // Written under a temporary name beside the target, so that a failed or
    // stopped export never leaves a partial file under the name the user chose
    // (and an older file of that name stays intact until the new one is done).
    // The temporary name is short whatever the target's: any name the folder
    // takes must be exportable.
    QTemporaryFile file(target.absolutePath() + QLatin1String("/.wav-export-XXXXXX"));
    const auto writeError = [&](const QString& reason) {
        fail(tr("Could not write the WAV file \"%1\": %2").arg(nativeName(m_outputFileName), reason));
        return false;
    };
    if (!file.open())
        return writeError(file.errorString());

    const QByteArray header = wavHeader(static_cast<quint32>(std::max<long long>(size, 0)));
    if (!writeAll(file, header.constData(), header.size()))
        return writeError(file.errorString());

    const char* data = reinterpret_cast<const char*>(buffer.data());
    qint64 written = 0;
    for (;;) {
        if (stopRequested())
            return false;
        const qint64 chunk = std::min<qint64>(blockSize, size - written);
        if (chunk > 0 && !writeAll(file, data + written, chunk))
            return writeError(file.errorString());
        const bool fullBlock = chunk == blockSize;
        if (fullBlock) {
            m_processedBytes += blockSize;
            written += blockSize;
        }
        emit processed(size > 0 ? passProgress(m_processedBytes, size) : progressMaximum);
        if (!fullBlock)
            break;
    }

    if (!file.flush())
        return writeError(file.errorString());
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                        | QFileDevice::ReadOther);
    // rename(2) replaces an existing target in one step; QFile::rename would
    // refuse to.
    const QByteArray from = QFile::encodeName(file.fileName());
    const QByteArray to = QFile::encodeName(target.absoluteFilePath());
    if (std::rename(from.constData(), to.constData()) != 0)
        return writeError(qt_error_string(errno));
    file.setAutoRemove(false);
    return true;
}
