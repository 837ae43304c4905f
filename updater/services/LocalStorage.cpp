#include "updater/services/LocalStorage.h"

#include "updater/infrastructure/PathComponent.h"
#include "updater/infrastructure/PrivateFiles.h"
#include "updater/infrastructure/SelfUpdateExtractor_OSX.h"
#include "updater/infrastructure/SimpleLogger.h"
#include "updater/infrastructure/WorkingDirectoryProvider.h"
#include "updater/infrastructure/ZipExtractor_OSX.h"
#include "updater/infrastructure/platform/ExecutablePath.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

const QString kLatestVersionKey = QStringLiteral("LatestVersionInLocalStore");
const QString kLatestPathKey = QStringLiteral("PathToLatestVersionInLocalStore");

QString storeFile()
{
    return userSettingsFilePath(QStringLiteral("pathwarden-local-storage"));
}

// The lock file in the user's runtime folder that stands for the store
// folder of that device and inode; empty without a runtime folder.
QString runtimeLockPath(quint64 device, quint64 inode)
{
    const QString runtime = QFile::decodeName(qgetenv("XDG_RUNTIME_DIR"));
    if (!runtime.startsWith(QLatin1Char('/')) || (device == 0 && inode == 0))
        return QString();
    return runtime + QStringLiteral("/pathwarden-store-%1-%2.lock").arg(device).arg(inode);
}

// A process of the user whose program lies in folder, or 0. Without /proc
// none can be told.
qint64 processRunningFrom(const QString& folder)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty())
        return 0;
    const QStringList processes = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : processes) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        // Another user's program cannot be read, and cannot be ours.
        if (number && QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(entry)).startsWith(canonical + QLatin1Char('/')))
            return pid;
    }
    return 0;
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
    rereadRecord();
}

LocalStorage::~LocalStorage()
{
    releaseStore();
}

void LocalStorage::rereadRecord()
{
    const QString path = storeFile();
    const UserFileRead file = readUserFile(path);
    if (file.state == UserFileRead::Refused)
        logger_->error(QStringLiteral("Local store file ignored: ") + path, file.note);
    remembered_ = file.state == UserFileRead::Read ? iniValues(file.contents) : QVariantMap();
}

QString LocalStorage::storeProblem() const
{
    return storeProblem_;
}

QString LocalStorage::startProblem() const
{
    return startProblem_;
}

void LocalStorage::releaseStore()
{
    if (lock_ >= 0) {
        ::close(lock_);
        lock_ = -1;
    }
}

void LocalStorage::cancelStore()
{
    cancelled_ = true;
    extractor_->cancel();
}

bool LocalStorage::lockStore(const QString& store)
{
    if (lock_ >= 0)
        return true;
    QString path = store + QLatin1String(kLockFileName);
    bool elsewhere = false;
    QElapsedTimer waited;
    waited.start();
    bool told = false;
    for (;;) {
        const UserLock lock = tryLockUserFile(path);
        if (lock.state == UserLock::Taken) {
            lock_ = lock.fd;
            if (told)
                emit waitingForAnotherRun(false);
            return true;
        }
        const QString why =
            lock.error != 0 ? tr("%1 cannot be locked: %2").arg(path, QString::fromLocal8Bit(std::strerror(lock.error)))
                            : lock.problem;
        if (lock.state == UserLock::Unsupported || (elsewhere && lock.state == UserLock::Failed)) {
            // A file system that keeps no locks (an NFS home whose lock
            // service does not answer): the lock is taken where locks work,
            // named by the store's identity, so that every run of the user
            // on this machine takes the same one. Without such a place this
            // run stores as if it were the only one, as before the lock; so
            // also when that place fails the rule.
            const QString runtime = elsewhere ? QString() : runtimeLockPath(lock.folderDevice, lock.folderInode);
            if (!runtime.isEmpty()) {
                logger_->info(QStringLiteral("Local store cannot be locked, its lock is taken in the runtime folder."),
                              why + QStringLiteral("; ") + runtime);
                path = runtime;
                elsewhere = true;
                continue;
            }
            logger_->error(QStringLiteral("Local store cannot be locked, this run stores without a lock."), why);
            return true;
        }
        if (lock.state == UserLock::Failed)
            return lock.error != 0 ? failStore(QStringLiteral("Local store is not free."), why, why)
                                   : failStore(QStringLiteral("Local store lock cannot be opened."), why, why);
        if (cancelled_ || waited.elapsed() >= kLockWaitMs) {
            const QString cause = cancelled_ ? QStringLiteral("the store was stopped: the application is ending")
                                             : tr("Another Pathwarden of this user did not finish storing its "
                                                  "update within %1 s.")
                                                   .arg(kLockWaitMs / 1000);
            return failStore(QStringLiteral("Local store is not free."), cause, cause);
        }
        if (!told) {
            told = true;
            logger_->info(QStringLiteral("Waiting for another run of this user to store its update."), path);
            emit waitingForAnotherRun(true);
        }
        // Polled: a blocking flock could not be ended by a close.
        QThread::msleep(100);
    }
}

QString LocalStorage::recordedCopy(const QString& version)
{
    startProblem_.clear();
    const QString path = remembered_.value(kLatestPathKey).toString();
    const QString store = workingDirectoryProvider_->getLocalStoreDirectory();
    // Resolved once, by descriptors, with every folder on the way judged:
    // nobody else can change what the returned path names before it is
    // started.
    QString problem = store.isEmpty() ? workingDirectoryProvider_->localStoreProblem() : QString();
    const QString resolved = store.isEmpty() || !isVersionFolderName(version) || path.isEmpty()
                                 ? QString()
                                 : trustedExecutable(path, store + version, &problem);
    if (resolved.isEmpty()) {
        startProblem_ = problem.isEmpty() ? tr("No copy of version %1 is stored.").arg(version) : problem;
        logger_->error(QStringLiteral("Remembered copy is not inside the private local store folder of its version,"
                                      " not started."),
                       QStringLiteral("Path: ") + path + QStringLiteral(", Version: ") + version
                           + QStringLiteral(": ") + problem);
    }
    return resolved;
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
    if (pathToZipArchive.isEmpty() || !QFileInfo(pathToZipArchive).isFile())
        return failStore(QStringLiteral("Invalid source path."), QStringLiteral("PathToZipArchive: ") + pathToZipArchive,
                         tr("The downloaded update %1 is not a regular file.").arg(pathToZipArchive));
    if (!isVersionFolderName(version))
        return failStore(QStringLiteral("Invalid version."), QStringLiteral("Version: ") + version,
                         tr("The server names the update's version \"%1\", which is no version number.").arg(version));

    // A store folder that cannot be used is named with its fault; the
    // version itself is fine.
    const QString store = workingDirectoryProvider_->getLocalStoreDirectory();
    if (store.isEmpty()) {
        const QString problem = workingDirectoryProvider_->localStoreProblem();
        return failStore(QStringLiteral("Local store folder cannot be used."), problem, problem);
    }
    if (!lockStore(store))
        return false;

    // Another run of the user may have stored this very version while this
    // one waited; its copy may already run, and is taken as it is.
    rereadRecord();
    const bool recorded = remembered_.value(kLatestVersionKey).toString() == version;
    if (recorded && !recordedCopy(version).isEmpty()) {
        logger_->info(QStringLiteral("This version is stored already, its copy is used."),
                      QStringLiteral("LatestVersionInLocalStore:") + version);
        return true;
    }
    // A run with another configuration folder keeps its own record of this
    // store: a copy it started from the version's folder, recorded nowhere
    // here, may run. Its folder is not emptied under it.
    const qint64 running = processRunningFrom(store + version);
    if (running > 0) {
        const QString why = tr("The folder %1 holds a copy of Pathwarden that is running (process %2); it is left as "
                               "it is.")
                                .arg(store + version + QLatin1Char('/'))
                                .arg(running);
        return failStore(QStringLiteral("Version folder holds a running copy, left as it is."), why, why);
    }
    if (recorded) {
        // The folder is emptied below: the record must not name it while a
        // half-unpacked copy could lie there.
        QString problem;
        if (!writeUserFile(storeFile(), iniText({}), &problem))
            return failStore(QStringLiteral("Failed to write the local store file."), problem, problem);
        remembered_.clear();
    }

    const QFileInfo source(pathToZipArchive);
    // Empties the version's folder before anything below is checked; the
    // record names no copy of this version any more.
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
                         QStringLiteral("OriginalPath: ") + source.absoluteFilePath(),
                         tr("The downloaded update %1 is not a regular file.").arg(source.absoluteFilePath()));

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
        QString why = tr("The update cannot be unpacked into %1: %2")
                          .arg(folder, spaceProblem(folder, extractor_->problem()));
        if (extractor_->timedOut())
            why = tr("unpacking the update did not finish within %1 s").arg(ZipExtractor_OSX::kTimeLimitMs / 1000);
        return failStore(QStringLiteral("Failed to store the unpacked copy."), why, why);
    }
    // Stopped as the application ends: what unzip wrote is not recorded.
    if (cancelled_)
        return failStore(QStringLiteral("Failed to store the unpacked copy."),
                         QStringLiteral("the application is ending"),
                         QStringLiteral("the store was stopped: the application is ending"));

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
    if (remembered_.value(kLatestPathKey).toString().isEmpty()) {
        startProblem_ = tr("No copy of version %1 is stored.").arg(remembered_.value(kLatestVersionKey).toString());
        return QString();
    }
    return recordedCopy(remembered_.value(kLatestVersionKey).toString());
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
