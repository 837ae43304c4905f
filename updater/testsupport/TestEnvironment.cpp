#include "updater/testsupport/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QSettings>

#include <algorithm>
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

TestEnvironment::TestEnvironment()
    : dir_(QDir::tempPath() + QStringLiteral("/pathwarden-test-XXXXXX"))
{
    QDir().mkpath(home());
    QDir().mkpath(configHome());
    QDir().mkpath(dataHome());
    QDir().mkpath(cacheHome());
    QDir().mkpath(tempDir());
}

bool TestEnvironment::isValid() const
{
    return dir_.isValid();
}

QString TestEnvironment::root() const
{
    return dir_.path();
}

QString TestEnvironment::home() const
{
    return root() + QStringLiteral("/home");
}

QString TestEnvironment::configHome() const
{
    return foldersInTheHome_ ? home() + QStringLiteral("/.config") : root() + QStringLiteral("/config");
}

QString TestEnvironment::dataHome() const
{
    return foldersInTheHome_ ? home() + QStringLiteral("/.local/share") : root() + QStringLiteral("/data");
}

QString TestEnvironment::cacheHome() const
{
    return foldersInTheHome_ ? home() + QStringLiteral("/.cache") : root() + QStringLiteral("/cache");
}

QString TestEnvironment::tempDir() const
{
    return root() + QStringLiteral("/tmp");
}

QString TestEnvironment::settingsFile() const
{
    return configHome() + QStringLiteral("/Pathwarden/pathwarden-settings.ini");
}

QString TestEnvironment::logFolder() const
{
    return dataHome() + QStringLiteral("/Pathwarden/logs");
}

QProcessEnvironment TestEnvironment::processEnvironment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome());
    env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome());
    env.insert(QStringLiteral("XDG_CACHE_HOME"), cacheHome());
    env.insert(QStringLiteral("TMPDIR"), tempDir());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // The tests compare the English texts, whatever language the user running
    // them has; C.UTF-8 exists on every system and keeps file names UTF-8.
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    env.insert(QStringLiteral("LANGUAGE"), QStringLiteral("en"));
    for (const auto& variable : variables_)
        env.insert(variable.first, variable.second);
    return env;
}

void TestEnvironment::useFoldersInTheHome()
{
    foldersInTheHome_ = true;
}

void TestEnvironment::setVariable(const QString& name, const QString& value)
{
    variables_.append({name, value});
}

void TestEnvironment::applyToCurrentProcess() const
{
    qputenv("HOME", QFile::encodeName(home()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome()));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cacheHome()));
    qputenv("TMPDIR", QFile::encodeName(tempDir()));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, configHome());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, configHome());
}

void TestEnvironment::writeSettings(const QList<QPair<QString, QString>>& values) const
{
    QSettings settings(settingsFile(), QSettings::IniFormat);
    for (const auto& value : values)
        settings.setValue(value.first, value.second);
    settings.sync();
}

bool TestEnvironment::giveToAnotherUser(const QString& path)
{
    if (::geteuid() != 0)
        return false;
    const struct passwd* nobody = ::getpwnam("nobody");
    const uid_t uid = nobody ? nobody->pw_uid : 65534;
    const gid_t gid = nobody ? nobody->pw_gid : 65534;
    return ::lchown(QFile::encodeName(path).constData(), uid, gid) == 0;
}

bool TestEnvironment::giveToSharedGroup(const QString& path)
{
    if (::geteuid() != 0)
        return false;
    const struct group* shared = ::getgrnam("nogroup");
    return ::lchown(QFile::encodeName(path).constData(), static_cast<uid_t>(-1), shared ? shared->gr_gid : 65534) == 0;
}

unsigned int TestEnvironment::anotherUserId()
{
    const struct passwd* nobody = ::getpwnam("nobody");
    const uid_t uid = nobody ? nobody->pw_uid : 65534;
    // Run as nobody, the tests need another id; an ACL entry's need not
    // name an existing user.
    return uid != ::geteuid() ? uid : uid - 1;
}

bool TestEnvironment::setAcl(const QString& path, const QList<AclEntry>& entries, bool defaultAcl)
{
    struct stat info {};
    const QByteArray name = QFile::encodeName(path);
    if (::stat(name.constData(), &info) != 0)
        return false;
    // The kernel's layout: version 2, then (tag, permissions, id) in the
    // order of the tags, named entries by id.
    QByteArray attribute;
    const auto number = [&attribute](quint32 value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            attribute.append(static_cast<char>((value >> (8 * i)) & 0xff));
    };
    const auto entry = [&](quint16 tag, unsigned int permissions, quint32 id) {
        number(tag, 2);
        number(permissions, 2);
        number(id, 4);
    };
    QList<AclEntry> sorted = entries;
    std::sort(sorted.begin(), sorted.end(), [](const AclEntry& a, const AclEntry& b) {
        return a.group != b.group ? b.group : a.id < b.id;
    });
    unsigned int mask = defaultAcl ? 0 : (info.st_mode >> 3) & 7;
    number(2, 4);
    entry(0x01, defaultAcl ? 7 : (info.st_mode >> 6) & 7, 0xffffffff);
    for (const AclEntry& named : sorted)
        if (!named.group)
            entry(0x02, named.permissions, named.id);
    entry(0x04, defaultAcl ? 0 : (info.st_mode >> 3) & 7, 0xffffffff);
    for (const AclEntry& named : sorted) {
        if (named.group)
            entry(0x08, named.permissions, named.id);
        if (!defaultAcl)
            mask |= named.permissions;
    }
    entry(0x10, mask, 0xffffffff);
    entry(0x20, defaultAcl ? 0 : info.st_mode & 7, 0xffffffff);
    return ::setxattr(name.constData(), defaultAcl ? "system.posix_acl_default" : "system.posix_acl_access",
                      attribute.constData(), static_cast<size_t>(attribute.size()), 0)
           == 0;
}

bool TestEnvironment::mountPrivateFileSystem(const QString& folder, const char* options)
{
    if (::geteuid() != 0)
        return false;
    // Mounts made here never reach the rest of the machine.
    static const bool isolated = ::unshare(CLONE_NEWNS) == 0
                                 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    return isolated && ::mount("pathwarden-test", QFile::encodeName(folder).constData(), "tmpfs", 0, options) == 0;
}

bool TestEnvironment::remountReadOnly(const QString& folder)
{
    return ::mount(nullptr, QFile::encodeName(folder).constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

void TestEnvironment::unmountPrivateFileSystem(const QString& folder)
{
    ::umount2(QFile::encodeName(folder).constData(), MNT_DETACH);
}
