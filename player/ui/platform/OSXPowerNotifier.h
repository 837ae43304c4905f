#pragma once

// Process-wide source of the system's sleep and wake notifications.
//
// On this platform the notifications come from systemd-logind's
// PrepareForSleep(bool) signal on the system D-Bus (true: about to sleep,
// false: woken up). Where there is no system bus (containers, CI) the
// notifier stays silent. Signals are emitted on the GUI thread.
//
// Connect systemSleep with the receiving window as the context object, not
// the notifier: the notifier lives until process exit, and a sleep after the
// window is gone must not reach a destroyed player.

#include <QObject>

class QDBusConnection;

class OSXPowerNotifier : public QObject
{
    Q_OBJECT

public:
    // The single instance, created on first use (listening on the system
    // bus) and destroyed at process exit. Thread-safe creation.
    static OSXPowerNotifier* getInstance();

    // A notifier listening on the given bus; getInstance uses the system bus.
    // Kept public so that a private bus can stand in for the system one.
    explicit OSXPowerNotifier(const QDBusConnection& bus);
    ~OSXPowerNotifier() override;

    // True when the notifier is subscribed to the login manager's signal.
    bool isListening() const { return listening; }

signals:
    void systemSleep();
    void systemWake();

private slots:
    void onPrepareForSleep(bool start);

private:
    bool listening = false;
};
