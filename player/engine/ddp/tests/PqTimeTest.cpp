#include "player/engine/ddp/PQDESCR.h"

#include "player/testsupport/DdpFixture.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

DDP::PQDESCR entryFrom(const std::string& bytes)
{
    DDP::PQDESCR e;
    std::memcpy(&e, bytes.data(), sizeof e);
    return e;
}

DDP::PQDESCR entryAt(const std::string& hours, const std::string& minutes, const std::string& seconds,
                     const std::string& frames)
{
    return entryFrom(DdpFixture::pqEntryRaw("01", "01", hours, minutes, seconds, frames));
}

} // namespace

TEST(PqTime, DiscTimeBecomesByteOffset)
{
    EXPECT_DOUBLE_EQ(pqTimeToBytePosition(entryAt("00", "02", "00", "00")), 21168000.0);
    EXPECT_DOUBLE_EQ(pqTimeToBytePosition(entryAt("00", "00", "02", "37")), 439824.0);
    EXPECT_DOUBLE_EQ(pqTimeToBytePosition(entryAt("00", "99", "59", "74")), (99 * 60 + 59) * 176400.0 + 74 * 2352.0);
    // Hours are not part of the position.
    EXPECT_DOUBLE_EQ(pqTimeToBytePosition(entryAt("01", "00", "00", "00")), 0.0);
}

TEST(PqTime, GeneratedDescriptorsMatchTheirFrames)
{
    DdpFixture::Options o;
    o.trackCount = 4;
    o.tracksWithPause = 2;
    o.tracksWithIndex2 = 1;
    o.trackFrames = 75 * 61 + 13;  // crosses a minute, odd frame count
    o.writeImage = false;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const DdpFixture::Entry& e : DdpFixture::write(dir.filePath(QStringLiteral("pqtime")).toStdString(), o).entries) {
        const DDP::PQDESCR d = entryFrom(DdpFixture::pqEntryBytes(e, o.upcEan));
        EXPECT_DOUBLE_EQ(pqTimeToBytePosition(d), double(e.bytePosition())) << e.track << "/" << e.index;
    }
}

TEST(AsciiToInt, ReadsLeadingDigitsAndNeverFailsOnDamagedFields)
{
    EXPECT_EQ(asciiToInt("07", 2), 7);
    EXPECT_EQ(asciiToInt("99", 2), 99);
    EXPECT_EQ(asciiToInt("12345", 2), 12);  // only `count` characters
    EXPECT_EQ(asciiToInt(" 5", 2), 5);      // leading blank
    EXPECT_EQ(asciiToInt("-3", 2), -3);
    EXPECT_EQ(asciiToInt("4x", 2), 4);
    // Fields a damaged or foreign file may hold: no number gives 0.
    EXPECT_EQ(asciiToInt("AA", 2), 0);
    EXPECT_EQ(asciiToInt("  ", 2), 0);
    EXPECT_EQ(asciiToInt("\0\0", 2), 0);
    EXPECT_EQ(asciiToInt("-", 1), 0);
    EXPECT_EQ(asciiToInt("12", 0), 0);
    EXPECT_EQ(asciiToInt(nullptr, 2), 0);
    EXPECT_GT(asciiToInt("99999999999999999999", 20), 0);  // clamped, never overflowing
}

TEST(PqTime, LettersAndPaddingInTimeFieldsGiveAPositionNotAFailure)
{
    EXPECT_DOUBLE_EQ(pqTimeToBytePosition(entryAt("00", "AA", "  ", "\0\0")), 0.0);
    EXPECT_DOUBLE_EQ(pqTimeToBytePosition(entryAt("00", "1 ", "2x", "3")), 60 * 176400.0 + 2 * 176400.0 + 3 * 2352.0);
}
