// Loopback download of a 50 MB recording: the HTTP layer, read in blocks as the loader reads,
// against a plain curl transfer into memory of the same file, in the same run. Prints each
// throughput and the ratio of the layer to plain curl.
#include "http/httprequest.h"
#include "plaincurl.h"
#include "ratioreporter.h"
#include "testserver.h"

#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr size_t kRecordingSize = 50 * 1000 * 1000;
constexpr const char* kPlainName = "PlainCurlToMemory";

zemtest::TestServer* g_server = nullptr;

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
    const zem::Url url = *zem::ParseUrl(g_server->Url("/rec.wav"));
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
    RunPlainCurlToMemory(state, g_server->Url("/rec.wav"), kRecordingSize);
}
BENCHMARK(PlainCurlToMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    // Loopback only: no proxy from the environment may take the requests elsewhere.
    for (const char* name : {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        unsetenv(name);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    curl_global_init(CURL_GLOBAL_DEFAULT);
    {
        zemtest::TestServer server;
        server.Route("/rec.wav", zemtest::Reply{.body = Recording()});
        g_server = &server;
        RatioReporter reporter(kPlainName, "plain curl");
        benchmark::RunSpecifiedBenchmarks(&reporter);
        reporter.PrintRatios();
        g_server = nullptr;
    }
    benchmark::Shutdown();
    curl_global_cleanup();
    return 0;
}
