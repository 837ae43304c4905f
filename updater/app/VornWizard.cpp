#include "updater/app/VornWizard.h"

#include "updater/app/AppInitProgressPage.h"
#include "updater/app/AskForPlatformPage.h"
#include "updater/app/DownloadChoiceSelectionPage.h"
#include "updater/app/MediaSpecificConfigurationService.h"
#include "updater/app/PlatformNotSupportedPage.h"
#include "updater/app/SelfUpdatePage.h"
#include "updater/app/VornApp.h"
#include "updater/app/WindowForeground.h"
#include "updater/app/WindowsProductInstallerUpdatePage.h"
#include "updater/infrastructure/RESTClient.h"
#include "updater/infrastructure/ServiceUrl.h"
#include "updater/infrastructure/SimpleLogger.h"
#include "updater/infrastructure/VornSettings.h"
#include "updater/services/ArtifactsFile.h"
#include "updater/services/ComponentScanner.h"
#include "updater/services/DownloadChoicesRemoteClient.h"
#include "updater/services/DownloadChoicesService.h"
#include "updater/services/InstallerLauncher.h"
#include "updater/services/PlatformIdentifier.h"

#include <QAbstractButton>

VornWizard::VornWizard(AbstractNetworkInitService* networkInitService, RESTClient* restClient,
                       DownloadChoicesService* downloadChoicesService, VornApp* app,
                       ComponentScanner* componentScanner, InstallerLauncher* installerLauncher,
                       SelfUpdateService* selfUpdateService, int platform, ArtifactsFile* artifactsFile,
                       CheckIfOnlineDialog* checkIfOnlineDialog,
                       WindowsProductInstallerUpdatePage* windowsProductInstallerUpdatePage,
                       MediaSpecificConfigurationService* mediaSpecificConfiguration, QWidget* parent)
    : QWizard(parent)
    , logger_(SimpleLogger::getLogger(this))
    , app_(app)
    , restClient_(restClient)
    , artifactsFile_(artifactsFile)
    , componentScanner_(componentScanner)
    , installerLauncher_(installerLauncher)
    , selfUpdateService_(selfUpdateService)
    , downloadChoicesService_(downloadChoicesService)
    , mediaSpecificConfiguration_(mediaSpecificConfiguration)
    , platform_(platform)
{
    logger_->debug(QStringLiteral("creating wizard"), QString());
    settings_ = new VornSettings();
    // Owned through the wizard as well: when a page below cannot be built and
    // the constructor throws, the base destructor still frees it.
    settings_->setParent(this);
    setWizardStyle(QWizard::ModernStyle);
    setButtonLayout(QList<QWizard::WizardButton>());

    setPage(AppInitProgressPageId, new AppInitProgressPage(networkInitService, checkIfOnlineDialog));
    if ((platform == WIN32 || platform == WIN64) && windowsProductInstallerUpdatePage)
        setPage(WindowsProductInstallerUpdatePageId, windowsProductInstallerUpdatePage);

    // Without a medium configuration the defaults apply: 32 bit is offered.
    const bool has32Bit = !mediaSpecificConfiguration_ || mediaSpecificConfiguration_->is32BitAvailable();
    if (platform == WIN64 && has32Bit) {
        auto* question = new AskForPlatformPage(nullptr);
        connect(question, SIGNAL(win32PlatformSelectedSignal()), this, SLOT(win32PlatformSelectedSlot()));
        connect(question, SIGNAL(win64PlatformSelectedSignal()), this, SLOT(win64PlatformSelectedSlot()));
        setPage(AskForPlatformPageId, question);
    } else if (platform == WIN32 && !has32Bit) {
        auto* notSupported = new PlatformNotSupportedPage(nullptr);
        if (app_)
            connect(notSupported, SIGNAL(platformNotSupportedQuitInstallation()), app_, SLOT(quit()));
        setPage(PlatformNotSupportedPageId, notSupported);
    } else {
        // OSX, WIN64 without and WIN32 with the 32-bit product. A platform
        // the setting did not name fails here instead of taking the macOS
        // road.
        addDownloadChoicePage(platform);
    }

    if (selfUpdateService_) {
        auto* selfUpdatePage = new SelfUpdatePage(selfUpdateService_, nullptr);
        if (app_) {
            connect(selfUpdatePage, SIGNAL(clientTooOldCancelInstallation()), app_, SLOT(quit()));
            connect(selfUpdatePage, SIGNAL(clientTooOldInstallWithoutUpdating()), app_,
                    SLOT(skipDownloadAndRunInstallerSlot()));
        }
        setPage(SelfUpdatePageId, selfUpdatePage);
    }

    QAbstractButton* cancel = button(QWizard::CancelButton);
    disconnect(cancel, SIGNAL(clicked()), this, SLOT(reject()));
    connect(cancel, SIGNAL(clicked()), this, SLOT(cancelClicked()));
}

VornWizard::~VornWizard()
{
    delete settings_;
}

void VornWizard::addDownloadChoicePage(int platform)
{
    logger_->debug(QStringLiteral("add download choice page for platform ")
                       + platformName(static_cast<PlatformIdentifier>(platform)),
                   QString());
    if (!restClient_ || !downloadChoicesService_ || !componentScanner_ || !installerLauncher_ || !artifactsFile_) {
        logger_->error(QStringLiteral("download choice page left out: its services are missing"), QString());
        return;
    }
    const bool accessRestrictedUpdates = settings_->getAccessRestrictedUpdates();
    const VornSettings freshSettings;
    const QString root = freshSettings.getRootRestUrl();
    // Lives until the process ends, like the REST client it shares.
    auto* remoteClient = new DownloadChoicesRemoteClient(
        restClient_, platform, new ServiceUrl(QStringLiteral("productlinescan"), root, restClient_, nullptr),
        new ServiceUrl(QStringLiteral("downloadchoiceprereleaseauthorizationsearch"), root, restClient_, nullptr),
        nullptr);
    downloadChoicePage_ = new DownloadChoiceSelectionPage(downloadChoicesService_, remoteClient, platform,
                                                          artifactsFile_, componentScanner_, installerLauncher_,
                                                          accessRestrictedUpdates, nullptr);
    setPage(DownloadChoiceSelectionPageId, downloadChoicePage_);
}

void VornWizard::win32PlatformSelectedSlot()
{
    addDownloadChoicePage(WIN32);
}

void VornWizard::win64PlatformSelectedSlot()
{
    addDownloadChoicePage(WIN64);
}

void VornWizard::cancelClicked()
{
    logger_->debug(QStringLiteral("cancelClicked"), QString());
    if (downloadChoicePage_) {
        // A cancel ends the run: nobody waits for the choices any more, and a
        // slow server must not hold the window for the query's whole deadline.
        // The client is the page's own; the remote log's queued entries, and
        // the one about this cancel, still go out.
        if (restClient_)
            restClient_->abandonRunningCalls();
        downloadChoicePage_->cancelAndWait();
    }
    // close() comes back through reject() while the wizard is visible.
    cancelling_ = true;
    close();
    cancelling_ = false;
}

void VornWizard::reject()
{
    if (!cancelling_) {
        cancelClicked();
        // From the close button a nested close() is ignored and the
        // wizard is still visible here; from Esc it is gone already.
        if (!isVisible())
            return;
    }
    QWizard::reject();
}

void VornWizard::bringWindowToForeground()
{
    bringToForeground(this);
}
