#include "ZemBaseLib/failurelog.h"

#include "base/paths.h"
#include "support/scratch.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <thread>
#include <vector>

namespace {

// The system path of today's log (the test may straddle midnight only by bad luck).
std::string TodaysLog()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    return zem::MapPath(FailureLogName(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday));
}

class FailureLog : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(zem::MapPath("C:\\temp"));
        std::filesystem::remove(TodaysLog());
    }
};

std::string CatchText(const char* source, int line, const char* message)
{
    try {
        LogAndThrow(source, line, message);
    } catch (const ZemFailure& failure) {
        return failure.what();
    }
    return "<not thrown>";
}

}  // namespace

TEST(FailureLogName, YearModuloThousand)
{
    EXPECT_EQ(FailureLogName(2003, 7, 5), "C:\\temp\\zembaselib_exceptions_030705.log");
    EXPECT_EQ(FailureLogName(2026, 12, 9), "C:\\temp\\zembaselib_exceptions_261209.log");
    EXPECT_EQ(FailureLogName(2100, 1, 2), "C:\\temp\\zembaselib_exceptions_1000102.log");
}

TEST_F(FailureLog, LineBytesWithAndWithoutMessage)
{
    EXPECT_EQ(CatchText("systime", 333, "bad month"), "bad month");
    EXPECT_EQ(CatchText("systime", 42, nullptr), "");
    const std::string log = zemtest::ReadFile(TodaysLog());
    const std::regex expected(R"(\[\d\d:\d\d:\d\d\] systime \(L:333\) - bad month\r\n)"
                              R"(\[\d\d:\d\d:\d\d\] systime \(L:42\)\r\n)");
    EXPECT_TRUE(std::regex_match(log, expected)) << log;
}

TEST_F(FailureLog, ConcurrentFailuresWriteWholeLines)
{
    constexpr int kThreads = 8;
    constexpr int kEach = 50;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kEach; ++i)
                CatchText("worker", t, "a message long enough to be split if written in pieces");
        });
    }
    for (auto& t : threads)
        t.join();
    const std::string log = zemtest::ReadFile(TodaysLog());
    const std::regex line(R"(\[\d\d:\d\d:\d\d\] worker \(L:\d\) - a message long enough to be split if written in pieces\r\n)");
    size_t lines = 0;
    for (auto it = std::sregex_iterator(log.begin(), log.end(), line); it != std::sregex_iterator(); ++it)
        ++lines;
    EXPECT_EQ(lines, size_t{kThreads * kEach});
    EXPECT_EQ(std::regex_replace(log, line, ""), "");
}

TEST(FailureLogWithoutTempFolder, StillThrowsAndCreatesNothing)
{
    const std::string saved = std::getenv("ZEM_ROOT");
    const std::string empty = zemtest::NewFolder("emptyroot");
    setenv("ZEM_ROOT", empty.c_str(), 1);
    EXPECT_THROW(LogAndThrow("systime", 1, "x"), ZemFailure);
    EXPECT_FALSE(zemtest::Exists(empty + "/drive_c/temp"));
    setenv("ZEM_ROOT", saved.c_str(), 1);
}
