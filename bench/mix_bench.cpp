// Mixing 32 streams of 8 kHz recordings, each with the band-reject filter as its DSP unit,
// on the mixer's one thread. "x_realtime" is seconds of audio mixed per second of wall time;
// the closing lines give the filtered mix next to its goal and as a ratio to the bare mix.
#include "zemWave/engine/bandrejectfilter.h"
#include "sound/soundsystem.h"

#include "base/tempname.h"

#include "monowav.h"
#include "base/littleendian.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 8000;
constexpr int kStreams = 32;
constexpr int kSeconds = 40;
std::map<bool, double> g_realtime;  // by filter on/off

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

// Arg 1: band-reject on every stream; 0: mixing alone, for comparison.
void BM_Mix32Streams(benchmark::State& state)
{
    const bool filter = state.range(0) != 0;
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
        sound.StreamPlay(zem::kFreeChannel, stream);
    }
    int64_t mixedMs = 0;
    const auto started = std::chrono::steady_clock::now();
    for (auto _ : state) {
        clock.Advance(1000);
        mixedMs += 1000;
        sound.WaitForMixedMs(mixedMs);
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
    g_realtime[filter] = static_cast<double>(mixedMs) / 1000.0 / took.count();
    sound.Close();
    std::filesystem::remove_all(folder);
    state.counters["x_realtime"] = benchmark::Counter(static_cast<double>(mixedMs) / 1000.0, benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_Mix32Streams)->Arg(1)->Arg(0)->Iterations(kSeconds - 5)->UseRealTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (g_realtime.size() == 2)
        std::printf("32 streams with band-reject: %.0fx real time (goal >= 300x); ratio to the bare mix %.2f\n",
                    g_realtime[true], g_realtime[true] / g_realtime[false]);
    return 0;
}
