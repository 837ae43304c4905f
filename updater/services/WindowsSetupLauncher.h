#pragma once

#include "updater/services/InstallerLauncher.h"

// The product-installer launcher of a Windows target: the installer is
// "Setup.exe", the one the Windows installer update unpacked into the
// downloaded-installer folder when there is one, else the medium's. It is
// started with the same open command as a package, so that the platform's
// handler for the file runs it.
//
// Threads and ownership as InstallerLauncher.
class WindowsSetupLauncher : public InstallerLauncher {
    Q_OBJECT
public:
    using InstallerLauncher::InstallerLauncher;

    QString launchableFilePath() override;
};
