#include "updater/infrastructure/PrivateFiles.h"

#include "updater/infrastructure/TrustedWay.h"

#include <QAtomicInteger>
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryFile>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(Q_OS_LINUX)
#include <sys/mman.h>
#endif

namespace {

// A write takes a moment between its temporary file and the rename; one
// untouched for longer was ended on the way.
constexpr time_t kStaleSeconds = 60;
// Far above any settings file; a larger one is not read whole.
constexpr qint64 kMostBytes = 1 << 20;
constexpr int kReadFlags = O_RDONLY | O_NONBLOCK;

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The cause why a descriptor reached by the rule is not the user's own
// regular file, or empty.
QString userFileProblem(int fd, const QString& path, bool rootToo)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return QCoreApplication::translate("PrivateFiles", "%1 cannot be opened: %2").arg(path, systemError(errno));
    if (!S_ISREG(info.st_mode))
        return QCoreApplication::translate("PrivateFiles", "%1 is not a regular file").arg(path);
    if (info.st_uid != ::geteuid() && !(rootToo && info.st_uid == 0))
        return QCoreApplication::translate("PrivateFiles", "%1 belongs to another user (uid %2)").arg(path).arg(info.st_uid);
    // Through another name, perhaps in a folder others can write, the file
    // could have been changed by someone else.
    if (!rootToo && info.st_nlink != 1)
        return QCoreApplication::translate("PrivateFiles", "%1 has other names (%2 hard links)").arg(path).arg(info.st_nlink);
    return QString();
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

UserFileRead readByRule(const QString& path, bool rootToo)
{
    UserFileRead result;
    TrustedItem item = reachTrusted(path, kReadFlags);
    if (item.state == TrustedItem::Missing)
        return result;
    result.state = UserFileRead::Refused;
    if (item.state == TrustedItem::Refused) {
        result.note = item.problem;
        return result;
    }
    result.note = userFileProblem(item.item.get(), item.path, rootToo);
    if (!result.note.isEmpty())
        return result;
    if (!readAll(item.item.get(), &result.contents)) {
        result.contents.clear();
        result.note = QCoreApplication::translate("PrivateFiles", "%1 cannot be read whole").arg(item.path);
        return result;
    }
    result.state = UserFileRead::Read;
    return result;
}

// The folder of path, reached by the rule and the user's own, to create
// files in; -1 with problem set otherwise.
int userFolderFor(const QString& path, QByteArray* name, QString* problem)
{
    QString file = path;
    while (file.size() > 1 && file.endsWith(QLatin1Char('/')))
        file.chop(1);
    TrustedItem folder = reachTrusted(folderOfPath(file), O_RDONLY | O_DIRECTORY);
    if (folder.state != TrustedItem::Found) {
        *problem = folder.state == TrustedItem::Missing
                       ? QCoreApplication::translate("PrivateFiles", "%1 cannot be opened: %2").arg(folder.path, systemError(ENOENT))
                       : folder.problem;
        return -1;
    }
    struct stat info {};
    if (::fstat(folder.item.get(), &info) != 0 || info.st_uid != ::geteuid()) {
        *problem = QCoreApplication::translate("PrivateFiles", "%1 belongs to another user (uid %2)").arg(folder.path).arg(info.st_uid);
        return -1;
    }
    *name = QFile::encodeName(file.mid(file.lastIndexOf(QLatin1Char('/')) + 1));
    return folder.item.release();
}

// A new file of mode 0600 below folder under a name nobody uses; -1 when
// none could be made.
int createTemporary(int folder, const QByteArray& name, QByteArray* temporary)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        *temporary = '.' + name.left(200) + kTemporaryMark
                     + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
        int fd = -1;
        do {
            fd = ::openat(folder, temporary->constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          S_IRUSR | S_IWUSR);
        } while (fd < 0 && errno == EINTR);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

// Removes what earlier writes of name left when they were ended between
// their temporary file and the rename: the user's own regular files named
// as createTemporary names them, with its mark, and stale. folder is a checked folder of
// the user, so nobody else can put or swap anything under those names.
void removeStaleTemporaries(int folder, const QByteArray& name)
{
    const QByteArray prefix = '.' + name.left(200) + kTemporaryMark;
    const int listing = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* entries = listing < 0 ? nullptr : ::fdopendir(listing);
    if (!entries) {
        if (listing >= 0)
            ::close(listing);
        return;
    }
    const time_t now = ::time(nullptr);
    while (const struct dirent* entry = ::readdir(entries)) {
        const QByteArray found(entry->d_name);
        const QByteArray random = found.mid(prefix.size());
        // A 64-bit number in base 36 has at most 13 digits.
        if (!found.startsWith(prefix) || random.isEmpty() || random.size() > 13)
            continue;
        bool ours = true;
        for (const char c : random)
            ours = ours && ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'));
        struct stat info {};
        if (ours && ::fstatat(listing, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode)
            && info.st_uid == ::geteuid() && now - info.st_mtime > kStaleSeconds)
            ::unlinkat(listing, entry->d_name, 0);
    }
    ::closedir(entries);
}

bool writeWhole(int fd, const QByteArray& contents)
{
    qint64 done = 0;
    while (done < contents.size()) {
        const ssize_t count = ::write(fd, contents.constData() + done, static_cast<size_t>(contents.size() - done));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        done += count;
    }
    return true;
}

} // namespace

bool makePrivateFolder(const QString& path, QString* problem, QString* narrowed)
{
    TrustedItem folder = reachTrusted(path, O_RDONLY | O_DIRECTORY, OwnFolder::Make, narrowed);
    QString why;
    if (folder.state == TrustedItem::Missing) {
        why = QCoreApplication::translate("PrivateFiles", "%1 cannot be made: %2").arg(folder.path, systemError(ENOENT));
    } else if (folder.state == TrustedItem::Refused) {
        why = folder.problem;
    } else {
        struct stat info {};
        if (::fstat(folder.item.get(), &info) != 0 || info.st_uid != ::geteuid())
            why = QCoreApplication::translate("PrivateFiles", "%1 belongs to another user (uid %2)").arg(folder.path).arg(info.st_uid);
    }
    if (problem)
        *problem = why;
    return why.isEmpty();
}

UserFileRead readUserFile(const QString& path)
{
    return readByRule(path, false);
}

UserFileRead readMachineFile(const QString& path)
{
    return readByRule(path, true);
}

bool writeUserFile(const QString& path, const QByteArray& contents, QString* problem, bool replace)
{
    QByteArray name;
    OwnedDescriptor folder(userFolderFor(path, &name, problem));
    if (folder.get() < 0)
        return false;
    removeStaleTemporaries(folder.get(), name);
    QByteArray temporary;
    OwnedDescriptor file(createTemporary(folder.get(), name, &temporary));
    int error = file.get() < 0 ? errno : 0;
    if (error == 0 && (!writeWhole(file.get(), contents) || ::fsync(file.get()) != 0))
        error = errno ? errno : EIO;
    file.reset();
    if (error == 0) {
        const int renamed = replace ? ::renameat(folder.get(), temporary.constData(), folder.get(), name.constData())
                                    : ::renameat2(folder.get(), temporary.constData(), folder.get(), name.constData(),
                                                  RENAME_NOREPLACE);
        if (renamed != 0 && !(errno == EEXIST && !replace))
            error = errno;
        if (renamed != 0)
            ::unlinkat(folder.get(), temporary.constData(), 0);
        else
            ::fsync(folder.get());
    } else if (!temporary.isEmpty()) {
        ::unlinkat(folder.get(), temporary.constData(), 0);
    }
    if (error != 0)
        *problem = QCoreApplication::translate("PrivateFiles", "%1 cannot be written: %2").arg(QDir::cleanPath(path), systemError(error));
    return error == 0;
}

int openUserLogFile(const QString& path, QString* problem)
{
    QByteArray name;
    OwnedDescriptor folder(userFolderFor(path, &name, problem));
    if (folder.get() < 0)
        return -1;
    // Log names are predictable to the second: whatever has the name may
    // have been put there. Only the user's own regular file is appended to.
    OwnedDescriptor file(::openat(folder.get(), name.constData(),
                                  O_WRONLY | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.get() >= 0 && userFileProblem(file.get(), path, false).isEmpty()
        && ::fcntl(file.get(), F_SETFL, O_APPEND) == 0)
        return file.release();
    file.reset();
    QByteArray temporary;
    file.reset(createTemporary(folder.get(), name, &temporary));
    if (file.get() < 0 || ::renameat(folder.get(), temporary.constData(), folder.get(), name.constData()) != 0) {
        *problem = QCoreApplication::translate("PrivateFiles", "%1 cannot be written: %2").arg(QDir::cleanPath(path), systemError(errno));
        if (file.get() >= 0)
            ::unlinkat(folder.get(), temporary.constData(), 0);
        return -1;
    }
    ::fcntl(file.get(), F_SETFL, O_APPEND);
    return file.release();
}

namespace {

bool isUsersRegularFile(const struct stat& info)
{
    return S_ISREG(info.st_mode) && info.st_uid == ::geteuid();
}

bool sameFile(const struct stat& one, const struct stat& other)
{
    return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

// 0, or flock's error for an exclusive lock taken without waiting. flock,
// not a record lock: it belongs to this one descriptor, so that no other
// descriptor of the file that the process closes lets it go.
int lockWithoutWaiting(int fd)
{
    int done = 0;
    do {
        done = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (done != 0 && errno == EINTR);
    return done == 0 ? 0 : errno;
}

// The state for flock's error: a lock held elsewhere, a file system that
// keeps none, or another failure.
UserLock::State lockState(int error)
{
    if (error == EWOULDBLOCK)
        return UserLock::Busy;
    if (error == ENOLCK || error == EOPNOTSUPP || error == ENOSYS || error == EINVAL)
        return UserLock::Unsupported;
    return UserLock::Failed;
}

// Whether name in folder still names the file that fd holds.
bool namesFile(int folder, const QByteArray& name, int fd)
{
    struct stat held {};
    struct stat named {};
    return ::fstat(fd, &held) == 0 && ::fstatat(folder, name.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0
           && sameFile(held, named);
}

enum class Replaced { Taken, Again, Busy, Failed };

// Exchanges what has the name, when it is no lock file of the user's, for a
// new locked file. Taken: lock->fd holds the new file, which the name names.
// Again: the name changed meanwhile; the attempt starts over. Busy: another
// run replaces it at this moment.
//
// A lock file that has the name is never moved or removed, or two runs
// could hold the lock: one the file that had the name, one the file that
// took it. So replacements take turns under a lock on the folder, and judge
// the name again under it; nothing else changes a name that is taken (a
// new file is made only where the name is free).
Replaced replaceWithLockedFile(int folder, const QByteArray& name, const QString& shown, UserLock* lock)
{
    // The turn is held until the descriptor closes on return. Where a folder
    // cannot be locked (NFS keeps locks of files only) the replacement goes
    // on by itself: two runs would have to meet at a name that holds
    // something else.
    OwnedDescriptor turn(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (turn.get() >= 0 && lockWithoutWaiting(turn.get()) == EWOULDBLOCK)
        return Replaced::Busy;
    struct stat seen {};
    if (::fstatat(folder, name.constData(), &seen, AT_SYMLINK_NOFOLLOW) != 0)
        return Replaced::Again;
    if (isUsersRegularFile(seen))
        return Replaced::Again;
    removeStaleTemporaries(folder, name);
    QByteArray temporary;
    OwnedDescriptor fresh(createTemporary(folder, name, &temporary));
    if (fresh.get() < 0) {
        lock->problem = QCoreApplication::translate("PrivateFiles", "%1 cannot be written: %2").arg(shown, systemError(errno));
        return Replaced::Failed;
    }
    // Locked before it has the name: a run that opens it then waits.
    const int error = lockWithoutWaiting(fresh.get());
    if (error != 0) {
        ::unlinkat(folder, temporary.constData(), 0);
        lock->state = lockState(error);
        lock->error = error;
        return Replaced::Failed;
    }
    // Exchanged, so that the name is never free for a moment; what had it
    // then has the temporary name.
    int replaced = ::renameat2(folder, temporary.constData(), folder, name.constData(), RENAME_EXCHANGE) == 0 ? 0 : errno;
    if (replaced == 0) {
        // A folder that holds anything stays, under the temporary name.
        ::unlinkat(folder, temporary.constData(), S_ISDIR(seen.st_mode) ? AT_REMOVEDIR : 0);
    } else if (replaced == EINVAL && !S_ISDIR(seen.st_mode)) {
        // A file system without exchanges: renamed over.
        replaced = ::renameat(folder, temporary.constData(), folder, name.constData()) == 0 ? 0 : errno;
    } else if (replaced == EINVAL) {
        // There, an empty folder is removed, and a new file made where it was.
        replaced = ::unlinkat(folder, name.constData(), AT_REMOVEDIR) == 0 ? ENOENT : errno;
    }
    if (replaced != 0) {
        ::unlinkat(folder, temporary.constData(), 0);
        if (replaced == ENOENT)
            return Replaced::Again;
        lock->problem = QCoreApplication::translate("PrivateFiles", "%1 cannot be written: %2").arg(shown, systemError(replaced));
        return Replaced::Failed;
    }
    if (!namesFile(folder, name, fresh.get()))
        return Replaced::Again;
    lock->fd = fresh.release();
    return Replaced::Taken;
}

} // namespace

UserLock tryLockUserFile(const QString& path)
{
    UserLock lock;
    QByteArray name;
    OwnedDescriptor folder(userFolderFor(path, &name, &lock.problem));
    if (folder.get() < 0)
        return lock;
    struct stat place {};
    if (::fstat(folder.get(), &place) == 0) {
        lock.folderDevice = place.st_dev;
        lock.folderInode = place.st_ino;
    }
    const QString shown = QDir::cleanPath(path);
    // Another run may make, take or replace the file in between.
    for (int attempt = 0; attempt < 100; ++attempt) {
        OwnedDescriptor file(::openat(folder.get(), name.constData(),
                                      O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (file.get() < 0 && errno == ENOENT)
            file.reset(::openat(folder.get(), name.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                S_IRUSR | S_IWUSR));
        const int openError = file.get() < 0 ? errno : 0;
        if (openError == EEXIST)
            continue;
        struct stat info {};
        const bool judged = file.get() >= 0 ? ::fstat(file.get(), &info) == 0
                                            : ::fstatat(folder.get(), name.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0;
        if (!judged && errno == ENOENT)
            continue;
        // A user's file that could not be opened as one had just replaced
        // something else.
        if (judged && isUsersRegularFile(info) && (openError == EISDIR || openError == ELOOP))
            continue;
        if (!judged || (openError != 0 && isUsersRegularFile(info))) {
            lock.problem = QCoreApplication::translate("PrivateFiles", "%1 cannot be opened: %2")
                               .arg(shown, systemError(openError != 0 ? openError : errno));
            return lock;
        }
        if (!isUsersRegularFile(info)) {
            file.reset();
            const Replaced replaced = replaceWithLockedFile(folder.get(), name, shown, &lock);
            if (replaced == Replaced::Again)
                continue;
            lock.state = replaced == Replaced::Taken ? UserLock::Taken
                         : replaced == Replaced::Busy ? UserLock::Busy
                                                      : lock.state;
            return lock;
        }
        const int error = lockWithoutWaiting(file.get());
        if (error != 0) {
            lock.state = lockState(error);
            lock.error = error;
            return lock;
        }
        // Replaced by another run since it was opened: that file is the lock.
        if (!namesFile(folder.get(), name, file.get()))
            continue;
        lock.state = UserLock::Taken;
        lock.fd = file.release();
        return lock;
    }
    lock.problem = QCoreApplication::translate("PrivateFiles", "%1 cannot be opened: %2").arg(shown, systemError(EEXIST));
    return lock;
}

QString trustedExecutable(const QString& path, const QString& folder, QString* problem)
{
    TrustedItem place = reachTrusted(folder, O_RDONLY | O_DIRECTORY);
    TrustedItem file = reachTrusted(path, O_RDONLY | O_NONBLOCK);
    for (const TrustedItem* item : {&place, &file}) {
        if (item->state == TrustedItem::Refused) {
            *problem = item->problem;
            return QString();
        }
        if (item->state == TrustedItem::Missing) {
            *problem = QCoreApplication::translate("PrivateFiles", "%1 cannot be opened: %2").arg(item->path, systemError(ENOENT));
            return QString();
        }
    }
    *problem = userFileProblem(file.item.get(), file.path, false);
    if (problem->isEmpty() && !file.path.startsWith(place.path + QLatin1Char('/')))
        *problem = QCoreApplication::translate("PrivateFiles", "%1 lies outside %2").arg(file.path, place.path);
    return problem->isEmpty() ? file.path : QString();
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
    OwnedDescriptor memory(::memfd_create("pathwarden-ini", MFD_CLOEXEC));
    if (memory.get() < 0 || ::write(memory.get(), text.constData(), static_cast<size_t>(text.size())) != text.size())
        return values;
    const struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(stamp.fetchAndAddRelaxed(1) + 1), 0}};
    ::futimens(memory.get(), times);
    QString name = QStringLiteral("/proc/self/fd/%1").arg(memory.get());
    // Without /proc (a chroot, a container) a private temporary file, whose
    // name is new each time, takes its place.
    QTemporaryFile file;
    if (::access(QFile::encodeName(name).constData(), R_OK) != 0) {
        if (!file.open() || file.write(text) != text.size() || !file.flush())
            return values;
        name = file.fileName();
    }
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

QByteArray iniText(const QVariantMap& values)
{
    // The settings class's escapes for a string value; a value with a
    // separator in it, or blanks at its ends, is quoted.
    QByteArray text("[General]\n");
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const QString value = it.value().toString();
        QByteArray escaped;
        bool quoted = value.startsWith(QLatin1Char(' ')) || value.endsWith(QLatin1Char(' '));
        // After a \x escape a hex digit would be read as part of it.
        bool afterHex = false;
        for (const QChar c : value) {
            const ushort code = c.unicode();
            const bool hexDigit = (code >= '0' && code <= '9') || (code >= 'a' && code <= 'f')
                                  || (code >= 'A' && code <= 'F');
            if (code == ';' || code == ',' || code == '=')
                quoted = true;
            if (code < 0x20 || code >= 0x7f || (afterHex && hexDigit)) {
                escaped += QByteArray("\\x") + QByteArray::number(code, 16);
                afterHex = true;
                continue;
            }
            afterHex = false;
            if (code == '"' || code == '\\')
                escaped += '\\';
            escaped += static_cast<char>(code);
        }
        text += it.key().toUtf8() + '=' + (quoted ? '"' + escaped + '"' : escaped) + '\n';
    }
    return text;
}

QString folderOfPath(const QString& path)
{
    QString file = path;
    while (file.size() > 1 && file.endsWith(QLatin1Char('/')))
        file.chop(1);
    const int slash = file.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QStringLiteral(".") : slash == 0 ? QStringLiteral("/") : file.left(slash);
}

QString xdgUserFolder(const char* variable, const QString& belowHome)
{
    // Not cleaned: a ".." after a link is the walk's to resolve.
    QString value = QFile::decodeName(qgetenv(variable));
    if (!value.startsWith(QLatin1Char('/'))) {
        const QString home = QFile::decodeName(qgetenv("HOME"));
        value = (home.startsWith(QLatin1Char('/')) ? home : QDir::homePath()) + QLatin1Char('/') + belowHome;
    }
    while (value.size() > 1 && value.endsWith(QLatin1Char('/')))
        value.chop(1);
    return value;
}

QString userSettingsFilePath(const QString& applicationName)
{
    return xdgUserFolder("XDG_CONFIG_HOME", QStringLiteral(".config")) + QStringLiteral("/Pathwarden/") + applicationName
           + QStringLiteral(".ini");
}
