#include "core/FileHandle.h"

#include "core/OpenMode.h"

#include <sys/stat.h>

namespace Holmgrave {
namespace FS {

FileHandle::FileHandle(const Core::Path& path, std::uint32_t mode)
    : m_mode(mode)
{
    const char* fopenMode = fopenModeFor(mode);
    if (fopenMode[0] == '\0')
        return; // no row for this mode: the handle stays closed
    m_file = std::fopen(path.str().c_str(), fopenMode);
    // Linux lets fopen succeed on a folder; a folder is not a file to stream.
    struct stat status;
    if (m_file && fstat(fileno(m_file), &status) == 0 && S_ISDIR(status.st_mode)) {
        std::fclose(m_file);
        m_file = nullptr;
    }
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
