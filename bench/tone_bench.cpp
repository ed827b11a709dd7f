// DetectTones over one hour of 8 kHz 16-bit mono audio (a 1520 Hz tone of 300 ms every two
// seconds over a quiet low hum), as a ratio to real time next to the goal.
#include "zemWaveLib/wave.h"

#include "ZemBaseLib/xmlelement.h"

#include "temprecording.h"

#include "monowav.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kRate = 8000;
constexpr uint32_t kSeconds = 3600;
constexpr uint32_t kCycleSeconds = 2;
constexpr double kGoal = 1000;
std::string g_path;
double g_bestRatio = 0;
size_t g_spans = 0;

bool WriteRecording(const std::string& path)
{
    const uint32_t dataBytes = kRate * kSeconds * 2;
    const std::string head = MonoPcmHead(kRate, dataBytes);

    std::vector<int16_t> cycle(kRate * kCycleSeconds);
    for (size_t i = 0; i < cycle.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        double v = 800 * std::sin(2 * std::numbers::pi * 150 * t);
        if (t >= 0.5 && t < 0.8)
            v += 12000 * std::sin(2 * std::numbers::pi * 1520 * t);
        cycle[i] = static_cast<int16_t>(std::lround(v));
    }
    std::ofstream out(path, std::ios::binary);
    out.write(head.data(), static_cast<std::streamsize>(head.size()));
    for (uint32_t s = 0; s < kSeconds; s += kCycleSeconds)
        out.write(reinterpret_cast<const char*>(cycle.data()), static_cast<std::streamsize>(cycle.size() * 2));
    return static_cast<bool>(out.flush());
}

void BM_DetectTonesOfOneHour(benchmark::State& state)
{
    _Wave wave;
    if (!wave.SetFileName(g_path)) {
        state.SkipWithError(wave.GetLastError().c_str());
        return;
    }
    for (auto _ : state) {
        XmlElement root("tones");
        root.AddChild("tone", "");
        const auto start = std::chrono::steady_clock::now();
        if (!wave.DetectTones(&root)) {
            state.SkipWithError(wave.GetLastError().c_str());
            return;
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        g_bestRatio = std::max(g_bestRatio, kSeconds / took.count());
        g_spans = root.GetChild(0)->CountChildren("position");
    }
    state.counters["x_real_time"] = benchmark::Counter(kSeconds, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_DetectTonesOfOneHour)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    const int result = RunOverTempRecording(argc, argv, "tonebench", g_path, WriteRecording);
    if (result == 0)
        std::printf("DetectTones over one hour: best %.0fx real time (goal: at least %.0fx), %zu spans of %u expected\n",
                    g_bestRatio, kGoal, g_spans, kSeconds / kCycleSeconds);
    return result;
}
