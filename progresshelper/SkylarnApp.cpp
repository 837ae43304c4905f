#include "progresshelper/SkylarnApp.h"

#include "progresshelper/WindowController.h"
#include "progresshelper/platform/ProcessServices.h"
#include "progresshelper/platform/QtPlatform.h"

#include <QApplication>
#include <QLocale>

namespace Skylarn {

int runSkylarn(int argc, char **argv, const std::function<void(QtPlatform &)> &customize)
{
    // QApplication removes the options it knows from argv; the caller's
    // arguments are taken before it can.
    const QStringList arguments = copyProcessArguments(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Skylarn"));
    // Our windows refuse to close; the end of the process is the caller's
    // or the controller's decision, never a side effect of an alert closing.
    QApplication::setQuitOnLastWindowClosed(false);

    QtPlatform platform(QLocale::system().uiLanguages());
    if (customize)
        customize(platform);
    WindowController controller(platform.services());
    controller.awakeFromNib(arguments);
    return app.exec();
}

} // namespace Skylarn
