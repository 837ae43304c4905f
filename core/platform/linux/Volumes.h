#pragma once

// Mounted volumes: the mount table, statvfs and sysfs together.

#include "core/platform/linux/BlockDevices.h"
#include "core/platform/linux/MountInfo.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Holmgrave::FS::Detail {

// Kind values shared with the library's VolumeKind.
enum class PlatformVolumeKind : std::uint32_t { other = 0, disk = 1, diskImage = 2, optical = 3, network = 4 };

struct PlatformVolume {
    PlatformVolumeKind kind = PlatformVolumeKind::other;
    std::uint64_t totalCapacity = 0;
    std::uint64_t availableCapacity = 0;
    bool ejectable = false;
    bool removable = false;
    bool external = false;
    bool readOnly = true;
};

// Kind and flags from what the mount table and sysfs say. Pure.
// |mountReadOnly| is the read-only state the kernel reports for the mount.
PlatformVolume classifyVolume(const MountEntry* mount, const BlockDeviceInfo& block, bool mountReadOnly);

// Where the live system keeps its tables; tests point these elsewhere.
struct SystemTables {
    std::string mountInfo = "/proc/self/mountinfo";
    std::string sysRoot = "/sys";
};

// Mount points of the mounted volumes in the table's order, leaving out
// pseudo file systems, mounts over something that is not a folder, and mount
// points hidden by a later mount on the same place. Returns 0 or an errno
// (never 0 on failure).
int listVolumes(const SystemTables& tables, std::vector<std::string>& mountPoints);

// The volume holding |path|. Returns 0 or an errno (never 0 on failure).
int queryVolume(const SystemTables& tables, const std::string& path, PlatformVolume& volume);

}  // namespace Holmgrave::FS::Detail
