#include "player/engine/ddp/fuzz/FuzzScratch.h"

#include <cstdio>
#include <cstdlib>

namespace FuzzScratch {

const std::string& folder()
{
    static const std::string made = [] {
        char pattern[] = "/tmp/hg-ddp-fuzz-XXXXXX";
        const char* path = mkdtemp(pattern);
        if (path == nullptr)
            std::abort();
        return std::string(path);
    }();
    return made;
}

void writeFile(const std::string& name, const std::uint8_t* data, std::size_t size)
{
    const std::string path = folder() + "/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        std::abort();
    if (size > 0)
        std::fwrite(data, 1, size, f);
    std::fclose(f);
}

} // namespace FuzzScratch
