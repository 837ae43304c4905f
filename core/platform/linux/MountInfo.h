#pragma once

// Reading the kernel's table of mounts (/proc/self/mountinfo).
//
// The text comes from outside the process, so the parser treats it as
// untrusted: a line that does not have the expected shape is skipped and
// counted, never trusted in part, and nothing in it can make the parser read
// out of bounds.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace Holmgrave::FS::Detail {

struct MountEntry {
    int mountId = 0;
    int parentId = 0;
    unsigned major = 0;
    unsigned minor = 0;
    std::string root;          // the part of the file system mounted here
    std::string mountPoint;    // where it is mounted, escapes decoded
    std::string mountOptions;  // per-mount options ("rw,relatime")
    std::string fsType;        // "ext4", "nfs4", "fuse.sshfs", ...
    std::string source;        // "/dev/sda1", "server:/export", "none"
    std::string superOptions;  // per-superblock options
    bool readOnly = false;     // "ro" among the per-mount options
};

struct MountTable {
    std::vector<MountEntry> entries;  // in the order of the text
    std::size_t malformedLines = 0;   // lines skipped because they were not understood
};

// Parses the whole text of a mountinfo file. Pure: no file-system access.
MountTable parseMountInfo(std::string_view text);

// Decodes the kernel's octal escapes ("\040" for a blank, "\134" for a
// backslash). A backslash not followed by three octal digits stays as it is.
std::string decodeMountField(std::string_view field);

// Kernel-internal and virtual file systems that hold no user data. They are
// not volumes in the sense of the library's volume listing.
bool isPseudoFilesystem(std::string_view fsType);

// Network file systems (kernel clients and the common FUSE ones).
bool isNetworkFilesystem(std::string_view fsType);

// The entry whose mount point is the longest prefix of |absolutePath| (on a
// component boundary) among those for the device major:minor; when none of
// the device's entries is a prefix, the last entry of the device; null when
// the device has no entry at all.
const MountEntry* findMountForDevice(const MountTable& table, unsigned major, unsigned minor,
                                     std::string_view absolutePath);

// Reads /proc/self/mountinfo (or another file, for tests). An unreadable file
// gives an empty table and sets |error| to the errno of the failure.
MountTable readMountTable(const std::string& file, int& error);

}  // namespace Holmgrave::FS::Detail
