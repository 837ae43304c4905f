#include "updater/app/VornWizard.h"

#include "updater/app/AppInitProgressPage.h"
#include "updater/app/WindowForeground.h"
#include "updater/infrastructure/SimpleLogger.h"
#include "updater/infrastructure/VornSettings.h"

#include <QAbstractButton>

VornWizard::VornWizard(AbstractNetworkInitService* networkInitService, RESTClient* restClient, VornApp* app,
                       int platform, CheckIfOnlineDialog* checkIfOnlineDialog, QWidget* parent)
    : QWizard(parent)
    , logger_(SimpleLogger::getLogger(this))
    , app_(app)
    , restClient_(restClient)
    , platform_(platform)
{
    logger_->debug(QStringLiteral("creating wizard"), QString());
    settings_ = new VornSettings();
    setWizardStyle(QWizard::ModernStyle);
    setButtonLayout(QList<QWizard::WizardButton>());

    setPage(AppInitProgressPageId, new AppInitProgressPage(networkInitService, checkIfOnlineDialog));

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
    close();
}

void VornWizard::bringWindowToForeground()
{
    bringToForeground(this);
}
