#include "updater/testsupport/WindowsInstallerFixture.h"

#include "updater/testsupport/DownloadTestSupport.h"
#include "updater/testsupport/TestFileServer.h"
#include "updater/testsupport/TestUpdateServer.h"
#include "updater/testsupport/ZipArchive.h"

#include <QTemporaryDir>

namespace WindowsInstallerFixture {

QByteArray resourcePath()
{
    return "/rest/downloadclient/windowsproductinstaller";
}

QByteArray installerArchive(ArchiveContent content)
{
    QList<ZipEntry> entries{{QStringLiteral("Data/product.cab"), sampleContent(20000, 23), 0644}};
    if (content == ArchiveContent::WithSetup)
        entries.append({QStringLiteral("Setup.exe"), QByteArray("MZ") + sampleContent(4096, 19), 0755});
    if (content == ArchiveContent::DamagedSetup)
        entries.append({QStringLiteral("Setup.exe"), QByteArray("MZ") + sampleContent(4096, 19), 0755, true});
    if (content == ArchiveContent::SetupIsAFolder)
        entries.append({QStringLiteral("Setup.exe/"), QByteArray(), 0755});
    QTemporaryDir scratch;
    const QString path = scratch.filePath(QStringLiteral("installer.zip"));
    return writeZipArchive(path, entries) ? fileContents(path) : QByteArray();
}

QByteArray description(const QUrl& link, const QByteArray& archive, bool sizeAsText)
{
    const QString size = sizeAsText ? QStringLiteral("\"%1\"").arg(archive.size()) : QString::number(archive.size());
    return QStringLiteral(R"({"winLink": "%1", "winFilesize": %2, "winChecksum": "%3", "version": "7.3.0.12"})")
        .arg(link.toString(), size, sha256Hex(archive))
        .toUtf8();
}

QUrl offer(TestUpdateServer& server, TestFileServer& host, const QByteArray& archive, const QString& fileName)
{
    const QByteArray path = "/installers/" + fileName.toUtf8();
    host.setFile(path, archive);
    server.setResponse(resourcePath(), 200, description(host.url(path), archive));
    return host.url(path);
}

} // namespace WindowsInstallerFixture
