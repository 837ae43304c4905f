#include "core/BufferedFileHandle.h"

#include "core/OpenMode.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace Holmgrave {
namespace FS {

BufferedFileHandle::BufferedFileHandle(std::shared_ptr<IStream> inner, std::uint64_t blockSize)
    : m_inner(std::move(inner))
    , m_buffer(blockSize ? blockSize : 1, 0)
    , m_blockSize(blockSize ? blockSize : 1)
{
    const std::uint32_t mode = m_inner->openMode();
    m_readable = (mode & OpenMode::read) != 0;
    m_writable = (mode & OpenMode::write) != 0;
    m_append = (mode & OpenMode::append) != 0;
    if (!m_inner->isOpen())
        return;
    const std::int64_t remembered = m_inner->tell();
    if (!m_inner->seek(0, SEEK_END))
        return;
    const std::int64_t size = m_inner->tell();
    if (size < 0 || !m_inner->setPosition(remembered))
        return;
    m_dataSize = static_cast<std::uint64_t>(size);
    m_innerPosition = remembered;
}

BufferedFileHandle::~BufferedFileHandle()
{
    if (m_inner && m_inner->isOpen())
        close();
}

bool BufferedFileHandle::positionInner(std::uint64_t offset, bool forWriting)
{
    const auto target = static_cast<std::int64_t>(offset);
    // Standard I/O needs a seek between a write and a following read (and the
    // reverse), so a change of direction always seeks.
    const bool sameDirection = m_innerWriting == forWriting;
    m_innerWriting = forWriting;
    if (m_innerPosition == target && sameDirection)
        return true;
    if (!m_inner->setPosition(target)) {
        m_innerPosition = -1;
        return false;
    }
    m_innerPosition = target;
    return true;
}

bool BufferedFileHandle::writeBack()
{
    const bool ok = writeDirty();
    m_validCount = 0;
    return ok;
}

bool BufferedFileHandle::writeDirty()
{
    bool ok = true;
    if (m_dirty && m_dirtyEnd > m_dirtyBegin) {
        const std::uint64_t count = m_dirtyEnd - m_dirtyBegin;
        ok = positionInner(blockStart() + m_dirtyBegin, true);
        if (ok) {
            const std::uint64_t written = m_inner->write(m_buffer.data() + m_dirtyBegin, count);
            ok = written == count && m_inner->good();
            m_innerPosition = ok ? static_cast<std::int64_t>(blockStart() + m_dirtyEnd) : -1;
        }
        if (!ok)
            m_writeBackFailed = true;
    }
    m_dirty = false;
    m_dirtyBegin = m_dirtyEnd = 0;
    return ok;
}

void BufferedFileHandle::fill()
{
    // A read from a write-only stream fails and sets its error flag, which
    // would make every later write-back look failed.
    if (!m_readable || m_validCount != 0 || m_dataSize <= blockStart())
        return;
    const std::uint64_t want = std::min(m_blockSize, m_dataSize - blockStart());
    if (!positionInner(blockStart(), false))
        return;
    const std::uint64_t got = m_inner->read(m_buffer.data(), want);
    m_innerPosition = got == want ? static_cast<std::int64_t>(blockStart() + got) : -1;
    m_validCount = got;
}

// Called after a byte operation moved the position forward inside the block.
void BufferedFileHandle::afterTransfer()
{
    if (m_bufferPosition == m_blockSize) {
        writeBack();
        ++m_currentBlock;
        m_bufferPosition = 0;
    }
    if (m_writable)
        m_dataSize = std::max(m_dataSize, m_position);
}

// Records that buffer bytes [begin, end) now hold new data. Bytes between the
// old end of valid data and `begin` are a hole in the file, so they read back
// as zeros rather than as stale bytes of another block.
void BufferedFileHandle::markWritten(std::uint64_t begin, std::uint64_t end)
{
    if (begin > m_validCount)
        std::memset(m_buffer.data() + m_validCount, 0, begin - m_validCount);
    m_validCount = std::max(m_validCount, end);
    // Without reading, the buffer holds no file bytes between two written
    // runs: a run apart from the changed one is written on its own.
    if (!m_readable && m_dirty && (begin > m_dirtyEnd || end < m_dirtyBegin))
        writeDirty();
    if (!m_dirty) {
        m_dirtyBegin = begin;
        m_dirtyEnd = end;
        m_dirty = true;
    } else {
        m_dirtyBegin = std::min(m_dirtyBegin, begin);
        m_dirtyEnd = std::max(m_dirtyEnd, end);
    }
}

// Writes replace what ungetc gave back; in append mode they start at the end.
void BufferedFileHandle::prepareWrite()
{
    m_pushedBack = -1;
    if (m_append && m_position != m_dataSize)
        setPosition(static_cast<std::int64_t>(m_dataSize));
}

// Reads the pushed-back byte in place of the buffer's, once.
int BufferedFileHandle::takePushedBack()
{
    fill(); // the block stays loaded as after any read
    const int c = m_pushedBack;
    m_pushedBack = -1;
    ++m_bufferPosition;
    ++m_position;
    afterTransfer();
    return c;
}

int BufferedFileHandle::getc()
{
    if (!m_readable)
        return -1;
    if (m_pushedBack >= 0)
        return takePushedBack();
    fill();
    if (m_bufferPosition >= m_validCount)
        return -1; // at the end: the position stays where the data ends
    const int c = m_buffer[m_bufferPosition];
    ++m_bufferPosition;
    ++m_position;
    afterTransfer();
    return c;
}

// Like stdio: one byte (0 to 255, never EOF) can be pushed back, and only
// where a byte of the current block was read.
bool BufferedFileHandle::ungetc(int c)
{
    if (c < 0 || c > 255 || !m_readable || m_pushedBack >= 0 || m_validCount == 0 || m_bufferPosition == 0)
        return false;
    --m_bufferPosition;
    --m_position;
    m_pushedBack = c;
    return true;
}

std::uint64_t BufferedFileHandle::read(void* destination, std::uint64_t count)
{
    auto* out = static_cast<unsigned char*>(destination);
    std::uint64_t total = 0;
    if (!m_readable)
        return 0;
    if (count != 0 && m_pushedBack >= 0)
        out[total++] = static_cast<unsigned char>(takePushedBack());
    while (total < count) {
        fill();
        const std::uint64_t available = m_bufferPosition < m_validCount ? m_validCount - m_bufferPosition : 0;
        const std::uint64_t n = std::min(count - total, available);
        if (n == 0)
            break;
        std::memcpy(out + total, m_buffer.data() + m_bufferPosition, n);
        m_bufferPosition += n;
        m_position += n;
        total += n;
        afterTransfer();
    }
    return total;
}

bool BufferedFileHandle::putc(int c)
{
    prepareWrite();
    fill();
    m_buffer[m_bufferPosition] = static_cast<unsigned char>(c);
    markWritten(m_bufferPosition, m_bufferPosition + 1);
    ++m_bufferPosition;
    ++m_position;
    afterTransfer();
    return true;
}

std::uint64_t BufferedFileHandle::write(const void* source, std::uint64_t count)
{
    const auto* in = static_cast<const unsigned char*>(source);
    std::uint64_t done = 0;
    if (count != 0)
        prepareWrite();
    while (done < count) {
        fill();
        const std::uint64_t n = std::min(count - done, m_blockSize - m_bufferPosition);
        std::memcpy(m_buffer.data() + m_bufferPosition, in + done, n);
        markWritten(m_bufferPosition, m_bufferPosition + n);
        m_bufferPosition += n;
        m_position += n;
        done += n;
        afterTransfer();
    }
    return count;
}

bool BufferedFileHandle::seek(std::int64_t offset, int origin)
{
    std::int64_t base;
    switch (origin) {
    case SEEK_SET:
        base = 0;
        break;
    case SEEK_CUR:
        base = static_cast<std::int64_t>(m_position);
        break;
    case SEEK_END:
        base = static_cast<std::int64_t>(m_dataSize);
        break;
    default:
        return false;
    }
    std::int64_t target = 0;
    if (__builtin_add_overflow(base, offset, &target))
        return false;
    return setPosition(target);
}

bool BufferedFileHandle::setPosition(std::int64_t target)
{
    if (target < 0)
        return false;
    m_pushedBack = -1;
    const auto position = static_cast<std::uint64_t>(target);
    const std::uint64_t block = position / m_blockSize;
    bool ok = true;
    if (block != m_currentBlock) {
        ok = writeBack();
        m_currentBlock = block;
        // The next transfer positions the inner stream itself; this only
        // reports a position the inner stream cannot take.
        if (!m_inner->setPosition(static_cast<std::int64_t>(blockStart()))) {
            ok = false;
            m_innerPosition = -1;
        } else {
            m_innerPosition = static_cast<std::int64_t>(blockStart());
        }
    }
    m_position = position;
    // In append mode the data ends where the file ends: a position past it
    // is not data, since the next write goes to the end anyway.
    if (m_writable && !m_append)
        m_dataSize = std::max(m_dataSize, position);
    m_bufferPosition = position % m_blockSize;
    return ok;
}

std::int64_t BufferedFileHandle::tell()
{
    return static_cast<std::int64_t>(m_position);
}

std::uint32_t BufferedFileHandle::openMode() const
{
    return m_inner->openMode();
}

bool BufferedFileHandle::isOpen() const
{
    return m_inner->isOpen();
}

bool BufferedFileHandle::eof() const
{
    return m_inner->eof() || (!m_writable && m_position >= m_dataSize);
}

bool BufferedFileHandle::good() const
{
    return m_inner->good();
}

int BufferedFileHandle::flush()
{
    const bool written = writeBack();
    const int innerResult = m_inner->flush();
    if (!written || m_writeBackFailed)
        return -1;
    return innerResult;
}

bool BufferedFileHandle::close()
{
    if (!m_inner->isOpen())
        return false;
    const bool written = writeBack();
    const int flushed = m_inner->flush();
    const bool closed = m_inner->close();
    return written && !m_writeBackFailed && flushed == 0 && closed;
}

} // namespace FS
} // namespace Holmgrave
