#pragma once

#include "updater/infrastructure/LogAppender.h"

class LogMonitorDialog;

// The log output that shows entries in the log monitor window. Construction
// makes the window and brings it up; closing it only hides it, and rows keep
// being added.
//
// Threads: made on the GUI thread. writeRaw runs on whichever thread logs
// (under the output's mutex) and only posts the row to the window's thread;
// it never waits for that thread. A blocking hand-over would deadlock as soon
// as the GUI thread logs while a pool thread is handing over an entry: the
// GUI thread would wait for this output's mutex, which the pool thread holds
// while it waits for the GUI thread. Posting under the mutex also keeps the
// rows in arrival order.
//
// Ownership: owns the window. Added to the hub by the composition root and
// kept until the process ends.
class DialogLogAppender : public LogAppender {
    Q_OBJECT
public:
    DialogLogAppender(LogLevels level, const QStringList& excludedClassNames, QObject* parent);
    ~DialogLogAppender() override;

    LogMonitorDialog* dialog() const;

protected:
    void writeRaw(const QString& shortText, const QString& fullText, const QString& className, LogLevels level,
                  const QDateTime& time) override;

private:
    LogMonitorDialog* dialog_;
};
