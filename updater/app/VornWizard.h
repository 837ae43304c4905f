#pragma once

#include <QWizard>

class AbstractNetworkInitService;
class ArtifactsFile;
class CheckIfOnlineDialog;
class ComponentScanner;
class DownloadChoiceSelectionPage;
class DownloadChoicesService;
class InstallerLauncher;
class Logger;
class MediaSpecificConfigurationService;
class RESTClient;
class SelfUpdateService;
class VornApp;
class VornSettings;
class WindowsProductInstallerUpdatePage;

// The updater's main window. Pages are visited in ascending order of their
// ids and move the wizard on themselves; no standard button is shown. Page 0
// is the preparation page; the later pages join as their services exist.
//
// Ownership: pages belong to the wizard; the services to the composition
// root. GUI thread only.
class VornWizard : public QWizard {
    Q_OBJECT
public:
    // Services that are not built yet arrive as null and their pages are
    // left out. restClient serves the download-choice page alone: a cancel
    // abandons its calls.
    VornWizard(AbstractNetworkInitService* networkInitService, RESTClient* restClient,
               DownloadChoicesService* downloadChoicesService, VornApp* app, ComponentScanner* componentScanner,
               InstallerLauncher* installerLauncher, SelfUpdateService* selfUpdateService, int platform,
               ArtifactsFile* artifactsFile, CheckIfOnlineDialog* checkIfOnlineDialog,
               WindowsProductInstallerUpdatePage* windowsProductInstallerUpdatePage,
               MediaSpecificConfigurationService* mediaSpecificConfiguration, QWidget* parent);
    ~VornWizard() override;

    enum PageId {
        AppInitProgressPageId = 0,
        WindowsProductInstallerUpdatePageId = 1,
        SelfUpdatePageId = 2,
        AskForPlatformPageId = 3,
        PlatformNotSupportedPageId = 4,
        DownloadChoiceSelectionPageId = 5,
    };

private slots:
    // The platform question's answer: the download-choice page for WIN32 or
    // WIN64 joins while the question page emits its signal.
    void win32PlatformSelectedSlot();
    void win64PlatformSelectedSlot();

public slots:
    // Waits for the download-choice page's background task, then closes.
    void cancelClicked();
    void bringWindowToForeground();
    // Esc and the window's close button go through cancelClicked(), so
    // that whatever a page runs is stopped the same way as by Cancel.
    void reject() override;

private:
    // Page 5 for the platform (0, 1 or 2; any other value throws the
    // platform-name error). Left out while its services are not built.
    void addDownloadChoicePage(int platform);

    DownloadChoiceSelectionPage* downloadChoicePage_ = nullptr;
    Logger* logger_;
    VornSettings* settings_;
    VornApp* app_;
    RESTClient* restClient_;
    ArtifactsFile* artifactsFile_;
    ComponentScanner* componentScanner_;
    InstallerLauncher* installerLauncher_;
    SelfUpdateService* selfUpdateService_;
    DownloadChoicesService* downloadChoicesService_;
    MediaSpecificConfigurationService* mediaSpecificConfiguration_;
    int platform_;
    bool cancelling_ = false;
};
