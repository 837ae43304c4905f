#pragma once

#include <cstdint>

namespace Holmgrave {
namespace FS {

// Bits of an open mode; 2 and 4 carry no meaning. Modes travel as whole
// std::uint32_t values (OpenMode::read | OpenMode::write). The bits live in
// their own scope so that they never hide the POSIX read, write and truncate.
struct OpenMode
{
    enum Bits : std::uint32_t
    {
        append = 1,
        read = 8,
        write = 16,
        truncate = 32,
    };
};

// The fopen mode string for a whole open-mode value, or "" when the value has
// no row (8 "rb", 24 "r+b", 56 "w+b", 25 "a+b", 16 "wb", 48 "wb", 17 "ab").
// Write alone truncates, exactly like write with truncate.
const char* fopenModeFor(std::uint32_t mode);

} // namespace FS
} // namespace Holmgrave
