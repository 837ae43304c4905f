// Files another local user could have put where the updater keeps its own,
// met by the built program. Tests run as root and cannot give files away:
// another user's file is played by modes that let others write, links, FIFOs.

#include "updater/testsupport/DownloadTestSupport.h"
#include "updater/testsupport/PathwardenProcess.h"
#include "updater/testsupport/StandInProgram.h"
#include "updater/testsupport/TestEnvironment.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

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

// A copy as a run would remember it: a recording stand-in at executable and
// the local store's file naming it as version 9.0.0.
void plantStoredCopy(const TestEnvironment& env, const QString& executable, const QString& record)
{
    writeRecordingStandInProgram(QFileInfo(executable).absolutePath(), QFileInfo(executable).fileName(), record);
    const QString file = env.configHome() + QStringLiteral("/Pathwarden/pathwarden-local-storage.ini");
    QSettings store(file, QSettings::IniFormat);
    store.setValue(QStringLiteral("LatestVersionInLocalStore"), QStringLiteral("9.0.0"));
    store.setValue(QStringLiteral("PathToLatestVersionInLocalStore"), executable);
    store.sync();
    chmodPath(file, 0600);
}

QString storedExecutable(const TestEnvironment& env)
{
    return env.dataHome() + QStringLiteral("/Pathwarden/9.0.0/Pathwarden");
}

} // namespace

TEST(PlantedFiles, SettingsNotTheUsersOwnAreIgnoredAndTheDefaultsHold)
{
    for (const bool fifo : {false, true}) {
        TestEnvironment env;
        // Read, the profile would end the run at once.
        env.writeSettings({{QStringLiteral("Profile"), QStringLiteral("x")}});
        if (fifo)
            ASSERT_TRUE(QFile::remove(env.settingsFile())
                        && ::mkfifo(QFile::encodeName(env.settingsFile()).constData(), 0600) == 0);
        else
            chmodPath(env.settingsFile(), 0620);
        const ProcessOutcome outcome = runPathwardenAndSignal(env, kWentOn, SIGSEGV, kOnline, kRunMs);
        ASSERT_TRUE(outcome.finished) << outcome.standardError.constData();
        EXPECT_TRUE(outcome.standardError.contains("Settings file is not a private file of the user, ignored"));
        EXPECT_TRUE(outcome.standardError.contains("main DEBUG :: Profile prod"));
    }
}

TEST(PlantedFiles, StoredCopyNamedByAForeignFileOrOutsideItsFolderIsNotStarted)
{
    const QString outside = QStringLiteral("/elsewhere/Pathwarden");
    for (const bool foreignFile : {true, false}) {
        TestEnvironment env;
        const QString record = env.root() + QStringLiteral("/started");
        plantStoredCopy(env, foreignFile ? storedExecutable(env) : env.root() + outside, record);
        if (foreignFile)
            chmodPath(env.configHome() + QStringLiteral("/Pathwarden/pathwarden-local-storage.ini"), 0660);
        const ProcessOutcome outcome = runPathwardenAndSignal(env, kWentOn, SIGSEGV, kOnline, kRunMs);
        ASSERT_TRUE(outcome.finished) << outcome.standardError.constData();
        EXPECT_FALSE(QFile::exists(record)) << foreignFile;
    }
}

TEST(PlantedFiles, LinkOrFifoUnderTheLogFilesNameIsNotOpened)
{
    for (const bool fifo : {false, true}) {
        TestEnvironment env;
        env.writeSettings({{QStringLiteral("FileLogLevel"), QStringLiteral("DEBUG")}});
        const QString profile = env.home() + QStringLiteral("/.profile");
        QFile file(profile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("original\n") == 9);
        file.close();
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

TEST(PlantedFiles, StoreFolderOthersCanWriteIsNotUsedAtAll)
{
    TestEnvironment env;
    const QString record = env.root() + QStringLiteral("/started");
    plantStoredCopy(env, storedExecutable(env), record);
    const QString store = env.dataHome() + QStringLiteral("/Pathwarden");
    chmodPath(store + QStringLiteral("/9.0.0"), 0700);
    chmodPath(store, 0777);
    const ProcessOutcome outcome = runPathwardenAndSignal(env, kWentOn, SIGSEGV, kOnline, kRunMs);
    ASSERT_TRUE(outcome.finished) << outcome.standardError.constData();
    EXPECT_TRUE(outcome.standardError.contains("local store is not a private folder of the user, going on without it"));
    EXPECT_FALSE(QFile::exists(record));
    EXPECT_FALSE(QFileInfo::exists(env.logFolder()));
}
