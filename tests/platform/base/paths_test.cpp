#include "base/paths.h"
#include "support/scratch.h"

#include <cstdlib>
#include <gtest/gtest.h>

TEST(MapPath, DrivePathsLandBelowTheRootAndBackSlashesBecomeSlashes)
{
    const std::string root = zemtest::RootFolder();
    const struct {
        const char* in;
        std::string out;
    } cases[] = {
        {"C:\\temp", root + "/drive_c/temp"},
        {"C:\\temp1\\x.wav", root + "/drive_c/temp1/x.wav"},
        {"c:/temp/drumloop.wav", root + "/drive_c/temp/drumloop.wav"},
        {"C:/tmpdec.wav", root + "/drive_c/tmpdec.wav"},
        {"D:\\Calls\\a b.wav", root + "/drive_d/Calls/a b.wav"},
        {"C:relative", root + "/drive_c/relative"},
        {"/home/user/file.wav", "/home/user/file.wav"},
        {"relative\\name.wav", "relative/name.wav"},
        {"/opt/zem\\zemwave.ocx", "/opt/zem/zemwave.ocx"},
        {"http://host/x.wav", "http://host/x.wav"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(zem::MapPath(c.in), c.out) << c.in;
}

TEST(MapPath, DriveRootExistsButNothingBelowIsCreated)
{
    const std::string mapped = zem::MapPath("E:\\temp\\deeper\\file.log");
    EXPECT_TRUE(zemtest::Exists(zemtest::RootFolder() + "/drive_e"));
    EXPECT_FALSE(zemtest::Exists(zemtest::RootFolder() + "/drive_e/temp"));
}

TEST(HiveFilePath, FollowsZemRoot)
{
    const std::string root = zemtest::RootFolder();
    EXPECT_EQ(zem::HiveFilePath("HKCU"), root + "/registry/HKCU.reg");
    EXPECT_EQ(zem::HiveFilePath("HKLM"), root + "/registry/HKLM.reg");
    EXPECT_EQ(zem::HiveFilePath("HKXX"), "");
}
