// The end of a run: the application object goes, and Qt's own threads with
// it, before the process's static objects are destroyed.

#include "updater/app/EntryPoint.h"
#include "updater/infrastructure/ConsoleLogAppender.h"
#include "updater/infrastructure/RESTClient.h"
#include "updater/infrastructure/RemoteLogAppender.h"
#include "updater/infrastructure/SimpleLogger.h"
#include "updater/testsupport/TestFileServer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>
#include <QTimer>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace {

QStringList threadNames()
{
    QStringList names;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile name(tasks.filePath(task) + QStringLiteral("/comm"));
        if (name.open(QIODevice::ReadOnly))
            names << QString::fromUtf8(name.readAll().trimmed());
    }
    return names;
}

// Qt's network-configuration thread and its plug-ins (some of them talk
// D-Bus) are cleaned up only by the application's destructor.
QStringList bearerThreads()
{
    return threadNames().filter(QStringLiteral("Qt bearer"));
}

int argc = 1;
char name[] = "pathwarden_application_end_tests";
char* argv[] = {name, nullptr};

} // namespace

// The run's objects are only handed to deferred deletion and never deleted;
// a network manager among them has started Qt's network threads.
TEST(ApplicationEnd, QtsNetworkConfigurationThreadStopsWithTheApplication)
{
    auto* application = new QApplication(argc, argv);
    TestFileServer server;
    server.setFile("/a", "content");
    auto* manager = new QNetworkAccessManager();
    QNetworkReply* reply = manager->get(QNetworkRequest(server.url("/a")));
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    loop.exec();
    ASSERT_TRUE(reply->isFinished());
    EXPECT_EQ(reply->readAll(), "content");
    manager->deleteLater();
    ASSERT_FALSE(bearerThreads().isEmpty()) << qPrintable(threadNames().join(QLatin1Char(',')));

    EXPECT_TRUE(endApplication());
    EXPECT_EQ(QCoreApplication::instance(), nullptr);
    // The application's end waits for the thread's run, not for the rest of
    // its exit, which on a busy machine comes a little later; a thread left
    // running stays.
    QElapsedTimer clock;
    for (clock.start(); !bearerThreads().isEmpty() && clock.elapsed() < 30000;)
        QThread::msleep(10);
    EXPECT_TRUE(bearerThreads().isEmpty()) << "left after the application: " << qPrintable(threadNames().join(QLatin1Char(',')));
    (void)application;
}

TEST(ApplicationEnd, ATaskStillRunningKeepsTheApplicationAndNothingWaits)
{
    auto* application = new QApplication(argc, argv);
    QSemaphore release;
    QThreadPool::globalInstance()->start([&release] { release.acquire(); });
    EXPECT_FALSE(endApplication());
    EXPECT_EQ(QCoreApplication::instance(), application);
    release.release();
    QThreadPool::globalInstance()->waitForDone();
    EXPECT_TRUE(endApplication());
    EXPECT_EQ(QCoreApplication::instance(), nullptr);
    EXPECT_TRUE(endApplication()) << "without an application there is nothing to end";
}

// A task that never ends outlives the end-of-run wait: the process ends
// there with the run's status, after the lines about the remote entries and
// the end, and destroys no static object (the pool's own would wait for the
// task for ever, and others would go while it runs). Returning from the end
// would exit with 100.
TEST(ApplicationEnd, WorkStillRunningAtTheEndEndsTheProcessWithoutStaticDestruction)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ConsoleLogAppender console(ALL, {}, nullptr);
            SimpleLogger::getInstance()->addAppender(&console);
            QThreadPool::globalInstance()->setMaxThreadCount(1);
            QSemaphore never;
            QThreadPool::globalInstance()->start([&never] { never.acquire(); });
            // Queued behind it, never posted.
            RESTClient client(nullptr);
            QThreadPool::globalInstance()->start(
                new RemoteLogRunnableTask(&client, QStringLiteral("https://127.0.0.1:9/errorlogging"), QString()));
            std::atexit([] { std::fputs("static objects destroyed\n", stderr); });
            endRun(7, 100, {&console}, SimpleLogger::getInstance()->createLogger(QStringLiteral("end")));
            std::_Exit(100);
        },
        ::testing::ExitedWithCode(7),
        ::testing::AllOf(::testing::HasSubstr("Remote log entries: 0 sent, 1 dropped."),
                         ::testing::HasSubstr("the process ends without destroying its static objects"),
                         ::testing::Not(::testing::HasSubstr("static objects destroyed"))));
}
