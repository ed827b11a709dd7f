// libFuzzer target: any bytes as a zip archive. The extraction may fail but must never write
// beside its destination, crash or leak.
#include "QMFPlayer/common/zipextractor.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const fs::path work = [] {
        const fs::path path = fs::temp_directory_path() / ("zipfuzz." + std::to_string(getpid()));
        fs::create_directories(path / "cage");
        return path;
    }();
    // Registered after work is made, so it runs before work is destroyed.
    static const bool cleanup = std::atexit([] {
        std::error_code ec;
        fs::remove_all(work, ec);
    }) == 0;
    (void)cleanup;
    const fs::path archive = work / "input.zip";
    const fs::path destination = work / "cage" / "dest";
    std::ofstream(archive, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

    ExtractArchive(archive.string(), destination.string(), false);

    for (const auto& entry : fs::directory_iterator(work / "cage")) {
        if (entry.path().filename() != "dest") {
            std::fprintf(stderr, "written outside the destination: %s\n", entry.path().c_str());
            std::abort();
        }
    }
    std::error_code ec;
    fs::remove_all(destination, ec);
    return 0;
}
