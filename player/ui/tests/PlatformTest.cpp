#include "player/ui/platform/ButtonOSXEventFilter.h"
#include "player/ui/platform/OSXHideTitleBar.h"
#include "player/ui/platform/OSXPowerNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

// A private message bus standing in for the system bus, with one connection
// that owns logind's name and one for the notifier.
class PrivateBus : public ::testing::Test
{
protected:
    void SetUp() override
    {
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        // Generous bounds, only against a hang: a loaded machine may take
        // long to start the bus.
        ASSERT_TRUE(daemon.waitForStarted(60000));
        ASSERT_TRUE(daemon.waitForReadyRead(60000));
        address = QString::fromLatin1(daemon.readLine()).trimmed();
        ASSERT_FALSE(address.isEmpty());
    }

    void TearDown() override
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("login"));
        QDBusConnection::disconnectFromBus(QStringLiteral("listener"));
        daemon.terminate();
        daemon.waitForFinished(5000);
    }

    QDBusConnection connect(const QString& name) { return QDBusConnection::connectToBus(address, name); }

    static bool prepareForSleep(QDBusConnection& bus, bool start)
    {
        QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"),
                                                         QStringLiteral("org.freedesktop.login1.Manager"),
                                                         QStringLiteral("PrepareForSleep"));
        signal << start;
        return bus.send(signal);
    }

    QProcess daemon;
    QString address;
};

} // namespace

TEST_F(PrivateBus, PrepareForSleepFromLogindBecomesSleepAndWake)
{
    QDBusConnection login = connect(QStringLiteral("login"));
    ASSERT_TRUE(login.isConnected());
    ASSERT_TRUE(login.registerService(QStringLiteral("org.freedesktop.login1")));

    OSXPowerNotifier notifier(connect(QStringLiteral("listener")));
    ASSERT_TRUE(notifier.isListening());
    QSignalSpy sleep(&notifier, &OSXPowerNotifier::systemSleep);
    QSignalSpy wake(&notifier, &OSXPowerNotifier::systemWake);

    ASSERT_TRUE(prepareForSleep(login, true));
    ASSERT_TRUE(sleep.wait(60000));
    EXPECT_EQ(wake.count(), 0);

    ASSERT_TRUE(prepareForSleep(login, false));
    ASSERT_TRUE(wake.wait(60000));
    EXPECT_EQ(sleep.count(), 1);
}

TEST_F(PrivateBus, SignalsFromOtherSendersAreIgnored)
{
    QDBusConnection impostor = connect(QStringLiteral("login"));
    ASSERT_TRUE(impostor.isConnected());
    OSXPowerNotifier notifier(connect(QStringLiteral("listener")));
    QSignalSpy sleep(&notifier, &OSXPowerNotifier::systemSleep);
    ASSERT_TRUE(prepareForSleep(impostor, true));
    EXPECT_FALSE(sleep.wait(500));
}

TEST(OSXPowerNotifier, SingleInstanceStaysSilentWithoutASystemBus)
{
    OSXPowerNotifier* first = OSXPowerNotifier::getInstance();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(OSXPowerNotifier::getInstance(), first);
    if (!QDBusConnection::systemBus().isConnected()) {
        EXPECT_FALSE(first->isListening());
    }

    OSXPowerNotifier detached{QDBusConnection(QStringLiteral("never-connected"))};
    EXPECT_FALSE(detached.isListening());
}

TEST(ButtonOSXEventFilter, PressClearsTheHoverStateWithoutConsumingIt)
{
    QPushButton button;
    ButtonOSXEventFilter filter(nullptr);
    button.setAttribute(Qt::WA_UnderMouse, true);
    QMouseEvent move(QEvent::MouseMove, QPointF(1, 1), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    EXPECT_FALSE(filter.eventFilter(&button, &move));
    EXPECT_TRUE(button.testAttribute(Qt::WA_UnderMouse));

    QMouseEvent press(QEvent::MouseButtonPress, QPointF(1, 1), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    EXPECT_FALSE(filter.eventFilter(&button, &press));
    EXPECT_FALSE(button.testAttribute(Qt::WA_UnderMouse));

    QObject plain;
    EXPECT_FALSE(filter.eventFilter(&plain, &press));
    EXPECT_FALSE(filter.eventFilter(nullptr, &press));
}

TEST(OSXHideTitleBar, LeavesTheWindowFrameAlone)
{
    QWidget window;
    window.show();
    const Qt::WindowFlags before = window.windowFlags();
    OSXHideTitleBar::hideTitleBar(static_cast<long>(window.winId()));
    EXPECT_EQ(window.windowFlags(), before);
    EXPECT_TRUE(window.isVisible());
}
