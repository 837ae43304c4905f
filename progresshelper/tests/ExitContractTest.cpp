// The exit statuses the product installer reads, checked on the real program
// started as a child process (offscreen), with a stand-in "xdg-open" on PATH
// that records what it was asked to open.

#include "testsupport/TestTree.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDevice>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The programs under test, in the build tree beside this one.
QString skylarnExe()
{
    return testtree::inBuildTree(QStringLiteral(SKYLARN_EXE));
}
QString scriptedExe()
{
    return testtree::inBuildTree(QStringLiteral(SKYLARN_SCRIPTED_EXE));
}

struct ChildRun {
    bool started = false;
    bool finished = false;
    int status = -1;
    QString stderrText;
};

class ExitContract : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        binDir = dir.filePath("bin");
        ASSERT_TRUE(QDir().mkpath(binDir));
        openLog = dir.filePath("opened.txt");
        alertLog = dir.filePath("alerts.txt");
        QFile script(binDir + "/xdg-open");
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\n"
                     "printf '%s\\n' \"$*\" >> \"$SKYLARN_TEST_OPEN_LOG\"\n"
                     "exit \"${SKYLARN_TEST_OPEN_STATUS:-0}\"\n");
        script.close();
        script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

        env = QProcessEnvironment::systemEnvironment();
        env.insert("PATH", binDir + ":" + env.value("PATH"));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("LANGUAGE", "en");
        env.insert("LC_ALL", "en_US.UTF-8");
        env.insert("SKYLARN_TEST_OPEN_LOG", openLog);
        env.insert("SKYLARN_TEST_ALERT_LOG", alertLog);
        page = dir.filePath("index.html");
    }

    void touch(const QString &path)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

    // Generous bounds: under a loaded CI machine a sanitizer build of the
    // program can take many seconds just to start.
    static constexpr int kStartMs = 60000;
    static constexpr int kFinishMs = 90000;

    ChildRun run(const QString &program, const QStringList &arguments, int timeoutMs = kFinishMs)
    {
        QProcess process;
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(workingDirectory);
        process.start(program, arguments);
        ChildRun result;
        if (!process.waitForStarted(kStartMs)) {
            result.stderrText = QStringLiteral("did not start: ") + process.errorString();
            return result;
        }
        result.started = true;
        result.finished = process.waitForFinished(timeoutMs);
        finish(process, result);
        return result;
    }

    // Starts the program, waits until until() holds (bounded), then gives it
    // keepRunningMs more to end on its own. Checks that a program keeps
    // running after some event without depending on how fast it starts.
    ChildRun runUntil(const QString &program, const QStringList &arguments, const std::function<bool()> &until,
                      int keepRunningMs, bool *reached)
    {
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(program, arguments);
        ChildRun result;
        *reached = false;
        if (!process.waitForStarted(kStartMs)) {
            result.stderrText = QStringLiteral("did not start: ") + process.errorString();
            return result;
        }
        result.started = true;
        QElapsedTimer clock;
        clock.start();
        while (!(*reached = until()) && process.state() == QProcess::Running && clock.elapsed() < kFinishMs)
            process.waitForFinished(50);
        if (!*reached)
            *reached = until();
        result.finished = process.state() == QProcess::NotRunning || process.waitForFinished(keepRunningMs);
        finish(process, result);
        return result;
    }

    static void finish(QProcess &process, ChildRun &result)
    {
        if (!result.finished) {
            process.kill();
            process.waitForFinished(30000);
        } else if (process.exitStatus() == QProcess::NormalExit) {
            result.status = process.exitCode();
        }
        result.stderrText += QString::fromUtf8(process.readAllStandardError());
    }
    ChildRun skylarn(const QStringList &arguments) { return run(skylarnExe(), arguments); }
    ChildRun scripted(const QStringList &arguments) { return run(scriptedExe(), arguments); }

    static QStringList lines(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    }
    QStringList opened() const { return lines(openLog); }
    QStringList alerts() const { return lines(alertLog); }
    // As a browser takes it: the path's bytes percent-encoded (a blank as
    // "%20"), but for the characters a path may hold as they are.
    QString url(const QString &name) const
    {
        return "file://" + QString::fromLatin1(QFile::encodeName(dir.filePath(name)).toPercentEncoding("/!$&'()*+,;=:@"));
    }

    QTemporaryDir dir;
    QString binDir, openLog, alertLog, page;
    QString workingDirectory; // empty: the test's own
    QProcessEnvironment env;
};

} // namespace

TEST_F(ExitContract, NoOrUnknownModePrintsUsageAndEndsWithZero)
{
    touch(dir.filePath("index_en.html"));
    const QStringList cases[] = {
        {},
        {"-operationMode=downloadEverything"},
        {"-OperationMode=openWebsite", "-websiteFilePath=" + page, "-suppressDialog=yes"},
        {"operationMode=openWebsite", "-websiteFilePath=" + page},
    };
    for (const QStringList &arguments : cases) {
        const ChildRun r = skylarn(arguments);
        ASSERT_TRUE(r.finished) << arguments.join(' ').toStdString();
        EXPECT_EQ(r.status, 0) << arguments.join(' ').toStdString();
        EXPECT_TRUE(r.stderrText.contains("Missing operation mode parameter: '-operationMode='"));
        EXPECT_TRUE(r.stderrText.contains(" \"showInstallationProgress\""));
        EXPECT_TRUE(r.stderrText.contains("   Brindlefetch's \"BrindlefetchProgress.xml\" progress file."));
    }
    EXPECT_TRUE(opened().isEmpty());
}

TEST_F(ExitContract, OpenWebsiteOpensTheLocalisedPage)
{
    touch(dir.filePath("index_en.html"));
    ChildRun r = skylarn({"-operationMode=OPENWEBSITE", "-websiteFilePath=" + page, "-suppressDialog=YES"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(opened(), QStringList{url("index_en.html")});

    // The page exists but nothing could open it.
    env.insert("SKYLARN_TEST_OPEN_STATUS", "4");
    r = skylarn({"-operationMode=openWebsite", "-websiteFilePath=" + page, "-suppressDialog=yes"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(opened().size(), 2);
}

TEST_F(ExitContract, OpenWebsiteWithoutTheLocalisedPageEndsWithOne)
{
    touch(page); // only the non-localised page
    for (const QStringList &arguments :
         {QStringList{"-operationMode=openWebsite", "-websiteFilePath=" + page, "-suppressDialog=yes"},
          QStringList{"-operationMode=openWebsite"},
          QStringList{"-operationMode=askForInternetConnection", "-websiteFilePath=" + page}}) {
        const ChildRun r = scripted(arguments);
        EXPECT_EQ(r.status, 1) << arguments.join(' ').toStdString();
        EXPECT_TRUE(r.stderrText.contains("Missing or invalid parameter: '-websiteFilePath='"));
        EXPECT_TRUE(r.stderrText.contains("Usage:"));
    }
    EXPECT_TRUE(opened().isEmpty());
    EXPECT_TRUE(alerts().isEmpty());
}

TEST_F(ExitContract, OpenWebsiteShowsTheNoticeUnlessSuppressedWithYes)
{
    touch(dir.filePath("index_en.html"));
    ChildRun r = scripted({"-operationMode=openWebsite", "-websiteFilePath=" + page, "-suppressDialog=true"});
    EXPECT_EQ(r.status, 0);
    ASSERT_EQ(alerts().size(), 1);
    EXPECT_TRUE(alerts()[0].startsWith("critical|Installation Incomplete|The installation could not be completed."));
    EXPECT_TRUE(alerts()[0].endsWith("|OK||"));

    r = scripted({"-operationMode=openWebsite", "-websiteFilePath=" + page, "-suppressDialog=Yes"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(alerts().size(), 1);
    EXPECT_EQ(opened().size(), 2);
}

TEST_F(ExitContract, AskForInternetConnectionAnswersWithTheButton)
{
    touch(dir.filePath("index_en.html"));
    const QStringList arguments{"-operationMode=askForInternetConnection", "-websiteFilePath=" + page};

    env.insert("SKYLARN_TEST_ALERT_ANSWER", "1");
    ChildRun r = scripted(arguments);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(opened().isEmpty());
    ASSERT_EQ(alerts().size(), 1);
    EXPECT_TRUE(alerts()[0].startsWith("informational|Internet Connection Required|"));
    EXPECT_TRUE(alerts()[0].endsWith(" \\n|OK|Cancel|"));

    // Declined: the page is shown and the answer is 1, whether or not it opened.
    env.insert("SKYLARN_TEST_ALERT_ANSWER", "0");
    r = scripted(arguments);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(opened(), QStringList{url("index_en.html")});

    env.insert("SKYLARN_TEST_OPEN_STATUS", "1");
    r = scripted(arguments);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(opened().size(), 2);
}

TEST_F(ExitContract, RelativePagePathOpensAnAbsoluteFileUrl)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir("pages"));
    touch(dir.filePath("pages/index_en.html"));
    workingDirectory = dir.path();
    const ChildRun r = skylarn({"-operationMode=openWebsite", "-websiteFilePath=pages/index.html", "-suppressDialog=yes"});
    EXPECT_EQ(r.status, 0) << r.stderrText.toStdString();
    EXPECT_EQ(opened(), QStringList{url("pages/index_en.html")});
}

TEST_F(ExitContract, PagePathThatIsNotUtf8IsFoundAndOpened)
{
    // The folder's name holds the Latin-1 byte of "é", which is not UTF-8.
    // No QString carries such a byte to a child, so a shell spells it.
    const QByteArray folder = QFile::encodeName(dir.path()) + "/p\xe9ge";
    ASSERT_EQ(::mkdir(folder.constData(), 0700), 0);
    // QTemporaryDir cannot name it in a UTF-8 locale, so would leave it behind.
    struct RemovedAtEnd {
        QByteArray folder;
        ~RemovedAtEnd()
        {
            ::unlink((folder + "/index_en.html").constData());
            ::rmdir(folder.constData());
        }
    } removedAtEnd{folder};
    const int fd = ::open((folder + "/index_en.html").constData(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ::close(fd);
    const ChildRun r = run("/bin/sh", {"-c",
                                       "exec \"$0\" -operationMode=openWebsite -suppressDialog=yes "
                                       "\"-websiteFilePath=$(printf '%s/p\\351ge/index.html' \"$1\")\"",
                                       skylarnExe(), dir.path()});
    EXPECT_EQ(r.status, 0) << r.stderrText.toStdString();
    // Every byte of such a path but the unreserved ones percent-encoded.
    EXPECT_EQ(opened(), QStringList{"file://" + QString::fromLatin1(QFile::encodeName(dir.path()).toPercentEncoding("/"))
                                    + "/p%E9ge/index_en.html"});
}

TEST_F(ExitContract, WithoutADisplayOnlyRunsThatNeedAWindowFailAndTheySayWhy)
{
    // A session without any window system, with folders of its own.
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE"})
        env.remove(name);
    for (const char *name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
        const QString folder = dir.filePath(QString::fromLatin1(name).toLower());
        ASSERT_TRUE(QDir().mkpath(folder));
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        env.insert(name, folder);
    }
    touch(dir.filePath("index_en.html"));

    ChildRun r = skylarn({});
    EXPECT_EQ(r.status, 0) << r.stderrText.toStdString();
    EXPECT_TRUE(r.stderrText.contains("Usage:"));

    r = skylarn({"-operationMode=openWebsite", "-websiteFilePath=" + page, "-suppressDialog=yes"});
    EXPECT_EQ(r.status, 0) << r.stderrText.toStdString();
    EXPECT_EQ(opened(), QStringList{url("index_en.html")});

    for (const QStringList &arguments :
         {QStringList{"-operationMode=askForInternetConnection", "-websiteFilePath=" + page},
          QStringList{"-operationMode=openWebsite", "-websiteFilePath=" + page},
          QStringList{"-operationMode=showDownloadProgress", "-progressFilePath=" + dir.filePath("p.xml")},
          QStringList{"-operationMode=showInstallationProgress"}}) {
        r = skylarn(arguments);
        ASSERT_TRUE(r.finished) << arguments.join(' ').toStdString();
        EXPECT_EQ(r.status, 1) << arguments.join(' ').toStdString() << r.stderrText.toStdString();
        EXPECT_TRUE(r.stderrText.contains("Error: Could not open a window: no display is available."));
    }
    EXPECT_EQ(opened().size(), 1);
}

TEST_F(ExitContract, LaterArgumentsOverrideEarlierOnes)
{
    touch(dir.filePath("index_en.html"));
    touch(dir.filePath("other_en.html"));
    // An unknown mode after a valid one keeps the valid one; the last page wins.
    const ChildRun r = skylarn({"-operationMode=askForInternetConnection", "-operationMode=openWebsite",
                           "-operationMode=bogus", "-websiteFilePath=/nowhere/missing.html",
                           "-websiteFilePath=" + dir.filePath("other.html"), "-suppressDialog=no",
                           "-suppressDialog=yes"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(opened(), QStringList{url("other_en.html")});
}

TEST_F(ExitContract, GermanUsersGetTheGermanPage)
{
    env.insert("LANGUAGE", "de");
    env.insert("LC_ALL", "de_DE.UTF-8");
    touch(dir.filePath("index_de.html"));
    env.insert("SKYLARN_TEST_ALERT_ANSWER", "0");
    const ChildRun r = scripted({"-operationMode=askForInternetConnection", "-websiteFilePath=" + page});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(opened(), QStringList{url("index_de.html")});
    ASSERT_EQ(alerts().size(), 1);
    EXPECT_TRUE(alerts()[0].contains("|OK|Abbrechen|"));
}

TEST_F(ExitContract, DownloadProgressNeedsAPath)
{
    const ChildRun r = skylarn({"-operationMode=showDownloadProgress", "-progressFilePath="});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.stderrText.contains("Missing or invalid parameter: '-progressFilePath='"));
}

TEST_F(ExitContract, ProgressModesRunUntilTheCallerEndsThem)
{
    const QString progress = dir.filePath("BrindlefetchProgress.xml"); // need not exist
    for (const QStringList &arguments :
         {QStringList{"-operationMode=showDownloadProgress", "-progressFilePath=" + progress},
          QStringList{"-operationMode=showInstallationProgress"}}) {
        const ChildRun r = run(skylarnExe(), arguments, 2500);
        EXPECT_TRUE(r.started) << r.stderrText.toStdString();
        EXPECT_FALSE(r.finished) << arguments.join(' ').toStdString();
    }
}

TEST_F(ExitContract, CancelledDownloadEndsWithOneOnlyWhenConfirmed)
{
    const QString progress = dir.filePath("BrindlefetchProgress.xml");
    const QStringList arguments{"-operationMode=showDownloadProgress", "-progressFilePath=" + progress};
    env.insert("SKYLARN_TEST_CLICK_CANCEL_MS", "300");

    env.insert("SKYLARN_TEST_ALERT_ANSWER", "0");
    ChildRun r = scripted(arguments);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.status, 1);
    ASSERT_EQ(alerts().size(), 1);
    EXPECT_TRUE(alerts()[0].startsWith("critical|Cancel Download?|"));
    EXPECT_TRUE(alerts()[0].endsWith("|Continue Download|Cancel Download|"));

    env.insert("SKYLARN_TEST_ALERT_ANSWER", "1");
    // Answered "continue": the window stays up after the question, however
    // long the program took to get there.
    bool asked = false;
    r = runUntil(scriptedExe(), arguments, [this] { return alerts().size() >= 2; }, 2000, &asked);
    EXPECT_TRUE(asked) << r.stderrText.toStdString();
    EXPECT_FALSE(r.finished) << r.status;
    EXPECT_EQ(alerts().size(), 2);
}
