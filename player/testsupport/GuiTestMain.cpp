// GoogleTest main for Glasswell's tests that need a running QApplication.
// Widgets render offscreen unless the caller chose a platform; the process
// keeps to a private home and to the private sound server (TestSession).

#include "player/engine/audio/RealTimeLimit.h"
#include "player/testsupport/TestSession.h"

#include <QApplication>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv)
{
    // Before any thread starts, so that every thread inherits the block and
    // the engine's overrun taker alone gets the signal.
    Audio::RealTimeLimit::blockSignalInThisThread();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const TestSession session;
    if (!session.isValid()) {
        std::fprintf(stderr, "no private folder for the test session could be made\n");
        return 1;
    }
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Glasswell"));
    app.setOrganizationName(QStringLiteral("Holmgrave"));
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
