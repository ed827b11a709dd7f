// Loopback download of a 50 MB recording: the HTTP layer, read in blocks as the loader reads,
// against a plain curl transfer into memory of the same file, in the same run. Prints each
// throughput and the ratio of the layer to plain curl.
#include "http/httprequest.h"
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

size_t AppendToString(char* data, size_t size, size_t count, void* target)
{
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

void PlainCurlToMemory(benchmark::State& state)
{
    const std::string address = g_server->Url("/rec.wav");
    std::string body(kRecordingSize, '\0');  // touched once here, so no page faults are timed
    for (auto _ : state) {
        body.clear();
        CURL* easy = curl_easy_init();
        curl_easy_setopt(easy, CURLOPT_URL, address.c_str());
        curl_easy_setopt(easy, CURLOPT_NOPROXY, "*");
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &AppendToString);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
        const CURLcode code = curl_easy_perform(easy);
        curl_easy_cleanup(easy);
        if (code != CURLE_OK || body.size() != kRecordingSize) {
            state.SkipWithError("plain transfer failed");
            return;
        }
    }
    state.SetBytesProcessed(
        static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kRecordingSize));
}
BENCHMARK(PlainCurlToMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

// Console output as usual, plus the throughput of every timed run, for the ratios at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto found = run.counters.find("bytes_per_second");
            if (run.run_type == Run::RT_Iteration && !run.error_occurred &&
                found != run.counters.end())
                rates_[run.run_name.str()].push_back(found->second.value);
        }
    }

    // The median of each benchmark's repetitions, and its ratio to plain curl.
    void PrintRatios() const
    {
        std::map<std::string, double> medians;
        for (auto [name, rates] : rates_) {
            std::sort(rates.begin(), rates.end());
            medians[name] = rates[rates.size() / 2];
        }
        double plain = 0;
        for (const auto& [name, rate] : medians) {
            if (name.rfind(kPlainName, 0) == 0)
                plain = rate;
        }
        for (const auto& [name, rate] : medians) {
            std::printf("%-32s %8.1f MB/s", name.c_str(), rate / 1e6);
            if (plain > 0)
                std::printf("   ratio to plain curl %.2f", rate / plain);
            std::printf("\n");
        }
    }

private:
    std::map<std::string, std::vector<double>> rates_;
};

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
        RatioReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        reporter.PrintRatios();
        g_server = nullptr;
    }
    benchmark::Shutdown();
    curl_global_cleanup();
    return 0;
}
