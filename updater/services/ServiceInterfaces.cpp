// Gives the service interfaces their meta-objects in the library.
#include "updater/services/AbstractComponentScanner.h"
#include "updater/services/AbstractInstallerLauncher.h"
#include "updater/services/AbstractSelfUpdateService.h"
#include "updater/services/AbstractUpdateLauncher.h"
