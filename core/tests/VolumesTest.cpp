#include "core/NativeFilesystem.h"
#include "core/platform/linux/BlockDevices.h"
#include "core/platform/linux/MountInfo.h"
#include "core/platform/linux/Volumes.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

using namespace Holmgrave::FS::Detail;
using Holmgrave::FS::NativeFilesystem;
using Holmgrave::FS::VolumeKind;
using Holmgrave::Test::TempDir;

namespace {

const char* const kMountInfo =
    "21 26 0:20 / /proc rw,relatime - proc proc rw\n"
    "26 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw,errors=remount-ro\n"
    "27 26 8:17 / /media/usb\\040stick ro,nosuid shared:7 master:2 - vfat /dev/sdb1 ro,fmask=0022\n"
    "28 26 0:45 / /mnt/share rw,relatime - nfs4 server:/export rw,vers=4.2\n"
    "29 26 11:0 / /media/cdrom ro - iso9660 /dev/sr0 ro\n"
    "30 26 7:3 / /snap/thing/1 ro - squashfs /dev/loop3 ro\n"
    "31 26 8:1 /home/back\\134slash /srv/bind rw - ext4 /dev/sda1 rw\n"
    "32 26 0:22 / /dev/shm rw - tmpfs tmpfs rw\n";

void writeFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path);
    out << text;
}

void makeDirs(const std::string& path)
{
    for (std::size_t pos = 1; pos != std::string::npos;) {
        pos = path.find('/', pos + 1);
        ::mkdir(path.substr(0, pos).c_str(), 0755);
    }
}

// A sysfs tree in miniature: class/block entries are links into devices/.
void addBlock(const std::string& sys, const std::string& devicePath, const std::string& name,
              const std::string& dev, bool partition)
{
    const std::string full = sys + "/devices/" + devicePath;
    makeDirs(full);
    writeFile(full + "/dev", dev + "\n");
    if (partition)
        writeFile(full + "/partition", "1\n");
    makeDirs(sys + "/class/block");
    ASSERT_EQ(::symlink(full.c_str(), (sys + "/class/block/" + name).c_str()), 0);
}

// A path as the kernel writes it into a mount table: blanks, tabs, line
// ends and backslashes as octal escapes (a TMPDIR may hold any of them).
std::string mountField(const std::string& path)
{
    std::string field;
    for (const char c : path) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\\') {
            field += '\\';
            for (const int shift : {6, 3, 0})
                field += char('0' + ((c >> shift) & 7));
        } else {
            field += c;
        }
    }
    return field;
}

} // namespace

TEST(MountInfo, ParsesFieldsEscapesAndOptionalFields)
{
    const MountTable table = parseMountInfo(kMountInfo);
    EXPECT_EQ(table.malformedLines, 0u);
    ASSERT_EQ(table.entries.size(), 8u);
    const MountEntry& usb = table.entries[2];
    EXPECT_EQ(usb.mountId, 27);
    EXPECT_EQ(usb.parentId, 26);
    EXPECT_EQ(usb.major, 8u);
    EXPECT_EQ(usb.minor, 17u);
    EXPECT_EQ(usb.mountPoint, "/media/usb stick");
    EXPECT_EQ(usb.fsType, "vfat");
    EXPECT_EQ(usb.source, "/dev/sdb1");
    EXPECT_TRUE(usb.readOnly);
    EXPECT_FALSE(table.entries[1].readOnly);
    EXPECT_EQ(table.entries[6].root, "/home/back\\slash");
}

TEST(MountInfo, SkipsDamagedLinesWithoutTrustingThem)
{
    const std::string text = std::string("garbage\n")
        + "1 2 3:4 / /ok rw - ext4 /dev/x rw\n"
        + "1 2 3:4 / relative rw - ext4 /dev/x rw\n"          // mount point not absolute
        + "x 2 3:4 / /a rw - ext4 /dev/x rw\n"                // id not a number
        + "1 2 34 / /a rw - ext4 /dev/x rw\n"                 // no major:minor
        + "1 2 3:4 / /a rw shared:1 ext4 /dev/x rw\n"         // no separator
        + "1 2 3:4 / /a rw -\n"                               // nothing after the separator
        + "1 2 99999999999:4 / /a rw - ext4 /dev/x rw\n"      // number out of range
        + "\n   \n"
        + "5 6 7:8 / /tail\\04 rw - ext4 /dev/y";             // short escape, no newline at the end
    const MountTable table = parseMountInfo(text);
    ASSERT_EQ(table.entries.size(), 2u);
    EXPECT_EQ(table.entries[0].mountPoint, "/ok");
    EXPECT_EQ(table.entries[1].mountPoint, "/tail\\04");
    EXPECT_EQ(table.entries[1].superOptions, "");
    EXPECT_EQ(table.malformedLines, 7u);
}

TEST(MountInfo, DecodesOnlyCompleteOctalEscapes)
{
    EXPECT_EQ(decodeMountField("a\\040b"), "a b");
    EXPECT_EQ(decodeMountField("\\011\\012\\134"), "\t\n\\");
    EXPECT_EQ(decodeMountField("\\09x"), "\\09x");
    EXPECT_EQ(decodeMountField("end\\"), "end\\");
}

TEST(MountInfo, FindsTheMountOfADeviceByLongestPrefix)
{
    const MountTable table = parseMountInfo(kMountInfo);
    const MountEntry* root = findMountForDevice(table, 8, 1, "/home/user/file");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->mountPoint, "/");
    const MountEntry* bind = findMountForDevice(table, 8, 1, "/srv/bind/x");
    ASSERT_NE(bind, nullptr);
    EXPECT_EQ(bind->mountPoint, "/srv/bind");
    // "/srv/binder" is not inside "/srv/bind".
    EXPECT_EQ(findMountForDevice(table, 8, 1, "/srv/binder")->mountPoint, "/");
    EXPECT_EQ(findMountForDevice(table, 9, 9, "/"), nullptr);
}

TEST(MountInfo, PseudoAndNetworkFilesystems)
{
    for (const char* type : {"proc", "sysfs", "tmpfs", "cgroup2", "devpts"})
        EXPECT_TRUE(isPseudoFilesystem(type)) << type;
    for (const char* type : {"ext4", "vfat", "nfs4", "btrfs", "overlay"})
        EXPECT_FALSE(isPseudoFilesystem(type)) << type;
    EXPECT_TRUE(isNetworkFilesystem("nfs4"));
    EXPECT_TRUE(isNetworkFilesystem("cifs"));
    EXPECT_TRUE(isNetworkFilesystem("fuse.sshfs"));
    EXPECT_FALSE(isNetworkFilesystem("ext4"));
}

TEST(BlockDevices, ClassifiesBusMediaAndPartitions)
{
    TempDir dir;
    const std::string sys = dir.file("sys");
    addBlock(sys, "pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0/block/sdb/sdb1", "sdb1",
             "8:17", true);
    writeFile(sys + "/devices/pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0/block/sdb/removable",
              "1\n");
    addBlock(sys, "pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0/block/sda/sda1", "sda1", "8:1", true);
    addBlock(sys, "pci0000:00/0000:00:17.0/ata2/host1/target1:0:0/1:0:0:0/block/sr0", "sr0", "11:0", false);
    writeFile(sys + "/devices/pci0000:00/0000:00:17.0/ata2/host1/target1:0:0/1:0:0:0/block/sr0/ro", "1\n");
    addBlock(sys, "virtual/block/loop3", "loop3", "7:3", false);
    addBlock(sys, "pci0000:00/0000:00:1e.0/fw0/fw0.0/host7/target7:0:0/7:0:0:0/block/sdc", "sdc", "8:32", false);

    const BlockDeviceInfo usb = classifyBlockDevice(sys, 8, 17);
    ASSERT_TRUE(usb.found);
    EXPECT_EQ(usb.diskName, "sdb");
    EXPECT_TRUE(usb.partition);
    EXPECT_TRUE(usb.removable);
    EXPECT_TRUE(usb.usb);
    EXPECT_FALSE(usb.firewire);

    const BlockDeviceInfo internal = classifyBlockDevice(sys, 8, 1);
    EXPECT_TRUE(internal.found);
    EXPECT_FALSE(internal.usb || internal.removable || internal.optical || internal.loop);

    const BlockDeviceInfo cd = classifyBlockDevice(sys, 11, 0);
    EXPECT_TRUE(cd.optical);
    EXPECT_TRUE(cd.readOnly);
    EXPECT_TRUE(classifyBlockDevice(sys, 7, 3).loop);
    EXPECT_TRUE(classifyBlockDevice(sys, 8, 32).firewire);
    EXPECT_FALSE(classifyBlockDevice(sys, 0, 45).found);
    EXPECT_FALSE(classifyBlockDevice(dir.file("nosys"), 8, 1).found);
}

TEST(Volumes, KindsAndFlagsFromMountAndDevice)
{
    const MountTable table = parseMountInfo(kMountInfo);
    BlockDeviceInfo none;
    const PlatformVolume share = classifyVolume(&table.entries[3], none, false);
    EXPECT_EQ(share.kind, PlatformVolumeKind::network);
    EXPECT_FALSE(share.readOnly);

    const PlatformVolume overlay = classifyVolume(nullptr, none, true);
    EXPECT_EQ(overlay.kind, PlatformVolumeKind::other);
    EXPECT_TRUE(overlay.readOnly);
    EXPECT_FALSE(overlay.ejectable || overlay.removable || overlay.external);

    BlockDeviceInfo stick;
    stick.found = true;
    stick.removable = true;
    stick.usb = true;
    const PlatformVolume usb = classifyVolume(&table.entries[2], stick, false);
    EXPECT_EQ(usb.kind, PlatformVolumeKind::disk);
    EXPECT_TRUE(usb.removable && usb.ejectable && usb.external);
    EXPECT_TRUE(usb.readOnly);  // mounted "ro"

    BlockDeviceInfo cd;
    cd.found = true;
    cd.optical = true;
    EXPECT_EQ(classifyVolume(nullptr, cd, true).kind, PlatformVolumeKind::optical);
    BlockDeviceInfo image;
    image.found = true;
    image.loop = true;
    const PlatformVolume img = classifyVolume(nullptr, image, false);
    EXPECT_EQ(img.kind, PlatformVolumeKind::diskImage);
    EXPECT_TRUE(img.ejectable);
    BlockDeviceInfo disk;
    disk.found = true;
    const PlatformVolume internal = classifyVolume(&table.entries[1], disk, false);
    EXPECT_EQ(internal.kind, PlatformVolumeKind::disk);
    EXPECT_FALSE(internal.ejectable || internal.removable || internal.external || internal.readOnly);
}

TEST(Volumes, ListingLeavesOutPseudoHiddenAndUnreachableMounts)
{
    TempDir dir;
    ::mkdir(dir.file("m1").c_str(), 0755);
    ::mkdir(dir.file("m2").c_str(), 0755);
    dir.write("file", "");
    const auto at = [&](const char* name) { return mountField(dir.file(name)); };
    const std::string table = "1 0 8:1 / " + at("m1") + " rw - ext4 /dev/sda1 rw\n"
        + "2 1 0:20 / " + at("m2") + " rw - proc proc rw\n"
        + "3 1 8:1 / " + at("file") + " rw - ext4 /dev/sda1 rw\n"
        + "4 1 8:2 / " + at("gone") + " rw - ext4 /dev/sda2 rw\n"
        + "5 1 8:3 / " + at("m2") + " rw - ext4 /dev/sda3 rw\n"
        + "6 1 8:4 / " + at("m1") + " rw - ext4 /dev/sda4 rw\n"
        + "7 1 8:5 / " + at("m2") + " rw - ext4 /dev/sda5 rw\n";
    writeFile(dir.file("mountinfo"), table);
    SystemTables tables;
    tables.mountInfo = dir.file("mountinfo");
    std::vector<std::string> points;
    ASSERT_EQ(listVolumes(tables, points), 0);
    EXPECT_EQ(points, (std::vector<std::string>{dir.file("m1"), dir.file("m2")}));

    tables.mountInfo = dir.file("missing");
    const int rc = listVolumes(tables, points);
    EXPECT_EQ(rc, ENOENT);
    EXPECT_TRUE(points.empty());
}

TEST(Volumes, NativeQueriesOnThisMachine)
{
    TempDir dir;
    const auto& fs = NativeFilesystem::instance();
    const auto info = fs.volumeInfo(dir.path());
    ASSERT_TRUE(info.hasValue()) << info.error().message;
    EXPECT_GT(info.value().totalCapacity, 0u);
    EXPECT_LE(info.value().availableCapacity, info.value().totalCapacity);
    EXPECT_FALSE(info.value().readOnly);

    const auto missing = fs.volumeInfo(dir.file("missing"));
    ASSERT_FALSE(missing.hasValue());
    EXPECT_EQ(missing.error().code, ENOENT);
    EXPECT_FALSE(missing.error().message.empty());

    const auto volumes = fs.volumes();
    ASSERT_TRUE(volumes.hasValue());
    EXPECT_NE(std::find(volumes.value().begin(), volumes.value().end(), Holmgrave::Core::Path("/")),
              volumes.value().end());
    for (const auto& v : volumes.value())
        EXPECT_NE(v.str().compare(0, 5, "/proc"), 0) << v.str();
}
