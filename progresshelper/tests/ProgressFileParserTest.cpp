#include "progresshelper/ProgressFileParser.h"

#include "progresshelper/platform/LocalFileTests.h"
#include "progresshelper/tests/FakeServices.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>

using Skylarn::LocalFileTests;
using Skylarn::longLongValueOfText;
using Skylarn::ProgressFileParser;

TEST(LongLongValueOfText, ReadsLeadingDecimalDigitsAndSaturatesAt64Bits)
{
    constexpr qint64 kMax = std::numeric_limits<qint64>::max();
    constexpr qint64 kMin = std::numeric_limits<qint64>::min();
    const struct {
        const char *text;
        qint64 value;
    } cases[] = {
        {"1048576", 1048576}, {"  42", 42}, {"+7", 7}, {"-12", -12}, {"12abc", 12}, {"abc", 0}, {"", 0}, {"-", 0},
        {"0x10", 0}, {"1 2", 1}, {"2147483648", 2147483648LL}, {"5368709120", 5368709120LL},
        {"9223372036854775807", kMax}, {"9223372036854775808", kMax}, {"99999999999999999999999", kMax},
        {"-9223372036854775808", kMin}, {"-9223372036854775809", kMin}, {"-99999999999999999999", kMin},
    };
    for (const auto &c : cases)
        EXPECT_EQ(longLongValueOfText(QString::fromLatin1(c.text)), c.value) << c.text;
}

class ProgressFileParserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath("BrindlefetchProgress.xml");
        parser.setProgressFilePath(path);
    }
    void write(const QByteArray &content)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }
    void read(const QByteArray &content)
    {
        write(content);
        parser.update();
    }

    QTemporaryDir dir;
    QString path;
    LocalFileTests files;
    SkylarnTest::FakeLog log;
    ProgressFileParser parser{files, log};
};

TEST_F(ProgressFileParserTest, ReadsTheThreeElementsWhereverTheyStand)
{
    read("<?xml version=\"1.0\"?>\n<progress>\n  <counter> 3 </counter>\n"
         "  <files><file><full-size>\n 2097152\n</full-size></file></files>\n"
         "  <current-size>1048576</current-size>\n  <Full-Size>5</Full-Size>\n"
         "  <b:counter xmlns:b=\"urn:b\">8</b:counter>\n</progress>\n");
    EXPECT_EQ(parser.counter(), 3);
    EXPECT_EQ(parser.totalSize(), 2097152);
    EXPECT_EQ(parser.currentSize(), 1048576);
    EXPECT_TRUE(log.lines.isEmpty());
}

TEST_F(ProgressFileParserTest, TextPiecesAreTrimmedAndJoined)
{
    // Split by a comment, by a CDATA section (not character data) and by a child element.
    read("<p><current-size> 12<!-- c -->34 </current-size><full-size> 5<![CDATA[7]]>6 </full-size>"
         "<counter>7<x>8</x>9</counter></p>");
    EXPECT_EQ(parser.currentSize(), 1234);
    EXPECT_EQ(parser.totalSize(), 56);
    EXPECT_EQ(parser.counter(), 9);
}

TEST_F(ProgressFileParserTest, ValuesSurviveMissingElementsAndLaterVersions)
{
    read("<p><full-size>4000</full-size><current-size>1000</current-size><counter>1</counter></p>");
    read("<p><full-size>4000</full-size><counter>2</counter></p>");
    EXPECT_EQ(parser.currentSize(), 1000);
    EXPECT_EQ(parser.counter(), 2);
    read("<p><full-size>9999999999999</full-size><current-size></current-size></p>");
    EXPECT_EQ(parser.totalSize(), 9999999999999LL);
    EXPECT_EQ(parser.currentSize(), 0);
}

TEST_F(ProgressFileParserTest, DamagedFilesKeepWhatWasReadBeforeTheDamage)
{
    read("<p><full-size>4000</full-size><current-size>1000</current-size></p>");
    ASSERT_TRUE(log.lines.isEmpty());

    // Cut off while being rewritten: the total already read counts.
    read("<p><full-size>8000</full-size><current-size>30");
    EXPECT_EQ(parser.totalSize(), 8000);
    EXPECT_EQ(parser.currentSize(), 1000);
    EXPECT_EQ(log.lines, QStringList{"Error: Could not parse XML file!"});

    read("<p><current-size>2000</current-size></q><full-size>1</full-size>");
    EXPECT_EQ(parser.currentSize(), 2000);
    EXPECT_EQ(parser.totalSize(), 8000);

    read("");
    read("not xml at all \x01\xff");
    read("<!DOCTYPE p [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
         "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">]>"
         "<p><counter>&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;</counter></p>");
    // Each reference within the expansion limit, but together a small file
    // would become a huge text: entity declarations are not accepted at all.
    QByteArray many = "<!DOCTYPE p [<!ENTITY a \"" + QByteArray(1000, '1') + "\">]><p><counter>";
    while (many.size() < 100000)
        many += "&a;";
    read(many + "</counter><full-size>1</full-size></p>");
    EXPECT_EQ(parser.totalSize(), 8000);
    EXPECT_EQ(parser.currentSize(), 2000);
    EXPECT_EQ(log.lines.size(), 6);
}

TEST_F(ProgressFileParserTest, MissingOrUnreadableFilesAreSkippedSilently)
{
    read("<p><full-size>4000</full-size></p>");
    ASSERT_TRUE(QFile::remove(path));
    parser.update();
    parser.setProgressFilePath(dir.path()); // a folder
    parser.update();
    parser.setProgressFilePath(QString());
    parser.update();
    EXPECT_EQ(parser.totalSize(), 4000);
    EXPECT_TRUE(log.lines.isEmpty());
}
