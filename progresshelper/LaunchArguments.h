#pragma once

// The command line the product installer hands to Skylarn.

#include <QString>
#include <QStringList>

namespace Skylarn {

extern const QString kParameterNameOperationMode;
extern const QString kParameterNameWebsiteFilePath;
extern const QString kParameterNameProgressFilePath;
extern const QString kParameterNameSuppressDialog;

extern const QString kOperationModeParameterAskForInternetConnection;
extern const QString kOperationModeParameterShowDownloadProgress;
extern const QString kOperationModeParameterShowInstallationProgress;
extern const QString kOperationModeParameterOpenWebsite;

enum OperationMode {
    OperationModeNone = -1,
    OperationModeAskForInternetConnection = 0,
    OperationModeShowDownloadProgress = 1,
    OperationModeShowInstallationProgress = 2,
    OperationModeOpenWebsite = 3,
};

struct LaunchArguments {
    int operationMode = OperationModeNone;
    bool hasWebsiteFilePath = false;
    QString websiteFilePath; // as given, not yet localised
    QString progressFilePath;
    bool suppressDialog = false;
};

// Every element is looked at, the program path included; prefixes are
// case-sensitive, mode names and the suppress value are not. A later
// argument of the same kind wins, except that an unknown mode name leaves
// the mode as it was.
LaunchArguments parseLaunchArguments(const QStringList &arguments);

// Whether the run may show a window or an alert panel. Only two runs never
// do: the usage run (no recognised mode) and opening the page with the
// notice suppressed; they must work where there is no display at all.
bool runMayShowWindows(const LaunchArguments &arguments);

} // namespace Skylarn
