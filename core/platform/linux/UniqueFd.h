#pragma once

#include "core/platform/linux/PathText.h"

#include <unistd.h>

namespace Holmgrave::FS::Detail {

// A descriptor that is closed on every way out of a scope.
class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
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
    void reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    int release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

}  // namespace Holmgrave::FS::Detail
