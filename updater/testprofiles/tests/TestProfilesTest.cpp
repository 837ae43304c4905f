#include "updater/testsupport/ComponentScanFixture.h"
#include "updater/testsupport/PathwardenProcess.h"
#include "updater/testsupport/TestEnvironment.h"
#include "updater/testsupport/TestFileServer.h"
#include "updater/testsupport/TestUpdateServer.h"
#include "updater/testsupport/ZipArchive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

// The log entries of a run's console output, in order. Each is written
// quoted and may span lines (a full text with line breaks); anything else
// on the output (Qt's own messages) is left out.
QStringList logEntries(const ProcessOutcome& outcome)
{
    static const QRegularExpression entry(QStringLiteral("^\"(\\d{4}-\\d{2}-\\d{2} .*?)\"$"),
                                          QRegularExpression::MultilineOption
                                              | QRegularExpression::DotMatchesEverythingOption);
    QStringList entries;
    QRegularExpressionMatchIterator it = entry.globalMatch(QString::fromUtf8(outcome.standardError));
    while (it.hasNext())
        entries << it.next().captured(1);
    return entries;
}

// Index of the first entry at or after from that ends with text; -1 if none.
int indexOfEntryEndingWith(const QStringList& entries, const QString& text, int from = 0)
{
    for (int i = std::max(from, 0); i < entries.size(); ++i) {
        if (entries.at(i).endsWith(text))
            return i;
    }
    return -1;
}

void writeProfileSettings(const TestEnvironment& env, const QString& profile,
                          const QList<QPair<QString, QString>>& more = {})
{
    QList<QPair<QString, QString>> values = {{QStringLiteral("Profile"), profile},
                                             {QStringLiteral("ConsoleLogLevel"), QStringLiteral("DEBUG")}};
    values.append(more);
    env.writeSettings(values);
}

// The full text of the first entry whose short text is shortText; empty
// when there is none.
QString fullTextOf(const QStringList& entries, const QString& shortText)
{
    const QString marker = QStringLiteral(" :: ") + shortText + QStringLiteral(" :: ");
    for (const QString& entry : entries) {
        const int at = entry.indexOf(marker);
        if (at >= 0)
            return entry.mid(at + marker.size());
    }
    return QString();
}

// The storage host of the integration test serves the archive the canned
// catalogue names for this machine's (macOS) road: a stored ZIP archive of
// the catalogue's size, whose digest the catalogue carries.
void serveIntegrationTestArchive(TestFileServer& files)
{
    files.setFile("/storage/integration-test/artifact-for-osx.zip",
                  zipArchiveOfSize(QStringLiteral("artifact-for-osx/payload.bin"), 359005416, 10));
}

} // namespace

TEST(TestProfiles, ComponentScannerRunScansTheMediumAndAsksTheServerForTheProductLine)
{
    TestEnvironment env;
    TestUpdateServer server;
    ASSERT_TRUE(server.isListening());
    ComponentScanFixture fixture(env.root() + QStringLiteral("/scan"));
    // The profile scans the folder of the running executable: a copy of it
    // lies on the medium beside the installer package.
    ASSERT_TRUE(QDir().mkpath(fixture.mediumDir()));
    const QString executable = fixture.mediumDir() + QStringLiteral("/Pathwarden");
    ASSERT_TRUE(QFile::copy(pathwardenExecutable(), executable));
    ASSERT_TRUE(fixture.writeInstallerPackage(
        QStringLiteral("Holmgrave Studio.pkg"),
        ComponentScanFixture::distribution(QStringLiteral("com.holmgrave.studio")),
        {{QStringLiteral("Core"), QStringLiteral("com.holmgrave.pkg.Core"), QStringLiteral("4.2.0")}}));
    fixture.setInstalledPackages({{QStringLiteral("com.holmgrave.pkg.Core"), QStringLiteral("4.1.0")},
                                  {QStringLiteral("com.holmgrave.pkg.Legacy"), QStringLiteral("0.9")}});
    env.setVariable(QStringLiteral("PATH"), fixture.pathWithStandIns());
    // The child trusts only the product's built-in authorities, not the test
    // CA: the server is reached over TLS without verification.
    writeProfileSettings(env, QStringLiteral("component-scanner-run"),
                         {{QStringLiteral("RootRestUrl"), server.rootUrl()},
                          {QStringLiteral("CheckRootCA"), QStringLiteral("false")}});

    const ProcessOutcome outcome = runProgram(executable, env);
    ASSERT_TRUE(outcome.finished) << outcome.standardError.constData();
    EXPECT_EQ(outcome.exitCode, 0) << outcome.standardError.constData();
    const QStringList entries = logEntries(outcome);

    EXPECT_GE(indexOfEntryEndingWith(entries, QStringLiteral("Component Scanner succeeded.")), 0);
    const int result = indexOfEntryEndingWith(entries, QStringLiteral("ComponentScannerRun DEBUG :: Result XML:"));
    ASSERT_GE(result, 0) << outcome.standardError.constData();
    const QString log = entries.value(result + 1);
    EXPECT_TRUE(log.contains(QStringLiteral("<package id=\"com.holmgrave.pkg.Core\" medium-version=\"4.2.0\" "
                                            "installed-version=\"4.1.0\" osx=\"true\"/>")))
        << qPrintable(log);
    EXPECT_TRUE(log.contains(QStringLiteral("<product-id>com.holmgrave.studio</product-id>")));

    // The scan result went to the server as the upload, for the win32 road.
    const QList<RecordedRequest> scans = server.requestsFor("/rest/productlines/scan");
    ASSERT_EQ(scans.size(), 1);
    EXPECT_EQ(scans.first().method, QByteArray("POST"));
    EXPECT_TRUE(scans.first().path.endsWith("?platform=win32")) << scans.first().path.constData();
    EXPECT_TRUE(scans.first().body.contains("com.holmgrave.pkg.Legacy"));
    EXPECT_TRUE(scans.first().header("User-Agent").startsWith("Pathwarden/1.16.0.436 ("))
        << scans.first().header("User-Agent").constData();

    // The product-line link, between the two hyphen lines.
    const QString hyphens(44, QLatin1Char('-'));
    const int heading =
        indexOfEntryEndingWith(entries, QStringLiteral("DEBUG :: ProductLine Id from Server: "), result);
    ASSERT_GE(heading, 0) << outcome.standardError.constData();
    const int first = indexOfEntryEndingWith(entries, QStringLiteral("DEBUG :: ") + hyphens, heading);
    const int link = indexOfEntryEndingWith(
        entries, QStringLiteral("ComponentScannerRun DEBUG :: ") + server.baseUrl()
                   + QStringLiteral("/rest/catalogue/downloadchoiceoptions.json"), first);
    const int second = indexOfEntryEndingWith(entries, QStringLiteral("DEBUG :: ") + hyphens, first + 1);
    EXPECT_GT(first, heading);
    EXPECT_GT(link, first) << outcome.standardError.constData();
    EXPECT_GT(second, link);
}

TEST(TestProfiles, IntegrationTestDownloadsTheCannedChoiceAndWritesTheInstallerInformation)
{
    TestEnvironment env;
    TestFileServer files(TestFileServer::Transport::PlainHttp);
    ASSERT_TRUE(files.isListening());
    serveIntegrationTestArchive(files);
    // The REST root names the storage host; no REST request leaves the
    // profile.
    writeProfileSettings(env, QStringLiteral("integration-test"),
                         {{QStringLiteral("RootRestUrl"), files.baseUrl() + QStringLiteral("/rest")}});

    // Within the test's own time limit (see CMakeLists.txt): the download is
    // long on a busy machine under the sanitizers.
    const ProcessOutcome outcome = runPathwarden(env, {}, 14 * 60 * 1000);
    ASSERT_TRUE(outcome.finished) << outcome.standardError.right(20000).constData();
    EXPECT_EQ(outcome.exitCode, 0) << outcome.standardError.right(20000).constData();
    const QStringList entries = logEntries(outcome);
    EXPECT_EQ(files.requestsFor("/storage/integration-test/artifact-for-osx.zip").size(), 1);
    // Progress counts the choice's 3440090809 bytes in full, never cut to an
    // int, rising to the whole.
    const QStringList progress = entries.filter(QStringLiteral("IntegrationTester DEBUG :: Download progress :: "));
    ASSERT_FALSE(progress.isEmpty()) << outcome.standardError.right(20000).constData();
    EXPECT_TRUE(progress.last().endsWith(QStringLiteral(":: 3440090809 of 3440090809 bytes, download choice 1 of 1")))
        << qPrintable(progress.join(QLatin1Char('\n')));
    EXPECT_TRUE(progress.filter(QStringLiteral(" -")).isEmpty()) << qPrintable(progress.join(QLatin1Char('\n')));

    const QString xml = fullTextOf(entries, QStringLiteral("Constructed Xml-Content"));
    const QRegularExpression expected(
        QStringLiteral("^<\\?xml version=\"1.0\" encoding=\"UTF-8\"\\?>\n"
                       "<installer-infos>\n"
                       "    <selected-platform>win32</selected-platform>\n"
                       "    <original-installer-path>%1</original-installer-path>\n"
                       "    <artifacts>\n"
                       "        <artifact file-format=\"zip\" download-output-path=\"(%2/\\{[-0-9a-f]{36}\\}/"
                       "\\{[-0-9a-f]{36}\\}/artifact-for-osx\\.zip)\" replace=\"false\" update=\"false\" "
                       "upgrade=\"false\" fullui=\"false\" hidden=\"false\">\n"
                       "            <distribution rel-path=\"/foo/bar\">\n"
                       "                <package id=\"com.holmgrave.pkg.StudioCore\"/>\n"
                       "                <package id=\"com.holmgrave.pkg.StudioSounds\"/>\n"
                       "            </distribution>\n"
                       "        </artifact>\n"
                       "    </artifacts>\n"
                       "</installer-infos>\n?$")
            .arg(QRegularExpression::escape(QFileInfo(pathwardenExecutable()).absolutePath()),
                 QRegularExpression::escape(env.tempDir())));
    const QRegularExpressionMatch match = expected.match(xml);
    ASSERT_TRUE(match.hasMatch()) << qPrintable(xml);
    EXPECT_EQ(QFileInfo(match.captured(1)).size(), 359005416);

    // The file is written where the scan said, and then the launch (which
    // has nothing to start) fails and ends the run.
    const QString writing = fullTextOf(entries, QStringLiteral("Writing ArtifactsFile."));
    const QRegularExpression writtenAt(QStringLiteral("^Writing file at path: '(.+)'$"));
    const QString written = writtenAt.match(writing).captured(1);
    ASSERT_FALSE(written.isEmpty()) << qPrintable(writing);
    QFile file(written);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()).trimmed(), xml.trimmed());
    EXPECT_GE(indexOfEntryEndingWith(entries, QStringLiteral("InstallerLauncher ERROR :: Failed to launch installer "
                                                             "with Xml Artifact file.")),
              0);
}

TEST(TestProfiles, IntegrationTestEndsWithAFailureWhenADownloadFails)
{
    TestEnvironment env;
    TestFileServer files(TestFileServer::Transport::PlainHttp);
    ASSERT_TRUE(files.isListening());
    writeProfileSettings(env, QStringLiteral("integration-test"),
                         {{QStringLiteral("RootRestUrl"), files.baseUrl() + QStringLiteral("/rest")}});

    const ProcessOutcome outcome = runPathwarden(env);
    ASSERT_TRUE(outcome.finished) << outcome.standardError.constData();
    EXPECT_EQ(outcome.exitCode, 255) << outcome.standardError.constData();
    const QStringList entries = logEntries(outcome);
    EXPECT_EQ(fullTextOf(entries, QStringLiteral("Integration test failed: a download failed.")),
              QStringLiteral("Download choice: Holmgrave Studio Sound Library"));
    EXPECT_TRUE(entries.filter(QStringLiteral("Writing ArtifactsFile.")).isEmpty());
}

TEST(TestProfiles, SelfUpdateRunPassesAllNineCases)
{
    TestEnvironment env;
    // The REST double answers for the configured root; nothing leaves the
    // process.
    writeProfileSettings(env, QStringLiteral("self-update-run"),
                         {{QStringLiteral("RootRestUrl"), QStringLiteral("https://127.0.0.1:%1/rest")
                                                              .arg(TestUpdateServer::refusingPort())}});

    const ProcessOutcome outcome = runPathwarden(env);
    ASSERT_TRUE(outcome.finished) << outcome.standardError.constData();
    EXPECT_EQ(outcome.exitCode, 0) << outcome.standardError.constData();
    const QStringList entries = logEntries(outcome);

    int previous = -1;
    for (int i = 1; i <= 9; ++i) {
        const QString name = QStringLiteral("Case %1").arg(i);
        const int heading = indexOfEntryEndingWith(
            entries, QStringLiteral("SelfUpdateRun INFO ::  #################### %1 #################### ").arg(name),
            previous + 1);
        const int verdict = indexOfEntryEndingWith(
            entries, QStringLiteral("SelfUpdateRun DEBUG :: test result:                  OK"), heading);
        const int success = indexOfEntryEndingWith(
            entries,
            QStringLiteral("SelfUpdateRun INFO :: ########## Successfully run test case %1 ##########").arg(name),
            verdict);
        EXPECT_GT(heading, previous) << qPrintable(name);
        EXPECT_GT(verdict, heading) << qPrintable(name);
        EXPECT_GT(success, verdict) << qPrintable(name) << outcome.standardError.constData();
        previous = success;
    }
    EXPECT_TRUE(entries.filter(QStringLiteral("FAIL")).isEmpty());
    // Cases 3, 4, 5, 7 and 9 start the stored copy, which only the running
    // medium version makes newer.
    EXPECT_EQ(QString::fromUtf8(outcome.standardError)
                  .count(QStringLiteral("MockedUpdateLauncherForSelfUpdateRun::launchWithArguments()")),
              5);
    // The store of the user is left alone.
    EXPECT_FALSE(QFile::exists(env.configHome() + QStringLiteral("/Pathwarden/pathwarden-local-storage.ini")));
}

TEST(TestProfiles, SelfUpdateRunStopsWithAFailureAtACaseWhoseRequestTheDoubleRejects)
{
    TestEnvironment env;
    // While "CheckRootCA" is on, link discovery refuses the plain-HTTP
    // address the double's root document names, and asks for an empty one,
    // which the double rejects by throwing.
    writeProfileSettings(env, QStringLiteral("self-update-run"),
                         {{QStringLiteral("RootRestUrl"), QStringLiteral("http://127.0.0.1:%1/rest")
                                                              .arg(TestUpdateServer::refusingPort())}});

    const ProcessOutcome outcome = runPathwarden(env);
    ASSERT_TRUE(outcome.finished) << outcome.standardError.constData();
    EXPECT_EQ(outcome.exitCode, 255) << outcome.standardError.constData();
    const QStringList entries = logEntries(outcome);
    EXPECT_EQ(fullTextOf(entries, QStringLiteral("Test case Case 1 was stopped by an exception.")),
              QStringLiteral("ERROR: Unknown test case for url: ''; mockedServerClientVersion: 1.9.9; "
                             "mockedIsClientVersionTooOld: false"))
        << outcome.standardError.constData();
    EXPECT_GE(indexOfEntryEndingWith(entries, QStringLiteral("SelfUpdateRun ERROR :: Failed to run test Case 1")), 0);
    EXPECT_TRUE(entries.filter(QStringLiteral("test result:")).isEmpty());
    EXPECT_TRUE(entries.filter(QStringLiteral("Case 2")).isEmpty());
}
