#pragma once

// Reads block 0 of a "CDTEXT.BIN" (a plain sequence of 18-byte CD-TEXT packs,
// or the drive's READ TOC form of it, the same packs after a 4-byte header)
// into a CdText::CdInfo. Later blocks are never read and the CRC is not
// checked.
//
// GUI thread, while an image is opened. The file comes from outside: short,
// empty, oversized and garbage files give an empty or partial result, never
// a failure, and no text is written past its 160-byte field. A file that is
// there but cut or unreadable is named in damage().

#include "player/engine/ddp/CdInfo.h"
#include "player/engine/ddp/ImageCheck.h"

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
    // file, including one without the size packs of its block 0; the
    // CD-TEXT is then left as it was.
    bool read(const char* folder);
    // What read() found damaged in the file: empty for a sound file and for
    // none (the CD-TEXT is optional).
    const std::vector<DDP::Damage>& damage() const { return m_damage; }

    // Block 0's size packs, found from the end of the file by their type and
    // block (a later block's packs may follow them): three, fewer when the
    // file ends inside them, none when there are none.
    std::vector<Pack> readSizeInfo(Holmgrave::FS::Stream& stream);
    // The text packs of block 0, from the start of the packs: every pack of
    // the block but its three size packs. Stores the size-information record.
    // Stops at the end of the packs when the record promises more.
    std::vector<Pack> readBlockZeroPacks(Holmgrave::FS::Stream& stream);
    void decodePacks(const std::vector<Pack>& packs);
    void setGenre(const Pack& pack);

    CdInfo& cdInfo() { return m_cdInfo; }
    const CdInfo& cdInfo() const { return m_cdInfo; }
    const SizeInfoRecord& sizeInfo() const { return m_sizeInfo; }
    // Testing and fuzzing reach the decoder without a file.
    void setSizeInfo(const SizeInfoRecord& record) { m_sizeInfo = record; }

private:
    // Where the packs lie: after a READ TOC header, when the file has one,
    // up to the end of the file or of what the header counts.
    bool locatePacks(Holmgrave::FS::Stream& stream);
    void noteDamage(std::size_t sizePacksFound);
    void storeText(int packType, int track, const std::string& text, bool utf8);
    // A "same as the previous track" text: the previous track's text of the
    // same field.
    void repeatPreviousText(int packType, int track);

    CdInfo m_cdInfo;
    SizeInfoRecord m_sizeInfo{};
    bool m_hasSizeInfo = false;
    std::int64_t m_packsStart = 0;
    std::int64_t m_packBytes = 0;
    std::vector<DDP::Damage> m_damage;
};

// Double-byte text (up to its first zero) in the code page of its block's
// character code (932 for MS-JIS, 949 Korean, 936 Mandarin) as UTF-8 bytes,
// without a terminating zero. Text that is not valid in the code page comes
// back read as Mac Roman; empty when nothing converts.
std::string convertDoubleByteText(const std::string& bytes, std::uint32_t codePage = 932);

} // namespace CdText
