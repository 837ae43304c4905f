#include "updater/infrastructure/DetachedQProcessStarter.h"
#include "updater/infrastructure/SelfUpdateExtractor_OSX.h"
#include "updater/infrastructure/ZipExtractor_OSX.h"
#include "updater/infrastructure/platform/ChildProcess.h"
#include "updater/infrastructure/platform/DetachedProcess.h"
#include "updater/infrastructure/platform/ProcessGroupAnchor.h"
#include "updater/testsupport/DownloadTestSupport.h"
#include "updater/testsupport/PathwardenProcess.h"
#include "updater/testsupport/RecordingLogAppender.h"
#include "updater/testsupport/StandInProgram.h"
#include "updater/testsupport/ZipArchive.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include <cerrno>
#include <csignal>
#include <cstddef>
#include <fcntl.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <poll.h>
#include <pthread.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// From here on close_range fails with ENOSYS in this thread and in what it
// starts, as on kernels before 5.9 or under some seccomp profiles. True when
// the refusal took.
bool refuseCloseRangeInThisThread()
{
    struct sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_close_range, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | ENOSYS),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    struct sock_fprog program {};
    program.len = static_cast<unsigned short>(sizeof filter / sizeof filter[0]);
    program.filter = filter;
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0
        || ::syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, 0, &program) != 0)
        return false;
    return ::close_range(~0U - 1, ~0U, 0) != 0 && errno == ENOSYS;
}

// Kills and reaps the processes that were handed to us as their reaper.
void endAdoptedChildren()
{
    const QString self = QString::number(::getpid());
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool isProcess = false;
        const pid_t pid = static_cast<pid_t>(entry.toInt(&isProcess));
        if (!isProcess)
            continue;
        const QList<QByteArray> fields = processStatusFields(pid);
        if (fields.size() > 1 && fields.at(1) == self.toLatin1()) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }
}

// While alive, signals are as a careless starter of ours may leave them:
// SIGINT and SIGUSR1 ignored (nohup, "&" in a script), SIGUSR2 blocked in
// this thread. A descriptor without close-on-exec lies above the shell's own.
class CarelessStarter {
public:
    CarelessStarter()
    {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        ::sigaction(SIGINT, &ignore, &savedInt_);
        ::sigaction(SIGUSR1, &ignore, &savedUsr1_);
        sigset_t blocked;
        sigemptyset(&blocked);
        sigaddset(&blocked, SIGUSR2);
        ::pthread_sigmask(SIG_BLOCK, &blocked, &savedMask_);
        stray = ::fcntl(STDIN_FILENO, F_DUPFD, 200);
    }
    ~CarelessStarter()
    {
        ::close(stray);
        ::pthread_sigmask(SIG_SETMASK, &savedMask_, nullptr);
        ::sigaction(SIGUSR1, &savedUsr1_, nullptr);
        ::sigaction(SIGINT, &savedInt_, nullptr);
    }
    CarelessStarter(const CarelessStarter&) = delete;
    CarelessStarter& operator=(const CarelessStarter&) = delete;

    int stray = -1;

private:
    struct sigaction savedInt_ {};
    struct sigaction savedUsr1_ {};
    sigset_t savedMask_{};
};

// A shell's report, to its standard error, of its ignored and blocked
// signals and of whether it holds descriptor fd. Builtins only: dash starts
// a command through vfork with every signal blocked until the command has
// run exec, so a forked grep could read the shell's mask at that moment.
QString signalAndDescriptorReport(int fd)
{
    return QStringLiteral("while read -r line; do case $line in SigIgn:*|SigBlk:*) echo \"$line\" >&2;; esac; "
                          "done </proc/$$/status\n"
                          "[ -e /proc/$$/fd/%1 ] && echo inherited >&2\n")
        .arg(fd);
}

// The report's blocked and ignored signals as "blocked <mask> ignored <mask>"
// followed by the report's other lines. The C library's own two signals
// (32 and 33) are left out: its posix_spawn leaves them ignored in the
// child, where only the child's C library uses them.
std::string signalState(const QByteArray& report)
{
    constexpr qulonglong kLibcSignals = 3ULL << 31;
    std::string state;
    std::string rest;
    for (const QByteArray& line : report.split('\n')) {
        if (line.startsWith("SigBlk:\t") || line.startsWith("SigIgn:\t")) {
            const qulonglong mask = line.mid(8).toULongLong(nullptr, 16) & ~kLibcSignals;
            state += (line.startsWith("SigBlk") ? "blocked " : " ignored ") + QByteArray::number(mask, 16).toStdString();
        } else if (!line.isEmpty()) {
            rest += "\n" + line.toStdString();
        }
    }
    return state + rest;
}

// l0 -> l1/../l1/../l1, l1 -> l2/../l2/../l2, ... with the last one naming a
// folder beside it: every link leads to that folder.
QList<ZipEntry> chainOfLinks(const ZipEntry& executable, const QString& folder, int links)
{
    QList<ZipEntry> entries{executable, {folder + QStringLiteral("d/"), "", 0755}};
    for (int i = 0; i < links; ++i) {
        const QByteArray next = "l" + QByteArray::number(i + 1);
        entries.append({folder + QStringLiteral("l%1").arg(i),
                        i + 1 < links ? next + "/../" + next + "/../" + next : QByteArray("d"), 0120777});
    }
    return entries;
}

} // namespace

TEST(DetachedStart, CommandLineKeepsQuotedBlanksTogetherAndAnExecutablePathIsNotSplit)
{
    QTemporaryDir dir;
    const QString record = dir.filePath(QStringLiteral("record"));
    const QString program = writeRecordingStandInProgram(dir.filePath(QStringLiteral("a b")), QStringLiteral("open"), record);
    DetachedQProcessStarter starter;
    bool recorded = false;
    ASSERT_TRUE(starter.start(QStringLiteral("\"%1\" \"/Volumes/My Medium/Installer.pkg\"").arg(program), {}));
    EXPECT_EQ(waitForRecordedArguments(record, &recorded), QStringList{QStringLiteral("/Volumes/My Medium/Installer.pkg")});

    QFile::remove(record);
    ASSERT_TRUE(starter.start(program, {QStringLiteral("-force-online-mode"), QStringLiteral("x y")}));
    EXPECT_EQ(waitForRecordedArguments(record, &recorded), (QStringList{QStringLiteral("-force-online-mode"), QStringLiteral("x y")}));
}

// Nothing of ours reaches the program that outlives us: no descriptor
// beyond its standard channels, no ignored or blocked signal.
// Also where close_range is refused: each descriptor is then closed by
// itself, those above a soft limit that was lowered after they were opened
// too.
TEST(DetachedStart, ProgramHasOnlyItsThreeChannelsAndEverySignalAtItsDefault)
{
    const struct {
        const char* name;
        bool withoutCloseRange;
        bool softLimitBelowTheStray;
    } rows[] = {
        {"with close_range", false, false},
        {"without close_range", true, false},
        {"without close_range, the soft limit below the descriptor", true, true},
    };
    for (const auto& row : rows) {
        QTemporaryDir dir;
        const QString record = dir.filePath(QStringLiteral("record"));
        // A thread of its own: the refusal stays with it.
        std::thread([&] {
            CarelessStarter starter;
            ASSERT_GE(starter.stray, 200);
            ASSERT_TRUE(!row.withoutCloseRange || refuseCloseRangeInThisThread());
            const QString program = writeStandInProgram(
                dir.path(), QStringLiteral("report"),
                QStringLiteral("exec 2> '%1.part'\n%2mv '%1.part' '%1'")
                    .arg(record, signalAndDescriptorReport(starter.stray)));
            struct rlimit saved {};
            ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
            struct rlimit lowered = saved;
            lowered.rlim_cur = 100;
            ASSERT_TRUE(!row.softLimitBelowTheStray || ::setrlimit(RLIMIT_NOFILE, &lowered) == 0);
            const bool started = platform::startDetachedProcess(program, {});
            ::setrlimit(RLIMIT_NOFILE, &saved);
            ASSERT_TRUE(started);
        }).join();
        bool recorded = false;
        waitForRecordedArguments(record, &recorded);
        ASSERT_TRUE(recorded) << row.name;
        EXPECT_EQ(signalState(fileContents(record)), "blocked 0 ignored 0") << row.name;
    }
}

TEST(DetachedStart, FailedStartIsReportedAndStillAnnouncesTheExit)
{
    DetachedQProcessStarter starter;
    RecordingLogAppender log;
    EXPECT_FALSE(starter.start(QStringLiteral("/nonexistent/open \"/x.pkg\""), {}));
    EXPECT_FALSE(starter.start(QString(), {}));
    EXPECT_FALSE(starter.start(QStringLiteral("/nonexistent/Pathwarden"), {QStringLiteral("-force-online-mode")}));
    EXPECT_EQ(log.lines().filter(QStringLiteral("Update launch failed.")).size(), 3);
    EXPECT_EQ(log.lines().filter(QStringLiteral("Exiting now.")).size(), 3);
}

// A lock another thread holds at the fork stays locked in the child; a start
// that takes one between fork and exec (Qt's own detached start looks the
// program up on the search path there, under the environment's lock) hangs,
// and so did the updater's exit after starting the installer.
TEST(DetachedStart, OtherThreadsHoldingLocksCannotHangTheStart)
{
    std::atomic<bool> stop{false};
    std::thread busy([&] {
        for (int i = 0; !stop; ++i) {
            qputenv("PATHWARDEN_TEST_BUSY", QByteArray::number(i));
            (void)qEnvironmentVariable("PATH");
        }
    });
    // Orphans become our children, so that copies that hung can be ended:
    // they would hold the test run's output open for ever. The test
    // program's guard may have made it so already, and keeps it so.
    int wasSubreaper = 0;
    ::prctl(PR_GET_CHILD_SUBREAPER, &wasSubreaper);
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    int started = 0;
    int hung = -1;
    for (int i = 0; i < 40 && hung < 0; ++i) {
        auto result = std::make_shared<std::promise<bool>>();
        std::future<bool> answer = result->get_future();
        std::thread([result] {
            DetachedQProcessStarter starter;
            result->set_value(starter.start(QStringLiteral("true"), {}));
        }).detach();
        if (answer.wait_for(std::chrono::seconds(60)) == std::future_status::ready)
            started += answer.get() ? 1 : 0;
        else
            hung = i;
    }
    stop = true;
    busy.join();
    endAdoptedChildren();
    ::prctl(PR_SET_CHILD_SUBREAPER, wasSubreaper);
    EXPECT_EQ(hung, -1) << "a start did not return";
    EXPECT_EQ(started, 40);
}

// A program we wait for holds none of our descriptors, close-on-exec or not
// (a process group anchor's pipe among them would keep the anchor waiting),
// and its exit status and the start of its errors reach us.
TEST(ChildStart, ProgramHasOnlyItsThreeChannelsAndReportsItsEnd)
{
    platform::ChildProcess child;
    {
        CarelessStarter starter;
        ASSERT_GE(starter.stray, 200);
        ASSERT_TRUE(child.start(QStringLiteral("sh"),
                                {QStringLiteral("-c"), signalAndDescriptorReport(starter.stray)
                                                           + QStringLiteral("readlink /proc/$$/fd/0 >&2; exit 3")}));
    }
    EXPECT_EQ(child.waitForEnd(kChildRunTimeoutMs), platform::ChildProcess::End::Exited);
    EXPECT_TRUE(child.exitedNormally());
    EXPECT_EQ(child.exitCode(), 3);
    EXPECT_EQ(signalState(child.standardError()), "blocked 0 ignored 0\n/dev/null");
    EXPECT_FALSE(child.start(QStringLiteral("/nonexistent/program"), {}));

    // A program on the search path that lacks its execute permission (a
    // broken ruby, say) is named as such.
    QTemporaryDir dir;
    writeStandInProgram(dir.path(), QStringLiteral("ruby"), QString());
    ASSERT_TRUE(QFile::setPermissions(dir.filePath(QStringLiteral("ruby")), QFile::ReadOwner | QFile::WriteOwner));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(dir.path()));
    EXPECT_FALSE(child.start(QStringLiteral("ruby"), {}));
    qputenv("PATH", path);
    EXPECT_EQ(child.errorString(),
              QStringLiteral("ruby cannot be run: %1 is not executable").arg(dir.filePath(QStringLiteral("ruby"))));
    EXPECT_FALSE(child.start(QStringLiteral("pathwarden-no-such-program"), {}));
    EXPECT_EQ(child.errorString(), QStringLiteral("pathwarden-no-such-program was not found"));
}

// The anchor holds none of our descriptors: among them could be the pipe of
// another anchor, which would then never see its end. The write end of a
// pipe of ours, not close-on-exec, reports its end only once the anchor has
// let go of it too.
TEST(ChildStart, AnchorHoldsNoDescriptorOfOurs)
{
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    platform::ProcessGroupAnchor anchor;
    ASSERT_GT(anchor.group(), 0);
    ::close(ends[1]);
    pollfd watch{ends[0], POLLIN, 0};
    EXPECT_EQ(::poll(&watch, 1, 60000), 1) << "the anchor still holds the pipe";
    ::close(ends[0]);
    anchor.end();
}

TEST(ZipExtraction, UnpacksNextToALinksTargetAndOverwritesAnEarlierUnpackingWithoutAsking)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("real"));
    const QString archive = dir.filePath(QStringLiteral("real/update.zip"));
    const QString link = dir.filePath(QStringLiteral("update-link.zip"));
    ASSERT_TRUE(writeZipArchive(archive, {{QStringLiteral("inner/a.txt"), "first"}}));
    ASSERT_TRUE(QFile::link(archive, link));
    ZipExtractor_OSX extractor;
    QString folder = QStringLiteral("/somewhere/else");
    ASSERT_TRUE(extractor.extract(QFileInfo(link), folder));
    EXPECT_EQ(folder, QFileInfo(dir.filePath(QStringLiteral("real"))).canonicalFilePath());
    EXPECT_EQ(fileContents(dir.filePath(QStringLiteral("real/inner/a.txt"))), "first");

    // The files exist now: asked whether to replace them, unzip would wait
    // for an answer until the time limit, and the extraction would fail.
    ASSERT_TRUE(writeZipArchive(archive, {{QStringLiteral("inner/a.txt"), "second"}}));
    EXPECT_TRUE(extractor.extract(QFileInfo(archive), folder));
    EXPECT_EQ(fileContents(dir.filePath(QStringLiteral("real/inner/a.txt"))), "second");
}

TEST(ZipExtraction, MissingArchiveOrAFifoIsRefusedAtOnceAndTheFolderKept)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("update.zip"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ZipExtractor_OSX extractor;
    QString folder = QStringLiteral("kept");
    EXPECT_FALSE(extractor.extract(QFileInfo(dir.filePath(QStringLiteral("missing.zip"))), folder));
    EXPECT_FALSE(extractor.extract(QFileInfo(fifo), folder));
    EXPECT_EQ(folder, QStringLiteral("kept"));
}

// unzip wraps its message over several lines: the cause names all of it.
TEST(ZipExtraction, AFailureNamesUnzipsWholeMessage)
{
    QTemporaryDir dir;
    const QString archive = dir.filePath(QStringLiteral("update.zip"));
    QFile file(archive);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(QByteArray(2048, 'x')) == 2048);
    file.close();
    ZipExtractor_OSX extractor;
    QString folder;
    EXPECT_FALSE(extractor.extract(QFileInfo(archive), folder));
    const QString problem = extractor.problem();
    EXPECT_TRUE(problem.startsWith(QStringLiteral("unzip failed with status 9: "))) << qPrintable(problem);
    EXPECT_TRUE(problem.contains(QStringLiteral("Either this file is not a zipfile, or it constitutes one disk of a "
                                                "multi-part archive.")))
        << qPrintable(problem);
    EXPECT_TRUE(problem.endsWith(QStringLiteral("period."))) << qPrintable(problem);
}

TEST(SelfUpdateExtraction, FindsTheUpdaterInTheUnpackedArchiveOrReportsItMissing)
{
    QTemporaryDir dir;
    ZipExtractor_OSX zip;
    SelfUpdateExtractor_OSX extractor(&zip);
    RecordingLogAppender log;
    const struct {
        const char* entry;
        bool found;
    } cases[] = {{"Pathwarden Mac/Pathwarden.app/Contents/MacOS/Pathwarden", true},
                 {"Pathwarden.app/Contents/MacOS/Pathwarden", false},
                 // A folder in the executable's place is no executable.
                 {"Pathwarden Mac/Pathwarden.app/Contents/MacOS/Pathwarden/", false}};
    for (const auto& c : cases) {
        const QString archive = dir.filePath(QString::number(&c - cases) + QStringLiteral("/update.zip"));
        QDir().mkpath(QFileInfo(archive).path());
        const bool folder = QByteArray(c.entry).endsWith('/');
        ASSERT_TRUE(writeZipArchive(archive, {{QString::fromLatin1(c.entry), folder ? "" : "#!/bin/sh\n", 0755}}));
        QString executable = QStringLiteral("old");
        EXPECT_EQ(extractor.extract(QFileInfo(archive), executable), c.found) << c.entry;
        EXPECT_EQ(executable, c.found ? QFileInfo(archive).canonicalPath() + QLatin1Char('/') + QLatin1String(c.entry)
                                      : QString());
    }
    EXPECT_TRUE(log.contains(QStringLiteral("Failed to find extracted binary file. ('Pathwarden.app')")));

    const QString archive = dir.filePath(QStringLiteral("0/update.zip"));
    EXPECT_TRUE(extractor.removeArchive(QFileInfo(archive)));
    EXPECT_FALSE(extractor.removeArchive(QFileInfo(archive)));
    QString kept = QStringLiteral("kept");
    EXPECT_FALSE(extractor.extract(QFileInfo(archive), kept));
    EXPECT_EQ(kept, QStringLiteral("kept"));
}

// unzip restores links and writes damaged entries before it fails: either
// way the copy is removed, the archive kept, and nothing outside touched. A
// link counts by where it leads, one name at a time from its own folder.
TEST(SelfUpdateExtraction, CopyWithALinkLeadingOutOrADamagedEntryIsRemovedAndRefused)
{
    QTemporaryDir dir;
    const QString outside = dir.filePath(QStringLiteral("outside"));
    QDir().mkpath(outside + QStringLiteral("/Pathwarden.app/Contents/MacOS"));
    QFile(outside + QStringLiteral("/Pathwarden.app/Contents/MacOS/Pathwarden")).open(QIODevice::WriteOnly);
    const QString app = QStringLiteral("Pathwarden Mac/Pathwarden.app/Contents/");
    const ZipEntry executable{app + QStringLiteral("MacOS/Pathwarden"), "#!/bin/sh\n", 0755};
    const QList<QList<ZipEntry>> cases = {
        {{app + QStringLiteral("MacOS/Pathwarden"), outside.toUtf8() + "/Pathwarden.app/Contents/MacOS/Pathwarden",
          0120777}},
        {{QStringLiteral("Pathwarden Mac"), outside.toUtf8(), 0120777}},
        {executable, {app + QStringLiteral("PlugIns"), outside.toUtf8(), 0120777}},
        {executable, {app + QStringLiteral("Resources/data.bin"), "data", 0644, true}},
        // A folder link made after the files, as the archive's last entry.
        {executable, {app + QStringLiteral("Resources/data.bin"), "data", 0644},
         {app + QStringLiteral("Frameworks"), "../../../../outside", 0120777}},
        // Back into the copy, but by way of the folder above it.
        {executable, {app + QStringLiteral("Home"), "../../../../5/" + app.toUtf8() + "MacOS", 0120777}},
        // 30 links, each naming the next three times: more links in one
        // resolution than the kernel follows, and refused without following
        // each name anew (3^30 steps).
        chainOfLinks(executable, app + QStringLiteral("Resources/"), 30),
    };
    ZipExtractor_OSX zip;
    SelfUpdateExtractor_OSX extractor(&zip);
    for (int i = 0; i < cases.size(); ++i) {
        const QString archive = dir.filePath(QString::number(i) + QStringLiteral("/update.zip"));
        QDir().mkpath(QFileInfo(archive).path());
        ASSERT_TRUE(writeZipArchive(archive, cases.at(i)));
        QString executablePath = QStringLiteral("old");
        QElapsedTimer clock;
        clock.start();
        EXPECT_FALSE(extractor.extract(QFileInfo(archive), executablePath)) << i;
        // Following each name anew would take years: a generous bound tells
        // that from a loaded machine's slow but finite refusal.
        EXPECT_LT(clock.elapsed(), 60000) << i;
        EXPECT_TRUE(executablePath.isEmpty() || executablePath == QStringLiteral("old")) << i;
        EXPECT_EQ(QDir(QFileInfo(archive).path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                                             | QDir::NoDotAndDotDot),
                  QStringList{QStringLiteral("update.zip")})
            << i;
    }
    EXPECT_TRUE(QFileInfo::exists(outside + QStringLiteral("/Pathwarden.app/Contents/MacOS/Pathwarden")));
}
