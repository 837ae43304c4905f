#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

class QStringList;

namespace platform {

// A program we run to its end and wait for. It is started with posix_spawn:
// its argument vector, its environment and its descriptors are prepared
// before the child exists, and between the child's fork and its exec only
// the C library's own async-signal-safe steps run (no allocation, no lock,
// no Qt). A child that hung there would hold every descriptor of ours, among
// them the pipe of a process group's anchor, for ever.
//
// The program gets an empty input (/dev/null), its output goes to /dev/null
// and its errors to a pipe of ours, of which the first kMaxErrorBytes are
// kept; it has no other descriptor of ours. It starts with no signal blocked
// and the default action for every signal (but the C library's own two,
// which only the program's C library uses).
//
// Threads: one object per thread; blocking calls block only their caller.
class ChildProcess {
public:
    static constexpr int kMaxErrorBytes = 4096;

    enum class End {
        Exited,        // the program ended; see exitedNormally() and exitCode()
        TimedOut,      // still running after the time given
        WatchedEnded,  // the watched process ended first; the program runs on
    };

    ChildProcess() = default;
    // Kills and reaps a program still running.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts the program (a name without a slash is looked up on the search
    // path first); it joins the process group when one is given (> 0). False,
    // with errorString(), when it could not be executed; a name found on the
    // search path only without execute permission is named as such, not as
    // missing.
    bool start(const QString& program, const QStringList& arguments, pid_t group = 0);

    // Waits until the program ends or timeoutMs pass (no limit when
    // negative); with a watched process
    // (a child of ours, e.g. a group's anchor, which is not reaped here) also
    // until that one ends. Does not kill anything.
    End waitForEnd(int timeoutMs, pid_t watched = 0);

    // SIGKILL to the program; does not wait. Safe once it has ended.
    void kill();

    bool running() const { return pid_ > 0; }
    // After End::Exited: true when the program called exit, and its status.
    bool exitedNormally() const { return exitedNormally_; }
    int exitCode() const { return exitCode_; }
    // The beginning of what the program wrote to its standard error.
    QByteArray standardError() const { return errors_; }
    QString errorString() const { return errorString_; }

private:
    void readErrors();
    void closeErrors();

    pid_t pid_ = 0;
    int errorsFd_ = -1;
    bool exitedNormally_ = false;
    int exitCode_ = -1;
    QByteArray errors_;
    QString errorString_;
};

} // namespace platform
