#include "updater/services/WindowsProductInstallerUpdateService.h"

#include "updater/infrastructure/DownloadManager.h"
#include "updater/infrastructure/FileSystem.h"
#include "updater/infrastructure/RESTClient.h"
#include "updater/infrastructure/ServiceUrl.h"
#include "updater/infrastructure/SslCertificates.h"
#include "updater/infrastructure/ZipExtractor_OSX.h"
#include "updater/services/ArtifactDownloader.h"
#include "updater/services/ServerValues.h"
#include "updater/testsupport/DownloadTestSupport.h"
#include "updater/testsupport/RecordingLogAppender.h"
#include "updater/testsupport/TestCertificates.h"
#include "updater/testsupport/TestFileServer.h"
#include "updater/testsupport/TestUpdateServer.h"
#include "updater/testsupport/WindowsInstallerFixture.h"
#include "updater/testsupport/ZipArchive.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QVariant>

#include <gtest/gtest.h>

#include <memory>

using namespace WindowsInstallerFixture;

namespace {

class WindowsInstallerServiceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(useTestCertificates(TestCertificateSet::Chain));
        ASSERT_TRUE(certificates.loadCertificates());
        ASSERT_TRUE(server.isListening());
        ASSERT_TRUE(host.isListening());
        folder = working.filePath(QStringLiteral("updated-windows-product-installer"));
        rest = std::make_unique<RESTClient>(&certificates);
        downloadClient = std::make_unique<ServiceUrl>(QStringLiteral("downloadclient"), server.rootUrl(), rest.get(),
                                                      nullptr);
        address = std::make_unique<ServiceUrl>(QStringLiteral("windowsproductinstaller"), downloadClient.get(),
                                               rest.get(), nullptr);
        fileSystem = std::make_unique<FileSystem>(QDir(folder));
        makeService();
    }

    // A service with a fresh downloader, as in a run: the page downloads
    // once.
    void makeService()
    {
        events.clear();
        service.reset();
        downloader = std::make_unique<ArtifactDownloader>(new DownloadManager(), QList<DownloadChoiceArtifact*>(),
                                                          fileSystem->getDirectory(), 0);
        service = std::make_unique<WindowsProductInstallerUpdateService>(rest.get(), address.get(), downloader.get(),
                                                                         fileSystem.get(), &extractor);
        QObject::connect(service.get(), &WindowsProductInstallerUpdateService::downloadsFinished,
                         [this] { events << QStringLiteral("finished"); });
        QObject::connect(service.get(), &WindowsProductInstallerUpdateService::downloadError, [this] {
            // The page hears of the error while the folder is still there.
            events << (QFileInfo::exists(folder) ? QStringLiteral("error") : QStringLiteral("error-after-removal"));
        });
    }
    void TearDown() override
    {
        service.reset();
        downloader.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        useTestCertificates(TestCertificateSet::None);
    }

    // download() and the wait for its one report.
    QString downloadToTheEnd()
    {
        service->download();
        processEventsUntil([this] { return !events.isEmpty(); });
        processEventsFor(200);
        return events.join(QLatin1Char(','));
    }

    SslCertificates certificates;
    TestUpdateServer server;
    TestFileServer host;
    RecordingLogAppender log;
    QTemporaryDir working;
    QString folder;
    ZipExtractor_OSX extractor;
    std::unique_ptr<RESTClient> rest;
    std::unique_ptr<ServiceUrl> downloadClient;
    std::unique_ptr<ServiceUrl> address;
    std::unique_ptr<FileSystem> fileSystem;
    std::unique_ptr<ArtifactDownloader> downloader;
    std::unique_ptr<WindowsProductInstallerUpdateService> service;
    QStringList events;
};

} // namespace

TEST_F(WindowsInstallerServiceTest, OfferedInstallerIsDownloadedUnpackedAndVerified)
{
    for (bool sizeAsText : {false, true}) {
        SCOPED_TRACE(sizeAsText ? "size as text" : "size as number");
        makeService();
        QDir(folder).removeRecursively();
        const QByteArray archive = installerArchive();
        const QUrl link = offer(server, host, archive);
        server.setResponse(resourcePath(), 200, description(link, archive, sizeAsText));

        ASSERT_TRUE(service->readDownloadChoicesFromServer());
        EXPECT_TRUE(service->isWindowsProductInstallerAvailableOnline());
        EXPECT_EQ(service->version(), QStringLiteral("7.3.0.12"));
        // The announced size caps the transfer: a wrong one would fail it.
        EXPECT_EQ(downloadToTheEnd(), QStringLiteral("finished"));
        EXPECT_EQ(fileContents(service->archivePath()), archive);
        ASSERT_TRUE(service->unzipAndVerify());
        EXPECT_TRUE(QFileInfo(folder + QStringLiteral("/Setup.exe")).isFile());
        EXPECT_TRUE(QFileInfo(folder + QStringLiteral("/Data/product.cab")).isFile());
        EXPECT_TRUE(QFileInfo::exists(service->archivePath()));
        // The request went to the address the link documents name.
        EXPECT_EQ(server.requestsFor(resourcePath()).size(), sizeAsText ? 2 : 1);
    }
}

TEST_F(WindowsInstallerServiceTest, ServerAnswersOtherThanAnInstallerDescription)
{
    const QByteArray archive = installerArchive();
    const QUrl link = offer(server, host, archive);
    const struct {
        const char* name;
        int status;
        QByteArray body;
        bool read;
        bool available; // after a first read that found an installer
    } cases[] = {
        {"none offered", 404, "{\"error\":\"not found\"}", true, false},
        {"server error", 500, "{}", false, true},
        {"redirect", 302, "", false, true},
        {"not JSON", 200, "<html>maintenance</html>", false, true},
        {"JSON array", 200, "[{\"winLink\":\"x\"}]", false, true},
        {"JSON text", 200, "\"Setup.exe\"", false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        server.setResponse(resourcePath(), 200, description(link, archive));
        ASSERT_TRUE(service->readDownloadChoicesFromServer());
        server.setResponse(resourcePath(), c.status, c.body);
        EXPECT_EQ(service->readDownloadChoicesFromServer(), c.read);
        EXPECT_EQ(service->isWindowsProductInstallerAvailableOnline(), c.available);
    }
    // Without an installer nothing is downloaded and nothing is reported.
    server.setResponse(resourcePath(), 404, "{}");
    ASSERT_TRUE(service->readDownloadChoicesFromServer());
    const int hostRequests = host.requestCount();
    service->download();
    processEventsFor(300);
    EXPECT_TRUE(events.isEmpty());
    EXPECT_EQ(host.requestCount(), hostRequests);
    EXPECT_TRUE(log.contains(QStringLiteral("download can't be called because no newer installer is available")));
    EXPECT_TRUE(log.contains(QStringLiteral("is not an object")));
}

TEST_F(WindowsInstallerServiceTest, UnreachableServerFailsTheRead)
{
    ServiceUrl nowhere(QStringLiteral("downloadclient"),
                       QStringLiteral("https://127.0.0.1:%1/rest").arg(TestUpdateServer::refusingPort()), rest.get(),
                       nullptr);
    ServiceUrl resource(QStringLiteral("windowsproductinstaller"), &nowhere, rest.get(), nullptr);
    WindowsProductInstallerUpdateService unreachable(rest.get(), &resource, downloader.get(), fileSystem.get(),
                                                     &extractor);
    EXPECT_FALSE(unreachable.readDownloadChoicesFromServer());
    EXPECT_FALSE(unreachable.isWindowsProductInstallerAvailableOnline());
    EXPECT_TRUE(log.contains(QStringLiteral("could not read url")));
}

TEST_F(WindowsInstallerServiceTest, FailuresRemoveTheDownloadFolder)
{
    const struct {
        const char* name;
        QByteArray archive;
        FileFault fault;
        QString events;
    } cases[] = {
        {"archive without Setup.exe", installerArchive(false), FileFault::None, QStringLiteral("finished")},
        {"Setup.exe is a folder", QByteArray(), FileFault::None, QStringLiteral("finished")},
        {"not a ZIP archive", sampleContent(3000, 5), FileFault::None, QStringLiteral("finished")},
        {"archive not on the host", installerArchive(), FileFault::NotFound, QStringLiteral("error")},
        {"archive damaged in transfer", installerArchive(), FileFault::WrongBody, QStringLiteral("error")},
    };
    QTemporaryDir scratch;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray archive = c.archive;
        if (archive.isEmpty()) {
            const QString path = scratch.filePath(QStringLiteral("folder.zip"));
            ASSERT_TRUE(writeZipArchive(path, {{QStringLiteral("Setup.exe/"), QByteArray(), 0755},
                                               {QStringLiteral("Setup.exe/readme.txt"), "x", 0644}}));
            archive = fileContents(path);
        }
        const QUrl link = offer(server, host, archive);
        host.setFault(link.path().toUtf8(), c.fault);
        makeService();
        ASSERT_TRUE(service->readDownloadChoicesFromServer());
        EXPECT_EQ(downloadToTheEnd(), c.events);
        if (c.events == QLatin1String("finished")) {
            EXPECT_FALSE(service->unzipAndVerify());
        }
        EXPECT_FALSE(QFileInfo::exists(folder)) << "the download folder was left behind";
    }
    EXPECT_TRUE(log.contains(QStringLiteral("expected Setup.exe not found in download folder")));
}

TEST_F(WindowsInstallerServiceTest, SecondReadReplacesTheInstaller)
{
    const QByteArray first = installerArchive(false);
    offer(server, host, first, QStringLiteral("Old.zip"));
    ASSERT_TRUE(service->readDownloadChoicesFromServer());
    const QByteArray second = installerArchive();
    offer(server, host, second, QStringLiteral("New.zip"));
    ASSERT_TRUE(service->readDownloadChoicesFromServer());
    EXPECT_EQ(QFileInfo(service->archivePath()).fileName(), QStringLiteral("New.zip"));
    EXPECT_EQ(downloadToTheEnd(), QStringLiteral("finished"));
    EXPECT_TRUE(service->unzipAndVerify());
    EXPECT_TRUE(host.requestsFor("/installers/Old.zip").isEmpty());
}

TEST(ServerSizes, NumbersAndDecimalTextsOnly)
{
    const struct {
        QVariant value;
        quint64 size;
    } cases[] = {
        {QVariant(1500000000.0), 1500000000ULL}, // its shortest text is "1.5e+09"
        {QVariant(3440090809.0), 3440090809ULL},
        {QVariant(QStringLiteral("3440090809")), 3440090809ULL},
        {QVariant(QStringLiteral("12 MB")), 0},
        {QVariant(QStringLiteral("0x10")), 0},
        {QVariant(-5.0), 0},
        {QVariant(QStringLiteral("-5")), 0},
        {QVariant(1e30), 0},
        {QVariant(), 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sizeFromServer(c.value), c.size) << c.value.toString().toStdString();
}
