#include "QMFPlayer/common/processrunner.h"
#include "base/paths.h"
#include "support/scratch.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <regex>
#include <thread>

namespace {

// Polls as the programs do, 100 ms at a time; gives up after limitMs.
void WaitForEnd(const CProcessRunner& runner, int limitMs = 20000)
{
    for (int waited = 0; runner.IsRunning() && waited < limitMs; waited += 100)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

bool ProcessGone(pid_t pid)
{
    for (int i = 0; i < 50; ++i) {
        const std::string stat = zemtest::Exists("/proc/" + std::to_string(pid) + "/stat")
                                     ? zemtest::ReadFile("/proc/" + std::to_string(pid) + "/stat")
                                     : "";
        const size_t close = stat.rfind(')');
        if (stat.empty() || (close != std::string::npos && stat[close + 2] == 'Z'))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

TEST(ProcessRunner, StatusOfEveryWayARunEnds)
{
    const std::string missingFolder = zemtest::RootFolder() + "/no/such/folder";
    const struct {
        const char* program;
        const char* arguments;
        std::string folder;
        uint32_t timeout;
        const char* user;
        uint32_t status;
        uint32_t exitCode;
        int started;
    } cases[] = {
        {"true", "", "", 0, "", 34, 0, 1},
        {"false", "", "", 5, "", 34, 1, 1},
        {"sh", "-c \"exit 7\"", "", 5, "", 34, 7, 1},
        {"no-such-program-here", "", "", 5, "", 18, 0, 1},
        {"true", "", missingFolder, 5, "", 18, 0, 1},
        {"sleep", "10", "", 1, "", 66, 0, 1},
        {"true", "", "", 0, "operator", 10, 0, 0},
    };
    for (const auto& c : cases) {
        CProcessRunner runner;
        runner.program = c.program;
        runner.arguments = c.arguments;
        runner.folder = c.folder;
        runner.timeoutSeconds = c.timeout;
        runner.user = c.user;
        EXPECT_EQ(runner.Start(), c.started) << c.program;
        WaitForEnd(runner);
        EXPECT_EQ(runner.Status(), c.status) << c.program << " " << c.arguments;
        EXPECT_EQ(runner.ExitCode(), c.exitCode) << c.program << " " << c.arguments;
        EXPECT_FALSE(runner.EndTime().IsNull()) << c.program;
    }
}

TEST(ProcessRunner, CapturesMoreThanAPipeHoldsWhileWaiting)
{
    CProcessRunner runner;
    runner.program = "head";
    runner.arguments = "-c 1048576 /dev/zero";
    runner.capture = true;
    runner.timeoutSeconds = 10;
    ASSERT_EQ(runner.Start(), 1);
    WaitForEnd(runner);
    EXPECT_EQ(runner.Status(), CProcessRunner::kFinishedExited);
    EXPECT_EQ(runner.ExitCode(), 0u);
    EXPECT_EQ(runner.Output().size(), 1048576u);

    CProcessRunner silent;
    silent.program = "true";
    silent.capture = true;
    silent.Start();
    WaitForEnd(silent);
    EXPECT_EQ(silent.Status(), CProcessRunner::kFinishedExited);
    EXPECT_EQ(silent.Output(), "");
}

TEST(ProcessRunner, ArgumentsReachTheChildWithoutAShellAndInItsFolder)
{
    const std::string folder = zem::MapPath("C:\\work");
    ASSERT_TRUE(zem::MakeFolders(folder));
    CProcessRunner runner;
    runner.program = "sh";
    runner.arguments = "-c \"printf '%s|' \\\"$0\\\" \\\"$1\\\"; pwd\" \"a b\" $HOME;x\\\"y";
    runner.folder = "C:\\work";
    runner.capture = true;
    runner.timeoutSeconds = 5;
    runner.Start();
    WaitForEnd(runner);
    EXPECT_EQ(runner.Output(), "a b|$HOME;x\"y|" + folder + "\n");
}

TEST(ProcessRunner, RunsOnceUntilResetAndDestructionEndsTheChild)
{
    const std::string pidFile = zemtest::NewFolder("pid") + "/pid";
    pid_t pid = 0;
    {
        CProcessRunner runner;
        runner.program = "sh";
        runner.arguments = "-c \"echo $$ > " + pidFile + "; exec sleep 30\"";
        ASSERT_EQ(runner.Start(), 1);
        EXPECT_EQ(runner.Start(), 0);
        runner.Reset();  // still running: no effect
        EXPECT_TRUE(runner.IsRunning());
        for (int i = 0; i < 100 && zemtest::ReadFile(pidFile).empty(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        pid = std::atoi(zemtest::ReadFile(pidFile).c_str());
        ASSERT_GT(pid, 0);
    }
    EXPECT_TRUE(ProcessGone(pid));

    CProcessRunner again;
    again.program = "true";
    again.Start();
    WaitForEnd(again);
    EXPECT_EQ(again.Start(), 0);
    again.Reset();
    EXPECT_EQ(again.Status(), 0u);
    EXPECT_EQ(again.Start(), 1);
    WaitForEnd(again);
    EXPECT_EQ(again.Status(), CProcessRunner::kFinishedExited);
}

TEST(ProcessRunner, ExpandsPlaceholders)
{
    CProcessRunner runner;
    unsetenv("windir");
    const std::string text = runner.ExpandPlaceholders("[UID]-[UID] [TIMESTAMP] [WINDIR]\\regedit.exe");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(text, m, std::regex(R"(([0-9a-f]+)-([0-9a-f]+) \d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} C:\\Windows\\regedit\.exe)"))) << text;
    EXPECT_EQ(m[1], m[2]);
    setenv("windir", "D:\\WinNT", 1);
    EXPECT_EQ(runner.ExpandPlaceholders("[WINDIR]"), "D:\\WinNT");
    unsetenv("windir");
}

}  // namespace
