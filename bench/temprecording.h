// Runs a benchmark program over one recording that it writes to a fresh temporary folder
// first; the folder is removed again afterwards.
#pragma once

#include "base/tempname.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

// write makes the file at the path it is given; the path stays in `path` for the benchmarks;
// run runs them (with a reporter of its own, when it has one).
inline int RunOverTempRecording(int argc, char** argv, const char* prefix, std::string& path,
                                bool (*write)(const std::string&),
                                const std::function<void()>& run = [] { benchmark::RunSpecifiedBenchmarks(); })
{
    benchmark::Initialize(&argc, argv);
    const std::string folder = zem::CreateTempFolder(prefix);
    if (folder.empty()) {
        std::perror("temporary folder");
        return 1;
    }
    path = folder + "/hour.wav";
    if (!write(path)) {
        std::perror(path.c_str());
        std::filesystem::remove_all(folder);
        return 1;
    }
    run();
    benchmark::Shutdown();
    std::filesystem::remove_all(folder);
    return 0;
}
