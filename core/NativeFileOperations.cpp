// The native file system's path-level operations on the POSIX layer.

#include "core/NativeFilesystem.h"

#include "core/PlatformError.h"
#include "core/platform/linux/PosixFiles.h"

#include <chrono>

namespace Holmgrave {
namespace FS {

using Core::Error;
using Core::Path;
using Core::Result;
using Core::VoidResult;
using Detail::platformError;
using Detail::platformResult;

namespace {

// For the calls whose platform counterparts report only yes or no: the errno
// with no text.
VoidResult errnoResult(int code)
{
    return code == 0 ? VoidResult() : VoidResult(Error::fromErrno(code));
}

} // namespace

Path NativeFilesystem::currentDirectory() const
{
    return Path(Detail::posixCurrentDirectory());
}

Path NativeFilesystem::tempDirectory() const
{
    return Path(Detail::posixTempDirectory());
}

Result<Path> NativeFilesystem::canonical(const Path& path) const
{
    return Path(Detail::posixCanonical(path.str()));
}

Result<FileType> NativeFilesystem::fileType(const Path& path, bool followLinks) const
{
    Detail::PosixFileType type = Detail::PosixFileType::none;
    if (const int rc = Detail::posixFileType(path.str(), followLinks, type); rc != 0)
        return platformError(rc);
    return static_cast<FileType>(type);
}

Result<std::uint64_t> NativeFilesystem::fileSize(const Path& path) const
{
    std::uint64_t size = 0;
    if (const int rc = Detail::posixFileSize(path.str(), size); rc != 0)
        return platformError(rc);
    return size;
}

Result<TimePoint> NativeFilesystem::lastModified(const Path& path) const
{
    std::time_t seconds = 0;
    if (const int rc = Detail::posixLastModified(path.str(), seconds); rc != 0)
        return platformError(rc);
    return TimePoint(std::chrono::seconds(seconds));
}

Result<bool> NativeFilesystem::exists(const Path& path) const
{
    return Detail::posixExists(path.str());
}

Result<Path> NativeFilesystem::readSymlink(const Path& path) const
{
    std::string target;
    if (const int rc = Detail::posixReadSymlink(path.str(), target); rc != 0)
        return platformError(rc);
    return Path(std::move(target));
}

VoidResult NativeFilesystem::setCurrentDirectory(const Path& path) const
{
    return errnoResult(Detail::posixSetCurrentDirectory(path.str()));
}

VoidResult NativeFilesystem::createFile(const Path& path) const
{
    return errnoResult(Detail::posixCreateFile(path.str()));
}

VoidResult NativeFilesystem::createDirectory(const Path& path) const
{
    return platformResult(Detail::posixCreateDirectory(path.str(), false));
}

VoidResult NativeFilesystem::createDirectories(const Path& path) const
{
    return platformResult(Detail::posixCreateDirectory(path.str(), true));
}

VoidResult NativeFilesystem::createHardLink(const Path& existing, const Path& newPath) const
{
    return platformResult(Detail::posixCreateHardLink(existing.str(), newPath.str()));
}

Result<Path> NativeFilesystem::createSymlink(const Path& target, const Path& linkPath) const
{
    if (const int rc = Detail::posixCreateSymlink(target.str(), linkPath.str()); rc != 0)
        return platformError(rc);
    return linkPath;
}

VoidResult NativeFilesystem::copy(const Path& from, const Path& to) const
{
    return platformResult(Detail::posixCopy(from.str(), to.str(), false));
}

VoidResult NativeFilesystem::copyRecursive(const Path& from, const Path& to) const
{
    return platformResult(Detail::posixCopy(from.str(), to.str(), true));
}

VoidResult NativeFilesystem::move(const Path& from, const Path& to) const
{
    return platformResult(Detail::posixMove(from.str(), to.str()));
}

VoidResult NativeFilesystem::remove(const Path& path) const
{
    return platformResult(Detail::posixRemove(path.str(), false));
}

VoidResult NativeFilesystem::removeRecursive(const Path& path) const
{
    return platformResult(Detail::posixRemove(path.str(), true));
}

VoidResult NativeFilesystem::setLastModified(const Path& path, TimePoint time) const
{
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(time.time_since_epoch()).count();
    return platformResult(Detail::posixSetLastModified(path.str(), static_cast<std::time_t>(seconds)));
}

} // namespace FS
} // namespace Holmgrave
