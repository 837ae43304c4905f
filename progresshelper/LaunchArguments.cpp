#include "progresshelper/LaunchArguments.h"

namespace Skylarn {

const QString kParameterNameOperationMode = QStringLiteral("-operationMode=");
const QString kParameterNameWebsiteFilePath = QStringLiteral("-websiteFilePath=");
const QString kParameterNameProgressFilePath = QStringLiteral("-progressFilePath=");
const QString kParameterNameSuppressDialog = QStringLiteral("-suppressDialog=");

const QString kOperationModeParameterAskForInternetConnection = QStringLiteral("askForInternetConnection");
const QString kOperationModeParameterShowDownloadProgress = QStringLiteral("showDownloadProgress");
const QString kOperationModeParameterShowInstallationProgress = QStringLiteral("showInstallationProgress");
const QString kOperationModeParameterOpenWebsite = QStringLiteral("openWebsite");

LaunchArguments parseLaunchArguments(const QStringList &arguments)
{
    struct ModeName {
        const QString &name;
        int mode;
    };
    const ModeName modes[] = {
        {kOperationModeParameterAskForInternetConnection, OperationModeAskForInternetConnection},
        {kOperationModeParameterOpenWebsite, OperationModeOpenWebsite},
        {kOperationModeParameterShowDownloadProgress, OperationModeShowDownloadProgress},
        {kOperationModeParameterShowInstallationProgress, OperationModeShowInstallationProgress},
    };

    LaunchArguments result;
    for (const QString &argument : arguments) {
        if (argument.startsWith(kParameterNameOperationMode, Qt::CaseSensitive)) {
            const QString value = argument.mid(kParameterNameOperationMode.size()).toLower();
            for (const ModeName &m : modes) {
                if (value == m.name.toLower()) {
                    result.operationMode = m.mode;
                    break;
                }
            }
        }
        if (argument.startsWith(kParameterNameWebsiteFilePath, Qt::CaseSensitive)) {
            result.hasWebsiteFilePath = true;
            result.websiteFilePath = argument.mid(kParameterNameWebsiteFilePath.size());
        }
        if (argument.startsWith(kParameterNameProgressFilePath, Qt::CaseSensitive))
            result.progressFilePath = argument.mid(kParameterNameProgressFilePath.size());
        if (argument.startsWith(kParameterNameSuppressDialog, Qt::CaseSensitive))
            result.suppressDialog = argument.mid(kParameterNameSuppressDialog.size()).toLower() == QLatin1String("yes");
    }
    return result;
}

bool runMayShowWindows(const LaunchArguments &arguments)
{
    switch (arguments.operationMode) {
    case OperationModeAskForInternetConnection:
    case OperationModeShowDownloadProgress:
    case OperationModeShowInstallationProgress:
        return true;
    case OperationModeOpenWebsite:
        return !arguments.suppressDialog;
    default:
        return false;
    }
}

} // namespace Skylarn
