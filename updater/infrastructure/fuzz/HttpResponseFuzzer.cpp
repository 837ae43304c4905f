// Answers come from servers; whatever the bytes and however they are split,
// the parser must end complete or failed within its caps, and never crash.
#include "updater/infrastructure/HttpResponseParser.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<int>(size));
    // The first byte chooses how the rest is split into reads.
    const int step = size > 0 ? 1 + data[0] % 17 : 1;
    HttpResponseParser parser(256, 512);
    for (int at = 1; at < bytes.size(); at += step)
        parser.feed(bytes.mid(at, step));
    parser.finishAtClose();
    if (!parser.isComplete() && !parser.hasFailed())
        __builtin_trap();
    if (parser.body().size() > 512)
        __builtin_trap();
    if (parser.hasFailed() && (!parser.body().isEmpty() || parser.failureText().isEmpty()))
        __builtin_trap();
    return 0;
}
