// Reads at offsets of a descriptor through one window of the file held in memory: a walk
// through thousands of small chunks then costs one pread per window, not two per chunk.
// The file is taken not to change while it is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zem {

class ReadWindow {
public:
    ReadWindow(int fd, size_t size);

    // Up to count bytes at offset, fewer only at the end of the file or on an error, as
    // ReadAt gives them. A read of at least the window's size goes to the file directly.
    size_t Read(uint64_t offset, void* out, size_t count);

private:
    bool Holds(uint64_t offset, size_t count) const;

    int fd_;
    std::vector<char> bytes_;
    uint64_t start_ = 0;  // the file offset of bytes_[0]
    size_t held_ = 0;     // how many of bytes_ came from the file
};

}  // namespace zem
