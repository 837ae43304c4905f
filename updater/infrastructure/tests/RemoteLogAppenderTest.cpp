#include "updater/infrastructure/BackgroundCalls.h"
#include "updater/infrastructure/RESTClient.h"
#include "updater/infrastructure/RemoteLogAppender.h"
#include "updater/infrastructure/ServiceUrl.h"
#include "updater/infrastructure/SimpleLogger.h"
#include "updater/testsupport/TestCertificates.h"
#include "updater/testsupport/TestUpdateServer.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSemaphore>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>

TEST(GelfEntry, HoldsTheServersKeysWithTheirTypes)
{
    const QDateTime time = QDateTime::fromMSecsSinceEpoch(1767603422123);
    bool ok = false;
    const QString json = gelfEntryJson(QStringLiteral("short"), QString(), QStringLiteral("Cls"), INFO, time, &ok);
    ASSERT_TRUE(ok);
    EXPECT_TRUE(json.contains(QLatin1Char('\n'))) << "indented form";
    const QJsonObject entry = QJsonDocument::fromJson(json.toUtf8()).object();
    EXPECT_EQ(entry.keys(), (QStringList{"_class_name", "_date_time", "full_message", "host", "level",
                                         "short_message", "timestamp", "version"}));
    EXPECT_EQ(entry.value("_class_name").toString(), QStringLiteral("Cls"));
    EXPECT_EQ(entry.value("_date_time").toString(), time.toString(Qt::RFC2822Date));
    EXPECT_TRUE(entry.value("full_message").isString());
    EXPECT_TRUE(entry.value("full_message").toString().isEmpty());
    EXPECT_TRUE(entry.value("host").isString());
    EXPECT_TRUE(entry.value("host").toString().isEmpty());
    EXPECT_TRUE(entry.value("level").isDouble());
    EXPECT_EQ(entry.value("level").toInt(), 6);
    EXPECT_EQ(entry.value("short_message").toString(), QStringLiteral("short"));
    EXPECT_TRUE(entry.value("timestamp").isString());
    EXPECT_EQ(entry.value("timestamp").toString(), QStringLiteral("1767603422.1230"));
    EXPECT_EQ(entry.value("version").toString(), QStringLiteral("1.1"));

    EXPECT_EQ(gelfLevel(ERROR), 3);
    EXPECT_EQ(gelfLevel(DEBUG), 7);
    EXPECT_EQ(gelfLevel(ALL), -1);
    EXPECT_EQ(gelfLevel(OFF), -1);
    gelfEntryJson(QStringLiteral("x"), QString(), QStringLiteral("Cls"), ALL, time, &ok);
    EXPECT_FALSE(ok);
}

namespace {

class RemoteLogAppenderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QCoreApplication::setApplicationVersion(QStringLiteral("1.16.0.436"));
        ASSERT_TRUE(trust.isLoaded());
    }
    void TearDown() override { remoteLogPool()->waitForDone(); }

    QList<QJsonObject> postedEntries() const
    {
        QList<QJsonObject> entries;
        for (const RecordedRequest& request : server.requestsFor("/rest/downloadclient/errorlogging")) {
            EXPECT_EQ(request.method, QByteArray("POST"));
            EXPECT_EQ(request.header("Content-Type"), QByteArray("application/json"));
            QJsonParseError error{};
            const QJsonDocument document = QJsonDocument::fromJson(request.body, &error);
            EXPECT_EQ(error.error, QJsonParseError::NoError) << request.body.constData();
            entries.append(document.object());
        }
        return entries;
    }

    TrustedTestCertificates trust;
    RESTClient client{&trust.certificates};
    TestUpdateServer server;
};

} // namespace

TEST_F(RemoteLogAppenderTest, PostsEntriesAtItsLevelAndDropsTheRestClientsOwn)
{
    auto* serviceUrl = new ServiceUrl(QStringLiteral("downloadclient"), server.rootUrl(), &client, nullptr);
    RemoteLogAppender appender(&client, serviceUrl, ERROR,
                               {QStringLiteral("AbstractRESTClient"), QStringLiteral("RESTClient")}, nullptr);
    EXPECT_EQ(appender.errorLogUrl(), server.baseUrl() + QStringLiteral("/rest/downloadclient/errorlogging"));
    server.clearRequests();
    SimpleLogger::getInstance()->addAppender(&appender);

    Logger* logger = SimpleLogger::getInstance()->createLogger(QStringLiteral("RemoteLogProbe"));
    Logger* restLogger = SimpleLogger::getInstance()->createLogger(QStringLiteral("RESTClient"));
    logger->debug(QStringLiteral("not sent"), QString());
    logger->info(QStringLiteral("not sent either"), QString());
    restLogger->error(QStringLiteral("own entry"), QString());
    logger->error(QStringLiteral("broken"), QStringLiteral("details"));
    // What the application does before it quits.
    remoteLogPool()->waitForDone();

    const QList<QJsonObject> entries = postedEntries();
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0].value("short_message").toString(), QStringLiteral("broken"));
    EXPECT_EQ(entries[0].value("full_message").toString(), QStringLiteral("details"));
    EXPECT_EQ(entries[0].value("_class_name").toString(), QStringLiteral("RemoteLogProbe"));
    EXPECT_EQ(entries[0].value("level").toInt(), 3);
}

TEST_F(RemoteLogAppenderTest, AtDebugEveryLevelIsSentWithItsNumber)
{
    auto* serviceUrl = new ServiceUrl(QStringLiteral("downloadclient"), server.rootUrl(), &client, nullptr);
    RemoteLogAppender appender(&client, serviceUrl, DEBUG, {QStringLiteral("RESTClient")}, nullptr);
    server.clearRequests();
    SimpleLogger::getInstance()->addAppender(&appender);
    Logger* logger = SimpleLogger::getInstance()->createLogger(QStringLiteral("RemoteLogLevels"));
    logger->debug(QStringLiteral("d"), QString());
    logger->info(QStringLiteral("i"), QString());
    logger->error(QStringLiteral("e"), QString());
    remoteLogPool()->waitForDone();

    QMap<QString, int> levels;
    for (const QJsonObject& entry : postedEntries()) {
        if (entry.value("_class_name").toString() == QLatin1String("RemoteLogLevels"))
            levels.insert(entry.value("short_message").toString(), entry.value("level").toInt());
    }
    EXPECT_EQ(levels, (QMap<QString, int>{{"d", 7}, {"i", 6}, {"e", 3}}));
}

TEST_F(RemoteLogAppenderTest, WithoutTheErrorLoggingLinkEntriesAreLostQuietly)
{
    server.setResponse("/rest/downloadclient", 200, R"({"links":[]})");
    auto* serviceUrl = new ServiceUrl(QStringLiteral("downloadclient"), server.rootUrl(), &client, nullptr);
    RemoteLogAppender appender(&client, serviceUrl, ERROR, {QStringLiteral("RESTClient")}, nullptr);
    EXPECT_TRUE(appender.errorLogUrl().isEmpty());
    server.clearRequests();
    SimpleLogger::getInstance()->addAppender(&appender);
    SimpleLogger::getInstance()->createLogger(QStringLiteral("RemoteLogLost"))->error(QStringLiteral("x"), QString());
    remoteLogPool()->waitForDone();
    EXPECT_EQ(server.requestCount(), 0);
}

// Ends remote logging for the rest of the process, so in a process of its
// own; its exit status is the number of entries posted. Only the entry queued
// before the end goes out: not one written straight to an output that was
// live at the end, nor one through an output made afterwards.
TEST_F(RemoteLogAppenderTest, NothingIsPostedOnceRemoteLoggingHasEnded)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            RemoteLogAppender before(&client,
                                     new ServiceUrl(QStringLiteral("downloadclient"), server.rootUrl(), &client, nullptr),
                                     ERROR, {QStringLiteral("RESTClient")}, nullptr);
            SimpleLogger::getInstance()->addAppender(&before);
            Logger* logger = SimpleLogger::getInstance()->createLogger(QStringLiteral("RemoteLogEnd"));
            logger->error(QStringLiteral("queued before the end"), QString());
            endRemoteLogging();
            remoteLogPool()->waitForDone();
            before.appendAndFilterLogEntry(QStringLiteral("written to an ended output"), QString(),
                                           QStringLiteral("RemoteLogEnd"), ERROR);
            RemoteLogAppender later(&client,
                                    new ServiceUrl(QStringLiteral("downloadclient"), server.rootUrl(), &client, nullptr),
                                    ERROR, {QStringLiteral("RESTClient")}, nullptr);
            SimpleLogger::getInstance()->addAppender(&later);
            logger->error(QStringLiteral("after the end"), QString());
            remoteLogPool()->waitForDone();
            std::_Exit(server.requestsFor("/rest/downloadclient/errorlogging").size());
        },
        ::testing::ExitedWithCode(1), "");
}

// Entries that a server never answers, running or still queued when the end
// of the run gives up on them, count as dropped; none stays pending.
TEST_F(RemoteLogAppenderTest, EntriesLeftAtTheEndAreCountedAsDropped)
{
    auto* serviceUrl = new ServiceUrl(QStringLiteral("downloadclient"), server.rootUrl(), &client, nullptr);
    // The end's own lines stay out of the count.
    RemoteLogAppender appender(&client, serviceUrl, ERROR, {QStringLiteral("RESTClient"), QStringLiteral("exit")},
                               nullptr);
    CannedResponse silent;
    silent.stall = true;
    server.setResponse("/rest/downloadclient/errorlogging", silent);
    server.clearRequests();
    SimpleLogger::getInstance()->addAppender(&appender);
    const RemoteLogTally before = remoteLogTally();
    const int entries = remoteLogPool()->maxThreadCount() + 3;
    Logger* logger = SimpleLogger::getInstance()->createLogger(QStringLiteral("RemoteLogDropped"));
    for (int i = 0; i < entries; ++i)
        logger->error(QStringLiteral("entry %1").arg(i), QString());
    ASSERT_TRUE(server.waitForRequests(1));

    EXPECT_TRUE(finishBackgroundCalls(QThreadPool::globalInstance(), {&client}, 200,
                                      SimpleLogger::getInstance()->createLogger(QStringLiteral("exit"))));
    const RemoteLogTally after = remoteLogTally();
    EXPECT_EQ(after.sent, before.sent);
    EXPECT_EQ(after.dropped - before.dropped, entries);
    EXPECT_EQ(after.pending, 0);
}

// Posts that a log server holds up take no thread of the global pool: a page's
// task started meanwhile runs at once, while every post still waits.
TEST_F(RemoteLogAppenderTest, StalledPostsLeaveTheGlobalPoolToOtherTasks)
{
    auto* serviceUrl = new ServiceUrl(QStringLiteral("downloadclient"), server.rootUrl(), &client, nullptr);
    RemoteLogAppender appender(&client, serviceUrl, DEBUG, {QStringLiteral("RESTClient"), QStringLiteral("exit")},
                               nullptr);
    CannedResponse silent;
    silent.stall = true;
    server.setResponse("/rest/downloadclient/errorlogging", silent);
    server.clearRequests();
    SimpleLogger::getInstance()->addAppender(&appender);
    const RemoteLogTally before = remoteLogTally();
    const int entries = QThreadPool::globalInstance()->maxThreadCount() + 3;
    Logger* logger = SimpleLogger::getInstance()->createLogger(QStringLiteral("RemoteLogBusy"));
    for (int i = 0; i < entries; ++i)
        logger->debug(QStringLiteral("entry %1").arg(i), QString());
    ASSERT_TRUE(server.waitForRequests(1));

    std::atomic<int> pendingWhenRun{-1};
    QSemaphore ran;
    QThreadPool::globalInstance()->start([&] {
        pendingWhenRun = remoteLogTally().pending - before.pending;
        ran.release();
    });
    // The bound only against a hang; the posts stall for 30 s.
    ASSERT_TRUE(ran.tryAcquire(1, 120000));
    EXPECT_EQ(pendingWhenRun, entries) << "the task waited for posts to end";

    EXPECT_TRUE(finishBackgroundCalls(QThreadPool::globalInstance(), {&client}, 200,
                                      SimpleLogger::getInstance()->createLogger(QStringLiteral("exit"))));
    EXPECT_EQ(remoteLogTally().pending, before.pending);
}
