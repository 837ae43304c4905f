#pragma once

#include <cstddef>

namespace Holmgrave {
namespace Platform {

// Fills `size` bytes from the kernel's random source (getrandom). Returns
// false when the source cannot deliver; the buffer is then unspecified.
bool fillRandom(void* buffer, std::size_t size);

} // namespace Platform
} // namespace Holmgrave
