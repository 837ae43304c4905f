#pragma once

#include <QSettings>

// The updater's own settings: an INI file in the user's configuration folder
// (organisation "Pathwarden", application "pathwarden-settings"). The program
// only reads it; every getter reads the store afresh. Each user makes its own
// short-lived object on the thread that needs a value.
//
// The file chooses the server and whether its certificate is checked, so it
// is read only when it is a regular file of the user that neither group nor
// others can write; otherwise it is not opened at all and every getter gives
// its default.
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

    // The settings file's path when it was ignored as not the user's own;
    // empty when it was read (or is missing). The entry point logs it, once
    // the log outputs exist.
    QString ignoredFile() const;

private:
    // Leaves an empty settings file behind on the first start, so whoever
    // prepares a machine finds the file to edit; keeps the file (0600) and
    // its folder (0700) the user's alone.
    void initializeOnFirstRun();

    QString ignoredFile_;
};
