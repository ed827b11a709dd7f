#include "base/systemtime.h"

#include <gtest/gtest.h>

using zem::SYSTEMTIME;

TEST(SystemTime, FileTimeRoundTripAndDayOfWeek)
{
    const struct {
        SYSTEMTIME in;
        uint16_t dayOfWeek;
    } cases[] = {
        {{1601, 1, 0, 1, 0, 0, 0, 0}, 1},         // Monday, file time 0
        {{1970, 1, 0, 1, 0, 0, 0, 0}, 4},         // Thursday
        {{2000, 2, 0, 29, 23, 59, 59, 999}, 2},   // leap day, Tuesday
        {{2026, 12, 0, 9, 4, 30, 0, 0}, 3},       // Wednesday
        {{9999, 12, 0, 31, 23, 59, 59, 999}, 5},   // Friday
    };
    for (const auto& c : cases) {
        uint64_t ft = 0;
        ASSERT_TRUE(zem::SystemTimeToFileTime(c.in, ft)) << c.in.wYear;
        SYSTEMTIME back {};
        ASSERT_TRUE(zem::FileTimeToSystemTime(ft, back));
        EXPECT_EQ(back.wYear, c.in.wYear);
        EXPECT_EQ(back.wMonth, c.in.wMonth);
        EXPECT_EQ(back.wDay, c.in.wDay);
        EXPECT_EQ(back.wHour, c.in.wHour);
        EXPECT_EQ(back.wMilliseconds, c.in.wMilliseconds);
        EXPECT_EQ(back.wDayOfWeek, c.dayOfWeek) << c.in.wYear;
    }
    uint64_t epoch = 0;
    ASSERT_TRUE(zem::SystemTimeToFileTime({1970, 1, 0, 1, 0, 0, 0, 0}, epoch));
    EXPECT_EQ(epoch, 116444736000000000ull);
}

TEST(SystemTime, RejectsFieldsOutOfRange)
{
    const SYSTEMTIME bad[] = {
        {1600, 12, 0, 31, 0, 0, 0, 0}, {2003, 13, 0, 1, 0, 0, 0, 0}, {2003, 0, 0, 1, 0, 0, 0, 0},
        {2003, 2, 0, 29, 0, 0, 0, 0},  {1900, 2, 0, 29, 0, 0, 0, 0}, {2003, 4, 0, 31, 0, 0, 0, 0},
        {2003, 1, 0, 0, 0, 0, 0, 0},   {2003, 1, 0, 1, 24, 0, 0, 0}, {2003, 1, 0, 1, 0, 60, 0, 0},
        {2003, 1, 0, 1, 0, 0, 60, 0},  {2003, 1, 0, 1, 0, 0, 0, 1000},
    };
    for (const auto& st : bad) {
        uint64_t ft;
        EXPECT_FALSE(zem::SystemTimeToFileTime(st, ft))
            << st.wYear << "-" << st.wMonth << "-" << st.wDay << " " << st.wHour;
    }
    SYSTEMTIME out;
    EXPECT_FALSE(zem::FileTimeToSystemTime(uint64_t{1} << 63, out));
}
