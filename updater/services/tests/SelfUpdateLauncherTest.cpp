#include "updater/infrastructure/DetachedQProcessStarter.h"
#include "updater/infrastructure/PrivateFiles.h"
#include "updater/infrastructure/SelfUpdateExtractor_OSX.h"
#include "updater/infrastructure/WorkingDirectoryProvider.h"
#include "updater/infrastructure/ZipExtractor_OSX.h"
#include "updater/infrastructure/platform/ExecutablePath.h"
#include "updater/services/LocalStorage.h"
#include "updater/services/SelfUpdateLauncher.h"
#include "updater/testsupport/DownloadTestSupport.h"
#include "updater/testsupport/RecordingLogAppender.h"
#include "updater/testsupport/StandInProgram.h"
#include "updater/testsupport/TestEnvironment.h"
#include "updater/testsupport/UpdaterArchive.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <functional>
#include <fcntl.h>
#include <pwd.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Every entry below folder with its size, to tell whether anything changed.
QStringList snapshot(const QString& folder)
{
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        entries << it.filePath() + QLatin1Char(' ') + QString::number(it.fileInfo().size());
    }
    entries.sort();
    return entries;
}

class SelfUpdateStore : public ::testing::Test {
protected:
    void SetUp() override { savedVersion_ = QCoreApplication::applicationVersion(); }
    void TearDown() override { QCoreApplication::setApplicationVersion(savedVersion_); }

    QString archiveWithStandIn(const QString& name)
    {
        const QString path = dir_.filePath(name);
        EXPECT_TRUE(writeUpdaterArchive(path, recordingStandInExecutable(record())));
        return path;
    }
    QString record() const { return dir_.filePath(QStringLiteral("arguments")); }
    QString medium() const { return dir_.filePath(QStringLiteral("My Medium")); }

    QTemporaryDir dir_;
    QString savedVersion_;
    WorkingDirectoryProvider provider_;
    ZipExtractor_OSX zip_;
    SelfUpdateExtractor_OSX extractor_{&zip_};
    LocalStorage store_{&provider_, &extractor_};
    DetachedQProcessStarter starter_;
    SelfUpdateLauncher launcher_{&starter_, &store_, medium()};
};

} // namespace

TEST_F(SelfUpdateStore, VersionRuleComparesThreeNumericParts)
{
    const struct {
        const char* current;
        const char* local;
        bool newer;
    } cases[] = {
        {"2.0.9", "2.0.10", true},   {"2.0.10", "2.0.10", false}, {"2.0.10.1", "2.0.10.7", false},
        {"1.0.0", "2.1", false},     {"2.x.1", "2.0.0", true},    {"2.0.0", "2..5", false},
        {"", "2.0.0", false},        {"2.0.0", "", false},        {"1.16.0.436", "1.17.0", true},
        {"2.1.0", "2.0.99", false},  {"1.9.9", "2.0.10", true},   {"2.1.9", "2.0.10", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(launcher_.isLocalStoreVersionNewer(QString::fromLatin1(c.current), QString::fromLatin1(c.local)),
                  c.newer)
            << c.current << " vs " << c.local;
    }
}

TEST_F(SelfUpdateStore, StoredCopyIsUnpackedRememberedAndStartedWhenNewer)
{
    RecordingLogAppender log;
    const QString archive = archiveWithStandIn(QStringLiteral("Pathwarden.zip"));
    ASSERT_TRUE(store_.storeUpdaterArchive(archive, QStringLiteral("7.1.3")));

    const QString folder = provider_.getLocalStoreDirectory() + QStringLiteral("7.1.3");
    EXPECT_EQ(store_.latestVersionInLocalStore(), QStringLiteral("7.1.3"));
    EXPECT_EQ(store_.pathToLatestVersionInLocalStore(),
              QFileInfo(folder).canonicalFilePath() + QStringLiteral("/Pathwarden Mac/Pathwarden.app/Contents/MacOS/Pathwarden"));
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/Pathwarden.zip")));
    EXPECT_TRUE(QFile::exists(archive)) << "the downloaded archive belongs to the caller";
    // A second store object reads what the first one wrote.
    EXPECT_EQ(LocalStorage(&provider_, &extractor_).latestVersionInLocalStore(), QStringLiteral("7.1.3"));

    QCoreApplication::setApplicationVersion(QStringLiteral("7.1.3"));
    EXPECT_FALSE(launcher_.launchLatestIfNewer());
    QCoreApplication::setApplicationVersion(QStringLiteral("7.0.9"));
    ASSERT_TRUE(launcher_.launchLatestIfNewerInOnlineMode());
    bool recorded = false;
    EXPECT_EQ(waitForRecordedArguments(record(), &recorded),
              (QStringList{QStringLiteral("--original-installer-path"), medium(), QStringLiteral("--force-online-mode")}));
    ASSERT_TRUE(recorded);
    QFile::remove(record());
    ASSERT_TRUE(launcher_.launchLatestIfNewer());
    EXPECT_EQ(waitForRecordedArguments(record(), &recorded),
              (QStringList{QStringLiteral("--original-installer-path"), medium()}));
    EXPECT_TRUE(log.contains(QStringLiteral("Version in local store is newer than currently launched version")));
}

TEST_F(SelfUpdateStore, HostileVersionIsRefusedBeforeTheStoreIsTouched)
{
    RecordingLogAppender log;
    const QString storeFolder = provider_.getLocalStoreDirectory();
    QDir().mkpath(storeFolder + QStringLiteral("logs"));
    QFile(storeFolder + QStringLiteral("logs/keep.log")).open(QIODevice::WriteOnly);
    QDir().mkpath(storeFolder + QStringLiteral("1.0.0"));
    QFile(storeFolder + QStringLiteral("1.0.0/keep")).open(QIODevice::WriteOnly);
    const QString archive = archiveWithStandIn(QStringLiteral("Pathwarden.zip"));
    const QStringList before = snapshot(QDir::cleanPath(storeFolder + QStringLiteral("..")));
    const QString keptVersion = store_.latestVersionInLocalStore();

    for (const QString& version :
         {QStringLiteral("logs"), QStringLiteral(".."), QStringLiteral("../.."), QStringLiteral("1.0.0/../.."),
          QStringLiteral("-rf"), QStringLiteral("/tmp"), QStringLiteral("9.9.9 "), QStringLiteral("9.9.9\n"),
          QStringLiteral("9.9.9-beta"), QString()}) {
        log.clear();
        EXPECT_FALSE(store_.storeUpdaterArchive(archive, version)) << version.toStdString();
        EXPECT_TRUE(log.contains(QStringLiteral("Invalid version."))) << version.toStdString();
    }
    EXPECT_EQ(snapshot(QDir::cleanPath(storeFolder + QStringLiteral(".."))), before);
    EXPECT_EQ(store_.latestVersionInLocalStore(), keptVersion);
}

// unzip follows the links it finds in the folder it unpacks into: a version
// folder that fails the rule receives nothing, and the cause is named.
TEST_F(SelfUpdateStore, VersionFolderThatFailsTheRuleReceivesNothing)
{
    RecordingLogAppender log;
    const QString folder = provider_.getLocalStoreDirectory() + QStringLiteral("7.7.0");
    QDir(folder).removeRecursively();
    // No folder: a file in its place.
    ASSERT_TRUE(QFile(folder).open(QIODevice::WriteOnly));
    EXPECT_FALSE(store_.storeUpdaterArchive(archiveWithStandIn(QStringLiteral("Pathwarden.zip")), QStringLiteral("7.7.0")));
    EXPECT_TRUE(store_.storeProblem().startsWith(QStringLiteral("The folder %1/ cannot be used: ").arg(folder)))
        << qPrintable(store_.storeProblem());
    EXPECT_FALSE(log.contains(QStringLiteral("Copying Vorn archive file.")));
    EXPECT_EQ(QFileInfo(folder).size(), 0);
    QFile::remove(folder);
}

TEST_F(SelfUpdateStore, KeysThatCannotBeWrittenAreNotReportedAsStored)
{
    RecordingLogAppender log;
    const QString iniFile = QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Pathwarden"),
                                      QStringLiteral("pathwarden-local-storage"))
                                .fileName();
    QFile::remove(iniFile);
    // A folder in the file's place: no user, root included, can write it.
    ASSERT_TRUE(QDir().mkpath(iniFile));
    LocalStorage store(&provider_, &extractor_);
    EXPECT_FALSE(store.storeUpdaterArchive(archiveWithStandIn(QStringLiteral("Pathwarden.zip")), QStringLiteral("7.5.0")));
    EXPECT_TRUE(log.contains(QStringLiteral("Failed to write the local store file.")));
    QDir(iniFile).removeRecursively();
}

// The user's own file that nobody else can write is read and left as it
// is; one that others can write, or with a second name elsewhere (through
// which others could change it), is ignored and replaced by the next store,
// the other name kept.
TEST_F(SelfUpdateStore, StoreFileIsJudgedByWhoCouldHaveWrittenItAndAnIgnoredOneIsReplaced)
{
    const QString iniFile = QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Pathwarden"),
                                      QStringLiteral("pathwarden-local-storage"))
                                .fileName();
    const QString secondName = iniFile + QStringLiteral(".second");
    const auto plant = [&](QFileDevice::Permissions permissions) {
        QFile::remove(iniFile);
        {
            QSettings planted(iniFile, QSettings::IniFormat);
            planted.setValue(QStringLiteral("LatestVersionInLocalStore"), QStringLiteral("99.0.0"));
        }
        return QFile::setPermissions(iniFile, permissions);
    };
    const QFileDevice::Permissions readable = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    // The bits of the file's mode; the "user" ones tell what this process may do.
    const auto mode = [&] { return QFile::permissions(iniFile) & ~QFileDevice::Permissions(0x0700); };
    ASSERT_TRUE(plant(readable));
    EXPECT_EQ(LocalStorage(&provider_, &extractor_).latestVersionInLocalStore(), QStringLiteral("99.0.0"));
    EXPECT_EQ(mode(), readable);

    for (const bool second : {false, true}) {
        ASSERT_TRUE(plant(second ? readable : readable | QFile::WriteOwner | QFile::WriteOther));
        if (second) {
            ASSERT_EQ(::link(QFile::encodeName(iniFile).constData(), QFile::encodeName(secondName).constData()), 0);
        }
        LocalStorage store(&provider_, &extractor_);
        EXPECT_EQ(store.latestVersionInLocalStore(), QString()) << second;
        ASSERT_TRUE(store.storeUpdaterArchive(archiveWithStandIn(QStringLiteral("Pathwarden.zip")), QStringLiteral("7.6.0")));
        EXPECT_EQ(mode(), QFile::ReadOwner | QFile::WriteOwner);
        EXPECT_EQ(LocalStorage(&provider_, &extractor_).latestVersionInLocalStore(), QStringLiteral("7.6.0"));
    }
    EXPECT_EQ(QSettings(secondName, QSettings::IniFormat).value(QStringLiteral("LatestVersionInLocalStore")),
              QStringLiteral("99.0.0"));
    QFile::remove(secondName);
}

// Whatever has the lock's name but the user's own regular file is replaced
// by a new lock file: left from when the store folder was open, or the
// user's own mistake. The user's own file is used as it is, also with a
// second name (a backup made with cp -al). Rows with another user's entry
// need root and are left out otherwise.
TEST_F(SelfUpdateStore, AnythingButTheUsersOwnFileAtTheLockNameIsReplaced)
{
    const QString lock = provider_.getLocalStoreDirectory() + QLatin1String(LocalStorage::kLockFileName);
    const QString target = dir_.filePath(QStringLiteral("target"));
    const QByteArray path = QFile::encodeName(lock);
    const auto file = [](const QString& name) {
        QFile made(name);
        return made.open(QIODevice::WriteOnly) && made.write("kept\n") == 5;
    };
    const auto theirs = [](const QString& name) { return TestEnvironment::giveToAnotherUser(name); };
    const struct {
        const char* item;
        std::function<bool()> plant;
        // The lock file found is kept, not replaced.
        bool kept;
    } rows[] = {
        {"the user's own lock file", [&] { return file(lock); }, true},
        {"the user's file with a second name",
         [&] { return file(lock) && ::link(path.constData(), QFile::encodeName(target).constData()) == 0; }, true},
        {"the user's FIFO", [&] { return ::mkfifo(path.constData(), 0600) == 0; }, false},
        {"the user's folder", [&] { return QDir().mkdir(lock); }, false},
        {"the user's link to a file of the user", [&] { return file(target) && QFile::link(target, lock); }, false},
        {"another user's file", [&] { return file(lock) && theirs(lock); }, false},
        {"another user's link", [&] { return file(target) && QFile::link(target, lock) && theirs(lock); }, false},
        {"another user's FIFO", [&] { return ::mkfifo(path.constData(), 0600) == 0 && theirs(lock); }, false},
    };
    for (const auto& row : rows) {
        QFile::remove(lock);
        QDir().rmdir(lock);
        QFile::remove(target);
        if (!row.plant()) {
            ASSERT_NE(::geteuid(), 0u) << row.item;
            std::printf("[ SKIPPED  ] %s: only root can lay it out\n", row.item);
            continue;
        }
        struct stat before {};
        ASSERT_EQ(::lstat(path.constData(), &before), 0) << row.item;
        const bool stored =
            store_.storeUpdaterArchive(archiveWithStandIn(QStringLiteral("Pathwarden.zip")), QStringLiteral("7.8.0"));
        store_.releaseStore();
        EXPECT_TRUE(stored) << row.item << ": " << qPrintable(store_.storeProblem());
        if (!stored)
            continue;
        struct stat after {};
        ASSERT_EQ(::lstat(path.constData(), &after), 0) << row.item;
        EXPECT_TRUE(S_ISREG(after.st_mode) && after.st_uid == ::geteuid()) << row.item;
        EXPECT_EQ(after.st_ino == before.st_ino, row.kept) << row.item;
        EXPECT_EQ(fileContents(target), QFile::exists(target) ? QByteArray("kept\n") : QByteArray()) << row.item;
        // Nothing of the replacement is left beside it.
        EXPECT_EQ(QDir(provider_.getLocalStoreDirectory()).entryList({QStringLiteral(".store.lock*")},
                                                                     QDir::AllEntries | QDir::Hidden | QDir::System),
                  QStringList())
            << row.item;
    }
    QFile::remove(target);
}

TEST(SelfUpdateHandOver, NeverStartsItsOwnExecutable)
{
    struct StoreNamingThisProgram : LocalStorage {
        using LocalStorage::LocalStorage;
        QString latestVersionInLocalStore() override { return QStringLiteral("99.0.0"); }
        QString pathToLatestVersionInLocalStore() override { return platform::realExecutablePath(); }
    };
    struct CountingStarter : AbstractDetachedQProcessStarter {
        bool start(QString, QStringList) override { return ++starts > 0; }
        int starts = 0;
    };
    WorkingDirectoryProvider provider;
    ZipExtractor_OSX zip;
    SelfUpdateExtractor_OSX extractor(&zip);
    StoreNamingThisProgram store(&provider, &extractor);
    CountingStarter starter;
    SelfUpdateLauncher launcher(&starter, &store, QStringLiteral("/medium"));
    const QString savedVersion = QCoreApplication::applicationVersion();
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.0"));
    EXPECT_FALSE(launcher.launchLatestIfNewer());
    EXPECT_FALSE(launcher.launchLatestIfNewerInOnlineMode());
    QCoreApplication::setApplicationVersion(savedVersion);
    EXPECT_EQ(starter.starts, 0);
}

// Another user swaps their own folder with the user's private store folder,
// inside a shared folder without the sticky bit, as fast as they can. No
// answer of the store may name their executable; the bounded loop counts
// such answers. As another user only root can play, the test skips for
// other users.
TEST_F(SelfUpdateStore, SwapLoopOfAnotherUserNeverMakesTheStoredCopyTheirs)
{
    if (::geteuid() != 0) {
        std::printf("[ SKIPPED  ] only root can play another user\n");
        return;
    }
    const struct passwd* nobody = ::getpwnam("nobody");
    const uid_t them = nobody ? nobody->pw_uid : 65534;
    const QString data = QDir::cleanPath(provider_.getLocalStoreDirectory() + QStringLiteral(".."));
    const QString store = data + QStringLiteral("/Pathwarden");
    const QString saved = data + QStringLiteral("/Pathwarden.saved");
    ASSERT_TRUE(QFile::rename(store, saved));
    const QString shared = dir_.filePath(QStringLiteral("shared"));
    const QString mine = shared + QStringLiteral("/mine");
    const QString theirs = shared + QStringLiteral("/theirs");
    ASSERT_TRUE(QDir().mkpath(mine + QStringLiteral("/9.0.0")) && QDir().mkpath(theirs + QStringLiteral("/9.0.0")));
    ::chmod(QFile::encodeName(shared).constData(), 0777);
    ::chmod(QFile::encodeName(mine).constData(), 0700);
    writeRecordingStandInProgram(mine + QStringLiteral("/9.0.0"), QStringLiteral("Pathwarden"), record());
    writeRecordingStandInProgram(theirs + QStringLiteral("/9.0.0"), QStringLiteral("Pathwarden"), record());
    for (const QString& path : {theirs, theirs + QStringLiteral("/9.0.0"), theirs + QStringLiteral("/9.0.0/Pathwarden")})
        ASSERT_EQ(::lchown(QFile::encodeName(path).constData(), them, them), 0);
    ASSERT_TRUE(QFile::link(mine, store));
    {
        QSettings record(userSettingsFilePath(QStringLiteral("pathwarden-local-storage")), QSettings::IniFormat);
        record.setValue(QStringLiteral("LatestVersionInLocalStore"), QStringLiteral("9.0.0"));
        record.setValue(QStringLiteral("PathToLatestVersionInLocalStore"), store + QStringLiteral("/9.0.0/Pathwarden"));
    }
    LocalStorage remembered(&provider_, &extractor_);

    // The swapper reaches the shared folder through a descriptor: the
    // folders above it are this test's own.
    const int sharedFolder = ::open(QFile::encodeName(shared).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(sharedFolder, 0);
    auto* swaps = static_cast<unsigned long*>(
        ::mmap(nullptr, sizeof(unsigned long), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(swaps, MAP_FAILED);
    *swaps = 0;
    const pid_t swapper = ::fork();
    ASSERT_GE(swapper, 0);
    if (swapper == 0) {
        // Only calls safe after fork until the end.
        if (::setgid(them) != 0 || ::setuid(them) != 0)
            ::_exit(1);
        for (;;)
            if (::renameat2(sharedFolder, "mine", sharedFolder, "theirs", RENAME_EXCHANGE) == 0)
                __atomic_add_fetch(swaps, 1, __ATOMIC_RELAXED);
    }
    int answers = 0;
    int named = 0;
    int foreign = 0;
    QElapsedTimer clock;
    clock.start();
    for (; answers < 60000 && clock.elapsed() < 10000; ++answers) {
        const QString path = remembered.pathToLatestVersionInLocalStore();
        struct stat info {};
        named += path.isEmpty() ? 0 : 1;
        if (!path.isEmpty() && (::stat(QFile::encodeName(path).constData(), &info) != 0 || info.st_uid == them))
            ++foreign;
    }
    ::kill(swapper, SIGKILL);
    ::waitpid(swapper, nullptr, 0);
    ::close(sharedFolder);
    const unsigned long swapped = __atomic_load_n(swaps, __ATOMIC_RELAXED);
    ::munmap(swaps, sizeof(unsigned long));
    std::printf("swap loop: %lu swaps; %d of %d answers named a copy, %d of them another user's executable\n", swapped,
                named, answers, foreign);
    EXPECT_GT(swapped, 0u);
    EXPECT_EQ(foreign, 0);
    QFile::remove(store);
    QDir(shared).removeRecursively();
    ASSERT_TRUE(QFile::rename(saved, store));
}
