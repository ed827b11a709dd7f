// Loopback download of a 50 MB recording by a _Wave (header download, then the full load
// into its local copy in 1024-byte blocks with a callback per block), against a plain curl
// transfer into memory of the same file, in the same run. Prints each throughput and the
// ratio of the wave's download to plain curl.
#include "loopbackdownload.h"
#include "zemWaveLib/wave.h"

#include "base/riff.h"
#include "codec/waveformat.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

namespace {

constexpr size_t kRecordingSize = 50 * 1000 * 1000;

// "RIFF", "WAVE", a 16-bit mono "fmt " chunk and a "data" chunk filling the rest.
std::string Recording()
{
    const std::vector<uint8_t> format = zem::MakePcmFormat(8000, 1, 16).ToBytes();
    zem::RiffWriter riff(zem::RiffLength::WholeFile);
    riff.Chunk("fmt ", format.data(), 16);
    riff.ChunkHead("data", static_cast<uint32_t>(kRecordingSize - 44));
    std::string bytes = riff.Bytes(kRecordingSize - 44);
    bytes.resize(kRecordingSize);
    for (size_t i = 44; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((i * 131 + (i >> 9)) & 0xff);
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

// What `curl -o FILE` does: the body written to a file through stdio.
void PlainCurlToFile(benchmark::State& state)
{
    const std::string path = std::filesystem::temp_directory_path().string() + "/wave_download_bench.out";
    for (auto _ : state) {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        CURL* easy = curl_easy_init();
        curl_easy_setopt(easy, CURLOPT_URL, RecordingAddress().c_str());
        curl_easy_setopt(easy, CURLOPT_NOPROXY, "*");
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, file);
        const CURLcode code = curl_easy_perform(easy);
        curl_easy_cleanup(easy);
        const bool closed = file && std::fclose(file) == 0;
        if (code != CURLE_OK || !closed || std::filesystem::file_size(path) != kRecordingSize) {
            state.SkipWithError("transfer to a file failed");
            break;
        }
    }
    std::filesystem::remove(path);
    state.SetBytesProcessed(
        static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kRecordingSize));
}
BENCHMARK(PlainCurlToFile)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    return RunLoopbackDownloadBenchmarks(argc, argv, Recording(), [](const RatioReporter& reporter) {
        const double toFile = reporter.Rate("PlainCurlToFile");
        if (toFile > 0)
            std::printf("wave download vs curl -o FILE: %.2f (goal >= 0.9)\n", reporter.Rate("WaveDownload") / toFile);
    });
}
