#include "updater/testsupport/StandInProgram.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

QString writeStandInProgram(const QString& folder, const QString& name, const QString& body)
{
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    file.write("#!/bin/sh\n");
    file.write(body.toUtf8());
    file.write("\n");
    file.close();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                        | QFileDevice::ReadGroup | QFileDevice::ExeGroup);
    return path;
}

QString recordingStandInBody(const QString& recordFile, int exitCode)
{
    QString quoted = recordFile;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QStringLiteral("for a in \"$@\"; do printf '%s\\n' \"$a\"; done > '%1.part'\n"
                          "mv '%1.part' '%1'\nexit %2")
        .arg(quoted)
        .arg(exitCode);
}

QString writeRecordingStandInProgram(const QString& folder, const QString& name, const QString& recordFile,
                                     int exitCode)
{
    return writeStandInProgram(folder, name, recordingStandInBody(recordFile, exitCode));
}

QStringList waitForRecordedArguments(const QString& recordFile, bool* recorded, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!QFileInfo::exists(recordFile) && clock.elapsed() < timeoutMs)
        QThread::msleep(20);
    QFile file(recordFile);
    const bool found = file.open(QIODevice::ReadOnly);
    if (recorded)
        *recorded = found;
    if (!found)
        return {};
    QStringList arguments = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    arguments.removeLast(); // after the last line end
    return arguments;
}
