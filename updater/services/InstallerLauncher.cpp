#include "updater/services/InstallerLauncher.h"

#include "updater/infrastructure/AbstractDetachedQProcessStarter.h"
#include "updater/infrastructure/SimpleLogger.h"

#include <QDir>
#include <QFileInfo>

#include <utility>

InstallerLauncher::InstallerLauncher(QString commandFormat, QString mediumFolder, QString downloadedInstallerFolder,
                                     AbstractDetachedQProcessStarter* starter, QObject* parent)
    : AbstractInstallerLauncher(parent)
    , mediumFolder_(std::move(mediumFolder))
    , starter_(starter)
    , commandFormat_(std::move(commandFormat))
    , downloadedInstallerFolder_(std::move(downloadedInstallerFolder))
    , logger_(SimpleLogger::getLogger(this))
{
}

void InstallerLauncher::launchInstaller(QString artifactsFilePath)
{
    const QString failed = QStringLiteral("Failed to launch installer with Xml Artifact file.");
    const QString path = launchableFilePath();
    if (path.isEmpty()) {
        logger_->error(failed, QString());
        emit installerStartedState(false);
        return;
    }
    logger_->debug(QStringLiteral("Launchable file exists."), QStringLiteral("Launchable file path: ") + path);
    // The command is one string whose quotes group the path; a quote inside
    // the path would end the group early and start something else.
    if (path.contains(QLatin1Char('"'))) {
        logger_->error(failed, QStringLiteral("The installer path contains a double quote and cannot be put into "
                                              "the start command: ")
                                   + path);
        emit installerStartedState(false);
        return;
    }
    // Replaced rather than QString::arg: a format without a placeholder
    // (which starts nothing) is not a formatting mistake worth a warning.
    QString command = commandFormat_;
    command.replace(QStringLiteral("%1"), path);
    logger_->info(QStringLiteral("cmd line: ") + command, QString());

    QStringList arguments;
    if (!artifactsFilePath.isEmpty())
        arguments << QStringLiteral("--artifactInfo") << QDir::toNativeSeparators(artifactsFilePath);

    if (startInstaller(command, arguments)) {
        logger_->info(QStringLiteral("Successfully launched installer with Xml Artifact file."), QString());
        emit installerStartedState(true);
    } else {
        logger_->error(failed, QString());
        emit installerStartedState(false);
    }
}

bool InstallerLauncher::startInstaller(QString command, QStringList arguments)
{
    // The package is opened by the command line alone; the installer finds
    // the installer-information file by itself.
    Q_UNUSED(arguments)
    return startInstallerWithoutArguments(command);
}

bool InstallerLauncher::startInstallerWithoutArguments(QString command)
{
    return starter_ && starter_->start(command, QStringList());
}

bool InstallerLauncher::startInstallerWithArguments(QString command, QStringList arguments)
{
    return starter_ && starter_->start(command, arguments);
}

QString InstallerLauncher::launchableFilePath()
{
    return findMacInstallerPackage();
}

QString InstallerLauncher::findWindowsSetup()
{
    const QString setup = QStringLiteral("Setup.exe");
    if (!downloadedInstallerFolder_.isEmpty() && fileExists(downloadedInstallerFolder_, setup)) {
        logger_->debug(QStringLiteral("a new (downloaded) windows installer was found, we are going to use this one..."),
                       QString());
        return QFileInfo(QDir(downloadedInstallerFolder_).filePath(setup)).canonicalFilePath();
    }
    const QString mediumSetup = QDir(mediumFolder_).filePath(setup);
    const QString canonical = QFileInfo(mediumSetup).canonicalFilePath();
    logger_->debug(QStringLiteral("start standard installer packed on medium :: ") + canonical, QString());
    if (!mediumFolder_.isEmpty() && fileExists(mediumFolder_, setup))
        return canonical;
    logger_->error(QStringLiteral("no installer binary found on medium :: ") + canonical, QString());
    return QString();
}

QString InstallerLauncher::findMacInstallerPackage()
{
    // An empty folder name would mean the current folder, which is not the
    // medium.
    if (mediumFolder_.isEmpty())
        return QString();
    const QDir medium(mediumFolder_);
    // QDir::Files lists regular files (and links to them) only; without
    // QDir::CaseSensitive the filter matches any letter case.
    const QFileInfoList packages
        = medium.entryInfoList({QStringLiteral("*.pkg")}, QDir::Files | QDir::NoDotAndDotDot, QDir::Unsorted);
    if (packages.isEmpty())
        return QString();
    if (packages.size() > 1)
        logger_->debug(QStringLiteral("multiple pkg files found in: ") + mediumFolder_, QString());
    // The entry where it stands on the medium, as the component scan and the
    // medium's configuration take theirs: a link is not resolved to a place
    // elsewhere, which the scan never looked at.
    const QString folder = QFileInfo(mediumFolder_).canonicalFilePath();
    if (folder.isEmpty())
        return QString();
    const QString path = QDir(folder).filePath(packages.first().fileName());
    logger_->info(QStringLiteral("Mac Installer Package found"), QStringLiteral("Mac Installer-Package path: ") + path);
    return path;
}

bool InstallerLauncher::fileExists(QString folder, QString name)
{
    return QFileInfo::exists(QDir(folder).filePath(name));
}
