// Feeds arbitrary descriptor files to the fileset reader and checks the
// result against images of several sizes. Input layout:
// 2-byte little-endian length and bytes of "DDPID", the same for "DDPMS",
// and the rest as "PQDESCR". Files are rewritten in one scratch folder.

#include "player/engine/ddp/DdpFileset.h"
#include "player/engine/ddp/ImageCheck.h"
#include "player/engine/ddp/PQDESCR.h"
#include "player/engine/ddp/fuzz/FuzzScratch.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// Takes a length-prefixed part off the front of the input.
std::size_t takePart(const std::uint8_t*& data, std::size_t& size)
{
    if (size < 2) {
        data += size;
        size = 0;
        return 0;
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
    FuzzScratch::writeFile("DDPID", data, idSize);
    data += idSize;
    size -= idSize;
    const std::size_t msSize = takePart(data, size);
    FuzzScratch::writeFile("DDPMS", data, msSize);
    data += msSize;
    size -= msSize;
    FuzzScratch::writeFile("PQDESCR", data, size);

    DDP::Fileset fileset;
    const std::string readError = DDP::readFileset(fileset, FuzzScratch::folder().c_str());
    if (fileset.descriptors.size() > DDP::maxDescriptors || fileset.mapStreamPackets.size() > DDP::maxMapStreamPackets)
        std::abort();
    // Unreadable, empty, mid-disc and longer than any disc.
    for (const std::int64_t imageSize : {std::int64_t(-1), std::int64_t(0), std::int64_t(40000000),
                                         std::int64_t(1) << 40}) {
        DDP::ImageFile image;
        image.size = imageSize;
        for (const DDP::Damage& d : DDP::checkImage(fileset, readError, image)) {
            if (d.kind == DDP::Damage::TrackCut && (d.at <= d.start || d.at >= d.end))
                std::abort();
        }
    }
    double sum = 0;
    for (const DDP::PQDESCR& d : fileset.descriptors)
        sum += pqTimeToBytePosition(d) + asciiToInt(d.trackNumber, 2) + asciiToInt(d.indexNumber, 2);
    return sum < -1e300 ? 1 : 0;
}
