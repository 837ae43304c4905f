// Files and folders where the updater keeps its own, laid out as a user or
// whoever prepares a machine would, and as another local user could have
// planted them, met by the built program. Another user's file is one given
// to "nobody" when the tests run as root; such rows skip for other users.

#include "updater/testsupport/DownloadTestSupport.h"
#include "updater/testsupport/PathwardenProcess.h"
#include "updater/testsupport/StandInProgram.h"
#include "updater/testsupport/TestEnvironment.h"

#include "updater/infrastructure/TrustedWay.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

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

// A layout of one row; false when only root could lay it out (the row then
// skips for other users).
using Plant = std::function<bool(TestEnvironment&)>;

void writeIni(const QString& path, const QString& key, const QString& value, mode_t mode)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    {
        QSettings file(path, QSettings::IniFormat);
        file.setValue(key, value);
    }
    chmodPath(path, mode);
}

QString storeFile(const TestEnvironment& env)
{
    return env.configHome() + QStringLiteral("/Pathwarden/pathwarden-local-storage.ini");
}

mode_t modeOf(const QString& path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

} // namespace

// Read, the profile "x" ends the run at once; ignored, the run goes on with
// the default profile and a line names the file and why.
TEST(PlantedFiles, SettingsAreReadExactlyWhenNoOtherUserCouldHaveWrittenThem)
{
    const QString profile = QStringLiteral("Profile");
    const QString x = QStringLiteral("x");
    const auto machineWide = [&](TestEnvironment& env, mode_t mode) {
        const QString folder = env.root() + QStringLiteral("/xdg");
        writeIni(folder + QStringLiteral("/Pathwarden/pathwarden-settings.ini"), profile, x, mode);
        env.setVariable(QStringLiteral("XDG_CONFIG_DIRS"), QStringLiteral("/nonexistent:") + folder);
        return true;
    };
    const struct {
        const char* layout;
        bool read;
        Plant plant;
        QString (*ignoredFile)(const TestEnvironment&);
    } rows[] = {
        {"machine-wide file of root", true, [&](TestEnvironment& env) { return machineWide(env, 0644); }, nullptr},
        {"machine-wide file a shared group can write", false,
         [&](TestEnvironment& env) {
             return machineWide(env, 0664)
                    && TestEnvironment::giveToSharedGroup(env.root() + QStringLiteral("/xdg/Pathwarden/pathwarden-settings.ini"));
         },
         [](const TestEnvironment& env) { return env.root() + QStringLiteral("/xdg/Pathwarden/pathwarden-settings.ini"); }},
        {"user's file with an ACL entry for the user's private group", true,
         [&](TestEnvironment& env) {
             unsigned int group = 0;
             writeIni(env.settingsFile(), profile, x, 0600);
             return userPrivateGroup(&group) && TestEnvironment::setAcl(env.settingsFile(), {{true, group, 6}});
         },
         nullptr},
        // Any user can grant another an entry on a file of theirs.
        {"machine-wide file of root with an ACL entry for another user", false,
         [&](TestEnvironment& env) {
             return machineWide(env, 0644)
                    && TestEnvironment::setAcl(env.root() + QStringLiteral("/xdg/Pathwarden/pathwarden-settings.ini"),
                                               {{false, TestEnvironment::anotherUserId(), 6}});
         },
         [](const TestEnvironment& env) { return env.root() + QStringLiteral("/xdg/Pathwarden/pathwarden-settings.ini"); }},
        {"file of another user", false,
         [&](TestEnvironment& env) {
             writeIni(env.settingsFile(), profile, x, 0600);
             return TestEnvironment::giveToAnotherUser(env.settingsFile());
         },
         nullptr},
        {"link leading out of the user's files", false,
         [&](TestEnvironment& env) {
             // For a user other than root, a file of root's serves.
             QString theirs = QStringLiteral("/etc/passwd");
             if (::geteuid() == 0) {
                 theirs = env.root() + QStringLiteral("/theirs.ini");
                 writeIni(theirs, profile, x, 0644);
                 TestEnvironment::giveToAnotherUser(theirs);
             }
             QDir().mkpath(QFileInfo(env.settingsFile()).absolutePath());
             return QFile::link(theirs, env.settingsFile());
         },
         nullptr},
        {"FIFO", false,
         [&](TestEnvironment& env) {
             QDir().mkpath(QFileInfo(env.settingsFile()).absolutePath());
             return ::mkfifo(QFile::encodeName(env.settingsFile()).constData(), 0600) == 0;
         },
         nullptr},
    };
    for (const auto& row : rows) {
        TestEnvironment env;
        if (!row.plant(env)) {
            ASSERT_NE(::geteuid(), 0u) << row.layout;
            std::printf("[ SKIPPED  ] %s: only root can lay it out\n", row.layout);
            continue;
        }
        if (row.read) {
            const ProcessOutcome outcome = runPathwarden(env, kOnline, kRunMs);
            ASSERT_TRUE(outcome.finished) << row.layout;
            EXPECT_TRUE(outcome.standardError.contains("Unknown application profile (settings: x)"))
                << row.layout << outcome.standardError.constData();
            continue;
        }
        const ProcessOutcome outcome = runPathwardenAndSignal(env, kWentOn, SIGSEGV, kOnline, kRunMs);
        ASSERT_TRUE(outcome.finished) << row.layout << outcome.standardError.constData();
        EXPECT_TRUE(outcome.standardError.contains("main DEBUG :: Profile prod")) << row.layout;
        const QString file = row.ignoredFile ? row.ignoredFile(env) : env.settingsFile();
        EXPECT_TRUE(outcome.standardError.contains(QStringLiteral("ignored: %1: ").arg(file).toUtf8()))
            << row.layout << outcome.standardError.constData();
    }
}

// Only the write bits of others go: the read-only file stays read-only.
TEST(PlantedFiles, SettingsFolderOthersCouldWriteLosesOnlyTheirWriteBitsWithALogLine)
{
    TestEnvironment env;
    writeIni(env.settingsFile(), QStringLiteral("FileLogLevel"), QStringLiteral("DEBUG"), 0400);
    chmodPath(QFileInfo(env.settingsFile()).path(), 0757);
    const ProcessOutcome outcome = runPathwardenAndSignal(env, kWentOn, SIGSEGV, kOnline, kRunMs);
    ASSERT_TRUE(outcome.finished) << outcome.standardError.constData();
    EXPECT_EQ(modeOf(env.settingsFile()), 0400u);
    EXPECT_EQ(modeOf(QFileInfo(env.settingsFile()).path()), 0755u);
    EXPECT_TRUE(outcome.standardError.contains("(mode 0757), narrowed to 0755")) << outcome.standardError.constData();
    EXPECT_FALSE(QDir(env.logFolder()).isEmpty());
}

TEST(PlantedFiles, StoredCopyIsStartedOnlyFromTheUsersOwnStoreFileAndFromInsideItsFolder)
{
    const QString outside = QStringLiteral("/elsewhere/Pathwarden");
    const struct {
        const char* layout;
        bool started;
        bool outsideItsFolder;
        Plant plant;
    } rows[] = {
        {"store file written under umask 002", true, false,
         [](TestEnvironment& env) {
             chmodPath(storeFile(env), 0664);
             return true;
         }},
        {"store file of another user", false, false,
         [](TestEnvironment& env) { return TestEnvironment::giveToAnotherUser(storeFile(env)); }},
        {"store file with a second name", false, false,
         [](TestEnvironment& env) {
             return ::link(QFile::encodeName(storeFile(env)).constData(),
                           QFile::encodeName(env.root() + QStringLiteral("/second")).constData())
                    == 0;
         }},
        // The version folder is there: only the check that the copy lies
        // inside it refuses.
        {"copy outside its version folder", false, true,
         [](TestEnvironment& env) { return QDir().mkpath(env.dataHome() + QStringLiteral("/Pathwarden/9.0.0")); }},
    };
    for (const auto& row : rows) {
        TestEnvironment env;
        const QString record = env.root() + QStringLiteral("/started");
        plantStoredCopy(env, row.outsideItsFolder ? env.root() + outside : storedExecutable(env), record);
        if (!row.plant(env)) {
            ASSERT_NE(::geteuid(), 0u) << row.layout;
            std::printf("[ SKIPPED  ] %s: only root can lay it out\n", row.layout);
            continue;
        }
        const ProcessOutcome outcome = row.started ? runPathwarden(env, kOnline, kRunMs)
                                                   : runPathwardenAndSignal(env, kWentOn, SIGSEGV, kOnline, kRunMs);
        ASSERT_TRUE(outcome.finished) << row.layout << outcome.standardError.constData();
        bool recorded = false;
        if (row.started)
            waitForRecordedArguments(record, &recorded);
        EXPECT_EQ(QFile::exists(record), row.started) << row.layout << outcome.standardError.constData();
    }
}

TEST(PlantedFiles, LinkOrFifoUnderTheLogFilesNameIsReplacedNotOpened)
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
        // The run's name now holds a file of its own; what was there is gone.
        EXPECT_FALSE(QDir(env.logFolder()).entryList(QDir::Files | QDir::NoSymLinks).isEmpty()) << fifo;
        EXPECT_EQ(fileContents(profile), QByteArray("original\n"));
    }
}

TEST(PlantedFiles, StoreFolderIsUsedExactlyWhenNoOtherUserCouldHaveWrittenIt)
{
    const auto linkTo = [](TestEnvironment& env, mode_t mode) {
        const QString own = env.root() + QStringLiteral("/own-store");
        QDir().mkpath(own);
        chmodPath(own, mode);
        return QFile::link(own, env.dataHome() + QStringLiteral("/Pathwarden"));
    };
    const struct {
        const char* layout;
        bool used;
        Plant plant;
        const char* cause;
    } rows[] = {
        {"store of the user that others can write", true,
         [](TestEnvironment& env) {
             QDir().mkpath(env.dataHome() + QStringLiteral("/Pathwarden"));
             chmodPath(env.dataHome() + QStringLiteral("/Pathwarden"), 0777);
             return true;
         },
         ""},
        {"link to a private folder of the user", true, [&](TestEnvironment& env) { return linkTo(env, 0700); }, ""},
        // The store is fine; only the log goes to the cache.
        {"another user's logs folder in a store that was open", true,
         [](TestEnvironment& env) {
             QDir().mkpath(env.logFolder());
             chmodPath(env.dataHome() + QStringLiteral("/Pathwarden"), 0777);
             return TestEnvironment::giveToAnotherUser(env.logFolder());
         },
         "logs"},
        {"link to a folder others can write", false, [&](TestEnvironment& env) { return linkTo(env, 0777); },
         "/own-store can be written by others (mode 0777)"},
        {"store of another user", false,
         [](TestEnvironment& env) {
             QDir().mkpath(env.dataHome() + QStringLiteral("/Pathwarden"));
             return TestEnvironment::giveToAnotherUser(env.dataHome() + QStringLiteral("/Pathwarden"));
         },
         "/Pathwarden belongs to another user (uid"},
    };
    for (const auto& row : rows) {
        TestEnvironment env;
        const QString record = env.root() + QStringLiteral("/started");
        if (!row.plant(env)) {
            ASSERT_NE(::geteuid(), 0u) << row.layout;
            std::printf("[ SKIPPED  ] %s: only root can lay it out\n", row.layout);
            continue;
        }
        plantStoredCopy(env, storedExecutable(env), record);
        const ProcessOutcome outcome = row.used ? runPathwarden(env, kOnline, kRunMs)
                                                : runPathwardenAndSignal(env, kWentOn, SIGSEGV, kOnline, kRunMs);
        ASSERT_TRUE(outcome.finished) << row.layout << outcome.standardError.constData();
        bool recorded = false;
        if (row.used) {
            waitForRecordedArguments(record, &recorded);
            EXPECT_TRUE(recorded) << row.layout << outcome.standardError.constData();
            EXPECT_EQ(modeOf(env.dataHome() + QStringLiteral("/Pathwarden")) & 0002, 0u) << row.layout;
            EXPECT_EQ(QDir(env.cacheHome() + QStringLiteral("/Pathwarden/logs")).isEmpty(), !*row.cause) << row.layout;
            continue;
        }
        // The store's folder and fault are named; the log goes to the cache.
        const QString store = env.dataHome() + QStringLiteral("/Pathwarden/");
        EXPECT_TRUE(outcome.standardError.contains(QStringLiteral("The folder %1 cannot be used: ").arg(store).toUtf8())
                    && outcome.standardError.contains(row.cause))
            << row.layout << outcome.standardError.constData();
        EXPECT_FALSE(QFile::exists(record)) << row.layout;
        EXPECT_FALSE(QDir(env.cacheHome() + QStringLiteral("/Pathwarden/logs")).isEmpty()) << row.layout;
    }
}
