#include "updater/infrastructure/BackgroundCalls.h"

#include "updater/infrastructure/RESTClient.h"
#include "updater/infrastructure/RemoteLogAppender.h"
#include "updater/infrastructure/SimpleLogger.h"

#include <QThreadPool>

namespace {
// Abandoned calls end at their next event; this only guards against tasks
// that are not REST calls at all.
constexpr int kUnwindWaitMs = 5000;
// How many more waits remote entries that keep going out are given.
constexpr int kMoreWaitsWhileSending = 5;
} // namespace

bool finishBackgroundCalls(QThreadPool* pool, const QList<RESTClient*>& clients, int waitMs, Logger* logger)
{
    // Under load the last entries of a run queue up behind each other; while
    // they keep going out they are waited for, up to a bound. A server that
    // answers nothing ends the wait after the first round.
    int sent = remoteLogTally().sent;
    bool done = pool->waitForDone(waitMs);
    for (int more = 0; !done && more < kMoreWaitsWhileSending; ++more) {
        const RemoteLogTally tally = remoteLogTally();
        if (tally.sent == sent || tally.pending == 0)
            break;
        sent = tally.sent;
        done = pool->waitForDone(waitMs);
    }
    if (done)
        return true;
    pool->clear();
    int abandoned = 0;
    for (RESTClient* client : clients) {
        if (client)
            abandoned += client->abandonRunningCalls();
    }
    logger->error(QStringLiteral("Background calls did not end within %1 ms and are abandoned.").arg(waitMs),
                  QStringLiteral("Running REST calls: %1; tasks still queued were dropped.").arg(abandoned));
    if (pool->waitForDone(kUnwindWaitMs))
        return true;
    logger->error(QStringLiteral("Background work is still running after the calls were abandoned."),
                  QStringLiteral("Active threads: %1").arg(pool->activeThreadCount()));
    return false;
}
