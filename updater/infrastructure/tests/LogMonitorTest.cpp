#include "updater/infrastructure/DialogLogAppender.h"
#include "updater/infrastructure/LogMonitorDialog.h"
#include "updater/infrastructure/SimpleLogger.h"
#include "updater/testsupport/DownloadTestSupport.h"

#include <QDeadlineTimer>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTest>
#include <QTimer>

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
    LogMonitorDialog* dialog = appender.dialog();
    LogTableModel* table = dialog->model();
    EXPECT_TRUE(dialog->isVisible());
    dialog->table()->sortByColumn(3, Qt::AscendingOrder);

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
    ASSERT_TRUE(processEventsUntil([&] { return table->rowCount() == expected && !table->isSorting(); }))
        << table->rowCount();
    const auto text = [table](int row, int column) { return table->index(row, column).data().toString(); };
    QString previousClass;
    int previousIndex = -1;
    int direction = 0; // equal keys keep one order within a class: +1 or -1
    for (int row = 0; row < table->rowCount(); ++row) {
        const QString shortText = text(row, 1);
        const int t = shortText.section(QLatin1Char(':'), 0, 0).toInt();
        const int i = shortText.section(QLatin1Char(':'), 1).toInt();
        const QString className = t == kThreads ? QStringLiteral("Gui") : QStringLiteral("Pool%1").arg(t);
        const QString level = t == kThreads || i % 3 == 1 ? QStringLiteral("INFO") : QStringLiteral("ERROR");
        ASSERT_EQ(text(row, 3), className) << row;
        EXPECT_EQ(text(row, 2), QStringLiteral("full ") + shortText) << row;
        EXPECT_EQ(text(row, 4), level) << row;
        EXPECT_EQ(table->index(row, 4).data(Qt::BackgroundRole).value<QBrush>().color() == QColor(255, 0, 0),
                  level == QLatin1String("ERROR"));
        EXPECT_FALSE(table->flags(table->index(row, 0)) & Qt::ItemIsEditable);
        EXPECT_TRUE(table->flags(table->index(row, 1)) & Qt::ItemIsEditable);
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

// A server answer is logged whole, up to megabytes: the table shows its first
// lines (painting it whole cost seconds per repaint), a double-click shows it
// all.
TEST(LogMonitor, ALongEntryIsShownCutAndWholeOnDemand)
{
    LogMonitorDialog dialog;
    dialog.show();
    QString whole;
    for (int line = 0; whole.size() < 4 * 1024 * 1024; ++line)
        whole += QStringLiteral("line %1 of the answer\n").arg(line);
    dialog.addRow(QStringLiteral("2026-01-01 00:00:00.000"), QStringLiteral("json: ") + whole, whole,
                  QStringLiteral("Cls"), DEBUG);
    ASSERT_TRUE(processEventsUntil([&] { return dialog.rowCount() == 1 && !dialog.model()->isSorting(); }));
    for (const int column : {LogTableModel::ShortColumn, LogTableModel::LongColumn}) {
        const QModelIndex cell = dialog.model()->index(0, column);
        const QString shown = cell.data().toString();
        EXPECT_LE(shown.size(), LogTableModel::kShownCharacters + 2) << column;
        EXPECT_TRUE(shown.endsWith(QStringLiteral(" \u2026"))) << column;
        EXPECT_EQ(cell.data(Qt::UserRole).toString().size(), column == LogTableModel::ShortColumn ? whole.size() + 6
                                                                                                : whole.size());
    }
    EXPECT_EQ(dialog.model()->index(0, LogTableModel::LongColumn).data().toString(),
              QStringLiteral("line 0 of the answer\nline 1 of the answer\nline 2 of the answer \u2026"));

    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    const QModelIndex cell = dialog.model()->index(0, LogTableModel::LongColumn);
    const QRect place = dialog.table()->visualRect(cell);
    ASSERT_TRUE(dialog.table()->viewport()->rect().contains(place.center()));
    // A double-click as a widget receives it: the press, then the second.
    QTest::mousePress(dialog.table()->viewport(), Qt::LeftButton, Qt::NoModifier, place.center());
    QTest::mouseDClick(dialog.table()->viewport(), Qt::LeftButton, Qt::NoModifier, place.center());
    auto* viewer = dialog.findChild<QDialog*>(QStringLiteral("wholeLogText"));
    ASSERT_TRUE(viewer);
    EXPECT_TRUE(viewer->findChild<QPlainTextEdit*>()->toPlainText() == whole) << "not the whole text";
}

// Sorting tens of thousands of rows runs beside the GUI thread's event loop,
// which keeps turning until the sorted rows are in place.
TEST(LogMonitor, SortingManyRowsLeavesTheEventLoopTurning)
{
    LogMonitorDialog dialog;
    dialog.show();
    for (int i = 0; i < 30000; ++i)
        dialog.addRow(QStringLiteral("t"), QStringLiteral("short %1").arg((i * 7919) % 30000), QStringLiteral("full"),
                      QStringLiteral("Class%1").arg(i % 37), INFO);
    ASSERT_TRUE(processEventsUntil([&] { return !dialog.model()->isSorting(); }));
    int turns = 0;
    QTimer turn;
    QObject::connect(&turn, &QTimer::timeout, [&] { ++turns; });
    turn.start(0);
    bool sorted = false;
    int turnsBeforeSorted = -1;
    QObject::connect(dialog.model(), &LogTableModel::sorted, [&] {
        sorted = true;
        turnsBeforeSorted = turns;
    });
    dialog.table()->sortByColumn(LogTableModel::ShortColumn, Qt::AscendingOrder);
    ASSERT_TRUE(processEventsUntil([&] { return sorted; }));
    EXPECT_GT(turnsBeforeSorted, 0) << "the sort held the event loop";
    for (int row = 1; row < dialog.rowCount(); ++row) {
        ASSERT_LE(dialog.model()->index(row - 1, 1).data().toString().localeAwareCompare(
                      dialog.model()->index(row, 1).data().toString()),
                  0)
            << row;
    }
}
