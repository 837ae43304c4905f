#pragma once

#include <QByteArray>
#include <QString>

// Writes a ZIP archive laid out as a downloaded updater: executable (mode
// 0755) at the place below the unpacking folder where the self-update
// extractor looks for it. False when the file cannot be written.
bool writeUpdaterArchive(const QString& path, const QByteArray& executable);

// A recording stand-in (StandInProgram.h) as the content of an archive's
// updater executable.
QByteArray recordingStandInExecutable(const QString& recordFile, int exitCode = 0);
