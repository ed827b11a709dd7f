// Reaction: from a command (resuming a paused channel) to the first mixed block that reflects
// it, seen as the first call of the channel's DSP unit after the command, on the wav and the
// null output at real time; and through the device output, to the first frame of the sound
// card that reflects it, with ALSA's file plugin as the card (the frame seen in its raw file).
// The closing lines give the median, p95 and max next to the goal.
#include "sound/soundsystem.h"

#include "monowav.h"
#include "base/littleendian.h"
#include "support/alsafiledevice.h"

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

#include <fcntl.h>
#include <unistd.h>

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

// Reads what the device's raw file gains, frame by frame (16-bit stereo).
class RawFileWatch {
public:
    explicit RawFileWatch(const std::string& path) : fd_(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~RawFileWatch()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    RawFileWatch(const RawFileWatch&) = delete;
    RawFileWatch& operator=(const RawFileWatch&) = delete;
    bool ok() const { return fd_ >= 0; }

    // Skips what is there now.
    void SkipToEnd() { offset_ = lseek(fd_, 0, SEEK_END) / 4 * 4; }
    // Whether a sounding frame arrived since the last look.
    bool SoundArrived()
    {
        int16_t frames[2 * 1024];
        const ssize_t got = pread(fd_, frames, sizeof frames, offset_);
        if (got < 4)
            return false;
        const ssize_t whole = got / 4 * 4;
        offset_ += whole;
        return std::any_of(frames, frames + whole / 2, [](int16_t v) { return v != 0; });
    }

private:
    int fd_;
    off_t offset_ = 0;
};

void BM_ResumeToDeviceFrame(benchmark::State& state)
{
    const zemtest::AlsaFileDevice device;
    const std::string folder = std::filesystem::temp_directory_path() / "zem_reaction_bench_device";
    std::filesystem::create_directories(folder);
    zem::SoundSystem sound(zem::OutputChoice::Device(false));
    if (!sound.Init(kRate, 4)) {
        state.SkipWithError("the device does not open");
        return;
    }
    const int channel = sound.StreamPlay(zem::kFreeChannel, sound.StreamOpen(WriteTone(folder + "/tone.wav")));
    sound.WaitForMixedMs(200);
    RawFileWatch watch(device.NewestPath());
    if (!watch.ok()) {
        state.SkipWithError("the device wrote no raw file");
        return;
    }
    std::mt19937 random(7);
    std::vector<double>& reactions = g_reactionsMs["device"];
    for (auto _ : state) {
        for (int i = 0; i < kCommands; ++i) {
            sound.SetPaused(channel, true);
            // Long enough for the silence to reach the file past the device's buffer, then a
            // command at a random moment of the block cycle.
            std::this_thread::sleep_for(std::chrono::milliseconds(150 + random() % 25));
            watch.SkipToEnd();
            const auto command = Steady::now();
            sound.SetPaused(channel, false);
            while (!watch.SoundArrived())
                std::this_thread::sleep_for(std::chrono::microseconds(100));
            reactions.push_back(std::chrono::duration<double, std::milli>(Steady::now() - command).count());
        }
    }
    sound.Close();
    std::filesystem::remove_all(folder);
}

}  // namespace

BENCHMARK(BM_ResumeToMixedBlock)->Arg(0)->Arg(1)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResumeToDeviceFrame)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (auto& [output, ms] : g_reactionsMs) {
        if (ms.empty())
            continue;
        std::sort(ms.begin(), ms.end());
        std::printf("%-6s command to %s: median %.1f ms, p95 %.1f ms, max %.1f ms (goal p95 <= 50 ms: %.2f of it)\n",
                    output.c_str(), output == "device" ? "device frame" : "mixed block ", ms[ms.size() / 2],
                    ms[ms.size() * 95 / 100], ms.back(), ms[ms.size() * 95 / 100] / 50.0);
    }
    return 0;
}
