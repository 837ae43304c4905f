#pragma once

class QString;
class QStringList;

namespace platform {

// Starts a program that outlives us: in a session of its own, not our child
// (nobody has to reap it), with our working folder, environment and open
// standard channels and no other descriptor of ours; every signal has its
// default action and none is blocked. A program name without a slash is looked up on the
// search path. True once the program has been executed; false when it was
// not found or could not be executed, with the system's error in *error
// when given (ENOENT for a program not found).
//
// QProcess::startDetached of Qt 5 allocates, converts texts and searches the
// path between fork and exec. In a process with other threads (the updater
// always has some: its remote log, Qt's network and D-Bus threads) a lock that
// one of them held at the fork stays locked in the child for ever, and the
// caller then waits for ever for the start to be confirmed. Here everything
// is prepared before the fork and the children only make async-signal-safe
// calls.
//
// Threads: any thread.
bool startDetachedProcess(const QString& program, const QStringList& arguments, int* error = nullptr);

} // namespace platform
