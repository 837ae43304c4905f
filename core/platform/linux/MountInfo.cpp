#include "core/platform/linux/MountInfo.h"

#include "core/platform/linux/PathText.h"

#include <cerrno>
#include <charconv>
#include <fstream>
#include <iterator>
#include <sstream>

namespace Holmgrave::FS::Detail {

namespace {

bool isOctal(char c) { return c >= '0' && c <= '7'; }

// Splits on blanks; the kernel separates fields by exactly one blank, but
// runs of blanks are tolerated so that a damaged line does not produce empty
// fields that shift the meaning of the others.
std::vector<std::string_view> splitFields(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t pos = 0;
    while (pos < line.size()) {
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
            ++pos;
        if (pos >= line.size())
            break;
        std::size_t end = pos;
        while (end < line.size() && line[end] != ' ' && line[end] != '\t')
            ++end;
        fields.push_back(line.substr(pos, end - pos));
        pos = end;
    }
    return fields;
}

template <typename T>
bool parseNumber(std::string_view text, T& out)
{
    if (text.empty())
        return false;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(first, last, out);
    return ec == std::errc() && ptr == last;
}

bool parseDevice(std::string_view text, unsigned& major, unsigned& minor)
{
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos)
        return false;
    return parseNumber(text.substr(0, colon), major) && parseNumber(text.substr(colon + 1), minor);
}

bool hasOption(std::string_view options, std::string_view wanted)
{
    std::size_t pos = 0;
    while (pos <= options.size()) {
        std::size_t end = options.find(',', pos);
        if (end == std::string_view::npos)
            end = options.size();
        if (options.substr(pos, end - pos) == wanted)
            return true;
        pos = end + 1;
    }
    return false;
}

bool parseLine(std::string_view line, MountEntry& entry)
{
    const std::vector<std::string_view> fields = splitFields(line);
    // Six fixed fields, optional fields, the "-" separator, then three more.
    std::size_t separator = 6;
    while (separator < fields.size() && fields[separator] != "-")
        ++separator;
    // At least the file-system type and the source must follow the separator.
    if (separator >= fields.size() || fields.size() - separator - 1 < 2)
        return false;
    if (!parseNumber(fields[0], entry.mountId) || !parseNumber(fields[1], entry.parentId))
        return false;
    if (!parseDevice(fields[2], entry.major, entry.minor))
        return false;
    entry.root = decodeMountField(fields[3]);
    entry.mountPoint = decodeMountField(fields[4]);
    entry.mountOptions = std::string(fields[5]);
    entry.fsType = decodeMountField(fields[separator + 1]);
    entry.source = decodeMountField(fields[separator + 2]);
    // Older kernels may leave the super options out; they are not needed.
    entry.superOptions = separator + 3 < fields.size() ? std::string(fields[separator + 3]) : std::string();
    if (entry.mountPoint.empty() || entry.mountPoint[0] != '/')
        return false;
    entry.readOnly = hasOption(entry.mountOptions, "ro");
    return true;
}

}  // namespace

std::string decodeMountField(std::string_view field)
{
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c == '\\' && i + 3 < field.size() && isOctal(field[i + 1]) && isOctal(field[i + 2])
            && isOctal(field[i + 3])) {
            const int value = (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
            out.push_back(static_cast<char>(value & 0xFF));
            i += 3;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

MountTable parseMountInfo(std::string_view text)
{
    MountTable table;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        pos = end + 1;
        if (line.find_first_not_of(" \t") == std::string_view::npos)
            continue;
        MountEntry entry;
        if (parseLine(line, entry))
            table.entries.push_back(std::move(entry));
        else
            ++table.malformedLines;
    }
    return table;
}

bool isPseudoFilesystem(std::string_view fsType)
{
    static constexpr std::string_view pseudo[] = {
        "autofs",   "binfmt_misc", "bpf",     "cgroup",   "cgroup2",   "configfs", "debugfs",
        "devpts",   "devtmpfs",    "efivarfs", "fusectl", "hugetlbfs", "mqueue",   "nsfs",
        "proc",     "pstore",      "ramfs",   "rpc_pipefs", "securityfs", "selinuxfs", "sysfs",
        "tmpfs",    "tracefs",     "fuse.gvfsd-fuse", "fuse.portal"};
    for (std::string_view p : pseudo)
        if (fsType == p)
            return true;
    return false;
}

bool isNetworkFilesystem(std::string_view fsType)
{
    static constexpr std::string_view network[] = {
        "nfs",  "nfs4",   "cifs", "smb3",  "smbfs",     "ncpfs",      "afs",   "9p", "ceph",
        "glusterfs", "lustre", "gfs2", "ocfs2", "fuse.sshfs", "fuse.rclone", "davfs", "fuse.davfs2"};
    for (std::string_view n : network)
        if (fsType == n)
            return true;
    return false;
}

const MountEntry* findMountForDevice(const MountTable& table, unsigned major, unsigned minor,
                                     std::string_view absolutePath)
{
    const MountEntry* best = nullptr;
    const MountEntry* last = nullptr;
    for (const MountEntry& e : table.entries) {
        if (e.major != major || e.minor != minor)
            continue;
        last = &e;
        if (isSameOrInside(absolutePath, e.mountPoint)
            && (best == nullptr || e.mountPoint.size() >= best->mountPoint.size()))
            best = &e;
    }
    return best != nullptr ? best : last;
}

MountTable readMountTable(const std::string& file, int& error)
{
    error = 0;
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        error = lastError();
        return {};
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) {
        error = EIO;
        return {};
    }
    return parseMountInfo(buffer.str());
}

}  // namespace Holmgrave::FS::Detail
