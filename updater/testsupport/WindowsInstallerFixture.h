#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

class TestFileServer;
class TestUpdateServer;

// The update server's Windows product-installer resource ("rel"
// "windowsproductinstaller" of the "downloadclient" document) and the
// installer archive it names, served by the download host.
namespace WindowsInstallerFixture {

enum class ArchiveContent { WithSetup, WithoutSetup, SetupIsAFolder, DamagedSetup };

QByteArray resourcePath();

// A ZIP archive as a product installer ships: "Setup.exe" (or a folder of
// that name, or none, or one whose checksum fails) and a data file.
QByteArray installerArchive(ArchiveContent content = ArchiveContent::WithSetup);

// The resource's answer: "winLink", "winFilesize" (a JSON number, or its
// decimal text), "winChecksum" (the archive's SHA-256) and "version".
QByteArray description(const QUrl& link, const QByteArray& archive, bool sizeAsText = false);

// Puts the archive on the host under "/installers/<fileName>" and makes the
// server describe it; returns the archive's address.
QUrl offer(TestUpdateServer& server, TestFileServer& host, const QByteArray& archive,
           const QString& fileName = QStringLiteral("ProductInstaller-7.3.0.12.zip"));

} // namespace WindowsInstallerFixture
