#include "updater/infrastructure/VornSettings.h"

#include "updater/infrastructure/PrivateFiles.h"

#include <QFileInfo>
#include <QVariant>

namespace {
const char* const kConsoleLogLevel = "ConsoleLogLevel";
const char* const kOverwritePlatform = "OverwritePlatform";
const char* const kFileLogLevel = "FileLogLevel";
const char* const kRemoteLogLevel = "RemoteLogLevel";
const char* const kDialogLogLevel = "DialogLogLevel";
const char* const kRootRestUrl = "RootRestUrl";
const char* const kProfile = "Profile";
const char* const kAccessRestrictedUpdates = "AccessRestrictedUpdates";
const char* const kCheckRootCA = "CheckRootCA";

QString settingsFile()
{
    return userSettingsFilePath(QStringLiteral("pathwarden-settings"));
}

// An empty name gives a store that reads nothing and writes nowhere.
QString fileToRead()
{
    const QString path = settingsFile();
    return userFileState(path) == UserFileState::Foreign ? QString() : path;
}
} // namespace

VornSettings::VornSettings()
    : QSettings(fileToRead(), QSettings::IniFormat)
{
    if (fileName().isEmpty()) {
        ignoredFile_ = settingsFile();
        return;
    }
    initializeOnFirstRun();
}

QString VornSettings::ignoredFile() const
{
    return ignoredFile_;
}

void VornSettings::initializeOnFirstRun()
{
    // Made private before the first write would make it with the umask's
    // mode: one that anyone can write to is never narrowed afterwards.
    makePrivateFolder(QFileInfo(fileName()).absolutePath());
    if (allKeys().isEmpty()) {
        setFallbacksEnabled(true);
        setValue(QStringLiteral("init"), true);
        sync();
        remove(QStringLiteral("init"));
        sync();
    }
    // The file decides which server is trusted and how: nobody else may
    // change it, whatever the umask was when it was made.
    const QFileInfo file(fileName());
    if (file.exists()) {
        makePrivateFile(file.filePath());
        makePrivateFolder(file.absolutePath());
    }
}

QString VornSettings::defaultRootRestUrl()
{
    return QStringLiteral("https://updates.holmgrave.example/rest");
}

QString VornSettings::getConsoleLogLevel() const
{
    return value(QLatin1String(kConsoleLogLevel), QStringLiteral("DEBUG")).toString();
}

QString VornSettings::getOverwritePlatform() const
{
    return value(QLatin1String(kOverwritePlatform), QStringLiteral("DEFAULT")).toString();
}

QString VornSettings::getFileLogLevel() const
{
    return value(QLatin1String(kFileLogLevel), QStringLiteral("ERROR")).toString();
}

QString VornSettings::getRemoteLogLevel() const
{
    return value(QLatin1String(kRemoteLogLevel), QStringLiteral("ERROR")).toString();
}

QString VornSettings::getDialogLogLevel() const
{
    return value(QLatin1String(kDialogLogLevel), QStringLiteral("OFF")).toString();
}

QString VornSettings::getRootRestUrl() const
{
    return value(QLatin1String(kRootRestUrl), defaultRootRestUrl()).toString();
}

QString VornSettings::getProfile() const
{
    return value(QLatin1String(kProfile), QStringLiteral("prod")).toString();
}

bool VornSettings::getAccessRestrictedUpdates() const
{
    return value(QLatin1String(kAccessRestrictedUpdates), QStringLiteral("false")).toBool();
}

bool VornSettings::getCheckRootCA() const
{
    return value(QLatin1String(kCheckRootCA), QStringLiteral("true")).toBool();
}
