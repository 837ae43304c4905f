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

TEST(SwitchBuffer, SwitchesOnlyToAFilledReadBufferAndNeverReallocates)
{
    SwitchBuffer b;
    EXPECT_EQ(b.playData(), nullptr);
    EXPECT_FALSE(b.switchBuffers());
    b.insertFilePlaybackBuffer(le16({1, 2, 3, 4}));
    b.publishPlayback();
    const float* first = b.playData();
    EXPECT_EQ(b.playSize(), 4u);
    b.insertFileReadBuffer(le16({5, 6}));
    EXPECT_FALSE(b.switchBuffers()); // not marked filled yet
    b.setReadReady(true);
    ASSERT_TRUE(b.switchBuffers());
    EXPECT_EQ(b.playSize(), 2u);
    EXPECT_EQ(b.playData()[0], 5.0f / 32767.0f);
    EXPECT_EQ(b.playbackIndex(), 1u);
    EXPECT_FALSE(b.readReady());

    // A full preload-sized block fits without moving the storage.
    b.insertFileReadBuffer(QByteArray(int(SwitchBuffer::kCapacity) * 2 + 100, 0));
    EXPECT_EQ(b.buffer(b.readIndex()).size(), SwitchBuffer::kCapacity);
    EXPECT_EQ(b.buffer(b.readIndex()).data(), first);
    b.release();
    EXPECT_EQ(b.playData(), nullptr);
    EXPECT_EQ(b.playSize(), 0u);
}

} // namespace
