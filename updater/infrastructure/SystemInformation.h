#pragma once

#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>

// What the updater runs on: platform, bitness, OS name, version and the
// user's preferred languages, plus the OS version test and the choice of the
// user-interface language.
//
// Threads: the process-wide instance may be asked from any thread; the
// name and version caches are filled under a lock.
class SystemInformation : public QObject {
    Q_OBJECT
public:
    // The implementation for the platform the updater was built for; made on
    // first use and never destroyed.
    static SystemInformation* getInstance();

    // A PlatformIdentifier value: 0 OSX, 1 WIN32, 2 WIN64, 3 none.
    virtual int getPlatform() = 0;
    virtual QString getClientBits();
    virtual QString getOSBits() = 0;
    virtual QString getOSName(bool useCache) = 0;
    virtual QString getOSVersion(bool useCache) = 0;
    virtual QStringList getOSLanguage() = 0;

    QString getFirstOSLanguage();
    // Preferred languages cut to their language part (en-GB -> en,
    // pt_BR -> pt), first occurrence kept.
    QStringList getUiLanguages();
    QString getUiLanguage(const QStringList& supportedLanguages, const QString& fallback);
    // Compares major and minor numbers of the running OS's version with
    // "major.minor[...]"; a malformed minimum is never reached. Platforms
    // whose version numbers belong to several families decide for
    // themselves which systems the minimum applies to.
    virtual bool isOSVersionAtLeast(const QString& minimumVersion);

    // The minimum OS version for the platform the updater was built for, and
    // the text shown to the user when the running system is older.
    static QString minimumOSVersion();
    static QString minimumOSVersionText();

protected:
    explicit SystemInformation(QObject* parent = nullptr);

    QString osName_;
    QString osVersion_;
    QMutex cacheMutex_;
};

// The pure comparison behind isOSVersionAtLeast, on a version text such as
// "10.8.5 (12F45)".
bool isVersionAtLeast(const QString& currentVersion, const QString& minimumVersion);
