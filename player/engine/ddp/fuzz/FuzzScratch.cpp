#include "player/engine/ddp/fuzz/FuzzScratch.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace FuzzScratch {

namespace {

// The folder's path outlives every static object, so that the removal at exit
// can still read it.
char scratch[4096];

void removeScratch()
{
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
}

} // namespace

const std::string& folder()
{
    static const std::string made = [] {
        const char* tmp = std::getenv("TMPDIR");
        const std::string pattern = std::string(tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp") + "/hg-ddp-fuzz-XXXXXX";
        if (pattern.size() >= sizeof scratch)
            std::abort();
        std::memcpy(scratch, pattern.c_str(), pattern.size() + 1);
        if (mkdtemp(scratch) == nullptr)
            std::abort();
        std::atexit(removeScratch);
        return std::string(scratch);
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
