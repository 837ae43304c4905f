// Glasswell's entry point: one application object with the player's style
// and one main window, run until the window closes. The player has no
// command line; the arguments go to Qt alone.

#include "player/engine/audio/RealTimeLimit.h"
#include "player/ui/CustomStyle.h"
#include "player/ui/MainWindow.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // Before any thread starts, so that every thread inherits the block and
    // the engine's overrun taker alone gets the signal.
    Audio::RealTimeLimit::blockSignalInThisThread();
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
