#include "updater/infrastructure/platform/ChildProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace platform {

namespace {

// Without pidfds (older kernels) the ends are looked for this often.
constexpr int kPollStepMs = 50;

// A descriptor that becomes readable when the process ends; -1 where the
// kernel has none.
int openPidfd(pid_t pid)
{
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
}

// The watched process has ended; it stays unreaped for its owner.
bool hasEnded(pid_t watched)
{
    siginfo_t info{};
    if (::waitid(P_PID, static_cast<id_t>(watched), &info, WEXITED | WNOHANG | WNOWAIT) != 0)
        return errno == ECHILD && ::kill(watched, 0) != 0;
    return info.si_pid == watched;
}

// The search path's first entry of that name that is no folder, for a
// program that the search for executables passed over: the user mends a
// missing program differently from one that lacks its execute permission.
QString unrunnableOnSearchPath(const QString& program)
{
    const QStringList folders =
        QString::fromLocal8Bit(qgetenv("PATH")).split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString& folder : folders) {
        const QFileInfo candidate(QDir(folder).absoluteFilePath(program));
        if (candidate.exists() && !candidate.isDir())
            return candidate.absoluteFilePath();
    }
    return QString();
}

// Texts and the vector of pointers into them, made before the spawn.
struct TextVector {
    std::vector<QByteArray> texts;
    std::vector<char*> pointers;

    char* const* finish()
    {
        pointers.clear();
        pointers.reserve(texts.size() + 1);
        for (QByteArray& text : texts)
            pointers.push_back(text.data());
        pointers.push_back(nullptr);
        return pointers.data();
    }
};

} // namespace

ChildProcess::~ChildProcess()
{
    if (pid_ > 0) {
        kill();
        while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
        }
        pid_ = 0;
    }
    closeErrors();
}

bool ChildProcess::start(const QString& program, const QStringList& arguments, pid_t group)
{
    if (pid_ > 0) {
        errorString_ = QStringLiteral("a program is still running");
        return false;
    }
    exitedNormally_ = false;
    exitCode_ = -1;
    errors_.clear();
    const QString executable =
        program.contains(QLatin1Char('/')) ? program : QStandardPaths::findExecutable(program);
    if (executable.isEmpty()) {
        const QString unrunnable = unrunnableOnSearchPath(program);
        errorString_ = unrunnable.isEmpty()
                           ? QStringLiteral("%1 was not found").arg(program)
                           : QStringLiteral("%1 cannot be run: %2 is not executable").arg(program, unrunnable);
        return false;
    }

    TextVector argv;
    argv.texts.push_back(QFile::encodeName(executable));
    for (const QString& argument : arguments)
        argv.texts.push_back(QFile::encodeName(argument));
    // A copy: the spawned child shares our memory until its exec, and another
    // thread changing the environment meanwhile must not move it away.
    TextVector envp;
    for (char** entry = environ; entry && *entry; ++entry)
        envp.texts.emplace_back(*entry);

    int errors[2];
    if (::pipe2(errors, O_CLOEXEC) != 0) {
        errorString_ = qt_error_string(errno);
        return false;
    }
    // Not one of the three the child's channels replace.
    if (errors[1] <= STDERR_FILENO) {
        const int moved = ::fcntl(errors[1], F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
        ::close(errors[1]);
        errors[1] = moved;
    }
    ::fcntl(errors[0], F_SETFL, O_NONBLOCK);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    if (errors[1] >= 0)
        posix_spawn_file_actions_adddup2(&actions, errors[1], STDERR_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    // Whatever else is open here, close-on-exec or not (descriptors inherited
    // from whoever started us, say), stays with us.
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    // The exec resets handlers, not ignored signals: whatever our own
    // starter ignored (SIGINT under nohup or "&", SIGPIPE, SIGCHLD) would
    // stay ignored in the program. The full set leaves out the C library's
    // own two signals (32 and 33), which its posix_spawn leaves ignored;
    // only the program's C library uses them.
    sigset_t defaults;
    sigfillset(&defaults);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    if (group > 0) {
        flags |= POSIX_SPAWN_SETPGROUP;
        posix_spawnattr_setpgroup(&attributes, group);
    }
    posix_spawnattr_setflags(&attributes, flags);

    char* const* const argumentVector = argv.finish();
    char* const* const environment = envp.finish();
    pid_t pid = 0;
    const int failed = ::posix_spawn(&pid, argumentVector[0], &actions, &attributes, argumentVector, environment);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (errors[1] >= 0)
        ::close(errors[1]);
    if (failed != 0) {
        ::close(errors[0]);
        errorString_ = qt_error_string(failed);
        return false;
    }
    pid_ = pid;
    errorsFd_ = errors[0];
    errorString_.clear();
    return true;
}

ChildProcess::End ChildProcess::waitForEnd(int timeoutMs, pid_t watched)
{
    const int own = pid_ > 0 ? openPidfd(pid_) : -1;
    const int other = watched > 0 ? openPidfd(watched) : -1;
    const bool toldOfEnds = own >= 0 && (watched <= 0 || other >= 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    End end = End::TimedOut;
    for (;;) {
        int status = 0;
        if (pid_ <= 0) {
            end = End::Exited;
            break;
        }
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = 0;
            exitedNormally_ = WIFEXITED(status);
            exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : WIFSIGNALED(status) ? WTERMSIG(status) : -1;
            end = End::Exited;
            break;
        }
        if (watched > 0 && hasEnded(watched)) {
            end = End::WatchedEnded;
            break;
        }
        int stepMs = -1;
        if (timeoutMs >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                break;
            stepMs = static_cast<int>(std::min<long long>(left.count(), 60 * 60 * 1000));
        }
        if (!toldOfEnds)
            stepMs = stepMs < 0 ? kPollStepMs : std::min(stepMs, kPollStepMs);
        pollfd watches[3];
        nfds_t count = 0;
        for (const int fd : {errorsFd_, own, other}) {
            if (fd >= 0)
                watches[count++] = pollfd{fd, POLLIN, 0};
        }
        if (::poll(watches, count, stepMs) > 0 && errorsFd_ >= 0 && watches[0].revents != 0)
            readErrors();
    }
    if (own >= 0)
        ::close(own);
    if (other >= 0)
        ::close(other);
    if (end == End::Exited) {
        // What the program wrote last; nobody else holds the pipe's other end.
        readErrors();
        closeErrors();
    }
    return end;
}

void ChildProcess::kill()
{
    if (pid_ > 0)
        ::kill(pid_, SIGKILL);
}

void ChildProcess::readErrors()
{
    char buffer[4096];
    while (errorsFd_ >= 0) {
        const ssize_t n = ::read(errorsFd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return; // nothing more for now
        if (n == 0) {
            closeErrors();
            return;
        }
        // The rest is read all the same, so that the program never waits on
        // a full pipe.
        const int room = kMaxErrorBytes - errors_.size();
        if (room > 0)
            errors_.append(buffer, std::min(room, static_cast<int>(n)));
    }
}

void ChildProcess::closeErrors()
{
    if (errorsFd_ >= 0) {
        ::close(errorsFd_);
        errorsFd_ = -1;
    }
}

} // namespace platform
