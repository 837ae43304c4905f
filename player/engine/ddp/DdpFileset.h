#pragma once

// Reading the descriptor files of a DDP fileset: "DDPID", "DDPMS" and
// "PQDESCR". Only the PQ descriptor list outlives a read; the identifier and
// the map-stream packets are read and dropped with the fileset, and the audio
// is always "IMAGE.DAT" of the same folder.
//
// GUI thread, while an image is opened. The files come from outside: every
// function here copes with missing, short, empty, oversized and garbage files
// and reports them through its result, never by failing.

#include "player/engine/ddp/PQDESCR.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Holmgrave::FS {
class IStream;
class Stream;
} // namespace Holmgrave::FS

namespace DDP {

using MapStreamPacket = std::array<char, 128>;

struct Fileset {
    std::vector<MapStreamPacket> mapStreamPackets;
    std::array<char, 128> identifier{};
    std::vector<PQDESCR> descriptors;
    // Why the file that readFileset names could not be opened (errno:
    // ENOENT missing, EACCES no permission, EINVAL not a regular file).
    int openError = 0;
    // How far "PQDESCR" was read: its size in bytes (-1 while not opened),
    // the bytes that arrived, and whether it began with "VVVS".
    std::int64_t pqDescrSize = -1;
    std::int64_t pqDescrBytesRead = 0;
    bool pqDescrSigned = false;
};

// A real map stream has a handful of packets and a real descriptor list at
// most 99 tracks of 99 indexes; beyond these limits a file is not a master
// and reading stops, so that a huge file cannot exhaust memory.
constexpr std::size_t maxMapStreamPackets = 4096;
constexpr std::size_t maxDescriptors = 16384;

// Opens `name` in `folder` (UTF-8) for reading; empty when it cannot be opened.
std::shared_ptr<Holmgrave::FS::IStream> openFolderFile(const char* folder, const std::string& name);

// Reads "DDPID", "DDPMS" and "PQDESCR" of the folder in this order. Returns an
// empty string, or the identifier of the first file that is missing (later
// files are then not opened) with the cause in openError. Wrong signatures
// are not errors: the affected part of the fileset stays empty.
std::string readFileset(Fileset& fileset, const char* folder);

// 0 after reading, 1 when the stream does not start with "VVVM" (nothing read).
int readMapStream(Fileset& fileset, Holmgrave::FS::Stream& stream);

// 0 after reading, 1 when the stream does not start with "VVVS" (list left
// empty). A file of `size` bytes gives ceil(size / 64) entries; a short last
// entry is zero-padded. Notes the size, the bytes read and the signature.
int readPqDescriptors(Fileset& fileset, Holmgrave::FS::Stream& stream);

} // namespace DDP
