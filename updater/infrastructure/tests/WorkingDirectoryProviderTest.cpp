#include "updater/infrastructure/FileSystem.h"
#include "updater/infrastructure/PathComponent.h"
#include "updater/infrastructure/VersionRule.h"
#include "updater/infrastructure/WorkingDirectoryProvider.h"
#include "updater/testsupport/RecordingLogAppender.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

mode_t modeOf(const QString& path)
{
    struct stat info {};
    ::lstat(QFile::encodeName(QDir::cleanPath(path)).constData(), &info);
    return info.st_mode & 0777;
}

void touch(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write("x");
}

} // namespace

TEST(WorkingDirectory, BracedUuidFolderInTheTemporaryFolderPrivateToTheUser)
{
    WorkingDirectoryProvider provider;
    const QString path = provider.getWorkingDirectory();
    EXPECT_TRUE(path.endsWith(QDir::separator()));
    EXPECT_TRUE(QDir::isAbsolutePath(path));
    EXPECT_EQ(QFileInfo(QDir::cleanPath(path)).absolutePath(), QDir::tempPath());
    const QRegularExpression braced(QStringLiteral("^\\{[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}\\}$"));
    EXPECT_TRUE(braced.match(QFileInfo(QDir::cleanPath(path)).fileName()).hasMatch()) << path.toStdString();
    EXPECT_TRUE(QFileInfo(path).isDir());
    EXPECT_EQ(modeOf(path), 0700u);
    EXPECT_EQ(provider.getWorkingDirectory(), path);
}

TEST(WorkingDirectory, TwoProvidersGetTwoFolders)
{
    WorkingDirectoryProvider first;
    WorkingDirectoryProvider second;
    EXPECT_NE(first.getWorkingDirectory(), second.getWorkingDirectory());
}

TEST(WorkingDirectory, FirstCallsFromSeveralThreadsAgreeOnOneFolder)
{
    WorkingDirectoryProvider provider;
    std::vector<QString> seen(8);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&provider, &seen, i] { seen[i] = provider.getWorkingDirectory(); });
    for (auto& thread : threads)
        thread.join();
    for (const QString& path : seen)
        EXPECT_EQ(path, seen.front());
    EXPECT_EQ(QDir(QDir::tempPath()).entryList({QStringLiteral("{*}")}, QDir::Dirs).count(
                  QFileInfo(QDir::cleanPath(seen.front())).fileName()),
              1);
}

TEST(WorkingDirectory, RemovedFolderIsMadeAgainUnderTheSameName)
{
    WorkingDirectoryProvider provider;
    const QString path = provider.getWorkingDirectory();
    touch(path + QStringLiteral("result.xml"));
    ASSERT_TRUE(QDir(path).removeRecursively());
    EXPECT_EQ(provider.getWorkingDirectory(), path);
    EXPECT_TRUE(QFileInfo(path).isDir());
    EXPECT_EQ(modeOf(path), 0700u);
}

TEST(WorkingDirectory, FolderOpenToOthersUnderTheSameNameIsNotUsed)
{
    RecordingLogAppender log(ERROR);
    WorkingDirectoryProvider provider;
    const QString path = provider.getWorkingDirectory();
    ASSERT_TRUE(QDir(path).removeRecursively());
    // Someone else's folder, or one writable by others, appears in its place.
    ASSERT_EQ(::mkdir(QFile::encodeName(QDir::cleanPath(path)).constData(), 0700), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(QDir::cleanPath(path)).constData(), 0777), 0);
    const QString replacement = provider.getWorkingDirectory();
    EXPECT_NE(replacement, path);
    EXPECT_EQ(modeOf(replacement), 0700u);
    EXPECT_TRUE(log.contains(QStringLiteral("working directory is not private to the user")));
    EXPECT_EQ(provider.getWorkingDirectory(), replacement);
    QDir(path).removeRecursively();
}

TEST(WorkingDirectory, SymbolicLinkUnderTheSameNameIsNotUsed)
{
    QTemporaryDir elsewhere;
    WorkingDirectoryProvider provider;
    const QString path = provider.getWorkingDirectory();
    ASSERT_TRUE(QDir(path).removeRecursively());
    ASSERT_TRUE(QFile::link(elsewhere.path(), QDir::cleanPath(path)));
    const QString replacement = provider.getWorkingDirectory();
    EXPECT_NE(replacement, path);
    QFile::remove(QDir::cleanPath(path));
}

TEST(LocalStore, StoreFolderInTheUsersDataFolder)
{
    WorkingDirectoryProvider provider;
    const QString store = provider.getLocalStoreDirectory();
    EXPECT_EQ(store, QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                         + QStringLiteral("/Pathwarden/"));
    EXPECT_TRUE(QFileInfo(store).isDir());
}

TEST(LocalStore, VersionFolderIsAlwaysFreshAndEmpty)
{
    WorkingDirectoryProvider provider;
    const QString folder = provider.getLocalStoreDirectoryForVersion(QStringLiteral("2.0.1"));
    EXPECT_EQ(folder, provider.getLocalStoreDirectory() + QStringLiteral("2.0.1/"));
    touch(folder + QStringLiteral("Pathwarden.zip"));
    EXPECT_EQ(provider.getLocalStoreDirectoryForVersion(QStringLiteral("2.0.1")), folder);
    EXPECT_TRUE(QDir(folder).isEmpty());
}

TEST(LocalStore, VersionThatIsNotASingleFolderNameTouchesNothing)
{
    WorkingDirectoryProvider provider;
    const QString store = provider.getLocalStoreDirectory();
    // A sibling of the store and a file in the store must survive.
    const QString sibling = QDir::cleanPath(store + QStringLiteral("../x"));
    QDir().mkpath(sibling);
    touch(sibling + QStringLiteral("/keep"));
    touch(store + QStringLiteral("keep"));
    QDir().mkpath(store + QStringLiteral("logs"));
    touch(store + QStringLiteral("logs/keep"));
    for (const QString& version :
         {QStringLiteral("../x"), QStringLiteral(".."), QStringLiteral("."), QString(), QStringLiteral("../../x"),
          QStringLiteral("a/b"), QStringLiteral("/tmp"), QStringLiteral("logs"), QStringLiteral("-rf"),
          QStringLiteral("..."), QStringLiteral("1..2"), QStringLiteral("2.0."), QStringLiteral("1.0-beta"),
          QStringLiteral(" 1.0"), QString(kMaxVersionLength + 1, QLatin1Char('1'))}) {
        EXPECT_EQ(provider.getLocalStoreDirectoryForVersion(version), QString()) << version.toStdString();
    }
    EXPECT_TRUE(QFile::exists(sibling + QStringLiteral("/keep")));
    EXPECT_TRUE(QFile::exists(store + QStringLiteral("keep")));
    EXPECT_TRUE(QFile::exists(store + QStringLiteral("logs/keep")));
}

TEST(PathComponents, OnlySingleOrdinaryNamesAreSafe)
{
    EXPECT_TRUE(isSafePathComponent(QStringLiteral("1.16.0.436")));
    EXPECT_TRUE(isSafePathComponent(QStringLiteral("{6f1c0000-0000-0000-0000-000000000000}")));
    for (const QString& bad : {QString(), QStringLiteral("."), QStringLiteral(".."), QStringLiteral("a/b"),
                               QStringLiteral("a\\b"), QStringLiteral(" 1.0"), QString(QChar(0))})
        EXPECT_FALSE(isSafePathComponent(bad)) << bad.toStdString();
}

TEST(FileSystemHelper, MakesFindsAndRemovesItsFolder)
{
    QTemporaryDir dir;
    RecordingLogAppender log(DEBUG);
    FileSystem fs(QDir(dir.filePath(QStringLiteral("updated-windows-product-installer"))));
    EXPECT_TRUE(fs.mkdirIfNotExist());
    EXPECT_FALSE(fs.mkdirIfNotExist());
    EXPECT_TRUE(log.contains(QStringLiteral(" result :: 0")));
    EXPECT_FALSE(fs.hasFile(QStringLiteral("setup.exe")));
    touch(fs.getDirectory().filePath(QStringLiteral("setup.exe")));
    EXPECT_TRUE(fs.hasFile(QStringLiteral("setup.exe")));
    EXPECT_TRUE(log.contains(QStringLiteral("hasFile setup.exe result: 1")));
    EXPECT_TRUE(fs.removeRecursively());
    EXPECT_FALSE(fs.getDirectory().exists());
}
