#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QStringList>

#include <functional>

class TestEnvironment;

// The built Pathwarden executable, run as a child process in a private
// environment.
QString pathwardenExecutable();

// How long a child run may take before it counts as hung: generous, so that
// only a real hang runs out on a loaded machine with a sanitizer build, and
// below the test run's own limit of 300 s, so that the test still reports
// what the hung child wrote.
constexpr int kChildRunTimeoutMs = 4 * 60 * 1000;

struct ProcessOutcome {
    bool finished = false;           // ended within the time limit
    QProcess::ExitStatus exitStatus = QProcess::NormalExit;
    int exitCode = -1;               // 0..255 as the shell sees it
    QByteArray standardOutput;
    QByteArray standardError;
};

// Runs any program to its end in the private environment (killing it after
// timeoutMs).
ProcessOutcome runProgram(const QString& program, const TestEnvironment& environment,
                          const QStringList& arguments = {}, int timeoutMs = kChildRunTimeoutMs);

// Runs Pathwarden to its end (killing it after timeoutMs).
ProcessOutcome runPathwarden(const TestEnvironment& environment, const QStringList& arguments = {},
                             int timeoutMs = kChildRunTimeoutMs);

// Starts the program, waits until its standard error shows marker (and then
// until ready, when given, returns true), then sends the signal and waits for
// the end. finished is false when the marker, or ready, never came.
ProcessOutcome runPathwardenAndSignal(const TestEnvironment& environment, const QByteArray& marker, int signal,
                                      const QStringList& arguments = {}, int timeoutMs = kChildRunTimeoutMs,
                                      const std::function<bool()>& ready = {});

// The fields of /proc/<pid>/stat after the program's name (which may hold
// blanks and brackets): state, parent id, and so on. Empty when the process
// is gone.
QList<QByteArray> processStatusFields(qint64 pid);

// Gone, or a zombie nobody has reaped yet.
bool processEnded(qint64 pid);
// Whether it ends within timeoutMs. A process sent SIGKILL still has to be
// scheduled to die, which on a busy machine comes after the sender's own end.
bool processEndsWithin(qint64 pid, int timeoutMs);
