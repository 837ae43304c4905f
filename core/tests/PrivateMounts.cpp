#include "PrivateMounts.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace Holmgrave {
namespace Test {

namespace {

std::string failed(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

bool writeFile(const std::string& path, const std::string& text)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    return ::close(fd) == 0 && written;
}

// In the child: a namespace of its own, or why not.
std::string isolate()
{
    if (::geteuid() != 0) {
        const uid_t uid = ::geteuid();
        const gid_t gid = ::getegid();
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
            return failed("no user namespace for an ordinary user");
        if (!writeFile("/proc/self/setgroups", "deny")
            || !writeFile("/proc/self/uid_map", std::to_string(uid) + " " + std::to_string(uid) + " 1")
            || !writeFile("/proc/self/gid_map", std::to_string(gid) + " " + std::to_string(gid) + " 1"))
            return failed("cannot map the user into its namespace");
    } else if (::unshare(CLONE_NEWNS) != 0) {
        return failed("no mount namespace");
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return failed("cannot make the mounts private");
    return std::string();
}

void sendAll(int fd, const std::string& text)
{
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t put = ::write(fd, text.data() + done, text.size() - done);
        if (put <= 0)
            return;
        done += static_cast<std::size_t>(put);
    }
}

} // namespace

PrivateMountsRun runWithPrivateMounts(const std::function<std::string()>& body)
{
    PrivateMountsRun run;
    int channel[2];
    if (::pipe2(channel, O_CLOEXEC) != 0) {
        run.unavailable = failed("pipe");
        return run;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        run.unavailable = failed("fork");
        ::close(channel[0]);
        ::close(channel[1]);
        return run;
    }
    if (child == 0) {
        ::close(channel[0]);
        // The first byte tells the parent which kind of answer follows.
        const std::string problem = isolate();
        sendAll(channel[1], problem.empty() ? "R" + body() : "U" + problem);
        ::_exit(0);
    }
    ::close(channel[1]);
    std::string answer;
    char buffer[512];
    for (;;) {
        const ssize_t got = ::read(channel[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        answer.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(channel[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!answer.empty() && answer[0] == 'U') {
        run.unavailable = answer.substr(1);
        return run;
    }
    run.available = true;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || answer.empty())
        run.failure = "the child process ended with status " + std::to_string(status);
    else
        run.failure = answer.substr(1);
    return run;
}

std::string bindMount(const std::string& source, const std::string& target, bool readOnly)
{
    if (::mount(source.c_str(), target.c_str(), nullptr, MS_BIND, nullptr) != 0)
        return failed("bind mount of " + source + " at " + target);
    if (!readOnly)
        return std::string();
    // A user namespace may not clear the flags the mount came with.
    struct statvfs vfs {};
    if (::statvfs(target.c_str(), &vfs) != 0)
        return failed("statvfs " + target);
    unsigned long flags = MS_REMOUNT | MS_BIND | MS_RDONLY;
    if (vfs.f_flag & ST_NOSUID)
        flags |= MS_NOSUID;
    if (vfs.f_flag & ST_NODEV)
        flags |= MS_NODEV;
    if (vfs.f_flag & ST_NOEXEC)
        flags |= MS_NOEXEC;
    if (vfs.f_flag & ST_NOATIME)
        flags |= MS_NOATIME;
    if (vfs.f_flag & ST_NODIRATIME)
        flags |= MS_NODIRATIME;
    if (vfs.f_flag & ST_RELATIME)
        flags |= MS_RELATIME;
    if (::mount(nullptr, target.c_str(), nullptr, flags, nullptr) != 0)
        return failed("read-only remount of " + target);
    return std::string();
}

} // namespace Test
} // namespace Holmgrave
