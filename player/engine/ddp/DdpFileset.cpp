#include "player/engine/ddp/DdpFileset.h"

#include "player/engine/ddp/EngineConstants.h"
#include "player/engine/ddp/FolderFiles.h"

#include "core/IFilesystem.h"
#include "core/IStream.h"
#include "core/Path.h"
#include "core/Stream.h"
#include "core/URI.h"

#include <QtGlobal>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include <unistd.h>

namespace DDP {

namespace {

constexpr std::uint32_t openModeRead = 8;

bool startsWith(Holmgrave::FS::Stream& stream, const char (&signature)[5])
{
    char head[4] = {};
    return stream.read(head, 4) == 4 && std::memcmp(head, signature, 4) == 0;
}

} // namespace

std::shared_ptr<Holmgrave::FS::IStream> openFolderFile(const char* folder, const std::string& name)
{
    const std::string path = folderFilePath(std::string(folder != nullptr ? folder : ""), name);
    const int fd = openRegularFile(path);
    if (fd < 0) {
        const int error = errno;
        if (error == EINVAL)
            qWarning("DDP folder damaged: \"%s\" is not a regular file; it is not read", path.c_str());
        errno = error;
        return {};
    }
    // The file system opens by name. The descriptor's own entry names exactly
    // the regular file checked above, so this open cannot block on a FIFO
    // put in its place meanwhile.
    const Holmgrave::Core::Path checked("/proc/self/fd/" + std::to_string(fd));
    const Holmgrave::Core::URI uri(checked);
    auto result = Holmgrave::FS::getFilesystem()->open(uri, openModeRead, false);
    const int error = errno;
    ::close(fd);
    if (!result.hasValue()) {
        errno = error != 0 ? error : EIO;
        return {};
    }
    return result.value();
}

std::string readFileset(Fileset& fileset, const char* folder)
{
    {
        errno = 0;
        const auto file = openFolderFile(folder, ddpIdFileName);
        if (!file || !file->good()) {
            fileset.openError = errno != 0 ? errno : EIO;
            return ddpidMissingError;
        }
        Holmgrave::FS::Stream stream(file);
        // A foreign identifier is tolerated: the record just stays empty.
        if (startsWith(stream, "DDP ") && stream.seek(0, SEEK_SET))
            stream.read(fileset.identifier.data(), fileset.identifier.size());
    }
    {
        errno = 0;
        const auto file = openFolderFile(folder, ddpMsFileName);
        if (!file || !file->good()) {
            fileset.openError = errno != 0 ? errno : EIO;
            return ddpmsMissingError;
        }
        Holmgrave::FS::Stream stream(file);
        readMapStream(fileset, stream);
    }
    {
        errno = 0;
        const auto file = openFolderFile(folder, pqDescrFileName);
        if (!file || !file->good()) {
            fileset.openError = errno != 0 ? errno : EIO;
            return pqdescrMissingError;
        }
        Holmgrave::FS::Stream stream(file);
        readPqDescriptors(fileset, stream);
    }
    return {};
}

int readMapStream(Fileset& fileset, Holmgrave::FS::Stream& stream)
{
    if (!startsWith(stream, "VVVM"))
        return 1;
    if (!stream.seek(0, SEEK_SET) || stream.eof())
        return 0;
    // Ends at the end of the file, and also at a read error, which never
    // reaches the end-of-file state and would otherwise loop for ever.
    while (fileset.mapStreamPackets.size() < maxMapStreamPackets) {
        MapStreamPacket packet{};
        const auto got = stream.read(packet.data(), packet.size());
        if (got > 0)
            fileset.mapStreamPackets.push_back(packet);
        if (got < packet.size() || stream.eof() || !stream.good())
            break;
    }
    return 0;
}

int readPqDescriptors(Fileset& fileset, Holmgrave::FS::Stream& stream)
{
    const bool signature = startsWith(stream, "VVVS");
    std::int64_t size = 0;
    if (stream.seek(0, SEEK_END))
        size = stream.tell();
    fileset.pqDescrSize = std::max<std::int64_t>(size, 0);
    if (!signature)
        return 1;
    fileset.pqDescrSigned = true;
    if (size <= 0 || !stream.seek(0, SEEK_SET))
        return 0;
    const auto fileSize = static_cast<std::uint64_t>(size);
    while (fileset.descriptors.size() * sizeof(PQDESCR) < fileSize
           && fileset.descriptors.size() < maxDescriptors) {
        PQDESCR entry;
        std::memset(&entry, 0, sizeof entry);
        const auto got = stream.read(reinterpret_cast<char*>(&entry), sizeof entry);
        fileset.pqDescrBytesRead += static_cast<std::int64_t>(got);
        fileset.descriptors.push_back(entry);
        if (got < sizeof entry)
            break;
    }
    return 0;
}

} // namespace DDP
