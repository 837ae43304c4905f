#include "player/engine/ddp/CdTextReader.h"

#include "player/testsupport/DdpFixture.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using DdpFixture::cdTextPack;

namespace {

// Size packs closing a block of `textPacks` packs.
std::string closeBlock(int textPacks, int lastTrack, int lastSequenceOverride = -1)
{
    DdpFixture::SizeRecord record;
    record.lastTrack = lastTrack;
    record.lastSequence[0] = lastSequenceOverride >= 0 ? lastSequenceOverride : textPacks + 2;
    return DdpFixture::sizeInfoPacks(record, textPacks);
}

class CdTextReaderTest : public ::testing::Test {
protected:
    // Writes "CDTEXT.BIN" and reads it with a fresh reader.
    bool readFile(const std::string& bytes)
    {
        DdpFixture::writeFile(dir.path().toStdString() + "/CDTEXT.BIN", bytes);
        reader = CdText::Reader();
        return reader.read(dir.path().toStdString().c_str());
    }
    const CdText::CdInfo& info() const { return reader.cdInfo(); }
    std::string title(int track) const { return CdText::fieldText(info().tracks.at(std::size_t(track)).title); }

    QTemporaryDir dir;
    CdText::Reader reader;
};

} // namespace

TEST_F(CdTextReaderTest, GeneratedLatin1BlockFillsEveryField)
{
    DdpFixture::Options o;
    o.trackCount = 12;
    o.cdText = DdpFixture::CdTextKind::Latin1;
    o.genreCode = 14;
    o.writeImage = false;
    const DdpFixture::Image image = DdpFixture::write(dir.path().toStdString(), o);

    ASSERT_TRUE(reader.read(dir.path().toStdString().c_str()));
    ASSERT_EQ(info().tracks.size(), 13u);
    EXPECT_FALSE(info().doubleByte);
    EXPECT_EQ(info().genre, "Jazz");
    EXPECT_EQ(CdText::fieldText(info().discIdentification), image.discId);
    const CdText::TrackInfo& album = info().tracks[0];
    EXPECT_EQ(CdText::fieldText(album.title), image.fieldBytes(image.albumTexts.at(DdpFixture::Title)));
    EXPECT_EQ(CdText::fieldText(album.title), "Glasswell Caf\xE9 Sessions");  // Latin-1 byte kept
    EXPECT_EQ(CdText::fieldText(album.upcIsrc), o.upcEan);
    for (const DdpFixture::Track& t : image.tracks) {
        const CdText::TrackInfo& got = info().tracks[std::size_t(t.number)];
        EXPECT_EQ(CdText::fieldText(got.title), image.fieldBytes(t.texts.at(DdpFixture::Title)));
        EXPECT_EQ(CdText::fieldText(got.performer), image.fieldBytes(t.texts.at(DdpFixture::Performer)));
        EXPECT_EQ(CdText::fieldText(got.songwriter), image.fieldBytes(t.texts.at(DdpFixture::Songwriter)));
        EXPECT_EQ(CdText::fieldText(got.composer), image.fieldBytes(t.texts.at(DdpFixture::Composer)));
        EXPECT_EQ(CdText::fieldText(got.arranger), image.fieldBytes(t.texts.at(DdpFixture::Arranger)));
        EXPECT_EQ(CdText::fieldText(got.message), image.fieldBytes(t.texts.at(DdpFixture::Message)));
        EXPECT_EQ(CdText::fieldText(got.upcIsrc), t.isrc);
    }
}

TEST_F(CdTextReaderTest, JapaneseBlockBecomesUtf8)
{
    DdpFixture::Options o;
    o.trackCount = 9;
    o.cdText = DdpFixture::CdTextKind::Japanese;
    o.writeImage = false;
    const DdpFixture::Image image = DdpFixture::write(dir.path().toStdString(), o);

    ASSERT_TRUE(reader.read(dir.path().toStdString().c_str()));
    EXPECT_TRUE(info().doubleByte);
    ASSERT_EQ(info().tracks.size(), 10u);
    EXPECT_EQ(title(0), "\xE7\xA1\x9D\xE5\xAD\x90\xE3\x81\xAE\xE4\xBA\x95\xE6\x88\xB8");  // 硝子の井戸
    // The album's empty songwriter, composer and arranger, and track 2's
    // empty arranger, shift no later text.
    std::vector<std::map<int, std::string>> expected{image.albumTexts};
    for (const DdpFixture::Track& t : image.tracks)
        expected.push_back(t.texts);
    ASSERT_EQ(expected[0].at(DdpFixture::Songwriter), "");
    ASSERT_EQ(expected[2].at(DdpFixture::Arranger), "");
    for (std::size_t n = 0; n < expected.size(); ++n) {
        SCOPED_TRACE(n);
        const CdText::TrackInfo& got = info().tracks[n];
        EXPECT_EQ(CdText::fieldText(got.title), expected[n].at(DdpFixture::Title));
        EXPECT_EQ(CdText::fieldText(got.performer), expected[n].at(DdpFixture::Performer));
        EXPECT_EQ(CdText::fieldText(got.songwriter), expected[n].at(DdpFixture::Songwriter));
        EXPECT_EQ(CdText::fieldText(got.composer), expected[n].at(DdpFixture::Composer));
        EXPECT_EQ(CdText::fieldText(got.arranger), expected[n].at(DdpFixture::Arranger));
        EXPECT_EQ(CdText::fieldText(got.message), expected[n].at(DdpFixture::Message));
        EXPECT_EQ(CdText::fieldText(got.upcIsrc), expected[n].at(DdpFixture::UpcIsrc));  // single-byte packs
    }
    // Track 1's performer is 髙橋 (0xFB 0xFC 0x8B 0xB4).
    EXPECT_EQ(CdText::fieldText(info().tracks[1].performer).substr(0, 6), "\xE9\xAB\x99\xE6\xA9\x8B");
}

TEST_F(CdTextReaderTest, ShiftJisConversionAndItsFallback)
{
    // カタカナ in code page 932.
    EXPECT_EQ(CdText::convertDoubleByteText("\x83\x4A\x83\x5E\x83\x4A\x83\x69"), "\xE3\x82\xAB\xE3\x82\xBF\xE3\x82\xAB\xE3\x83\x8A");
    EXPECT_EQ(CdText::convertDoubleByteText(std::string("\x82\xA0\0\x82\xA2", 5)), "\xE3\x81\x82");  // up to the zero
    EXPECT_EQ(CdText::convertDoubleByteText(""), "");
    // Code page 932's extension rows, and 0x85 0x40, which it leaves to JIS X 0213 (€).
    EXPECT_EQ(CdText::convertDoubleByteText("\xFB\xFC\xFA\xB1"), "\xE9\xAB\x99\xEF\xA8\x91");  // 髙﨑
    EXPECT_EQ(CdText::convertDoubleByteText("\x85\x40\\~"), "\xE2\x82\xAC\\~");
    // A lead byte followed by a blank is not code page 932: the bytes come
    // back read as Mac Roman (0x81 is Å there).
    EXPECT_EQ(CdText::convertDoubleByteText("\x81 A"), "\xC3\x85 A");
}

TEST_F(CdTextReaderTest, KoreanAndMandarinBlocksAreReadInTheirOwnCodePages)
{
    struct Row {
        int characterCode;
        std::string bytes;
        std::string utf8;
    };
    for (const Row& row : {Row{0x81, "\xC7\xD1\xB1\xB9", "\xED\x95\x9C\xEA\xB5\xAD"},   // 한국, KS C 5601
                           Row{0x82, "\xD6\xD0\xCE\xC4", "\xE4\xB8\xAD\xE6\x96\x87"},   // 中文, GB 2312
                           Row{0x80, "\x93\xFA\x96\x7B", "\xE6\x97\xA5\xE6\x9C\xAC"}}) {  // 日本, MS-JIS
        SCOPED_TRACE(row.characterCode);
        DdpFixture::SizeRecord record;
        record.characterCode = row.characterCode;
        record.lastSequence[0] = 3;
        ASSERT_TRUE(readFile(cdTextPack(0x80, 1, 0, true, row.bytes + std::string(2, '\0'))
                             + DdpFixture::sizeInfoPacks(record, 1)));
        EXPECT_EQ(title(1), row.utf8);
        EXPECT_TRUE(info().doubleByte);
    }
}

TEST_F(CdTextReaderTest, OnePackCarriesTextsOfConsecutiveTracks)
{
    const std::string packs = cdTextPack(0x80, 1, 0, false, std::string("Intro\0Song\0\0", 12));
    ASSERT_TRUE(readFile(packs + closeBlock(1, 3)));
    ASSERT_EQ(info().tracks.size(), 4u);
    EXPECT_EQ(title(1), "Intro");
    EXPECT_EQ(title(2), "Song");
    EXPECT_EQ(title(3), "");
    EXPECT_EQ(title(0), "");

    // The same packs in the drive's READ TOC form: a 4-byte header counting
    // the bytes after its length field, then the packs.
    const std::string all = packs + closeBlock(1, 3);
    const std::size_t counted = all.size() + 2;
    ASSERT_TRUE(readFile(std::string{char(counted >> 8), char(counted & 0xFF), '\0', '\0'} + all));
    EXPECT_EQ(title(1), "Intro");
    EXPECT_EQ(title(2), "Song");
    EXPECT_TRUE(reader.damage().empty());
}

TEST_F(CdTextReaderTest, ATabStandsForThePreviousTracksTextOfTheSameField)
{
    // Performers "Duo", TAB, TAB, "Ens" for tracks 0-3; in a double-byte block
    // the mark is two TABs. The album has no track before it.
    const std::string single = cdTextPack(0x81, 0, 0, false, std::string("Duo\0\t\0\t\0Ens\0", 12))
                               + cdTextPack(0x80, 0, 1, false, std::string("\t\0Song\0\t\0", 10));
    ASSERT_TRUE(readFile(single + closeBlock(2, 3)));
    EXPECT_EQ(CdText::fieldText(info().tracks[1].performer), "Duo");
    EXPECT_EQ(CdText::fieldText(info().tracks[2].performer), "Duo");
    EXPECT_EQ(CdText::fieldText(info().tracks[3].performer), "Ens");
    EXPECT_EQ(title(0), "");
    EXPECT_EQ(title(1), "Song");
    EXPECT_EQ(title(2), "Song");

    const std::string sjis = DdpFixture::toShiftJis("\xE6\x9B\xB2"); // 曲
    const std::string doubleByte =
        cdTextPack(0x80, 1, 0, true, sjis + std::string("\0\0\t\t\0\0", 6) + std::string(4, '\0'));
    ASSERT_TRUE(readFile(doubleByte + closeBlock(1, 2)));
    EXPECT_EQ(title(1), "\xE6\x9B\xB2");
    EXPECT_EQ(title(2), "\xE6\x9B\xB2");
}

TEST_F(CdTextReaderTest, TextRunsOnIntoTheNextPackAndEmptyTextsKeepEarlierOnes)
{
    const std::string packs = cdTextPack(0x81, 0, 0, false, "A long perfo")
                              + cdTextPack(0x81, 0, 1, false, std::string("rmer\0Solo\0\0\0\0", 12))
                              // A later empty text for track 1 leaves "Solo" in place.
                              + cdTextPack(0x81, 1, 2, false, std::string(12, '\0'));
    ASSERT_TRUE(readFile(packs + closeBlock(3, 2)));
    EXPECT_EQ(CdText::fieldText(info().tracks[0].performer), "A long performer");
    EXPECT_EQ(CdText::fieldText(info().tracks[1].performer), "Solo");
}

TEST_F(CdTextReaderTest, DoubleByteTerminatorSplitAcrossPacksEndsOneText)
{
    std::string six;
    for (int i = 0; i < 6; ++i)
        six += "\x82\xA0";  // あ
    // Track 1's text fills pack 0; its two terminating zeros open pack 1.
    const std::string packs = cdTextPack(0x80, 1, 0, true, six)
                              + cdTextPack(0x80, 1, 1, true, std::string("\0\0\x82\xA2\0\0", 6))
                              // Here the first zero ends pack 2 and the second opens pack 3.
                              + cdTextPack(0x81, 1, 2, true, std::string("\x82\xA0\x82\xA0\x82\xA0\x82\xA0\x82\xA0" "A\0", 12))
                              + cdTextPack(0x81, 1, 3, true, std::string("\0\x82\xA2\0\0", 5));
    // Songwriters: the album's text and its terminator fill pack 4 exactly;
    // track 1's empty text, its own two zeros, opens pack 5 before track 2's.
    const std::string songwriters =
        cdTextPack(0x82, 0, 4, true, std::string("\x82\xA0\x82\xA0\x82\xA0\x82\xA0\x82\xA0\0\0", 12))
        + cdTextPack(0x82, 1, 5, true, std::string("\0\0\x82\xA2\0\0", 6));
    ASSERT_TRUE(readFile(packs + songwriters + closeBlock(6, 2)));
    EXPECT_EQ(CdText::fieldText(info().tracks[1].songwriter), "");
    EXPECT_EQ(CdText::fieldText(info().tracks[2].songwriter), "\xE3\x81\x84");
    std::string expected;
    for (int i = 0; i < 6; ++i)
        expected += "\xE3\x81\x82";
    EXPECT_EQ(title(1), expected);
    EXPECT_EQ(title(2), "\xE3\x81\x84");
    EXPECT_EQ(CdText::fieldText(info().tracks[1].performer), expected.substr(0, 15) + "A");
    EXPECT_EQ(CdText::fieldText(info().tracks[2].performer), "\xE3\x81\x84");
    EXPECT_TRUE(info().doubleByte);
}

TEST_F(CdTextReaderTest, PackTypesSelectTheirFieldsOrNone)
{
    const std::string packs = cdTextPack(0x86, 2, 0, false, std::string("DISC-7\0", 7))
                              + cdTextPack(0x88, 1, 1, false, std::string("TOC\0", 4))
                              + cdTextPack(0x8D, 1, 2, false, std::string("closed\0", 7))
                              + cdTextPack(0x8F, 1, 3, false, std::string("size\0", 5))
                              + cdTextPack(0x85, 1, 4, false, std::string("Msg\0", 4))
                              + cdTextPack(0x84, 1, 5, false, std::string("Arr\0", 4))
                              + cdTextPack(0x83, 1, 6, false, std::string("Comp\0", 5))
                              + cdTextPack(0x82, 1, 7, false, std::string("Song\0", 5))
                              // TOC bytes without a zero: no text runs on into the ISRC.
                              + cdTextPack(0x89, 1, 8, false, "\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C")
                              + cdTextPack(0x8E, 1, 9, false, std::string("DEHG126\0", 8));
    ASSERT_TRUE(readFile(packs + closeBlock(10, 2)));
    EXPECT_EQ(CdText::fieldText(info().discIdentification), "DISC-7");
    const CdText::TrackInfo& t = info().tracks[1];
    EXPECT_EQ(CdText::fieldText(t.message), "Msg");
    EXPECT_EQ(CdText::fieldText(t.arranger), "Arr");
    EXPECT_EQ(CdText::fieldText(t.composer), "Comp");
    EXPECT_EQ(CdText::fieldText(t.songwriter), "Song");
    EXPECT_EQ(CdText::fieldText(t.upcIsrc), "DEHG126");
    EXPECT_EQ(CdText::fieldText(t.title), "");  // 0x88, 0x8D and 0x8F texts go nowhere
    EXPECT_EQ(CdText::fieldText(t.performer), "");
}

TEST_F(CdTextReaderTest, GenreCodesAndTheirNames)
{
    CdText::Pack pack{};
    pack[0] = 0x87;
    pack[5] = 5;
    reader.setGenre(pack);
    EXPECT_EQ(reader.cdInfo().genre, "Classical");
    pack[4] = 1;  // high byte set: not a genre of the table
    reader.setGenre(pack);
    EXPECT_EQ(reader.cdInfo().genre, "Classical");
    pack[4] = 0;
    pack[5] = 0;
    reader.setGenre(pack);
    EXPECT_EQ(reader.cdInfo().genre, " ");
    pack[5] = 27;
    reader.setGenre(pack);
    EXPECT_EQ(reader.cdInfo().genre, "World Music");
    // Codes without a name leave the genre empty and do not grow the table.
    for (int code : {28, 0x7F, 0x80, 0xFF}) {
        pack[5] = std::uint8_t(code);
        reader.setGenre(pack);
        EXPECT_EQ(reader.cdInfo().genre, "") << code;
    }

    // Only the first genre pack holds the code: a 22-character genre text
    // ends in a third pack, which starts with zeros.
    const std::string genre = cdTextPack(0x87, 0, 0, false, std::string("\0\x05", 2) + "Baroque co")
                              + cdTextPack(0x87, 0, 1, false, "ncertos 1720")
                              + cdTextPack(0x87, 0, 2, false, std::string(12, '\0'));
    ASSERT_TRUE(readFile(genre + closeBlock(3, 1)));
    EXPECT_EQ(info().genre, "Classical");
}

TEST_F(CdTextReaderTest, TracksBeyondTheLastAndExtensionPacksChangeNothing)
{
    const std::string packs = cdTextPack(0x80, 3, 0, false, std::string("Beyond\0", 7))
                              // Track byte with bit 7 set: a negative track.
                              + cdTextPack(0x80, 0x81, 1, false, std::string("Ext\0", 4))
                              + cdTextPack(0x80, 0xFF, 2, false, std::string("Ext\0", 4))
                              + cdTextPack(0x86, 5, 3, false, std::string("ID\0", 3))
                              + cdTextPack(0x80, 1, 4, false, std::string("One\0Two\0Three\0", 12))
                              + cdTextPack(0x80, 1, 5, false, std::string("\0", 1));
    ASSERT_TRUE(readFile(packs + closeBlock(6, 2)));
    ASSERT_EQ(info().tracks.size(), 3u);
    EXPECT_EQ(title(0), "");
    EXPECT_EQ(title(1), "One");
    EXPECT_EQ(title(2), "Two");  // "Three" would be track 3
    EXPECT_EQ(CdText::fieldText(info().discIdentification), "");
}

TEST_F(CdTextReaderTest, OverlongTextsStayInsideTheirFieldWithTerminator)
{
    // 300 letters without a zero, then the end of the text.
    std::string packs;
    std::string letters;
    for (int i = 0; i < 300; ++i)
        letters += char('a' + i % 26);
    int seq = 0;
    packs += DdpFixture::textPacks(0x80, {letters, "Next"}, false, seq);
    // The same in a double-byte block: A and 200 characters of あ (0x82 0xA0).
    std::string wide = "A";
    for (int i = 0; i < 200; ++i)
        wide += "\x82\xA0";
    packs += DdpFixture::textPacks(0x81, {wide, "\x82\xA2"}, true, seq);
    ASSERT_TRUE(readFile(packs + closeBlock(seq, 1)));

    const CdText::TrackInfo& album = info().tracks[0];
    EXPECT_EQ(album.title[CdText::fieldSize - 1], '\0');
    EXPECT_EQ(CdText::fieldText(album.title), letters.substr(0, CdText::fieldSize - 1));
    EXPECT_EQ(title(1), "Next");
    // UTF-8 is cut before a character, not through it: 1 + 52 x 3 bytes.
    std::string expected = "A";
    for (int i = 0; i < 52; ++i)
        expected += "\xE3\x81\x82";
    EXPECT_EQ(CdText::fieldText(album.performer), expected);
    EXPECT_EQ(CdText::fieldText(info().tracks[1].performer), "\xE3\x81\x84");
}

TEST_F(CdTextReaderTest, ShorterTextOverAnEarlierOneLeavesNoTail)
{
    const std::string packs = cdTextPack(0x80, 1, 0, true, std::string("\x82\xA0\x82\xA0\x82\xA0\0\0", 8))
                              + cdTextPack(0x80, 1, 1, true, std::string("\x82\xA2\0\0", 4));
    ASSERT_TRUE(readFile(packs + closeBlock(2, 1)));
    EXPECT_EQ(title(1), "\xE3\x81\x84");
}

TEST_F(CdTextReaderTest, OnlyBlockZeroIsRead)
{
    DdpFixture::Options o;
    o.trackCount = 4;
    o.cdText = DdpFixture::CdTextKind::Latin1;
    o.cdTextSecondBlock = true;
    o.writeImage = false;
    const DdpFixture::Image image = DdpFixture::write(dir.path().toStdString(), o);
    ASSERT_TRUE(reader.read(dir.path().toStdString().c_str()));
    for (const DdpFixture::Track& t : image.tracks)
        EXPECT_EQ(title(t.number), image.fieldBytes(t.texts.at(DdpFixture::Title)));
    EXPECT_EQ(CdText::fieldText(info().discIdentification), image.discId);
}

TEST_F(CdTextReaderTest, ShortAndLyingFilesGiveEmptyOrPartialTexts)
{
    // No file at all.
    EXPECT_FALSE(reader.read(dir.path().toStdString().c_str()));
    EXPECT_TRUE(info().tracks.empty());

    // Fewer than three packs: no size information to go by.
    for (std::size_t size : {0u, 1u, 17u, 18u, 53u}) {
        EXPECT_FALSE(readFile(std::string(size, '\x80'))) << size;
        EXPECT_TRUE(info().tracks.empty());
        EXPECT_FALSE(info().doubleByte);
    }

    // Last sequence number below 3: no text packs, tracks sized from the record.
    EXPECT_TRUE(readFile(closeBlock(0, 4, 2)));
    EXPECT_EQ(info().tracks.size(), 5u);
    EXPECT_EQ(title(1), "");

    // The record promises 250 packs; the file holds two and its size packs.
    const std::string packs = cdTextPack(0x80, 1, 0, false, std::string("Kept\0", 5))
                              + cdTextPack(0x80, 2, 1, false, std::string("Also\0", 5));
    EXPECT_TRUE(readFile(packs + closeBlock(2, 2, 250)));
    EXPECT_EQ(title(1), "Kept");
    EXPECT_EQ(title(2), "Also");

    // A trailing part shorter than a pack is ignored.
    EXPECT_TRUE(readFile(packs + closeBlock(2, 2) + "xyz"));
    EXPECT_EQ(title(2), "Also");

    // Cut 13 bytes short, inside the last size pack: the size packs are
    // found by their type, the texts of the whole packs kept, and the cut named.
    DdpFixture::Options o;
    o.trackCount = 12;
    o.cdText = DdpFixture::CdTextKind::Latin1;
    o.writeImage = false;
    const DdpFixture::Image image = DdpFixture::write(dir.path().toStdString(), o);
    const std::string whole = DdpFixture::readFile(image.path("CDTEXT.BIN"));
    ASSERT_TRUE(readFile(whole.substr(0, whole.size() - 13)));
    ASSERT_EQ(info().tracks.size(), 13u);
    for (const DdpFixture::Track& t : image.tracks)
        EXPECT_EQ(title(t.number), image.fieldBytes(t.texts.at(DdpFixture::Title))) << t.number;
    EXPECT_EQ(CdText::fieldText(info().tracks[12].message),
              image.fieldBytes(image.tracks[11].texts.at(DdpFixture::Message)));
    ASSERT_EQ(reader.damage().size(), 1u);
    EXPECT_EQ(reader.damage()[0].kind, DDP::Damage::TextPackCut);
    EXPECT_EQ(reader.damage()[0].bytes, std::int64_t(whole.size() - 13));

    // Cut by the last pack: two size packs are enough to read by. Cut by
    // all three: no texts.
    for (std::size_t packs : {1u, 3u}) {
        SCOPED_TRACE(packs);
        EXPECT_EQ(readFile(whole.substr(0, whole.size() - 18 * packs)), packs == 1);
        EXPECT_EQ(info().tracks.empty() ? "" : title(12),
                  packs == 1 ? image.fieldBytes(image.tracks[11].texts.at(DdpFixture::Title)) : "");
        ASSERT_EQ(reader.damage().size(), 1u);
        EXPECT_EQ(reader.damage()[0].kind, DDP::Damage::TextSizeInfoMissing);
        EXPECT_EQ(reader.damage()[0].count, packs == 1 ? 2 : 0);
    }
}

TEST_F(CdTextReaderTest, GarbageNeverOverrunsTheTrackList)
{
    std::string garbage;
    for (int i = 0; i < 18 * 300; ++i)
        garbage += char((i * 131 + 7) % 256);
    std::string sizes = closeBlock(0, 127, 255);
    readFile(garbage + sizes);
    EXPECT_EQ(info().tracks.size(), 128u);
    for (const CdText::TrackInfo& t : info().tracks)
        EXPECT_EQ(t.title[CdText::fieldSize - 1], '\0');
}
