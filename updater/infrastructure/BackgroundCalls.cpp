#include "updater/infrastructure/BackgroundCalls.h"

#include "updater/infrastructure/RESTClient.h"
#include "updater/infrastructure/RemoteLogAppender.h"
#include "updater/infrastructure/SimpleLogger.h"

#include <QDeadlineTimer>
#include <QThreadPool>

namespace {
// Abandoned calls end at their next event; this only guards against tasks
// that are not REST calls at all.
constexpr int kUnwindWaitMs = 5000;
// How many more waits remote entries that keep going out are given.
constexpr int kMoreWaitsWhileSending = 5;

// Both pools within one bound.
bool waitForDone(const QList<QThreadPool*>& pools, int waitMs)
{
    const QDeadlineTimer deadline(waitMs);
    bool done = true;
    for (QThreadPool* pool : pools)
        done = pool->waitForDone(static_cast<int>(qMax<qint64>(0, deadline.remainingTime()))) && done;
    return done;
}

int activeThreads(const QList<QThreadPool*>& pools)
{
    int active = 0;
    for (QThreadPool* pool : pools)
        active += pool->activeThreadCount();
    return active;
}
} // namespace

bool finishBackgroundCalls(QThreadPool* pool, const QList<RESTClient*>& clients, int waitMs, Logger* logger)
{
    // Under load the last entries of a run queue up behind each other; while
    // they keep going out they are waited for, up to a bound. A server that
    // answers nothing ends the wait after the first round.
    const QList<QThreadPool*> pools = pool == remoteLogPool() ? QList<QThreadPool*>{pool}
                                                              : QList<QThreadPool*>{pool, remoteLogPool()};
    int sent = remoteLogTally().sent;
    bool done = waitForDone(pools, waitMs);
    for (int more = 0; !done && more < kMoreWaitsWhileSending; ++more) {
        const RemoteLogTally tally = remoteLogTally();
        if (tally.sent == sent || tally.pending == 0)
            break;
        sent = tally.sent;
        done = waitForDone(pools, waitMs);
    }
    if (done)
        return true;
    for (QThreadPool* each : pools)
        each->clear();
    int abandoned = 0;
    for (RESTClient* client : clients) {
        if (client)
            abandoned += client->abandonRunningCalls();
    }
    logger->error(QStringLiteral("Background calls did not end within %1 ms and are abandoned.").arg(waitMs),
                  QStringLiteral("Running REST calls: %1; tasks still queued were dropped.").arg(abandoned));
    if (waitForDone(pools, kUnwindWaitMs))
        return true;
    logger->error(QStringLiteral("Background work is still running after the calls were abandoned."),
                  QStringLiteral("Active threads: %1").arg(activeThreads(pools)));
    return false;
}
