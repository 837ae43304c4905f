#pragma once

// Walking down and up a folder tree through descriptors, for the operations
// that change whole trees (copy and removal).

#include "core/platform/linux/UniqueFd.h"

#include <sys/stat.h>

#include <string>
#include <vector>

namespace Holmgrave::FS::Detail {

// The folder a walk stands in, and the way back up to where it started.
// Only the current folder is held open; the folders above it are known by
// their identity (device and inode) and their names, and are reopened by
// "..". A way back is taken only when ".." is the folder the walk came from
// and still holds the folder it leaves under the same name; otherwise the
// tree was moved under the walk, which then fails with ESTALE rather than go
// on somewhere else. So a walk of any depth holds one descriptor, and it
// never enters a folder through a symbolic link.
class FolderWalk {
public:
    // Takes the descriptor of the start folder.
    explicit FolderWalk(int folder);

    int fd() const { return m_fd.get(); }
    std::size_t depth() const { return m_levels.size() - 1; }  // 0 at the start folder
    // The current folder's name in the folder above (depth() > 0).
    const std::string& name() const { return m_levels.back().name; }

    // Into the subfolder |name| of the current folder; |status|, when given,
    // receives what the opened folder is. 0 or an errno (ENOENT: gone;
    // ELOOP or ENOTDIR: not a folder, a link for instance).
    int enter(const std::string& name, struct stat* status = nullptr);
    // Back to the folder above (depth() > 0). |left|, when given, takes the
    // descriptor of the folder left. 0 or an errno.
    int leave(Fd* left = nullptr);

private:
    struct Level {
        dev_t device = 0;
        ino_t inode = 0;
        std::string name;  // in the folder above; empty for the start folder
    };

    Fd m_fd;
    std::vector<Level> m_levels;  // the start folder first, the current one last
};

// The entries of the open folder |folder| without "." and "..", sorted so that
// every listing of the same folder comes out in the same order. The
// descriptor stays open and its position is not used.
int listFolder(int folder, std::vector<std::string>& names);

}  // namespace Holmgrave::FS::Detail
