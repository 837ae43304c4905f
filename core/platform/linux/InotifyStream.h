#pragma once

// One inotify instance with its own thread: watches a set of roots and their
// whole folder trees (new subfolders are followed as they appear, and after a
// queue overflow the trees are scanned anew for those the lost events would
// have shown), follows a root by its name when a new item takes its place (a
// file saved by renaming another over it), collects
// what happens into batches that close a fixed time after their first record,
// translates each batch (InotifyEvents.h) and hands it to a sink.
//
// Threads: the constructor, start(), addRoot(), removeRoot() and stop() are
// called by the owner; the sink runs on the stream's own thread, one batch at
// a time. Once stop() has returned, the sink is never called again; a batch
// that had not been handed over yet is dropped.

#include "core/platform/linux/InotifyEvents.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace Holmgrave::FS::Detail {

class InotifyStream {
public:
    // The flag is the stream's stop flag: a sink that must take a lock first
    // looks at it once it holds the lock and drops the batch when it is set,
    // so that a stop() waiting for that lock's holder cannot be outrun.
    using Sink = std::function<void(std::vector<RawChange>&& changes, const std::atomic<bool>& stopped)>;

    InotifyStream(Sink sink, std::chrono::milliseconds latency);
    ~InotifyStream();  // stop()
    InotifyStream(const InotifyStream&) = delete;
    InotifyStream& operator=(const InotifyStream&) = delete;

    // Makes the inotify instance and starts the thread. 0 or an errno.
    int start(const std::vector<std::string>& roots);
    // A root that does not exist is remembered but yields nothing. A root
    // already there is watched anew when its watch was lost (its item was
    // deleted or moved away).
    void addRoot(const std::string& root);
    void removeRoot(const std::string& root);
    // Ends the thread and waits for it, unless called from the sink itself,
    // in which case the thread ends as soon as the sink returns.
    void stop();

    struct State;

private:
    std::shared_ptr<State> m_state;
    std::thread m_thread;
};

}  // namespace Holmgrave::FS::Detail
