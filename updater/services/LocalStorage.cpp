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

} // namespace

LocalStorage::LocalStorage(WorkingDirectoryProvider* workingDirectoryProvider, SelfUpdateExtractor_OSX* extractor,
                           QObject* parent)
    : QObject(parent)
    , logger_(SimpleLogger::getLogger(this))
    , workingDirectoryProvider_(workingDirectoryProvider)
    , extractor_(extractor)
{
    const QString path = storeFile();
    // Narrowed first: a link in the user's private folder is the user's own.
    QString problem;
    if (!makePrivateFolder(QFileInfo(path).absolutePath(), &problem))
        logger_->error(QStringLiteral("Local store file's folder is not a private folder of the user: ")
                           + QFileInfo(path).absolutePath(),
                       problem);
    const UserFileRead file = readUserFile(path);
    fileRefused_ = file.state == UserFileRead::Refused;
    if (fileRefused_)
        logger_->error(QStringLiteral("Local store file ignored: ") + path, file.note);
    else if (!file.note.isEmpty())
        logger_->info(QStringLiteral("Local store file ") + path, file.note);
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

    // What was ignored is replaced by a file of our own: the folder is the
    // user's alone, so the entry (a link, not what it points to) is removed
    // first.
    const QString path = storeFile();
    if (fileRefused_) {
        const QString folder = QFileInfo(path).absolutePath();
        QString problem;
        if (!makePrivateFolder(folder, &problem) || !QFile::remove(path)) {
            const QString why = QStringLiteral("The file %1 cannot be replaced: %2")
                                    .arg(path, problem.isEmpty() ? QStringLiteral("it cannot be removed") : problem);
            return failStore(QStringLiteral("Failed to write the local store file."), why, why);
        }
        logger_->info(QStringLiteral("Replacing the local store file that was not a private file of the user."), path);
        fileRefused_ = false;
        remembered_.clear();
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
    if (!QFile::copy(source.absoluteFilePath(), target.absoluteFilePath()))
        return failStore(QStringLiteral("Failed to copy Vorn archive file."), fromTo);

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
    return rememberStoredCopy(version, executablePath);
}

bool LocalStorage::rememberStoredCopy(const QString& version, const QString& executablePath)
{
    const QString path = storeFile();
    QSettings file(path, QSettings::IniFormat);
    file.setValue(kLatestVersionKey, version);
    file.setValue(kLatestPathKey, executablePath);
    file.sync();
    // Keys that did not reach the disk would make the next start miss the
    // copy while this run reports it stored.
    if (file.status() != QSettings::NoError || !makePrivateFile(path)) {
        const QString why = QStringLiteral("The file %1 cannot be written as a private file of the user.").arg(path);
        return failStore(QStringLiteral("Failed to write the local store file."), path, why);
    }
    remembered_.insert(kLatestVersionKey, version);
    remembered_.insert(kLatestPathKey, executablePath);
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
