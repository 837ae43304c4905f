#pragma once

#include <QSettings>

// The updater's own settings: an INI file in the user's configuration folder
// (organisation "Pathwarden", application "pathwarden-settings"). The program
// only reads it; every getter reads the store afresh. Each user makes its own
// short-lived object on the thread that needs a value.
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

private:
    // Leaves an empty settings file behind on the first start, so whoever
    // prepares a machine finds the file to edit; keeps the file (0600) and
    // its folder (0700) the user's alone.
    void initializeOnFirstRun();
};
