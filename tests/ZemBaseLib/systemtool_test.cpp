// Arguments handed to system tools and the tool's result.
#include "ZemBaseLib/impersonation.h"
#include "ZemBaseLib/systemtool.h"
#include "process/commandline.h"
#include "stubtools.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

TEST(SystemTool, QuotedArgumentsSplitBackUnchanged)
{
    for (const std::string argument :
         {"plain", "", "two words", "tab\there", "\"quoted\"", "a\\\"b", "trailing\\",
          "blank and trailing\\\\", "\\\\server\\share", "\"\"", "$(id);|&>"}) {
        const auto split = zem::SplitArguments("x " + QuoteArgument(argument) + " y");
        ASSERT_EQ(split.size(), 3u) << argument;
        EXPECT_EQ(split[1], argument);
    }
}

TEST(SystemTool, RunGivesExitCodeAndOutputOrNothing)
{
    StubTools tools;
    tools.Add("tool", "echo out; echo err >&2; exit 3\n");
    const ToolRun run = RunSystemTool("tool", {"a b"}, 10000);
    EXPECT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(run.output, "out\nerr\n");
    EXPECT_EQ(tools.Calls(), "<a b>\n");

    tools.Add("slow", "exec sleep 30\n");
    EXPECT_FALSE(RunSystemTool("slow", {}, 200).exited);
    EXPECT_FALSE(RunSystemTool("no-such-tool", {}, 1000).exited);
}

TEST(Impersonation, FailsAsUnsupportedAndKeepsTheIdentity)
{
    const uid_t uid = geteuid();
    errno = 0;
    EXPECT_EQ(ImpersonateUser("root", 0, "secret"), kErrorCallNotImplemented);
    EXPECT_EQ(errno, ENOSYS);
    EXPECT_EQ(geteuid(), uid);
}
