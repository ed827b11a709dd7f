// The engine's worker playing 32 recordings of one hour side by side on the null output, time
// stepped by a manual clock. "worker_cpu_ms_per_s" is the worker's CPU time (timer tick and the
// synchronisation of every file) per second of playback; "worker_load" the same as a fraction
// of real time; "rss_MB" the resident memory of the process once everything is queued.
#include "zemWave/engine/fmodclasses.h"

#include "base/clock.h"
#include "sound/soundsystem.h"

#include "monowav.h"
#include "base/littleendian.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <future>
#include <mutex>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 8000;
constexpr int kFiles = 32;
constexpr int kRecordingSeconds = 3600;
constexpr int kPlaybackSeconds = 30;

// One hour of 16-bit mono at 8 kHz (a quiet saw tooth), written once; the other recordings
// are hard links to it, so each has a name of its own.
std::vector<std::string> WriteRecordings(const std::string& folder)
{
    const std::string first = folder + "/call0.wav";
    const uint32_t bytes = kRecordingSeconds * kRate * 2;
    std::ofstream out(first, std::ios::binary);
    out << MonoPcmHead(kRate, bytes);
    std::vector<char> second(static_cast<size_t>(kRate) * 2);
    for (int i = 0; i < kRate; ++i) {
        const auto s = static_cast<int16_t>((i % 80) * 50 - 2000);
        zem::WriteLe16(&second[2 * static_cast<size_t>(i)], static_cast<uint16_t>(s));
    }
    for (int s = 0; s < kRecordingSeconds; ++s)
        out.write(second.data(), static_cast<std::streamsize>(second.size()));
    out.close();
    std::vector<std::string> paths{first};
    for (int i = 1; i < kFiles; ++i) {
        const std::string link = folder + "/call" + std::to_string(i) + ".wav";
        std::filesystem::remove(link);
        std::filesystem::create_hard_link(first, link);
        paths.push_back(link);
    }
    return paths;
}

// Counts the engine notifications the benchmark waits for.
struct Notifications {
    std::mutex mutex;
    std::condition_variable changed;
    int counts[16] = {};

    static void OnEngine(void* context, _FMODEngine*, int code, uintptr_t)
    {
        auto* self = static_cast<Notifications*>(context);
        std::lock_guard lock(self->mutex);
        if (code >= 0 && code < 16)
            ++self->counts[code];
        self->changed.notify_all();
    }
    void WaitFor(int code, int count)
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return counts[code] >= count; });
    }
    int Count(int code)
    {
        std::lock_guard lock(mutex);
        return counts[code];
    }
};

double WorkerCpuMs(_FMODEngine& engine)
{
    std::promise<double> result;
    engine.RunOnWorker([&] {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        result.set_value(static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6);
    });
    return result.get_future().get();
}

int PlayingCount(_FMODEngine& engine)
{
    std::promise<int> playing;
    engine.RunOnWorker([&] {
        std::vector<_FMODFile*> files;
        engine.GetGroupFiles(files, nullptr);
        int n = 0;
        for (_FMODFile* file : files)
            n += file->IsPlaying() ? 1 : 0;
        playing.set_value(n);
    });
    return playing.get_future().get();
}

double ResidentMB()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

void BM_Engine32HourLongRecordings(benchmark::State& state)
{
    const std::string folder = std::filesystem::temp_directory_path() / "zem_engine_bench";
    std::filesystem::create_directories(folder);
    const std::vector<std::string> paths = WriteRecordings(folder);

    zem::ManualClock clock;
    zem::SoundSystem sound(zem::OutputChoice::Null(&clock));
    Notifications notified;
    {
        _FMODEngine engine(sound, clock, {});
        engine.SetEngineCallback(&Notifications::OnEngine, &notified);
        engine.SetSkipSilence(false);
        zem::SYSTEMTIME day{2024, 3, 2, 5, 10, 0, 0, 0};
        for (const std::string& path : paths) {
            if (!engine.AddFile(path, SysTime(&day))) {
                state.SkipWithError(engine.GetLastError().c_str());
                return;
            }
        }
        notified.WaitFor(_FMODEngine::kEngineFileAdded, kFiles);
        engine.Play();
        notified.WaitFor(_FMODEngine::kEngineVolume, 1);
        if (PlayingCount(engine) != kFiles) {
            state.SkipWithError("not every recording plays");
            return;
        }
        const double rss = ResidentMB();

        double cpuMs = 0;
        int64_t seconds = 0;
        for (auto _ : state) {
            const double before = WorkerCpuMs(engine);
            for (int tick = 0; tick < kPlaybackSeconds * 10; ++tick) {
                const int ticks = notified.Count(_FMODEngine::kEnginePosition);
                clock.Advance(_FMODEngine::kTimerMs);
                sound.WaitForMixedMs(clock.NowMs());
                notified.WaitFor(_FMODEngine::kEnginePosition, ticks + 1);
            }
            cpuMs += WorkerCpuMs(engine) - before;
            seconds += kPlaybackSeconds;
            // Back to the start, so every round plays the same stretch.
            state.PauseTiming();
            engine.RunHeld([&engine] { engine.SetPosition(0); });
            WorkerCpuMs(engine);
            state.ResumeTiming();
        }
        state.counters["worker_cpu_ms_per_s"] = cpuMs / static_cast<double>(seconds);
        state.counters["worker_load"] = cpuMs / (static_cast<double>(seconds) * 1000.0);
        state.counters["rss_MB"] = rss;
    }
    for (const std::string& path : paths)
        std::filesystem::remove(path);
}

BENCHMARK(BM_Engine32HourLongRecordings)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
