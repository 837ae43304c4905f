#include "player/engine/export/FileWriterAllTracks.h"

#include "player/engine/ddp/DDPModel.h"
#include "player/engine/ddp/Parser.h"
#include "player/engine/export/tests/ExportTestHelpers.h"
#include "player/testsupport/DdpFixture.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

using namespace ExportTest;

namespace {

struct AllTracksRun {
    QStringList failures;
    int finished = 0;
    std::vector<int> progress;
};

AllTracksRun runAllTracks(const QString& input, const QString& folder, std::shared_ptr<DDPModel> model)
{
    AllTracksRun record;
    FileWriterAllTracks writer(input, folder, std::move(model));
    QObject::connect(&writer, &FileWriter::failed, [&](const QString& m) { record.failures << m; });
    QObject::connect(&writer, &FileWriter::finished, [&] { ++record.finished; });
    QObject::connect(&writer, &FileWriter::processed, [&](int v) { record.progress.push_back(v); });
    writer.start();
    return record;
}

class FileWriterAllTracksTest : public ::testing::Test {
protected:
    std::shared_ptr<DDPModel> load(const DdpFixture::Options& options)
    {
        image = DdpFixture::write(imageDir.path().toStdString(), options);
        auto model = std::make_shared<DDPModel>();
        Parser::parseData(imageDir.path(), model);
        return model;
    }
    QString input() const { return imageDir.filePath("IMAGE.DAT"); }

    QTemporaryDir imageDir;
    QTemporaryDir outDir;
    DdpFixture::Image image;
};

DdpFixture::Options masterWithPausesAndIndexes(DdpFixture::CdTextKind cdText)
{
    DdpFixture::Options o;
    o.trackCount = 6;
    o.tracksWithPause = 3;
    o.tracksWithIndex2 = 3;
    o.trackFramesList = {150, 300, 75, 225, 150, 120};
    o.cdText = cdText;
    return o;
}

// Every track in its own file named from its title, holding exactly the
// track's bytes: index 02 inside, the following pause outside.
void expectOneFilePerTrack(const DdpFixture::Image& image, const QString& folder, bool titled)
{
    QStringList expectedNames;
    for (const DdpFixture::Track& track : image.tracks) {
        const QString name = titled ? QString::number(track.number) + " - "
                                          + QString::fromStdString(track.texts.at(DdpFixture::Title)) + ".wav"
                                    : "Track " + QString::number(track.number) + ".wav";
        expectedNames << name;
        const QString path = QDir(folder).filePath(name);
        SCOPED_TRACE(name.toStdString());
        ASSERT_TRUE(QFile::exists(path));
        EXPECT_EQ(le32(readBytes(path, 0, 44), 40), quint32(track.lengthBytes()));
        EXPECT_EQ(wavDataHash(path), imageRangeHash(image.path("IMAGE.DAT"), track.start, track.end));
    }
    expectedNames.sort();
    EXPECT_EQ(allEntries(folder), expectedNames);
}

} // namespace

TEST_F(FileWriterAllTracksTest, Latin1TitlesNameTheFilesAndEachHoldsItsTrack)
{
    auto model = load(masterWithPausesAndIndexes(DdpFixture::CdTextKind::Latin1));
    const AllTracksRun run = runAllTracks(input(), outDir.path(), model);
    EXPECT_TRUE(run.failures.isEmpty());
    EXPECT_EQ(run.finished, 1);
    expectOneFilePerTrack(image, outDir.path(), true);
    // Progress starts again for every file: each of the six short tracks
    // reports one value per pass.
    EXPECT_EQ(run.progress, std::vector<int>(12, 0));
}

TEST_F(FileWriterAllTracksTest, DoubleByteTitlesAreReadAsUtf8)
{
    auto model = load(masterWithPausesAndIndexes(DdpFixture::CdTextKind::Japanese));
    ASSERT_TRUE(model->getCdInfo().doubleByte);
    const AllTracksRun run = runAllTracks(input(), outDir.path(), model);
    EXPECT_EQ(run.finished, 1);
    expectOneFilePerTrack(image, outDir.path(), true);
}

TEST_F(FileWriterAllTracksTest, WithoutCdTextTheFilesAreNumbered)
{
    auto model = load(masterWithPausesAndIndexes(DdpFixture::CdTextKind::None));
    const AllTracksRun run = runAllTracks(input(), outDir.path(), model);
    EXPECT_EQ(run.finished, 1);
    expectOneFilePerTrack(image, outDir.path(), false);
}

TEST_F(FileWriterAllTracksTest, WalkStartsAtTheIndexOffsetAndStopsBeforeTheLastTwoEntries)
{
    // Index numbers 00 00 01 02 00 01 01 01, one second apart.
    const char* tracks[] = {"01", "01", "01", "01", "02", "02", "03", "04"};
    const char* indexes[] = {"00", "00", "01", "02", "00", "01", "01", "01"};
    auto model = std::make_shared<DDPModel>();
    for (int k = 0; k < 8; ++k) {
        const std::string raw = DdpFixture::pqEntryRaw(tracks[k], indexes[k], "00", "00",
                                                       "0" + std::to_string(k), "00");
        DDP::PQDESCR entry;
        std::memcpy(&entry, raw.data(), sizeof entry);
        model->getDescList().push_back(entry);
    }
    model->setIndexOffset(1);
    DdpFixture::Options o;
    o.trackCount = 1;
    o.trackFrames = 75 * 10;
    image = DdpFixture::write(imageDir.path().toStdString(), o);

    const AllTracksRun run = runAllTracks(input(), outDir.path(), model);
    EXPECT_EQ(run.finished, 1);
    EXPECT_EQ(allEntries(outDir.path()), (QStringList{"Track 1.wav", "Track 2.wav"}));
    EXPECT_EQ(wavDataHash(outDir.filePath("Track 1.wav")), imageRangeHash(image.path("IMAGE.DAT"), 2 * 176400, 4 * 176400));
    EXPECT_EQ(wavDataHash(outDir.filePath("Track 2.wav")), imageRangeHash(image.path("IMAGE.DAT"), 5 * 176400, 6 * 176400));
}

TEST_F(FileWriterAllTracksTest, ATrackWithoutEndRunsToTheLeadOutNotToTheMarkerAfterIt)
{
    // Track 1 is followed only by further indexes: the lead-out's (at 2 s)
    // and a final marker far past the end of the audio.
    auto model = std::make_shared<DDPModel>();
    const std::string rows[][2] = {{"01", "00"}, {"01", "01"}, {"01", "02"}, {"01", "02"}};
    const std::string seconds[] = {"00", "01", "02", "50"};
    for (int k = 0; k < 4; ++k) {
        const std::string raw = DdpFixture::pqEntryRaw(rows[k][0], rows[k][1], "00", "00", seconds[k], "00");
        DDP::PQDESCR entry;
        std::memcpy(&entry, raw.data(), sizeof entry);
        model->getDescList().push_back(entry);
    }
    DdpFixture::Options o;
    o.trackCount = 1;
    o.trackFrames = 75 * 3;
    image = DdpFixture::write(imageDir.path().toStdString(), o);

    const AllTracksRun run = runAllTracks(input(), outDir.path(), model);
    EXPECT_EQ(run.finished, 1);
    EXPECT_TRUE(run.failures.isEmpty());
    EXPECT_EQ(wavDataHash(outDir.filePath("Track 1.wav")),
              imageRangeHash(image.path("IMAGE.DAT"), 176400, 2 * 176400));
}

TEST_F(FileWriterAllTracksTest, AFailedFileEndsTheRunOnceAndKeepsTheFilesBeforeIt)
{
    auto model = load(masterWithPausesAndIndexes(DdpFixture::CdTextKind::None));
    // A folder in the way of track 3's file.
    ASSERT_TRUE(QDir(outDir.path()).mkdir("Track 3.wav"));
    const AllTracksRun run = runAllTracks(input(), outDir.path(), model);
    EXPECT_EQ(run.finished, 1);
    ASSERT_EQ(run.failures.size(), 1);
    EXPECT_TRUE(run.failures[0].contains(outDir.filePath("Track 3.wav")));
    EXPECT_EQ(allEntries(outDir.path()), (QStringList{"Track 1.wav", "Track 2.wav", "Track 3.wav"}));
    EXPECT_TRUE(QFileInfo(outDir.filePath("Track 3.wav")).isDir());
}

TEST_F(FileWriterAllTracksTest, AMissingImageIsReportedOnceAndWritesNothing)
{
    DdpFixture::Options o = masterWithPausesAndIndexes(DdpFixture::CdTextKind::None);
    o.writeImage = false;
    auto model = load(o);
    const AllTracksRun run = runAllTracks(input(), outDir.path(), model);
    EXPECT_EQ(run.finished, 1);
    ASSERT_EQ(run.failures.size(), 1);
    EXPECT_TRUE(run.failures[0].contains(input()));
    EXPECT_TRUE(allEntries(outDir.path()).isEmpty());
}
