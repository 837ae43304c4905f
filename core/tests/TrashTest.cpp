#include "core/NativeFilesystem.h"
#include "core/platform/linux/Trash.h"

#include "PrivateMounts.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>

#include <sys/sysmacros.h>

using Holmgrave::FS::NativeFilesystem;
using Holmgrave::Test::TempDir;
namespace Detail = Holmgrave::FS::Detail;

namespace {

bool present(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// Points XDG_DATA_HOME at a temporary folder for the life of the object.
class ScopedDataHome
{
public:
    explicit ScopedDataHome(const std::string& path)
    {
        const char* old = std::getenv("XDG_DATA_HOME");
        m_had = old != nullptr;
        if (m_had)
            m_old = old;
        ::setenv("XDG_DATA_HOME", path.c_str(), 1);
    }
    ~ScopedDataHome()
    {
        if (m_had)
            ::setenv("XDG_DATA_HOME", m_old.c_str(), 1);
        else
            ::unsetenv("XDG_DATA_HOME");
    }

private:
    bool m_had = false;
    std::string m_old;
};

} // namespace

TEST(Trash, InfoTextEncodesThePathAndGivesTheLocalTime)
{
    struct tm t {};
    t.tm_year = 2024 - 1900;
    t.tm_mon = 1;
    t.tm_mday = 29;
    t.tm_hour = 13;
    t.tm_min = 5;
    t.tm_sec = 9;
    t.tm_isdst = -1;
    const std::time_t when = std::mktime(&t);
    EXPECT_EQ(Detail::trashInfoText("/home/u/a b%c/ü.txt", when),
              "[Trash Info]\nPath=/home/u/a%20b%25c/%C3%BC.txt\nDeletionDate=2024-02-29T13:05:09\n");
    EXPECT_EQ(Detail::encodeTrashPath("a-b_c.d~e/f"), "a-b_c.d~e/f");
    EXPECT_EQ(Detail::encodeTrashPath("x\ny#?"), "x%0Ay%23%3F");
}

TEST(Trash, MovesIntoTheHomeTrashWithItsRecord)
{
    TempDir dir;
    ScopedDataHome home(dir.file("data"));
    const std::string item = dir.write("doc.txt", "content");
    const auto& fs = NativeFilesystem::instance();

    ASSERT_TRUE(fs.moveToTrash(item).hasValue());
    EXPECT_FALSE(present(item));
    const std::string trash = dir.file("data/Trash");
    EXPECT_EQ(TempDir::readAll(trash + "/files/doc.txt"), "content");
    const std::string info = TempDir::readAll(trash + "/info/doc.txt.trashinfo");
    const std::string realItem = fs.canonical(dir.path()).value().str() + "/doc.txt";
    EXPECT_EQ(info.rfind("[Trash Info]\nPath=" + Detail::encodeTrashPath(realItem) + "\nDeletionDate=", 0), 0u)
        << info;

    // The same name again gets a name of its own; nothing is replaced.
    dir.write("doc.txt", "second");
    ASSERT_TRUE(fs.moveToTrash(item).hasValue());
    EXPECT_EQ(TempDir::readAll(trash + "/files/doc.txt"), "content");
    EXPECT_EQ(TempDir::readAll(trash + "/files/doc.txt.2"), "second");
    EXPECT_TRUE(present(trash + "/info/doc.txt.2.trashinfo"));
}

TEST(Trash, ALongNameIsShortenedInTheTrashAndKeptInItsRecord)
{
    TempDir dir;
    ScopedDataHome home(dir.file("data"));
    // 2 + 2 x 124 = 250 bytes: with ".trashinfo" the record's name would be
    // 260 bytes, beyond the file-name limit.
    std::string name = "xx";
    for (int i = 0; i < 124; ++i)
        name += "\xC3\xA9";
    const std::string item = dir.write(name, "long");
    const auto& fs = NativeFilesystem::instance();

    ASSERT_TRUE(fs.moveToTrash(item).hasValue());
    EXPECT_FALSE(present(item));
    // Cut to 245 bytes, and then before the character that byte 245 is inside.
    const std::string shortened = name.substr(0, 244);
    const std::string trash = dir.file("data/Trash");
    EXPECT_EQ(TempDir::readAll(trash + "/files/" + shortened), "long");
    const std::string info = TempDir::readAll(trash + "/info/" + shortened + ".trashinfo");
    const std::string realItem = fs.canonical(dir.path()).value().str() + "/" + name;
    EXPECT_NE(info.find("\nPath=" + Detail::encodeTrashPath(realItem) + "\n"), std::string::npos) << info;
}

TEST(Trash, FoldersAndLinksGoWhole)
{
    TempDir dir;
    ScopedDataHome home(dir.file("data"));
    ::mkdir(dir.file("folder").c_str(), 0755);
    dir.write("folder/inner", "x");
    dir.write("target", "t");
    ASSERT_EQ(::symlink("target", dir.file("link").c_str()), 0);
    const auto& fs = NativeFilesystem::instance();

    ASSERT_TRUE(fs.moveToTrash(dir.file("folder")).hasValue());
    EXPECT_EQ(TempDir::readAll(dir.file("data/Trash/files/folder/inner")), "x");
    ASSERT_TRUE(fs.moveToTrash(dir.file("link")).hasValue());
    struct stat st {};
    ASSERT_EQ(::lstat(dir.file("data/Trash/files/link").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_TRUE(present(dir.file("target")));
}

TEST(Trash, FailuresAreReportedAndTheTrashItselfIsRefused)
{
    TempDir dir;
    ScopedDataHome home(dir.file("data"));
    const auto& fs = NativeFilesystem::instance();
    const auto missing = fs.moveToTrash(dir.file("missing"));
    ASSERT_FALSE(missing.hasValue());
    EXPECT_EQ(missing.error().code, ENOENT);
    EXPECT_EQ(missing.error().category, &std::system_category());
    EXPECT_FALSE(missing.error().message.empty());

    // Trashing the trash itself is refused.
    dir.write("x", "");
    ASSERT_TRUE(fs.moveToTrash(dir.file("x")).hasValue());
    EXPECT_EQ(fs.moveToTrash(dir.file("data/Trash")).error().code, EINVAL);
    EXPECT_EQ(fs.moveToTrash(dir.file("data/Trash/files/x")).error().code, EINVAL);
    EXPECT_TRUE(present(dir.file("data/Trash/files/x")));
}

TEST(Trash, AnotherDeviceUsesItsOwnTopFolderTrash)
{
    TempDir dir;
    struct stat a {}, b {};
    if (::stat("/dev/shm", &b) != 0 || ::stat(dir.path().c_str(), &a) != 0 || a.st_dev == b.st_dev
        || ::access("/dev/shm", W_OK) != 0)
        GTEST_SKIP() << "no second writable device";
    Detail::TrashSettings settings;
    settings.homeTrash = dir.file("data/Trash");
    // A mount table of our own makes /dev/shm the top folder of its device.
    const std::string table = "1 0 " + std::to_string(major(b.st_dev)) + ":" + std::to_string(minor(b.st_dev))
        + " / /dev/shm rw - tmpfs tmpfs rw\n";
    settings.mountInfo = dir.write("mountinfo", table);

    char pattern[] = "/dev/shm/hg_trash_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string item = std::string(pattern) + "/f";
    { std::ofstream(item) << "far"; }
    const std::string topTrash = "/dev/shm/.Trash-" + std::to_string(::getuid());

    ASSERT_EQ(Detail::moveToTrash(item, settings), 0);
    EXPECT_FALSE(present(item));
    EXPECT_FALSE(present(dir.file("data/Trash/files/f")));
    std::string trashedName;
    for (int n = 1; n < 100 && trashedName.empty(); ++n) {
        const std::string name = n == 1 ? "f" : "f." + std::to_string(n);
        const std::string info = TempDir::readAll(topTrash + "/info/" + name + ".trashinfo");
        // The top-folder trash records the path relative to its top folder.
        if (info.find("Path=" + std::string(pattern).substr(9) + "/f\n") != std::string::npos)
            trashedName = name;
    }
    ASSERT_FALSE(trashedName.empty());
    EXPECT_EQ(TempDir::readAll(topTrash + "/files/" + trashedName), "far");
    ::unlink((topTrash + "/files/" + trashedName).c_str());
    ::unlink((topTrash + "/info/" + trashedName + ".trashinfo").c_str());
    // The top-folder trash itself stays: another run of this test (a second
    // build tree, a repeat) may be moving its own item into it right now.
    ::rmdir(pattern);
}

TEST(Trash, AnItemOnAnotherMountOfTheHomeTrashsDeviceGoesToTheTrashOfItsMount)
{
    TempDir dir;
    ::mkdir(dir.file("shared").c_str(), 0755);
    ::mkdir(dir.file("bound").c_str(), 0755);
    const auto run = Holmgrave::Test::runWithPrivateMounts([&]() -> std::string {
        if (std::string problem = Holmgrave::Test::bindMount(dir.file("shared"), dir.file("bound"), false);
            !problem.empty())
            return problem;
        { std::ofstream(dir.file("bound/f")) << "bound"; }
        Detail::TrashSettings settings;
        settings.homeTrash = dir.file("data/Trash"); // on the same device, but not on the same mount
        const int rc = Detail::moveToTrash(dir.file("bound/f"), settings);
        return rc == 0 ? std::string() : std::string("moveToTrash: ") + std::strerror(rc);
    });
    if (!run.available) {
        if (::geteuid() == 0)
            FAIL() << run.unavailable;
        GTEST_SKIP() << run.unavailable;
    }
    ASSERT_EQ(run.failure, "");
    // The mount went with its process; its trash stays in the folder it showed.
    const std::string trash = dir.file("shared/.Trash-" + std::to_string(::getuid()));
    EXPECT_EQ(TempDir::readAll(trash + "/files/f"), "bound");
    EXPECT_NE(TempDir::readAll(trash + "/info/f.trashinfo").find("\nPath=f\n"), std::string::npos);
    EXPECT_FALSE(present(dir.file("data/Trash/files/f")));
}
