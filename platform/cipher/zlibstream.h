// zlib's deflate and inflate over a stream: output goes to a sink in bounded pieces, so a
// highly compressed file never needs its plain size in memory.
#pragma once

#include "cipher/bytesink.h"

#include <vector>
#include <zlib.h>

namespace zemcipher {

class Deflater {
public:
    explicit Deflater(ByteSink sink);
    ~Deflater();
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    void Write(const uint8_t* data, size_t size);
    void Finish();

private:
    void Run(int flush);

    z_stream stream_{};
    std::vector<uint8_t> out_;
    ByteSink sink_;
};

class Inflater {
public:
    explicit Inflater(ByteSink sink);
    ~Inflater();
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    // Throws Damaged on bad data or data after the end of the compressed stream.
    void Write(const uint8_t* data, size_t size);
    // Throws Damaged when the compressed stream did not end.
    void Finish();

private:
    z_stream stream_{};
    bool ended_ = false;
    std::vector<uint8_t> out_;
    ByteSink sink_;
};

}  // namespace zemcipher
