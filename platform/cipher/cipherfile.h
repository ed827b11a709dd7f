// Enciphering and deciphering one file into another, streamed in pieces of a fixed size so
// that memory use does not grow with the file. Failures throw CipherError and leave no
// destination file.
#pragma once

#include <nettle/blowfish.h>
#include <string>

namespace zemcipher {

struct EncipherOptions {
    bool crc = false;
    bool compression = false;
};

void EncipherFile(const blowfish_ctx& key, EncipherOptions options, const std::string& source,
                  const std::string& destination);

// Compression follows the file's header; checkCrc checks the CRC when the file carries one.
void DecipherFile(const blowfish_ctx& key, bool checkCrc, const std::string& source,
                  const std::string& destination);

}  // namespace zemcipher
