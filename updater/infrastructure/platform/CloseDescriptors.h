#pragma once

#include <algorithm>
#include <sys/resource.h>
#include <unistd.h>

namespace platform {

// The highest descriptor number a child may have to close, taken before the
// fork: getrlimit is not among the calls a fork of a process with threads
// may make.
inline unsigned int descriptorLimit()
{
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > (1u << 20))
        return 1u << 20;
    return static_cast<unsigned int>(limit.rlim_cur);
}

// Closes every descriptor above the standard channels but keep (none when it
// is below 3), in a child between fork and exec: async-signal-safe calls
// only. close_range is missing before Linux 5.9 and some seccomp profiles
// refuse it; then each number below limit (descriptorLimit) is closed one by
// one.
inline void closeDescriptorsBut(int keep, unsigned int limit)
{
    const auto closeFromTo = [limit](unsigned int first, unsigned int last) {
        if (first > last || ::close_range(first, last, 0) == 0)
            return;
        for (unsigned int fd = first; fd <= std::min(last, limit - 1); ++fd)
            ::close(static_cast<int>(fd));
    };
    if (keep > STDERR_FILENO + 1)
        closeFromTo(STDERR_FILENO + 1, static_cast<unsigned int>(keep) - 1);
    closeFromTo(static_cast<unsigned int>(std::max(keep, STDERR_FILENO)) + 1, ~0U);
}

} // namespace platform
