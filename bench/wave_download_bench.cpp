// Loopback download of a 50 MB recording by a _Wave (header download, then the full load
// into its local copy in 1024-byte blocks with a callback per block), against a plain curl
// transfer into memory of the same file, in the same run. Prints each throughput and the
// ratio of the wave's download to plain curl.
#include "loopbackdownload.h"
#include "zemWaveLib/wave.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace {

constexpr size_t kRecordingSize = 50 * 1000 * 1000;

void PutU32(std::string& bytes, size_t at, uint32_t value)
{
    std::memcpy(bytes.data() + at, &value, 4);
}

// "RIFF", "WAVE", a 16-bit mono "fmt " chunk and a "data" chunk filling the rest.
std::string Recording()
{
    std::string bytes(kRecordingSize, '\0');
    for (size_t i = 44; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((i * 131 + (i >> 9)) & 0xff);
    std::memcpy(bytes.data(), "RIFF", 4);
    PutU32(bytes, 4, static_cast<uint32_t>(kRecordingSize));
    std::memcpy(bytes.data() + 8, "WAVEfmt ", 8);
    PutU32(bytes, 16, 16);
    const uint16_t format[8] = {1, 1, 8000, 0, 16000, 0, 2, 16};  // PCM, mono, 8 kHz, 16 bits
    std::memcpy(bytes.data() + 20, format, 16);
    std::memcpy(bytes.data() + 36, "data", 4);
    PutU32(bytes, 40, static_cast<uint32_t>(kRecordingSize - 44));
    return bytes;
}

// Waits on the loader's callbacks for a final state.
class StateWaiter {
public:
    static void Callback(_Wave*, uint32_t state, uintptr_t user)
    {
        if (state == _Wave::kStateLoading)  // every block: nobody waits for those
            return;
        auto& self = *reinterpret_cast<StateWaiter*>(user);
        {
            std::lock_guard guard(self.mutex_);
            self.last_ = state;
        }
        self.changed_.notify_all();
    }

    // The first of the given states that is reported.
    uint32_t WaitFor(uint32_t wanted)
    {
        std::unique_lock guard(mutex_);
        changed_.wait(guard, [&] { return last_ == wanted || last_ == _Wave::kStateFailed; });
        return last_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    uint32_t last_ = 0;
};

void WaveDownload(benchmark::State& state)
{
    const std::string address = RecordingAddress();
    for (auto _ : state) {
        StateWaiter waiter;
        _Wave wave;
        wave.SetCallback(&StateWaiter::Callback, _Wave::kCallbackFunction,
            reinterpret_cast<uintptr_t>(&waiter));
        if (!wave.SetFileName(address) ||
            waiter.WaitFor(_Wave::kStateHeaderChecked) != _Wave::kStateHeaderChecked ||
            !wave.Load(false) || waiter.WaitFor(_Wave::kStateLoaded) != _Wave::kStateLoaded ||
            wave.GetLoadedLength() != kRecordingSize) {
            state.SkipWithError("download failed");
            return;
        }
        wave.SetCallback(nullptr, 0, 0);
    }
    state.SetBytesProcessed(
        static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kRecordingSize));
}
BENCHMARK(WaveDownload)->Unit(benchmark::kMillisecond)->UseRealTime();

void PlainCurlToMemory(benchmark::State& state)
{
    RunPlainCurlToMemory(state, RecordingAddress(), kRecordingSize);
}
BENCHMARK(PlainCurlToMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    return RunLoopbackDownloadBenchmarks(argc, argv, Recording());
}
