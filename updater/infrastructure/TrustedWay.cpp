#include "updater/infrastructure/TrustedWay.h"

#include "updater/infrastructure/PrivateFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QList>
#include <QPair>
#include <QStringList>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace {

// As the kernel: a resolution that needs more is a loop or an attack.
constexpr int kMostLinks = 40;
// Far above the folders of any path: each missing one is made once, and
// again only when it vanished after it was made.
constexpr int kMostMakes = 256;

constexpr char kAccessAcl[] = "system.posix_acl_access";
// The tags and the write permission of the kernel's ACL attribute.
constexpr quint16 kUserObj = 0x01;
constexpr quint16 kUser = 0x02;
constexpr quint16 kGroupObj = 0x04;
constexpr quint16 kGroup = 0x08;
constexpr quint16 kMask = 0x10;
constexpr quint16 kOther = 0x20;
constexpr quint16 kWrite = 0x02;
constexpr quint32 kAclVersion = 2;

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

// accessAcl's answer when the ACL of an O_PATH descriptor could only be read
// through /proc, and there is none.
constexpr int kNoProc = -1;

// The access ACL of the item fd holds: 0 with attribute set (empty when it
// has none, or its file system knows no ACLs), else the error.
int accessAcl(int fd, QByteArray* attribute)
{
    char proc[40];
    std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
    bool throughProc = false;
    const auto read = [fd, &proc, &throughProc](void* buffer, size_t size) {
        ssize_t length = ::fgetxattr(fd, kAccessAcl, buffer, size);
        // An O_PATH descriptor reads no attributes itself; its entry in
        // /proc leads to the very item it holds, whatever its name is now.
        // Folders on the way are held readable where the user may read
        // them, so only the others need /proc.
        if (length < 0 && errno == EBADF) {
            throughProc = true;
            length = ::getxattr(proc, kAccessAcl, buffer, size);
        }
        return length;
    };
    // The ACL may grow between asking its size and reading it.
    for (int attempt = 0; attempt < 8; ++attempt) {
        attribute->clear();
        const ssize_t size = read(nullptr, 0);
        if (size < 0 && throughProc && errno == ENOENT)
            return kNoProc;
        if (size < 0)
            return errno == ENODATA || errno == ENOTSUP || errno == EOPNOTSUPP ? 0 : errno;
        attribute->resize(static_cast<int>(size));
        const ssize_t length = read(attribute->data(), static_cast<size_t>(size));
        if (length >= 0) {
            attribute->resize(static_cast<int>(length));
            return 0;
        }
        if (errno == ENODATA) {
            attribute->clear();
            return 0;
        }
        if (errno != ERANGE)
            return errno;
    }
    return ERANGE;
}

// Whether the ACL lets others write.
bool aclForeign(const QByteArray& attribute, const struct stat& info)
{
    unsigned int group = 0;
    const bool hasPrivateGroup = userPrivateGroup(&group);
    return aclLetsOthersWrite(attribute, ::geteuid(), info.st_gid, hasPrivateGroup, group);
}

QString cannotOpen(const QString& path, int error)
{
    if (error == kNoProc)
        return QCoreApplication::translate("PrivateFiles", "%1 cannot be judged: its ACL is read through /proc, "
                                                           "which is not mounted")
            .arg(path);
    return QCoreApplication::translate("PrivateFiles", "%1 cannot be opened: %2").arg(path, systemError(error));
}

// With an access ACL the item is judged by it alone: the group bits are then
// its mask, which says nothing about who the group is. Without one, by the
// mode.
QString judge(int fd, const struct stat& info, const QString& path, bool onTheWay)
{
    if (!ownedByUserOrRoot(info))
        return QCoreApplication::translate("PrivateFiles", "%1 belongs to another user (uid %2)")
            .arg(path)
            .arg(info.st_uid);
    if (onTheWay && S_ISDIR(info.st_mode) && (info.st_mode & S_ISVTX) != 0)
        return QString();
    QByteArray acl;
    if (const int error = accessAcl(fd, &acl))
        return cannotOpen(path, error);
    if (acl.isEmpty() && foreignWriteBits(info, onTheWay) != 0)
        return QCoreApplication::translate("PrivateFiles", "%1 can be written by others (mode %2)")
            .arg(path, modeText(info.st_mode));
    if (!acl.isEmpty() && aclForeign(acl, info))
        return QCoreApplication::translate("PrivateFiles", "%1 can be written by others through its ACL").arg(path);
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
    uid_t owner;
};

TrustedItem refused(const QString& problem)
{
    TrustedItem result;
    result.state = TrustedItem::Refused;
    result.problem = problem;
    return result;
}

QString cannotMake(const QString& path, int error)
{
    return QCoreApplication::translate("PrivateFiles", "%1 cannot be made: %2").arg(path, systemError(error));
}

// The path made absolute but not cleaned: which folder ".." leaves is for
// the walk to find, after any link.
QString absoluteUncleaned(const QString& path)
{
    return path.startsWith(QLatin1Char('/')) ? path : QDir::currentPath() + QLatin1Char('/') + path;
}

// The home folder and the user's configuration, data and cache folders,
// links resolved: nothing is made inside them for another user.
QStringList userBaseFolders()
{
    QStringList folders{canonicalHome()};
    for (const QString& folder : {xdgUserFolder("XDG_CONFIG_HOME", QStringLiteral(".config")),
                                  xdgUserFolder("XDG_DATA_HOME", QStringLiteral(".local/share")),
                                  xdgUserFolder("XDG_CACHE_HOME", QStringLiteral(".cache"))}) {
        char resolved[PATH_MAX];
        if (::realpath(QFile::encodeName(folder).constData(), resolved))
            folders.append(QFile::decodeName(resolved));
    }
    return folders;
}

} // namespace

void OwnedDescriptor::reset(int fd)
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = fd;
}

bool aclLetsOthersWrite(const QByteArray& attribute, unsigned int user, unsigned int owningGroup,
                        bool hasPrivateGroup, unsigned int privateGroup)
{
    const auto number = [&attribute](int at, int bytes) {
        quint32 value = 0;
        for (int i = bytes - 1; i >= 0; --i)
            value = (value << 8) | static_cast<quint8>(attribute.at(at + i));
        return value;
    };
    if (attribute.size() < 4 || (attribute.size() - 4) % 8 != 0 || number(0, 4) != kAclVersion)
        return true;
    const int entries = (attribute.size() - 4) / 8;
    bool maskWrites = true;
    for (int i = 0; i < entries; ++i)
        if (number(4 + 8 * i, 2) == kMask)
            maskWrites = (number(4 + 8 * i + 2, 2) & kWrite) != 0;
    const auto ownGroup = [&](quint32 group) { return hasPrivateGroup && group == privateGroup; };
    for (int i = 0; i < entries; ++i) {
        const int at = 4 + 8 * i;
        const quint32 tag = number(at, 2);
        const bool writes = (number(at + 2, 2) & kWrite) != 0;
        const quint32 id = number(at + 4, 4);
        switch (tag) {
        case kUserObj:
        case kMask:
            break;
        case kUser:
            if (writes && maskWrites && id != user)
                return true;
            break;
        case kGroupObj:
            if (writes && maskWrites && !ownGroup(owningGroup))
                return true;
            break;
        case kGroup:
            if (writes && maskWrites && !ownGroup(id))
                return true;
            break;
        case kOther:
            if (writes)
                return true;
            break;
        default:
            return true;
        }
    }
    return false;
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
    QString absolute = absoluteUncleaned(path);
    QStringList pending = absolute.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    while (absolute.size() > 1 && absolute.endsWith(QLatin1Char('/')))
        absolute.chop(1);
    if (pending.isEmpty())
        return refused(QCoreApplication::translate("PrivateFiles", "%1 is not a regular file").arg(absolute));

    // Folders that failed the rule, judged once the item's place is known:
    // those above the home count only for an item outside it.
    QList<QPair<QString, QString>> faults;
    const auto judgeFolder = [&faults](int fd, const QString& where, uid_t* owner) -> int {
        struct stat info {};
        if (::fstat(fd, &info) != 0)
            return errno;
        *owner = info.st_uid;
        const QString fault = judge(fd, info, where, true);
        if (!fault.isEmpty())
            faults.append({where, fault});
        return 0;
    };
    const auto faultFor = [&faults](const QString& place) {
        const QString home = canonicalHome();
        const bool inHome = place == home || place.startsWith(home + QLatin1Char('/'));
        for (const auto& fault : faults) {
            if (inHome && isAboveHome(fault.first, home))
                continue;
            return fault.second;
        }
        return QString();
    };
    std::vector<Folder> way;
    const auto restart = [&way, &judgeFolder]() -> int {
        way.clear();
        // Readable where it may be, so that its ACL is read without /proc.
        OwnedDescriptor root(openRetrying(AT_FDCWD, "/", O_RDONLY | O_DIRECTORY));
        if (root.get() < 0 && errno == EACCES)
            root.reset(openRetrying(AT_FDCWD, "/", O_PATH | O_DIRECTORY));
        uid_t owner = 0;
        if (root.get() < 0)
            return errno;
        if (const int error = judgeFolder(root.get(), QStringLiteral("/"), &owner))
            return error;
        way.push_back({std::move(root), QStringLiteral("/"), owner});
        return 0;
    };
    if (const int error = restart())
        return refused(cannotOpen(QStringLiteral("/"), error));

    TrustedItem result;
    int links = 0;
    int makes = 0;
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
            if (own == OwnFolder::Make) {
                // Made only where the way so far passed for the folder asked
                // for, and never for someone else in their own folders.
                QString place = here;
                for (const QString& rest : qAsConst(pending))
                    place = joined(place, rest);
                QString fault = faultFor(place);
                if (fault.isEmpty()) {
                    const QStringList bases = userBaseFolders();
                    for (const Folder& folder : way) {
                        if (folder.owner != ::geteuid() && bases.contains(folder.path)) {
                            fault = QCoreApplication::translate("PrivateFiles", "%1 belongs to another user (uid %2)")
                                        .arg(folder.path)
                                        .arg(folder.owner);
                            break;
                        }
                    }
                }
                if (!fault.isEmpty())
                    return refused(fault);
                if (++makes > kMostMakes)
                    return refused(cannotMake(here, EAGAIN));
                if (::mkdirat(way.back().fd.get(), native.constData(), S_IRWXU) == 0) {
                    // The umask may have taken the user's own bits away.
                    if (::fchmodat(way.back().fd.get(), native.constData(), S_IRWXU, 0) != 0)
                        return refused(cannotMake(here, errno));
                } else if (errno != EEXIST) {
                    return refused(cannotMake(here, errno));
                }
                pending.prepend(name);
                continue;
            }
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
            if (text.startsWith(QLatin1Char('/'))) {
                if (const int error = restart())
                    return refused(cannotOpen(QStringLiteral("/"), error));
            }
            result.throughLink = true;
            continue;
        }
        if (!last) {
            if (!S_ISDIR(info.st_mode))
                return refused(QCoreApplication::translate("PrivateFiles", "%1 is not a folder").arg(here));
            // The folder held readable where the user may read it, so that
            // its ACL is read through its descriptor, not /proc; what is
            // judged and walked below is what this descriptor holds.
            OwnedDescriptor readable(
                openRetrying(way.back().fd.get(), native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW));
            if (readable.get() >= 0)
                entry = std::move(readable);
            uid_t owner = 0;
            if (const int error = judgeFolder(entry.get(), here, &owner))
                return refused(cannotOpen(here, error));
            way.push_back({std::move(entry), here, owner});
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
        QString fault = judge(item.get(), info, here, false);
        if (!fault.isEmpty() && own == OwnFolder::Make && !result.throughLink && S_ISDIR(info.st_mode)
            && info.st_uid == ::geteuid()) {
            QByteArray acl;
            const bool hasAcl = accessAcl(item.get(), &acl) == 0 && !acl.isEmpty();
            const bool throughAcl = hasAcl && aclForeign(acl, info);
            // Only write goes: a folder nobody else can write is left as it
            // is, also on a read-only file system. With an ACL the group
            // bits are its mask: without write there, no named entry and
            // not the owning group can write.
            const mode_t foreign = hasAcl ? (throughAcl ? S_IWGRP : 0) | (info.st_mode & S_IWOTH)
                                          : foreignWriteBits(info, false);
            const mode_t narrow = info.st_mode & 07777 & ~foreign;
            if (foreign != 0) {
                if (::fchmod(item.get(), narrow) != 0)
                    return refused(QCoreApplication::translate("PrivateFiles", "%1 cannot be narrowed: %2")
                                       .arg(here, systemError(errno)));
                if (narrowed)
                    *narrowed = QStringLiteral("%1 could be written by others (mode %2%4), narrowed to %3")
                                    .arg(here, modeText(info.st_mode), modeText(narrow),
                                         throughAcl ? QStringLiteral(" and its ACL") : QString());
                // What the mask could not close stays refused.
                fault = ::fstat(item.get(), &info) != 0 ? cannotOpen(here, errno) : judge(item.get(), info, here, false);
            }
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
        const QString fault = judge(item.get(), info, here, false);
        if (!fault.isEmpty())
            return refused(fault);
        result.state = TrustedItem::Found;
        result.item = std::move(item);
        result.name = QByteArrayLiteral(".");
        result.folder = std::move(way.back().fd);
        result.path = here;
    }
    const QString fault = faultFor(result.path);
    if (!fault.isEmpty())
        return refused(fault);
    return result;
}
