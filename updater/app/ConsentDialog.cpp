#include "updater/app/ConsentDialog.h"

#include "updater/app/WindowForeground.h"
#include "updater/infrastructure/SimpleLogger.h"

#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QVBoxLayout>

ConsentDialog::ConsentDialog(bool showSecurityWarning, const QString& mainText, const QString& goOnlineText,
                             const QString& stayOfflineText, QWidget* parent)
    : QDialog(parent)
{
    mainLabel_ = new QLabel(mainText, this);
    mainLabel_->setObjectName(QStringLiteral("mainLabel"));
    mainLabel_->setWordWrap(true);
    goOnlineButton_ = new QPushButton(goOnlineText, this);
    goOnlineButton_->setObjectName(QStringLiteral("goOnlineButton"));
    stayOfflineButton_ = new QPushButton(stayOfflineText, this);
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
}

ConsentDialog::~ConsentDialog() = default;

void ConsentDialog::bringWindowToForeground()
{
    bringToForeground(this);
}

void ConsentDialog::goOnlineSlot()
{
    logger_->debug(QStringLiteral("goOnlineSlot"), QString());
    disableAnswers();
    emit goOnlineSignal();
}

void ConsentDialog::stayOfflineSlot()
{
    logger_->debug(QStringLiteral("stayOfflineSlot"), QString());
    disableAnswers();
    emit stayOfflineSignal();
}

void ConsentDialog::disableAnswers()
{
    goOnlineButton_->setEnabled(false);
    stayOfflineButton_->setEnabled(false);
}
