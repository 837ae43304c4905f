#pragma once

// Walks a folder (optionally its whole tree, optionally through symbolic
// links to folders) one entry at a time.
//
// Order: the entries of a folder sorted byte-wise by name; a subfolder's
// entries come right after the subfolder itself (depth first), and a followed
// link's folder right after the link. A folder that is already being listed
// further up the current chain is not entered again, so link cycles end.
// A subfolder or file that vanishes before it is reached is skipped; any
// other error ends the walk for good.

#include "core/platform/linux/PosixFiles.h"

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace Holmgrave::FS::Detail {

struct WalkStep {
    enum class Status { entry, end, error };
    Status status = Status::end;
    std::string path;
    std::uint32_t type = 0;  // FileType value; 8 for anything not otherwise named (named pipes)
    int error = 0;           // errno when status is error
};

class DirectoryWalker {
public:
    DirectoryWalker(const std::string& start, bool recursive, bool followSymlinks);
    DirectoryWalker(const DirectoryWalker&) = delete;
    DirectoryWalker& operator=(const DirectoryWalker&) = delete;

    const WalkStep& next();
    const WalkStep& current() const { return m_step; }

private:
    struct Frame {
        std::string folder;
        std::vector<std::string> names;
        std::size_t index = 0;
        dev_t device = 0;
        ino_t inode = 0;
    };

    int push(const std::string& folder);  // 0, or an errno
    bool onChain(dev_t device, ino_t inode) const;
    void fail(int error);

    bool m_recursive;
    bool m_followSymlinks;
    std::vector<Frame> m_frames;
    std::string m_pendingFolder;  // to be entered before the next entry is read
    WalkStep m_step;
};

}  // namespace Holmgrave::FS::Detail
