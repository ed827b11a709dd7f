// The 23-character timestamp text: normalising and reading it as local time.
#include "ZemBaseLib/timestamps.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace {

class TimestampTest : public ::testing::Test {
protected:
    void SetUp() override { UseZone("UTC"); }
    void TearDown() override
    {
        unsetenv("TZ");
        tzset();
    }
    static void UseZone(const char* zone)
    {
        setenv("TZ", zone, 1);
        tzset();
    }
};

}  // namespace

TEST(NormalizeTimestamp, PadsCutsAndPutsTheSeparators)
{
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"2003-07-15T12", "2003-07-15 12:00:00.000"},
        {"2003-07-15 12:34:56.789", "2003-07-15 12:34:56.789"},
        {"2003-07-15 12:34:56.789 and more", "2003-07-15 12:34:56.789"},
        {"", "0000-00-00 00:00:00.000"},
        {"20030715123456789", "2003-71-12 45:78:00.000"},  // separators overwrite
    };
    for (const auto& c : cases) {
        std::string text = c.in;
        EXPECT_TRUE(NormalizeTimestamp(text));
        EXPECT_EQ(text, c.out) << c.in;
    }
}

TEST_F(TimestampTest, ParseChecksEveryFieldRange)
{
    const struct {
        const char* text;
        bool ok;
        std::time_t seconds;
    } cases[] = {
        {"1970-01-01 00:00:00.000", true, 0},
        {"2003-07-15 12:00:00.999", true, 1058270400},
        {"2003-07-15T12", true, 1058270400},
        {"2003-07-15 24:00:00", true, 1058313600},  // hour 24 is the next day
        {"2038-01-19 03:14:07", true, 2147483647},
        {"1969-12-31 23:59:59", false, 0},
        {"2039-01-01 00:00:00", false, 0},
        {"2003-00-15 12:00:00", false, 0},
        {"2003-13-15 12:00:00", false, 0},
        {"2003-07-00 12:00:00", false, 0},
        {"2003-07-32 12:00:00", false, 0},
        {"2003-07-15 25:00:00", false, 0},
        {"2003-07-15 12:60:00", false, 0},
        {"2003-07-15 12:00:60", false, 0},
        {"abcd-07-15", false, 0},
        {"", false, 0},
    };
    for (const auto& c : cases) {
        std::time_t out = 12345;
        EXPECT_EQ(ParseTimestamp(c.text, out), c.ok) << c.text;
        EXPECT_EQ(out, c.ok ? c.seconds : 12345) << c.text;
    }
}

TEST_F(TimestampTest, ParseTakesTheTextAsLocalTime)
{
    UseZone("CET-1CEST,M3.5.0,M10.5.0/3");
    std::time_t out = 0;
    ASSERT_TRUE(ParseTimestamp("2003-07-15 12:00:00", out));
    EXPECT_EQ(out, 1058263200);  // summer time: 10:00 UTC
    ASSERT_TRUE(ParseTimestamp("2003-01-15 12:00:00", out));
    EXPECT_EQ(out, 1042628400);  // winter time: 11:00 UTC
}

TEST_F(TimestampTest, ToTimeFailsWithZeroOutsideThirtyTwoBits)
{
    const struct {
        const char* text;
        bool ok;
        int32_t seconds;
    } cases[] = {
        {"2003-07-15 12:00:00", true, 1058270400},
        {"2038-01-19 03:14:07", true, 2147483647},
        {"2038-01-19 03:14:08", false, 0},
        {"2038-12-31 23:59:59", false, 0},
        {"2039-01-01 00:00:00", false, 0},
    };
    for (const auto& c : cases) {
        int32_t out = 777;
        EXPECT_EQ(ParseTimestampToTime(c.text, out), c.ok) << c.text;
        EXPECT_EQ(out, c.seconds) << c.text;
    }
}
