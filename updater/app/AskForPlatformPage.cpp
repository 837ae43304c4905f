#include "updater/app/AskForPlatformPage.h"

#include "updater/infrastructure/SimpleLogger.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QWizard>

AskForPlatformPage::AskForPlatformPage(QWidget* parent)
    : QWizardPage(parent)
    , label_(new QLabel(this))
    , logger_(SimpleLogger::getLogger(this))
    , install32BitButton_(new QPushButton(this))
    , install64BitButton_(new QPushButton(this))
{
    label_->setObjectName(QStringLiteral("platformQuestionLabel"));
    install32BitButton_->setObjectName(QStringLiteral("install32BitButton"));
    install64BitButton_->setObjectName(QStringLiteral("install64BitButton"));
}

void AskForPlatformPage::initializePage()
{
    setTitle(tr("Select Operating System Version"));
    label_->setText(tr("You are using Windows 64 bit.\n\nPlease select which version of %1 to install.")
                        .arg(tr("Holmgrave's software")));
    label_->setWordWrap(true);
    install64BitButton_->setText(tr("Install 64 bit Version"));
    install32BitButton_->setText(tr("Install 32 bit Version"));
    if (!initialized_) {
        initialized_ = true;
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(label_);
        layout->addSpacing(50);
        layout->addWidget(install64BitButton_);
        layout->addWidget(install32BitButton_);
        connect(install64BitButton_, SIGNAL(clicked()), this, SLOT(win64Slot()));
        connect(install32BitButton_, SIGNAL(clicked()), this, SLOT(win32Slot()));
    }
    if (wizard())
        wizard()->setButtonLayout({QWizard::Stretch});
    // The wizard hands the default to its own hidden Next or Finish button
    // right after initializePage; take it back once the page is up, so
    // that Enter reaches this button.
    QTimer::singleShot(0, install64BitButton_, [button = install64BitButton_] {
        button->setDefault(true);
        button->setFocus();
    });
}

void AskForPlatformPage::win64Slot()
{
    choose(&AskForPlatformPage::win64PlatformSelectedSignal);
}

void AskForPlatformPage::win32Slot()
{
    choose(&AskForPlatformPage::win32PlatformSelectedSignal);
}

void AskForPlatformPage::choose(void (AskForPlatformPage::*selectedSignal)())
{
    if (!install64BitButton_->isEnabled())
        return;
    install64BitButton_->setEnabled(false);
    install32BitButton_->setEnabled(false);
    logger_->debug(selectedSignal == &AskForPlatformPage::win64PlatformSelectedSignal
                       ? QStringLiteral("64 bit version selected")
                       : QStringLiteral("32 bit version selected"),
                   QString());
    emit(this->*selectedSignal)();
    if (wizard())
        wizard()->next();
}
