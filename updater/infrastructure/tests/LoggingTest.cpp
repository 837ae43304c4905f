#include "updater/infrastructure/ConsoleLogAppender.h"
#include "updater/infrastructure/FileLogAppender.h"
#include "updater/infrastructure/LogLine.h"
#include "updater/infrastructure/SimpleLogger.h"
#include "updater/testsupport/RecordingLogAppender.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

QString uniqueClassName(const char* base)
{
    static int counter = 0;
    return QStringLiteral("%1_%2").arg(QLatin1String(base)).arg(++counter);
}

} // namespace

TEST(LogLevelParsing, MatchesNamesAnywhereIgnoringCaseInFixedOrder)
{
    EXPECT_EQ(parseLogLevel(QStringLiteral("debug")), DEBUG);
    EXPECT_EQ(parseLogLevel(QStringLiteral("Debug")), DEBUG);
    EXPECT_EQ(parseLogLevel(QStringLiteral("DEBUG")), DEBUG);
    EXPECT_EQ(parseLogLevel(QStringLiteral("info")), INFO);
    EXPECT_EQ(parseLogLevel(QStringLiteral("level=error!")), ERROR);
    EXPECT_EQ(parseLogLevel(QStringLiteral("all")), ALL);
    EXPECT_EQ(parseLogLevel(QString()), OFF);
    EXPECT_EQ(parseLogLevel(QStringLiteral("verbose")), OFF);
    // OFF is tested first, DEBUG before ERROR.
    EXPECT_EQ(parseLogLevel(QStringLiteral("OFF DEBUG")), OFF);
    EXPECT_EQ(parseLogLevel(QStringLiteral("ERROR-DEBUG")), DEBUG);
}

TEST(LogLevelNames, KnownAndUnknownValues)
{
    EXPECT_EQ(logLevelName(OFF), QStringLiteral("OFF"));
    EXPECT_EQ(logLevelName(ERROR), QStringLiteral("ERROR"));
    EXPECT_EQ(logLevelName(INFO), QStringLiteral("INFO"));
    EXPECT_EQ(logLevelName(DEBUG), QStringLiteral("DEBUG"));
    EXPECT_EQ(logLevelName(ALL), QStringLiteral("ALL"));
    EXPECT_EQ(logLevelName(7), QStringLiteral("unknown loglevel"));
}

TEST(LogLineFormat, TimeClassLevelShortAndOptionalFullText)
{
    const QDateTime time(QDate(2026, 3, 5), QTime(9, 7, 2, 45), Qt::LocalTime);
    EXPECT_EQ(formatLogLine(QStringLiteral("short"), QString(), QStringLiteral("Foo"), INFO, time),
              QStringLiteral("2026-03-05 09:07:02.045 Foo INFO :: short"));
    EXPECT_EQ(formatLogLine(QStringLiteral("a"), QStringLiteral("b \"c\""), QStringLiteral("Bar"), ERROR, time),
              QStringLiteral("2026-03-05 09:07:02.045 Bar ERROR :: a :: b \"c\""));
}

TEST(LogAppenderFiltering, LevelThresholdsDecideWhatIsWritten)
{
    const QString name = uniqueClassName("Levels");
    RecordingLogAppender errorOnly(ERROR);
    RecordingLogAppender everything(ALL);
    RecordingLogAppender nothing(OFF);
    Logger* logger = SimpleLogger::getInstance()->createLogger(name);
    logger->debug(QStringLiteral("d"), QString());
    logger->info(QStringLiteral("i"), QString());
    logger->error(QStringLiteral("e"), QString());

    const auto mine = [&](const RecordingLogAppender& appender) {
        return appender.lines().filter(QStringLiteral(" ") + name + QStringLiteral(" ")).size();
    };
    EXPECT_EQ(mine(errorOnly), 1);
    EXPECT_TRUE(errorOnly.contains(name + QStringLiteral(" ERROR :: e")));
    EXPECT_EQ(mine(everything), 3);
    EXPECT_EQ(mine(nothing), 0);
}

TEST(LogAppenderFiltering, ExcludedClassIsDroppedButNameDifferingInCaseIsWritten)
{
    const QString name = uniqueClassName("Excluded");
    RecordingLogAppender appender(ALL, {name});
    SimpleLogger::getInstance()->createLogger(name)->error(QStringLiteral("hidden"), QString());
    SimpleLogger::getInstance()->createLogger(name.toLower())->error(QStringLiteral("shown"), QString());
    EXPECT_FALSE(appender.contains(QStringLiteral("hidden")));
    EXPECT_TRUE(appender.contains(QStringLiteral("shown")));
}

TEST(LoggerNames, TakenFromTheObjectsClass)
{
    RecordingLogAppender appender;
    QObject object;
    SimpleLogger::getLogger(&object)->info(QStringLiteral("named-by-class"), QString());
    EXPECT_TRUE(appender.contains(QStringLiteral(" QObject INFO :: named-by-class")));
}

TEST(LogOutputs, DestroyedOutputLeavesTheHub)
{
    const QString name = uniqueClassName("Destroyed");
    RecordingLogAppender survivor;
    {
        RecordingLogAppender shortLived;
        SimpleLogger::getInstance()->createLogger(name)->error(QStringLiteral("first"), QString());
        EXPECT_TRUE(shortLived.contains(QStringLiteral("first")));
    }
    // Under ASan a dangling output in the hub would be a use after free here.
    SimpleLogger::getInstance()->createLogger(name)->error(QStringLiteral("second"), QString());
    EXPECT_TRUE(survivor.contains(QStringLiteral("second")));
}

TEST(LogOutputs, OutputsComeAndGoWhileOtherThreadsLog)
{
    std::atomic<bool> stop{false};
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([&stop, t] {
            Logger* logger = SimpleLogger::getInstance()->createLogger(QStringLiteral("Churn%1").arg(t));
            while (!stop.load())
                logger->debug(QStringLiteral("churn"), QString());
        });
    }
    Logger* probe = SimpleLogger::getInstance()->createLogger(QStringLiteral("Probe"));
    int recorded = 0;
    for (int i = 0; i < 200; ++i) {
        auto appender = std::make_unique<RecordingLogAppender>(ALL);
        probe->debug(QStringLiteral("probe %1").arg(i), QString());
        recorded += appender->contains(QStringLiteral("probe %1").arg(i)) ? 1 : 0;
    }
    stop.store(true);
    for (auto& writer : writers)
        writer.join();
    EXPECT_EQ(recorded, 200);
}

TEST(FileLogOutput, FileNameCarriesTheLocalStartTimeInTheLogsFolder)
{
    const QDateTime before = QDateTime::currentDateTime();
    const QString path = FileLogAppender::getAndCreateLogFilePath(QStringLiteral("debug.log"));
    const QDateTime after = QDateTime::currentDateTime();
    const QFileInfo info(path);
    EXPECT_EQ(info.absolutePath(),
              QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                  + QStringLiteral("/Pathwarden/logs"));
    EXPECT_TRUE(info.dir().exists());
    EXPECT_FALSE(info.exists());
    const QRegularExpression pattern(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})-(\\d{2})-(\\d{2})-(\\d{2})-debug\\.log$"));
    const auto match = pattern.match(info.fileName());
    ASSERT_TRUE(match.hasMatch()) << info.fileName().toStdString();
    const QDateTime stamp =
        QDateTime::fromString(info.fileName().left(19), QStringLiteral("yyyy-MM-dd-HH-mm-ss"));
    // Between the calls, however long the call took; the name keeps whole seconds.
    EXPECT_GE(stamp, before.addMSecs(-before.time().msec()));
    EXPECT_LE(stamp, after);
}

// A second run of the same second gets a file of its own; the first run's
// file is there from its start.
TEST(FileLogOutput, RunsOfTheSameSecondGetNamesOfTheirOwn)
{
    QStringList names;
    std::vector<std::unique_ptr<QFile>> files;
    for (int run = 0; run < 3; ++run) {
        files.push_back(std::make_unique<QFile>(FileLogAppender::getAndCreateLogFilePath(QStringLiteral("debug.log"))));
        names << files.back()->fileName();
        ASSERT_TRUE(files.back()->open(QIODevice::WriteOnly | QIODevice::NewOnly)) << qPrintable(names.last());
    }
    EXPECT_EQ(names.removeDuplicates(), 0) << qPrintable(names.join(QLatin1Char(' ')));
    for (const auto& file : files)
        file->remove();
}

TEST(FileLogOutput, WritesWholeLinesUnderConcurrentLogging)
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("log.txt")));
    const QString name = uniqueClassName("Concurrent");
    {
        FileLogAppender appender(&file, DEBUG, {}, nullptr);
        SimpleLogger::getInstance()->addAppender(&appender);
        std::vector<std::thread> threads;
        for (int t = 0; t < 8; ++t) {
            threads.emplace_back([t, &name] {
                Logger* logger = SimpleLogger::getInstance()->createLogger(name);
                for (int i = 0; i < 200; ++i)
                    logger->info(QStringLiteral("thread %1 entry %2").arg(t).arg(i), QStringLiteral("äöü full"));
            });
        }
        for (auto& thread : threads)
            thread.join();
    }
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const QRegularExpression whole(QStringLiteral(
        "^\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}\\.\\d{3} %1 INFO :: thread \\d entry \\d+ :: äöü full$")
                                       .arg(name));
    ASSERT_EQ(lines.size(), 8 * 200);
    for (const QString& line : lines)
        ASSERT_TRUE(whole.match(line).hasMatch()) << line.toStdString();
}

TEST(FileLogOutput, UnopenableDeviceIsHarmless)
{
    QFile file(QStringLiteral("/nonexistent-folder/for/sure/log.txt"));
    FileLogAppender appender(&file, ALL, {}, nullptr);
    SimpleLogger::getInstance()->addAppender(&appender);
    SimpleLogger::getInstance()->createLogger(QStringLiteral("Unopenable"))->error(QStringLiteral("x"), QString());
    EXPECT_FALSE(file.exists());
}
