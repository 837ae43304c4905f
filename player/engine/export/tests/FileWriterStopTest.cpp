// The one piece of the writers that another thread touches directly is the
// stop flag; this runs a writer on a plain thread (no Qt event machinery, so
// ThreadSanitizer sees every synchronisation) and stops it from outside.

#include "player/engine/export/FileWriterOneTrack.h"

#include "player/engine/export/tests/ExportTestHelpers.h"
#include "player/testsupport/DdpFixture.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

TEST(FileWriterStop, AStopFromAnotherThreadEndsTheRunBetweenBlocksWithoutLeftovers)
{
    QTemporaryDir imageDir;
    QTemporaryDir outDir;
    DdpFixture::Options o;
    o.trackCount = 1;
    o.trackFrames = 75 * 300;  // about 53 MB: seven blocks
    o.samples = DdpFixture::Samples::Silence;
    const DdpFixture::Image image = DdpFixture::write(imageDir.path().toStdString(), o);

    FileWriterOneTrack writer(outDir.filePath("stopped.wav"), QString::fromStdString(image.path("IMAGE.DAT")),
                              image.tracks.at(0).start, image.tracks.at(0).end);
    const FileWriter::StopFlag stop = writer.stopFlag();

    std::promise<void> firstBlockRead;
    std::promise<void> stopRequested;
    std::shared_future<void> stopSeen = stopRequested.get_future().share();
    std::atomic<int> reports{0};
    std::atomic<int> failures{0};
    std::atomic<int> finished{0};
    // Direct connections: the handlers run on the writer's thread.
    QObject::connect(&writer, &FileWriter::processed, [&](int) {
        if (reports.fetch_add(1) == 0) {
            firstBlockRead.set_value();
            stopSeen.wait();
        }
    });
    QObject::connect(&writer, &FileWriter::failed, [&](const QString&) { ++failures; });
    QObject::connect(&writer, &FileWriter::finished, [&] { ++finished; });

    std::thread exportThread([&] { writer.start(); });
    firstBlockRead.get_future().wait();
    stop->store(true);
    stopRequested.set_value();
    exportThread.join();

    EXPECT_EQ(reports.load(), 1);
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(finished.load(), 1);
    EXPECT_TRUE(ExportTest::allEntries(outDir.path()).isEmpty());
}
