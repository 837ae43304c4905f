#include "updater/app/VornAppService.h"
#include "updater/services/AbstractUpdateLauncher.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

class StubLauncher : public AbstractUpdateLauncher {
public:
    explicit StubLauncher(bool starts)
        : starts_(starts)
    {
    }
    bool launchLatestIfNewer() override
    {
        ++calls;
        return starts_;
    }
    bool launchLatestIfNewerInOnlineMode() override { return false; }
    bool isLocalStoreVersionNewer(QString, QString) override { return false; }
    bool launchLatest() override { return false; }
    bool launchLatestInOnlineMode() override { return false; }

    int calls = 0;

private:
    bool starts_;
};

struct Spies {
    explicit Spies(VornAppService& service)
        : tooOld(&service, SIGNAL(currentOSNotSupportedSignal()))
        , started(&service, SIGNAL(selfUpdateLauncherStartedNewVersionSignal()))
        , online(&service, SIGNAL(applicationRestartedAndIsAllowedToGoOnlineSignal()))
        , regular(&service, SIGNAL(regularStartOfApplicationSignal()))
    {
    }
    int total() const { return tooOld.count() + started.count() + online.count() + regular.count(); }
    QSignalSpy tooOld;
    QSignalSpy started;
    QSignalSpy online;
    QSignalSpy regular;
};

} // namespace

TEST(StartUpDecision, TooOldSystemLooksAtNothingElse)
{
    StubLauncher launcher(true);
    VornAppService service(&launcher, QStringLiteral("text"), false, true, nullptr);
    Spies spies(service);
    service.handlePreconditions();
    EXPECT_EQ(spies.tooOld.count(), 1);
    EXPECT_EQ(spies.total(), 1);
    EXPECT_EQ(launcher.calls, 0);
}

TEST(StartUpDecision, NewerStoredCopyWinsOverForceOnlineMode)
{
    StubLauncher launcher(true);
    VornAppService service(&launcher, QStringLiteral("text"), true, true, nullptr);
    Spies spies(service);
    service.handlePreconditions();
    EXPECT_EQ(spies.started.count(), 1);
    EXPECT_EQ(spies.total(), 1);
}

TEST(StartUpDecision, ForceOnlineModeOrRegularStart)
{
    StubLauncher launcher(false);
    VornAppService forced(&launcher, QStringLiteral("text"), true, true, nullptr);
    Spies forcedSpies(forced);
    forced.handlePreconditions();
    EXPECT_EQ(forcedSpies.online.count(), 1);
    EXPECT_EQ(forcedSpies.total(), 1);

    VornAppService regular(&launcher, QStringLiteral("text"), true, false, nullptr);
    Spies regularSpies(regular);
    regular.handlePreconditions();
    EXPECT_EQ(regularSpies.regular.count(), 1);
    EXPECT_EQ(regularSpies.total(), 1);
    EXPECT_EQ(launcher.calls, 2);
}

TEST(StartUpDecision, WithoutALauncherTheRunGoesOn)
{
    VornAppService service(nullptr, QStringLiteral("text"), true, false, nullptr);
    Spies spies(service);
    service.handlePreconditions();
    EXPECT_EQ(spies.regular.count(), 1);
    EXPECT_EQ(spies.total(), 1);
}
