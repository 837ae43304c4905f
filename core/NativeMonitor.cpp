#include "core/NativeMonitor.h"

#include "core/NativeFilesystem.h"
#include "core/platform/linux/InotifyStream.h"
#include "core/platform/linux/PathText.h"

#include <string>
#include <utility>

namespace Holmgrave {
namespace FS {
namespace Detail {

namespace {

// Where the monitor's diagnostics would go; like the platform layer it
// stands for, it prints nothing.
void diagnostic(const char*) {}

} // namespace

std::mutex& NativeMonitor::lock()
{
    static std::mutex monitorLock;
    return monitorLock;
}

NativeMonitor::NativeMonitor(const FilesystemBase& filesystem, std::chrono::milliseconds latency)
    : m_filesystem(filesystem), m_latency(latency)
{
    auto forwarder = [this](const ChangeNotification& notification) { forward(notification); };
    m_dispatcher = std::make_unique<GenericChangeListener<decltype(forwarder)>>(forwarder);
}

NativeMonitor::~NativeMonitor()
{
    if (!m_listeners.empty())
        diagnostic("Monitor: there are still registered listeners!\n");
    // Waits for a batch being delivered; a batch not yet handed over is dropped.
    stop();
    // Called by a listener, stop() did not wait for the deliveries: each one
    // learns here that nothing of this monitor may be touched once its
    // current listener returns.
    {
        std::lock_guard<std::mutex> guard(lock());
        for (const auto& entry : m_deliveries)
            entry.second->monitorGone = true;
    }
    m_listeners.clear();
    m_watched.clear();
}

void NativeMonitor::stop()
{
    std::unique_ptr<InotifyStream> stream;
    {
        std::lock_guard<std::mutex> guard(lock());
        stream = std::move(m_stream);
    }
    // Outside the lock: stopping waits for the stream's thread, which may be
    // about to take the lock.
    if (stream)
        stream->stop();
    // A stream that a listener stopped on its own thread was let go, not
    // waited for: its delivery may still be running.
    std::unique_lock<std::mutex> guard(lock());
    awaitOtherDeliveries(guard);
}

// Waits until no other thread delivers for this monitor. A delivering thread
// (a listener calling in) does not wait, so that two deliveries never wait
// for each other.
void NativeMonitor::awaitOtherDeliveries(std::unique_lock<std::mutex>& guard)
{
    if (m_deliveries.count(std::this_thread::get_id()) != 0)
        return;
    m_delivered.wait(guard, [this] { return m_deliveries.empty(); });
}

bool NativeMonitor::watch(const Core::Path& path)
{
    return watch(std::vector<Core::Path>{path});
}

bool NativeMonitor::unwatch(const Core::Path& path)
{
    return unwatch(std::vector<Core::Path>{path});
}

bool NativeMonitor::watch(const std::vector<Core::Path>& paths)
{
    std::lock_guard<std::mutex> guard(lock());
    bool added = false;
    std::vector<Core::Path> tidied;
    for (const Core::Path& given : paths) {
        tidied.emplace_back(tidyPath(given.str()));
        added = m_watched[tidied.back()]++ == 0 || added;
    }
    if (m_stream) {
        // A path watched already is watched anew where its item was lost.
        for (const Core::Path& path : tidied)
            m_stream->addRoot(path.str());
    } else if (added) {
        startStream();
    }
    return true;
}

bool NativeMonitor::unwatch(const std::vector<Core::Path>& paths)
{
    std::unique_ptr<InotifyStream> finished;
    {
        std::lock_guard<std::mutex> guard(lock());
        std::vector<Core::Path> removed;
        for (const Core::Path& given : paths) {
            const Core::Path path(tidyPath(given.str()));
            const auto it = m_watched.find(path);
            if (it == m_watched.end())
                continue;
            if (--it->second == 0) {
                m_watched.erase(it);
                removed.push_back(path);
            }
        }
        if (removed.empty())
            return true;
        if (m_watched.empty()) {
            finished = std::move(m_stream);
        } else if (m_stream) {
            for (const Core::Path& path : removed)
                m_stream->removeRoot(path.str());
        } else {
            startStream();
        }
    }
    // Stopped outside the lock: the stream's thread may be waiting for the
    // lock to deliver, and stopping waits for that thread.
    if (finished)
        finished->stop();
    return true;
}

void NativeMonitor::addListener(IChangeListener* listener)
{
    std::lock_guard<std::mutex> guard(lock());
    m_listeners.insert(listener);
}

void NativeMonitor::removeListener(IChangeListener* listener)
{
    std::unique_lock<std::mutex> guard(lock());
    m_listeners.erase(listener);
    // A delivery in progress may have taken the listener already.
    awaitOtherDeliveries(guard);
}

bool NativeMonitor::isStreaming() const
{
    std::lock_guard<std::mutex> guard(lock());
    return m_stream != nullptr;
}

void NativeMonitor::startStream()
{
    std::vector<std::string> roots;
    roots.reserve(m_watched.size());
    for (const auto& entry : m_watched)
        roots.push_back(entry.first.str());
    auto stream = std::make_unique<InotifyStream>(
        [this](std::vector<RawChange>&& changes, const std::atomic<bool>& stopped) {
            deliver(std::move(changes), stopped);
        },
        m_latency);
    if (stream->start(roots) != 0) {
        diagnostic("Unable to start FSEventStream!\n");
        return;
    }
    m_stream = std::move(stream);
}

void NativeMonitor::deliver(std::vector<RawChange>&& changes, const std::atomic<bool>& stopped)
{
    Delivery delivery;
    delivery.stopped = &stopped;
    {
        std::lock_guard<std::mutex> guard(lock());
        // A stream that is being stopped delivers nothing more: whoever stops
        // it may be waiting for this thread, and the listeners may be going
        // away.
        if (stopped.load())
            return;
        m_deliveries[std::this_thread::get_id()] = &delivery;
    }
    ChangeNotification notification;
    notification.filesystem = &m_filesystem;
    notification.time = std::chrono::system_clock::now();
    notification.events.reserve(changes.size());
    for (RawChange& change : changes) {
        notification.events.push_back(ChangeEvent{static_cast<ChangeKind>(change.kind),
                                                  Core::Path(std::move(change.path)),
                                                  Core::Path(std::move(change.oldPath))});
    }
    m_dispatcher->onChange(notification);
    // Notified under the lock: a waiter that sees the delivery gone may
    // destroy the monitor, and this thread must not touch it any more.
    std::lock_guard<std::mutex> guard(lock());
    if (delivery.monitorGone)
        return;
    m_deliveries.erase(std::this_thread::get_id());
    m_delivered.notify_all();
}

// Calls the listeners without the monitor lock, so that a listener can use
// this and other monitors. A listener removed or a stream stopped meanwhile
// is not called any more.
void NativeMonitor::forward(const ChangeNotification& notification)
{
    std::vector<IChangeListener*> listeners;
    const Delivery* delivery = nullptr;
    {
        std::lock_guard<std::mutex> guard(lock());
        delivery = m_deliveries.at(std::this_thread::get_id());
        listeners.assign(m_listeners.begin(), m_listeners.end());
    }
    for (IChangeListener* listener : listeners) {
        {
            std::lock_guard<std::mutex> guard(lock());
            // The destructor stops the stream first, so a listener that
            // destroyed the monitor leaves nothing of it to be read here.
            if (delivery->stopped->load() || m_listeners.count(listener) == 0)
                continue;
        }
        listener->onChange(notification);
    }
}

} // namespace Detail

Core::Result<std::shared_ptr<IMonitor>> NativeFilesystem::createMonitor() const
{
    return std::shared_ptr<IMonitor>(std::make_shared<Detail::NativeMonitor>(*this));
}

} // namespace FS
} // namespace Holmgrave
