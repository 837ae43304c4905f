#pragma once

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <sys/resource.h>
#include <unistd.h>

namespace platform {

// The number above every descriptor a child may have to close, taken before
// the fork: getrlimit and reading a folder are not among the calls a fork of
// a process with threads may make. Not the soft limit alone: a parent may
// have lowered it after opening descriptors above it. The highest open one,
// where /proc/self/fd can be read (and the soft limit at least, for what
// another thread opens meanwhile); else the hard limit. At most 1 << 20.
inline unsigned int descriptorLimit()
{
    constexpr unsigned int kMost = 1u << 20;
    const auto capped = [](rlim_t value) {
        return value == RLIM_INFINITY || value > kMost ? kMost : static_cast<unsigned int>(value);
    };
    struct rlimit limit {};
    const bool known = ::getrlimit(RLIMIT_NOFILE, &limit) == 0;
    const unsigned int soft = known ? capped(limit.rlim_cur) : kMost;
    const unsigned int hard = known ? capped(limit.rlim_max) : kMost;
    DIR* open = ::opendir("/proc/self/fd");
    if (!open)
        return hard;
    unsigned int above = 0;
    while (const struct dirent* entry = ::readdir(open)) {
        char* end = nullptr;
        const unsigned long fd = std::strtoul(entry->d_name, &end, 10);
        if (end != entry->d_name && *end == '\0' && fd < kMost)
            above = std::max(above, static_cast<unsigned int>(fd) + 1);
    }
    ::closedir(open);
    return std::max(soft, above);
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
