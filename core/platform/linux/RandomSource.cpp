#include "core/platform/linux/RandomSource.h"

#include <cerrno>
#include <sys/random.h>

namespace Holmgrave {
namespace Platform {

bool fillRandom(void* buffer, std::size_t size)
{
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = getrandom(out + done, size - done, 0);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace Platform
} // namespace Holmgrave
