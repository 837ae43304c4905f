#include "updater/infrastructure/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool narrow(const QString& path, bool folder)
{
    const QByteArray native = QFile::encodeName(QDir::cleanPath(path));
    struct stat info {};
    if (::lstat(native.constData(), &info) != 0 || info.st_uid != ::geteuid())
        return false;
    if (folder ? !S_ISDIR(info.st_mode) : !S_ISREG(info.st_mode))
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
