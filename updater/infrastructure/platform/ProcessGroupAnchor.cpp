#include "updater/infrastructure/platform/ProcessGroupAnchor.h"

#include "updater/infrastructure/platform/CloseDescriptors.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {

namespace {

// The anchor's whole life. A fork of a process with threads: only
// async-signal-safe calls. Made by _Fork, which runs no fork handlers of
// other libraries in the child: they may allocate or lock, and an anchor that
// hung there would hold the pipe's write end and never see our end.
[[noreturn]] void runAnchor(int parentEnd, int ourEnd, unsigned int descriptors)
{
    ::setpgid(0, 0);
    ::close(parentEnd);
    // Every other descriptor we inherited goes too; among them could be the
    // pipe of another anchor, which would then never see its end.
    closeDescriptorsBut(ourEnd, descriptors);
    char byte;
    while (::read(ourEnd, &byte, 1) < 0 && errno == EINTR) {
    }
    ::kill(0, SIGKILL);
    ::_exit(0);
}

} // namespace

ProcessGroupAnchor::ProcessGroupAnchor()
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return;
    const unsigned int descriptors = descriptorLimit();
    const pid_t anchor = ::_Fork();
    if (anchor == 0)
        runAnchor(ends[1], ends[0], descriptors);
    ::close(ends[0]);
    if (anchor < 0) {
        ::close(ends[1]);
        return;
    }
    // Also made here, as job-control shells do: the group exists when this
    // returns, whichever of the two ran first.
    ::setpgid(anchor, anchor);
    group_ = anchor;
    keepAlive_ = ends[1];
}

ProcessGroupAnchor::~ProcessGroupAnchor()
{
    end();
}

void ProcessGroupAnchor::kill()
{
    if (group_ > 0)
        ::kill(-group_, SIGKILL);
}

void ProcessGroupAnchor::end()
{
    if (group_ > 0) {
        kill();
        while (::waitpid(group_, nullptr, 0) < 0 && errno == EINTR) {
        }
        group_ = 0;
    }
    if (keepAlive_ >= 0) {
        ::close(keepAlive_);
        keepAlive_ = -1;
    }
}

} // namespace platform
