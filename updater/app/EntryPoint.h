#pragma once

#include <functional>

class LogAppender;
class Logger;
class QString;
template <typename T> class QList;

// Installs the handler for SIGABRT and SIGSEGV. The notices it prints and the
// crash log's path are prepared here, because the handler itself may only
// call async-signal-safe functions.
void installCrashHandler();

// Prints "Pathwarden: signal caught (<n>). Trying to exit gracefully... " and a
// line break to standard output (and to the crash log, when one could be
// named) and ends the process at once with the signal number as exit status.
void signalHandler(int signal);

// Points Qt's library search path at the bundle's "PlugIns" folder, beside
// the folder of the executable's real file (never a path derived from argv[0]
// or the working folder: whoever controls those would choose what we load).
// Without a bundle Qt's own plug-in folders stay; on Linux that is the normal
// case and is logged at debug level, elsewhere it is an error.
void adjustLibraryPaths(const QString& realExecutablePath);

// Runs a profile (the interactive one or a console test profile) and returns
// its result. An exception that escapes it is logged (a thrown text with
// "General exception caught. ", anything else with "Unknown exception
// caught.") and ends the run with -1, as every other failed run does: a
// failure must not end with status 0.
int runProfile(const std::function<int()>& run, Logger* logger);

// Deletes the application object that a run leaves behind. The interactive
// run hands it to deferred deletion, which no event loop carries out once the
// loop has returned; left alive, it keeps Qt's own threads (network, bearer,
// D-Bus) running while the process's static objects are destroyed, and that
// corrupted the heap at exit now and then. Its destructor stops them and runs
// Qt's clean-up routines. While a task of the global thread pool still runs
// nothing is deleted and false is returned: the destructor would wait for the
// task without bound.
bool endApplication();

// The end of main, once the profile has returned result. Remote logging ends,
// the pool is waited for (finishBackgroundCalls with waitMs), one line tells
// how many remote entries were sent and dropped, and the application object
// goes (endApplication). Returns result when nothing runs any more.
// Otherwise a pool thread could still run, and log, while the process's
// static objects are destroyed: the outputs leave the hub (which waits for
// lines being written), the standard streams are flushed, and the process
// ends at once with std::quick_exit(result), destroying nothing.
//
// Threads: the main thread, after the event loop has returned.
int endRun(int result, int waitMs, const QList<LogAppender*>& outputs, Logger* logger);
