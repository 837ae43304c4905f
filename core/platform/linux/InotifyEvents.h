#pragma once

// Turning inotify records into the library's change kinds. Pure functions,
// kept apart from the watching thread so that they can be tested alone.

#include <cstdint>
#include <string>
#include <vector>

namespace Holmgrave::FS::Detail {

// One inotify event with the watch descriptor already turned into a path.
struct InotifyRecord {
    std::uint32_t mask = 0;
    std::uint32_t cookie = 0;
    std::string path;  // the watched folder joined with the event's name, or the watched item
};

// Kind values shared with the library's ChangeKind.
enum class RawChangeKind : std::uint32_t { created = 0, removed = 1, modified = 2, renamed = 3, unspecified = 4 };

struct RawChange {
    RawChangeKind kind = RawChangeKind::unspecified;
    std::string path;     // for renamed: the new path
    std::string oldPath;  // for renamed: the old path; empty otherwise
};

// The events the watcher asks inotify for.
std::uint32_t inotifyWatchMask();

// Translates one batch, in order:
// - a move out of one watched place and into another with the same cookie
//   becomes one renamed change (new path, old path) where the move began;
//   a move without its partner is a removal (moved out of the watched tree)
//   or a creation (moved in);
// - created, deleted (also the watched item itself) and modified/attribute
//   records become created, removed and modified; a modification right after
//   the item's creation or modification in the same batch adds nothing;
// - a queue overflow becomes one unspecified change per watched root (the
//   listener must look again); an unmounted file system likewise for the
//   path concerned; ignored-watch notices add nothing;
// - anything else becomes unspecified.
std::vector<RawChange> translateInotifyBatch(const std::vector<InotifyRecord>& records,
                                             const std::vector<std::string>& roots);

}  // namespace Holmgrave::FS::Detail
