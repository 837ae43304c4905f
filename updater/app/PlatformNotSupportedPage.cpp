#include "updater/app/PlatformNotSupportedPage.h"

#include "updater/infrastructure/SimpleLogger.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QWizard>

PlatformNotSupportedPage::PlatformNotSupportedPage(QWidget* parent)
    : QWizardPage(parent)
    , label_(new QLabel(this))
    , logger_(SimpleLogger::getLogger(this))
    , quitButton_(new QPushButton(this))
{
    label_->setObjectName(QStringLiteral("platformNotSupportedLabel"));
    quitButton_->setObjectName(QStringLiteral("quitInstallationButton"));
}

void PlatformNotSupportedPage::initializePage()
{
    logger_->debug(QStringLiteral("initializePage"), QString());
    setTitle(tr("Operating system not supported"));
    label_->setText(tr("This software is only available for 64-bit operating systems.\nYou are running a 32-bit "
                       "operating system."));
    label_->setWordWrap(true);
    quitButton_->setText(tr("Quit installation"));
    if (!initialized_) {
        initialized_ = true;
        connect(quitButton_, SIGNAL(clicked()), this, SIGNAL(platformNotSupportedQuitInstallation()));
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(label_);
        layout->addSpacing(50);
        layout->addWidget(quitButton_);
    }
    if (wizard())
        wizard()->setButtonLayout({QWizard::Stretch});
    // The wizard hands the default to its own hidden Next or Finish button
    // right after initializePage; take it back once the page is up, so
    // that Enter reaches this button.
    QTimer::singleShot(0, quitButton_, [button = quitButton_] {
        button->setDefault(true);
        button->setFocus();
    });
}
