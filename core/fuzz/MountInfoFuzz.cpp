// Feeds arbitrary text to the mount table parser and checks what it promises
// about every entry it accepts.

#include "core/platform/linux/MountInfo.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace Holmgrave::FS::Detail;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const MountTable table = parseMountInfo(text);
    for (const MountEntry& e : table.entries) {
        if (e.mountPoint.empty() || e.mountPoint[0] != '/')
            std::abort();
        if (e.mountPoint.size() > size || e.fsType.size() > size)
            std::abort();
        isPseudoFilesystem(e.fsType);
        isNetworkFilesystem(e.fsType);
        findMountForDevice(table, e.major, e.minor, e.mountPoint);
    }
    if (decodeMountField(text).size() > size)
        std::abort();
    return 0;
}
