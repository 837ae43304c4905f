#include "player/ui/InfoBoxWidget.h"

#include "player/engine/ddp/CdInfo.h"
#include "player/engine/ddp/DDPModel.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace {

void setElidedText(QLabel* label, const QString& text)
{
    const QFontMetrics metrics(label->font());
    label->setText(metrics.elidedText(text, Qt::ElideRight, label->width(), 0));
}

// The field is taken whole (160 bytes), less its zero padding at the end.
QString setupCdTextLabel(QLabel* label, const char* field, bool doubleByte)
{
    if (!label)
        return QString();
    const int size = static_cast<int>(CdText::fieldSize);
    QString text = doubleByte ? QString::fromUtf8(field, size) : QString::fromLatin1(field, size);
    // The zero padding has no business in a label or tooltip.
    while (text.endsWith(QChar(0)))
        text.chop(1);
    label->setToolTip(text);
    setElidedText(label, text);
    return text;
}

QSizePolicy ignoredPreferred(QLabel* label)
{
    QSizePolicy policy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    policy.setHeightForWidth(label->sizePolicy().hasHeightForWidth());
    return policy;
}

} // namespace

void Ui::InfoBoxWidget::setupUi(QWidget* widget)
{
    if (widget->objectName().isEmpty())
        widget->setObjectName(QStringLiteral("InfoBoxWidget"));
    widget->resize(478, 59);
    mainInfoLayout = new QVBoxLayout(widget);
    mainInfoLayout->setObjectName(QStringLiteral("mainInfoLayout"));
    gridLayout = new QGridLayout();
    gridLayout->setObjectName(QStringLiteral("gridLayout"));
    int top = 0;
    int right = 0;
    int bottom = 0;
    gridLayout->getContentsMargins(nullptr, &top, &right, &bottom);
    gridLayout->setContentsMargins(9, top, right, bottom);

    albumCaptionLabel = new QLabel(widget);
    albumCaptionLabel->setObjectName(QStringLiteral("albumCaptionLabel"));
    gridLayout->addWidget(albumCaptionLabel, 0, 0);

    artistCaptionLabel = new QLabel(widget);
    artistCaptionLabel->setObjectName(QStringLiteral("artistCaptionLabel"));
    artistCaptionLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    gridLayout->addWidget(artistCaptionLabel, 0, 1);

    upcEanCaptionLabel = new QLabel(widget);
    upcEanCaptionLabel->setObjectName(QStringLiteral("upcEanCaptionLabel"));
    gridLayout->addWidget(upcEanCaptionLabel, 0, 2);

    albumLabel = new QLabel(widget);
    albumLabel->setObjectName(QStringLiteral("albumLabel"));
    albumLabel->setSizePolicy(ignoredPreferred(albumLabel));
    albumLabel->setMinimumSize(QSize(0, 0));
    albumLabel->setMaximumSize(QSize(16777215, 16777215));
    albumLabel->setTextFormat(Qt::AutoText);
    albumLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    gridLayout->addWidget(albumLabel, 1, 0);

    artistLabel = new QLabel(widget);
    artistLabel->setObjectName(QStringLiteral("artistLabel"));
    artistLabel->setSizePolicy(ignoredPreferred(artistLabel));
    artistLabel->setMinimumSize(QSize(0, 0));
    artistLabel->setMaximumSize(QSize(16777215, 16777215));
    artistLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    gridLayout->addWidget(artistLabel, 1, 1);

    upcEanLabel = new QLabel(widget);
    upcEanLabel->setObjectName(QStringLiteral("upcEanLabel"));
    upcEanLabel->setSizePolicy(ignoredPreferred(upcEanLabel));
    gridLayout->addWidget(upcEanLabel, 1, 2);

    mainInfoLayout->addLayout(gridLayout);

    retranslateUi(widget);
    QMetaObject::connectSlotsByName(widget);
}

void Ui::InfoBoxWidget::retranslateUi(QWidget*)
{
    albumCaptionLabel->setText(QCoreApplication::translate("InfoBoxWidget", "ALBUM"));
    artistCaptionLabel->setText(QCoreApplication::translate("InfoBoxWidget", "ARTIST"));
    upcEanCaptionLabel->setText(QCoreApplication::translate("InfoBoxWidget", "UPC/EAN"));
    albumLabel->setText(QString());
    upcEanLabel->setText(QString());
}

InfoBoxWidget::InfoBoxWidget(QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::InfoBoxWidget)
{
    ui->setupUi(this);
}

InfoBoxWidget::~InfoBoxWidget()
{
    delete ui;
}

void InfoBoxWidget::setupLabel(std::shared_ptr<DDPModel> model)
{
    if (!model)
        return;
    const CdText::CdInfo& info = model->getCdInfo();
    if (!info.tracks.empty()) {
        const CdText::TrackInfo& first = info.tracks.front();
        artist = setupCdTextLabel(ui->artistLabel, first.performer, info.doubleByte);
        album = setupCdTextLabel(ui->albumLabel, first.title, info.doubleByte);
    } else {
        album.clear();
        artist.clear();
        ui->albumLabel->setText(QString());
        ui->artistLabel->setText(QString());
        ui->albumLabel->setToolTip(QString());
        ui->artistLabel->setToolTip(QString());
    }

    // A folder without "PQDESCR" leaves the list empty: show no code rather
    // than reading an entry that is not there.
    const std::vector<DDP::PQDESCR>& pq = model->getDescList();
    upcEan = pq.empty() ? QString()
                        : QString::fromLatin1(pq.front().upcEan, static_cast<int>(sizeof(pq.front().upcEan)));
    ui->upcEanLabel->setToolTip(upcEan);
    setElidedText(ui->upcEanLabel, upcEan);
}

void InfoBoxWidget::resizeEvent(QResizeEvent*)
{
    if (ui->artistLabel)
        setElidedText(ui->artistLabel, artist);
    if (ui->albumLabel)
        setElidedText(ui->albumLabel, album);
    if (ui->upcEanLabel)
        setElidedText(ui->upcEanLabel, upcEan);
}

void InfoBoxWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int w = width();
    const int h = height();
    painter.fillRect(QRect(QPoint(9, 0), QPoint(w - 10, h - 1)), Qt::gray);
    painter.fillRect(QRect(QPoint(10, 1), QPoint(w - 11, h - 2)), Qt::black);
    const QColor dot(45, 46, 47);
    for (int y = 2; y < h - 2; y += 2) {
        for (int x = 11; x < w - 11; x += 2)
            painter.fillRect(QRect(x, y, 1, 1), dot);
    }
    for (QLabel* caption : {ui->albumCaptionLabel, ui->artistCaptionLabel}) {
        if (!caption)
            continue;
        const int x = caption->mapTo(this, QPoint(caption->width() - 1, 0)).x() + 2;
        painter.fillRect(QRect(x, 0, 1, h), Qt::gray);
    }
}
