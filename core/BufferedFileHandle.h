#pragma once

#include "core/IStream.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace Holmgrave {
namespace FS {

// Serves reads and writes of an inner stream from one block-aligned buffer.
// Block k covers positions k * blockSize up to (k + 1) * blockSize - 1; the
// buffer always stands for the block that holds the current position.
//
// The inner stream is positioned explicitly before every transfer, so a
// write-back puts the changed bytes at their own place in the file, whatever
// the inner stream did in between. A write-back that fails is remembered and
// makes flush() and close() fail, since bytes were lost. Used by one thread
// at a time.
//
// The inner stream's open mode decides what the handle does: without the
// read bit nothing is read from it (reads give nothing, and writes inside a
// block put back only the bytes written); with the append bit every write
// goes to the end of the data, as it does in the file. A byte pushed back by
// ungetc is only read again: it never reaches the file, and writes and
// position changes drop it.
class BufferedFileHandle : public IStream
{
public:
    BufferedFileHandle(std::shared_ptr<IStream> inner, std::uint64_t blockSize);
    ~BufferedFileHandle() override;

    BufferedFileHandle(const BufferedFileHandle&) = delete;
    BufferedFileHandle& operator=(const BufferedFileHandle&) = delete;

    std::uint64_t blockSize() const { return m_blockSize; }

    int getc() override;
    bool ungetc(int c) override;
    std::uint64_t read(void* buffer, std::uint64_t count) override;
    bool putc(int c) override;
    std::uint64_t write(const void* buffer, std::uint64_t count) override;
    bool seek(std::int64_t offset, int origin) override;
    bool setPosition(std::int64_t target) override;
    std::int64_t tell() override;
    std::uint32_t openMode() const override;
    bool isOpen() const override;
    bool eof() const override;
    bool good() const override;
    int flush() override;
    bool close() override;

private:
    std::uint64_t blockStart() const { return m_currentBlock * m_blockSize; }
    bool writeBack();
    bool writeDirty();
    void fill();
    void afterTransfer();
    void markWritten(std::uint64_t begin, std::uint64_t end);
    void prepareWrite();
    int takePushedBack();
    bool positionInner(std::uint64_t offset, bool forWriting);

    std::shared_ptr<IStream> m_inner;
    std::vector<unsigned char> m_buffer;
    std::uint64_t m_blockSize;
    std::uint64_t m_validCount = 0;     // bytes of the buffer that hold data of the current block
    std::uint64_t m_bufferPosition = 0; // always m_position % m_blockSize
    bool m_dirty = false;
    std::uint64_t m_dirtyBegin = 0; // changed bytes of the buffer: [m_dirtyBegin, m_dirtyEnd)
    std::uint64_t m_dirtyEnd = 0;
    bool m_readable = false;
    bool m_writable = false;
    bool m_append = false;
    int m_pushedBack = -1; // the byte ungetc gave back, -1 for none
    std::uint64_t m_position = 0;
    std::uint64_t m_dataSize = 0;
    std::uint64_t m_currentBlock = 0; // always m_position / m_blockSize
    std::int64_t m_innerPosition = -1; // where the inner stream stands, -1 when unknown
    bool m_innerWriting = false;
    bool m_writeBackFailed = false;
};

} // namespace FS
} // namespace Holmgrave
