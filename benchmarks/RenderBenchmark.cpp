// The render function per 256-frame output buffer (5.8 ms of audio at
// 44100 Hz): steady playback, during a fade, and across a buffer switch.
// Each benchmark reports the median and the worst call in microseconds and
// the worst as a share of the 5.8 ms budget. The reader is let catch up
// between calls, outside the timing, so that every call finds its data.

#include "player/engine/audio/DiskStreaming.h"
#include "player/engine/audio/tests/AudioTestSupport.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

using Audio::DiskStreaming;
using Audio::StreamingState;

namespace {

constexpr unsigned kFrames = 256;
constexpr double kBudgetMicroseconds = 1e6 * kFrames / 44100.0;
constexpr std::uint32_t kBlockSamples = 4096;

struct Rig
{
    Rig()
    {
        AudioTest::writeRawImage(dir.path(), 44100 * 120);
        streaming.setDrivenExternally(true);
        streaming.setAudioFileName(dir.path(), {});
        AudioTest::waitIdle(streaming);
        streaming.setState(StreamingState::Running);
        streaming.values().setTargetVolume(0.8f); // keep the volume ramp busy
    }

    // Rewinds (untimed) before the image runs out, so that every call plays.
    void keepPlaying()
    {
        if (streaming.values().playedSamples() > 2u * 44100 * 100) {
            streaming.setCurrentSampleInFile(0);
            AudioTest::waitIdle(streaming);
        }
    }

    double timedRender()
    {
        std::fill(std::begin(buffer), std::end(buffer), 0.0f);
        const auto t0 = std::chrono::steady_clock::now();
        streaming.render(buffer, kFrames);
        const auto t1 = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(buffer[0]);
        return std::chrono::duration<double>(t1 - t0).count();
    }

    void untimedRender()
    {
        std::fill(std::begin(buffer), std::end(buffer), 0.0f);
        streaming.render(buffer, kFrames);
        AudioTest::waitIdle(streaming);
    }

    QTemporaryDir dir;
    DiskStreaming streaming;
    float buffer[2 * kFrames];
};

void report(benchmark::State& state, std::vector<double>& seconds)
{
    if (seconds.empty())
        return;
    std::sort(seconds.begin(), seconds.end());
    const double median = seconds[seconds.size() / 2] * 1e6;
    const double worst = seconds.back() * 1e6;
    state.counters["median_us"] = median;
    state.counters["p99_us"] = seconds[seconds.size() * 99 / 100] * 1e6;
    state.counters["worst_us"] = worst;
    state.counters["worst_pct_of_budget"] = 100.0 * worst / kBudgetMicroseconds;
}

// One timed render per iteration, after `prepare` has brought the rig to the
// call that is to be measured.
template <typename Prepare>
void timeRenders(benchmark::State& state, Rig& rig, Prepare prepare)
{
    std::vector<double> times;
    times.reserve(std::size_t(state.max_iterations));
    for (auto _ : state) {
        rig.keepPlaying();
        prepare();
        const double t = rig.timedRender();
        state.SetIterationTime(t);
        times.push_back(t);
        AudioTest::waitIdle(rig.streaming);
    }
    report(state, times);
}

void BM_RenderSteady(benchmark::State& state)
{
    Rig rig;
    timeRenders(state, rig, [&rig] {
        // Calls that stay inside one block; switches are measured below.
        while (rig.streaming.getPlayPosition() + 2 * kFrames > kBlockSamples)
            rig.untimedRender();
    });
}

void BM_RenderDuringFade(benchmark::State& state)
{
    Rig rig;
    const int length = 44100 * 60 * 4;
    int seekTo = 0;
    timeRenders(state, rig, [&rig, &seekTo] {
        if (rig.streaming.fades().isIdle()) {
            // A seek: fade out, swap in the preloaded target, fade back in.
            rig.streaming.seek(double(seekTo++ % 97) / 97.0, length);
            AudioTest::waitIdle(rig.streaming);
        }
    });
}

void BM_RenderAcrossBufferSwitch(benchmark::State& state)
{
    Rig rig;
    timeRenders(state, rig, [&rig] {
        // Move to the call that runs past the end of the block.
        while (rig.streaming.getPlayPosition() + 2 * kFrames <= kBlockSamples)
            rig.untimedRender();
    });
}

BENCHMARK(BM_RenderSteady)->UseManualTime()->Iterations(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RenderDuringFade)->UseManualTime()->Iterations(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RenderAcrossBufferSwitch)->UseManualTime()->Iterations(3000)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
