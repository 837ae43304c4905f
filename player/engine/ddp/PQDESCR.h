#pragma once

// One PQ descriptor of a DDP fileset and the conversions every reader of the
// descriptor list needs. Pure functions: safe on any thread (the GUI thread
// lists descriptors, the export thread and the player turn them into byte
// positions).

#include <cstddef>

namespace DDP {

// Exactly the 64 bytes of one "PQDESCR" entry, kept as they stand in the file:
// ASCII fields without terminating zeros. Read numbers with asciiToInt.
struct PQDESCR {
    char signature[4];     // "VVVS"; only the file's first entry is checked
    char trackNumber[2];   // "01".."99"; the lead-out carries "AA"
    char indexNumber[2];   // "00" pause, "01" track start, "02".. further indexes
    char hours[2];         // ignored
    char minutes[2];       // absolute disc time
    char seconds[2];
    char frames[2];        // 75 per second
    char controlByte1[2];
    char controlByte2[2];
    char isrc[12];
    char upcEan[13];
    char userText[19];     // blank-padded
};
static_assert(sizeof(PQDESCR) == 64, "a PQ descriptor is exactly one 64-byte entry");

constexpr int bytesPerSampleFrame = 4;   // 16-bit stereo
constexpr int bytesPerCdFrame = 2352;    // 1/75 s
constexpr int bytesPerSecond = 176400;   // 44100 sample frames

} // namespace DDP

// The first `count` characters as a decimal number: leading blanks and one sign
// are accepted, the number ends at the first non-digit. Fields from damaged
// files (blanks, letters, NUL padding) give 0 instead of failing.
int asciiToInt(const char* text, int count);

// The entry's disc time (minutes, seconds, frames; hours ignored) as a byte
// offset in "IMAGE.DAT".
double pqTimeToBytePosition(const DDP::PQDESCR& entry);
