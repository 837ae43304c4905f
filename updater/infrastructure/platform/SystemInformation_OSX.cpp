#include "updater/infrastructure/platform/SystemInformation_OSX.h"

#include <QMutexLocker>
#include <QProcess>
#include <QSettings>
#include <QVariant>

SystemInformation_OSX::SystemInformation_OSX(const QString& swVersProgram, QObject* parent)
    : SystemInformation(parent)
    , swVersProgram_(swVersProgram)
{
}

int SystemInformation_OSX::getPlatform()
{
    return 0;
}

QString SystemInformation_OSX::getOSBits()
{
    return QStringLiteral("64");
}

QString SystemInformation_OSX::getOSName(bool useCache)
{
    QMutexLocker lock(&cacheMutex_);
    if (useCache && osNameCached_)
        return osName_;
    osName_ = runCommand(swVersProgram_, {QStringLiteral("-productName")}).trimmed();
    osNameCached_ = true;
    return osName_;
}

QString SystemInformation_OSX::getOSVersion(bool useCache)
{
    QMutexLocker lock(&cacheMutex_);
    if (useCache && osVersionCached_)
        return osVersion_;
    const QString product = runCommand(swVersProgram_, {QStringLiteral("-productVersion")}).trimmed();
    const QString build = runCommand(swVersProgram_, {QStringLiteral("-buildVersion")}).trimmed();
    osVersion_ = product + QStringLiteral(" (") + build + QLatin1Char(')');
    osVersionCached_ = true;
    return osVersion_;
}

QStringList SystemInformation_OSX::getOSLanguage()
{
    QSettings settings;
    return settings.value(QStringLiteral("AppleLanguages")).toStringList();
}

QString SystemInformation_OSX::runCommand(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments, QIODevice::ReadWrite);
    if (!process.waitForStarted(30000) || !process.waitForFinished(5000))
        return QString();
    QByteArray output = process.readAllStandardOutput();
    const int nul = output.indexOf('\0');
    if (nul >= 0)
        output.truncate(nul);
    return QString::fromUtf8(output);
}
