// The interactive updater as a child process against the TLS test update
// server, updating itself from an archive made of the freshly built
// Pathwarden, restarting into the stored copy, and starting that copy again
// on the next plain start without any server.

#include "updater/testsupport/DownloadTestSupport.h"
#include "updater/testsupport/PathwardenProcess.h"
#include "updater/testsupport/StandInProgram.h"
#include "updater/testsupport/TestEnvironment.h"
#include "updater/testsupport/TestFileServer.h"
#include "updater/testsupport/TestUpdateServer.h"
#include "updater/testsupport/UpdaterArchive.h"
#include "updater/testsupport/ZipArchive.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <functional>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

const QString kStoredVersion = QStringLiteral("1.17.0");

class SelfUpdateRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        medium = env.root() + QStringLiteral("/medium");
        QDir().mkpath(medium);
        env.writeSettings({{QStringLiteral("RootRestUrl"), server.rootUrl()},
                           // The built executable trusts only the product's
                           // CAs; the test server's chain is not among them.
                           {QStringLiteral("CheckRootCA"), QStringLiteral("false")}});
        server.setResponse("/rest/downloadclient/discontinued", 200, R"({"discontinued": false})");
    }
    void TearDown() override
    {
        // The restarted copies are ours to end, by the ids they wrote themselves.
        for (const QByteArray& pid : fileContents(pidFile()).split('\n')) {
            if (pid.toLongLong() > 0 && !processEnded(pid.toLongLong()))
                ::kill(static_cast<pid_t>(pid.toLongLong()), SIGKILL);
        }
    }

    QString record() const { return env.root() + QStringLiteral("/stored-copy-arguments"); }
    QString pidFile() const { return env.root() + QStringLiteral("/stored-copy-pid"); }

    // The update as the server names it: the archive on the plain-HTTP
    // download host, its size and SHA-256.
    void offerUpdate(const QString& version, const QByteArray& archive)
    {
        files.setFile("/Pathwarden-update.zip", archive);
        const QByteArray document =
            QStringLiteral(R"({"version": "%1", "updateRequired": true, "macLink": "%2", "macFilesize": %3,)"
                           R"( "macChecksum": "%4"})")
                .arg(version, files.url("/Pathwarden-update.zip").toString())
                .arg(archive.size())
                .arg(QString::fromLatin1(QCryptographicHash::hash(archive, QCryptographicHash::Sha256).toHex()))
                .toUtf8();
        server.setResponse("/rest/downloadclient/update", 200, document);
    }

    // The freshly built updater, stored the way a release of version would
    // be: a stand-in at the updater's place records its arguments and its
    // process id, then runs the real executable, which carries the version a
    // build of it would have built in, unless overrideVersion is empty: then
    // it keeps its own built-in version, older than the one it is stored as.
    QByteArray archiveOfTheBuiltUpdater(const QString& overrideVersion)
    {
        const QString executable = pathwardenExecutable();
        QString body = recordingStandInBody(record());
        body.replace(QRegularExpression(QStringLiteral("exit \\d+$")), QString());
        const QString override =
            overrideVersion.isEmpty() ? QString() : QStringLiteral("-override-app-version=") + overrideVersion;
        const QString script = QStringLiteral("#!/bin/sh\necho $$ >> '%1'\n%2exec \"$(dirname \"$0\")/Pathwarden.bin\" "
                                              "%3 \"$@\"\n")
                                   .arg(pidFile(), body, override);
        const QString folder = QStringLiteral("Pathwarden Mac/Pathwarden.app/Contents/MacOS/");
        const QString path = env.root() + QStringLiteral("/update.zip");
        EXPECT_TRUE(writeZipArchive(path, {{folder + QStringLiteral("Pathwarden"), script.toUtf8(), 0755},
                                           {folder + QStringLiteral("Pathwarden.bin"), fileContents(executable), 0755}}));
        return fileContents(path);
    }

    // Waits (bounded) until a log file of the runs holds text.
    bool waitForLogLine(const QByteArray& text) const
    {
        QElapsedTimer clock;
        for (clock.start(); clock.elapsed() < 120000; QThread::msleep(100)) {
            for (const QFileInfo& log : QDir(env.logFolder()).entryInfoList(QDir::Files))
                if (fileContents(log.filePath()).contains(text))
                    return true;
        }
        return false;
    }
    QList<QByteArray> startedCopies() const { return fileContents(pidFile()).trimmed().split('\n'); }

    QString workingFolderOf(const ProcessOutcome& outcome) const
    {
        const QRegularExpression line(QStringLiteral("working temp dir of application: ([^\"\\n]+)"));
        return line.match(QString::fromUtf8(outcome.standardError)).captured(1);
    }

    TestEnvironment env;
    TestUpdateServer server;
    TestFileServer files{TestFileServer::Transport::PlainHttp};
    QString medium;
};

} // namespace

TEST_F(SelfUpdateRun, UpdateIsStoredAndStartedOnlineAndTheNextPlainStartRunsTheStoredCopy)
{
    offerUpdate(kStoredVersion, archiveOfTheBuiltUpdater(kStoredVersion));
    // The stored copy asks as the version it carries and is up to date.
    server.setResponse("/rest/downloadclient/update?version=" + kStoredVersion.toUtf8(), 200,
                       R"({"version": "1.17.0", "updateRequired": false})");

    const ProcessOutcome update = runPathwarden(
        env, {QStringLiteral("-force-online-mode"), QStringLiteral("-original-installer-path"), medium});
    ASSERT_TRUE(update.finished) << update.standardError.constData();
    EXPECT_EQ(update.exitCode, 0) << update.standardError.constData();
    EXPECT_EQ(server.requestsFor("/rest/downloadclient/update").first().path,
              QByteArray("/rest/downloadclient/update?version=1.16.0.436"));

    bool recorded = false;
    EXPECT_EQ(waitForRecordedArguments(record(), &recorded),
              (QStringList{QStringLiteral("--original-installer-path"), medium, QStringLiteral("--force-online-mode")}));
    ASSERT_TRUE(recorded);
    const QString working = workingFolderOf(update);
    ASSERT_FALSE(working.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(working)) << working.toStdString();
    const QString stored = env.dataHome() + QStringLiteral("/Pathwarden/") + kStoredVersion;
    EXPECT_TRUE(QFileInfo(stored + QStringLiteral("/Pathwarden Mac/Pathwarden.app/Contents/MacOS/Pathwarden.bin")).isExecutable());
    EXPECT_FALSE(QFileInfo::exists(stored + QStringLiteral("/Pathwarden-update.zip")));

    // The restarted copy is the real updater, online at once, and asks the
    // server as the stored version; it is not started again by itself.
    QElapsedTimer clock;
    clock.start();
    while (server.requestsFor("/rest/downloadclient/discontinued").size() < 2 && clock.elapsed() < 120000)
        QThread::msleep(50);
    const QList<RecordedRequest> asked = server.requestsFor("/rest/downloadclient/discontinued");
    ASSERT_EQ(asked.size(), 2);
    EXPECT_EQ(asked.last().path, QByteArray("/rest/downloadclient/discontinued?version=1.17.0"));
    const qint64 restarted = fileContents(pidFile()).trimmed().toLongLong();
    ASSERT_GT(restarted, 0);
    ::kill(static_cast<pid_t>(restarted), SIGTERM);
    clock.restart();
    while (!processEnded(restarted) && clock.elapsed() < 30000)
        QThread::msleep(50);
    EXPECT_TRUE(processEnded(restarted));

    // Next plain start, no server: the stored copy is started offline.
    QFile::remove(record());
    QFile::remove(pidFile());
    env.writeSettings({{QStringLiteral("RootRestUrl"),
                        QStringLiteral("https://127.0.0.1:%1/rest").arg(TestUpdateServer::refusingPort())}});
    const ProcessOutcome plain = runPathwarden(env, {QStringLiteral("-original-installer-path"), medium});
    ASSERT_TRUE(plain.finished) << plain.standardError.constData();
    EXPECT_EQ(plain.exitCode, 0);
    EXPECT_EQ(waitForRecordedArguments(record(), &recorded),
              (QStringList{QStringLiteral("--original-installer-path"), medium}));
}

TEST_F(SelfUpdateRun, VersionNotNewerThanTheRunningOneIsStoredButNotStarted)
{
    const QString record = env.root() + QStringLiteral("/not-started");
    QByteArray archive;
    {
        const QString path = env.root() + QStringLiteral("/same.zip");
        ASSERT_TRUE(writeUpdaterArchive(path, recordingStandInExecutable(record)));
        archive = fileContents(path);
    }
    offerUpdate(QStringLiteral("1.16.0.436"), archive);
    // The failure's critical box waits for a user; the test ends the run
    // once the reason is logged.
    const ProcessOutcome outcome =
        runPathwardenAndSignal(env, "Could not start downloaded Pathwarden", SIGTERM,
                               {QStringLiteral("-force-online-mode"), QStringLiteral("-original-installer-path"), medium});
    ASSERT_TRUE(outcome.finished) << outcome.standardError.constData();
    EXPECT_TRUE(outcome.standardError.contains("Extraction Vorn succeeded"));
    QThread::msleep(500);
    EXPECT_FALSE(QFileInfo::exists(record));
}

TEST_F(SelfUpdateRun, CopyStoredUnderANewerLabelThanItsOwnVersionHandsOverOnceAndGoesOn)
{
    // The release says 9.0.0 but holds this build (1.16.0.436), as a release
    // labelled wrongly or a rollback would.
    env.writeSettings({{QStringLiteral("FileLogLevel"), QStringLiteral("DEBUG")}});
    offerUpdate(QStringLiteral("9.0.0"), archiveOfTheBuiltUpdater(QString()));
    const ProcessOutcome update = runPathwarden(
        env, {QStringLiteral("-force-online-mode"), QStringLiteral("-original-installer-path"), medium});
    ASSERT_TRUE(update.finished) << update.standardError.constData();
    EXPECT_EQ(update.exitCode, 0) << update.standardError.constData();

    // The stored copy is offered 9.0.0 again: it neither downloads nor starts
    // itself, and its wizard goes on to the download choices.
    ASSERT_TRUE(waitForLogLine("The offered update is not newer than this copy"));
    EXPECT_TRUE(waitForLogLine(" DownloadChoiceSelectionPage "));
    QThread::msleep(2000);
    EXPECT_EQ(files.requestsFor("/Pathwarden-update.zip").size(), 1);
    EXPECT_EQ(startedCopies().size(), 1);

    // A plain start hands over to the stored copy once; that copy starts
    // nothing and waits for the user.
    QFile::remove(pidFile());
    const ProcessOutcome plain = runPathwarden(env, {QStringLiteral("-original-installer-path"), medium});
    ASSERT_TRUE(plain.finished) << plain.standardError.constData();
    EXPECT_EQ(plain.exitCode, 0);
    ASSERT_TRUE(waitForLogLine("it does not hand over again"));
    QThread::msleep(2000);
    ASSERT_EQ(startedCopies().size(), 1);
    EXPECT_FALSE(processEnded(startedCopies().first().toLongLong()));
}

// A copy that unzip could not unpack whole is neither kept, remembered nor
// started: the page reports the failed update.
TEST_F(SelfUpdateRun, DamagedUpdateIsRemovedRememberedNowhereAndEndsInTheDownloadError)
{
    const QString started = env.root() + QStringLiteral("/started");
    const QString app = QStringLiteral("Pathwarden Mac/Pathwarden.app/Contents/");
    const QString path = env.root() + QStringLiteral("/update.zip");
    ASSERT_TRUE(writeZipArchive(path, {{app + QStringLiteral("MacOS/Pathwarden"), recordingStandInExecutable(started), 0755},
                                       {app + QStringLiteral("Resources/data.bin"), "data", 0644, true}}));
    offerUpdate(kStoredVersion, fileContents(path));
    const ProcessOutcome outcome =
        runPathwardenAndSignal(env, "Could not start downloaded Pathwarden", SIGTERM,
                               {QStringLiteral("-force-online-mode"), QStringLiteral("-original-installer-path"), medium});
    ASSERT_TRUE(outcome.finished) << outcome.standardError.constData();
    EXPECT_TRUE(QDir(env.dataHome() + QStringLiteral("/Pathwarden/") + kStoredVersion)
                    .isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
    EXPECT_FALSE(fileContents(env.configHome() + QStringLiteral("/Pathwarden/pathwarden-local-storage.ini"))
                     .contains("LatestVersionInLocalStore"));
    QThread::msleep(500);
    EXPECT_FALSE(QFileInfo::exists(started));
}

// Layouts as users and administrators set them up, in which the update is
// stored and started; an update whose link leads out, which is refused; and
// a store that no update can use, whose folder and fault are named instead
// of a wrong version. Rows with another user's file or folder need root and
// skip otherwise.
TEST_F(SelfUpdateRun, UpdateWorksInTheUsersOwnLayoutsAndNamesTheFaultOfAStoreItCannotUse)
{
    const QString app = QStringLiteral("Pathwarden Mac/Pathwarden.app/Contents/");
    const QString framework = app + QStringLiteral("Frameworks/QtCore.framework/");
    const auto folderOf = [](const QString& path) {
        QDir().mkpath(path);
        return path;
    };
    const struct {
        const char* layout;
        QList<ZipEntry> bundle;
        std::function<bool(TestEnvironment&)> plant;
        const char* cause;
    } rows[] = {
        // The server is named only in the settings: the update works only
        // when they are read.
        {"settings file written under umask 002", {},
         [&](TestEnvironment& env) { return ::chmod(QFile::encodeName(env.settingsFile()).constData(), 0664) == 0; },
         nullptr},
        {"settings file linked to a file of the user", {},
         [&](TestEnvironment& env) {
             const QString own = env.root() + QStringLiteral("/my-settings.ini");
             return QFile::rename(env.settingsFile(), own) && QFile::link(own, env.settingsFile());
         },
         nullptr},
        {"machine-wide settings file of root", {},
         [&](TestEnvironment& env) {
             const QString folder = folderOf(env.root() + QStringLiteral("/xdg/Pathwarden"));
             env.setVariable(QStringLiteral("XDG_CONFIG_DIRS"), QFileInfo(folder).path());
             const QString file = folder + QStringLiteral("/pathwarden-settings.ini");
             return QFile::rename(env.settingsFile(), file) && ::chmod(QFile::encodeName(file).constData(), 0644) == 0;
         },
         nullptr},
        {"store folder linked to a private folder of the user", {},
         [&](TestEnvironment& env) {
             const QString own = folderOf(env.root() + QStringLiteral("/own-store"));
             return ::chmod(QFile::encodeName(own).constData(), 0700) == 0
                    && QFile::link(own, env.dataHome() + QStringLiteral("/Pathwarden"));
         },
         nullptr},
        {"framework with relative links inside",
         {{framework + QStringLiteral("Versions/5/QtCore"), "library", 0644},
          {framework + QStringLiteral("Versions/Current"), "5", 0120777},
          {framework + QStringLiteral("QtCore"), "Versions/Current/QtCore", 0120777}},
         nullptr, nullptr},
        // Hostile: the copy is refused, the store itself is fine.
        {"framework whose current version leads out of the copy",
         {{framework + QStringLiteral("Versions/Current"), "/usr/lib", 0120777}},
         nullptr, ""},
        {"store file of another user in a settings folder others can write", {},
         [&](TestEnvironment& env) {
             const QString file = folderOf(env.configHome() + QStringLiteral("/Pathwarden"))
                                  + QStringLiteral("/pathwarden-local-storage.ini");
             QFile(file).open(QIODevice::WriteOnly);
             return ::chmod(QFile::encodeName(QFileInfo(file).path()).constData(), 0777) == 0
                    && TestEnvironment::giveToAnotherUser(file);
         },
         nullptr},
        {"store folder linked to a folder others can write", {},
         [&](TestEnvironment& env) {
             const QString open = folderOf(env.root() + QStringLiteral("/open-store"));
             return ::chmod(QFile::encodeName(open).constData(), 0777) == 0
                    && QFile::link(open, env.dataHome() + QStringLiteral("/Pathwarden"));
         },
         "it is a link to a folder that others can write"},
        {"store folder of another user", {},
         [&](TestEnvironment& env) {
             return TestEnvironment::giveToAnotherUser(folderOf(env.dataHome() + QStringLiteral("/Pathwarden")));
         },
         "it belongs to another user"},
    };
    for (const auto& row : rows) {
        TestEnvironment layout;
        layout.writeSettings({{QStringLiteral("RootRestUrl"), server.rootUrl()},
                              {QStringLiteral("CheckRootCA"), QStringLiteral("false")}});
        const QString started = layout.root() + QStringLiteral("/started");
        QList<ZipEntry> entries = row.bundle;
        entries.prepend({app + QStringLiteral("MacOS/Pathwarden"), recordingStandInExecutable(started), 0755});
        const QString path = layout.root() + QStringLiteral("/update.zip");
        ASSERT_TRUE(writeZipArchive(path, entries));
        offerUpdate(kStoredVersion, fileContents(path));
        if (row.plant && !row.plant(layout)) {
            ASSERT_NE(::geteuid(), 0u) << row.layout;
            std::printf("[ SKIPPED  ] %s: only root can lay it out\n", row.layout);
            continue;
        }
        const QStringList arguments = {QStringLiteral("-force-online-mode"), QStringLiteral("-original-installer-path"),
                                       medium};
        if (!row.cause) {
            const ProcessOutcome update = runPathwarden(layout, arguments);
            ASSERT_TRUE(update.finished) << row.layout;
            EXPECT_EQ(update.exitCode, 0) << row.layout << update.standardError.constData();
            bool recorded = false;
            waitForRecordedArguments(started, &recorded);
            EXPECT_TRUE(recorded) << row.layout;
            continue;
        }
        const ProcessOutcome update = runPathwardenAndSignal(layout, "Self UpdatePage download error.", SIGTERM, arguments);
        ASSERT_TRUE(update.finished) << row.layout << update.standardError.constData();
        QThread::msleep(500);
        EXPECT_FALSE(QFileInfo::exists(started)) << row.layout;
        if (!*row.cause) {
            EXPECT_TRUE(update.standardError.contains("symbolic link that leads out of it")) << row.layout;
            continue;
        }
        const QString store = layout.dataHome() + QStringLiteral("/Pathwarden/");
        EXPECT_TRUE(update.standardError.contains(QStringLiteral("downloadErrorSlot: The folder %1 cannot be used: %2")
                                                      .arg(store, QLatin1String(row.cause))
                                                      .toUtf8()))
            << row.layout << update.standardError.constData();
        EXPECT_FALSE(update.standardError.contains("Invalid version.")) << row.layout;
        EXPECT_FALSE(QDir(layout.home() + QStringLiteral("/.cache/Pathwarden/logs")).isEmpty()) << row.layout;
    }
}
