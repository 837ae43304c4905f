#include "player/engine/ddp/FolderFiles.h"

#include <QFile>

#include <cerrno>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace DDP {

namespace {

std::string join(const std::string& folder, const std::string& name)
{
    if (folder.empty())
        return name;
    return folder.back() == '/' ? folder + name : folder + '/' + name;
}

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalIgnoringAsciiCase(const char* a, const std::string& b)
{
    std::size_t i = 0;
    for (; a[i] != '\0' && i < b.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    }
    return a[i] == '\0' && i == b.size();
}

} // namespace

std::string folderFilePath(const std::string& folder, const std::string& name)
{
    const std::string exact = join(folder, name);
    struct stat status;
    if (::lstat(exact.c_str(), &status) == 0)
        return exact;

    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr)
        return exact;
    std::string found;
    while (const dirent* entry = ::readdir(dir)) {
        if (equalIgnoringAsciiCase(entry->d_name, name) && (found.empty() || found.compare(entry->d_name) > 0))
            found = entry->d_name;
    }
    ::closedir(dir);
    return found.empty() ? exact : join(folder, found);
}

QString folderFilePath(const QString& folder, const std::string& name)
{
    return QFile::decodeName(folderFilePath(QFile::encodeName(folder).toStdString(), name).c_str());
}

int openRegularFile(const std::string& path)
{
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a
    // writer, for ever. The type is then checked on what was opened, not on
    // the name, so a file swapped in between cannot slip through.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        const int error = S_ISREG(status.st_mode) ? errno : EINVAL;
        ::close(fd);
        errno = error;
        return -1;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags != -1)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

} // namespace DDP
