#include "updater/infrastructure/PrivateFiles.h"

#include <QAtomicInteger>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(Q_OS_LINUX)
#include <sys/mman.h>
#endif

namespace {

constexpr mode_t kOthersWrite = S_IWGRP | S_IWOTH;
// Far above any settings file; a larger one is not read whole.
constexpr qint64 kMostBytes = 1 << 20;

QByteArray nativePath(const QString& path)
{
    return QFile::encodeName(QDir::cleanPath(path));
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

class Descriptor {
public:
    explicit Descriptor(int fd = -1)
        : fd_(fd)
    {
    }
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    void reset(int fd)
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }
    int get() const { return fd_; }
    int release()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

int openRetrying(int folder, const char* name, int flags)
{
    int fd = -1;
    do {
        fd = ::openat(folder, name, flags | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

QString ownerText(const struct stat& info)
{
    return QStringLiteral("it belongs to another user (uid %1)").arg(info.st_uid);
}

// Opens the file that path names for the user, or says why not. Only the
// descriptor is judged: whatever the name meant at the time of the check is
// what is read or narrowed.
int openUserFile(const QString& path, UserFileRead* result)
{
    const QFileInfo file(QDir::cleanPath(path));
    Descriptor folder(openRetrying(AT_FDCWD, QFile::encodeName(file.absolutePath()).constData(),
                                   O_RDONLY | O_DIRECTORY));
    if (folder.get() < 0) {
        const int error = errno;
        result->state = error == ENOENT ? UserFileRead::Missing : UserFileRead::Refused;
        if (error != ENOENT)
            result->note = QStringLiteral("its folder cannot be opened: ") + systemError(error);
        return -1;
    }
    const QByteArray name = QFile::encodeName(file.fileName());
    const int readFlags = O_RDONLY | O_NONBLOCK;
    int fd = openRetrying(folder.get(), name.constData(), readFlags | O_NOFOLLOW);
    const bool link = fd < 0 && errno == ELOOP;
    if (fd < 0 && !link) {
        const int error = errno;
        result->state = error == ENOENT ? UserFileRead::Missing : UserFileRead::Refused;
        if (error != ENOENT)
            result->note = QStringLiteral("it cannot be opened: ") + systemError(error);
        return -1;
    }
    result->state = UserFileRead::Refused;
    if (link) {
        // In a folder that only the user can write, only the user can have
        // made the link or put it there.
        struct stat folderInfo {};
        if (::fstat(folder.get(), &folderInfo) != 0 || folderInfo.st_uid != ::geteuid()
            || (folderInfo.st_mode & kOthersWrite) != 0) {
            result->note = QStringLiteral("it is a link in a folder that others can write");
            return -1;
        }
        fd = openRetrying(folder.get(), name.constData(), readFlags);
        if (fd < 0) {
            result->note = QStringLiteral("it is a link that leads nowhere: ") + systemError(errno);
            return -1;
        }
    }
    Descriptor opened(fd);
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        result->note = systemError(errno);
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        result->note = link ? QStringLiteral("it is a link to something that is not a regular file")
                            : QStringLiteral("it is not a regular file");
        return -1;
    }
    if (info.st_uid != ::geteuid()) {
        result->note = link ? QStringLiteral("it is a link that leads out of the user's files (to a file of uid %1)")
                                  .arg(info.st_uid)
                            : ownerText(info);
        return -1;
    }
    // Through another name, perhaps in a folder others can write, the file
    // could have been changed by someone else.
    if (info.st_nlink != 1) {
        result->note = QStringLiteral("it has other names (%1 hard links)").arg(info.st_nlink);
        return -1;
    }
    if ((info.st_mode & 07777) != (S_IRUSR | S_IWUSR)) {
        if (::fchmod(fd, S_IRUSR | S_IWUSR) != 0) {
            result->note = QStringLiteral("its mode cannot be narrowed: ") + systemError(errno);
            return -1;
        }
        if ((info.st_mode & kOthersWrite) != 0)
            result->note = QStringLiteral("it could be written by group or others (mode %1), narrowed to 0600")
                               .arg(info.st_mode & 07777, 4, 8, QLatin1Char('0'));
    }
    result->state = UserFileRead::Read;
    return opened.release();
}

bool readAll(int fd, QByteArray* contents)
{
    char buffer[4096];
    for (;;) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 || contents->size() + count > kMostBytes)
            return false;
        if (count == 0)
            return true;
        contents->append(buffer, static_cast<int>(count));
    }
}

UserFileRead readFrom(int fd, UserFileRead result)
{
    Descriptor opened(fd);
    if (!readAll(fd, &result.contents)) {
        result.state = UserFileRead::Refused;
        result.contents.clear();
        result.note = QStringLiteral("it cannot be read whole");
    }
    return result;
}

// Opens the folder that path names, following a link only when the link
// itself is the user's; -1 with problem set otherwise.
int openUserFolder(const QByteArray& native, QString* problem)
{
    struct stat entry {};
    if (::lstat(native.constData(), &entry) != 0) {
        *problem = QStringLiteral("it cannot be made: ") + systemError(errno);
        return -1;
    }
    const bool link = S_ISLNK(entry.st_mode);
    if (link && entry.st_uid != ::geteuid()) {
        *problem = QStringLiteral("it is a link of another user (uid %1)").arg(entry.st_uid);
        return -1;
    }
    if (!link && !S_ISDIR(entry.st_mode)) {
        *problem = QStringLiteral("it is not a folder");
        return -1;
    }
    const int fd = openRetrying(AT_FDCWD, native.constData(), O_RDONLY | O_DIRECTORY | (link ? 0 : O_NOFOLLOW));
    if (fd < 0) {
        *problem = (link ? QStringLiteral("it is a link to no folder: ") : QStringLiteral("it cannot be opened: "))
                   + systemError(errno);
        return -1;
    }
    Descriptor opened(fd);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISDIR(info.st_mode)) {
        *problem = QStringLiteral("it is not a folder");
        return -1;
    }
    if (info.st_uid != ::geteuid()) {
        *problem = link ? QStringLiteral("it is a link to a folder of another user (uid %1)").arg(info.st_uid)
                        : ownerText(info);
        return -1;
    }
    // Whatever others put into the target before it was linked would count
    // as the user's.
    if (link && (info.st_mode & kOthersWrite) != 0) {
        *problem = QStringLiteral("it is a link to a folder that others can write");
        return -1;
    }
    return opened.release();
}

} // namespace

bool makePrivateFolder(const QString& path, QString* problem)
{
    const QString clean = QDir::cleanPath(path);
    const QByteArray native = QFile::encodeName(clean);
    if (::mkdir(native.constData(), S_IRWXU) != 0 && errno == ENOENT) {
        QDir().mkpath(QFileInfo(clean).absolutePath());
        ::mkdir(native.constData(), S_IRWXU);
    }
    QString why;
    Descriptor folder(openUserFolder(native, &why));
    // mkdir's mode is cut by the umask, and an older folder may be open.
    struct stat info {};
    if (folder.get() >= 0 && ::fstat(folder.get(), &info) == 0 && (info.st_mode & 07777) != S_IRWXU
        && ::fchmod(folder.get(), S_IRWXU) != 0)
        why = QStringLiteral("its mode cannot be narrowed: ") + systemError(errno);
    if (problem)
        *problem = why;
    return why.isEmpty();
}

bool makePrivateFile(const QString& path)
{
    UserFileRead result;
    Descriptor fd(openUserFile(path, &result));
    return fd.get() >= 0;
}

UserFileRead readUserFile(const QString& path)
{
    UserFileRead result;
    const int fd = openUserFile(path, &result);
    return fd < 0 ? result : readFrom(fd, result);
}

UserFileRead readMachineFile(const QString& path)
{
    UserFileRead result;
    const int fd = openRetrying(AT_FDCWD, nativePath(path).constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0) {
        const int error = errno;
        result.state = error == ENOENT || error == ENOTDIR ? UserFileRead::Missing : UserFileRead::Refused;
        if (result.state == UserFileRead::Refused)
            result.note = error == ELOOP ? QStringLiteral("it is a link") : systemError(error);
        return result;
    }
    Descriptor opened(fd);
    struct stat info {};
    result.state = UserFileRead::Refused;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        result.note = QStringLiteral("it is not a regular file");
    else if (info.st_uid != 0 && info.st_uid != ::geteuid())
        result.note = ownerText(info);
    else if ((info.st_mode & kOthersWrite) != 0)
        result.note = QStringLiteral("it can be written by group or others");
    else
        result.state = UserFileRead::Read;
    if (result.state != UserFileRead::Read)
        return result;
    return readFrom(opened.release(), result);
}

QVariantMap iniValues(const QByteArray& text)
{
    QVariantMap values;
    if (text.isEmpty())
        return values;
    // Qt's settings class parses only files it opens by name. The bytes go
    // into a file nobody else can reach; its time stamp never repeats within
    // the run, so that Qt's cache of parsed files, keyed by name, cannot hand
    // back an earlier text under a reused descriptor number.
    static QAtomicInteger<qint64> stamp(0);
#if defined(Q_OS_LINUX)
    Descriptor memory(::memfd_create("pathwarden-ini", MFD_CLOEXEC));
    if (memory.get() < 0 || ::write(memory.get(), text.constData(), static_cast<size_t>(text.size())) != text.size())
        return values;
    const struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(stamp.fetchAndAddRelaxed(1) + 1), 0}};
    ::futimens(memory.get(), times);
    const QString name = QStringLiteral("/proc/self/fd/%1").arg(memory.get());
#else
    QTemporaryFile file;
    if (!file.open() || file.write(text) != text.size() || !file.flush())
        return values;
    const QString name = file.fileName();
#endif
    const QSettings parsed(name, QSettings::IniFormat);
    for (const QString& key : parsed.allKeys())
        values.insert(key, parsed.value(key));
    return values;
}

bool isPrivateFolderOfUser(const QString& path)
{
    struct stat info {};
    return ::lstat(nativePath(path).constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid()
           && (info.st_mode & kOthersWrite) == 0;
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
