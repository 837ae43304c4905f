#include "player/ui/TransportWidget.h"

#include "player/ui/TransportButton.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QIcon>

namespace {

TransportButton* makeButton(QWidget* parent, const char* name, const char* icon)
{
    auto* button = new TransportButton(parent);
    button->setObjectName(QLatin1String(name));
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHorizontalStretch(1);
    policy.setVerticalStretch(1);
    policy.setHeightForWidth(button->sizePolicy().hasHeightForWidth());
    button->setSizePolicy(policy);
    button->setMinimumSize(QSize(30, 30));
    button->setMaximumSize(QSize(30, 30));
    const QString iconName = QLatin1String(icon);
    QIcon buttonIcon;
    if (QIcon::hasThemeIcon(iconName)) {
        buttonIcon = QIcon::fromTheme(iconName);
    } else {
        buttonIcon.addFile(iconName, QSize(), QIcon::Normal, QIcon::Off);
    }
    button->setIcon(buttonIcon);
    button->setAutoRaise(true);
    return button;
}

} // namespace

void Ui::TransportWidget::setupUi(QWidget* widget)
{
    if (widget->objectName().isEmpty())
        widget->setObjectName(QStringLiteral("TransportWidget"));
    horizontalLayout = new QHBoxLayout(widget);
    horizontalLayout->setObjectName(QStringLiteral("horizontalLayout"));
    backButton = makeButton(widget, "backButton", ":back_icon");
    horizontalLayout->addWidget(backButton);
    nextButton = makeButton(widget, "nextButton", ":next_icon");
    horizontalLayout->addWidget(nextButton);
    stopButton = makeButton(widget, "stopButton", ":stop_icon");
    horizontalLayout->addWidget(stopButton);
    playButton = makeButton(widget, "playButton", ":play_icon");
    horizontalLayout->addWidget(playButton);

    retranslateUi(widget);
    QMetaObject::connectSlotsByName(widget);
}

void Ui::TransportWidget::retranslateUi(QWidget*)
{
    backButton->setToolTip(QCoreApplication::translate("TransportWidget", "Skip to previous track"));
    nextButton->setToolTip(QCoreApplication::translate("TransportWidget", "Skip to next track"));
    stopButton->setToolTip(QCoreApplication::translate("TransportWidget", "Stop playback"));
    playButton->setToolTip(QCoreApplication::translate("TransportWidget", "Start playback from cursor"));
}

TransportWidget::TransportWidget(QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::TransportWidget)
{
    ui->setupUi(this);
}

TransportWidget::~TransportWidget()
{
    delete ui;
}
