// Mixing 32 streams of 8 kHz recordings, each with the band-reject filter as its DSP unit,
// on the mixer's one thread, at speed 1.0 (frame for frame) and at speed 1.5 (through the
// variable-rate resampler). "x_realtime" is seconds of audio mixed per second of wall time;
// the closing lines give seconds of audio per second of the process's CPU time (the mixer's
// one thread does the work while the benchmark waits), so a busy machine does not skew them,
// for the filtered mixes next to their goals and as a ratio to the bare mix.
#include "zemWave/engine/bandrejectfilter.h"
#include "sound/soundsystem.h"

#include "base/tempname.h"

#include "monowav.h"
#include "base/littleendian.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <ctime>
#include <cstdio>
#include <filesystem>
#include <map>
#include <utility>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 8000;
constexpr int kStreams = 32;
constexpr int kSeconds = 40;
std::map<std::pair<bool, int>, double> g_realtime;  // by filter on/off and speed in percent

std::string WriteRecording(const std::string& path)
{
    std::vector<char> data;
    for (int i = 0; i < kSeconds * kRate; ++i) {
        const double v = 6000 * std::sin(2 * std::numbers::pi * 500 * i / kRate) +
                         3000 * std::sin(2 * std::numbers::pi * 2800 * i / kRate);
        const auto s = static_cast<int16_t>(std::lround(v));
        zem::AppendLe16(data, static_cast<uint16_t>(s));
    }
    const std::string header = MonoPcmHead(kRate, static_cast<uint32_t>(data.size()));
    std::ofstream out(path, std::ios::binary);
    out << header;
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    return path;
}

// Arg 1: band-reject on every stream; 0: mixing alone, for comparison. Arg 2: speed in percent.
void BM_Mix32Streams(benchmark::State& state)
{
    const bool filter = state.range(0) != 0;
    const int speedPercent = static_cast<int>(state.range(1));
    const std::string folder = std::filesystem::temp_directory_path() / "zem_mix_bench";
    std::filesystem::create_directories(folder);
    const std::string path = WriteRecording(folder + "/call.wav");
    zem::ManualClock clock;
    zem::SoundSystem sound(zem::OutputChoice::Null(&clock));
    if (!sound.Init(kRate, kStreams)) {
        state.SkipWithError("Init failed");
        return;
    }
    std::vector<BandRejectFilter> filters(kStreams);
    for (int i = 0; i < kStreams; ++i) {
        const zem::SoundStream stream = sound.StreamOpen(path);
        BandRejectFilter* filter = &filters[static_cast<size_t>(i)];
        filter->Configure(2800, 300, kRate, 1);
        const zem::SoundDsp dsp = sound.StreamCreateDsp(stream, [filter](zem::DspBlock& block) {
            filter->Process(block.samples, block.frames);
        });
        sound.DspSetActive(dsp, filter);
        const int channel = sound.StreamPlay(zem::kFreeChannel, stream);
        sound.SetFrequency(channel, kRate * speedPercent / 100);
    }
    int64_t mixedMs = 0;
    const std::clock_t startedCpu = std::clock();
    for (auto _ : state) {
        clock.Advance(1000);
        mixedMs += 1000;
        sound.WaitForMixedMs(mixedMs);
    }
    const double cpuSeconds = static_cast<double>(std::clock() - startedCpu) / CLOCKS_PER_SEC;
    g_realtime[{filter, speedPercent}] = static_cast<double>(mixedMs) / 1000.0 / cpuSeconds;
    sound.Close();
    std::filesystem::remove_all(folder);
    state.counters["x_realtime"] = benchmark::Counter(static_cast<double>(mixedMs) / 1000.0, benchmark::Counter::kIsRate);
}

}  // namespace

// At speed 1.5 a second of mix reads 1.5 s of each recording.
BENCHMARK(BM_Mix32Streams)
    ->Args({1, 100})
    ->Args({0, 100})
    ->Args({1, 150})
    ->Args({0, 150})
    ->Iterations((kSeconds - 5) * 2 / 3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const auto& [speedPercent, goal] : {std::pair{100, 300}, std::pair{150, 100}}) {
        if (g_realtime.count({true, speedPercent}) && g_realtime.count({false, speedPercent}))
            std::printf("32 streams with band-reject at speed %.1f: %.0fx real time on one core (goal >= %dx); ratio to the bare mix %.2f\n",
                        speedPercent / 100.0, g_realtime[{true, speedPercent}], goal,
                        g_realtime[{true, speedPercent}] / g_realtime[{false, speedPercent}]);
    }
    return 0;
}
