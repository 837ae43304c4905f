// The end of a run: the application object goes, and Qt's own threads with
// it, before the process's static objects are destroyed.

#include "updater/app/EntryPoint.h"
#include "updater/testsupport/TestFileServer.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSemaphore>
#include <QThreadPool>
#include <QTimer>

#include <gtest/gtest.h>

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
