// Link documents come from the update server; a lookup in any text must end
// with a link whose href is never empty when its rel is set, and never crash.
#include "updater/infrastructure/ServiceUrl.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString json = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<int>(size));
    const LinkDiscoverer discoverer;
    for (const char* rel : {"downloadclient", "errorlogging", ""}) {
        const Link link = discoverer.findLink(QString::fromLatin1(rel), json);
        if (!link.rel.isEmpty() && link.href.isEmpty())
            __builtin_trap();
        if (!link.href.isEmpty() && link.rel != QLatin1String(rel))
            __builtin_trap();
    }
    return 0;
}
