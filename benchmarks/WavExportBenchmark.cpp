// Throughput of the WAV writers against a plain copy of the same bytes.
//
//   wav_export_benchmark [work folder] [repetitions]
//
// Generates two images in the work folder (default: a fresh folder in the
// system's temporary folder): one holding a single track of 300 MB, one with
// 99 tracks of about 3 MB. Then, alternating, it exports the long track and
// all tracks of the other image, and copies exactly the same byte ranges into
// the same number of files with a read/write loop. Prints the median
// throughput of each and the export/copy ratio, then the peak resident memory
// of the process (the images are generated in a child process so that the
// generator does not count).

#include "player/engine/ddp/DDPModel.h"
#include "player/engine/ddp/PQDESCR.h"
#include "player/engine/export/FileWriterAllTracks.h"
#include "player/engine/export/FileWriterOneTrack.h"
#include "player/engine/export/TrackExport.h"
#include "player/testsupport/DdpFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

struct Range {
    qint64 start;
    qint64 end;
};

DdpFixture::Options longTrackImage()
{
    DdpFixture::Options o;
    o.trackCount = 1;
    o.trackFrames = 127551;  // 299,999,952 bytes
    o.samples = DdpFixture::Samples::Identifying;
    return o;
}

DdpFixture::Options manyTracksImage()
{
    DdpFixture::Options o;
    o.trackCount = 99;
    o.tracksWithPause = 40;
    o.tracksWithIndex2 = 20;
    o.trackFrames = 1290;  // about 3 MB per track, 300 MB in all
    o.pauseFrames = 75;
    // Titles only: 99 tracks of every text type would not fit into one block.
    o.cdText = DdpFixture::CdTextKind::Latin1;
    o.cdTextTypes = {DdpFixture::Title};
    o.cdTextDiscId = false;
    return o;
}

bool generateInChild(const std::string& longDir, const std::string& manyDir)
{
    const pid_t pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        try {
            DdpFixture::write(longDir, longTrackImage());
            DdpFixture::write(manyDir, manyTracksImage());
        } catch (const std::exception& e) {
            std::fprintf(stderr, "generating the images failed: %s\n", e.what());
            _exit(1);
        }
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The plain copy: read/write with a 1 MiB buffer, no header, no rename.
qint64 copyRange(const std::string& input, const std::string& output, Range range)
{
    static std::vector<char> buffer(1 << 20);
    const int in = ::open(input.c_str(), O_RDONLY);
    const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    qint64 copied = 0;
    if (in >= 0 && out >= 0 && ::lseek(in, range.start, SEEK_SET) == range.start) {
        while (copied < range.end - range.start) {
            const auto want = static_cast<size_t>(std::min<qint64>(buffer.size(), range.end - range.start - copied));
            const ssize_t got = ::read(in, buffer.data(), want);
            if (got <= 0 || ::write(out, buffer.data(), static_cast<size_t>(got)) != got)
                break;
            copied += got;
        }
    }
    if (in >= 0)
        ::close(in);
    if (out >= 0)
        ::close(out);
    return copied;
}

std::vector<Range> trackRanges(DDPModel& model)
{
    std::vector<Range> ranges;
    const auto& list = model.getDescList();
    for (int i = model.getIndexOffset(); i < static_cast<int>(list.size()) - 2; ++i) {
        if (indexNumberOf(list[i]) != 1)
            continue;
        const int end = findTrackEnd(i, list);
        ranges.push_back({static_cast<qint64>(pqTimeToBytePosition(list[i])),
                          static_cast<qint64>(pqTimeToBytePosition(list[end]))});
    }
    return ranges;
}

// Reads the model the way the player does, without the parser: the fixture
// says exactly which descriptors it wrote.
std::shared_ptr<DDPModel> modelOf(const std::string& folder)
{
    auto model = std::make_shared<DDPModel>();
    const std::string bytes = DdpFixture::readFile(folder + "/PQDESCR");
    for (std::size_t at = 0; at + sizeof(DDP::PQDESCR) <= bytes.size(); at += sizeof(DDP::PQDESCR)) {
        DDP::PQDESCR entry;
        std::memcpy(&entry, bytes.data() + at, sizeof entry);
        model->getDescList().push_back(entry);
    }
    return model;
}

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void clearFolder(const QString& folder)
{
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
}

struct Figures {
    double exportMBps;
    double copyMBps;
};

template <typename Export, typename Copy>
Figures measure(const char* name, qint64 bytes, int repetitions, const QString& outFolder, Export runExport,
                Copy runCopy)
{
    std::vector<double> exportRates;
    std::vector<double> copyRates;
    for (int r = 0; r < repetitions; ++r) {
        clearFolder(outFolder);
        auto t0 = Clock::now();
        runExport();
        exportRates.push_back(bytes / 1e6 / seconds(Clock::now() - t0));
        clearFolder(outFolder);
        t0 = Clock::now();
        runCopy();
        copyRates.push_back(bytes / 1e6 / seconds(Clock::now() - t0));
    }
    clearFolder(outFolder);
    const Figures f{median(exportRates), median(copyRates)};
    std::printf("%-28s %8.1f MB  export %8.1f MB/s  copy %8.1f MB/s  ratio %.2f\n", name, bytes / 1e6,
                f.exportMBps, f.copyMBps, f.exportMBps / f.copyMBps);
    return f;
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir scratch;
    const QString work = argc > 1 ? QString::fromLocal8Bit(argv[1]) : scratch.path();
    const int repetitions = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const std::string longDir = (work + "/long").toStdString();
    const std::string manyDir = (work + "/many").toStdString();
    const QString outFolder = work + "/out";

    if (!generateInChild(longDir, manyDir))
        return 1;
    QCoreApplication app(argc, argv);

    // One 300 MB track.
    auto longModel = modelOf(longDir);
    const Range longRange = trackRanges(*longModel).at(0);
    const std::string longImage = longDir + "/IMAGE.DAT";
    measure("one 300 MB track", longRange.end - longRange.start, repetitions, outFolder,
            [&] {
                FileWriterOneTrack writer(outFolder + "/track.wav", QString::fromStdString(longImage),
                                          longRange.start, longRange.end);
                writer.start();
            },
            [&] { copyRange(longImage, (outFolder + "/track.raw").toStdString(), longRange); });

    // All tracks of a 99-track image.
    auto manyModel = modelOf(manyDir);
    const std::vector<Range> ranges = trackRanges(*manyModel);
    qint64 allBytes = 0;
    for (const Range& r : ranges)
        allBytes += r.end - r.start;
    const std::string manyImage = manyDir + "/IMAGE.DAT";
    std::printf("99-track image: %zu tracks found\n", ranges.size());
    measure("all tracks of 99", allBytes, repetitions, outFolder,
            [&] {
                FileWriterAllTracks writer(QString::fromStdString(manyImage), outFolder, manyModel);
                writer.start();
            },
            [&] {
                int n = 0;
                for (const Range& r : ranges)
                    copyRange(manyImage, (outFolder + "/" + QString::number(++n) + ".raw").toStdString(), r);
            });

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak resident memory: %.1f MB\n", usage.ru_maxrss / 1024.0);
    return 0;
}
