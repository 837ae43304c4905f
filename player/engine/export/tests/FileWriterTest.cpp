#include "player/engine/export/FileWriterOneTrack.h"

#include "player/engine/export/tests/ExportTestHelpers.h"
#include "player/testsupport/DdpFixture.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>

#include <sys/resource.h>

using namespace ExportTest;

namespace {

// What one run of a writer reported, in order.
struct RunRecord {
    std::vector<int> progress;
    QStringList failures;
    int finished = 0;
    bool progressAfterFinished = false;
};

RunRecord runOnThisThread(FileWriter& writer)
{
    RunRecord record;
    QObject::connect(&writer, &FileWriter::processed, [&](int value) {
        record.progress.push_back(value);
        record.progressAfterFinished |= record.finished > 0;
    });
    QObject::connect(&writer, &FileWriter::failed, [&](const QString& m) { record.failures << m; });
    QObject::connect(&writer, &FileWriter::finished, [&] { ++record.finished; });
    writer.start();
    return record;
}

class FileWriterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(imageDir.isValid());
        ASSERT_TRUE(outDir.isValid());
    }

    DdpFixture::Image writeImage(const DdpFixture::Options& options)
    {
        return DdpFixture::write(imageDir.path().toStdString(), options);
    }

    QString out(const QString& name) const { return outDir.filePath(name); }

    QTemporaryDir imageDir;
    QTemporaryDir outDir;
};

DdpFixture::Options severalTracks()
{
    DdpFixture::Options o;
    o.trackCount = 4;
    o.tracksWithPause = 2;
    o.tracksWithIndex2 = 2;
    return o;
}

} // namespace

TEST_F(FileWriterTest, NamesUpToTheLongestAFolderTakesAreExportedAndLongerOnesAreRefusedInWords)
{
    const DdpFixture::Image image = writeImage(severalTracks());
    const QString input = QString::fromStdString(image.path("IMAGE.DAT"));
    const QString longest = QString(251, QLatin1Char('n')) + QStringLiteral(".wav"); // 255 bytes
    FileWriterOneTrack writer(out(longest), input, 0, 176400);
    const RunRecord run = runOnThisThread(writer);
    EXPECT_TRUE(run.failures.isEmpty()) << run.failures.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(QFileInfo(out(longest)).size(), 176444);

    const QString tooLong = QStringLiteral("n") + longest;
    FileWriterOneTrack refused(out(tooLong), input, 0, 176400);
    const RunRecord failed = runOnThisThread(refused);
    ASSERT_EQ(failed.failures.size(), 1);
    EXPECT_TRUE(failed.failures[0].contains(QStringLiteral("256 bytes long"))) << failed.failures[0].toStdString();
    EXPECT_EQ(failed.finished, 1);
    EXPECT_EQ(allEntries(outDir.path()), QStringList{longest});
}

TEST_F(FileWriterTest, OneSecondRangeGivesExactHeaderAndTheImageBytesUnchanged)
{
    const DdpFixture::Image image = writeImage(severalTracks());
    const std::int64_t start = image.tracks.at(1).start;  // a track after a pause
    ASSERT_TRUE(image.tracks.at(1).hasPause());

    FileWriterOneTrack writer(out("one.wav"), QString::fromStdString(image.path("IMAGE.DAT")), start,
                              start + 176400);
    const RunRecord run = runOnThisThread(writer);
    EXPECT_TRUE(run.failures.isEmpty());
    EXPECT_EQ(run.finished, 1);

    const QByteArray wav = readBytes(out("one.wav"));
    ASSERT_EQ(wav.size(), 176444);
    const QByteArray expectedHeader = QByteArray::fromHex(
        "52494646" "34b10200" "57415645" "666d7420" "10000000" "0100" "0200" "44ac0000" "10b10200"
        "0400" "1000" "64617461" "10b10200");
    EXPECT_EQ(wav.left(44).toHex(), expectedHeader.toHex());
    EXPECT_EQ(le32(wav, 4), 176436u);
    EXPECT_EQ(le32(wav, 40), 176400u);
    EXPECT_EQ(wavDataHash(out("one.wav")), imageRangeHash(image.path("IMAGE.DAT"), start, start + 176400));
    // Shorter than one block: one report per pass, both 0.
    EXPECT_EQ(run.progress, (std::vector<int>{0, 0}));
    EXPECT_EQ(allEntries(outDir.path()), QStringList{"one.wav"});
}

TEST_F(FileWriterTest, SixteenMebibytesReportHalfAndFullStepsInBothPasses)
{
    DdpFixture::Options o;
    o.trackCount = 1;
    o.trackFrames = 7300;  // a little over 16 MiB of audio
    o.samples = DdpFixture::Samples::Sine;
    const DdpFixture::Image image = writeImage(o);
    const qint64 size = 16 * 1024 * 1024;
    ASSERT_GT(image.imageBytes, size);

    FileWriterOneTrack writer(out("big.wav"), QString::fromStdString(image.path("IMAGE.DAT")), 0, size);
    const RunRecord run = runOnThisThread(writer);
    EXPECT_EQ(run.progress, (std::vector<int>{5000, 10000, 10000, 15000, 20000, 20000}));
    EXPECT_EQ(run.finished, 1);
    EXPECT_EQ(le32(readBytes(out("big.wav"), 0, 44), 40), quint32(size));
    EXPECT_EQ(wavDataHash(out("big.wav")), imageRangeHash(image.path("IMAGE.DAT"), 0, size));
}

TEST_F(FileWriterTest, EmptyAndReversedRangesWriteABareHeaderAndFinishOnce)
{
    const DdpFixture::Image image = writeImage(severalTracks());
    const QString input = QString::fromStdString(image.path("IMAGE.DAT"));
    for (const auto& range : {std::pair<qint64, qint64>{4000, 4000}, {8000, 4000}}) {
        FileWriterOneTrack writer(out("empty.wav"), input, range.first, range.second);
        const RunRecord run = runOnThisThread(writer);
        EXPECT_TRUE(run.failures.isEmpty());
        EXPECT_EQ(run.finished, 1);
        EXPECT_FALSE(run.progressAfterFinished);
        EXPECT_EQ(run.progress, (std::vector<int>{10000, 20000}));
        const QByteArray wav = readBytes(out("empty.wav"));
        ASSERT_EQ(wav.size(), 44);
        EXPECT_EQ(le32(wav, 4), 36u);
        EXPECT_EQ(le32(wav, 40), 0u);
    }
}

TEST_F(FileWriterTest, RangesReachingOutsideTheImageAreClampedToIt)
{
    const DdpFixture::Image image = writeImage(severalTracks());
    const QString input = QString::fromStdString(image.path("IMAGE.DAT"));
    const std::int64_t start = image.imageBytes - 10000;

    FileWriterOneTrack past(out("past.wav"), input, start, image.imageBytes + 5000000);
    EXPECT_EQ(runOnThisThread(past).finished, 1);
    EXPECT_EQ(le32(readBytes(out("past.wav"), 0, 44), 40), 10000u);
    EXPECT_EQ(wavDataHash(out("past.wav")), imageRangeHash(image.path("IMAGE.DAT"), start, image.imageBytes));

    FileWriterOneTrack before(out("before.wav"), input, -7056, 2352);
    EXPECT_EQ(runOnThisThread(before).finished, 1);
    EXPECT_EQ(wavDataHash(out("before.wav")), imageRangeHash(image.path("IMAGE.DAT"), 0, 2352));

    // Wholly past the audio: no file at all, rather than an empty one.
    FileWriterOneTrack beyond(out("beyond.wav"), input, image.imageBytes + 100, image.imageBytes + 900);
    const RunRecord beyondRun = runOnThisThread(beyond);
    EXPECT_EQ(beyondRun.finished, 1);
    EXPECT_TRUE(beyondRun.failures.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(out("beyond.wav")));

    // A byte count that is no whole number of frames only comes from damaged
    // offsets; the data chunk keeps the whole frames.
    FileWriterOneTrack odd(out("odd.wav"), input, 1, 6);
    EXPECT_EQ(runOnThisThread(odd).finished, 1);
    EXPECT_EQ(le32(readBytes(out("odd.wav"), 0, 44), 40), 4u);
    EXPECT_EQ(readBytes(out("odd.wav"), 44), readBytes(input, 1, 4));
}

TEST_F(FileWriterTest, MissingImageIsReportedByNameAndLeavesTheOldTargetIntact)
{
    const QString target = out("kept.wav");
    DdpFixture::writeFile(target.toStdString(), "older export");
    const QString input = imageDir.filePath("IMAGE.DAT");  // never written

    FileWriterOneTrack writer(target, input, 0, 176400);
    const RunRecord run = runOnThisThread(writer);
    EXPECT_EQ(run.finished, 1);
    ASSERT_EQ(run.failures.size(), 1);
    EXPECT_TRUE(run.failures[0].contains(target));
    EXPECT_TRUE(run.failures[0].contains(input));
    EXPECT_EQ(readBytes(target), QByteArray("older export"));
    EXPECT_EQ(allEntries(outDir.path()), QStringList{"kept.wav"});
}

TEST_F(FileWriterTest, UnwritableTargetIsReportedByNameAndLeavesNothingBehind)
{
    const DdpFixture::Image image = writeImage(severalTracks());
    const QString input = QString::fromStdString(image.path("IMAGE.DAT"));
    const QString target = out("no such folder/track.wav");

    FileWriterOneTrack writer(target, input, 0, 176400);
    const RunRecord run = runOnThisThread(writer);
    EXPECT_EQ(run.finished, 1);
    ASSERT_EQ(run.failures.size(), 1);
    EXPECT_TRUE(run.failures[0].contains(target));
    EXPECT_TRUE(allEntries(outDir.path()).isEmpty());
}

TEST_F(FileWriterTest, AWriteStoppedPartWayByTheSystemNamesItsCause)
{
    // A disk that fills up within a block ends a write part-way, then fails
    // the rest. A file size limit does the same to any user's process, with
    // EFBIG in place of ENOSPC.
    DdpFixture::Options o;
    o.trackCount = 1;
    o.trackFrames = 900;  // 2 MiB
    const DdpFixture::Image image = writeImage(o);
    const QString target = out("full.wav");
    FileWriterOneTrack writer(target, QString::fromStdString(image.path("IMAGE.DAT")), 0, image.imageBytes);

    rlimit previous{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    rlimit limited = previous;
    limited.rlim_cur = 1024 * 1024;
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const RunRecord run = runOnThisThread(writer);
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(run.finished, 1);
    ASSERT_EQ(run.failures.size(), 1);
    EXPECT_TRUE(run.failures[0].contains(target));
    EXPECT_TRUE(run.failures[0].contains(qt_error_string(EFBIG))) << run.failures[0].toStdString();
    EXPECT_TRUE(allEntries(outDir.path()).isEmpty());
}

TEST_F(FileWriterTest, AnExistingTargetIsReplacedByTheNewExport)
{
    const DdpFixture::Image image = writeImage(severalTracks());
    const QString target = out("again.wav");
    DdpFixture::writeFile(target.toStdString(), std::string(500000, 'x'));

    FileWriterOneTrack writer(target, QString::fromStdString(image.path("IMAGE.DAT")), 0, 2352);
    EXPECT_EQ(runOnThisThread(writer).finished, 1);
    EXPECT_EQ(readBytes(target).size(), 44 + 2352);
    EXPECT_EQ(allEntries(outDir.path()), QStringList{"again.wav"});
}

TEST_F(FileWriterTest, AStoppedWriterFinishesOnceWithoutFileOrFailure)
{
    const DdpFixture::Image image = writeImage(severalTracks());
    FileWriterOneTrack writer(out("stopped.wav"), QString::fromStdString(image.path("IMAGE.DAT")), 0,
                              image.imageBytes);
    writer.stopFlag()->store(true);
    const RunRecord run = runOnThisThread(writer);
    EXPECT_EQ(run.finished, 1);
    EXPECT_TRUE(run.failures.isEmpty());
    EXPECT_TRUE(allEntries(outDir.path()).isEmpty());
}

TEST_F(FileWriterTest, RunsOnTheExportThreadAndQuitsIt)
{
    DdpFixture::Options o = severalTracks();
    o.trackFrames = 4000;  // several blocks
    const DdpFixture::Image image = writeImage(o);
    const qint64 start = image.tracks.at(0).start;
    const qint64 end = image.tracks.at(2).end;

    QThread thread;
    auto* writer = new FileWriterOneTrack(out("threaded.wav"), QString::fromStdString(image.path("IMAGE.DAT")),
                                          start, end);
    QSignalSpy finished(writer, &FileWriter::finished);
    QSignalSpy progress(writer, &FileWriter::processed);
    writer->moveToThread(&thread);
    QObject::connect(&thread, &QThread::finished, writer, &QObject::deleteLater);
    QObject::connect(writer, &FileWriter::finished, &thread, &QThread::quit);
    QObject::connect(&thread, &QThread::started, writer, &FileWriter::start);
    thread.start();
    // The writer's finished() reaches quit() through this thread's event loop.
    QDeadlineTimer deadline(120000); // only against a hang
    while (!thread.isFinished() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_TRUE(thread.wait(1000));

    EXPECT_EQ(finished.count(), 1);
    int last = 0;
    for (const QList<QVariant>& p : progress) {
        EXPECT_GE(p.at(0).toInt(), last);
        EXPECT_LE(p.at(0).toInt(), FileWriter::progressMaximum);
        last = p.at(0).toInt();
    }
    EXPECT_GT(last, 10000);
    EXPECT_EQ(wavDataHash(out("threaded.wav")), imageRangeHash(image.path("IMAGE.DAT"), start, end));
}
