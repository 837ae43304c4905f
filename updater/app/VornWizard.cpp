#include "updater/app/VornWizard.h"

#include "updater/app/AppInitProgressPage.h"
#include "updater/app/WindowForeground.h"
#include "updater/infrastructure/SimpleLogger.h"
#include "updater/infrastructure/VornSettings.h"

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
    setWizardStyle(QWizard::ModernStyle);
    setButtonLayout(QList<QWizard::WizardButton>());

    setPage(AppInitProgressPageId, new AppInitProgressPage(networkInitService, checkIfOnlineDialog));
    // The Windows installer page, the platform pages, the self-update page
    // and the download-choice page join here as their services land.
    Q_UNUSED(windowsProductInstallerUpdatePage)

    QAbstractButton* cancel = button(QWizard::CancelButton);
    disconnect(cancel, SIGNAL(clicked()), this, SLOT(reject()));
    connect(cancel, SIGNAL(clicked()), this, SLOT(cancelClicked()));
}

VornWizard::~VornWizard()
{
    delete settings_;
}

void VornWizard::cancelClicked()
{
    logger_->debug(QStringLiteral("cancelClicked"), QString());
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
