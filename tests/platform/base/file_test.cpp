#include "base/file.h"
#include "support/scratch.h"

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
        std::string after;  // content after writing "XY" at the start, when open
    } cases[] = {
        {File::Mode::Read, false, ENOENT, ""},       {File::Mode::ReadWrite, false, ENOENT, ""},
        {File::Mode::Write, false, 0, "XY"},         {File::Mode::Create, false, 0, "XY"},
        {File::Mode::Read, true, 0, "abcd"},         {File::Mode::ReadWrite, true, 0, "XYcd"},
        {File::Mode::Write, true, 0, "XYcd"},        {File::Mode::Create, true, 0, "XY"},
    };
    for (const auto& c : cases) {
        unlink(path.c_str());
        if (c.existing)
            zemtest::WriteFile(path, "abcd");
        File file;
        ASSERT_EQ(file.Open(path, c.mode), c.error) << static_cast<int>(c.mode) << c.existing;
        if (c.error == 0) {
            EXPECT_EQ(file.Write("XY", 2) == 0, c.mode != File::Mode::Read);
            EXPECT_EQ(file.Close(), 0);
            EXPECT_EQ(zemtest::ReadFile(path), c.after) << static_cast<int>(c.mode) << c.existing;
        }
    }
    for (const File::Mode mode : {File::Mode::Read, File::Mode::ReadWrite, File::Mode::Write, File::Mode::Create}) {
        File folderFile;
        EXPECT_EQ(folderFile.Open(folder, mode), EISDIR) << static_cast<int>(mode);
        EXPECT_FALSE(folderFile.IsOpen());
    }
}

TEST(File, ReadSeekSizeIdentity)
{
    const std::string path = zemtest::NewFolder("file") + "/data.bin";
    zemtest::WriteFile(path, "0123456789");
    File file, other;
    ASSERT_EQ(file.Open(path, File::Mode::Read), 0);
    char buffer[16] = {};
    size_t done = 0;
    uint64_t position = 0, size = 0;
    ASSERT_EQ(file.Seek(7, File::Origin::Begin, &position), 0);
    EXPECT_EQ(position, 7u);
    EXPECT_EQ(file.Read(buffer, 8, done), 0) << "a short read at the end is no error";
    EXPECT_EQ(std::string(buffer, done), "789");
    ASSERT_EQ(file.Seek(-4, File::Origin::End), 0);
    ASSERT_EQ(file.Seek(-2, File::Origin::Current), 0);
    EXPECT_EQ(file.Seek(-5, File::Origin::Begin), EINVAL);
    ASSERT_EQ(file.GetPosition(position), 0);
    EXPECT_EQ(position, 4u) << "a failed seek leaves the position";

    ASSERT_EQ(other.Open(path, File::Mode::ReadWrite), 0);
    File::Identity a, b;
    ASSERT_EQ(file.GetIdentity(a) + other.GetIdentity(b), 0);
    EXPECT_EQ(a, b);
    ASSERT_EQ(other.Truncate(3), 0);
    ASSERT_EQ(file.GetSize(size), 0);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(other.Close(), 0);
    EXPECT_EQ(other.Read(buffer, 1, done), EBADF);
}
