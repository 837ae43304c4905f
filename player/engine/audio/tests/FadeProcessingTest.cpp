#include "player/engine/audio/FadeProcessing.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

using Audio::FadeProcessing;

namespace {

// Steps until the state leaves `state`; returns the number of steps.
int stepsWhile(FadeProcessing& f, FadeProcessing::FadeState state)
{
    int n = 0;
    while (f.state() == state && n < 100000) {
        f.step();
        ++n;
    }
    return n;
}

TEST(FadeProcessing, StepIsTheFloatNearestOneIn8200)
{
    std::uint32_t bits;
    std::memcpy(&bits, &FadeProcessing::kStep, sizeof bits);
    EXPECT_EQ(bits, 0x38FFC010u);
}

TEST(FadeProcessing, PlainFadeOutTakes8201StepsThenRunsCompletionsAndRestoresFullGain)
{
    FadeProcessing f;
    int ran = 0;
    f.doFadeOut([&] { ++ran; });
    EXPECT_EQ(f.gain(), 1.0f);
    // 8201 subtractions end just below zero; the step after that finishes.
    EXPECT_EQ(stepsWhile(f, FadeProcessing::FadingOut), 8202);
    EXPECT_EQ(f.gain(), 0.0f);
    EXPECT_EQ(ran, 0);
    f.step();
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(f.state(), FadeProcessing::Idle);
    EXPECT_EQ(f.gain(), 1.0f);
}

TEST(FadeProcessing, FadeOutFadeInRunsCompletionsAtZeroGainThenRisesFor8201Steps)
{
    FadeProcessing f;
    float gainSeen = -1.0f;
    f.doFadeOutFadeIn([&] { gainSeen = f.gain(); });
    stepsWhile(f, FadeProcessing::FadingOut);
    f.step();
    EXPECT_EQ(gainSeen, 0.0f);
    EXPECT_EQ(f.state(), FadeProcessing::FadingIn);
    EXPECT_EQ(stepsWhile(f, FadeProcessing::FadingIn), 8202);
    EXPECT_EQ(f.state(), FadeProcessing::Idle);
    EXPECT_EQ(f.gain(), 1.0f);
}

TEST(FadeProcessing, RequestsWithinOneFadeRunInOrderInOnePassAndLatestDecidesFadeIn)
{
    FadeProcessing f;
    std::vector<int> order;
    f.doFadeOutFadeIn([&] { order.push_back(1); });
    for (int i = 0; i < 100; ++i)
        f.step();
    const float midGain = f.gain();
    f.doFadeOut({}); // an empty completion is skipped
    f.doFadeOut([&] {
        order.push_back(2);
        // Work queued by a completion runs in the same pass.
        f.doFadeOut([&] { order.push_back(3); });
    });
    EXPECT_EQ(f.gain(), midGain); // not restarted
    stepsWhile(f, FadeProcessing::FadingOut);
    f.step();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    // The latest request was a plain fade-out: no fade-in.
    EXPECT_EQ(f.state(), FadeProcessing::Idle);
    EXPECT_EQ(f.gain(), 1.0f);
}

TEST(FadeProcessing, RequestDuringFadeInFadesOutFromThePresentGain)
{
    FadeProcessing f;
    f.doFadeOutFadeIn({});
    stepsWhile(f, FadeProcessing::FadingOut);
    f.step();
    for (int i = 0; i < 1000; ++i)
        f.step();
    const float g = f.gain();
    ASSERT_GT(g, 0.1f);
    ASSERT_LT(g, 0.2f);
    f.doFadeOut({});
    const int steps = stepsWhile(f, FadeProcessing::FadingOut);
    EXPECT_LT(steps, 1100);
    EXPECT_GT(steps, 900);
}

TEST(FadeProcessing, ClearDropsCompletionsUnrun)
{
    FadeProcessing f;
    bool ran = false;
    f.doFadeOut([&] { ran = true; });
    f.clear();
    stepsWhile(f, FadeProcessing::FadingOut);
    f.step();
    EXPECT_FALSE(ran);
}

// Requests from another thread while the audio side steps and ends fades:
// every completion runs exactly once and the fade always comes back to idle.
TEST(FadeProcessing, NoRequestIsLostWhileFadesEnd)
{
    FadeProcessing f;
    std::atomic<int> ran{0};
    std::atomic<bool> done{false};
    constexpr int kRequests = 400;
    std::thread gui([&] {
        for (int i = 0; i < kRequests; ++i) {
            if (i % 3 == 0)
                f.doFadeOutFadeIn([&] { ++ran; });
            else
                f.doFadeOut([&] { ++ran; });
            std::this_thread::yield();
        }
        done = true;
    });
    while (!done || !f.isIdle())
        f.step();
    gui.join();
    EXPECT_EQ(ran.load(), kRequests);
    EXPECT_EQ(f.gain(), 1.0f);
}

} // namespace
