#include "updater/testsupport/WindowsInstallerFixture.h"

#include "updater/testsupport/DownloadTestSupport.h"
#include "updater/testsupport/TestFileServer.h"
#include "updater/testsupport/TestUpdateServer.h"
#include "updater/testsupport/ZipArchive.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

namespace WindowsInstallerFixture {

QByteArray resourcePath()
{
    return "/rest/downloadclient/windowsproductinstaller";
}

QByteArray installerArchive(bool withSetup)
{
    QList<ZipEntry> entries;
    if (withSetup)
        entries.append({QStringLiteral("Setup.exe"), QByteArray("MZ") + sampleContent(4096, 19), 0755});
    entries.append({QStringLiteral("Data/product.cab"), sampleContent(20000, 23), 0644});
    QTemporaryDir scratch;
    const QString path = scratch.filePath(QStringLiteral("installer.zip"));
    if (!writeZipArchive(path, entries))
        return QByteArray();
    return fileContents(path);
}

QByteArray description(const QUrl& link, const QByteArray& archive, bool sizeAsText, const QString& version)
{
    QJsonObject object;
    object.insert(QStringLiteral("winLink"), link.toString());
    if (sizeAsText)
        object.insert(QStringLiteral("winFilesize"), QString::number(archive.size()));
    else
        object.insert(QStringLiteral("winFilesize"), archive.size());
    object.insert(QStringLiteral("winChecksum"), sha256Hex(archive));
    object.insert(QStringLiteral("version"), version);
    return QJsonDocument(object).toJson();
}

QUrl offer(TestUpdateServer& server, TestFileServer& host, const QByteArray& archive, const QString& fileName)
{
    const QByteArray path = "/installers/" + fileName.toUtf8();
    host.setFile(path, archive);
    const QUrl link = host.url(path);
    server.setResponse(resourcePath(), 200, description(link, archive));
    return link;
}

} // namespace WindowsInstallerFixture
