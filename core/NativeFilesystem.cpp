#include "core/NativeFilesystem.h"

#include "core/BufferedFileHandle.h"
#include "core/FileHandle.h"

#include <sys/stat.h>

namespace Holmgrave {
namespace FS {

NativeFilesystem& NativeFilesystem::instance()
{
    static NativeFilesystem filesystem;
    return filesystem;
}

std::uint64_t NativeFilesystem::bufferSizeFor(std::uint64_t preferredBlockSize, bool known)
{
    std::uint64_t size = known ? preferredBlockSize * 8 : 8192;
    if (size > 16384)
        size = 16384;
    if (size == 0)
        size = 8192; // a file system that reports no block size
    return size;
}

Core::Result<std::shared_ptr<IStream>> NativeFilesystem::open(const Core::Path& path, std::uint32_t mode,
                                                              bool buffered) const
{
    auto handle = std::make_shared<FileHandle>(path, mode);
    if (!handle->good())
        return Core::Error::library("unable to open file");
    if (!buffered)
        return std::shared_ptr<IStream>(std::move(handle));

    const int descriptor = fileno(handle->file());
    struct stat status;
    const bool known = descriptor != 0 && fstat(descriptor, &status) == 0;
    const std::uint64_t blockSize = bufferSizeFor(known ? static_cast<std::uint64_t>(status.st_blksize) : 0, known);
    return std::shared_ptr<IStream>(std::make_shared<BufferedFileHandle>(std::move(handle), blockSize));
}

} // namespace FS
} // namespace Holmgrave
