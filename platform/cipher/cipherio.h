// The source and destination files of the cipher library, read and written in large pieces.
// Failures throw CipherError with the path and the system's text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zemcipher {

class InputFile {
public:
    explicit InputFile(std::string path);  // throws OpenSource
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Reads until size bytes came or the file ended; returns how many came.
    size_t Read(uint8_t* buffer, size_t size);
    uint64_t Size() const;
    // True when path names this very file (writing to it would destroy what is being read).
    bool IsSameFile(const std::string& path) const;

private:
    std::string path_;
    int fd_ = -1;
};

// A new destination file. It is removed again unless Close() succeeds, so a failed run
// leaves no half-written file behind.
class OutputFile {
public:
    explicit OutputFile(std::string path);  // throws CreateDestination
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Appends at the end of what Write wrote so far.
    void Write(const uint8_t* data, size_t size);
    void WriteAt(uint64_t offset, const uint8_t* data, size_t size);
    void Close();

private:
    std::string path_;
    int fd_ = -1;
    uint64_t end_ = 0;
};

}  // namespace zemcipher
