#pragma once

// Whether a loaded DDP fileset holds the disc its descriptors describe: the
// descriptor files read whole, and "IMAGE.DAT" readable and long enough for
// every range. A player for masters exists to check them, so a damaged image
// still loads (what is there plays) but never passes as a sound one.
//
// The descriptor files are checked when they are read; the audio once the
// reader that plays "IMAGE.DAT" has opened it and knows its size, so that no
// other thread opens the image (on a slow share an open can take seconds).
// All functions here are pure and safe on any thread.

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
        TextPackCut,       // "CDTEXT.BIN" of `bytes` bytes of packs ends inside a pack
        TextSizeInfoMissing,  // "CDTEXT.BIN" holds only `count` of block 0's three size packs (two are
                              // enough to read its texts)
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
    // pauseSeconds() of the descriptors: the zero of the disc clock.
    int pauseSeconds = 0;
};

// Fewer descriptors give no table row: two lead-in entries, a track start
// and the lead-out.
constexpr std::size_t minimumDescriptors = 4;

// Where the audio of a descriptor list ends (bytes): the end of the last of
// the player's ranges, one per descriptor but the last two, which is the
// lead-out. The final marker after it may lie later; it marks no audio. 0 for
// a list too short for a range.
std::int64_t discEnd(const std::vector<PQDESCR>& descriptors);

// The disc's clock, as the table and CD TIME show it: whole seconds from the
// end of the first pause (descriptor 2), so a time inside that pause is
// negative. Every message that names a disc time uses it.
// The first pause's whole seconds (descriptors 1 to 2); 0 for fewer than 3.
int pauseSeconds(const std::vector<PQDESCR>& descriptors);
int discSeconds(std::int64_t bytes, int pauseSeconds);
// discSeconds as "mm:ss", minutes counting past 59, "-mm:ss" when negative.
std::string discTimeText(std::int64_t bytes, int pauseSeconds);

// Where the track of descriptor `i` (an index-01 one) ends, as it is played
// and exported: the next descriptor of index 0 or 1 (the next pause or track
// start), at most discEnd().
std::int64_t trackEnd(std::size_t i, const std::vector<PQDESCR>& descriptors);

// Less than one sample frame of a track's audio is no audio: the track
// counts as lying past the end.
constexpr std::int64_t bytesPerFrame = 4;

// The damage of the descriptor files of a fileset that readFileset returned
// `readError` for: the files themselves, then the order of the descriptors.
std::vector<Damage> checkDescriptors(const Fileset& fileset, const std::string& readError);

// Appends the damage of the audio to `found`: "IMAGE.DAT" as opened, then
// each track (from its index-01 descriptor to trackEnd(), as export writes
// it) that it does not hold whole. Times past discEnd() are never
// reported as missing audio.
void checkAudio(const std::vector<PQDESCR>& descriptors, const ImageFile& image, std::vector<Damage>& found);

// Both, in the order a reader of the report needs: the descriptor files,
// then the audio, then each track; empty for a sound image.
std::vector<Damage> checkImage(const Fileset& fileset, const std::string& readError, const ImageFile& image);

} // namespace DDP
