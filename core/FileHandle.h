#pragma once

#include "core/IStream.h"
#include "core/Path.h"

#include <cstdint>
#include <cstdio>

namespace Holmgrave {
namespace FS {

// A byte stream over a standard I/O FILE*. Construction never fails
// outwardly: a failed open leaves a handle that is not open (good() false).
// Only regular files open; a named pipe, device, socket or folder gives a
// closed handle at once, without waiting for a peer.
// Operations other than isOpen, eof, good, openMode and close need an open
// handle; callers test good() first.
class FileHandle : public IStream
{
public:
    FileHandle(const Core::Path& path, std::uint32_t mode);
    ~FileHandle() override;

    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    std::FILE* file() const { return m_file; }

    int getc() override;
    bool ungetc(int c) override;
    std::uint64_t read(void* buffer, std::uint64_t count) override;
    bool putc(int c) override;
    std::uint64_t write(const void* buffer, std::uint64_t count) override;
    bool seek(std::int64_t offset, int origin) override;
    bool setPosition(std::int64_t offset) override;
    std::int64_t tell() override;
    std::uint32_t openMode() const override { return m_mode; }
    bool isOpen() const override { return m_file != nullptr; }
    bool eof() const override;
    bool good() const override;
    int flush() override;
    bool close() override;

private:
    std::FILE* m_file = nullptr;
    std::uint32_t m_mode = 0;
};

} // namespace FS
} // namespace Holmgrave
