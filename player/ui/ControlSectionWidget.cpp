#include "player/ui/ControlSectionWidget.h"

#include "player/ui/InfoBoxWidget.h"
#include "player/ui/Pixmaps.h"
#include "player/ui/TableViewWidget.h"
#include "player/ui/TimeWidget.h"
#include "player/ui/TransportWidget.h"
#include "player/ui/VolumeSliderWidget.h"

#include <QBrush>
#include <QHBoxLayout>
#include <QPainter>
#include <QPixmap>
#include <QSpacerItem>
#include <QVBoxLayout>

void paintSectionTexture(QWidget* section)
{
    QPainter painter(section);
    const QBrush texture(loadPixmap(section, QStringLiteral(":pattern")));
    painter.fillRect(QRect(QPoint(10, 0), QPoint(section->width() - 11, section->height() - 1)), texture);
}

void Ui::ControlSectionWidget::setupUi(QWidget* widget)
{
    if (widget->objectName().isEmpty())
        widget->setObjectName(QStringLiteral("ControlSectionWidget"));
    verticalLayout1 = new QVBoxLayout(widget);
    verticalLayout1->setSpacing(0);
    verticalLayout1->setObjectName(QStringLiteral("verticalLayout1"));

    horizontalLayout1 = new QHBoxLayout();
    horizontalLayout1->setObjectName(QStringLiteral("horizontalLayout1"));
    infoBox = new ::InfoBoxWidget(widget);
    infoBox->setObjectName(QStringLiteral("infoBox"));
    horizontalLayout1->addWidget(infoBox);
    verticalLayout1->addLayout(horizontalLayout1);

    tableViewWidget = new ::TableViewWidget(widget);
    tableViewWidget->setObjectName(QStringLiteral("tableViewWidget"));
    verticalLayout1->addWidget(tableViewWidget);

    horizontalLayout2 = new QHBoxLayout();
    horizontalLayout2->setSpacing(0);
    horizontalLayout2->setObjectName(QStringLiteral("horizontalLayout2"));
    horizontalSpacerLeft = new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum);
    horizontalLayout2->addItem(horizontalSpacerLeft);

    timeWidget = new ::TimeWidget(widget);
    timeWidget->setObjectName(QStringLiteral("timeWidget"));
    timeWidget->setMinimumSize(QSize(148, 72));
    timeWidget->setMaximumSize(QSize(158, 72));
    horizontalLayout2->addWidget(timeWidget);

    transportWidget = new ::TransportWidget(widget);
    transportWidget->setObjectName(QStringLiteral("transportWidget"));
    transportWidget->setMinimumSize(QSize(148, 50));
    transportWidget->setMaximumSize(QSize(148, 50));
    horizontalLayout2->addWidget(transportWidget);

    volumeSliderWidget = new ::VolumeSliderWidget(widget);
    volumeSliderWidget->setObjectName(QStringLiteral("volumeSliderWidget"));
    volumeSliderWidget->setMinimumSize(QSize(148, 72));
    volumeSliderWidget->setMaximumSize(QSize(158, 72));
    horizontalLayout2->addWidget(volumeSliderWidget);

    horizontalSpacerRight = new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum);
    horizontalLayout2->addItem(horizontalSpacerRight);
    verticalLayout1->addLayout(horizontalLayout2);

    QMetaObject::connectSlotsByName(widget);
}

ControlSectionWidget::ControlSectionWidget(QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::ControlSectionWidget)
{
    ui->setupUi(this);
}

ControlSectionWidget::~ControlSectionWidget()
{
    delete ui;
}

void ControlSectionWidget::paintEvent(QPaintEvent*)
{
    paintSectionTexture(this);
}
