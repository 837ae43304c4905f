#include "updater/infrastructure/platform/SystemInformation_Linux.h"

#include "updater/infrastructure/SimpleLogger.h"
#include "updater/infrastructure/platform/OsRelease.h"

#include <QFile>
#include <QLocale>
#include <QMutexLocker>
#include <QSysInfo>

namespace {
// os-release files are a few hundred bytes; anything far larger is not one.
constexpr qint64 kMaxOsReleaseSize = 64 * 1024;
} // namespace

SystemInformation_Linux::SystemInformation_Linux(const QStringList& osReleaseFiles, QObject* parent)
    : SystemInformation(parent)
    , osReleaseFiles_(osReleaseFiles)
    , logger_(SimpleLogger::getLogger(this))
{
}

int SystemInformation_Linux::getPlatform()
{
    return 0;
}

QString SystemInformation_Linux::getOSBits()
{
    return QSysInfo::currentCpuArchitecture().contains(QLatin1String("64")) ? QStringLiteral("64")
                                                                             : QStringLiteral("32");
}

QMap<QString, QString> SystemInformation_Linux::readOsRelease() const
{
    for (const QString& path : osReleaseFiles_) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            return parseOsRelease(file.read(kMaxOsReleaseSize));
    }
    return {};
}

QString SystemInformation_Linux::getOSName(bool useCache)
{
    QMutexLocker lock(&cacheMutex_);
    if (useCache && osNameCached_)
        return osName_;
    osName_ = readOsRelease().value(QStringLiteral("NAME")).trimmed();
    osNameCached_ = true;
    return osName_;
}

QString SystemInformation_Linux::getOSVersion(bool useCache)
{
    QMutexLocker lock(&cacheMutex_);
    if (useCache && osVersionCached_)
        return osVersion_;
    const QMap<QString, QString> fields = readOsRelease();
    QString version = fields.value(QStringLiteral("VERSION_ID")).trimmed();
    if (!version.isEmpty() && !version.contains(QLatin1Char('.')))
        version += QStringLiteral(".0");
    QString build = fields.value(QStringLiteral("VERSION_CODENAME")).trimmed();
    if (build.isEmpty())
        build = fields.value(QStringLiteral("BUILD_ID")).trimmed();
    osVersion_ = version + QStringLiteral(" (") + build + QLatin1Char(')');
    osVersionCached_ = true;
    return osVersion_;
}

QStringList SystemInformation_Linux::getOSLanguage()
{
    return QLocale::system().uiLanguages();
}

bool SystemInformation_Linux::isOSVersionAtLeast(const QString& minimumVersion)
{
    const QMap<QString, QString> fields = readOsRelease();
    QString whyNot;
    const QString release = comparableDebianRelease(fields, &whyNot);
    const QString system = fields.value(QStringLiteral("PRETTY_NAME"), fields.value(QStringLiteral("NAME")));
    if (release.isEmpty()) {
        logger_->info(QStringLiteral("Operating system check skipped: ") + whyNot,
                      QStringLiteral("System: '%1', ID '%2', ID_LIKE '%3', VERSION_ID '%4'")
                          .arg(system, fields.value(QStringLiteral("ID")), fields.value(QStringLiteral("ID_LIKE")),
                               fields.value(QStringLiteral("VERSION_ID"))));
        return true;
    }
    const bool atLeast = isVersionAtLeast(release, minimumVersion);
    logger_->debug(QStringLiteral("Operating system check: Debian release %1 against the minimum %2: %3")
                       .arg(release, minimumVersion, atLeast ? QStringLiteral("ok") : QStringLiteral("too old")),
                   system);
    return atLeast;
}
