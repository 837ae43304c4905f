#include "updater/infrastructure/PrivateFiles.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool lstatPath(const QString& path, struct stat& info)
{
    return ::lstat(QFile::encodeName(QDir::cleanPath(path)).constData(), &info) == 0;
}

bool narrow(const QString& path, bool folder)
{
    const QByteArray native = QFile::encodeName(QDir::cleanPath(path));
    struct stat info {};
    if (::lstat(native.constData(), &info) != 0 || info.st_uid != ::geteuid())
        return false;
    if (folder ? !S_ISDIR(info.st_mode) : !S_ISREG(info.st_mode))
        return false;
    // Narrowing a folder anyone could write would bless whatever was put in
    // it meanwhile.
    if (folder && (info.st_mode & S_IWOTH) != 0)
        return false;
    const mode_t wanted = folder ? S_IRWXU : (S_IRUSR | S_IWUSR);
    if ((info.st_mode & 07777) == wanted)
        return true;
    return ::chmod(native.constData(), wanted) == 0;
}

} // namespace

bool makePrivateFolder(const QString& path)
{
    const QString clean = QDir::cleanPath(path);
    const QByteArray native = QFile::encodeName(clean);
    if (::mkdir(native.constData(), S_IRWXU) != 0 && errno == ENOENT) {
        QDir().mkpath(QFileInfo(clean).absolutePath());
        ::mkdir(native.constData(), S_IRWXU);
    }
    // mkdir's mode is cut by the umask, and an older folder may be open.
    return narrow(clean, true);
}

bool makePrivateFile(const QString& path)
{
    return narrow(path, false);
}

UserFileState userFileState(const QString& path)
{
    struct stat info {};
    if (!lstatPath(path, info))
        return errno == ENOENT ? UserFileState::Missing : UserFileState::Foreign;
    if (!S_ISREG(info.st_mode) || info.st_uid != ::geteuid() || (info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return UserFileState::Foreign;
    return UserFileState::Private;
}

bool isPrivateFolderOfUser(const QString& path)
{
    struct stat info {};
    return lstatPath(path, info) && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid()
           && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

QString userSettingsFilePath(const QString& applicationName)
{
    // Qt's own rule for user-scope INI files: the XDG configuration folder
    // where Qt uses the standard locations, else XDG_CONFIG_HOME or ~/.config.
#if defined(Q_OS_MACOS)
    const QByteArray configured = qgetenv("XDG_CONFIG_HOME");
    QString folder;
    if (configured.startsWith('/'))
        folder = QFile::decodeName(configured);
    else
        folder = QDir::homePath() + QLatin1Char('/')
                 + (configured.isEmpty() ? QStringLiteral(".config") : QFile::decodeName(configured));
#else
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
#endif
    return folder + QStringLiteral("/Pathwarden/") + applicationName + QStringLiteral(".ini");
}
