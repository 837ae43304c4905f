#include "player/ui/platform/OSXPowerNotifier.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDebug>

#include <memory>

namespace {

const char* const kService = "org.freedesktop.login1";
const char* const kPath = "/org/freedesktop/login1";
const char* const kInterface = "org.freedesktop.login1.Manager";
const char* const kSignal = "PrepareForSleep";

} // namespace

OSXPowerNotifier* OSXPowerNotifier::getInstance()
{
    // Function-local static: created once, thread-safely, released at exit.
    static const std::unique_ptr<OSXPowerNotifier> instance =
        std::make_unique<OSXPowerNotifier>(QDBusConnection::systemBus());
    return instance.get();
}

OSXPowerNotifier::OSXPowerNotifier(const QDBusConnection& bus)
{
    if (!bus.isConnected()) {
        qInfo() << "OSXPowerNotifier: no D-Bus connection; sleep and wake are not reported";
        return;
    }
    QDBusConnection connection(bus);
    listening = connection.connect(QLatin1String(kService), QLatin1String(kPath),
                                   QLatin1String(kInterface), QLatin1String(kSignal), this,
                                   SLOT(onPrepareForSleep(bool)));
    if (!listening)
        qWarning() << "OSXPowerNotifier: cannot subscribe to" << kSignal << connection.lastError().message();
}

OSXPowerNotifier::~OSXPowerNotifier() = default;

void OSXPowerNotifier::onPrepareForSleep(bool start)
{
    if (start)
        emit systemSleep();
    else
        emit systemWake();
}
