// Arguments handed to system tools and the tool's result.
#include "ZemBaseLib/impersonation.h"
#include "ZemBaseLib/systemtool.h"
#include "process/commandline.h"

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

TEST(Impersonation, FailsAsUnsupportedAndKeepsTheIdentity)
{
    const uid_t uid = geteuid();
    errno = 0;
    EXPECT_EQ(ImpersonateUser("root", 0, "secret"), kErrorCallNotImplemented);
    EXPECT_EQ(errno, ENOSYS);
    EXPECT_EQ(geteuid(), uid);
}
