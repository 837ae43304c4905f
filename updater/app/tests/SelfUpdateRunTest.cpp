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

#include "updater/infrastructure/TrustedWay.h"
#include "testsupport/TestTree.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <ostream>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

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
    EXPECT_TRUE(processEndsWithin(restarted, 30000));

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
        runPathwardenAndSignal(env, "Self UpdatePage download error.", SIGTERM,
                               {QStringLiteral("-force-online-mode"), QStringLiteral("-original-installer-path"), medium});
    ASSERT_TRUE(outcome.finished) << outcome.standardError.constData();
    EXPECT_TRUE(outcome.standardError.contains("Extraction Vorn succeeded"));
    // The box names the cause.
    EXPECT_TRUE(outcome.standardError.contains(
        "downloadErrorSlot: The update 1.16.0.436 is not newer than this Pathwarden 1.16.0.436."))
        << outcome.standardError.constData();
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

// Runs with two configuration folders (another XDG_CONFIG_HOME) keep one
// store: the second finds the version recorded nowhere of its own, while
// the first run's copy runs from its folder. That folder is left as it is,
// not emptied and unpacked anew under the running copy.
TEST_F(SelfUpdateRun, CopyRunningFromTheStoreIsLeftAsItIsByARunWithAnotherConfigurationFolder)
{
    // The copy notes its process and goes on running as a program of its
    // own folder.
    const QString inBundle = QStringLiteral("Pathwarden Mac/Pathwarden.app/Contents/MacOS/");
    const QString path = env.root() + QStringLiteral("/update.zip");
    const QString script =
        QStringLiteral("#!/bin/sh\necho $$ >> '%1'\nexec \"$(dirname \"$0\")/Pathwarden.bin\" 600\n").arg(pidFile());
    ASSERT_TRUE(writeZipArchive(path, {{inBundle + QStringLiteral("Pathwarden"), script.toUtf8(), 0755},
                                       {inBundle + QStringLiteral("Pathwarden.bin"),
                                        fileContents(QStandardPaths::findExecutable(QStringLiteral("sleep"))), 0755}}));
    offerUpdate(kStoredVersion, fileContents(path));
    const QStringList arguments = {QStringLiteral("-force-online-mode"), QStringLiteral("-original-installer-path"),
                                   medium};
    const ProcessOutcome first = runPathwarden(env, arguments);
    ASSERT_TRUE(first.finished) << first.standardError.constData();
    EXPECT_EQ(first.exitCode, 0) << first.standardError.constData();
    const QString program = QFileInfo(env.dataHome() + QStringLiteral("/Pathwarden/") + kStoredVersion
                                      + QLatin1Char('/') + inBundle + QStringLiteral("Pathwarden.bin"))
                                .canonicalFilePath();
    qint64 copy = 0;
    const auto runs = [&] {
        copy = fileContents(pidFile()).trimmed().toLongLong();
        return copy > 0 && QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(copy)) == program;
    };
    QElapsedTimer clock;
    for (clock.start(); !runs() && clock.elapsed() < 60000;)
        QThread::msleep(20);
    ASSERT_TRUE(runs()) << "the first run's copy does not run " << program.toStdString();
    struct stat before {};
    ASSERT_EQ(::stat(QFile::encodeName(program).constData(), &before), 0);

    const QString otherConfig = env.root() + QStringLiteral("/other-config");
    ASSERT_TRUE(QDir().mkpath(otherConfig + QStringLiteral("/Pathwarden")));
    ASSERT_TRUE(QFile::copy(env.settingsFile(), otherConfig + QStringLiteral("/Pathwarden/pathwarden-settings.ini")));
    env.setVariable(QStringLiteral("XDG_CONFIG_HOME"), otherConfig);
    const ProcessOutcome second = runPathwardenAndSignal(env, "Self UpdatePage download error.", SIGTERM, arguments);
    EXPECT_TRUE(second.standardError.contains(
        QStringLiteral("downloadErrorSlot: The folder %1/ holds a copy of Pathwarden that is running (process %2); "
                       "it is left as it is.")
            .arg(env.dataHome() + QStringLiteral("/Pathwarden/") + kStoredVersion)
            .arg(copy)
            .toUtf8()))
        << second.standardError.constData();
    EXPECT_FALSE(second.standardError.contains("Copying Vorn archive file."));
    EXPECT_FALSE(processEnded(copy));
    struct stat after {};
    EXPECT_EQ(::stat(QFile::encodeName(program).constData(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(startedCopies().size(), 1);
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
        runPathwardenAndSignal(env, "Self UpdatePage download error.", SIGTERM,
                               {QStringLiteral("-force-online-mode"), QStringLiteral("-original-installer-path"), medium});
    ASSERT_TRUE(outcome.finished) << outcome.standardError.constData();
    // The box names the cause: unzip's own words on the damaged entry.
    EXPECT_TRUE(outcome.standardError.contains("downloadErrorSlot: The update cannot be unpacked into "))
        << outcome.standardError.constData();
    EXPECT_TRUE(outcome.standardError.contains(": unzip failed with status "));
    EXPECT_TRUE(QDir(env.dataHome() + QStringLiteral("/Pathwarden/") + kStoredVersion)
                    .isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
    EXPECT_FALSE(fileContents(env.configHome() + QStringLiteral("/Pathwarden/pathwarden-local-storage.ini"))
                     .contains("LatestVersionInLocalStore"));
    QThread::msleep(500);
    EXPECT_FALSE(QFileInfo::exists(started));
}

namespace {

// Layouts as users and administrators set them up, in which the update is
// stored and started; layouts another local user could have laid, in which
// nothing of theirs is read or started and no file of the user changes; an
// update whose link leads out, which is refused; and stores that no update
// can use, whose folder and fault are named instead of a wrong version.
// Rows with another user's file or folder need root and skip otherwise.
// Each row is a test of its own, so that a parallel ctest spreads the runs.
struct LayoutRow {
    const char* layout;
    QList<ZipEntry> bundle;
    std::function<bool(TestEnvironment&)> plant;
    // Null: stored and started. Empty: the copy is refused. Else the
    // store folder's fault.
    const char* cause;
    // Logged when the settings that name the server were refused: the
    // run then starts nothing.
    const char* refused = nullptr;
    // The fault is named in German for a German user.
    bool german = false;
    // Another user's folder in the store that their loop swaps with the
    // version folder (RENAME_EXCHANGE) while the update runs.
    const char* swapped = nullptr;
    // Run under umask 000 in a fresh home, then run again.
    bool openUmask = false;
    // The bundle's framework link leads on through a chain of this many
    // links that stay inside the copy.
    int chain = 0;
    // Two runs of the user: 1 started together, 2 the second while the
    // first stores, held at its unpacking (as on a slow disk) until the
    // second has come to its own store. Each starts its copy, which runs.
    int pair = 0;
    // What must still hold after a run that stored and started the copy.
    std::function<bool(const TestEnvironment&)> holds = nullptr;
};

void PrintTo(const LayoutRow& row, std::ostream* out)
{
    *out << row.layout;
}

// What a row is named as a test: its words, each letter or digit kept.
std::string rowName(const ::testing::TestParamInfo<LayoutRow>& info)
{
    std::string name;
    bool gap = false;
    for (const char* c = info.param.layout; *c; ++c) {
        const bool kept = std::isalnum(static_cast<unsigned char>(*c)) != 0;
        if (kept && gap && !name.empty())
            name += '_';
        if (kept)
            name += *c;
        gap = !kept;
    }
    return name;
}

QString appInBundle()
{
    return QStringLiteral("Pathwarden Mac/Pathwarden.app/Contents/");
}

bool hasPrivateGroup()
{
    unsigned int group = 0;
    return userPrivateGroup(&group);
}

QString settingsFolder(const TestEnvironment& env)
{
    return QFileInfo(env.settingsFile()).path();
}

QString storeFileOf(const TestEnvironment& env)
{
    return env.configHome() + QStringLiteral("/Pathwarden/pathwarden-local-storage.ini");
}

QString bashrcOf(const TestEnvironment& env)
{
    return env.home() + QStringLiteral("/.bashrc");
}

// The configuration, data and cache folders in a home that has none of
// them yet; the server is named by a machine-wide settings file of root.
bool inAFreshHome(TestEnvironment& env)
{
    const QString machine = env.root() + QStringLiteral("/xdg/Pathwarden");
    QDir().mkpath(machine);
    const QString file = machine + QStringLiteral("/pathwarden-settings.ini");
    env.setVariable(QStringLiteral("XDG_CONFIG_DIRS"), QFileInfo(machine).path());
    const bool moved =
        QFile::rename(env.settingsFile(), file) && ::chmod(QFile::encodeName(file).constData(), 0644) == 0;
    env.useFoldersInTheHome();
    return moved;
}

mode_t modeOf(const QString& path)
{
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// Folders below folder (itself included) that others could write.
QStringList foldersOpenToOthers(const QString& folder)
{
    QStringList open;
    QDirIterator it(folder, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks,
                    QDirIterator::Subdirectories);
    for (QString path = folder; !path.isEmpty(); path = it.hasNext() ? it.next() : QString()) {
        struct stat info {};
        if (::lstat(QFile::encodeName(path).constData(), &info) == 0 && (info.st_mode & 022) != 0)
            open << QStringLiteral("%1 (%2)").arg(path).arg(info.st_mode & 07777, 4, 8, QLatin1Char('0'));
    }
    return open;
}

// Another user's loop that swaps two names in a folder with
// RENAME_EXCHANGE, as fast as it can: at most 50 million times and for 200
// s against a hang, ended by its PID with the row.
class SwapLoop {
public:
    SwapLoop() = default;
    SwapLoop(const SwapLoop&) = delete;
    SwapLoop& operator=(const SwapLoop&) = delete;
    ~SwapLoop()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    bool start(const QString& folder, const char* one, const char* other)
    {
        // The folder is reached through a descriptor: the other user need
        // not pass the test's private folders above it.
        const OwnedDescriptor at(::open(QFile::encodeName(folder).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        const struct passwd* nobody = ::getpwnam("nobody");
        const gid_t group = nobody ? nobody->pw_gid : 65534;
        const uid_t user = TestEnvironment::anotherUserId();
        if (at.get() < 0)
            return false;
        pid_ = ::fork();
        if (pid_ == 0) {
            if (::setgroups(0, nullptr) != 0 || ::setgid(group) != 0 || ::setuid(user) != 0)
                ::_exit(1);
            struct timespec begin {}, now {};
            ::clock_gettime(CLOCK_MONOTONIC, &begin);
            for (long swap = 0; swap < 50000000; ++swap) {
                ::renameat2(at.get(), one, at.get(), other, RENAME_EXCHANGE);
                if (swap % 4096 == 0 && ::clock_gettime(CLOCK_MONOTONIC, &now) == 0 && now.tv_sec - begin.tv_sec > 200)
                    break;
            }
            ::_exit(0);
        }
        return pid_ > 0;
    }

private:
    pid_t pid_ = -1;
};

std::vector<LayoutRow> layoutRows()
{
    const QString app = appInBundle();
    const QString framework = app + QStringLiteral("Frameworks/QtCore.framework/");
    const auto folderOf = [](const QString& path, mode_t mode = 0) {
        QDir().mkpath(path);
        if (mode)
            ::chmod(QFile::encodeName(path).constData(), mode);
        return path;
    };
    const auto link = [](const QString& target, const QString& name) { return QFile::link(target, name); };
    // The settings moved to own (a file of the user) and named by a link.
    const auto settingsAt = [=](TestEnvironment& env, const QString& own, const QString& target) {
        return QFile::rename(env.settingsFile(), own) && link(target.isEmpty() ? own : target, env.settingsFile());
    };
    // Another user's settings name the server; the user's own name none.
    const auto theirSettingsAt = [=](TestEnvironment& env, const QString& theirs) {
        return QFile::rename(env.settingsFile(), theirs) && TestEnvironment::giveToAnotherUser(theirs);
    };
    // The folder on a new file system filled up, keeping the file given.
    const auto onFullFileSystem = [](const QString& folder, const QString& keep) {
        const QByteArray kept = keep.isEmpty() ? QByteArray() : fileContents(keep);
        if (!TestEnvironment::mountPrivateFileSystem(folder, "size=256k"))
            return false;
        if (!keep.isEmpty()) {
            QDir().mkpath(QFileInfo(keep).path());
            QFile file(keep);
            if (!file.open(QIODevice::WriteOnly) || file.write(kept) != kept.size())
                return false;
        }
        QFile filler(folder + QStringLiteral("/filler"));
        if (!filler.open(QIODevice::WriteOnly))
            return false;
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
        return true;
    };
    const auto lchownToAnotherUser = [](const QString& path) { return TestEnvironment::giveToAnotherUser(path); };
    // flock fails with ENOLCK for the files below the folder given, as on an
    // NFS home whose lock service does not answer; the runtime folder is
    // the user's private one, or there is none.
    const auto locksFailBelow = [](TestEnvironment& env, const QString& below, bool runtimeFolder) {
        const QString asan = qEnvironmentVariable("ASAN_OPTIONS");
        env.setVariable(QStringLiteral("LD_PRELOAD"), testtree::inBuildTree(QStringLiteral(PATHWARDEN_FLOCK_SHIM)));
        env.setVariable(QStringLiteral("ASAN_OPTIONS"),
                        asan + (asan.isEmpty() ? "" : ":") + QStringLiteral("verify_asan_link_order=0"));
        env.setVariable(QStringLiteral("PATHWARDEN_TEST_FLOCK_ERRNO"), QString::number(ENOLCK));
        env.setVariable(QStringLiteral("PATHWARDEN_TEST_FLOCK_BELOW"), QFileInfo(below).canonicalFilePath());
        const QString runtime = env.root() + QStringLiteral("/runtime");
        env.setVariable(QStringLiteral("XDG_RUNTIME_DIR"), runtimeFolder ? runtime : QString());
        return !runtimeFolder
               || (QDir().mkpath(runtime) && ::chmod(QFile::encodeName(runtime).constData(), 0700) == 0);
    };
    return {
        // The server is named only in the settings: the update works only
        // when they are read.
        {"settings file of the user's private group written under umask 002", {},
         [=](TestEnvironment& env) {
             unsigned int group = 0;
             return userPrivateGroup(&group)
                    && ::chown(QFile::encodeName(env.settingsFile()).constData(), static_cast<uid_t>(-1), group) == 0
                    && ::chmod(QFile::encodeName(env.settingsFile()).constData(), 0664) == 0;
         },
         nullptr},
        {"settings file linked to a file of the user", {},
         [=](TestEnvironment& env) { return settingsAt(env, env.root() + QStringLiteral("/my-settings.ini"), {}); },
         nullptr},
        {"settings file linked relatively to a file of the user", {},
         [=](TestEnvironment& env) {
             return settingsAt(env, env.root() + QStringLiteral("/my-settings.ini"),
                               QStringLiteral("../../my-settings.ini"));
         },
         nullptr},
        {"machine-wide settings file of root", {},
         [=](TestEnvironment& env) {
             const QString folder = folderOf(env.root() + QStringLiteral("/xdg/Pathwarden"));
             env.setVariable(QStringLiteral("XDG_CONFIG_DIRS"), QFileInfo(folder).path());
             const QString file = folder + QStringLiteral("/pathwarden-settings.ini");
             return QFile::rename(env.settingsFile(), file) && ::chmod(QFile::encodeName(file).constData(), 0644) == 0;
         },
         nullptr},
        {"settings file of the user in a settings folder that was open", {},
         [=](TestEnvironment& env) { return folderOf(settingsFolder(env), 0777) == settingsFolder(env); }, nullptr},
        {"settings file linked to a file of the user from a settings folder that was open", {},
         [=](TestEnvironment& env) {
             folderOf(settingsFolder(env), 0777);
             return settingsAt(env, env.root() + QStringLiteral("/my-settings.ini"), {});
         },
         nullptr},
        {"store folder linked to a private folder of the user outside the home", {},
         [=](TestEnvironment& env) {
             return link(folderOf(env.root() + QStringLiteral("/own-store"), 0700),
                         env.dataHome() + QStringLiteral("/Pathwarden"));
         },
         nullptr},
        {"framework with relative links inside",
         {{framework + QStringLiteral("Versions/5/QtCore"), "library", 0644},
          {framework + QStringLiteral("Versions/Current"), "5", 0120777},
          {framework + QStringLiteral("QtCore"), "Versions/Current/QtCore", 0120777}},
         nullptr, nullptr},
        // Another user's words at the store file's name are replaced, never
        // written through nor merged, and their lock file holds nothing up.
        {"unlinking a refused store file before the write: another user's link to ~/.bashrc", {},
         [=](TestEnvironment& env) {
             folderOf(settingsFolder(env), 0777);
             return link(bashrcOf(env), storeFileOf(env)) && lchownToAnotherUser(storeFileOf(env));
         },
         nullptr},
        {"store file linked by the user to ~/.bashrc", {},
         [=](TestEnvironment& env) { return link(bashrcOf(env), storeFileOf(env)); }, nullptr},
        // Only our own temporaries are swept: an editor's swap file beside
        // the record, untouched for an hour, stays.
        {"editor's swap file beside the store file", {},
         [=](TestEnvironment& env) {
             const QString swap = settingsFolder(env) + QStringLiteral("/.pathwarden-local-storage.ini.swp");
             QFile file(swap);
             const struct timeval hourAgo[2] = {{std::time(nullptr) - 3600, 0}, {std::time(nullptr) - 3600, 0}};
             return file.open(QIODevice::WriteOnly) && file.write("swap\n") == 5 && file.flush()
                    && ::utimes(QFile::encodeName(swap).constData(), hourAgo) == 0;
         },
         nullptr, nullptr, false, nullptr, false, 0, 0,
         [=](const TestEnvironment& env) {
             return fileContents(settingsFolder(env) + QStringLiteral("/.pathwarden-local-storage.ini.swp")) == "swap\n";
         }},
        // Two runs of one user, e.g. the medium's autorun and a double-click,
        // with a larger copy.
        {"two runs started together",
         {{app + QStringLiteral("Resources/data.bin"), zipArchiveOfSize(QStringLiteral("data"), 24 << 20, 46), 0644}},
         nullptr, nullptr, nullptr, false, nullptr, false, 0, 1},
        {"two runs, the second started while the first unpacks",
         {{app + QStringLiteral("Resources/data.bin"), zipArchiveOfSize(QStringLiteral("data"), 24 << 20, 46), 0644}},
         nullptr, nullptr, nullptr, false, nullptr, false, 0, 2},
        // Where the store cannot be locked, the lock is the runtime folder's,
        // and the second run still waits for the first; without a runtime
        // folder the run goes on as the only one.
        {"store whose locks fail, locked in the runtime folder: two runs, the second while the first unpacks",
         {{app + QStringLiteral("Resources/data.bin"), zipArchiveOfSize(QStringLiteral("data"), 24 << 20, 46), 0644}},
         [=](TestEnvironment& env) { return locksFailBelow(env, env.dataHome(), true); }, nullptr, nullptr, false,
         nullptr, false, 0, 2},
        {"no locks anywhere and no runtime folder", {},
         [=](TestEnvironment& env) { return locksFailBelow(env, QStringLiteral("/"), false); }, nullptr},
        {"store file of another user in a settings folder others can write", {},
         [=](TestEnvironment& env) {
             QFile file(storeFileOf(env));
             folderOf(settingsFolder(env), 0777);
             return file.open(QIODevice::WriteOnly) && file.write("[General]\nplanted=1\n") > 0
                    && TestEnvironment::giveToAnotherUser(file.fileName());
         },
         nullptr},
        // Not even root can take or remove it.
        {"lock file of another user beside the store file", {},
         [=](TestEnvironment& env) {
             const QString lock = storeFileOf(env) + QStringLiteral(".lock");
             QFile inside(folderOf(lock) + QStringLiteral("/theirs"));
             return inside.open(QIODevice::WriteOnly) && TestEnvironment::giveToAnotherUser(lock);
         },
         nullptr},
        // Hostile: the copy is refused, the store itself is fine.
        {"framework whose current version leads out of the copy",
         {{framework + QStringLiteral("Versions/Current"), "/usr/lib", 0120777}},
         nullptr, ""},
        // Hostile settings: refused, so the server they name is never asked.
        {"settings file others can write", {},
         [=](TestEnvironment& env) { return ::chmod(QFile::encodeName(env.settingsFile()).constData(), 0666) == 0; },
         nullptr, "pathwarden-settings.ini can be written by others (mode 0666)"},
        {"settings file a shared group can write", {},
         [=](TestEnvironment& env) {
             return ::chmod(QFile::encodeName(env.settingsFile()).constData(), 0664) == 0
                    && TestEnvironment::giveToSharedGroup(env.settingsFile());
         },
         nullptr, "pathwarden-settings.ini can be written by others (mode 0664)"},
        {"a link only in a folder nobody else can write: another user's link in a settings folder that was open", {},
         [=](TestEnvironment& env) {
             folderOf(settingsFolder(env), 0777);
             const QString theirs = env.root() + QStringLiteral("/theirs.ini");
             return theirSettingsAt(env, theirs) && link(theirs, env.settingsFile())
                    && lchownToAnotherUser(env.settingsFile());
         },
         nullptr, "pathwarden-settings.ini is a link of another user"},
        {"settings file reached through 30 links that each name the next three times", {},
         [=](TestEnvironment& env) {
             const QString chain = folderOf(env.root() + QStringLiteral("/chain"));
             const QString end = folderOf(chain + QStringLiteral("/end"));
             bool linked = QFile::rename(env.settingsFile(), end + QStringLiteral("/my-settings.ini"));
             for (int i = 0; i < 30; ++i) {
                 const QString next = i == 29 ? QStringLiteral("end") : QStringLiteral("l%1").arg(i + 1);
                 linked = linked && link(QStringLiteral("%1/../%1/../%1").arg(next), chain + QStringLiteral("/l%1").arg(i));
             }
             return linked && link(chain + QStringLiteral("/l0/my-settings.ini"), env.settingsFile());
         },
         nullptr, "more than 40 links lead on from"},
        {"settings file linked through a folder others can write", {},
         [=](TestEnvironment& env) {
             const QString open = folderOf(env.root() + QStringLiteral("/open"), 0777);
             return settingsAt(env, open + QStringLiteral("/my-settings.ini"), {});
         },
         nullptr, "/open can be written by others (mode 0777)"},
        {"resolution through nested links: the user's link to another user's link", {},
         [=](TestEnvironment& env) {
             const QString own = env.root() + QStringLiteral("/my-settings.ini");
             const QString theirs = env.root() + QStringLiteral("/their-link");
             return settingsAt(env, own, theirs) && link(own, theirs) && lchownToAnotherUser(theirs);
         },
         nullptr, "/their-link is a link of another user"},
        // Causes the user can mend, named as the system names them.
        {"data folder on a read-only file system", {},
         [=](TestEnvironment& env) { return TestEnvironment::mountPrivateFileSystem(env.dataHome(), "ro"); },
         "/data/Pathwarden cannot be made: Read-only file system"},
        {"settings file that nobody else can write on a read-only file system", {},
         [=](TestEnvironment& env) {
             const QByteArray settings = fileContents(env.settingsFile());
             if (!TestEnvironment::mountPrivateFileSystem(env.configHome(), "size=1m"))
                 return false;
             QDir().mkpath(settingsFolder(env));
             {
                 QFile file(env.settingsFile());
                 if (!file.open(QIODevice::WriteOnly) || file.write(settings) != settings.size()
                     || !file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther))
                     return false;
             }
             return TestEnvironment::remountReadOnly(env.configHome());
         },
         "pathwarden-local-storage.ini cannot be written: Read-only file system"},
        // The stored copy that the system refuses to run: exec's own cause.
        {"stored copy that is no program", {{app + QStringLiteral("MacOS/Pathwarden"), "no program\n", 0755}},
         nullptr, "The stored update 1.17.0 cannot be started: |/Pathwarden: Exec format error"},
        {"full data folder", {},
         [=](TestEnvironment& env) { return onFullFileSystem(env.dataHome(), {}); },
         "The update cannot be copied to |: No space left on device"},
        {"full settings folder", {},
         [=](TestEnvironment& env) { return onFullFileSystem(env.configHome(), env.settingsFile()); },
         "pathwarden-local-storage.ini cannot be written: No space left on device"},
        {"store folder linked to a private folder inside a shared folder without the sticky bit", {},
         [=](TestEnvironment& env) {
             const QString shared = folderOf(env.root() + QStringLiteral("/shared"), 0777);
             return link(folderOf(shared + QStringLiteral("/mine"), 0700), env.dataHome() + QStringLiteral("/Pathwarden"));
         },
         "/shared can be written by others (mode 0777)"},
        {"store folder linked to a folder others can write", {},
         [=](TestEnvironment& env) {
             return link(folderOf(env.root() + QStringLiteral("/open-store"), 0777),
                         env.dataHome() + QStringLiteral("/Pathwarden"));
         },
         "/open-store can be written by others (mode 0777)"},
        {"store folder of another user", {},
         [=](TestEnvironment& env) {
             return TestEnvironment::giveToAnotherUser(folderOf(env.dataHome() + QStringLiteral("/Pathwarden")));
         },
         "/Pathwarden belongs to another user (uid"},
        {"store folder of another user, for a German user", {},
         [=](TestEnvironment& env) {
             env.setVariable(QStringLiteral("LANGUAGE"), QStringLiteral("de_DE:en"));
             env.setVariable(QStringLiteral("LC_ALL"), QStringLiteral("de_DE.UTF-8"));
             return TestEnvironment::giveToAnotherUser(folderOf(env.dataHome() + QStringLiteral("/Pathwarden")));
         },
         "/Pathwarden gehört einem anderen Benutzer (UID", nullptr, true},

        // ACLs: the mode's group bits are then the ACL's mask.
        // With an ACL the group bits are its mask: the user's own entry on
        // a file of a shared group lets nobody else write.
        {"settings file of a shared group with an ACL entry for the user", {},
         [=](TestEnvironment& env) {
             return ::chmod(QFile::encodeName(env.settingsFile()).constData(), 0640) == 0
                    && TestEnvironment::giveToSharedGroup(env.settingsFile())
                    && TestEnvironment::setAcl(env.settingsFile(), {{false, ::geteuid(), 6}});
         },
         nullptr},
        {"settings file with an ACL entry for the user's own private group", {},
         [=](TestEnvironment& env) {
             unsigned int group = 0;
             return userPrivateGroup(&group) && TestEnvironment::setAcl(env.settingsFile(), {{true, group, 6}});
         },
         nullptr},
        {"data and configuration folders with a default ACL that grants nothing", {},
         [=](TestEnvironment& env) {
             return TestEnvironment::setAcl(env.dataHome(), {}, true)
                    && TestEnvironment::setAcl(env.configHome(), {}, true);
         },
         nullptr},
        // Everything the run makes in a fresh home is the user's alone,
        // whatever the umask, and the next run goes on from there.
        {"fresh home under umask 000", {},
         [=](TestEnvironment& env) { return inAFreshHome(env); },
         nullptr, nullptr, false, nullptr, true},
        // Another user's write through an ACL entry, after the mask. Only
        // where the group bits (the mask) are the private group's is it
        // the ACL alone that tells; without one, the rows skip.
        {"settings file with an ACL entry for another user", {},
         [=](TestEnvironment& env) {
             return hasPrivateGroup()
                    && TestEnvironment::setAcl(env.settingsFile(), {{false, TestEnvironment::anotherUserId(), 6}});
         },
         nullptr, "pathwarden-settings.ini can be written by others through its ACL"},
        {"store's way through a data folder with an ACL entry for another user", {},
         [=](TestEnvironment& env) {
             return hasPrivateGroup() && ::chmod(QFile::encodeName(env.dataHome()).constData(), 0700) == 0
                    && TestEnvironment::setAcl(env.dataHome(), {{false, TestEnvironment::anotherUserId(), 7}});
         },
         "/data can be written by others through its ACL"},
        // The store is the updater's own: the mask loses its write, so the
        // other user's swaps of the version folder with theirs all fail.
        {"store folder with an ACL entry for another user who swaps the version folder with theirs", {},
         [=](TestEnvironment& env) {
             const QString store = folderOf(env.dataHome() + QStringLiteral("/Pathwarden"), 0700);
             const QString theirs = store + QStringLiteral("/theirs");
             QDir().mkpath(theirs + QStringLiteral("/") + app + QStringLiteral("MacOS"));
             QFile program(theirs + QStringLiteral("/") + app + QStringLiteral("MacOS/Pathwarden"));
             if (!program.open(QIODevice::WriteOnly)
                 || program.write(recordingStandInExecutable(env.root() + QStringLiteral("/theirs-started")))
                        <= 0
                 || !program.setPermissions(QFile::ExeOwner | QFile::ReadOwner | QFile::ExeOther | QFile::ReadOther))
                 return false;
             program.close();
             bool given = TestEnvironment::giveToAnotherUser(theirs);
             for (QDirIterator it(theirs, QDir::AllEntries | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
                  it.hasNext();)
                 given = TestEnvironment::giveToAnotherUser(it.next()) && given;
             return given && TestEnvironment::setAcl(store, {{false, TestEnvironment::anotherUserId(), 7}});
         },
         nullptr, nullptr, false, "theirs"},
        // Root with the user's HOME (sudo -E): nothing is made in that home.
        {"root run with the home of another user", {},
         [=](TestEnvironment& env) {
             return inAFreshHome(env) && TestEnvironment::giveToAnotherUser(bashrcOf(env))
                    && TestEnvironment::giveToAnotherUser(env.home());
         },
         "/home belongs to another user (uid"},
        {"framework whose current version is a chain of 41 links",
         {{framework + QStringLiteral("Versions/5/QtCore"), "library", 0644},
          {framework + QStringLiteral("QtCore"), "Versions/l0/QtCore", 0120777}},
         [=](TestEnvironment&) { return true; }, "", nullptr, false, nullptr, false, 41},
        // ".." after a link leaves what the link led to; taken by the words
        // of the path, it would name the planted file of a refusing server.
        {"configuration folder named as a link to one of its folders and \"..\"", {},
         [=](TestEnvironment& env) {
             const QString inner = folderOf(env.configHome() + QStringLiteral("/inner"));
             const QString decoy = folderOf(env.root() + QStringLiteral("/Pathwarden"));
             QFile planted(decoy + QStringLiteral("/pathwarden-settings.ini"));
             env.setVariable(QStringLiteral("XDG_CONFIG_HOME"), env.root() + QStringLiteral("/link/.."));
             return link(inner, env.root() + QStringLiteral("/link")) && planted.open(QIODevice::WriteOnly)
                    && planted.write(QStringLiteral("[General]\nRootRestUrl=https://127.0.0.1:%1/rest\n")
                                         .arg(TestUpdateServer::refusingPort())
                                         .toUtf8())
                           > 0;
         },
         nullptr},
    };
}

class SelfUpdateLayout : public SelfUpdateRun, public ::testing::WithParamInterface<LayoutRow> {
};

} // namespace

TEST_P(SelfUpdateLayout, UpdateWorksInTheUsersOwnLayoutsAndNamesTheFaultOfAStoreItCannotUse)
{
    const LayoutRow& row = GetParam();
    const QString app = appInBundle();
    TestEnvironment layout;
    struct Unmount {
        const TestEnvironment& env;
        ~Unmount()
        {
            TestEnvironment::unmountPrivateFileSystem(env.dataHome());
            TestEnvironment::unmountPrivateFileSystem(env.configHome());
        }
    } unmount{layout};
    layout.writeSettings({{QStringLiteral("RootRestUrl"), server.rootUrl()},
                          {QStringLiteral("CheckRootCA"), QStringLiteral("false")}});
    QFile bashrc(bashrcOf(layout));
    ASSERT_TRUE(bashrc.open(QIODevice::WriteOnly) && bashrc.write("original\n") == 9);
    bashrc.close();
    const QString started = layout.root() + QStringLiteral("/started");
    QList<ZipEntry> entries = row.bundle;
    for (int i = 0; i < row.chain; ++i) {
        const QString next = i + 1 == row.chain ? QStringLiteral("5") : QStringLiteral("l%1").arg(i + 1);
        entries.append({app + QStringLiteral("Frameworks/QtCore.framework/Versions/l%1").arg(i), next.toUtf8(), 0120777});
    }
    // Each started copy adds a line.
    const QByteArray program = row.pair ? QStringLiteral("#!/bin/sh\necho $$ >> '%1'\n").arg(started).toUtf8()
                                        : recordingStandInExecutable(started);
    // A row's own executable takes the stand-in's place.
    if (entries.isEmpty() || entries.first().name != app + QStringLiteral("MacOS/Pathwarden"))
        entries.prepend({app + QStringLiteral("MacOS/Pathwarden"), program, 0755});
    const QString path = layout.root() + QStringLiteral("/update.zip");
    ASSERT_TRUE(writeZipArchive(path, entries));
    offerUpdate(kStoredVersion, fileContents(path));
    if (row.plant && !row.plant(layout)) {
        ASSERT_NE(::geteuid(), 0u) << row.layout;
        GTEST_SKIP() << row.layout << ": only root can lay it out";
    }
    SwapLoop swaps;
    if (row.swapped && !swaps.start(layout.dataHome() + QStringLiteral("/Pathwarden"), kStoredVersion.toUtf8().constData(),
                                    row.swapped)) {
        ASSERT_NE(::geteuid(), 0u) << row.layout;
        GTEST_SKIP() << row.layout << ": only root can start another user's loop";
    }
    struct Umask {
        mode_t before;
        ~Umask() { ::umask(before); }
    } umask{::umask(row.openUmask ? 0 : 022)};
    const QStringList arguments = {QStringLiteral("-force-online-mode"), QStringLiteral("-original-installer-path"),
                                   medium};
    const QString store = layout.dataHome() + QStringLiteral("/Pathwarden/");
    if (row.pair) {
        QProcess first;
        QProcess second;
        first.setProcessEnvironment(layout.processEnvironment());
        second.setProcessEnvironment(layout.processEnvironment());
        first.start(pathwardenExecutable(), arguments);
        QByteArray firstErrors;
        if (row.pair == 2) {
            QElapsedTimer clock;
            clock.start();
            while (!firstErrors.contains("Extracting Vorn archive file") && first.state() != QProcess::NotRunning
                   && clock.elapsed() < kChildRunTimeoutMs) {
                first.waitForReadyRead(100);
                firstErrors += first.readAllStandardError();
            }
            ASSERT_TRUE(firstErrors.contains("Extracting Vorn archive file")) << firstErrors.constData();
            ::kill(static_cast<pid_t>(first.processId()), SIGSTOP);
        }
        second.start(pathwardenExecutable(), arguments);
        QByteArray secondErrors;
        if (row.pair == 2) {
            // The second has come to its store: it waits for the first, or
            // (where nothing kept them apart) stores over it.
            second.setReadChannel(QProcess::StandardError);
            QElapsedTimer clock;
            clock.start();
            while (!secondErrors.contains("Waiting for another run of this user")
                   && !secondErrors.contains("Copying Vorn archive file") && second.state() != QProcess::NotRunning
                   && clock.elapsed() < kChildRunTimeoutMs) {
                second.waitForReadyRead(100);
                secondErrors += second.readAllStandardError();
            }
            ::kill(static_cast<pid_t>(first.processId()), SIGCONT);
        }
        ASSERT_TRUE(first.waitForFinished(kChildRunTimeoutMs));
        ASSERT_TRUE(second.waitForFinished(kChildRunTimeoutMs));
        firstErrors += first.readAllStandardError();
        secondErrors += second.readAllStandardError();
        EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(first.exitCode(), 0) << firstErrors.constData();
        EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(second.exitCode(), 0) << secondErrors.constData();
        // Both copies ran: each wrote its line.
        QElapsedTimer clock;
        clock.start();
        while (fileContents(started).count('\n') < 2 && clock.elapsed() < 120000)
            QThread::msleep(50);
        EXPECT_EQ(fileContents(started).count('\n'), 2) << firstErrors.constData() << secondErrors.constData();
        EXPECT_FALSE(QFileInfo::exists(store + kStoredVersion + QStringLiteral("/Pathwarden-update.zip")));
        // The second waited, then took the first's copy as it was.
        if (row.pair == 2) {
            EXPECT_TRUE(secondErrors.contains("Waiting for another run of this user")
                        && secondErrors.contains("This version is stored already, its copy is used."))
                << secondErrors.constData();
        }
        return;
    }
    if (!row.cause && !row.refused) {
        const ProcessOutcome update = runPathwarden(layout, arguments);
        ASSERT_TRUE(update.finished);
        EXPECT_EQ(update.exitCode, 0) << update.standardError.constData();
        bool recorded = false;
        waitForRecordedArguments(started, &recorded);
        EXPECT_TRUE(recorded) << update.standardError.constData();
        EXPECT_EQ(fileContents(bashrcOf(layout)), QByteArray("original\n"));
        const QFileInfo record(storeFileOf(layout));
        EXPECT_TRUE(record.isFile() && !record.isSymLink() && record.ownerId() == ::geteuid());
        EXPECT_FALSE(fileContents(record.filePath()).contains("planted"));
        EXPECT_EQ(QFileInfo(settingsFolder(layout)).permissions() & QFile::WriteOther, 0);
        EXPECT_TRUE(!row.holds || row.holds(layout));
        if (row.swapped) {
            EXPECT_FALSE(QFileInfo::exists(layout.root() + QStringLiteral("/theirs-started")));
            // The mask is the group bits: no entry can write any more.
            EXPECT_EQ(QFileInfo(store).permissions() & (QFile::WriteGroup | QFile::WriteOther), 0);
        }
        if (row.openUmask) {
            EXPECT_EQ(foldersOpenToOthers(layout.home()), QStringList());
            for (const QString& made : {QStringLiteral("/.config"), QStringLiteral("/.local"),
                                        QStringLiteral("/.local/share"), QStringLiteral("/.local/share/Pathwarden"),
                                        QStringLiteral("/.config/Pathwarden")})
                EXPECT_EQ(modeOf(layout.home() + made), 0700u) << made.toStdString();
            QFile::remove(started);
            const ProcessOutcome again = runPathwarden(layout, arguments);
            ASSERT_TRUE(again.finished);
            EXPECT_EQ(again.exitCode, 0) << again.standardError.constData();
            recorded = false;
            waitForRecordedArguments(started, &recorded);
            EXPECT_TRUE(recorded) << again.standardError.constData();
        }
        return;
    }
    const ProcessOutcome update = row.refused
                                      ? runPathwardenAndSignal(layout, row.refused, SIGTERM, arguments)
                                      : runPathwardenAndSignal(layout, "Self UpdatePage download error.", SIGTERM,
                                                               arguments);
    ASSERT_TRUE(update.finished) << update.standardError.constData();
    QThread::msleep(500);
    EXPECT_FALSE(QFileInfo::exists(started));
    EXPECT_EQ(fileContents(bashrcOf(layout)), QByteArray("original\n"));
    if (row.refused) {
        EXPECT_TRUE(server.requestsFor("/rest/downloadclient/update").isEmpty());
        return;
    }
    if (!*row.cause) {
        EXPECT_TRUE(update.standardError.contains(row.chain ? "(too many levels of symbolic links)"
                                                            : "symbolic link that leads out of it"))
            << update.standardError.constData();
        return;
    }
    // The line that names the fault for the user; a fault of the store
    // folder itself names that folder first. The cause's parts are
    // separated by '|'.
    const QByteArray error = update.standardError.mid(update.standardError.indexOf("downloadErrorSlot: "));
    const QByteArray line = error.left(error.indexOf('\n'));
    const QByteArray cause(row.cause);
    const bool storeFolder =
        !cause.contains("cannot be copied") && !cause.contains(".ini") && !cause.contains("cannot be started");
    const QString named = !storeFolder ? QStringLiteral("downloadErrorSlot: ")
                          : row.german ? QStringLiteral("downloadErrorSlot: Der Ordner %1 kann nicht verwendet werden: ").arg(store)
                                       : QStringLiteral("downloadErrorSlot: The folder %1 cannot be used: ").arg(store);
    EXPECT_TRUE(line.startsWith(named.toUtf8())) << update.standardError.constData();
    for (const QByteArray& part : cause.split('|'))
        EXPECT_TRUE(line.contains(part)) << part.constData() << " in " << line.constData();
    EXPECT_FALSE(update.standardError.contains("Invalid version."));
    if (layout.dataHome().startsWith(layout.home())) {
        // Nothing of root's in the other user's home, not even a log.
        EXPECT_EQ(QDir(layout.home()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                  QStringList{QStringLiteral(".bashrc")});
    } else if (storeFolder) {
        // Without a store folder the log goes to the cache folder.
        EXPECT_FALSE(QDir(layout.cacheHome() + QStringLiteral("/Pathwarden/logs")).isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, SelfUpdateLayout, ::testing::ValuesIn(layoutRows()), rowName);
