#pragma once

// Reads block 0 of a "CDTEXT.BIN" (a plain sequence of 18-byte CD-TEXT packs)
// into a CdText::CdInfo. Later blocks are never read and the CRC is not
// checked.
//
// GUI thread, while an image is opened. The file comes from outside: short,
// empty, oversized and garbage files give an empty or partial result, never
// a failure, and no text is written past its 160-byte field.

#include "player/engine/ddp/CdInfo.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace Holmgrave::FS {
class Stream;
} // namespace Holmgrave::FS

namespace CdText {

using Pack = std::array<std::uint8_t, 18>;
using SizeInfoRecord = std::array<std::uint8_t, 36>;

class Reader {
public:
    // Reads "CDTEXT.BIN" of the folder (UTF-8). False when there is no usable
    // file, including one too short to hold its three size packs; the
    // CD-TEXT is then left as it was.
    bool read(const char* folder);

    // The file's last three whole packs; fewer when the file is shorter.
    std::vector<Pack> readSizeInfo(Holmgrave::FS::Stream& stream);
    // The text packs of block 0, from the start of the file: every pack of the
    // block but its three size packs. Stores the size-information record.
    // Stops at the end of the file when the record promises more packs.
    std::vector<Pack> readBlockZeroPacks(Holmgrave::FS::Stream& stream);
    void decodePacks(const std::vector<Pack>& packs);
    void setGenre(const Pack& pack);

    CdInfo& cdInfo() { return m_cdInfo; }
    const CdInfo& cdInfo() const { return m_cdInfo; }
    const SizeInfoRecord& sizeInfo() const { return m_sizeInfo; }
    // Testing and fuzzing reach the decoder without a file.
    void setSizeInfo(const SizeInfoRecord& record) { m_sizeInfo = record; }

private:
    void storeText(int packType, int track, const std::string& text, bool utf8);
    // A "same as the previous track" text: the previous track's text of the
    // same field.
    void repeatPreviousText(int packType, int track);

    CdInfo m_cdInfo;
    SizeInfoRecord m_sizeInfo{};
    bool m_hasSizeInfo = false;
};

// Code page 932 text (up to its first zero) as UTF-8 bytes, without a
// terminating zero. Text that is not valid code page 932 comes back read as
// Mac Roman; empty when nothing converts.
std::string convertDoubleByteText(const std::string& bytes);

} // namespace CdText
