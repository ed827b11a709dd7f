#include "base/file.h"
#include "scratch.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <unistd.h>

using zem::File;

TEST(File, ModesCreateKeepOrTruncate)
{
    const std::string folder = zemtest::NewFolder("file");
    const std::string path = folder + "/f.bin";
    const struct {
        File::Mode mode;
        bool existing;
        int error;
        std::string after;  // content after writing "XY" at the start, when writable
    } cases[] = {
        {File::Mode::Read, false, ENOENT, ""},
        {File::Mode::ReadWrite, false, ENOENT, ""},
        {File::Mode::Write, false, 0, "XY"},
        {File::Mode::Create, false, 0, "XY"},
        {File::Mode::Read, true, 0, "abcd"},
        {File::Mode::ReadWrite, true, 0, "XYcd"},
        {File::Mode::Write, true, 0, "XYcd"},
        {File::Mode::Create, true, 0, "XY"},
    };
    for (const auto& c : cases) {
        unlink(path.c_str());
        if (c.existing)
            zemtest::WriteFile(path, "abcd");
        File file;
        EXPECT_EQ(file.Open(path, c.mode), c.error) << static_cast<int>(c.mode) << c.existing;
        if (c.error != 0) {
            EXPECT_FALSE(file.IsOpen());
            continue;
        }
        const int written = file.Write("XY", 2);
        EXPECT_EQ(written == 0, c.mode != File::Mode::Read) << static_cast<int>(c.mode);
        EXPECT_EQ(file.Close(), 0);
        EXPECT_EQ(zemtest::ReadFile(path), c.after) << static_cast<int>(c.mode) << c.existing;
    }
    File folderFile;
    EXPECT_EQ(folderFile.Open(folder, File::Mode::Read), EISDIR);
}

TEST(File, ReadSeekSizeAndIdentity)
{
    const std::string path = zemtest::NewFolder("file") + "/data.bin";
    zemtest::WriteFile(path, "0123456789");
    File file;
    ASSERT_EQ(file.Open(path, File::Mode::Read), 0);
    uint64_t size = 0;
    ASSERT_EQ(file.GetSize(size), 0);
    EXPECT_EQ(size, 10u);

    char buffer[16] = {};
    size_t done = 0;
    uint64_t position = 0;
    ASSERT_EQ(file.Seek(7, File::Origin::Begin, &position), 0);
    EXPECT_EQ(position, 7u);
    EXPECT_EQ(file.Read(buffer, 8, done), 0);
    EXPECT_EQ(std::string(buffer, done), "789") << "a short read at the end is no error";
    ASSERT_EQ(file.Seek(-4, File::Origin::End, &position), 0);
    EXPECT_EQ(position, 6u);
    ASSERT_EQ(file.Seek(-2, File::Origin::Current), 0);
    ASSERT_EQ(file.GetPosition(position), 0);
    EXPECT_EQ(position, 4u);
    EXPECT_EQ(file.Seek(-5, File::Origin::Begin), EINVAL);
    ASSERT_EQ(file.GetPosition(position), 0);
    EXPECT_EQ(position, 4u) << "a failed seek leaves the position";

    File other;
    ASSERT_EQ(other.Open(path, File::Mode::ReadWrite), 0);
    File::Identity a, b;
    ASSERT_EQ(file.GetIdentity(a), 0);
    ASSERT_EQ(other.GetIdentity(b), 0);
    EXPECT_EQ(a, b);
    ASSERT_EQ(other.Truncate(3), 0);
    ASSERT_EQ(file.GetSize(size), 0);
    EXPECT_EQ(size, 3u);

    File moved = std::move(other);
    EXPECT_FALSE(other.IsOpen());
    EXPECT_TRUE(moved.IsOpen());
    EXPECT_EQ(moved.Close(), 0);
    EXPECT_EQ(moved.Read(buffer, 1, done), EBADF);
    EXPECT_EQ(moved.Write("x", 1), EBADF);
}
