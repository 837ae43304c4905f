// "Content-Range" values come from download hosts; an accepted value must
// describe a real range, and reading never crashes.
#include "updater/infrastructure/ContentRange.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray value(reinterpret_cast<const char*>(data), static_cast<int>(size));
    ContentRange range;
    if (!parseContentRange(value, range))
        return 0;
    if (range.first < 0 || range.first > range.last || (range.total != -1 && range.total <= range.last))
        __builtin_trap();
    const QByteArray again = "bytes " + QByteArray::number(range.first) + '-' + QByteArray::number(range.last) + '/'
                             + (range.total < 0 ? QByteArray("*") : QByteArray::number(range.total));
    ContentRange reread;
    if (!parseContentRange(again, reread) || reread.first != range.first || reread.last != range.last
        || reread.total != range.total)
        __builtin_trap();
    return 0;
}
