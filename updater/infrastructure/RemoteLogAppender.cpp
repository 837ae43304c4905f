#include "updater/infrastructure/RemoteLogAppender.h"

#include "updater/infrastructure/AbstractRESTClient.h"
#include "updater/infrastructure/JsonHelpers.h"
#include "updater/infrastructure/SecureAddress.h"
#include "updater/infrastructure/ServiceUrl.h"
#include "updater/infrastructure/SimpleLogger.h"

#include <QDateTime>
#include <QThreadPool>
#include <QVariantMap>

#include <atomic>
#include <mutex>
#include <set>

namespace {

// Once set, no remote output posts anything.
std::atomic<bool> remoteLoggingEnded{false};

// remoteLogTally()'s counts; without destructors, so that they stay valid
// while static objects are destroyed.
std::atomic<int> sentEntries{0};
std::atomic<int> droppedEntries{0};
std::atomic<int> pendingEntries{0};

// Every remote output alive, so that the end of a run can detach them all.
struct LiveOutputs {
    std::mutex mutex;
    std::set<RemoteLogAppender*> outputs;
};

LiveOutputs& liveOutputs()
{
    static LiveOutputs live;
    return live;
}

} // namespace

void endRemoteLogging()
{
    remoteLoggingEnded = true;
    // Under the registry's lock, so that none of them is destroyed meanwhile;
    // detaching waits for the hub's writers, which never take this lock.
    LiveOutputs& live = liveOutputs();
    const std::lock_guard<std::mutex> lock(live.mutex);
    for (RemoteLogAppender* output : live.outputs)
        output->detachFromHub();
}

QThreadPool* remoteLogPool()
{
    // Its threads never end by themselves: one that ended while the
    // process's static objects go would touch what is gone. The end of a run
    // waits for them (QThreadPool::waitForDone ends them).
    static QThreadPool* const pool = [] {
        auto* made = new QThreadPool();
        made->setObjectName(QStringLiteral("RemoteLogPool"));
        made->setExpiryTimeout(-1);
        return made;
    }();
    return pool;
}

RemoteLogTally remoteLogTally()
{
    RemoteLogTally tally;
    tally.sent = sentEntries;
    tally.dropped = droppedEntries;
    tally.pending = pendingEntries;
    return tally;
}

int gelfLevel(LogLevels level)
{
    switch (level) {
    case ERROR: return 3;
    case INFO: return 6;
    case DEBUG: return 7;
    default: return -1;
    }
}

QString gelfEntryJson(const QString& shortText, const QString& fullText, const QString& className,
                      LogLevels level, const QDateTime& time, bool* ok)
{
    const int gelf = gelfLevel(level);
    if (gelf < 0) {
        if (ok)
            *ok = false;
        return QString();
    }
    // The server's format: the timestamp goes as text, the host empty.
    const QString timestamp = QString::asprintf("%.4f", static_cast<double>(time.toMSecsSinceEpoch()) / 1000.0);
    QVariantMap entry;
    entry.insert(QStringLiteral("_class_name"), className);
    entry.insert(QStringLiteral("_date_time"), time.toString(Qt::RFC2822Date));
    entry.insert(QStringLiteral("full_message"), fullText);
    entry.insert(QStringLiteral("host"), QString());
    entry.insert(QStringLiteral("level"), gelf);
    entry.insert(QStringLiteral("short_message"), shortText);
    entry.insert(QStringLiteral("timestamp"), timestamp);
    entry.insert(QStringLiteral("version"), QStringLiteral("1.1"));
    bool converted = false;
    QByteArray json = variantToJson(entry, &converted);
    const int nul = json.indexOf('\0');
    if (nul >= 0)
        json.truncate(nul);
    if (ok)
        *ok = converted;
    return QString::fromUtf8(json);
}

RemoteLogAppender::RemoteLogAppender(AbstractRESTClient* restClient, AbstractServiceUrl* serviceUrl,
                                     LogLevels level, const QStringList& excludedClassNames, QObject* parent)
    : LogAppender(level, excludedClassNames, parent)
    , serviceUrl_(serviceUrl)
    , restClient_(restClient)
{
    if (serviceUrl_)
        errorLogUrl_ = serviceUrl_->getLinkUrl(QStringLiteral("errorlogging"));
    // Log entries carry details of the machine; they never go out in clear
    // text while the pinned trust is on.
    if (!errorLogUrl_.isEmpty() && isHttpsRequired() && !isHttpsAddress(errorLogUrl_)) {
        SimpleLogger::getLogger(this)->error(
            QStringLiteral("Remote logging is off: its address is not HTTPS while \"CheckRootCA\" is on."),
            errorLogUrl_);
        errorLogUrl_.clear();
    }
    LiveOutputs& live = liveOutputs();
    const std::lock_guard<std::mutex> lock(live.mutex);
    live.outputs.insert(this);
}

RemoteLogAppender::~RemoteLogAppender()
{
    detachFromHub();
    {
        LiveOutputs& live = liveOutputs();
        const std::lock_guard<std::mutex> lock(live.mutex);
        live.outputs.erase(this);
    }
    if (serviceUrl_)
        serviceUrl_->deleteLater();
}

QString RemoteLogAppender::errorLogUrl() const
{
    return errorLogUrl_;
}

void RemoteLogAppender::writeRaw(const QString& shortText, const QString& fullText, const QString& className,
                                 LogLevels level, const QDateTime& time)
{
    // Without an address every post would only fail.
    if (!restClient_ || errorLogUrl_.isEmpty() || remoteLoggingEnded)
        return;
    bool ok = false;
    const QString json = gelfEntryJson(shortText, fullText, className, level, time, &ok);
    if (!ok)
        return;
    remoteLogPool()->start(new RemoteLogRunnableTask(restClient_, errorLogUrl_, json), 0);
}

RemoteLogRunnableTask::RemoteLogRunnableTask(AbstractRESTClient* restClient, const QString& url, const QString& json)
    : restClient_(restClient)
    , url_(url)
    , json_(json)
{
    ++pendingEntries;
}

RemoteLogRunnableTask::~RemoteLogRunnableTask()
{
    if (!ran_) {
        ++droppedEntries;
        --pendingEntries;
    }
}

void RemoteLogRunnableTask::run()
{
    const bool answered = restClient_->post(url_, json_).statusCode > 0;
    ran_ = true;
    ++(answered ? sentEntries : droppedEntries);
    --pendingEntries;
}
