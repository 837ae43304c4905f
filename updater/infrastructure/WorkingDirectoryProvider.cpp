#include "updater/infrastructure/WorkingDirectoryProvider.h"

#include "updater/infrastructure/PathComponent.h"
#include "updater/infrastructure/PrivateFiles.h"
#include "updater/infrastructure/SimpleLogger.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QMutexLocker>
#include <QUuid>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The working folder lies in a temporary folder that other users can write
// to. A folder of that name made by someone else (or made readable by others)
// must not be used: it would receive the scan results and downloads.
bool isPrivateDirectoryOfUser(const QByteArray& path)
{
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

} // namespace

WorkingDirectoryProvider::WorkingDirectoryProvider(QObject* parent)
    : AbstractWorkingDirectoryProvider(parent)
    , logger_(SimpleLogger::getLogger(this))
{
}

QString WorkingDirectoryProvider::newWorkingDirectoryCandidate() const
{
    // Qt names no temporary folder at all when TMPDIR points at a missing
    // one; the folder would then land in the file system's root.
    QString temp = QDir::tempPath();
    if (temp.isEmpty()) {
        temp = QStringLiteral("/tmp");
        logger_->error(QStringLiteral("the temporary folder does not exist, using /tmp: "),
                       QString::fromLocal8Bit(qgetenv("TMPDIR")));
    }
    return QDir::toNativeSeparators(temp + QDir::separator() + QUuid::createUuid().toString(QUuid::WithBraces)
                                    + QDir::separator());
}

bool WorkingDirectoryProvider::ensurePrivateDirectory(const QString& path) const
{
    const QByteArray native = QFile::encodeName(QDir::cleanPath(path));
    if (::mkdir(native.constData(), S_IRWXU) != 0 && errno == ENOENT) {
        // Missing parents of the temporary folder are made by the rule,
        // 0700 whatever the umask, and only below a folder it passed.
        makePrivateFolder(folderOfPath(QDir::cleanPath(path)));
        ::mkdir(native.constData(), S_IRWXU);
    }
    return isPrivateDirectoryOfUser(native);
}

QString WorkingDirectoryProvider::freeCandidate() const
{
    QString candidate;
    do {
        candidate = newWorkingDirectoryCandidate();
    } while (QFileInfo::exists(candidate) || QFileInfo(QDir::cleanPath(candidate)).isSymLink());
    return candidate;
}

QString WorkingDirectoryProvider::getWorkingDirectory()
{
    QMutexLocker lock(&mutex_);
    if (workingDirectory_.isEmpty())
        workingDirectory_ = freeCandidate();
    if (ensurePrivateDirectory(workingDirectory_))
        return workingDirectory_;

    struct stat info {};
    if (::lstat(QFile::encodeName(QDir::cleanPath(workingDirectory_)).constData(), &info) == 0) {
        // Something that is not our private folder took the name: never use
        // it, take another name.
        logger_->error(QStringLiteral("working directory is not private to the user, using a new one: "),
                       workingDirectory_);
        workingDirectory_ = freeCandidate();
        creationFailureLogged_ = false;
        if (ensurePrivateDirectory(workingDirectory_))
            return workingDirectory_;
    }
    // It cannot be made (no temporary folder, no space): the run keeps its one
    // path and callers find out when they write into it.
    if (!creationFailureLogged_) {
        creationFailureLogged_ = true;
        logger_->error(QStringLiteral("working directory could not be created: "), workingDirectory_);
    }
    return workingDirectory_;
}

QString WorkingDirectoryProvider::getLocalStoreDirectory()
{
    QMutexLocker lock(&mutex_);
    localStoreDirectory_ = QDir::toNativeSeparators(xdgUserFolder("XDG_DATA_HOME", QStringLiteral(".local/share"))
                                                    + QDir::separator() + QStringLiteral("Pathwarden")
                                                    + QDir::separator());
    // Stored copies of the updater are started from here: a folder that
    // cannot be made the user's alone is not used at all.
    QString problem;
    if (!makePrivateFolder(localStoreDirectory_, &problem)) {
        localStoreProblem_ = tr("The folder %1 cannot be used: %2").arg(localStoreDirectory_, problem);
        logger_->error(QStringLiteral("local store is not a private folder of the user, going on without it: "),
                       localStoreProblem_);
        return QString();
    }
    localStoreProblem_.clear();
    return localStoreDirectory_;
}

QString WorkingDirectoryProvider::localStoreProblem()
{
    QMutexLocker lock(&mutex_);
    return localStoreProblem_;
}

QString WorkingDirectoryProvider::getLocalStoreDirectoryForVersion(const QString& version)
{
    if (!isVersionFolderName(version)) {
        logger_->error(QStringLiteral("refused version as folder name: "), version);
        return QString();
    }
    const QString store = getLocalStoreDirectory();
    if (store.isEmpty())
        return QString();
    const QString path = store + version + QDir::separator();
    const QString clean = QDir::cleanPath(path);
    if (QFileInfo(clean).isSymLink())
        QFile::remove(clean); // the link only, never what it points to
    else if (QFileInfo(clean).isDir())
        QDir(clean).removeRecursively();
    // Nothing may be copied or unpacked into a folder that fails the rule:
    // unzip follows the links it finds there.
    QString problem;
    if (!makePrivateFolder(path, &problem)) {
        const QString why = tr("The folder %1 cannot be used: %2").arg(path, problem);
        logger_->error(QStringLiteral("version folder could not be made private: "), why);
        QMutexLocker lock(&mutex_);
        localStoreProblem_ = why;
        return QString();
    }
    return path;
}
