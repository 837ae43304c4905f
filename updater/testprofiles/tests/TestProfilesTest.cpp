#include "updater/testsupport/ComponentScanFixture.h"
#include "updater/testsupport/PathwardenProcess.h"
#include "updater/testsupport/TestEnvironment.h"
#include "updater/testsupport/TestUpdateServer.h"

#include <QDir>
#include <QFile>
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
