// Feeds arbitrary "CDTEXT.BIN" files to the CD-TEXT reader and checks that
// every field keeps its terminator.

#include "player/engine/ddp/CdTextReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const std::string& scratchFolder()
{
    static const std::string folder = [] {
        char pattern[] = "/tmp/hg-cdtext-fuzz-XXXXXX";
        const char* made = mkdtemp(pattern);
        if (made == nullptr)
            std::abort();
        return std::string(made);
    }();
    return folder;
}

void requireTerminated(const char (&field)[CdText::fieldSize])
{
    if (field[CdText::fieldSize - 1] != '\0')
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = scratchFolder() + "/CDTEXT.BIN";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        std::abort();
    if (size > 0)
        std::fwrite(data, 1, size, f);
    std::fclose(f);

    CdText::Reader reader;
    reader.read(scratchFolder().c_str());
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
