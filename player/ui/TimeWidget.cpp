#include "player/ui/TimeWidget.h"

#include "player/ui/ClickableLabel.h"
#include "player/ui/SeekSlider.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

void setExpandingPreferred(QLabel* label)
{
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHorizontalStretch(0);
    policy.setVerticalStretch(0);
    policy.setHeightForWidth(label->sizePolicy().hasHeightForWidth());
    label->setSizePolicy(policy);
}

} // namespace

void Ui::TimeWidget::setupUi(QWidget* widget)
{
    if (widget->objectName().isEmpty())
        widget->setObjectName(QStringLiteral("TimeWidget"));
    widget->resize(742, 118);

    verticalLayout = new QVBoxLayout(widget);
    verticalLayout->setSpacing(0);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    gridLayout = new QGridLayout();
    gridLayout->setSpacing(0);
    gridLayout->setObjectName(QStringLiteral("gridLayout"));

    trackCaptionLabel = new QLabel(widget);
    trackCaptionLabel->setObjectName(QStringLiteral("trackCaptionLabel"));
    setExpandingPreferred(trackCaptionLabel);
    trackCaptionLabel->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    gridLayout->addWidget(trackCaptionLabel, 0, 0);

    timeCaptionLabel = new ClickableLabel(widget);
    timeCaptionLabel->setObjectName(QStringLiteral("timeCaptionLabel"));
    setExpandingPreferred(timeCaptionLabel);
    timeCaptionLabel->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    gridLayout->addWidget(timeCaptionLabel, 0, 1);

    cdTimeCaptionLabel = new ClickableLabel(widget);
    cdTimeCaptionLabel->setObjectName(QStringLiteral("cdTimeCaptionLabel"));
    setExpandingPreferred(cdTimeCaptionLabel);
    cdTimeCaptionLabel->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    gridLayout->addWidget(cdTimeCaptionLabel, 0, 2);

    trackLabel = new QLabel(widget);
    trackLabel->setObjectName(QStringLiteral("trackLabel"));
    setExpandingPreferred(trackLabel);
    trackLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    gridLayout->addWidget(trackLabel, 1, 0);

    timeLabel = new ClickableLabel(widget);
    timeLabel->setObjectName(QStringLiteral("timeLabel"));
    timeLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    gridLayout->addWidget(timeLabel, 1, 1);

    cdTimeLabel = new ClickableLabel(widget);
    cdTimeLabel->setObjectName(QStringLiteral("cdTimeLabel"));
    cdTimeLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    gridLayout->addWidget(cdTimeLabel, 1, 2);

    verticalLayout->addLayout(gridLayout);

    seekslider = new SeekSlider(widget);
    seekslider->setObjectName(QStringLiteral("seekslider"));
    seekslider->setMinimumSize(QSize(0, 14));
    seekslider->setMaximumSize(QSize(16777215, 14));
    seekslider->setOrientation(Qt::Horizontal);
    verticalLayout->addWidget(seekslider);

    retranslateUi(widget);
    QMetaObject::connectSlotsByName(widget);
}

void Ui::TimeWidget::retranslateUi(QWidget*)
{
    trackCaptionLabel->setText(QCoreApplication::translate("TimeWidget", "TRACK"));
    timeCaptionLabel->setText(QCoreApplication::translate("TimeWidget", "TIME"));
    cdTimeCaptionLabel->setText(QCoreApplication::translate("TimeWidget", "CD TIME"));
    trackLabel->setText(QCoreApplication::translate("TimeWidget", "01"));
    timeLabel->setText(QCoreApplication::translate("TimeWidget", "00:00"));
    cdTimeLabel->setText(QCoreApplication::translate("TimeWidget", "00:00"));
}

TimeWidget::TimeWidget(QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::TimeWidget)
{
    ui->setupUi(this);
}

TimeWidget::~TimeWidget()
{
    delete ui;
}
