#include "updater/app/VornClientArguments.h"

#include "updater/infrastructure/SimpleLogger.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>

VornClientArguments::VornClientArguments(const QStringList& arguments)
    : logger_(SimpleLogger::getLogger(this))
{
    parse(arguments);
}

void VornClientArguments::parse(const QStringList& arguments)
{
    logger_->debug(QStringLiteral("input args: ") + arguments.join(QLatin1Char(' ')), QString());

    const QCommandLineOption forceOnline(QStringLiteral("force-online-mode"),
                                         QStringLiteral("no dialog ask for go online dialog shown"));
    const QCommandLineOption overrideVersion(QStringLiteral("override-app-version"),
                                             QStringLiteral("dev option to override the internal app version"),
                                             QStringLiteral("version"));
    const QCommandLineOption installerPath(QStringLiteral("original-installer-path"),
                                           QStringLiteral("set the path of the installer"), QStringLiteral("path"));
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOption(forceOnline);
    parser.addOption(overrideVersion);
    parser.addOption(installerPath);

    parsingSuccessful_ = parser.parse(arguments);
    if (!parsingSuccessful_) {
        logger_->error(QStringLiteral("parsing of arguments failed! unknown: ")
                           + parser.unknownOptionNames().join(QLatin1Char(',')),
                       QString());
        return;
    }
    logger_->debug(QStringLiteral("reading command lines succeeded"), QString());

    if (parser.isSet(forceOnline)) {
        logger_->debug(QStringLiteral("setting force-online-mode to true"), QString());
        forceOnlineMode_ = true;
    }
    if (parser.isSet(overrideVersion)) {
        const QString value = parser.value(overrideVersion);
        if (value.isEmpty() || value.startsWith(QLatin1Char('-'))) {
            parsingSuccessful_ = false;
            logger_->error(QStringLiteral("override-app-version had no value"), QString());
            return;
        }
        overrideAppVersion_ = value;
        logger_->debug(QStringLiteral("setting override-app-version to: ") + value, QString());
    }
    if (parser.isSet(installerPath)) {
        const QString value = parser.value(installerPath);
        if (value.isEmpty() || value.startsWith(QLatin1Char('-'))) {
            parsingSuccessful_ = false;
            logger_->error(QStringLiteral("original-installer-path had no value"), QString());
            return;
        }
        // Absolute now: a detached restart of the updater runs in another
        // folder and must still find the same medium.
        originalInstallerPath_ = QDir::cleanPath(QDir::current().absoluteFilePath(value));
        logger_->debug(QStringLiteral("setting original-installer-path to: ") + originalInstallerPath_, QString());
    }
}

bool VornClientArguments::hasOriginalInstallerPath() const
{
    return !originalInstallerPath_.isEmpty();
}

QString VornClientArguments::originalInstallerPath() const
{
    return originalInstallerPath_;
}

bool VornClientArguments::isForceOnlineMode() const
{
    return forceOnlineMode_;
}

bool VornClientArguments::isParsingSuccessful() const
{
    return parsingSuccessful_;
}

QString VornClientArguments::overrideAppVersion() const
{
    return overrideAppVersion_;
}
