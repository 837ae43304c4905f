#include "player/ui/MeterNumericalDisplayWidget.h"

#include "player/ui/ClickableLabel.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QSpacerItem>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

void Ui::MeterNumericalDisplayWidget::setupUi(QWidget* widget)
{
    if (widget->objectName().isEmpty())
        widget->setObjectName(QStringLiteral("MeterNumericalDisplayWidget"));
    horizontalLayout1 = new QHBoxLayout(widget);
    horizontalLayout1->setSpacing(0);
    horizontalLayout1->setObjectName(QStringLiteral("horizontalLayout1"));
    int left = 0;
    int right = 0;
    int bottom = 0;
    horizontalLayout1->getContentsMargins(&left, nullptr, &right, &bottom);
    horizontalLayout1->setContentsMargins(left, 4, right, bottom);

    verticalLayout1 = new QVBoxLayout();
    verticalLayout1->setSpacing(0);
    verticalLayout1->setObjectName(QStringLiteral("verticalLayout1"));
    levelCaptionLabel = new QLabel(widget);
    levelCaptionLabel->setObjectName(QStringLiteral("levelCaptionLabel"));
    levelCaptionLabel->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    verticalLayout1->addWidget(levelCaptionLabel);
    levelValueLabel = new ClickableLabel(widget);
    levelValueLabel->setObjectName(QStringLiteral("levelValueLabel"));
    levelValueLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    verticalLayout1->addWidget(levelValueLabel);
    horizontalLayout1->addLayout(verticalLayout1);

    horizontalSpacer = new QSpacerItem(6, 0, QSizePolicy::Fixed, QSizePolicy::Minimum);
    horizontalLayout1->addItem(horizontalSpacer);

    verticalLayout2 = new QVBoxLayout();
    verticalLayout2->setSpacing(0);
    verticalLayout2->setObjectName(QStringLiteral("verticalLayout2"));
    rmsCaptionLabel = new QLabel(widget);
    rmsCaptionLabel->setObjectName(QStringLiteral("rmsCaptionLabel"));
    rmsCaptionLabel->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    verticalLayout2->addWidget(rmsCaptionLabel);
    rmsValueLabel = new ClickableLabel(widget);
    rmsValueLabel->setObjectName(QStringLiteral("rmsValueLabel"));
    rmsValueLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    verticalLayout2->addWidget(rmsValueLabel);
    horizontalLayout1->addLayout(verticalLayout2);

    retranslateUi(widget);
    QMetaObject::connectSlotsByName(widget);
}

void Ui::MeterNumericalDisplayWidget::retranslateUi(QWidget*)
{
    levelCaptionLabel->setText(QCoreApplication::translate("MeterNumericalDisplayWidget", "Level"));
    levelValueLabel->setText(QCoreApplication::translate("MeterNumericalDisplayWidget", "0 dB"));
    rmsCaptionLabel->setText(QCoreApplication::translate("MeterNumericalDisplayWidget", "RMS"));
    rmsValueLabel->setText(QCoreApplication::translate("MeterNumericalDisplayWidget", "0 dB"));
}

MeterNumericalDisplayWidget::MeterNumericalDisplayWidget(QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::MeterNumericalDisplayWidget)
{
    ui->setupUi(this);
    connect(ui->rmsValueLabel, &ClickableLabel::clicked, this, &MeterNumericalDisplayWidget::onUpdateRms);
    connect(ui->levelValueLabel, &ClickableLabel::clicked, this, &MeterNumericalDisplayWidget::onUpdatePeak);
}

MeterNumericalDisplayWidget::~MeterNumericalDisplayWidget()
{
    delete ui;
}

QString MeterNumericalDisplayWidget::formatDb(float db)
{
    const QString text = QString::number(static_cast<double>(db), 'f', 1);
    if (text == QLatin1String("-inf"))
        return QString::fromUtf8("\xe2\x88\x9e");
    return text;
}

void MeterNumericalDisplayWidget::onUpdateRms()
{
    resetRms = true;
}

void MeterNumericalDisplayWidget::onUpdatePeak()
{
    resetPeak = true;
}

void MeterNumericalDisplayWidget::levelChanged(MeterInfo info)
{
    const float peakDb = 20.0f * std::log10(std::max(info.peakLeft, info.peakRight));
    const float rmsDb = 20.0f * std::log10(std::max(info.rmsLeft, info.rmsRight));

    if (peakDb > maxPeak || resetPeak) {
        ui->levelValueLabel->setText(formatDb(peakDb));
        maxPeak = peakDb;
        resetPeak = false;
    }
    if (rmsDb > maxRms || resetRms) {
        ui->rmsValueLabel->setText(formatDb(rmsDb));
        maxRms = rmsDb;
        resetRms = false;
    }
}

void MeterNumericalDisplayWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int x = static_cast<int>(0.5 * width());
    const int y = static_cast<int>(0.25 * height());
    const int length = static_cast<int>(0.45 * height());
    painter.fillRect(QRect(x, y, 1, length), Qt::gray);
}
