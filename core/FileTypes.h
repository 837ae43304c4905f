#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace Holmgrave {
namespace FS {

class FilesystemBase;

enum class FileType : std::uint32_t
{
    none = 0,
    regular = 1,
    directory = 2,
    symlink = 3,
    block = 4,
    character = 5,
    socket = 6,
    unknown = 8,
};

// A set of bits; other bits are ignored.
enum IterationOption : std::uint32_t
{
    recursive = 1,
    followSymlinks = 2,
};

struct DirectoryEntry
{
    std::string path;
    FileType type = FileType::none;

    friend bool operator==(const DirectoryEntry& a, const DirectoryEntry& b)
    {
        return a.type == b.type && a.path == b.path;
    }
    friend bool operator!=(const DirectoryEntry& a, const DirectoryEntry& b) { return !(a == b); }
};

// Called once per entry; returns false to stop the iteration.
using IterationCallback = std::function<bool(const FilesystemBase&, const DirectoryEntry&)>;

enum class VolumeKind : std::uint32_t
{
    other = 0,
    disk = 1,
    diskImage = 2,
    optical = 3,
    network = 4,
};

struct VolumeInfo
{
    VolumeKind kind = VolumeKind::other;
    std::uint64_t totalCapacity = 0;
    std::uint64_t availableCapacity = 0;
    bool ejectable = false;
    bool removable = false;
    bool external = false;
    bool readOnly = false;
};

} // namespace FS
} // namespace Holmgrave
