#include "player/engine/ddp/CdTextReader.h"

#include "player/engine/ddp/DdpFileset.h"
#include "player/engine/ddp/EngineConstants.h"

#include "core/IStream.h"
#include "core/String.h"
#include "core/Stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace CdText {

namespace {

constexpr std::int64_t packSize = 18;
// The drive's READ TOC form: the length of what follows the length field (2
// bytes, high byte first), two reserved bytes, then the packs.
constexpr std::int64_t readTocHeaderSize = 4;
// Eight blocks of at most 256 packs each: the most CD-TEXT a disc holds.
constexpr std::int64_t maxPacks = 8 * 256;

constexpr int packGenre = 0x87;
constexpr int packDiscId = 0x86;
constexpr int packSizeInfo = 0x8F;

// Block 0's character codes of the double-byte kinds, and their code pages.
std::uint32_t codePageOf(std::uint8_t characterCode)
{
    switch (characterCode) {
    case 0x81: return 949;  // Korean
    case 0x82: return 936;  // Mandarin Chinese
    default: return 932;    // MS-JIS
    }
}

bool isPackType(std::uint8_t byte)
{
    return byte >= 0x80 && byte <= 0x8F;
}

bool isBlockZeroSizePack(const Pack& pack)
{
    return pack[0] == packSizeInfo && (pack[3] & 0x70) == 0;
}

// A text of one TAB (two in a double-byte block) stands for "the same as the
// previous track"; authoring tools write it for repeated performers and the
// like.
bool isSameAsPrevious(const std::string& pending, bool doubleByte)
{
    return pending.substr(0, pending.find('\0')) == (doubleByte ? "\t\t" : "\t");
}

bool readPack(Holmgrave::FS::Stream& stream, Pack& pack)
{
    return stream.read(reinterpret_cast<char*>(pack.data()), pack.size()) == pack.size();
}

char* fieldFor(CdInfo& info, int packType, int track)
{
    TrackInfo& t = info.tracks[static_cast<std::size_t>(track)];
    switch (packType) {
    case 0x80: return t.title;
    case 0x81: return t.performer;
    case 0x82: return t.songwriter;
    case 0x83: return t.composer;
    case 0x84: return t.arranger;
    case 0x85: return t.message;
    case 0x86: return info.discIdentification;
    case 0x8E: return t.upcIsrc;
    default: return nullptr;  // collected and dropped
    }
}

} // namespace

bool Reader::read(const char* folder)
{
    m_damage.clear();
    errno = 0;
    const auto file = DDP::openFolderFile(folder, DDP::cdTextFileName);
    if (!file || !file->good()) {
        // No CD-TEXT at all is no damage: it is optional.
        const int error = errno;
        if (error != ENOENT && error != ENOTDIR) {
            DDP::Damage d;
            d.kind = DDP::Damage::FileUnreadable;
            d.file = DDP::cdTextFileName;
            d.error = error != 0 ? error : EIO;
            m_damage.push_back(d);
        }
        return false;
    }
    Holmgrave::FS::Stream stream(file);
    const std::vector<Pack> packs = readBlockZeroPacks(stream);
    if (!m_hasSizeInfo)
        return false;
    decodePacks(packs);
    if (!packs.empty())
        m_cdInfo.doubleByte = (packs.front()[3] & 0x80) != 0;
    return true;
}

bool Reader::locatePacks(Holmgrave::FS::Stream& stream)
{
    m_packsStart = 0;
    m_packBytes = 0;
    if (!stream.seek(0, SEEK_END))
        return false;
    const std::int64_t size = stream.tell();
    if (size <= 0)
        return true;
    m_packBytes = size;
    // A file of packs begins with a pack type; the header with the high byte
    // of a length, below 0x80 for fewer than 1820 packs, and its two zeros.
    std::uint8_t head[readTocHeaderSize + 1] = {};
    if (size > readTocHeaderSize && stream.seek(0, SEEK_SET)
        && stream.read(reinterpret_cast<char*>(head), sizeof head) == sizeof head) {
        const std::int64_t length = std::int64_t(head[0]) << 8 | head[1];
        if (!isPackType(head[0]) && head[2] == 0 && head[3] == 0 && isPackType(head[4]) && length > 2
            && (length - 2) % packSize == 0) {
            m_packsStart = readTocHeaderSize;
            // Bytes after what the header counts are not CD-TEXT.
            m_packBytes = std::min(size, 2 + length) - readTocHeaderSize;
        }
    }
    return true;
}

std::vector<Pack> Reader::readSizeInfo(Holmgrave::FS::Stream& stream)
{
    std::vector<Pack> packs;
    if (!locatePacks(stream))
        return packs;
    // A file larger than a disc's CD-TEXT is searched at its end only.
    const std::int64_t whole = m_packBytes / packSize;
    const std::int64_t first = std::max<std::int64_t>(0, whole - maxPacks);
    if (whole == 0 || !stream.seek(m_packsStart + first * packSize, SEEK_SET))
        return packs;
    std::vector<Pack> tail;
    tail.reserve(static_cast<std::size_t>(whole - first));
    for (std::int64_t i = first; i < whole; ++i) {
        Pack pack{};
        if (!readPack(stream, pack))
            break;
        tail.push_back(pack);
    }
    // The last run of block 0's size packs, of three at most: a file cut
    // inside it keeps its first packs.
    std::size_t end = tail.size();
    while (end > 0 && !isBlockZeroSizePack(tail[end - 1]))
        --end;
    std::size_t begin = end;
    while (begin > 0 && end - begin < 3 && isBlockZeroSizePack(tail[begin - 1]))
        --begin;
    packs.assign(tail.begin() + static_cast<std::ptrdiff_t>(begin),
                 tail.begin() + static_cast<std::ptrdiff_t>(end));
    return packs;
}

std::vector<Pack> Reader::readBlockZeroPacks(Holmgrave::FS::Stream& stream)
{
    std::vector<Pack> packs;
    const std::vector<Pack> sizePacks = readSizeInfo(stream);
    noteDamage(sizePacks.size());
    // The first two size packs hold all the reader uses: the last track
    // number (byte 2) and block 0's last sequence number (byte 20).
    m_hasSizeInfo = sizePacks.size() >= 2;
    if (!m_hasSizeInfo)
        return packs;
    m_sizeInfo = {};
    for (std::size_t i = 0; i < sizePacks.size(); ++i)
        std::copy(sizePacks[i].begin() + 4, sizePacks[i].begin() + 16, m_sizeInfo.begin() + 12 * i);

    if (!stream.seek(m_packsStart, SEEK_SET))
        return packs;
    const int lastSequence = m_sizeInfo[20];
    if (lastSequence < 3)
        return packs;
    const int count = lastSequence - 2;
    packs.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        Pack pack{};
        // The record may promise more packs than the file holds.
        if (!readPack(stream, pack))
            break;
        packs.push_back(pack);
    }
    return packs;
}

void Reader::noteDamage(std::size_t sizePacksFound)
{
    DDP::Damage d;
    d.file = DDP::cdTextFileName;
    d.bytes = m_packBytes;
    d.count = static_cast<std::int64_t>(sizePacksFound);
    const bool cut = m_packBytes % packSize != 0;
    if (cut) {
        d.kind = DDP::Damage::TextPackCut;
        m_damage.push_back(d);
    }
    // A cut that took only the last size pack has been told already.
    if (m_packBytes > 0 && sizePacksFound < 3 && !(cut && sizePacksFound == 2)) {
        d.kind = DDP::Damage::TextSizeInfoMissing;
        m_damage.push_back(d);
    }
}

void Reader::decodePacks(const std::vector<Pack>& packs)
{
    const int lastTrack = m_sizeInfo[2];
    m_cdInfo.tracks.resize(static_cast<std::size_t>(lastTrack) + 1);

    const std::uint32_t codePage = codePageOf(m_sizeInfo[0]);
    // A text may run on from one pack into the next of its type, never into
    // another type's (the TOC packs 0x88 and 0x89 hold bytes, not texts).
    std::string pending;
    int pendingType = -1;
    bool genreRead = false;
    for (const Pack& pack : packs) {
        const int type = pack[0];
        if (type != pendingType)
            pending.clear();
        pendingType = type;
        if (type == packGenre) {
            // Only the first genre pack starts with the code; the later ones
            // carry on its text.
            if (!genreRead)
                setGenre(pack);
            genreRead = true;
            continue;
        }
        int track = static_cast<std::int8_t>(pack[1]);
        // Bit 7 is the extension flag: such a pack names no track of the list.
        if (track < 0)
            continue;
        const bool doubleByte = (pack[3] & 0x80) != 0;
        for (int i = 0; i < 12; ++i) {
            if (track > lastTrack)
                break;
            const std::uint8_t byte = pack[static_cast<std::size_t>(4 + i)];
            pending.push_back(static_cast<char>(byte));
            // A double-byte text ends with two zero bytes of its own, which
            // may lie in two packs: an empty text is its own two zeros, never
            // the second half of the previous text's terminator.
            const bool goesOn =
                byte != 0 || (doubleByte && (pending.size() < 2 || pending[pending.size() - 2] != '\0'));
            if (!goesOn) {
                if (isSameAsPrevious(pending, doubleByte)) {
                    repeatPreviousText(type, track);
                } else {
                    if (doubleByte && pending.front() != '\0')
                        pending = convertDoubleByteText(pending, codePage);
                    if (!pending.empty() && pending.front() != '\0')
                        storeText(type, track, pending, doubleByte);
                }
                pending.clear();
                ++track;
            }
        }
    }
}

void Reader::storeText(int packType, int track, const std::string& text, bool utf8)
{
    char* field = fieldFor(m_cdInfo, packType, track);
    if (field == nullptr)
        return;
    std::size_t length = std::min(text.find('\0'), text.size());
    // Keep the terminator inside the field. Converted texts are UTF-8: cut
    // before a character rather than through it.
    if (length > fieldSize - 1) {
        length = fieldSize - 1;
        if (utf8) {
            while (length > 0 && (static_cast<std::uint8_t>(text[length]) & 0xC0) == 0x80)
                --length;
        }
    }
    std::memset(field, 0, fieldSize);
    std::memcpy(field, text.data(), length);
}

void Reader::repeatPreviousText(int packType, int track)
{
    // The album entry has no track before it, and the disc identification
    // is one text for the whole disc.
    if (track < 1 || packType == packDiscId)
        return;
    const char* previous = fieldFor(m_cdInfo, packType, track - 1);
    char* field = fieldFor(m_cdInfo, packType, track);
    // The previous text is already decoded (and resolved, when it was a
    // repeat itself); an empty one writes nothing, as an empty text does.
    if (previous == nullptr || field == nullptr || previous[0] == '\0')
        return;
    std::memcpy(field, previous, fieldSize);
}

void Reader::setGenre(const Pack& pack)
{
    if (pack[4] != 0)
        return;
    const int code = static_cast<std::int8_t>(pack[5]);
    const auto it = genreNames.find(code);
    // A code without a name leaves the genre empty.
    m_cdInfo.genre = it != genreNames.end() ? it->second : std::string();
}

std::string convertDoubleByteText(const std::string& bytes, std::uint32_t codePage)
{
    const std::string text = bytes.substr(0, bytes.find('\0'));
    if (text.empty())
        return {};
    Holmgrave::String s(text.c_str(), codePage, -1, true);
    s.convertToNarrow(65001);
    if (s.isWide() && s.length() != 0)
        s.ensureNarrow(0);
    if (s.isWide())
        return {};
    return std::string(s.text8(), s.length());
}

} // namespace CdText
