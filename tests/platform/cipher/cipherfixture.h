// Test helpers over the cipher library: one call runs the library's whole set-up sequence
// and a file operation, as its callers do.
#pragma once

#include <cstdint>
#include <string>

namespace ciphertest {

struct CipherRun {
    bool ok = false;
    int32_t error = 0;
    std::string text;  // the library's error text when !ok
};

CipherRun Encipher(const std::string& key, bool crc, bool zip, const std::string& source,
                   const std::string& destination);
CipherRun Decipher(const std::string& key, bool crc, const std::string& source,
                   const std::string& destination);

// size bytes that mix random and repeating stretches, the same for the same seed.
std::string MixedData(size_t size, unsigned seed = 1);

}  // namespace ciphertest
