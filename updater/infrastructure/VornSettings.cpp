#include "updater/infrastructure/VornSettings.h"

#include "updater/infrastructure/PrivateFiles.h"

#include <QDir>
#include <QFile>
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

// The machine-wide folders in the order they are asked, as the XDG base
// directory rules name them: only absolute ones count.
QStringList machineWideFolders()
{
    QStringList folders;
    for (const QString& folder : QFile::decodeName(qgetenv("XDG_CONFIG_DIRS")).split(QLatin1Char(':')))
        if (QDir::isAbsolutePath(folder))
            folders.append(QDir::cleanPath(folder));
    if (folders.isEmpty())
        folders.append(QStringLiteral("/etc/xdg"));
    return folders;
}
} // namespace

// The base is a store without a file: its keys are never used.
VornSettings::VornSettings()
    : QSettings(QString(), QSettings::IniFormat)
{
    const QString path = settingsFile();
    const QString folder = folderOfPath(path);
    // Narrowed first, so that nothing can be added to the folder or swapped
    // in it while the file is read.
    QString problem;
    QString narrowed;
    const bool privateFolder = makePrivateFolder(folder, &problem, &narrowed);
    if (!privateFolder)
        refusals_.append(QStringLiteral("Settings folder is not a private folder of the user: ") + folder
                         + QStringLiteral(": ") + problem);
    if (!narrowed.isEmpty())
        mends_.append(QStringLiteral("Settings folder: ") + narrowed);
    const UserFileRead file = readUserFile(path);
    if (file.state == UserFileRead::Read)
        values_ = iniValues(file.contents);
    else if (file.state == UserFileRead::Refused)
        refusals_.append(QStringLiteral("Settings file ignored: ") + path + QStringLiteral(": ") + file.note);
    else if (privateFolder)
        initializeOnFirstRun(path);
    readMachineWideFiles();
}

QStringList VornSettings::refusals() const
{
    return refusals_;
}

QStringList VornSettings::mends() const
{
    return mends_;
}

void VornSettings::initializeOnFirstRun(const QString& path)
{
    // Never over a file that appeared meanwhile: only an empty file of the
    // user's own, mode 0600 whatever the umask.
    QString problem;
    if (!writeUserFile(path, QByteArray(), &problem, false))
        refusals_.append(QStringLiteral("Settings file not made: ") + problem);
}

void VornSettings::readMachineWideFiles()
{
    for (const QString& folder : machineWideFolders()) {
        const QString path = folder + QStringLiteral("/Pathwarden/pathwarden-settings.ini");
        const UserFileRead file = readMachineFile(path);
        if (file.state == UserFileRead::Refused) {
            refusals_.append(QStringLiteral("Machine-wide settings file ignored: ") + path + QStringLiteral(": ")
                             + file.note);
            continue;
        }
        const QVariantMap machine = iniValues(file.contents);
        for (auto it = machine.cbegin(); it != machine.cend(); ++it)
            if (!values_.contains(it.key()))
                values_.insert(it.key(), it.value());
    }
}

QVariant VornSettings::read(const char* key, const QString& defaultValue) const
{
    return values_.value(QLatin1String(key), defaultValue);
}

QString VornSettings::defaultRootRestUrl()
{
    return QStringLiteral("https://updates.holmgrave.example/rest");
}

QString VornSettings::getConsoleLogLevel() const
{
    return read(kConsoleLogLevel, QStringLiteral("DEBUG")).toString();
}

QString VornSettings::getOverwritePlatform() const
{
    return read(kOverwritePlatform, QStringLiteral("DEFAULT")).toString();
}

QString VornSettings::getFileLogLevel() const
{
    return read(kFileLogLevel, QStringLiteral("ERROR")).toString();
}

QString VornSettings::getRemoteLogLevel() const
{
    return read(kRemoteLogLevel, QStringLiteral("ERROR")).toString();
}

QString VornSettings::getDialogLogLevel() const
{
    return read(kDialogLogLevel, QStringLiteral("OFF")).toString();
}

QString VornSettings::getRootRestUrl() const
{
    return read(kRootRestUrl, defaultRootRestUrl()).toString();
}

QString VornSettings::getProfile() const
{
    return read(kProfile, QStringLiteral("prod")).toString();
}

bool VornSettings::getAccessRestrictedUpdates() const
{
    return read(kAccessRestrictedUpdates, QStringLiteral("false")).toBool();
}

bool VornSettings::getCheckRootCA() const
{
    return read(kCheckRootCA, QStringLiteral("true")).toBool();
}
