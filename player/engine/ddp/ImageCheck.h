#pragma once

// Whether a loaded DDP fileset holds the disc its descriptors describe: the
// descriptor files read whole, and "IMAGE.DAT" readable and long enough for
// every range. A player for masters exists to check them, so a damaged image
// still loads (what is there plays) but never passes as a sound one.
//
// probeImageFile opens the image without reading from it, on the thread that
// parses the folder. checkImage is a pure function, safe on any thread.

#include "player/engine/ddp/DdpFileset.h"

#include <cstdint>
#include <string>
#include <vector>

namespace DDP {

// What opening "IMAGE.DAT" found: its size, or -1 with errno in `error`.
struct ImageFile {
    std::int64_t size = -1;
    int error = 0;
};

ImageFile probeImageFile(const std::string& folder);

struct Damage {
    enum Kind {
        FileUnreadable,    // `file` could not be opened: `error` (errno)
        NotDescriptors,    // "PQDESCR" does not begin with "VVVS"; `bytes` its size
        DescriptorsShort,  // "PQDESCR" of `bytes` bytes gives `count` descriptors, fewer than a disc
                           // has, or ends inside one
        DescriptorsCut,    // "PQDESCR" of `bytes` bytes could be read only up to `at`
        OutOfOrder,        // descriptor `count` (track `firstTrack`) lies at `at`, before the one before
                           // it at `end`
        ImageShort,        // "IMAGE.DAT" ends at `at` (bytes), the disc runs to `end`
        TrackCut,          // track `firstTrack`, [`start`, `end`), stops at `at`, the end of the audio
        TracksMissing,     // tracks `firstTrack` to `lastTrack`, [`start`, `end`), lie past the audio
    };
    Kind kind = FileUnreadable;
    std::string file;
    int error = 0;
    std::int64_t bytes = 0;
    std::int64_t count = 0;
    std::int64_t start = 0;
    std::int64_t end = 0;
    std::int64_t at = 0;
    int firstTrack = 0;
    int lastTrack = 0;
};

// Fewer descriptors give no table row: two lead-in entries, a track start
// and the lead-out.
constexpr std::size_t minimumDescriptors = 4;

// The damage of a fileset that readFileset returned `readError` for, with its
// image as probed; empty for a sound image. In the order a reader of the
// report needs: the descriptor files, then the audio, then each track.
std::vector<Damage> checkImage(const Fileset& fileset, const std::string& readError, const ImageFile& image);

} // namespace DDP
