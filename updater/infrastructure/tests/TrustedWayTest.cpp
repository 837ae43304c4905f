#include "updater/infrastructure/PrivateFiles.h"
#include "updater/infrastructure/TrustedWay.h"
#include "updater/testsupport/TestEnvironment.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr unsigned int kUser = 1000;
constexpr unsigned int kPrivateGroup = 1000;
constexpr unsigned int kOther = 1001;

// One entry as the kernel keeps it: tag, permissions, id, little-endian.
QByteArray entry(quint16 tag, quint16 permissions, quint32 id = 0xffffffff)
{
    QByteArray bytes;
    for (int i = 0; i < 2; ++i)
        bytes.append(static_cast<char>((tag >> (8 * i)) & 0xff));
    for (int i = 0; i < 2; ++i)
        bytes.append(static_cast<char>((permissions >> (8 * i)) & 0xff));
    for (int i = 0; i < 4; ++i)
        bytes.append(static_cast<char>((id >> (8 * i)) & 0xff));
    return bytes;
}

const QByteArray kVersion("\x02\x00\x00\x00", 4);
// The owner's, owning group's and others' entries of a 0600 file.
const QByteArray kOwner = entry(0x01, 6);
const QByteArray kGroupNone = entry(0x04, 0);
const QByteArray kOtherNone = entry(0x20, 0);

mode_t modeOf(const QString& path)
{
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

} // namespace

TEST(TrustedWay, AclLetsOthersWriteExactlyWhenAnEntryButTheUsersOrThePrivateGroupsWritesAfterTheMask)
{
    const struct {
        const char* acl;
        QByteArray attribute;
        unsigned int owningGroup;
        bool others;
    } rows[] = {
        {"minimal", kVersion + kOwner + kGroupNone + kOtherNone, kPrivateGroup, false},
        {"the user's own named entry", kVersion + kOwner + entry(0x02, 6, kUser) + kGroupNone + entry(0x10, 6) + kOtherNone,
         kPrivateGroup, false},
        {"the private group named", kVersion + kOwner + kGroupNone + entry(0x08, 7, kPrivateGroup) + entry(0x10, 7) + kOtherNone,
         kOther, false},
        {"the private group owning", kVersion + kOwner + entry(0x04, 6) + entry(0x10, 6) + kOtherNone, kPrivateGroup, false},
        {"another user, read only", kVersion + kOwner + entry(0x02, 5, kOther) + kGroupNone + entry(0x10, 5) + kOtherNone,
         kPrivateGroup, false},
        {"another user, masked", kVersion + kOwner + entry(0x02, 7, kOther) + kGroupNone + entry(0x10, 5) + kOtherNone,
         kPrivateGroup, false},
        {"another user writes", kVersion + kOwner + entry(0x02, 6, kOther) + kGroupNone + entry(0x10, 6) + kOtherNone,
         kPrivateGroup, true},
        {"another group writes", kVersion + kOwner + kGroupNone + entry(0x08, 2, kOther) + entry(0x10, 2) + kOtherNone,
         kPrivateGroup, true},
        {"a shared owning group writes", kVersion + kOwner + entry(0x04, 6) + entry(0x10, 6) + kOtherNone, kOther, true},
        {"everyone else writes", kVersion + kOwner + kGroupNone + entry(0x20, 2), kPrivateGroup, true},
        // Hostile or broken attributes are taken as the worst.
        {"empty", QByteArray(), kPrivateGroup, true},
        {"another version", QByteArray("\x01\x00\x00\x00", 4) + kOwner + kGroupNone + kOtherNone, kPrivateGroup, true},
        {"a cut entry", kVersion + kOwner + kGroupNone + kOtherNone.left(5), kPrivateGroup, true},
        {"an unknown tag", kVersion + kOwner + entry(0x40, 0) + kGroupNone + kOtherNone, kPrivateGroup, true},
    };
    for (const auto& row : rows)
        EXPECT_EQ(aclLetsOthersWrite(row.attribute, kUser, row.owningGroup, true, kPrivateGroup), row.others) << row.acl;
    // Without a private group, no group's write is the user's.
    EXPECT_TRUE(aclLetsOthersWrite(kVersion + kOwner + entry(0x04, 6) + entry(0x10, 6) + kOtherNone, kUser,
                                   kPrivateGroup, false, 0));
}

TEST(TrustedWay, MissingFoldersAreMadeOneByOneNobodyElsesWhateverTheUmask)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QString problem;
    // 0277 takes the user's own write and search away, which the mode set
    // after each folder is made gives back.
    for (const mode_t mask : {0000, 0022, 0077, 0277}) {
        const QString base = dir.path() + QStringLiteral("/%1").arg(mask, 4, 8, QLatin1Char('0'));
        const mode_t before = ::umask(mask);
        const bool made = makePrivateFolder(base + QStringLiteral("/a/b/c"), &problem);
        ::umask(before);
        ASSERT_TRUE(made) << problem.toStdString();
        for (const QString& folder : {QStringLiteral(""), QStringLiteral("/a"), QStringLiteral("/a/b"),
                                      QStringLiteral("/a/b/c")})
            EXPECT_EQ(modeOf(base + folder), 0700u) << (base + folder).toStdString();
    }

    // Below a file nothing can be made; the cause is the file, not a
    // missing name.
    QFile file(dir.path() + QStringLiteral("/file"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_FALSE(makePrivateFolder(dir.path() + QStringLiteral("/file/x/y"), &problem));
    EXPECT_TRUE(problem.contains(QStringLiteral("/file is not a folder"))) << problem.toStdString();
}

TEST(TrustedWay, DotDotAfterALinkLeavesWhatTheLinkLedTo)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
    ASSERT_TRUE(QDir().mkpath(dir.path() + QStringLiteral("/real/inner")));
    ASSERT_TRUE(QFile::link(dir.path() + QStringLiteral("/real/inner"), dir.path() + QStringLiteral("/link")));
    QString problem;
    ASSERT_TRUE(writeUserFile(dir.path() + QStringLiteral("/link/../x.ini"), "kept", &problem)) << problem.toStdString();
    EXPECT_TRUE(QFile::exists(dir.path() + QStringLiteral("/real/x.ini")));
    EXPECT_FALSE(QFile::exists(dir.path() + QStringLiteral("/x.ini")));
    const UserFileRead read = readUserFile(dir.path() + QStringLiteral("/link/../x.ini"));
    EXPECT_EQ(read.state, UserFileRead::Read);
    EXPECT_EQ(read.contents, QByteArray("kept"));
}

TEST(TrustedWay, AnotherUsersAclEntryIsRefusedAndTakenFromTheUpdatersOwnFolderByItsMask)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
    const QString own = dir.path() + QStringLiteral("/own");
    const QString file = own + QStringLiteral("/settings.ini");
    QString problem;
    ASSERT_TRUE(makePrivateFolder(own, &problem));
    ASSERT_TRUE(writeUserFile(file, "x", &problem));
    const TestEnvironment::AclEntry theirs{false, TestEnvironment::anotherUserId(), 7};
    ASSERT_TRUE(TestEnvironment::setAcl(file, {theirs}));
    ASSERT_TRUE(TestEnvironment::setAcl(own, {theirs}));

    // The group bits are the mask: only where they are the private
    // group's is it the ACL that tells.
    unsigned int group = 0;
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(own).constData(), &info), 0);
    const bool privateGroup = userPrivateGroup(&group) && info.st_gid == group;
    const UserFileRead read = readUserFile(file);
    EXPECT_EQ(read.state, UserFileRead::Refused);
    // With an ACL it alone tells, whoever the owning group is.
    EXPECT_TRUE(read.note.endsWith(QStringLiteral("settings.ini can be written by others through its ACL")))
        << read.note.toStdString() << (privateGroup ? " (private group)" : " (shared group)");
    // Beyond the folder nothing is narrowed: the way is only judged.
    EXPECT_FALSE(makePrivateFolder(own + QStringLiteral("/below"), &problem));
    EXPECT_TRUE(problem.endsWith(QStringLiteral("/own can be written by others through its ACL")))
        << problem.toStdString();

    QString narrowed;
    EXPECT_TRUE(makePrivateFolder(own, &problem, &narrowed)) << problem.toStdString();
    EXPECT_EQ(modeOf(own), 0750u);
    EXPECT_TRUE(narrowed.contains(QStringLiteral("(mode 0770 and its ACL), narrowed to 0750")))
        << narrowed.toStdString();
}

TEST(TrustedWay, AWriteRemovesOnlyTheStaleTemporariesOfItsOwnName)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
    const auto plant = [&dir](const char* name, time_t age) {
        const QString path = dir.path() + QLatin1Char('/') + QLatin1String(name);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.close();
        const struct timeval times[2] = {{std::time(nullptr) - age, 0}, {std::time(nullptr) - age, 0}};
        ::utimes(QFile::encodeName(path).constData(), times);
        return path;
    };
    const QString stale = plant(".store.ini.pathwarden-temporary.3k9x0q2z", 3600);
    const QString fresh = plant(".store.ini.pathwarden-temporary.5ab", 0);
    const QString otherName = plant(".other.ini.pathwarden-temporary.3k9x0q2z", 3600);
    const QString notOurs = plant(".store.ini.pathwarden-temporary.Backup", 3600);
    // An editor's or the user's files beside it, named as a temporary
    // without our mark would be.
    const QString swap = plant(".store.ini.swp", 3600);
    const QString backup = plant(".store.ini.bak", 3600);
    QString problem;
    ASSERT_TRUE(writeUserFile(dir.path() + QStringLiteral("/store.ini"), "x", &problem)) << problem.toStdString();
    EXPECT_FALSE(QFile::exists(stale));
    for (const QString& kept : {fresh, otherName, notOurs, swap, backup})
        EXPECT_TRUE(QFile::exists(kept)) << kept.toStdString();
}

namespace {

// Runs check in a child process as another user (nobody), with home as its
// home; the child's exit status, or -1 when it could not become that user.
int asAnotherUser(const QString& home, const std::function<int()>& check)
{
    const QByteArray homeBytes = QFile::encodeName(home);
    const pid_t child = ::fork();
    if (child == 0) {
        ::setenv("HOME", homeBytes.constData(), 1);
        for (const char* variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
            ::unsetenv(variable);
        const uid_t user = TestEnvironment::anotherUserId();
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(user) != 0)
            ::_exit(255);
        ::_exit(check());
    }
    int status = 0;
    while (child > 0 && ::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return child > 0 && WIFEXITED(status) && WEXITSTATUS(status) != 255 ? WEXITSTATUS(status) : -1;
}

} // namespace

// A home of root that an ACL lets the user write passes the rule, as an
// item judged; the user's own folders are still never made in it.
TEST(TrustedWay, NothingIsMadeInTheHomeOfAnotherUserThatTheUserCouldWrite)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can run a check as another user";
    // Below /tmp, which the other user can reach.
    QTemporaryDir dir(QStringLiteral("/tmp/pathwarden-home-XXXXXX"));
    ASSERT_TRUE(dir.isValid());
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    const QString home = dir.path() + QStringLiteral("/home");
    ASSERT_TRUE(QDir().mkpath(home));
    ::chmod(QFile::encodeName(home).constData(), 0755);
    ASSERT_TRUE(TestEnvironment::setAcl(home, {{false, TestEnvironment::anotherUserId(), 7}}));
    const int status = asAnotherUser(home, [&home] {
        QString problem;
        if (makePrivateFolder(home + QStringLiteral("/.local/share/Pathwarden"), &problem))
            return 1;
        return problem == home + QStringLiteral(" belongs to another user (uid 0)") ? 0 : 2;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(QDir(home).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
              QStringList());
}

// In a mount namespace without /proc, the ACLs on the way are read through
// readable descriptors of the folders: files are read, written and parsed as
// before.
TEST(TrustedWay, WithoutProcTheWayIsJudgedThroughItsOwnDescriptors)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can take /proc away";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
    const QString file = dir.path() + QStringLiteral("/own/settings.ini");
    const pid_t child = ::fork();
    if (child == 0) {
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
            || ::umount2("/proc", MNT_DETACH) != 0 || ::access("/proc/self", F_OK) == 0)
            ::_exit(3);
        QString problem;
        if (!makePrivateFolder(QFileInfo(file).path(), &problem) || !writeUserFile(file, "kept", &problem))
            ::_exit(1);
        const UserFileRead read = readUserFile(file);
        if (read.state != UserFileRead::Read || read.contents != "kept")
            ::_exit(2);
        // Settings are parsed all the same.
        ::_exit(iniValues("[General]\nkey=value\n").value(QStringLiteral("key")) == QStringLiteral("value") ? 0 : 4);
    }
    int status = 0;
    ASSERT_GT(child, 0);
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
