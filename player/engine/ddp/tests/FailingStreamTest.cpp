#include "player/engine/ddp/DdpFileset.h"
#include "player/engine/ddp/ImageCheck.h"

#include "core/IStream.h"
#include "core/Stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

// A stream over fixed bytes whose reads fail with an I/O error (not end of
// file) from a given offset on, as a failing disk or network volume does.
class FailingStream : public Holmgrave::FS::IStream {
public:
    FailingStream(std::string bytes, std::size_t failAt, std::int64_t claimedSize)
        : m_bytes(std::move(bytes)), m_failAt(failAt), m_claimedSize(claimedSize)
    {
    }

    int reads = 0;

    int getc() override { return -1; }
    bool ungetc(int) override { return false; }
    std::uint64_t read(void* buffer, std::uint64_t count) override
    {
        ++reads;
        if (m_error || m_pos >= m_failAt) {
            m_error = true;
            return 0;
        }
        const std::size_t n = std::min<std::size_t>(std::size_t(count), m_failAt - m_pos);
        std::memcpy(buffer, m_bytes.data() + m_pos, n);
        m_pos += n;
        if (n < count)
            m_error = true;
        return n;
    }
    bool putc(int) override { return false; }
    std::uint64_t write(const void*, std::uint64_t) override { return 0; }
    bool seek(std::int64_t offset, int origin) override
    {
        if (origin == 0)
            m_pos = std::size_t(offset);
        else if (origin == 2)
            m_pos = std::size_t(m_claimedSize + offset);
        else
            return false;
        return true;
    }
    bool setPosition(std::int64_t offset) override { return seek(offset, 0); }
    std::int64_t tell() override { return std::int64_t(m_pos); }
    std::uint32_t openMode() const override { return 8; }
    bool isOpen() const override { return true; }
    bool eof() const override { return false; }
    bool good() const override { return !m_error; }
    int flush() override { return 0; }
    bool close() override { return true; }

private:
    std::string m_bytes;
    std::size_t m_failAt;
    std::int64_t m_claimedSize;
    std::size_t m_pos = 0;
    bool m_error = false;
};

} // namespace

TEST(FailingStream, MapStreamReadErrorEndsTheLoop)
{
    const std::string bytes = "VVVM" + std::string(1020, ' ');
    auto failing = std::make_shared<FailingStream>(bytes, 300, std::int64_t(bytes.size()));
    Holmgrave::FS::Stream stream(failing);
    DDP::Fileset fileset;
    EXPECT_EQ(DDP::readMapStream(fileset, stream), 0);
    // Two whole packets and the 44 bytes before the error; then no more reads.
    EXPECT_EQ(fileset.mapStreamPackets.size(), 3u);
    EXPECT_LE(failing->reads, 5);
}

TEST(FailingStream, DescriptorReadErrorStopsBeforeTheClaimedSize)
{
    const std::string bytes = "VVVS" + std::string(1020, '0');
    auto failing = std::make_shared<FailingStream>(bytes, 128, std::int64_t(64) * 100000);
    Holmgrave::FS::Stream stream(failing);
    DDP::Fileset fileset;
    EXPECT_EQ(DDP::readPqDescriptors(fileset, stream), 0);
    EXPECT_EQ(fileset.descriptors.size(), 3u);  // two whole entries and one empty one
    EXPECT_LE(failing->reads, 5);
    // ... and the check says how far the file could be read.
    const std::vector<DDP::Damage> damage =
        DDP::checkImage(fileset, {}, DDP::ImageFile{std::int64_t(1) << 30, 0});
    ASSERT_FALSE(damage.empty());
    EXPECT_EQ(damage[0].kind, DDP::Damage::DescriptorsCut);
    EXPECT_EQ(damage[0].at, 128);
    EXPECT_EQ(damage[0].bytes, std::int64_t(64) * 100000);
}
