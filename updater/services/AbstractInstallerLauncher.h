#pragma once

#include <QObject>
#include <QString>

// Starts the medium's product installer and reports, exactly once per
// launchInstaller call and before it returns, whether the installer process
// started.
class AbstractInstallerLauncher : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // artifactsFilePath names the installer-information file; empty when the
    // installer starts without downloads.
    virtual void launchInstaller(QString artifactsFilePath) = 0;

signals:
    void installerStartedState(bool started);
};
