#include "updater/infrastructure/WorkingDirectoryProvider.h"

#include "updater/infrastructure/SimpleLogger.h"
#include "updater/infrastructure/VersionRule.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QMutexLocker>
#include <QStandardPaths>
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
    return QDir::toNativeSeparators(QDir::tempPath() + QDir::separator()
                                    + QUuid::createUuid().toString(QUuid::WithBraces) + QDir::separator());
}

bool WorkingDirectoryProvider::ensurePrivateDirectory(const QString& path) const
{
    const QByteArray native = QFile::encodeName(QDir::cleanPath(path));
    if (::mkdir(native.constData(), S_IRWXU) != 0 && errno != EEXIST) {
        QDir().mkpath(QFileInfo(QDir::cleanPath(path)).absolutePath());
        ::mkdir(native.constData(), S_IRWXU);
    }
    return isPrivateDirectoryOfUser(native);
}

QString WorkingDirectoryProvider::getWorkingDirectory()
{
    QMutexLocker lock(&mutex_);
    if (workingDirectory_.isEmpty()) {
        do {
            workingDirectory_ = newWorkingDirectoryCandidate();
        } while (QFileInfo::exists(workingDirectory_) || QFileInfo(QDir::cleanPath(workingDirectory_)).isSymLink());
    }
    if (!ensurePrivateDirectory(workingDirectory_)) {
        logger_->error(QStringLiteral("working directory is not private to the user, using a new one: "),
                       workingDirectory_);
        do {
            workingDirectory_ = newWorkingDirectoryCandidate();
        } while (QFileInfo::exists(workingDirectory_) || QFileInfo(QDir::cleanPath(workingDirectory_)).isSymLink());
        ensurePrivateDirectory(workingDirectory_);
    }
    return workingDirectory_;
}

QString WorkingDirectoryProvider::getLocalStoreDirectory()
{
    QMutexLocker lock(&mutex_);
    localStoreDirectory_ = QDir::toNativeSeparators(
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QDir::separator()
        + QStringLiteral("Pathwarden") + QDir::separator());
    if (!QDir(localStoreDirectory_).exists())
        QDir().mkpath(localStoreDirectory_);
    return localStoreDirectory_;
}

QString WorkingDirectoryProvider::getLocalStoreDirectoryForVersion(const QString& version)
{
    if (!isDottedNumberVersion(version)) {
        logger_->error(QStringLiteral("refused version as folder name: "), version);
        return QString();
    }
    const QString path = getLocalStoreDirectory() + version + QDir::separator();
    QDir folder(path);
    if (folder.exists())
        folder.removeRecursively();
    QDir().mkdir(path);
    return path;
}
