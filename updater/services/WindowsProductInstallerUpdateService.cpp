#include "updater/services/WindowsProductInstallerUpdateService.h"

#include "updater/infrastructure/AbstractRESTClient.h"
#include "updater/infrastructure/FileSystem.h"
#include "updater/infrastructure/JsonHelpers.h"
#include "updater/infrastructure/PathComponent.h"
#include "updater/infrastructure/ServiceUrl.h"
#include "updater/infrastructure/SimpleLogger.h"
#include "updater/infrastructure/ZipExtractor.h"
#include "updater/services/ArtifactDownloader.h"
#include "updater/services/DownloadChoiceArtifact.h"
#include "updater/services/ServerValues.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <QVariantMap>

#include <sys/stat.h>

namespace {

const char* const kSetupProgram = "Setup.exe";

// Which file a path names, without following a link; inode 0 when nothing
// is there.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool regularFile = false;

    bool sameFileAs(const FileIdentity& other) const
    {
        return inode != 0 && device == other.device && inode == other.inode;
    }
};

FileIdentity identityOf(const QString& path)
{
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return {info.st_dev, info.st_ino, S_ISREG(info.st_mode)};
}

} // namespace

WindowsProductInstallerUpdateService::WindowsProductInstallerUpdateService(AbstractRESTClient* client,
                                                                           AbstractServiceUrl* address,
                                                                           ArtifactDownloader* downloader,
                                                                           FileSystem* fileSystem,
                                                                           ZipExtractor* extractor, QObject* parent)
    : ArtifactDownloadReports(parent)
    , logger_(SimpleLogger::getLogger(this))
    , client_(client)
    , address_(address)
    , downloader_(downloader)
    , fileSystem_(fileSystem)
    , extractor_(extractor)
{
    if (downloader_) {
        // The relay comes first, so that the page has moved on before the
        // folder is removed.
        connect(downloader_, &ArtifactDownloadReports::downloadError, this, &ArtifactDownloadReports::downloadError);
        connect(downloader_, &ArtifactDownloadReports::downloadError, this,
                &WindowsProductInstallerUpdateService::errorSlot);
        connect(downloader_, &ArtifactDownloadReports::downloadProgress, this,
                &ArtifactDownloadReports::downloadProgress);
        connect(downloader_, &ArtifactDownloadReports::downloadsFinished, this,
                &ArtifactDownloadReports::downloadsFinished);
    }
}

WindowsProductInstallerUpdateService::~WindowsProductInstallerUpdateService()
{
    delete installerArtifact_;
}

bool WindowsProductInstallerUpdateService::readDownloadChoicesFromServer()
{
    const QString url = address_ ? address_->getUrl() : QString();
    if (url.isEmpty() || !client_) {
        logger_->error(QStringLiteral("could not read url"), QString());
        return false;
    }
    const RESTResponse response = client_->get(url);
    if (response.statusCode == 404) {
        installerAvailable_ = false;
        return true;
    }
    // A 200 whose transfer failed (cut off, over the size cap) is no answer.
    if (response.statusCode != 200 || response.networkError != 0)
        return false;

    logger_->debug(QStringLiteral("ReadDownloadChoices Response"), QStringLiteral("JsonResponse: ") + response.body);
    bool parsed = false;
    const QVariant document =
        jsonAnswer(response, QStringLiteral("readDownloadChoicesFromServer"), url, logger_, &parsed);
    if (!parsed)
        return false;
    // An array, a text or null describes no installer; taking it as one
    // would report a new installer that has no address.
    if (document.userType() != QMetaType::QVariantMap) {
        logger_->error(QStringLiteral("JSON Response from readDownloadChoicesFromServer is not an object."),
                       QStringLiteral("URL: ") + url + QStringLiteral("\n") + QStringLiteral("JSON: ")
                           + response.body);
        return false;
    }
    const QVariantMap description = document.toMap();
    const QString link = description.value(QStringLiteral("winLink")).toString();
    const quint64 size = sizeFromServer(description.value(QStringLiteral("winFilesize")));
    const QString checksum = description.value(QStringLiteral("winChecksum")).toString();
    version_ = description.value(QStringLiteral("version")).toString();
    installerAvailable_ = true;
    logger_->debug(QStringLiteral("winLink: '") + link + QStringLiteral("'"), QString());
    logger_->debug(QStringLiteral("version: '") + version_ + QStringLiteral("'"), QString());

    delete installerArtifact_;
    installerArtifact_ = new DownloadChoiceArtifact(QUrl(link, QUrl::TolerantMode), size, checksum);
    return true;
}

bool WindowsProductInstallerUpdateService::isWindowsProductInstallerAvailableOnline()
{
    logger_->debug(QStringLiteral("isWindowsProductInstallerAvailableOnline"), QString());
    return installerAvailable_;
}

void WindowsProductInstallerUpdateService::download()
{
    if (!installerAvailable_ || !installerArtifact_ || !downloader_) {
        logger_->error(QStringLiteral("download can't be called because no newer installer is available"),
                       QString());
        return;
    }
    fileSystem_->mkdirIfNotExist();
    downloader_->setArtifacts({installerArtifact_});
    downloader_->downloadNextArtifact();
}

bool WindowsProductInstallerUpdateService::unzipAndVerify()
{
    const QString path = archivePath();
    logger_->debug(QStringLiteral("unzipping of ") + path, QString());
    // An archive that is itself named "Setup.exe" must not pass for the
    // program it should hold: only a file the unpacking made will do.
    const FileIdentity archive = identityOf(path);
    QString folder;
    if (path.isEmpty() || !extractor_
        || !extractor_->extract(QFileInfo(path), folder)) {
        logger_->error(QStringLiteral("unzipping failed : ") + path, QString());
        errorSlot();
        return false;
    }
    // A folder or a link named "Setup.exe" is no setup program; a link
    // could point anywhere outside the download folder.
    const FileIdentity setup = identityOf(fileSystem_->getDirectory().filePath(QLatin1String(kSetupProgram)));
    if (!fileSystem_->hasFile(QLatin1String(kSetupProgram)) || !setup.regularFile || setup.sameFileAs(archive)) {
        logger_->error(QStringLiteral("expected Setup.exe not found in download folder"), QString());
        errorSlot();
        return false;
    }
    return true;
}

QString WindowsProductInstallerUpdateService::version() const
{
    return version_;
}

QString WindowsProductInstallerUpdateService::archivePath() const
{
    // The name comes from the server's address: only one plain name inside
    // the folder will do (the download refuses any other as well).
    if (!installerArtifact_ || !fileSystem_ || !isSafePathComponent(installerArtifact_->fileName))
        return QString();
    // Joined by hand: QDir would take a name that starts with ":" for one of
    // Qt's resource paths and leave the download folder.
    return fileSystem_->getDirectory().absolutePath() + QLatin1Char('/') + installerArtifact_->fileName;
}

void WindowsProductInstallerUpdateService::errorSlot()
{
    logger_->debug(QStringLiteral("errorSlot :: cleaup download directory"), QString());
    if (fileSystem_)
        fileSystem_->removeRecursively();
}
