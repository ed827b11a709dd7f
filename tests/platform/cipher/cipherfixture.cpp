#include "cipherfixture.h"

#include "cipher/blowfish.h"

#include <random>

namespace ciphertest {
namespace {

using FileOperation = int (*)(const char*, const char*, int32_t*);

CipherRun Run(FileOperation operation, const std::string& key, bool crc, bool zip,
              const std::string& source, const std::string& destination)
{
    BF_SetErrorLogFile(nullptr);
    BF_SetBlowfishKey(key.c_str());
    BF_SetCrcChecker(crc ? 1 : 0);
    BF_SetCompression(zip ? 1 : 0);
    BF_InitializeKey();
    CipherRun run;
    run.ok = operation(source.c_str(), destination.c_str(), &run.error) != 0;
    if (!run.ok) {
        char text[BF_ERROR_TEXT_SIZE];
        BF_GetErrorString(text);
        run.text = text;
    }
    return run;
}

}  // namespace

CipherRun Encipher(const std::string& key, bool crc, bool zip, const std::string& source,
                   const std::string& destination)
{
    return Run(BF_Encipher_File, key, crc, zip, source, destination);
}

CipherRun Decipher(const std::string& key, bool crc, const std::string& source,
                   const std::string& destination)
{
    return Run(BF_Decipher_File, key, crc, false, source, destination);
}

std::string MixedData(size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::string data;
    data.reserve(size);
    while (data.size() < size) {
        const size_t stretch = std::min<size_t>(size - data.size(), 1 + random() % 5000);
        const bool repeating = random() % 2 == 0;
        const char fill = static_cast<char>(random());
        for (size_t i = 0; i < stretch; ++i)
            data += repeating ? fill : static_cast<char>(random());
    }
    return data;
}

}  // namespace ciphertest
