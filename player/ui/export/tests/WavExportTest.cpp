#include "player/ui/export/WavExport.h"

#include "player/engine/ddp/DDPModel.h"
#include "player/engine/ddp/Parser.h"
#include "player/testsupport/DdpFixture.h"
#include "player/ui/Constants.h"
#include "player/ui/PlayerSettings.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QProgressBar>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>
#include <QtEndian>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// Answers the dialogs from the test and records what they were asked.
class ScriptedWavExport : public WavExport {
public:
    using WavExport::WavExport;
    using WavExport::exportThread;
    using WavExport::progressBar;

    QString answer;
    QStringList captions;
    QStringList proposals;
    QStringList errors;

protected:
    QString askSaveFileName(const QString& caption, const QString& defaultPath, const QString&) override
    {
        captions << caption;
        proposals << defaultPath;
        return answer;
    }
    QString askExistingDirectory(const QString& caption, const QString& startFolder) override
    {
        captions << caption;
        proposals << startFolder;
        return answer;
    }
    void showError(const QString& message) override { errors << message; }
};

QByteArray hashOf(const QByteArray& bytes) { return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256); }

QByteArray fileBytes(const QString& path, qint64 offset = 0, qint64 count = -1)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    f.seek(offset);
    return count < 0 ? f.readAll() : f.read(count);
}

QStringList entriesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

class WavExportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
        openPlayerSettings()->remove(defaultExportDirKey);
        window.resize(801, 601);
        exporter = std::make_unique<ScriptedWavExport>(&window);
    }
    void TearDown() override { exporter.reset(); }

    void load(const DdpFixture::Options& options)
    {
        image = DdpFixture::write(imageDir.path().toStdString(), options);
        model = std::make_shared<DDPModel>();
        Parser::parseData(imageDir.path(), model);
        exporter->setModel(model);
    }

    // Waits for the export thread to stop and lets its queued signals land.
    bool waitForEnd(QSignalSpy& ended, int count = 1)
    {
        while (ended.count() < count) {
            if (!ended.wait(60000))
                return false;
        }
        return true;
    }
    // Runs the queued hide()/deleteLater() calls and then the deletions. The
    // export thread posts them while it finishes, possibly just after the
    // end of the export was reported, hence the wait.
    void flushDeletions()
    {
        const QPointer<QProgressBar> bar = exporter ? exporter->progressBar() : nullptr;
        QDeadlineTimer deadline(10000);
        do {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        } while (bar && !deadline.hasExpired());
    }

    QString storedExportDir() { return openPlayerSettings()->value(defaultExportDirKey).toString(); }
    QString out(const QString& name) const { return outDir.filePath(name); }

    // Row whose descriptor (after the index offset) starts track `number`.
    int rowOfTrack(int number) const
    {
        for (std::size_t i = 0; i < image.entries.size(); ++i) {
            if (image.entries[i].index == "01" && std::stoi(image.entries[i].track) == number)
                return static_cast<int>(i) - model->getIndexOffset();
        }
        return -1;
    }
    QByteArray trackHash(int number) const
    {
        const DdpFixture::Track& t = image.tracks.at(number - 1);
        return hashOf(fileBytes(QString::fromStdString(image.path("IMAGE.DAT")), t.start, t.lengthBytes()));
    }

    QTemporaryDir settingsDir;
    QTemporaryDir imageDir;
    QTemporaryDir outDir;
    QWidget window;
    std::unique_ptr<ScriptedWavExport> exporter;
    DdpFixture::Image image;
    std::shared_ptr<DDPModel> model;
};

DdpFixture::Options titledMaster()
{
    DdpFixture::Options o;
    o.trackCount = 5;
    o.tracksWithPause = 2;
    o.tracksWithIndex2 = 2;
    o.cdText = DdpFixture::CdTextKind::Latin1;
    return o;
}

// Two tracks, one just under and one at the length that earns a progress bar.
DdpFixture::Options longTracks()
{
    DdpFixture::Options o;
    o.trackCount = 2;
    o.trackFramesList = {299 * 75, 300 * 75};
    o.samples = DdpFixture::Samples::Silence;
    return o;
}

} // namespace

TEST_F(WavExportTest, SavesTheRowsTrackUnderTheChosenNameAndRemembersItsFolder)
{
    load(titledMaster());
    model->setIndexOffset(2);
    ASSERT_EQ(image.entries.at(2).index, "01");
    openPlayerSettings()->setValue(defaultExportDirKey, outDir.path());
    QSignalSpy ended(exporter.get(), &WavExport::exportEnded);

    exporter->answer = out("chosen/mine.wav");
    QDir(outDir.path()).mkdir("chosen");
    exporter->exportAsWav(0, imageDir.path());  // row 0 + index offset 2: descriptor 2

    const int track = std::stoi(image.entries.at(2).track);
    const QString title = QString::fromStdString(image.tracks.at(track - 1).texts.at(DdpFixture::Title));
    EXPECT_EQ(exporter->captions, QStringList{"Save Track as WAV"});
    EXPECT_EQ(exporter->proposals, QStringList{out(QString::number(track) + " - " + title + ".wav")});
    EXPECT_EQ(exporter->progressBar(), nullptr);  // short track, no bar
    ASSERT_TRUE(waitForEnd(ended));
    EXPECT_TRUE(exporter->errors.isEmpty());
    EXPECT_EQ(hashOf(fileBytes(out("chosen/mine.wav"), 44)), trackHash(track));
    EXPECT_EQ(storedExportDir(), out("chosen"));
    EXPECT_FALSE(exporter->exportThread()->isRunning());
}

TEST_F(WavExportTest, CancelledDialogsChangeNothing)
{
    load(titledMaster());
    openPlayerSettings()->setValue(defaultExportDirKey, "/kept/folder");
    exporter->answer.clear();
    exporter->exportAsWav(rowOfTrack(2), imageDir.path());
    exporter->exportAsWavAll(imageDir.path());
    EXPECT_EQ(exporter->captions, (QStringList{"Save Track as WAV", "Save DDP as separated WAV files"}));
    EXPECT_EQ(exporter->proposals.at(1), "/kept/folder");
    EXPECT_FALSE(exporter->isExporting());
    EXPECT_EQ(exporter->progressBar(), nullptr);
    EXPECT_EQ(storedExportDir(), "/kept/folder");
    EXPECT_TRUE(entriesOf(outDir.path()).isEmpty());
}

TEST_F(WavExportTest, OnlyTracksOfFiveMinutesAndMoreShowTheProgressBar)
{
    load(longTracks());
    QSignalSpy ended(exporter.get(), &WavExport::exportEnded);

    exporter->answer = out("short.wav");
    exporter->exportAsWav(rowOfTrack(1), imageDir.path());
    EXPECT_EQ(exporter->progressBar(), nullptr);
    ASSERT_TRUE(waitForEnd(ended, 1));

    exporter->answer = out("long.wav");
    exporter->exportAsWav(rowOfTrack(2), imageDir.path());
    QProgressBar* bar = exporter->progressBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->parentWidget(), &window);
    EXPECT_EQ(bar->maximum(), 20000);
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->palette().color(QPalette::Inactive, QPalette::Base), backgroundColor);
    EXPECT_EQ(bar->palette().color(QPalette::Active, QPalette::Text), QColor(Qt::white));
    EXPECT_EQ(bar->pos(), QPoint(400 - (bar->width() - 1) / 2, 300 - (bar->height() - 1) / 2));
    ASSERT_TRUE(waitForEnd(ended, 2));
    // The writing pass has reported before the thread ended; then the bar goes.
    EXPECT_GT(bar->value(), 10000);
    flushDeletions();
    EXPECT_EQ(exporter->progressBar(), nullptr);

    EXPECT_TRUE(exporter->errors.isEmpty());
    EXPECT_EQ(hashOf(fileBytes(out("short.wav"), 44)), trackHash(1));
    EXPECT_EQ(hashOf(fileBytes(out("long.wav"), 44)), trackHash(2));
}

TEST_F(WavExportTest, ExportAllCreatesTheFolderShowsTheBarAndRemembersTheFolderAbove)
{
    load(titledMaster());
    QSignalSpy ended(exporter.get(), &WavExport::exportEnded);
    exporter->answer = out("new/discs");
    exporter->exportAsWavAll(imageDir.path());
    EXPECT_TRUE(QFileInfo(out("new/discs")).isDir());
    EXPECT_NE(exporter->progressBar(), nullptr);
    ASSERT_TRUE(waitForEnd(ended));
    EXPECT_TRUE(exporter->errors.isEmpty());
    EXPECT_EQ(entriesOf(out("new/discs")).size(), 5);
    for (const DdpFixture::Track& t : image.tracks) {
        const QString name = QString::number(t.number) + " - " + QString::fromStdString(t.texts.at(DdpFixture::Title)) + ".wav";
        EXPECT_EQ(hashOf(fileBytes(QDir(out("new/discs")).filePath(name), 44)), trackHash(t.number)) << name.toStdString();
    }
    EXPECT_EQ(storedExportDir(), out("new"));
}

TEST_F(WavExportTest, OneThreadServesExportAfterExportAndABusyThreadDropsTheNewOne)
{
    load(longTracks());
    QSignalSpy ended(exporter.get(), &WavExport::exportEnded);
    QThread* const thread = exporter->exportThread();

    exporter->answer = out("first.wav");
    exporter->exportAsWav(rowOfTrack(2), imageDir.path());
    ASSERT_TRUE(exporter->isExporting());
    exporter->answer = out("dropped.wav");
    exporter->exportAsWav(rowOfTrack(1), imageDir.path());
    ASSERT_TRUE(waitForEnd(ended, 1));
    flushDeletions();

    exporter->answer = out("second.wav");
    exporter->exportAsWav(rowOfTrack(1), imageDir.path());
    ASSERT_TRUE(waitForEnd(ended, 2));
    exporter->answer = out("third");
    exporter->exportAsWavAll(imageDir.path());
    ASSERT_TRUE(waitForEnd(ended, 3));

    EXPECT_EQ(exporter->exportThread(), thread);
    EXPECT_EQ(ended.count(), 3);
    EXPECT_EQ(entriesOf(outDir.path()), (QStringList{"first.wav", "second.wav", "third"}));
    EXPECT_EQ(hashOf(fileBytes(out("second.wav"), 44)), trackHash(1));
    EXPECT_EQ(entriesOf(out("third")), (QStringList{"Track 1.wav", "Track 2.wav"}));
}

TEST_F(WavExportTest, AFailedExportIsToldByNameAndTheNextOneStillRuns)
{
    load(titledMaster());
    QSignalSpy ended(exporter.get(), &WavExport::exportEnded);

    exporter->answer = out("missing folder/track.wav");
    exporter->exportAsWav(rowOfTrack(1), imageDir.path());
    ASSERT_TRUE(waitForEnd(ended, 1));
    QCoreApplication::processEvents();
    ASSERT_EQ(exporter->errors.size(), 1);
    EXPECT_TRUE(exporter->errors[0].contains(out("missing folder/track.wav")));
    EXPECT_TRUE(entriesOf(outDir.path()).isEmpty());

    exporter->answer = out("track.wav");
    exporter->exportAsWav(rowOfTrack(1), imageDir.path());
    ASSERT_TRUE(waitForEnd(ended, 2));
    EXPECT_EQ(exporter->errors.size(), 1);
    EXPECT_EQ(hashOf(fileBytes(out("track.wav"), 44)), trackHash(1));
}

TEST_F(WavExportTest, AnImageFolderWithoutAudioIsToldAndTheFolderStillRemembered)
{
    load(titledMaster());
    ASSERT_TRUE(QFile::remove(imageDir.filePath("IMAGE.DAT")));
    exporter->answer = out("track.wav");
    exporter->exportAsWav(rowOfTrack(1), imageDir.path());
    EXPECT_FALSE(exporter->isExporting());
    ASSERT_EQ(exporter->errors.size(), 1);
    EXPECT_TRUE(exporter->errors[0].contains(imageDir.filePath("IMAGE.DAT")));
    EXPECT_EQ(storedExportDir(), outDir.path());
    EXPECT_TRUE(entriesOf(outDir.path()).isEmpty());
}

TEST_F(WavExportTest, DestroyingTheExporterDuringAnExportStopsItWithoutLeftovers)
{
    load(longTracks());
    exporter->answer = out("interrupted.wav");
    exporter->exportAsWav(rowOfTrack(2), imageDir.path());
    ASSERT_TRUE(exporter->isExporting());
    QThread* const thread = exporter->exportThread();
    ASSERT_TRUE(thread->isRunning() || !thread->isFinished());
    exporter.reset();  // must neither crash nor leave the writer running
    flushDeletions();
    QCoreApplication::processEvents();
    EXPECT_TRUE(entriesOf(outDir.path()).isEmpty());
}

TEST_F(WavExportTest, ACutImageGivesWholeFramesNoEmptyFileAndOneMessageOfWhatWasCut)
{
    // Five tracks of 3 s after a 2 s lead-in; the audio ends 1.5 s and 2
    // bytes into track 3 (00:06 to 00:09 on the table's clock), inside a
    // sample frame.
    DdpFixture::Options o;
    o.trackCount = 5;
    o.trackFrames = 3 * 75;
    load(o);
    const qint64 cut = image.tracks.at(2).start + 176400 * 3 / 2 + 2;
    ASSERT_TRUE(QFile::resize(imageDir.filePath("IMAGE.DAT"), cut));
    QDir().mkpath(out("one"));

    const QString head = "IMAGE.DAT ends at 00:07, so not every track could be exported whole.\n";
    struct Row {
        int track;  // 0: export all
        QString answer;
        QString folder;
        QStringList files;
        QString message;
    };
    const std::vector<Row> rows = {
        {0, out("all"), out("all"), {"Track 1.wav", "Track 2.wav", "Track 3.wav"},
         head + "Track 03 (00:06 to 00:09) is cut off at 00:07 in \"Track 3.wav\".\n"
                "Tracks 04 to 05 (00:09 to 00:15) lie past the end of IMAGE.DAT: no WAV file was written "
                "for them."},
        {3, out("one/three.wav"), out("one"), {"three.wav"},
         head + "Track 03 (00:06 to 00:09) is cut off at 00:07 in \"three.wav\"."},
        {5, out("one/five.wav"), out("one"), {"three.wav"},
         head + "Track 05 (00:12 to 00:15) lies past the end of IMAGE.DAT: no WAV file was written for it."},
    };
    QSignalSpy ended(exporter.get(), &WavExport::exportEnded);
    int runs = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.track);
        exporter->errors.clear();
        exporter->answer = row.answer;
        if (row.track == 0)
            exporter->exportAsWavAll(imageDir.path());
        else
            exporter->exportAsWav(rowOfTrack(row.track), imageDir.path());
        ASSERT_TRUE(waitForEnd(ended, ++runs));
        EXPECT_EQ(exporter->errors, QStringList{row.message});
        EXPECT_EQ(entriesOf(row.folder), row.files);
        for (const QString& name : row.files) {
            const QByteArray wav = fileBytes(QDir(row.folder).filePath(name));
            const qint64 data = wav.size() - 44;
            EXPECT_GT(data, 0) << name.toStdString();
            EXPECT_EQ(data % 4, 0) << name.toStdString();
            EXPECT_EQ(qFromLittleEndian<quint32>(wav.constData() + 40), quint32(data));
            EXPECT_EQ(qFromLittleEndian<quint32>(wav.constData() + 4), quint32(data + 36));
        }
    }
    // The cut track holds the image's bytes up to its last whole frame.
    const QByteArray kept = fileBytes(imageDir.filePath("IMAGE.DAT"), image.tracks.at(2).start,
                                      cut - 2 - image.tracks.at(2).start);
    EXPECT_EQ(fileBytes(out("one/three.wav"), 44), kept);
    EXPECT_EQ(fileBytes(out("all/Track 3.wav"), 44), kept);

    // Two bytes into track 4: less than a frame of it, so no file, told as
    // for a track wholly past the end (as the report on load tells it).
    ASSERT_TRUE(QFile::resize(imageDir.filePath("IMAGE.DAT"), image.tracks.at(3).start + 2));
    exporter->errors.clear();
    exporter->answer = out("one/four.wav");
    exporter->exportAsWav(rowOfTrack(4), imageDir.path());
    ASSERT_TRUE(waitForEnd(ended, ++runs));
    EXPECT_EQ(exporter->errors,
              QStringList{"IMAGE.DAT ends at 00:09, so not every track could be exported whole.\n"
                          "Track 04 (00:09 to 00:12) lies past the end of IMAGE.DAT: no WAV file was written for it."});
    EXPECT_EQ(entriesOf(out("one")), QStringList{"three.wav"});
}
