#pragma once

#include <dirent.h>

#include <memory>

namespace Holmgrave::FS::Detail {

struct DirCloser {
    void operator()(DIR* dir) const
    {
        if (dir != nullptr)
            ::closedir(dir);
    }
};

// An open folder stream that is closed on every way out of a scope.
using UniqueDir = std::unique_ptr<DIR, DirCloser>;

}  // namespace Holmgrave::FS::Detail
