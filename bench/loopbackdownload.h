// What the loopback download benchmarks share: the test server that serves the recording,
// the plain curl transfer into memory they are measured against, and their main.
#pragma once

#include "ratioreporter.h"
#include "support/testserver.h"

#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <cstdlib>
#include <functional>
#include <string>

// The benchmark whose throughput the others are compared with.
constexpr const char* kPlainName = "PlainCurlToMemory";

// The address of the recording on the loopback server while the benchmarks run.
inline std::string& RecordingAddress()
{
    static std::string address;
    return address;
}

inline size_t AppendToString(char* data, size_t size, size_t count, void* target)
{
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

inline void RunPlainCurlToMemory(benchmark::State& state, const std::string& address,
                                 size_t expectedSize)
{
    std::string body(expectedSize, '\0');  // touched once here, so no page faults are timed
    for (auto _ : state) {
        body.clear();
        CURL* easy = curl_easy_init();
        curl_easy_setopt(easy, CURLOPT_URL, address.c_str());
        curl_easy_setopt(easy, CURLOPT_NOPROXY, "*");
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &AppendToString);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
        const CURLcode code = curl_easy_perform(easy);
        curl_easy_cleanup(easy);
        if (code != CURLE_OK || body.size() != expectedSize) {
            state.SkipWithError("plain transfer failed");
            return;
        }
    }
    state.SetBytesProcessed(
        static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(expectedSize));
}

// Serves body at a loopback address, runs the registered benchmarks and prints each
// throughput with its ratio to plain curl.
// goals, when given, prints further lines from the reporter's figures.
inline int RunLoopbackDownloadBenchmarks(int argc, char** argv, std::string body,
                                         const std::function<void(const RatioReporter&)>& goals = {})
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
        server.Route("/rec.wav", zemtest::Reply{.body = std::move(body)});
        RecordingAddress() = server.Url("/rec.wav");
        RatioReporter reporter(kPlainName, "plain curl");
        benchmark::RunSpecifiedBenchmarks(&reporter);
        reporter.PrintRatios();
        if (goals)
            goals(reporter);
    }
    benchmark::Shutdown();
    curl_global_cleanup();
    return 0;
}
