// GoogleTest main for the window at a given screen resolution and pixel
// density, set up as Glasswell's own main sets up the application (high-DPI
// scaling, high-DPI pixmaps, the player's style). The resolution comes from
// QT_FONT_DPI (96 when unset), the density from Qt's own scaling variables;
// CTest runs the program once per combination. The process keeps to a private
// home and to the private sound server (TestSession).

#include "player/testsupport/TestSession.h"
#include "player/ui/CustomStyle.h"

#include <QApplication>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QT_FONT_DPI"))
        qputenv("QT_FONT_DPI", "96");
    const TestSession session;
    if (!session.isValid()) {
        std::fprintf(stderr, "no private folder for the test session could be made\n");
        return 1;
    }
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps, true);
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Glasswell"));
    QCoreApplication::setOrganizationName(QStringLiteral("Holmgrave"));
    QApplication::setStyle(new CustomStyle);
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
