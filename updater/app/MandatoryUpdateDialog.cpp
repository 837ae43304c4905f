#include "updater/app/MandatoryUpdateDialog.h"

#include "updater/app/WindowForeground.h"
#include "updater/infrastructure/SimpleLogger.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

MandatoryUpdateDialog::MandatoryUpdateDialog(bool showSecurityWarning, const QString& productLink, QWidget* parent)
    : QDialog(parent)
{
    const QString anchor = QStringLiteral("<a href=\"%1\">%1</a>").arg(productLink);
    mainLabel_ = new QLabel(
        tr("Welcome! <br><br><b>This DVD does not contain all components for a complete product installation. The "
           "product cannot be run unless the required components are downloaded.</b> <br><br>The Pathwarden "
           "downloads the missing components automatically. An internet connection is required. If you cannot "
           "download the installer from this computer please download the components manually here: "
           "<br><br>%1<br><br>The following data may be exchanged between the local computer and servers of "
           "Holmgrave: information about the download and installation utilities used, the version and set "
           "language of the operating system, details about the Windows and product version, information about "
           "which product is to be installed from which source, information about products already installed, free "
           "disk space, geolocation (based on IP), time stamp and error information. This data is made anonymous "
           "and is also analyzed in order to improve the services provided by Holmgrave. Without the exchange of "
           "this data, the update service cannot be used. Your approval is valid only for the current update "
           "process. <br><br>Download and install now?")
            .arg(anchor),
        this);
    mainLabel_->setObjectName(QStringLiteral("mainLabel"));
    mainLabel_->setTextFormat(Qt::RichText);
    mainLabel_->setTextInteractionFlags(Qt::TextBrowserInteraction);
    mainLabel_->setOpenExternalLinks(true);
    mainLabel_->setWordWrap(true);
    goOnlineButton_ = new QPushButton(tr("Yes, download and install components"), this);
    goOnlineButton_->setObjectName(QStringLiteral("goOnlineButton"));
    stayOfflineButton_ = new QPushButton(tr("No, do not download. Install DVD content only"), this);
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

MandatoryUpdateDialog::~MandatoryUpdateDialog() = default;

void MandatoryUpdateDialog::bringWindowToForeground()
{
    bringToForeground(this);
}

void MandatoryUpdateDialog::goOnlineSlot()
{
    logger_->debug(QStringLiteral("goOnlineSlot"), QString());
    goOnlineButton_->setEnabled(false);
    stayOfflineButton_->setEnabled(false);
    emit goOnlineSignal();
}

void MandatoryUpdateDialog::stayOfflineSlot()
{
    logger_->debug(QStringLiteral("stayOfflineSlot"), QString());
    goOnlineButton_->setEnabled(false);
    stayOfflineButton_->setEnabled(false);
    emit stayOfflineSignal();
}
