#pragma once

#include "core/Path.h"

#include <chrono>
#include <cstdint>
#include <utility>
#include <vector>

namespace Holmgrave {
namespace FS {

class FilesystemBase;

enum class ChangeKind : std::uint32_t
{
    created = 0,
    removed = 1,
    modified = 2,  // content, inode data or extended attributes
    renamed = 3,   // old and new path known
    unspecified = 4,
};

struct ChangeEvent
{
    ChangeKind kind = ChangeKind::unspecified;
    Core::Path path;     // for renamed: the new path
    Core::Path oldPath;  // for renamed: the old path; empty otherwise
};

struct ChangeNotification
{
    const FilesystemBase* filesystem = nullptr;
    std::vector<ChangeEvent> events;
    std::chrono::system_clock::time_point time;  // when the batch arrived
};

// Receives the batches of a monitor. onChange runs on the monitor's own
// thread, one batch at a time, without the monitor lock: it may call any
// operation of this or another monitor and destroy other monitors (destroying
// one waits for its thread, so two listeners must not destroy each other's
// monitors). It may also destroy the monitor that calls it (drop the last
// reference to it): the listeners after it are then not called.
class IChangeListener
{
public:
    virtual ~IChangeListener() = default;
    virtual void onChange(const ChangeNotification& notification) = 0;
};

template<typename F>
class GenericChangeListener : public IChangeListener
{
public:
    explicit GenericChangeListener(F function) : m_function(std::move(function)) {}
    void onChange(const ChangeNotification& notification) override { m_function(notification); }

private:
    F m_function;
};

template<typename F>
GenericChangeListener<F> makeChangeListener(F function)
{
    return GenericChangeListener<F>(std::move(function));
}

// Watches paths (each with the whole tree below it) and reports what changes
// there, in batches, to the registered listeners (which it does not own).
//
// watch, unwatch, addListener and removeListener take the process-wide
// monitor lock and may be called from any thread. When removeListener
// returns (called from anywhere but one of this monitor's listeners), that
// listener is not being called and will not be called again. stop and the
// destructor must not run while another thread calls watch or unwatch on the
// same monitor; when they return, no listener of this monitor is being called
// or will be called again (except the listener that called stop itself).
class IMonitor
{
public:
    virtual ~IMonitor() = default;

    // Stops reporting; the watched set is kept, and the next watch or unwatch
    // that changes it starts reporting again.
    virtual void stop() = 0;
    virtual bool watch(const Core::Path& path) = 0;
    virtual bool unwatch(const Core::Path& path) = 0;
    virtual bool watch(const std::vector<Core::Path>& paths) = 0;
    virtual bool unwatch(const std::vector<Core::Path>& paths) = 0;
    virtual void addListener(IChangeListener* listener) = 0;
    virtual void removeListener(IChangeListener* listener) = 0;
};

} // namespace FS
} // namespace Holmgrave
