// Reaction: from a command (resuming a paused channel) to the first mixed block that reflects
// it, seen as the first call of the channel's DSP unit after the command, on the wav and the
// null output at real time. The closing lines give the median, p95 and max next to the goal.
#include "sound/soundsystem.h"

#include "monowav.h"
#include "base/littleendian.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using Steady = std::chrono::steady_clock;

constexpr int kRate = 8000;
constexpr int kSeconds = 60;
constexpr int kCommands = 150;

std::map<std::string, std::vector<double>> g_reactionsMs;

std::string WriteTone(const std::string& path)
{
    std::ofstream out(path, std::ios::binary);
    const uint32_t bytes = kSeconds * kRate * 2;
    out << MonoPcmHead(kRate, bytes);
    char sample[2];
    for (int i = 0; i < kSeconds * kRate; ++i) {
        const auto s = static_cast<int16_t>(std::lround(4000 * std::sin(i * 0.3)));
        zem::WriteLe16(sample, static_cast<uint16_t>(s));
        out.write(sample, 2);
    }
    return path;
}

// Arg 0: the null output; 1: the wav output.
void BM_ResumeToMixedBlock(benchmark::State& state)
{
    const bool wav = state.range(0) == 1;
    const std::string folder = std::filesystem::temp_directory_path() / "zem_reaction_bench";
    std::filesystem::create_directories(folder);
    const std::string path = WriteTone(folder + "/tone.wav");
    zem::SoundSystem sound(wav ? zem::OutputChoice::Wav(folder + "/mix.wav") : zem::OutputChoice::Null());
    if (!sound.Init(kRate, 4)) {
        state.SkipWithError("Init failed");
        return;
    }
    std::atomic<int64_t> lastBlockNs{0};
    const zem::SoundStream stream = sound.StreamOpen(path);
    const zem::SoundDsp dsp = sound.StreamCreateDsp(stream, [&](zem::DspBlock&) {
        lastBlockNs = Steady::now().time_since_epoch().count();
    });
    sound.DspSetActive(dsp, true);
    const int channel = sound.StreamPlay(zem::kFreeChannel, stream);
    std::mt19937 random(7);
    std::vector<double>& reactions = g_reactionsMs[wav ? "wav" : "null"];
    for (auto _ : state) {
        for (int i = 0; i < kCommands; ++i) {
            sound.SetPaused(channel, true);
            // A block that was already on its way may still come; then a command at a random
            // moment of the block cycle.
            std::this_thread::sleep_for(std::chrono::milliseconds(25 + random() % 25));
            const int64_t commandNs = Steady::now().time_since_epoch().count();
            sound.SetPaused(channel, false);
            while (lastBlockNs.load() < commandNs)
                std::this_thread::sleep_for(std::chrono::microseconds(100));
            reactions.push_back(static_cast<double>(lastBlockNs.load() - commandNs) / 1e6);
        }
    }
    sound.Close();
    std::filesystem::remove_all(folder);
}

}  // namespace

BENCHMARK(BM_ResumeToMixedBlock)->Arg(0)->Arg(1)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (auto& [output, ms] : g_reactionsMs) {
        if (ms.empty())
            continue;
        std::sort(ms.begin(), ms.end());
        std::printf("%-5s command to mixed block: median %.1f ms, p95 %.1f ms, max %.1f ms (goal p95 <= 50 ms: %.2f of it)\n",
                    output.c_str(), ms[ms.size() / 2], ms[ms.size() * 95 / 100], ms.back(), ms[ms.size() * 95 / 100] / 50.0);
    }
    return 0;
}
