#include "core/platform/linux/InotifyStream.h"
#include "core/platform/linux/PathText.h"
#include "core/platform/linux/UniqueDir.h"

#include <dirent.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <set>

namespace Holmgrave::FS::Detail {

struct InotifyStream::State {
    Sink sink;
    std::chrono::milliseconds latency{1000};
    int fd = -1;
    int wake = -1;
    std::atomic<bool> stopped{false};

    // Guards everything below; the owner changes roots while the thread reads.
    std::mutex mutex;
    std::set<std::string> roots;
    std::map<int, std::string> paths;  // watch descriptor -> watched path
    // cookie -> the watches of a folder moved away whose partner has not
    // been seen yet (by descriptor: a new folder may take the old name)
    std::map<std::uint32_t, std::vector<int>> movedOut;

    ~State()
    {
        if (fd >= 0)
            ::close(fd);
        if (wake >= 0)
            ::close(wake);
    }

    // Watches |path| and, when it is a folder, every folder below it (links
    // are not followed). New folders found here get synthetic creation
    // records when |records| is given, so that what was made inside a new
    // folder before its watch existed is not lost.
    void watchTree(const std::string& path, bool isRoot, std::vector<InotifyRecord>* records)
    {
        const std::uint32_t mask = inotifyWatchMask() | (isRoot ? 0u : (IN_ONLYDIR | IN_DONT_FOLLOW));
        const int wd = ::inotify_add_watch(fd, path.c_str(), mask);
        if (wd < 0)
            return;  // vanished already, or out of watches: nothing to report from it
        paths[wd] = path;
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            return;
        UniqueDir dir(::opendir(path.c_str()));
        if (!dir)
            return;
        std::vector<std::pair<std::string, bool>> children;
        while (dirent* e = ::readdir(dir.get())) {
            const std::string name = e->d_name;
            if (name == "." || name == "..")
                continue;
            const std::string child = joinName(path, name);
            struct stat cst {};
            const bool folder = ::lstat(child.c_str(), &cst) == 0 && S_ISDIR(cst.st_mode);
            children.emplace_back(child, folder);
        }
        dir.reset();
        std::sort(children.begin(), children.end());
        for (const auto& [child, folder] : children) {
            if (records != nullptr)
                records->push_back(InotifyRecord{IN_CREATE | (folder ? IN_ISDIR : 0u), 0, child});
            if (folder)
                watchTree(child, false, records);
        }
    }

    bool isWatched(const std::string& path) const
    {
        return std::any_of(paths.begin(), paths.end(), [&](const auto& entry) { return entry.second == path; });
    }

    // Drops every watch at and below |top|.
    void dropTree(const std::string& top)
    {
        for (auto w = paths.begin(); w != paths.end();) {
            if (isSameOrInside(w->second, top)) {
                ::inotify_rm_watch(fd, w->first);
                w = paths.erase(w);
            } else {
                ++w;
            }
        }
    }

    // Events were lost: the watches are made anew from what the trees hold
    // now, so that folders made meanwhile are watched and those gone let go.
    void rescan()
    {
        const std::map<int, std::string> before = std::move(paths);
        paths.clear();
        movedOut.clear();
        for (const std::string& root : roots)
            watchTree(root, true, nullptr);
        for (const auto& entry : before) {
            if (paths.count(entry.first) == 0)
                ::inotify_rm_watch(fd, entry.first);
        }
    }

    // Drops the watches at and below |top| that no remaining root covers.
    void unwatchTree(const std::string& top)
    {
        for (auto it = paths.begin(); it != paths.end();) {
            const bool kept = std::any_of(roots.begin(), roots.end(), [&](const std::string& r) {
                return isSameOrInside(it->second, r);
            });
            if (isSameOrInside(it->second, top) && !kept) {
                ::inotify_rm_watch(fd, it->first);
                it = paths.erase(it);
            } else {
                ++it;
            }
        }
    }

    // Reads what is queued (the descriptor does not block) into |batch|.
    void readEvents(std::vector<InotifyRecord>& batch)
    {
        alignas(struct inotify_event) char buffer[16 * 1024];
        for (;;) {
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got <= 0)
                return;  // EAGAIN: drained
            std::lock_guard<std::mutex> lock(mutex);
            for (ssize_t offset = 0; offset + static_cast<ssize_t>(sizeof(struct inotify_event)) <= got;) {
                struct inotify_event ev {};
                std::memcpy(&ev, buffer + offset, sizeof ev);
                const char* name = buffer + offset + sizeof(struct inotify_event);
                offset += static_cast<ssize_t>(sizeof(struct inotify_event) + ev.len);
                if (offset > got)
                    break;
                handle(ev, ev.len > 0 ? std::string(name, ::strnlen(name, ev.len)) : std::string(), batch);
            }
        }
    }

    void handle(const struct inotify_event& ev, const std::string& name, std::vector<InotifyRecord>& batch)
    {
        if (ev.mask & IN_Q_OVERFLOW) {
            batch.push_back(InotifyRecord{ev.mask, 0, std::string()});
            rescan();
            return;
        }
        const auto it = paths.find(ev.wd);
        if (it == paths.end())
            return;
        const std::string watched = it->second;
        const std::string path = name.empty() ? watched : joinName(watched, name);
        if (ev.mask & IN_IGNORED) {
            paths.erase(it);
            return;
        }
        // What happens in a folder that was moved away is not in the tree any
        // more, even before the batch ends and its watches go.
        for (const auto& entry : movedOut) {
            if (std::find(entry.second.begin(), entry.second.end(), ev.wd) != entry.second.end())
                return;
        }
        if (ev.mask & (IN_DELETE_SELF | IN_MOVE_SELF)) {
            // A watched subfolder's own removal or move is reported by its parent.
            if (roots.count(watched) == 0)
                return;
            // The watches would go on reporting a moved tree under the old
            // names. A new item at the root's name (an editor saves a file
            // by renaming a new one over it) is followed by name; with none
            // the root counts as removed until it is watched anew.
            dropTree(watched);
            struct stat st {};
            if (::stat(watched.c_str(), &st) != 0) {  // followed as the root's watch follows
                batch.push_back(InotifyRecord{ev.mask, ev.cookie, path});
                return;
            }
            batch.push_back(InotifyRecord{IN_CREATE | (S_ISDIR(st.st_mode) ? IN_ISDIR : 0u), 0, watched});
            watchTree(watched, true, &batch);
            return;
        }
        batch.push_back(InotifyRecord{ev.mask, ev.cookie, path});
        if (ev.mask & IN_ISDIR) {
            if (ev.mask & IN_CREATE) {
                watchTree(path, false, &batch);
            } else if (ev.mask & IN_MOVED_TO) {
                // A folder moved within the tree keeps its watches; adding
                // them again re-points them at the new paths.
                movedOut.erase(ev.cookie);
                watchTree(path, false, nullptr);
            } else if (ev.mask & IN_MOVED_FROM) {
                std::vector<int>& watches = movedOut[ev.cookie];
                for (const auto& [wd, watchedPath] : paths) {
                    if (isSameOrInside(watchedPath, path))
                        watches.push_back(wd);
                }
            }
        }
    }

    // Folders that left the tree for good stop being watched.
    void dropMovedOut()
    {
        std::lock_guard<std::mutex> lock(mutex);
        for (const auto& entry : movedOut) {
            for (const int wd : entry.second) {
                if (paths.erase(wd) != 0)
                    ::inotify_rm_watch(fd, wd);
            }
        }
        movedOut.clear();
    }

    std::vector<std::string> rootList()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return std::vector<std::string>(roots.begin(), roots.end());
    }
};

namespace {

void run(std::shared_ptr<InotifyStream::State> s)
{
    using Clock = std::chrono::steady_clock;
    std::vector<InotifyRecord> batch;
    Clock::time_point deadline{};
    while (!s->stopped.load()) {
        int timeout = -1;
        if (!batch.empty()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            timeout = static_cast<int>(std::max<long long>(0, left));
        }
        struct pollfd fds[2] = {{s->fd, POLLIN, 0}, {s->wake, POLLIN, 0}};
        const int ready = ::poll(fds, 2, timeout);
        if (s->stopped.load())
            return;
        if (ready < 0 && errno != EINTR)
            return;
        if (ready > 0 && (fds[0].revents & POLLIN)) {
            const bool wasEmpty = batch.empty();
            s->readEvents(batch);
            if (wasEmpty && !batch.empty())
                deadline = Clock::now() + s->latency;
        }
        if (!batch.empty() && Clock::now() >= deadline) {
            s->readEvents(batch);  // keep the two halves of a move together
            s->dropMovedOut();
            std::vector<RawChange> changes = translateInotifyBatch(batch, s->rootList());
            batch.clear();
            if (!s->stopped.load())
                s->sink(std::move(changes), s->stopped);
        }
    }
}

}  // namespace

InotifyStream::InotifyStream(Sink sink, std::chrono::milliseconds latency) : m_state(std::make_shared<State>())
{
    m_state->sink = std::move(sink);
    m_state->latency = latency;
}

InotifyStream::~InotifyStream() { stop(); }

int InotifyStream::start(const std::vector<std::string>& roots)
{
    State& s = *m_state;
    s.fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (s.fd < 0)
        return lastError();
    s.wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (s.wake < 0)
        return lastError();
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        for (const std::string& root : roots) {
            const std::string r = tidyPath(root);
            s.roots.insert(r);
            s.watchTree(r, true, nullptr);
        }
    }
    m_thread = std::thread(run, m_state);
    return 0;
}

void InotifyStream::addRoot(const std::string& root)
{
    State& s = *m_state;
    std::lock_guard<std::mutex> lock(s.mutex);
    const std::string r = tidyPath(root);
    if (s.fd < 0)
        return;
    s.roots.insert(r);
    if (!s.isWatched(r))
        s.watchTree(r, true, nullptr);
}

void InotifyStream::removeRoot(const std::string& root)
{
    State& s = *m_state;
    std::lock_guard<std::mutex> lock(s.mutex);
    const std::string r = tidyPath(root);
    if (s.roots.erase(r) == 0)
        return;
    s.unwatchTree(r);
}

void InotifyStream::stop()
{
    m_state->stopped.store(true);
    if (m_state->wake >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_state->wake, &one, sizeof one);
    }
    if (!m_thread.joinable())
        return;
    if (m_thread.get_id() == std::this_thread::get_id())
        m_thread.detach();  // called from the sink: the thread ends when the sink returns
    else
        m_thread.join();
}

}  // namespace Holmgrave::FS::Detail
