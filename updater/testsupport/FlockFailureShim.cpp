// Preloaded (LD_PRELOAD) into a run under test: flock fails with the error
// number PATHWARDEN_TEST_FLOCK_ERRNO for descriptors of files whose path
// starts with PATHWARDEN_TEST_FLOCK_BELOW, as on a file system whose lock
// service does not answer (ENOLCK) or that has no locks (EOPNOTSUPP). Every
// other call goes to the C library's flock.
//
// Built without the sanitizers, so that it carries no runtime of its own; a
// sanitizer build of the program it is preloaded into needs
// verify_asan_link_order=0 in ASAN_OPTIONS.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <unistd.h>

extern "C" int flock(int fd, int operation)
{
    using Flock = int (*)(int, int);
    static const Flock real = reinterpret_cast<Flock>(dlsym(RTLD_NEXT, "flock"));
    const char* error = std::getenv("PATHWARDEN_TEST_FLOCK_ERRNO");
    const char* below = std::getenv("PATHWARDEN_TEST_FLOCK_BELOW");
    if (error && below && *below) {
        char link[64];
        char target[4096];
        std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
        const ssize_t length = ::readlink(link, target, sizeof target - 1);
        if (length > 0 && std::strncmp(target, below, std::strlen(below)) == 0) {
            errno = std::atoi(error);
            return -1;
        }
    }
    if (!real) {
        errno = ENOSYS;
        return -1;
    }
    return real(fd, operation);
}
