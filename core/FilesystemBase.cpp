#include "core/FilesystemBase.h"

#include "core/IStream.h"

namespace Holmgrave {
namespace FS {

using Core::Error;
using Core::Path;
using Core::Result;
using Core::VoidResult;

Core::URI FilesystemBase::makeURI(const Path& path) const
{
    return Core::URI(path);
}

Path FilesystemBase::currentDirectory() const
{
    return Path();
}

Path FilesystemBase::tempDirectory() const
{
    return Path();
}

const std::string& FilesystemBase::invalidNameCharacters() const
{
    static const std::string none;
    return none;
}

bool FilesystemBase::isValidName(const Path&) const
{
    return false;
}

Path FilesystemBase::makeValidName(const Path& name, char) const
{
    return name;
}

Path FilesystemBase::absolute(const Path& path) const
{
    if (path.hasRootName())
        return path;
    Path result = currentDirectory();
    result.append(path.str());
    return result;
}

Result<Path> FilesystemBase::canonical(const Path&) const
{
    return Error::notSupported();
}

Result<FileType> FilesystemBase::fileType(const Path&, bool) const
{
    return Error::notSupported();
}

Result<std::uint64_t> FilesystemBase::fileSize(const Path&) const
{
    return Error::notSupported();
}

Result<TimePoint> FilesystemBase::lastModified(const Path&) const
{
    return Error::notSupported();
}

Result<bool> FilesystemBase::exists(const Path&) const
{
    return Error::notSupported();
}






Result<Path> FilesystemBase::readSymlink(const Path&) const
{
    return Error::notSupported();
}

VoidResult FilesystemBase::iterate(const Path&, IterationOption, const IterationCallback&) const
{
    return Error::notSupported();
}



Result<std::vector<Path>> FilesystemBase::volumes() const
{
    return Error::notSupported();
}

Result<VolumeInfo> FilesystemBase::volumeInfo(const Path&) const
{
    return Error::notSupported();
}

Result<std::shared_ptr<IMonitor>> FilesystemBase::createMonitor() const
{
    return Error::notSupported();
}

VoidResult FilesystemBase::setCurrentDirectory(const Path&) const
{
    return Error::notSupported();
}

VoidResult FilesystemBase::createFile(const Path&) const
{
    return Error::notSupported();
}

Result<std::shared_ptr<IStream>> FilesystemBase::open(const Path&, std::uint32_t, bool) const
{
    return Error::notSupported();
}

VoidResult FilesystemBase::createDirectory(const Path&) const
{
    return Error::notSupported();
}

VoidResult FilesystemBase::createDirectories(const Path&) const
{
    return Error::notSupported();
}

VoidResult FilesystemBase::createHardLink(const Path&, const Path&) const
{
    return Error::notSupported();
}

Result<Path> FilesystemBase::createSymlink(const Path&, const Path&) const
{
    return Error::notSupported();
}

VoidResult FilesystemBase::copy(const Path&, const Path&) const
{
    return Error::notSupported();
}

VoidResult FilesystemBase::copyRecursive(const Path&, const Path&) const
{
    return Error::notSupported();
}

VoidResult FilesystemBase::move(const Path&, const Path&) const
{
    return Error::notSupported();
}

VoidResult FilesystemBase::remove(const Path&) const
{
    return Error::notSupported();
}

VoidResult FilesystemBase::removeRecursive(const Path&) const
{
    return Error::notSupported();
}

VoidResult FilesystemBase::setLastModified(const Path&, TimePoint) const
{
    return Error::notSupported();
}

VoidResult FilesystemBase::moveToTrash(const Path&) const
{
    return Error::notSupported();
}

} // namespace FS
} // namespace Holmgrave
