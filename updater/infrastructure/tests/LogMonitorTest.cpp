#include "updater/infrastructure/DialogLogAppender.h"
#include "updater/infrastructure/LogMonitorDialog.h"
#include "updater/infrastructure/SimpleLogger.h"
#include "updater/testsupport/DownloadTestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QHeaderView>
#include <QTableWidget>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// A hand-over that blocks the logging thread would deadlock the GUI thread
// in these tests; end the process with a message instead of hanging CI.
class DeadlockWatchdog {
public:
    explicit DeadlockWatchdog(int seconds)
        : thread_([this, seconds] {
            std::unique_lock<std::mutex> lock(mutex_);
            if (!done_.wait_for(lock, std::chrono::seconds(seconds), [this] { return finished_; })) {
                std::fprintf(stderr, "Logging to the log monitor deadlocked\n");
                std::abort();
            }
        })
    {
    }
    ~DeadlockWatchdog()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            finished_ = true;
        }
        done_.notify_all();
        thread_.join();
    }

private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::thread thread_;
};

QString cell(QTableWidget* table, int row, int column)
{
    QTableWidgetItem* item = table->item(row, column);
    return item ? item->text() : QStringLiteral("<missing>");
}

} // namespace

TEST(LogMonitor, RowsFromOtherThreadsArriveCompleteAndInOrderWithoutBlockingTheLoggers)
{
    DeadlockWatchdog watchdog(240);
    DialogLogAppender appender(ALL, {}, nullptr);
    SimpleLogger::getInstance()->addAppender(&appender);
    QTableWidget* table = appender.dialog()->table();
    table->setSortingEnabled(false); // row order = arrival order

    constexpr int kThreads = 4;
    constexpr int kEntries = 300;
    std::atomic<int> done{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &done] {
            Logger* logger = SimpleLogger::getInstance()->createLogger(QStringLiteral("Pool%1").arg(t));
            for (int i = 0; i < kEntries; ++i) {
                const QString text = QStringLiteral("%1:%2").arg(t).arg(i);
                if (i % 3 == 0)
                    logger->error(text, QStringLiteral("full ") + text);
                else
                    logger->debug(text, QStringLiteral("full ") + text);
            }
            ++done;
        });
    }
    // The GUI thread logs too, without running its event loop: neither side
    // may wait for the other.
    Logger* guiLogger = SimpleLogger::getInstance()->createLogger(QStringLiteral("Gui"));
    int guiEntries = 0;
    QDeadlineTimer deadline(120000);
    while (done < kThreads && !deadline.hasExpired()) {
        guiLogger->info(QStringLiteral("gui:%1").arg(guiEntries), QString());
        ++guiEntries;
    }
    const bool loggersFinished = done == kThreads;
    EXPECT_TRUE(loggersFinished) << "a logging thread waited for the GUI thread";
    if (!loggersFinished)
        processEventsUntil([&done] { return done == kThreads; });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(table->rowCount(), 0) << "rows are added on the GUI thread's event loop only";

    const int expected = kThreads * kEntries + guiEntries;
    ASSERT_TRUE(processEventsUntil([&] { return table->rowCount() == expected; })) << table->rowCount();
    int next[kThreads] = {};
    int nextGui = 0;
    for (int row = 0; row < table->rowCount(); ++row) {
        const QString shortText = cell(table, row, 1);
        const QStringList parts = shortText.split(QLatin1Char(':'));
        ASSERT_EQ(parts.size(), 2) << shortText.toStdString();
        if (parts[0] == QLatin1String("gui")) {
            EXPECT_EQ(parts[1].toInt(), nextGui++);
            EXPECT_EQ(cell(table, row, 3), QStringLiteral("Gui"));
            EXPECT_EQ(cell(table, row, 4), QStringLiteral("INFO"));
            continue;
        }
        const int t = parts[0].toInt();
        ASSERT_TRUE(t >= 0 && t < kThreads);
        EXPECT_EQ(parts[1].toInt(), next[t]++) << "entries of one thread out of order";
        EXPECT_EQ(cell(table, row, 2), QStringLiteral("full ") + shortText);
        EXPECT_EQ(cell(table, row, 3), QStringLiteral("Pool%1").arg(t));
        EXPECT_EQ(cell(table, row, 4), parts[1].toInt() % 3 == 0 ? QStringLiteral("ERROR") : QStringLiteral("DEBUG"));
        EXPECT_FALSE(cell(table, row, 0).isEmpty());
    }
}

TEST(LogMonitor, ShowsEntriesAtItsLevelSortedWithReadOnlyCellsAndRedErrors)
{
    DialogLogAppender appender(INFO, {}, nullptr);
    SimpleLogger::getInstance()->addAppender(&appender);
    QTableWidget* table = appender.dialog()->table();
    EXPECT_TRUE(appender.dialog()->isVisible());
    table->sortByColumn(3, Qt::AscendingOrder);

    Logger* b = SimpleLogger::getInstance()->createLogger(QStringLiteral("B"));
    Logger* a = SimpleLogger::getInstance()->createLogger(QStringLiteral("A"));
    Logger* c = SimpleLogger::getInstance()->createLogger(QStringLiteral("C"));
    b->error(QStringLiteral("b error"), QStringLiteral("b full"));
    a->debug(QStringLiteral("a debug"), QString());
    c->info(QStringLiteral("c info"), QStringLiteral("c full"));
    a->info(QStringLiteral("a info"), QString());
    ASSERT_TRUE(processEventsUntil([table] { return table->rowCount() == 3; }));
    QCoreApplication::processEvents();
    ASSERT_EQ(table->rowCount(), 3) << "a DEBUG entry passed an INFO output";

    const struct {
        const char* className;
        const char* shortText;
        const char* fullText;
        const char* level;
    } rows[] = {{"A", "a info", "", "INFO"}, {"B", "b error", "b full", "ERROR"}, {"C", "c info", "c full", "INFO"}};
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(cell(table, row, 3), QLatin1String(rows[row].className));
        EXPECT_EQ(cell(table, row, 1), QLatin1String(rows[row].shortText));
        EXPECT_EQ(cell(table, row, 2), QLatin1String(rows[row].fullText));
        EXPECT_EQ(cell(table, row, 4), QLatin1String(rows[row].level));
        const bool red = table->item(row, 4)->background().color() == QColor(255, 0, 0, 255);
        EXPECT_EQ(red, QLatin1String(rows[row].level) == QLatin1String("ERROR")) << row;
        for (int column : {0, 3, 4})
            EXPECT_FALSE(table->item(row, column)->flags() & Qt::ItemIsEditable) << row << "/" << column;
        for (int column : {1, 2})
            EXPECT_TRUE(table->item(row, column)->flags() & Qt::ItemIsEditable) << row << "/" << column;
    }
    EXPECT_NE(table->item(0, 0)->background().color(), QColor(255, 0, 0, 255));
}
