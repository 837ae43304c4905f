#include "updater/infrastructure/FileSystem.h"
#include "updater/infrastructure/PathComponent.h"
#include "updater/infrastructure/PrivateFiles.h"
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

TEST(WorkingDirectory, OnePathPerRunEvenWhenTheFolderCannotBeMade)
{
    // No one, not even root, makes folders in /proc.
    const QByteArray previous = qgetenv("TMPDIR");
    qputenv("TMPDIR", "/proc");
    RecordingLogAppender log(ERROR);
    WorkingDirectoryProvider provider;
    const QString first = provider.getWorkingDirectory();
    const QString second = provider.getWorkingDirectory();
    qputenv("TMPDIR", previous);
    EXPECT_TRUE(first.startsWith(QStringLiteral("/proc/{"))) << first.toStdString();
    EXPECT_EQ(second, first);
    EXPECT_FALSE(QFileInfo::exists(first));
    EXPECT_EQ(log.lines().filter(QStringLiteral("working directory could not be created")).size(), 1);
}

TEST(WorkingDirectory, AMissingTemporaryFolderNeverPutsTheFolderIntoTheRoot)
{
    QTemporaryDir dir;
    const QByteArray previous = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(dir.filePath(QStringLiteral("missing"))));
    WorkingDirectoryProvider provider;
    const QString path = provider.getWorkingDirectory();
    qputenv("TMPDIR", previous);
    EXPECT_TRUE(path.startsWith(QStringLiteral("/tmp/{"))) << path.toStdString();
    EXPECT_EQ(modeOf(path), 0700u);
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

// The XDG base directory rules: a relative value is ignored, not taken
// relative to the working folder.
TEST(LocalStore, RelativeXdgFoldersAreIgnored)
{
    const QByteArray data = qgetenv("XDG_DATA_HOME");
    const QByteArray config = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_DATA_HOME", "relative-data");
    qputenv("XDG_CONFIG_HOME", "relative-config");
    WorkingDirectoryProvider provider;
    const QString store = provider.getLocalStoreDirectory();
    const QString settings = userSettingsFilePath(QStringLiteral("pathwarden-settings"));
    qputenv("XDG_DATA_HOME", data);
    qputenv("XDG_CONFIG_HOME", config);
    EXPECT_EQ(store, QDir::homePath() + QStringLiteral("/.local/share/Pathwarden/"));
    EXPECT_EQ(settings, QDir::homePath() + QStringLiteral("/.config/Pathwarden/pathwarden-settings.ini"));
    QDir(store).removeRecursively();
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

TEST(LocalStore, OnlyDottedNumbersNameAVersionFolderAndOthersTouchNothing)
{
    WorkingDirectoryProvider provider;
    const QString store = provider.getLocalStoreDirectory();
    // The running log folder, a sibling of the store and a file in it survive.
    QDir().mkpath(store + QStringLiteral("logs"));
    touch(store + QStringLiteral("logs/run-debug.log"));
    const QString sibling = QDir::cleanPath(store + QStringLiteral("../x"));
    QDir().mkpath(sibling);
    touch(sibling + QStringLiteral("/keep"));
    touch(store + QStringLiteral("keep"));
    for (const QString& version :
         {QStringLiteral("logs"), QStringLiteral("-rf"), QStringLiteral("..."), QStringLiteral("../x"),
          QStringLiteral(".."), QStringLiteral("."), QString(), QStringLiteral("a/b"), QStringLiteral("/tmp"),
          QStringLiteral("1.0/.."), QStringLiteral("1..2"), QStringLiteral(".1"), QStringLiteral("1."),
          QStringLiteral(" 1.0"), QStringLiteral("1.0\n"), QStringLiteral("2.0-beta"), QStringLiteral("1e3"),
          QStringLiteral("\u0661.\u0662"), QStringLiteral("1234567890.0"), QStringLiteral("1.2.3.4.5.6.7.8.9")}) {
        EXPECT_EQ(provider.getLocalStoreDirectoryForVersion(version), QString()) << version.toStdString();
    }
    EXPECT_TRUE(QFile::exists(store + QStringLiteral("logs/run-debug.log")));
    EXPECT_TRUE(QFile::exists(sibling + QStringLiteral("/keep")));
    EXPECT_TRUE(QFile::exists(store + QStringLiteral("keep")));
    for (const QString& version : {QStringLiteral("2"), QStringLiteral("1.16.0.436"), QStringLiteral("0.0.0.0.0.0.0.1")})
        EXPECT_EQ(provider.getLocalStoreDirectoryForVersion(version), store + version + QStringLiteral("/"));

    // Refused before the disk is touched: not even the store is made.
    ASSERT_TRUE(QDir(store).removeRecursively());
    EXPECT_EQ(provider.getLocalStoreDirectoryForVersion(QStringLiteral("logs")), QString());
    EXPECT_FALSE(QFileInfo::exists(store));
}

TEST(LocalStore, StoreAndVersionFoldersArePrivateWhateverTheUmask)
{
    WorkingDirectoryProvider provider;
    const QString store = provider.getLocalStoreDirectory();
    ASSERT_TRUE(QDir(store).removeRecursively());
    const mode_t previous = ::umask(0);
    const QString version = provider.getLocalStoreDirectoryForVersion(QStringLiteral("2.0.1"));
    ::umask(previous);
    EXPECT_EQ(modeOf(store), 0700u);
    EXPECT_EQ(modeOf(version), 0700u);

    // A store left open by an older run loses the write bits of others,
    // and only those.
    ASSERT_EQ(::chmod(QFile::encodeName(QDir::cleanPath(store)).constData(), 0757), 0);
    provider.getLocalStoreDirectory();
    EXPECT_EQ(modeOf(store), 0755u);
}

TEST(LocalStore, AVersionFolderThatIsALinkLosesOnlyTheLink)
{
    QTemporaryDir elsewhere;
    touch(elsewhere.filePath(QStringLiteral("precious")));
    WorkingDirectoryProvider provider;
    const QString link = provider.getLocalStoreDirectory() + QStringLiteral("3.0");
    QFile::remove(link);
    ASSERT_TRUE(QFile::link(elsewhere.path(), link));
    EXPECT_EQ(provider.getLocalStoreDirectoryForVersion(QStringLiteral("3.0")), link + QStringLiteral("/"));
    EXPECT_TRUE(QFile::exists(elsewhere.filePath(QStringLiteral("precious"))));
    EXPECT_FALSE(QFileInfo(link).isSymLink());
    EXPECT_EQ(modeOf(link), 0700u);
}

TEST(PathComponents, OnlySingleOrdinaryNamesAreSafe)
{
    for (const QString& good : {QStringLiteral("1.16.0.436"), QStringLiteral("{6f1c0000-0000-0000-0000-000000000000}"),
                                QStringLiteral("Sound Library: Disc 2.zip"), QStringLiteral(" leading blank.zip"),
                                QStringLiteral("trailing blank.zip ")})
        EXPECT_TRUE(isSafePathComponent(good)) << good.toStdString();
    for (const QString& bad : {QString(), QStringLiteral("."), QStringLiteral(".."), QStringLiteral("a/b"),
                               QStringLiteral("a\\b"), QString(QChar(0)), QStringLiteral("a\nb"), QStringLiteral("a\x7f"),
                               QString(QChar(0x9b)) + QStringLiteral("2J")})
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
