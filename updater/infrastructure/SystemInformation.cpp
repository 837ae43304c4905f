#include "updater/infrastructure/SystemInformation.h"

#include "updater/infrastructure/platform/MinimumOSVersion.h"

#if defined(Q_OS_MACOS)
#include "updater/infrastructure/platform/SystemInformation_OSX.h"
#else
#include "updater/infrastructure/platform/SystemInformation_Linux.h"
#endif

#include <QRegularExpression>

SystemInformation::SystemInformation(QObject* parent)
    : QObject(parent)
{
}

SystemInformation* SystemInformation::getInstance()
{
    static SystemInformation* instance = [] {
#if defined(Q_OS_MACOS)
        return static_cast<SystemInformation*>(new SystemInformation_OSX());
#else
        return static_cast<SystemInformation*>(new SystemInformation_Linux());
#endif
    }();
    return instance;
}

QString SystemInformation::minimumOSVersion()
{
    return QString::fromLatin1(platform::kMinimumOSVersion);
}

QString SystemInformation::minimumOSVersionText()
{
    return QString::fromUtf8(platform::kMinimumOSVersionText);
}

QString SystemInformation::getClientBits()
{
    return QStringLiteral("64");
}

QString SystemInformation::getFirstOSLanguage()
{
    const QStringList languages = getOSLanguage();
    return languages.isEmpty() ? QString() : languages.first();
}

QStringList SystemInformation::getUiLanguages()
{
    QStringList result;
    for (const QString& language : getOSLanguage()) {
        QString part = language;
        if (part.contains(QLatin1Char('-')))
            part = part.left(part.indexOf(QLatin1Char('-')));
        else if (part.contains(QLatin1Char('_')))
            part = part.left(part.indexOf(QLatin1Char('_')));
        result.append(part);
    }
    result.removeDuplicates();
    return result;
}

QString SystemInformation::getUiLanguage(const QStringList& supportedLanguages, const QString& fallback)
{
    const QStringList languages = getUiLanguages();
    if (languages.isEmpty() || supportedLanguages.isEmpty())
        return fallback;
    for (const QString& language : languages) {
        if (supportedLanguages.contains(language, Qt::CaseSensitive))
            return language;
    }
    return fallback;
}

bool SystemInformation::isOSVersionAtLeast(const QString& minimumVersion)
{
    return isVersionAtLeast(getOSVersion(true), minimumVersion);
}

bool isVersionAtLeast(const QString& currentVersion, const QString& minimumVersion)
{
    const QString minimum = minimumVersion.simplified();
    static const QRegularExpression versionPattern(QStringLiteral("\\A(?:[0-9]+(\\.[0-9]+)*)\\z"));
    if (!versionPattern.match(minimum).hasMatch())
        return false;

    static const QRegularExpression buildPart(QStringLiteral("\\((.*)\\)"));
    QString current = currentVersion;
    current.remove(buildPart);
    current = current.simplified();

    const QStringList currentParts = current.split(QLatin1Char('.'));
    const QStringList minimumParts = minimum.split(QLatin1Char('.'));
    if (currentParts.size() < 2 || minimumParts.size() < 2)
        return false;

    const int currentMajor = currentParts.at(0).toInt();
    const int currentMinor = currentParts.at(1).toInt();
    const int minimumMajor = minimumParts.at(0).toInt();
    const int minimumMinor = minimumParts.at(1).toInt();
    if (currentMajor > minimumMajor)
        return true;
    return currentMajor >= minimumMajor && currentMinor >= minimumMinor;
}
