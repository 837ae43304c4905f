#include "core/FUID.h"

#include "core/platform/linux/RandomSource.h"

namespace Holmgrave {

bool FUID::generate()
{
    Bytes fresh;
    if (!Platform::fillRandom(fresh.data(), fresh.size()))
        return false;
    // Mark it as a random (version 4, RFC 4122 variant) UUID, as the platform
    // generator on the original system delivered.
    fresh[6] = static_cast<std::uint8_t>((fresh[6] & 0x0F) | 0x40);
    fresh[8] = static_cast<std::uint8_t>((fresh[8] & 0x3F) | 0x80);
    m_bytes = fresh;
    return true;
}

bool FUID::isNull() const
{
    for (auto b : m_bytes) {
        if (b != 0)
            return false;
    }
    return true;
}

} // namespace Holmgrave
