#include "progresshelper/UsageMessage.h"

#include "progresshelper/CheckedFormat.h"
#include "progresshelper/LaunchArguments.h"

#include <vector>

namespace Skylarn {

QStringList usageMessageLines()
{
    const QString rule = QStringLiteral(
        "============================================================================================");
    const QString blank = QStringLiteral(" ");
    const QString &mode = kParameterNameOperationMode;
    const QString &web = kParameterNameWebsiteFilePath;
    const QString &progress = kParameterNameProgressFilePath;
    const QString &suppress = kParameterNameSuppressDialog;

    auto f = [](const char *format, std::vector<QVariant> args) {
        return checkedFormat(QString::fromUtf8(format), args);
    };

    return {
        rule,
        QStringLiteral("Usage:"),
        f(" %@<mode> -parametername=<value>", {mode}),
        blank,
        QStringLiteral(" <mode> can be one of the following modes:"),
        blank,
        f(" \"%@\"", {kOperationModeParameterAskForInternetConnection}),
        f("  Required parameters: %@<path>", {web}),
        QStringLiteral("  Displays a dialog to the user which asks to establish an Internet connection."),
        QStringLiteral("  In case the user denies, a localized website, identified by the"),
        f("  %@<path> parameter, is shown.", {web}),
        QStringLiteral("  Returns '0' in case the user confirms; returns '1' in case the user denies,"),
        QStringLiteral("  the localized website doesn't exist, or any other error occurs."),
        blank,
        f(" \"%@\"", {kOperationModeParameterOpenWebsite}),
        f("  Required parameters: %@<path>", {web}),
        f("  Optional parameters: %@<value>", {suppress}),
        QStringLiteral("  Opens a localized HTML file using the user's default web browser, after an informational"),
        QStringLiteral("  dialog was shown to the user. The dialog may be suppressed."),
        QStringLiteral("  Returns '0' in case the localized HTML file was opened successfully with the user's "),
        QStringLiteral("  default web browser; returns '1' in case the localized HTML file couldn't be opened,"),
        QStringLiteral("  or any other error occurs."),
        blank,
        f(" \"%@\"", {kOperationModeParameterShowDownloadProgress}),
        f("  Required parameters: %@<path>", {progress}),
        QStringLiteral("  Provides visual feedback to the user about the Brindlefetch's download"),
        QStringLiteral("  progress, as indicated by the \"BrindlefetchProgress.xml\" progress file who's"),
        f("  path is identified by the %@<path> parameter.", {progress}),
        QStringLiteral("  The application will not terminate by itself after the \"BrindlefetchProgress.xml\""),
        QStringLiteral("  indicates that the download finished; the application can be terminated by the user,"),
        QStringLiteral("  but if it isn't, the application needs to be terminated by the calling process."),
        blank,
        f(" \"%@\"", {kOperationModeParameterShowInstallationProgress}),
        QStringLiteral("  Provides visual feedback to the user about currently running installation processes."),
        QStringLiteral("  The application will not terminate by itself and cannot be terminated by the user,"),
        QStringLiteral("  so the application needs to be terminated by the calling process."),
        blank,
        QStringLiteral(" Parameter descriptions:"),
        f("  %@<path>", {web}),
        QStringLiteral("   Specifies an HTML file; <path> is the non-localized path to the HTML file to be loaded."),
        QStringLiteral("   The path to the localized HTML file will be constructed from the path to the "),
        QStringLiteral("   non-localized HTML file, by appending an underscore and an approriate ISO language "),
        QStringLiteral("   specifier to the HTML file's name, i.e. when providing the non-localized path "),
        QStringLiteral("   \"/path/to/index.html\", the localized path \"/path/to/index_en.html\", or "),
        QStringLiteral("   \"/path/to/index_de.html\", etc. will be constructed and loaded."),
        QStringLiteral("   The localized HTML file needs to exist."),
        blank,
        f("  %@<path>", {progress}),
        QStringLiteral("   Specifies the download progress data; <path> is the absolute path to the"),
        QStringLiteral("   Brindlefetch's \"BrindlefetchProgress.xml\" progress file."),
        blank,
        f("  %@<value>", {suppress}),
        QStringLiteral("   Specifies whether an informational dialog should *not* be shown to the user."),
        QStringLiteral("   Pass a <value> of \"yes\" to suppress the informational dialog; for all other values, "),
        QStringLiteral("   or when omitting this parameter, the default behaviour is to *not* suppress, "),
        QStringLiteral("   i.e. to show the dialog."),
        blank,
        QStringLiteral(" Examples:"),
        f(" %@%@ %@/path/to/non-localized/index.html", {mode, kOperationModeParameterAskForInternetConnection, web}),
        blank,
        f(" %@%@ %@/path/to/non-localized/index.html", {mode, kOperationModeParameterOpenWebsite, web}),
        f(" %@%@ %@/path/to/non-localized/index.html %@yes",
          {mode, kOperationModeParameterOpenWebsite, web, suppress}),
        blank,
        f(" %@%@ %@/path/to/BrindlefetchProgress.xml", {mode, kOperationModeParameterShowDownloadProgress, progress}),
        blank,
        f(" %@%@", {mode, kOperationModeParameterShowInstallationProgress}),
        rule,
    };
}

} // namespace Skylarn
