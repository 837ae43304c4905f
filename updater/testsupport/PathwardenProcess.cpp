#include "updater/testsupport/PathwardenProcess.h"

#include "updater/testsupport/TestEnvironment.h"

#include "testsupport/TestTree.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <csignal>
#include <sys/types.h>

QString pathwardenExecutable()
{
    return testtree::inBuildTree(QStringLiteral(PATHWARDEN_EXECUTABLE_PATH));
}

namespace {

ProcessOutcome collect(QProcess& process, bool finished)
{
    ProcessOutcome outcome;
    outcome.finished = finished;
    if (!finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    outcome.exitStatus = process.exitStatus();
    outcome.exitCode = process.exitCode();
    outcome.standardOutput = process.readAllStandardOutput();
    outcome.standardError = process.readAllStandardError();
    return outcome;
}

} // namespace

ProcessOutcome runPathwarden(const TestEnvironment& environment, const QStringList& arguments, int timeoutMs)
{
    return runProgram(pathwardenExecutable(), environment, arguments, timeoutMs);
}

ProcessOutcome runProgram(const QString& program, const TestEnvironment& environment, const QStringList& arguments,
                          int timeoutMs)
{
    QProcess process;
    process.setProcessEnvironment(environment.processEnvironment());
    process.start(program, arguments);
    const bool finished = process.waitForStarted(timeoutMs) && process.waitForFinished(timeoutMs);
    return collect(process, finished);
}

ProcessOutcome runPathwardenAndSignal(const TestEnvironment& environment, const QByteArray& marker, int signal,
                                      const QStringList& arguments, int timeoutMs,
                                      const std::function<bool()>& ready)
{
    QProcess process;
    process.setProcessEnvironment(environment.processEnvironment());
    process.start(pathwardenExecutable(), arguments);
    if (!process.waitForStarted(timeoutMs))
        return collect(process, false);

    QByteArray seenError;
    QElapsedTimer timer;
    timer.start();
    while (!seenError.contains(marker) && timer.elapsed() < timeoutMs && process.state() == QProcess::Running) {
        process.waitForReadyRead(100);
        seenError += process.readAllStandardError();
    }
    while (ready && !ready() && timer.elapsed() < timeoutMs && process.state() == QProcess::Running) {
        process.waitForReadyRead(100);
        seenError += process.readAllStandardError();
    }
    if (!seenError.contains(marker) || (ready && !ready()))
        return collect(process, false);

    ::kill(static_cast<pid_t>(process.processId()), signal);
    const bool finished = process.waitForFinished(timeoutMs);
    ProcessOutcome outcome = collect(process, finished);
    outcome.standardError.prepend(seenError);
    return outcome;
}

QList<QByteArray> processStatusFields(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray stat = file.readAll();
    const int close = stat.lastIndexOf(')');
    return close < 0 ? QList<QByteArray>() : stat.mid(close + 2).split(' ');
}

bool processEnded(qint64 pid)
{
    if (::kill(static_cast<pid_t>(pid), 0) != 0)
        return true;
    const QList<QByteArray> fields = processStatusFields(pid);
    return fields.isEmpty() || fields.first() == "Z";
}

bool processEndsWithin(qint64 pid, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!processEnded(pid)) {
        if (clock.elapsed() >= timeoutMs)
            return false;
        QThread::msleep(20);
    }
    return true;
}
