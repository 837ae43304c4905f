#include "updater/infrastructure/PrivateFiles.h"
#include "updater/infrastructure/TrustedWay.h"
#include "updater/testsupport/TestEnvironment.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
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
    const mode_t before = ::umask(0);
    QString problem;
    const bool made = makePrivateFolder(dir.path() + QStringLiteral("/a/b/c"), &problem);
    ::umask(before);
    ASSERT_TRUE(made) << problem.toStdString();
    for (const QString& folder : {QStringLiteral("/a"), QStringLiteral("/a/b"), QStringLiteral("/a/b/c")})
        EXPECT_EQ(modeOf(dir.path() + folder), 0700u) << folder.toStdString();

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
    EXPECT_TRUE(read.note.endsWith(privateGroup ? QStringLiteral("settings.ini can be written by others through its ACL")
                                                : QStringLiteral("settings.ini can be written by others (mode 0670)")))
        << read.note.toStdString();
    // Beyond the folder nothing is narrowed: the way is only judged.
    EXPECT_FALSE(makePrivateFolder(own + QStringLiteral("/below"), &problem));
    EXPECT_TRUE(problem.endsWith(privateGroup ? QStringLiteral("/own can be written by others through its ACL")
                                              : QStringLiteral("/own can be written by others (mode 0770)")))
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
    const QString stale = plant(".store.ini.3k9x0q2z", 3600);
    const QString fresh = plant(".store.ini.5ab", 0);
    const QString otherName = plant(".other.ini.3k9x0q2z", 3600);
    const QString notOurs = plant(".store.ini.Backup", 3600);
    QString problem;
    ASSERT_TRUE(writeUserFile(dir.path() + QStringLiteral("/store.ini"), "x", &problem)) << problem.toStdString();
    EXPECT_FALSE(QFile::exists(stale));
    EXPECT_TRUE(QFile::exists(fresh));
    EXPECT_TRUE(QFile::exists(otherName));
    EXPECT_TRUE(QFile::exists(notOurs));
}
