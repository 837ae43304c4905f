#include "updater/app/EntryPoint.h"
#include "updater/infrastructure/SimpleLogger.h"
#include "updater/testsupport/PathwardenProcess.h"
#include "updater/testsupport/RecordingLogAppender.h"
#include "updater/testsupport/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <csignal>
#include <stdexcept>
#include <sys/stat.h>

namespace {

// Written once the interactive run has built its application object.
const QByteArray kStarted = "working temp dir of application: ";

QString readLogFiles(const TestEnvironment& env, const QString& suffix)
{
    QString all;
    const QDir folder(env.logFolder());
    for (const QString& name : folder.entryList({QStringLiteral("*-") + suffix}, QDir::Files)) {
        QFile file(folder.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            all += QString::fromUtf8(file.readAll());
    }
    return all;
}

unsigned modeOf(const QString& path)
{
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return 0;
    return info.st_mode & 07777;
}

} // namespace

TEST(RunProfiles, AbsentProfileStartsTheInteractiveUpdater)
{
    TestEnvironment env;
    const ProcessOutcome outcome = runPathwardenAndSignal(env, kStarted, SIGSEGV);
    ASSERT_TRUE(outcome.finished) << outcome.standardError.constData();
    EXPECT_TRUE(outcome.standardError.contains("main DEBUG :: Profile prod"));
    EXPECT_TRUE(outcome.standardError.contains("QApplication::applicationVersion():     1.16.0.436"));
    EXPECT_TRUE(QFile::exists(env.settingsFile()));
    // The console output writes each line quoted, as one message.
    const QRegularExpression quoted(QStringLiteral(
        "^\"\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}\\.\\d{3} main DEBUG :: Profile prod\"$"),
                                    QRegularExpression::MultilineOption);
    EXPECT_TRUE(quoted.match(QString::fromUtf8(outcome.standardError)).hasMatch());
}

TEST(RunProfiles, ProfileIsComparedCaseSensitivelyAndEndsWithMinusOne)
{
    for (const QString& profile : {QStringLiteral("PROD"), QStringLiteral("prod "), QStringLiteral("no-such-profile")}) {
        TestEnvironment env;
        env.writeSettings({{QStringLiteral("Profile"), profile}});
        const ProcessOutcome outcome = runPathwarden(env);
        ASSERT_TRUE(outcome.finished);
        EXPECT_EQ(outcome.exitStatus, QProcess::NormalExit);
        EXPECT_EQ(outcome.exitCode, 255) << profile.toStdString();
        const QString expected = QStringLiteral("main ERROR :: Unknown application profile (settings: %1)").arg(profile);
        EXPECT_TRUE(QString::fromUtf8(outcome.standardError).contains(expected)) << outcome.standardError.constData();
        EXPECT_TRUE(outcome.standardError.contains("application is closing... (exit code: -1)"));
        // The file output logs errors by default.
        EXPECT_TRUE(readLogFiles(env, QStringLiteral("debug.log")).contains(expected));
        EXPECT_FALSE(outcome.standardError.contains("VornApp"));
    }
}

TEST(RunProfiles, LogLevelsComeFromTheSettings)
{
    TestEnvironment env;
    env.writeSettings({{QStringLiteral("Profile"), QStringLiteral("x")},
                       {QStringLiteral("ConsoleLogLevel"), QStringLiteral("OFF")},
                       {QStringLiteral("FileLogLevel"), QStringLiteral("all")}});
    const ProcessOutcome outcome = runPathwarden(env);
    ASSERT_TRUE(outcome.finished);
    EXPECT_FALSE(outcome.standardError.contains("main DEBUG :: Profile x"));
    const QString log = readLogFiles(env, QStringLiteral("debug.log"));
    EXPECT_TRUE(log.contains(QStringLiteral("main DEBUG :: Profile x")));
    EXPECT_TRUE(log.contains(QStringLiteral("main DEBUG :: application is closing... (exit code: -1)")));
}

TEST(CrashHandler, SegmentationFaultAndAbortEndWithTheirSignalNumber)
{
    for (const int signal : {SIGSEGV, SIGABRT}) {
        TestEnvironment env;
        const ProcessOutcome outcome = runPathwardenAndSignal(env, kStarted, signal);
        ASSERT_TRUE(outcome.finished) << signal;
        EXPECT_EQ(outcome.exitStatus, QProcess::NormalExit) << signal;
        EXPECT_EQ(outcome.exitCode, signal);
        const QByteArray notice =
            QByteArray("Pathwarden: signal caught (") + QByteArray::number(signal) + "). Trying to exit gracefully... \n";
        EXPECT_EQ(outcome.standardOutput, notice);
        EXPECT_EQ(readLogFiles(env, QStringLiteral("crash.log")).toUtf8(), notice);
    }
}

TEST(Startup, OverrideVersionAndInstallerPathFromTheCommandLine)
{
    TestEnvironment env;
    const QString medium = env.root() + QStringLiteral("/medium");
    QDir().mkpath(medium + QStringLiteral("/Additional Content/Installer Data"));
    // The last of the three lines: the medium's file is named while the
    // wizard is built, before the application object logs its version.
    const ProcessOutcome outcome = runPathwardenAndSignal(
        env, kStarted, SIGSEGV,
        {QStringLiteral("-override-app-version=2.0.0"), QStringLiteral("--original-installer-path"), medium});
    ASSERT_TRUE(outcome.finished) << outcome.standardError.constData();
    EXPECT_TRUE(outcome.standardError.contains("QApplication::applicationVersion():     2.0.0"));
    EXPECT_TRUE(QString::fromUtf8(outcome.standardError)
                    .contains(QStringLiteral("Path to ini file: %1/Additional Content/Installer Data/Vorncfg.ini")
                                  .arg(medium)));
    EXPECT_FALSE(outcome.standardError.contains("getApplicationParentDirPath"));
}

TEST(Startup, WorkingFolderIsMadeInTheTemporaryFolder)
{
    TestEnvironment env;
    const ProcessOutcome outcome = runPathwardenAndSignal(env, kStarted, SIGSEGV);
    ASSERT_TRUE(outcome.finished);
    const QStringList folders = QDir(env.tempDir()).entryList({QStringLiteral("{*}")}, QDir::Dirs);
    ASSERT_EQ(folders.size(), 1);
    EXPECT_TRUE(outcome.standardError.contains(QDir(env.tempDir()).filePath(folders.first()).toUtf8()));
}

TEST(Startup, TranslationFollowsTheUsersLanguage)
{
    TestEnvironment german;
    german.setVariable(QStringLiteral("LANGUAGE"), QStringLiteral("de_DE:en"));
    german.setVariable(QStringLiteral("LC_ALL"), QStringLiteral("de_DE.UTF-8"));
    const ProcessOutcome de = runPathwardenAndSignal(german, kStarted, SIGSEGV);
    ASSERT_TRUE(de.finished) << de.standardError.constData();
    EXPECT_TRUE(de.standardError.contains("Translation file was loaded successfully:  :: :pathwarden_de"))
        << de.standardError.constData();
    EXPECT_TRUE(de.standardError.contains("Install translator to vorn app1"));

    TestEnvironment other;
    other.setVariable(QStringLiteral("LANGUAGE"), QStringLiteral("ko_KR"));
    other.setVariable(QStringLiteral("LC_ALL"), QStringLiteral("ko_KR.UTF-8"));
    const ProcessOutcome ko = runPathwardenAndSignal(other, kStarted, SIGSEGV);
    ASSERT_TRUE(ko.finished);
    EXPECT_TRUE(ko.standardError.contains("No need to install english translation file."));
}

TEST(Startup, SettingsAndLogsStayPrivateUnderAnOpenUmask)
{
    TestEnvironment env;
    env.writeSettings({{QStringLiteral("Profile"), QStringLiteral("x")}});
    // An older run under a lax umask left them readable by others.
    ::chmod(QFile::encodeName(env.settingsFile()).constData(), 0644);
    ::chmod(QFile::encodeName(QFileInfo(env.settingsFile()).absolutePath()).constData(), 0755);
    const ProcessOutcome outcome = runProgram(QStringLiteral("/bin/sh"), env,
                                              {QStringLiteral("-c"), QStringLiteral("umask 000; exec \"$0\""),
                                               pathwardenExecutable()});
    ASSERT_TRUE(outcome.finished) << outcome.standardError.constData();
    EXPECT_EQ(outcome.exitCode, 255);
    // Nobody else can write them, so they are kept as they are (also on a
    // read-only file system); only what the run makes is private.
    EXPECT_EQ(modeOf(env.settingsFile()), 0644u);
    EXPECT_EQ(modeOf(QFileInfo(env.settingsFile()).absolutePath()), 0755u);
    EXPECT_EQ(modeOf(env.dataHome() + QStringLiteral("/Pathwarden")), 0700u);
    EXPECT_EQ(modeOf(env.logFolder()), 0700u);
    const QStringList logs = QDir(env.logFolder()).entryList(QDir::Files);
    ASSERT_FALSE(logs.isEmpty());
    for (const QString& log : logs)
        EXPECT_EQ(modeOf(QDir(env.logFolder()).filePath(log)), 0600u) << log.toStdString();
}

TEST(Startup, PlugInsComeFromTheExecutablesRealPlaceNotFromWhereItWasStarted)
{
    TestEnvironment env;
    env.writeSettings({{QStringLiteral("Profile"), QStringLiteral("x")}});
    // Started by name through PATH from a folder whose parent offers plug-ins.
    const QString work = env.root() + QStringLiteral("/work/sub");
    QDir().mkpath(work);
    QDir().mkpath(env.root() + QStringLiteral("/work/PlugIns"));
    const QString bin = env.root() + QStringLiteral("/bin");
    QDir().mkpath(bin);
    const QString bundle = env.root() + QStringLiteral("/App/Contents");
    QDir().mkpath(bundle + QStringLiteral("/MacOS"));
    QDir().mkpath(bundle + QStringLiteral("/PlugIns"));
    ASSERT_TRUE(QFile::copy(pathwardenExecutable(), bundle + QStringLiteral("/MacOS/Pathwarden")));
    const QStringList startByName = {QStringLiteral("-c"), QStringLiteral("cd \"$1\" && PATH=\"$2:$PATH\" exec Pathwarden"),
                                     QStringLiteral("sh"), work, bin};

    // A link to a copy inside a bundle: the bundle's plug-ins.
    ASSERT_TRUE(QFile::link(bundle + QStringLiteral("/MacOS/Pathwarden"), bin + QStringLiteral("/Pathwarden")));
    ProcessOutcome outcome = runProgram(QStringLiteral("/bin/sh"), env, startByName);
    ASSERT_TRUE(outcome.finished) << outcome.standardError.constData();
    EXPECT_TRUE(outcome.standardError.contains(
        QStringLiteral("main DEBUG :: Qt plug-ins are loaded from %1/PlugIns").arg(bundle).toUtf8()))
        << outcome.standardError.constData();
    EXPECT_FALSE(outcome.standardError.contains("/work/PlugIns"));

    // The build's own executable has no bundle: Qt's folders, said at debug.
    QFile::remove(bin + QStringLiteral("/Pathwarden"));
    ASSERT_TRUE(QFile::link(pathwardenExecutable(), bin + QStringLiteral("/Pathwarden")));
    outcome = runProgram(QStringLiteral("/bin/sh"), env, startByName);
    ASSERT_TRUE(outcome.finished);
    EXPECT_TRUE(outcome.standardError.contains(
        QStringLiteral("main DEBUG :: No application bundle around %1: Qt plug-ins are loaded from Qt's own folder")
            .arg(QFileInfo(pathwardenExecutable()).canonicalFilePath())
            .toUtf8()))
        << outcome.standardError.constData();
    EXPECT_FALSE(outcome.standardError.contains("Failed to adjust Library search paths"));
    EXPECT_FALSE(outcome.standardError.contains("/work/PlugIns"));
}

TEST(RunProfiles, AnExceptionInTheInteractiveProfileEndsTheRunWithMinusOne)
{
    Logger* logger = SimpleLogger::getInstance()->createLogger(QStringLiteral("main"));
    const struct {
        const char* name;
        std::function<int()> run;
        int result;
        const char* logged;
    } cases[] = {
        {"thrown text", [] () -> int { throw QStringLiteral("not implemented yet"); }, -1,
         "main ERROR :: General exception caught.  :: not implemented yet"},
        {"thrown error", [] () -> int { throw std::runtime_error("x"); }, -1, "main ERROR :: Unknown exception caught."},
        {"thrown number", [] () -> int { throw 7; }, -1, "main ERROR :: Unknown exception caught."},
        {"installer started", [] { return 0; }, 0, nullptr},
        {"installer failed", [] { return -1; }, -1, nullptr},
    };
    for (const auto& c : cases) {
        RecordingLogAppender log(ERROR);
        EXPECT_EQ(runProfile(c.run, logger), c.result) << c.name;
        if (c.logged) {
            EXPECT_TRUE(log.contains(QString::fromLatin1(c.logged))) << c.name << qPrintable(log.lines().join('\n'));
        } else {
            EXPECT_TRUE(log.lines().isEmpty()) << c.name;
        }
    }
}

TEST(RunProfiles, AnInteractiveRunThatFailsToBuildEndsWithMinusOne)
{
    TestEnvironment env;
    // A platform the server has no name for: building the wizard throws.
    env.writeSettings({{QStringLiteral("OverwritePlatform"), QStringLiteral("garbage")}});
    const ProcessOutcome outcome = runPathwarden(env);
    ASSERT_TRUE(outcome.finished) << outcome.standardError.constData();
    EXPECT_EQ(outcome.exitStatus, QProcess::NormalExit);
    EXPECT_EQ(outcome.exitCode, 255);
    EXPECT_TRUE(outcome.standardError.contains("exception caught.")) << outcome.standardError.constData();
    EXPECT_TRUE(outcome.standardError.contains("application is closing... (exit code: -1)"));
}
