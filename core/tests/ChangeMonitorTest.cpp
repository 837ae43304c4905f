#include "core/NativeFilesystem.h"
#include "core/NativeMonitor.h"
#include "core/platform/linux/InotifyEvents.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <utility>

using namespace std::chrono_literals;
using Holmgrave::Core::Path;
using Holmgrave::FS::ChangeEvent;
using Holmgrave::FS::ChangeKind;
using Holmgrave::FS::ChangeNotification;
using Holmgrave::FS::IChangeListener;
using Holmgrave::FS::NativeFilesystem;
using Holmgrave::FS::Detail::InotifyRecord;
using Holmgrave::FS::Detail::NativeMonitor;
using Holmgrave::FS::Detail::RawChange;
using Holmgrave::FS::Detail::RawChangeKind;
using Holmgrave::FS::Detail::translateInotifyBatch;
using Holmgrave::Test::TempDir;

namespace {

std::string show(const std::vector<RawChange>& changes)
{
    std::string out;
    for (const RawChange& c : changes) {
        out += std::to_string(static_cast<unsigned>(c.kind)) + " " + c.path;
        if (!c.oldPath.empty())
            out += " <- " + c.oldPath;
        out += "\n";
    }
    return out;
}

// Collects every event it is given; waits with a timeout for one to show up.
// The timeout is generous: under a sanitizer on a loaded machine the monitor
// thread can lag for seconds, and a passing wait returns at once anyway.
class Recorder : public IChangeListener
{
public:
    void onChange(const ChangeNotification& n) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_batches;
        m_filesystem = n.filesystem;
        for (const ChangeEvent& e : n.events)
            m_events.push_back(e);
        m_changed.notify_all();
    }

    bool waitFor(ChangeKind kind, const std::string& path, std::chrono::milliseconds timeout = 60000ms,
                 const std::string& oldPath = std::string())
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] {
            for (const ChangeEvent& e : m_events)
                if (e.kind == kind && e.path.str() == path && (oldPath.empty() || e.oldPath.str() == oldPath))
                    return true;
            return false;
        });
    }

    // Forgets what came so far.
    void clear()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_events.clear();
    }

    bool saw(ChangeKind kind, const std::string& path)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const ChangeEvent& e : m_events)
            if (e.kind == kind && e.path.str() == path)
                return true;
        return false;
    }

    int batches()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_batches;
    }

    const void* filesystem()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_filesystem;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<ChangeEvent> m_events;
    int m_batches = 0;
    const void* m_filesystem = nullptr;
};

// Calls a function of the test's; an array of these is called in its order.
struct Forwarding : IChangeListener
{
    std::function<void(const ChangeNotification&)> call;
    void onChange(const ChangeNotification& n) override { call(n); }
};

// Waits until the thread |tid| of this process has ended; false when it
// still runs after a minute.
bool waitForThreadEnd(long tid)
{
    const std::string task = "/proc/self/task/" + std::to_string(tid);
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (::access(task.c_str(), F_OK) == 0) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

void touch(const std::string& path, const std::string& text = "x")
{
    FILE* f = std::fopen(path.c_str(), "a");
    ASSERT_NE(f, nullptr) << path;
    std::fputs(text.c_str(), f);
    std::fclose(f);
}

} // namespace

TEST(ChangeTranslation, KindsFromSingleRecords)
{
    const std::vector<InotifyRecord> records = {
        {IN_CREATE, 0, "/w/new"},
        {IN_MODIFY, 0, "/w/old"},
        {IN_ATTRIB, 0, "/w/attr"},
        {IN_DELETE, 0, "/w/gone"},
        {IN_DELETE_SELF, 0, "/w"},
        {IN_IGNORED, 0, "/w"},
        {IN_UNMOUNT, 0, "/w/mnt"},
        {IN_ACCESS, 0, "/w/read"},
    };
    EXPECT_EQ(show(translateInotifyBatch(records, {"/w"})),
              "0 /w/new\n2 /w/old\n2 /w/attr\n1 /w/gone\n1 /w\n4 /w/mnt\n4 /w/read\n");
}

TEST(ChangeTranslation, MovesPairByCookieOrStandAlone)
{
    const std::vector<InotifyRecord> records = {
        {IN_MOVED_FROM, 7, "/w/a"},
        {IN_MOVED_FROM, 8, "/w/out"},  // left the tree: no partner
        {IN_MOVED_TO, 7, "/w/b"},
        {IN_MOVED_TO, 9, "/w/in"},     // came from outside
        {IN_MOVED_FROM, 0, "/w/zero"}, // no cookie, never paired
        {IN_MOVED_TO, 0, "/w/zero2"},
    };
    EXPECT_EQ(show(translateInotifyBatch(records, {"/w"})),
              "3 /w/b <- /w/a\n1 /w/out\n0 /w/in\n1 /w/zero\n0 /w/zero2\n");
}

TEST(ChangeTranslation, RepeatsFoldIntoOneAndOverflowAsksForARescan)
{
    const std::vector<InotifyRecord> records = {
        {IN_CREATE, 0, "/w/f"},
        {IN_MODIFY, 0, "/w/f"},
        {IN_MODIFY, 0, "/w/f"},
        {IN_CREATE, 0, "/w/f"},  // the new folder scan repeating the kernel
        {IN_MODIFY, 0, "/w/g"},
        {IN_MODIFY, 0, "/w/g"},
        {IN_DELETE, 0, "/w/f"},
        {IN_CREATE, 0, "/w/f"},
        {IN_Q_OVERFLOW, 0, ""},
    };
    EXPECT_EQ(show(translateInotifyBatch(records, {"/a", "/w"})),
              "0 /w/f\n2 /w/g\n1 /w/f\n0 /w/f\n4 /a\n4 /w\n");
    EXPECT_TRUE(translateInotifyBatch({}, {"/w"}).empty());
}

TEST(ChangeMonitor, ReportsCreationChangeRenameAndRemovalBelowNewSubfolders)
{
    TempDir dir;
    NativeMonitor monitor(NativeFilesystem::instance(), 100ms);
    Recorder recorder;
    monitor.addListener(&recorder);
    ASSERT_TRUE(monitor.watch(Path(dir.path())));

    touch(dir.file("a"));
    ASSERT_TRUE(recorder.waitFor(ChangeKind::created, dir.file("a")));
    EXPECT_EQ(recorder.filesystem(), &NativeFilesystem::instance());

    ::mkdir(dir.file("sub").c_str(), 0755);
    ASSERT_TRUE(recorder.waitFor(ChangeKind::created, dir.file("sub")));
    touch(dir.file("sub/deep"));
    ASSERT_TRUE(recorder.waitFor(ChangeKind::created, dir.file("sub/deep")));

    ASSERT_EQ(std::rename(dir.file("sub/deep").c_str(), dir.file("sub/moved").c_str()), 0);
    ASSERT_TRUE(recorder.waitFor(ChangeKind::renamed, dir.file("sub/moved"), 60000ms, dir.file("sub/deep")));

    // A renamed folder's watches follow it to its new name.
    ASSERT_EQ(std::rename(dir.file("sub").c_str(), dir.file("sub2").c_str()), 0);
    ASSERT_TRUE(recorder.waitFor(ChangeKind::renamed, dir.file("sub2"), 60000ms, dir.file("sub")));
    touch(dir.file("sub2/moved"), "more");
    ASSERT_TRUE(recorder.waitFor(ChangeKind::modified, dir.file("sub2/moved")));

    ::unlink(dir.file("a").c_str());
    ASSERT_TRUE(recorder.waitFor(ChangeKind::removed, dir.file("a")));
    monitor.removeListener(&recorder);
}

TEST(ChangeMonitor, AWatchedFolderMovedAwayCountsAsRemoved)
{
    TempDir dir;
    ::mkdir(dir.file("root").c_str(), 0755);
    NativeMonitor monitor(NativeFilesystem::instance(), 50ms);
    Recorder recorder;
    monitor.addListener(&recorder);
    monitor.watch(Path(dir.file("root")));
    ASSERT_EQ(std::rename(dir.file("root").c_str(), dir.file("away").c_str()), 0);
    ASSERT_TRUE(recorder.waitFor(ChangeKind::removed, dir.file("root")));
    touch(dir.file("away/late"));
    EXPECT_FALSE(recorder.waitFor(ChangeKind::created, dir.file("root/late"), 300ms));
    monitor.removeListener(&recorder);
}

TEST(ChangeMonitor, ASubfolderMovedOutOfTheTreeIsNoLongerReported)
{
    TempDir dir;
    ::mkdir(dir.file("root").c_str(), 0755);
    ::mkdir(dir.file("root/sub").c_str(), 0755);
    ::mkdir(dir.file("elsewhere").c_str(), 0755);
    NativeMonitor monitor(NativeFilesystem::instance(), 50ms);
    Recorder recorder;
    monitor.addListener(&recorder);
    monitor.watch(Path(dir.file("root")));
    ASSERT_EQ(std::rename(dir.file("root/sub").c_str(), dir.file("elsewhere/sub").c_str()), 0);
    ASSERT_TRUE(recorder.waitFor(ChangeKind::removed, dir.file("root/sub")));
    touch(dir.file("elsewhere/sub/x"));
    // Events come in order: once the later one is in, the earlier would be too.
    touch(dir.file("root/marker"));
    ASSERT_TRUE(recorder.waitFor(ChangeKind::created, dir.file("root/marker")));
    EXPECT_FALSE(recorder.waitFor(ChangeKind::created, dir.file("root/sub/x"), 0ms));
    monitor.removeListener(&recorder);
}

TEST(ChangeMonitor, APathWithATrailingSlashIsTheSameWatch)
{
    TempDir dir;
    NativeMonitor monitor(NativeFilesystem::instance(), 50ms);
    Recorder recorder;
    monitor.addListener(&recorder);
    monitor.watch(Path(dir.path() + "/"));
    monitor.watch(Path(dir.path()));
    monitor.unwatch(Path(dir.path()));
    EXPECT_TRUE(monitor.isStreaming());
    touch(dir.file("f"));
    EXPECT_TRUE(recorder.waitFor(ChangeKind::created, dir.file("f")));
    monitor.unwatch(Path(dir.path() + "//"));
    EXPECT_FALSE(monitor.isStreaming());
    monitor.removeListener(&recorder);
}

TEST(ChangeMonitor, AListenerMayUseMonitorsAndDestroyAnotherOne)
{
    TempDir dir;
    NativeMonitor first(NativeFilesystem::instance(), 0ms);
    auto second = std::make_unique<NativeMonitor>(NativeFilesystem::instance(), 0ms);
    Recorder recorder;
    std::promise<void> done;
    bool once = true;
    auto destroying = Holmgrave::FS::makeChangeListener([&](const ChangeNotification&) {
        if (!std::exchange(once, false))
            return;
        // Long enough for the second monitor's thread to be delivering its
        // own batch of the same change.
        std::this_thread::sleep_for(300ms);
        second.reset();
        first.watch(Path(dir.file("more")));
        first.removeListener(&recorder);
        done.set_value();
    });
    first.addListener(&destroying);
    first.addListener(&recorder);
    second->addListener(&recorder);
    first.watch(Path(dir.path()));
    second->watch(Path(dir.path()));
    touch(dir.file("f"));
    std::future<void> finished = done.get_future();
    if (finished.wait_for(60s) != std::future_status::ready) {
        ADD_FAILURE() << "a listener that destroys another monitor hangs";
        std::_Exit(1); // the monitors' threads wait for each other for good
    }
    first.removeListener(&destroying);
}

TEST(ChangeMonitor, AListenerMayRestartItsOwnMonitorWhileTheNewStreamDelivers)
{
    TempDir dir;
    NativeMonitor monitor(NativeFilesystem::instance(), 0ms);
    Forwarding listeners[2]; // an array: the monitor calls them in this order
    Recorder recorder;
    std::atomic<bool> first{true};
    listeners[0].call = [&](const ChangeNotification&) {
        if (!first.exchange(false))
            return;
        monitor.unwatch(Path(dir.path()));
        monitor.watch(Path(dir.path()));
        touch(dir.file("second"));
        // The new stream's thread delivers while this delivery goes on.
        EXPECT_TRUE(recorder.waitFor(ChangeKind::created, dir.file("second")));
    };
    listeners[1].call = [&](const ChangeNotification& n) { recorder.onChange(n); };
    monitor.addListener(&listeners[0]);
    monitor.addListener(&listeners[1]);
    monitor.watch(Path(dir.path()));
    touch(dir.file("first"));
    EXPECT_TRUE(recorder.waitFor(ChangeKind::created, dir.file("second")));
    monitor.removeListener(&listeners[0]); // waits for both deliveries
    monitor.removeListener(&listeners[1]);
}

TEST(ChangeMonitor, AListenerMayDropTheLastReferenceToItsOwnMonitor)
{
    TempDir dir;
    std::shared_ptr<Holmgrave::FS::IMonitor> monitor
        = std::make_shared<NativeMonitor>(NativeFilesystem::instance(), 0ms);
    Forwarding listeners[2]; // an array: the monitor calls them in this order
    std::atomic<int> laterCalls{0};
    std::promise<long> dropped; // by the delivering thread
    listeners[0].call = [&](const ChangeNotification&) {
        monitor.reset(); // the monitor ends here, in the middle of its delivery
        dropped.set_value(::syscall(SYS_gettid));
    };
    listeners[1].call = [&](const ChangeNotification&) { laterCalls.fetch_add(1); };
    monitor->addListener(&listeners[0]);
    monitor->addListener(&listeners[1]);
    monitor->watch(Path(dir.path()));
    touch(dir.file("f"));
    std::future<long> delivering = dropped.get_future();
    ASSERT_EQ(delivering.wait_for(60s), std::future_status::ready);
    // Whatever the delivery still does happens before its thread ends.
    EXPECT_TRUE(waitForThreadEnd(delivering.get()));
    EXPECT_EQ(laterCalls.load(), 0);
}

TEST(ChangeMonitor, WatchingALostFolderAnewWatchesItAgain)
{
    TempDir dir;
    ::mkdir(dir.file("root").c_str(), 0755);
    NativeMonitor monitor(NativeFilesystem::instance(), 0ms);
    Recorder recorder;
    monitor.addListener(&recorder);
    monitor.watch(Path(dir.file("root")));
    // Moved away, then deleted: each time a new folder takes the name.
    ASSERT_EQ(std::rename(dir.file("root").c_str(), dir.file("away").c_str()), 0);
    ASSERT_TRUE(recorder.waitFor(ChangeKind::removed, dir.file("root")));
    ::mkdir(dir.file("root").c_str(), 0755);
    monitor.watch(Path(dir.file("root")));
    touch(dir.file("root/first"));
    ASSERT_TRUE(recorder.waitFor(ChangeKind::created, dir.file("root/first")));
    recorder.clear();
    ASSERT_EQ(std::rename(dir.file("root/first").c_str(), dir.file("first").c_str()), 0);
    ASSERT_EQ(::rmdir(dir.file("root").c_str()), 0);
    ASSERT_TRUE(recorder.waitFor(ChangeKind::removed, dir.file("root")));
    ::mkdir(dir.file("root").c_str(), 0755);
    monitor.watch(Path(dir.file("root")));
    touch(dir.file("root/second"));
    EXPECT_TRUE(recorder.waitFor(ChangeKind::created, dir.file("root/second")));
    monitor.removeListener(&recorder);
}

TEST(ChangeMonitor, AWatchedFileSavedByRenameIsFollowedByItsName)
{
    TempDir dir;
    const std::string notes = dir.write("notes.txt", "first");
    NativeMonitor monitor(NativeFilesystem::instance(), 0ms);
    Recorder recorder;
    monitor.addListener(&recorder);
    monitor.watch(Path(notes));
    // An editor's save: a new file renamed over the old one.
    dir.write(".notes.txt.swp", "second");
    ASSERT_EQ(std::rename(dir.file(".notes.txt.swp").c_str(), notes.c_str()), 0);
    ASSERT_TRUE(recorder.waitFor(ChangeKind::created, notes));
    EXPECT_FALSE(recorder.saw(ChangeKind::removed, notes));
    recorder.clear();
    touch(notes, " and more");
    EXPECT_TRUE(recorder.waitFor(ChangeKind::modified, notes));
    monitor.removeListener(&recorder);
}

TEST(ChangeMonitor, ASubfolderMadeWhileTheQueueOverflowedIsFoundByARescan)
{
    std::size_t queueLimit = 16384;
    std::ifstream("/proc/sys/fs/inotify/max_queued_events") >> queueLimit;
    TempDir dir;
    NativeMonitor monitor(NativeFilesystem::instance(), 0ms);
    Recorder recorder;
    // The first delivery holds the monitor's thread, so that the kernel's
    // queue fills for real behind it.
    std::promise<void> holding;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> first{true};
    Forwarding listeners[2];
    listeners[0].call = [&](const ChangeNotification&) {
        if (first.exchange(false)) {
            holding.set_value();
            released.wait();
        }
    };
    listeners[1].call = [&](const ChangeNotification& n) { recorder.onChange(n); };
    monitor.addListener(&listeners[0]);
    monitor.addListener(&listeners[1]);
    monitor.watch(Path(dir.path()));
    touch(dir.file("start"));
    ASSERT_EQ(holding.get_future().wait_for(60s), std::future_status::ready);
    // More events than the queue holds (a creation and a deletion each),
    // then the subfolder, whose creation the kernel drops.
    for (std::size_t i = 0; i < queueLimit / 2 + 2; ++i) {
        const std::string name = dir.file("f" + std::to_string(i));
        ::close(::open(name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
        ::unlink(name.c_str());
    }
    ::mkdir(dir.file("sub").c_str(), 0755);
    release.set_value();
    ASSERT_TRUE(recorder.waitFor(ChangeKind::unspecified, dir.path())) << "no overflow";
    touch(dir.file("sub/late"));
    EXPECT_TRUE(recorder.waitFor(ChangeKind::created, dir.file("sub/late")));
    monitor.removeListener(&listeners[0]);
    monitor.removeListener(&listeners[1]);
}

TEST(ChangeMonitor, CountsWatchesAndStopsWithTheLastUnwatch)
{
    TempDir dir;
    NativeMonitor monitor(NativeFilesystem::instance(), 50ms);
    EXPECT_FALSE(monitor.isStreaming());
    monitor.watch(Path(dir.path()));
    monitor.watch(Path(dir.path()));
    EXPECT_TRUE(monitor.isStreaming());
    monitor.unwatch(Path(dir.path()));
    EXPECT_TRUE(monitor.isStreaming());
    monitor.unwatch(Path(dir.path()));
    EXPECT_FALSE(monitor.isStreaming());
    monitor.unwatch(Path(dir.path()));  // not watched: nothing happens
    EXPECT_FALSE(monitor.isStreaming());

    // stop keeps the watched set; the next change of the set starts again.
    monitor.watch(std::vector<Path>{Path(dir.path()), Path(dir.file("other"))});
    monitor.stop();
    EXPECT_FALSE(monitor.isStreaming());
    monitor.watch(Path(dir.path()));  // already watched: the set does not change
    EXPECT_FALSE(monitor.isStreaming());
    monitor.unwatch(Path(dir.file("other")));
    EXPECT_TRUE(monitor.isStreaming());
}

TEST(ChangeMonitor, NothingIsDeliveredAfterStopOrAfterUnwatch)
{
    TempDir dir;
    NativeMonitor monitor(NativeFilesystem::instance(), 50ms);
    Recorder recorder;
    monitor.addListener(&recorder);
    monitor.watch(Path(dir.path()));
    touch(dir.file("first"));
    ASSERT_TRUE(recorder.waitFor(ChangeKind::created, dir.file("first")));
    monitor.stop();
    const int before = recorder.batches();
    touch(dir.file("second"));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(recorder.batches(), before);

    monitor.unwatch(Path(dir.path()));  // restarts with an empty set: no stream
    monitor.watch(Path(dir.file("elsewhere")));
    monitor.unwatch(Path(dir.file("elsewhere")));
    touch(dir.file("third"));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(recorder.batches(), before);
    monitor.removeListener(&recorder);
}

TEST(ChangeMonitor, DestroyingAMonitorWhileEventsArriveWaitsForTheBatch)
{
    TempDir dir;
    std::atomic<bool> writing{true};
    std::thread writer([&] {
        int i = 0;
        while (writing.load()) {
            touch(dir.file("f" + std::to_string(i++ % 50)));
            std::this_thread::sleep_for(1ms);
        }
    });
    for (int round = 0; round < 20; ++round) {
        // The listener lives on the heap and goes away right after the
        // monitor: a call after the monitor's end would use freed memory.
        auto recorder = std::make_unique<Recorder>();
        std::atomic<int> calls{0};
        auto counting = Holmgrave::FS::makeChangeListener([&](const ChangeNotification&) {
            calls.fetch_add(1);
            std::this_thread::sleep_for(2ms);  // keep a delivery in progress
        });
        {
            NativeMonitor monitor(NativeFilesystem::instance(), std::chrono::milliseconds(round % 3));
            monitor.addListener(recorder.get());
            monitor.addListener(&counting);
            monitor.watch(Path(dir.path()));
            std::this_thread::sleep_for(std::chrono::milliseconds(5 + round % 7));
        }  // listeners still registered on purpose
        const int atEnd = calls.load();
        recorder.reset();
        std::this_thread::sleep_for(5ms);
        EXPECT_EQ(calls.load(), atEnd);
    }
    writing.store(false);
    writer.join();
}

TEST(ChangeMonitor, CreatedThroughTheNativeFilesystemWithTheDefaultLatency)
{
    TempDir dir;
    auto created = NativeFilesystem::instance().createMonitor();
    ASSERT_TRUE(created.hasValue());
    std::shared_ptr<Holmgrave::FS::IMonitor> monitor = created.value();
    Recorder recorder;
    monitor->addListener(&recorder);
    monitor->watch(Path(dir.path()));
    const auto start = std::chrono::steady_clock::now();
    touch(dir.file("f"));
    ASSERT_TRUE(recorder.waitFor(ChangeKind::created, dir.file("f")));
    // Batches close a second after their first event.
    EXPECT_GE(std::chrono::steady_clock::now() - start, 900ms);
    monitor->removeListener(&recorder);
}
