#include "updater/app/AppInitProgressPage.h"

#include "updater/app/CheckIfOnlineDialog.h"
#include "updater/infrastructure/NetworkInitService.h"
#include "updater/infrastructure/SimpleLogger.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QWizard>
#include <QtConcurrent/QtConcurrentRun>

AppInitProgressPage::AppInitProgressPage(AbstractNetworkInitService* networkInitService,
                                         CheckIfOnlineDialog* checkIfOnlineDialog)
    : QWizardPage(nullptr)
    , networkInitService_(networkInitService)
    , label_(new QLabel(this))
    , logger_(SimpleLogger::getLogger(this))
    , checkIfOnlineDialog_(checkIfOnlineDialog)
{
    label_->setWordWrap(true);
}

AppInitProgressPage::~AppInitProgressPage()
{
    // A check may still run on the pool; its result has nowhere to go.
    certificateWatcher_.waitForFinished();
    onlineWatcher_.waitForFinished();
    registrationWatcher_.waitForFinished();
}

void AppInitProgressPage::initializePage()
{
    setTitle(tr("Preparing for Update"));
    if (initialized_)
        return;
    initialized_ = true;

    auto* layout = new QVBoxLayout(this);
    auto* progressBar = new QProgressBar(this);
    progressBar->setMinimum(0);
    progressBar->setMaximum(0);
    layout->addWidget(progressBar);
    layout->addWidget(label_);

    connect(&certificateWatcher_, SIGNAL(finished()), this,
            SLOT(sslValidationFinishedAndGoToCheckInternetConnectionSlot()));
    connect(&onlineWatcher_, SIGNAL(finished()), this, SLOT(checkConnectionResultSlot()));
    connect(&registrationWatcher_, SIGNAL(finished()), this, SLOT(finishWizardPage()));

    connect(checkIfOnlineDialog_, SIGNAL(retrySignal()), this,
            SLOT(sslValidationFinishedAndGoToCheckInternetConnectionSlot()));
    connect(checkIfOnlineDialog_, SIGNAL(abortSignal()), networkInitService_, SIGNAL(appCanceledByUserSignal()));
    connect(checkIfOnlineDialog_, SIGNAL(skipDownloadAndRunInstallerSignal()), networkInitService_,
            SIGNAL(appRunOfflineByUserSignal()));

    certificateWatcher_.setFuture(
        QtConcurrent::run(networkInitService_, &AbstractNetworkInitService::isSSLCertificateValid));
}

void AppInitProgressPage::sslValidationFinishedAndGoToCheckInternetConnectionSlot()
{
    logger_->debug(QStringLiteral("sslValidationFinishedAndGoToCheckInternetConnectionSlot"), QString());
    // The certificate check runs once; "Try again" reuses its result.
    if (certificateWatcher_.future().result()) {
        onlineWatcher_.setFuture(QtConcurrent::run(networkInitService_, &AbstractNetworkInitService::isOnline));
        return;
    }
    logger_->error(QStringLiteral("Certificate check is not ok."), QString());
    QMessageBox box(QMessageBox::Critical, QString(),
                    tr("Could not establish secure server communication.\n\nThe Pathwarden will stop.")
                        + tr("\n\nPlease try again later, or contact Holmgrave Support in case the problem persists."));
    box.setObjectName(QStringLiteral("secureCommunicationFailedMessage"));
    box.exec();
    emit checkIfOnlineDialog_->abortSignal();
    // The abort path ends the run like a user's cancel, with 0; a run that
    // could not trust its server failed, as the other fatal boxes say.
    QCoreApplication::exit(-1);
}

void AppInitProgressPage::checkConnectionResultSlot()
{
    logger_->debug(QStringLiteral("checkConnectionResultSlot"), QString());
    if (onlineWatcher_.future().result())
        QTimer::singleShot(0, this, SLOT(createRemoteAppenderSlot()));
    else
        QTimer::singleShot(0, checkIfOnlineDialog_, SLOT(show()));
}

void AppInitProgressPage::createRemoteAppenderSlot()
{
    logger_->debug(QStringLiteral("createRemoteAppenderSlot"), QString());
    registrationWatcher_.setFuture(
        QtConcurrent::run(networkInitService_, &AbstractNetworkInitService::registerRemoteAppender));
}

void AppInitProgressPage::finishWizardPage()
{
    logger_->debug(QStringLiteral("finishWizardPage"), QString());
    if (wizard())
        wizard()->next();
}
