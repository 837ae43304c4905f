#pragma once

#include "updater/infrastructure/LogLevels.h"

#include <QMutex>
#include <QObject>
#include <QStringList>

class QDateTime;

// Base of every log output: a level threshold and a list of class names whose
// entries it drops. Entries arrive from any thread; one entry at a time is
// filtered and written under the output's own mutex.
//
// Ownership: outputs are not owned by the hub. A concrete output must call
// detachFromHub() first thing in its destructor, so that no thread can reach
// its writeRaw while it is being torn down.
class LogAppender : public QObject {
    Q_OBJECT
public:
    LogAppender(LogLevels level, const QStringList& excludedClassNames, QObject* parent);
    ~LogAppender() override;

    void appendAndFilterLogEntry(const QString& shortText, const QString& fullText, const QString& className,
                                 LogLevels level);

    LogLevels logLevel() const;

protected:
    // Called with the output's mutex held; must not log through the hub.
    virtual void writeRaw(const QString& shortText, const QString& fullText, const QString& className,
                          LogLevels level, const QDateTime& time) = 0;

    // Leaves the hub and waits until no thread is still handing this output
    // an entry. Safe to call more than once.
    void detachFromHub();

private:
    LogLevels logLevel_;
    QStringList excludedClassNames_;
    QMutex mutex_;
};
