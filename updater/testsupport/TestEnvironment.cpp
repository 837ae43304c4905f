#include "updater/testsupport/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QSettings>

#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <pwd.h>
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
    return root() + QStringLiteral("/config");
}

QString TestEnvironment::dataHome() const
{
    return root() + QStringLiteral("/data");
}

QString TestEnvironment::cacheHome() const
{
    return root() + QStringLiteral("/cache");
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
