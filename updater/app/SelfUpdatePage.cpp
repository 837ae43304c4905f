#include "updater/app/SelfUpdatePage.h"

#include "updater/infrastructure/SimpleLogger.h"
#include "updater/services/SelfUpdateService.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QWizard>

SelfUpdatePage::SelfUpdatePage(SelfUpdateService* selfUpdateService, QWidget* parent)
    : QWizardPage(parent)
    , selfUpdateService_(selfUpdateService)
    , logger_(SimpleLogger::getLogger(this))
{
}

void SelfUpdatePage::buildViews()
{
    views_ = new QStackedWidget(this);

    auto* progressView = new QWidget(views_);
    auto* progressLayout = new QVBoxLayout(progressView);
    progressBar_ = new QProgressBar(progressView);
    progressBar_->setRange(0, 0);
    progressLabel_ = new QLabel(progressView);
    progressLabel_->setObjectName(QStringLiteral("progressLabel"));
    progressLabel_->setWordWrap(true);
    progressLayout->addWidget(progressBar_);
    progressLayout->addWidget(progressLabel_);
    progressLayout->addStretch(1);

    auto* tooOldView = new QWidget(views_);
    auto* tooOldLayout = new QVBoxLayout(tooOldView);
    clientTooOldLabel_ = new QLabel(tooOldView);
    clientTooOldLabel_->setObjectName(QStringLiteral("clientTooOldLabel"));
    clientTooOldLabel_->setWordWrap(true);
    installWithoutUpdatingButton_ = new QPushButton(tr("Install without updating"), tooOldView);
    installWithoutUpdatingButton_->setObjectName(QStringLiteral("installWithoutUpdatingButton"));
    cancelInstallationButton_ = new QPushButton(tr("Cancel installation"), tooOldView);
    cancelInstallationButton_->setObjectName(QStringLiteral("cancelInstallationButton"));
    tooOldLayout->addWidget(clientTooOldLabel_);
    tooOldLayout->addSpacing(50);
    tooOldLayout->addWidget(installWithoutUpdatingButton_);
    tooOldLayout->addWidget(cancelInstallationButton_);
    connect(installWithoutUpdatingButton_, SIGNAL(clicked()), this, SIGNAL(clientTooOldInstallWithoutUpdating()));
    connect(cancelInstallationButton_, SIGNAL(clicked()), this, SIGNAL(clientTooOldCancelInstallation()));

    views_->addWidget(progressView);
    views_->addWidget(tooOldView);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(views_);
}

void SelfUpdatePage::initializePage()
{
    setTitle(tr("Preparing for Update"));
    // Entered once per run; a second entry must neither connect twice (each
    // signal would be handled twice) nor build a second set of views.
    if (!views_) {
        connect(selfUpdateService_, SIGNAL(downloadStarted()), this, SLOT(downloadStartedSlot()));
        connect(selfUpdateService_, SIGNAL(downloadError(QString)), this, SLOT(downloadErrorSlot(QString)));
        connect(selfUpdateService_, SIGNAL(downloadsFinished()), this, SLOT(downloadFinishedSlot()));
        connect(selfUpdateService_, SIGNAL(downloadProgressInPercent(int)), this,
                SLOT(downloadProgressInPercentSlot(int)));
        connect(selfUpdateService_, SIGNAL(storeWaiting(bool)), this, SLOT(storeWaitingSlot(bool)));
        buildViews();
    }
    views_->setCurrentIndex(0);
    if (QWizard* owner = wizard())
        owner->button(QWizard::CancelButton)->setEnabled(false);
    QTimer::singleShot(0, this, SLOT(checkForNewUpdatesSlot()));
}

bool SelfUpdatePage::isComplete() const
{
    return complete_;
}

void SelfUpdatePage::checkForNewUpdatesSlot()
{
    const int result = selfUpdateService_->checkSelfUpdate();
    switch (result) {
    case 0:
        progressBar_->setRange(0, 100);
        progressBar_->setValue(0);
        selfUpdateService_->downloadUpdate();
        break;
    case 1:
        progressBar_->setRange(0, 100);
        progressBar_->setValue(100);
        complete_ = true;
        emit completeChanged();
        if (QWizard* owner = wizard()) {
            // The button is not shown; clicking it still moves the wizard on.
            owner->button(QWizard::NextButton)->setEnabled(true);
            owner->button(QWizard::NextButton)->click();
        }
        break;
    case 2:
        clientTooOldLabel_->setText(selfUpdateService_->getClientTooOldErrorText());
        setTitle(tr("Error"));
        views_->setCurrentIndex(1);
        break;
    case AbstractSelfUpdateService::kCheckCancelled:
        // The run is ending: the wizard stays where it is.
        break;
    default:
        logger_->error(QStringLiteral("Unknown switch case: %1").arg(result), QString());
        break;
    }
}

void SelfUpdatePage::downloadStartedSlot()
{
    logger_->info(QStringLiteral("downloadStartedSlot"), QString());
    progressBar_->setValue(0);
    showPreparingText();
}

void SelfUpdatePage::showPreparingText()
{
    progressLabel_->setText(
        tr("The Pathwarden is currently preparing for update. Afterwards, the Pathwarden will automatically restart "
           "and look for updates of the product you are about to install. \n\nPlease wait until the Pathwarden has "
           "restarted, and follow the instructions on screen. "));
}

void SelfUpdatePage::storeWaitingSlot(bool waiting)
{
    // The download is done; the bar moves without an end while this run
    // waits, and is full again once it goes on.
    progressBar_->setRange(0, waiting ? 0 : 100);
    progressBar_->setValue(100);
    if (waiting)
        progressLabel_->setText(tr("Another Pathwarden window is updating. This one waits until that update is "
                                   "finished, then goes on by itself."));
    else
        showPreparingText();
}

void SelfUpdatePage::downloadProgressInPercentSlot(int value)
{
    progressBar_->setValue(value);
}

void SelfUpdatePage::downloadFinishedSlot()
{
    logger_->info(QStringLiteral("downloadFinishedSlot"), QString());
}

void SelfUpdatePage::downloadErrorSlot(QString text)
{
    progressBar_->setValue(100);
    // Logged before the box waits for the user, so that the log holds the
    // cause also when the box is never answered.
    logger_->error(QStringLiteral("Self UpdatePage download error."), QStringLiteral("downloadErrorSlot: ") + text);
    // A cause the user can mend (a folder that cannot be used, a full disk)
    // is named in the box, in the words it was made with: the user's
    // language.
    const QString cause = text.isEmpty() ? QString() : tr("\n\nCause: %1").arg(text);
    QMessageBox box(QMessageBox::Critical, QString(),
                    tr("An error has occurred.\n\nThe Pathwarden will stop.") + cause
                        + tr("\n\nPlease try again later, or contact Holmgrave Support in case the problem persists."));
    box.setObjectName(QStringLiteral("selfUpdateFailedMessage"));
    box.exec();
    QCoreApplication::exit(-1);
}
