#include "updater/infrastructure/TrustedWay.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QPair>
#include <QStringList>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// As the kernel: a resolution that needs more is a loop or an attack.
constexpr int kMostLinks = 40;

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString modeText(mode_t mode)
{
    return QStringLiteral("%1").arg(mode & 07777, 4, 8, QLatin1Char('0'));
}

bool ownedByUserOrRoot(const struct stat& info)
{
    return info.st_uid == ::geteuid() || info.st_uid == 0;
}

// Write bits of others that make the item theirs to change.
mode_t foreignWriteBits(const struct stat& info, bool onTheWay)
{
    mode_t bits = info.st_mode & (S_IWGRP | S_IWOTH);
    if (onTheWay && S_ISDIR(info.st_mode) && (info.st_mode & S_ISVTX) != 0)
        return 0;
    unsigned int group = 0;
    if ((bits & S_IWGRP) != 0 && userPrivateGroup(&group) && info.st_gid == group)
        bits &= ~S_IWGRP;
    return bits;
}

QString judge(const struct stat& info, const QString& path, bool onTheWay)
{
    if (!ownedByUserOrRoot(info))
        return QCoreApplication::translate("PrivateFiles", "%1 belongs to another user (uid %2)")
            .arg(path)
            .arg(info.st_uid);
    if (foreignWriteBits(info, onTheWay) != 0)
        return QCoreApplication::translate("PrivateFiles", "%1 can be written by others (mode %2)")
            .arg(path, modeText(info.st_mode));
    return QString();
}

QString joined(const QString& folder, const QString& name)
{
    return folder == QLatin1String("/") ? folder + name : folder + QLatin1Char('/') + name;
}

// The home folder as the kernel names it, links resolved.
QString canonicalHome()
{
    const QByteArray home = QFile::encodeName(QDir::homePath());
    char resolved[PATH_MAX];
    return ::realpath(home.constData(), resolved) ? QFile::decodeName(resolved) : QDir::cleanPath(QDir::homePath());
}

// Whether folder lies above home, so that only its owner's word decides
// whether it is on the way.
bool isAboveHome(const QString& folder, const QString& home)
{
    return folder == QLatin1String("/") || home.startsWith(folder + QLatin1Char('/'));
}

int openRetrying(int folder, const char* name, int flags)
{
    int fd = -1;
    do {
        fd = ::openat(folder, name, flags | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

struct Folder {
    OwnedDescriptor fd;
    QString path;
};

TrustedItem refused(const QString& problem)
{
    TrustedItem result;
    result.state = TrustedItem::Refused;
    result.problem = problem;
    return result;
}

QString cannotOpen(const QString& path, int error)
{
    return QCoreApplication::translate("PrivateFiles", "%1 cannot be opened: %2").arg(path, systemError(error));
}

} // namespace

void OwnedDescriptor::reset(int fd)
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = fd;
}

bool userPrivateGroup(unsigned int* gid)
{
    // Asked once: the answer does not change within a run.
    static const struct Answer {
        bool exists = false;
        gid_t gid = 0;
    } answer = [] {
        Answer found;
        const struct passwd* user = ::getpwuid(::geteuid());
        if (!user)
            return found;
        const QByteArray name = user->pw_name;
        const gid_t primary = user->pw_gid;
        const struct group* group = ::getgrgid(primary);
        if (!group || name != group->gr_name)
            return found;
        for (char** member = group->gr_mem; member && *member; ++member)
            if (name != *member)
                return found;
        ::setpwent();
        bool shared = false;
        for (const struct passwd* other = ::getpwent(); other && !shared; other = ::getpwent())
            shared = other->pw_gid == primary && other->pw_uid != ::geteuid();
        ::endpwent();
        found.exists = !shared;
        found.gid = primary;
        return found;
    }();
    if (answer.exists)
        *gid = answer.gid;
    return answer.exists;
}

TrustedItem reachTrusted(const QString& path, int openFlags, OwnFolder own, QString* narrowed)
{
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QStringList pending = absolute.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (pending.isEmpty())
        return refused(QCoreApplication::translate("PrivateFiles", "%1 is not a regular file").arg(absolute));

    std::vector<Folder> way;
    const auto restart = [&way]() -> bool {
        way.clear();
        way.push_back({OwnedDescriptor(openRetrying(AT_FDCWD, "/", O_PATH | O_DIRECTORY)), QStringLiteral("/")});
        return way.back().fd.get() >= 0;
    };
    if (!restart())
        return refused(cannotOpen(QStringLiteral("/"), errno));
    // Folders that failed the rule, judged once the item's place is known:
    // those above the home count only for an item outside it.
    QList<QPair<QString, QString>> faults;
    const auto judgeFolder = [&faults](int fd, const QString& where) -> int {
        struct stat info {};
        if (::fstat(fd, &info) != 0)
            return errno;
        const QString fault = judge(info, where, true);
        if (!fault.isEmpty())
            faults.append({where, fault});
        return 0;
    };
    if (const int error = judgeFolder(way.back().fd.get(), QStringLiteral("/")))
        return refused(cannotOpen(QStringLiteral("/"), error));

    TrustedItem result;
    int links = 0;
    while (!pending.isEmpty()) {
        const QString name = pending.takeFirst();
        if (name == QLatin1String("."))
            continue;
        if (name == QLatin1String("..")) {
            if (way.size() > 1)
                way.pop_back();
            continue;
        }
        const bool last = pending.isEmpty();
        const QString here = joined(way.back().path, name);
        const QByteArray native = QFile::encodeName(name);
        OwnedDescriptor entry(openRetrying(way.back().fd.get(), native.constData(), O_PATH | O_NOFOLLOW));
        struct stat info {};
        if (entry.get() < 0 || ::fstat(entry.get(), &info) != 0) {
            const int error = errno;
            if (error != ENOENT)
                return refused(cannotOpen(here, error));
            result.state = TrustedItem::Missing;
            result.path = last ? here : absolute;
            if (last) {
                result.folder = std::move(way.back().fd);
                result.name = native;
            }
            break;
        }
        if (S_ISLNK(info.st_mode)) {
            if (++links > kMostLinks)
                return refused(QCoreApplication::translate("PrivateFiles", "more than 40 links lead on from %1")
                                   .arg(absolute));
            if (!ownedByUserOrRoot(info))
                return refused(QCoreApplication::translate("PrivateFiles", "%1 is a link of another user (uid %2)")
                                   .arg(here)
                                   .arg(info.st_uid));
            char target[PATH_MAX];
            const ssize_t length = ::readlinkat(entry.get(), "", target, sizeof target);
            if (length <= 0 || length == static_cast<ssize_t>(sizeof target))
                return refused(cannotOpen(here, length < 0 ? errno : ENAMETOOLONG));
            const QString text = QFile::decodeName(QByteArray(target, static_cast<int>(length)));
            pending = text.split(QLatin1Char('/'), Qt::SkipEmptyParts) + pending;
            if (text.startsWith(QLatin1Char('/')) && !restart())
                return refused(cannotOpen(QStringLiteral("/"), errno));
            result.throughLink = true;
            continue;
        }
        if (!last) {
            if (!S_ISDIR(info.st_mode))
                return refused(QCoreApplication::translate("PrivateFiles", "%1 is not a folder").arg(here));
            judgeFolder(entry.get(), here);
            way.push_back({std::move(entry), here});
            continue;
        }
        OwnedDescriptor item(openRetrying(way.back().fd.get(), native.constData(), openFlags | O_NOFOLLOW));
        if (item.get() < 0) {
            const int error = errno;
            if (error == ENOTDIR)
                return refused(QCoreApplication::translate("PrivateFiles", "%1 is not a folder").arg(here));
            return refused(cannotOpen(here, error));
        }
        if (::fstat(item.get(), &info) != 0)
            return refused(cannotOpen(here, errno));
        QString fault = judge(info, here, false);
        const mode_t foreign = foreignWriteBits(info, false);
        if (!fault.isEmpty() && own == OwnFolder::Narrow && !result.throughLink && S_ISDIR(info.st_mode)
            && info.st_uid == ::geteuid() && foreign != 0) {
            // Only write bits go: a folder nobody else can write is left
            // as it is, also on a read-only file system.
            if (::fchmod(item.get(), info.st_mode & 07777 & ~foreign) != 0)
                return refused(QCoreApplication::translate("PrivateFiles", "%1 cannot be narrowed: %2")
                                   .arg(here, systemError(errno)));
            if (narrowed)
                *narrowed = QStringLiteral("%1 could be written by others (mode %2), narrowed to %3")
                                .arg(here, modeText(info.st_mode), modeText(info.st_mode & ~foreign));
            fault.clear();
        }
        if (!fault.isEmpty())
            return refused(fault);
        result.state = TrustedItem::Found;
        result.item = std::move(item);
        result.folder = std::move(way.back().fd);
        result.name = native;
        result.path = here;
        break;
    }
    if (result.state == TrustedItem::Refused && result.problem.isEmpty()) {
        // The last name was "." or "..": the item is the folder reached.
        const QString here = way.back().path;
        OwnedDescriptor item(openRetrying(way.back().fd.get(), ".", openFlags));
        struct stat info {};
        if (item.get() < 0 || ::fstat(item.get(), &info) != 0)
            return refused(cannotOpen(here, errno));
        const QString fault = judge(info, here, false);
        if (!fault.isEmpty())
            return refused(fault);
        result.state = TrustedItem::Found;
        result.item = std::move(item);
        result.name = QByteArrayLiteral(".");
        result.folder = std::move(way.back().fd);
        result.path = here;
    }
    const QString home = canonicalHome();
    const bool inHome = result.path == home || result.path.startsWith(home + QLatin1Char('/'));
    for (const auto& fault : faults) {
        if (inHome && isAboveHome(fault.first, home))
            continue;
        return refused(fault.second);
    }
    return result;
}
