// Volumes, the trash, listings and change monitors of the native file system.

#include "core/NativeFilesystem.h"

#include "core/NativeIterator.h"
#include "core/NativeMonitor.h"
#include "core/PlatformError.h"
#include "core/platform/linux/Trash.h"
#include "core/platform/linux/Volumes.h"

namespace Holmgrave {
namespace FS {

using Core::Path;
using Core::Result;
using Core::VoidResult;
using Detail::platformError;

Result<std::vector<Path>> NativeFilesystem::volumes() const
{
    std::vector<std::string> mountPoints;
    // listVolumes never reports a failure as 0, so a failed listing cannot
    // pass for an empty one.
    if (const int rc = Detail::listVolumes(Detail::SystemTables(), mountPoints); rc != 0)
        return platformError(rc);
    std::vector<Path> paths;
    paths.reserve(mountPoints.size());
    for (std::string& mountPoint : mountPoints)
        paths.emplace_back(std::move(mountPoint));
    return paths;
}

Result<VolumeInfo> NativeFilesystem::volumeInfo(const Path& path) const
{
    Detail::PlatformVolume volume;
    if (const int rc = Detail::queryVolume(Detail::SystemTables(), path.str(), volume); rc != 0)
        return platformError(rc);
    VolumeInfo info;
    info.kind = static_cast<VolumeKind>(volume.kind);
    info.totalCapacity = volume.totalCapacity;
    info.availableCapacity = volume.availableCapacity;
    info.ejectable = volume.ejectable;
    info.removable = volume.removable;
    info.external = volume.external;
    info.readOnly = volume.readOnly;
    return info;
}

VoidResult NativeFilesystem::moveToTrash(const Path& path) const
{
    return Detail::platformResult(Detail::moveToTrash(path.str()));
}

VoidResult NativeFilesystem::iterate(const Path& path, IterationOption option,
                                     const IterationCallback& callback) const
{
    DirectoryIterator it(std::make_shared<Detail::Iterator>(path, option));
    const DirectoryIterator end;
    while (it != end) {
        if (!callback(*this, (*it).value()))
            break;
        ++it;
    }
    return it.status();
}

Result<std::shared_ptr<IMonitor>> NativeFilesystem::createMonitor() const
{
    return std::shared_ptr<IMonitor>(std::make_shared<Detail::NativeMonitor>(*this));
}

} // namespace FS
} // namespace Holmgrave
