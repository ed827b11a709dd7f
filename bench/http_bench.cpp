// Loopback download of a 50 MB recording: the HTTP layer, read in blocks as the loader reads,
// against a plain curl transfer into memory of the same file, in the same run. Prints each
// throughput and the ratio of the layer to plain curl.
#include "http/httprequest.h"
#include "loopbackdownload.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr size_t kRecordingSize = 50 * 1000 * 1000;

std::string Recording()
{
    std::string bytes(kRecordingSize, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((i * 131 + (i >> 9)) & 0xff);
    return bytes;
}

void LayerDownload(benchmark::State& state)
{
    const zem::HttpSession session(zem::HttpSettings{.userAgent = "zem-bench"});
    const zem::Url url = *zem::ParseUrl(RecordingAddress());
    std::string block(static_cast<size_t>(state.range(0)), '\0');
    for (auto _ : state) {
        zem::HttpRequest request(session, url);
        if (!request.Send() || request.StatusCode() != 200) {
            state.SkipWithError("request failed");
            return;
        }
        size_t total = 0;
        while (const size_t count = request.Read(block.data(), block.size()))
            total += count;
        if (total != kRecordingSize || request.Error() != zem::HttpError::None) {
            state.SkipWithError("short download");
            return;
        }
    }
    state.SetBytesProcessed(
        static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kRecordingSize));
}
BENCHMARK(LayerDownload)->Arg(1024)->Arg(64 * 1024)->Unit(benchmark::kMillisecond)->UseRealTime();

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
