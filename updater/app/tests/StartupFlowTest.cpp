#include "updater/infrastructure/platform/ExternalPrograms.h"
#include "updater/testsupport/PathwardenProcess.h"
#include "updater/testsupport/StandInProgram.h"
#include "updater/testsupport/TestEnvironment.h"
#include "testsupport/TestTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

QString driver()
{
    return testtree::inBuildTree(QStringLiteral(PATHWARDEN_FLOW_DRIVER));
}

QString makeMedium(const TestEnvironment& env, const QByteArray& vorncfg)
{
    const QString medium = env.root() + QStringLiteral("/medium");
    const QString folder = medium + QStringLiteral("/Additional Content/Installer Data");
    QDir().mkpath(folder);
    QFile file(folder + QStringLiteral("/Vorncfg.ini"));
    file.open(QIODevice::WriteOnly);
    file.write(vorncfg);
    return medium;
}

} // namespace

TEST(StartupFlow, RegularStartAsksToGoOnlineWithTitleAndVersion)
{
    TestEnvironment env;
    const ProcessOutcome outcome = runProgram(driver(), env);
    ASSERT_TRUE(outcome.finished) << outcome.standardError.constData();
    EXPECT_TRUE(outcome.standardOutput.contains("window:AskForGoOnlineDialog:Pathwarden - Version 1.16.0.436\n"))
        << outcome.standardOutput.constData();
    EXPECT_EQ(outcome.exitCode, 42);
    EXPECT_FALSE(outcome.standardOutput.contains("LogMonitorDialog"));
}

TEST(StartupFlow, DialogLogLevelOtherThanExactlyOffOpensTheLogWindow)
{
    for (const char* level : {"DEBUG", "off"}) {
        TestEnvironment env;
        env.writeSettings({{QStringLiteral("DialogLogLevel"), QString::fromLatin1(level)}});
        const ProcessOutcome outcome = runProgram(driver(), env);
        ASSERT_TRUE(outcome.finished) << outcome.standardError.constData();
        EXPECT_TRUE(outcome.standardOutput.contains("window:LogMonitorDialog:\n")) << level << ": "
                                                                                     << outcome.standardOutput.constData();
        EXPECT_TRUE(outcome.standardOutput.contains("window:AskForGoOnlineDialog")) << level;
    }
}

TEST(StartupFlow, StayingOfflineWithoutAnInstallerToStartEndsWithMinusOne)
{
    TestEnvironment env;
    env.setVariable(QStringLiteral("PATHWARDEN_FLOW"), QStringLiteral("stay-offline"));
    const ProcessOutcome outcome = runProgram(driver(), env);
    ASSERT_TRUE(outcome.finished) << outcome.standardError.constData();
    EXPECT_TRUE(outcome.standardError.contains("stayOfflineSlot"));
    EXPECT_TRUE(outcome.standardError.contains("skip download and start installer"));
    EXPECT_TRUE(outcome.standardError.contains("installerStartedStateSlot result : 0"));
    // Closing the dialog afterwards must not turn the failure into success.
    EXPECT_TRUE(outcome.standardOutput.contains("exec:-1")) << outcome.standardOutput.constData();
    EXPECT_EQ(outcome.exitCode, 255);
    EXPECT_TRUE(outcome.standardError.contains("all threads are finished"));
}

TEST(StartupFlow, StayingOfflineOpensTheMediumsPackageAndEndsWithZero)
{
    TestEnvironment env;
    env.setVariable(QStringLiteral("PATHWARDEN_FLOW"), QStringLiteral("stay-offline"));
    const QString medium = makeMedium(env, QByteArray());
    QFile(medium + QStringLiteral("/Product Installer.pkg")).open(QIODevice::WriteOnly);
    const QString record = env.root() + QStringLiteral("/open-arguments");
    const QString bin = env.root() + QStringLiteral("/bin");
    writeRecordingStandInProgram(bin, QString::fromLatin1(platform::kOpenCommand), record);
    env.setVariable(QStringLiteral("PATH"), bin + QLatin1Char(':') + qEnvironmentVariable("PATH"));

    const ProcessOutcome outcome = runProgram(driver(), env, {QStringLiteral("-original-installer-path"), medium});
    ASSERT_TRUE(outcome.finished) << outcome.standardError.constData();
    EXPECT_EQ(outcome.exitCode, 0) << outcome.standardError.constData();
    bool recorded = false;
    EXPECT_EQ(waitForRecordedArguments(record, &recorded),
              QStringList{QFileInfo(medium + QStringLiteral("/Product Installer.pkg")).canonicalFilePath()});
}

TEST(StartupFlow, MediumWithMandatoryUpdateShowsTheMandatoryDialog)
{
    TestEnvironment env;
    const QString medium = makeMedium(env, "MandatoryUpdate_Mac=true\nMandatoryUpdateProductLink=https://example.invalid/m\n");
    const ProcessOutcome outcome = runProgram(driver(), env, {QStringLiteral("--original-installer-path"), medium});
    ASSERT_TRUE(outcome.finished) << outcome.standardError.constData();
    EXPECT_TRUE(outcome.standardOutput.contains("window:MandatoryUpdateDialog:"));
    EXPECT_FALSE(outcome.standardOutput.contains("window:AskForGoOnlineDialog"));
}

TEST(StartupFlow, ForceOnlineModeSkipsTheConsentDialog)
{
    TestEnvironment env;
    env.setVariable(QStringLiteral("PATHWARDEN_FLOW"), QStringLiteral("stay-offline"));
    // Without built-in certificates the wizard's first page puts up its fatal
    // box, which the driver answers, and the run ends by itself: every window
    // it showed has been reported by then.
    const ProcessOutcome outcome = runProgram(driver(), env, {QStringLiteral("-force-online-mode")});
    ASSERT_TRUE(outcome.finished) << outcome.standardError.constData();
    // The wizard is the first window; no consent dialog comes before it.
    EXPECT_TRUE(outcome.standardError.contains("App ready to init")) << outcome.standardError.constData();
    EXPECT_TRUE(outcome.standardError.contains("showWizardSlot"));
    // The fatal box may be reported before the wizard, in the same pass.
    const int wizard = outcome.standardOutput.indexOf("window:VornWizard");
    ASSERT_GE(wizard, 0) << outcome.standardOutput.constData();
    EXPECT_EQ(outcome.standardOutput.indexOf("window:"), wizard) << outcome.standardOutput.constData();
    EXPECT_FALSE(outcome.standardOutput.contains("AskForGoOnlineDialog"));
    EXPECT_FALSE(outcome.standardOutput.contains("MandatoryUpdateDialog"));
    // A server that cannot be trusted ends the run as a failure.
    EXPECT_TRUE(outcome.standardOutput.contains("messagebox:Could not establish secure server communication."));
    EXPECT_EQ(outcome.exitCode, 255);
}

TEST(StartupFlow, UnparsableCommandLineWarnsFirstThenStartsAsWithoutArguments)
{
    TestEnvironment env;
    const ProcessOutcome outcome = runProgram(driver(), env, {QStringLiteral("--no-such-option")});
    ASSERT_TRUE(outcome.finished) << outcome.standardError.constData();
    const int warning = outcome.standardOutput.indexOf("messagebox:Could not parse CommandLine arguments!");
    const int dialog = outcome.standardOutput.indexOf("window:AskForGoOnlineDialog");
    ASSERT_GE(warning, 0) << outcome.standardOutput.constData();
    EXPECT_GT(dialog, warning);
    EXPECT_TRUE(outcome.standardError.contains("parsing of arguments failed! unknown: no-such-option"));
}

TEST(StartupFlow, UncheckedCertificatesPutTheWarningIntoTheConsentDialog)
{
    TestEnvironment env;
    env.writeSettings({{QStringLiteral("CheckRootCA"), QStringLiteral("false")}});
    const ProcessOutcome outcome = runProgram(driver(), env);
    ASSERT_TRUE(outcome.finished);
    EXPECT_TRUE(outcome.standardOutput.contains("window:AskForGoOnlineDialog:Pathwarden - Version 1.16.0.436:warning\n"))
        << outcome.standardOutput.constData();
}

TEST(StartupFlow, UncheckedCertificatesWarnInTheMandatoryDialogToo)
{
    TestEnvironment env;
    env.writeSettings({{QStringLiteral("CheckRootCA"), QStringLiteral("0")}});
    const QString medium = makeMedium(env, "MandatoryUpdate_Mac=yes\n");
    const ProcessOutcome outcome = runProgram(driver(), env, {QStringLiteral("--original-installer-path"), medium});
    ASSERT_TRUE(outcome.finished);
    EXPECT_TRUE(outcome.standardOutput.contains(":warning\n")) << outcome.standardOutput.constData();
    EXPECT_TRUE(outcome.standardOutput.contains("window:MandatoryUpdateDialog:"));
}

TEST(StartupFlow, TheMinimumSystemIsDebiansAndNoOtherSystemIsCalledTooOld)
{
    // The driver sees a different /etc/os-release in a mount namespace of its
    // own; where the machine allows none, there is nothing to run.
    TestEnvironment probe;
    const ProcessOutcome can = runProgram(QStringLiteral("unshare"), probe, {QStringLiteral("-rm"), QStringLiteral("true")});
    if (!can.finished || can.exitCode != 0)
        GTEST_SKIP() << "no private mount namespace here (unshare -rm)";

    const struct {
        const char* name;
        const char* osRelease;
        bool tooOld;
    } systems[] = {
        {"RHEL 9.3", "NAME=\"Red Hat Enterprise Linux\"\nID=\"rhel\"\nID_LIKE=\"fedora\"\nVERSION_ID=\"9.3\"\n", false},
        {"Alpine", "NAME=\"Alpine Linux\"\nID=alpine\nVERSION_ID=3.19.1\n", false},
        {"Arch", "NAME=\"Arch Linux\"\nID=arch\nBUILD_ID=rolling\n", false},
        {"Debian testing", "NAME=\"Debian GNU/Linux\"\nID=debian\nVERSION_CODENAME=trixie\n", false},
        {"Debian 11", "NAME=\"Debian GNU/Linux\"\nID=debian\nVERSION_ID=\"11\"\nVERSION_CODENAME=bullseye\n", true},
    };
    for (const auto& system : systems) {
        TestEnvironment env;
        const QString osRelease = env.root() + QStringLiteral("/os-release");
        QFile file(osRelease);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(system.osRelease);
        file.close();
        const ProcessOutcome outcome = runProgram(
            QStringLiteral("unshare"), env,
            {QStringLiteral("-rm"), QStringLiteral("sh"), QStringLiteral("-c"),
             QStringLiteral("mount --bind \"$1\" /etc/os-release && exec \"$2\""), QStringLiteral("sh"), osRelease,
             driver()});
        ASSERT_TRUE(outcome.finished) << system.name;
        const bool toldTooOld = outcome.standardOutput.contains("messagebox:This software cannot be installed");
        EXPECT_EQ(toldTooOld, system.tooOld) << system.name << "\n" << outcome.standardOutput.constData();
        EXPECT_EQ(outcome.standardOutput.contains("window:AskForGoOnlineDialog"), !system.tooOld) << system.name;
        if (!system.tooOld) {
            EXPECT_TRUE(outcome.standardError.contains("Operating system check skipped: ")) << system.name;
        }
    }
}
