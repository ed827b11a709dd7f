// A WAVE file as the codec converter reads and writes it: the source's layout up to its
// sample data, and the converter's output header. Failures keep the errno of the call.
#pragma once

#include "codec/waveformat.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace zem {

// What stands before the samples of a source file.
struct WaveLayout {
    WaveFormat format;
    std::string between;    // the chunks between "fmt " and "data", as stored
    uint32_t dataSize = 0;  // as the "data" chunk states it, at most what the file holds
};

class CodecWaveFile {
public:
    CodecWaveFile() = default;
    ~CodecWaveFile();
    CodecWaveFile(const CodecWaveFile&) = delete;
    CodecWaveFile& operator=(const CodecWaveFile&) = delete;

    bool OpenRead(const std::string& path);
    // Read and write; an existing file is emptied.
    bool Create(const std::string& path);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    int Error() const { return error_; }

    // "RIFF", a length, "WAVE", then "fmt " as the first chunk and the chunks up to "data".
    // Leaves the file at the first sample byte. False when the file is not laid out so,
    // or a chunk claims more bytes than the file has.
    bool ReadLayout(WaveLayout& out);

    // Up to size bytes; fewer only at the end of the file; -1 on a failure.
    ptrdiff_t Read(void* buffer, size_t size);
    bool Write(const void* buffer, size_t size);

    // Writes the output header at the start of the file: "RIFF", riffLength, "WAVE", "fmt "
    // with the format, the chunks in between, "data" and dataSize. Leaves the file after it.
    bool WriteHeader(const WaveFormat& format, const std::string& between, uint32_t dataSize,
                     uint32_t riffLength);

    int64_t Length();

private:
    bool ReadExact(void* buffer, size_t size);
    bool Seek(int64_t offset);
    int64_t Position();

    int fd_ = -1;
    int error_ = 0;
};

// The bytes WriteHeader writes.
std::string WaveHeaderBytes(const WaveFormat& format, const std::string& between,
                            uint32_t dataSize, uint32_t riffLength);

}  // namespace zem
