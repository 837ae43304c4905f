#include "updater/app/VornAppService.h"

#include "updater/infrastructure/SimpleLogger.h"
#include "updater/services/AbstractUpdateLauncher.h"

VornAppService::VornAppService(AbstractUpdateLauncher* selfUpdateLauncher, const QString& minimumSystemText,
                               bool osVersionGoodEnough, bool forceOnlineMode, QObject* parent)
    : QObject(parent)
    , selfUpdateLauncher_(selfUpdateLauncher)
    , minimumSystemText_(minimumSystemText)
    , osVersionGoodEnough_(osVersionGoodEnough)
    , forceOnlineMode_(forceOnlineMode)
    , logger_(SimpleLogger::getLogger(this))
{
}

void VornAppService::handlePreconditions()
{
    if (!osVersionGoodEnough_) {
        logger_->error(QStringLiteral("Operating System not supported!"), QString());
        emit currentOSNotSupportedSignal();
        return;
    }
    if (selfUpdateLauncher_ && selfUpdateLauncher_->launchLatestIfNewer()) {
        emit selfUpdateLauncherStartedNewVersionSignal();
        return;
    }
    if (forceOnlineMode_) {
        emit applicationRestartedAndIsAllowedToGoOnlineSignal();
        return;
    }
    emit regularStartOfApplicationSignal();
}
