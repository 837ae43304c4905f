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

using namespace WindowsInstallerFixture;

TEST(WindowsRoad, PlatformTheSettingDoesNotNameEndsTheRunBeforeAnyWindow)
{
    for (const char* setting : {"win64", "WIN64 ", "Windows"}) {
        TestEnvironment env;
        env.writeSettings({{QStringLiteral("OverwritePlatform"), QString::fromLatin1(setting)}});
        const ProcessOutcome outcome = runPathwarden(env);
        ASSERT_TRUE(outcome.finished) << setting << ": " << outcome.standardError.constData();
        EXPECT_EQ(outcome.exitCode, 255) << setting;
        const QByteArray log = outcome.standardError;
        EXPECT_EQ(log.count("VornConfiguration ERROR :: Unrecognised platform setting. :: OverwritePlatform '"
                            + QByteArray(setting) + "' is none of DEFAULT, WIN32, WIN64 and OSX."),
                  1)
            << log.constData();
        EXPECT_TRUE(log.contains("main ERROR :: General exception caught.  :: not implemented yet")) << setting;
        EXPECT_FALSE(log.contains("askForGoOnline")) << "a window came up for " << setting;
        EXPECT_FALSE(log.contains("showWizardSlot")) << "a window came up for " << setting;
    }
}

// A 64-bit target whose medium offers no 32-bit product, online at once: the
// wizard fetches a newer product installer when one is offered, finds no
// download choice, writes the installer-information file and starts
// "Setup.exe" with the platform's open command, all without a user. Without
// a usable new installer the medium's own "Setup.exe" is started, and no
// download folder is left behind. One row per offer, each a whole run.
namespace {

struct InstallerOffer {
    const char* name;
    int status; // of the installer resource; 0: the archive's description
    QByteArray body; // with status 0: any text gives the size as text
    ArchiveContent content;
    bool onHost;
    const char* logged; // the page's reason, or empty
    const char* fileName = "ProductInstaller-7.3.0.12.zip"; // of the archive's address
};

void PrintTo(const InstallerOffer& offer, std::ostream* out)
{
    *out << offer.name;
}

class WindowsRoadOffer : public ::testing::TestWithParam<InstallerOffer> {};

} // namespace

TEST_P(WindowsRoadOffer, NewerProductInstallerIsStartedAndEveryFailureFallsBackToTheMediums)
{
    const InstallerOffer& c = GetParam();
    TestEnvironment env;
    TestUpdateServer server;
    TestFileServer host;
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
    QFile(medium + QStringLiteral("/Setup.exe")).open(QIODevice::WriteOnly);

    const QByteArray archive = installerArchive(c.content);
    const QUrl link = offer(server, host, archive, QString::fromLatin1(c.fileName));
    if (!c.onHost)
        host.setFault(link.path().toUtf8(), FileFault::NotFound);
    if (c.status != 0)
        server.setResponse(resourcePath(), c.status, c.body);
    else if (!c.body.isEmpty())
        server.setResponse(resourcePath(), 200, description(link, archive, true));
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
    EXPECT_TRUE(server.requestsFor("/rest/productlines/scan").value(0).path.endsWith("?platform=win64"));
    const bool fallsBack = *c.logged != 0;
    if (fallsBack) {
        EXPECT_TRUE(outcome.standardError.contains("WindowsProductInstallerUpdatePage")
                    && outcome.standardError.contains(c.logged));
    }
    const QRegularExpression line(QStringLiteral("working temp dir of application: ([^\"\\n]+)"));
    const QString working = line.match(QString::fromUtf8(outcome.standardError)).captured(1);
    ASSERT_FALSE(working.isEmpty()) << outcome.standardError.constData();
    const QString downloaded = QDir(working).filePath(QStringLiteral("updated-windows-product-installer"));
    bool recorded = false;
    EXPECT_EQ(waitForRecordedArguments(record, &recorded),
              QStringList{QFileInfo((fallsBack ? medium : downloaded) + QStringLiteral("/Setup.exe")).canonicalFilePath()});
    EXPECT_EQ(QFileInfo::exists(downloaded), !fallsBack) << "a failure left the folder behind";
}

INSTANTIATE_TEST_SUITE_P(
    Offers, WindowsRoadOffer,
    ::testing::Values(
        InstallerOffer{"Offered", 0, {}, ArchiveContent::WithSetup, true, ""},
        InstallerOffer{"SizeAsText", 0, "as text", ArchiveContent::WithSetup, true, ""},
        InstallerOffer{"NoneOffered", 404, "{}", ArchiveContent::WithSetup, true, "no new installer available"},
        InstallerOffer{"ServerTrouble", 500, "{}", ArchiveContent::WithSetup, true, "server communication problem"},
        InstallerOffer{"NotJson", 200, "<html>maintenance</html>", ArchiveContent::WithSetup, true,
                       "server communication problem"},
        InstallerOffer{"JsonArray", 200, R"([{"winLink": "x"}])", ArchiveContent::WithSetup, true,
                       "server communication problem"},
        InstallerOffer{"ArchiveNotOnTheHost", 0, {}, ArchiveContent::WithSetup, false, "downloadErrorSlot"},
        InstallerOffer{"NoSetupExeInTheArchive", 0, {}, ArchiveContent::WithoutSetup, true, "error unzipping..."},
        InstallerOffer{"SetupExeIsAFolder", 0, {}, ArchiveContent::SetupIsAFolder, true, "error unzipping..."},
        InstallerOffer{"DamagedSetupExe", 0, {}, ArchiveContent::DamagedSetup, true, "error unzipping..."},
        InstallerOffer{"ArchiveItselfNamedSetupExe", 0, {}, ArchiveContent::WithoutSetup, true,
                       "error unzipping...", "Setup.exe"}),
    [](const ::testing::TestParamInfo<InstallerOffer>& info) { return std::string(info.param.name); });
