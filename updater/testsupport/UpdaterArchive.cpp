#include "updater/testsupport/UpdaterArchive.h"

#include "updater/infrastructure/platform/UpdaterBundle.h"
#include "updater/testsupport/StandInProgram.h"
#include "updater/testsupport/ZipArchive.h"

bool writeUpdaterArchive(const QString& path, const QByteArray& executable)
{
    // The archive's entry names are relative: no leading separator.
    const QString name = QString::fromLatin1(platform::kUpdaterExecutableInArchive).mid(1);
    return writeZipArchive(path, {{name, executable, 0755}});
}

QByteArray recordingStandInExecutable(const QString& recordFile, int exitCode)
{
    return "#!/bin/sh\n" + recordingStandInBody(recordFile, exitCode).toUtf8() + "\n";
}
