#include "updater/services/WindowsSetupLauncher.h"

QString WindowsSetupLauncher::launchableFilePath()
{
    return findWindowsSetup();
}
