#include "updater/infrastructure/DetachedQProcessStarter.h"
#include "updater/infrastructure/SelfUpdateExtractor_OSX.h"
#include "updater/infrastructure/ZipExtractor_OSX.h"
#include "updater/testsupport/RecordingLogAppender.h"
#include "updater/testsupport/StandInProgram.h"
#include "updater/testsupport/ZipArchive.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

} // namespace

TEST(DetachedStart, CommandLineKeepsAQuotedPathWithBlanksAsOneArgument)
{
    QTemporaryDir dir;
    const QString record = dir.filePath(QStringLiteral("record"));
    const QString program = writeRecordingStandInProgram(dir.filePath(QStringLiteral("bin dir")), QStringLiteral("open"), record);
    DetachedQProcessStarter starter;
    RecordingLogAppender log;
    ASSERT_TRUE(starter.start(QStringLiteral("\"%1\" \"/Volumes/My Medium/Product Installer.pkg\"").arg(program), {}));
    bool recorded = false;
    EXPECT_EQ(waitForRecordedArguments(record, &recorded), QStringList{QStringLiteral("/Volumes/My Medium/Product Installer.pkg")});
    EXPECT_TRUE(recorded);
    EXPECT_TRUE(log.contains(QStringLiteral("Update launch successful.")));
    EXPECT_TRUE(log.contains(QStringLiteral("Exiting now.")));
}

TEST(DetachedStart, WithArgumentsTheProgramIsAPathThatIsNotSplit)
{
    QTemporaryDir dir;
    const QString record = dir.filePath(QStringLiteral("record"));
    const QString program = writeRecordingStandInProgram(dir.filePath(QStringLiteral("a b")), QStringLiteral("Path warden"), record);
    DetachedQProcessStarter starter;
    ASSERT_TRUE(starter.start(program, {QStringLiteral("-force-online-mode"), QStringLiteral("x y")}));
    bool recorded = false;
    EXPECT_EQ(waitForRecordedArguments(record, &recorded),
              (QStringList{QStringLiteral("-force-online-mode"), QStringLiteral("x y")}));
}

TEST(DetachedStart, FailedStartIsReportedAndStillAnnouncesTheExit)
{
    DetachedQProcessStarter starter;
    RecordingLogAppender log;
    EXPECT_FALSE(starter.start(QStringLiteral("/nonexistent/open \"/x.pkg\""), {}));
    EXPECT_FALSE(starter.start(QString(), {}));
    EXPECT_FALSE(starter.start(QStringLiteral("/nonexistent/Pathwarden"), {QStringLiteral("-force-online-mode")}));
    EXPECT_TRUE(log.contains(QStringLiteral("Update launch failed.")));
    EXPECT_EQ(log.lines().filter(QStringLiteral("Exiting now.")).size(), 3);
}

TEST(ZipExtraction, UnpacksNextToTheArchiveAndOverwritesAnEarlierUnpackingWithoutAsking)
{
    QTemporaryDir dir;
    const QString archive = dir.filePath(QStringLiteral("update.zip"));
    ASSERT_TRUE(writeZipArchive(archive, {{QStringLiteral("inner/a.txt"), "first"}}));
    ZipExtractor_OSX extractor;
    QString folder = QStringLiteral("/somewhere/else");
    ASSERT_TRUE(extractor.extract(QFileInfo(archive), folder));
    EXPECT_EQ(folder, QFileInfo(dir.path()).canonicalFilePath());
    EXPECT_EQ(contentOf(dir.filePath(QStringLiteral("inner/a.txt"))), "first");

    // The files exist now: unzip would ask whether to replace them and wait
    // for an answer until the time limit.
    ASSERT_TRUE(writeZipArchive(archive, {{QStringLiteral("inner/a.txt"), "second"}}));
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(extractor.extract(QFileInfo(archive), folder));
    EXPECT_LT(clock.elapsed(), ZipExtractor_OSX::kTimeLimitMs / 2);
    EXPECT_EQ(contentOf(dir.filePath(QStringLiteral("inner/a.txt"))), "second");
}

TEST(ZipExtraction, ArchiveBehindALinkUnpacksNextToItsTarget)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("real"));
    QDir(dir.path()).mkdir(QStringLiteral("links"));
    const QString archive = dir.filePath(QStringLiteral("real/update.zip"));
    ASSERT_TRUE(writeZipArchive(archive, {{QStringLiteral("a.txt"), "x"}}));
    const QString link = dir.filePath(QStringLiteral("links/update.zip"));
    ASSERT_TRUE(QFile::link(archive, link));
    ZipExtractor_OSX extractor;
    QString folder;
    ASSERT_TRUE(extractor.extract(QFileInfo(link), folder));
    EXPECT_EQ(folder, QFileInfo(dir.filePath(QStringLiteral("real"))).canonicalFilePath());
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("real/a.txt"))));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("links/a.txt"))));
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

TEST(ZipExtraction, DamagedArchiveStillCountsAsFinished)
{
    QTemporaryDir dir;
    const QString archive = dir.filePath(QStringLiteral("broken.zip"));
    QFile file(archive);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("PK\x03\x04 this is not a zip archive");
    file.close();
    ZipExtractor_OSX extractor;
    QString folder;
    EXPECT_TRUE(extractor.extract(QFileInfo(archive), folder));
}

TEST(SelfUpdateExtraction, FindsTheUpdaterInTheUnpackedArchiveOrReportsItMissing)
{
    QTemporaryDir dir;
    ZipExtractor_OSX zip;
    SelfUpdateExtractor_OSX extractor(&zip);
    RecordingLogAppender log;

    const QString good = dir.filePath(QStringLiteral("good/update.zip"));
    QDir().mkpath(QFileInfo(good).path());
    ASSERT_TRUE(writeZipArchive(good, {{QStringLiteral("Pathwarden Mac/Pathwarden.app/Contents/MacOS/Pathwarden"),
                                        "#!/bin/sh\n", 0755}}));
    QString executable;
    ASSERT_TRUE(extractor.extract(QFileInfo(good), executable));
    EXPECT_EQ(executable, QFileInfo(dir.filePath(QStringLiteral("good"))).canonicalFilePath()
                              + QStringLiteral("/Pathwarden Mac/Pathwarden.app/Contents/MacOS/Pathwarden"));
    EXPECT_TRUE(QFileInfo(executable).isExecutable());

    const QString other = dir.filePath(QStringLiteral("other/update.zip"));
    QDir().mkpath(QFileInfo(other).path());
    ASSERT_TRUE(writeZipArchive(other, {{QStringLiteral("Pathwarden.app/Contents/MacOS/Pathwarden"), "x"}}));
    EXPECT_FALSE(extractor.extract(QFileInfo(other), executable));
    EXPECT_TRUE(executable.isEmpty());
    EXPECT_TRUE(log.contains(QStringLiteral("Failed to find extracted binary file. ('Pathwarden.app')")));

    executable = QStringLiteral("kept");
    EXPECT_FALSE(extractor.extract(QFileInfo(dir.filePath(QStringLiteral("missing.zip"))), executable));
    EXPECT_EQ(executable, QStringLiteral("kept"));
    EXPECT_TRUE(log.contains(QStringLiteral("Zip file does not exist!")));

    EXPECT_TRUE(extractor.removeArchive(QFileInfo(good)));
    EXPECT_FALSE(QFileInfo::exists(good));
    EXPECT_FALSE(extractor.removeArchive(QFileInfo(good)));
}
