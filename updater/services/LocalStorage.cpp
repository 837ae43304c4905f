#include "updater/services/LocalStorage.h"

#include "updater/infrastructure/PathComponent.h"
#include "updater/infrastructure/PrivateFiles.h"
#include "updater/infrastructure/SelfUpdateExtractor_OSX.h"
#include "updater/infrastructure/SimpleLogger.h"
#include "updater/infrastructure/WorkingDirectoryProvider.h"
#include "updater/infrastructure/ZipExtractor_OSX.h"
#include "updater/infrastructure/platform/ExecutablePath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <cerrno>
#include <cstring>

namespace {

const QString kLatestVersionKey = QStringLiteral("LatestVersionInLocalStore");
const QString kLatestPathKey = QStringLiteral("PathToLatestVersionInLocalStore");

QString storeFile()
{
    return userSettingsFilePath(QStringLiteral("pathwarden-local-storage"));
}

// Why a copy could not be written into folder when the file system is full;
// otherwise the words given. Qt's copy names no system error.
QString spaceProblem(const QString& folder, const QString& otherwise)
{
    const QStorageInfo storage(folder);
    if (storage.isValid() && storage.bytesAvailable() < 1024 * 1024)
        return QString::fromLocal8Bit(std::strerror(ENOSPC));
    return otherwise;
}

} // namespace

LocalStorage::LocalStorage(WorkingDirectoryProvider* workingDirectoryProvider, SelfUpdateExtractor_OSX* extractor,
                           QObject* parent)
    : QObject(parent)
    , logger_(SimpleLogger::getLogger(this))
    , workingDirectoryProvider_(workingDirectoryProvider)
    , extractor_(extractor)
{
    const QString path = storeFile();
    const QString folder = folderOfPath(path);
    // Narrowed first, so that nothing can be added or swapped in the folder
    // while the file is read.
    QString problem;
    QString narrowed;
    if (!makePrivateFolder(folder, &problem, &narrowed))
        logger_->error(QStringLiteral("Local store file's folder is not a private folder of the user: ") + folder,
                       problem);
    if (!narrowed.isEmpty())
        logger_->info(QStringLiteral("Local store file's folder narrowed."), narrowed);
    const UserFileRead file = readUserFile(path);
    if (file.state == UserFileRead::Refused)
        logger_->error(QStringLiteral("Local store file ignored: ") + path, file.note);
    if (file.state == UserFileRead::Read)
        remembered_ = iniValues(file.contents);
}

LocalStorage::~LocalStorage() = default;

QString LocalStorage::storeProblem() const
{
    return storeProblem_;
}

bool LocalStorage::failStore(const QString& shortText, const QString& detail, const QString& problem)
{
    logger_->error(shortText, detail);
    storeProblem_ = problem;
    return false;
}

bool LocalStorage::storeUpdaterArchive(QString pathToZipArchive, QString version)
{
    storeProblem_.clear();
    if (pathToZipArchive.isEmpty())
        return failStore(QStringLiteral("Invalid source path."), QStringLiteral("PathToZipArchive: ") + pathToZipArchive);
    if (!isVersionFolderName(version))
        return failStore(QStringLiteral("Invalid version."), QStringLiteral("Version: ") + version);

    // A store folder that cannot be used is named with its fault; the
    // version itself is fine.
    if (workingDirectoryProvider_->getLocalStoreDirectory().isEmpty()) {
        const QString problem = workingDirectoryProvider_->localStoreProblem();
        return failStore(QStringLiteral("Local store folder cannot be used."), problem, problem);
    }

    const QFileInfo source(pathToZipArchive);
    // Empties the version's folder before anything below is checked: a
    // failed store of the remembered version loses that copy, and the
    // launcher's start of it then fails.
    const QString folder = workingDirectoryProvider_->getLocalStoreDirectoryForVersion(version);
    if (folder.isEmpty()) {
        const QString problem = workingDirectoryProvider_->localStoreProblem();
        return failStore(QStringLiteral("Local store folder cannot be used."), problem, problem);
    }
    const QFileInfo target(QDir::toNativeSeparators(QFileInfo(folder).absolutePath() + QDir::separator()
                                                    + source.fileName()));

    // Only a regular file: copying from a FIFO would wait for a writer.
    if (!source.isFile())
        return failStore(QStringLiteral("Source path doesn't exist."),
                         QStringLiteral("OriginalPath: ") + source.absoluteFilePath());
    if (target.exists())
        return failStore(QStringLiteral("Target path exists."), QStringLiteral("TargetPath: ") + target.absoluteFilePath());

    const QString fromTo = QStringLiteral("From '") + source.absoluteFilePath() + QStringLiteral("' to '")
                           + target.absoluteFilePath() + QStringLiteral("'");
    logger_->info(QStringLiteral("Copying Vorn archive file."), fromTo);
    QFile archive(source.absoluteFilePath());
    if (!archive.copy(target.absoluteFilePath())) {
        // A full data folder is the usual cause; the user can mend it.
        const QString why =
            tr("The update cannot be copied to %1: %2").arg(folder, spaceProblem(folder, archive.errorString()));
        return failStore(QStringLiteral("Failed to copy Vorn archive file."), fromTo + QStringLiteral(": ") + why, why);
    }

    logger_->info(QStringLiteral("Extracting Vorn archive file..."), QString());
    QString executablePath;
    const bool extracted = extractor_->extract(QFileInfo(target.absoluteFilePath()), executablePath);
    if (!extracted)
        logger_->error(QStringLiteral("Failed to extract Vorn archive file."), QString());
    if (!extractor_->removeArchive(QFileInfo(target.absoluteFilePath())))
        logger_->error(QStringLiteral("Failed to delete ZIP archive."),
                       QStringLiteral("TargetPath: ") + target.absoluteFilePath());
    if (!extracted) {
        const QString space = spaceProblem(folder, QString());
        QString why = space.isEmpty() ? space : tr("The update cannot be unpacked into %1: %2").arg(folder, space);
        if (extractor_->timedOut())
            why = tr("unpacking the update did not finish within %1 s").arg(ZipExtractor_OSX::kTimeLimitMs / 1000);
        return failStore(QStringLiteral("Failed to store the unpacked copy."), why, why);
    }

    logger_->info(QStringLiteral("Extraction Vorn succeeded and storing Vorn installer and information"),
                  QStringLiteral("LatestVersionInLocalStore:") + version + QStringLiteral("\n")
                      + QStringLiteral("PathToLatestVersionInLocalStore: ") + executablePath);
    return rememberStoredCopy(version, executablePath);
}

bool LocalStorage::rememberStoredCopy(const QString& version, const QString& executablePath)
{
    // The whole record is written anew below the checked folder and renamed
    // over the name: whatever was there (another user's link or file, a
    // refused record) is replaced, never written through or merged.
    QVariantMap record;
    record.insert(kLatestVersionKey, version);
    record.insert(kLatestPathKey, executablePath);
    const QString path = storeFile();
    const QByteArray text = iniText(record);
    QString problem;
    if (iniValues(text) != record)
        problem = tr("The path %1 cannot be kept in the file %2.").arg(executablePath, path);
    else
        writeUserFile(path, text, &problem);
    // Keys that did not reach the disk would make the next start miss the
    // copy while this run reports it stored.
    if (!problem.isEmpty())
        return failStore(QStringLiteral("Failed to write the local store file."), problem, problem);
    remembered_ = record;
    return true;
}

QString LocalStorage::latestVersionInLocalStore()
{
    return remembered_.value(kLatestVersionKey).toString();
}

QString LocalStorage::pathToLatestVersionInLocalStore()
{
    const QString path = remembered_.value(kLatestPathKey).toString();
    if (path.isEmpty())
        return path;
    const QString version = remembered_.value(kLatestVersionKey).toString();
    const QString store = workingDirectoryProvider_->getLocalStoreDirectory();
    // Resolved once, by descriptors, with every folder on the way judged:
    // nobody else can change what the returned path names before it is
    // started.
    QString problem = store.isEmpty() ? workingDirectoryProvider_->localStoreProblem() : QString();
    const QString resolved = store.isEmpty() || !isVersionFolderName(version)
                                 ? QString()
                                 : trustedExecutable(path, store + version, &problem);
    if (resolved.isEmpty()) {
        logger_->error(QStringLiteral("Remembered copy is not inside the private local store folder of its version,"
                                      " not started."),
                       QStringLiteral("Path: ") + path + QStringLiteral(", Version: ") + version
                           + QStringLiteral(": ") + problem);
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
