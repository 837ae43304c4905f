#include "updater/infrastructure/DownloadManager.h"
#include "updater/infrastructure/WorkingDirectoryProvider.h"
#include "updater/services/ArtifactDownloader.h"
#include "updater/services/DownloadChoice.h"
#include "updater/services/DownloadChoiceArtifact.h"
#include "updater/services/DownloadChoicesService.h"
#include "updater/testsupport/DownloadTestSupport.h"
#include "updater/testsupport/TestFileServer.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

struct Progress {
    quint64 total;
    quint64 done;
    int index;
    int count;
};

// Connected by signature text, as the download-choice page connects.
class ServiceRecorder : public QObject {
    Q_OBJECT
public:
    explicit ServiceRecorder(DownloadChoicesService& service)
    {
        connect(&service, SIGNAL(downloadProgressSetup(int)), this, SLOT(setup(int)));
        connect(&service, SIGNAL(downloadStarted(QString)), this, SLOT(started(QString)));
        connect(&service, SIGNAL(downloadError(QString)), this, SLOT(failed(QString)));
        connect(&service, SIGNAL(downloadsFinished()), this, SLOT(finished()));
        connect(&service, SIGNAL(downloadProgress(quint64, quint64, int, int)), this,
                SLOT(progressed(quint64, quint64, int, int)));
    }

    bool waitForEnd()
    {
        processEventsUntil([this] { return ended(); });
        processEventsFor(300); // anything reported after the end shows here
        return ended();
    }

    QStringList events;
    QList<Progress> progress;

public slots:
    void setup(int total) { events << QStringLiteral("setup:%1").arg(total); }
    void started(const QString& name) { events << QStringLiteral("started:") + name; }
    void failed(const QString& name) { events << QStringLiteral("error:") + name; }
    void finished() { events << QStringLiteral("finished"); }
    void progressed(quint64 total, quint64 done, int index, int count) { progress.append({total, done, index, count}); }

private:
    bool ended() const
    {
        return !events.isEmpty() && (events.last() == QLatin1String("finished") || events.last().startsWith("error:"));
    }
};

class DownloadChoicesServiceTest : public ::testing::Test {
protected:
    DownloadChoiceArtifact* artifact(const QByteArray& path, const QByteArray& bytes)
    {
        server.setFile(path, bytes);
        return new DownloadChoiceArtifact(server.url(path), quint64(bytes.size()), sha256Hex(bytes));
    }

    std::unique_ptr<DownloadChoice> choice(const QString& name, QList<DownloadChoiceArtifact*> artifacts)
    {
        quint64 total = 0;
        for (const DownloadChoiceArtifact* a : artifacts)
            total += a->filesize;
        return std::make_unique<DownloadChoice>(name, QString(), artifacts, total);
    }

    TestFileServer server;
    WorkingDirectoryProvider provider;
    DownloadChoicesService service{&provider};
    ServiceRecorder recorder{service};
};

} // namespace

TEST_F(DownloadChoicesServiceTest, ChoicesRunInOrderEachArtifactIntoItsOwnFolder)
{
    const QByteArray a1 = sampleContent(200 * 1024, 1);
    const QByteArray a2 = sampleContent(100 * 1024 + 7, 2);
    const QByteArray b1 = sampleContent(300 * 1024, 3);
    auto first = choice(QStringLiteral("First"), {artifact("/a1.bin", a1), artifact("/a2.bin", a2)});
    auto second = choice(QStringLiteral("Second"), {artifact("/b1.bin", b1)});
    const quint64 total = first->totalFilesize + second->totalFilesize;

    service.startDownloads({first.get(), second.get()});
    ASSERT_TRUE(recorder.waitForEnd());
    EXPECT_EQ(recorder.events, (QStringList{QStringLiteral("setup:%1").arg(total), QStringLiteral("started:First"),
                                            QStringLiteral("started:Second"), QStringLiteral("finished")}));
    EXPECT_EQ(service.finishedDownloadChoices(), (QList<DownloadChoice*>{first.get(), second.get()}));

    ASSERT_FALSE(recorder.progress.isEmpty());
    quint64 lastDone = 0;
    for (const Progress& p : recorder.progress) {
        EXPECT_EQ(p.total, total);
        EXPECT_EQ(p.count, 2);
        EXPECT_GE(p.done, lastDone);
        EXPECT_LE(p.done, p.index == 1 ? first->totalFilesize : total);
        EXPECT_TRUE(p.index == 1 || p.index == 2);
        lastDone = p.done;
    }

    const QRegularExpression braced(QStringLiteral("^\\{[0-9a-f-]{36}\\}$"));
    QStringList folders;
    const QList<QPair<DownloadChoiceArtifact*, QByteArray>> expected = {
        {first->artifacts[0], a1}, {first->artifacts[1], a2}, {second->artifacts[0], b1}};
    for (const auto& entry : expected) {
        EXPECT_EQ(fileContents(entry.first->localFilePath()), entry.second);
        const QFileInfo folder(entry.first->outputDir);
        EXPECT_EQ(QDir::cleanPath(folder.absolutePath()), QDir::cleanPath(provider.getWorkingDirectory()));
        EXPECT_TRUE(braced.match(folder.fileName()).hasMatch()) << entry.first->outputDir.toStdString();
        folders << entry.first->outputDir;
    }
    folders.removeDuplicates();
    EXPECT_EQ(folders.size(), 3);
}

TEST_F(DownloadChoicesServiceTest, ChoicesThatEndAtOnceEndOnlyAfterTheirStart)
{
    // No artifacts: its downloader ends inside the start. An address without
    // a file name: its job fails inside the start.
    auto empty = choice(QStringLiteral("Empty"), {});
    auto good = choice(QStringLiteral("Good"), {artifact("/good.bin", sampleContent(50 * 1024, 4))});
    auto broken = choice(QStringLiteral("Broken"),
                         {new DownloadChoiceArtifact(server.url("/folder/"), 10, sha256Hex("0123456789"))});
    auto never = choice(QStringLiteral("Never"), {artifact("/never.bin", sampleContent(10, 5))});

    service.startDownloads({empty.get(), good.get(), broken.get(), never.get()});
    ASSERT_TRUE(recorder.waitForEnd());
    EXPECT_EQ(recorder.events.mid(1), (QStringList{QStringLiteral("started:Empty"), QStringLiteral("started:Good"),
                                                   QStringLiteral("started:Broken"), QStringLiteral("error:Broken")}));
    EXPECT_EQ(service.finishedDownloadChoices(), (QList<DownloadChoice*>{empty.get(), good.get()}));
    EXPECT_TRUE(server.requestsFor("/never.bin").isEmpty());
    for (const Progress& p : recorder.progress)
        EXPECT_EQ(p.index, 2); // only the good choice transfers anything
}

TEST(ArtifactDownloader, ListWithoutSizesReportsNoPercentageAndStillFinishes)
{
    TestFileServer server;
    const QByteArray bytes = sampleContent(64 * 1024, 6);
    server.setFile("/zero.bin", bytes);
    DownloadChoiceArtifact artifact(server.url("/zero.bin"), 0, sha256Hex(bytes));
    QTemporaryDir folder;
    ArtifactDownloader downloader(new DownloadManager(), {&artifact}, QDir(folder.path()), 0);
    int finished = 0;
    int errors = 0;
    QList<int> percentages;
    QObject::connect(&downloader, &ArtifactDownloader::downloadsFinished, [&] { ++finished; });
    QObject::connect(&downloader, &ArtifactDownloader::downloadError, [&] { ++errors; });
    QObject::connect(&downloader, &ArtifactDownloader::downloadProgress, [&](int p) { percentages << p; });

    downloader.downloadNextArtifact();
    processEventsUntil([&] { return finished + errors > 0; });
    processEventsFor(300);
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(errors, 0);
    EXPECT_TRUE(percentages.isEmpty());
    EXPECT_EQ(QDir::cleanPath(artifact.outputDir), QDir::cleanPath(folder.path()));
    EXPECT_EQ(fileContents(artifact.localFilePath()), bytes);
}

#include "DownloadChoicesServiceTest.moc"
