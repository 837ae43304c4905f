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

// Where the "downloadclient" fixture document points the relation.
QByteArray resourcePath();

// A ZIP archive as a product installer ships: "Setup.exe" (unless left out)
// and a data file beside it.
QByteArray installerArchive(bool withSetup = true);

// The resource's answer for an archive at link: "winLink", "winFilesize"
// (a JSON number, or the decimal text when sizeAsText), "winChecksum" (its
// SHA-256) and "version".
QByteArray description(const QUrl& link, const QByteArray& archive, bool sizeAsText = false,
                       const QString& version = QStringLiteral("7.3.0.12"));

// Puts archive on the host under "/installers/<fileName>" and makes the
// server answer the resource with its description; returns the archive's
// address.
QUrl offer(TestUpdateServer& server, TestFileServer& host, const QByteArray& archive,
           const QString& fileName = QStringLiteral("ProductInstaller-7.3.0.12.zip"));

} // namespace WindowsInstallerFixture
