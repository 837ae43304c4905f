// Files another local user could have put where the updater keeps its own,
// met by the built program in a private environment. The tests run as root
// and cannot give files away, so another user's file is played by modes that
// let others write, by links and by FIFOs.

#include "updater/testsupport/DownloadTestSupport.h"
#include "updater/testsupport/PathwardenProcess.h"
#include "updater/testsupport/TestEnvironment.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>

namespace {

// Logged once the start-up decision let the run go on (force-online mode).
const QByteArray kWentOn = "App ready to init";
constexpr int kRunMs = 120000;
const QStringList kOnline = {QStringLiteral("-force-online-mode")};

void chmodPath(const QString& path, mode_t mode)
{
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0) << path.toStdString();
}

void writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

} // namespace

TEST(PlantedFiles, LinkOrFifoUnderTheLogFilesNameIsNotOpened)
{
    for (const bool fifo : {false, true}) {
        TestEnvironment env;
        env.writeSettings({{QStringLiteral("FileLogLevel"), QStringLiteral("DEBUG")}});
        const QString profile = env.home() + QStringLiteral("/.profile");
        writeFile(profile, "original\n");
        QDir().mkpath(env.logFolder());
        chmodPath(env.dataHome() + QStringLiteral("/Pathwarden"), 0700);
        chmodPath(env.logFolder(), 0700);
        // Log names are the start time to the second: every name of the
        // next minutes is taken.
        const QDateTime now = QDateTime::currentDateTime();
        for (int second = -2; second < 120; ++second) {
            const QString stamp = now.addSecs(second).toString(QStringLiteral("yyyy-MM-dd-HH-mm-ss"));
            for (const QString& name : {QStringLiteral("-debug.log"), QStringLiteral("-crash.log")}) {
                const QString path = env.logFolder() + QLatin1Char('/') + stamp + name;
                if (fifo)
                    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
                else
                    ASSERT_TRUE(QFile::link(profile, path));
            }
        }
        const ProcessOutcome outcome = runPathwardenAndSignal(env, kWentOn, SIGSEGV, kOnline, kRunMs);
        ASSERT_TRUE(outcome.finished) << fifo;
        EXPECT_TRUE(outcome.standardError.contains("writeToFile could not open for writing logfile"));
        EXPECT_EQ(fileContents(profile), QByteArray("original\n"));
    }
}
