// The os-release file is read as it is found on the machine.
#include "updater/infrastructure/platform/OsRelease.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto fields = parseOsRelease(QByteArray(reinterpret_cast<const char*>(data), static_cast<int>(size)));
    for (auto it = fields.begin(); it != fields.end(); ++it) {
        if (it.key().isEmpty())
            __builtin_trap();
    }
    return 0;
}
