#include "player/engine/audio/SwitchBuffer.h"

#include <gtest/gtest.h>

using Audio::SwitchBuffer;

namespace {

QByteArray le16(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values) {
        b.append(char(v & 0xFF));
        b.append(char((v >> 8) & 0xFF));
    }
    return b;
}

TEST(SwitchBuffer, ConvertsWholeLittleEndianValuesOverFullScale)
{
    std::vector<float> out;
    out.reserve(8);
    QByteArray bytes = le16({0, 32767, -32768, 1, -1});
    bytes.append(char(0x7F)); // half a value at the end is dropped
    SwitchBuffer::convert(bytes, out);
    ASSERT_EQ(out.size(), 5u);
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_EQ(out[1], 1.0f);
    EXPECT_LT(out[2], -1.0f); // -32768 is not clamped
    EXPECT_EQ(out[3], 1.0f / 32767.0f);
    EXPECT_EQ(out[4], -1.0f / 32767.0f);
    SwitchBuffer::convert(QByteArray(1, 'x'), out);
    EXPECT_TRUE(out.empty());
}

TEST(SwitchBuffer, SwitchesOnlyToPublishedBlocksRefusesStaleOnesAndNeverReallocates)
{
    SwitchBuffer b;
    EXPECT_EQ(b.playData(), nullptr);
    EXPECT_FALSE(b.switchBuffers());
    b.insertFilePlaybackBuffer(le16({1, 2, 3, 4}));
    b.publishPlayback();
    const float* first = b.playData();
    EXPECT_EQ(b.playSize(), 4u);

    // The ring takes kBlocks blocks ahead of the one being played, no more.
    std::uint32_t epoch = b.epoch();
    std::uint32_t published = 0;
    while (b.canRead(epoch)) {
        b.insertFileReadBuffer(le16({int(published) + 5, 0}));
        ASSERT_TRUE(b.publishRead(epoch, false, published * 4, published * 4 + 4));
        ++published;
    }
    EXPECT_EQ(published, SwitchBuffer::kBlocks);
    EXPECT_EQ(b.queued(), SwitchBuffer::kBlocks);
    ASSERT_TRUE(b.switchBuffers());
    EXPECT_EQ(b.playSize(), 2u);
    EXPECT_EQ(b.playData()[0], 5.0f / 32767.0f);
    // The block just played is the next to fill, with the storage left behind.
    EXPECT_TRUE(b.canRead(epoch));
    EXPECT_EQ(b.readBuffer().data(), first);

    // A block read before the ring was dropped is refused; the next one counts.
    b.insertFileReadBuffer(QByteArray(int(SwitchBuffer::kCapacity) * 2 + 100, 0));
    EXPECT_EQ(b.readBuffer().size(), SwitchBuffer::kCapacity);
    EXPECT_EQ(b.readBuffer().data(), first);
    b.dropQueued(400);
    EXPECT_FALSE(b.canRead(epoch));
    EXPECT_FALSE(b.publishRead(epoch, true, 400, 404));
    EXPECT_EQ(b.queued(), 0u);
    EXPECT_FALSE(b.switchBuffers());
    epoch = b.epoch();
    // A block from another place than where the audio goes on is refused
    // with what follows it.
    b.insertFileReadBuffer(le16({9, 9}));
    ASSERT_TRUE(b.publishRead(epoch, false, 800, 804));
    EXPECT_FALSE(b.switchBuffers());
    EXPECT_TRUE(b.staleRefused());
    EXPECT_EQ(b.queued(), 0u);
    epoch = b.epoch();
    b.insertFileReadBuffer(le16({7, 8}));
    ASSERT_TRUE(b.publishRead(epoch, true, 400, 404));
    ASSERT_TRUE(b.switchBuffers());
    EXPECT_EQ(b.playData()[0], 7.0f / 32767.0f);
    EXPECT_FALSE(b.staleRefused());
    b.release(0);
    EXPECT_EQ(b.playData(), nullptr);
    EXPECT_EQ(b.playSize(), 0u);
    EXPECT_FALSE(b.switchBuffers());
}

} // namespace
