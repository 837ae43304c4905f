#include "core/NativeIterator.h"

#include "core/NativeFilesystem.h"
#include "core/PlatformError.h"
#include "core/platform/linux/DirectoryWalker.h"

namespace Holmgrave {
namespace FS {
namespace Detail {

Iterator::Iterator(const Core::Path& start, IterationOption option)
    : m_recursive((option & IterationOption::recursive) != 0),
      m_followSymlinks((option & IterationOption::followSymlinks) != 0),
      m_current(DirectoryEntry{})
{
    if (!start.empty())
        m_walker = std::make_unique<DirectoryWalker>(start.str(), m_recursive, m_followSymlinks);
}

Iterator::~Iterator() = default;

void Iterator::increment()
{
    if (!m_current.hasValue())
        return;  // an error is final
    if (!m_walker) {
        m_current = DirectoryEntry{};
        return;
    }
    const WalkStep& step = m_walker->next();
    switch (step.status) {
    case WalkStep::Status::entry:
        m_current = DirectoryEntry{step.path, static_cast<FileType>(step.type)};
        break;
    case WalkStep::Status::end:
        m_current = DirectoryEntry{};
        break;
    case WalkStep::Status::error:
        m_current = platformError(step.error);
        break;
    }
}

} // namespace Detail

Core::VoidResult NativeFilesystem::iterate(const Core::Path& path, IterationOption option,
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

} // namespace FS
} // namespace Holmgrave
