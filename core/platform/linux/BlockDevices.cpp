#include "core/platform/linux/BlockDevices.h"
#include "core/platform/linux/PathText.h"
#include "core/platform/linux/PosixFiles.h"
#include "core/platform/linux/UniqueDir.h"

#include <dirent.h>

#include <fstream>
#include <string_view>

namespace Holmgrave::FS::Detail {

namespace {

std::string readSmallFile(const std::string& path)
{
    std::ifstream in(path);
    std::string text;
    if (!in)
        return text;
    std::getline(in, text);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\n' || text.back() == '\r' || text.back() == '\t'))
        text.pop_back();
    return text;
}

// True when a component of the resolved device path names a bus of the kind
// ("usb1", "1-1" below it; "fw1", "fw1.0" for FireWire).
bool pathHasBus(const std::string& path, std::string_view bus)
{
    std::size_t pos = 0;
    while (pos < path.size()) {
        std::size_t end = path.find('/', pos);
        if (end == std::string::npos)
            end = path.size();
        if (startsWith(std::string_view(path).substr(pos, end - pos), bus))
            return true;
        pos = end + 1;
    }
    return false;
}

}  // namespace

BlockDeviceInfo classifyBlockDevice(const std::string& sysRoot, unsigned major, unsigned minor)
{
    BlockDeviceInfo info;
    const std::string classDir = sysRoot + "/class/block";
    const std::string wanted = std::to_string(major) + ":" + std::to_string(minor);

    UniqueDir dir(::opendir(classDir.c_str()));
    if (!dir)
        return info;
    std::string entryPath;
    while (dirent* e = ::readdir(dir.get())) {
        const std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        if (readSmallFile(classDir + "/" + name + "/dev") == wanted) {
            info.found = true;
            info.name = name;
            entryPath = classDir + "/" + name;
            break;
        }
    }
    if (!info.found)
        return info;

    // The class entry is a link into the device tree; the bus the disk hangs
    // on shows in the resolved path, and a partition's parent is its disk.
    const std::string resolved = realPath(entryPath);
    const std::string devicePath = resolved.empty() ? entryPath : resolved;
    info.partition = posixExists(entryPath + "/partition");
    const std::string diskPath = info.partition ? parentOf(devicePath) : devicePath;
    info.diskName = info.partition ? baseName(diskPath) : info.name;

    info.removable = readSmallFile(diskPath + "/removable") == "1";
    info.readOnly = readSmallFile(entryPath + "/ro") == "1" || readSmallFile(diskPath + "/ro") == "1";
    info.loop = startsWith(info.diskName, "loop");
    // SCSI peripheral type 5 is a CD/DVD device; "sr" is its block driver.
    info.optical = startsWith(info.diskName, "sr") || readSmallFile(diskPath + "/device/type") == "5";
    info.usb = pathHasBus(devicePath, "usb");
    info.firewire = pathHasBus(devicePath, "fw") || pathHasBus(devicePath, "firewire");
    return info;
}

}  // namespace Holmgrave::FS::Detail
