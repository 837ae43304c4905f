#include "updater/app/WindowsProductInstallerUpdatePage.h"

#include "updater/infrastructure/SimpleLogger.h"
#include "updater/services/WindowsProductInstallerUpdateService.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>
#include <QWizard>
#include <QtConcurrent/QtConcurrentRun>

WindowsProductInstallerUpdatePage::WindowsProductInstallerUpdatePage(WindowsProductInstallerUpdateService* service,
                                                                     QWidget* parent)
    : QWizardPage(parent)
    , progressBar_(new QProgressBar(this))
    , label_(new QLabel(this))
    , logger_(SimpleLogger::getLogger(this))
    , service_(service)
{
    label_->setWordWrap(true);
}

WindowsProductInstallerUpdatePage::~WindowsProductInstallerUpdatePage()
{
    checkWatcher_.waitForFinished();
    unzipWatcher_.waitForFinished();
}

void WindowsProductInstallerUpdatePage::initializePage()
{
    setTitle(tr("Preparing for Update"));
    if (initialized_)
        return;
    initialized_ = true;

    auto* layout = new QVBoxLayout(this);
    progressBar_->setRange(0, 0);
    layout->addWidget(progressBar_);
    layout->addWidget(label_);

    connect(&checkWatcher_, SIGNAL(finished()), this, SLOT(newInstallerAvailableSlot()));
    connect(&unzipWatcher_, SIGNAL(finished()), this, SLOT(unzipFinishedSlot()));
    checkWatcher_.setFuture(
        QtConcurrent::run(service_, &WindowsProductInstallerUpdateService::readDownloadChoicesFromServer));
}

void WindowsProductInstallerUpdatePage::newInstallerAvailableSlot()
{
    if (!checkWatcher_.future().result()) {
        logger_->error(QStringLiteral("server communication problem"), QString());
        moveOn();
        return;
    }
    if (!service_->isWindowsProductInstallerAvailableOnline()) {
        logger_->debug(QStringLiteral("no new installer available"), QString());
        moveOn();
        return;
    }
    logger_->debug(QStringLiteral("new installer available"), QString());
    connect(service_, SIGNAL(downloadProgress(int)), this, SLOT(downloadProgressInPercentSlot(int)));
    connect(service_, SIGNAL(downloadsFinished()), this, SLOT(downloadFinishedSlot()));
    connect(service_, SIGNAL(downloadError()), this, SLOT(downloadErrorSlot()));
    progressBar_->setRange(0, 100);
    // May end before it returns (a download refused at once).
    service_->download();
}

void WindowsProductInstallerUpdatePage::downloadProgressInPercentSlot(int value)
{
    logger_->debug(QStringLiteral("progress bar value: ") + QString::number(value), QString());
    progressBar_->setValue(value);
}

void WindowsProductInstallerUpdatePage::downloadFinishedSlot()
{
    logger_->debug(QStringLiteral("downloadFinishedSlot"), QString());
    if (done_ || unzipWatcher_.isRunning())
        return;
    unzipWatcher_.setFuture(QtConcurrent::run(service_, &WindowsProductInstallerUpdateService::unzipAndVerify));
}

void WindowsProductInstallerUpdatePage::unzipFinishedSlot()
{
    if (!unzipWatcher_.future().result())
        logger_->error(QStringLiteral("error unzipping..."), QString());
    moveOn();
}

void WindowsProductInstallerUpdatePage::downloadErrorSlot()
{
    logger_->error(QStringLiteral("downloadErrorSlot"), QString());
    moveOn();
}

void WindowsProductInstallerUpdatePage::moveOn()
{
    if (done_)
        return;
    done_ = true;
    // The service's signals have nothing more to say to this page.
    disconnect(service_, nullptr, this, nullptr);
    if (wizard())
        wizard()->next();
}
