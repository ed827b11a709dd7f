// Blowfish-CBC over a stream of any length, with PKCS#5 padding at its end. Output goes to a
// sink as whole blocks, in pieces no larger than the pieces written in.
#pragma once

#include "cipher/bytesink.h"
#include "cipher/cipherformat.h"

#include <nettle/blowfish.h>
#include <vector>

namespace zemcipher {

class CbcEncryptor {
public:
    CbcEncryptor(const blowfish_ctx& key, const Block& iv, ByteSink sink);

    // Enciphers every block that the data completes; a partial block waits for more.
    void Write(const uint8_t* data, size_t size);
    // Pads the waiting bytes to a last block and enciphers it.
    void Finish();

private:
    void Encipher(const uint8_t* data, size_t size);

    const blowfish_ctx& key_;
    Block chain_;
    Block pending_{};
    size_t pendingSize_ = 0;
    std::vector<uint8_t> out_;
    ByteSink sink_;
};

class CbcDecryptor {
public:
    CbcDecryptor(const blowfish_ctx& key, const Block& iv, ByteSink sink);

    // Deciphers one block and returns it instead of passing it on (the key check).
    Block DecipherBlock(const uint8_t* block);
    // size is a whole number of blocks. The last block is held back: it carries the padding.
    void Write(const uint8_t* data, size_t size);
    // Passes on the held block without its padding; throws Damaged when the padding is bad.
    void Finish();

private:
    const blowfish_ctx& key_;
    Block chain_;
    Block held_{};
    bool holding_ = false;
    std::vector<uint8_t> out_;
    ByteSink sink_;
};

}  // namespace zemcipher
