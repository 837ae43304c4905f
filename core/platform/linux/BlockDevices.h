#pragma once

// What sysfs (/sys/class/block) tells about the block device under a mount.

#include <string>

namespace Holmgrave::FS::Detail {

struct BlockDeviceInfo {
    bool found = false;      // the device has an entry under class/block
    std::string name;        // the device's own name ("sda1", "sr0", "loop3")
    std::string diskName;    // the whole disk ("sda" for "sda1"; the same name for a disk)
    bool partition = false;
    bool removable = false;  // the disk says its media can be removed
    bool readOnly = false;   // the kernel holds the device read-only
    bool optical = false;    // a CD/DVD/BD drive
    bool loop = false;       // a loop device (a file mounted as a disk)
    bool usb = false;        // reached through a USB bus
    bool firewire = false;   // reached through an IEEE 1394 bus
};

// Looks the device major:minor up below |sysRoot| ("/sys" on a live system;
// tests pass a folder laid out the same way). Never fails: an unknown device
// gives a record with found == false.
BlockDeviceInfo classifyBlockDevice(const std::string& sysRoot, unsigned major, unsigned minor);

}  // namespace Holmgrave::FS::Detail
