#include "player/engine/ddp/DdpFileset.h"

#include "player/engine/ddp/EngineConstants.h"
#include "player/testsupport/DdpFixture.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

class DdpFilesetTest : public ::testing::Test {
protected:
    std::string folder() const { return dir.path().toStdString(); }
    std::string file(const std::string& name) const { return folder() + "/" + name; }
    void writeValidFileset()
    {
        DdpFixture::Options o;
        o.writeImage = false;
        image = DdpFixture::write(folder(), o);
    }

    QTemporaryDir dir;
    DdpFixture::Image image;
};

std::string field(const char* data, std::size_t n)
{
    return std::string(data, n);
}

} // namespace

TEST_F(DdpFilesetTest, ReadsTheGeneratedDescriptorListByteForByte)
{
    DdpFixture::Options o;
    o.trackCount = 12;
    o.tracksWithPause = 3;
    o.tracksWithIndex2 = 2;
    o.writeImage = false;
    image = DdpFixture::write(folder(), o);

    DDP::Fileset fileset;
    EXPECT_EQ(DDP::readFileset(fileset, folder().c_str()), "");
    const std::string pq = DdpFixture::readFile(file("PQDESCR"));
    ASSERT_EQ(fileset.descriptors.size(), image.entries.size());
    ASSERT_EQ(fileset.descriptors.size() * 64, pq.size());
    EXPECT_EQ(std::memcmp(fileset.descriptors.data(), pq.data(), pq.size()), 0);

    const DDP::PQDESCR& third = fileset.descriptors[2];
    EXPECT_EQ(field(third.trackNumber, 2), "01");
    EXPECT_EQ(field(third.indexNumber, 2), "01");
    EXPECT_EQ(field(third.isrc, 12), image.tracks[0].isrc);
    EXPECT_EQ(field(third.upcEan, 13), o.upcEan);
    EXPECT_EQ(field(fileset.identifier.data(), 4), "DDP ");
    EXPECT_EQ(fileset.mapStreamPackets.size(), 2u);
    EXPECT_EQ(field(fileset.mapStreamPackets[0].data(), 4), "VVVM");
}

TEST_F(DdpFilesetTest, MissingFilesAreReportedInReadingOrder)
{
    writeValidFileset();
    QDir(dir.path()).remove("DDPID");
    // Later files are not read once one is missing.
    DDP::Fileset fileset;
    EXPECT_EQ(DDP::readFileset(fileset, folder().c_str()), DDP::ddpidMissingError);
    EXPECT_TRUE(fileset.descriptors.empty());
    EXPECT_TRUE(fileset.mapStreamPackets.empty());

    writeValidFileset();
    QDir(dir.path()).remove("DDPMS");
    fileset = DDP::Fileset();
    EXPECT_EQ(DDP::readFileset(fileset, folder().c_str()), DDP::ddpmsMissingError);
    EXPECT_EQ(field(fileset.identifier.data(), 4), "DDP ");
    EXPECT_TRUE(fileset.descriptors.empty());

    writeValidFileset();
    QDir(dir.path()).remove("PQDESCR");
    fileset = DDP::Fileset();
    EXPECT_EQ(DDP::readFileset(fileset, folder().c_str()), DDP::pqdescrMissingError);
    EXPECT_EQ(fileset.mapStreamPackets.size(), 2u);
    EXPECT_TRUE(fileset.descriptors.empty());

    fileset = DDP::Fileset();
    EXPECT_EQ(DDP::readFileset(fileset, (folder() + "/no-such-folder").c_str()), DDP::ddpidMissingError);
}

TEST_F(DdpFilesetTest, DescriptorCountFollowsTheFileSizeWithAZeroPaddedTail)
{
    writeValidFileset();
    const std::string entries = DdpFixture::readFile(file("PQDESCR")).substr(0, 192);

    DDP::Fileset fileset;
    DdpFixture::writeFile(file("PQDESCR"), entries);
    DDP::readFileset(fileset, folder().c_str());
    EXPECT_EQ(fileset.descriptors.size(), 3u);

    fileset = DDP::Fileset();
    DdpFixture::writeFile(file("PQDESCR"), entries + "VVVS0201");
    DDP::readFileset(fileset, folder().c_str());
    ASSERT_EQ(fileset.descriptors.size(), 4u);
    const char* last = reinterpret_cast<const char*>(&fileset.descriptors[3]);
    EXPECT_EQ(field(last, 8), "VVVS0201");
    EXPECT_EQ(field(last + 8, 56), std::string(56, '\0'));
}

TEST_F(DdpFilesetTest, WrongSignaturesLeaveTheirPartEmptyWithoutError)
{
    writeValidFileset();
    std::string pq = DdpFixture::readFile(file("PQDESCR"));
    pq[3] = 'X';
    DdpFixture::writeFile(file("PQDESCR"), pq);
    std::string ms = DdpFixture::readFile(file("DDPMS"));
    ms[0] = 'W';
    DdpFixture::writeFile(file("DDPMS"), ms);
    DdpFixture::writeFile(file("DDPID"), "DDQ 2.00" + std::string(120, ' '));

    DDP::Fileset fileset;
    EXPECT_EQ(DDP::readFileset(fileset, folder().c_str()), "");
    EXPECT_TRUE(fileset.descriptors.empty());
    EXPECT_TRUE(fileset.mapStreamPackets.empty());
    EXPECT_EQ(fileset.identifier, (std::array<char, 128>{}));
}

TEST_F(DdpFilesetTest, EmptyTruncatedAndGarbageFilesGiveShortListsNotFailures)
{
    writeValidFileset();
    DdpFixture::writeFile(file("DDPID"), "");
    DdpFixture::writeFile(file("DDPMS"), "VV");
    DdpFixture::writeFile(file("PQDESCR"), "");
    DDP::Fileset fileset;
    EXPECT_EQ(DDP::readFileset(fileset, folder().c_str()), "");
    EXPECT_TRUE(fileset.descriptors.empty());
    EXPECT_TRUE(fileset.mapStreamPackets.empty());

    // A map stream cut inside a packet keeps the partial packet's bytes.
    DdpFixture::writeFile(file("DDPMS"), DdpFixture::ddpMsBytes(100).substr(0, 200));
    DdpFixture::writeFile(file("PQDESCR"), "VVVS");
    fileset = DDP::Fileset();
    DDP::readFileset(fileset, folder().c_str());
    EXPECT_EQ(fileset.mapStreamPackets.size(), 2u);
    ASSERT_EQ(fileset.descriptors.size(), 1u);
    EXPECT_EQ(field(fileset.descriptors[0].signature, 4), "VVVS");
    EXPECT_EQ(fileset.descriptors[0].trackNumber[0], '\0');
}

TEST_F(DdpFilesetTest, OversizedFilesAreReadOnlyUpToTheLimits)
{
    writeValidFileset();
    std::string pq = DdpFixture::readFile(file("PQDESCR"));
    pq.resize(64 * (DDP::maxDescriptors + 100), 'V');
    DdpFixture::writeFile(file("PQDESCR"), pq);
    std::string ms = DdpFixture::readFile(file("DDPMS"));
    ms.resize(128 * (DDP::maxMapStreamPackets + 10), ' ');
    DdpFixture::writeFile(file("DDPMS"), ms);

    DDP::Fileset fileset;
    EXPECT_EQ(DDP::readFileset(fileset, folder().c_str()), "");
    EXPECT_EQ(fileset.descriptors.size(), DDP::maxDescriptors);
    EXPECT_EQ(fileset.mapStreamPackets.size(), DDP::maxMapStreamPackets);
}

TEST_F(DdpFilesetTest, AFolderWhereADescriptorFileShouldBeDoesNotHang)
{
    writeValidFileset();
    QDir(dir.path()).remove("DDPMS");
    QDir(dir.path()).remove("PQDESCR");
    ASSERT_TRUE(QDir(dir.path()).mkdir("DDPMS"));
    ASSERT_TRUE(QDir(dir.path()).mkdir("PQDESCR"));
    DDP::Fileset fileset;
    DDP::readFileset(fileset, folder().c_str());
    EXPECT_TRUE(fileset.mapStreamPackets.empty());
    EXPECT_TRUE(fileset.descriptors.empty());
}

TEST_F(DdpFilesetTest, OpenFolderFileJoinsWithOneSeparator)
{
    writeValidFileset();
    EXPECT_NE(DDP::openFolderFile(folder().c_str(), "DDPID"), nullptr);
    EXPECT_NE(DDP::openFolderFile((folder() + "/").c_str(), "DDPID"), nullptr);
    EXPECT_EQ(DDP::openFolderFile(folder().c_str(), "IMAGE.DAT"), nullptr);  // not written here
}
