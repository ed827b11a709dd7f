// The baseline of the download benchmarks: a plain curl transfer of `address` into memory.
#pragma once

#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <string>

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
