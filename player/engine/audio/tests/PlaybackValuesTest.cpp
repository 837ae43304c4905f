#include "player/engine/audio/PlaybackValues.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

std::uint32_t bits(float f)
{
    std::uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

TEST(PlaybackValues, SmoothingWeightsHaveTheirExactBits)
{
    EXPECT_EQ(bits(Audio::PlaybackValues::kInitialCoefficientA), 0x3F7FFF42u);
    EXPECT_EQ(bits(Audio::PlaybackValues::kInitialCoefficientB), 0x373E0000u);
}

TEST(PlaybackValues, NegativeValuesNeverRaiseThePeak)
{
    Audio::PlaybackValues v;
    v.addLeft(-1.0f);
    v.addRight(-0.5f);
    EXPECT_EQ(v.peakLeft(), 0.0f);
    EXPECT_EQ(v.peakRightCopy(), 0.0f);
    EXPECT_GT(v.meanSquareLeft(), 0.0f);
    v.addLeft(0.25f);
    EXPECT_EQ(v.peakLeftCopy(), 0.25f);
}

TEST(PlaybackValues, ClearPeaksKeepsMeanSquaresAndResetRestoresAll)
{
    Audio::PlaybackValues v;
    v.addLeft(0.5f);
    v.addRight(0.75f);
    v.clearPeaks();
    EXPECT_EQ(v.peakLeft(), 0.0f);
    EXPECT_EQ(v.peakRight(), 0.0f);
    EXPECT_FLOAT_EQ(v.meanSquareLeft(), 0.25f * Audio::PlaybackValues::kInitialCoefficientB);
    v.resetMeters();
    EXPECT_EQ(v.meanSquareLeft(), 0.0f);
    EXPECT_EQ(v.meanSquareRight(), 0.0f);
    EXPECT_EQ(v.peakRightCopy(), 0.0f);
    EXPECT_EQ(v.state(), Audio::StreamingState::Stopped);
}

} // namespace
