#include "updater/infrastructure/platform/DetachedProcess.h"

#include "updater/infrastructure/platform/CloseDescriptors.h"

#include <QByteArray>
#include <QFile>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

// Reports why the program could not be executed to the waiting parent.
void reportAndExit(int reportFd, int error)
{
    ssize_t written;
    do {
        written = ::write(reportFd, &error, sizeof error);
    } while (written < 0 && errno == EINTR);
    ::_exit(127);
}

// The program starts as every child of ours does: every signal with its
// default action (an exec resets handlers, but a signal ignored here, such as
// SIGINT under nohup, would stay ignored), none blocked whatever mask the
// starting thread had, and only the standard channels open. Descriptors
// without close-on-exec (inherited from whoever started us, or opened by a
// library) would otherwise live on in a program that outlives us; among them
// could be a process group anchor's pipe, whose anchor would then never see
// its end. keep, the report pipe, closes on exec by itself. Only
// async-signal-safe calls: this runs in a fork of a process with threads.
void prepareChild(int keep, unsigned int descriptors)
{
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    sigemptyset(&defaultAction.sa_mask);
    // Refused for SIGKILL and SIGSTOP, and for the C library's own two
    // signals (32 and 33), which only the program's C library uses.
    for (int signal = 1; signal < NSIG; ++signal)
        ::sigaction(signal, &defaultAction, nullptr);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    closeDescriptorsBut(keep, descriptors);
}

} // namespace

bool startDetachedProcess(const QString& program, const QStringList& arguments, int* error)
{
    int unused = 0;
    int& failure = error ? *error : unused;
    failure = ENOENT;
    if (program.isEmpty())
        return false;
    const QString executable =
        program.contains(QLatin1Char('/')) ? program : QStandardPaths::findExecutable(program);
    if (executable.isEmpty())
        return false;

    std::vector<QByteArray> texts;
    texts.reserve(static_cast<size_t>(arguments.size()) + 1);
    texts.push_back(QFile::encodeName(executable));
    for (const QString& argument : arguments)
        texts.push_back(QFile::encodeName(argument));
    std::vector<char*> argv;
    argv.reserve(texts.size() + 1);
    for (QByteArray& text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);
    char* const* const argumentVector = argv.data();
    const char* const path = argumentVector[0];

    // Closed on exec, so the parent reads end-of-file exactly when the
    // program runs, and an errno when it could not be executed.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        failure = errno;
        return false;
    }
    const unsigned int descriptors = descriptorLimit();

    // _Fork, not fork: the fork handlers of other libraries would run in the
    // children, and they may allocate or lock.
    const pid_t intermediate = ::_Fork();
    if (intermediate < 0) {
        failure = errno;
        ::close(report[0]);
        ::close(report[1]);
        return false;
    }
    if (intermediate == 0) {
        ::close(report[0]);
        ::setsid();
        const pid_t launched = ::_Fork();
        if (launched == 0) {
            prepareChild(report[1], descriptors);
            ::execv(path, argumentVector);
            reportAndExit(report[1], errno);
        }
        if (launched < 0)
            reportAndExit(report[1], errno);
        ::_exit(0);
    }

    ::close(report[1]);
    int status = 0;
    while (::waitpid(intermediate, &status, 0) < 0 && errno == EINTR) {
    }
    int reported = 0;
    ssize_t received;
    do {
        received = ::read(report[0], &reported, sizeof reported);
    } while (received < 0 && errno == EINTR);
    ::close(report[0]);
    const bool started = received == 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    // Without a report the intermediate process ended some other way.
    failure = started ? 0 : received == static_cast<ssize_t>(sizeof reported) && reported != 0 ? reported : ECHILD;
    return started;
}

} // namespace platform
