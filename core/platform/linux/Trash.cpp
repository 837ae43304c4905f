#include "core/platform/linux/Trash.h"

#include "core/platform/linux/PathText.h"
#include "core/platform/linux/PosixFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

namespace Holmgrave::FS::Detail {

namespace {

// Strictly below |folder|, not the folder itself.
bool isInside(const std::string& path, const std::string& folder)
{
    return isSameOrInside(path, folder) && withoutTrailingSlashes(path) != withoutTrailingSlashes(folder);
}

// A folder of ours: exists (made with 0700 when missing), is a real folder
// and not a link, and, when |ownerMustBeUs|, belongs to the calling user.
int ensurePrivateFolder(const std::string& path, bool ownerMustBeUs)
{
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return lastError();
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return lastError();
    if (!S_ISDIR(st.st_mode))
        return ENOTDIR;
    if (ownerMustBeUs && st.st_uid != ::getuid())
        return EACCES;
    return 0;
}

// The device of |path| or, when it does not exist yet, of its nearest
// existing ancestor (the home trash may not have been made yet).
bool deviceOf(std::string path, dev_t& device)
{
    for (;;) {
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0) {
            device = st.st_dev;
            return true;
        }
        if (path == "/" || path.find('/') == std::string::npos)
            return false;
        path = parentOf(path);
    }
}

struct TrashTarget {
    std::string folder;    // the trash folder holding files/ and info/
    std::string infoPath;  // the Path= value before encoding
};

int findTopTrash(const std::string& item, const struct stat& itemStat, const TrashSettings& settings,
                 TrashTarget& target)
{
    int error = 0;
    const MountTable table = readMountTable(settings.mountInfo, error);
    if (error != 0)
        return error;
    const MountEntry* mount = findMountForDevice(table, major(itemStat.st_dev), minor(itemStat.st_dev), item);
    if (mount == nullptr || !(mount->mountPoint == "/" || isInside(item, mount->mountPoint)))
        return EXDEV;
    const std::string top = mount->mountPoint;
    const std::string uid = std::to_string(::getuid());

    // The administrator's shared trash counts only when it is a sticky folder
    // and not a link; anything else could hand our files to someone else.
    const std::string shared = joinName(top, ".Trash");
    struct stat st {};
    if (::lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) != 0) {
        const std::string own = joinName(shared, uid);
        if (ensurePrivateFolder(own, true) == 0)
            target.folder = own;
    }
    if (target.folder.empty()) {
        const std::string own = joinName(top, ".Trash-" + uid);
        if (const int rc = ensurePrivateFolder(own, true); rc != 0)
            return rc;
        target.folder = own;
    }
    target.infoPath = top == "/" ? item.substr(1) : item.substr(top.size() + 1);
    return 0;
}

// The name an item takes in files/ and, with ".trashinfo", in info/: the
// item's own name with the counter that makes it unique, cut (not inside a
// UTF-8 character) so that the info file's name stays within the file-name
// limit. The full original name stays in the record's Path= line.
std::string trashNameFor(const std::string& name, int n)
{
    static const std::string infoSuffix = ".trashinfo";
    const std::string counter = n == 1 ? std::string() : "." + std::to_string(n);
    const std::size_t room = NAME_MAX - infoSuffix.size() - counter.size();
    std::size_t keep = std::min(name.size(), room);
    while (keep > 0 && keep < name.size() && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80)
        --keep;
    if (keep == 0)
        keep = std::min(name.size(), room);  // not UTF-8 at all: cut by bytes
    return name.substr(0, keep) + counter;
}

int writeAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t put = ::write(fd, text.data() + done, text.size() - done);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return lastError();
        }
        done += static_cast<std::size_t>(put);
    }
    return 0;
}

}  // namespace

std::string encodeTrashPath(const std::string& path)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size());
    for (const char ch : path) {
        const unsigned char c = static_cast<unsigned char>(ch);
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-'
            || c == '_' || c == '.' || c == '~' || c == '/';
        if (plain) {
            out.push_back(ch);
        } else {
            out.push_back('%');
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 0x0F]);
        }
    }
    return out;
}

std::string trashInfoText(const std::string& originalPath, std::time_t deletionTime)
{
    struct tm local {};
    ::localtime_r(&deletionTime, &local);
    char date[32] = {};
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    return "[Trash Info]\nPath=" + encodeTrashPath(originalPath) + "\nDeletionDate=" + date + "\n";
}

std::string homeTrashFolder()
{
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/')
        return joinName(withoutTrailingSlashes(data), "Trash");
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return joinName(withoutTrailingSlashes(home), ".local/share/Trash");
    return std::string();
}

namespace {

// Moves |item| (named |name|) into |target|: the record first, then the
// rename. EXDEV when the rename would cross a mount.
int trashInto(const std::string& item, const std::string& name, const TrashTarget& target)
{
    if (item == withoutTrailingSlashes(target.folder) || isInside(target.folder, item)
        || isInside(item, target.folder))
        return EINVAL;  // the trash itself, or something inside it

    const std::string files = joinName(target.folder, "files");
    const std::string info = joinName(target.folder, "info");
    if (const int rc = ensurePrivateFolder(files, false); rc != 0)
        return rc;
    if (const int rc = ensurePrivateFolder(info, false); rc != 0)
        return rc;

    const std::string text = trashInfoText(target.infoPath, std::time(nullptr));
    for (int n = 1; n < 10000; ++n) {
        const std::string trashName = trashNameFor(name, n);
        const std::string infoFile = joinName(info, trashName + ".trashinfo");
        // The exclusive create reserves the name against other trashers.
        const int fd = ::open(infoFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return lastError();
        }
        int rc = writeAll(fd, text);
        if (rc == 0 && ::fsync(fd) != 0)
            rc = lastError();
        if (::close(fd) != 0 && rc == 0)
            rc = lastError();
        if (rc == 0)
            rc = posixRenameNoReplace(item, joinName(files, trashName));
        if (rc == 0)
            return 0;
        ::unlink(infoFile.c_str());
        if (rc != EEXIST)
            return rc;  // EXDEV included: a trash never copies
    }
    return EEXIST;
}

}  // namespace

int moveToTrash(const std::string& path, const TrashSettings& settings)
{
    if (path.empty())
        return ENOENT;
    std::string given = withoutTrailingSlashes(path);
    if (given[0] != '/')
        given = joinName(posixCurrentDirectory(), given);
    const std::string name = baseName(given);
    if (name.empty() || name == "." || name == "..")
        return EINVAL;
    // The folder part is resolved, the item itself is not: a link is
    // trashed as a link.
    const std::string realParent = realPath(parentOf(given));
    if (realParent.empty())
        return lastError();
    const std::string item = joinName(realParent, name);

    struct stat itemStat {};
    if (::lstat(item.c_str(), &itemStat) != 0)
        return lastError();

    const std::string home = settings.homeTrash.empty() ? homeTrashFolder() : settings.homeTrash;
    dev_t homeDevice = 0;
    if (!home.empty() && deviceOf(home, homeDevice) && homeDevice == itemStat.st_dev) {
        if (const int rc = posixCreateDirectory(home, true); rc != 0)
            return rc;
        // The same device may still be another mount (a bind mount of the
        // home's file system, a sandbox's home folder): the rename tells,
        // and the item then goes to the trash of its own mount.
        if (const int rc = trashInto(item, name, TrashTarget{home, item}); rc != EXDEV)
            return rc;
    }
    TrashTarget target;
    if (const int rc = findTopTrash(item, itemStat, settings, target); rc != 0)
        return rc;
    return trashInto(item, name, target);
}

}  // namespace Holmgrave::FS::Detail
