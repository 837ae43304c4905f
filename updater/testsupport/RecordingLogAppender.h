#pragma once

#include "updater/infrastructure/LogAppender.h"

#include <QMutex>
#include <QStringList>

// A log output that keeps every line it writes, for tests that check what was
// logged. Registers itself with the hub and leaves it when destroyed.
class RecordingLogAppender : public LogAppender {
    Q_OBJECT
public:
    explicit RecordingLogAppender(LogLevels level = ALL, const QStringList& excludedClassNames = {});
    ~RecordingLogAppender() override;

    QStringList lines() const;
    bool contains(const QString& text) const;
    void clear();

protected:
    void writeRaw(const QString& shortText, const QString& fullText, const QString& className, LogLevels level,
                  const QDateTime& time) override;

private:
    mutable QMutex linesMutex_;
    QStringList lines_;
};
