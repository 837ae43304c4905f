#include "core/String.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

using Holmgrave::ConstString;
using Holmgrave::String;

namespace {

const char kNihongoSjis[] = "\x93\xFA\x96\x7B\x8C\xEA"; // "日本語" in Shift-JIS
const char kNihongoUtf8[] = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";

// What the CD-TEXT reader does with one field.
std::string cdTextField(const char* bytes)
{
    String s(bytes, 932, -1, true);
    s.convertToNarrow(65001);
    if (s.isWide() && s.length() != 0)
        s.ensureNarrow(0);
    if (s.isWide())
        return std::string();
    return s.ptr() ? std::string(static_cast<const char*>(s.ptr()), s.length()) : std::string();
}

} // namespace

TEST(String, ConstructionConvertsToWideAtOnce)
{
    String nullText(nullptr, 932);
    EXPECT_FALSE(nullText.isWide());
    EXPECT_EQ(nullText.length(), 0u);

    String empty("", 932);
    EXPECT_TRUE(empty.isWide());
    EXPECT_EQ(empty.length(), 0u);

    String sjis(kNihongoSjis, 932);
    EXPECT_TRUE(sjis.isWide());
    ASSERT_EQ(sjis.length(), 3u);
    EXPECT_EQ(sjis.getChar16(0), 0x65E5);
    EXPECT_EQ(sjis.getChar16(2), 0x8A9E);
    EXPECT_EQ(sjis.getChar16(3), 0);
}

TEST(String, GivenLengthBoundsTheReadOfAnUnterminatedBuffer)
{
    // Exactly three bytes and no terminator: reading a fourth is a heap overflow.
    std::unique_ptr<char[]> bytes(new char[3]{'A', 'B', 'C'});
    String s(bytes.get(), 65001, 3, true);
    EXPECT_EQ(s.length(), 3u);
    EXPECT_STREQ(s.text8(), "ABC");

    std::unique_ptr<char[]> two(new char[2]{'x', 'y'});
    String shorter(two.get(), 65001, 1, true);
    EXPECT_STREQ(shorter.text8(), "x");

    String stopsAtNul("ab\0cd", 65001, 5, true);
    EXPECT_STREQ(stopsAtNul.text8(), "ab");
}

TEST(String, ShiftJisBecomesUtf8AndInvalidShiftJisFallsBackToMacRoman)
{
    EXPECT_EQ(cdTextField(kNihongoSjis), kNihongoUtf8);
    EXPECT_EQ(cdTextField("Plain ASCII"), "Plain ASCII");
    EXPECT_EQ(cdTextField(""), "");

    // 0x81 needs a trail byte in Shift-JIS; a space is not one.
    String invalid("\x81\x20", 932);
    EXPECT_FALSE(invalid.isWide());
    EXPECT_EQ(invalid.length(), 2u);
    // Read as Mac Roman: 0x81 is U+00C5.
    EXPECT_EQ(cdTextField("\x81\x20"), "\xC3\x85 ");
    // A lead byte cut off at the end is invalid too.
    EXPECT_EQ(cdTextField("\x93"), "\xC3\xAC"); // 0x93 is i grave in Mac Roman
}

TEST(String, ShiftJisKeepsBackslashAndTildeAsCodePage932Does)
{
    EXPECT_EQ(cdTextField("AC\\DC ~1"), "AC\\DC ~1");
    // As the second byte of a double-byte character 0x5C belongs to it:
    // "\x83\x5C" is katakana so, "\x95\x5C" the kanji for a table.
    EXPECT_EQ(cdTextField("\x83\x5C\\\x95\x5C"), "\xE3\x82\xBD\\\xE8\xA1\xA8");
    // The fullwidth forms stay what they are.
    EXPECT_EQ(cdTextField("\x81\x8F\x81\x50"), "\xEF\xBF\xA5\xEF\xBF\xA3");
    // Written back to code page 932 the two are single bytes again.
    String back("a\\b~", 65001);
    ASSERT_TRUE(back.convertToNarrow(932));
    EXPECT_STREQ(back.text8(), "a\\b~");
}

TEST(String, CodePage932IsMicrosoftsWithJisX0213ForWhatItLeavesUndefined)
{
    // 髙 and 﨑 of the IBM extension rows (JIS X 0213 reads 騠 and 郫 there),
    // ～ as 932 has it, and € (0x85 0x40), which only JIS X 0213 defines.
    const char bytes[] = "\xFB\xFC\xFA\xB1\x81\x60\x85\x40";
    const char utf8[] = "\xE9\xAB\x99\xEF\xA8\x91\xEF\xBD\x9E\xE2\x82\xAC";
    EXPECT_EQ(cdTextField(bytes), utf8);
    String back(utf8, 65001);
    ASSERT_TRUE(back.convertToNarrow(932));
    EXPECT_STREQ(back.text8(), bytes);
    // JIS X 0213 writes 𠂉 as 0xF0 0x40, which 932 reads as a character of
    // its own (private use): it is marked lost, not written as another.
    String lost("\xF0\xA0\x82\x89", 65001);
    ASSERT_TRUE(lost.convertToNarrow(932));
    EXPECT_STREQ(lost.text8(), "?");
}

TEST(String, ConvertToNarrowReencodesAndMarksMissingCharacters)
{
    String utf8(kNihongoUtf8, 65001);
    ASSERT_TRUE(utf8.convertToNarrow(65001));
    EXPECT_FALSE(utf8.isWide());
    EXPECT_EQ(utf8.length(), std::strlen(kNihongoUtf8));
    EXPECT_STREQ(utf8.text8(), kNihongoUtf8);

    String toLatin(kNihongoUtf8, 65001);
    ASSERT_TRUE(toLatin.convertToNarrow(1252));
    EXPECT_STREQ(toLatin.text8(), "???");

    // An 8-bit String is taken to be Mac Roman: 0x8E is e acute, 0xE9 in Windows Latin 1.
    String narrow;
    ASSERT_TRUE(narrow.resize(1, false));
    const_cast<char*>(static_cast<const char*>(narrow.ptr()))[0] = '\x8E';
    EXPECT_TRUE(narrow.convertToNarrow(0)); // already 8-bit: nothing changes
    EXPECT_FALSE(narrow.isWide());
}

TEST(String, CodePageZeroAndTwoAgreeAndUnknownPagesAreAscii)
{
    const char macRoman[] = "caf\x8E";
    String zero(macRoman, 0);
    String two(macRoman, 2);
    ASSERT_TRUE(zero.isWide());
    ASSERT_TRUE(two.isWide());
    EXPECT_EQ(zero.getChar16(3), 0x00E9);
    EXPECT_EQ(two.getChar16(3), 0x00E9);
    ASSERT_TRUE(zero.convertToNarrow(1252));
    EXPECT_STREQ(zero.text8(), "caf\xE9");

    String unknown(macRoman, 437);
    EXPECT_FALSE(unknown.isWide()) << "non-ASCII bytes must fail an unknown code page";
    String ascii("plain", 437);
    EXPECT_TRUE(ascii.isWide());

    String central("\x88", 10029); // a with ogonek in Mac Central European
    ASSERT_TRUE(central.isWide());
    EXPECT_EQ(central.getChar16(0), 0x0105);
}

TEST(String, AccessorsConvertForStringButNotForConstString)
{
    const char16_t wide[] = u"hi";
    ConstString constWide(wide, 2);
    EXPECT_EQ(constWide.getChar8(0), 0);
    EXPECT_EQ(constWide.getChar16(1), 'i');
    EXPECT_STREQ(constWide.text8(), "");

    String s("h\x8E", 0);
    ASSERT_TRUE(s.isWide());
    EXPECT_EQ(s.getChar8(0), 'h');
    EXPECT_FALSE(s.isWide());
    EXPECT_EQ(s.getChar8(1), static_cast<signed char>('\x8E'));
    EXPECT_EQ(s.getChar8(2), 0);
    EXPECT_EQ(s.getChar16(1), 0x00E9);
    EXPECT_TRUE(s.isWide());
}

TEST(String, ResizeKeepsTheLengthFieldAndFillsWithSpaces)
{
    String s("ab", 65001);
    ASSERT_TRUE(s.isWide());
    ASSERT_TRUE(s.resize(5, true, true));
    EXPECT_EQ(s.length(), 2u);
    const auto* units = static_cast<const char16_t*>(s.ptr());
    EXPECT_EQ(units[0], u'a');
    EXPECT_EQ(units[2], u' ');
    EXPECT_EQ(units[4], u' ');
    EXPECT_EQ(units[5], 0);
    ASSERT_TRUE(s.resize(0, false));
    EXPECT_EQ(s.ptr(), nullptr);
    EXPECT_FALSE(s.isWide());
}

TEST(String, ShrinkingCutsTheLengthSoNoAccessorReadsPastTheBuffer)
{
    String s("abcdefghij", 65001);
    ASSERT_TRUE(s.resize(2, false));
    EXPECT_EQ(s.length(), 2u);
    EXPECT_EQ(s.getChar8(8), 0);
}

TEST(String, ConversionsAfterAFilledResizeStayTerminated)
{
    String s("a", 65001);
    ASSERT_TRUE(s.convertToNarrow(65001));
    ASSERT_TRUE(s.resize(40, false, true));
    ASSERT_TRUE(s.convertToWide(0));
    EXPECT_EQ(s.length(), 40u);
    ASSERT_TRUE(s.convertToNarrow(65001));
    EXPECT_EQ(std::string(s.text8()), "a" + std::string(39, ' '));
}

TEST(String, CopiesOwnTheirBuffers)
{
    String a(kNihongoSjis, 932);
    String b = a;
    ASSERT_TRUE(b.convertToNarrow(65001));
    EXPECT_TRUE(a.isWide());
    EXPECT_EQ(a.length(), 3u);
    String c = std::move(b);
    EXPECT_STREQ(c.text8(), kNihongoUtf8);
    EXPECT_EQ(b.ptr(), nullptr);
}

TEST(String, PlatformStringsAreUtf8)
{
    String wide(kNihongoSjis, 932);
    EXPECT_EQ(wide.toPlatformString(0x0100, false), kNihongoUtf8);

    String narrow("caf\x8E", 0);
    ASSERT_TRUE(narrow.ensureNarrow(0));
    EXPECT_EQ(narrow.toPlatformString(0, true), "caf\xC3\xA9");     // read as Mac Roman
    EXPECT_EQ(narrow.toPlatformString(0xFFFF, true), "");          // ASCII cannot read 0x8E

    String target("x", 65001);
    const std::string utf8 = kNihongoUtf8;
    ASSERT_TRUE(target.fromPlatformString(&utf8, 0x0100));
    EXPECT_TRUE(target.isWide());
    EXPECT_EQ(target.length(), 3u);
    EXPECT_EQ(target.getChar16(1), 0x672C);
    EXPECT_FALSE(target.fromPlatformString(nullptr, 0x0100));

    String narrowTarget;
    ASSERT_TRUE(narrowTarget.resize(0, false));
    ASSERT_TRUE(narrowTarget.fromPlatformString(&utf8, 0x08000100));
    EXPECT_STREQ(narrowTarget.text8(), kNihongoUtf8);
    ASSERT_TRUE(narrowTarget.fromPlatformString(&utf8, 0x0628));
    EXPECT_STREQ(narrowTarget.text8(), kNihongoSjis);
    EXPECT_FALSE(narrowTarget.fromPlatformString(&utf8, 0x0500)) << "Latin 1 cannot hold Japanese";
    EXPECT_STREQ(narrowTarget.text8(), kNihongoSjis);
}

TEST(String, FreeConvertersMeasureAndRespectTheDestinationSize)
{
    EXPECT_EQ(Holmgrave::multiByteToWide(nullptr, kNihongoSjis, 0, 932), 4);
    char16_t small[2] = {u'x', u'x'};
    EXPECT_EQ(Holmgrave::multiByteToWide(small, kNihongoSjis, 2, 932), 3);
    EXPECT_EQ(small[0], 0x65E5);
    char16_t one[1] = {u'x'};
    EXPECT_EQ(Holmgrave::multiByteToWide(one, "", 1, 932), 0);
    EXPECT_EQ(one[0], 0);
    EXPECT_EQ(Holmgrave::multiByteToWide(nullptr, "\x81\x20", 0, 932), 0);

    const char16_t text[] = u"abc";
    char out[3];
    EXPECT_EQ(Holmgrave::wideToMultiByte(out, text, 3, 65001), 3);
    EXPECT_STREQ(out, "ab");
    EXPECT_EQ(Holmgrave::wideToMultiByte(out, nullptr, 3, 65001), 0);
    EXPECT_GE(Holmgrave::wideToMultiByte(nullptr, text, 0, 65001), 3);
}
