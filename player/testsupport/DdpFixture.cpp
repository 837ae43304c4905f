#include "player/testsupport/DdpFixture.h"

#include <QByteArray>
#include <QString>
#include <QTextCodec>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace DdpFixture {

namespace {

constexpr int bytesPerPack = 18;
constexpr int maxPacksPerBlock = 256;

std::string twoDigits(int n)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", n % 100);
    return buf;
}

std::string fitted(const std::string& s, std::size_t width, char pad)
{
    std::string out = s.substr(0, width);
    out.resize(width, pad);
    return out;
}

// CRC-16/CCITT over the 16 header and text bytes, inverted, high byte first.
void putCrc(std::string& pack)
{
    std::uint16_t crc = 0;
    for (int i = 0; i < 16; ++i) {
        crc ^= std::uint16_t(std::uint8_t(pack[std::size_t(i)]) << 8);
        for (int b = 0; b < 8; ++b)
            crc = (crc & 0x8000) ? std::uint16_t((crc << 1) ^ 0x1021) : std::uint16_t(crc << 1);
    }
    crc = std::uint16_t(~crc);
    pack[16] = char(crc >> 8);
    pack[17] = char(crc & 0xFF);
}

std::string fullWidthNumber(int n)
{
    // Full-width digits U+FF10..U+FF19 in UTF-8: EF BC 90+d.
    std::string out;
    for (char c : std::to_string(n)) {
        out += "\xEF\xBC";
        out += char(0x90 + (c - '0'));
    }
    return out;
}

std::string latinText(int type, int track)
{
    const std::string n = std::to_string(track);
    switch (type) {
    case Title: return track == 0 ? "Glasswell Caf\xC3\xA9 Sessions" : "Title " + n;
    case Performer: return track == 0 ? "The Fixtures" : "Performer " + n;
    case Songwriter: return "Songwriter " + n;
    case Composer: return "Composer " + n;
    case Arranger: return "Arranger " + n;
    case Message: return track == 0 ? "Cr\xC3\xA8me br\xC3\xBBl\xC3\xA9" : "Message " + n;
    default: return {};
    }
}

std::string japaneseText(int type, int track)
{
    // Kana and kanji, and in the performers of tracks 1 and 2 the names
    // 髙橋 (0xFBFC) and 山﨑 (0xFAB1) of code page 932's IBM extension rows.
    // As Japanese masters have it, the album has no songwriter, composer or
    // arranger (an empty text of its own), and track 2 no arranger.
    const std::string n = fullWidthNumber(track);
    switch (type) {
    case Title:
        return track == 0 ? "\xE7\xA1\x9D\xE5\xAD\x90\xE3\x81\xAE\xE4\xBA\x95\xE6\x88\xB8"  // 硝子の井戸
                          : "\xE6\x9B\xB2" + n;                                           // 曲N
    case Performer:
        if (track == 1)
            return "\xE9\xAB\x99\xE6\xA9\x8B" + n;  // 髙橋N
        if (track == 2)
            return "\xE5\xB1\xB1\xEF\xA8\x91" + n;  // 山﨑N
        return track == 0 ? "\xE3\x82\xAC\xE3\x83\xA9\xE3\x82\xB9"  // ガラス
                          : "\xE6\xAD\x8C\xE6\x89\x8B" + n;          // 歌手N
    case Songwriter: return track == 0 ? std::string() : "\xE4\xBD\x9C\xE8\xA9\x9E" + n;  // 作詞N
    case Composer: return track == 0 ? std::string() : "\xE4\xBD\x9C\xE6\x9B\xB2" + n;    // 作曲N
    case Arranger:
        return track == 0 || track == 2 ? std::string() : "\xE7\xB7\xA8\xE6\x9B\xB2" + n;  // 編曲N
    case Message: return "\xE3\x81\x82\xE3\x82\x8A\xE3\x81\x8C\xE3\x81\xA8\xE3\x81\x86" + n;  // ありがとうN
    default: return {};
    }
}

std::string isrcFor(int track)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "DEHG126%05d", track % 100000);
    return buf;
}

std::int16_t clamp16(double v)
{
    if (v > 32767.0)
        return 32767;
    if (v < -32768.0)
        return -32768;
    return std::int16_t(std::lround(v));
}

void writeImageFile(const Image& image)
{
    std::ofstream out(image.path("IMAGE.DAT"), std::ios::binary | std::ios::trunc);
    if (!out)
        throw std::runtime_error("cannot write IMAGE.DAT in " + image.folder);
    std::vector<char> chunk;
    const std::int64_t chunkBytes = std::int64_t(bytesPerCdFrame) * 75;
    for (std::int64_t pos = 0; pos < image.imageBytes; pos += chunkBytes) {
        const std::int64_t n = std::min(chunkBytes, image.imageBytes - pos);
        chunk.resize(std::size_t(n));
        for (std::int64_t b = 0; b < n; b += bytesPerSampleFrame) {
            const StereoSample s = expectedSample(image, pos + b);
            char* p = chunk.data() + b;
            p[0] = char(std::uint16_t(s.left) & 0xFF);
            p[1] = char(std::uint16_t(s.left) >> 8);
            p[2] = char(std::uint16_t(s.right) & 0xFF);
            p[3] = char(std::uint16_t(s.right) >> 8);
        }
        out.write(chunk.data(), std::streamsize(n));
    }
    if (!out)
        throw std::runtime_error("short write of IMAGE.DAT in " + image.folder);
}

std::string encodeText(const std::string& utf8, bool doubleByte)
{
    return doubleByte ? toShiftJis(utf8) : toLatin1(utf8);
}

std::string cdTextFile(const Image& image)
{
    const Options& o = image.options;
    const bool doubleByte = o.cdText == CdTextKind::Japanese;
    const int trackCount = int(image.tracks.size());

    auto buildBlock = [&](int block, bool blockDoubleByte, int& sequence, bool english,
                          SizeRecord& sizeInfo) {
        std::string packs;
        const int first = sequence;
        for (int type : o.cdTextTypes) {
            std::vector<std::string> texts;
            for (int t = 0; t <= trackCount; ++t) {
                std::string utf8;
                if (type == UpcIsrc)
                    utf8 = t == 0 ? o.upcEan : image.tracks[std::size_t(t - 1)].isrc;
                else if (english)
                    utf8 = "Block1 " + latinText(type, t);
                else
                    utf8 = t == 0 ? image.albumTexts.at(type) : image.tracks[std::size_t(t - 1)].texts.at(type);
                texts.push_back(encodeText(utf8, blockDoubleByte && type != UpcIsrc));
            }
            const int before = sequence;
            packs += textPacks(type, texts, blockDoubleByte && type != UpcIsrc, sequence, block);
            sizeInfo.packCounts[type - 0x80] += sequence - before;
        }
        if (o.cdTextDiscId) {
            const int before = sequence;
            packs += textPacks(DiscId, {toLatin1(english ? "BLOCK1-ID" : image.discId)}, false, sequence, block);
            sizeInfo.packCounts[DiscId - 0x80] += sequence - before;
        }
        if (o.genreCode >= 0) {
            std::string text;
            text += char(0);
            text += char(o.genreCode & 0xFF);
            text += "Fixture";
            packs += cdTextPack(Genre, 0, sequence++, false, text, block, 0);
            sizeInfo.packCounts[Genre - 0x80] += 1;
        }
        sizeInfo.packCounts[SizeInfo - 0x80] = 3;
        sizeInfo.lastSequence[block] = sequence + 2;
        if (sequence + 3 - first > maxPacksPerBlock)
            throw std::runtime_error("CD-TEXT block does not fit into 256 packs; write fewer or shorter texts");
        return packs;
    };

    SizeRecord info;
    info.characterCode = doubleByte ? 0x80 : 0x00;
    info.firstTrack = 1;
    info.lastTrack = trackCount;
    info.language[0] = doubleByte ? 0x69 : 0x09;

    int sequence = 0;
    SizeRecord counts0 = info;
    const std::string block0 = buildBlock(0, doubleByte, sequence, false, counts0);
    const int block0SizeSequence = sequence;
    sequence += 3;

    std::string block1;
    int block1SizeSequence = 0;
    SizeRecord counts1 = info;
    if (o.cdTextSecondBlock) {
        block1 = buildBlock(1, false, sequence, true, counts1);
        block1SizeSequence = sequence;
        sequence += 3;
    }

    // Every block closes with the same size record: the reader takes the
    // file's last three packs.
    SizeRecord record = counts0;
    record.lastSequence[0] = counts0.lastSequence[0];
    if (o.cdTextSecondBlock) {
        record.lastSequence[1] = counts1.lastSequence[1];
        record.language[1] = 0x09;
    }
    std::string file = block0 + sizeInfoPacks(record, block0SizeSequence, 0);
    if (o.cdTextSecondBlock)
        file += block1 + sizeInfoPacks(record, block1SizeSequence, 1);
    return file;
}

} // namespace

std::string Image::fieldBytes(const std::string& utf8) const
{
    return options.cdText == CdTextKind::Japanese ? utf8 : toLatin1(utf8);
}

std::pair<int, int> Image::trackAndIndexAt(std::int64_t byteOffset) const
{
    // The lead-in pause belongs to track 1.
    if (byteOffset < 0 || byteOffset >= imageBytes)
        return {0, 0};
    for (const Track& t : tracks) {
        if (byteOffset >= t.end)
            continue;
        if (byteOffset < t.start)
            return {t.number, 0};
        int index = 1;
        for (std::int64_t s : t.furtherIndexStarts) {
            if (byteOffset >= s)
                ++index;
        }
        return {t.number, index};
    }
    return {0, 0};
}

StereoSample expectedSample(const Image& image, std::int64_t byteOffset)
{
    const std::int64_t frame = byteOffset / bytesPerSampleFrame;
    StereoSample s;
    switch (image.options.samples) {
    case Samples::Identifying: {
        const auto ti = image.trackAndIndexAt(byteOffset);
        s.left = std::int16_t(ti.first * 100 + ti.second);
        s.right = std::int16_t(frame & 0x7FFF);
        break;
    }
    case Samples::Sine: {
        constexpr double twoPi = 6.283185307179586;
        const double v = image.options.sineAmplitude * 32767.0
                         * std::sin(twoPi * image.options.sineFrequency * double(frame) / 44100.0);
        s.left = s.right = clamp16(v);
        break;
    }
    case Samples::Silence:
        break;
    case Samples::Counting:
        s.left = std::int16_t(1 + frame % 8000);
        s.right = std::int16_t(1 + frame / 8000);
        break;
    }
    return s;
}

Image write(const std::string& folder, const Options& o)
{
    if (o.trackCount < 1 || o.trackCount > 99)
        throw std::runtime_error("a disc holds 1 to 99 tracks");
    if (!o.trackFramesList.empty() && int(o.trackFramesList.size()) != o.trackCount)
        throw std::runtime_error("trackFramesList must name every track");

    Image image;
    image.folder = folder;
    image.options = o;

    const bool withText = o.cdText != CdTextKind::None;
    const bool japanese = o.cdText == CdTextKind::Japanese;
    auto text = [&](int type, int track) { return japanese ? japaneseText(type, track) : latinText(type, track); };

    auto userText = [&](int track) { return o.userTexts ? fitted("Take " + std::to_string(track), 19, ' ')
                                                        : std::string(19, ' '); };
    const std::string blanks(19, ' ');

    // Two leading entries at 00:00:00, both track 01 index 00.
    image.entries.push_back({"01", "00", 0, isrcFor(1), blanks});
    image.entries.push_back({"01", "00", 0, isrcFor(1), blanks});

    int frame = o.leadInPauseFrames;
    for (int n = 1; n <= o.trackCount; ++n) {
        Track t;
        t.number = n;
        t.isrc = isrcFor(n);
        const bool pause = n >= 2 && n - 2 < o.tracksWithPause;
        // Track 1 owns the lead-in pause; later tracks own their index 00.
        t.pauseStart = std::int64_t(n == 1 ? 0 : frame) * bytesPerCdFrame;
        if (pause) {
            image.entries.push_back({twoDigits(n), "00", frame, t.isrc, blanks});
            frame += o.pauseFrames;
        }
        t.start = std::int64_t(frame) * bytesPerCdFrame;
        image.entries.push_back({twoDigits(n), "01", frame, t.isrc, userText(n)});
        const int length = o.trackFramesList.empty() ? o.trackFrames : o.trackFramesList[std::size_t(n - 1)];
        if (n <= o.tracksWithIndex2) {
            const int mid = frame + length / 2;
            image.entries.push_back({twoDigits(n), "02", mid, t.isrc, blanks});
            t.furtherIndexStarts.push_back(std::int64_t(mid) * bytesPerCdFrame);
        }
        frame += length;
        t.end = std::int64_t(frame) * bytesPerCdFrame;
        if (withText) {
            for (int type : {int(Title), int(Performer), int(Songwriter), int(Composer), int(Arranger), int(Message)})
                t.texts[type] = text(type, n);
            t.texts[UpcIsrc] = t.isrc;
        }
        image.tracks.push_back(t);
    }
    // A pause belongs to its track, so the previous track ends where it begins.
    for (std::size_t i = 0; i + 1 < image.tracks.size(); ++i)
        image.tracks[i].end = image.tracks[i + 1].pauseStart;

    image.entries.push_back({"AA", "01", frame, std::string(), blanks});  // lead-out
    image.entries.push_back({"AA", "01", frame, std::string(), blanks});  // final marker
    image.imageBytes = std::int64_t(frame) * bytesPerCdFrame;

    if (withText) {
        for (int type : {int(Title), int(Performer), int(Songwriter), int(Composer), int(Arranger), int(Message)})
            image.albumTexts[type] = text(type, 0);
        image.albumTexts[UpcIsrc] = o.upcEan;
        if (o.cdTextDiscId)
            image.discId = "GW-FIXTURE-" + std::to_string(o.trackCount);
        if (o.genreCode >= 0 && o.genreCode <= 27) {
            static const char* const names[] = {" ", "Not Defined", "Adult Contemporary", "Alternative Rock",
                "Childrens Music", "Classical", "Contemporary Christian", "Country", "Dance", "Easy Listening",
                "Erotic", "Folk", "Gospel", "Hip Hop", "Jazz", "Latin", "Musical", "New Age", "Opera", "Operetta",
                "Pop Music", "Rap", "Reggae", "Rock Music", "Rhythm & Blues", "Sound Effects", "Spoken Word",
                "World Music"};
            image.genre = names[o.genreCode];
        }
        // Types that are not written leave their expectations empty.
        auto written = [&](int type) {
            for (int t : o.cdTextTypes)
                if (t == type)
                    return true;
            return false;
        };
        for (auto it = image.albumTexts.begin(); it != image.albumTexts.end(); ++it)
            if (!written(it->first))
                it->second.clear();
        for (Track& t : image.tracks)
            for (auto& kv : t.texts)
                if (!written(kv.first))
                    kv.second.clear();
    }

    std::filesystem::create_directories(folder);
    if (o.writeDdpId)
        writeFile(image.path("DDPID"), ddpIdBytes());
    if (o.writeDdpMs)
        writeFile(image.path("DDPMS"), ddpMsBytes(image.imageBytes));
    if (o.writePqDescr)
        writeFile(image.path("PQDESCR"), pqDescrBytes(image.entries, o.upcEan));
    if (withText)
        writeFile(image.path("CDTEXT.BIN"), cdTextFile(image));
    if (o.writeImage)
        writeImageFile(image);
    return image;
}

std::string pqEntryBytes(const Entry& e, const std::string& upcEan)
{
    std::string out = "VVVS";
    out += fitted(e.track, 2, '0');
    out += fitted(e.index, 2, '0');
    out += "00";
    out += twoDigits(e.minutes()) + twoDigits(e.seconds()) + twoDigits(e.frames());
    out += "00";  // control byte 1: audio, no copy, no pre-emphasis
    out += "00";
    out += e.isrc.empty() ? std::string(12, '\0') : fitted(e.isrc, 12, ' ');
    out += fitted(upcEan, 13, ' ');
    out += fitted(e.userText, 19, ' ');
    return out;
}

std::string pqEntryRaw(const std::string& track, const std::string& index, const std::string& hours,
                       const std::string& minutes, const std::string& seconds, const std::string& frames)
{
    std::string out = "VVVS";
    out += fitted(track, 2, ' ') + fitted(index, 2, ' ') + fitted(hours, 2, ' ');
    out += fitted(minutes, 2, ' ') + fitted(seconds, 2, ' ') + fitted(frames, 2, ' ');
    out += "0000";
    out += std::string(12, ' ') + std::string(13, ' ') + std::string(19, ' ');
    return out;
}

std::string pqDescrBytes(const std::vector<Entry>& entries, const std::string& upcEan)
{
    std::string out;
    for (const Entry& e : entries)
        out += pqEntryBytes(e, upcEan);
    return out;
}

std::string ddpIdBytes()
{
    // Level, UPC, map-stream start, message: blank-padded ASCII.
    std::string out = "DDP 2.00";
    out += fitted("4006381333931", 13, ' ');
    out += fitted("00000000", 8, ' ');
    out += fitted("", 8, ' ');
    out += fitted("Glasswell fixture generator", 48, ' ');
    return fitted(out, 128, ' ');
}

std::string ddpMsBytes(std::int64_t imageBytes)
{
    auto packet = [](const std::string& streamType, std::int64_t length, const std::string& name) {
        char len[16];
        std::snprintf(len, sizeof len, "%08lld", static_cast<long long>(length));
        std::string p = "VVVM" + streamType + fitted("", 8, ' ') + fitted(len, 8, ' ') + fitted("", 8, ' ');
        p = fitted(p, 74, ' ') + fitted(name, 17, ' ');
        return fitted(p, 128, ' ');
    };
    return packet("D0", imageBytes / bytesPerCdFrame, "IMAGE.DAT") + packet("S0", 0, "PQDESCR");
}

std::string cdTextPack(int type, int track, int sequence, bool doubleByte, const std::string& text, int block,
                       int characterPosition)
{
    std::string pack(bytesPerPack, '\0');
    pack[0] = char(type);
    pack[1] = char(track);
    pack[2] = char(sequence);
    pack[3] = char((doubleByte ? 0x80 : 0) | ((block & 7) << 4) | (characterPosition > 15 ? 15 : characterPosition));
    for (std::size_t i = 0; i < 12 && i < text.size(); ++i)
        pack[4 + i] = text[i];
    putCrc(pack);
    return pack;
}

std::string sizeInfoBytes(const SizeRecord& info)
{
    std::string out(36, '\0');
    out[0] = char(info.characterCode);
    out[1] = char(info.firstTrack);
    out[2] = char(info.lastTrack);
    out[3] = 0;
    for (int i = 0; i < 16; ++i)
        out[std::size_t(4 + i)] = char(info.packCounts[i]);
    for (int i = 0; i < 8; ++i)
        out[std::size_t(20 + i)] = char(info.lastSequence[i]);
    for (int i = 0; i < 8; ++i)
        out[std::size_t(28 + i)] = char(info.language[i]);
    return out;
}

std::string sizeInfoPacks(const SizeRecord& info, int firstSequence, int block)
{
    const std::string record = sizeInfoBytes(info);
    std::string out;
    for (int i = 0; i < 3; ++i)
        out += cdTextPack(SizeInfo, i, firstSequence + i, false, record.substr(std::size_t(i) * 12, 12), block, 0);
    return out;
}

std::string textPacks(int type, const std::vector<std::string>& encodedTexts, bool doubleByte, int& sequence,
                      int block)
{
    // Lay the texts end to end, remembering which track owns each byte and
    // how many bytes of that text precede it.
    std::string stream;
    std::vector<int> owner;
    std::vector<int> position;
    for (std::size_t t = 0; t < encodedTexts.size(); ++t) {
        std::string text = encodedTexts[t];
        text.append(doubleByte ? 2 : 1, '\0');
        for (std::size_t i = 0; i < text.size(); ++i) {
            stream += text[i];
            owner.push_back(int(t));
            position.push_back(int(i));
        }
    }
    std::string out;
    for (std::size_t at = 0; at < stream.size(); at += 12) {
        const std::string chunk = stream.substr(at, 12);
        out += cdTextPack(type, owner[at], sequence++, doubleByte, chunk, block, position[at]);
    }
    return out;
}

std::string toShiftJis(const std::string& utf8)
{
    QTextCodec* codec = QTextCodec::codecForName("Shift_JIS");
    if (codec == nullptr)
        throw std::runtime_error("no Shift_JIS codec");
    // A character the codec lacks would become '?' and the test data a lie.
    const QString text = QString::fromUtf8(utf8.data(), int(utf8.size()));
    QTextCodec::ConverterState state;
    const QByteArray bytes = codec->fromUnicode(text.constData(), text.size(), &state);
    if (state.invalidChars != 0)
        throw std::runtime_error("the Shift_JIS codec cannot encode " + utf8);
    return std::string(bytes.constData(), std::size_t(bytes.size()));
}

std::string toLatin1(const std::string& utf8)
{
    const QByteArray bytes = QString::fromUtf8(utf8.data(), int(utf8.size())).toLatin1();
    return std::string(bytes.constData(), std::size_t(bytes.size()));
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        throw std::runtime_error("cannot write " + path);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    if (!out)
        throw std::runtime_error("short write of " + path);
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void replaceWithFifo(const std::string& path)
{
    std::remove(path.c_str());
    if (::mkfifo(path.c_str(), 0600) != 0)
        throw std::runtime_error("cannot make a FIFO at " + path);
}

void releaseFifoReaders(const std::string& path)
{
    // Succeeds only while a reader has the FIFO open, or is opening it.
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0)
        ::close(fd);
}

} // namespace DdpFixture
