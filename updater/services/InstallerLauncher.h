#pragma once

#include "updater/services/AbstractInstallerLauncher.h"

#include <QStringList>

class AbstractDetachedQProcessStarter;
class Logger;

// Finds the product installer on the installation medium and starts it as an
// independent process: the first "*.pkg" file of the medium folder, opened
// through the platform's open command. The Windows operations (a "Setup.exe"
// with arguments) are kept for that road; this platform's launch never calls
// them.
//
// Ownership: the process starter is used, not owned. Threads: GUI thread; the
// signal is emitted synchronously inside launchInstaller.
class InstallerLauncher : public AbstractInstallerLauncher {
    Q_OBJECT
public:
    // commandFormat holds one "%1" for the installer's path, e.g.
    // "open \"%1\"" (an empty format can start nothing).
    InstallerLauncher(QString commandFormat, QString mediumFolder, QString downloadedInstallerFolder,
                      AbstractDetachedQProcessStarter* starter, QObject* parent = nullptr);

    void launchInstaller(QString artifactsFilePath) override;

    virtual bool startInstaller(QString command, QStringList arguments);
    virtual bool startInstallerWithoutArguments(QString command);
    virtual bool startInstallerWithArguments(QString command, QStringList arguments);
    virtual QString launchableFilePath();
    // "Setup.exe" of the downloaded-installer folder, else of the medium;
    // empty when neither exists.
    virtual QString findWindowsSetup();
    // Canonical path of the first regular "*.pkg" file (any letter case,
    // hidden files and folders ignored) of the medium folder; empty when
    // there is none or no medium folder is known.
    virtual QString findMacInstallerPackage();
    virtual bool fileExists(QString folder, QString name);

private:
    QString mediumFolder_;
    AbstractDetachedQProcessStarter* starter_;
    QString commandFormat_;
    QString downloadedInstallerFolder_;
    Logger* logger_;
};
