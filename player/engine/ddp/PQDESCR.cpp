#include "player/engine/ddp/PQDESCR.h"

int asciiToInt(const char* text, int count)
{
    if (text == nullptr || count <= 0)
        return 0;
    int i = 0;
    while (i < count && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r'
                         || text[i] == '\v' || text[i] == '\f'))
        ++i;
    bool negative = false;
    if (i < count && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < count && text[i] >= '0' && text[i] <= '9'; ++i) {
        // Descriptor fields are two digits; longer runs are clamped rather
        // than allowed to overflow.
        if (value < 100000000)
            value = value * 10 + (text[i] - '0');
    }
    return static_cast<int>(negative ? -value : value);
}

double pqTimeToBytePosition(const DDP::PQDESCR& entry)
{
    const int minutes = asciiToInt(entry.minutes, 2);
    const int seconds = asciiToInt(entry.seconds, 2);
    const int frames = asciiToInt(entry.frames, 2);
    // Two-digit fields keep the bracket far inside 32 bits (at most 6039 s).
    const int wholeSeconds = (minutes * 60 + seconds) * DDP::bytesPerSecond;
    return frames * static_cast<double>(DDP::bytesPerCdFrame) + wholeSeconds;
}
