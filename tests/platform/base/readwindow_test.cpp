// The read window gives exactly what reads at the same offsets of the file give, whatever the
// order of the reads and wherever they meet the window's edges or the file's end.
#include "base/file.h"
#include "base/readwindow.h"
#include "support/scratch.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

namespace {

constexpr size_t kWindow = 16;

std::string Read(int fd, zem::ReadWindow* window, uint64_t offset, size_t count)
{
    std::string out(count, '?');
    size_t done = 0;
    if (window)
        done = window->Read(offset, out.data(), count);
    else
        zem::ReadAt(fd, offset, out.data(), count, done);
    return out.substr(0, done);
}

TEST(ReadWindow, ReadsInAnyOrderGiveTheFilesBytes)
{
    for (const size_t length : {size_t{3}, size_t{100}}) {
        std::string bytes;
        for (size_t i = 0; i < length; ++i)
            bytes += static_cast<char>('!' + i % 90);
        const std::string path = zemtest::NewFolder("window") + "/f.bin";
        zemtest::WriteFile(path, bytes);
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        zem::ReadWindow window(fd, kWindow);
        // Every offset up to past the end with every count up to twice the window, forwards
        // and then backwards.
        for (const bool backwards : {false, true}) {
            for (uint64_t step = 0; step <= length + 2; ++step) {
                const uint64_t offset = backwards ? length + 2 - step : step;
                for (size_t count = 0; count <= 2 * kWindow; ++count)
                    ASSERT_EQ(Read(fd, &window, offset, count), Read(fd, nullptr, offset, count)) << offset << "+" << count;
            }
        }
        close(fd);
    }
    zem::ReadWindow none(-1, kWindow);
    EXPECT_EQ(Read(-1, &none, 0, 4), "");
}

}  // namespace
