#pragma once

#include <QSettings>
#include <QStringList>
#include <QVariantMap>

// The updater's own settings: an INI file in the user's configuration folder
// (organisation "Pathwarden", application "pathwarden-settings"), and for the
// keys it lacks the same file below each folder of XDG_CONFIG_DIRS (else
// /etc/xdg), the first one that has the key. The program only reads them,
// once per object. Each user makes its own short-lived object on the thread
// that needs a value.
//
// The files choose the server and whether its certificate is checked, so
// each is read through one descriptor and only when no other user could have
// written it or anything on its way (TrustedWay.h): the user's file by the
// rule of readUserFile, a machine-wide one by that of readMachineFile. A file
// refused gives no key; the getters then give their defaults.
class VornSettings : public QSettings {
    Q_OBJECT
public:
    VornSettings();

    QString getConsoleLogLevel() const;
    QString getOverwritePlatform() const;
    QString getFileLogLevel() const;
    QString getRemoteLogLevel() const;
    QString getDialogLogLevel() const;
    QString getRootRestUrl() const;
    QString getProfile() const;
    bool getAccessRestrictedUpdates() const;
    bool getCheckRootCA() const;

    static QString defaultRootRestUrl();

    // What reading the files refused (errors) or mended (a narrowed folder),
    // one line each naming the file. The entry point logs them, once the log
    // outputs exist.
    QStringList refusals() const;
    QStringList mends() const;

private:
    // Leaves an empty settings file behind on the first start, so whoever
    // prepares a machine finds the file to edit.
    void initializeOnFirstRun(const QString& path);
    void readMachineWideFiles();
    QVariant read(const char* key, const QString& defaultValue) const;

    // The keys read; the QSettings base holds none.
    QVariantMap values_;
    QStringList refusals_;
    QStringList mends_;
};
