#include "updater/app/WindowForeground.h"

#include <QApplication>
#include <QLabel>
#include <QObject>
#include <QWidget>

void bringToForeground(QWidget* window)
{
    window->setWindowTitle(QStringLiteral("%1 - %2 %3")
                               .arg(QApplication::applicationDisplayName(), QObject::tr("Version"),
                                    QApplication::applicationVersion()));
    window->setWindowState(Qt::WindowActive);
    window->showNormal();
    window->raise();
    window->show();
}

QLabel* createSecurityWarningLabel(QWidget* parent)
{
    auto* label = new QLabel(QObject::tr("Verification of secure server communication is not available. It is "
                                         "recommended not to search for updates."),
                             parent);
    label->setObjectName(QStringLiteral("securityWarningLabel"));
    label->setWordWrap(true);
    label->setStyleSheet(QStringLiteral("border-style: outset;border-width: 2px;border-radius: 10px;border-color: "
                                        "black; padding:5px; background-color: red; color: white;"));
    return label;
}
