#pragma once

#include "updater/infrastructure/LogAppender.h"

#include <QString>

class QIODevice;

// Appends each line to a device and flushes it, so every entry is on disk
// when the call returns. The device belongs to the caller and must outlive
// this output; the output opens it and closes it again when destroyed. A file
// is opened without following a link and without blocking, and used only when
// it is a regular file of the user; otherwise there is no file log, and a
// console line says so.
class FileLogAppender : public LogAppender {
    Q_OBJECT
public:
    FileLogAppender(QIODevice* device, LogLevels level, const QStringList& excludedClassNames, QObject* parent);
    ~FileLogAppender() override;

    // <generic data>/Pathwarden/logs/<local start time>-<name>; makes the
    // folder when it is missing, not the file. When <generic data>/Pathwarden
    // cannot be made the user's private folder, the same below the user's
    // generic cache folder. Empty when no log folder is private to the user.
    static QString getAndCreateLogFilePath(const QString& name);

protected:
    void writeRaw(const QString& shortText, const QString& fullText, const QString& className, LogLevels level,
                  const QDateTime& time) override;

private:
    QIODevice* device_;
    QString fileName_;
};
