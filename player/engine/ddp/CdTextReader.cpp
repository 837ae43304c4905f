#include "player/engine/ddp/CdTextReader.h"

#include "player/engine/ddp/DdpFileset.h"
#include "player/engine/ddp/EngineConstants.h"

#include "core/IStream.h"
#include "core/String.h"
#include "core/Stream.h"

#include <algorithm>
#include <cstring>

namespace CdText {

namespace {

constexpr std::int64_t packSize = 18;
constexpr std::int64_t sizeInfoBytes = 3 * packSize;

constexpr int packGenre = 0x87;
constexpr int packDiscId = 0x86;

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
    const auto file = DDP::openFolderFile(folder, DDP::cdTextFileName);
    if (!file || !file->good())
        return false;
    Holmgrave::FS::Stream stream(file);
    const std::vector<Pack> packs = readBlockZeroPacks(stream);
    if (!m_hasSizeInfo)
        return false;
    decodePacks(packs);
    if (!packs.empty())
        m_cdInfo.doubleByte = (packs.front()[3] & 0x80) != 0;
    return true;
}

std::vector<Pack> Reader::readSizeInfo(Holmgrave::FS::Stream& stream)
{
    std::vector<Pack> packs;
    if (!stream.seek(0, SEEK_END))
        return packs;
    const std::int64_t size = stream.tell();
    const std::int64_t wholePacks = size > 0 ? size - size % packSize : 0;
    // A file of fewer than three packs has no size information; seeking
    // before its start would fail or read the wrong bytes.
    if (wholePacks < sizeInfoBytes || !stream.seek(wholePacks - sizeInfoBytes, SEEK_SET))
        return packs;
    for (int i = 0; i < 3; ++i) {
        Pack pack{};
        if (!readPack(stream, pack))
            break;
        packs.push_back(pack);
    }
    return packs;
}

std::vector<Pack> Reader::readBlockZeroPacks(Holmgrave::FS::Stream& stream)
{
    std::vector<Pack> packs;
    const std::vector<Pack> sizePacks = readSizeInfo(stream);
    m_hasSizeInfo = sizePacks.size() == 3;
    if (!m_hasSizeInfo)
        return packs;
    for (std::size_t i = 0; i < 3; ++i)
        std::copy(sizePacks[i].begin() + 4, sizePacks[i].begin() + 16, m_sizeInfo.begin() + 12 * i);

    if (!stream.seek(0, SEEK_SET))
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

void Reader::decodePacks(const std::vector<Pack>& packs)
{
    const int lastTrack = m_sizeInfo[2];
    m_cdInfo.tracks.resize(static_cast<std::size_t>(lastTrack) + 1);

    // A text may run on from one pack into the next.
    std::string pending;
    for (const Pack& pack : packs) {
        const int type = pack[0];
        if (type == packGenre) {
            setGenre(pack);
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
                        pending = convertDoubleByteText(pending);
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

std::string convertDoubleByteText(const std::string& bytes)
{
    const std::string text = bytes.substr(0, bytes.find('\0'));
    if (text.empty())
        return {};
    Holmgrave::String s(text.c_str(), 932, -1, true);
    s.convertToNarrow(65001);
    if (s.isWide() && s.length() != 0)
        s.ensureNarrow(0);
    if (s.isWide())
        return {};
    return std::string(s.text8(), s.length());
}

} // namespace CdText
