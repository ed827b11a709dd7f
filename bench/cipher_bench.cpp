// Enciphering and deciphering a 16 MB file through the cipher library (CRC on, no
// compression), each next to a bare nettle Blowfish-CBC loop over the same bytes in memory.
// The ratio is the share of the bare cipher's speed that the library keeps; the goal is 0.8.
#include "cipher/blowfish.h"

#include "base/tempname.h"
#include "ratioreporter.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <nettle/blowfish.h>
#include <nettle/cbc.h>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr size_t kSize = 16 * 1024 * 1024;
const char* const kKey = "benchmark key";

struct Files {
    std::string folder, plain, enciphered, deciphered;
    std::vector<uint8_t> bytes;
};

Files& TheFiles()
{
    static Files files = [] {
        Files f;
        f.folder = zem::CreateTempFolder("cipherbench");
        f.plain = f.folder + "/plain";
        f.enciphered = f.folder + "/enciphered";
        f.deciphered = f.folder + "/deciphered";
        std::mt19937 random(7);
        f.bytes.resize(kSize);
        for (uint8_t& b : f.bytes)
            b = static_cast<uint8_t>(random());
        std::ofstream(f.plain, std::ios::binary)
            .write(reinterpret_cast<const char*>(f.bytes.data()), static_cast<std::streamsize>(kSize));
        return f;
    }();
    return files;
}

bool RunFileOperation(int (*operation)(const char*, const char*, int32_t*), const std::string& source,
                      const std::string& destination)
{
    BF_SetErrorLogFile(nullptr);
    BF_SetBlowfishKey(kKey);
    BF_SetCrcChecker(1);
    BF_SetCompression(0);
    BF_InitializeKey();
    int32_t error = 0;
    return operation(source.c_str(), destination.c_str(), &error) != 0;
}

void BareCbc(benchmark::State& state, bool encrypt)
{
    std::vector<uint8_t> buffer = TheFiles().bytes;
    blowfish_ctx ctx;
    blowfish_set_key(&ctx, std::char_traits<char>::length(kKey), reinterpret_cast<const uint8_t*>(kKey));
    uint8_t iv[BLOWFISH_BLOCK_SIZE] = {};
    for (auto _ : state) {
        if (encrypt)
            cbc_encrypt(&ctx, reinterpret_cast<nettle_cipher_func*>(blowfish_encrypt), BLOWFISH_BLOCK_SIZE, iv,
                        buffer.size(), buffer.data(), buffer.data());
        else
            cbc_decrypt(&ctx, reinterpret_cast<nettle_cipher_func*>(blowfish_decrypt), BLOWFISH_BLOCK_SIZE, iv,
                        buffer.size(), buffer.data(), buffer.data());
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}

void Encipher_BareNettleCbc(benchmark::State& state) { BareCbc(state, true); }
void Decipher_BareNettleCbc(benchmark::State& state) { BareCbc(state, false); }

void Encipher_Library(benchmark::State& state)
{
    const Files& f = TheFiles();
    for (auto _ : state) {
        if (!RunFileOperation(BF_Encipher_File, f.plain, f.enciphered))
            state.SkipWithError("encipher failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}

void Decipher_Library(benchmark::State& state)
{
    const Files& f = TheFiles();
    if (!RunFileOperation(BF_Encipher_File, f.plain, f.enciphered))
        state.SkipWithError("encipher failed");
    for (auto _ : state) {
        if (!RunFileOperation(BF_Decipher_File, f.enciphered, f.deciphered))
            state.SkipWithError("decipher failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}

BENCHMARK(Encipher_BareNettleCbc)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(Encipher_Library)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(Decipher_BareNettleCbc)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(Decipher_Library)->Unit(benchmark::kMillisecond)->Repetitions(5);

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    for (const char* direction : {"Encipher", "Decipher"}) {
        RatioReporter reporter(std::string(direction) + "_BareNettleCbc", "bare nettle CBC");
        benchmark::RunSpecifiedBenchmarks(&reporter, std::string("^") + direction + "_");
        reporter.PrintRatios();
    }
    std::filesystem::remove_all(TheFiles().folder);
    benchmark::Shutdown();
    return 0;
}
