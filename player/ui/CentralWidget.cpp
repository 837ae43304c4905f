#include "player/ui/CentralWidget.h"

#include "player/ui/Constants.h"
#include "player/ui/ControlSectionWidget.h"
#include "player/ui/MenuBar.h"
#include "player/ui/MeterSectionWidget.h"
#include "player/ui/Pixmaps.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QSizeGrip>
#include <QSpacerItem>
#include <QVBoxLayout>

namespace {

const QSizeF cornerBox(19, 26);

// The rounded body between x = left and the right edge less left, from
// y = top to the height less top; every corner an arc in cornerBox.
QPainterPath bodyPath(qreal left, qreal top, int w, int h)
{
    const qreal right = w - left - cornerBox.width();
    const qreal bottom = h - top - cornerBox.height();
    QPainterPath path;
    path.arcMoveTo(QRectF(QPointF(left, top), cornerBox), 180);
    path.arcTo(QRectF(QPointF(left, top), cornerBox), 180, -90);
    path.arcTo(QRectF(QPointF(right, top), cornerBox), 90, -90);
    path.arcTo(QRectF(QPointF(right, bottom), cornerBox), 0, -90);
    path.arcTo(QRectF(QPointF(left, bottom), cornerBox), 270, -90);
    path.closeSubpath();
    return path;
}

} // namespace

void Ui::CentralWidget::setupUi(QWidget* widget)
{
    if (widget->objectName().isEmpty())
        widget->setObjectName(QStringLiteral("centralwidget"));
    widget->setMinimumSize(QSize(466, 0));

    verticalLayout1 = new QVBoxLayout(widget);
    verticalLayout1->setSpacing(5);
    verticalLayout1->setObjectName(QStringLiteral("verticalLayout1"));
    int bottom = 0;
    verticalLayout1->getContentsMargins(nullptr, nullptr, nullptr, &bottom);
    verticalLayout1->setContentsMargins(0, 9, 0, bottom);

    horizontalLayoutMenu = new QHBoxLayout();
    horizontalLayoutMenu->setObjectName(QStringLiteral("horizontalLayoutMenu"));
    int top = 0;
    horizontalLayoutMenu->getContentsMargins(nullptr, &top, nullptr, nullptr);
    horizontalLayoutMenu->setContentsMargins(0, top, 0, 0);
    menuBar = new MenuBar(widget);
    menuBar->setObjectName(QStringLiteral("menuBar"));
    menuBar->setMinimumSize(QSize(0, 18));
    menuBar->setMaximumSize(QSize(16777215, 18));
    horizontalLayoutMenu->addWidget(menuBar);

    verticalLayout2 = new QVBoxLayout();
    verticalLayout2->setObjectName(QStringLiteral("verticalLayout2"));
    verticalLayout2->getContentsMargins(nullptr, nullptr, nullptr, &bottom);
    verticalLayout2->setContentsMargins(9, 0, 9, bottom);
    controlSection = new ::ControlSectionWidget(widget);
    controlSection->setObjectName(QStringLiteral("controlSection"));
    QSizePolicy controlPolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    controlPolicy.setVerticalStretch(10);
    controlSection->setSizePolicy(controlPolicy);
    verticalLayout2->addWidget(controlSection);
    meterSection = new ::MeterSectionWidget(widget);
    meterSection->setObjectName(QStringLiteral("meterSection"));
    QSizePolicy meterPolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    meterPolicy.setVerticalStretch(1);
    meterSection->setSizePolicy(meterPolicy);
    verticalLayout2->addWidget(meterSection);

    verticalSpacer = new QSpacerItem(0, 12, QSizePolicy::Expanding, QSizePolicy::Minimum);

    horizontalLayout4 = new QHBoxLayout();
    horizontalLayout4->setObjectName(QStringLiteral("horizontalLayout4"));
    horizontalLayout4->getContentsMargins(nullptr, &top, nullptr, nullptr);
    horizontalLayout4->setContentsMargins(16, top, 16, 8);
    holmgraveLogoLabel = new QLabel(widget);
    holmgraveLogoLabel->setObjectName(QStringLiteral("holmgraveLogoLabel"));
    holmgraveLogoLabel->setFixedSize(104, 24);
    holmgraveLogoLabel->setScaledContents(true);
    horizontalLayout4->addWidget(holmgraveLogoLabel);
    horizontalSpacer = new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum);
    horizontalLayout4->addItem(horizontalSpacer);
    ddpLogoLabel = new QLabel(widget);
    ddpLogoLabel->setObjectName(QStringLiteral("ddpLogoLabel"));
    ddpLogoLabel->setFixedSize(80, 20);
    ddpLogoLabel->setScaledContents(true);
    horizontalLayout4->addWidget(ddpLogoLabel);

    verticalLayout1->addLayout(horizontalLayoutMenu);
    verticalLayout1->addLayout(verticalLayout2);
    verticalLayout1->addItem(verticalSpacer);
    verticalLayout1->addLayout(horizontalLayout4);

    QMetaObject::connectSlotsByName(widget);
}

CentralWidget::CentralWidget(QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::CentralWidget)
{
    ui->setupUi(this);
    ui->controlSection->setObjectName(QStringLiteral("controlSection"));
    ui->meterSection->setObjectName(QStringLiteral("meterSection"));
    ui->holmgraveLogoLabel->setPixmap(loadPixmap(this, QStringLiteral(":holmgrave_logo")));
    ui->ddpLogoLabel->setPixmap(loadPixmap(this, QStringLiteral(":ddp_logo")));

    grip = new QSizeGrip(this);
    const QSize hint = grip->sizeHint();
    grip->resize(hint.width(), hint.height() + 1);
    grip->move(width() - grip->width(), height() - grip->height());
    grip->setEnabled(false);
    grip->hide();
}

CentralWidget::~CentralWidget()
{
    delete grip;
    delete ui;
}

void CentralWidget::resizeEvent(QResizeEvent* event)
{
    grip->move(width() - grip->width(), height() - grip->height());
    grip->show();
    grip->raise();
    QWidget::resizeEvent(event);
}

void CentralWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int w = width();
    const int h = height();
    const int y0 = ui->menuBar->geometry().top();
    painter.fillRect(QRect(0, 0, w, h), Qt::black);

    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillPath(bodyPath(9, y0, w, h), QColor(44, 44, 44));
    painter.fillPath(bodyPath(10, y0 + 1, w, h), backgroundColor);

    const int cx = ui->controlSection->geometry().x();
    const int mb = ui->menuBar->geometry().y() + ui->menuBar->geometry().height();
    const int meterBottom = ui->meterSection->geometry().bottom();
    QPainterPath panel;
    panel.addRoundedRect(QRectF(2 * cx - 4, mb, w - 4 * cx + 8, meterBottom + 8 - mb), 1.0, 1.0, Qt::RelativeSize);
    painter.fillPath(panel, Qt::black);
}
