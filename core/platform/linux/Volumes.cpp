#include "core/platform/linux/Volumes.h"

#include "core/platform/linux/PathText.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>


namespace Holmgrave::FS::Detail {

PlatformVolume classifyVolume(const MountEntry* mount, const BlockDeviceInfo& block, bool mountReadOnly)
{
    PlatformVolume v;
    v.readOnly = mountReadOnly || (mount != nullptr && mount->readOnly);
    if (mount != nullptr && isNetworkFilesystem(mount->fsType)) {
        v.kind = PlatformVolumeKind::network;
        return v;
    }
    if (!block.found) {
        v.kind = PlatformVolumeKind::other;
        return v;
    }
    if (block.loop)
        v.kind = PlatformVolumeKind::diskImage;
    else if (block.optical)
        v.kind = PlatformVolumeKind::optical;
    else
        v.kind = PlatformVolumeKind::disk;
    v.readOnly = v.readOnly || block.readOnly;
    v.removable = block.removable || block.optical;
    v.external = block.usb || block.firewire;
    // What the user can unmount and take away: removable media, drives on an
    // external bus, and attached image files.
    v.ejectable = v.removable || v.external || block.loop;
    return v;
}

int listVolumes(const SystemTables& tables, std::vector<std::string>& mountPoints)
{
    mountPoints.clear();
    int error = 0;
    const MountTable table = readMountTable(tables.mountInfo, error);
    if (error != 0)
        return error;  // never 0 here
    for (std::size_t i = 0; i < table.entries.size(); ++i) {
        const MountEntry& e = table.entries[i];
        if (isPseudoFilesystem(e.fsType))
            continue;
        bool hidden = false;
        for (std::size_t j = i + 1; j < table.entries.size() && !hidden; ++j)
            hidden = table.entries[j].mountPoint == e.mountPoint;
        if (hidden)
            continue;
        struct stat st {};
        if (::stat(e.mountPoint.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            continue;  // bind mounts of single files, or places we cannot see
        mountPoints.push_back(e.mountPoint);
    }
    return 0;
}

int queryVolume(const SystemTables& tables, const std::string& path, PlatformVolume& volume)
{
    struct statvfs vfs {};
    if (::statvfs(path.c_str(), &vfs) != 0)
        return lastError();
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return lastError();

    int error = 0;
    const MountTable table = readMountTable(tables.mountInfo, error);
    // Without the mount table the capacities are still right; the kind then
    // falls back to what sysfs alone can tell.
    const std::string resolved = realPath(path);
    const MountEntry* mount = error == 0
        ? findMountForDevice(table, major(st.st_dev), minor(st.st_dev), resolved.empty() ? path : resolved)
        : nullptr;
    const BlockDeviceInfo block = classifyBlockDevice(tables.sysRoot, major(st.st_dev), minor(st.st_dev));

    volume = classifyVolume(mount, block, (vfs.f_flag & ST_RDONLY) != 0);
    const std::uint64_t unit = vfs.f_frsize != 0 ? vfs.f_frsize : vfs.f_bsize;
    volume.totalCapacity = static_cast<std::uint64_t>(vfs.f_blocks) * unit;
    volume.availableCapacity = static_cast<std::uint64_t>(vfs.f_bavail) * unit;
    return 0;
}

}  // namespace Holmgrave::FS::Detail
