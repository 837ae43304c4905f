#include "core/platform/linux/DirectoryWalker.h"
#include "core/platform/linux/PathText.h"
#include "core/platform/linux/PosixFiles.h"
#include "core/platform/linux/UniqueDir.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <memory>

namespace Holmgrave::FS::Detail {

namespace {

std::uint32_t entryType(mode_t mode)
{
    if (S_ISREG(mode))
        return 1;
    if (S_ISDIR(mode))
        return 2;
    if (S_ISLNK(mode))
        return 3;
    if (S_ISSOCK(mode))
        return 6;
    if (S_ISBLK(mode))
        return 4;
    if (S_ISCHR(mode))
        return 5;
    return 8;
}

}  // namespace

DirectoryWalker::DirectoryWalker(const std::string& start, bool recursive, bool followSymlinks)
    : m_recursive(recursive), m_followSymlinks(followSymlinks), m_pendingFolder(start)
{
}

void DirectoryWalker::fail(int error)
{
    m_frames.clear();
    m_pendingFolder.clear();
    m_step = WalkStep{WalkStep::Status::error, std::string(), 0, error != 0 ? error : EIO};
}

bool DirectoryWalker::onChain(dev_t device, ino_t inode) const
{
    return std::any_of(m_frames.begin(), m_frames.end(),
                       [&](const Frame& f) { return f.device == device && f.inode == inode; });
}

int DirectoryWalker::push(const std::string& folder)
{
    Frame frame;
    frame.folder = folder;
    UniqueDir dir(::opendir(folder.c_str()));
    if (!dir)
        return lastError();
    struct stat st {};
    if (::fstat(::dirfd(dir.get()), &st) != 0)
        return lastError();
    frame.device = st.st_dev;
    frame.inode = st.st_ino;
    errno = 0;
    while (dirent* e = ::readdir(dir.get())) {
        std::string name = e->d_name;
        if (name != "." && name != "..")
            frame.names.push_back(std::move(name));
        errno = 0;
    }
    if (errno != 0)
        return errno;
    std::sort(frame.names.begin(), frame.names.end());
    m_frames.push_back(std::move(frame));
    return 0;
}

const WalkStep& DirectoryWalker::next()
{
    if (m_step.status == WalkStep::Status::error)
        return m_step;
    if (!m_pendingFolder.empty()) {
        const std::string folder = std::move(m_pendingFolder);
        m_pendingFolder.clear();
        // A subfolder removed (or replaced) since it was listed is skipped,
        // as a removed file is; only the start folder must be there.
        const bool isStart = m_frames.empty();
        if (const int rc = push(folder); rc != 0 && (isStart || (rc != ENOENT && rc != ENOTDIR))) {
            fail(rc);
            return m_step;
        }
    }
    while (!m_frames.empty()) {
        Frame& top = m_frames.back();
        if (top.index >= top.names.size()) {
            m_frames.pop_back();
            continue;
        }
        const std::string path = joinName(top.folder, top.names[top.index++]);
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) {
            if (errno == ENOENT)
                continue;  // removed since the folder was read
            fail(errno);
            return m_step;
        }
        m_step = WalkStep{WalkStep::Status::entry, path, entryType(st.st_mode), 0};
        if (S_ISDIR(st.st_mode) && m_recursive && !onChain(st.st_dev, st.st_ino)) {
            m_pendingFolder = path;
        } else if (S_ISLNK(st.st_mode) && m_followSymlinks) {
            std::string target;
            if (const int rc = posixReadSymlink(path, target); rc != 0) {
                fail(rc);
                return m_step;
            }
            // A relative target is relative to the link's own folder.
            if (!target.empty() && target[0] != '/')
                target = joinName(top.folder, target);
            struct stat targetStat {};
            if (::stat(target.c_str(), &targetStat) == 0 && S_ISDIR(targetStat.st_mode)
                && !onChain(targetStat.st_dev, targetStat.st_ino))
                m_pendingFolder = target;
        }
        return m_step;
    }
    m_step = WalkStep{};
    return m_step;
}

}  // namespace Holmgrave::FS::Detail
