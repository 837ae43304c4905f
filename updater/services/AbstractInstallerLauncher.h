#pragma once

#include <QObject>
#include <QString>

// Starts the medium's product installer. The concrete launcher reports the
// outcome through its installerStartedState(bool) signal.
class AbstractInstallerLauncher : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void launchInstaller(QString artifactsFilePath) = 0;
};
