#include "core/platform/linux/PosixFiles.h"
#include "core/platform/linux/FolderWalk.h"
#include "core/platform/linux/PathText.h"
#include "core/platform/linux/RandomSource.h"
#include "core/platform/linux/UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <vector>

namespace Holmgrave::FS::Detail {

namespace {

// Copies the bytes of |in| to the new, empty |out|. Holes stay holes: only
// the data the file system reports (SEEK_DATA, SEEK_HOLE) is read and
// written, and the length is set at the end, so a sparse file is not filled.
int copyFileData(int in, int out)
{
    std::vector<char> buffer(128 * 1024);
    bool seeksData = true;  // until the file system says it cannot
    off_t offset = 0;
    for (;;) {
        off_t start = offset;
        off_t stop = std::numeric_limits<off_t>::max();
        if (seeksData) {
            start = ::lseek(in, offset, SEEK_DATA);
            if (start < 0 && errno == ENXIO) {
                // Nothing but a hole up to the end.
                struct stat st {};
                if (::fstat(in, &st) != 0)
                    return lastError();
                return ::ftruncate(out, std::max(st.st_size, offset)) == 0 ? 0 : lastError();
            }
            if (start < 0) {
                if (errno != EINVAL)
                    return lastError();
                seeksData = false;
                start = offset;
            } else if ((stop = ::lseek(in, start, SEEK_HOLE)) < 0) {
                return lastError();
            }
        }
        for (off_t at = start; at < stop;) {
            const off_t want = std::min<off_t>(stop - at, static_cast<off_t>(buffer.size()));
            const ssize_t got = ::pread(in, buffer.data(), static_cast<std::size_t>(want), at);
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                return lastError();
            }
            if (got == 0)  // the end (of a file that may have shrunk meanwhile)
                return ::ftruncate(out, at) == 0 ? 0 : lastError();
            for (ssize_t done = 0; done < got;) {
                const ssize_t put
                    = ::pwrite(out, buffer.data() + done, static_cast<std::size_t>(got - done), at + done);
                if (put < 0) {
                    if (errno == EINTR)
                        continue;
                    return lastError();
                }
                done += put;
            }
            at += got;
        }
        offset = stop;
    }
}

// Copies the regular file |fromName| (relative to |fromDir|, or a path with
// AT_FDCWD) to the new file |toName|, with its mode and times. A failure
// removes the new file, which was made by us (O_EXCL).
int copyRegular(int fromDir, const std::string& fromName, int toDir, const std::string& toName)
{
    // O_NONBLOCK: a pipe put in the file's place must not hold the copy up.
    Fd in(::openat(fromDir, fromName.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!in.valid())
        return lastError();
    struct stat st {};
    if (::fstat(in.get(), &st) != 0)
        return lastError();
    if (!S_ISREG(st.st_mode))
        return ESTALE;  // no longer the file that was listed
    Fd out(::openat(toDir, toName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
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
        ::unlinkat(toDir, toName.c_str(), 0);
    return rc;
}

int readLinkAt(int dir, const std::string& name, std::string& target)
{
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t n = ::readlinkat(dir, name.c_str(), buffer.data(), buffer.size());
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

// Copies one item that is not a folder; |st| is what lstat saw of it.
int copyNonFolder(int fromDir, const std::string& fromName, int toDir, const std::string& toName,
                  const struct stat& st)
{
    if (S_ISLNK(st.st_mode)) {
        std::string target;
        if (const int rc = readLinkAt(fromDir, fromName, target); rc != 0)
            return rc;
        if (::symlinkat(target.c_str(), toDir, toName.c_str()) != 0)
            return lastError();
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        // Not every file system keeps link times.
        ::utimensat(toDir, toName.c_str(), times, AT_SYMLINK_NOFOLLOW);
        return 0;
    }
    if (S_ISREG(st.st_mode))
        return copyRegular(fromDir, fromName, toDir, toName);
    if (S_ISFIFO(st.st_mode))
        return ::mkfifoat(toDir, toName.c_str(), st.st_mode & 07777) == 0 ? 0 : lastError();
    return ::mknodat(toDir, toName.c_str(), st.st_mode, st.st_rdev) == 0 ? 0 : lastError();
}

// A copied folder takes its source's permissions and times last: the copying
// would change the time, and a read-only source folder must not stop us
// filling the copy.
int finishFolder(int made, const struct stat& source)
{
    if (::fchmod(made, source.st_mode & 07777) != 0)
        return lastError();
    const struct timespec times[2] = {source.st_atim, source.st_mtim};
    return ::futimens(made, times) == 0 ? 0 : lastError();
}

// The entries of |folder| in the order a walk takes them from the back.
int namesToVisit(int folder, std::vector<std::string>& names)
{
    const int rc = listFolder(folder, names);
    std::reverse(names.begin(), names.end());
    return rc;
}

// Copies everything inside the folder |from| into the empty folder |to|
// (both descriptors taken), without following any link, holding a bounded
// set of descriptors whatever the depth.
int copyContents(int from, int to)
{
    FolderWalk source(from);
    FolderWalk target(to);
    struct Level {
        std::vector<std::string> left;  // names still to copy, the next one last
        struct stat folder {};          // the source folder, for finishing its copy
    };
    std::vector<Level> levels(1);
    if (const int rc = namesToVisit(source.fd(), levels.back().left); rc != 0)
        return rc;
    for (;;) {
        Level& level = levels.back();
        if (level.left.empty()) {
            if (source.depth() == 0)
                return 0;
            Fd made;
            if (const int rc = source.leave(); rc != 0)
                return rc;
            if (const int rc = target.leave(&made); rc != 0)
                return rc;
            const int rc = finishFolder(made.get(), level.folder);
            levels.pop_back();
            if (rc != 0)
                return rc;
            continue;
        }
        const std::string name = std::move(level.left.back());
        level.left.pop_back();
        struct stat st {};
        if (::fstatat(source.fd(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            return lastError();
        if (!S_ISDIR(st.st_mode)) {
            if (const int rc = copyNonFolder(source.fd(), name, target.fd(), name, st); rc != 0)
                return rc;
            continue;
        }
        Level sub;
        if (::mkdirat(target.fd(), name.c_str(), 0700) != 0)
            return lastError();
        if (const int rc = source.enter(name, &sub.folder); rc != 0)
            return rc;
        if (const int rc = target.enter(name); rc != 0)
            return rc;
        if (const int rc = namesToVisit(source.fd(), sub.left); rc != 0)
            return rc;
        levels.push_back(std::move(sub));
    }
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

// Removes everything inside the folder |fd| (the descriptor is taken)
// without following any link, holding a bounded set of descriptors whatever
// the depth. |removed| is set once anything is gone.
int removeContents(int fd, bool& removed)
{
    FolderWalk walk(fd);
    std::vector<std::vector<std::string>> levels(1);  // names still to remove per level, the next one last
    if (const int rc = namesToVisit(walk.fd(), levels.back()); rc != 0)
        return rc;
    for (;;) {
        std::vector<std::string>& left = levels.back();
        if (left.empty()) {
            if (walk.depth() == 0)
                return 0;
            const std::string name = walk.name();
            if (const int rc = walk.leave(); rc != 0)
                return rc;
            levels.pop_back();
            if (::unlinkat(walk.fd(), name.c_str(), AT_REMOVEDIR) != 0 && errno != ENOENT)
                return lastError();
            removed = true;
            continue;
        }
        const std::string name = std::move(left.back());
        left.pop_back();
        struct stat st {};
        if (::fstatat(walk.fd(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT)
                continue;
            return lastError();
        }
        if (!S_ISDIR(st.st_mode)) {
            if (::unlinkat(walk.fd(), name.c_str(), 0) != 0 && errno != ENOENT)
                return lastError();
            removed = true;
            continue;
        }
        // O_NOFOLLOW: if the folder was swapped for a link since the
        // fstatat, entering fails instead of leaving the tree.
        if (const int rc = walk.enter(name); rc != 0) {
            if (rc == ENOENT)
                continue;
            return rc;
        }
        std::vector<std::string> names;
        if (const int rc = namesToVisit(walk.fd(), names); rc != 0)
            return rc;
        levels.push_back(std::move(names));
    }
}

// The item a path names, never what a link there leads to: trailing slashes
// would make the system follow a link to a folder, so they go.
std::string itemPath(const std::string& path)
{
    return withoutTrailingSlashes(path);
}

// |removed| is set once anything is gone.
int removeItem(const std::string& path, bool recursive, bool& removed)
{
    const std::string item = itemPath(path);
    // "." and ".." name a folder by another of its names, as "link/" does.
    const std::string name = baseName(item);
    if (name == "." || name == "..")
        return EINVAL;
    struct stat st {};
    if (::lstat(item.c_str(), &st) != 0)
        return lastError();
    if (!S_ISDIR(st.st_mode)) {
        if (::unlink(item.c_str()) != 0)
            return lastError();
        removed = true;
        return 0;
    }
    if (recursive) {
        const int fd = ::open(item.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            return lastError();
        if (const int rc = removeContents(fd, removed); rc != 0)
            return rc;
    }
    if (::rmdir(item.c_str()) != 0)
        return lastError();
    removed = true;
    return 0;
}

// Removes what a copy made at |path|, when |path| still is that item.
void removeCopy(const std::string& path, const struct stat& made)
{
    struct stat now {};
    bool removed = false;
    if (::lstat(path.c_str(), &now) == 0 && now.st_dev == made.st_dev && now.st_ino == made.st_ino)
        removeItem(path, true, removed);
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
    return readLinkAt(AT_FDCWD, path, target);
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

int posixCopy(const std::string& fromPath, const std::string& toPath, bool recursive)
{
    const std::string from = itemPath(fromPath);
    const std::string to = itemPath(toPath);
    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0)
        return lastError();
    struct stat existing {};
    if (::lstat(to.c_str(), &existing) == 0)
        return EEXIST;
    if (!S_ISDIR(st.st_mode))
        return copyNonFolder(AT_FDCWD, from, AT_FDCWD, to, st);
    if (recursive && liesInside(to, st))
        return EINVAL;

    // The source is opened first, so that a folder we cannot read leaves
    // nothing behind.
    Fd source(::open(from.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!source.valid())
        return lastError();
    struct stat folder {};
    if (::fstat(source.get(), &folder) != 0)
        return lastError();
    if (::mkdir(to.c_str(), 0700) != 0)
        return lastError();
    // Only the folder this copy made goes again on a failure: a target that
    // another process created since the check above makes mkdir fail, and it
    // is not ours to remove.
    struct stat made {};
    if (::lstat(to.c_str(), &made) != 0)
        return lastError();
    if (!S_ISDIR(made.st_mode))
        return ESTALE;  // replaced at once by another process
    Fd target(::open(to.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    int rc = target.valid() ? 0 : lastError();
    struct stat opened {};
    if (rc == 0 && ::fstat(target.get(), &opened) != 0)
        rc = lastError();
    if (rc == 0 && (opened.st_dev != made.st_dev || opened.st_ino != made.st_ino))
        rc = ESTALE;
    if (rc == 0 && recursive) {
        // The walk takes descriptors of its own; these two finish the top.
        Fd walkFrom(::fcntl(source.get(), F_DUPFD_CLOEXEC, 0));
        Fd walkInto(::fcntl(target.get(), F_DUPFD_CLOEXEC, 0));
        if (!walkFrom.valid() || !walkInto.valid())
            rc = lastError();
        else
            rc = copyContents(walkFrom.release(), walkInto.release());
    }
    if (rc == 0)
        rc = finishFolder(target.get(), folder);
    if (rc != 0)
        removeCopy(to, made);
    return rc;
}

int posixRenameNoReplace(const std::string& from, const std::string& to)
{
    return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0 ? 0 : lastError();
}

int posixMove(const std::string& fromPath, const std::string& toPath)
{
    const std::string from = itemPath(fromPath);
    const std::string to = itemPath(toPath);
    int rc = posixRenameNoReplace(from, to);
    if (rc == 0 || (rc != EXDEV && rc != EINVAL && rc != ENOSYS && rc != EOPNOTSUPP))
        return rc;

    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0)
        return lastError();
    if (rc == EXDEV) {
        // Across devices: the source goes only once the whole copy stands.
        if ((rc = posixCopy(from, to, true)) != 0)
            return rc;
        struct stat made {};
        if (::lstat(to.c_str(), &made) != 0)
            return lastError();
        // A source that cannot go leaves no second item behind, so that the
        // move can be tried again; its folder is asked first, so that a
        // folder's contents are not removed when the folder itself cannot be.
        bool removed = false;
        if (::faccessat(AT_FDCWD, parentOf(from).c_str(), W_OK | X_OK, AT_EACCESS) != 0)
            rc = lastError();
        else
            rc = removeItem(from, true, removed);
        // Once part of the source is gone, the copy holds the only whole
        // item and stays.
        if (rc != 0 && !removed)
            removeCopy(to, made);
        return rc;
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
    bool removed = false;
    return removeItem(path, recursive, removed);
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
