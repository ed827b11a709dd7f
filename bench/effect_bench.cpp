// One 100 ms block of 8 kHz audio through the band-reject filter: the engine's stream filter
// and the effect runner (WAV image, command line, libsox format handlers) next to a bare
// libsox chain on the same samples. "x_realtime" is seconds of audio filtered per second; the
// closing lines give each cost per block as a ratio to the bare chain.
#include "zemWave/engine/bandrejectfilter.h"
#include "zemWave/engine/effectrunner.h"

#include <benchmark/benchmark.h>
#include <sox.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <cstring>
#include <numbers>
#include <vector>

namespace {

constexpr int kRate = 8000;
constexpr int kFrames = kRate / 10;

std::vector<int16_t> Block()
{
    std::vector<int16_t> block(kFrames);
    for (int i = 0; i < kFrames; ++i)
        block[static_cast<size_t>(i)] = static_cast<int16_t>(std::lround(
            6000 * std::sin(2 * std::numbers::pi * 500 * i / kRate) + 3000 * std::sin(2 * std::numbers::pi * 2800 * i / kRate)));
    return block;
}

std::map<std::string, double> g_secondsPerBlock;

void Note(const char* name, benchmark::State& state, double seconds)
{
    if (state.iterations() > 0)
        g_secondsPerBlock[name] = seconds / static_cast<double>(state.iterations());
}

// The engine's way: one filter per stream, fed block after block.
void BM_StreamFilterBlock(benchmark::State& state)
{
    const std::vector<int16_t> source = Block();
    std::vector<int16_t> block(source.size());
    BandRejectFilter filter;
    filter.Configure(2800, 300, kRate, 1);
    const auto started = std::chrono::steady_clock::now();
    for (auto _ : state) {
        std::copy(source.begin(), source.end(), block.begin());
        filter.Process(block.data(), kFrames);
        benchmark::DoNotOptimize(block.data());
    }
    Note("stream filter", state, std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    state.counters["x_realtime"] = benchmark::Counter(0.1, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_EffectRunnerBlock(benchmark::State& state)
{
    const std::vector<int16_t> source = Block();
    std::vector<int16_t> block;
    const auto started = std::chrono::steady_clock::now();
    for (auto _ : state) {
        block = source;
        if (SoxBandRejectBlock(2800, 300, block.data(), kFrames, 1, kRate) != 0)
            state.SkipWithError(SoxLastError().c_str());
        benchmark::DoNotOptimize(block.data());
    }
    Note("effect runner", state, std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    state.counters["x_realtime"] = benchmark::Counter(0.1, benchmark::Counter::kIsIterationInvariantRate);
}

// The bare chain: samples in and out through two small effects of our own.
struct Buffers {
    const int16_t* in;
    size_t inLeft;
    int16_t* out;
    size_t outDone;
};
Buffers g_buffers;

int FeedDrain(sox_effect_t*, sox_sample_t* out, size_t* samples)
{
    const size_t n = std::min(*samples, g_buffers.inLeft);
    for (size_t i = 0; i < n; ++i)
        out[i] = SOX_SIGNED_16BIT_TO_SAMPLE(g_buffers.in[i], );
    g_buffers.in += n;
    g_buffers.inLeft -= n;
    *samples = n;
    return n ? SOX_SUCCESS : SOX_EOF;
}

int CollectFlow(sox_effect_t*, const sox_sample_t* in, sox_sample_t*, size_t* inSamples, size_t* outSamples)
{
    SOX_SAMPLE_LOCALS;
    sox_uint64_t clips = 0;
    for (size_t i = 0; i < *inSamples; ++i)
        g_buffers.out[g_buffers.outDone++] = SOX_SAMPLE_TO_SIGNED_16BIT(in[i], clips);
    *outSamples = 0;
    return SOX_SUCCESS;
}

const sox_effect_handler_t kFeed = {"feed", nullptr, SOX_EFF_MCHAN, nullptr, nullptr, nullptr, FeedDrain, nullptr, nullptr, 0};
const sox_effect_handler_t kCollect = {"collect", nullptr, SOX_EFF_MCHAN, nullptr, nullptr, CollectFlow, nullptr, nullptr, nullptr, 0};

void BM_DirectLibsoxChain(benchmark::State& state)
{
    std::vector<int16_t> warm = Block();
    SoxBandRejectBlock(2800, 300, warm.data(), kFrames, 1, kRate);  // libsox set up once
    const std::vector<int16_t> source = Block();
    std::vector<int16_t> block(kFrames);
    sox_signalinfo_t signal{};
    signal.rate = kRate;
    signal.channels = 1;
    signal.precision = 16;
    const auto started = std::chrono::steady_clock::now();
    for (auto _ : state) {
        g_buffers = {source.data(), source.size(), block.data(), 0};
        sox_effects_chain_t* chain = sox_create_effects_chain(nullptr, nullptr);
        sox_signalinfo_t s = signal;
        sox_effect_t* e = sox_create_effect(&kFeed);
        sox_add_effect(chain, e, &s, &signal);
        std::free(e);
        e = sox_create_effect(sox_find_effect("bandreject"));
        char centre[] = "2800", width[] = "300b";
        char* args[] = {centre, width};
        sox_effect_options(e, 2, args);
        sox_add_effect(chain, e, &s, &signal);
        std::free(e);
        e = sox_create_effect(&kCollect);
        sox_add_effect(chain, e, &s, &signal);
        std::free(e);
        sox_flow_effects(chain, nullptr, nullptr);
        sox_delete_effects_chain(chain);
        benchmark::DoNotOptimize(block.data());
    }
    Note("bare chain", state, std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    // Both ways must give the same samples, or the comparison means nothing.
    if (block != warm)
        state.SkipWithError("the bare chain filtered differently");
    state.counters["x_realtime"] = benchmark::Counter(0.1, benchmark::Counter::kIsIterationInvariantRate);
}

}  // namespace

BENCHMARK(BM_StreamFilterBlock)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EffectRunnerBlock)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DirectLibsoxChain)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const double bare = g_secondsPerBlock["bare chain"];
    for (const char* name : {"stream filter", "effect runner"}) {
        if (bare > 0 && g_secondsPerBlock.count(name))
            std::printf("%-14s cost per block: %.2fx the bare libsox chain%s\n", name, g_secondsPerBlock[name] / bare,
                        std::string(name) == "stream filter" ? " (goal <= 1.3x)" : "");
    }
    return 0;
}
