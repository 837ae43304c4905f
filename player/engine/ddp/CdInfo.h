#pragma once

// The CD-TEXT of a disc as the reader leaves it and the model keeps it.

#include <cstddef>
#include <string>
#include <vector>

namespace CdText {

constexpr std::size_t fieldSize = 160;

// Texts of one track (entry 0 of a track list: the album). Every field holds
// NUL-terminated bytes within its 160 bytes: ISO 8859-1 for a single-byte
// block, UTF-8 when the block was converted from a double-byte code page
// (932 for MS-JIS, 949 for Korean, 936 for Mandarin).
struct TrackInfo {
    char title[fieldSize];
    char performer[fieldSize];
    char songwriter[fieldSize];
    char composer[fieldSize];
    char arranger[fieldSize];
    char message[fieldSize];
    char upcIsrc[fieldSize];
};

struct CdInfo {
    char discIdentification[fieldSize] = {};
    std::string genre;
    std::vector<TrackInfo> tracks;   // last track number + 1 entries, or none
    bool doubleByte = false;         // texts are UTF-8 converted from a double-byte code page
};

// The bytes of a field up to its terminating zero (never past the field).
inline std::string fieldText(const char (&field)[fieldSize])
{
    std::size_t n = 0;
    while (n < fieldSize && field[n] != '\0')
        ++n;
    return std::string(field, n);
}

} // namespace CdText
