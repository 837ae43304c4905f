#pragma once

#include "updater/infrastructure/LogAppender.h"

#include <QString>

class QIODevice;

// Appends each line to a device and flushes it, so every entry is on disk
// when the call returns. The device belongs to the caller and must outlive
// this output; the output opens it and closes it again when destroyed. A file
// is opened below a descriptor of its checked folder by openUserLogFile
// (another user's entry at the name is replaced, never written through);
// when that fails there is no file log, and a console line says so.
class FileLogAppender : public LogAppender {
    Q_OBJECT
public:
    FileLogAppender(QIODevice* device, LogLevels level, const QStringList& excludedClassNames, QObject* parent);
    ~FileLogAppender() override;

    // <XDG data home>/Pathwarden/logs/<local start time>-<name>, or, where
    // the user's own file of an earlier run of the same second holds that
    // name, <local start time>-<n>-<name> with the first free n from 2 on;
    // makes the folders when they are missing, not the file. When either folder fails
    // the rule of TrustedWay.h, the same below the user's XDG cache folder.
    // Empty when no log folder passes.
    static QString getAndCreateLogFilePath(const QString& name);

protected:
    void writeRaw(const QString& shortText, const QString& fullText, const QString& className, LogLevels level,
                  const QDateTime& time) override;

private:
    QIODevice* device_;
    QString fileName_;
};
