#include "ZemBaseLib/systime.h"

#include "base/paths.h"
#include "ZemBaseLib/failurelog.h"
#include "support/scratch.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

SysTime At(const char* text)
{
    SysTime t;
    t.Parse(text);
    return t;
}

}  // namespace

TEST(SysTime, NullValueRules)
{
    SysTime t;
    EXPECT_TRUE(t.IsNull());
    EXPECT_TRUE(t.IsValid());
    EXPECT_EQ(t.FormatText(' '), "");
    EXPECT_EQ(t.Format(""), "");
    EXPECT_EQ(t.ToTimeT(), 0);

    SysTime otherWeekday = t;
    otherWeekday.dayOfWeek = 3;
    EXPECT_FALSE(otherWeekday.IsNull()) << "null needs day of week 5 as well";
    EXPECT_EQ(SysTime(nullptr), SysTime());
}

TEST(SysTime, ParseReadsFixedPositions)
{
    const struct {
        const char* text;
        uint16_t fields[7];  // year month day hour minute second ms
        bool valid;
    } cases[] = {
        {"2003-07-15 12:34:56.789", {2003, 7, 15, 12, 34, 56, 789}, true},
        {"2003/07/15T12.34.56,789", {2003, 7, 15, 12, 34, 56, 789}, true},
        {"2003-07-15 12:34:56", {2003, 7, 15, 12, 34, 56, 0}, true},
        {"2003", {2003, 0, 0, 0, 0, 0, 0}, false},
        {"", {0, 0, 0, 0, 0, 0, 0}, false},
        {"2004-02-29 00:00:00.000", {2004, 2, 29, 0, 0, 0, 0}, true},
        {"2003-02-29 00:00:00.000", {2003, 2, 29, 0, 0, 0, 0}, false},
        {"1601-01-01 00:00:00.000", {1601, 1, 1, 0, 0, 0, 0}, true},
        {"1600-12-31 23:59:59.999", {1600, 12, 31, 23, 59, 59, 999}, false},
        {"2003-13-01 00:00:00.000", {2003, 13, 1, 0, 0, 0, 0}, false},
    };
    for (const auto& c : cases) {
        SysTime t;
        t.dayOfWeek = 6;
        t.Parse(c.text);
        const uint16_t got[7] = {t.year, t.month, t.day, t.hour, t.minute, t.second, t.milliseconds};
        for (int i = 0; i < 7; ++i)
            EXPECT_EQ(got[i], c.fields[i]) << c.text << " field " << i;
        EXPECT_EQ(t.dayOfWeek, 6) << "Parse keeps the day of week";
        EXPECT_EQ(t.IsValid(), c.valid) << c.text;
    }
}

TEST(SysTime, FormatRoundTrip)
{
    for (const char* text : {"2003-07-05 01:02:03.004", "2026-12-09 23:59:59.999", "1601-01-01 00:00:00.000"}) {
        EXPECT_EQ(At(text).FormatText(' '), text);
    }
    EXPECT_EQ(At("2003-07-05 01:02:03.004").FormatText('T'), "2003-07-05T01:02:03.004");
    EXPECT_EQ(At("2003-07-05 01:02:03.004").Format(""), "2003-07-05 01:02:03");
    EXPECT_EQ(At("2003-07-05 01:02:03.004").Format("%d.%m.%Y"), "05.07.2003");
    EXPECT_EQ(At("2003-13-05 01:02:03.004").FormatText(' '), "") << "invalid formats as empty";
}

TEST(SysTime, FormatSecondsDoesNotWrapHours)
{
    EXPECT_EQ(SysTime::FormatSeconds(3725), "01:02:05");
    EXPECT_EQ(SysTime::FormatSeconds(0), "00:00:00");
    EXPECT_EQ(SysTime::FormatSeconds(360000), "100:00:00");
}

TEST(SysTime, CompareAndDiff)
{
    const SysTime a = At("2003-07-15 12:00:00.000");
    const SysTime b = At("2003-07-15 12:00:01.500");
    EXPECT_EQ(a.Compare(a), 0);
    EXPECT_EQ(b.Compare(a), 1);
    EXPECT_EQ(a.Compare(b), -1);
    EXPECT_EQ(a.DiffMs(b), 1500u);
    EXPECT_EQ(b.DiffMs(a), 1500u);
    EXPECT_EQ(a.DiffSeconds(b), 1) << "seconds truncate";
    EXPECT_EQ(At("2003-01-01 00:00:00.000").DiffMs(At("2004-01-01 00:00:00.000")),
              365ull * 86400 * 1000);
}

TEST(SysTime, SumsCarryAcrossDaysWithDayOfWeek)
{
    // 2003-07-15 was a Tuesday.
    const SysTime late = At("2003-07-15 23:59:59.000");
    const SysTime next = late.AddMs(1500);
    EXPECT_EQ(next.FormatText(' '), "2003-07-16 00:00:00.500");
    EXPECT_EQ(next.dayOfWeek, 3);
    EXPECT_EQ(next.SubMs(1500), At("2003-07-15 23:59:59.000").AddMs(0));
    EXPECT_EQ(At("2004-02-28 12:00:00.000").AddSeconds(86400).FormatText(' '), "2004-02-29 12:00:00.000");
    EXPECT_EQ(At("2003-03-01 00:00:00.000").SubSeconds(1).FormatText(' '), "2003-02-28 23:59:59.000");
}

TEST(SysTime, SecondsSumsAreWidenedPastFortyNineDays)
{
    // 60 days: 5,184,000 s, whose milliseconds do not fit 32 bits.
    const SysTime start = At("2003-01-01 00:00:00.000");
    EXPECT_EQ(start.AddSeconds(5184000).FormatText(' '), "2003-03-02 00:00:00.000");
    EXPECT_EQ(start.AddSeconds(5184000).SubSeconds(5184000), start.AddMs(0));
    EXPECT_EQ(start.AddSeconds(4294967295u).DiffSeconds(start), 4294967295);
}

TEST(SysTime, ToTimeTIsZeroPast2038)
{
    EXPECT_GT(At("2030-01-01 00:00:00.000").ToTimeT(), 0);
    EXPECT_EQ(At("2040-01-01 00:00:00.000").ToTimeT(), 0);
}

TEST(SysTime, FailedChecksLogAndRaise)
{
    std::filesystem::create_directories(zem::MapPath("C:\\temp"));
    const SysTime bad = At("2003-13-01 00:00:00.000");
    const SysTime good = At("2003-12-01 00:00:00.000");
    EXPECT_THROW(bad.Compare(good), ZemFailure);
    EXPECT_THROW(good.Compare(bad), ZemFailure);
    EXPECT_THROW(bad.AddMs(1), ZemFailure);
    EXPECT_THROW(good.DiffMs(bad), ZemFailure);
    EXPECT_THROW(At("1601-01-01 00:00:00.000").SubMs(1), ZemFailure) << "before 1601";

    const SysTime now = SysTime::Now();
    const std::string log = zemtest::ReadFile(
        zem::MapPath(FailureLogName(now.year, now.month, now.day)));
    EXPECT_NE(log.find("] systime (L:"), std::string::npos) << log;
}

TEST(SysTime, NowIsValidAndUtcToLocalFallsBackToNull)
{
    const SysTime now = SysTime::Now();
    EXPECT_TRUE(now.IsValid());
    EXPECT_FALSE(now.IsNull());
    EXPECT_TRUE(At("2003-13-01 00:00:00.000").UtcToLocal().IsNull());
    EXPECT_TRUE(At("2003-07-01 00:00:00.000").UtcToLocal().IsValid());
}
