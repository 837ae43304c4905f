#include "updater/app/CheckIfOnlineDialog.h"

#include "updater/infrastructure/SimpleLogger.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

CheckIfOnlineDialog::CheckIfOnlineDialog()
    : QDialog(nullptr)
{
    tryAgainButton_ = new QPushButton(tr("Try again"));
    tryAgainButton_->setObjectName(QStringLiteral("tryAgainButton"));
    auto* installButton = new QPushButton(tr("Install without updating"));
    installButton->setObjectName(QStringLiteral("installButton"));
    auto* cancelButton = new QPushButton(tr("Cancel"));
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    connect(tryAgainButton_, SIGNAL(clicked()), this, SLOT(retryClicked()));
    connect(installButton, SIGNAL(clicked()), this, SLOT(installClicked()));
    connect(cancelButton, SIGNAL(clicked()), this, SLOT(abortClicked()));

    auto* label = new QLabel(
        tr("It was not possible to establish a connection to the update server. Please check your internet "
           "connnection and try again. Alternatively, proceed with installation using the locally available "
           "packages, or cancel the installation process."));
    label->setStyleSheet(QStringLiteral("border: 1px solid black; padding: 5px;"));
    label->setWordWrap(true);
    setWindowTitle(tr("Could not connect to server"));

    auto* buttons = new QWidget;
    auto* buttonLayout = new QHBoxLayout(buttons);
    buttonLayout->addWidget(tryAgainButton_);
    buttonLayout->addWidget(installButton);
    buttonLayout->addWidget(cancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(buttons);
    setModal(true);
    logger_ = SimpleLogger::getLogger(this);
}

CheckIfOnlineDialog::~CheckIfOnlineDialog() = default;

void CheckIfOnlineDialog::retryClicked()
{
    logger_->debug(QStringLiteral("retry clicked"), QString());
    tryAgainButton_->setEnabled(false);
    emit retrySignal();
    closeAnswered();
    tryAgainButton_->setEnabled(true);
}

void CheckIfOnlineDialog::installClicked()
{
    emit skipDownloadAndRunInstallerSignal();
    closeAnswered();
}

void CheckIfOnlineDialog::abortClicked()
{
    emit abortSignal();
    closeAnswered();
}

void CheckIfOnlineDialog::reject()
{
    // Hides directly: when the close button brought us here, a nested
    // close() would be ignored and the dialog would stay.
    if (!answered_) {
        logger_->debug(QStringLiteral("offline dialog dismissed, taken as Cancel"), QString());
        emit abortSignal();
    }
    QDialog::reject();
}

void CheckIfOnlineDialog::closeAnswered()
{
    // close() comes back through reject() while the dialog is visible.
    answered_ = true;
    close();
    answered_ = false;
}
