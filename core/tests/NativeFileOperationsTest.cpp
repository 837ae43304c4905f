#include "core/NativeFilesystem.h"

#include "PrivateMounts.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

using Holmgrave::Core::Path;
using Holmgrave::FS::FileType;
using Holmgrave::FS::NativeFilesystem;
using Holmgrave::Test::TempDir;

// Plays another process that creates a copy's target folder, with a file of
// its own inside, in the moment between the copy's check of the target and
// its mkdir: this test program's mkdir does that for the one armed path and
// otherwise is the system call itself.
namespace {
const char* targetMadeByAnother = nullptr;
}

extern "C" int mkdir(const char* path, mode_t mode) noexcept
{
    if (targetMadeByAnother != nullptr && std::strcmp(targetMadeByAnother, path) == 0) {
        targetMadeByAnother = nullptr;
        if (::syscall(SYS_mkdir, path, 0755) == 0) {
            const int fd = ::open((std::string(path) + "/theirs").c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
            if (fd >= 0)
                ::close(fd);
        }
    }
    return static_cast<int>(::syscall(SYS_mkdir, path, mode));
}

// Plays another process that moves a folder away while a removal walks it:
// once the armed name has been unlinked, the armed folder is renamed.
namespace {
struct MoveOnUnlink
{
    const char* name = nullptr;
    std::string from;
    std::string to;
} moveOnUnlink;
}

extern "C" int unlinkat(int folder, const char* path, int flags) noexcept
{
    const int rc = static_cast<int>(::syscall(SYS_unlinkat, folder, path, flags));
    if (rc == 0 && moveOnUnlink.name != nullptr && std::strcmp(moveOnUnlink.name, path) == 0) {
        moveOnUnlink.name = nullptr;
        ::rename(moveOnUnlink.from.c_str(), moveOnUnlink.to.c_str());
    }
    return rc;
}

namespace {

const NativeFilesystem& fs() { return NativeFilesystem::instance(); }

mode_t modeOf(const std::string& path)
{
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st.st_mode;
}

time_t mtimeOf(const std::string& path)
{
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st.st_mtim.tv_sec;
}

std::vector<std::string> names(const std::string& folder)
{
    std::vector<std::string> out;
    fs().iterate(folder, Holmgrave::FS::IterationOption(0), [&](const auto&, const auto& entry) {
        const Path path(entry.path);
        out.push_back(path.filename().str());
        return true;
    });
    return out;
}

bool present(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

void expectFailure(const Holmgrave::Core::VoidResult& r, int code)
{
    ASSERT_FALSE(r.hasValue());
    EXPECT_EQ(r.error().code, code);
    EXPECT_EQ(r.error().category, &std::system_category());
    EXPECT_FALSE(r.error().message.empty());
}

} // namespace

TEST(NativeFileOperations, TypesOfFilesLinksPipesAndSockets)
{
    TempDir dir;
    const std::string file = dir.write("f", "abc");
    ::mkdir(dir.file("d").c_str(), 0755);
    ASSERT_EQ(::symlink("d", dir.file("l").c_str()), 0);
    ASSERT_EQ(::mkfifo(dir.file("p").c_str(), 0600), 0);

    EXPECT_EQ(fs().fileType(file, false).value(), FileType::regular);
    EXPECT_EQ(fs().fileType(dir.file("l"), false).value(), FileType::symlink);
    EXPECT_EQ(fs().fileType(dir.file("l"), true).value(), FileType::directory);
    // A named pipe has no type of its own here.
    EXPECT_EQ(fs().fileType(dir.file("p"), true).value(), FileType::none);
    EXPECT_EQ(fs().fileType("/dev/null", true).value(), FileType::character);

    const TempDir sockets("/tmp");
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr {};
    addr.sun_family = AF_UNIX;
    const std::string sockPath = sockets.file("s");
    ASSERT_LT(sockPath.size(), sizeof addr.sun_path);
    sockPath.copy(addr.sun_path, sockPath.size());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    EXPECT_EQ(fs().fileType(sockPath, true).value(), FileType::socket);
    EXPECT_TRUE(fs().isOther(sockPath).value());
    ::close(sock);

    const auto missing = fs().fileType(dir.file("missing"), false);
    ASSERT_FALSE(missing.hasValue());
    EXPECT_EQ(missing.error().code, ENOENT);
    EXPECT_EQ(missing.error().category, &std::system_category());
}

TEST(NativeFileOperations, SizeTimeAndLinkTargetsFollowLinks)
{
    TempDir dir;
    dir.write("f", "12345");
    ASSERT_EQ(::symlink("f", dir.file("l").c_str()), 0);
    EXPECT_EQ(fs().fileSize(dir.file("l")).value(), 5u);
    EXPECT_EQ(fs().readSymlink(dir.file("l")).value().str(), "f");

    ASSERT_EQ(::symlink("../a", dir.file("rel").c_str()), 0);
    EXPECT_EQ(fs().readSymlink(dir.file("rel")).value().str(), "../a");
    EXPECT_FALSE(fs().readSymlink(dir.file("f")).hasValue());

    const auto base = std::chrono::system_clock::time_point(std::chrono::seconds(1600000000));
    ASSERT_TRUE(fs().setLastModified(dir.file("f"), base + std::chrono::milliseconds(1700)).hasValue());
    EXPECT_EQ(fs().lastModified(dir.file("l")).value(), base + std::chrono::seconds(1));
}

TEST(NativeFileOperations, ExistsCanonicalAndFolders)
{
    TempDir dir;
    EXPECT_TRUE(fs().exists(dir.path()).value());
    EXPECT_FALSE(fs().exists(dir.file("none")).value());
    ASSERT_EQ(::symlink("none", dir.file("dangling").c_str()), 0);
    EXPECT_FALSE(fs().exists(dir.file("dangling")).value());

    EXPECT_TRUE(fs().createDirectories(dir.file("a/b/c")).hasValue());
    EXPECT_TRUE(fs().createDirectories(dir.file("a/b/c")).hasValue());
    expectFailure(fs().createDirectory(dir.file("a")), EEXIST);
    expectFailure(fs().createDirectory(dir.file("x/y")), ENOENT);

    ASSERT_EQ(::symlink(dir.file("a/b").c_str(), dir.file("lb").c_str()), 0);
    const std::string real = fs().canonical(dir.path()).value().str();
    EXPECT_EQ(fs().canonical(dir.file("lb/c")).value().str(), real + "/a/b/c");
    EXPECT_EQ(fs().canonical(dir.file("lb/new")).value().str(), real + "/a/b/new");
}

TEST(NativeFileOperations, CreateFileEmptiesAnExistingFile)
{
    TempDir dir;
    const std::string file = dir.write("f", "content");
    ASSERT_TRUE(fs().createFile(file).hasValue());
    EXPECT_EQ(TempDir::readAll(file), "");
    const auto r = fs().createFile(dir.file("no/such/f"));
    ASSERT_FALSE(r.hasValue());
    EXPECT_EQ(r.error().code, ENOENT);
    EXPECT_TRUE(r.error().message.empty());
}

TEST(NativeFileOperations, CanonicalResolvesTheLongestExistingPartAndIsAbsolute)
{
    TempDir dir;
    ASSERT_TRUE(fs().createDirectories(dir.file("a/b/c")).hasValue());
    ASSERT_EQ(::symlink(dir.file("a/b").c_str(), dir.file("lb").c_str()), 0);
    const std::string real = fs().canonical(dir.path()).value().str();
    EXPECT_EQ(fs().canonical(dir.file("lb/new/deeper")).value().str(), real + "/a/b/new/deeper");
    EXPECT_EQ(fs().canonical(dir.file("lb/./new/../c")).value().str(), real + "/a/b/c");

    const Path before = fs().currentDirectory();
    ASSERT_TRUE(fs().setCurrentDirectory(dir.path()).hasValue());
    const std::string relative = fs().canonical(Path("lb/new")).value().str();
    const std::string relativeExisting = fs().canonical(Path("lb")).value().str();
    ASSERT_TRUE(fs().setCurrentDirectory(before).hasValue());
    EXPECT_EQ(relative, real + "/a/b/new");
    EXPECT_EQ(relativeExisting, real + "/a/b");
}

TEST(NativeFileOperations, CreateFileReplacesANameAndNotTheFileBehindIt)
{
    TempDir dir;
    const std::string target = dir.write("target", "linked to");
    ASSERT_EQ(::symlink("target", dir.file("link").c_str()), 0);
    ASSERT_TRUE(fs().createFile(dir.file("link")).hasValue());
    EXPECT_TRUE(S_ISREG(modeOf(dir.file("link"))));
    EXPECT_EQ(TempDir::readAll(dir.file("link")), "");
    EXPECT_EQ(TempDir::readAll(target), "linked to");

    const std::string first = dir.write("first", "shared");
    ASSERT_EQ(::link(first.c_str(), dir.file("second").c_str()), 0);
    ASSERT_TRUE(fs().createFile(dir.file("second")).hasValue());
    EXPECT_EQ(TempDir::readAll(dir.file("second")), "");
    EXPECT_EQ(TempDir::readAll(first), "shared");

    // Nothing of the replacement is left behind.
    EXPECT_EQ(names(dir.path()), (std::vector<std::string>{"first", "link", "second", "target"}));
}

TEST(NativeFileOperations, SetCurrentDirectoryOfMissingFolderKeepsTheOldOne)
{
    TempDir dir;
    const Path before = fs().currentDirectory();
    const auto r = fs().setCurrentDirectory(dir.file("missing"));
    ASSERT_FALSE(r.hasValue());
    EXPECT_EQ(r.error().code, ENOENT);
    EXPECT_TRUE(r.error().message.empty());
    EXPECT_EQ(fs().currentDirectory(), before);

    ASSERT_TRUE(fs().setCurrentDirectory(dir.path()).hasValue());
    EXPECT_EQ(fs().currentDirectory().str(), fs().canonical(dir.path()).value().str());
    ASSERT_TRUE(fs().setCurrentDirectory(before).hasValue());
}

TEST(NativeFileOperations, TempDirectoryTakesOnlyAnAbsoluteTmpdir)
{
    const char* old = std::getenv("TMPDIR");
    const std::string saved = old ? old : "";
    ::setenv("TMPDIR", "/var/tmp", 1);
    EXPECT_EQ(fs().tempDirectory().str(), "/var/tmp/");
    ::setenv("TMPDIR", "relative/tmp", 1);
    EXPECT_EQ(fs().tempDirectory().str(), "/tmp/");
    ::unsetenv("TMPDIR");
    EXPECT_EQ(fs().tempDirectory().str(), "/tmp/");
    if (old)
        ::setenv("TMPDIR", saved.c_str(), 1);
}

TEST(NativeFileOperations, CopyMoveAndLinkNeverReplaceAnExistingTarget)
{
    TempDir dir;
    const std::string a = dir.write("a", "source");
    const std::string b = dir.write("b", "keep me");
    ::mkdir(dir.file("d").c_str(), 0755);

    expectFailure(fs().copy(a, b), EEXIST);
    expectFailure(fs().copyRecursive(a, b), EEXIST);
    expectFailure(fs().move(a, b), EEXIST);
    expectFailure(fs().move(a, dir.file("d")), EEXIST);
    expectFailure(fs().createHardLink(a, b), EEXIST);
    EXPECT_FALSE(fs().createSymlink(a, b).hasValue());
    // A dangling link is an existing target too.
    ASSERT_EQ(::symlink("nowhere", dir.file("dangling").c_str()), 0);
    expectFailure(fs().copy(a, dir.file("dangling")), EEXIST);
    expectFailure(fs().move(a, dir.file("dangling")), EEXIST);

    EXPECT_EQ(TempDir::readAll(b), "keep me");
    EXPECT_EQ(TempDir::readAll(a), "source");

    ASSERT_TRUE(fs().move(a, dir.file("c")).hasValue());
    EXPECT_FALSE(present(a));
    EXPECT_EQ(TempDir::readAll(dir.file("c")), "source");
    ASSERT_TRUE(fs().createHardLink(dir.file("c"), dir.file("h")).hasValue());
    EXPECT_EQ(TempDir::readAll(dir.file("h")), "source");
    const auto link = fs().createSymlink(Path("c"), dir.file("s"));
    ASSERT_TRUE(link.hasValue());
    EXPECT_EQ(link.value().str(), dir.file("s"));
}

TEST(NativeFileOperations, CopyKeepsModeTimesAndLinks)
{
    TempDir dir;
    ::mkdir(dir.file("src").c_str(), 0750);
    const std::string f = dir.write("src/f", "data");
    ::chmod(f.c_str(), 0640);
    ASSERT_EQ(::symlink("f", dir.file("src/l").c_str()), 0);
    ASSERT_EQ(::symlink("/etc", dir.file("src/out").c_str()), 0);
    ::mkdir(dir.file("src/sub").c_str(), 0700);
    dir.write("src/sub/g", "more");
    const auto old = std::chrono::system_clock::time_point(std::chrono::seconds(1500000000));
    fs().setLastModified(f, old);
    fs().setLastModified(dir.file("src/sub"), old);
    fs().setLastModified(dir.file("src"), old);

    ASSERT_TRUE(fs().copyRecursive(dir.file("src"), dir.file("dst")).hasValue());
    EXPECT_EQ(TempDir::readAll(dir.file("dst/f")), "data");
    EXPECT_EQ(modeOf(dir.file("dst/f")) & 07777, 0640u);
    EXPECT_EQ(modeOf(dir.file("dst")) & 07777, 0750u);
    EXPECT_EQ(mtimeOf(dir.file("dst/f")), 1500000000);
    EXPECT_EQ(mtimeOf(dir.file("dst/sub")), 1500000000);
    EXPECT_EQ(mtimeOf(dir.file("dst")), 1500000000);
    EXPECT_TRUE(S_ISLNK(modeOf(dir.file("dst/l"))));
    EXPECT_EQ(fs().readSymlink(dir.file("dst/l")).value().str(), "f");
    EXPECT_TRUE(S_ISLNK(modeOf(dir.file("dst/out"))));
    EXPECT_EQ(TempDir::readAll(dir.file("dst/sub/g")), "more");

    // Without recursion the folder comes alone.
    ASSERT_TRUE(fs().copy(dir.file("src"), dir.file("flat")).hasValue());
    EXPECT_TRUE(fs().isDirectory(dir.file("flat")).value());
    EXPECT_TRUE(fs().isEmpty(dir.file("flat")).value());
    // A single file is the same either way.
    ASSERT_TRUE(fs().copy(f, dir.file("single")).hasValue());
    EXPECT_EQ(TempDir::readAll(dir.file("single")), "data");
}

TEST(NativeFileOperations, CopyIntoItselfIsRefusedAndLeavesNothing)
{
    TempDir dir;
    ::mkdir(dir.file("a").c_str(), 0755);
    dir.write("a/x", "1");
    expectFailure(fs().copyRecursive(dir.file("a"), dir.file("a/inner")), EINVAL);
    EXPECT_FALSE(present(dir.file("a/inner")));
}

TEST(NativeFileOperations, FailedCopyLeavesNoPartialTarget)
{
    TempDir dir;
    ::mkdir(dir.file("src").c_str(), 0755);
    dir.write("src/a", "copied first");
    ::mkdir(dir.file("src/sub").c_str(), 0755);
    dir.write("src/sub/big", std::string(64 * 1024, 'x'));

    // A file-size limit makes the copy fail halfway, for root too.
    struct rlimit before {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
    struct rlimit small = before;
    small.rlim_cur = 4096;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const auto copied = fs().copyRecursive(dir.file("src"), dir.file("dst"));
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldHandler);

    expectFailure(copied, EFBIG);
    EXPECT_FALSE(present(dir.file("dst")));
    EXPECT_TRUE(present(dir.file("src/a")));
}

TEST(NativeFileOperations, ACopyKeepsTheHolesOfASparseFile)
{
    TempDir dir;
    const std::string sparse = dir.file("sparse");
    const off_t size = 64 << 20;
    {
        const int fd = ::open(sparse.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::pwrite(fd, "middle", 6, size / 2), 6);
        ASSERT_EQ(::ftruncate(fd, size), 0); // a hole at the end too
        ::close(fd);
    }
    struct stat source {};
    ASSERT_EQ(::stat(sparse.c_str(), &source), 0);
    ASSERT_LT(source.st_blocks * 512, size / 16) << "the file system of " << dir.path() << " keeps no holes";

    ASSERT_TRUE(fs().copy(sparse, dir.file("copy")).hasValue());
    struct stat copied {};
    ASSERT_EQ(::stat(dir.file("copy").c_str(), &copied), 0);
    EXPECT_EQ(copied.st_size, size);
    EXPECT_LE(copied.st_blocks, 2 * source.st_blocks);
    const int fd = ::open(dir.file("copy").c_str(), O_RDONLY);
    char text[8] = {};
    EXPECT_EQ(::pread(fd, text, 8, size / 2 - 1), 8);
    ::close(fd);
    EXPECT_EQ(std::string(text, 8), std::string("\0middle\0", 8));
}

TEST(NativeFileOperations, ATree1100LevelsDeepIsCopiedAndRemovedWithin1024Descriptors)
{
    TempDir dir;
    // Made through descriptors: 1100 levels of "d", a file at the bottom.
    const int levels = 1100;
    int fd = ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(::mkdirat(fd, "tree", 0755), 0);
    for (int i = 0; i <= levels && fd >= 0; ++i) {
        const int next = ::openat(fd, i == 0 ? "tree" : "d", O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
        if (fd >= 0 && i < levels)
            ::mkdirat(fd, "d", 0755);
    }
    ASSERT_GE(fd, 0);
    const int bottom = ::openat(fd, "bottom", O_WRONLY | O_CREAT | O_EXCL, 0644);
    ASSERT_EQ(::write(bottom, std::string(8192, 'b').data(), 8192), 8192);
    ::close(bottom);
    ::close(fd);

    // Depth of the copy below |top|, and the size of what lies at the bottom.
    const auto measure = [&](const std::string& top, int& depth) {
        depth = 0;
        int at = ::open(top.c_str(), O_RDONLY | O_DIRECTORY);
        for (int next; at >= 0 && (next = ::openat(at, "d", O_RDONLY | O_DIRECTORY)) >= 0; ++depth) {
            ::close(at);
            at = next;
        }
        struct stat st {};
        const bool found = at >= 0 && ::fstatat(at, "bottom", &st, 0) == 0;
        ::close(at);
        return found ? st.st_size : off_t(-1);
    };

    struct rlimit before {};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &before), 0);
    struct rlimit usual = before;
    usual.rlim_cur = std::min<rlim_t>(before.rlim_cur, 1024);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &usual), 0);
    // A copy that fails at the bottom (the file is beyond a file-size limit)
    // takes back all it made.
    struct rlimit sizeBefore {};
    ::getrlimit(RLIMIT_FSIZE, &sizeBefore);
    struct rlimit small = sizeBefore;
    small.rlim_cur = 4096;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &small);
    const auto failed = fs().copyRecursive(dir.file("tree"), dir.file("failed"));
    ::setrlimit(RLIMIT_FSIZE, &sizeBefore);
    std::signal(SIGXFSZ, oldHandler);
    const auto copied = fs().copyRecursive(dir.file("tree"), dir.file("copy"));
    int copyDepth = 0;
    const off_t copiedBottom = measure(dir.file("copy"), copyDepth);
    const auto removedCopy = fs().removeRecursive(dir.file("copy"));
    const auto removedTree = fs().removeRecursive(dir.file("tree"));
    ::setrlimit(RLIMIT_NOFILE, &before);

    expectFailure(failed, EFBIG);
    EXPECT_FALSE(present(dir.file("failed")));
    EXPECT_TRUE(copied.hasValue()) << copied.error().code;
    EXPECT_EQ(copyDepth, levels);
    EXPECT_EQ(copiedBottom, 8192);
    EXPECT_TRUE(removedCopy.hasValue()) << removedCopy.error().code;
    EXPECT_TRUE(removedTree.hasValue()) << removedTree.error().code;
    EXPECT_FALSE(present(dir.file("copy")));
    EXPECT_FALSE(present(dir.file("tree")));
}

TEST(NativeFileOperations, ALinkWrittenWithATrailingSlashIsTheLinkItself)
{
    TempDir dir;
    ::mkdir(dir.file("target").c_str(), 0755);
    dir.write("target/precious", "keep");
    ASSERT_EQ(::symlink("target", dir.file("link").c_str()), 0);

    ASSERT_TRUE(fs().copyRecursive(dir.file("link/"), dir.file("copy")).hasValue());
    EXPECT_TRUE(S_ISLNK(modeOf(dir.file("copy"))));
    ASSERT_TRUE(fs().move(dir.file("copy/"), dir.file("moved")).hasValue());
    EXPECT_TRUE(S_ISLNK(modeOf(dir.file("moved"))));
    ASSERT_TRUE(fs().removeRecursive(dir.file("moved//")).hasValue());
    ASSERT_TRUE(fs().removeRecursive(dir.file("link/")).hasValue());
    EXPECT_FALSE(present(dir.file("moved")));
    EXPECT_FALSE(present(dir.file("link")));
    // The folder by another of its names is refused, not emptied.
    expectFailure(fs().removeRecursive(dir.file("target/.")), EINVAL);
    EXPECT_EQ(TempDir::readAll(dir.file("target/precious")), "keep");
}

TEST(NativeFileOperations, ARemovalStopsWhereTheFolderItWalksWasMovedAway)
{
    TempDir dir;
    ASSERT_TRUE(fs().createDirectories(dir.file("tree/a/b")).hasValue());
    dir.write("tree/a/b/trigger", "");
    dir.write("tree/a/z", "");
    ::mkdir(dir.file("elsewhere").c_str(), 0755);
    dir.write("elsewhere/z", "precious");
    // b goes to elsewhere while the walk stands in it: its ".." is not a any more.
    moveOnUnlink = MoveOnUnlink{"trigger", dir.file("tree/a/b"), dir.file("elsewhere/b")};
    expectFailure(fs().removeRecursive(dir.file("tree")), ESTALE);
    moveOnUnlink.name = nullptr;
    EXPECT_EQ(TempDir::readAll(dir.file("elsewhere/z")), "precious");
    EXPECT_TRUE(present(dir.file("tree/a/z")));
}

TEST(NativeFileOperations, AFailedCopyLeavesATargetThatAnotherProcessMade)
{
    TempDir dir;
    ::mkdir(dir.file("src").c_str(), 0755);
    dir.write("src/a", "ours");
    const std::string target = dir.file("dst");
    targetMadeByAnother = target.c_str();
    expectFailure(fs().copyRecursive(dir.file("src"), target), EEXIST);
    targetMadeByAnother = nullptr;
    EXPECT_TRUE(present(target + "/theirs"));
    EXPECT_FALSE(present(target + "/a"));
}

TEST(NativeFileOperations, RemoveIsFlatUnlessRecursiveAndNeverLeavesTheTree)
{
    TempDir dir;
    ::mkdir(dir.file("outside").c_str(), 0755);
    dir.write("outside/precious", "keep");
    ::mkdir(dir.file("tree").c_str(), 0755);
    ::mkdir(dir.file("tree/sub").c_str(), 0755);
    dir.write("tree/sub/f", "x");
    ASSERT_EQ(::symlink(dir.file("outside").c_str(), dir.file("tree/link").c_str()), 0);
    ASSERT_EQ(::symlink(dir.file("outside").c_str(), dir.file("tree/sub/link2").c_str()), 0);

    expectFailure(fs().remove(dir.file("tree")), ENOTEMPTY);
    EXPECT_TRUE(present(dir.file("tree/sub/f")));

    ASSERT_TRUE(fs().removeRecursive(dir.file("tree")).hasValue());
    EXPECT_FALSE(present(dir.file("tree")));
    EXPECT_EQ(TempDir::readAll(dir.file("outside/precious")), "keep");

    // A link given as the item itself is removed as a link.
    ASSERT_EQ(::symlink(dir.file("outside").c_str(), dir.file("top").c_str()), 0);
    ASSERT_TRUE(fs().removeRecursive(dir.file("top")).hasValue());
    EXPECT_FALSE(present(dir.file("top")));
    EXPECT_EQ(TempDir::readAll(dir.file("outside/precious")), "keep");

    ::mkdir(dir.file("empty").c_str(), 0755);
    EXPECT_TRUE(fs().remove(dir.file("empty")).hasValue());
    expectFailure(fs().remove(dir.file("empty")), ENOENT);
}

TEST(NativeFileOperations, MoveAcrossDevicesCopiesThenRemoves)
{
    TempDir dir;
    struct stat a {}, b {};
    if (::stat("/dev/shm", &b) != 0 || ::stat(dir.path().c_str(), &a) != 0 || a.st_dev == b.st_dev
        || ::access("/dev/shm", W_OK) != 0)
        GTEST_SKIP() << "no second writable device";
    char pattern[] = "/dev/shm/hg_move_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string other = pattern;

    ::mkdir(dir.file("tree").c_str(), 0755);
    dir.write("tree/f", "payload");
    ASSERT_EQ(::symlink("f", dir.file("tree/l").c_str()), 0);
    const std::string target = other + "/tree";
    ASSERT_TRUE(fs().move(dir.file("tree"), target).hasValue());
    EXPECT_FALSE(present(dir.file("tree")));
    EXPECT_EQ(TempDir::readAll(target + "/f"), "payload");
    EXPECT_TRUE(S_ISLNK(modeOf(target + "/l")));

    // The target exists now: a second move across devices must refuse it.
    dir.write("again", "other");
    ::mkdir(dir.file("tree").c_str(), 0755);
    expectFailure(fs().move(dir.file("tree"), target), EEXIST);
    EXPECT_TRUE(present(dir.file("tree")));
    EXPECT_EQ(TempDir::readAll(target + "/f"), "payload");

    fs().removeRecursive(other);
}

TEST(NativeFileOperations, AMoveAcrossDevicesThatCannotRemoveItsSourceTakesItsCopyBack)
{
    TempDir dir;
    ::mkdir(dir.file("source").c_str(), 0755);
    ::mkdir(dir.file("source/tree").c_str(), 0755);
    dir.write("source/tree/f", "payload");
    ::mkdir(dir.file("other").c_str(), 0755);
    const auto run = Holmgrave::Test::runWithPrivateMounts([&]() -> std::string {
        // Another device, and a source on a read-only mount.
        if (::mount("hg-test", dir.file("other").c_str(), "tmpfs", 0, "size=1m") != 0)
            return std::string("tmpfs: ") + std::strerror(errno);
        if (std::string problem = Holmgrave::Test::bindMount(dir.file("source"), dir.file("source"), true);
            !problem.empty())
            return problem;
        const auto moved = fs().move(dir.file("source/tree"), dir.file("other/tree"));
        if (moved.hasValue() || moved.error().code != EROFS)
            return "the move ended with " + std::to_string(moved.hasValue() ? 0 : moved.error().code);
        if (present(dir.file("other/tree")))
            return "the copy stayed at the target";
        return TempDir::readAll(dir.file("source/tree/f")) == "payload" ? "" : "the source was harmed";
    });
    if (!run.available) {
        if (::geteuid() == 0)
            FAIL() << run.unavailable;
        GTEST_SKIP() << run.unavailable;
    }
    EXPECT_EQ(run.failure, "");
}
