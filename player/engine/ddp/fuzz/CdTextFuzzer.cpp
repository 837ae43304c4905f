// Feeds arbitrary "CDTEXT.BIN" files to the CD-TEXT reader and checks that
// every field keeps its terminator.

#include "player/engine/ddp/CdTextReader.h"
#include "player/engine/ddp/fuzz/FuzzScratch.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void requireTerminated(const char (&field)[CdText::fieldSize])
{
    if (field[CdText::fieldSize - 1] != '\0')
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzScratch::writeFile("CDTEXT.BIN", data, size);

    CdText::Reader reader;
    reader.read(FuzzScratch::folder().c_str());
    const CdText::CdInfo& info = reader.cdInfo();
    if (info.tracks.size() > 256)
        std::abort();
    requireTerminated(info.discIdentification);
    for (const CdText::TrackInfo& t : info.tracks) {
        requireTerminated(t.title);
        requireTerminated(t.performer);
        requireTerminated(t.songwriter);
        requireTerminated(t.composer);
        requireTerminated(t.arranger);
        requireTerminated(t.message);
        requireTerminated(t.upcIsrc);
    }
    return 0;
}
