#include "core/OpenMode.h"

namespace Holmgrave {
namespace FS {

namespace {

struct Row
{
    std::uint32_t mode;
    const char* fopenMode;
};

// Constant data: complete before main runs and never changed.
constexpr Row openModeTable[] = {
    {8, "rb"}, {24, "r+b"}, {56, "w+b"}, {25, "a+b"}, {16, "wb"}, {48, "wb"}, {17, "ab"},
};

} // namespace

const char* fopenModeFor(std::uint32_t mode)
{
    for (const Row& row : openModeTable) {
        if (row.mode == mode)
            return row.fopenMode;
    }
    return "";
}

} // namespace FS
} // namespace Holmgrave
