#include "progresshelper/platform/LocalFileTests.h"

#include "progresshelper/platform/ProcessServices.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <limits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Skylarn {

bool LocalFileTests::fileExists(const QString &path) const
{
    struct stat info {};
    return !path.isEmpty() && ::stat(pathBytes(path).constData(), &info) == 0;
}

FileContent LocalFileTests::readRegularFile(const QString &path, qint64 maxBytes) const
{
    FileContent content;
    // A QByteArray holds less than 2 GiB; the +1 below must fit as well.
    if (path.isEmpty() || maxBytes < 0 || maxBytes >= std::numeric_limits<int>::max())
        return content;
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a
    // writer. The type is tested on the open descriptor, so a path swapped
    // between a test and the open cannot slip a FIFO or device past us.
    int fd = -1;
    do {
        fd = ::open(pathBytes(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return content;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return content;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return content;
    }
    // One byte past the limit tells "exactly at the limit" from "beyond it",
    // whatever size the file claims while it is being rewritten.
    QByteArray bytes = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return content;
    if (bytes.size() > maxBytes) {
        content.status = FileContent::TooLarge;
        return content;
    }
    content.status = FileContent::Read;
    content.bytes = std::move(bytes);
    return content;
}

} // namespace Skylarn
