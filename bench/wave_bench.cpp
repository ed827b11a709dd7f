// Overview generation for one hour of 8 kHz 16-bit mono audio: the engine's 1024-point
// request. Prints the time per overview and, as audio_seconds per second, how many times
// faster than real time it is.
#include "zemWaveLib/wave.h"

#include "base/riff.h"
#include "codec/waveformat.h"
#include "temprecording.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr uint32_t kRate = 8000;
constexpr uint32_t kSeconds = 3600;
std::string g_path;

// A 440 Hz tone whose level rises and falls once a minute.
bool WriteHourRecording(const std::string& path)
{
    const uint32_t dataSize = kRate * kSeconds * 2;
    const std::vector<uint8_t> format = zem::MakePcmFormat(kRate, 1, 16).ToBytes();
    zem::RiffWriter riff(zem::RiffLength::WholeFile);
    riff.Chunk("fmt ", format.data(), 16);
    riff.ChunkHead("data", dataSize);
    const std::string header = riff.Bytes(dataSize);

    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    bool ok = std::fwrite(header.data(), 1, header.size(), file) == header.size();
    std::vector<int16_t> second(kRate);
    for (uint32_t s = 0; ok && s < kSeconds; ++s) {
        const double envelope = 0.5 + 0.5 * std::sin(2 * M_PI * s / 60.0);
        for (uint32_t i = 0; i < kRate; ++i)
            second[i] = static_cast<int16_t>(30000 * envelope * std::sin(2 * M_PI * 440.0 * i / kRate));
        ok = std::fwrite(second.data(), 2, kRate, file) == kRate;
    }
    return std::fclose(file) == 0 && ok;
}

void DropFromCache(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        close(fd);
    }
}

// cold: the recording is dropped from the page cache before each overview (as far as the
// kernel allows), so the 1024 reads go to the disk.
void BM_Overview1024OfOneHour(benchmark::State& state)
{
    const bool cold = state.range(0) != 0;
    _Wave wave;
    if (!wave.SetFileName(g_path)) {
        state.SkipWithError(wave.GetLastError().c_str());
        return;
    }
    for (auto _ : state) {
        if (cold) {
            state.PauseTiming();
            DropFromCache(g_path);
            state.ResumeTiming();
        }
        if (!wave.GeneratePrompt(1024)) {
            state.SkipWithError(wave.GetLastError().c_str());
            return;
        }
    }
    state.SetLabel(cold ? "cold cache" : "warm cache");
    // Seconds of audio covered per wall-clock second: the ratio to real time.
    state.counters["audio_seconds"] = benchmark::Counter(kSeconds, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_Overview1024OfOneHour)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond);

// Console output, then the warm overview's time next to its goal.
class GoalReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && run.run_name.str().find("/0/") != std::string::npos)
                warmMs_ = run.GetAdjustedRealTime();
        }
    }
    void PrintGoal() const { std::printf("1 h PCM overview, warm cache: %.2f ms (goal <= 3 ms)\n", warmMs_); }

private:
    double warmMs_ = 0;
};

}  // namespace

int main(int argc, char** argv)
{
    return RunOverTempRecording(argc, argv, "wavebench", g_path, WriteHourRecording, [] {
        GoalReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        reporter.PrintGoal();
    });
}
