#include "updater/app/AskForGoOnlineDialog.h"

#include "updater/app/WindowForeground.h"
#include "updater/infrastructure/SimpleLogger.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

AskForGoOnlineDialog::AskForGoOnlineDialog(bool showSecurityWarning, QWidget* parent)
    : QDialog(parent)
{
    mainLabel_ = new QLabel(
        tr("Welcome! \n\nThe Pathwarden determines which is the most appropriate product version for download to "
           "your computer. An internet connection is required. \n\nThe following data may be exchanged between the "
           "local computer and servers of Holmgrave: information about the download and installation utilities "
           "used, the version and set language of the operating system, details about the Windows and product "
           "version (32 or 64 bit), information about which product is to be installed from which source, "
           "information about products already installed, free disk space, geolocation (based on IP), time stamp "
           "and error information. This data is made anonymous and is also analyzed in order to improve the "
           "services provided by Holmgrave. Without the exchange of this data, the update service cannot be used. "
           "Your approval is valid only for the current update process. \n\nSearch for updates now?"),
        this);
    mainLabel_->setObjectName(QStringLiteral("mainLabel"));
    mainLabel_->setWordWrap(true);
    goOnlineButton_ = new QPushButton(tr("Yes, search for updates"), this);
    goOnlineButton_->setObjectName(QStringLiteral("goOnlineButton"));
    stayOfflineButton_ = new QPushButton(tr("No, install locally available software"), this);
    stayOfflineButton_->setObjectName(QStringLiteral("stayOfflineButton"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(mainLabel_);
    layout->addSpacing(50);
    if (showSecurityWarning) {
        warningLabel_ = createSecurityWarningLabel(this);
        layout->addWidget(warningLabel_);
    }
    layout->addWidget(goOnlineButton_);
    layout->addWidget(stayOfflineButton_);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(stayOfflineButton_, SIGNAL(clicked()), this, SLOT(stayOfflineSlot()));
    connect(goOnlineButton_, SIGNAL(clicked()), this, SLOT(goOnlineSlot()));
    logger_ = SimpleLogger::getLogger(this);
}

AskForGoOnlineDialog::~AskForGoOnlineDialog() = default;

void AskForGoOnlineDialog::bringWindowToForeground()
{
    bringToForeground(this);
}

void AskForGoOnlineDialog::goOnlineSlot()
{
    logger_->debug(QStringLiteral("goOnlineSlot"), QString());
    goOnlineButton_->setEnabled(false);
    stayOfflineButton_->setEnabled(false);
    emit goOnlineSignal();
}

void AskForGoOnlineDialog::stayOfflineSlot()
{
    logger_->debug(QStringLiteral("stayOfflineSlot"), QString());
    goOnlineButton_->setEnabled(false);
    stayOfflineButton_->setEnabled(false);
    emit stayOfflineSignal();
}
