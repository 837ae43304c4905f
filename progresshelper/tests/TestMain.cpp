// Skylarn's tests run with a QApplication (offscreen): the status windows,
// alert panels and timers need one. HOME and the XDG config, data and cache
// folders are private to the process, so that nothing Qt or a started
// program keeps for the user is written into the user's own.

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

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
    const QTemporaryDir home(QDir::tempPath() + QStringLiteral("/skylarn-test-XXXXXX"));
    if (!home.isValid()) {
        std::fprintf(stderr, "no private home for the tests could be made\n");
        return 1;
    }
    const struct {
        const char* variable;
        const char* folder;
    } folders[] = {{"HOME", "/home"}, {"XDG_CONFIG_HOME", "/config"}, {"XDG_DATA_HOME", "/data"},
                   {"XDG_CACHE_HOME", "/cache"}};
    for (const auto& folder : folders) {
        const QString path = home.path() + QLatin1String(folder.folder);
        QDir().mkpath(path);
        qputenv(folder.variable, QFile::encodeName(path));
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
