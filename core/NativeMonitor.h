#pragma once

#include "core/ChangeMonitor.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace Holmgrave {
namespace FS {
namespace Detail {

class InotifyStream;
struct RawChange;

// The native change monitor. Each path is watched with a count (watching a
// path twice needs two unwatch calls; "/x/" and "/x" are one path); the
// platform stream runs while at least one path is watched and stop() has not
// been called since the watched set last changed. Batches close |latency|
// after their first event (1.0 s for monitors made by the native file
// system).
//
// Watching a path that is already watched counts it once more and, when its
// item was lost (deleted or moved away), watches what now stands at its name.
//
// Listeners are called on the stream's thread without the monitor lock (see
// IChangeListener). removeListener, stop and the destructor wait until the
// deliveries in progress have ended (unless a listener calls them), so a
// removed listener may be destroyed once removeListener returns. A listener
// may destroy this monitor: its delivery then calls no further listener and
// reads nothing more of the monitor.
class NativeMonitor : public IMonitor
{
public:
    explicit NativeMonitor(const FilesystemBase& filesystem,
                           std::chrono::milliseconds latency = std::chrono::milliseconds(1000));
    ~NativeMonitor() override;
    NativeMonitor(const NativeMonitor&) = delete;
    NativeMonitor& operator=(const NativeMonitor&) = delete;

    void stop() override;
    bool watch(const Core::Path& path) override;
    bool unwatch(const Core::Path& path) override;
    bool watch(const std::vector<Core::Path>& paths) override;
    bool unwatch(const std::vector<Core::Path>& paths) override;
    void addListener(IChangeListener* listener) override;
    void removeListener(IChangeListener* listener) override;

    // True while a platform stream runs (for tests of the stream's lifetime).
    bool isStreaming() const;

    // The one lock shared by all monitors: it guards every monitor's watched
    // set, listener set, stream and delivery state. It is never held while a
    // listener runs.
    static std::mutex& lock();

private:
    // One delivery in progress, on its thread's stack.
    struct Delivery
    {
        const std::atomic<bool>* stopped = nullptr; // the delivering stream's stop flag
        bool monitorGone = false;                   // a listener destroyed the monitor meanwhile
    };

    void startStream();  // under the lock
    void awaitOtherDeliveries(std::unique_lock<std::mutex>& guard);
    void deliver(std::vector<RawChange>&& changes, const std::atomic<bool>& stopped);
    void forward(const ChangeNotification& notification);

    const FilesystemBase& m_filesystem;
    std::unique_ptr<IChangeListener> m_dispatcher;
    std::chrono::milliseconds m_latency;
    std::unique_ptr<InotifyStream> m_stream;
    std::map<Core::Path, std::uint32_t> m_watched;
    std::set<IChangeListener*> m_listeners;
    // The deliveries in progress, by delivering thread. Usually one; a
    // listener that restarts the stream lets the new stream's thread deliver
    // while its own delivery goes on.
    std::map<std::thread::id, Delivery*> m_deliveries;
    std::condition_variable m_delivered; // a delivery ended
};

} // namespace Detail
} // namespace FS
} // namespace Holmgrave
