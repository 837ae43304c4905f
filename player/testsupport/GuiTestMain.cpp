// GoogleTest main for Glasswell's tests that need a running QApplication.
// Widgets render offscreen unless the caller chose a platform.

#include <QApplication>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Glasswell"));
    app.setOrganizationName(QStringLiteral("Holmgrave"));
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
