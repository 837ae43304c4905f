#pragma once

#include <cstdint>

namespace Holmgrave {
namespace FS {

// An abstract byte stream. Streams report through counts and flags, never by
// throwing. A stream is used by one thread at a time.
class IStream
{
public:
    virtual ~IStream() = default;

    // The next byte (0 to 255), or -1 at the end or on error.
    virtual int getc() = 0;
    virtual bool ungetc(int c) = 0;
    virtual std::uint64_t read(void* buffer, std::uint64_t count) = 0;
    virtual bool putc(int c) = 0;
    virtual std::uint64_t write(const void* buffer, std::uint64_t count) = 0;
    // origin: 0 from the start, 1 from the current position, 2 from the end.
    virtual bool seek(std::int64_t offset, int origin) = 0;
    virtual bool setPosition(std::int64_t offset) = 0;
    virtual std::int64_t tell() = 0;
    virtual std::uint32_t openMode() const = 0;
    virtual bool isOpen() const = 0;
    virtual bool eof() const = 0;
    virtual bool good() const = 0;
    // 0 on success.
    virtual int flush() = 0;
    // True when the stream was open and everything it held reached the file.
    virtual bool close() = 0;
};

} // namespace FS
} // namespace Holmgrave
