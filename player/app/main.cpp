// Glasswell's entry point: one application object with the player's style
// and one main window, run until the window closes. The player has no
// command line; the arguments go to Qt alone.

#include "player/ui/CustomStyle.h"
#include "player/ui/MainWindow.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps, true);
    QApplication application(argc, argv);
    // Together they name the settings store every part of the player opens.
    QCoreApplication::setApplicationName(QStringLiteral("Glasswell"));
    QCoreApplication::setOrganizationName(QStringLiteral("Holmgrave"));
    QApplication::setStyle(new CustomStyle);

    int result = 0;
    {
        MainWindow::MainWindow window;
        window.show();
        result = QApplication::exec();
    }
    return result;
}
