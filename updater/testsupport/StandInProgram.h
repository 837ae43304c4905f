#pragma once

#include <QString>
#include <QStringList>

// Writes an executable shell script named name into folder, with body after
// the "#!/bin/sh" line, and returns its path. Stand-ins replace system programs
// that Debian lacks (sw_vers, pkgutil, xar, open).
QString writeStandInProgram(const QString& folder, const QString& name, const QString& body);

// The script (after its "#!/bin/sh" line) of a recording stand-in, for
// stand-ins that travel inside an archive.
QString recordingStandInBody(const QString& recordFile, int exitCode = 0);

// A stand-in that records the arguments it was started with, one per line, in
// recordFile (written whole, then renamed into place, so a reader never sees
// half a record), and exits with exitCode.
QString writeRecordingStandInProgram(const QString& folder, const QString& name, const QString& recordFile,
                                     int exitCode = 0);

// Waits until recordFile exists (a detached child writes it at its own pace)
// and returns the recorded arguments; recorded is false when the file never
// came within timeoutMs.
QStringList waitForRecordedArguments(const QString& recordFile, bool* recorded, int timeoutMs = 30000);
