// The mounted volumes of the native file system and what they are.

#include "core/NativeFilesystem.h"

#include "core/PlatformError.h"
#include "core/platform/linux/Volumes.h"

namespace Holmgrave {
namespace FS {

using Core::Path;
using Core::Result;
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

} // namespace FS
} // namespace Holmgrave
