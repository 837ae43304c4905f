#include "core/DirectoryIterator.h"

#include <utility>

namespace Holmgrave {
namespace FS {

DirectoryIterator::DirectoryIterator(std::shared_ptr<IIteratorImpl> impl) : m_impl(std::move(impl))
{
    if (m_impl)
        advance();
}

DirectoryIterator& DirectoryIterator::operator++()
{
    if (m_impl)
        advance();
    return *this;
}

void DirectoryIterator::advance()
{
    m_impl->increment();
    const Core::Result<DirectoryEntry>& current = m_impl->current();
    if (current.hasValue()) {
        const DirectoryEntry& entry = current.value();
        if (entry.type != FileType::none || !entry.path.empty())
            return;
    } else {
        m_status = Core::VoidResult(current.error());
    }
    m_impl.reset();
}

bool operator!=(const DirectoryIterator& a, const DirectoryIterator& b)
{
    if (!a.m_impl && !b.m_impl)
        return false;
    if (!a.m_impl || !b.m_impl)
        return true;
    const Core::Result<DirectoryEntry>& x = a.m_impl->current();
    const Core::Result<DirectoryEntry>& y = b.m_impl->current();
    if (x.hasValue() != y.hasValue())
        return true;
    if (!x.hasValue())
        return false;
    return x.value() != y.value();
}

} // namespace FS
} // namespace Holmgrave
