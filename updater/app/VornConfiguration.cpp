#include "updater/app/VornConfiguration.h"

#include "updater/app/AskForGoOnlineDialog.h"
#include "updater/app/CheckIfOnlineDialog.h"
#include "updater/app/MandatoryUpdateDialog.h"
#include "updater/app/MediaSpecificConfigurationService.h"
#include "updater/app/VornApp.h"
#include "updater/app/VornAppService.h"
#include "updater/app/VornClientArguments.h"
#include "updater/app/VornWizard.h"
#include "updater/app/WindowsProductInstallerUpdatePage.h"
#include "updater/infrastructure/DialogLogAppender.h"
#include "updater/infrastructure/DownloadManager.h"
#include "updater/infrastructure/FileSystem.h"
#include "updater/infrastructure/NetworkInitService.h"
#include "updater/infrastructure/RESTClient.h"
#include "updater/infrastructure/SelfUpdateExtractor_OSX.h"
#include "updater/infrastructure/ServiceUrl.h"
#include "updater/infrastructure/SslCertServerChecker.h"
#include "updater/infrastructure/SslCertificates.h"
#include "updater/infrastructure/SimpleLogger.h"
#include "updater/infrastructure/SystemInformation.h"
#include "updater/infrastructure/VornSettings.h"
#include "updater/infrastructure/WorkingDirectoryProvider.h"
#include "updater/infrastructure/ZipExtractor_OSX.h"
#include "updater/infrastructure/platform/ExternalPrograms.h"
#include "updater/infrastructure/platform/UpdaterBundle.h"
#include "updater/services/ArtifactDownloader.h"
#include "updater/services/ArtifactsFile.h"
#include "updater/services/ComponentScanner.h"
#include "updater/services/ComponentScannerResultXMLReader.h"
#include "updater/services/ContextCollectStarter.h"
#include "updater/services/DownloadChoicesService.h"
#include "updater/services/InstallerLauncher.h"
#include "updater/services/PlatformIdentifier.h"
#include "updater/services/WindowsProductInstallerUpdateService.h"
#include "updater/services/WindowsSetupLauncher.h"
#include "updater/services/LocalStorage.h"
#include "updater/services/SelfUpdateLauncher.h"
#include "updater/services/SelfUpdateService.h"

#include <QCoreApplication>
#include <QDir>
#include <QNetworkProxyFactory>
#include <QTranslator>

// Outside any namespace, as the resource system requires.
static void initTranslationResources()
{
    Q_INIT_RESOURCE(pathwarden_translations);
}

int platformForOverwriteSetting(const QString& setting, int systemPlatform)
{
    if (setting == QLatin1String("DEFAULT"))
        return systemPlatform;
    if (setting == QLatin1String("WIN32"))
        return 1;
    if (setting == QLatin1String("WIN64"))
        return 2;
    if (setting == QLatin1String("OSX"))
        return 0;
    return -1;
}

VornConfiguration::VornConfiguration(int& argc, char** argv, const QString& applicationVersion, QObject* parent)
    : QObject(parent)
{
    settings_ = new VornSettings();
    applicationVersion_ = applicationVersion;
    logger_ = SimpleLogger::getLogger(this);
    app_ = new VornApp(argc, argv);
    // Only the exact text "OFF" means no window: any other text makes one,
    // at whatever level it parses to (so "off" gives a window that stays
    // empty). The output stays with the hub until the process ends.
    const QString dialogLogLevel = settings_->getDialogLogLevel();
    if (dialogLogLevel != QLatin1String("OFF"))
        SimpleLogger::getInstance()->addAppender(
            new DialogLogAppender(parseLogLevel(dialogLogLevel), QStringList(), nullptr));
    arguments_ = QCoreApplication::arguments();
    if (!initTranslator())
        logger_->error(QStringLiteral("Failed to create Translator."), QString());
    appConfigured_ = false;
    QNetworkProxyFactory::setUseSystemConfiguration(true);
}

VornConfiguration::~VornConfiguration()
{
    logger_->debug(QStringLiteral("~VornConfiguration called"), QString());
    // The certificate store stays: pool tasks still queued may read it.
    QObject* held[] = {settings_,
                       sslCertServerChecker_,
                       translator_,
                       zipExtractor_,
                       selfUpdateExtractor_,
                       workingDirectoryProvider_,
                       localStorage_,
                       selfUpdateLauncher_,
                       downloadChoicesService_,
                       componentScanner_,
                       app_,
                       selfUpdateService_,
                       clientArguments_,
                       restClient_,
                       choicesRestClient_,
                       askForGoOnlineDialog_,
                       mandatoryUpdateDialog_,
                       checkIfOnlineDialog_,
                       installerLauncher_,
                       artifactsFile_,
                       networkInitService_,
                       appService_,
                       wizard_,
                       downloadClientServiceUrl_,
                       windowsProductInstallerServiceUrl_,
                       windowsInstallerDownloader_,
                       windowsProductInstallerUpdateService_,
                       windowsProductInstallerUpdatePage_,
                       fileSystem_,
                       mediaSpecificConfiguration_};
    for (QObject* object : held) {
        if (object)
            object->deleteLater();
    }
}

bool VornConfiguration::initTranslator()
{
    logger_->debug(QStringLiteral("initTranslator"), QString());
    if (translator_)
        return true;
    const QStringList supported = {QStringLiteral("de"), QStringLiteral("en"), QStringLiteral("es"),
                                   QStringLiteral("fr"), QStringLiteral("it"), QStringLiteral("ja"),
                                   QStringLiteral("pt"), QStringLiteral("ru"), QStringLiteral("zh")};
    logger_->info(QStringLiteral("Supported languages are: "), supported.join(QLatin1Char(' ')));
    const QString language = systemInformation()->getUiLanguage(supported, QStringLiteral("en"));
    if (language == QLatin1String("en")) {
        logger_->debug(QStringLiteral("No need to install english translation file."), QString());
        return true;
    }
    initTranslationResources();
    const QString fileName = QStringLiteral(":pathwarden_") + language;
    translator_ = new QTranslator();
    if (!translator_->load(fileName)) {
        translator_->deleteLater();
        translator_ = nullptr;
        logger_->error(QStringLiteral("Failed to load translation file: "), fileName);
        return false;
    }
    logger_->info(QStringLiteral("Translation file was loaded successfully: "), fileName);
    const bool installed = QCoreApplication::installTranslator(translator_);
    logger_->debug(QStringLiteral("Install translator to vorn app") + QString::number(installed ? 1 : 0), QString());
    if (!installed) {
        logger_->error(QStringLiteral("Failed to install translation file: "), fileName);
        translator_->deleteLater();
        translator_ = nullptr;
        return false;
    }
    return true;
}

VornApp* VornConfiguration::app()
{
    if (appConfigured_)
        return app_;
    appConfigured_ = true;
    logger_->debug(QStringLiteral("configure vorn app"), QString());
    const bool osVersionGoodEnough = systemInformation()->isOSVersionAtLeast(minimumOSVersion());
    const bool forceOnlineMode = clientArguments()->isForceOnlineMode();
    appService_ = new VornAppService(selfUpdateLauncher(), minimumOSVersionText(), osVersionGoodEnough,
                                     forceOnlineMode, nullptr);
    app_->init(this, appService_, applicationVersion_, wizard());

    connect(appService_, SIGNAL(currentOSNotSupportedSignal()), app_, SLOT(showOSVersionIsTooOldMessageAndQuit()));
    connect(appService_, SIGNAL(selfUpdateLauncherStartedNewVersionSignal()), app_, SLOT(quit()));
    connect(appService_, SIGNAL(applicationRestartedAndIsAllowedToGoOnlineSignal()), app_, SLOT(appReadyToInit()));
    if (mediaSpecificConfiguration()->isMandatoryUpdate())
        connect(appService_, SIGNAL(regularStartOfApplicationSignal()), app_, SLOT(informAboutMandatoryUpdate()));
    else
        connect(appService_, SIGNAL(regularStartOfApplicationSignal()), app_, SLOT(askForGoOnline()));
    connect(app_, SIGNAL(appOnErrorMustExit()), app_, SLOT(quit()));
    connect(app_, SIGNAL(lastWindowClosed()), app_, SLOT(quit()));
    return app_;
}

VornSettings* VornConfiguration::settings()
{
    return settings_;
}

VornClientArguments* VornConfiguration::clientArguments()
{
    if (!clientArguments_)
        clientArguments_ = new VornClientArguments(arguments_);
    return clientArguments_;
}

MediaSpecificConfigurationService* VornConfiguration::mediaSpecificConfiguration()
{
    if (!mediaSpecificConfiguration_) {
        mediaSpecificConfiguration_ = new MediaSpecificConfigurationService(
            installerDirPath() + QStringLiteral("/Additional Content/Installer Data/Vorncfg.ini"));
        logger_->debug(QStringLiteral("Path to ini file: %1").arg(mediaSpecificConfiguration_->filePath()), QString());
    }
    return mediaSpecificConfiguration_;
}

AskForGoOnlineDialog* VornConfiguration::askForGoOnlineDialog()
{
    if (!askForGoOnlineDialog_)
        askForGoOnlineDialog_ = new AskForGoOnlineDialog(!settings_->getCheckRootCA(), nullptr);
    return askForGoOnlineDialog_;
}

MandatoryUpdateDialog* VornConfiguration::mandatoryUpdateDialog()
{
    if (!mandatoryUpdateDialog_) {
        mandatoryUpdateDialog_ = new MandatoryUpdateDialog(
            !settings_->getCheckRootCA(), mediaSpecificConfiguration()->mandatoryUpdateProductLink(), nullptr);
    }
    return mandatoryUpdateDialog_;
}

CheckIfOnlineDialog* VornConfiguration::checkIfOnlineDialog()
{
    if (!checkIfOnlineDialog_)
        checkIfOnlineDialog_ = new CheckIfOnlineDialog();
    return checkIfOnlineDialog_;
}

WorkingDirectoryProvider* VornConfiguration::workingDirectoryProvider()
{
    if (!workingDirectoryProvider_)
        workingDirectoryProvider_ = new WorkingDirectoryProvider(nullptr);
    return workingDirectoryProvider_;
}

DetachedQProcessStarter* VornConfiguration::processStarter()
{
    return &processStarter_;
}

ZipExtractor_OSX* VornConfiguration::zipExtractor()
{
    if (!zipExtractor_)
        zipExtractor_ = new ZipExtractor_OSX(nullptr);
    return zipExtractor_;
}

SelfUpdateExtractor_OSX* VornConfiguration::selfUpdateExtractor()
{
    if (!selfUpdateExtractor_)
        selfUpdateExtractor_ = new SelfUpdateExtractor_OSX(zipExtractor(), nullptr);
    return selfUpdateExtractor_;
}

FileSystem* VornConfiguration::fileSystem()
{
    if (!fileSystem_) {
        fileSystem_ = new FileSystem(QDir(workingDirectoryProvider()->getWorkingDirectory() + QDir::separator()
                                          + QStringLiteral("updated-windows-product-installer")));
    }
    return fileSystem_;
}

InstallerLauncher* VornConfiguration::installerLauncher()
{
    if (!installerLauncher_) {
        // The package path goes between double quotes, so that a medium path
        // with blanks stays one argument of the open command.
        const QString commandFormat = QString::fromLatin1(platform::kOpenCommand) + QStringLiteral(" \"%1\"");
        const QString downloadedInstallerFolder = fileSystem()->getDirectory().absolutePath();
        // A Windows target starts "Setup.exe" (the downloaded one first) with
        // the same command; every other target the medium's package.
        const int target = platform();
        if (target == WIN32 || target == WIN64)
            installerLauncher_ = new WindowsSetupLauncher(commandFormat, installerDirPath(),
                                                          downloadedInstallerFolder, &processStarter_, nullptr);
        else
            installerLauncher_ = new InstallerLauncher(commandFormat, installerDirPath(), downloadedInstallerFolder,
                                                       &processStarter_, nullptr);
    }
    return installerLauncher_;
}

ArtifactsFile* VornConfiguration::artifactsFile()
{
    if (!artifactsFile_)
        artifactsFile_ = new ArtifactsFile(workingDirectoryProvider(), nullptr);
    return artifactsFile_;
}

ComponentScanner* VornConfiguration::componentScanner()
{
    if (!componentScanner_) {
        const QString workingDirectory = workingDirectoryProvider()->getWorkingDirectory();
        // The scanner owns the reader and the collector.
        componentScanner_ = new ComponentScanner(workingDirectory, new ComponentScannerResultXMLReader(nullptr),
                                                 new ContextCollectStarter(workingDirectory, nullptr),
                                                 installerDirPath(), nullptr);
    }
    return componentScanner_;
}

DownloadChoicesService* VornConfiguration::downloadChoicesService()
{
    if (!downloadChoicesService_)
        downloadChoicesService_ = new DownloadChoicesService(workingDirectoryProvider(), nullptr);
    return downloadChoicesService_;
}

LocalStorage* VornConfiguration::localStorage()
{
    if (!localStorage_)
        localStorage_ = new LocalStorage(workingDirectoryProvider(), selfUpdateExtractor(), nullptr);
    return localStorage_;
}

SelfUpdateLauncher* VornConfiguration::selfUpdateLauncher()
{
    if (!selfUpdateLauncher_)
        selfUpdateLauncher_ = new SelfUpdateLauncher(&processStarter_, localStorage(), installerDirPath(), nullptr);
    return selfUpdateLauncher_;
}

SelfUpdateService* VornConfiguration::selfUpdateService()
{
    if (!selfUpdateService_) {
        // The service owns its address and its download manager.
        selfUpdateService_ = new SelfUpdateService(
            restClient(),
            new ServiceUrl(QStringLiteral("downloadclient"), settings_->getRootRestUrl(), restClient(), nullptr),
            new DownloadManager(), platform(), workingDirectoryProvider(), localStorage(), selfUpdateLauncher(),
            nullptr);
    }
    return selfUpdateService_;
}

SslCertificates* VornConfiguration::sslCertificates()
{
    if (!sslCertificates_)
        sslCertificates_ = new SslCertificates(nullptr);
    return sslCertificates_;
}

RESTClient* VornConfiguration::restClient()
{
    if (!restClient_)
        restClient_ = new RESTClient(sslCertificates());
    return restClient_;
}

RESTClient* VornConfiguration::choicesRestClient()
{
    if (!choicesRestClient_)
        choicesRestClient_ = new RESTClient(sslCertificates());
    return choicesRestClient_;
}

SslCertServerChecker* VornConfiguration::sslCertServerChecker()
{
    if (!sslCertServerChecker_)
        sslCertServerChecker_ = new SslCertServerChecker(restClient(), nullptr);
    return sslCertServerChecker_;
}

NetworkInitService* VornConfiguration::networkInitService()
{
    if (networkInitService_)
        return networkInitService_;
    networkInitService_ = new NetworkInitService(sslCertificates(), sslCertServerChecker(), restClient(), nullptr);
    VornApp* application = app();
    connect(networkInitService_, SIGNAL(appCanceledByUserSignal()), application, SIGNAL(appOnErrorMustExit()));
    connect(networkInitService_, SIGNAL(appRunOfflineByUserSignal()), application,
            SLOT(skipDownloadAndRunInstallerSlot()));
    connect(networkInitService_, SIGNAL(sslCertificateNotValidSignal()), application, SIGNAL(appOnErrorMustExit()));
    return networkInitService_;
}

VornWizard* VornConfiguration::wizard()
{
    if (!wizard_) {
        // The Windows product-installer update chain, made for every target;
        // only a Windows target's wizard takes its page.
        downloadClientServiceUrl_ = new ServiceUrl(QStringLiteral("downloadclient"), settings_->getRootRestUrl(),
                                                   restClient(), nullptr);
        windowsProductInstallerServiceUrl_ = new ServiceUrl(QStringLiteral("windowsproductinstaller"),
                                                            downloadClientServiceUrl_, restClient(), nullptr);
        // The downloader owns its manager.
        windowsInstallerDownloader_ = new ArtifactDownloader(new DownloadManager(), {}, fileSystem()->getDirectory(),
                                                             0, nullptr);
        windowsProductInstallerUpdateService_ = new WindowsProductInstallerUpdateService(
            restClient(), windowsProductInstallerServiceUrl_, windowsInstallerDownloader_, fileSystem(),
            zipExtractor(), nullptr);
        windowsProductInstallerUpdatePage_
            = new WindowsProductInstallerUpdatePage(windowsProductInstallerUpdateService_, nullptr);

        // Fetched in this order so that the objects come to exist in it.
        NetworkInitService* network = networkInitService();
        RESTClient* choicesClient = choicesRestClient();
        DownloadChoicesService* downloads = downloadChoicesService();
        VornApp* application = app();
        ComponentScanner* scanner = componentScanner();
        InstallerLauncher* launcher = installerLauncher();
        SelfUpdateService* selfUpdate = selfUpdateService();
        const int targetPlatform = platform();
        ArtifactsFile* installerInformation = artifactsFile();
        CheckIfOnlineDialog* offlineDialog = checkIfOnlineDialog();
        MediaSpecificConfigurationService* medium = mediaSpecificConfiguration();
        wizard_ = new VornWizard(network, choicesClient, downloads, application,
                                 scanner, launcher,
                                 selfUpdate, targetPlatform, installerInformation,
                                 offlineDialog, windowsProductInstallerUpdatePage_, medium, nullptr);
    }
    return wizard_;
}

int VornConfiguration::platform()
{
    if (platform_ != 3)
        return platform_;
    const int platform = platformForOverwriteSetting(settings_->getOverwritePlatform(),
                                                     systemInformation()->getPlatform());
    if (platform < 0) {
        // Read again on every call, but said once.
        if (unrecognisedPlatformLogged_)
            return 3;
        unrecognisedPlatformLogged_ = true;
        logger_->error(QStringLiteral("Unrecognised platform setting."),
                       QStringLiteral("OverwritePlatform '") + settings_->getOverwritePlatform()
                           + QStringLiteral("' is none of DEFAULT, WIN32, WIN64 and OSX."));
        return 3;
    }
    platform_ = platform;
    return platform_;
}

QString VornConfiguration::installerDirPath()
{
    if (clientArguments()->hasOriginalInstallerPath())
        return clientArguments()->originalInstallerPath();
    return getApplicationParentDirPath();
}

QString VornConfiguration::getApplicationParentDirPath()
{
    QDir folder(QCoreApplication::applicationDirPath());
    QString result;
    bool reached = true;
    for (int level = 0; level < platform::kMediumLevelsAboveExecutableFolder && reached; ++level)
        reached = folder.cdUp();
    if (reached)
        result = folder.canonicalPath();
    else
        logger_->error(QStringLiteral("Failed to construct path to installable."), folder.path());
    logger_->debug(QStringLiteral("getApplicationParentDirPath() returns: ") + result, QString());
    return result;
}

SystemInformation* VornConfiguration::systemInformation()
{
    return SystemInformation::getInstance();
}

QString VornConfiguration::minimumOSVersion()
{
    return SystemInformation::minimumOSVersion();
}

QString VornConfiguration::minimumOSVersionText()
{
    return SystemInformation::minimumOSVersionText();
}
