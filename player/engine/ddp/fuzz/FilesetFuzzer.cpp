// Feeds arbitrary descriptor files to the fileset reader. Input layout:
// 2-byte little-endian length and bytes of "DDPID", the same for "DDPMS",
// and the rest as "PQDESCR". Files are rewritten in one scratch folder.

#include "player/engine/ddp/DdpFileset.h"
#include "player/engine/ddp/PQDESCR.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const std::string& scratchFolder()
{
    static const std::string folder = [] {
        char pattern[] = "/tmp/hg-fileset-fuzz-XXXXXX";
        const char* made = mkdtemp(pattern);
        if (made == nullptr)
            std::abort();
        return std::string(made);
    }();
    return folder;
}

void writeFile(const std::string& name, const std::uint8_t* data, std::size_t size)
{
    const std::string path = scratchFolder() + "/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        std::abort();
    if (size > 0)
        std::fwrite(data, 1, size, f);
    std::fclose(f);
}

// Takes a length-prefixed part off the front of the input.
std::size_t takePart(const std::uint8_t*& data, std::size_t& size)
{
    if (size < 2) {
        const std::size_t n = 0;
        data += size;
        size = 0;
        return n;
    }
    std::size_t n = std::size_t(data[0]) | (std::size_t(data[1]) << 8);
    data += 2;
    size -= 2;
    if (n > size)
        n = size;
    return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::size_t idSize = takePart(data, size);
    writeFile("DDPID", data, idSize);
    data += idSize;
    size -= idSize;
    const std::size_t msSize = takePart(data, size);
    writeFile("DDPMS", data, msSize);
    data += msSize;
    size -= msSize;
    writeFile("PQDESCR", data, size);

    DDP::Fileset fileset;
    DDP::readFileset(fileset, scratchFolder().c_str());
    if (fileset.descriptors.size() > DDP::maxDescriptors || fileset.mapStreamPackets.size() > DDP::maxMapStreamPackets)
        std::abort();
    double sum = 0;
    for (const DDP::PQDESCR& d : fileset.descriptors)
        sum += pqTimeToBytePosition(d) + asciiToInt(d.trackNumber, 2) + asciiToInt(d.indexNumber, 2);
    return sum < -1e300 ? 1 : 0;
}
