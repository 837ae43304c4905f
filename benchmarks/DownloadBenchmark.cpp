// A 200 MB download with SHA-256 validation through the updater's download
// manager, against `curl` writing the same file followed by `sha256sum`, both
// from the loopback download host in the same run. The iterations of the two
// alternate so that a change in the machine's load hits both alike. Prints
// both throughputs (median of the iterations), their ratio and the load
// average before and after.
//
//   download_benchmark [--benchmark_* options]

#include "updater/infrastructure/DownloadManager.h"
#include "updater/infrastructure/FileValidationHash.h"
#include "updater/testsupport/TestFileServer.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kFileBytes = 200 * 1000 * 1000;

struct Fixture {
    QByteArray content;
    QString hash;
    TestFileServer server;
    QTemporaryDir folder;
    std::vector<double> managerSeconds;
    std::vector<double> curlSeconds;

    Fixture()
    {
        content.resize(kFileBytes);
        quint64 state = 0x9e3779b97f4a7c15ull;
        auto* words = reinterpret_cast<quint64*>(content.data());
        for (int i = 0; i < kFileBytes / 8; ++i) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            words[i] = state;
        }
        QBuffer buffer(&content);
        buffer.open(QIODevice::ReadOnly);
        hash = FileValidationHash::sha256Hex(&buffer);
        server.setFile("/big.bin", content);
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

// One download through the manager; false when it did not complete.
bool downloadWithManager(Fixture& f, const QString& fileName)
{
    DownloadManager manager;
    bool ended = false;
    bool complete = false;
    QEventLoop loop;
    QObject::connect(&manager, &DownloadManager::downloadComplete, &loop, [&] {
        ended = complete = true;
        loop.quit();
    });
    QObject::connect(&manager, &DownloadManager::downloadError, &loop, [&] {
        ended = true;
        loop.quit();
    });
    DownloadJob job(f.server.url("/big.bin"), f.folder.path(), fileName, f.hash);
    job.expectedSize = kFileBytes;
    manager.download(job);
    if (!ended)
        loop.exec();
    return complete;
}

// curl writes the file, sha256sum reads it back; false when the hash differs.
bool downloadWithCurl(Fixture& f, const QString& fileName)
{
    const QString path = f.folder.filePath(fileName);
    QProcess curl;
    curl.start(QStringLiteral("curl"), {QStringLiteral("--silent"), QStringLiteral("--fail"), QStringLiteral("--noproxy"),
                                        QStringLiteral("*"), QStringLiteral("--output"), path,
                                        f.server.url("/big.bin").toString()});
    if (!curl.waitForFinished(600000) || curl.exitCode() != 0)
        return false;
    QProcess sum;
    sum.start(QStringLiteral("sha256sum"), {path});
    if (!sum.waitForFinished(600000) || sum.exitCode() != 0)
        return false;
    return sum.readAllStandardOutput().startsWith(f.hash.toLatin1());
}

template <bool (*Download)(Fixture&, const QString&)>
void timeDownloads(benchmark::State& state, std::vector<double>& seconds)
{
    Fixture& f = fixture();
    int round = 0;
    for (auto _ : state) {
        const QString fileName = QStringLiteral("copy-%1.bin").arg(round++);
        QElapsedTimer timer;
        timer.start();
        const bool ok = Download(f, fileName);
        const double elapsed = timer.nsecsElapsed() / 1e9;
        QFile::remove(f.folder.filePath(fileName));
        if (!ok) {
            state.SkipWithError("the download failed");
            break;
        }
        state.SetIterationTime(elapsed);
        seconds.push_back(elapsed);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kFileBytes);
}

void BM_DownloadManagerWithSha256(benchmark::State& state)
{
    timeDownloads<downloadWithManager>(state, fixture().managerSeconds);
}

void BM_CurlThenSha256sum(benchmark::State& state)
{
    timeDownloads<downloadWithCurl>(state, fixture().curlSeconds);
}

constexpr int kRounds = 5;

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

QByteArray loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray("unknown");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    std::printf("load average before: %s\n", loadAverage().constData());
    Fixture& f = fixture();
    if (!f.server.isListening()) {
        std::fprintf(stderr, "the download host did not start\n");
        return 1;
    }
    // Registered in turn, so that the rounds of the two alternate.
    for (int round = 1; round <= kRounds; ++round) {
        benchmark::RegisterBenchmark(QStringLiteral("BM_DownloadManagerWithSha256/round:%1").arg(round).toLatin1().constData(),
                                     BM_DownloadManagerWithSha256)
            ->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
        benchmark::RegisterBenchmark(QStringLiteral("BM_CurlThenSha256sum/round:%1").arg(round).toLatin1().constData(),
                                     BM_CurlThenSha256sum)
            ->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
    }
    benchmark::RunSpecifiedBenchmarks();
    const double mb = kFileBytes / 1e6;
    const double manager = mb / median(f.managerSeconds);
    const double curl = mb / median(f.curlSeconds);
    std::printf("download manager with SHA-256: %.0f MB/s (median of %zu)\n", manager, f.managerSeconds.size());
    std::printf("curl, then sha256sum:          %.0f MB/s (median of %zu)\n", curl, f.curlSeconds.size());
    std::printf("ratio: %.2f (target at least 0.80)\n", manager / curl);
    std::printf("load average after: %s\n", loadAverage().constData());
    return 0;
}
