#include "core/platform/linux/FolderWalk.h"

#include "core/platform/linux/UniqueDir.h"

#include <dirent.h>
#include <fcntl.h>

#include <algorithm>
#include <cerrno>

namespace Holmgrave::FS::Detail {

namespace {

bool sameItem(const struct stat& st, dev_t device, ino_t inode)
{
    return st.st_dev == device && st.st_ino == inode;
}

}  // namespace

FolderWalk::FolderWalk(int folder) : m_fd(folder)
{
    Level start;
    struct stat st {};
    if (::fstat(folder, &st) == 0) {
        start.device = st.st_dev;
        start.inode = st.st_ino;
    }
    m_levels.push_back(start);
}

int FolderWalk::enter(const std::string& name, struct stat* status)
{
    Fd sub(::openat(m_fd.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!sub.valid())
        return lastError();
    struct stat st {};
    if (::fstat(sub.get(), &st) != 0)
        return lastError();
    if (status != nullptr)
        *status = st;
    m_levels.push_back(Level{st.st_dev, st.st_ino, name});
    m_fd.reset(sub.release());
    return 0;
}

int FolderWalk::leave(Fd* left)
{
    if (m_levels.size() < 2)
        return EINVAL;
    Fd up(::openat(m_fd.get(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!up.valid())
        return lastError();
    const Level& here = m_levels.back();
    const Level& above = m_levels[m_levels.size() - 2];
    struct stat upStat {};
    struct stat hereStat {};
    if (::fstat(up.get(), &upStat) != 0)
        return lastError();
    if (!sameItem(upStat, above.device, above.inode)
        || ::fstatat(up.get(), here.name.c_str(), &hereStat, AT_SYMLINK_NOFOLLOW) != 0
        || !sameItem(hereStat, here.device, here.inode))
        return ESTALE;
    m_levels.pop_back();
    if (left != nullptr)
        left->reset(m_fd.release());
    m_fd.reset(up.release());
    return 0;
}

int listFolder(int folder, std::vector<std::string>& names)
{
    names.clear();
    // A descriptor of its own: the stream reads through it and closes it.
    const int own = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (own < 0)
        return lastError();
    UniqueDir dir(::fdopendir(own));
    if (!dir) {
        const int rc = lastError();
        ::close(own);
        return rc;
    }
    errno = 0;
    while (dirent* e = ::readdir(dir.get())) {
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

}  // namespace Holmgrave::FS::Detail
