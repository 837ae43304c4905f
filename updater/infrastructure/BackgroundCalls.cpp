#include "updater/infrastructure/BackgroundCalls.h"

#include "updater/infrastructure/RESTClient.h"
#include "updater/infrastructure/SimpleLogger.h"

#include <QThreadPool>

namespace {
// Abandoned calls end at their next event; this only guards against tasks
// that are not REST calls at all.
constexpr int kUnwindWaitMs = 5000;
} // namespace

bool finishBackgroundCalls(QThreadPool* pool, const QList<RESTClient*>& clients, int waitMs, Logger* logger)
{
    if (pool->waitForDone(waitMs))
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
