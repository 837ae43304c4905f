// The updater's main road as child processes: forced online, no self-update,
// the real component scan of a medium, the download choices of the TLS test
// update server, downloads from the plain-HTTP download host, the
// installer-information file and the start of the medium's package through a
// recording stand-in of the platform's open command.

#include "updater/infrastructure/platform/ExternalPrograms.h"
#include "updater/testsupport/ComponentScanFixture.h"
#include "updater/testsupport/DownloadTestSupport.h"
#include "updater/testsupport/PathwardenProcess.h"
#include "updater/testsupport/StandInProgram.h"
#include "updater/testsupport/TestEnvironment.h"
#include "updater/testsupport/TestFileServer.h"
#include "updater/testsupport/TestUpdateServer.h"
#include "testsupport/TestTree.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <ostream>
#include <sys/stat.h>
#include <sys/types.h>

namespace {

class InstallerRoad : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.isListening());
        ASSERT_TRUE(files.isListening());
        ASSERT_TRUE(scan.writeInstallerPackage(QStringLiteral("Product Installer.pkg"),
                                               ComponentScanFixture::distribution(QStringLiteral("com.holmgrave.studio")),
                                               {{QStringLiteral("Studio"), QStringLiteral("com.holmgrave.pkg.Studio"),
                                                 QStringLiteral("2.0")}}));
        writeRecordingStandInProgram(bin(), QString::fromLatin1(platform::kOpenCommand), openRecord());
        env.setVariable(QStringLiteral("PATH"), bin() + QLatin1Char(':') + scan.pathWithStandIns());
        env.writeSettings({{QStringLiteral("RootRestUrl"), server.rootUrl()},
                           // The executable trusts only the product's CAs;
                           // the test server's chain is not among them.
                           {QStringLiteral("CheckRootCA"), QStringLiteral("false")}});
        server.setResponse("/rest/downloadclient/discontinued", 200, R"({"discontinued": false})");
        server.setResponse("/rest/downloadclient/update", 200, R"({"version": "1.16.0.436", "updateRequired": false})");
    }

    QStringList arguments() const
    {
        return {QStringLiteral("-force-online-mode"), QStringLiteral("-original-installer-path"), scan.mediumDir()};
    }
    QString bin() const { return env.root() + QStringLiteral("/bin"); }
    QString openRecord() const { return env.root() + QStringLiteral("/open-arguments"); }
    // Where the scan of the medium names the installer-information file.
    QString informationFile() const { return env.home() + QStringLiteral("/.com.holmgrave.studio.xml"); }
    QString package() const
    {
        return QFileInfo(scan.mediumDir() + QStringLiteral("/Product Installer.pkg")).canonicalFilePath();
    }

    // One download choice whose one archive holds one package; the file's
    // name as the request names it (a blank percent-encoded).
    void offerOneChoice(const QByteArray& archive, FileFault fault = FileFault::None,
                        const QByteArray& fileName = "Sound%20Library.zip")
    {
        const QByteArray path = "/files/" + fileName;
        files.setFile(path, archive, fault);
        const QByteArray base = server.baseUrl().toUtf8();
        server.setResponse("/rest/productlines/scan", 200,
                           R"([{"links": [{"rel": "productlinedownloadchoiceoptions", "href": ")" + base
                               + R"(/rest/road/choices"}]}])");
        server.setResponse("/rest/road/choices", 200,
                           R"([{"downloadChoice": {"name": "Sound Library 2.1", "totalFilesizeMac": )"
                               + QByteArray::number(archive.size())
                               + R"(, "links": [{"rel": "artifactsMac", "href": ")" + base
                               + R"(/rest/road/artifacts"}]}}])");
        server.setResponse("/rest/road/artifacts", 200,
                           R"([{"href": ")" + files.url(path).toEncoded()
                               + R"(", "filesize": )" + QByteArray::number(archive.size()) + R"(, "checksum": ")"
                               + QCryptographicHash::hash(archive, QCryptographicHash::Sha256).toHex()
                               + R"(", "msiReplace": true, "msiUpdate": false, "msiUpgrade": true, "msiFullUI": false,)"
                                 R"( "msiHidden": false, "links": [{"rel": "artifactinfos", "href": ")"
                               + base + R"(/rest/road/infos"}]}])");
        server.setResponse("/rest/road/infos", 200,
                           R"([{"artifactPackage": {"path": "Sound Library.pkg"},)"
                           R"( "bundleIds": [{"bundleId": "com.holmgrave.pkg.SoundLibrary"}]}])");
    }

    // started: the file a stand-in tool writes when it runs, for a flow that
    // waits for it.
    ProcessOutcome runDriver(const char* flow, const QString& started = QString())
    {
        env.setVariable(QStringLiteral("PATHWARDEN_FLOW"), QString::fromLatin1(flow));
        env.setVariable(QStringLiteral("PATHWARDEN_FLOW_STARTED"), started);
        return runProgram(testtree::inBuildTree(QStringLiteral(PATHWARDEN_CERTIFIED_FLOW_DRIVER)), env, arguments());
    }

    // A package tool that writes its PID into pidFile (whole, or not at all)
    // and then, after `before`, runs the fixture's own.
    void writeStartRecordingPackageTool(const QString& pidFile, const QString& before)
    {
        QFile::remove(pidFile);
        writeStandInProgram(bin(), QStringLiteral("pkgutil"),
                            QStringLiteral("echo $$ > '%1.part' && mv '%1.part' '%1'\n%2exec '%3/pkgutil' \"$@\"")
                                .arg(pidFile, before, scan.binDir()));
    }

    TestEnvironment env;
    TestUpdateServer server;
    TestFileServer files{TestFileServer::Transport::PlainHttp};
    ComponentScanFixture scan{env.root() + QStringLiteral("/scan")};
};

} // namespace

TEST_F(InstallerRoad, WithoutChoicesTheInformationFileIsWrittenAndTheMediumsPackageOpened)
{
    server.setResponse("/rest/productlines/scan", 200, "[]");
    const ProcessOutcome outcome = runPathwarden(env, arguments());
    ASSERT_TRUE(outcome.finished) << outcome.standardError.constData();
    EXPECT_EQ(outcome.exitCode, 0) << outcome.standardError.constData();
    EXPECT_EQ(fileContents(informationFile()),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<installer-infos>\n"
              "    <selected-platform>osx</selected-platform>\n"
              "    <original-installer-path>" + scan.mediumDir().toUtf8() + "</original-installer-path>\n"
              "</installer-infos>\n");
    bool recorded = false;
    EXPECT_EQ(waitForRecordedArguments(openRecord(), &recorded), QStringList{package()});
}

// A FIFO cannot hold the start-up: the medium's configuration takes its
// defaults, and the run goes on as without the file.
TEST_F(InstallerRoad, FifoAsTheMediumsConfigurationGivesTheDefaults)
{
    server.setResponse("/rest/productlines/scan", 200, "[]");
    const QString folder = scan.mediumDir() + QStringLiteral("/Additional Content/Installer Data");
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder + QStringLiteral("/Vorncfg.ini")).constData(), 0600), 0);
    const ProcessOutcome outcome = runPathwarden(env, arguments(), 120000);
    ASSERT_TRUE(outcome.finished) << outcome.standardError.constData();
    EXPECT_EQ(outcome.exitCode, 0) << outcome.standardError.constData();
    EXPECT_TRUE(outcome.standardError.contains("Medium configuration is not a regular file; the defaults hold."));
    bool recorded = false;
    EXPECT_EQ(waitForRecordedArguments(openRecord(), &recorded), QStringList{package()});
}

// Esc while the component scan runs: the scan's processes end at once, and
// the run ends as a cancel ends, without writing or starting anything. One
// row per moment of the Esc; the last comes before the scan, while the
// self-update check waits for its answer. A cancel is no error: nothing is
// logged or posted as one, and the check does not count as up to date.
namespace {

class InstallerRoadCancel : public InstallerRoad, public ::testing::WithParamInterface<const char*> {};

} // namespace

TEST_P(InstallerRoadCancel, WhileSearchingWritesAndStartsNothing)
{
    // A package tool that takes two minutes (Esc once it runs), then a server
    // that never answers the query for the choices: the search still runs at
    // the Esc. Or a server that never answers the self-update check.
    const QByteArray flow = GetParam();
    const bool asking = flow == "cancel-while-asking";
    const bool checking = flow == "cancel-while-checking";
    CannedResponse choices;
    choices.body = "[]";
    choices.stall = asking;
    server.setResponse("/rest/productlines/scan", choices);
    if (checking) {
        CannedResponse silent;
        silent.stall = true;
        server.setResponse("/rest/downloadclient/discontinued", silent);
    }
    const QString pidFile = env.root() + QStringLiteral("/pkgutil.pid");
    // The tool leaves a mark once its two minutes are over: a cancel that
    // waited for the search would let it get there.
    const QString slept = pidFile + QStringLiteral(".slept");
    const bool scanning = !asking && !checking;
    writeStartRecordingPackageTool(pidFile, scanning ? QStringLiteral("sleep 120\n: > '%1'\n").arg(slept)
                                                     : QString());
    const ProcessOutcome outcome = runDriver(flow.constData(), scanning ? pidFile : QString());
    ASSERT_TRUE(outcome.finished) << outcome.standardError.constData();
    EXPECT_TRUE(outcome.standardOutput.contains(checking ? "escape:Preparing for Update\n"
                                                         : "escape:Searching for Updates\n"))
        << outcome.standardOutput.constData();
    EXPECT_EQ(outcome.exitCode, 0) << outcome.standardError.constData();
    EXPECT_TRUE(outcome.standardError.contains("cancelClicked"));
    // The query the server never answers ends only at its idle limit (30 s)
    // or its deadline; the cancel did not wait for either.
    EXPECT_FALSE(outcome.standardError.contains("Nothing was sent or received for"))
        << "the cancel waited for the query: " << outcome.standardError.constData();
    EXPECT_FALSE(outcome.standardError.contains("The server did not answer completely within"))
        << "the cancel waited for the query: " << outcome.standardError.constData();
    EXPECT_FALSE(outcome.standardError.contains(" ERROR :: ")) << outcome.standardError.constData();
    if (checking) {
        EXPECT_FALSE(outcome.standardError.contains("Client is up-to-date already"))
            << outcome.standardError.constData();
    }
    EXPECT_EQ(server.requestsFor("/rest/downloadclient/errorlogging").size(), 0);
    EXPECT_EQ(QDir(env.home()).entryList({QStringLiteral("*.xml")}, QDir::Files | QDir::Hidden), QStringList());
    QThread::msleep(500);
    EXPECT_FALSE(QFileInfo::exists(openRecord()));
    // The package tool the Esc interrupted is gone, not left to its two
    // minutes; before the scan, none is started afterwards.
    const qint64 tool = fileContents(pidFile).trimmed().toLongLong();
    if (checking) {
        EXPECT_FALSE(QFileInfo::exists(pidFile)) << "the scan ran after the cancel";
    }
    if (scanning) {
        ASSERT_GT(tool, 0);
        EXPECT_TRUE(processEndsWithin(tool, 60000)) << "package tool " << tool << " outlived the cancel";
        EXPECT_FALSE(QFileInfo::exists(slept)) << "the cancel waited for the search";
        if (!processEnded(tool))
            ::kill(static_cast<pid_t>(tool), SIGKILL);
    }
}

INSTANTIATE_TEST_SUITE_P(EscOnTheChoicePage, InstallerRoadCancel,
                         ::testing::Values("cancel-while-searching", "cancel-while-asking", "cancel-while-checking"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             const std::string flow = info.param;
                             return flow == "cancel-while-asking"    ? "WhileAskingForTheChoices"
                                    : flow == "cancel-while-checking" ? "WhileCheckingForASelfUpdate"
                                                                      : "WhileScanning";
                         });

// A cancel abandons the query for the choices, not the remote log: the entry
// queued just before the Esc and those about the cancel still reach the server.
TEST_F(InstallerRoad, CancelStillSendsTheRemoteLog)
{
    env.writeSettings({{QStringLiteral("RemoteLogLevel"), QStringLiteral("INFO")}});
    server.setResponse("/rest/productlines/scan", 200, "[]");
    const QString pidFile = env.root() + QStringLiteral("/pkgutil.pid");
    writeStartRecordingPackageTool(pidFile, QStringLiteral("sleep 120\n"));
    const ProcessOutcome outcome = runDriver("cancel-while-searching", pidFile);
    ASSERT_TRUE(outcome.finished) << outcome.standardError.constData();
    EXPECT_EQ(outcome.exitCode, 0) << outcome.standardError.constData();
    QStringList sent;
    for (const RecordedRequest& request : server.requestsFor("/rest/downloadclient/errorlogging"))
        sent << QJsonDocument::fromJson(request.body).object().value(QStringLiteral("short_message")).toString();
    for (const char* entry : {"Esc pressed", "Component scan cancelled.",
                              "Search for updates cancelled; the server is not asked."})
        EXPECT_TRUE(sent.contains(QString::fromLatin1(entry))) << entry << "\n" << outcome.standardError.constData();
}

// With every entry sent to the server, the end of a run starts no post: what
// is logged once the work is done stays local, and the pool is waited for
// after the last line. Posts still running while the process's static
// objects were destroyed crashed main-road runs and cancels alike, now and
// then: one row per run, five of each.
namespace {

class InstallerRoadEnd : public InstallerRoad, public ::testing::WithParamInterface<int> {};

} // namespace

TEST_P(InstallerRoadEnd, RunSendingEveryEntryEndsWithoutASignalAndPostsNothingAtTheEnd)
{
    env.writeSettings({{QStringLiteral("RemoteLogLevel"), QStringLiteral("DEBUG")}});
    server.setResponse("/rest/productlines/scan", 200, "[]");
    const bool cancel = GetParam() % 2 == 1;
    writeStandInProgram(bin(), QStringLiteral("pkgutil"),
                        QStringLiteral("%1exec '%2/pkgutil' \"$@\"")
                            .arg(cancel ? QStringLiteral("sleep 120\n") : QString(), scan.binDir()));
    const ProcessOutcome outcome = cancel ? runDriver("cancel-while-searching") : runPathwarden(env, arguments());
    ASSERT_TRUE(outcome.finished) << outcome.standardError.constData();
    EXPECT_EQ(outcome.exitStatus, QProcess::NormalExit) << outcome.standardError.right(4000).constData();
    EXPECT_EQ(outcome.exitCode, 0) << outcome.standardError.right(4000).constData();
    QStringList sent;
    for (const RecordedRequest& request : server.requestsFor("/rest/downloadclient/errorlogging"))
        sent << QJsonDocument::fromJson(request.body).object().value(QStringLiteral("short_message")).toString();
    // The end waits for the posts still running a bounded time; on a busy
    // machine it may give up on some, and then its last lines count them as
    // dropped. Every entry it counts as sent reached the server; without a
    // drop, so did the one that starts the end.
    const QRegularExpressionMatch tally =
        QRegularExpression(QStringLiteral("Remote log entries: (\\d+) sent, (\\d+) dropped\\."))
            .match(QString::fromUtf8(outcome.standardError));
    ASSERT_TRUE(tally.hasMatch()) << outcome.standardError.right(4000).constData();
    EXPECT_GE(sent.size(), tally.captured(1).toInt());
    if (tally.captured(2).toInt() == 0) {
        EXPECT_GE(sent.filter(QStringLiteral("wait for running threads")).size(), 1);
    }
    for (const char* late :
         {"all threads are finished", "~VornConfiguration called", "application is closing"})
        EXPECT_EQ(sent.filter(QString::fromLatin1(late)), QStringList()) << late;
}

INSTANTIATE_TEST_SUITE_P(FiveOfEach, InstallerRoadEnd, ::testing::Range(0, 10),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return (info.param % 2 == 1 ? std::string("Cancel") : std::string("MainRoad"))
                                    + std::to_string(info.param / 2 + 1);
                         });

// Ctrl+C in the terminal, or SIGTERM or SIGHUP to Pathwarden, while a package
// tool of the scan runs: the scan's process group does not get the signal,
// and still none of its processes outlives Pathwarden. The group's anchor
// killed on its own would leave the scan unguarded: the scan ends with it,
// and the run goes on without it. One row per signal.
namespace {

struct SignalRow {
    const char* name;
    int signal;
    bool toTheAnchorAlone;
};

void PrintTo(const SignalRow& row, std::ostream* out)
{
    *out << row.name;
}

class InstallerRoadSignal : public InstallerRoad, public ::testing::WithParamInterface<SignalRow> {};

} // namespace

TEST_P(InstallerRoadSignal, NoScanProcessOutlivesPathwarden)
{
    const SignalRow& row = GetParam();
    server.setResponse("/rest/productlines/scan", 200, "[]");
    const QString pidFile = env.root() + QStringLiteral("/pkgutil.pid");
    writeStandInProgram(bin(), QStringLiteral("pkgutil"),
                        QStringLiteral("echo $$ > '%1.part' && mv '%1.part' '%1'\nexec sleep 120").arg(pidFile));
    // The tool, and the scan process that started it.
    qint64 scanProcesses[2] = {0, 0};
    bool anchorSignalled = false;
    const auto toolRuns = [&] {
        if (anchorSignalled)
            return true;
        scanProcesses[0] = fileContents(pidFile).trimmed().toLongLong();
        const QList<QByteArray> fields = processStatusFields(scanProcesses[0]);
        scanProcesses[1] = fields.size() > 1 ? fields[1].toLongLong() : 0;
        const bool running = scanProcesses[0] > 0 && scanProcesses[1] > 0;
        if (running && row.toTheAnchorAlone && fields.size() > 2) {
            ::kill(static_cast<pid_t>(fields[2].toLongLong()), row.signal); // the group's leader
            anchorSignalled = true;
        }
        return running;
    };
    // Pathwarden itself gets no signal when the anchor gets one.
    const ProcessOutcome outcome =
        runPathwardenAndSignal(env, "execute: ", row.toTheAnchorAlone ? 0 : row.signal, arguments(),
                               kChildRunTimeoutMs / 2, toolRuns);
    ASSERT_TRUE(outcome.finished) << outcome.standardError.constData();
    EXPECT_EQ(outcome.exitStatus, row.toTheAnchorAlone ? QProcess::NormalExit : QProcess::CrashExit);
    EXPECT_EQ(outcome.standardError.contains("Component scan stopped: the guard of its processes ended."),
              row.toTheAnchorAlone);
    for (const qint64 pid : scanProcesses) {
        // Ended with Pathwarden or soon after; the bound only against a hang.
        EXPECT_TRUE(processEndsWithin(pid, 60000)) << "scan process " << pid << " outlived Pathwarden";
        if (!processEnded(pid))
            ::kill(static_cast<pid_t>(pid), SIGKILL);
    }
}

INSTANTIATE_TEST_SUITE_P(WhileTheScanRuns, InstallerRoadSignal,
                         ::testing::Values(SignalRow{"Interrupt", SIGINT, false},
                                           SignalRow{"Terminate", SIGTERM, false},
                                           SignalRow{"HangUp", SIGHUP, false},
                                           SignalRow{"KillOfTheGuardAlone", SIGKILL, true}),
                         [](const ::testing::TestParamInfo<SignalRow>& info) { return std::string(info.param.name); });

TEST_F(InstallerRoad, WithoutAPackageOnTheMediumTheRunEndsWithMinusOne)
{
    server.setResponse("/rest/productlines/scan", 200, "[]");
    ASSERT_TRUE(QFile::remove(scan.mediumDir() + QStringLiteral("/Product Installer.pkg")));
    const ProcessOutcome outcome = runPathwarden(env, arguments());
    ASSERT_TRUE(outcome.finished) << outcome.standardError.constData();
    EXPECT_EQ(outcome.exitCode, 255) << outcome.standardError.constData();
    EXPECT_TRUE(outcome.standardError.contains("Failed to launch installer with Xml Artifact file."));
    EXPECT_FALSE(QFileInfo::exists(openRecord()));
}

TEST_F(InstallerRoad, TickedChoiceIsDownloadedAndNamedInTheInformationFileBeforeTheInstallerStarts)
{
    const QByteArray archive = QByteArray(300000, 'a') + "sound library";
    offerOneChoice(archive);
    const ProcessOutcome outcome = runDriver("download-first-choice");
    ASSERT_TRUE(outcome.finished) << outcome.standardError.constData();
    EXPECT_TRUE(outcome.standardOutput.contains("choices:1\nbutton:Download and install\n"))
        << outcome.standardOutput.constData();
    EXPECT_EQ(outcome.exitCode, 0) << outcome.standardError.constData();

    const QString xml = QString::fromUtf8(fileContents(informationFile()));
    const QString downloaded =
        QRegularExpression(QStringLiteral("download-output-path=\"([^\"]*)\"")).match(xml).captured(1);
    EXPECT_TRUE(downloaded.startsWith(QDir(env.tempDir()).canonicalPath() + QLatin1Char('/'))
                || downloaded.startsWith(env.tempDir() + QLatin1Char('/')))
        << downloaded.toStdString();
    EXPECT_TRUE(downloaded.endsWith(QStringLiteral("/Sound Library.zip")));
    EXPECT_EQ(fileContents(downloaded), archive);
    EXPECT_EQ(xml, QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<installer-infos>\n"
                                  "    <selected-platform>osx</selected-platform>\n"
                                  "    <original-installer-path>%1</original-installer-path>\n"
                                  "    <artifacts>\n"
                                  "        <artifact file-format=\"zip\" download-output-path=\"%2\" replace=\"true\" "
                                  "update=\"false\" upgrade=\"true\" fullui=\"false\" hidden=\"false\">\n"
                                  "            <distribution rel-path=\"Sound Library.pkg\">\n"
                                  "                <package id=\"com.holmgrave.pkg.SoundLibrary\"/>\n"
                                  "            </distribution>\n"
                                  "        </artifact>\n"
                                  "    </artifacts>\n"
                                  "</installer-infos>\n")
                       .arg(scan.mediumDir(), downloaded));
    bool recorded = false;
    EXPECT_EQ(waitForRecordedArguments(openRecord(), &recorded), QStringList{package()});
}

// The installer gets this run's installer-information file or none: every
// road that writes none removes an earlier run's before the installer
// starts, and a file that cannot be built hands nothing over. One row per
// road.
namespace {

struct HandOverRow;

class InstallerRoadHandOver : public InstallerRoad, public ::testing::WithParamInterface<HandOverRow> {
public:
    ProcessOutcome drive(const char* flow, const QStringList& arguments)
    {
        env.setVariable(QStringLiteral("PATHWARDEN_FLOW"), QString::fromLatin1(flow));
        return runProgram(testtree::inBuildTree(QStringLiteral(PATHWARDEN_CERTIFIED_FLOW_DRIVER)), env, arguments);
    }
    using InstallerRoad::arguments;
    using InstallerRoad::env;
    using InstallerRoad::offerOneChoice;
    using InstallerRoad::scan;
    using InstallerRoad::server;
};

struct HandOverRow {
    const char* name;
    const char* flow;
    // Sets up the server and the settings of the road; its arguments.
    std::function<QStringList(InstallerRoadHandOver&)> road;
    // The installer is started; else the run stops with -1.
    bool started;
};

void PrintTo(const HandOverRow& row, std::ostream* out)
{
    *out << row.name;
}

} // namespace

TEST_P(InstallerRoadHandOver, TheInstallerNeverGetsAnEarlierRunsInformationFile)
{
    const HandOverRow& row = GetParam();
    QFile earlier(informationFile());
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly) && earlier.write("<installer-infos>earlier</installer-infos>\n") > 0);
    earlier.close();
    const ProcessOutcome outcome = drive(row.flow, row.road(*this));
    ASSERT_TRUE(outcome.finished) << outcome.standardError.constData();
    EXPECT_EQ(outcome.exitCode, row.started ? 0 : 255) << outcome.standardError.constData();
    EXPECT_FALSE(QFileInfo::exists(informationFile())) << outcome.standardError.constData();
    EXPECT_TRUE(outcome.standardError.contains("Earlier ArtifactsFile removed.")) << outcome.standardError.constData();
    EXPECT_EQ(outcome.standardError.contains("Successfully launched installer with Xml Artifact file."), row.started);
    bool recorded = false;
    if (row.started) {
        EXPECT_EQ(waitForRecordedArguments(openRecord(), &recorded), QStringList{package()});
    } else {
        EXPECT_TRUE(outcome.standardOutput.contains("messagebox:An error has occurred.\n\nThe Pathwarden will stop."))
            << outcome.standardOutput.constData();
        EXPECT_FALSE(QFileInfo::exists(openRecord()));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Roads, InstallerRoadHandOver,
    ::testing::Values(
        HandOverRow{"ConsentNo", "stay-offline",
                    [](InstallerRoadHandOver& road) {
                        return QStringList{QStringLiteral("-original-installer-path"), road.scan.mediumDir()};
                    },
                    true},
        HandOverRow{"OfflineDialog", "install-offline",
                    [](InstallerRoadHandOver& self) {
                        self.env.writeSettings(
                            {{QStringLiteral("RootRestUrl"),
                              QStringLiteral("https://127.0.0.1:%1/rest").arg(TestUpdateServer::refusingPort())}});
                        return self.arguments();
                    },
                    true},
        HandOverRow{"ClientTooOld", "install-without-updating",
                    [](InstallerRoadHandOver& self) {
                        self.server.setResponse("/rest/downloadclient/discontinued", 200,
                                                R"({"discontinued": true, "versionRequirementErrorText": "Too old."})");
                        return self.arguments();
                    },
                    true},
        // A bundle id with a control character, which XML cannot carry.
        HandOverRow{"FileThatCannotBeBuilt", "download-first-choice",
                    [](InstallerRoadHandOver& self) {
                        self.offerOneChoice(QByteArray(1000, 'a'));
                        self.server.setResponse("/rest/road/infos", 200,
                                                R"([{"artifactPackage": {"path": "Sound Library.pkg"},)"
                                                R"( "bundleIds": [{"bundleId": "com.holmgrave.pkg.Sound\u0001"}]}])");
                        return self.arguments();
                    },
                    false}),
    [](const ::testing::TestParamInfo<HandOverRow>& info) { return std::string(info.param.name); });

// A close of the consent dialog while the medium is scanned for the road
// without downloads ends the scan's processes at once and starts nothing.
TEST_F(InstallerRoad, CloseWhileTheMediumIsScannedWithoutDownloadsStartsNothing)
{
    const QString pidFile = env.root() + QStringLiteral("/pkgutil.pid");
    // The tool leaves a mark once its two minutes are over: a close that
    // waited for the scan would let it get there.
    const QString slept = pidFile + QStringLiteral(".slept");
    writeStartRecordingPackageTool(pidFile, QStringLiteral("sleep 120\n: > '%1'\n").arg(slept));
    env.setVariable(QStringLiteral("PATHWARDEN_FLOW"), QStringLiteral("stay-offline-then-close"));
    env.setVariable(QStringLiteral("PATHWARDEN_FLOW_STARTED"), pidFile);
    const ProcessOutcome outcome =
        runProgram(testtree::inBuildTree(QStringLiteral(PATHWARDEN_CERTIFIED_FLOW_DRIVER)), env,
                   {QStringLiteral("-original-installer-path"), scan.mediumDir()});
    ASSERT_TRUE(outcome.finished) << outcome.standardError.constData();
    EXPECT_TRUE(outcome.standardOutput.contains("close:")) << outcome.standardOutput.constData();
    EXPECT_EQ(outcome.exitCode, 0) << outcome.standardError.constData();
    EXPECT_FALSE(outcome.standardError.contains("Launchable file exists.")) << outcome.standardError.constData();
    EXPECT_FALSE(QFileInfo::exists(openRecord()));
    const qint64 tool = fileContents(pidFile).trimmed().toLongLong();
    ASSERT_GT(tool, 0);
    // Killed by the close; it may die only after Pathwarden has ended. Its
    // sleep of two minutes outlasts the wait.
    EXPECT_TRUE(processEndsWithin(tool, 60000)) << "package tool " << tool << " outlived the close";
    EXPECT_FALSE(QFileInfo::exists(slept)) << "the close waited for the scan";
    if (!processEnded(tool))
        ::kill(static_cast<pid_t>(tool), SIGKILL);
}

// A legal name just under a file name's 255 bytes: the temporary name of the
// download fits beside it.
TEST_F(InstallerRoad, ChoiceWhoseFileNameIsJustUnder255BytesIsDownloaded)
{
    const QString name = QString(250, QLatin1Char('s')) + QStringLiteral(".zip");
    const QByteArray archive = QByteArray(300000, 'a') + "sound library";
    offerOneChoice(archive, FileFault::None, name.toLatin1());
    const ProcessOutcome outcome = runDriver("download-first-choice");
    ASSERT_TRUE(outcome.finished) << outcome.standardError.constData();
    EXPECT_EQ(outcome.exitCode, 0) << outcome.standardError.constData();
    const QString xml = QString::fromUtf8(fileContents(informationFile()));
    const QString downloaded =
        QRegularExpression(QStringLiteral("download-output-path=\"([^\"]*)\"")).match(xml).captured(1);
    EXPECT_TRUE(downloaded.endsWith(QLatin1Char('/') + name)) << xml.toStdString();
    EXPECT_EQ(fileContents(downloaded), archive);
}

// The box names the cause: the server has no such file, or what came is not
// what the server's checksum promised.
TEST_F(InstallerRoad, DownloadErrorShowsTheFatalMessageWithItsCauseAndEndsWithMinusOne)
{
    const struct {
        FileFault fault;
        const char* cause;
    } rows[] = {
        {FileFault::NotFound, "the server answered 404 Not Found."},
        {FileFault::WrongBody, "the downloaded file does not match its checksum."},
    };
    for (const auto& row : rows) {
        offerOneChoice("an archive of the wrong bytes", row.fault);
        const ProcessOutcome outcome = runDriver("download-first-choice");
        ASSERT_TRUE(outcome.finished) << outcome.standardError.constData();
        EXPECT_TRUE(outcome.standardOutput.contains(
            "messagebox:An error has occurred.\n\nThe Pathwarden will stop.\n\nCause: Sound Library 2.1 could not be "
            "downloaded: " + QByteArray(row.cause) + "\n\nPlease try again later, or contact Holmgrave Support in "
            "case the problem persists.\n"))
            << outcome.standardOutput.constData();
        EXPECT_TRUE(outcome.standardError.contains("Download failed. (exit)"));
        EXPECT_EQ(outcome.exitCode, 255);
        EXPECT_FALSE(QFileInfo::exists(informationFile()));
        EXPECT_FALSE(QFileInfo::exists(openRecord()));
    }
}
