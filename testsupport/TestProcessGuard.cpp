// Linked into every test program: what a test process starts ends with it,
// and the folders it names go with it, however the process ends.
//
// - The process is a child subreaper: a program it started that leaves its
//   parent behind (a daemon, the copy an updater starts before it exits)
//   stays its child, so that CTest's time-out, which ends a test and its
//   children, reaches it too.
// - At its normal end, and at a TERM, INT, HUP or QUIT it does not handle
//   otherwise, the process ends every program it started that still runs.
// - A guardian process of its own, outside the test's tree and session,
//   waits for the test to end, however it ends (a KILL included), then ends
//   what is left of the test's process group and removes the folders the
//   test named (hg_test_guard_remove_when_ended).
//
// Made before main, while the process has one thread.

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

pid_t guarded = 0;
int toGuardian = -1;

// The parent of `pid` from /proc/<pid>/stat, -1 when it has gone. Only
// system calls: also used from a signal handler.
pid_t parentOf(pid_t pid)
{
    char path[32] = "/proc/";
    char digits[16];
    int n = 0;
    for (pid_t p = pid; p > 0 && n < 15; p /= 10)
        digits[n++] = char('0' + p % 10);
    int at = 6;
    while (n > 0)
        path[at++] = digits[--n];
    std::memcpy(path + at, "/stat", 6);
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    char text[512];
    const ssize_t got = read(fd, text, sizeof text - 1);
    close(fd);
    if (got <= 0)
        return -1;
    text[got] = '\0';
    // "pid (comm) state ppid ...": the name may hold anything but ends at
    // the last ')'.
    const char* paren = nullptr;
    for (const char* c = text; *c; ++c)
        if (*c == ')')
            paren = c;
    if (paren == nullptr || paren[1] == '\0' || paren[2] == '\0' || paren[3] != ' ')
        return -1;
    pid_t parent = 0;
    for (const char* c = paren + 4; *c >= '0' && *c <= '9'; ++c)
        parent = parent * 10 + (*c - '0');
    return parent;
}

struct Dirent64
{
    unsigned long long ino;
    long long off;
    unsigned short reclen;
    unsigned char type;
    char name[1];
};

// Calls `each` for every child of `parent`. Only system calls.
template <typename Each>
void forEachChild(pid_t parent, Each each)
{
    const int proc = open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (proc < 0)
        return;
    alignas(8) char buffer[8192];
    for (;;) {
        const long got = syscall(SYS_getdents64, proc, buffer, sizeof buffer);
        if (got <= 0)
            break;
        for (long at = 0; at < got;) {
            const auto* entry = reinterpret_cast<const Dirent64*>(buffer + at);
            at += entry->reclen;
            pid_t pid = 0;
            const char* c = entry->name;
            for (; *c >= '0' && *c <= '9'; ++c)
                pid = pid * 10 + (*c - '0');
            if (*c == '\0' && pid > 0 && parentOf(pid) == parent)
                each(pid);
        }
    }
    close(proc);
}

// Stops `pid` first, so that it starts nothing more, then ends its children
// and itself.
void killTree(pid_t pid, int depth)
{
    kill(pid, SIGSTOP);
    if (depth < 64)
        forEachChild(pid, [depth](pid_t child) { killTree(child, depth + 1); });
    kill(pid, SIGKILL);
}

void endEverythingStarted()
{
    if (guarded == 0 || getpid() != guarded)
        return;
    // Twice: a child may have started another just before it was stopped.
    for (int round = 0; round < 2; ++round)
        forEachChild(guarded, [](pid_t child) { killTree(child, 0); });
}

void reapEnded()
{
    while (waitpid(-1, nullptr, WNOHANG) > 0) {
    }
}

void onEnd()
{
    endEverythingStarted();
    reapEnded();
}

void onSignal(int signal)
{
    endEverythingStarted();
    // The disposition is the default again (SA_RESETHAND): the signal,
    // delivered once the handler returns, ends the process as it would have.
    raise(signal);
}

int removeEntry(const char* path, const struct stat*, int, FTW*)
{
    remove(path);
    return 0;
}

void removeFolder(const std::string& folder)
{
    struct stat st{};
    if (folder.size() < 2 || folder[0] != '/' || lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)
        || st.st_uid != geteuid())
        return;
    nftw(folder.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

// The guardian: waits for the test process (`pidfd`) to end, reading what it
// names meanwhile from `fd`, then ends what is left of the test's process
// group and removes the named folders.
[[noreturn]] void guard(int pidfd, int fd)
{
    setsid();
    signal(SIGINT, SIG_IGN);
    signal(SIGHUP, SIG_IGN);
    // Holds no output of the test's: CTest reads it until every holder has
    // closed it.
    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    for (int i = 0; i < 3; ++i)
        dup2(null, i);
    std::string pending;
    std::vector<std::string> folders;
    pid_t group = 0;
    const auto take = [&] {
        char chunk[4096];
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got > 0)
            pending.append(chunk, std::size_t(got));
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
            const std::string line = pending.substr(0, end);
            if (line.rfind("rm ", 0) == 0)
                folders.push_back(line.substr(3));
            else if (line.rfind("pg ", 0) == 0)
                group = pid_t(std::atol(line.c_str() + 3));
        }
        return got > 0;
    };
    bool reading = true;
    for (;;) {
        pollfd watched[2] = {{pidfd, POLLIN, 0}, {fd, POLLIN, 0}};
        const int ready = poll(watched, reading ? 2 : 1, -1);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0 || (watched[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0)
            break;
        if (reading && watched[1].revents != 0)
            reading = take();
    }
    fcntl(fd, F_SETFL, O_NONBLOCK);
    while (take()) {
    }
    if (group > 1)
        kill(-group, SIGKILL);
    for (const std::string& folder : folders)
        removeFolder(folder);
    _exit(0);
}

struct Guard
{
    Guard()
    {
        guarded = getpid();
        const int pidfd = int(syscall(SYS_pidfd_open, guarded, 0));
        int pair[2];
        if (pidfd >= 0 && socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) == 0) {
            // Twice forked, so that the guardian is no child of the test:
            // what ends the test's tree does not end it.
            const pid_t middle = fork();
            if (middle == 0) {
                if (fork() == 0) {
                    close(pair[1]);
                    guard(pidfd, pair[0]);
                }
                _exit(0);
            }
            close(pair[0]);
            if (middle > 0) {
                waitpid(middle, nullptr, 0);
                toGuardian = pair[1];
            } else {
                close(pair[1]);
            }
        }
        if (pidfd >= 0)
            close(pidfd);
        if (getpgrp() == guarded) {
            const std::string line = "pg " + std::to_string(guarded) + "\n";
            send(toGuardian, line.data(), line.size(), MSG_NOSIGNAL);
        }
        // After the guardian, which must not become the test's child.
        prctl(PR_SET_CHILD_SUBREAPER, 1);
        std::atexit(onEnd);
        for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT}) {
            struct sigaction old{};
            if (sigaction(signal, nullptr, &old) != 0 || old.sa_handler != SIG_DFL)
                continue;
            struct sigaction action{};
            action.sa_handler = onSignal;
            action.sa_flags = SA_RESETHAND;
            sigemptyset(&action.sa_mask);
            sigaction(signal, &action, nullptr);
        }
    }
};

const Guard guardOfThisProcess;

} // namespace

// Removes `folder` with all it holds once this test process has ended,
// however it ended (its own removal first, as usual). Declared weak where it
// is used, so that programs without this guard link too.
extern "C" void hg_test_guard_remove_when_ended(const char* folder)
{
    if (toGuardian < 0 || getpid() != guarded || folder == nullptr)
        return;
    const std::string line = std::string("rm ") + folder + "\n";
    if (line.find('\n') == line.size() - 1)
        send(toGuardian, line.data(), line.size(), MSG_NOSIGNAL);
}
