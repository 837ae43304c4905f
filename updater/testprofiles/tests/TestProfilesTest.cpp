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

// The console log of a run, one entry a line without the quotes the console
// output puts around each.
QStringList logLines(const ProcessOutcome& outcome)
{
    QStringList lines;
    for (QString line : QString::fromUtf8(outcome.standardError).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('"')))
            line.remove(0, 1);
        if (line.endsWith(QLatin1Char('"')))
            line.chop(1);
        lines << line;
    }
    return lines;
}

// Index of the first line at or after from that ends with text; -1 if none.
int indexOfLineEndingWith(const QStringList& lines, const QString& text, int from = 0)
{
    for (int i = std::max(from, 0); i < lines.size(); ++i) {
        if (lines.at(i).endsWith(text))
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

// Generous: a loaded machine and a sanitizer build; only a hang runs out.
constexpr int kRunTimeoutMs = 10 * 60 * 1000;

// The full text of the first entry whose short text is shortText, with the
// lines that continue it; empty when there is none.
QString fullTextOf(const QStringList& lines, const QString& shortText)
{
    const QString marker = QStringLiteral(" :: ") + shortText + QStringLiteral(" :: ");
    for (int i = 0; i < lines.size(); ++i) {
        const int at = lines.at(i).indexOf(marker);
        if (at < 0)
            continue;
        QStringList text{lines.at(i).mid(at + marker.size())};
        // Continuation lines do not start with a time stamp.
        static const QRegularExpression stamp(QStringLiteral("^\\d{4}-\\d{2}-\\d{2} "));
        for (int j = i + 1; j < lines.size() && !stamp.match(lines.at(j)).hasMatch(); ++j)
            text << lines.at(j);
        return text.join(QLatin1Char('\n'));
    }
    return QString();
}

// The storage host of the integration test: the archives its canned
// catalogue names, as stored ZIP archives of the catalogue's sizes whose
// digests it carries.
void serveIntegrationTestArchives(TestFileServer& files)
{
    files.setFile("/storage/integration-test/artifact-for-win32.zip",
                  zipArchiveOfSize(QStringLiteral("artifact-for-win32/payload.bin"), 779115, 32));
    files.setFile("/storage/integration-test/artifact-for-win64.zip",
                  zipArchiveOfSize(QStringLiteral("artifact-for-win64/payload.bin"), 779115, 64));
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
        QStringLiteral("Holmgrave Studio.pkg"), ComponentScanFixture::distribution(QStringLiteral("com.holmgrave.studio")),
        {{QStringLiteral("Core"), QStringLiteral("com.holmgrave.pkg.Core"), QStringLiteral("4.2.0")}}));
    fixture.setInstalledPackages({{QStringLiteral("com.holmgrave.pkg.Core"), QStringLiteral("4.1.0")},
                                  {QStringLiteral("com.holmgrave.pkg.Legacy"), QStringLiteral("0.9")}});
    env.setVariable(QStringLiteral("PATH"), fixture.pathWithStandIns());
    // The child trusts only the product's built-in authorities, not the test
    // CA: the server is reached over TLS without verification.
    writeProfileSettings(env, QStringLiteral("component-scanner-run"),
                         {{QStringLiteral("RootRestUrl"), server.rootUrl()},
                          {QStringLiteral("CheckRootCA"), QStringLiteral("false")}});

    const ProcessOutcome outcome = runProgram(executable, env, {}, kRunTimeoutMs);
    ASSERT_TRUE(outcome.finished) << outcome.standardError.constData();
    EXPECT_EQ(outcome.exitCode, 0) << outcome.standardError.constData();
    const QStringList lines = logLines(outcome);

    EXPECT_GE(indexOfLineEndingWith(lines, QStringLiteral("Component Scanner succeeded.")), 0);
    const int result = indexOfLineEndingWith(lines, QStringLiteral("ComponentScannerRun DEBUG :: Result XML:"));
    ASSERT_GE(result, 0) << outcome.standardError.constData();
    const QString log = lines.mid(result).join(QLatin1Char('\n'));
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
    const int heading = indexOfLineEndingWith(lines, QStringLiteral("DEBUG :: ProductLine Id from Server: "), result);
    ASSERT_GE(heading, 0) << outcome.standardError.constData();
    const int first = indexOfLineEndingWith(lines, QStringLiteral("DEBUG :: ") + hyphens, heading);
    const int link = indexOfLineEndingWith(
        lines, QStringLiteral("ComponentScannerRun DEBUG :: ") + server.baseUrl()
                   + QStringLiteral("/rest/catalogue/downloadchoiceoptions.json"), first);
    const int second = indexOfLineEndingWith(lines, QStringLiteral("DEBUG :: ") + hyphens, first + 1);
    EXPECT_GT(first, heading);
    EXPECT_GT(link, first) << outcome.standardError.constData();
    EXPECT_GT(second, link);
}

TEST(TestProfiles, IntegrationTestDownloadsTheCannedChoiceAndWritesTheInstallerInformation)
{
    TestEnvironment env;
    TestFileServer files(TestFileServer::Transport::PlainHttp);
    ASSERT_TRUE(files.isListening());
    serveIntegrationTestArchives(files);
    // The REST root names the storage host; no REST request leaves the
    // profile.
    writeProfileSettings(env, QStringLiteral("integration-test"),
                         {{QStringLiteral("RootRestUrl"), files.baseUrl() + QStringLiteral("/rest")}});

    const ProcessOutcome outcome = runPathwarden(env, {}, kRunTimeoutMs);
    ASSERT_TRUE(outcome.finished) << outcome.standardError.right(20000).constData();
    EXPECT_EQ(outcome.exitCode, 0) << outcome.standardError.right(20000).constData();
    const QStringList lines = logLines(outcome);
    EXPECT_GE(indexOfLineEndingWith(lines, QStringLiteral("IntegrationTester DEBUG :: ready to start integration test")), 0);

    // This machine takes the macOS road: only the "MAC" archive is fetched.
    EXPECT_EQ(files.requestsFor("/storage/integration-test/artifact-for-osx.zip").size(), 1);
    EXPECT_EQ(files.requestsFor("/storage/integration-test/artifact-for-win32.zip").size(), 0);
    // Progress counts the choice's 3440090809 bytes in full, never cut to an
    // int, rising to the whole.
    const QStringList progress = lines.filter(QStringLiteral("IntegrationTester DEBUG :: Download progress :: "));
    ASSERT_FALSE(progress.isEmpty()) << outcome.standardError.right(20000).constData();
    qulonglong previous = 0;
    for (const QString& line : progress) {
        const QRegularExpression counts(QStringLiteral(":: (\\d+) of 3440090809 bytes, download choice 1 of 1$"));
        const QRegularExpressionMatch match = counts.match(line);
        ASSERT_TRUE(match.hasMatch()) << qPrintable(line);
        EXPECT_GE(match.captured(1).toULongLong(), previous) << qPrintable(line);
        previous = match.captured(1).toULongLong();
    }
    EXPECT_EQ(previous, 3440090809ull);

    const QString xml = fullTextOf(lines, QStringLiteral("Constructed Xml-Content"));
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
    const QString writing = fullTextOf(lines, QStringLiteral("Writing ArtifactsFile."));
    const QRegularExpression writtenAt(QStringLiteral("^Writing file at path: '(.+)'$"));
    const QString written = writtenAt.match(writing).captured(1);
    ASSERT_FALSE(written.isEmpty()) << qPrintable(writing);
    QFile file(written);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()).trimmed(), xml.trimmed());
    EXPECT_GE(indexOfLineEndingWith(lines, QStringLiteral("InstallerLauncher ERROR :: Failed to launch installer with Xml Artifact file.")), 0);
    EXPECT_GE(indexOfLineEndingWith(lines, QStringLiteral("application is closing... (exit code: 0)")), 0);
}

TEST(TestProfiles, IntegrationTestEndsWithAFailureWhenADownloadFails)
{
    TestEnvironment env;
    TestFileServer files(TestFileServer::Transport::PlainHttp);
    ASSERT_TRUE(files.isListening());
    writeProfileSettings(env, QStringLiteral("integration-test"),
                         {{QStringLiteral("RootRestUrl"), files.baseUrl() + QStringLiteral("/rest")}});

    const ProcessOutcome outcome = runPathwarden(env, {}, kRunTimeoutMs);
    ASSERT_TRUE(outcome.finished) << outcome.standardError.constData();
    EXPECT_EQ(outcome.exitCode, 255) << outcome.standardError.constData();
    const QStringList lines = logLines(outcome);
    EXPECT_EQ(fullTextOf(lines, QStringLiteral("Integration test failed: a download failed.")),
              QStringLiteral("Download choice: Holmgrave Studio Sound Library"));
    EXPECT_TRUE(lines.filter(QStringLiteral("Writing ArtifactsFile.")).isEmpty());
    EXPECT_TRUE(lines.filter(QStringLiteral("InstallerLauncher")).isEmpty());
    EXPECT_GE(indexOfLineEndingWith(lines, QStringLiteral("application is closing... (exit code: -1)")), 0);
}
