// Every answer of the server and the download host is run end to end in
// WindowsRoadTest; here what a run cannot show.
#include "updater/services/WindowsProductInstallerUpdateService.h"

#include "updater/infrastructure/FileSystem.h"
#include "updater/infrastructure/RESTClient.h"
#include "updater/infrastructure/ServiceUrl.h"
#include "updater/services/ServerValues.h"
#include "updater/testsupport/TestCertificates.h"
#include "updater/testsupport/TestFileServer.h"
#include "updater/testsupport/TestUpdateServer.h"
#include "updater/testsupport/WindowsInstallerFixture.h"

#include <QDir>

#include <gtest/gtest.h>

// The artifact of the first read is freed, not left behind (the leak check
// of the sanitizer build sees it).
TEST(WindowsInstallerService, SecondReadReplacesTheInstallerItOffered)
{
    using namespace WindowsInstallerFixture;
    TrustedTestCertificates trust;
    ASSERT_TRUE(trust.isLoaded());
    TestUpdateServer server;
    TestFileServer host;
    RESTClient rest(&trust.certificates);
    ServiceUrl downloadClient(QStringLiteral("downloadclient"), server.rootUrl(), &rest, nullptr);
    ServiceUrl address(QStringLiteral("windowsproductinstaller"), &downloadClient, &rest, nullptr);
    FileSystem fileSystem{QDir(QStringLiteral("/nonexistent"))};
    WindowsProductInstallerUpdateService service(&rest, &address, nullptr, &fileSystem, nullptr);
    offer(server, host, installerArchive(), QStringLiteral("Old.zip"));
    ASSERT_TRUE(service.readDownloadChoicesFromServer());
    offer(server, host, installerArchive(), QStringLiteral("New.zip"));
    ASSERT_TRUE(service.readDownloadChoicesFromServer());
    EXPECT_EQ(service.archivePath(), QStringLiteral("/nonexistent/New.zip"));
    // A usable name that Qt's folder paths would read as a resource path.
    offer(server, host, installerArchive(), QStringLiteral(":New.zip"));
    ASSERT_TRUE(service.readDownloadChoicesFromServer());
    EXPECT_EQ(service.archivePath(), QStringLiteral("/nonexistent/:New.zip"));
}

TEST(ServerSizes, NumbersAndDecimalTextsOnly)
{
    const struct {
        QVariant value;
        quint64 size;
    } cases[] = {
        {QVariant(1500000000.0), 1500000000ULL}, // its shortest text is "1.5e+09"
        {QVariant(QStringLiteral("3440090809")), 3440090809ULL},
        {QVariant(QStringLiteral("12 MB")), 0},
        {QVariant(-5.0), 0},
        {QVariant(1e30), 0},
        {QVariant(), 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sizeFromServer(c.value), c.size) << c.value.toString().toStdString();
}
