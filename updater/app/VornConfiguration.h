#pragma once

#include "updater/infrastructure/DetachedQProcessStarter.h"

#include <QObject>
#include <QString>
#include <QStringList>

class ArtifactDownloader;
class ArtifactsFile;
class AskForGoOnlineDialog;
class CheckIfOnlineDialog;
class ComponentScanner;
class DownloadChoicesService;
class FileSystem;
class InstallerLauncher;
class LocalStorage;
class Logger;
class MandatoryUpdateDialog;
class MediaSpecificConfigurationService;
class NetworkInitService;
class RESTClient;
class SelfUpdateExtractor_OSX;
class ServiceUrl;
class SelfUpdateLauncher;
class SelfUpdateService;
class SslCertServerChecker;
class SslCertificates;
class QTranslator;
class SystemInformation;
class VornApp;
class VornAppService;
class VornClientArguments;
class VornSettings;
class VornWizard;
class WindowsProductInstallerUpdatePage;
class WindowsProductInstallerUpdateService;
class WorkingDirectoryProvider;
class ZipExtractor_OSX;

// The composition root of the interactive run: the only place where concrete
// classes are chosen. Every service, dialog and page is made by its getter on
// first request, kept, and handed to the constructors that need it; all of
// them are made without a Qt parent and belong to the root.
//
// Threads: GUI thread only; the getters are not guarded.
class VornConfiguration : public QObject {
    Q_OBJECT
public:
    VornConfiguration(int& argc, char** argv, const QString& applicationVersion, QObject* parent);
    // Hands every held object to deferred deletion. The entry point destroys
    // the root after the event loop has ended, so nothing is torn down before
    // the process ends.
    ~VornConfiguration() override;

    VornApp* app();

    VornSettings* settings();
    VornClientArguments* clientArguments();
    MediaSpecificConfigurationService* mediaSpecificConfiguration();
    AskForGoOnlineDialog* askForGoOnlineDialog();
    MandatoryUpdateDialog* mandatoryUpdateDialog();
    CheckIfOnlineDialog* checkIfOnlineDialog();
    WorkingDirectoryProvider* workingDirectoryProvider();
    // The one starter of detached processes, shared by everything that
    // starts a program.
    DetachedQProcessStarter* processStarter();
    ZipExtractor_OSX* zipExtractor();
    SelfUpdateExtractor_OSX* selfUpdateExtractor();
    FileSystem* fileSystem();
    // Opens the medium's installer package with the platform's open command.
    InstallerLauncher* installerLauncher();
    // The installer-information file the download-choice page writes.
    ArtifactsFile* artifactsFile();
    // Scans the medium folder and the installed packages in the run's
    // working folder.
    ComponentScanner* componentScanner();
    // Downloads the chosen choices into the run's working folder.
    DownloadChoicesService* downloadChoicesService();
    // The store of downloaded updater copies.
    LocalStorage* localStorage();
    // Starts a newer stored copy with this run's installer folder.
    SelfUpdateLauncher* selfUpdateLauncher();
    // Asks the server about this updater and fetches, stores and starts a
    // newer one.
    SelfUpdateService* selfUpdateService();
    SslCertificates* sslCertificates();
    RESTClient* restClient();
    // The download-choice page's own client, so that a cancel can abandon
    // the page's query without refusing the calls of the shared one (the
    // remote log's among them).
    RESTClient* choicesRestClient();
    SslCertServerChecker* sslCertServerChecker();
    // Wired to the application: cancel and a failed certificate check end
    // the run, "Install without updating" starts the installer.
    NetworkInitService* networkInitService();
    // Builds the Windows product-installer update chain first (two service
    // addresses, its downloader, service and page), then the wizard. Throws
    // the platform-name error when "OverwritePlatform" names no platform.
    VornWizard* wizard();

    // 0 OSX, 1 WIN32, 2 WIN64 from "OverwritePlatform", the running system's
    // platform for "DEFAULT"; 3 (not cached, and logged as an error) for any
    // other text.
    int platform();
    QString installerDirPath();
    QString getApplicationParentDirPath();
    SystemInformation* systemInformation();

    static QString minimumOSVersion();
    static QString minimumOSVersionText();

private:
    bool initTranslator();

    QString applicationVersion_;
    QStringList arguments_;
    VornApp* app_ = nullptr;
    bool appConfigured_ = false;
    int platform_ = 3;
    bool unrecognisedPlatformLogged_ = false;
    DetachedQProcessStarter processStarter_;

    ZipExtractor_OSX* zipExtractor_ = nullptr;
    SelfUpdateExtractor_OSX* selfUpdateExtractor_ = nullptr;
    LocalStorage* localStorage_ = nullptr;
    SelfUpdateLauncher* selfUpdateLauncher_ = nullptr;
    SelfUpdateService* selfUpdateService_ = nullptr;
    InstallerLauncher* installerLauncher_ = nullptr;
    ArtifactsFile* artifactsFile_ = nullptr;
    ComponentScanner* componentScanner_ = nullptr;
    DownloadChoicesService* downloadChoicesService_ = nullptr;
    WorkingDirectoryProvider* workingDirectoryProvider_ = nullptr;
    AskForGoOnlineDialog* askForGoOnlineDialog_ = nullptr;
    MandatoryUpdateDialog* mandatoryUpdateDialog_ = nullptr;
    CheckIfOnlineDialog* checkIfOnlineDialog_ = nullptr;
    QTranslator* translator_ = nullptr;
    Logger* logger_ = nullptr;
    VornSettings* settings_ = nullptr;
    MediaSpecificConfigurationService* mediaSpecificConfiguration_ = nullptr;
    VornClientArguments* clientArguments_ = nullptr;
    VornAppService* appService_ = nullptr;
    FileSystem* fileSystem_ = nullptr;
    SslCertificates* sslCertificates_ = nullptr;
    RESTClient* restClient_ = nullptr;
    RESTClient* choicesRestClient_ = nullptr;
    SslCertServerChecker* sslCertServerChecker_ = nullptr;
    NetworkInitService* networkInitService_ = nullptr;
    VornWizard* wizard_ = nullptr;
    ServiceUrl* downloadClientServiceUrl_ = nullptr;
    ServiceUrl* windowsProductInstallerServiceUrl_ = nullptr;
    ArtifactDownloader* windowsInstallerDownloader_ = nullptr;
    WindowsProductInstallerUpdateService* windowsProductInstallerUpdateService_ = nullptr;
    WindowsProductInstallerUpdatePage* windowsProductInstallerUpdatePage_ = nullptr;
};

// The platform number for an "OverwritePlatform" text (compared exactly);
// -1 when the text is not recognised.
int platformForOverwriteSetting(const QString& setting, int systemPlatform);
