// The built Pathwarden on the road of a Windows target, chosen with
// "OverwritePlatform", run as a child process against the TLS test update
// server and the plain-HTTP download host.

#include "updater/infrastructure/platform/ExternalPrograms.h"
#include "updater/testsupport/PathwardenProcess.h"
#include "updater/testsupport/StandInProgram.h"
#include "updater/testsupport/TestEnvironment.h"
#include "updater/testsupport/TestFileServer.h"
#include "updater/testsupport/TestUpdateServer.h"
#include "updater/testsupport/WindowsInstallerFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

TEST(WindowsRoad, PlatformTheSettingDoesNotNameEndsTheRunBeforeAnyWindow)
{
    for (const char* setting : {"win64", "WIN64 ", "Windows"}) {
        TestEnvironment env;
        env.writeSettings({{QStringLiteral("OverwritePlatform"), QString::fromLatin1(setting)}});
        const ProcessOutcome outcome = runPathwarden(env);
        ASSERT_TRUE(outcome.finished) << setting << ": " << outcome.standardError.constData();
        EXPECT_EQ(outcome.exitCode, 255) << setting;
        const QByteArray log = outcome.standardError;
        EXPECT_TRUE(log.contains("VornConfiguration ERROR :: Unrecognised platform setting. :: OverwritePlatform '"
                                 + QByteArray(setting) + "' is none of DEFAULT, WIN32, WIN64 and OSX."))
            << log.constData();
        EXPECT_EQ(log.count("Unrecognised platform setting."), 1) << setting;
        EXPECT_TRUE(log.contains("main ERROR :: General exception caught.  :: not implemented yet")) << setting;
        // Neither the consent dialog nor the wizard came up.
        EXPECT_FALSE(log.contains("askForGoOnline")) << setting;
        EXPECT_FALSE(log.contains("showWizardSlot")) << setting;
    }
}

// A 64-bit Windows target whose medium offers no 32-bit product: the wizard
// fetches the newer product installer, finds no download choice, writes the
// installer-information file and starts the downloaded "Setup.exe" with the
// platform's open command, all without a user.
TEST(WindowsRoad, NewerProductInstallerIsDownloadedUnpackedAndStarted)
{
    TestEnvironment env;
    TestUpdateServer server;
    TestFileServer host{TestFileServer::Transport::PlainHttp};
    ASSERT_TRUE(server.isListening() && host.isListening());
    env.writeSettings({{QStringLiteral("RootRestUrl"), server.rootUrl()},
                       // The built executable trusts only the product's CAs.
                       {QStringLiteral("CheckRootCA"), QStringLiteral("false")},
                       {QStringLiteral("OverwritePlatform"), QStringLiteral("WIN64")}});
    const QString medium = env.root() + QStringLiteral("/medium");
    QDir().mkpath(medium + QStringLiteral("/Additional Content/Installer Data"));
    QFile configuration(medium + QStringLiteral("/Additional Content/Installer Data/Vorncfg.ini"));
    ASSERT_TRUE(configuration.open(QIODevice::WriteOnly));
    configuration.write("32BitAvailable_Mac=false\n");
    configuration.close();

    const QByteArray archive = WindowsInstallerFixture::installerArchive();
    WindowsInstallerFixture::offer(server, host, archive);
    server.setResponse("/rest/downloadclient/discontinued", 200, R"({"discontinued": false})");
    server.setResponse("/rest/downloadclient/update", 200, R"({"version": "1.16.0.436", "updateRequired": false})");
    server.setResponse("/rest/productlines/scan", 200, "[]");

    const QString record = env.root() + QStringLiteral("/open-arguments");
    const QString bin = env.root() + QStringLiteral("/bin");
    writeRecordingStandInProgram(bin, QString::fromLatin1(platform::kOpenCommand), record);
    env.setVariable(QStringLiteral("PATH"), bin + QLatin1Char(':') + qEnvironmentVariable("PATH"));

    const ProcessOutcome outcome = runPathwarden(
        env, {QStringLiteral("-force-online-mode"), QStringLiteral("-original-installer-path"), medium}, 180000);
    ASSERT_TRUE(outcome.finished) << outcome.standardError.constData();
    EXPECT_EQ(outcome.exitCode, 0) << outcome.standardError.constData();
    EXPECT_EQ(server.requestsFor(WindowsInstallerFixture::resourcePath()).size(), 1);
    EXPECT_EQ(host.requestsFor("/installers/ProductInstaller-7.3.0.12.zip").size(), 1);
    EXPECT_TRUE(server.requestsFor("/rest/productlines/scan").first().path.endsWith("?platform=win64"));

    const QRegularExpression line(QStringLiteral("working temp dir of application: ([^\"\\n]+)"));
    const QString working = line.match(QString::fromUtf8(outcome.standardError)).captured(1);
    ASSERT_FALSE(working.isEmpty()) << outcome.standardError.constData();
    const QString setup = QDir(working).filePath(QStringLiteral("updated-windows-product-installer/Setup.exe"));
    bool recorded = false;
    EXPECT_EQ(waitForRecordedArguments(record, &recorded), QStringList{QFileInfo(setup).canonicalFilePath()});
    ASSERT_TRUE(recorded);
    EXPECT_TRUE(outcome.standardError.contains("a new (downloaded) windows installer was found"));
}
