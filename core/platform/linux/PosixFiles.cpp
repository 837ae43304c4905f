#include "core/platform/linux/PosixFiles.h"
#include "core/platform/linux/PathText.h"
#include "core/platform/linux/RandomSource.h"
#include "core/platform/linux/UniqueDir.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace Holmgrave::FS::Detail {

namespace {

// Closes a descriptor on every way out of a scope.
class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    // Closes now and reports the close's own failure (a late write error).
    int close()
    {
        if (m_fd < 0)
            return 0;
        const int rc = ::close(m_fd);
        m_fd = -1;
        return rc == 0 ? 0 : lastError();
    }
    void reset()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd;
};

// Folder entries without "." and "..", sorted so that every listing of the
// same folder comes out in the same order.
int listNames(DIR* dir, std::vector<std::string>& names)
{
    names.clear();
    errno = 0;
    while (dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
        errno = 0;
    }
    if (errno != 0)
        return errno;
    std::sort(names.begin(), names.end());
    return 0;
}

int copyFileData(int in, int out)
{
    std::vector<char> buffer(128 * 1024);
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return lastError();
        }
        if (got == 0)
            return 0;
        ssize_t done = 0;
        while (done < got) {
            const ssize_t put = ::write(out, buffer.data() + done, static_cast<std::size_t>(got - done));
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                return lastError();
            }
            done += put;
        }
    }
}

int copyRegular(const std::string& from, const std::string& to, const struct stat& st)
{
    Fd in(::open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!in.valid())
        return lastError();
    Fd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!out.valid())
        return lastError();
    int rc = copyFileData(in.get(), out.get());
    if (rc == 0 && ::fchmod(out.get(), st.st_mode & 07777) != 0)
        rc = lastError();
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (rc == 0 && ::futimens(out.get(), times) != 0)
        rc = lastError();
    const int closed = out.close();
    if (rc == 0)
        rc = closed;
    if (rc != 0)
        ::unlink(to.c_str());  // the target was made by us (O_EXCL): no partial file stays
    return rc;
}

// The identity of a folder a copy made, so that a failed copy removes that
// folder and nothing that another process put at the same name.
struct MadeFolder {
    bool made = false;
    dev_t device = 0;
    ino_t inode = 0;
};

int copyItem(const std::string& from, const std::string& to, bool recursive, MadeFolder* made = nullptr);

int copyFolder(const std::string& from, const std::string& to, const struct stat& st, bool recursive,
               MadeFolder* made)
{
    if (::mkdir(to.c_str(), 0700) != 0)
        return lastError();
    struct stat own {};
    if (made != nullptr && ::lstat(to.c_str(), &own) == 0 && S_ISDIR(own.st_mode))
        *made = MadeFolder{true, own.st_dev, own.st_ino};
    int rc = 0;
    if (recursive) {
        UniqueDir dir(::opendir(from.c_str()));
        std::vector<std::string> names;
        if (!dir)
            rc = lastError();
        else
            rc = listNames(dir.get(), names);
        for (const std::string& name : names) {
            if (rc != 0)
                break;
            rc = copyItem(joinName(from, name), joinName(to, name), true);
        }
    }
    // Permissions and time go on last: the copying above would change the
    // time, and a read-only source folder must not stop us filling the copy.
    if (rc == 0 && ::chmod(to.c_str(), st.st_mode & 07777) != 0)
        rc = lastError();
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (rc == 0 && ::utimensat(AT_FDCWD, to.c_str(), times, 0) != 0)
        rc = lastError();
    return rc;
}

int copyItem(const std::string& from, const std::string& to, bool recursive, MadeFolder* made)
{
    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0)
        return lastError();
    if (S_ISLNK(st.st_mode)) {
        std::string target;
        if (const int rc = posixReadSymlink(from, target); rc != 0)
            return rc;
        if (::symlink(target.c_str(), to.c_str()) != 0)
            return lastError();
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        ::utimensat(AT_FDCWD, to.c_str(), times, AT_SYMLINK_NOFOLLOW);  // not every file system keeps link times
        return 0;
    }
    if (S_ISREG(st.st_mode))
        return copyRegular(from, to, st);
    if (S_ISDIR(st.st_mode))
        return copyFolder(from, to, st, recursive, made);
    if (S_ISFIFO(st.st_mode))
        return ::mkfifo(to.c_str(), st.st_mode & 07777) == 0 ? 0 : lastError();
    return ::mknod(to.c_str(), st.st_mode, st.st_rdev) == 0 ? 0 : lastError();
}

// True when |path| (or the folder that would hold it) lies inside the folder
// with the identity of |folder|: copying a folder into itself would not end.
bool liesInside(const std::string& path, const struct stat& folder)
{
    std::string p = posixCanonical(parentOf(path));
    for (;;) {
        struct stat st {};
        if (::stat(p.c_str(), &st) == 0 && st.st_dev == folder.st_dev && st.st_ino == folder.st_ino)
            return true;
        if (p == "/" || p == "." || p.empty())
            return false;
        p = parentOf(p);
    }
}

// Removes everything inside the open folder |fd| without following any link.
int removeContents(int fd)
{
    UniqueDir dir(::fdopendir(fd));
    if (!dir) {
        const int rc = lastError();
        ::close(fd);
        return rc;
    }
    std::vector<std::string> names;
    if (const int rc = listNames(dir.get(), names); rc != 0)
        return rc;
    const int self = ::dirfd(dir.get());
    for (const std::string& name : names) {
        struct stat st {};
        if (::fstatat(self, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT)
                continue;
            return lastError();
        }
        if (S_ISDIR(st.st_mode)) {
            // O_NOFOLLOW: if the folder was swapped for a link since the
            // fstatat, the open fails instead of leaving the tree.
            const int sub = ::openat(self, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub < 0)
                return lastError();
            if (const int rc = removeContents(sub); rc != 0)
                return rc;
            if (::unlinkat(self, name.c_str(), AT_REMOVEDIR) != 0 && errno != ENOENT)
                return lastError();
        } else if (::unlinkat(self, name.c_str(), 0) != 0 && errno != ENOENT) {
            return lastError();
        }
    }
    return 0;
}

// Puts a new empty file in |path|'s place: it is made under a fresh name in
// the same folder and renamed over the old name.
int replaceWithEmptyFile(const std::string& path)
{
    static const char hex[] = "0123456789abcdef";
    const std::string folder = parentOf(path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        unsigned char random[8];
        if (!Platform::fillRandom(random, sizeof random))
            return EIO;
        std::string name = ".hg-new-";
        for (const unsigned char b : random) {
            name.push_back(hex[b >> 4]);
            name.push_back(hex[b & 0x0F]);
        }
        const std::string temporary = joinName(folder, name);
        Fd fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!fd.valid()) {
            if (errno == EEXIST)
                continue;
            return lastError();
        }
        int rc = fd.close();
        if (rc == 0 && ::rename(temporary.c_str(), path.c_str()) != 0)
            rc = lastError();
        if (rc != 0)
            ::unlink(temporary.c_str());
        return rc;
    }
    return EEXIST;
}

}  // namespace


std::string posixCurrentDirectory()
{
    std::vector<char> buffer(4096);
    for (;;) {
        if (::getcwd(buffer.data(), buffer.size()) != nullptr)
            return std::string(buffer.data());
        if (errno != ERANGE || buffer.size() > (1u << 20))
            return std::string();
        buffer.resize(buffer.size() * 2);
    }
}

std::string posixTempDirectory()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = (tmp != nullptr && tmp[0] == '/') ? std::string(tmp) : std::string("/tmp/");
    if (dir.back() != '/')
        dir.push_back('/');
    return dir;
}

std::string posixCanonical(const std::string& path)
{
    if (path.empty())
        return path;
    const std::string current = path[0] == '/' ? std::string() : posixCurrentDirectory();
    if (path[0] != '/' && current.empty())
        return path;  // no current folder to start from
    const std::string absolute = path[0] == '/' ? path : joinName(current, path);
    if (std::string real = realPath(absolute); !real.empty())
        return real;
    // Something is missing: the longest part that exists is resolved, the
    // rest is kept as given, except that "." goes and ".." takes back a
    // missing component (a missing item cannot be a link).
    std::string resolved = "/";
    std::vector<std::string> missing;
    std::size_t pos = 0;
    while (pos < absolute.size()) {
        std::size_t end = absolute.find('/', pos);
        if (end == std::string::npos)
            end = absolute.size();
        const std::string part = absolute.substr(pos, end - pos);
        pos = end + 1;
        if (part.empty() || part == ".")
            continue;
        if (!missing.empty()) {
            if (part == "..")
                missing.pop_back();
            else
                missing.push_back(part);
            continue;
        }
        const std::string real = realPath(joinName(resolved, part));
        if (!real.empty())
            resolved = real;
        else if (part == "..")
            resolved = parentOf(resolved);  // a folder above an unreadable one
        else
            missing.push_back(part);
    }
    for (const std::string& part : missing)
        resolved = joinName(resolved, part);
    return resolved;
}

int posixFileType(const std::string& path, bool followLinks, PosixFileType& type)
{
    struct stat st {};
    const int rc = followLinks ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st);
    if (rc != 0)
        return lastError();
    if (S_ISREG(st.st_mode))
        type = PosixFileType::regular;
    else if (S_ISDIR(st.st_mode))
        type = PosixFileType::directory;
    else if (S_ISLNK(st.st_mode))
        type = PosixFileType::symlink;
    else if (S_ISSOCK(st.st_mode))
        type = PosixFileType::socket;
    else if (S_ISBLK(st.st_mode))
        type = PosixFileType::block;
    else if (S_ISCHR(st.st_mode))
        type = PosixFileType::character;
    else
        type = PosixFileType::none;  // named pipes
    return 0;
}

int posixFileSize(const std::string& path, std::uint64_t& size)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return lastError();
    size = static_cast<std::uint64_t>(st.st_size);
    return 0;
}

int posixLastModified(const std::string& path, std::time_t& seconds)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return lastError();
    seconds = st.st_mtim.tv_sec;
    return 0;
}

bool posixExists(const std::string& path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

int posixReadSymlink(const std::string& path, std::string& target)
{
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
        if (n < 0)
            return lastError();
        if (static_cast<std::size_t>(n) < buffer.size()) {
            target.assign(buffer.data(), static_cast<std::size_t>(n));
            return 0;
        }
        if (buffer.size() > (1u << 20))
            return ENAMETOOLONG;
        buffer.resize(buffer.size() * 2);
    }
}

int posixSetCurrentDirectory(const std::string& path)
{
    return ::chdir(path.c_str()) == 0 ? 0 : lastError();
}

int posixCreateFile(const std::string& path)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        Fd fresh(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (fresh.valid())
            return fresh.close();
        if (errno != EEXIST)
            return lastError();
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) {
            if (errno == ENOENT)
                continue;  // gone again since: make it anew
            return lastError();
        }
        if (S_ISDIR(st.st_mode))
            return EISDIR;
        if (S_ISREG(st.st_mode) && st.st_nlink == 1) {
            // The file has no other name: emptying it in place keeps its
            // owner and permissions.
            Fd existing(::open(path.c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
            if (!existing.valid())
                return lastError();
            return existing.close();
        }
        // A link, a file with other names, a pipe or a device: the name is
        // replaced by a new empty file, and what it led to stays as it is.
        return replaceWithEmptyFile(path);
    }
    return EEXIST;
}

int posixCreateDirectory(const std::string& path, bool intermediates)
{
    if (!intermediates)
        return ::mkdir(path.c_str(), 0777) == 0 ? 0 : lastError();
    if (path.empty())
        return ENOENT;
    std::size_t pos = 0;
    for (;;) {
        pos = path.find('/', pos + 1);
        const std::string prefix = path.substr(0, pos);
        if (!prefix.empty() && prefix.back() != '/' && ::mkdir(prefix.c_str(), 0777) != 0) {
            const int rc = errno;
            struct stat st {};
            if (rc != EEXIST || ::stat(prefix.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
                return rc == EEXIST ? ENOTDIR : (rc != 0 ? rc : EIO);
        }
        if (pos == std::string::npos)
            return 0;
    }
}

int posixCreateHardLink(const std::string& existing, const std::string& newPath)
{
    return ::link(existing.c_str(), newPath.c_str()) == 0 ? 0 : lastError();
}

int posixCreateSymlink(const std::string& target, const std::string& linkPath)
{
    return ::symlink(target.c_str(), linkPath.c_str()) == 0 ? 0 : lastError();
}

int posixCopy(const std::string& from, const std::string& to, bool recursive)
{
    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0)
        return lastError();
    struct stat existing {};
    if (::lstat(to.c_str(), &existing) == 0)
        return EEXIST;
    if (S_ISDIR(st.st_mode) && recursive && liesInside(to, st))
        return EINVAL;
    MadeFolder made;
    const int rc = copyItem(from, to, recursive, &made);
    if (rc != 0 && made.made) {
        // Only the folder this copy made goes again: a target that another
        // process created since the check above makes mkdir fail, and it is
        // not ours to remove.
        struct stat now {};
        if (::lstat(to.c_str(), &now) == 0 && now.st_dev == made.device && now.st_ino == made.inode)
            posixRemove(to, true);
    }
    return rc;
}

int posixRenameNoReplace(const std::string& from, const std::string& to)
{
    return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0 ? 0 : lastError();
}

int posixMove(const std::string& from, const std::string& to)
{
    int rc = posixRenameNoReplace(from, to);
    if (rc == 0 || (rc != EXDEV && rc != EINVAL && rc != ENOSYS && rc != EOPNOTSUPP))
        return rc;

    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0)
        return lastError();
    if (rc == EXDEV) {
        // Across devices: the source goes only once the whole copy stands.
        rc = posixCopy(from, to, true);
        if (rc != 0)
            return rc;
        return posixRemove(from, true);
    }
    // The file system does not know RENAME_NOREPLACE (or the move is into
    // the item itself, which the plain rename refuses again below).
    struct stat existing {};
    if (::lstat(to.c_str(), &existing) == 0)
        return EEXIST;
    if (!S_ISDIR(st.st_mode)) {
        // link() refuses an existing target atomically.
        if (::link(from.c_str(), to.c_str()) == 0)
            return ::unlink(from.c_str()) == 0 ? 0 : lastError();
        if (errno == EEXIST)
            return EEXIST;
    }
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : lastError();
}

int posixRemove(const std::string& path, bool recursive)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return lastError();
    if (!S_ISDIR(st.st_mode))
        return ::unlink(path.c_str()) == 0 ? 0 : lastError();
    if (recursive) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            return lastError();
        if (const int rc = removeContents(fd); rc != 0)
            return rc;
    }
    return ::rmdir(path.c_str()) == 0 ? 0 : lastError();
}

int posixSetLastModified(const std::string& path, std::time_t seconds)
{
    struct timespec times[2] {};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = seconds;
    times[1].tv_nsec = 0;
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0 ? 0 : lastError();
}

}  // namespace Holmgrave::FS::Detail
