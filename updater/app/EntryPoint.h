#pragma once

// Installs the handler for SIGABRT and SIGSEGV. The notices it prints and the
// crash log's path are prepared here, because the handler itself may only
// call async-signal-safe functions.
void installCrashHandler();

// Prints "Pathwarden: signal caught (<n>). Trying to exit gracefully... " and a
// line break to standard output (and to the crash log, when one could be
// named) and ends the process at once with the signal number as exit status.
void signalHandler(int signal);

// Points Qt's library search path at the bundle's "PlugIns" folder, two levels
// above the executable; logs an error and keeps Qt's default otherwise.
void adjustLibraryPaths(const char* executablePath);
