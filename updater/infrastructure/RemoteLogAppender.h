#pragma once

#include "updater/infrastructure/LogAppender.h"

#include <QRunnable>
#include <QString>

class AbstractRESTClient;
class AbstractServiceUrl;
class QThreadPool;

// GELF level numbers: ERROR 3, INFO 6, DEBUG 7; -1 for levels that are never
// sent.
int gelfLevel(LogLevels level);

// The GELF 1.1 object of one entry, as indented JSON text. Pure.
QString gelfEntryJson(const QString& shortText, const QString& fullText, const QString& className,
                      LogLevels level, const QDateTime& time, bool* ok = nullptr);

// Ends remote logging for the rest of the process: every remote output
// leaves the hub (once no thread still hands it an entry), and no remote
// output starts a post afterwards, also one made later. Posts already queued
// go on; the caller then waits for the pool. A post that still ran when the
// process ends would run during the destruction of static objects.
//
// Threads: any; the end of a run calls it before its last log lines.
void endRemoteLogging();

// What became of the entries handed to the pool so far in this process:
// sent (the server answered the post), dropped (cleared from the pool's queue
// unsent, abandoned, or not answered) and pending (queued or being posted).
// The end of a run names them in one log line; whatever is still pending
// when the process ends is lost too.
struct RemoteLogTally {
    int sent = 0;
    int dropped = 0;
    int pending = 0;
};

// Threads: any.
RemoteLogTally remoteLogTally();

// The pool the posts run on, one of their own: a log server that stalls
// holds up posts only, never a page's task in the global pool. Made on first
// use and never destroyed (a post may still run while static objects go;
// the end of a run waits for it, see finishBackgroundCalls).
//
// Threads: any.
QThreadPool* remoteLogPool();

// Sends log entries to the server's "errorlogging" resource, one POST per
// entry, each on a short task of remoteLogPool() so that the logging thread
// never waits for the network. The end of a run ends remote logging
// (endRemoteLogging), then waits for the pool (for a bounded time), so
// entries queued until then still go out. Without an address (not found, or
// not HTTPS while "CheckRootCA" is on) nothing is sent.
//
// Ownership: owns the service address (released, deferred, on destruction);
// the REST client is not owned and must outlive the queued tasks.
class RemoteLogAppender : public LogAppender {
    Q_OBJECT
public:
    // Blocks for up to two REST calls to find the "errorlogging" address.
    RemoteLogAppender(AbstractRESTClient* restClient, AbstractServiceUrl* serviceUrl, LogLevels level,
                      const QStringList& excludedClassNames, QObject* parent);
    ~RemoteLogAppender() override;

    QString errorLogUrl() const;

protected:
    void writeRaw(const QString& shortText, const QString& fullText, const QString& className, LogLevels level,
                  const QDateTime& time) override;

private:
    friend void endRemoteLogging();

    QString errorLogUrl_;
    AbstractServiceUrl* serviceUrl_;
    AbstractRESTClient* restClient_;
};

// One POST of one entry; deleted by the pool after it has run, or unrun when
// the pool's queue is cleared. Counted in remoteLogTally() from its making to
// its end. A lost entry is not retried.
class RemoteLogRunnableTask : public QRunnable {
public:
    RemoteLogRunnableTask(AbstractRESTClient* restClient, const QString& url, const QString& json);
    ~RemoteLogRunnableTask() override;
    void run() override;

private:
    AbstractRESTClient* restClient_;
    QString url_;
    QString json_;
    bool ran_ = false;
};
