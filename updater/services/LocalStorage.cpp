#include "updater/services/LocalStorage.h"

#include "updater/infrastructure/PathComponent.h"
#include "updater/infrastructure/PrivateFiles.h"
#include "updater/infrastructure/SelfUpdateExtractor_OSX.h"
#include "updater/infrastructure/SimpleLogger.h"
#include "updater/infrastructure/WorkingDirectoryProvider.h"
#include "updater/infrastructure/platform/ExecutablePath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace {

const QString kLatestVersionKey = QStringLiteral("LatestVersionInLocalStore");
const QString kLatestPathKey = QStringLiteral("PathToLatestVersionInLocalStore");

QString storeFile()
{
    return userSettingsFilePath(QStringLiteral("pathwarden-local-storage"));
}

// An empty name gives a store that reads nothing and writes nowhere.
QString storeFileToRead()
{
    const QString path = storeFile();
    return userFileState(path) == UserFileState::Foreign ? QString() : path;
}

} // namespace

LocalStorage::LocalStorage(WorkingDirectoryProvider* workingDirectoryProvider, SelfUpdateExtractor_OSX* extractor,
                           QObject* parent)
    : QObject(parent)
    , settings_(std::make_unique<QSettings>(storeFileToRead(), QSettings::IniFormat))
    , logger_(SimpleLogger::getLogger(this))
    , workingDirectoryProvider_(workingDirectoryProvider)
    , extractor_(extractor)
{
    if (settings_->fileName().isEmpty())
        logger_->error(QStringLiteral("Local store file is not a private file of the user, ignored: "), storeFile());
}

LocalStorage::~LocalStorage() = default;

bool LocalStorage::storeUpdaterArchive(QString pathToZipArchive, QString version)
{
    if (pathToZipArchive.isEmpty()) {
        logger_->error(QStringLiteral("Invalid source path."), QStringLiteral("PathToZipArchive: ") + pathToZipArchive);
        return false;
    }
    if (!isVersionFolderName(version)) {
        logger_->error(QStringLiteral("Invalid version."), QStringLiteral("Version: ") + version);
        return false;
    }

    // What was ignored is replaced by a file of our own: only the entry is
    // removed (a link, not what it points to), in a folder that is the
    // user's alone from then on.
    if (settings_->fileName().isEmpty()) {
        const QString path = storeFile();
        if (!makePrivateFolder(QFileInfo(path).absolutePath()) || !QFile::remove(path)) {
            logger_->error(QStringLiteral("Failed to write the local store file."),
                           QStringLiteral("Not a private file of the user: ") + path);
            return false;
        }
        logger_->info(QStringLiteral("Replacing the local store file that was not a private file of the user."), path);
        settings_ = std::make_unique<QSettings>(path, QSettings::IniFormat);
    }

    const QFileInfo source(pathToZipArchive);
    // Empties the version's folder before anything below is checked: a
    // failed store of the remembered version loses that copy, and the
    // launcher's start of it then fails.
    const QString folder = workingDirectoryProvider_->getLocalStoreDirectoryForVersion(version);
    if (folder.isEmpty()) {
        logger_->error(QStringLiteral("Invalid version."), QStringLiteral("Version: ") + version);
        return false;
    }
    const QFileInfo target(QDir::toNativeSeparators(QFileInfo(folder).absolutePath() + QDir::separator()
                                                    + source.fileName()));

    // Only a regular file: copying from a FIFO would wait for a writer.
    if (!source.isFile()) {
        logger_->error(QStringLiteral("Source path doesn't exist."),
                       QStringLiteral("OriginalPath: ") + source.absoluteFilePath());
        return false;
    }
    if (target.exists()) {
        logger_->error(QStringLiteral("Target path exists."), QStringLiteral("TargetPath: ") + target.absoluteFilePath());
        return false;
    }

    const QString fromTo = QStringLiteral("From '") + source.absoluteFilePath() + QStringLiteral("' to '")
                           + target.absoluteFilePath() + QStringLiteral("'");
    logger_->info(QStringLiteral("Copying Vorn archive file."), fromTo);
    if (!QFile::copy(source.absoluteFilePath(), target.absoluteFilePath())) {
        logger_->error(QStringLiteral("Failed to copy Vorn archive file."), fromTo);
        return false;
    }

    logger_->info(QStringLiteral("Extracting Vorn archive file..."), QString());
    QString executablePath;
    const bool extracted = extractor_->extract(QFileInfo(target.absoluteFilePath()), executablePath);
    if (!extracted)
        logger_->error(QStringLiteral("Failed to extract Vorn archive file."), QString());
    if (!extractor_->removeArchive(QFileInfo(target.absoluteFilePath())))
        logger_->error(QStringLiteral("Failed to delete ZIP archive."),
                       QStringLiteral("TargetPath: ") + target.absoluteFilePath());
    if (!extracted)
        return false;

    logger_->info(QStringLiteral("Extraction Vorn succeeded and storing Vorn installer and information"),
                  QStringLiteral("LatestVersionInLocalStore:") + version + QStringLiteral("\n")
                      + QStringLiteral("PathToLatestVersionInLocalStore: ") + executablePath);
    settings_->setValue(kLatestVersionKey, version);
    settings_->setValue(kLatestPathKey, executablePath);
    settings_->sync();
    // Keys that did not reach the disk would make the next start miss the
    // copy while this run reports it stored; a file left writable by the
    // group (umask) would be ignored by the next start.
    if (settings_->status() != QSettings::NoError || !makePrivateFile(settings_->fileName())) {
        logger_->error(QStringLiteral("Failed to write the local store file."), settings_->fileName());
        return false;
    }
    makePrivateFolder(QFileInfo(settings_->fileName()).absolutePath());
    return true;
}

QString LocalStorage::latestVersionInLocalStore()
{
    return settings_->value(kLatestVersionKey, QVariant()).toString();
}

QString LocalStorage::pathToLatestVersionInLocalStore()
{
    const QString path = settings_->value(kLatestPathKey, QVariant()).toString();
    if (path.isEmpty())
        return path;
    const QString version = settings_->value(kLatestVersionKey, QVariant()).toString();
    const QString store = workingDirectoryProvider_->getLocalStoreDirectory();
    const QString folder = store + version;
    const QString canonicalFolder = QFileInfo(folder).canonicalFilePath();
    const QString resolved = QFileInfo(path).canonicalFilePath();
    if (store.isEmpty() || !isVersionFolderName(version) || !isPrivateFolderOfUser(folder)
        || canonicalFolder.isEmpty() || !resolved.startsWith(canonicalFolder + QLatin1Char('/'))) {
        logger_->error(QStringLiteral("Remembered copy is not inside the private local store folder of its version,"
                                      " not started."),
                       QStringLiteral("Path: ") + path + QStringLiteral(", Version: ") + version);
        return QString();
    }
    return resolved;
}

QString LocalStorage::versionOfRunningCopy()
{
    const QString store = workingDirectoryProvider_->getLocalStoreDirectory();
    if (store.isEmpty())
        return QString();
    const QString canonicalStore = QFileInfo(store).canonicalFilePath();
    const QString own = QFileInfo(platform::realExecutablePath()).canonicalFilePath();
    if (canonicalStore.isEmpty() || !own.startsWith(canonicalStore + QLatin1Char('/')))
        return QString();
    const QString version = own.mid(canonicalStore.size() + 1).section(QLatin1Char('/'), 0, 0);
    return isVersionFolderName(version) ? version : QString();
}
