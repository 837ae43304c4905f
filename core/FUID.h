#pragma once

#include <array>
#include <cstdint>

namespace Holmgrave {

// A 16-byte unique identifier, compared and copied as raw bytes. A default-made
// FUID holds 16 zero bytes.
class FUID
{
public:
    using Bytes = std::array<std::uint8_t, 16>;

    FUID() = default;
    explicit FUID(const Bytes& bytes) : m_bytes(bytes) {}
    virtual ~FUID() = default;

    // Fills the identifier from the system's random source (a version-4 UUID).
    // On failure returns false and leaves the bytes unchanged.
    bool generate();

    const Bytes& bytes() const { return m_bytes; }
    bool isNull() const;

    friend bool operator==(const FUID& a, const FUID& b) { return a.m_bytes == b.m_bytes; }
    friend bool operator!=(const FUID& a, const FUID& b) { return a.m_bytes != b.m_bytes; }

private:
    Bytes m_bytes{};
};

} // namespace Holmgrave
