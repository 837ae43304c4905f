// Server answers are parsed into variants and may be written back as JSON;
// neither direction may crash or hang on hostile input.
#include "updater/infrastructure/JsonHelpers.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<int>(size));
    bool ok = false;
    const QVariant value = jsonToVariant(input, &ok);
    if (ok) {
        bool written = false;
        const QByteArray again = variantToJson(value, &written);
        if (!written || !jsonToVariant(again).isValid())
            __builtin_trap();
    }
    return 0;
}
