#include "player/ui/MainWindowForm.h"

#include "player/ui/CentralWidget.h"

#include <QCoreApplication>
#include <QMainWindow>

void Ui::MainWindow::setupUi(QMainWindow* window)
{
    if (window->objectName().isEmpty())
        window->setObjectName(QStringLiteral("MainWindow"));
    window->resize(466, 702);
    centralWidget = new ::CentralWidget(window);
    centralWidget->setObjectName(QStringLiteral("centralWidget"));
    window->setCentralWidget(centralWidget);
    retranslateUi(window);
    QMetaObject::connectSlotsByName(window);
}

void Ui::MainWindow::retranslateUi(QMainWindow* window)
{
    window->setWindowTitle(QCoreApplication::translate("MainWindow", "MainWindow"));
}
