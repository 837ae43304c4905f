// GoogleTest main for Pathwarden's tests. Every test process gets a private
// HOME, XDG config, data and cache folders and TMPDIR before Qt reads any of them,
// and a QApplication that renders offscreen.

#include "updater/testsupport/TestEnvironment.h"

#include <QApplication>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TestEnvironment environment;
    environment.applyToCurrentProcess();
    QApplication app(argc, argv);
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
