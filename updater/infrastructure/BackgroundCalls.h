#pragma once

#include <QList>

class Logger;
class QThreadPool;
class RESTClient;

// The end of a run: waits up to waitMs for the tasks of the pool (background
// checks) and of the remote log's own pool (remoteLogPool) to end, and waitMs
// more each time remote log entries went out meanwhile (up to five times;
// they then still go out one after another, only slowly). Whatever still
// runs then is abandoned: queued tasks are dropped and the clients' running
// calls end at once with an error, so no server can keep the updater from
// closing. Logs what it had to abandon. Returns true when neither pool has a
// task left at the end. Null clients are skipped.
//
// Threads: the GUI thread, once, when the event loop is about to end.
bool finishBackgroundCalls(QThreadPool* pool, const QList<RESTClient*>& clients, int waitMs, Logger* logger);

// How long the end of a run waits for background calls before it abandons
// them; remote log posts normally take well under a second.
constexpr int kBackgroundCallsExitWaitMs = 5000;
