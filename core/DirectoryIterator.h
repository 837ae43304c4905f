#pragma once

#include "core/FileTypes.h"
#include "core/Result.h"

#include <memory>

namespace Holmgrave {
namespace FS {

// A platform enumeration behind a DirectoryIterator. current() holds the
// entry reached by the last increment(), the end entry {"", none} once the
// enumeration is exhausted, or the Error that ended it.
class IIteratorImpl
{
public:
    virtual ~IIteratorImpl() = default;
    virtual void increment() = 0;
    virtual const Core::Result<DirectoryEntry>& current() const = 0;
};

// An input iterator over directory entries. Copies share the enumeration, so
// advancing one advances all. An error ends the iteration and stays readable
// through status().
class DirectoryIterator
{
public:
    DirectoryIterator() = default;  // the end iterator
    explicit DirectoryIterator(std::shared_ptr<IIteratorImpl> impl);

    DirectoryIterator& operator++();
    // Only while not at the end.
    const Core::Result<DirectoryEntry>& operator*() const { return m_impl->current(); }
    const Core::VoidResult& status() const { return m_status; }

    friend bool operator!=(const DirectoryIterator& a, const DirectoryIterator& b);
    friend bool operator==(const DirectoryIterator& a, const DirectoryIterator& b) { return !(a != b); }

private:
    void advance();

    std::shared_ptr<IIteratorImpl> m_impl;
    Core::VoidResult m_status;
};

} // namespace FS
} // namespace Holmgrave
