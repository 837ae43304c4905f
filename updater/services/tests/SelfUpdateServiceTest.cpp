#include "updater/infrastructure/DownloadManager.h"
#include "updater/infrastructure/PrivateFiles.h"
#include "updater/infrastructure/RESTClient.h"
#include "updater/infrastructure/SelfUpdateExtractor_OSX.h"
#include "updater/infrastructure/ServiceUrl.h"
#include "updater/infrastructure/WorkingDirectoryProvider.h"
#include "updater/infrastructure/ZipExtractor_OSX.h"
#include "updater/services/AbstractUpdateLauncher.h"
#include "updater/services/LocalStorage.h"
#include "updater/services/SelfUpdateService.h"
#include "updater/testsupport/DownloadTestSupport.h"
#include "updater/testsupport/PathwardenProcess.h"
#include "updater/testsupport/StandInProgram.h"
#include "updater/testsupport/TestCertificates.h"
#include "updater/testsupport/TestFileServer.h"
#include "updater/testsupport/TestUpdateServer.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

// Starts nothing; counts the attempts.
class CountingLauncher : public AbstractUpdateLauncher {
public:
    bool launchLatestIfNewer() override { return false; }
    bool launchLatestIfNewerInOnlineMode() override
    {
        ++launches;
        return false;
    }
    bool isLocalStoreVersionNewer(QString, QString) override { return false; }
    bool launchLatest() override { return false; }
    bool launchLatestInOnlineMode() override { return false; }
    int launches = 0;
};

// Runs the event loop until done() holds or timeoutMs passed.
template <typename Done>
bool waitFor(Done done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// The update server offers version 9.0.0 as the archive the file server holds.
void offerUpdate(TestUpdateServer& server, TestFileServer& files, const QByteArray& archive)
{
    files.setFile("/Pathwarden.zip", archive);
    server.setResponse("/rest/downloadclient/update", 200,
                       QStringLiteral(R"({"version": "9.0.0", "updateRequired": true, "macLink": "%1",)"
                                      R"( "macFilesize": %2, "macChecksum": "%3"})")
                           .arg(files.url("/Pathwarden.zip").toString())
                           .arg(archive.size())
                           .arg(QString::fromLatin1(QCryptographicHash::hash(archive, QCryptographicHash::Sha256).toHex()))
                           .toUtf8());
}

} // namespace

TEST(SelfUpdateService, DownloadsOneAtATimeAndReplacesAnEndedOne)
{
    TrustedTestCertificates trust;
    ASSERT_TRUE(trust.isLoaded());
    TestUpdateServer server;
    TestFileServer files;
    const QByteArray archive(256 * 1024, 'z');
    offerUpdate(server, files, archive);
    RESTClient client(&trust.certificates);
    WorkingDirectoryProvider provider;
    ZipExtractor_OSX zip;
    SelfUpdateExtractor_OSX extractor(&zip);
    LocalStorage store(&provider, &extractor);
    CountingLauncher launcher;
    SelfUpdateService service(&client, new ServiceUrl(QStringLiteral("downloadclient"), server.rootUrl(), &client, nullptr),
                              new DownloadManager(), 0, &provider, &store, &launcher);
    ASSERT_TRUE(service.checkForUpdatesAndRetrieveUrls());

    int finished = 0;
    int errors = 0;
    QObject::connect(&service, &SelfUpdateService::downloadsFinished, [&] { ++finished; });
    QObject::connect(&service, &SelfUpdateService::downloadError, [&] { ++errors; });
    // The archive is no ZIP: each finished download ends in the launch
    // attempt and its error.
    service.downloadUpdate();
    service.downloadUpdate();
    ASSERT_TRUE(waitFor([&] { return errors > 0; }, 60000));
    waitFor([] { return false; }, 500);
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(launcher.launches, 1);

    service.downloadUpdate();
    ASSERT_TRUE(waitFor([&] { return errors > 1; }, 60000));
    EXPECT_EQ(finished, 2);
    EXPECT_EQ(files.requestsFor("/Pathwarden.zip").size(), 2);
}

// The downloaded copy is unpacked off the GUI thread: its events go on
// while unzip runs (this stand-in never ends). unzip's time limit ends the
// store, and the error names the time-out as the cause.
TEST(SelfUpdateService, UnpackingLeavesTheGuiThreadFreeAndATimeOutIsNamed)
{
    TrustedTestCertificates trust;
    ASSERT_TRUE(trust.isLoaded());
    TestUpdateServer server;
    TestFileServer files;
    const QByteArray archive(1024, 'z');
    offerUpdate(server, files, archive);
    QTemporaryDir bin;
    const QString started = bin.filePath(QStringLiteral("started"));
    const QString unzip = writeStandInProgram(bin.path(), QStringLiteral("unzip"),
                                              QStringLiteral("touch '%1'\nexec sleep 600").arg(started));

    RESTClient client(&trust.certificates);
    WorkingDirectoryProvider provider;
    ZipExtractor_OSX zip(unzip, nullptr);
    SelfUpdateExtractor_OSX extractor(&zip);
    LocalStorage store(&provider, &extractor);
    CountingLauncher launcher;
    SelfUpdateService service(&client, new ServiceUrl(QStringLiteral("downloadclient"), server.rootUrl(), &client, nullptr),
                              new DownloadManager(), 0, &provider, &store, &launcher);
    ASSERT_TRUE(service.checkForUpdatesAndRetrieveUrls());
    QStringList errors;
    QObject::connect(&service, &SelfUpdateService::downloadError, [&](const QString& text) { errors << text; });
    // Turns of the GUI thread's loop while unzip runs.
    int turnsWhileUnpacking = 0;
    QTimer turn;
    QObject::connect(&turn, &QTimer::timeout, [&] {
        if (QFileInfo::exists(started) && errors.isEmpty())
            ++turnsWhileUnpacking;
    });
    turn.start(50);
    service.downloadUpdate();
    ASSERT_TRUE(waitFor([&] { return !errors.isEmpty(); }, 4 * ZipExtractor_OSX::kTimeLimitMs));
    EXPECT_GT(turnsWhileUnpacking, 10);
    EXPECT_EQ(errors, QStringList{QStringLiteral("unpacking the update did not finish within 30 s")});
    EXPECT_EQ(launcher.launches, 1);
}

// A close during the unpack (the service goes with the application) ends
// unzip with everything it started, at once; what it half unpacked is
// removed and never recorded.
TEST(SelfUpdateService, ACloseDuringTheUnpackEndsUnzipWithItsGroupAndRecordsNothing)
{
    TrustedTestCertificates trust;
    ASSERT_TRUE(trust.isLoaded());
    TestUpdateServer server;
    TestFileServer files;
    offerUpdate(server, files, QByteArray(1024, 'z'));
    QTemporaryDir bin;
    const QString started = bin.filePath(QStringLiteral("started"));
    const QString helper = bin.filePath(QStringLiteral("helper"));
    // Unpacks the executable, then hangs with a helper of its own.
    const QString unzip = writeStandInProgram(
        bin.path(), QStringLiteral("unzip"),
        QStringLiteral("app=\"$4/Pathwarden Mac/Pathwarden.app/Contents/MacOS\"\nmkdir -p \"$app\"\n"
                       "printf '#!/bin/sh\\n' > \"$app/Pathwarden\"\nchmod 755 \"$app/Pathwarden\"\n"
                       "sleep 600 &\necho $! > '%1'\ntouch '%2'\nwait")
            .arg(helper, started));

    RESTClient client(&trust.certificates);
    WorkingDirectoryProvider provider;
    ZipExtractor_OSX zip(unzip, nullptr);
    SelfUpdateExtractor_OSX extractor(&zip);
    LocalStorage store(&provider, &extractor);
    CountingLauncher launcher;
    auto service = std::make_unique<SelfUpdateService>(
        &client, new ServiceUrl(QStringLiteral("downloadclient"), server.rootUrl(), &client, nullptr),
        new DownloadManager(), 0, &provider, &store, &launcher);
    ASSERT_TRUE(service->checkForUpdatesAndRetrieveUrls());
    service->downloadUpdate();
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(started); }, 120000));
    const qint64 helperPid = fileContents(helper).trimmed().toLongLong();
    ASSERT_GT(helperPid, 0);

    service.reset();
    // Killed with the group; the bound only against a hang.
    EXPECT_TRUE(waitFor([&] { return processEnded(helperPid); }, 60000));
    const QString folder = xdgUserFolder("XDG_DATA_HOME", QStringLiteral(".local/share")) + QStringLiteral("/Pathwarden/9.0.0");
    EXPECT_TRUE(QDir(folder).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        << QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).join(QLatin1Char(' ')).toStdString();
    EXPECT_FALSE(fileContents(userSettingsFilePath(QStringLiteral("pathwarden-local-storage"))).contains("9.0.0"));
    EXPECT_EQ(launcher.launches, 0);
    EXPECT_TRUE(QDir(folder).exists());
}
