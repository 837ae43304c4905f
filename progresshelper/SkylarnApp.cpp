#include "progresshelper/SkylarnApp.h"

#include "progresshelper/LaunchArguments.h"
#include "progresshelper/WindowController.h"
#include "progresshelper/platform/ProcessServices.h"
#include "progresshelper/platform/QtPlatform.h"
#include "progresshelper/platform/WindowSystem.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLocale>

namespace Skylarn {

int runSkylarn(int argc, char **argv, const std::function<void(QtPlatform &)> &customize)
{
    // QApplication removes the options it knows from argv; the caller's
    // arguments are taken before it can.
    const QStringList arguments = copyProcessArguments(argc, argv);
    const bool withWindows = runMayShowWindows(parseLaunchArguments(arguments));

    std::unique_ptr<QCoreApplication> app;
    if (withWindows) {
        app = startWindowedApplication(argc, argv);
        // Our windows refuse to close; the end of the process is the caller's
        // or the controller's decision, never a side effect of an alert closing.
        QApplication::setQuitOnLastWindowClosed(false);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("Skylarn"));

    QtPlatform platform(QLocale::system().uiLanguages(),
                        withWindows ? QtPlatform::WithWindows : QtPlatform::WithoutWindows);
    if (customize)
        customize(platform);
    WindowController controller(platform.services());
    controller.awakeFromNib(arguments);
    // The runs without windows end the process inside the controller; were
    // one ever to come back here, waiting for events that never come would
    // hang the caller.
    if (!withWindows)
        return 1;
    return app->exec();
}

} // namespace Skylarn
