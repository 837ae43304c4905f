#pragma once

// Synthetic DDP filesets for the player's tests and for trying the player
// without a real master.
//
// The generator writes every byte itself and shares no code with the engine's
// readers, so tests check the readers against an independent encoder. A test
// describes the disc it wants ("12 tracks, 3 with pauses, CD-TEXT in
// Japanese"), writes it into a folder and gets back what a correct reader,
// player or exporter must find there: the descriptor list, every track's
// byte range in "IMAGE.DAT", the texts, and the sample values.
//
//   DdpFixture::Options o;
//   o.trackCount = 12;
//   o.tracksWithPause = 3;
//   o.cdText = DdpFixture::CdTextKind::Japanese;
//   DdpFixture::Image image = DdpFixture::write(dir.path().toStdString(), o);
//
// The descriptor list has the shape of a real master: two entries at
// 00:00:00 (track 01, index 00), then per track an optional index 00 pause,
// index 01 and optional index 02, then a lead-out entry ("AA") and a final
// marker at the end of the audio.
//
// Test support only. Functions throw std::runtime_error when a file cannot be
// written or a request cannot be encoded (for example a CD-TEXT block larger
// than 256 packs).

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace DdpFixture {

constexpr int framesPerSecond = 75;
constexpr int bytesPerCdFrame = 2352;
constexpr int bytesPerSampleFrame = 4;

enum class Samples {
    Identifying,  // left = track * 100 + index, right = sample frame & 0x7FFF
    Sine,         // the same sine on both channels, phase from the image start
    Silence,
    // The frame's own index, readable back from a recording: left = 1 +
    // frame % 8000, right = 1 + frame / 8000; never silent, and below 2^14 so
    // that a float stream converted to 16 bits keeps every value.
    Counting,
};

enum class CdTextKind {
    None,      // no "CDTEXT.BIN"
    Latin1,    // single-byte block, ISO 8859-1 (texts include characters above 127)
    Japanese,  // double-byte block, code page 932
};

// CD-TEXT pack types with a text per track.
enum PackType : int {
    Title = 0x80,
    Performer = 0x81,
    Songwriter = 0x82,
    Composer = 0x83,
    Arranger = 0x84,
    Message = 0x85,
    DiscId = 0x86,
    Genre = 0x87,
    UpcIsrc = 0x8E,
    SizeInfo = 0x8F,
};

struct Options {
    int trackCount = 3;              // 1..99
    int tracksWithPause = 0;         // tracks 2.. (in order) that get an index 00 pause
    int tracksWithIndex2 = 0;        // tracks 1.. (in order) that get an index 02 in their middle
    int trackFrames = 150;           // CD frames per track, index 01 to the next pause or track
    std::vector<int> trackFramesList;  // per-track override when not empty (size trackCount)
    int pauseFrames = 150;           // length of each index 00 pause between tracks
    int leadInPauseFrames = 150;     // the disc's first pause (descriptor entry 1), 2 s on a master

    Samples samples = Samples::Identifying;
    double sineFrequency = 1000.0;
    double sineAmplitude = 0.5;      // of full scale

    CdTextKind cdText = CdTextKind::None;
    // Text pack types written into block 0 (Title..Message, UpcIsrc); DiscId
    // and Genre are controlled by the fields below.
    std::vector<int> cdTextTypes = {Title, Performer, Songwriter, Composer, Arranger, Message, UpcIsrc};
    bool cdTextDiscId = true;
    int genreCode = 5;               // -1: no genre pack
    bool cdTextSecondBlock = false;  // adds an English block 1 whose texts a reader must ignore

    bool userTexts = true;           // index 01 entries carry a user text, others blanks
    std::string upcEan = "4006381333931";

    // Leave files out to build incomplete filesets.
    bool writeDdpId = true;
    bool writeDdpMs = true;
    bool writePqDescr = true;
    bool writeImage = true;
};

// One descriptor as written.
struct Entry {
    std::string track;   // two characters: "01".."99", "AA" for lead-out and final marker
    std::string index;   // "00", "01", "02"
    int frame = 0;       // absolute disc time in CD frames
    std::string isrc;    // 12 characters or empty (zeros)
    std::string userText;  // 19 characters

    std::int64_t bytePosition() const { return std::int64_t(frame) * bytesPerCdFrame; }
    int minutes() const { return frame / framesPerSecond / 60; }
    int seconds() const { return frame / framesPerSecond % 60; }
    int frames() const { return frame % framesPerSecond; }
};

struct Track {
    int number = 0;
    std::int64_t pauseStart = 0;  // byte offset of index 00; == start without a pause
    std::int64_t start = 0;       // byte offset of index 01
    std::int64_t end = 0;         // the next track's pause or start, or the lead-out
    std::vector<std::int64_t> furtherIndexStarts;  // index 02, ...
    std::string isrc;
    // CD-TEXT in UTF-8; empty without CD-TEXT or when the type is not written.
    std::map<int, std::string> texts;

    std::int64_t lengthBytes() const { return end - start; }
    bool hasPause() const { return pauseStart != start; }
};

struct Image {
    std::string folder;
    Options options;
    std::vector<Entry> entries;   // "PQDESCR" in file order
    std::vector<Track> tracks;    // tracks[i] is track i + 1
    std::int64_t imageBytes = 0;  // size of "IMAGE.DAT" (also when not written)

    // CD-TEXT expectations, UTF-8: album texts by pack type, disc
    // identification and genre name (empty without CD-TEXT).
    std::map<int, std::string> albumTexts;
    std::string discId;
    std::string genre;

    // Player view: the byte range from entry i to entry i + 1.
    std::int64_t entryStart(std::size_t i) const { return entries.at(i).bytePosition(); }
    // The bytes a CD-TEXT field must hold for a UTF-8 text: Latin-1 bytes for
    // a single-byte block, the UTF-8 text itself for a double-byte block.
    std::string fieldBytes(const std::string& utf8) const;
    // Track and index at a byte offset (the pause of a track belongs to it);
    // {0, 0} past the end.
    std::pair<int, int> trackAndIndexAt(std::int64_t byteOffset) const;
    std::string path(const std::string& fileName) const { return folder + "/" + fileName; }
};

struct StereoSample {
    std::int16_t left = 0;
    std::int16_t right = 0;
};

// Writes the fileset into `folder` (created when missing) and returns what it
// holds.
Image write(const std::string& folder, const Options& options);

// The sample frame at a byte offset of "IMAGE.DAT" (offset / 4).
StereoSample expectedSample(const Image& image, std::int64_t byteOffset);
// Identifying samples: the track and index encoded in the left channel.
inline int trackOfLeftSample(std::int16_t left) { return left / 100; }
inline int indexOfLeftSample(std::int16_t left) { return left % 100; }

// --- Raw building blocks for hand-made and damaged files -------------------

// A 64-byte descriptor.
std::string pqEntryBytes(const Entry& entry, const std::string& upcEan);
// A 64-byte descriptor from raw field texts (each padded or cut to its width).
std::string pqEntryRaw(const std::string& track, const std::string& index, const std::string& hours,
                       const std::string& minutes, const std::string& seconds, const std::string& frames);
std::string pqDescrBytes(const std::vector<Entry>& entries, const std::string& upcEan);
std::string ddpIdBytes();
std::string ddpMsBytes(std::int64_t imageBytes);

// One 18-byte CD-TEXT pack with its CRC; `text` is cut or zero-padded to 12 bytes.
std::string cdTextPack(int type, int track, int sequence, bool doubleByte, const std::string& text,
                       int block = 0, int characterPosition = 0);
// The 36-byte size record: character code, first and last track, pack counts
// per type, last sequence number per block, language per block.
struct SizeRecord {
    int characterCode = 0;     // 0x00 ISO 8859-1, 0x80 MS-JIS
    int firstTrack = 1;
    int lastTrack = 1;
    int packCounts[16] = {};   // types 0x80..0x8F
    int lastSequence[8] = {};  // per block
    int language[8] = {};      // per block
};
std::string sizeInfoBytes(const SizeRecord& info);
// The three 0x8F packs that close a block.
std::string sizeInfoPacks(const SizeRecord& info, int firstSequence, int block = 0);

// The texts of one pack type for tracks 0..n, encoded and split into packs
// (double-byte texts end with two zero bytes). Returns the packs; `sequence`
// is advanced.
std::string textPacks(int type, const std::vector<std::string>& encodedTexts, bool doubleByte, int& sequence,
                      int block = 0);

// UTF-8 to code page 932 / ISO 8859-1 bytes (test data only).
std::string toShiftJis(const std::string& utf8);
std::string toLatin1(const std::string& utf8);

void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);

// A damaged folder: the file at `path` becomes a FIFO, which a reader that
// opens it blocking would wait on for ever.
void replaceWithFifo(const std::string& path);
// Lets a reader stuck opening the FIFO go (it then reads an empty file), so
// that a test that found it blocked can end instead of hanging.
void releaseFifoReaders(const std::string& path);

} // namespace DdpFixture
