// Skylarn's tests run with a QApplication (offscreen): the status windows,
// alert panels and timers need one.

#include <QApplication>

#include <gtest/gtest.h>

// Qt's platform plugins keep their screens until process exit, which
// LeakSanitizer reports when the test list is read at build time; CI runs
// with leak detection off as well.
extern "C" const char *__asan_default_options()
{
    return "detect_leaks=0";
}

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
