#pragma once

#include "core/DirectoryIterator.h"
#include "core/Path.h"

#include <memory>

namespace Holmgrave {
namespace FS {
namespace Detail {

class DirectoryWalker;

// The native enumeration: a folder's entries, with IterationOption::recursive
// the whole tree below it (depth first, entries of each folder sorted by
// name), with IterationOption::followSymlinks also the entries of folders that
// symbolic links point to (a relative link target is taken relative to the
// link's folder). A folder already being listed further up is not entered
// again, so a link cycle cannot make a listing endless. Named pipes and
// other unnamed types come as FileType::unknown.
class Iterator : public IIteratorImpl
{
public:
    Iterator(const Core::Path& start, IterationOption option);
    ~Iterator() override;

    void increment() override;
    const Core::Result<DirectoryEntry>& current() const override { return m_current; }

private:
    bool m_recursive;
    bool m_followSymlinks;
    Core::Result<DirectoryEntry> m_current;
    std::unique_ptr<DirectoryWalker> m_walker;  // null for an empty start path
};

} // namespace Detail
} // namespace FS
} // namespace Holmgrave
