#include "progresshelper/platform/WindowSystem.h"

#include "progresshelper/platform/ProcessServices.h"

#include <QApplication>
#include <QtGlobal>

namespace Skylarn {

namespace {

// Set only while the application object is being built, on the main thread.
QtMessageHandler g_previousHandler = nullptr;

void endRunWithoutWindowSystem(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (g_previousHandler)
        g_previousHandler(type, context, message);
    if (type != QtFatalMsg)
        return;
    StderrLog().log(QStringLiteral("Error: Could not open a window: no display is available."));
    ImmediateProcessExit().exitProcess(1);
}

} // namespace

std::unique_ptr<QApplication> startWindowedApplication(int &argc, char **argv)
{
    // The platform plug-in is loaded inside the constructor; a fatal message
    // from there is the only sign of a missing display that Qt gives.
    g_previousHandler = qInstallMessageHandler(endRunWithoutWindowSystem);
    auto app = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(g_previousHandler);
    g_previousHandler = nullptr;
    return app;
}

} // namespace Skylarn
