#include "updater/infrastructure/DialogLogAppender.h"
#include "updater/infrastructure/LogMonitorDialog.h"
#include "updater/infrastructure/SimpleLogger.h"
#include "updater/testsupport/DownloadTestSupport.h"

#include <QDeadlineTimer>
#include <QTableWidget>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <thread>
#include <vector>

// Pool threads and the GUI thread log at once while the GUI thread runs no
// event loop: no thread may wait for another (a blocking hand-over
// deadlocks here), and afterwards every entry at the window's level is one
// complete row, sorted by class, each class's rows in the order logged.
TEST(LogMonitor, RowsFromEveryThreadArriveCompleteWithoutHoldingUpTheLoggers)
{
    std::promise<void> finished;
    std::thread watchdog([done = finished.get_future()] {
        if (done.wait_for(std::chrono::minutes(4)) != std::future_status::ready) {
            std::fprintf(stderr, "Logging to the log monitor deadlocked\n");
            std::abort();
        }
    });
    DialogLogAppender appender(INFO, {}, nullptr);
    SimpleLogger::getInstance()->addAppender(&appender);
    QTableWidget* table = appender.dialog()->table();
    EXPECT_TRUE(appender.dialog()->isVisible());
    table->sortByColumn(3, Qt::AscendingOrder);

    constexpr int kThreads = 3;
    constexpr int kEntries = 300;
    std::atomic<int> done{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &done] {
            Logger* logger = SimpleLogger::getInstance()->createLogger(QStringLiteral("Pool%1").arg(t));
            for (int i = 0; i < kEntries; ++i) {
                const QString text = QStringLiteral("%1:%2").arg(t).arg(i);
                i % 3 == 0 ? logger->error(text, QStringLiteral("full ") + text)
                           : i % 3 == 1 ? logger->info(text, QStringLiteral("full ") + text)
                                        : logger->debug(text, QStringLiteral("full ") + text);
            }
            ++done;
        });
    }
    Logger* gui = SimpleLogger::getInstance()->createLogger(QStringLiteral("Gui"));
    int guiEntries = 0;
    for (QDeadlineTimer deadline(120000); done < kThreads && !deadline.hasExpired(); ++guiEntries)
        gui->info(QStringLiteral("%1:%2").arg(kThreads).arg(guiEntries), QStringLiteral("full %1:%2").arg(kThreads).arg(guiEntries));
    EXPECT_EQ(done, kThreads) << "a logging thread waited for the GUI thread";
    processEventsUntil([&done] { return done == kThreads; });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(table->rowCount(), 0) << "rows are added by the GUI thread's event loop only";

    const int expected = kThreads * (kEntries * 2 / 3) + guiEntries;
    ASSERT_TRUE(processEventsUntil([&] { return table->rowCount() == expected; })) << table->rowCount();
    QString previousClass;
    int previousIndex = -1;
    int direction = 0; // equal keys keep one order within a class: +1 or -1
    for (int row = 0; row < table->rowCount(); ++row) {
        const QString shortText = table->item(row, 1)->text();
        const int t = shortText.section(QLatin1Char(':'), 0, 0).toInt();
        const int i = shortText.section(QLatin1Char(':'), 1).toInt();
        const QString className = t == kThreads ? QStringLiteral("Gui") : QStringLiteral("Pool%1").arg(t);
        const QString level = t == kThreads || i % 3 == 1 ? QStringLiteral("INFO") : QStringLiteral("ERROR");
        ASSERT_EQ(table->item(row, 3)->text(), className) << row;
        EXPECT_EQ(table->item(row, 2)->text(), QStringLiteral("full ") + shortText) << row;
        EXPECT_EQ(table->item(row, 4)->text(), level) << row;
        EXPECT_EQ(table->item(row, 4)->background().color() == QColor(255, 0, 0), level == QLatin1String("ERROR"));
        EXPECT_FALSE(table->item(row, 0)->flags() & Qt::ItemIsEditable);
        EXPECT_TRUE(table->item(row, 1)->flags() & Qt::ItemIsEditable);
        if (className == previousClass) {
            const int step = i > previousIndex ? 1 : -1;
            EXPECT_TRUE(direction == 0 || direction == step) << "rows of " << className.toStdString() << " out of order";
            direction = step;
        } else {
            EXPECT_LT(previousClass, className) << "not sorted by class";
        }
        previousClass = className;
        previousIndex = i;
    }
    finished.set_value();
    watchdog.join();
}
