#include "player/ui/MeterSectionWidget.h"

#include "player/ui/ControlSectionWidget.h"
#include "player/ui/LevelMeterWidget.h"
#include "player/ui/MeterNumericalDisplayWidget.h"

#include <QHBoxLayout>
#include <QSpacerItem>

void Ui::MeterSectionWidget::setupUi(QWidget* widget)
{
    if (widget->objectName().isEmpty())
        widget->setObjectName(QStringLiteral("MeterSectionWidget"));
    horizontalLayout = new QHBoxLayout(widget);
    horizontalLayout->setObjectName(QStringLiteral("horizontalLayout"));
    int top = 0;
    int right = 0;
    int bottom = 0;
    horizontalLayout->getContentsMargins(nullptr, &top, &right, &bottom);
    horizontalLayout->setContentsMargins(4, top, right, bottom);

    levelMeterHolderWidget = new QWidget(widget);
    levelMeterHolderWidget->setObjectName(QStringLiteral("levelMeterHolderWidget"));
    horizontalLayout1 = new QHBoxLayout(levelMeterHolderWidget);
    horizontalLayout1->setObjectName(QStringLiteral("horizontalLayout1"));
    horizontalLayout1->setContentsMargins(0, 0, 0, 0);

    horizontalSpacerLeft = new QSpacerItem(9, 0, QSizePolicy::Expanding, QSizePolicy::Minimum);
    horizontalLayout1->addItem(horizontalSpacerLeft);

    levelMeter = new ::LevelMeterWidget(levelMeterHolderWidget);
    levelMeter->setObjectName(QStringLiteral("levelMeter"));
    QSizePolicy meterPolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    meterPolicy.setHorizontalStretch(3);
    meterPolicy.setHeightForWidth(levelMeter->sizePolicy().hasHeightForWidth());
    levelMeter->setSizePolicy(meterPolicy);
    levelMeter->setMinimumSize(QSize(10, 68));
    levelMeter->setMaximumSize(QSize(450, 164));
    horizontalLayout1->addWidget(levelMeter);

    horizontalSpacerMiddle = new QSpacerItem(6, 0, QSizePolicy::Fixed, QSizePolicy::Minimum);
    horizontalLayout1->addItem(horizontalSpacerMiddle);

    numericalDisplay = new ::MeterNumericalDisplayWidget(levelMeterHolderWidget);
    numericalDisplay->setObjectName(QStringLiteral("numericalDisplay"));
    QSizePolicy displayPolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    displayPolicy.setHorizontalStretch(1);
    displayPolicy.setHeightForWidth(numericalDisplay->sizePolicy().hasHeightForWidth());
    numericalDisplay->setSizePolicy(displayPolicy);
    numericalDisplay->setMinimumSize(QSize(106, 60));
    numericalDisplay->setMaximumSize(QSize(106, 60));
    horizontalLayout1->addWidget(numericalDisplay);

    horizontalSpacerRight = new QSpacerItem(9, 0, QSizePolicy::Expanding, QSizePolicy::Minimum);
    horizontalLayout1->addItem(horizontalSpacerRight);

    horizontalLayout->addWidget(levelMeterHolderWidget);

    QMetaObject::connectSlotsByName(widget);
}

MeterSectionWidget::MeterSectionWidget(QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::MeterSectionWidget)
{
    ui->setupUi(this);
}

MeterSectionWidget::~MeterSectionWidget()
{
    delete ui;
}

void MeterSectionWidget::paintEvent(QPaintEvent*)
{
    paintSectionTexture(this);
}
