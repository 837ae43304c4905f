#include "updater/infrastructure/DownloadManager.h"
#include "updater/testsupport/DownloadTestSupport.h"
#include "updater/testsupport/RecordingLogAppender.h"
#include "updater/testsupport/TestCertificates.h"
#include "updater/testsupport/TestFileServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

enum class Outcome { Complete, Transfer, Checksum };

// Counts what one manager reports; every job must end exactly once.
struct Recorder {
    explicit Recorder(DownloadManager& manager)
    {
        QObject::connect(&manager, &DownloadManager::downloadComplete, [this] { ends.append(Outcome::Complete); });
        QObject::connect(&manager, &DownloadManager::downloadError, [this](DownloadManagerErrors error) {
            ends.append(error == ChecksumError ? Outcome::Checksum : Outcome::Transfer);
        });
        QObject::connect(&manager, &DownloadManager::progress, [this](int percent) { progress.append(percent); });
    }

    bool waitForEnds(int count) const
    {
        return processEventsUntil([&] { return ends.size() >= count; });
    }

    QList<Outcome> ends;
    QList<int> progress;
};

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

const QByteArray kContent = sampleContent(300 * 1024 + 123);
constexpr qint64 kCrawlMinimum = 16 * 1024;

struct FaultCase {
    const char* name;
    FileFault fault;
    int partBytes;        // correct leading bytes in a ".part" left by an earlier run
    qint64 expectedSize;  // the job's expected size; -1 for the file's own
    int stallMs;
    int crawlWindowMs; // a transfer needs crawlMinimum bytes in each
    Outcome outcome;
    qint64 crawlMinimum = kCrawlMinimum;
};

void PrintTo(const FaultCase& row, std::ostream* out)
{
    *out << row.name;
}

class DownloadFaultMatrix : public ::testing::TestWithParam<FaultCase> {};

} // namespace

TEST_P(DownloadFaultMatrix, OneEndVerifiedFileOnlyAndTheNextJobWorks)
{
    const FaultCase& row = GetParam();
    RecordingLogAppender log;
    QtWarningRecorder qtWarnings;
    TestFileServer server;
    ASSERT_TRUE(server.isListening());
    server.setFile("/file.bin", kContent, row.fault);
    server.setFile("/next.bin", kContent);
    QTemporaryDir folder;
    const QString target = folder.filePath(QStringLiteral("file.bin"));
    if (row.partBytes > 0)
        writeFile(target + QStringLiteral(".part"), kContent.left(row.partBytes));

    DownloadManager manager;
    manager.setStallTimeout(row.stallMs);
    manager.setCrawlLimit(row.crawlWindowMs, row.crawlMinimum);
    Recorder recorder(manager);
    DownloadJob job(server.url("/file.bin"), folder.path(), QStringLiteral("file.bin"), sha256Hex(kContent));
    job.expectedSize = row.expectedSize < 0 ? kContent.size() : row.expectedSize;
    EXPECT_TRUE(manager.download(job));
    ASSERT_TRUE(recorder.waitForEnds(1)) << "the job never ended";
    processEventsFor(300);
    ASSERT_EQ(recorder.ends.size(), 1);
    EXPECT_EQ(recorder.ends.first(), row.outcome);
    if (row.outcome == Outcome::Complete) {
        EXPECT_EQ(fileContents(target), kContent);
    } else {
        EXPECT_FALSE(QFileInfo::exists(target));
    }
    EXPECT_FALSE(QFileInfo::exists(target + QStringLiteral(".part")));
    for (int percent : recorder.progress)
        EXPECT_TRUE(percent >= 0 && percent <= 100) << percent;
    if (row.expectedSize == 0 && row.fault == FileFault::NoContentLength) {
        EXPECT_TRUE(recorder.progress.isEmpty());
    }
    // The network layer may send a request again when the connection closes
    // before it read the answer; each carries the same range. A crawl ends
    // by the manager's own clock, which on a busy machine may come before
    // the request reached the server; every other row ends by what the
    // server answered, after it recorded the request.
    const QList<RecordedRequest> requests = server.requestsFor("/file.bin");
    if (row.fault != FileFault::Slow || row.outcome == Outcome::Complete) {
        ASSERT_FALSE(requests.isEmpty());
    }
    for (const RecordedRequest& request : requests) {
        EXPECT_EQ(request.header("range"),
                  row.partBytes > 0 ? "bytes=" + QByteArray::number(row.partBytes) + '-' : QByteArray());
    }

    // The same manager takes the next job as if nothing had happened; an
    // upper-case hash is as good as a lower-case one. The row's limits go
    // back to the defaults first: the crawling row's would ask for the whole
    // next file within one window of 50 ms.
    manager.setStallTimeout(DownloadManager::kDefaultStallTimeoutMs);
    manager.setCrawlLimit(DownloadManager::kDefaultCrawlWindowMs, DownloadManager::kDefaultCrawlMinimumBytes);
    DownloadJob next(server.url("/next.bin"), folder.path(), QStringLiteral("next.bin"), sha256Hex(kContent).toUpper());
    EXPECT_TRUE(manager.download(next));
    ASSERT_TRUE(recorder.waitForEnds(2));
    processEventsFor(300);
    ASSERT_EQ(recorder.ends.size(), 2);
    EXPECT_EQ(recorder.ends.last(), Outcome::Complete);
    EXPECT_EQ(fileContents(folder.filePath(QStringLiteral("next.bin"))), kContent);
    // A reply is never aborted after the network layer has failed it.
    EXPECT_EQ(qtWarnings.warnings().filter(QStringLiteral("QNetworkReply")), QStringList());
}

constexpr int kLong = 60000;
const qint64 kHalf = kContent.size() / 2;

INSTANTIATE_TEST_SUITE_P(
    AgainstTheFileServer, DownloadFaultMatrix,
    ::testing::Values(
        FaultCase{"RangeHonoured", FileFault::None, 100000, -1, kLong, kLong, Outcome::Complete},
        FaultCase{"RangeIgnoredStartsAgain", FileFault::IgnoreRange, 100000, -1, kLong, kLong, Outcome::Complete},
        FaultCase{"PartialAnswerAtWrongOffset", FileFault::WrongRangeStart, 100000, -1, kLong, kLong, Outcome::Transfer},
        FaultCase{"ShortPartialAnswer", FileFault::ShortPartial, 100000, -1, kLong, kLong, Outcome::Transfer},
        FaultCase{"DroppedHalfway", FileFault::DropHalfway, 0, -1, kLong, kLong, Outcome::Transfer},
        FaultCase{"DroppedHalfwayWhileResuming", FileFault::DropHalfway, 100000, -1, kLong, kLong, Outcome::Transfer},
        FaultCase{"NotFound", FileFault::NotFound, 0, -1, kLong, kLong, Outcome::Transfer},
        FaultCase{"WrongBody", FileFault::WrongBody, 0, -1, kLong, kLong, Outcome::Checksum},
        FaultCase{"NoContentLength", FileFault::NoContentLength, 0, -1, kLong, kLong, Outcome::Complete},
        FaultCase{"NoContentLengthNorExpectedSize", FileFault::NoContentLength, 0, 0, kLong, kLong, Outcome::Complete},
        FaultCase{"UnannouncedBodyBeyondExpectedSize", FileFault::NoContentLength, 0, kHalf, kLong, kLong,
                  Outcome::Transfer},
        FaultCase{"AnnouncedBeyondExpectedSize", FileFault::None, 0, kHalf, kLong, kLong, Outcome::Transfer},
        FaultCase{"Stalled", FileFault::Stall, 0, -1, 1500, kLong, Outcome::Transfer},
        // 16 KiB every 100 ms, some 2 s in all: a crawl where each window
        // must bring more than the whole file, however late a busy machine
        // lets the window end (the file server paces its pieces by its own
        // timer, never faster); but a steady transfer for windows of a
        // second that take 16 KiB, which it outlasts.
        FaultCase{"Crawling", FileFault::Slow, 0, -1, kLong, 50, Outcome::Transfer, 4 * kContent.size()},
        FaultCase{"SlowButSteadyOutlastsTheWindow", FileFault::Slow, 0, -1, kLong, 1000, Outcome::Complete},
        FaultCase{"BodyLongerThanAnnounced", FileFault::LongerThanAnnounced, 0, -1, kLong, kLong, Outcome::Complete}),
    [](const ::testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

TEST(DownloadManager, HttpsTrustsTheSystemsAuthoritiesOnly)
{
    TestFileServer server(TestFileServer::Transport::Tls);
    server.setFile("/file.bin", kContent);
    QTemporaryDir folder;
    DownloadManager manager;
    Recorder recorder(manager);
    const DownloadJob job(server.url("/file.bin"), folder.path(), QStringLiteral("file.bin"), sha256Hex(kContent));

    manager.download(job);
    ASSERT_TRUE(recorder.waitForEnds(1));
    EXPECT_EQ(recorder.ends.last(), Outcome::Transfer);
    EXPECT_FALSE(QFileInfo::exists(job.filePath));

    const QSslConfiguration original = QSslConfiguration::defaultConfiguration();
    QSslConfiguration withTestCa = original;
    withTestCa.setCaCertificates(original.caCertificates() << testRootCertificate());
    QSslConfiguration::setDefaultConfiguration(withTestCa);
    // A new manager: the first one keeps its connection settings per host.
    DownloadManager trusting;
    Recorder trustingRecorder(trusting);
    trusting.download(job);
    const bool ended = trustingRecorder.waitForEnds(1);
    QSslConfiguration::setDefaultConfiguration(original);
    ASSERT_TRUE(ended);
    EXPECT_EQ(trustingRecorder.ends.last(), Outcome::Complete);
    EXPECT_EQ(fileContents(job.filePath), kContent);
}

TEST(DownloadManager, PausedTransferKeepsItsPartAndResumesWithARange)
{
    TestFileServer server;
    server.setFile("/file.bin", kContent, FileFault::Stall);
    QTemporaryDir folder;
    DownloadManager manager;
    Recorder recorder(manager);
    bool paused = false;
    QObject::connect(&manager, &DownloadManager::progress, &manager, [&](int percent) {
        if (percent >= 20 && !paused) {
            paused = true;
            manager.pause(); // a quarter is all the stalling server sends
        }
    });
    const DownloadJob job(server.url("/file.bin"), folder.path(), QStringLiteral("file.bin"), sha256Hex(kContent));
    manager.download(job);
    ASSERT_TRUE(processEventsUntil([&] { return paused; }));
    processEventsFor(300);
    EXPECT_TRUE(recorder.ends.isEmpty());
    const QString part = job.filePath + QStringLiteral(".part");
    const qint64 kept = QFileInfo(part).size();
    EXPECT_EQ(fileContents(part), kContent.left(static_cast<int>(kept)));
    EXPECT_GE(kept, kContent.size() / 5);

    server.setFault("/file.bin", FileFault::None);
    manager.resume();
    ASSERT_TRUE(recorder.waitForEnds(1));
    EXPECT_EQ(recorder.ends, QList<Outcome>{Outcome::Complete});
    EXPECT_EQ(fileContents(job.filePath), kContent);
    EXPECT_EQ(server.requestsFor("/file.bin").last().header("range"), "bytes=" + QByteArray::number(kept) + '-');
}

TEST(DownloadManager, ResumeOffsetBeyond2GiBIsSentWhole)
{
    TestFileServer server;
    server.setFile("/file.bin", kContent);
    QTemporaryDir folder;
    const QString part = folder.filePath(QStringLiteral("file.bin.part"));
    {
        QFile sparse(part);
        ASSERT_TRUE(sparse.open(QIODevice::WriteOnly));
        ASSERT_TRUE(sparse.resize(qint64(1) << 31 | 5));
    }
    DownloadManager manager;
    Recorder recorder(manager);
    manager.download(DownloadJob(server.url("/file.bin"), folder.path(), QStringLiteral("file.bin"), sha256Hex(kContent)));
    ASSERT_TRUE(recorder.waitForEnds(1));
    EXPECT_EQ(recorder.ends.last(), Outcome::Transfer); // the test file is far smaller: 416
    EXPECT_EQ(server.requestsFor("/file.bin").first().header("range"), QByteArray("bytes=2147483653-"));
    EXPECT_FALSE(QFileInfo::exists(part));
}

// A legal name just under a file name's 255 bytes downloads and resumes: only
// the temporary name is shortened, and the same final name finds it again.
TEST(DownloadManager, NamesUpTo255BytesDownloadAndResumeTheirPartialFile)
{
    TestFileServer server;
    server.setFile("/file.bin", kContent);
    QTemporaryDir folder;
    const struct {
        QString name;
    } rows[] = {
        {QString(254, QLatin1Char('n'))},
        {QString(255, QLatin1Char('n'))},
        // Two-byte characters: the shortened name keeps whole ones.
        {QString(127, QChar(0x00e9)) + QLatin1Char('n')},
    };
    QStringList partials;
    for (const auto& row : rows) {
        const QString partial = partialFileName(row.name);
        SCOPED_TRACE(partial.toStdString());
        EXPECT_LE(QFile::encodeName(partial).size(), 255);
        EXPECT_EQ(partialFileName(row.name), partial);
        EXPECT_FALSE(partials.contains(partial));
        partials << partial;
        writeFile(folder.filePath(partial), kContent.left(100000));
        DownloadManager manager;
        Recorder recorder(manager);
        EXPECT_TRUE(manager.download(DownloadJob(server.url("/file.bin"), folder.path(), row.name, sha256Hex(kContent))));
        ASSERT_TRUE(recorder.waitForEnds(1));
        EXPECT_EQ(recorder.ends.last(), Outcome::Complete);
        EXPECT_EQ(server.requestsFor("/file.bin").last().header("range"), QByteArray("bytes=100000-"));
        EXPECT_EQ(fileContents(folder.filePath(row.name)), kContent);
        EXPECT_FALSE(QFileInfo::exists(folder.filePath(partial)));
    }
    EXPECT_EQ(partialFileName(QStringLiteral("file.bin")), QStringLiteral("file.bin.part"));
}

TEST(DownloadManager, JobsThatCannotStartEndAtOnceWithOneError)
{
    TestFileServer server;
    server.setFile("/file.bin", kContent);
    QTemporaryDir folder;
    QDir(folder.path()).mkdir(QStringLiteral("folder-target"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder.filePath(QStringLiteral("fifo.bin.part"))).constData(), 0600), 0);
    const QString url = server.baseUrl() + QStringLiteral("/file.bin");
    const QString hash = sha256Hex(kContent);
    const struct {
        QString url, fileName, hash;
        Outcome outcome;
    } rows[] = {
        {url, QString(), hash, Outcome::Transfer},
        {url, QStringLiteral("."), hash, Outcome::Transfer},
        {url, QStringLiteral(".."), hash, Outcome::Transfer},
        {url, QStringLiteral("folder-target"), hash, Outcome::Transfer},
        {url, QStringLiteral("fifo.bin"), hash, Outcome::Transfer},
        {QStringLiteral("file:///etc/hostname"), QStringLiteral("hostname"), hash, Outcome::Transfer},
        {url, QStringLiteral("file.bin"), QString(), Outcome::Checksum},
        {url, QStringLiteral("file.bin"), QStringLiteral("xyz"), Outcome::Checksum},
    };
    DownloadManager manager;
    Recorder recorder(manager);
    int expectedEnds = 0;
    for (const auto& row : rows) {
        EXPECT_FALSE(manager.download(DownloadJob(QUrl(row.url), folder.path(), row.fileName, row.hash)));
        ++expectedEnds;
        ASSERT_EQ(recorder.ends.size(), expectedEnds) << row.fileName.toStdString();
        EXPECT_EQ(recorder.ends.last(), row.outcome) << row.fileName.toStdString();
    }
    processEventsFor(300);
    EXPECT_EQ(recorder.ends.size(), expectedEnds);
    EXPECT_EQ(server.requestCount(), 0);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
              (QStringList{QStringLiteral("fifo.bin.part"), QStringLiteral("folder-target")}));
}

TEST(DownloadManager, ExistingTargetCountsOnlyWhenItsHashMatches)
{
    TestFileServer server;
    server.setFile("/file.bin", kContent);
    QTemporaryDir folder;
    const DownloadJob job(server.url("/file.bin"), folder.path(), QStringLiteral("file.bin"), sha256Hex(kContent));
    writeFile(job.filePath, kContent);
    DownloadManager manager;
    Recorder recorder(manager);
    EXPECT_FALSE(manager.download(job));
    EXPECT_EQ(recorder.ends, QList<Outcome>{Outcome::Complete});
    EXPECT_EQ(recorder.progress, QList<int>{100});
    EXPECT_EQ(server.requestCount(), 0);

    writeFile(job.filePath, "stale");
    EXPECT_FALSE(manager.download(job));
    EXPECT_EQ(recorder.ends.last(), Outcome::Checksum);
    EXPECT_EQ(recorder.ends.size(), 2);
    EXPECT_EQ(fileContents(job.filePath), "stale");
    EXPECT_EQ(server.requestCount(), 0);
}

TEST(DownloadManager, VerifiedFileThatCannotTakeItsNameIsAnError)
{
    TestFileServer server;
    server.setFile("/file.bin", kContent);
    QTemporaryDir folder;
    const DownloadJob job(server.url("/file.bin"), folder.path(), QStringLiteral("file.bin"), sha256Hex(kContent));
    DownloadManager manager;
    Recorder recorder(manager);
    ASSERT_TRUE(manager.download(job));
    QDir(folder.path()).mkdir(QStringLiteral("file.bin")); // appears while the transfer runs
    ASSERT_TRUE(recorder.waitForEnds(1));
    processEventsFor(300);
    EXPECT_EQ(recorder.ends, QList<Outcome>{Outcome::Transfer});
    EXPECT_TRUE(QFileInfo(job.filePath).isDir());
    EXPECT_FALSE(QFileInfo::exists(job.filePath + QStringLiteral(".part")));
}
