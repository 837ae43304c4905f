#include "core/FileHandle.h"

#include "core/OpenMode.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace Holmgrave {
namespace FS {

namespace {

// The open(2) flags that fopen would use for one of the table's mode strings.
int openFlagsFor(const char* fopenMode)
{
    const bool update = std::strchr(fopenMode, '+') != nullptr;
    switch (fopenMode[0]) {
    case 'r':
        return update ? O_RDWR : O_RDONLY;
    case 'w':
        return (update ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
    default: // 'a'
        return (update ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND;
    }
}

// Opens only a regular file. The open does not wait (a named pipe without
// its other end, or a device, would block fopen for good), and whatever is
// not a regular file (a pipe, a device, a socket, a folder) is refused before
// a byte is read or written.
std::FILE* openRegularFile(const std::string& path, const char* fopenMode)
{
    const int fd = ::open(path.c_str(), openFlagsFor(fopenMode) | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        return nullptr;
    struct stat status;
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || flags < 0
        || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, fopenMode);
    if (!file)
        ::close(fd);
    return file;
}

} // namespace

FileHandle::FileHandle(const Core::Path& path, std::uint32_t mode)
    : m_mode(mode)
{
    const char* fopenMode = fopenModeFor(mode);
    if (fopenMode[0] == '\0')
        return; // no row for this mode: the handle stays closed
    m_file = openRegularFile(path.str(), fopenMode);
    if (m_file && !std::ferror(m_file))
        std::setvbuf(m_file, nullptr, _IOFBF, 16384);
}

FileHandle::~FileHandle()
{
    close();
}

int FileHandle::getc()
{
    return std::fgetc(m_file);
}

bool FileHandle::ungetc(int c)
{
    return static_cast<unsigned>(std::ungetc(c, m_file)) == static_cast<unsigned>(c);
}

std::uint64_t FileHandle::read(void* buffer, std::uint64_t count)
{
    return std::fread(buffer, 1, count, m_file);
}

bool FileHandle::putc(int c)
{
    return std::fputc(c, m_file) != EOF;
}

std::uint64_t FileHandle::write(const void* buffer, std::uint64_t count)
{
    return std::fwrite(buffer, 1, count, m_file);
}

bool FileHandle::seek(std::int64_t offset, int origin)
{
    return fseeko(m_file, static_cast<off_t>(offset), origin) == 0;
}

bool FileHandle::setPosition(std::int64_t offset)
{
    return fseeko(m_file, static_cast<off_t>(offset), SEEK_SET) == 0;
}

std::int64_t FileHandle::tell()
{
    return static_cast<std::int64_t>(ftello(m_file));
}

bool FileHandle::eof() const
{
    return m_file && std::feof(m_file) != 0;
}

bool FileHandle::good() const
{
    return m_file && std::ferror(m_file) == 0;
}

int FileHandle::flush()
{
    return std::fflush(m_file);
}

bool FileHandle::close()
{
    if (!m_file)
        return false;
    const int result = std::fclose(m_file);
    m_file = nullptr;
    return result == 0;
}

} // namespace FS
} // namespace Holmgrave
