#include "player/ui/VolumeSliderWidget.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

namespace {

QLabel* makeLabel(QWidget* parent, const char* name, Qt::Alignment alignment)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(label->sizePolicy().hasHeightForWidth());
    label->setSizePolicy(policy);
    label->setAlignment(alignment);
    return label;
}

} // namespace

void Ui::VolumeSliderWidget::setupUi(QWidget* widget)
{
    if (widget->objectName().isEmpty())
        widget->setObjectName(QStringLiteral("VolumeSliderWidget"));
    widget->resize(526, 337);

    verticalLayout = new QVBoxLayout(widget);
    verticalLayout->setSpacing(0);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    verticalLayout_2 = new QVBoxLayout();
    verticalLayout_2->setObjectName(QStringLiteral("verticalLayout_2"));

    volumeLabel = makeLabel(widget, "volumeLabel", Qt::AlignHCenter | Qt::AlignBottom);
    verticalLayout_2->addWidget(volumeLabel);

    horizontalLayout_2 = new QHBoxLayout();
    horizontalLayout_2->setObjectName(QStringLiteral("horizontalLayout_2"));
    dBValueLabel = makeLabel(widget, "dBValueLabel", Qt::AlignHCenter | Qt::AlignTop);
    horizontalLayout_2->addWidget(dBValueLabel);
    volumeValueLabel = makeLabel(widget, "volumeValueLabel", Qt::AlignHCenter | Qt::AlignTop);
    horizontalLayout_2->addWidget(volumeValueLabel);
    verticalLayout_2->addLayout(horizontalLayout_2);

    horizontalLayout = new QHBoxLayout();
    horizontalLayout->setObjectName(QStringLiteral("horizontalLayout"));
    volumeSlider = new QSlider(widget);
    volumeSlider->setObjectName(QStringLiteral("volumeSlider"));
    volumeSlider->setMinimumSize(QSize(0, 14));
    volumeSlider->setMaximumSize(QSize(16777215, 14));
    volumeSlider->setMaximum(10000);
    volumeSlider->setValue(10000);
    volumeSlider->setOrientation(Qt::Horizontal);
    horizontalLayout->addWidget(volumeSlider);
    verticalLayout_2->addLayout(horizontalLayout);

    verticalLayout->addLayout(verticalLayout_2);

    retranslateUi(widget);
    QMetaObject::connectSlotsByName(widget);
}

void Ui::VolumeSliderWidget::retranslateUi(QWidget*)
{
    volumeLabel->setText(QCoreApplication::translate("VolumeSliderWidget", "VOLUME"));
    dBValueLabel->setText(QCoreApplication::translate("VolumeSliderWidget", "0 dB"));
    volumeValueLabel->setText(QCoreApplication::translate("VolumeSliderWidget", "100 %"));
}

VolumeSliderWidget::VolumeSliderWidget(QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::VolumeSliderWidget)
{
    ui->setupUi(this);
}

VolumeSliderWidget::~VolumeSliderWidget()
{
    delete ui;
}
