#include "player/engine/audio/RealtimeKit.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QString>
#include <QVariant>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>

#include <dirent.h>
#include <sched.h>
#include <sys/resource.h>

namespace Audio {

namespace RealtimeKit {

namespace {

const QString kService = QStringLiteral("org.freedesktop.RealtimeKit1");
const QString kPath = QStringLiteral("/org/freedesktop/RealtimeKit1");

QDBusMessage call(QDBusConnection& bus, const QString& interface, const QString& method,
                  const QList<QVariant>& arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, interface, method);
    message.setArguments(arguments);
    return bus.call(message, QDBus::Block, kTimeoutMs);
}

// A property of the daemon as a 64-bit integer; false with `problem` set
// when it cannot be had.
bool property(QDBusConnection& bus, const char* name, qlonglong& value, std::string& problem)
{
    const QDBusMessage reply = call(bus, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                                    {kService, QString::fromLatin1(name)});
    bool ok = false;
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
        value = reply.arguments().first().value<QDBusVariant>().variant().toLongLong(&ok);
    if (!ok)
        problem = std::string("RealtimeKit's ") + name + " could not be read: "
            + (reply.errorMessage().isEmpty() ? std::string("no value") : reply.errorMessage().toStdString());
    return ok;
}

std::string ask(QDBusConnection& bus, const std::vector<pid_t>& threads, int priority)
{
    if (!bus.isConnected())
        return "no system bus (" + bus.lastError().message().toStdString() + ")";
    std::string problem;
    qlonglong maxPriority = 0;
    qlonglong maxRtTime = 0;
    if (!property(bus, "MaxRealtimePriority", maxPriority, problem)
        || !property(bus, "RTTimeUSecMax", maxRtTime, problem))
        return problem;
    if (maxPriority < 1 || maxRtTime < 1)
        return "RealtimeKit grants no real-time priority";
    rlimit limit{};
    if (getrlimit(RLIMIT_RTTIME, &limit) != 0)
        return "RLIMIT_RTTIME could not be read";
    const rlim_t wanted = rlim_t(maxRtTime);
    if (limit.rlim_max == RLIM_INFINITY || limit.rlim_max > wanted) {
        limit.rlim_cur = wanted;
        limit.rlim_max = wanted;
        if (setrlimit(RLIMIT_RTTIME, &limit) != 0)
            return "RLIMIT_RTTIME could not be set";
    }
    const quint32 granted = quint32(std::min<qlonglong>(priority, maxPriority));
    for (const pid_t thread : threads) {
        const QDBusMessage reply = call(bus, kService, QStringLiteral("MakeThreadRealtime"),
                                        {QVariant::fromValue(quint64(thread)), QVariant::fromValue(granted)});
        if (reply.type() != QDBusMessage::ReplyMessage)
            return "RealtimeKit refused: " + reply.errorMessage().toStdString();
    }
    return {};
}

} // namespace

std::string makeThreadsRealtime(const std::vector<pid_t>& threads, int priority)
{
    // A connection of its own, not the shared one: it goes when the request
    // is done, and no other user of the system bus waits behind it.
    const QString name = QStringLiteral("glasswell-realtimekit");
    std::string problem;
    {
        QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SystemBus, name);
        problem = ask(bus, threads, priority);
    }
    QDBusConnection::disconnectFromBus(name);
    return problem;
}

} // namespace RealtimeKit

std::vector<pid_t> threadsOfThisProcess()
{
    std::vector<pid_t> threads;
    if (DIR* tasks = opendir("/proc/self/task")) {
        while (const dirent* entry = readdir(tasks)) {
            const long id = std::strtol(entry->d_name, nullptr, 10);
            if (id > 0)
                threads.push_back(pid_t(id));
        }
        closedir(tasks);
    }
    std::sort(threads.begin(), threads.end());
    return threads;
}

bool runsRealTime(pid_t thread)
{
    const int policy = sched_getscheduler(thread);
    if (policy < 0)
        return false;
    const int base = policy & ~SCHED_RESET_ON_FORK;
    return base == SCHED_RR || base == SCHED_FIFO;
}

std::string threadName(pid_t thread)
{
    std::ifstream comm("/proc/self/task/" + std::to_string(thread) + "/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

} // namespace Audio
