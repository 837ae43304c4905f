#include "player/ui/AboutDialog.h"

#include "player/ui/Pixmaps.h"

#include <QCoreApplication>
#include <QFont>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QToolButton>

namespace {

const char* const kVersion = "1.0.50";
const char* const kBuild = "85";

void setBrushInAllGroups(QPalette& palette, QPalette::ColorRole role, const QBrush& brush)
{
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setBrush(group, role, brush);
}

} // namespace

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent)
{
    if (objectName().isEmpty())
        setObjectName(QStringLiteral("AboutDialog"));
    resize(450, 400);
    setWindowTitle(QCoreApplication::translate("AboutDialog", "About"));
    QMetaObject::connectSlotsByName(this);

    const QPoint centre = parent->mapToGlobal(
        QPoint((parent->width() - 1) / 2, (parent->height() - 1) / 2));
    move(centre - QPoint(width() / 2, height() / 2));

    auto* closeButton = new QToolButton(this);
    closeButton->setGeometry(10, 5, 20, 20);
    closeButton->setAutoRaise(true);
    closeButton->setIcon(QIcon(QStringLiteral(":close_icon")));
    QPalette buttonPalette;
    const QBrush clear(Qt::transparent, Qt::SolidPattern);
    for (auto role : {QPalette::Window, QPalette::Button, QPalette::Mid})
        setBrushInAllGroups(buttonPalette, role, clear);
    closeButton->setPalette(buttonPalette);
    connect(closeButton, &QToolButton::clicked, this, &QDialog::close, Qt::DirectConnection);

    auto* versionLabel = new QLabel(this);
    versionLabel->setText(QStringLiteral("Glasswell ") + QLatin1String(kVersion) +
                          QStringLiteral(" (build ") + QLatin1String(kBuild) + QStringLiteral(")"));
    QFont font = versionLabel->font();
    font.setWeight(QFont::Bold);
    versionLabel->setFont(font);
    QPalette labelPalette;
    setBrushInAllGroups(labelPalette, QPalette::WindowText, QBrush(Qt::white, Qt::SolidPattern));
    versionLabel->setPalette(labelPalette);
    versionLabel->move(5, (height() - 1) - versionLabel->height());

    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
}

void AboutDialog::paintEvent(QPaintEvent*)
{
    const QPixmap background = loadPixmap(this, QStringLiteral(":about_dialog"));
    QPainter painter(this);
    painter.drawPixmap(QRect(0, 0, width(), height()), background, QRect());
}
